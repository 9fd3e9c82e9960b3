// The server's MMSH side: ffmpeg's mmsh client against the server process,
// and the framing and request handling seen through a raw HTTP exchange.

#include "mms-server/scripted_client.h"

#include "support/asf_sample.h"
#include "support/vlc_process.h"

#include "asf/byte_helpers.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <algorithm>
#include <map>

#include <gtest/gtest.h>

namespace tovrin::test {
namespace {

QStringList ffmpegInput(const QString& url)
{
    return {QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
            QStringLiteral("-y"),           QStringLiteral("-i"),        url};
}

// ffmpeg's per-packet digest of every stream, as read from `input`.
QByteArray frameDigests(const QString& input, const QStringList& more = {})
{
    QByteArray out;
    const int rc = RunProgram(QStringLiteral("ffmpeg"),
                              ffmpegInput(input) + more
                                  + QStringList{QStringLiteral("-map"), QStringLiteral("0"), QStringLiteral("-c"),
                                                QStringLiteral("copy"), QStringLiteral("-f"),
                                                QStringLiteral("framemd5"), QStringLiteral("-")},
                              &out, 60000);
    return rc == 0 ? out : QByteArray();
}

// One chunk of the framing, read independently of the server's code.
struct Chunk {
    char type = 0;
    std::uint16_t length = 0;
    std::uint32_t location = 0;
    std::uint8_t afFlags = 0;
    QByteArray payload;
};

struct Exchange {
    QByteArray head;
    std::vector<Chunk> chunks;
    bool complete = false;  // the body split into whole chunks
};

// Sends one request and reads until the server closes (at most 10 s).
Exchange Fetch(std::uint16_t port, const QByteArray& path, const QByteArray& pragma, const QByteArray& extra = {})
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    Exchange exchange;
    if (!socket.waitForConnected(5000))
        return exchange;
    socket.write("GET " + path + " HTTP/1.0\r\nUser-Agent: NSPlayer/7.0.0.1956\r\nHost: 127.0.0.1\r\nPragma: "
                 + pragma + "\r\n" + extra + "\r\n");
    QByteArray all;
    const QDeadlineTimer deadline(10000);
    while (socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
        socket.waitForReadyRead(100);
        all += socket.readAll();
    }
    all += socket.readAll();
    const qsizetype end = all.indexOf("\r\n\r\n");
    if (end < 0)
        return exchange;
    exchange.head = all.left(end);
    QByteArrayView body = QByteArrayView(all).sliced(end + 4);
    while (body.size() >= 4) {
        Chunk chunk;
        chunk.type = body[1];
        chunk.length = *LE16At(body, 2);
        if (body.size() < 4 + chunk.length)
            return exchange;
        if (chunk.type == 'H' || chunk.type == 'D') {
            chunk.location = *LE32At(body, 4);
            chunk.afFlags = std::uint8_t(body[9]);
            chunk.payload = body.sliced(12, chunk.length - 8).toByteArray();
        } else {
            chunk.payload = body.sliced(4, chunk.length).toByteArray();
        }
        exchange.chunks.push_back(chunk);
        body = body.sliced(4 + chunk.length);
    }
    exchange.complete = body.isEmpty();
    return exchange;
}

class MmshServer : public ::testing::Test {
protected:
    bool start(const QStringList& more = {})
    {
        return server.start(QStringList{QStringLiteral("--root"), QFileInfo(source).absolutePath(),
                                        QStringLiteral("--rate"), QStringLiteral("0"), QStringLiteral("--http-port"),
                                        QStringLiteral("0")}
                            + more);
    }
    QByteArray path() const { return "/" + QFileInfo(source).fileName().toUtf8(); }

