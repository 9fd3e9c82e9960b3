#include "cli/location_options.h"

#include "cli/console_shell.h"
#include "locations/location_class.h"
#include "locations/redirector_fetch.h"
#include "state/app_context.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "user_actions/open_media.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QUrl>

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

std::variant<HttpFetchOptions, QString> HttpOptions::parse(const QCommandLineParser& parser) const
{
    if (parser.isSet(user) != password.isSet(parser))
        return QStringLiteral("--http-user and --http-password go together");
    if (const QString problem = password.check(parser); !problem.isEmpty())
        return problem;
    HttpFetchOptions options{parser.value(user), password.given(parser), std::nullopt};
    if (parser.isSet(timeout)) {
        bool ok = false;
        const double seconds = parser.value(timeout).toDouble(&ok);
        if (!ok || seconds <= 0 || seconds > 3600)
            return QStringLiteral("--http-timeout takes a number of seconds");
        options.timeLimitMs = int(seconds * 1000);
    }
    return options;
}

QString ApplyHttpFetchOptions(const HttpFetchOptions& options, RedirectorFetch& fetch, const QString& location)
{
    if (options.password) {
        QString problem;
        const std::optional<QString> secret = ReadGivenPassword(*options.password, problem);
        if (!secret)
            return problem;
        fetch.setCredentials(options.user, *secret, QUrl(location.trimmed()));
    }
    if (options.timeLimitMs)
        fetch.setTimeLimit(*options.timeLimitMs);
    return {};
}

int ResolveRecordLocation(AppContext& ctx, const HttpFetchOptions& http, int entry, const QString& location, bool quiet,
                          RedirectorFetch& fetch, QString& address)
{
    const QString absolute = AbsoluteLocation(location);
    const LocationClass cls = ClassifyLocation(absolute);
    if (!(cls & lcRedirector) || !(cls & (lcHttp | lcLocal))) {
        address = location;
        return 0;
    }

    // The redirector is opened in a context of its own: its questions must not
    // be answered with the recording's answers (its save file is not -o's).
    ConsoleAnswers answers;
    answers.quiet = quiet;
    answers.confirmAnswer = false;
    ConsoleShell shell(answers);
    RunState run;
    SessionState session;
    AppContext openCtx{shell, ctx.store, ctx.settings, run, session};
    if (const QString problem = ApplyHttpFetchOptions(http, fetch, absolute); !problem.isEmpty()) {
        std::fprintf(stderr, "tovrin-cli record: %s\n", problem.toUtf8().constData());
        return 2;
    }
    session.mediaLocation = absolute;
    if (OpenMedia(openCtx, fetch) != OpenOutcome::RedirectorLoaded)
        return 1;
    const QStringList entries = shell.urlItems();
    if (entry > entries.size()) {
        shell.showMessage(QStringLiteral("The redirector names %1 stream addresses; there is no entry %2")
                              .arg(entries.size())
                              .arg(entry));
        return 1;
    }
    address = entries.at(entry - 1);
    return 0;
}

}  // namespace tovrin
