#pragma once

#include "run/silence_watchdog.h"

#include <QObject>
#include <QTimer>

namespace tovrin {

// The two watchdogs of a run: the connect watchdog, from a connection being
// made until it is made, and the silence watchdog, from the first connection
// on, which ends a run whose server stops sending what the run needs. While
// the run waits for the user (a dialog) or for itself (a resumed file being
// read), neither runs: the server is not the one who is late.
//
// Thread: the UI thread.
class RunWatchdogs : public QObject {
    Q_OBJECT

public:
    static constexpr int kConnectLimitMs = 45000;

    explicit RunWatchdogs(QObject* parent = nullptr);

    void setConnectLimit(int milliseconds) { m_connectLimitMs = milliseconds; }
    int connectLimit() const { return m_connectLimitMs; }
    void setSilenceLimit(int milliseconds) { m_silence.setLimit(milliseconds); }

    // A connection is being made / has been made.
    void connecting();
    void connected();
    // The server sent something the run needs.
    void heard() { m_silence.heard(); }
    // Both stop: the run has ended.
    void stop();

    // Pauses both until as many resume() calls; the silence counts from the
    // last resume on.
    void pause();
    void resume();

signals:
    void connectTimedOut();
    void silent(qint64 silentMs);

private:
    QTimer m_connect;
    int m_connectLimitMs = kConnectLimitMs;
    SilenceWatchdog m_silence;
    bool m_connecting = false;
    bool m_listening = false;  // the silence watchdog runs (when not paused)
    int m_pauses = 0;
    int m_connectLeftMs = -1;  // what the connect watchdog had left when paused
};

// Pauses a run's watchdogs for as long as it lives.
class WatchdogPause {
public:
    explicit WatchdogPause(RunWatchdogs& watchdogs) : m_watchdogs(watchdogs) { m_watchdogs.pause(); }
    ~WatchdogPause() { m_watchdogs.resume(); }
    WatchdogPause(const WatchdogPause&) = delete;
    WatchdogPause& operator=(const WatchdogPause&) = delete;

private:
    RunWatchdogs& m_watchdogs;
};

}  // namespace tovrin
