#include "mms/connection_controller.h"

#include "asf/run_fixups.h"
#include "asf/run_names.h"
#include "locations/credentials.h"
#include "locations/location_class.h"
#include "locations/redirector_fetch.h"
#include "mms/client_commands.h"
#include "mms/receive_front.h"
#include "mms/receive_loop.h"
#include "mms/ui_thread_shell.h"
#include "run/next_recording.h"
#include "run/progress.h"
#include "run/reconnect_policy.h"
#include "run/save_file_choice.h"
#include "run/server_access.h"
#include "run/storage_report.h"
#include "state/app_error.h"
#include "state/format_time.h"
#include "state/run_reset.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "state/settings_record.h"
#include "state/shell.h"

#include <QCoreApplication>
#include <QDate>
#include <QHostAddress>
#include <QLocale>
#include <QNetworkDatagram>
#include <QTime>

namespace tovrin {

namespace {

constexpr int kRefreshInterval = 200;
constexpr int kWatchdogInterval = 45000;
// Datagrams waiting for the receive thread beyond this are dropped: UDP has
// no flow control, and memory must stay bounded when the disk falls behind.
constexpr std::size_t kDatagramLaneLimit = 4u * 1024 * 1024;

}  // namespace

// One download run's own parts. Made by Connect; destroyed only once the
// run's receive thread has joined, by the next Connect or when the
// controller goes.
struct ConnectionController::Run {
    // The save file: opened by Connect, closed by the stop routine. It
    // guards itself.
    std::unique_ptr<RecordingFile> recording;
    // The control connection and the UDP socket append, the receive thread
    // takes; it guards itself.
    ReceiveBuffer buffer;
    // The server's challenge and the encoded answer: the receive thread
    // writes the challenge and sends the answer, the UI thread's password
    // dialog reads the one and writes the other while that thread waits.
    ServerCredentials credentials;
    std::unique_ptr<ReceiveThread> receiver;  // from the made connection on
    // Datagrams dropped for a full lane are told once a run (UI thread).
    bool datagramOverflowLogged = false;
    // The address the control connection reached, the only sender of the
    // run's datagrams; what else arrives is counted (UI thread).
    QHostAddress serverAddress;
    std::uint64_t foreignDatagrams = 0;
};

// What one run's receive thread works with. It outlives the thread: the
// controller destroys it only after the thread has ended.
struct ConnectionController::ReceiveThread {
    // Whatever on the receive thread ends the run, ends it on the UI thread.
    struct UiStopper : RunStopper {
        explicit UiStopper(ConnectionController& owner) : owner(owner) {}
        void stopRun() override { owner.requestStop(); }
        ConnectionController& owner;
    };

    ReceiveThread(ConnectionController& owner, Run& run)
        : shell(owner.m_ctx.shell, owner.m_ui),
          stopper(owner),
          ctx{shell, owner.m_ctx.store, owner.m_ctx.settings, owner.m_ctx.run, owner.m_ctx.session, &stopper},
          commands(owner.m_channel, owner.m_ctx.run, owner.m_ctx.session),
          loop(ctx, run.buffer, *run.recording, run.credentials, commands, owner)
    {
    }

