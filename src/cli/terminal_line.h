#pragma once

#include <QString>

#include <cstdio>
#include <optional>

namespace tovrin {

// One line of `in`, without its line end, up to 1023 bytes of UTF-8 (the rest
// of a longer line is left for the next read); std::nullopt at the end of the
// input. With `echo` false and `in` a terminal, the typed characters are not
// shown, and a line end is written to `out` afterwards in place of the one
// the user typed.
std::optional<QString> ReadTerminalLine(std::FILE* in, std::FILE* out, bool echo);

// True when `file` is a terminal.
bool IsTerminal(std::FILE* file);

}  // namespace tovrin
