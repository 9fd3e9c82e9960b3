#include "run/name_template.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

namespace tovrin {

namespace {

// Room for a name's " (N)" within the 255 bytes most file systems allow.
constexpr qsizetype kMaxNameBytes = 240;
// A reserved name is looked for this far at most: a folder of that many
// numbered recordings of one name is a fault, not a reason to go on forever.
constexpr int kMostNumbers = 100000;

bool IsSeparator(QChar c)
{
#ifdef Q_OS_WIN
    return c == u'/' || c == u'\\';
#else
    return c == u'/';
#endif
}

bool IsLoose(QChar c)
{
    return c.isSpace() || c == u'.';
}

bool OnlyLoose(QStringView text)
{
    return std::all_of(text.begin(), text.end(), IsLoose);
}

// A value a field brings in, as a part of one name on any system.
QString SafeValue(QString value)
{
    for (QChar& c : value) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || QStringView(u"\\/:*?\"<>|").contains(c))
            c = u'_';
    }
    return value;
}

// A title without the blanks and dots at its ends: Windows drops a name's
// last dots and blanks, and leading dots hide a file elsewhere.
QString TrimmedTitle(const QString& title)
{
    qsizetype from = 0, to = title.size();
    while (from < to && IsLoose(title.at(from)))
        ++from;
    while (to > from && IsLoose(title.at(to - 1)))
        --to;
    return SafeValue(title.mid(from, to - from));
}

// `text` cut to at most `bytes` bytes of UTF-8, never inside a character.
QString CutToBytes(const QString& text, qsizetype bytes)
{
    qsizetype used = 0, at = 0;
    while (at < text.size()) {
        const bool pair = text.at(at).isHighSurrogate() && at + 1 < text.size();
        const char16_t unit = text.at(at).unicode();
        const qsizetype size = pair ? 4 : unit < 0x80 ? 1 : unit < 0x800 ? 2 : 3;
        if (used + size > bytes)
            break;
        used += size;
        at += pair ? 2 : 1;
    }
    return text.left(at);
}

QString TwoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

// One name of a template (between its separators), its fields expanded.
struct ExpandedName {
    QString text;
    int titles = 0;
    bool fields = false;
};

ExpandedName ExpandName(QStringView name, const NameFacts& facts, const QDateTime& local, const QString& title)
{
    ExpandedName out;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar field = i + 1 < name.size() && name.at(i) == u'%' ? name.at(i + 1) : QChar();
        QString value;
        switch (field.unicode()) {
        case u'Y':
            value = QString::number(local.date().year());
            break;
        case u'm':
            value = TwoDigits(local.date().month());
            break;
        case u'd':
            value = TwoDigits(local.date().day());
            break;
        case u'H':
            value = TwoDigits(local.time().hour());
            break;
        case u'M':
            value = TwoDigits(local.time().minute());
            break;
        case u'S':
            value = TwoDigits(local.time().second());
            break;
        case u'n':
            value = QString::number(facts.part);
            break;
        case u't':
            value = title;
            ++out.titles;
            break;
        case u'%':
            value = QStringLiteral("%");
            break;
        default:
            out.text += name.at(i);
            continue;
        }
        out.fields = out.fields || field != u'%';
        out.text += value;
        ++i;
    }
    return out;
}

bool IsDeviceName(QStringView stem)
{
    const QString upper = stem.trimmed().toString().toUpper();
    static const QStringList devices = {QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                        QStringLiteral("NUL")};
    if (devices.contains(upper))
        return true;
    return upper.size() == 4 && (upper.startsWith(u"COM") || upper.startsWith(u"LPT")) && upper.at(3) >= u'1'
           && upper.at(3) <= u'9';
}

// A name a field made, safe to create: one that came out empty or only dots
// becomes "recording" (the file's keeping its extension), a device name of
// Windows gets a "_" before it.
QString SafeName(const QString& name, bool last)
{
    if (OnlyLoose(name))
        return QStringLiteral("recording");
    const qsizetype dot = last ? name.lastIndexOf(u'.') : -1;
    if (dot >= 0 && OnlyLoose(QStringView(name).left(dot)))
        return QStringLiteral("recording") + name.mid(dot);
    const qsizetype firstDot = name.indexOf(u'.');
    return IsDeviceName(QStringView(name).left(firstDot < 0 ? name.size() : firstDot)) ? u'_' + name : name;
}

}  // namespace

bool HasNameFields(const QString& text)
{
    for (qsizetype at = text.indexOf(u'%'); at >= 0 && at + 1 < text.size(); at = text.indexOf(u'%', at + 2)) {
        if (QStringView(u"YmdHMStn%").contains(text.at(at + 1)))
            return true;
    }
    return false;
}

QString ExpandNameTemplate(const QString& nameTemplate, const NameFacts& facts)
{
    const QDateTime local = facts.partStart.toLocalTime();
    QString title = TrimmedTitle(facts.title);
    if (title.isEmpty()) {
        const qsizetype dot = facts.streamName.lastIndexOf(u'.');
        title = TrimmedTitle(dot > 0 ? facts.streamName.left(dot) : facts.streamName);
    }

    QString path;
    qsizetype from = 0;
    while (from <= nameTemplate.size()) {
        qsizetype to = from;
        while (to < nameTemplate.size() && !IsSeparator(nameTemplate.at(to)))
            ++to;
        const QStringView name = QStringView(nameTemplate).mid(from, to - from);
        const bool last = to == nameTemplate.size();
        ExpandedName expanded = ExpandName(name, facts, local, title);
        const qsizetype bytes = expanded.text.toUtf8().size();
        if (expanded.titles > 0 && bytes > kMaxNameBytes) {
            // The title gives way, evenly where it is named more than once.
            const qsizetype rest = bytes - expanded.titles * title.toUtf8().size();
            const QString cut = CutToBytes(title, std::max<qsizetype>(0, (kMaxNameBytes - rest) / expanded.titles));
            expanded = ExpandName(name, facts, local, cut);
        }
        path += expanded.fields ? SafeName(expanded.text, last) : expanded.text;
        if (last)
            break;
        path += nameTemplate.at(to);
        from = to + 1;
    }
    return path;
}

QString NumberedName(const QString& path, int number)
{
    if (number <= 1)
        return path;
    const QFileInfo info(path);
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    return QStringLiteral("%1 (%2)%3").arg(path.chopped(suffix.size())).arg(number).arg(suffix);
}

QString FirstFreeName(const QString& path, int from)
{
    QString candidate;
    for (int number = from;; ++number) {
        candidate = NumberedName(path, number);
        const QFileInfo info(candidate);
        if (!info.exists() && !info.isSymLink())
            return candidate;
    }
}

std::optional<QString> ReserveRecordingPath(const QString& path, QString& failedAt)
{
    const QString folder = QFileInfo(path).path();
    if (!QDir().mkpath(folder)) {
        failedAt = folder;
        return std::nullopt;
    }
    for (int number = 1; number <= kMostNumbers; ++number) {
        const QString candidate = NumberedName(path, number);
        QFile file(candidate);
        // Created only when nothing has the name, as FirstFreeName tells it
        // and at once: another recorder that takes it first makes this one
        // try the next.
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return candidate;
        const QFileInfo info(candidate);
        if (!info.exists() && !info.isSymLink()) {
            failedAt = candidate;
            return std::nullopt;
        }
    }
    failedAt = path;
    return std::nullopt;
}

}  // namespace tovrin
