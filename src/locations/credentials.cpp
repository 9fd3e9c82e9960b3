#include "locations/credentials.h"

#include "state/app_context.h"
#include "state/run_state.h"
#include "state/settings_access.h"
#include "locations/base64_coder.h"

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
        Base64Coder coder;
        coder.DecodeBuffer(saved.constData(), std::uint32_t(saved.size()));
        const QString text = QString::fromUtf8(coder.GetDecoded());
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        prompt.userId = colon < 0 ? text : text.left(colon);
        prompt.password = colon < 0 ? QString() : text.mid(colon + 1);
    }
    return prompt;
}

void AcceptPassword(AppContext& ctx, const PasswordAnswer& answer)
{
    const QByteArray plain = (answer.userId + QLatin1Char(':') + answer.password).toUtf8();
    Base64Coder coder;
    coder.EncodeBuffer(reinterpret_cast<const std::uint8_t*>(plain.constData()), std::uint32_t(plain.size()));
    ctx.run.authCredentials = coder.GetEncoded();
    WriteSetting(ctx, kAuthSetting,
                 answer.savePassword ? QString::fromLatin1(ctx.run.authCredentials) : QString());
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
