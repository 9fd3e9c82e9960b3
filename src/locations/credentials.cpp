#include "locations/credentials.h"

#include "locations/base64.h"

namespace tovrin {

namespace {
const QString kRealmPrefix = QStringLiteral("realm=");
}  // namespace

PasswordPrompt PreparePasswordPrompt(const QString& serverHost, const QString& authChallenge,
                                     const QByteArray& savedAuth)
{
    PasswordPrompt prompt;
    prompt.site = serverHost;
    if (authChallenge.startsWith(kRealmPrefix))
        prompt.realm = authChallenge.mid(kRealmPrefix.size());

    if (!savedAuth.isEmpty()) {
        const QString text = QString::fromUtf8(DecodeBase64Text(savedAuth));
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        prompt.userId = colon < 0 ? text : text.left(colon);
        prompt.password = colon < 0 ? QString() : text.mid(colon + 1);
    }
    return prompt;
}

QByteArray EncodeCredentials(const PasswordAnswer& answer)
{
    return EncodeBase64((answer.userId + QLatin1Char(':') + answer.password).toUtf8());
}

}  // namespace tovrin
