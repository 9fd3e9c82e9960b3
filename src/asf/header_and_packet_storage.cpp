#include "asf/header_and_packet_storage.h"

#include "asf/asf_objects.h"
#include "asf/byte_helpers.h"
#include "asf/run_fixups.h"
#include "state/run_state.h"

#include <algorithm>

namespace tovrin {

namespace {

// Data Packets Count of the File Properties Object, which the fix-ups of an
// interrupted run rewrite.
constexpr qsizetype kPacketCountField = 56;

bool HoldsSameStream(QByteArray stored, QByteArray header)
{
    if (stored.size() != header.size())
        return false;
    const qsizetype at = FindObject(header, guid::kFileProperties);
    if (at >= 0 && at + kPacketCountField + 8 <= header.size()) {
        stored.replace(at + kPacketCountField, 8, QByteArray(8, '\0'));
        header.replace(at + kPacketCountField, 8, QByteArray(8, '\0'));
    }
    return stored == header;
}

}  // namespace

HeaderStored StoreHeaderBytes(const RunState& run, RecordingFile& file, const QByteArray& header)
{
    if (run.resume)
        return HoldsSameStream(file.readStart(header.size()), header) ? HeaderStored::KeptForResume
                                                                      : HeaderStored::OtherStream;
    return file.writeHeader(header) ? HeaderStored::Written : HeaderStored::WriteFailed;
}

namespace {

std::optional<std::uint32_t> LimitResumePoint(RunState& run, RecordingFile& file)
{
    const qint64 packetSize = run.packetSize.load();
    const qint64 headerLength = run.headerLength.load();
    const std::optional<qint64> size = file.size();
    if (!size || packetSize <= 0)
        return std::nullopt;
    const qint64 wholeSlots = *size > headerLength ? (*size - headerLength) / packetSize : 0;
    if (wholeSlots >= qint64(run.storedPacketCount.load()))
        return std::nullopt;
    run.storedPacketCount = std::uint32_t(wholeSlots);
    return std::uint32_t(wholeSlots);
}

}  // namespace

std::optional<std::uint32_t> PrepareForMedia(RunState& run, RecordingFile& file)
{
    const std::optional<std::uint32_t> lowered = run.resume ? LimitResumePoint(run, file) : std::nullopt;
    run.readyForMedia = run.packetSize.load() > 0;
    // A file of known length is tracked packet by packet, so its end can tell
    // whether every packet arrived. A resumed run's earlier part counts as there.
    if (!run.isLive())
        run.receivedPackets.expect(run.filePacketCount, run.resume ? run.storedPacketCount.load() : 0);
    return lowered;
}

WriteFailure MediaPacketWriter::flush()
{
    return firstFailure(m_file.flush());
}

WriteFailure MediaPacketWriter::firstFailure(WriteFailure failure)
{
    return FirstWriteFailure(m_run, std::move(failure));
}

StoredPacket MediaPacketWriter::handle(std::uint32_t sequence, QByteArray packet)
{
    RunState& run = m_run;
    StoredPacket told;
    const bool resume = run.resume;

    // A resumed run continues the numbering of its file: the server was asked
    // to start at the stored packet count, so the absolute values apply.
    if (!m_firstSequence)
        m_firstSequence = sequence;
    if (!resume && sequence < *m_firstSequence) {
        // A packet from before the first one of the recording has no slot:
        // its index would wrap round to one terabytes into the file.
        told.earlyDropped = !m_earlyPacketLogged;
        m_earlyPacketLogged = true;
        return told;
    }
    run.packetIndex = resume ? sequence : sequence - *m_firstSequence;
    run.highestPacketIndex = std::max(run.highestPacketIndex.load(), run.packetIndex.load());

    const int at = SendTimeOffset(packet);
    const std::optional<std::uint32_t> sendTime = at > 0 ? LE32At(packet, at) : std::nullopt;
    if (!sendTime) {
        told.missingTimecode = true;
    } else {
        if (!m_firstSendTime)
            m_firstSendTime = *sendTime;
        run.mediaTime = resume ? *sendTime : *sendTime - *m_firstSendTime;
        if (run.isLive())
            told.rebaseFault = RebaseTimecodes(packet, *m_firstSendTime);
    }

    const qsizetype packetSize = run.packetSize.load();
    if (packet.size() < packetSize) {
        packet.append(packetSize - packet.size(), '\0');
    } else if (packet.size() > packetSize) {
        told.truncated = true;
        packet.truncate(packetSize);
    }

    const qint64 offset = qint64(run.packetIndex.load()) * packetSize + run.headerLength.load();
    SlotWritten written = m_file.writeSlot(offset, packet);
    if (written.written)
        run.receivedPackets.mark(run.packetIndex);
    else
        told.writeFailure = firstFailure(std::move(written.failure));
    run.mediaPacketStored = true;
    return told;
}

}  // namespace tovrin