    QString source = SamplePath(Sample::Wmv);
    ServerProcess server;
};

TEST_F(MmshServer, FfmpegRecordsEverySampleFrameIdenticalToTheSource)
{
    ASSERT_TRUE(start());
    for (const auto sample : {Sample::Wmv, Sample::Wma, Sample::Msmpeg4}) {
        const QString file = SamplePath(sample);
        const QString url = QStringLiteral("mmsh://127.0.0.1:%1/%2").arg(server.httpPort()).arg(QFileInfo(file).fileName());
        const QByteArray want = frameDigests(file);
        ASSERT_FALSE(want.isEmpty());
        EXPECT_EQ(frameDigests(url), want) << url.toStdString() << "\n" << server.log().toStdString();
    }
    EXPECT_EQ(server.stop(), 0);
}

TEST_F(MmshServer, FfmpegRecordsALivePointForItsDuration)
{
    ASSERT_TRUE(server.start({QStringLiteral("--root"), QFileInfo(source).absolutePath(), QStringLiteral("--live"),
                              QStringLiteral("news=") + source, QStringLiteral("--http-port"), QStringLiteral("0")}));
    QTemporaryDir out;
    const QString recorded = out.filePath(QStringLiteral("news.asf"));
    const QString url = QStringLiteral("mmsh://127.0.0.1:%1/news").arg(server.httpPort());
    ASSERT_EQ(RunProgram(QStringLiteral("ffmpeg"),
                         ffmpegInput(url)
                             + QStringList{QStringLiteral("-t"), QStringLiteral("3"), QStringLiteral("-c"),
                                           QStringLiteral("copy"), QStringLiteral("-f"), QStringLiteral("asf"), recorded},
                         nullptr, 60000),
              0)
        << server.log().toStdString();
    QByteArray duration;
    RunProgram(QStringLiteral("ffprobe"),
               {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                QStringLiteral("format=duration"), QStringLiteral("-of"), QStringLiteral("csv=p=0"), recorded},
               &duration, 30000);
    EXPECT_NEAR(duration.trimmed().toDouble(), 3.0, 0.8);
    EXPECT_EQ(server.stop(), 0);
}

// VLC's mmsh client remuxes what it receives into out.asf in its folder.
QByteArray vlcRecording(VlcProcess& vlc, const QString& url, const QStringList& more = {})
{
    const QString out = vlc.folder() + QStringLiteral("/out.asf");
    if (!vlc.start(QStringList{url, QStringLiteral("--play-and-exit"), QStringLiteral("--sout"),
                               QStringLiteral("#std{access=file,mux=asf,dst=%1}").arg(out)}
                   + more)
        || !vlc.waitForFinished(60000))
        return {};
    return frameDigests(out);
}

TEST_F(MmshServer, VlcRecordsEachStreamFrameIdenticalToTheSource)
{
    if (!VlcProcess::available())
        GTEST_SKIP() << "cvlc is not installed (scripts/install-deps installs it)";
    ASSERT_TRUE(start());
    VlcProcess vlc;
    // Each stream's frame lines, without the stream index: VLC's muxer
    // writes the codecs' extra data its own way and numbers the streams in
    // its own order.
    const auto streams = [](const QByteArray& digests) {
        std::map<QByteArray, QList<QByteArray>> frames;
        for (const QByteArray& line : digests.split('\n')) {
            const qsizetype comma = line.indexOf(',');
            if (!line.startsWith('#') && comma > 0)
                frames[line.left(comma)] << line.mid(comma + 1);
        }
        QList<QList<QByteArray>> byStream;
        for (auto& [index, lines] : frames)
            byStream << lines;
        std::sort(byStream.begin(), byStream.end());
        return byStream;
    };
    const QList<QList<QByteArray>> want = streams(frameDigests(source));
    const QList<QList<QByteArray>> got = streams(
        vlcRecording(vlc, QStringLiteral("mmsh://127.0.0.1:%1%2").arg(server.httpPort()).arg(QString::fromUtf8(path()))));
    ASSERT_EQ(got.size(), want.size()) << vlc.log().toStdString();
    for (qsizetype s = 0; s < want.size(); ++s) {
        // VLC's own muxer leaves out the last few frames of any stream it ends.
        ASSERT_GT(got[s].size(), want[s].size() * 9 / 10);
        for (qsizetype i = 0; i < got[s].size(); ++i)
            ASSERT_EQ(got[s][i].toStdString(), want[s][i].toStdString()) << "stream " << s << " frame " << i;
    }
}

TEST_F(MmshServer, VlcRecordsALivePointForItsRunTime)
{
    if (!VlcProcess::available())
        GTEST_SKIP() << "cvlc is not installed (scripts/install-deps installs it)";
    ASSERT_TRUE(server.start({QStringLiteral("--root"), QFileInfo(source).absolutePath(), QStringLiteral("--live"),
                              QStringLiteral("news=") + source, QStringLiteral("--http-port"), QStringLiteral("0")}));
    VlcProcess vlc;
    const QByteArray digests = vlcRecording(vlc, QStringLiteral("mmsh://127.0.0.1:%1/news").arg(server.httpPort()),
                                            {QStringLiteral("--run-time=3")});
    ASSERT_FALSE(digests.isEmpty()) << vlc.log().toStdString();
    // VLC writes no duration for a broadcast: the last packet's time tells
    // it, less what VLC buffers before it starts writing (about 0.7 s).
    QByteArray times;
    RunProgram(QStringLiteral("ffprobe"),
               {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                QStringLiteral("packet=pts_time"), QStringLiteral("-of"), QStringLiteral("csv=p=0"),
                vlc.folder() + QStringLiteral("/out.asf")},
               &times, 30000);
    double last = 0;
    for (const QByteArray& line : times.split('\n'))
        last = std::max(last, line.toDouble());
    EXPECT_GT(last, 1.5);
    EXPECT_LT(last, 3.5);
}

TEST_F(MmshServer, DescribeSendsOnlyTheHeaderAndPlayEndsWithEndOfStream)
{
    ASSERT_TRUE(start());
    const AsfParts parts = ReadAsf(source);

    const Exchange describe = Fetch(server.httpPort(), path(), "no-cache,rate=1.000,request-context=1");
    ASSERT_TRUE(describe.complete);
    EXPECT_TRUE(describe.head.startsWith("HTTP/1.0 200 OK"));
    EXPECT_TRUE(describe.head.contains("features=\"seekable"));
    ASSERT_EQ(describe.chunks.size(), 1u);
    EXPECT_EQ(describe.chunks[0].afFlags, 0x0C);
    EXPECT_EQ(describe.chunks[0].payload, parts.header);

    const Exchange play = Fetch(server.httpPort(), path(), "no-cache,xPlayStrm=1,packet-num=3");
    ASSERT_TRUE(play.complete);
    ASSERT_EQ(play.chunks.size(), 1 + parts.packets.size() - 3 + 1);
    EXPECT_EQ(play.chunks.front().type, 'H');
    for (std::size_t i = 1; i + 1 < play.chunks.size(); ++i) {
        const Chunk& data = play.chunks[i];
        ASSERT_EQ(data.type, 'D');
        EXPECT_EQ(data.location, i + 2);
        EXPECT_EQ(data.afFlags, i - 1);
        EXPECT_EQ(data.payload, parts.packets[i + 2]);
    }
    EXPECT_EQ(play.chunks.back().type, 'E');
    EXPECT_EQ(play.chunks.back().payload, QByteArray(4, '\0'));
    EXPECT_EQ(server.stop(), 0);
}

TEST_F(MmshServer, StreamTimeStartsAtTheFirstPacketSentAfterIt)
{
    ASSERT_TRUE(start());
    const Exchange whole = Fetch(server.httpPort(), path(), "xPlayStrm=1");
    const Exchange later = Fetch(server.httpPort(), path(), "xPlayStrm=1,stream-time=3000,packet-num=1");
    ASSERT_TRUE(whole.complete && later.complete);
    ASSERT_GT(later.chunks.size(), 3u);
    EXPECT_LT(later.chunks.size(), whole.chunks.size() * 3 / 4);
    EXPECT_GT(later.chunks[1].location, 1u);  // stream-time goes before packet-num
}

TEST_F(MmshServer, AnswersRefusalsWithHttpStatus)
{
    ASSERT_TRUE(start({QStringLiteral("--auth"), QStringLiteral("ann:secret")}));
    struct Case {
        QByteArray path;
        QByteArray extra;
        QByteArray status;
    };
    const Case cases[] = {
        {path(), {}, "HTTP/1.0 401"},
        {path(), "Authorization: Basic " + QByteArray("ann:wrong").toBase64() + "\r\n", "HTTP/1.0 401"},
        {path(), "Authorization: Basic " + QByteArray("ann:secret").toBase64() + "\r\n", "HTTP/1.0 200"},
        {"/missing.wmv", "Authorization: Basic " + QByteArray("ann:secret").toBase64() + "\r\n", "HTTP/1.0 404"},
    };
    // The MMS port answers HTTP requests the same way.
    for (const std::uint16_t port : {server.httpPort(), server.port()}) {
        for (const Case& c : cases) {
            const Exchange exchange = Fetch(port, c.path, "no-cache", c.extra);
            EXPECT_TRUE(exchange.head.startsWith(c.status)) << port << ": " << exchange.head.toStdString();
        }
        EXPECT_TRUE(Fetch(port, path(), "no-cache").head.contains("WWW-Authenticate: Basic realm=")) << port;
    }
    EXPECT_EQ(server.stop(), 0);
}

}  // namespace
}  // namespace tovrin::test
