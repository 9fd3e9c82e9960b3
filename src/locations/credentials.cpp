#include "locations/credentials.h"

#include "locations/base64.h"
#include "state/app_context.h"
#include "state/run_state.h"
#include "state/settings_access.h"

namespace tovrin {

namespace {
const QString kAuthSetting = QStringLiteral("Auth");
const QString kRealmPrefix = QStringLiteral("realm=");
}  // namespace

PasswordPrompt PreparePasswordPrompt(AppContext& ctx)
{
    PasswordPrompt prompt;
    prompt.site = ctx.run.serverHost;
    if (ctx.run.authChallenge.startsWith(kRealmPrefix))
        prompt.realm = ctx.run.authChallenge.mid(kRealmPrefix.size());

    const QByteArray saved = ReadSetting(ctx, kAuthSetting).toLatin1();
    if (!saved.isEmpty()) {
        const QString text = QString::fromUtf8(DecodeBase64Text(saved));
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        prompt.userId = colon < 0 ? text : text.left(colon);
        prompt.password = colon < 0 ? QString() : text.mid(colon + 1);
    }
    return prompt;
}

void AcceptPassword(AppContext& ctx, const PasswordAnswer& answer)
{
    const QByteArray plain = (answer.userId + QLatin1Char(':') + answer.password).toUtf8();
    ctx.run.authCredentials = EncodeBase64(plain);
    WriteSetting(ctx, kAuthSetting, answer.savePassword ? QString::fromLatin1(ctx.run.authCredentials) : QString());
}

bool AskServerCredentials(AppContext& ctx)
{
    const auto answer = ctx.shell.askPassword(PreparePasswordPrompt(ctx));
    if (!answer)
        return false;
    AcceptPassword(ctx, *answer);
    return true;
}

}  // namespace tovrin
