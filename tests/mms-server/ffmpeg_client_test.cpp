// ffmpeg's own MMS client (mmst://) against the server process.

#include "mms-server/scripted_client.h"

#include "support/asf_sample.h"
#include "support/ffprobe.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tovrin::test {
namespace {

// The codecs and duration ffprobe sees in a file.
std::pair<QStringList, double> probe(const QString& path)
{
    const QJsonObject info = Probe(path);
    QStringList codecs;
    for (const QJsonValue stream : info.value(u"streams").toArray())
        codecs << stream.toObject().value(u"codec_name").toString();
    return {codecs, info.value(u"format").toObject().value(u"duration").toString().toDouble()};
}

// Live points are recorded by tovrin-cli (Record.LivePointIsRebasedAndPatchedIntoASeekableFile)
// and by VLC and libmms (PeerClients).
TEST(FfmpegMmstClient, RecordsEveryFfmpegSampleWithItsStreamsAndDuration)
{
    ServerProcess server(QFileInfo(SamplePath(Sample::Wmv)).absolutePath(), Args(u"--rate 0"));
    ASSERT_TRUE(server.started());
    QTemporaryDir out;
    for (const auto sample : {Sample::Wmv, Sample::Wma, Sample::Msmpeg4}) {
        const QString file = SamplePath(sample);
        const QString name = QFileInfo(file).fileName();
        const QString recorded = out.filePath(QStringLiteral("recorded-") + name);
        const QString url = server.url(name, QStringLiteral("mmst"));
        ASSERT_EQ(
            RunProgram(QStringLiteral("ffmpeg"),
                       (Args(u"-hide_banner -loglevel error -y -i") << url) + (Args(u"-c copy -f asf") << recorded),
                       nullptr, 60000),
            0)
            << name.toStdString() << "\n"
            << server.log().toStdString();
        const auto [wantCodecs, wantDuration] = probe(file);
        const auto [codecs, duration] = probe(recorded);
        ASSERT_FALSE(wantCodecs.isEmpty());
        EXPECT_EQ(codecs, wantCodecs) << name.toStdString();
        EXPECT_NEAR(duration, wantDuration, 0.1) << name.toStdString();
    }
    EXPECT_EQ(server.stop(), 0);
}

}  // namespace
}  // namespace tovrin::test
