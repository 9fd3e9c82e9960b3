#include "run/server_access.h"

#include "locations/credentials.h"
#include "locations/location_class.h"
#include "state/app_context.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "state/settings_access.h"

#include <QCoreApplication>

namespace tovrin {

namespace {
const QString kAuthSetting = QStringLiteral("Auth");
// The site the saved credentials were given to (see CredentialsSite).
const QString kAuthHostSetting = QStringLiteral("AuthHost");
// A proxy's saved credentials, and the proxy they were given to.
const QString kProxyAuthSetting = QStringLiteral("ProxyAuth");
const QString kProxyAuthHostSetting = QStringLiteral("ProxyAuthHost");
}  // namespace

bool ExtractServerHost(AppContext& ctx, const QString& url)
{
    const std::optional<QString> host = ServerHostOf(url);
    if (!host) {
        ctx.shell.showMessage(QStringLiteral("The URL is invalid, bad '/' or missing filename"));
        return false;
    }
    ctx.run.serverHost = *host;
    return true;
}

void AcceptPassword(AppContext& ctx, ServerCredentials& credentials, const PasswordAnswer& answer)
{
    credentials.encoded = EncodeCredentials(answer);
    // Credentials without a user name are never stored: they would fill
    // every later prompt with nothing.
    if (answer.savePassword && !answer.userId.isEmpty()) {
        WriteSetting(ctx, kAuthSetting, QString::fromLatin1(credentials.encoded));
        WriteSetting(ctx, kAuthHostSetting, CredentialsSite(ctx.run.serverHost));
    } else if (!answer.savePassword && !answer.keepStored) {
        WriteSetting(ctx, kAuthSetting, QString());
        WriteSetting(ctx, kAuthHostSetting, QString());
    }
}

bool AskServerCredentials(AppContext& ctx, ServerCredentials& credentials)
{
    const QByteArray saved = ReadSetting(ctx, kAuthSetting).toLatin1();
    const auto answer = ctx.shell.askPassword(
        PreparePasswordPrompt(ctx.run.serverHost, credentials.challenge, saved, ReadSetting(ctx, kAuthHostSetting)));
    if (!answer)
        return false;
    AcceptPassword(ctx, credentials, *answer);
    return true;
}

bool AskProxyCredentials(AppContext& ctx, const QString& proxySite, ServerCredentials& credentials)
{
    PasswordPrompt prompt =
        PreparePasswordPrompt(proxySite, credentials.challenge, ReadSetting(ctx, kProxyAuthSetting).toLatin1(),
                              ReadSetting(ctx, kProxyAuthHostSetting));
    prompt.proxy = true;
    const auto answer = ctx.shell.askPassword(prompt);
    if (!answer)
        return false;
    credentials.encoded = EncodeCredentials(*answer);
    ctx.session.proxyLogins.insert(CredentialsSite(proxySite), credentials.encoded);
    if (answer->savePassword && !answer->userId.isEmpty()) {
        WriteSetting(ctx, kProxyAuthSetting, QString::fromLatin1(credentials.encoded));
        WriteSetting(ctx, kProxyAuthHostSetting, CredentialsSite(proxySite));
    } else if (!answer->savePassword && !answer->keepStored) {
        WriteSetting(ctx, kProxyAuthSetting, QString());
        WriteSetting(ctx, kProxyAuthHostSetting, QString());
    }
    return true;
}

QString ProxyCredentialsDeclinedMessage(const QString& proxySite)
{
    return QCoreApplication::translate("Tovrin", "代理伺服器 %1 要求帳號與密碼，連線已放棄").arg(proxySite);
}

}  // namespace tovrin
