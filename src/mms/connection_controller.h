#pragma once

#include "locations/redirector_fetch.h"
#include "mms/command_channel.h"
#include "mms/control_connection.h"
#include "mms/run_actions.h"
#include "mms/ui_dispatcher.h"
#include "run/next_recording.h"
#include "run/run_end.h"
#include "run/silence_watchdog.h"
#include "state/app_context.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUdpSocket>

#include <atomic>
#include <memory>
#include <optional>
#include <thread>

namespace tovrin {

class ReceiveBuffer;
class ReceiveLoop;
class RecordingFile;
class ReconnectPolicy;

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
    // How long a connected run waits for anything from the server (default 45 s).
    void setSilenceLimit(int milliseconds) { m_silence.setLimit(milliseconds); }
    // The program's redirector fetch, which the stop routine ends when one is
    // under way. Forgotten by itself when the fetch object goes.
    void setRedirectorFetch(RedirectorFetch* fetch) { m_fetch = fetch; }
    // With a fallback, a connection refused before the server's first reply
    // is not told as a failure: refusedBeforeReply is emitted and the front
    // end ends the run and tries another transport.
    void setFallbackOnRefusal(bool on) { m_fallbackOnRefusal = on; }
    // With a policy, a run that loses its connection asks it for another try:
    // when it gives one, the run ends quietly as RunEnd::Lost and the caller
    // connects again (see reconnect()). Without one, as today.
    void setReconnectPolicy(ReconnectPolicy* policy) { m_reconnect = policy; }

    // The Connect command with the URL box's text. True when a connection is
    // being made; otherwise the reason has been shown, or the command came
    // while the last run's receive thread was still ending and is refused.
    bool connectClick(const QString& urlText);
    // Connects again after a run that ended as RunEnd::Lost: the same stream
    // into the same recording, with the log kept and nothing asked. An
    // on-demand stream resumes in the file from its whole slots; a broadcast
    // (`intoNextFile`) continues into the recording's next numbered file.
    // True when a connection is being made.
    bool reconnect(const QString& urlText, bool intoNextFile);
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
    // The current or last run's receive buffer and save file, until the next
    // Connect (none before the first, or when Connect failed before them).
    ReceiveBuffer* receiveBuffer();
    RecordingFile* recording();
    // Starts at the end of a run, for tests of the stop routine: a run whose
    // save file is `file`, as Connect would have opened it.
    void adoptRecording(std::unique_ptr<RecordingFile> file);

signals:
    void runStarted();
    void runFinished(tovrin::RunEnd end);
    // The URL box's text changed by a rule (trimmed, or emptied).
    void urlTextChanged(const QString& text);
    // The server refused the connection, or closed it before its first
    // reply: a caller may try another transport. The run goes on as before
    // (to the watchdog, or to its stop) unless the caller stops it.
    void refusedBeforeReply();
    // AutoLog asks for the session log to be saved at the end of a run; the
    // front end connects its save-log step here (a direct connection: the
    // save is over before the end's message shows).
    void saveLogRequested();

private:
    // RunActions, called from the receive thread.
    void requestStop() override;
    void serverClosed() override;
    void writeFailed() override;
    void streamDrained() override;
    void announceStreamStart() override;
    void announceCompletion() override;
    bool askCredentials(ServerCredentials& credentials) override;
    void sendTransport() override;
    bool takeWaitingDatagrams() override;
    bool continueIntoNextFile() override;

    // The file a continued run records into, chosen without asking.
    struct ChosenFile {
        QString path;
        bool resume = false;
    };
    bool begin(const QString& urlText, const std::optional<ChosenFile>& chosen);
    // A run that lost its connection ends quietly when the reconnect policy
    // gives another try (true); otherwise the caller ends it as before.
    bool endForReconnect();

    void onStateChanged(QAbstractSocket::SocketState state);
    void onSocketError(QAbstractSocket::SocketError error);
    void giveUpConnecting(const QString& message);
    void onConnected();
    void onDisconnected();
    void onServerReadsNoMore();
    void onReceiveBufferOverflow();
    void onDatagrams();
    void onWatchdog();
    void onSilence(qint64 silentMs);
    void onRefresh();
    void completeOnUi();
    void startReceiveThread();
    void forgetEndedRun();
    QString timeAndDate() const;

    AppContext& m_ctx;
    UiDispatcher m_ui;
    ControlConnection m_connection;
    QUdpSocket m_udp;
    QTimer m_refresh;
    QTimer m_soundRepeat;
    QTimer m_watchdog;
    SilenceWatchdog m_silence;
    CommandChannel m_channel;

    QPointer<RedirectorFetch> m_fetch;
    bool m_runActive = false;
    bool m_stopping = false;
    RunEnd m_end = RunEnd::Failed;
    bool m_connected = false;  // the run's control connection was made
    bool m_finishingThread = false;
    bool m_fallbackOnRefusal = false;
    ReconnectPolicy* m_reconnect = nullptr;
    // The files a stream change or a reconnect continues into: kept from
    // the user's Connect through every continued run of the recording.
    NextRecordingNames m_nextNames;

    // The receive thread of a run, and what it works with.
    struct ReceiveThread;
    // The current or last run's own parts: made by Connect, let go once its
    // receive thread has joined.
    struct Run;
    std::unique_ptr<Run> m_run;
};

}  // namespace tovrin
