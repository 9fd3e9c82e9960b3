#include "mms/data_packet_receiver.h"

#include "asf/header_and_packet_storage.h"
#include "asf/header_assembler.h"
#include "mms/receive_front.h"
#include "run/storage_report.h"
#include "state/app_context.h"
#include "state/run_state.h"
#include "state/shell.h"

#include <QCoreApplication>

#include <optional>

namespace tovrin {

namespace {

// Waits for the data prefix at the front of the lane and reads it.
std::optional<DataPrefix> WaitForPrefix(ReceiveLane& lane, const StopRequested& stop)
{
    if (!lane.waitFor(kDataPrefixSize, stop))
        return std::nullopt;
    return ReadDataPrefix(lane.peek(kDataPrefixSize));
}

enum class Collected { Whole, Refused, Stopped };

Collected CollectHeader(HeaderAssembler& assembler, ReceiveLane& lane, const StopRequested& stop)
{
    HeaderAssembler::Progress progress = assembler.progress();
    while (progress == HeaderAssembler::Progress::NeedMore) {
        const std::optional<DataPrefix> prefix = WaitForPrefix(lane, stop);
        if (!prefix)
            return Collected::Stopped;
        if (prefix->length < kDataPrefixSize)
            return Collected::Refused;
        if (!lane.waitFor(prefix->length, stop))
            return Collected::Stopped;
        progress = assembler.add(lane.takeFront(prefix->length).sliced(kDataPrefixSize));
    }
    return progress == HeaderAssembler::Progress::Done ? Collected::Whole : Collected::Refused;
}

}  // namespace

std::optional<QByteArray> CollectHeaderBytes(AppContext& ctx, ReceiveLane lane, const StopRequested& stop,
                                             std::uint32_t headerLength, std::uint32_t packetSize)
{
    ctx.shell.appendLog(QCoreApplication::translate("Tovrin", "- 接收標題..."));
    HeaderAssembler assembler(headerLength, packetSize);
    const Collected collected = CollectHeader(assembler, lane, stop);
    if (collected != Collected::Whole) {
        if (collected == Collected::Refused || !stop())
            ctx.shell.appendLog(QStringLiteral("- ASF header receive error"));
        return std::nullopt;
    }
    return assembler.header();
}

bool ReceiveHeader(AppContext& ctx, RecordingFile& file, ReceiveLane lane, const StopRequested& stop)
{
    const std::optional<QByteArray> header =
        CollectHeaderBytes(ctx, lane, stop, ctx.run.headerLength, ctx.run.packetSize);
    return header && StoreAndInspectHeader(ctx, file, *header);
}

MediaTake TakeMediaPacket(AppContext& ctx, ReceiveLane lane, MediaPacketWriter& writer, const StopRequested& stop)
{
    const std::optional<DataPrefix> prefix = WaitForPrefix(lane, stop);
    if (!prefix)
        return MediaTake::Stopped;
    if (prefix->length < kDataPrefixSize) {
        // A length this small would never move the front of the buffer on.
        lane.removeFront(kDataPrefixSize);
        ctx.shell.appendLog(QStringLiteral("Error in packet, data length %1 too short, skipped").arg(prefix->length));
        return MediaTake::BadLength;
    }
    if (!lane.waitFor(prefix->length, stop))
        return MediaTake::Stopped;
    TellStoredPacket(ctx.shell,
                     writer.handle(prefix->sequence, lane.takeFront(prefix->length).sliced(kDataPrefixSize)));
    return MediaTake::Stored;
}

}  // namespace tovrin
