#include "locations/redirector_fetch.h"

#include "state/shell.h"
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

const QString kAuthTitle = QStringLiteral("Authentication Required !");

}  // namespace

FetchNotice NoticeForError(QNetworkReply::NetworkError error, bool requestSent)
{
    if (error == QNetworkReply::HostNotFoundError)
        return FetchNotice::InvalidHost;
    return requestSent ? FetchNotice::Failed : FetchNotice::ConnectionFailed;
}

RedirectorFetch::RedirectorFetch(Shell& shell, QObject* parent) : QObject(parent), m_shell(shell)
{
    m_manager.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
    connect(&m_manager, &QNetworkAccessManager::authenticationRequired, this,
            &RedirectorFetch::onAuthenticationRequired);
}

RedirectorFetch::~RedirectorFetch()
{
    abort();
}

void RedirectorFetch::setCredentials(const QString& userId, const QString& password)
{
    m_userId = TrimBlanks(userId);
    m_password = TrimBlanks(password);
    m_hasCredentials = true;
}

QByteArray RedirectorFetch::get(const QString& location)
{
    if (isBusy())
        return {};
    m_body.clear();
    m_requestSent = false;
    m_resolvedLogged = false;
    m_credentialsSent = false;
    m_prompted = false;
    m_ended = false;
    m_usable = false;

    const QUrl url(location, QUrl::TolerantMode);
    if (!url.isValid() || url.host().isEmpty()) {
        report(FetchNotice::InvalidHost);
        return {};
    }

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);

    QEventLoop loop;
    QTimer deadline;
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, this, &RedirectorFetch::onTimeLimit);
    m_loop = &loop;
    m_deadline = &deadline;

    QNetworkReply* reply = m_manager.get(request);
    m_reply = reply;
    // Qt tells when the socket starts connecting (the host name has been
    // looked up) and when the request has gone out on a connected socket.
    connect(reply, &QNetworkReply::socketStartedConnecting, this, [this] {
        if (!m_resolvedLogged) {
            m_resolvedLogged = true;
            report(FetchNotice::HostResolved);
        }
    });
    connect(reply, &QNetworkReply::requestSent, this, [this] {
        if (!m_requestSent) {
            m_requestSent = true;
            report(FetchNotice::Connected);
        }
    });
    connect(reply, &QNetworkReply::redirected, this, [this] { report(FetchNotice::Redirected); });
    connect(reply, &QNetworkReply::readyRead, this, &RedirectorFetch::onReadyRead);
    connect(reply, &QNetworkReply::finished, this, &RedirectorFetch::onFinished);

    deadline.start(m_timeLimitMs);
    if (!m_ended)
        loop.exec();

    m_loop = nullptr;
    m_deadline = nullptr;
    m_reply = nullptr;
    reply->disconnect(this);
    reply->deleteLater();
    QByteArray body = m_usable ? std::move(m_body) : QByteArray();
    m_body.clear();
    return body;
}

void RedirectorFetch::abort()
{
    if (!m_reply || m_ended)
        return;
    m_ended = true;
    m_usable = false;
    m_reply->abort();
    if (m_loop)
        m_loop->quit();
}

void RedirectorFetch::report(FetchNotice what)
{
    switch (what) {
    case FetchNotice::HostResolved:
        m_shell.appendLog(QStringLiteral("Resolving HTTP DNS address from URL..."));
        break;
    case FetchNotice::Connected:
        m_shell.appendLog(QStringLiteral("Connected to HTTP redirector site"));
        break;
    case FetchNotice::Redirected:
        m_shell.appendLog(QStringLiteral("Being redirected by host to another address, following."));
        break;
    case FetchNotice::Succeeded:
        m_shell.appendLog(QStringLiteral("Redirector file received"));
        break;
    case FetchNotice::ConnectionFailed:
        m_shell.showMessage(QStringLiteral("HTTP redirector site failed to connect"));
        break;
    case FetchNotice::InvalidHost:
        m_shell.showMessage(QStringLiteral("Could not connect to redirector URL, could be a broken link"));
        break;
    case FetchNotice::Failed:
        m_shell.showMessage(QStringLiteral("Redirector file error, could not locate it"));
        break;
    }
    emit notice(what);
}

void RedirectorFetch::onAuthenticationRequired(QNetworkReply* reply, QAuthenticator* authenticator)
{
    if (reply != m_reply || m_ended)
        return;
    // Credentials from an earlier prompt go out once per fetch; when the
    // server refuses them too, the user is asked again.
    if (m_hasCredentials && !m_credentialsSent && !(m_userId.isEmpty() && m_password.isEmpty())) {
        m_credentialsSent = true;
        authenticator->setUser(m_userId);
        authenticator->setPassword(m_password);
        return;
    }
    // The time limit does not run while the user types.
    if (m_deadline)
        m_deadline->stop();
    const QString password =
        m_shell.inputBox(kAuthTitle, QStringLiteral("Please enter your Password for this site"), QString());
    const QString userId =
        m_shell.inputBox(kAuthTitle, QStringLiteral("Please enter your user ID for this site"), QString());
    setCredentials(userId, password);
    m_prompted = true;
    m_shell.showMessage(QStringLiteral("Now try connecting again"));
    if (m_deadline)
        m_deadline->start(m_timeLimitMs);
    // The authenticator stays empty, so this fetch ends without a second request.
}

void RedirectorFetch::onReadyRead()
{
    if (!m_reply || m_ended)
        return;
    m_body += m_reply->readAll();
    if (m_body.size() > kMaxBodyBytes) {
        stopWith(
            std::nullopt,
            QStringLiteral("Redirector file is larger than %1 MiB, fetch stopped").arg(kMaxBodyBytes / (1024 * 1024)));
    }
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
        m_body += m_reply->readAll();
        if (m_body.size() > kMaxBodyBytes) {
            m_body.clear();
            m_shell.showMessage(QStringLiteral("Redirector file is larger than %1 MiB, fetch stopped")
                                    .arg(kMaxBodyBytes / (1024 * 1024)));
            return;
        }
        m_usable = true;
        report(FetchNotice::Succeeded);
        return;
    }
    // The prompt has already told the user what to do next.
    if (m_prompted && error == QNetworkReply::AuthenticationRequiredError)
        return;
    report(NoticeForError(error, m_requestSent));
}

void RedirectorFetch::onTimeLimit()
{
    m_shell.appendLog(
        QStringLiteral("HTTP redirector site did not answer within %1 seconds").arg(m_timeLimitMs / 1000.0));
    stopWith(m_requestSent ? FetchNotice::Failed : FetchNotice::ConnectionFailed, QString());
}

void RedirectorFetch::stopWith(std::optional<FetchNotice> notice, const QString& message)
{
    if (!m_reply || m_ended)
        return;
    m_ended = true;
    m_usable = false;
    m_reply->abort();
    if (m_loop)
        m_loop->quit();
    if (!message.isEmpty())
        m_shell.showMessage(message);
    if (notice)
        report(*notice);
}

}  // namespace tovrin
