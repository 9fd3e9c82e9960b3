// Whatever a media server sends, through the real receive loop (the split of
// the receive buffer, the reply dispatch, the header collected, the media
// packets handed over), then what it hands over stored as the run engine
// stores it: header storage and inspection, the media packets into a save
// file, and the fix-ups at the end.
//
// Input: byte 0 holds flags (bit 0: resume; bit 1: the rest is records
// [lane byte][16-bit length][bytes], lane 1 = a UDP datagram, else TCP bytes;
// without bit 1 the rest is all TCP bytes).
#include "asf/byte_helpers.h"
#include "asf/recording_file.h"
#include "asf/run_fixups.h"
#include "fuzz_shell.h"
#include "mms/client_commands.h"
#include "mms/command_channel.h"
#include "mms/receive_front.h"
#include "mms/receive_loop.h"
#include "run/event_queue.h"
#include "run/storage_report.h"

#include <QFile>
#include <QFileInfo>

#include <cstdint>
#include <cstdlib>

namespace {

using namespace tovrin;

constexpr qint64 kLargestCarriedFile = 64 * 1024 * 1024;

struct DiscardingSink : ByteSink {
    void write(const QByteArray&) override {}
};

void feed(ReceiveBuffer& buffer, QByteArrayView input, bool records)
{
    using Lane = ReceiveBuffer::Lane;
    if (!records) {
        buffer.append(Lane::Stream, input.toByteArray());
        return;
    }
    qsizetype at = 0;
    while (at + 3 <= input.size()) {
        const bool datagram = input[at] & 1;
        const qsizetype length = std::min<qsizetype>(*LE16At(input, at + 1), input.size() - at - 3);
        const QByteArray bytes = input.sliced(at + 3, length).toByteArray();
        at += 3 + length;
        // The UDP socket lets in only datagrams that hold exactly one data packet.
        if (!datagram)
            buffer.append(Lane::Stream, bytes);
        else if (bytes.size() >= kDataPrefixSize && ReadDataPrefix(bytes).length == bytes.size())
            buffer.append(Lane::Datagrams, bytes);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1)
        return 0;
    static const QString path = fuzz::ScratchDir().filePath(QStringLiteral("recording.asf"));
    fuzz::FuzzRun f;
    RunState& run = f.run;
    run.resume = data[0] & 1;
    f.session.savePath = path;
    // The file carries over from input to input, so a resume meets what an
    // earlier run left; one that a run made huge (a live run's slots follow
    // the server's numbers) starts again empty, or reading it back for the
    // index would take the rest of the fuzzing time.
    if (QFileInfo(path).size() > kLargestCarriedFile)
        QFile::resize(path, 0);
    RecordingFile file;
    if (file.open(path, false) != RecordingFile::Opened::Yes)
        std::abort();

    ReceiveBuffer buffer;
    feed(buffer, QByteArrayView(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1)), data[0] & 2);
    buffer.closeInput();

    DiscardingSink sink;
    std::atomic<std::uint32_t> sequence{0};
    CommandChannel channel(sink, sequence);
    RunEventQueue events([] {});
    const std::atomic<bool> stop{false};
    // The engine asks for the media as soon as there is a header: here, before.
    buffer.postOrder({ExchangeOrder::Kind::Media, MediaRequest{{{1, kStreamOn}, {2, kStreamOn}}, std::nullopt}, {}});
    ReceiveLoop loop(buffer, channel, events,
                     ExchangeSetup{QStringLiteral("host"),
                                   QStringLiteral("a.wmv"),
                                   QStringLiteral("127.0.0.1"),
                                   QStringLiteral("1042"),
                                   false,
                                   {}},
                     stop);
    loop.run();

    std::optional<MediaPacketWriter> writer;
    for (const LinkEvent& event : events.takeAll()) {
        if (const auto* header = std::get_if<link::Header>(&event)) {
            if (writer)
                continue;  // a next entry's header: the engine's choice, not storage
            run.packetSize = header->figures.packetSize;
            run.headerLength = header->figures.headerLength;
            run.filePacketCount = header->figures.live ? kLivePacketCount : header->figures.packetCount;
            if (StoreAndInspectHeader(f.ctx, file, header->bytes) == HeaderTaken::Ready)
                writer.emplace(run, file);
        } else if (const auto* packet = std::get_if<link::Packet>(&event)) {
            if (writer)
                TellStoredPacket(f.ctx.shell, writer->handle(packet->number, packet->payload));
        } else if (std::holds_alternative<link::EndOfStream>(event) && writer) {
            FixCompletedRun(run, file);
        }
    }

    // The stop routine's fix-ups, on whatever the run left behind.
    FixUpStoppedRun(run, &file);
    file.close();
    return 0;
}