    UiThreadShell shell;
    UiStopper stopper;
    AppContext ctx;
    ClientCommands commands;
    ReceiveLoop loop;
    std::thread thread;
    std::atomic<bool> done{false};
};

ConnectionController::ConnectionController(AppContext& ctx, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_ui(this), m_channel(m_connection.sink(), ctx.run.commandSequence)
{
    m_refresh.setInterval(kRefreshInterval);
    m_watchdog.setInterval(kWatchdogInterval);
    m_watchdog.setSingleShot(true);

    connect(&m_connection, &ControlConnection::stateChanged, this, &ConnectionController::onStateChanged);
    connect(&m_connection, &ControlConnection::errorOccurred, this, &ConnectionController::onSocketError);
    connect(&m_connection, &ControlConnection::connected, this, &ConnectionController::onConnected);
    connect(&m_connection, &ControlConnection::disconnected, this, &ConnectionController::onDisconnected);
    connect(&m_connection, &ControlConnection::serverReadsNoMore, this, &ConnectionController::onServerReadsNoMore);
    connect(&m_connection, &ControlConnection::receiveBufferOverflow, this,
            &ConnectionController::onReceiveBufferOverflow);
    connect(&m_connection, &ControlConnection::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (m_runActive && !m_connection.hasReplied()
            && (error == QAbstractSocket::ConnectionRefusedError || error == QAbstractSocket::RemoteHostClosedError))
            emit refusedBeforeReply();
    });
    connect(&m_udp, &QUdpSocket::readyRead, this, &ConnectionController::onDatagrams);
    connect(&m_watchdog, &QTimer::timeout, this, &ConnectionController::onWatchdog);
    // Bytes the connection leaves unread while the receive buffer is full
    // have come from the server all the same.
    m_silence.setUnreadTraffic([this] { return m_connection.socket().bytesAvailable() > 0; });
    connect(&m_connection.socket(), &QTcpSocket::readyRead, &m_silence, &SilenceWatchdog::heard);
    connect(&m_silence, &SilenceWatchdog::silent, this, &ConnectionController::onSilence);
    connect(&m_refresh, &QTimer::timeout, this, &ConnectionController::onRefresh);
    connect(&m_soundRepeat, &QTimer::timeout, this, [this] { m_ctx.shell.playSound(QStringLiteral("Done.wav")); });
}

ConnectionController::~ConnectionController()
{
    stopRun();
    finishReceiveThread();
}

bool ConnectionController::bindUdp()
{
    bool ok = false;
    const uint port = m_ctx.settings.loadedUdpPort.toUInt(&ok);
    if (!ok || port > 65535)
        return false;
    return m_udp.bind(QHostAddress::Any, quint16(port));
}

quint16 ConnectionController::udpPort() const
{
    return m_udp.localPort();
}

void ConnectionController::setWatchdogInterval(int milliseconds)
{
    m_watchdog.setInterval(milliseconds);
}

QString ConnectionController::timeAndDate() const
{
    const QLocale locale;
    return locale.toString(QTime::currentTime(), QLocale::ShortFormat)
           + QCoreApplication::translate("Tovrin", "  日期: ")
           + locale.toString(QDate::currentDate(), QLocale::ShortFormat);
}

bool ConnectionController::connectClick(const QString& urlText)
{
    return begin(urlText, std::nullopt);
}

bool ConnectionController::reconnect(const QString& urlText, bool intoNextFile)
{
    const QString path = intoNextFile ? m_nextNames.next(m_ctx.session.savePath) : m_ctx.session.savePath;
    return begin(urlText, ChosenFile{path, !intoNextFile});
}

bool ConnectionController::begin(const QString& urlText, const std::optional<ChosenFile>& chosen)
{
    Shell& shell = m_ctx.shell;
    RunState& run = m_ctx.run;
    if (m_runActive || m_finishingThread)
        return false;
    // Inside a step the last run's receive thread waits for (a Connect from
    // the nested event loop of its message box), that thread cannot end.
    if (m_run && m_run->receiver && !m_run->receiver->done && m_ui.inStep())
        return false;
    if (urlText.isEmpty()) {
        shell.showMessage(
            QCoreApplication::translate("Tovrin", "沒有給予網址\n請使用「檔案」->「開啟」之後輸入媒介位置。"));
        return false;
    }
    if (ClassifyLocation(urlText) & (lcHttp | lcRedirector | lcAsp)) {
        shell.showMessage(QCoreApplication::translate(
            "Tovrin", "您只能直接輸入「MMS://」位置進入這個網址視窗\n請使用「檔案」->「開啟」替代"));
        emit urlTextChanged(QString());
        return false;
    }
    if (m_ctx.settings.serverSocket.isEmpty()) {
        shell.showMessage(QStringLiteral("No TCP Port number\nUse Setup -> TCP (default = 1755)"));
        return false;
    }

    // The last run's receive thread must be gone before its state is reset.
    finishReceiveThread();
    // A continued run keeps what the window and the log show of the
    // recording it carries on; only the run's values start afresh.
    if (chosen)
        m_ctx.run.reset();
    else
        ResetRun(m_ctx);
    m_end = RunEnd::Failed;

    if (!ExtractServerHost(m_ctx, urlText)) {
        shell.showMessage(QStringLiteral("Please check URL entry, invalid IP/Host"));
        return false;
    }
    QString url = urlText;
    const bool named = PrepareNames(m_ctx.run, url);
    if (url != urlText)
        emit urlTextChanged(url);
    if (!named) {
        shell.showMessage(QStringLiteral("Please check URL entry, invalid path"));
        return false;
    }
    // A new run; the last one went with its receive thread.
    m_run = std::make_unique<Run>();
    m_run->recording = chosen ? OpenChosenSaveFile(m_ctx, chosen->path, chosen->resume) : OpenSaveFile(m_ctx);
    if (!m_run->recording)
        return false;

    if (!chosen)
        m_nextNames.start(m_ctx.session.savePath);
    AnnounceRunStart(m_ctx, url, chosen ? std::optional(chosen->path) : std::nullopt);

    // A port named in the address wins; otherwise the ServerSocket setting.
    const HostAndPort target = SplitHostAndPort(run.serverHost);
    quint16 port = 0;
    if (target.port) {
        port = *target.port;
    } else {
        bool ok = false;
        const uint value = m_ctx.settings.serverSocket.trimmed().toUInt(&ok);
        if (!ok || value == 0 || value > 65535) {
            // As an unexpected error: told, and the run ends without fix-ups,
            // closing the save file it has already opened.
            m_runActive = true;
            HandleApplicationError(
                m_ctx, QStringLiteral("'%1' is not a valid integer value").arg(m_ctx.settings.serverSocket));
            if (m_runActive)
                stopRun();
            return false;
        }
        port = quint16(value);
    }

    m_runActive = true;
    m_stopping = false;
    m_connected = false;
    run.followEntries = m_ctx.settings.followEntries;
    emit runStarted();
    shell.appendLog(m_ctx.settings.bypassDns ? QCoreApplication::translate("Tovrin", "沒有 DNS 解析，正嘗試直接連接")
                                             : QCoreApplication::translate("Tovrin", "從網址解析 DNS 伺服器位址"));
    m_connection.open(target.host, port, m_ctx.settings.bypassDns, m_run->buffer);
    return true;
}

void ConnectionController::onStateChanged(QAbstractSocket::SocketState state)
{
    if (!m_runActive)
        return;
    // The watchdog covers the lookup and the connection together: a name
    // that never resolves must not hold the run for ever.
    if (state == QAbstractSocket::HostLookupState)
        m_watchdog.start();
    if (state == QAbstractSocket::ConnectingState) {
        m_ctx.shell.appendLog(QCoreApplication::translate("Tovrin", "連線到串流伺服器中... 請稍候"));
        if (!m_watchdog.isActive())
            m_watchdog.start();
    }
}

void ConnectionController::onSocketError(QAbstractSocket::SocketError error)
{
    // Once connected, a lost connection ends the run through onDisconnected.
    if (!m_runActive || m_stopping || m_connected || error == QAbstractSocket::RemoteHostClosedError)
        return;
    if (m_fallbackOnRefusal && error == QAbstractSocket::ConnectionRefusedError)
        return;  // the front end rolls over (refusedBeforeReply)
    // The connection could not be made (no such host, refused, unreachable):
    // told now, not when the watchdog runs out.
    const QString reason = CannotConnectMessage(m_connection.socket().errorString());
    m_ctx.shell.appendLog(QStringLiteral("- ") + reason);
    giveUpConnecting(reason);
}

void ConnectionController::giveUpConnecting(const QString& message)
{
    m_ctx.run.liveHeaderFixed = true;
    m_ctx.run.packetCountFixed = true;
    if (endForReconnect())
        return;
    stopRun();
    m_ctx.shell.setCaption(QStringLiteral("Tovrin"));
    m_ctx.shell.showMessage(message);
}

void ConnectionController::onConnected()
{
    Shell& shell = m_ctx.shell;
    m_watchdog.stop();
    m_silence.start();
    m_connected = true;
    shell.appendLog(QCoreApplication::translate("Tovrin", "連接時間: \t") + timeAndDate());
    const QTcpSocket& tcp = m_connection.socket();
    m_run->serverAddress = tcp.peerAddress();
    shell.appendLog(QCoreApplication::translate("Tovrin", "伺服器位址 \t") + tcp.peerAddress().toString());
    shell.appendLog(QCoreApplication::translate("Tovrin", "伺服器埠號 \t%1").arg(tcp.peerPort()));
    shell.appendLog(QCoreApplication::translate("Tovrin", "本地端位址 \t") + tcp.localAddress().toString());
    shell.appendLog(QCoreApplication::translate("Tovrin", "本地端 TCP 埠號\t%1").arg(tcp.localPort()));
    if (m_ctx.settings.udpTick)
        shell.appendLog(QCoreApplication::translate("Tovrin", "本地端 UDP 埠號\t%1").arg(m_udp.localPort()));
    shell.appendLog(QCoreApplication::translate("Tovrin", "開啟 MMS 協定，等候回覆中..."));
    m_refresh.start();
    startReceiveThread();
    m_run->receiver->commands.sendConnect();
}

void ConnectionController::startReceiveThread()
{
    // The run's first step: datagrams that reached the UDP port before this
    // connection belong to no run of ours and must not be taken as its data.
    m_run->buffer.clear();
    m_run->datagramOverflowLogged = false;
    m_run->receiver = std::make_unique<ReceiveThread>(*this, *m_run);
    ReceiveThread* receiver = m_run->receiver.get();
    receiver->thread = std::thread([receiver] {
        receiver->loop.run();
        receiver->done = true;
    });
}

void ConnectionController::finishReceiveThread()
{
    if (!m_run)
        return;
    if (!m_run->receiver) {
        forgetEndedRun();
        return;
    }
    m_ctx.run.stopFlag = true;
    m_run->buffer.wake();
    // The thread may be waiting for a step it handed to this thread. User
    // input waits meanwhile: a Connect clicked now would start a run over
    // the one this call is finishing.
    // Posted events are delivered explicitly: called from a posted event (a
    // queued slot), the event loop would not deliver the posted step the
    // thread waits for, and the wait would never end.
    m_finishingThread = true;
    while (!m_run->receiver->done) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 5);
    }
    m_finishingThread = false;
    if (m_run->receiver->thread.joinable())
        m_run->receiver->thread.join();
    m_run->receiver.reset();
    forgetEndedRun();
}

