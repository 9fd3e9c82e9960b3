#include "mmsh/mmsh_controller.h"

#include "asf/asf_objects.h"
#include "asf/byte_helpers.h"
#include "asf/run_fixups.h"
#include "asf/run_names.h"
#include "mmsh/mmsh_request.h"
#include "run/next_recording.h"
#include "run/progress.h"
#include "run/reconnect_policy.h"
#include "run/save_file_choice.h"
#include "run/server_access.h"
#include "run/server_error.h"
#include "run/storage_report.h"
#include "state/run_reset.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "state/settings_record.h"
#include "state/shell.h"

#include <QCoreApplication>
#include <QUuid>

namespace tovrin {

namespace {

constexpr int kRefreshInterval = 200;
constexpr int kWatchdogInterval = 45000;
constexpr std::uint32_t kEndFinished = 0;
constexpr std::uint32_t kEndOfEntry = 1;
// File Properties Object fields, from the object's start.
constexpr qsizetype kFpoPacketCount = 56;
constexpr qsizetype kFpoFlags = 88;
constexpr qsizetype kFpoMinPacketSize = 92;
constexpr qsizetype kFpoMaxBitRate = 100;
constexpr std::uint32_t kBroadcastFlag = 0x01;

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307;
}

}  // namespace

MmshController::MmshController(AppContext& ctx, QObject* parent) : QObject(parent), m_ctx(ctx)
{
    m_refresh.setInterval(kRefreshInterval);
    m_watchdog.setInterval(kWatchdogInterval);
    m_watchdog.setSingleShot(true);
    m_tcp.setReadBufferSize(kReadLimit);
    connect(&m_tcp, &QTcpSocket::connected, this, &MmshController::onConnected);
    connect(&m_tcp, &QTcpSocket::readyRead, this, &MmshController::onReadyRead);
    connect(&m_tcp, &QTcpSocket::disconnected, this, &MmshController::onDisconnected);
    connect(&m_tcp, &QTcpSocket::errorOccurred, this, &MmshController::onError);
    connect(&m_watchdog, &QTimer::timeout, this, &MmshController::onWatchdog);
    connect(&m_silence, &SilenceWatchdog::silent, this, &MmshController::onSilence);
    connect(&m_refresh, &QTimer::timeout, this, [this] { RefreshTick(m_ctx); });
    connect(&m_soundRepeat, &QTimer::timeout, this, [this] { m_ctx.shell.playSound(QStringLiteral("Done.wav")); });
}

MmshController::~MmshController()
{
    stopRun();
}

bool MmshController::connectClick(const QString& urlText)
{
    return begin(urlText, std::nullopt);
}

bool MmshController::continueRun(const QString& urlText, const QString& savePath, bool resume)
{
    m_nextNames.start(savePath);
    return begin(urlText, ChosenFile{savePath, resume});
}

bool MmshController::reconnect(const QString& urlText, bool intoNextFile)
{
    const QString path = intoNextFile ? m_nextNames.next(m_ctx.session.savePath) : m_ctx.session.savePath;
    return begin(urlText, ChosenFile{path, !intoNextFile});
}

bool MmshController::begin(const QString& urlText, const std::optional<ChosenFile>& chosen)
{
    Shell& shell = m_ctx.shell;
    if (m_runActive)
        return false;
    // A continued run keeps what the window and the log show of the run it
    // carries on; only the run's values start afresh.
    if (chosen)
        m_ctx.run.reset();
    else
        ResetRun(m_ctx);
    m_credentials = {};  // a run starts without the last run's credentials
    m_end = RunEnd::Failed;
    QString url = urlText.trimmed();
    QUrl parsed(url);
    if (!parsed.isValid() || parsed.host().isEmpty()) {
        shell.showMessage(QStringLiteral("Please check URL entry, invalid IP/Host"));
        return false;
    }
    if (parsed.path().size() <= 1 && !parsed.hasQuery()) {
        // An HTTP server may publish its stream at its root (VLC does): the
        // recording is named after the server.
        m_ctx.run.serverHost = parsed.authority();
        m_ctx.run.streamPath.clear();
        m_ctx.run.defaultSaveName = parsed.host() + QStringLiteral("_live.asf");
    } else {
        if (!ExtractServerHost(m_ctx, url))
            return false;
        if (!PrepareNames(m_ctx.run, url)) {
            shell.showMessage(QStringLiteral("Please check URL entry, invalid path"));
            return false;
        }
    }
    parsed.setScheme(QStringLiteral("http"));
    if (parsed.port() < 0)
        parsed.setPort(m_defaultPort);
    // The last run's file is let go first: choosing it again is no clash.
    m_writer.reset();
    m_recording.reset();
    m_recording = chosen ? OpenChosenSaveFile(m_ctx, chosen->path, chosen->resume) : OpenSaveFile(m_ctx);
    if (!m_recording)
        return false;

    if (!chosen)
        m_nextNames.start(m_ctx.session.savePath);
    AnnounceRunStart(m_ctx, url, chosen ? std::optional(chosen->path) : std::nullopt);

    m_url = parsed;
    m_clientGuid = QUuid::createUuid().toString(QUuid::WithBraces);
    m_writer.emplace(m_ctx.run, *m_recording);
    m_header.clear();
    m_headerStored = m_newHeaderExpected = m_streaming = m_ended = m_broadcast = false;
    m_redirects = m_authTries = 0;
    m_ctx.run.followEntries = m_ctx.settings.followEntries;
    m_runActive = true;
    m_stopping = false;
    emit runStarted();
    m_refresh.start();
    request(Step::Describe);
    return true;
}

