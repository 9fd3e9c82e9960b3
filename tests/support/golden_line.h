#pragma once

#include <QDebug>
#include <QString>
#include <QStringList>

namespace tovrin::test {

// Values as QDebug writes them, separated by blanks, line breaks shown as
// \n and \r: one line of a golden transcript, e.g. Line(u"size"_s, w.size())
// gives "size QSize(346, 463)". Written with braces, Line{a, b}, its values
// are evaluated in order, left to right.
struct Line {
    template <typename... T>
    explicit Line(const T&... values)
    {
        {
            QDebug out(&text);
            out.noquote().nospace();
            const char* separator = "";
            ((out << separator << values, separator = " "), ...);
        }
        text.replace(u'\n', QStringLiteral("\\n")).replace(u'\r', QStringLiteral("\\r"));
    }
    operator QString() const { return text; }
    bool operator==(const Line&) const = default;
    QString text;
};

// Each line with its line breaks shown as \n and \r, as Line shows them.
inline QStringList OneLineEach(QStringList lines)
{
    return lines.replaceInStrings(QStringLiteral("\n"), QStringLiteral("\\n"))
        .replaceInStrings(QStringLiteral("\r"), QStringLiteral("\\r"));
}

// The entries of `lines` split at their line breaks, as a golden file holds
// them (a message box text may span several lines).
inline QStringList SplitLines(const QStringList& lines)
{
    return lines.join(u'\n').split(u'\n');
}

}  // namespace tovrin::test