void ConnectionController::forgetEndedRun()
{
    // A run still active keeps its parts for its stop routine.
    if (m_runActive)
        return;
    m_connection.forgetBuffer();
    m_run.reset();
}

ReceiveBuffer* ConnectionController::receiveBuffer()
{
    return m_run ? &m_run->buffer : nullptr;
}

RecordingFile* ConnectionController::recording()
{
    return m_run ? m_run->recording.get() : nullptr;
}

void ConnectionController::adoptRecording(std::unique_ptr<RecordingFile> file)
{
    finishReceiveThread();
    m_run = std::make_unique<Run>();
    m_run->recording = std::move(file);
}

void ConnectionController::onDisconnected()
{
    if (!m_runActive || m_stopping)
        return;
    m_ctx.shell.appendLog(QCoreApplication::translate("Tovrin", "關閉連接: \t") + timeAndDate());
    if (!m_run->receiver || m_run->receiver->done) {
        if (!endForReconnect())
            stopRun();
        return;
    }
    // What the server sent before it closed is still stored: the receive
    // thread drains the buffer, then asks for the stop routine.
    m_connection.closeInputOnceRead();
}

void ConnectionController::onServerReadsNoMore()
{
    if (!m_runActive)
        return;
    m_ctx.shell.appendLog(QStringLiteral("- MMS server reads no more commands, connection given up"));
    stopRun();
}

