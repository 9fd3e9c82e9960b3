#include "mms/data_packet_receiver.h"
#include "asf/byte_helpers.h"
#include "asf/header_and_packet_storage.h"
#include "mms/missing_packets.h"
#include "mms/storage_report.h"
#include "state/received_packets.h"
#include "support/asf_builder.h"
#include "support/golden.h"
#include "support/golden_line.h"
#include "support/storage_run.h"

#include <chrono>
#include <thread>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;
using tovrin::test::StorageRun;
using Lane = ReceiveBuffer::Lane;

namespace {

QByteArray HeaderPacket(const QByteArray& payload)
{
    return test::DataPacket(0, 2, payload);
}
QByteArray MediaPacket(std::uint32_t sequence, const QByteArray& payload)
{
    return test::DataPacket(sequence, 4, payload);
}
// An empty data packet whose prefix claims `length` bytes.
QByteArray ClaimedLength(std::uint8_t type, std::uint16_t length)
{
    return test::DataPacket(9, type, {}).replace(6, 2, EncodeLE16(length));
}

// A run taking its header or media packets from a lane of its buffer.
struct LaneRun : StorageRun {
    using StorageRun::StorageRun;
    StopRequested stop()
    {
        return [this] { return run.stopFlag.load(); };
    }
    bool header(Lane which = Lane::Stream) { return ReceiveHeader(t.ctx, file, {buffer, which}, stop()); }
    int media() { return int(TakeMediaPacket(t.ctx, {buffer, Lane::Stream}, writer, stop())); }
    ReceiveBuffer buffer;
    MediaPacketWriter writer{run, file};
};

}  // namespace

TEST(DataPacketReceiver, PacketsAreTakenFromTheirLaneOrEndInAnErrorOrAStopWithoutAStall)
{
    // Each case's answers (MediaTake as numbers), then its log.
    QStringList lines;
    // A header in pieces is collected, stored and followed by its media packet.
    const test::AsfParts sample = test::ReadAsf(test::SamplePath(test::Sample::Wma));
    LaneRun r(std::uint32_t(sample.header.size()), sample.packetSize);
    r.buffer.append(HeaderPacket(sample.header.first(100)) + HeaderPacket(sample.header.sliced(100))
                    + MediaPacket(7, "short"));
    lines << test::Line{u"pieces"_s, r.header(), r.media()} << r.log;
    EXPECT_EQ(r.contents(), sample.header + "short" + QByteArray(qsizetype(sample.packetSize) - 5, '\0'));

    // A resumed run consumes the header packets, here datagrams, and leaves
    // the stream lane alone.
    LaneRun resumed(40, 16);
    resumed.run.resume = true;
    resumed.buffer.append(Lane::Datagrams, HeaderPacket(QByteArray(30, 'n')) + HeaderPacket(QByteArray(10, 'n')));
    resumed.buffer.append(Lane::Stream, "command");
    lines << test::Line{u"resumed"_s, resumed.header(Lane::Datagrams), qulonglong(resumed.buffer.size(Lane::Datagrams)),
                        QString::fromLatin1(resumed.buffer.peek(100))};

    // Refused figures end in an error, nothing consumed, not an allocation.
    LaneRun refused(100, 0);
    refused.buffer.append(HeaderPacket(QByteArray(100, 'h')));
    lines << test::Line{u"refused"_s, refused.header(), qulonglong(refused.buffer.size())} << refused.log;

    // A prefix length below the prefix's own 8 bytes would never move the
    // buffer on.
    LaneRun bad(100, 16);
    bad.buffer.append(ClaimedLength(2, 0));
    const bool header = bad.header();
    bad.buffer.clear();
    bad.buffer.append(ClaimedLength(4, 3) + MediaPacket(10, "abc"));
    lines << test::Line{u"short prefixes"_s, header, bad.media(), bad.media(),
                        QString::fromLatin1(bad.contents().mid(100).toHex())}
          << bad.log;

    // A stop ends every wait without a logged error; an incomplete header is not written.
    LaneRun stopped(1000, 16);
    stopped.buffer.append(HeaderPacket(QByteArray(100, 'h')) + QByteArray(5, 'x'));
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        stopped.run.stopFlag = true;
        stopped.buffer.wake();
    });
    const bool stoppedHeader = stopped.header();
    stopper.join();
    stopped.buffer.clear();
    stopped.buffer.append(MediaPacket(1, QByteArray(10, 'm')).chopped(1));
    lines << test::Line{u"stopped"_s, stoppedHeader, stopped.media(), qulonglong(stopped.contents().size()),
                        stopped.run.mediaPacketStored.load()}
          << stopped.log;
    EXPECT_GOLDEN("mms/data_packet_receiver", lines);
}

