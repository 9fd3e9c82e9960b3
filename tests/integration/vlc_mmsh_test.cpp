// tovrin-cli record against a server nobody here wrote: VLC's MMSH streaming
// output, run as an unprivileged user (VLC refuses root).

#include "asf/byte_helpers.h"
#include "asf/packet_parser.h"
#include "integration/processes.h"
#include "support/asf_sample.h"
#include "support/fake_shell.h"
#include "support/ffprobe.h"
#include "support/vlc_process.h"

#include <QDeadlineTimer>
#include <QJsonArray>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>

#include <map>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;

namespace {

// A $D chunk's LocationId and payload, read independently of the recorder.
std::map<std::uint32_t, QByteArray> DataChunks(QByteArrayView body, std::uint32_t packetSize)
{
    std::map<std::uint32_t, QByteArray> packets;
    while (body.size() >= 4) {
        const std::uint16_t length = *LE16At(body, 2);
        if (body.size() < 4 + length)
            break;
        if (body[1] == 'D' && length >= 8) {
            QByteArray payload = body.sliced(12, length - 8).toByteArray();
            payload.append(qsizetype(packetSize) - std::min<qsizetype>(packetSize, payload.size()), '\0');
            packets[*LE32At(body, 4)] = payload;
        }
        body = body.sliced(4 + length);
    }
    return packets;
}

// One MMSH request; the bytes after the reply head, read until the server
// closes, `until` passes or (when given) the recorder has ended.
QByteArray Exchange(quint16 port, bool play, const QDeadlineTimer& until, QProcess* recorder = nullptr)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(1000))
        return {};
    socket.write(QByteArray("GET / HTTP/1.0\r\nUser-Agent: NSPlayer/7.0.0.1956\r\nHost: 127.0.0.1\r\nPragma: no-cache")
                 + (play ? ",xPlayStrm=1" : "") + "\r\nConnection: Close\r\n\r\n");
    QByteArray all;
    while (socket.state() == QAbstractSocket::ConnectedState && !until.hasExpired()) {
        socket.waitForReadyRead(50);
        all += socket.readAll();
        if (recorder)
            recorder->waitForFinished(0);
        if (!play && all.contains("$H"))
            break;
    }
    all += socket.readAll();
    const qsizetype head = all.indexOf("\r\n\r\n");
    return head < 0 ? QByteArray() : all.mid(head + 4);
}

}  // namespace

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
    while (!ready.hasExpired() && Exchange(port, false, QDeadlineTimer(500)).isEmpty())
        QThread::msleep(100);
    ASSERT_FALSE(ready.hasExpired()) << "VLC served no header\n" << vlc.log().toStdString();

    // The recorder and an independent reader of the same broadcast, side by side.
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("config"));
    const QString out = dir.filePath(QStringLiteral("vlc.asf"));
    auto recorder = StartCli({QStringLiteral("record"), QStringLiteral("mmsh://127.0.0.1:%1/").arg(port),
                              QStringLiteral("-o"), out},
                             config);
    const QByteArray watched = Exchange(port, true, QDeadlineTimer(60000), recorder.get());
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
    const std::map<std::uint32_t, QByteArray> broadcast = DataChunks(watched, recorded.packetSize);
    FakeShell shell;
    std::optional<std::uint32_t> first;
    std::uint32_t firstSendTime = 0;
    for (const auto& [location, packet] : broadcast) {
        QByteArray candidate = packet;
        const std::uint32_t sendTime = LE32At(packet, SendTimeOffset(packet)).value_or(0);
        if (RebaseTimecodes(candidate, sendTime, shell) && candidate == recorded.packets.front()) {
            first = location;
            firstSendTime = sendTime;
            break;
        }
    }
    ASSERT_TRUE(first) << "the first recorded packet is none of the broadcast's";
    for (std::size_t i = 0; i < recorded.packets.size(); ++i) {
        const auto found = broadcast.find(*first + std::uint32_t(i));
        ASSERT_NE(found, broadcast.end()) << "slot " << i;
        QByteArray expected = found->second;
        RebaseTimecodes(expected, firstSendTime, shell);
        ASSERT_EQ(recorded.packets[i], expected) << "slot " << i;
    }
}