void ConnectionController::onReceiveBufferOverflow()
{
    stopRun();
    m_ctx.shell.showMessage(QCoreApplication::translate(
        "Tovrin", "緩衝區必須達到它的限制大小 - 已放棄連線期間!\n您所下載的媒介已自動幫您儲存"));
}

void ConnectionController::onDatagrams()
{
    while (m_udp.hasPendingDatagrams()) {
        const qint64 size = m_udp.pendingDatagramSize();
        if (!m_ctx.run.dataOverUdp) {
            m_udp.receiveDatagram(0);
            m_ctx.shell.appendLog(QStringLiteral("Warning, unrequested UDP data detected at local port"));
            continue;
        }
        const QNetworkDatagram datagram = m_udp.receiveDatagram(size >= kMaxDatagramSize ? 0 : kMaxDatagramSize);
        if (!m_run)
            continue;  // no run to take it
        // Only the server the control connection reached sends the run's
        // data: anyone else who reaches the port fills no slot of the file.
        if (!datagram.senderAddress().isEqual(m_run->serverAddress, QHostAddress::TolerantConversion)) {
            if (m_run->foreignDatagrams++ == 0)
                m_ctx.shell.appendLog(QStringLiteral("Warning, UDP data from %1, not the server, dropped")
                                          .arg(datagram.senderAddress().toString()));
            continue;
        }
        m_silence.heard();
        if (size >= kMaxDatagramSize) {
            m_ctx.shell.showMessage(QStringLiteral("Error - UDP Buffer too small for datagram"));
            continue;
        }
        const QByteArray bytes = datagram.data();
        // One data packet per datagram: a datagram whose prefix disagrees with
        // its size could not be split, and is dropped.
        if (bytes.size() < kDataPrefixSize || ReadDataPrefix(bytes).length != bytes.size()) {
            m_ctx.shell.appendLog(QStringLiteral("Warning, UDP datagram does not hold one data packet, dropped"));
            continue;
        }
        ReceiveBuffer& buffer = m_run->buffer;
        if (buffer.size(ReceiveBuffer::Lane::Datagrams) + std::size_t(bytes.size()) > kDatagramLaneLimit) {
            if (!m_run->datagramOverflowLogged)
                m_ctx.shell.appendLog(
                    QStringLiteral("Warning, UDP data arrives faster than it is stored, datagrams dropped"));
            m_run->datagramOverflowLogged = true;
            continue;
        }
        buffer.append(ReceiveBuffer::Lane::Datagrams, bytes);
    }
}

