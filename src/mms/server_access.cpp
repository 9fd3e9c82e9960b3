#include "mms/server_access.h"

#include "locations/credentials.h"
#include "locations/location_class.h"
#include "state/app_context.h"
#include "state/run_state.h"
#include "state/settings_access.h"

namespace tovrin {

namespace {
const QString kAuthSetting = QStringLiteral("Auth");
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

void AcceptPassword(AppContext& ctx, const PasswordAnswer& answer)
{
    ctx.run.authCredentials = EncodeCredentials(answer);
    WriteSetting(ctx, kAuthSetting, answer.savePassword ? QString::fromLatin1(ctx.run.authCredentials) : QString());
}

bool AskServerCredentials(AppContext& ctx)
{
    const QByteArray saved = ReadSetting(ctx, kAuthSetting).toLatin1();
    const auto answer = ctx.shell.askPassword(PreparePasswordPrompt(ctx.run.serverHost, ctx.run.authChallenge, saved));
    if (!answer)
        return false;
    AcceptPassword(ctx, *answer);
    return true;
}

}  // namespace tovrin
