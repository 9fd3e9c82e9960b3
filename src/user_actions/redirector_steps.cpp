#include "user_actions/redirector_steps.h"

#include "asf/name_rules.h"
#include "locations/credentials.h"
#include "locations/proxy_choice.h"
#include "locations/redirector_fetch.h"
#include "locations/redirector_file.h"
#include "locations/replace_file.h"
#include "run/save_file_choice.h"
#include "run/server_access.h"
#include "state/app_context.h"
#include "state/session_state.h"
#include "state/shell.h"
#include "state/text_rules.h"

#include <QCoreApplication>
#include <QFile>
#include <QUrl>

namespace tovrin {

namespace {

const QString kConnectionFailed = QStringLiteral("HTTP redirector site failed to connect");
const QString kFailed = QStringLiteral("Redirector file error, could not locate it");
const QString kAuthTitle = QStringLiteral("Authentication Required !");

QString ProgressLine(FetchProgress what)
{
    switch (what) {
    case FetchProgress::HostResolved:
        return QStringLiteral("Resolving HTTP DNS address from URL...");
    case FetchProgress::Connected:
        return QStringLiteral("Connected to HTTP redirector site");
    case FetchProgress::Redirected:
        break;
    }
    return QStringLiteral("Being redirected by host to another address, following.");
}

// The credentials are kept for the site that asked for them.
void AskWebCredentials(Shell& shell, RedirectorFetch& fetch, const QUrl& site)
{
    const QString password =
        shell.inputBox(kAuthTitle, QStringLiteral("Please enter your Password for this site"), QString());
    const QString userId =
        shell.inputBox(kAuthTitle, QStringLiteral("Please enter your user ID for this site"), QString());
    fetch.setCredentials(userId, password, site);
    shell.showMessage(QStringLiteral("Now try connecting again"));
}

QString LocalRedirectorErrorMessage(LocalRedirectorError error)
{
    switch (error) {
    case LocalRedirectorError::Empty:
        return QStringLiteral("Error - local redirector file contains no data");
    case LocalRedirectorError::TooLarge:
        return QStringLiteral("Error - local redirector file is larger than %1 MiB")
            .arg(kMaxRedirectorFileBytes / (1024 * 1024));
    case LocalRedirectorError::CannotAccess:
        break;
    }
    return QStringLiteral("Error - cannot access local redirector file");
}

// Puts the addresses into the URL list, or says why there are none.
bool FillUrlList(Shell& shell, const QByteArray& text)
{
    const RedirectorScan scan = ScanRedirector(text);
    if (scan.tooMany)
        shell.showMessage(QStringLiteral("Too many entires in ASX file, displaying max amount only"));
    if (scan.entries.isEmpty()) {
        shell.showMessage(QStringLiteral("Error in redirector file - no entries found"));
        return false;
    }
    shell.setUrlItems(scan.entries);
    shell.setUrlText(scan.entries.first());
    return true;
}

}  // namespace

std::optional<QByteArray> FetchRedirector(Shell& shell, RedirectorFetch& fetch, const QString& location)
{
    const QMetaObject::Connection logged =
        QObject::connect(&fetch, &RedirectorFetch::progress, &fetch,
                         [&shell](FetchProgress what) { shell.appendLog(ProgressLine(what)); });
    const FetchResult result = fetch.get(location);
    QObject::disconnect(logged);
    switch (result.error) {
    case FetchError::None:
        shell.appendLog(QStringLiteral("Redirector file received"));
        return result.body;
    case FetchError::InvalidHost:
        shell.showMessage(QStringLiteral("Could not connect to redirector URL, could be a broken link"));
        break;
    case FetchError::ConnectionFailed:
        shell.showMessage(kConnectionFailed);
        break;
    case FetchError::Failed:
        shell.showMessage(kFailed);
        break;
    case FetchError::TimedOut:
        shell.appendLog(
            QStringLiteral("HTTP redirector site did not answer within %1 seconds").arg(fetch.timeLimit() / 1000.0));
        shell.showMessage(result.requestSent ? kFailed : kConnectionFailed);
        break;
    case FetchError::TooLarge:
        shell.showMessage(QStringLiteral("Redirector file is larger than %1 MiB, fetch stopped")
                              .arg(RedirectorFetch::kMaxBodyBytes / (1024 * 1024)));
        break;
    case FetchError::NeedsCredentials:
        AskWebCredentials(shell, fetch, result.askedBy);
        break;
    case FetchError::ProxyNeedsCredentials:
        break;  // asked by the step that has the session (LoadRedirector)
    case FetchError::ProxyFailed:
        shell.showMessage(result.proxyTrouble);
        break;
    case FetchError::Aborted:
        shell.appendLog(QCoreApplication::translate("Tovrin", "已放棄取得 redirector 檔案"));
        break;
    }
    return std::nullopt;
}

bool LoadRedirector(AppContext& ctx, RedirectorFetch& fetch)
{
    Shell& shell = ctx.shell;
    fetch.setProxyConfig(ProxyConfigOf(ctx));
    const QString location = TrimBlanks(ctx.session.mediaLocation);
    std::optional<QByteArray> fetched = FetchRedirector(shell, fetch, location);
    if (!fetched && fetch.lastError() == FetchError::ProxyNeedsCredentials) {
        // The proxy's credentials are asked as a server's, kept for it, and
        // the fetch made again with them.
        ServerCredentials credentials;
        credentials.challenge = QStringLiteral("realm=") + fetch.lastProxyRealm();
        if (!AskProxyCredentials(ctx, fetch.lastProxySite(), credentials)) {
            shell.showMessage(ProxyCredentialsDeclinedMessage(fetch.lastProxySite()));
            return false;
        }
        fetch.setProxyConfig(ProxyConfigOf(ctx));
        fetched = FetchRedirector(shell, fetch, location);
    }
    if (!fetched)
        return false;
    const QByteArray& text = *fetched;
    if (text.isEmpty()) {
        shell.showMessage(QStringLiteral("Redirector file contains no data"));
        return false;
    }
    const QString question = QStringLiteral(
        "The redirector's contents will now be loaded into the URL play list\n"
        "It can be useful to save this file and open it again later if you\n"
        "ever want to return to this session\n\n"
        "Would you like to save this redirector file?\n");
    if (shell.confirm(question) && !SaveRedirectorFile(ctx, text))
        shell.showMessage(QStringLiteral("Could not save redirector file"));
    return FillUrlList(shell, text);
}

bool LoadRedirector(AppContext& ctx, QFile& file)
{
    const auto read = ReadLocalRedirector(file);
    if (const auto* error = std::get_if<LocalRedirectorError>(&read)) {
        ctx.shell.showMessage(LocalRedirectorErrorMessage(*error));
        return false;
    }
    return FillUrlList(ctx.shell, std::get<QByteArray>(read));
}

bool SaveRedirectorFile(AppContext& ctx, const QByteArray& text)
{
    SaveFileRequest request;
    request.kind = SaveKind::Redirector;
    request.defaultExtension = QStringLiteral("asx");
    request.title = QStringLiteral("Save Redirector File");
    request.filter = QCoreApplication::translate("Tovrin", "WM Redirector 檔案 (*.asx; *.wmx; *.wax; *.wvx)");
    request.defaultName = NameAfterSeparator(ctx.session.mediaLocation);
    request.overwritePrompt = true;
    const auto chosen = ChooseSaveTarget(ctx, request, QStringLiteral("AsxDir"));
    if (!chosen)
        return false;
    switch (ReplaceFileContent(*chosen, text)) {
    case ReplaceResult::Written:
        return true;
    case ReplaceResult::CannotCreate:
        ctx.shell.showMessage(QStringLiteral("There was an error creating the redirector file"));
        return false;
    case ReplaceResult::WriteFailed:
        ctx.shell.showMessage(QStringLiteral("There was an error saving the redirector file"));
        return false;
    }
    return false;
}

}  // namespace tovrin
