#pragma once

#include <QStringList>
#include <QVariant>

namespace tovrin::test {

// The values as texts joined by blanks, one line of a golden transcript:
// numbers in decimal, bools as true or false.
template <typename... T>
QString Line(const T&... values)
{
    return QStringList{QVariant::fromValue(values).toString()...}.join(u' ');
}

}  // namespace tovrin::test
