#include "cli/open_command.h"

#include "asf/header_inspection.h"
#include "cli/command_context.h"
#include "cli/location_options.h"
#include "cli/property_report.h"
#include "locations/location_class.h"
#include "locations/open_route.h"
#include "locations/redirector_fetch.h"
#include "state/run_reset.h"
#include "state/text_rules.h"
#include "steps/open_media.h"

#include <QCommandLineParser>
#include <QFileInfo>

#include <cstdio>

namespace tovrin {

namespace {

void usageError(const char* command, const QString& message)
{
    std::fprintf(stderr, "tovrin-cli %s: %s\nTry 'tovrin-cli %s --help'.\n", command, message.toUtf8().constData(),
                 command);
}

void printOut(const QString& text)
{
    std::fputs(text.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

// Parses `arguments` for a command with one positional argument; the status to
// exit with when the command should not go on.
std::optional<int> parseOne(QCommandLineParser& parser, const QStringList& arguments, const char* command)
{
    parser.addHelpOption();
    if (!parser.parse(arguments)) {
        usageError(command, parser.errorText());
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        printOut(parser.helpText());
        return 0;
    }
    if (parser.positionalArguments().size() != 2) {
        usageError(command, QStringLiteral("expects exactly one location"));
        return 2;
    }
    return std::nullopt;
}

}  // namespace

int RunOpenCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Opens a media location as the open dialog does and prints what it holds:\n"
                       "  mms://...            the stream address, ready to record\n"
                       "  http://.../x.asx     the redirector's stream addresses, numbered\n"
                       "  FILE.asx             the same from a redirector file on disk\n"
                       "  FILE.wmv/.asf/.wma   the file properties of a local media file\n"
                       "  FILE.log             the lines of a saved session log\n"
                       "Log lines and messages go to stderr.\n\n"
                       "Exit status: 0 when the location was opened, 1 when not, 2 for bad usage."));
    parser.addPositionalArgument(QStringLiteral("open"), QStringLiteral("The command."));
    parser.addPositionalArgument(QStringLiteral("LOCATION"), QStringLiteral("A URL or a file path."));
    const QCommandLineOption saveRedirector(QStringLiteral("save-redirector"),
                                            QStringLiteral("Save a fetched redirector file as FILE."),
                                            QStringLiteral("FILE"));
    parser.addOption(saveRedirector);
    const HttpOptions http;
    http.addTo(parser);
    if (const auto status = parseOne(parser, arguments, "open"))
        return *status;
    const std::variant<HttpFetchOptions, QString> fetchOptions = http.parse(parser);
    if (const QString* problem = std::get_if<QString>(&fetchOptions)) {
        usageError("open", *problem);
        return 2;
    }

    // Blanks around the location are dropped, as the open dialog drops them.
    const QString location = AbsoluteLocation(TrimBlanks(parser.positionalArguments().at(1)));
    const bool logLocation = ClassifyLocation(location) == (lcLocal | lcLog);

    ConsoleAnswers answers;
    if (parser.isSet(saveRedirector)) {
        answers.confirmAnswer = true;
        answers.redirectorFile = parser.value(saveRedirector);
    }
    // A saved log is the outcome itself: its lines go to stdout only.
    answers.quiet = logLocation;
    CommandContext command(answers);
    ConsoleShell& shell = command.shell;
    AppContext& ctx = command.ctx;
    RedirectorFetch fetch;
    if (const QString problem = ApplyHttpFetchOptions(std::get<HttpFetchOptions>(fetchOptions), fetch);
        !problem.isEmpty()) {
        usageError("open", problem);
        return 2;
    }

    command.run.mediaLocation = location;
    shell.setMediaLocation(location);
    OpenOutcome outcome = OpenMedia(ctx, fetch);
    // At a terminal the user has just typed the credentials the web server
    // asked for: open the location again, as the prompt advises.
    if (outcome == OpenOutcome::Failed && fetch.lastError() == FetchError::NeedsCredentials && shell.interactive()
        && !(fetch.userId().isEmpty() && fetch.password().isEmpty()))
        outcome = OpenMedia(ctx, fetch);

    switch (outcome) {
    case OpenOutcome::StreamAddress:
        printOut(shell.urlText() + u'\n');
        return 0;
    case OpenOutcome::RedirectorLoaded: {
        const QStringList entries = shell.urlItems();
        QString list;
        for (qsizetype i = 0; i < entries.size(); ++i)
            list += QStringLiteral("%1. %2\n").arg(i + 1).arg(entries.at(i));
        printOut(list);
        return 0;
    }
    case OpenOutcome::MediaInspected:
        printOut(PropertyReport(shell));
        return 0;
    case OpenOutcome::LogShown: {
        // Below the line that announces them, the saved lines as they were.
        QString lines;
        for (const QString& line : shell.logLines().mid(1))
            lines += line + u'\n';
        printOut(lines);
        return 0;
    }
    case OpenOutcome::Failed:
        if (logLocation) {
            for (const QString& line : shell.logLines())
                std::fprintf(stderr, "%s\n", line.toUtf8().constData());
        }
        return 1;
    }
    return 1;
}

int RunInfoCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints the file properties of a local ASF file (.asf, .wmv, .wma), read\n"
                       "from its ASF header, one field per line.\n\n"
                       "Exit status: 0 when the header was read, 1 when not, 2 for bad usage."));
    parser.addPositionalArgument(QStringLiteral("info"), QStringLiteral("The command."));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The ASF file."));
    if (const auto status = parseOne(parser, arguments, "info"))
        return *status;

    const QString path = QFileInfo(parser.positionalArguments().at(1)).absoluteFilePath();
    CommandContext command(ConsoleAnswers{});
    ConsoleShell& shell = command.shell;
    AppContext& ctx = command.ctx;
    RunState& run = command.run;
    ResetRun(ctx);
    run.mediaLocation = path;
    shell.setMediaLocation(path);
    if (!QFileInfo(path).isFile()) {
        shell.showMessage(InspectionErrorText(InspectionError::CannotOpenFile));
        return 1;
    }
    run.headerLength = LocalHeaderLength(path);
    if (!ApplyHeaderReading(run, shell, ReadHeaderFile(path, run.headerLength)))
        return 1;
    printOut(PropertyReport(shell));
    return 0;
}

}  // namespace tovrin
