#include "cli/location_options.h"

#include "state/app_context.h"
#include "state/run_state.h"
#include "cli/console_shell.h"
#include "locations/location_class.h"
#include "locations/open_media.h"
#include "locations/redirector_fetch.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace tovrin {

QString AbsoluteLocation(const QString& typed)
{
    if (typed.isEmpty() || typed.contains(QStringLiteral("://")) || ClassifyLocation(typed) != 0)
        return typed;
    return QFileInfo(typed).absoluteFilePath();
}

void HttpOptions::addTo(QCommandLineParser& parser) const
{
    parser.addOptions({user, password.value, password.file, timeout});
}

QString HttpOptions::check(const QCommandLineParser& parser) const
{
    if (parser.isSet(user) != password.isSet(parser))
        return QStringLiteral("--http-user and --http-password go together");
    if (const QString problem = password.check(parser); !problem.isEmpty())
        return problem;
    if (parser.isSet(timeout)) {
        bool ok = false;
        const double seconds = parser.value(timeout).toDouble(&ok);
        if (!ok || seconds <= 0 || seconds > 3600)
            return QStringLiteral("--http-timeout takes a number of seconds");
    }
    return {};
}

QString HttpOptions::apply(const QCommandLineParser& parser, RedirectorFetch& fetch) const
{
    if (parser.isSet(user)) {
        QString problem;
        const std::optional<QString> secret = password.read(parser, problem);
        if (!secret)
            return problem;
        fetch.setCredentials(parser.value(user), *secret);
    }
    if (parser.isSet(timeout))
        fetch.setTimeLimit(int(parser.value(timeout).toDouble() * 1000));
    return {};
}

void RecordLocation::addTo(QCommandLineParser& parser) const
{
    http.addTo(parser);
    parser.addOption(entry);
}

int RecordLocation::resolve(AppContext& ctx, const QCommandLineParser& parser, const QString& location, bool quiet,
                            QString& address) const
{
    const QString absolute = AbsoluteLocation(location);
    const LocationClass cls = ClassifyLocation(absolute);
    if (!(cls & lcRedirector) || !(cls & (lcHttp | lcLocal))) {
        address = location;
        return 0;
    }
    if (const QString problem = http.check(parser); !problem.isEmpty()) {
        std::fprintf(stderr, "tovrin-cli record: %s\n", problem.toUtf8().constData());
        return 2;
    }
    bool ok = true;
    const int n = parser.isSet(entry) ? parser.value(entry).toInt(&ok) : 1;
    if (!ok || n < 1) {
        std::fprintf(stderr, "tovrin-cli record: --entry takes a number from 1\n");
        return 2;
    }

    // The redirector is opened in a context of its own: its questions must not
    // be answered with the recording's answers (its save file is not -o's).
    ConsoleAnswers answers;
    answers.quiet = quiet;
    answers.confirmAnswer = false;
    ConsoleShell shell(answers);
    RunState run;
    AppContext openCtx{shell, ctx.store, ctx.settings, run};
    RedirectorFetch fetch(shell);
    if (const QString problem = http.apply(parser, fetch); !problem.isEmpty()) {
        std::fprintf(stderr, "tovrin-cli record: %s\n", problem.toUtf8().constData());
        return 2;
    }
    run.mediaLocation = absolute;
    if (OpenMedia(openCtx, fetch) != OpenOutcome::RedirectorLoaded)
        return 1;
    const QStringList entries = shell.urlItems();
    if (n > entries.size()) {
        shell.showMessage(QStringLiteral("The redirector names %1 stream addresses; there is no entry %2")
                              .arg(entries.size())
                              .arg(n));
        return 1;
    }
    address = entries.at(n - 1);
    return 0;
}

}  // namespace tovrin