void MmshController::request(Step step)
{
    m_step = step;
    m_in.clear();
    m_headRead = false;
    m_stopping = true;  // the old connection's end is no event of the run
    m_tcp.abort();
    m_stopping = false;
    m_ctx.shell.appendLog(
        QStringLiteral("- MMSH %1 %2:%3%4")
            .arg(step == Step::Describe ? QStringLiteral("Describe") : QStringLiteral("Play"), m_url.host())
            .arg(m_url.port())
            .arg(m_url.path()));
    m_watchdog.start();
    m_tcp.connectToHost(m_url.host(), quint16(m_url.port()));
}

void MmshController::onConnected()
{
    m_watchdog.stop();
    m_silence.start();
    MmshRequest request;
    request.hostHeader = m_url.host(QUrl::FullyEncoded).toLatin1();
    if (m_url.port() != 80)
        request.hostHeader += ':' + QByteArray::number(m_url.port());
    request.path = m_url.path(QUrl::FullyEncoded).toLatin1();
    if (request.path.isEmpty())
        request.path = "/";
    if (m_url.hasQuery())
        request.path += '?' + m_url.query(QUrl::FullyEncoded).toLatin1();
    request.clientGuid = m_clientGuid;
    request.basicCredentials = m_credentials.encoded;
    if (m_step == Step::Play) {
        request.play = true;
        const std::size_t count = std::min<std::size_t>(m_ctx.run.streamCount, kMaxStreams);
        request.streams.assign(m_ctx.session.streamNumbers.begin(), m_ctx.session.streamNumbers.begin() + count);
        if (m_ctx.run.resume)
            request.packetNum = m_ctx.run.storedPacketCount.load();
    }
    m_tcp.write(BuildMmshRequest(request));
}

void MmshController::onReadyRead()
{
    if (!m_runActive || m_ended)
        return;
    m_silence.heard();
    // A chunk is at most 64 KiB: the buffer never holds much more than one
    // chunk plus one socket read.
    m_in += m_tcp.read(kReadLimit);
    if (consume() && m_tcp.bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &MmshController::onReadyRead, Qt::QueuedConnection);
}

bool MmshController::consume()
{
    if (!m_headRead && !handleHead())
        return false;
    if (!m_headRead)
        return true;
    qsizetype at = 0;
    bool running = true;
    const std::uint32_t maxPayload = m_headerStored ? m_ctx.run.packetSize.load() : 0;
    while (running) {
        const ChunkRead read = ReadChunk(QByteArrayView(m_in).sliced(at), maxPayload);
        if (read.kind == ChunkRead::Kind::NeedMore)
            break;
        if (read.kind == ChunkRead::Kind::Bad) {
            fail(QStringLiteral("- MMSH framing error: ") + read.error);
            return false;
        }
        at += read.size;
        running = handleChunk(read.chunk) && !stoppedByWriteFailure();
    }
    if (!running)
        return false;
    m_in.remove(0, at);
    TellWriteFailure(m_ctx.shell, m_writer->flush());
    return !stoppedByWriteFailure();
}

