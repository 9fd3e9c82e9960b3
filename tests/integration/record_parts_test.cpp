// A broadcast recorded in parts, and the limits that end a recording whole.

#include "asf/data_packet_reader.h"
#include "asf/packet_parser.h"
#include "support/asf_sample.h"
#include "support/ffprobe.h"
#include "support/recording_checks.h"
#include "support/server_process.h"
#include "support/workspace.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <future>

using namespace tovrin;
using namespace tovrin::test;
using namespace Qt::StringLiterals;

namespace {

// A packet with its times counted from its own send time: the same packet
// whichever file's start its recording rebased it to.
QByteArray Normalized(QByteArray packet)
{
    DataPacketFacts facts;
    if (ReadDataPacket(packet, facts))
        RebaseTimecodes(packet, facts.sendTime);
    return packet;
}

}  // namespace

// Recorded at once from the same live point, in parts of 3 s and whole: the
// parts, in order, hold the whole recording's packets with none lost or
// repeated; each part is a whole file of its own (check) and each after the
// first starts at time 0 with a key frame of the video and decodes without
// a fault. Over MMS and MMSH.
TEST(RecordParts, PartsOfABroadcastHoldTheWholeRecordingsPacketsInOrder)
{
    Workspace w;
    ASSERT_TRUE(QFile::copy(SamplePath(Sample::WmvLong), w.media + u"/long.wmv"_s));
    ServerProcess server(w.media, Args(u"--http-port 0 --live") << u"news="_s + w.media + u"/long.wmv"_s);
    ASSERT_TRUE(server.started());
    const QString urls[] = {server.url(u"news"_s), server.mmshUrl(u"news"_s)};
    std::vector<std::future<CliOutcome>> runs;
    for (int t = 0; t < 4; ++t) {
        // Each whole recording starts first and ends last: it spans the parts.
        const QStringList extra = Args(t % 2 ? u"--duration 11 --split-every 3s" : u"--duration 15");
        const CliLaunch launch = RecordLaunch(urls[t / 2], w.out(u"rec%1.wmv"_s.arg(t)), w.config, extra);
        runs.push_back(std::async(std::launch::async, [launch] { return RunCli(launch); }));
    }
    for (int t = 0; t < 2; ++t) {
        SCOPED_TRACE(urls[t].toStdString());
        const CliOutcome whole = runs[t * 2].get(), parted = runs[t * 2 + 1].get();
        ASSERT_TRUE(whole.exitCode == 0 && parted.exitCode == 0) << whole.err.toStdString() << parted.err.toStdString();
        std::vector<QByteArray> wholePackets, partPackets;
        for (const QByteArray& packet : ReadAsf(w.out(u"rec%1.wmv"_s.arg(t * 2))).packets)
            wholePackets.push_back(Normalized(packet));
        int n = 1;
        for (QString path = w.out(u"rec%1.wmv"_s.arg(t * 2 + 1)); QFileInfo::exists(path);
             path = w.out(u"rec%1 (%2).wmv"_s.arg(t * 2 + 1).arg(++n))) {
            SCOPED_TRACE(path.toStdString());
            ExpectCheckSaysWhole(path);
            const AsfParts file = ReadAsf(path);
            ASSERT_FALSE(file.packets.empty());
            for (const QByteArray& packet : file.packets)
                partPackets.push_back(Normalized(packet));
            // The first part begins where the broadcast was joined, as the
            // whole recording does; every later one with a key frame.
            if (n == 1)
                continue;
            EXPECT_TRUE(parted.err.contains(u"- 第 %1 段開始"_s.arg(n)));
            EXPECT_EQ(DecodeErrors(path), QStringList());
            DataPacketFacts first;
            ASSERT_TRUE(ReadDataPacket(file.packets.front(), first));
            // Stream 1 is the sample's video: the part opens with a key frame's start.
            const auto video = std::find_if(first.payloads.begin(), first.payloads.end(),
                                            [](const PayloadFacts& p) { return p.stream == 1; });
            EXPECT_TRUE(first.sendTime == 0 && video != first.payloads.end() && video->keyFrame && video->offset == 0);
        }
        EXPECT_GE(n, 4) << parted.err.toStdString();
        // The parts' packets are a stretch of the whole recording's, in order;
        // the two joined the broadcast within a few packets of each other.
        std::size_t joinedLater = 0;
        while (joinedLater < 5
               && std::search(wholePackets.begin(), wholePackets.end(), partPackets.begin() + joinedLater,
                              partPackets.end())
                      == wholePackets.end())
            ++joinedLater;
        EXPECT_LT(joinedLater, 5u) << partPackets.size() << " packets in parts, " << wholePackets.size() << " whole";
    }
}

// --max-size ends the recording whole within one packet of the size, and
// --min-free before the disk has less free than asked; both are a normal end
// (exit 0) that the log tells.
TEST(RecordParts, SizeLimitsEndTheRecordingWholeAndSaySo)
{
    Workspace w;
    ServerProcess server(w.media, Args(u"--live") << u"news="_s + w.source());
    ASSERT_TRUE(server.started());
    const QString capped = w.out(u"capped.wmv"_s), full = w.out(u"full.wmv"_s);
    const CliOutcome cap = RunCli(RecordLaunch(server.url(u"news"_s), capped, w.config, Args(u"--max-size 200K")));
    EXPECT_EQ(cap.exitCode, 0) << cap.err.toStdString();
    EXPECT_TRUE(cap.err.contains(u"大小上限 200 KB"_s)) << cap.err.toStdString();
    const qint64 size = QFileInfo(capped).size();
    EXPECT_LE(size, 200 * 1024 + qint64(ReadAsf(capped).packetSize));
    EXPECT_GT(size, 150 * 1024);
    ExpectCheckSaysWhole(capped);

    const CliOutcome disk = RunCli(RecordLaunch(server.url(u"news"_s), full, w.config, Args(u"--min-free 1000000T")));
    EXPECT_EQ(disk.exitCode, 0) << disk.err.toStdString();
    EXPECT_TRUE(disk.err.contains(u"剩餘空間即將低於"_s)) << disk.err.toStdString();
    ExpectCheckSaysWhole(full);
}
