#include "locations/session_log.h"

#include "asf/name_rules.h"

#include <QStringEncoder>

namespace tovrin {

QByteArray EncodeSessionLog(const QStringList& lines)
{
    QStringEncoder big5("Big5");
    QByteArray content;
    for (const QString& line : lines) {
        content += big5(line);
        content += '\n';
    }
    return content;
}

QString DefaultLogName(const QString& savePath, const QString& mediaLocation)
{
    const QString source = !savePath.isEmpty() ? savePath : mediaLocation;
    if (source.isEmpty())
        return QStringLiteral("default_tovrin.log");
    return NameBeforeExtension(NameAfterSeparator(source)) + QStringLiteral(".log");
}

}  // namespace tovrin
