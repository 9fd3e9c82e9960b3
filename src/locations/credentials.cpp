#include "locations/credentials.h"

#include "locations/base64.h"

#include <QUrl>

namespace tovrin {

namespace {
const QString kRealmPrefix = QStringLiteral("realm=");

// The port a URL reaches: its own, or its scheme's.
int EffectivePort(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    int standard = -1;
    if (scheme == QLatin1String("http") || scheme == QLatin1String("mmsh"))
        standard = 80;
    else if (scheme == QLatin1String("https"))
        standard = 443;
    else if (scheme.startsWith(QLatin1String("mms")))
        standard = 1755;
    return url.port(standard);
}
}  // namespace

QString CredentialsSite(const QString& serverHost)
{
    return serverHost.trimmed().toLower();
}

bool CredentialsFollowRedirect(const QUrl& from, const QUrl& to)
{
    return from.isValid() && to.isValid() && !from.host().isEmpty()
           && from.scheme().compare(to.scheme(), Qt::CaseInsensitive) == 0
           && from.host().compare(to.host(), Qt::CaseInsensitive) == 0 && EffectivePort(from) == EffectivePort(to);
}

PasswordPrompt PreparePasswordPrompt(const QString& serverHost, const QString& authChallenge,
                                     const QByteArray& savedAuth, const QString& savedSite)
{
    PasswordPrompt prompt;
    prompt.site = serverHost;
    if (authChallenge.startsWith(kRealmPrefix))
        prompt.realm = authChallenge.mid(kRealmPrefix.size());

    if (!savedAuth.isEmpty() && !savedSite.isEmpty() && CredentialsSite(savedSite) == CredentialsSite(serverHost)) {
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