bool MmshController::stoppedByWriteFailure()
{
    // The first failed write ends the run, as over MMS.
    if (!m_runActive || !m_ctx.run.writeErrorReported)
        return false;
    m_ended = true;
    stopRun();
    AnnounceWriteFailureEnd(m_ctx, [this] { emit saveLogRequested(); });
    return true;
}

bool MmshController::handleHead()
{
    const ReplyHeadRead read = ReadReplyHead(m_in);
    if (read.kind == ReplyHeadRead::Kind::NeedMore)
        return true;
    if (read.kind == ReplyHeadRead::Kind::Bad) {
        fail(QStringLiteral("- MMSH reply error: ") + read.error);
        return false;
    }
    m_in.remove(0, read.size);
    const MmshReplyHead& head = read.head;
    if (isRedirect(head.status) && !head.location.isEmpty()) {
        if (++m_redirects > kMaxRedirects) {
            fail(QStringLiteral("- MMSH: more than %1 redirects, given up").arg(kMaxRedirects));
            return false;
        }
        QUrl next = m_url.resolved(QUrl::fromEncoded(head.location));
        if (next.scheme() == QLatin1String("mmsh") || next.scheme() == QLatin1String("mms"))
            next.setScheme(QStringLiteral("http"));
        if (next.scheme() != QLatin1String("http") || next.host().isEmpty()) {
            fail(QStringLiteral("- MMSH: redirect to an address that is not HTTP: ")
                 + QString::fromLatin1(head.location));
            return false;
        }
        if (next.port() < 0)
            next.setPort(80);
        m_ctx.shell.appendLog(QStringLiteral("- MMSH redirect (%1) to %2").arg(head.status).arg(next.toString()));
        m_url = next;
        request(m_step);
        return false;
    }
    if (head.status == 401) {
        // The server closes the refused connection, perhaps while the dialog
        // is open: that close is no event of the run, nor is the silence
        // while the user types.
        m_stopping = true;
        m_tcp.abort();
        m_stopping = false;
        m_watchdog.stop();
        m_credentials.challenge = QStringLiteral("realm=") + QString::fromUtf8(head.realm);
        if (++m_authTries > kMaxAuthTries || !AskServerCredentials(m_ctx, m_credentials)) {
            m_ctx.shell.showMessage(QCoreApplication::translate("Tovrin", "連線期間已放棄，關閉連線"));
            m_ctx.run.liveHeaderFixed = true;
            m_ctx.run.packetCountFixed = true;
            stopRun();
            return false;
        }
        if (m_runActive)  // not ended while the dialog was open
            request(m_step);
        return false;
    }
    if (head.status != 200) {
        fail(QStringLiteral("- MMSH: the server answered HTTP %1").arg(head.status));
        return false;
    }
    m_headRead = true;
    if (m_step == Step::Describe)
        m_broadcast = head.broadcast();
    else
        AnnounceStreamStart(m_ctx);
    return true;
}

bool MmshController::handleChunk(const MmshChunk& chunk)
{
    switch (chunk.type) {
    case 'H':
        if (m_headerStored && !m_newHeaderExpected) {
            if (!m_streaming)
                return true;  // the Play's copy of the header the Describe gave
            // A header amid the data, without $C: the stream changed all the
            // same, and nothing more is stored until its header is known.
            m_newHeaderExpected = true;
            m_header.clear();
        }
        if (chunk.afFlags & 0x04)
            m_header.clear();
        if (std::uint64_t(m_header.size()) + chunk.payload.size() > kMaxHeaderLength) {
            fail(QStringLiteral("- MMSH: ASF header longer than %1 bytes").arg(kMaxHeaderLength));
            return false;
        }
        m_header += chunk.payload;
        return (chunk.afFlags & 0x08) == 0 || headerComplete();
    case 'D':
        if (!m_headerStored || m_newHeaderExpected) {
            if (!m_streaming)
                m_ctx.shell.appendLog(QStringLiteral("- Media packet before the ASF header, dropped"));
            m_streaming = true;
            return true;
        }
        m_streaming = true;
        TellStoredPacket(m_ctx.shell, m_writer->handle(chunk.locationId, chunk.payload));
        return true;
    case 'E':
        if (chunk.reason == kEndOfEntry && m_ctx.run.followEntries)
            return true;  // a $C and the next entry follow
        if (chunk.reason == kEndOfEntry) {
            complete();  // the first entry is the whole recording
            return false;
        }
        if (chunk.reason == kEndFinished) {
            complete();
            return false;
        }
        TellWriteFailure(m_ctx.shell, m_writer->flush());
        ReportServerError(m_ctx.shell, chunk.reason);
        stopRun();
        return false;
    case 'C':
        m_newHeaderExpected = true;
        m_header.clear();
        return true;
    default:
        return true;  // $M, $P, $T tell a recorder nothing it needs
    }
}

