#include "cli/recording_config.h"

#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

namespace tovrin {

namespace {

// A recording's settings fit in a few hundred bytes; anything far larger is
// not one, and is never read whole.
constexpr qint64 kMostConfigBytes = 64 * 1024;

const QString kConfigOption = QStringLiteral("--config");

// The file's settings as record options, the address last; the problem
// otherwise.
std::variant<QStringList, QString> OptionsOf(const QByteArray& content)
{
    static const QRegularExpression setting(QStringLiteral("^([a-z][a-z0-9-]*)\\s*=\\s*(.*)$"));
    QStringList options;
    QString address;
    const QList<QByteArray> lines = content.split('\n');
    for (qsizetype number = 1; number <= lines.size(); ++number) {
        const QString line = QString::fromUtf8(lines.at(number - 1)).trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';'))
            continue;
        const QRegularExpressionMatch match = setting.match(line);
        if (!match.hasMatch())
            return QStringLiteral("line %1 is no NAME = VALUE").arg(number);
        const QString name = match.captured(1);
        QString value = match.captured(2);
        if (value.size() >= 2 && value.startsWith(u'"') && value.endsWith(u'"'))
            value = value.mid(1, value.size() - 2);
        if (name == u"address")
            address = value;
        else if (name == u"config" || name == u"help")
            return QStringLiteral("line %1: %2 is no setting of a recording").arg(number).arg(name);
        else if (QStringList{u"yes"_s, u"on"_s, u"true"_s}.contains(value, Qt::CaseInsensitive))
            options << u"--"_s + name;
        else if (!QStringList{u"no"_s, u"off"_s, u"false"_s}.contains(value, Qt::CaseInsensitive))
            options << u"--"_s + name + u'=' + value;
    }
    if (address.isEmpty())
        return QStringLiteral("names no address");
    return options << address;
}

}  // namespace

QString RecordingConfigPath(const QString& name)
{
    if (name.contains(u'/'))
        return name;
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/tovrin/recordings/"_s + name
           + u".conf"_s;
}

std::variant<ConfiguredArguments, UsageError> WithRecordingConfig(const QStringList& arguments)
{
    QStringList rest = arguments;
    QString name;
    int given = 0;
    for (qsizetype i = 2; i < rest.size() && rest.at(i) != u"--";) {
        if (rest.at(i) == kConfigOption && i + 1 < rest.size()) {
            name = rest.takeAt(i + 1);
            rest.removeAt(i);
            ++given;
        } else if (rest.at(i).startsWith(kConfigOption + u'=')) {
            name = rest.takeAt(i).mid(kConfigOption.size() + 1);
            ++given;
        } else {
            ++i;
        }
    }
    if (given == 0)
        return ConfiguredArguments{arguments, {}};
    if (given > 1 || name.isEmpty())
        return UsageError{QStringLiteral("--config takes one NAME")};

    const QString path = RecordingConfigPath(name);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return UsageError{QStringLiteral("cannot read %1: %2").arg(path, file.errorString())};
    const QByteArray content = file.read(kMostConfigBytes + 1);
    if (content.size() > kMostConfigBytes)
        return UsageError{QStringLiteral("%1 is larger than a recording's settings can be").arg(path)};
    std::variant<QStringList, QString> options = OptionsOf(content);
    if (const QString* problem = std::get_if<QString>(&options))
        return UsageError{path + u": "_s + *problem};
    const QStringList commandLine = rest.mid(2);
    return ConfiguredArguments{rest.mid(0, 2) + std::get<QStringList>(options) + commandLine, path};
}

}  // namespace tovrin
