#pragma once

#include <cstdint>

namespace tovrin {

class Shell;

// Tells the user about an error result code a media server put into a reply
// (bit 31 set), or a network error code it passed on: two log lines and a
// message box. The caller ends the run afterwards.
void ReportServerError(Shell& shell, std::uint32_t code);

// True when a server reply's result code is an error.
inline bool IsErrorResult(std::uint32_t code)
{
    return code & 0x80000000u;
}

}  // namespace tovrin
