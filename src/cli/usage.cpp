#include "cli/usage.h"

#include <cstdio>

namespace tovrin {

int ReportUsageError(const char* command, const QString& message)
{
    std::fprintf(stderr, "tovrin-cli %s: %s\nTry 'tovrin-cli %s --help'.\n", command, message.toUtf8().constData(),
                 command);
    return 2;
}

std::optional<std::variant<HelpRequest, UsageError>> ParseOnePositional(QCommandLineParser& parser,
                                                                        const QStringList& arguments,
                                                                        const QString& expected)
{
    if (!parser.parse(arguments))
        return UsageError{parser.errorText()};
    if (parser.isSet(QStringLiteral("help")))
        return HelpRequest{parser.helpText()};
    if (parser.positionalArguments().size() != 2)
        return UsageError{QStringLiteral("expects exactly one ") + expected};
    return std::nullopt;
}

void PrintOut(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

}  // namespace tovrin
