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

int record(std::uint16_t port, const QString& name, const QString& out)
{
    const QString url = QStringLiteral("mmst://127.0.0.1:%1/%2").arg(port).arg(name);
    return RunProgram(QStringLiteral("ffmpeg"),
                      (Args(u"-hide_banner -loglevel error -y -i") << url) + (Args(u"-c copy -f asf") << out), nullptr,
                      60000);
}

// Live points are recorded by tovrin-cli (Record.LivePointIsRebasedAndPatchedIntoASeekableFile)
// and by VLC and libmms (PeerClients).
TEST(FfmpegMmstClient, RecordsEveryFfmpegSampleWithItsStreamsAndDuration)
{
    ServerProcess server;
    ASSERT_TRUE(server.start(QStringList{QStringLiteral("--root"), QFileInfo(SamplePath(Sample::Wmv)).absolutePath()}
                             + Args(u"--rate 0")));
    QTemporaryDir out;
    for (const auto sample : {Sample::Wmv, Sample::Wma, Sample::Msmpeg4}) {
        const QString file = SamplePath(sample);
        const QString name = QFileInfo(file).fileName();
        const QString recorded = out.filePath(QStringLiteral("recorded-") + name);
        ASSERT_EQ(record(server.port(), name, recorded), 0) << name.toStdString() << "\n" << server.log().toStdString();
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
