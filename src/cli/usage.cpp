#include "cli/usage.h"

#include <cstdio>

namespace tovrin {

int ReportUsageError(const char* command, const QString& message)
{
    std::fprintf(stderr, "tovrin-cli %s: %s\nTry 'tovrin-cli %s --help'.\n", command, message.toUtf8().constData(),
                 command);
    return 2;
}

void PrintOut(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

}  // namespace tovrin
