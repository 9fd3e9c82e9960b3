// Independent MMS clients against tovrin-mms-server: VLC and a libmms
// downloader (libmms_fetch.c) must read from it what they read from a real
// server. GStreamer's mmssrc is not packaged for Debian 12 and is left out.

#include "support/asf_sample.h"
#include "support/ffprobe.h"
#include "support/recording_checks.h"
#include "support/server_process.h"
#include "support/vlc_process.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

#include <gtest/gtest.h>

using namespace tovrin::test;

namespace {

// A peer that is not installed fails the test in CI, where scripts/install-deps
// has put it there; on a developer's machine the test is skipped.
#define REQUIRE_PEER(available, what)                                                \
    if (!(available)) {                                                              \
        if (qEnvironmentVariable("CI") == QLatin1String("true"))                     \
            FAIL() << what << " is missing: scripts/install-deps installs it";       \
        else                                                                         \
            GTEST_SKIP() << what << " is missing: scripts/install-deps installs it"; \
    }

QString libmmsFetch()
{
#ifdef TOVRIN_LIBMMS_FETCH
    return QStringLiteral(TOVRIN_LIBMMS_FETCH);
#else
    return {};
#endif
}

// The samples the server serves, each under its own name.
struct Media {
    QTemporaryDir dir;
    QString add(Sample sample) const
    {
        const QString target = dir.filePath(QFileInfo(SamplePath(sample)).fileName());
        QFile::copy(SamplePath(sample), target);
        return target;
    }
};

// VLC's access output as it reads it (the demux dumps the bytes to a file);
// empty when VLC does not end by itself.
QByteArray vlcDump(const QString& url, QString* log)
{
    VlcProcess vlc;
    const QString out = vlc.folder() + QStringLiteral("/dump.asf");
    const bool ended =
        vlc.start({url, QStringLiteral("--no-plugins-cache"), QStringLiteral("--demux"), QStringLiteral("dump"),
                   QStringLiteral("--demuxdump-file=") + out, QStringLiteral("vlc://quit")})
        && vlc.waitForFinished(30000);
    *log = QString::fromLocal8Bit(vlc.log());
    return ended ? ReadWholeFile(out) : QByteArray();
}

struct LibmmsResult {
    bool ok = false;
    int seekable = -1;
    QString report;
};

LibmmsResult libmms(const QString& url, const QString& out, qint64 maxBytes = -1)
{
    QStringList args{url, out};
    if (maxBytes >= 0)
        args << QString::number(maxBytes);
    QByteArray printed;
    LibmmsResult result;
    result.ok = RunProgram(libmmsFetch(), args, &printed, 30000) == 0;
    result.report = QString::fromUtf8(printed);
    const auto match = QRegularExpression(QStringLiteral("seekable=(\\d+)")).match(result.report);
    if (match.hasMatch())
        result.seekable = match.captured(1).toInt();
    return result;
}

// What a client reads of an on-demand file: its header and its data packets.
QByteArray servedBytes(const QString& source)
{
    const AsfParts parts = ReadAsf(source);
    QByteArray bytes = parts.header;
    for (const QByteArray& packet : parts.packets)
        bytes += packet;
    return bytes;
}

}  // namespace

TEST(PeerClients, OnDemandOverTcpVlcAndLibmmsReadTheFileByteForByte)
{
    REQUIRE_PEER(VlcProcess::available(), "VLC (vlc-bin, vlc-plugin-base)");
    REQUIRE_PEER(!libmmsFetch().isEmpty(), "libmms (libmms-dev)");
    const Media media;
    const QString wmv = media.add(Sample::Wmv);
    const QString wma = media.add(Sample::Wma);
    ServerProcess server(media.dir.path(), Args(u"--rate 0"));
    ASSERT_TRUE(server.started());
    for (const QString& source : {wmv, wma}) {
        const QString name = QFileInfo(source).fileName();
        const QByteArray want = servedBytes(source);

        QString log;
        EXPECT_TRUE(vlcDump(server.url(name, QStringLiteral("mmst")), &log) == want)
            << "VLC, " << name.toStdString() << "\n"
            << log.toStdString();

        // libmms asks for MMS over HTTP first, on the mms:// address's port:
        // the server answers it there over MMSH, and libmms needs no MMS.
        const QString byLibmms = media.dir.filePath(QStringLiteral("libmms-") + name);
        const LibmmsResult fetched = libmms(server.url(name), byLibmms);
        EXPECT_TRUE(fetched.ok) << fetched.report.toStdString();
        EXPECT_EQ(fetched.seekable, 1) << fetched.report.toStdString();
        EXPECT_TRUE(ReadWholeFile(byLibmms) == want) << "libmms, " << name.toStdString();
    }
    // VLC's two sessions went over MMS, libmms's only over MMSH.
    const QString log = server.log();
    EXPECT_EQ(log.count(QRegularExpression(QStringLiteral("session \\d+ \\S+: connected\n"))), 2) << log.toStdString();
    for (const QString& source : {wmv, wma})
        EXPECT_TRUE(log.contains(QStringLiteral(": play ") + QFileInfo(source).fileName())) << log.toStdString();
    EXPECT_FALSE(log.contains(QLatin1String("malformed command"))) << log.toStdString();
}

