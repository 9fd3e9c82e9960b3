#pragma once

#include <QStringList>
#include <QVariant>

namespace tovrin::test {

// The values as texts joined by blanks, one line of a golden transcript:
// numbers in decimal, bools as true or false. Written with braces,
// Line{a, b}, its values are evaluated in order, left to right.
struct Line {
    template <typename... T>
    explicit Line(const T&... values) : text(QStringList{QVariant::fromValue(values).toString()...}.join(u' '))
    {
    }
    operator QString() const { return text; }
    QString text;
};

// The entries of `lines` split at their line breaks, as a golden file holds
// them (a message box text may span several lines).
inline QStringList SplitLines(const QStringList& lines)
{
    return lines.join(u'\n').split(u'\n');
}

}  // namespace tovrin::test
