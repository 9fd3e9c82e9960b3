// tovrin-cli record against a server nobody here wrote: VLC's MMSH streaming
// output, run as an unprivileged user (VLC refuses root).

#include "asf/byte_helpers.h"
#include "asf/packet_parser.h"
#include "support/asf_sample.h"
#include "support/ffprobe.h"
#include "support/mmsh_get.h"
#include "support/recording_checks.h"
#include "support/vlc_process.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QThread>

#include <map>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;

TEST(RecordVlc, AVlcMmshBroadcastIsRecordedPacketForPacketAndEndsCleanlyWithoutEndOfStream)
{
    if (!VlcProcess::available())
        GTEST_SKIP() << "cvlc is not installed (scripts/install-deps installs it)";
    VlcProcess vlc;
    const QString media = vlc.share(SamplePath(Sample::Wmv));
    const quint16 port = ClosedPort();
    ASSERT_TRUE(vlc.start({media, QStringLiteral("--play-and-exit"), QStringLiteral("--sout"),
                           QStringLiteral("#std{access=mmsh,mux=asfh,dst=127.0.0.1:%1/}").arg(port)}));

    // VLC answers with an empty body until its muxer has made the header.
    const QDeadlineTimer ready(15000);
    const QByteArray close = "Connection: Close\r\n";
    const auto headerSeen = [](const QByteArray& all) { return all.contains("$H"); };
    while (!ready.hasExpired() && MmshGet(port, "/", "no-cache", close, QDeadlineTimer(500), headerSeen).chunks.empty())
        QThread::msleep(100);
    ASSERT_FALSE(ready.hasExpired()) << "VLC served no header\n" << vlc.log().toStdString();

    // The recorder and an independent reader of the same broadcast, side by side.
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("vlc.asf"));
    auto recorder = StartCli(
        {QStringLiteral("record"), QStringLiteral("mmsh://127.0.0.1:%1/").arg(port), QStringLiteral("-o"), out},
        dir.filePath(QStringLiteral("config")));
    const MmshAnswer watched =
        MmshGet(port, "/", "no-cache,xPlayStrm=1", close, QDeadlineTimer(60000), [&](const QByteArray&) {
            recorder->waitForFinished(0);  // reaps it when it ends
            return false;
        });
    ASSERT_TRUE(recorder->waitForFinished(15000));
    const QString log = QString::fromUtf8(recorder->readAllStandardError());
    EXPECT_EQ(recorder->exitCode(), 0) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("- MMSH: the server closed the broadcast"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("- ASF 標題檔案主題已修正")));

    const QJsonObject probed = Probe(out);
    ASSERT_FALSE(probed.isEmpty()) << "ffprobe cannot read the recording";
    EXPECT_EQ(probed.value(QStringLiteral("streams")).toArray().size(), 2);
    EXPECT_GT(ProbeDuration(out), 1.0);

    // Every recorded packet is the broadcast's packet of its LocationId, its
    // times rebased to the recording's first send time.
    const AsfParts recorded = ReadAsf(out);
    ASSERT_GT(recorded.packets.size(), 10u);
    // The broadcast's $D chunks as the other client read them: each
    // LocationId's packet, padded to the packet size.
    std::map<std::uint32_t, QByteArray> broadcast;
    for (const MmshChunk& chunk : watched.chunks) {
        if (chunk.type == 'D')
            broadcast[chunk.location] = chunk.payload.leftJustified(recorded.packetSize, '\0');
    }
    bool matched = false;
    for (const auto& [location, packet] : broadcast) {
        const std::uint32_t sendTime = LE32At(packet, SendTimeOffset(packet)).value_or(0);
        std::vector<QByteArray> expected;
        for (auto at = broadcast.find(location); at != broadcast.end() && at->first == location + expected.size()
                                                 && expected.size() < recorded.packets.size();
             ++at) {
            expected.push_back(at->second);
            (void)RebaseTimecodes(expected.back(), sendTime);
        }
        matched = matched || expected == recorded.packets;
    }
    EXPECT_TRUE(matched) << "the recording is not the broadcast's packets from one LocationId on";
}