namespace asf = tovrin::test::asf;

TEST(StorageReport, HeaderStorageIsToldStepByStepAndAStoredPacketFactByFact)
{
    const asf::FileProperties props{.packetSize = 16};
    const QByteArray header = asf::Header({asf::FilePropertiesObject(props), asf::StreamPropertiesObject(1)}, 0, 300);
    StorageRun r(std::uint32_t(header.size()), 16);
    // Each step's answer, then its log; the failed one's shell calls.
    QStringList lines{test::Line{ReceiveHeaderBytes(r.t.ctx, r.file, header)}};
    lines << r.log;

    StorageRun resumed(40, 16);
    resumed.run.resume = true;
    lines << test::Line{StoreAndInspectHeader(resumed.t.ctx, resumed.file, QByteArray(40, 'n'))} << resumed.log;

    StorageRun failed(16, 8);
    ASSERT_EQ(failed.file.open(QStringLiteral("/dev/full"), true), RecordingFile::Opened::Yes);
    lines << test::Line{ReceiveHeaderBytes(failed.t.ctx, failed.file, QByteArray(16, 'h'))} << failed.t.shell.calls;

    // Then the lines of a stored packet: none when there is nothing to tell.
    test::FakeShell shell;
    TellStoredPacket(shell, {});
    TellStoredPacket(shell, {.earlyDropped = true,
                             .missingTimecode = true,
                             .rebaseFault = RebaseFault{RebaseFault::Kind::UnknownSegmentFlags, 0x64},
                             .truncated = true,
                             .writeFailure = QStringLiteral("No space left on device")});
    EXPECT_GOLDEN("mms/header_storage_steps", lines << u"--- stored packet"_s << shell.log);
}

// For each case: the line naming the missing packets, or none.
TEST(MissingPackets, TheLineNamesEveryRunOfMissingPacketsUpToItsLimit)
{
    std::vector<std::uint32_t> everyOther;
    for (std::uint32_t i = 0; i < 40; i += 2)
        everyOther.push_back(i);
    // What, packet count, a resumed run's earlier part, the packets stored.
    const std::tuple<const char*, std::uint32_t, std::uint32_t, std::vector<std::uint32_t>> cases[] = {
        {"whole", 4, 0, {3, 1, 0, 2}},     {"stored twice, beyond the end", 3, 0, {0, 0, 1, 7}},
        {"runs", 10, 0, {1, 2, 6, 7, 8}},  {"resumed whole", 6, 4, {4, 5}},
        {"resumed, last lost", 6, 4, {4}}, {"cut after 16 runs", 40, 0, everyOther},
        {"length unknown", 0, 0, {}},      {"too long to track", ReceivedPackets::kMaxTracked + 1, 0, {0}},
    };
    QStringList lines;
    for (const auto& [what, count, presentBefore, stored] : cases) {
        ReceivedPackets received;
        received.expect(count, presentBefore);
        for (const std::uint32_t index : stored)
            received.mark(index);
        lines << QLatin1String(what) + u": "_s + MissingPacketsLine(received).value_or(u"none"_s);
    }
    EXPECT_GOLDEN("mms/missing_packets", lines);
}