void ConnectionController::onWatchdog()
{
    m_ctx.shell.appendLog(QCoreApplication::translate("Tovrin", " ---- TCP Socket 逾時，連線期間已放棄 ----"));
    giveUpConnecting(QCoreApplication::translate("Tovrin", "這個伺服器並沒有適時的回答方式，連線期間已放棄"));
}

void ConnectionController::onSilence(qint64 silentMs)
{
    if (!m_runActive)
        return;
    // What arrived is kept: the stop routine patches the file as for a stop.
    m_ctx.shell.appendLog(ServerSilentLogLine(silentMs));
    if (endForReconnect())
        return;
    stopRun();
    m_ctx.shell.setCaption(QStringLiteral("Tovrin"));
    m_ctx.shell.showMessage(ServerSilentMessage(silentMs));
}

void ConnectionController::onRefresh()
{
    RefreshTick(m_ctx);
}

bool ConnectionController::endForReconnect()
{
    if (!m_runActive || !m_reconnect || !m_reconnect->takeTry(m_ctx.run.mediaPacketStored))
        return false;
    m_end = RunEnd::Lost;
    stopRun();
    return true;
}

void ConnectionController::disconnectClick()
{
    if (!ConfirmDisconnect(m_ctx))
        return;
    disconnectConfirmed();
    TellDisconnected(m_ctx);
}

void ConnectionController::disconnectConfirmed()
{
    if (m_runActive)
        m_end = RunEnd::UserStopped;
    stopRun();
    m_ctx.shell.setCaption(QStringLiteral("Tovrin"));
}

