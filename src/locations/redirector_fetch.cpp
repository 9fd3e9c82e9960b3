#include "locations/redirector_fetch.h"

#include "locations/credentials.h"
#include "state/text_rules.h"

#include <QAuthenticator>
#include <QEventLoop>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace tovrin {

namespace {
constexpr int kMaxRedirects = 10;

// Qt asks the fetch for each request's proxy, redirects included.
class FetchProxies : public QNetworkProxyFactory {
public:
    explicit FetchProxies(const RedirectorFetch& fetch) : m_fetch(fetch) {}
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override
    {
        return {m_fetch.proxyFor(query.url())};
    }

private:
    const RedirectorFetch& m_fetch;
};

std::variant<ChosenProxy, QString> ChooseFor(const ProxyConfig& config, const QUrl& url)
{
    const bool https = url.scheme().compare(QLatin1String("https"), Qt::CaseInsensitive) == 0;
    return ChooseProxy(config, https ? ProxyUse::Https : ProxyUse::Http, url.host(),
                       quint16(url.port(https ? 443 : 80)));
}

// A fetch that ended before its request was made.
FetchResult FailedBefore(FetchError error)
{
    FetchResult result;
    result.error = error;
    return result;
}

bool IsProxyError(QNetworkReply::NetworkError error)
{
    return error >= QNetworkReply::ProxyConnectionRefusedError && error <= QNetworkReply::UnknownProxyError;
}
}  // namespace

FetchError ErrorForNetworkError(QNetworkReply::NetworkError error, bool requestSent)
{
    if (error == QNetworkReply::HostNotFoundError)
        return FetchError::InvalidHost;
    return requestSent ? FetchError::Failed : FetchError::ConnectionFailed;
}

RedirectorFetch::RedirectorFetch(QObject* parent) : QObject(parent)
{
    m_manager.setProxyFactory(new FetchProxies(*this));
    connect(&m_manager, &QNetworkAccessManager::authenticationRequired, this,
            &RedirectorFetch::onAuthenticationRequired);
    connect(&m_manager, &QNetworkAccessManager::proxyAuthenticationRequired, this,
            &RedirectorFetch::onProxyAuthenticationRequired);
}

RedirectorFetch::~RedirectorFetch()
{
    abort();
}

void RedirectorFetch::setCredentials(const QString& userId, const QString& password, const QUrl& site)
{
    m_userId = TrimBlanks(userId);
    m_password = TrimBlanks(password);
    m_credentialsSite = site;
    m_hasCredentials = true;
}

void RedirectorFetch::setProxyConfig(const ProxyConfig& config)
{
    m_proxies = config;
}

QNetworkProxy RedirectorFetch::proxyFor(const QUrl& url) const
{
    if (!m_proxies)
        return QNetworkProxy(QNetworkProxy::NoProxy);
    const auto chosen = ChooseFor(*m_proxies, url);
    const ChosenProxy* proxy = std::get_if<ChosenProxy>(&chosen);
    return proxy ? ToNetworkProxy(proxy->address) : QNetworkProxy(QNetworkProxy::NoProxy);
}

FetchResult RedirectorFetch::get(const QString& location)
{
    if (isBusy())
        return FailedBefore(FetchError::Aborted);
    m_result = FetchResult{};
    m_resolved = false;
    m_credentialsSent = false;
    m_credentialsWanted = false;
    m_proxyCredentialsSent = false;
    m_proxyCredentialsWanted = false;
    m_proxy = ProxyAddress{};
    m_ended = false;

    const QUrl url(location, QUrl::TolerantMode);
    if (!url.isValid() || url.host().isEmpty()) {
        m_lastError = FetchError::InvalidHost;
        return FailedBefore(FetchError::InvalidHost);
    }
    if (m_proxies) {
        const auto chosen = ChooseFor(*m_proxies, url);
        if (const QString* problem = std::get_if<QString>(&chosen)) {
            m_lastError = FetchError::ProxyFailed;
            FetchResult result = FailedBefore(FetchError::ProxyFailed);
            result.proxyTrouble = *problem;
            return result;
        }
        m_proxy = std::get<ChosenProxy>(chosen).address;
    }

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);

    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, this, [this] { stopWith(FetchError::TimedOut); });
    m_loop = &loop;

    QNetworkReply* reply = m_manager.get(request);
    m_reply = reply;
    // Qt tells when the socket starts connecting (the host name has been
    // looked up) and when the request has gone out on a connected socket.
    connect(reply, &QNetworkReply::socketStartedConnecting, this, [this] {
        if (!m_resolved) {
            m_resolved = true;
            emit progress(FetchProgress::HostResolved);
        }
    });
    connect(reply, &QNetworkReply::requestSent, this, [this] {
        if (!m_result.requestSent) {
            m_result.requestSent = true;
            emit progress(FetchProgress::Connected);
        }
    });
    connect(reply, &QNetworkReply::redirected, this, [this] { emit progress(FetchProgress::Redirected); });
    connect(reply, &QNetworkReply::readyRead, this, &RedirectorFetch::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &RedirectorFetch::onFinished);

    deadline.start(m_timeLimitMs);
    emit busyChanged(true);
    if (!m_ended)
        loop.exec();

    m_loop = nullptr;
    m_reply = nullptr;
    emit busyChanged(false);
    reply->disconnect(this);
    reply->deleteLater();
    FetchResult result = std::move(m_result);
    if (result.error != FetchError::None)
        result.body.clear();
    m_result = FetchResult{};
    m_lastError = result.error;
    m_lastProxySite = result.proxySite;
    m_lastProxyRealm = result.proxyRealm;
    return result;
}

