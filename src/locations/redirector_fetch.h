#pragma once

#include "locations/proxy_choice.h"

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <optional>

class QAuthenticator;
class QEventLoop;

namespace tovrin {

// What a fetch tells while it runs, in the order it can happen.
enum class FetchProgress {
    HostResolved,  // the socket starts connecting: the host name was looked up
    Connected,     // the request went out on a connected socket
    Redirected,    // the web server sent the fetch elsewhere; it follows
};

// How a fetch ended.
enum class FetchError {
    None,                   // the body is the redirector text
    InvalidHost,            // no host in the location, or the host name is unknown
    ConnectionFailed,       // failed before the request went out
    Failed,                 // failed after the request went out (an HTTP error, a closed connection)
    TimedOut,               // no end within the time limit (see requestSent)
    TooLarge,               // the body passed kMaxBodyBytes
    NeedsCredentials,       // the web server asks for credentials the fetch has not got
    ProxyNeedsCredentials,  // the proxy asks for credentials the fetch has not got
    ProxyFailed,            // the proxy could not be used (see FetchResult::proxyTrouble)
    Aborted,                // ended by abort()
};

struct FetchResult {
    QByteArray body;  // only when error is None
    FetchError error = FetchError::None;
    bool requestSent = false;  // whether the request had gone out when it ended
    QUrl askedBy;              // NeedsCredentials: the address whose server asked
    QString proxySite;         // ProxyNeedsCredentials: the proxy that asked ("host:port")
    QString proxyRealm;        // ProxyNeedsCredentials: the realm it named
    QString proxyTrouble;      // ProxyFailed: what the user is told
};

// How a transfer that ended with `error` failed: before the request went out
// a failure is one of connecting (or of the host name), after it one of the
// request.
FetchError ErrorForNetworkError(QNetworkReply::NetworkError error, bool requestSent);

// The HTTP client for redirector files: one blocking GET at a time, run in a
// local event loop on the UI thread. It shows nothing and asks nothing: what
// happens during the fetch comes as progress() signals, how it ended as its
// result, and the step that started it tells the user. Redirects are
// followed. Credentials set here (kept for the rest of the program run)
// belong to the site they were given for: they are sent once per fetch when
// that web server asks, never to another one a redirect leads to. When a
// server asks without them, or refuses them, the fetch ends with
// NeedsCredentials.
//
// A fetch goes through the proxy its proxy configuration chooses for each
// address (none until one is set). A proxy that asks for credentials gets
// those its configuration holds, once per fetch; without them, or when it
// refuses them, the fetch ends with ProxyNeedsCredentials.
//
// Threads: UI thread only. The object must outlive any fetch in progress.
class RedirectorFetch : public QObject {
    Q_OBJECT

public:
    // Longest time a fetch may take, so a web server that never answers
    // cannot hang the program; and the largest body accepted.
    static constexpr int kDefaultTimeLimitMs = 30000;
    static constexpr qint64 kMaxBodyBytes = 4 * 1024 * 1024;

    explicit RedirectorFetch(QObject* parent = nullptr);
    ~RedirectorFetch() override;

    void setTimeLimit(int milliseconds) { m_timeLimitMs = milliseconds; }
    int timeLimit() const { return m_timeLimitMs; }

    // One GET of `location` (already trimmed). Returns when the transfer has
    // ended; an error page is no body.
    FetchResult get(const QString& location);

    // How the last fetch ended.
    FetchError lastError() const { return m_lastError; }
    // After ProxyNeedsCredentials: the proxy that asked, and its realm.
    QString lastProxySite() const { return m_lastProxySite; }
    QString lastProxyRealm() const { return m_lastProxyRealm; }

    // True while a fetch is in progress (the Open command refuses then).
    bool isBusy() const { return m_reply != nullptr; }
    // Ends the fetch in progress, which answers Aborted. Safe to call at any
    // time; the stop routine and the user's stop call it.
    void abort();

    // The web credentials to send when the web server of `site` (scheme,
    // host and port of an address) asks, each trimmed.
    void setCredentials(const QString& userId, const QString& password, const QUrl& site);
    QString userId() const { return m_userId; }
    QString password() const { return m_password; }

    // Where the proxies of the next fetches are chosen from.
    void setProxyConfig(const ProxyConfig& config);
    // The proxy for a request to `url`: none without a configuration, or
    // when it is unusable (the fetch has then ended with ProxyFailed).
    QNetworkProxy proxyFor(const QUrl& url) const;

signals:
    void progress(tovrin::FetchProgress what);
    // A fetch has started (true) or ended (false): a stop is possible while
    // one runs.
    void busyChanged(bool busy);

private:
    void onAuthenticationRequired(QNetworkReply* reply, QAuthenticator* authenticator);
    void onProxyAuthenticationRequired(const QNetworkProxy& proxy, QAuthenticator* authenticator);
    void onReadyRead();
    void onFinished();
    // Ends the fetch in progress with `error`.
    void stopWith(FetchError error);

    QNetworkAccessManager m_manager;
    int m_timeLimitMs = kDefaultTimeLimitMs;
    QString m_userId;
    QString m_password;
    QUrl m_credentialsSite;
    bool m_hasCredentials = false;
    FetchError m_lastError = FetchError::None;
    QString m_lastProxySite;
    QString m_lastProxyRealm;

    // The fetch in progress.
    QPointer<QNetworkReply> m_reply;
    QEventLoop* m_loop = nullptr;
    FetchResult m_result;
    bool m_resolved = false;
    bool m_credentialsSent = false;
    bool m_credentialsWanted = false;
    std::optional<ProxyConfig> m_proxies;
    ProxyAddress m_proxy;  // the fetch's proxy (of its first address)
    bool m_proxyCredentialsSent = false;
    bool m_proxyCredentialsWanted = false;
    bool m_ended = false;  // the result is settled
};

}  // namespace tovrin