TEST(PeerClients, VlcOpensAUdpStreamFiveTimesInFive)
{
    REQUIRE_PEER(VlcProcess::available(), "VLC (vlc-bin, vlc-plugin-base)");
    const Media media;
    const QString source = media.add(Sample::Msmpeg4);
    const QString name = QFileInfo(source).fileName();
    const QByteArray want = servedBytes(source);
    // Paced: datagrams sent faster than VLC reads them would be lost, which
    // is not what this is about.
    ServerProcess server(media.dir.path(), Args(u"--rate 4"));
    ASSERT_TRUE(server.started());
    int whole = 0;
    for (int open = 0; open < 5; ++open) {
        QString log;
        const bool same = vlcDump(server.url(name, QStringLiteral("mmsu")), &log) == want;
        EXPECT_TRUE(same) << "open " << open << "\n" << log.toStdString();
        whole += same ? 1 : 0;
    }
    EXPECT_EQ(whole, 5) << server.log().toStdString();
    EXPECT_TRUE(server.log().contains(u"UDP")) << "the data went over UDP";
}

TEST(PeerClients, LivePointsInBothStylesPlayPastTheLoopInVlcAndAreNotSeekableForLibmms)
{
    REQUIRE_PEER(VlcProcess::available(), "VLC (vlc-bin, vlc-plugin-base)");
    REQUIRE_PEER(!libmmsFetch().isEmpty(), "libmms (libmms-dev)");
    const Media media;
    const QString source = media.add(Sample::Wma);  // plays 6 s, looped by the live point
    constexpr int kSeconds = 9;
    struct Style {
        QString name;
        std::unique_ptr<ServerProcess> server;
        std::unique_ptr<VlcProcess> vlc;
        QString out;
    };
    Style styles[] = {{QStringLiteral("count"), nullptr, nullptr, {}}, {QStringLiteral("mmsp"), nullptr, nullptr, {}}};
    // Both record at once: a live point plays in real time.
    for (Style& style : styles) {
        style.server = std::make_unique<ServerProcess>(
            media.dir.path(), QStringList{QStringLiteral("--live"), QStringLiteral("news=") + source,
                                          QStringLiteral("--live-style"), style.name});
        ASSERT_TRUE(style.server->started());
        style.vlc = std::make_unique<VlcProcess>();
        style.out = style.vlc->folder() + QStringLiteral("/live.asf");
        ASSERT_TRUE(style.vlc->start(
            {style.server->url(QStringLiteral("news"), QStringLiteral("mmst")), QStringLiteral("--no-plugins-cache"),
             QStringLiteral("--run-time=%1").arg(kSeconds),
             QStringLiteral("--sout=#std{access=file,mux=asf,dst=%1}").arg(style.out), QStringLiteral("vlc://quit")}));
    }
    for (Style& style : styles) {
        const LibmmsResult fetched = libmms(style.server->url(QStringLiteral("news")),
                                            media.dir.filePath(QStringLiteral("libmms-%1.asf").arg(style.name)), 4000);
        EXPECT_TRUE(fetched.ok) << style.name.toStdString() << ": " << fetched.report.toStdString();
        EXPECT_EQ(fetched.seekable, 0) << style.name.toStdString() << ": " << fetched.report.toStdString();
    }
    const double loop = ProbeDuration(source);
    ASSERT_GT(loop, 0);
    for (Style& style : styles) {
        const bool ended = style.vlc->waitForFinished(kSeconds * 1000 + 20000);
        const std::string log = style.name.toStdString() + "\n" + style.vlc->log().toStdString();
        ASSERT_TRUE(ended) << log;
        // A header that described the looped file would end VLC's reading at its length.
        const QList<double> times = PacketTimesAfterSeek(style.out, 0, 1 << 20);
        EXPECT_GT(times.isEmpty() ? -1 : *std::max_element(times.begin(), times.end()), loop + 1.0) << log;
    }
}
