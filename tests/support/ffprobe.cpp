#include "support/ffprobe.h"

#include "support/asf_sample.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace tovrin::test {

QJsonObject Probe(const QString& path)
{
    QByteArray out;
    const int rc = RunProgram(QStringLiteral("ffprobe"),
                              {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_streams"),
                               QStringLiteral("-show_format"), QStringLiteral("-of"), QStringLiteral("json"), path},
                              &out);
    return rc == 0 ? QJsonDocument::fromJson(out).object() : QJsonObject();
}

QList<double> PacketTimesAfterSeek(const QString& path, double seconds, int count)
{
    QByteArray out;
    const int rc = RunProgram(QStringLiteral("ffprobe"),
                              {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-read_intervals"),
                               QStringLiteral("%1%+#%2").arg(seconds).arg(count), QStringLiteral("-show_entries"),
                               QStringLiteral("packet=pts_time"), QStringLiteral("-of"), QStringLiteral("json"), path},
                              &out);
    QList<double> times;
    if (rc != 0)
        return times;
    for (const QJsonValue packet : QJsonDocument::fromJson(out).object().value(u"packets").toArray())
        times << packet.toObject().value(u"pts_time").toString().toDouble();
    return times;
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

}  // namespace tovrin::test
