#pragma once

#include <QString>

#include <cstdint>

namespace tovrin {

class Shell;

// Access denied, as a server's reply and as MMS over HTTP's 403 are read.
inline constexpr std::uint32_t kAccessDenied = 0x80070005u;

// Tells the user about an error result code a media server put into a reply
// (bit 31 set), or a network error code it passed on: two log lines and a
// message box. An access denied that answered the first request, which
// presented `refusedPlayer` (not empty), also says that the server may
// refuse that player name and where to change it. The caller ends the run
// afterwards.
void ReportServerError(Shell& shell, std::uint32_t code, const QString& refusedPlayer = {});

// True when a server reply's result code is an error.
inline bool IsErrorResult(std::uint32_t code)
{
    return code & 0x80000000u;
}

}  // namespace tovrin
