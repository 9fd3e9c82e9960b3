#pragma once

#include <QCommandLineParser>
#include <QString>

#include <optional>
#include <variant>

namespace tovrin {

// What is wrong with a command line, as one line for the user.
struct UsageError {
    QString message;
};
// --help was asked for: the text to print.
struct HelpRequest {
    QString text;
};

// Tells a usage error of `tovrin-cli COMMAND` on stderr, with where to find
// help; the exit status for it, 2.
int ReportUsageError(const char* command, const QString& message);
// Prints `text` on stdout, flushed.
void PrintOut(const QString& text);

// Parses `arguments` for a command that takes one positional argument after
// its own name, `expected` naming it in the error: the usage error or the help
// request that stops the command, if any.
std::optional<std::variant<HelpRequest, UsageError>> ParseOnePositional(QCommandLineParser& parser,
                                                                        const QStringList& arguments,
                                                                        const QString& expected);

// A stop found while parsing, as the parse's answer for `Options`.
template <typename Options>
std::variant<Options, HelpRequest, UsageError> AsStop(const std::variant<HelpRequest, UsageError>& stop)
{
    if (const auto* help = std::get_if<HelpRequest>(&stop))
        return *help;
    return std::get<UsageError>(stop);
}

// What a parsed command line ends before the command runs: the usage error
// (status 2) or the help printed (status 0). Nothing when the options are to run.
template <typename Options>
std::optional<int> StopStatus(const std::variant<Options, HelpRequest, UsageError>& parsed, const char* command)
{
    if (const auto* error = std::get_if<UsageError>(&parsed))
        return ReportUsageError(command, error->message);
    if (const auto* help = std::get_if<HelpRequest>(&parsed)) {
        PrintOut(help->text);
        return 0;
    }
    return std::nullopt;
}

}  // namespace tovrin
