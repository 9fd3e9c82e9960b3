#include "cli/terminal_line.h"

#include <cstring>

#ifdef Q_OS_UNIX
#include <termios.h>
#include <unistd.h>
#endif

namespace tovrin {

bool IsTerminal(std::FILE* file)
{
#ifdef Q_OS_UNIX
    return file && isatty(fileno(file));
#else
    Q_UNUSED(file);
    return false;
#endif
}

std::optional<QString> ReadTerminalLine(std::FILE* in, std::FILE* out, bool echo)
{
#ifdef Q_OS_UNIX
    termios saved{};
    const bool hide = !echo && IsTerminal(in) && tcgetattr(fileno(in), &saved) == 0;
    if (hide) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(fileno(in), TCSAFLUSH, &quiet);
    }
#else
    Q_UNUSED(echo);
#endif
    char buffer[1024];
    const bool got = std::fgets(buffer, sizeof buffer, in) != nullptr;
#ifdef Q_OS_UNIX
    if (hide) {
        tcsetattr(fileno(in), TCSAFLUSH, &saved);
        std::fputc('\n', out);
        std::fflush(out);
    }
#else
    Q_UNUSED(out);
#endif
    if (!got)
        return std::nullopt;
    std::size_t length = std::strlen(buffer);
    if (length > 0 && buffer[length - 1] == '\n')
        --length;
    if (length > 0 && buffer[length - 1] == '\r')
        --length;
    return QString::fromUtf8(buffer, qsizetype(length));
}

}  // namespace tovrin
