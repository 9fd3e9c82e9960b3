#pragma once

#include "asf/recording_file.h"
#include "locations/redirector_fetch.h"
#include "mms/command_channel.h"
#include "mms/control_connection.h"
#include "mms/receive_buffer.h"
#include "mms/run_actions.h"
#include "mms/ui_dispatcher.h"
#include "state/app_context.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUdpSocket>

#include <atomic>
#include <memory>
#include <thread>

namespace tovrin {

class ReceiveLoop;

// How a download run ended, for front ends that report it.
enum class RunEnd {
    Completed,    // the server reported the end of the stream
    Incomplete,   // it did, but the file lacks packets or could not be completed
    UserStopped,  // a confirmed Disconnect (or Ctrl-C, --duration)
    Failed,       // anything else: refusal, error code, watchdog, lost connection
};

// Runs download runs: the Connect command, the run's lifecycle over the
// control connection's events, the watchdog, UDP reception, the receive
// thread, Disconnect, the end of the stream and the stop routine.
//
// Threads: lives on the UI thread, which owns the sockets and the timers and
// runs every step that touches the user. Each run's receive thread consumes
// the receive buffer and hands its UI steps back through a UiDispatcher,
// waiting for each. The UI thread waits for a receive thread only when a new
// run starts or the controller is destroyed, after that thread's stop flag
// is set, while it keeps processing events other than user input; a Connect
// that arrives meanwhile is refused.
class ConnectionController : public QObject, public RunStopper, private RunActions {
    Q_OBJECT

public:
    explicit ConnectionController(AppContext& ctx, QObject* parent = nullptr);
    ~ConnectionController() override;

    // Binds the UDP socket to the loaded UDP port, once for the program run.
    bool bindUdp();
    quint16 udpPort() const;
    void setWatchdogInterval(int milliseconds);
    // The program's redirector fetch, which the stop routine ends when one is
    // under way. Forgotten by itself when the fetch object goes.
    void setRedirectorFetch(RedirectorFetch* fetch) { m_fetch = fetch; }
    // With a fallback, a connection refused before the server's first reply
    // is not told as a failure: refusedBeforeReply is emitted and the front
    // end ends the run and tries another transport.
    void setFallbackOnRefusal(bool on) { m_fallbackOnRefusal = on; }

    // The Connect command with the URL box's text. True when a connection is
    // being made; otherwise the reason has been shown, or the command came
    // while the last run's receive thread was still ending and is refused.
    bool connectClick(const QString& urlText);
    // The Disconnect command: asks first.
    void disconnectClick();
    // Ends the run as a confirmed Disconnect does.
    void disconnectConfirmed();
    // The stop routine: ends the run in progress, if any, patching its file
    // unless the run's fixed flags forbid it. Safe to call at any time.
    void stopRun() override;

    bool isRunning() const { return m_runActive; }
    RunEnd lastEnd() const { return m_end; }
    // Waits until the last run's receive thread has ended (it may still be
    // draining after the run stopped), processing events other than user
    // input meanwhile. Called before anything else reuses the run state.
    void finishReceiveThread();
    // The receive buffer the runs' bytes and datagrams wait in, for a test
    // that plays a sender.
    ReceiveBuffer& receiveBuffer() { return m_buffer; }
    // The save file of the current or last run (none before the first).
    std::unique_ptr<RecordingFile>& recording() { return m_recording; }

signals:
    void runStarted();
    void runFinished(tovrin::RunEnd end);
    // The URL box's text changed by a rule (trimmed, or emptied).
    void urlTextChanged(const QString& text);
    // The server refused the connection, or closed it before its first
    // reply: a caller may try another transport. The run goes on as before
    // (to the watchdog, or to its stop) unless the caller stops it.
    void refusedBeforeReply();

private:
    // RunActions, called from the receive thread.
    void requestStop() override;
    void streamDrained() override;
    void announceStreamStart() override;
    void announceCompletion() override;
    bool askCredentials() override;
    void sendTransport() override;
    bool takeWaitingDatagrams() override;

    void onStateChanged(QAbstractSocket::SocketState state);
    void onSocketError(QAbstractSocket::SocketError error);
    void giveUpConnecting();
    void onConnected();
    void onDisconnected();
    void onServerReadsNoMore();
    void onReceiveBufferOverflow();
    void onDatagrams();
    void onWatchdog();
    void onRefresh();
    void completeOnUi();
    void startReceiveThread();
    QString timeAndDate() const;

    AppContext& m_ctx;
    UiDispatcher m_ui;
    // The control connection appends, the receive thread takes; it guards
    // itself. Cleared when a run's receive thread starts.
    ReceiveBuffer m_buffer;
    // The run's save file: opened by Connect, closed by the stop routine and
    // let go by the next Connect, after the last run's receive thread has
    // ended. It guards itself.
    std::unique_ptr<RecordingFile> m_recording;
    ControlConnection m_connection;
    QUdpSocket m_udp;
    QTimer m_refresh;
    QTimer m_soundRepeat;
    QTimer m_watchdog;
    CommandChannel m_channel;

    QPointer<RedirectorFetch> m_fetch;
    bool m_runActive = false;
    bool m_stopping = false;
    RunEnd m_end = RunEnd::Failed;
    bool m_datagramOverflowLogged = false;
    bool m_connected = false;  // the run's control connection was made
    bool m_finishingThread = false;
    bool m_fallbackOnRefusal = false;

    // The receive thread of the current or last run, and what it works with.
    struct ReceiveThread;
    std::unique_ptr<ReceiveThread> m_receiver;
};

}  // namespace tovrin