void ConnectionController::stopRun()
{
    RunState& run = m_ctx.run;
    Shell& shell = m_ctx.shell;
    run.stopFlag = true;
    if (m_run)
        m_run->buffer.wake();
    m_watchdog.stop();
    m_silence.stop();
    if (m_run && m_run->foreignDatagrams > 0 && m_runActive)
        shell.appendLog(QStringLiteral("- UDP datagrams from other addresses than the server's, dropped: %1")
                            .arg(m_run->foreignDatagrams));

    FixUpAndTell(shell, run, recording());

    m_stopping = true;
    m_connection.abort();
    m_stopping = false;
    if (m_fetch && m_fetch->isBusy())
        m_fetch->abort();
    shell.setModeLabel(ModeLabel::Standby);
    m_refresh.stop();
    if (RecordingFile* file = recording())
        file->close();
    if (m_runActive) {
        m_runActive = false;
        emit runFinished(m_end);
    }
}

// --- steps the receive thread hands over ---------------------------------

void ConnectionController::requestStop()
{
    // Only the thread's own run: once it has stopped, the run state may
    // already serve another run (another transport's, after a rollover).
    m_ui.run([this] {
        if (m_runActive)
            stopRun();
    });
}

void ConnectionController::serverClosed()
{
    m_ui.run([this] {
        if (!m_runActive)
            return;
        const CompletionVerdict verdict = CutShortVerdict(m_ctx.run);
        // A stream cut short, or a broadcast that has no end of its own.
        if ((!verdict.whole || m_ctx.run.isLive()) && endForReconnect())
            return;
        if (!verdict.whole)
            m_end = RunEnd::Incomplete;
        stopRun();
        if (!verdict.whole)
            AnnounceIncompleteEnd(m_ctx, verdict.reasonLine, verdict.message, [this] { emit saveLogRequested(); });
    });
}

void ConnectionController::writeFailed()
{
    m_ui.run([this] {
        if (!m_runActive)
            return;
        stopRun();
        AnnounceWriteFailureEnd(m_ctx, [this] { emit saveLogRequested(); });
    });
}

void ConnectionController::streamDrained()
{
    m_connection.resumeReading();
}

void ConnectionController::announceStreamStart()
{
    m_ui.run([this] { AnnounceStreamStart(m_ctx); });
}

void ConnectionController::announceCompletion()
{
    m_ui.run([this] { completeOnUi(); });
}

bool ConnectionController::askCredentials(ServerCredentials& credentials)
{
    bool confirmed = false;
    m_ui.run([&] { confirmed = AskServerCredentials(m_ctx, credentials); });
    return confirmed;
}

void ConnectionController::sendTransport()
{
    QString address;
    QString port;
    bool udp = false;
    m_ui.run([&] {
        udp = m_ctx.settings.udpTick;
        m_ctx.run.dataOverUdp = udp;
        address = m_connection.socket().localAddress().toString();
        port = QString::number(udp ? m_udp.localPort() : m_connection.socket().localPort());
    });
    m_run->receiver->commands.sendTransport(address, udp, port);
}

bool ConnectionController::takeWaitingDatagrams()
{
    bool udp = false;
    m_ui.run([&] {
        udp = m_ctx.run.dataOverUdp;
        if (udp)
            onDatagrams();
    });
    return udp;
}

bool ConnectionController::continueIntoNextFile()
{
    bool continued = false;
    m_ui.run([&] {
        if (m_runActive)
            continued = ContinueIntoNextFile(m_ctx, *m_run->recording, m_nextNames);
    });
    return continued;
}

void ConnectionController::completeOnUi()
{
    RecordingFile* file = recording();
    if (!file)
        return;  // no run of this controller's is under way
    const CompletionVerdict verdict = CompleteRunFile(m_ctx, *file);
    if (m_runActive)
        m_end = verdict.whole ? RunEnd::Completed : RunEnd::Incomplete;
    stopRun();
    const auto saveLog = [this] { emit saveLogRequested(); };
    if (verdict.whole)
        AnnounceCompletion(m_ctx, m_soundRepeat, saveLog);
    else
        AnnounceIncompleteEnd(m_ctx, verdict.reasonLine, verdict.message, saveLog);
}

}  // namespace tovrin
