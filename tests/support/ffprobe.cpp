#include "support/ffprobe.h"

#include "support/asf_sample.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>

#include <algorithm>

namespace tovrin::test {

// ffprobe's JSON answer on `path` to `args`; empty when it fails.
static QJsonObject Ffprobe(const QStringList& args, const QString& path)
{
    QByteArray out;
    const int rc = RunProgram(QStringLiteral("ffprobe"), Args(u"-v error -of json") + args << path, &out);
    return rc == 0 ? QJsonDocument::fromJson(out).object() : QJsonObject();
}

QJsonObject Probe(const QString& path)
{
    return Ffprobe(Args(u"-show_streams -show_format"), path);
}

QList<double> PacketTimes(const QString& path, const QStringList& readArgs)
{
    QList<double> times;
    for (const QJsonValue packet :
         Ffprobe(readArgs + Args(u"-show_entries packet=pts_time"), path).value(u"packets").toArray())
        times << packet.toObject().value(u"pts_time").toString().toDouble();
    return times;
}

QList<double> PacketTimesAfterSeek(const QString& path, double seconds, int count)
{
    return PacketTimes(path, {QStringLiteral("-read_intervals"), QStringLiteral("%1%+#%2").arg(seconds).arg(count)});
}

QList<int> PacketStreams(const QString& path)
{
    QList<int> streams;
    for (const QJsonValue packet :
         Ffprobe(Args(u"-show_entries packet=stream_index"), path).value(u"packets").toArray()) {
        if (const int index = packet.toObject().value(u"stream_index").toInt(); !streams.contains(index))
            streams << index;
    }
    std::sort(streams.begin(), streams.end());
    return streams;
}

double ProbeDuration(const QString& path)
{
    bool ok = false;
    const double seconds = Probe(path).value(u"format").toObject().value(u"duration").toString().toDouble(&ok);
    return ok ? seconds : -1;
}

QStringList ProbeStreamTypes(const QString& path)
{
    QStringList types;
    for (const QJsonValue stream : Probe(path).value(u"streams").toArray())
        types << stream.toObject().value(u"codec_type").toString();
    return types;
}

QStringList DecodeErrors(const QString& path)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"), (Args(u"-nostdin -v error -i") << path) + Args(u"-f null -"));
    if (!ffmpeg.waitForFinished(120000) || ffmpeg.exitStatus() != QProcess::NormalExit)
        return {QStringLiteral("ffmpeg did not finish")};
    QStringList lines = QString::fromUtf8(ffmpeg.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts);
    if (ffmpeg.exitCode() != 0)
        lines << QStringLiteral("ffmpeg exit %1").arg(ffmpeg.exitCode());
    return lines;
}

}  // namespace tovrin::test
