#pragma once

#include <QString>
#include <cstdint>

namespace tovrin {

// Milliseconds as "hh : mm : ss", each part at least two digits; hours are not
// limited. A count of 999 ms rounds up to one second, as the display always has.
QString FormatTime(std::uint32_t milliseconds);

}  // namespace tovrin
