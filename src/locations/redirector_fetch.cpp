#include "locations/redirector_fetch.h"

#include "locations/credentials.h"
#include "state/text_rules.h"

#include <QAuthenticator>
#include <QEventLoop>
#include <QNetworkProxy>
#include <QNetworkRequest>
#include <QTimer>
#include <QUrl>

namespace tovrin {

namespace {
constexpr int kMaxRedirects = 10;
}  // namespace

FetchError ErrorForNetworkError(QNetworkReply::NetworkError error, bool requestSent)
{
    if (error == QNetworkReply::HostNotFoundError)
        return FetchError::InvalidHost;
    return requestSent ? FetchError::Failed : FetchError::ConnectionFailed;
}

RedirectorFetch::RedirectorFetch(QObject* parent) : QObject(parent)
{
    m_manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    connect(&m_manager, &QNetworkAccessManager::authenticationRequired, this,
            &RedirectorFetch::onAuthenticationRequired);
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

FetchResult RedirectorFetch::get(const QString& location)
{
    if (isBusy())
        return {QByteArray(), FetchError::Aborted, false, QUrl()};
    m_result = FetchResult{};
    m_resolved = false;
    m_credentialsSent = false;
    m_credentialsWanted = false;
    m_ended = false;

    const QUrl url(location, QUrl::TolerantMode);
    if (!url.isValid() || url.host().isEmpty()) {
        m_lastError = FetchError::InvalidHost;
        return {QByteArray(), FetchError::InvalidHost, false, QUrl()};
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
    else
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
