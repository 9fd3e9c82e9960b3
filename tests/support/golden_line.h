#pragma once

#include <QDebug>
#include <QString>
#include <QStringList>

namespace tovrin::test {

// Values as QDebug writes them, separated by blanks, line breaks shown as
// \n and \r: one line of a golden transcript, e.g. Line("size", w.size())
// gives "size QSize(346, 463)".
template <typename... T>
QString Line(const T&... values)
{
    QString text;
    QDebug out(&text);
    out.noquote().nospace();
    ((out << values << ' '), ...);
    return text.trimmed().replace(u'\n', QStringLiteral("\\n")).replace(u'\r', QStringLiteral("\\r"));
}

// Each line with its line breaks shown as \n and \r, as Line shows them.
inline QStringList OneLineEach(QStringList lines)
{
    return lines.replaceInStrings(QStringLiteral("\n"), QStringLiteral("\\n"))
        .replaceInStrings(QStringLiteral("\r"), QStringLiteral("\\r"));
}

}  // namespace tovrin::test
