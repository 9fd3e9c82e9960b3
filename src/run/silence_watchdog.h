#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

namespace tovrin {

// Ends a run whose server has fallen silent: from the connection on, what
// the server sends for the run (a reply of the exchange, the header, media;
// not a keep-alive) counts, and a run that hears nothing for the limit is
// given up.
//
// Thread: the UI thread, which hears the traffic and owns the timer.
class SilenceWatchdog : public QObject {
    Q_OBJECT

public:
    static constexpr int kDefaultLimitMs = 45000;

    explicit SilenceWatchdog(QObject* parent = nullptr);

    void setLimit(int milliseconds) { m_limitMs = milliseconds; }
    int limit() const { return m_limitMs; }
    // Bytes the front end holds unread (a full receive buffer) are traffic
    // too: the server has sent them.
    void setUnreadTraffic(std::function<bool()> unread) { m_unread = std::move(unread); }
    // From the connection on; again on each new connection of the run.
    void start();
    void stop();
    // Traffic from the server arrived.
    void heard() { m_lastHeard.restart(); }

signals:
    // The server sent nothing for `silentMs`; the watchdog has stopped.
    void silent(qint64 silentMs);

private:
    void check();

    QTimer m_tick;
    QElapsedTimer m_lastHeard;
    int m_limitMs = kDefaultLimitMs;
    std::function<bool()> m_unread;
};

// The log line and the message of a run given up for a silent server, saying
// how long it was silent and whether media it sent before was saved.
QString ServerSilentLogLine(qint64 silentMs);
QString ServerSilentMessage(qint64 silentMs, bool mediaSaved);

}  // namespace tovrin
