// ffmpeg's own MMS client (mmst://) against the server process.

#include "mms-server/scripted_client.h"

#include "support/asf_sample.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tovrin::test {
namespace {

struct Probe {
    QStringList codecs;
    double duration = -1;
};

Probe probe(const QString& path)
{
    QByteArray out;
    const int rc = RunProgram(QStringLiteral("ffprobe"),
                              {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                               QStringLiteral("stream=codec_name:format=duration"), QStringLiteral("-of"),
                               QStringLiteral("default=noprint_wrappers=1"), path},
                              &out, 30000);
    Probe result;
    if (rc != 0)
        return result;
    for (const QString& line : QString::fromUtf8(out).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("codec_name=")))
            result.codecs << line.mid(11);
        else if (line.startsWith(QLatin1String("duration=")))
            result.duration = line.mid(9).toDouble();
    }
    return result;
}

int record(std::uint16_t port, const QString& name, const QString& out, const QStringList& more = {})
{
    const QString url = QStringLiteral("mmst://127.0.0.1:%1/%2").arg(port).arg(name);
    return RunProgram(QStringLiteral("ffmpeg"),
                      QStringList{QStringLiteral("-hide_banner"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                                  QStringLiteral("-y"), QStringLiteral("-i"), url}
                          + more
                          + QStringList{QStringLiteral("-c"), QStringLiteral("copy"), QStringLiteral("-f"),
                                        QStringLiteral("asf"), out},
                      nullptr, 60000);
}

TEST(FfmpegMmstClient, RecordsEveryFfmpegSampleWithItsStreamsAndDuration)
{
    const QString root = QFileInfo(SamplePath(Sample::Wmv)).absolutePath();
    ServerProcess server;
    ASSERT_TRUE(server.start({QStringLiteral("--root"), root, QStringLiteral("--rate"), QStringLiteral("0")}));
    QTemporaryDir out;
    for (const auto sample : {Sample::Wmv, Sample::Wma, Sample::Msmpeg4}) {
        const QString source = SamplePath(sample);
        const QString name = QFileInfo(source).fileName();
        const QString recorded = out.filePath(QStringLiteral("recorded-") + name);
        ASSERT_EQ(record(server.port(), name, recorded), 0) << name.toStdString() << "\n"
                                                              << server.log().toStdString();
        const Probe want = probe(source);
        const Probe got = probe(recorded);
        ASSERT_FALSE(want.codecs.isEmpty());
        EXPECT_EQ(got.codecs, want.codecs) << name.toStdString();
        EXPECT_NEAR(got.duration, want.duration, 0.1) << name.toStdString();
    }
    EXPECT_EQ(server.stop(), 0);
}

TEST(FfmpegMmstClient, RecordsALivePointForAFewSeconds)
{
    const QString source = SamplePath(Sample::Wmv);
    ServerProcess server;
    ASSERT_TRUE(server.start({QStringLiteral("--root"), QFileInfo(source).absolutePath(), QStringLiteral("--live"),
                              QStringLiteral("news=") + source}));
    QTemporaryDir out;
    const QString recorded = out.filePath(QStringLiteral("news.asf"));
    ASSERT_EQ(record(server.port(), QStringLiteral("news"), recorded, {QStringLiteral("-t"), QStringLiteral("3")}), 0)
        << server.log().toStdString();
    const Probe got = probe(recorded);
    EXPECT_EQ(got.codecs, probe(source).codecs);
    EXPECT_GT(got.duration, 2.5);
    EXPECT_LT(got.duration, 4.5);
    EXPECT_EQ(server.stop(), 0);
}

}  // namespace
}  // namespace tovrin::test
