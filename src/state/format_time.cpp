#include "state/format_time.h"

namespace tovrin {

namespace {
QString twoDigits(std::uint64_t n)
{
    return QString::number(n).rightJustified(2, u'0');
}
}  // namespace

QString FormatTime(std::uint32_t milliseconds)
{
    const std::uint64_t seconds = (std::uint64_t(milliseconds) + 1) / 1000;
    const std::uint64_t h = seconds / 3600;
    const std::uint64_t m = (seconds - 3600 * h) / 60;
    const std::uint64_t s = seconds - 3600 * h - 60 * m;
    const QString sep = QStringLiteral(" : ");
    return twoDigits(h) + sep + twoDigits(m) + sep + twoDigits(s);
}

}  // namespace tovrin
