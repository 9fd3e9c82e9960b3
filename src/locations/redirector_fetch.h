#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class QAuthenticator;
class QEventLoop;
class QTimer;

namespace tovrin {

class Shell;

// What a fetch reports to the main window while it runs, in the order they
// can arrive.
enum class FetchNotice {
    HostResolved,      // "Resolving HTTP DNS address from URL..."
    Connected,         // "Connected to HTTP redirector site"
    Redirected,        // "Being redirected by host to another address, following."
    Succeeded,         // "Redirector file received"
    ConnectionFailed,  // "HTTP redirector site failed to connect"
    InvalidHost,       // "Could not connect to redirector URL, could be a broken link"
    Failed,            // "Redirector file error, could not locate it"
};

// Which notice a transfer that ended with `error` gives: before the request
// went out a failure is one of connecting (or of the host name), after it
// one of the request.
FetchNotice NoticeForError(QNetworkReply::NetworkError error, bool requestSent);

// The main window's HTTP client for redirector files: one blocking GET at a
// time, run in a local event loop on the UI thread, reporting into the
// session log and through message boxes. Redirects are followed. When the web
// server demands authentication the user is asked for a password and a user
// id; they are kept for the rest of the program run and sent when a later
// fetch is asked for them. The fetch under way is not repeated.
//
// Threads: UI thread only. The object must outlive any fetch in progress.
class RedirectorFetch : public QObject {
    Q_OBJECT

public:
    // Longest time a fetch may take, so a web server that never answers
    // cannot hang the program; and the largest body accepted.
    static constexpr int kDefaultTimeLimitMs = 30000;
    static constexpr qint64 kMaxBodyBytes = 4 * 1024 * 1024;

    explicit RedirectorFetch(Shell& shell, QObject* parent = nullptr);
    ~RedirectorFetch() override;

    void setTimeLimit(int milliseconds) { m_timeLimitMs = milliseconds; }

    // One GET of `location` (already trimmed). Returns when the transfer has
    // ended, with the body; empty when nothing usable was received (an
    // error page is not a redirector file).
    QByteArray get(const QString& location);

    // True while a fetch is in progress (the Open command refuses then).
    bool isBusy() const { return m_reply != nullptr; }
    // Ends the fetch in progress, quietly; it then answers an empty body.
    // Safe to call at any time; the stop routine calls it.
    void abort();

    // The web credentials set by the last authentication prompt (or by the
    // front end), each trimmed.
    void setCredentials(const QString& userId, const QString& password);
    QString userId() const { return m_userId; }
    QString password() const { return m_password; }
    // True when the last fetch ended with the authentication prompt.
    bool askedForCredentials() const { return m_prompted; }

signals:
    // Every notice of the fetch, after the main window's handler has run.
    void notice(tovrin::FetchNotice what);

private:
    void report(FetchNotice what);
    void onAuthenticationRequired(QNetworkReply* reply, QAuthenticator* authenticator);
    void onReadyRead();
    void onFinished();
    void onTimeLimit();
    // Ends the fetch in progress: shows `message` (when given), then the notice.
    void stopWith(std::optional<FetchNotice> notice, const QString& message);

    Shell& m_shell;
    QNetworkAccessManager m_manager;
    int m_timeLimitMs = kDefaultTimeLimitMs;
    QString m_userId;
    QString m_password;
    bool m_hasCredentials = false;

    // The fetch in progress.
    QPointer<QNetworkReply> m_reply;
    QEventLoop* m_loop = nullptr;
    QTimer* m_deadline = nullptr;
    QByteArray m_body;
    bool m_requestSent = false;
    bool m_resolvedLogged = false;
    bool m_credentialsSent = false;
    bool m_prompted = false;
    bool m_ended = false;   // a notice already closed this fetch
    bool m_usable = false;  // the body is a successful transfer's
};

}  // namespace tovrin