void RedirectorFetch::abort()
{
    stopWith(FetchError::Aborted);
}

void RedirectorFetch::onAuthenticationRequired(QNetworkReply* reply, QAuthenticator* authenticator)
{
    if (reply != m_reply || m_ended)
        return;
    // Credentials go out once per fetch, and only to the site they were given
    // for (the reply's address is the redirect's, once one was followed);
    // when the server refuses them too, the fetch ends asking for others.
    if (m_hasCredentials && !m_credentialsSent && !(m_userId.isEmpty() && m_password.isEmpty())
        && CredentialsFollowRedirect(m_credentialsSite, reply->url())) {
        m_credentialsSent = true;
        authenticator->setUser(m_userId);
        authenticator->setPassword(m_password);
        return;
    }
    // The authenticator stays empty, so the fetch ends without a second request.
    m_credentialsWanted = true;
    m_result.askedBy = reply->url();
}

void RedirectorFetch::onProxyAuthenticationRequired(const QNetworkProxy& proxy, QAuthenticator* authenticator)
{
    if (!m_reply || m_ended)
        return;
    // The proxy's own credentials (given with it, or answered this session)
    // go out once per fetch; refused, the fetch ends asking for others.
    ProxyAddress asking;
    asking.host = proxy.hostName();
    asking.port = proxy.port();
    if (!m_proxyCredentialsSent && !(proxy.user().isEmpty() && proxy.password().isEmpty())) {
        m_proxyCredentialsSent = true;
        authenticator->setUser(proxy.user());
        authenticator->setPassword(proxy.password());
        return;
    }
    m_proxyCredentialsWanted = true;
    m_result.proxySite = asking.site();
    m_result.proxyRealm = authenticator->realm();
}

void RedirectorFetch::onReadyRead()
{
    if (!m_reply || m_ended)
        return;
    m_result.body += m_reply->readAll();
    if (m_result.body.size() > kMaxBodyBytes)
        stopWith(FetchError::TooLarge);
}

void RedirectorFetch::onFinished()
{
    if (m_loop)
        m_loop->quit();
    if (!m_reply || m_ended)
        return;
    m_ended = true;
    const QNetworkReply::NetworkError error = m_reply->error();
    if (error == QNetworkReply::NoError) {
        m_result.body += m_reply->readAll();
        if (m_result.body.size() > kMaxBodyBytes)
            m_result.error = FetchError::TooLarge;
        return;
    }
    if (m_credentialsWanted && error == QNetworkReply::AuthenticationRequiredError)
        m_result.error = FetchError::NeedsCredentials;
    else if (m_proxyCredentialsWanted && error == QNetworkReply::ProxyAuthenticationRequiredError)
        m_result.error = FetchError::ProxyNeedsCredentials;
    else if (!m_proxy.isDirect() && IsProxyError(error)) {
        m_result.error = FetchError::ProxyFailed;
        m_result.proxyTrouble = ProxyTroubleText(m_proxy, m_reply->errorString());
    } else
        m_result.error = ErrorForNetworkError(error, m_result.requestSent);
}

void RedirectorFetch::stopWith(FetchError error)
{
    if (!m_reply || m_ended)
        return;
    m_ended = true;
    m_result.error = error;
    m_reply->abort();
    if (m_loop)
        m_loop->quit();
}

}  // namespace tovrin