bool MmshController::headerComplete()
{
    RunState& run = m_ctx.run;
    if (m_headerStored) {
        // The stream's next entry: the same header goes on into the same
        // file; another one into the next numbered file.
        m_newHeaderExpected = false;
        if (m_header == m_storedHeader) {
            m_ctx.shell.appendLog(
                QCoreApplication::translate("Tovrin", "- 下一個項目的 ASF 標題相同，繼續錄製到同一個檔案"));
            m_writer->entryChanged();
            return true;
        }
        TellWriteFailure(m_ctx.shell, m_writer->flush());
        if (!m_ctx.run.followEntries || !ContinueIntoNextFile(m_ctx, *m_recording, m_nextNames)) {
            complete();
            return false;
        }
        m_headerStored = false;
        m_writer->startOver();
    }
    const QByteArrayView fpo = HeaderObjects(m_header).bytes(guid::kFileProperties);
    const auto packetSize = LE32At(fpo, kFpoMinPacketSize);
    if (!packetSize || *packetSize == 0 || *packetSize > kMaxPacketSize) {
        fail(QStringLiteral("- MMSH: the ASF header names no usable packet size"));
        return false;
    }
    const bool live = m_broadcast || (LE32At(fpo, kFpoFlags).value_or(0) & kBroadcastFlag);
    run.packetSize = *packetSize;
    run.headerLength = std::uint32_t(m_header.size());
    run.streamBitRate = LE32At(fpo, kFpoMaxBitRate).value_or(0);
    run.filePacketCount = live ? kLivePacketCount : LE32At(fpo, kFpoPacketCount).value_or(0);
    if (run.isLive() && run.resume) {
        m_ctx.shell.showMessage(
            QCoreApplication::translate("Tovrin", "錯誤 - 現況串流偵測!\n現況期間無法重新開始\n請再嘗試一次"));
        run.liveHeaderFixed = true;
        stopRun();
        return false;
    }
    if (!ReceiveHeaderBytes(m_ctx, *m_recording, m_header)) {
        stopRun();
        return false;
    }
    m_headerStored = true;
    m_storedHeader = m_header;
    if (m_step == Step::Describe) {
        request(Step::Play);
        return false;
    }
    return true;
}

void MmshController::onDisconnected()
{
    if (!m_runActive || m_stopping || m_ended)
        return;
    // What arrived before the close is stored first.
    while (m_tcp.bytesAvailable() > 0 || !m_in.isEmpty()) {
        const qsizetype before = m_in.size();
        m_in += m_tcp.read(kReadLimit);
        if (!consume())
            return;
        if (m_in.size() == before && m_tcp.bytesAvailable() == 0)
            break;  // an incomplete chunk that will never be completed
    }
    if (m_step == Step::Describe && m_headRead && !m_headerStored && !m_header.isEmpty()) {
        // A server that does not flag the last $H ends the header by closing.
        headerComplete();
        return;
    }
    if (m_step == Step::Play && m_streaming && m_ctx.run.isLive()) {
        // A broadcast that closes without $E has ended all the same, unless
        // the recording connects again.
        if (failForReconnect(QStringLiteral("- MMSH: the server closed the broadcast")))
            return;
        m_ctx.shell.appendLog(QStringLiteral("- MMSH: the server closed the broadcast"));
        m_end = RunEnd::Completed;
        stopRun();
        return;
    }
    if (m_headRead)
        failCutShort(QStringLiteral("- MMSH: the server closed the connection before the end of the stream"));
    else if (!failForReconnect(QStringLiteral("- MMSH: the server closed the connection without a reply")))
        fail(QStringLiteral("- MMSH: the server closed the connection without a reply"));
}

void MmshController::failCutShort(const QString& logLine)
{
    // A stream of known length cut short is told as incomplete.
    const CompletionVerdict verdict = CutShortVerdict(m_ctx.run);
    if (!verdict.whole && failForReconnect(logLine))
        return;
    if (!verdict.whole && m_runActive)
        m_end = RunEnd::Incomplete;
    fail(logLine);
    if (!verdict.whole)
        AnnounceIncompleteEnd(m_ctx, verdict.reasonLine, verdict.message, [this] { emit saveLogRequested(); });
}

