#include "cli/open_command.h"

#include "cli/command_context.h"
#include "cli/interrupt_signal.h"
#include "cli/location_options.h"
#include "cli/open_options.h"
#include "cli/property_report.h"
#include "locations/location_class.h"
#include "locations/redirector_fetch.h"
#include "state/run_reset.h"
#include "state/run_state.h"
#include "user_actions/open_media.h"

#include <cstdio>

namespace tovrin {

namespace {

// The inspected file's properties, with the data packets its header states
// (the window counts packets only while a run goes): whether a recording is
// whole can be told from here.
void PrintMediaReport(const AppContext& ctx, ConsoleShell& shell)
{
    shell.setProperty(PropertyField::Packets, QString::number(ctx.run.storedPacketCount.load()));
    PrintOut(PropertyReport(shell));
}

}  // namespace

int RunOpenCommand(const QStringList& arguments)
{
    const auto parsed = ParseOpenCommandLine(arguments);
    if (const auto status = StopStatus(parsed, "open"))
        return *status;
    const OpenOptions& options = std::get<OpenOptions>(parsed);
    const QString& location = options.location;
    const bool logLocation = ClassifyLocation(location) == (lcLocal | lcLog);

    ConsoleAnswers answers;
    if (options.saveRedirector) {
        answers.confirmAnswer = true;
        answers.redirectorFile = *options.saveRedirector;
    }
    // A saved log is the outcome itself: its lines go to stdout only.
    answers.quiet = logLocation;
    CommandContext command(answers);
    ConsoleShell& shell = command.shell;
    AppContext& ctx = command.ctx;
    RedirectorFetch fetch;
    if (const QString problem = ApplyHttpFetchOptions(options.http, fetch, location); !problem.isEmpty())
        return ReportUsageError("open", problem);
    StopFetchOnInterrupt(fetch);

    command.session.mediaLocation = location;
    shell.setMediaLocation(location);
    OpenOutcome outcome = OpenMedia(ctx, fetch);
    // At a terminal the user has just typed the credentials the web server
    // asked for: open the location again, as the prompt advises.
    if (outcome == OpenOutcome::Failed && fetch.lastError() == FetchError::NeedsCredentials && shell.interactive()
        && !(fetch.userId().isEmpty() && fetch.password().isEmpty()))
        outcome = OpenMedia(ctx, fetch);

    switch (outcome) {
    case OpenOutcome::StreamAddress:
        PrintOut(shell.urlText() + u'\n');
        return 0;
    case OpenOutcome::RedirectorLoaded: {
        const QStringList entries = shell.urlItems();
        QString list;
        for (qsizetype i = 0; i < entries.size(); ++i)
            list += QStringLiteral("%1. %2\n").arg(i + 1).arg(entries.at(i));
        PrintOut(list);
        return 0;
    }
    case OpenOutcome::MediaInspected:
        PrintMediaReport(ctx, shell);
        return 0;
    case OpenOutcome::LogShown: {
        // Below the line that announces them, the saved lines as they were.
        QString lines;
        for (const QString& line : shell.logLines().mid(1))
            lines += line + u'\n';
        PrintOut(lines);
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
    const auto parsed = ParseInfoCommandLine(arguments);
    if (const auto status = StopStatus(parsed, "info"))
        return *status;
    const QString& path = std::get<InfoOptions>(parsed).file;
    CommandContext command(ConsoleAnswers{});
    ConsoleShell& shell = command.shell;
    AppContext& ctx = command.ctx;
    ResetRun(ctx);
    command.session.mediaLocation = path;
    shell.setMediaLocation(path);
    if (!InspectLocalMedia(ctx))
        return 1;
    PrintMediaReport(ctx, shell);
    return 0;
}

}  // namespace tovrin