void MmshController::onError(QAbstractSocket::SocketError error)
{
    if (!m_runActive || m_stopping || error == QAbstractSocket::RemoteHostClosedError)
        return;
    const QString reason = m_tcp.errorString();
    const bool notMade =
        error == QAbstractSocket::ConnectionRefusedError || error == QAbstractSocket::HostNotFoundError;
    if (failForReconnect(QStringLiteral("- MMSH connection error: ") + reason))
        return;
    fail(QStringLiteral("- MMSH connection error: ") + reason);
    // A connection that could not be made before anything was stored is
    // told as over MMS: in a message, in the socket's own words.
    if (notMade && !m_headerStored)
        m_ctx.shell.showMessage(CannotConnectMessage(reason));
}

void MmshController::onWatchdog()
{
    if (!m_runActive)
        return;
    if (!m_headerStored) {
        // As for MMS: no answer in time, nothing worth patching.
        m_ctx.run.liveHeaderFixed = true;
        m_ctx.run.packetCountFixed = true;
        if (failForReconnect(QCoreApplication::translate("Tovrin", " ---- TCP Socket 逾時，連線期間已放棄 ----")))
            return;
        stopRun();
        m_ctx.shell.appendLog(QCoreApplication::translate("Tovrin", " ---- TCP Socket 逾時，連線期間已放棄 ----"));
        m_ctx.shell.showMessage(
            QCoreApplication::translate("Tovrin", "這個伺服器並沒有適時的回答方式，連線期間已放棄"));
        return;
    }
    // The Play's connection was not made in time.
    const QString line =
        QStringLiteral("- MMSH: no connection to the server within %1 s, given up").arg(m_watchdog.interval() / 1000.0);
    if (!failForReconnect(line))
        fail(line);
}

void MmshController::onSilence(qint64 silentMs)
{
    if (!m_runActive)
        return;
    if (!m_headerStored) {
        m_ctx.run.liveHeaderFixed = true;  // nothing worth patching
        m_ctx.run.packetCountFixed = true;
    }
    if (failForReconnect(ServerSilentLogLine(silentMs)))
        return;
    fail(ServerSilentLogLine(silentMs));
    m_ctx.shell.setCaption(QStringLiteral("Tovrin"));
    m_ctx.shell.showMessage(ServerSilentMessage(silentMs));
}

void MmshController::fail(const QString& logLine)
{
    m_ended = true;
    if (m_writer)
        TellWriteFailure(m_ctx.shell, m_writer->flush());
    m_ctx.shell.appendLog(logLine);
    stopRun();
}

bool MmshController::failForReconnect(const QString& logLine)
{
    if (!m_runActive || !m_reconnect || !m_reconnect->takeTry(m_ctx.run.mediaPacketStored))
        return false;
    m_end = RunEnd::Lost;
    fail(logLine);
    return true;
}

void MmshController::complete()
{
    m_ended = true;
    TellWriteFailure(m_ctx.shell, m_writer->flush());
    if (!CompleteAndTell(m_ctx.shell, m_ctx.run, *m_recording)) {
        if (m_runActive)
            m_end = RunEnd::Incomplete;
        stopRun();
        AnnounceIncompleteEnd(m_ctx, QString(), FileNotCompletedMessage(), [this] { emit saveLogRequested(); });
        return;
    }
    m_end = RunEnd::Completed;
    stopRun();
    AnnounceCompletion(m_ctx, m_soundRepeat, [this] { emit saveLogRequested(); });
}

void MmshController::disconnectConfirmed()
{
    if (m_runActive)
        m_end = RunEnd::UserStopped;
    stopRun();
    m_ctx.shell.setCaption(QStringLiteral("Tovrin"));
}

void MmshController::stopRun()
{
    RunState& run = m_ctx.run;
    run.stopFlag = true;
    m_ended = true;
    m_watchdog.stop();
    m_silence.stop();
    FixUpAndTell(m_ctx.shell, run, m_recording.get());
    m_stopping = true;
    if (m_tcp.state() != QAbstractSocket::UnconnectedState)
        m_tcp.abort();
    m_stopping = false;
    m_ctx.shell.setModeLabel(ModeLabel::Standby);
    m_refresh.stop();
    if (m_recording)
        m_recording->close();
    if (m_runActive) {
        m_runActive = false;
        emit runFinished(m_end);
    }
}

}  // namespace tovrin
