#include "mms/receive_loop.h"

#include "asf/byte_helpers.h"
#include "asf/header_facts.h"
#include "mms/client_commands.h"
#include "mms/data_packet_receiver.h"
#include "mms/receive_front.h"
#include "mms/run_actions.h"
#include "mms/server_replies.h"
#include "run/server_error.h"
#include "run/storage_report.h"
#include "state/app_context.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "state/shell.h"

#include <QCoreApplication>

#include <chrono>

namespace tovrin {

namespace {

using Lane = ReceiveBuffer::Lane;

QString hex2(std::uint32_t value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

// The front of the stream lane can be handled without waiting: a whole
// command packet, a whole data packet, or a data prefix too short to be one.
bool streamUnitReady(const QByteArray& stream)
{
    const ReceiveFront front = SplitFront(stream);
    switch (front.kind) {
    case ReceiveFront::Kind::NeedMore:
        // A command that can never fit is ready too: as an error.
        return front.needed > kReceiveBufferLimit && stream.size() >= kCommandHeaderSize;
    case ReceiveFront::Kind::Command:
        return true;
    case ReceiveFront::Kind::Data:
        return front.prefix.length < kDataPrefixSize || stream.size() >= front.prefix.length;
    }
    return false;
}

// Bytes of a stream change (0x20) with the fields it is read for.
constexpr qsizetype kStreamChangeSize = 60;

// After this many datagrams in a row, a ready command packet goes first, so a
// flood of data cannot hold back the server's commands.
constexpr int kDatagramBurst = 32;

}  // namespace

ReceiveLoop::ReceiveLoop(AppContext& ctx, ReceiveBuffer& buffer, RecordingFile& file, ServerCredentials& credentials,
                         ClientCommands& commands, RunActions& actions)
    : m_ctx(ctx),
      m_buffer(buffer),
      m_file(file),
      m_credentials(credentials),
      m_commands(commands),
      m_actions(actions),
      m_writer(ctx.run, file)
{
}

bool ReceiveLoop::stopRequested() const
{
    return m_ctx.run.stopFlag.load();
}

void ReceiveLoop::run()
{
    ReceiveBuffer& buffer = m_buffer;
    bool streamReady = false;
    bool datagramReady = false;
    const auto ready = [&](const QByteArray& stream, const QByteArray& datagrams) {
        streamReady = streamUnitReady(stream);
        datagramReady = !datagrams.isEmpty() && !m_datagramsHeld;
        return streamReady || datagramReady || buffer.inputClosed();
    };
    for (;;) {
        // Once the run is stopped nothing more is handled: the stop routine
        // has patched and closed the save file.
        if (stopRequested())
            return;
        // The first failed write ends the run: going on would only widen the
        // gap between what the file holds and what the run received.
        if (m_ctx.run.writeErrorReported) {
            m_actions.writeFailed();
            return;
        }
        if (!buffer.waitUntil(ready, [] { return true; })) {
            // Nothing to do until more bytes arrive: the file catches up
            // with what was stored, and the socket is read again.
            TellWriteFailure(m_ctx.shell, m_writer.flush());
            m_actions.streamDrained();
            if (!buffer.waitUntil(ready, [this] { return stopRequested(); }))
                return;
        }
        if (!streamReady && !datagramReady) {
            // The server has gone and everything it sent is stored: the run ends.
            takeStragglers();
            TellWriteFailure(m_ctx.shell, m_writer.flush());
            m_actions.serverClosed();
            return;
        }
        if (datagramReady && (!streamReady || m_datagramsInARow < kDatagramBurst)) {
            ++m_datagramsInARow;
            handleDatagram();
        } else {
            m_datagramsInARow = 0;
            handleStreamFront();
            // Reading goes on once half the buffer is free, not after every
            // packet: one wake of the UI thread per many packets.
            if (buffer.size(Lane::Stream) <= kReceiveBufferLimit / 2)
                m_actions.streamDrained();
        }
    }
}

void ReceiveLoop::handleStreamFront()
{
    ReceiveBuffer& buffer = m_buffer;
    ReceiveFront front = SplitFront(buffer.peek(Lane::Stream, kCommandHeaderSize));
    if (front.kind == ReceiveFront::Kind::NeedMore)  // a command longer than its first 48 bytes
        front = SplitFront(buffer.peek(Lane::Stream, std::size_t(front.needed)));
    if (front.kind == ReceiveFront::Kind::NeedMore) {
        // Longer than the buffer may ever hold: it can never be read whole.
        m_ctx.shell.appendLog(QStringLiteral("- MMS command length error"));
        m_actions.requestStop();
        return;
    }
    if (front.kind == ReceiveFront::Kind::Command) {
        // What was stored reaches the file before a command can end the run,
        // so a write failure is still told in its own words.
        TellWriteFailure(m_ctx.shell, m_writer.flush());
        if (front.total < kCommandHeaderSize) {
            // Shorter than the fields read from it: its end cannot be trusted
            // to be the start of the next packet.
            m_ctx.shell.appendLog(QStringLiteral("- MMS command length error"));
            m_actions.requestStop();
            return;
        }
        if (IsErrorResult(front.resultCode)) {
            // The packet stays at the front; the loop ends at its next wait.
            ReportServerError(m_ctx.shell, front.resultCode);
            m_actions.requestStop();
            return;
        }
        const QByteArray packet = buffer.peek(Lane::Stream, std::size_t(front.total));
        if (!dispatch(front.commandId, packet))
            m_ctx.shell.appendLog(QStringLiteral("New or unhandled MMS command - ") + hex2(front.commandId));
        buffer.removeFront(Lane::Stream, std::size_t(front.total));
        return;
    }

    const DataPrefix& prefix = front.prefix;
    if (prefix.length < kDataPrefixSize) {
        // Nothing sensible can be taken off the stream after such a prefix.
        m_ctx.shell.appendLog(QStringLiteral("- MMS data prefix length error"));
        m_actions.requestStop();
        return;
    }
    switch (prefix.packetType) {
    case kHeaderPacketType:
        handleHeader(false);
        return;
    case kMediaPacketType:
        if (headerStored())
            TakeMediaPacket(m_ctx, {m_buffer, Lane::Stream}, m_writer, [this] { return stopRequested(); });
        else
            dropEarlyMediaPacket(buffer, Lane::Stream, prefix.length);
        return;
    default:
        logUnknownPrefix(prefix.packetType, prefix.flags);
        buffer.removeFront(Lane::Stream, prefix.length);
    }
}

void ReceiveLoop::handleDatagram()
{
    ReceiveBuffer& buffer = m_buffer;
    // Datagrams enter their lane only whole and with a consistent prefix, so
    // the prefix length is the datagram's size.
    const DataPrefix prefix = ReadDataPrefix(buffer.peek(Lane::Datagrams, kDataPrefixSize));
    switch (prefix.packetType) {
    case kHeaderPacketType:
        if (!m_storedHeader.isEmpty() && !m_changeAnnounced) {
            // The next entry's header overtook the stream change that gives
            // its figures: it waits for the control connection.
            m_datagramsHeld = true;
            return;
        }
        handleHeader(true);
        return;
    case kMediaPacketType: {
        if (!headerStored()) {
            dropEarlyMediaPacket(buffer, Lane::Datagrams, prefix.length);
            return;
        }
        const QByteArray datagram = buffer.takeFront(Lane::Datagrams, prefix.length);
        TellStoredPacket(m_ctx.shell, m_writer.handle(prefix.sequence, datagram.sliced(kDataPrefixSize)));
        return;
    }
    default:
        logUnknownPrefix(prefix.packetType, prefix.flags);
        buffer.removeFront(Lane::Datagrams, prefix.length);
    }
}

void ReceiveLoop::takeStragglers()
{
    // Datagrams and the control connection race: the reply that ends the run
    // may be read before the last datagrams, which are still in the UDP
    // socket or on their way. Those waiting are taken at once; for the rest
    // the run waits a moment, less when the file is known to be whole.
    if (!m_actions.takeWaitingDatagrams())
        return;
    ReceiveBuffer& buffer = m_buffer;
    const ReceivedPackets& received = m_ctx.run.receivedPackets;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStragglerGraceMs);
    const auto datagramWaiting = [this](const QByteArray&, const QByteArray& datagrams) {
        return !datagrams.isEmpty() && !m_datagramsHeld;
    };
    for (;;) {
        while (!stopRequested() && buffer.size(Lane::Datagrams) > 0 && !m_datagramsHeld)
            handleDatagram();
        if (stopRequested() || (received.tracking() && received.missingCount() == 0))
            break;
        const auto givenUp = [&] { return stopRequested() || std::chrono::steady_clock::now() >= deadline; };
        if (!buffer.waitUntil(datagramWaiting, givenUp, std::chrono::milliseconds(5)))
            break;
    }
    TellWriteFailure(m_ctx.shell, m_writer.flush());
}

void ReceiveLoop::handleHeader(bool fromDatagrams)
{
    ReceiveLane lane(m_buffer, fromDatagrams ? Lane::Datagrams : Lane::Stream);
    if (m_headerFailed) {
        // The header could not be stored and the exchange goes no further:
        // later header packets are dropped rather than read again and again.
        lane.removeFront(ReadDataPrefix(lane.peek(kDataPrefixSize)).length);
        return;
    }
    // Waiting for header bytes ends when the server has gone too.
    const auto stop = [this] { return stopRequested() || m_buffer.inputClosed(); };
    if (!m_storedHeader.isEmpty()) {
        handleNextHeader(lane, stop);
        return;
    }
    const std::optional<QByteArray> header =
        CollectHeaderBytes(m_ctx, lane, stop, m_ctx.run.headerLength, m_ctx.run.packetSize);
    if (header && StoreAndInspectHeader(m_ctx, m_file, *header)) {
        m_storedHeader = *header;
        m_commands.sendStreamSelection();
        return;
    }
    headerFailed();
}

void ReceiveLoop::handleNextHeader(ReceiveLane lane, const StopRequested& stop)
{
    RunState& run = m_ctx.run;
    // No packet is stored under a header it does not belong to.
    run.readyForMedia = false;
    const std::optional<QByteArray> header =
        CollectHeaderBytes(m_ctx, lane, stop, m_change.headerLength, m_change.packetSize);
    if (!header) {
        headerFailed();
        return;
    }
    m_changeAnnounced = false;
    if (*header == m_storedHeader) {
        m_ctx.shell.appendLog(
            QCoreApplication::translate("Tovrin", "- 下一個項目的 ASF 標題相同，繼續錄製到同一個檔案"));
        m_writer.entryChanged();
        run.resume = false;  // the next entry is asked for from its start
        run.readyForMedia = true;
    } else {
        TellWriteFailure(m_ctx.shell, m_writer.flush());
        if (!m_actions.continueIntoNextFile()) {
            m_headerFailed = true;
            m_actions.requestStop();
            return;
        }
        // The next file is a recording of its own: the stream change's
        // figures, and the count its header states.
        run.packetSize = m_change.packetSize;
        run.headerLength = m_change.headerLength;
        run.streamBitRate = m_change.bitRate;
        if (!run.isLive())
            run.filePacketCount = ReadHeaderFacts(*header).facts.fileProperties.dataPacketCount;
        m_writer.startOver();
        if (!StoreAndInspectHeader(m_ctx, m_file, *header)) {
            headerFailed();
            return;
        }
        m_storedHeader = *header;
    }
    m_commands.sendStreamSelection();
}

void ReceiveLoop::headerFailed()
{
    m_headerFailed = true;
    if (stopRequested())
        return;
    // Without a header there is nothing to record into, and the server waits
    // for a stream selection that never comes: the run ends, told why. The
    // file holds no header of this run to patch.
    m_ctx.shell.showMessage(QCoreApplication::translate("Tovrin", "無法讀取這個串流的 ASF 標題，連線期間已放棄"));
    m_ctx.run.liveHeaderFixed = true;
    m_ctx.run.packetCountFixed = true;
    m_actions.requestStop();
}

bool ReceiveLoop::headerStored() const
{
    return m_ctx.run.readyForMedia;
}

void ReceiveLoop::dropEarlyMediaPacket(ReceiveBuffer& buffer, ReceiveBuffer::Lane lane, std::uint16_t length)
{
    // Media is only asked for after the header: without one there is no slot
    // size to store it by.
    buffer.removeFront(lane, length);
    if (!m_earlyMediaLogged)
        m_ctx.shell.appendLog(QStringLiteral("- Media packet before the ASF header, dropped"));
    m_earlyMediaLogged = true;
}

void ReceiveLoop::tellFieldsBeyondReply(const std::vector<FieldBeyondReply>& fields)
{
    for (const FieldBeyondReply& field : fields)
        m_ctx.shell.showMessage(FieldBeyondReplyMessage(field));
}

void ReceiveLoop::logUnknownPrefix(std::uint8_t type, std::uint8_t flags)
{
    m_ctx.shell.appendLog(QCoreApplication::translate("Tovrin", "偵測到一個未知的 MMS 預先標題"));
    m_ctx.shell.appendLog(QCoreApplication::translate("Tovrin", "MMS 期間 = ") + hex2(type)
                          + QCoreApplication::translate("Tovrin", "   MMS TCP/UDP 旗標 = ") + hex2(flags));
}

bool ReceiveLoop::dispatch(std::uint8_t commandId, const QByteArray& packet)
{
    RunState& run = m_ctx.run;
    Shell& shell = m_ctx.shell;
    switch (commandId) {
    case ServerReply::ConnectReply:
        m_commands.sendFunnelInfo();
        return true;
    case ServerReply::TransportAck:
        m_commands.sendOpenFile();
        return true;
    case ServerReply::TransportRefused:
        shell.appendLog(QCoreApplication::translate("Tovrin", "錯誤: 通過連接失敗"));
        run.packetCountFixed = true;
        run.liveHeaderFixed = true;
        m_actions.requestStop();
        return true;
    case ServerReply::StreamingStarts:
        m_actions.announceStreamStart();
        return true;
    case ServerReply::OpenFileReply:
        if (headerStored()) {
            // The file's figures sized the slots the packets are going into;
            // a second reply must not change them under the recording.
            shell.appendLog(QStringLiteral("- Open-file reply after the ASF header, ignored"));
            return true;
        }
        tellFieldsBeyondReply(ReadOpenFileReply(packet, run));
        if (run.isLive() && run.resume) {
            shell.showMessage(
                QCoreApplication::translate("Tovrin", "錯誤 - 現況串流偵測!\n現況期間無法重新開始\n請再嘗試一次"));
            run.liveHeaderFixed = true;
            m_actions.requestStop();
            return true;
        }
        shell.appendLog(QCoreApplication::translate("Tovrin", "要求 ASF 標題... 等候中"));
        m_commands.sendHeaderRequest();
        return true;
    case ServerReply::HeaderFollows:
        shell.appendLog(QCoreApplication::translate("Tovrin", "新進的標題"));
        return true;
    case ServerReply::FunnelReport:
        if (m_transportAsked) {
            // The transport request has gone out: a further report answers nothing.
            shell.appendLog(QStringLiteral("- Funnel report after the transport request, ignored"));
            return true;
        }
        tellFieldsBeyondReply(ReadFunnelReport(packet, run));
        if (!MoreFunnelReportsFollow(packet, run.funnelReportCount)) {
            m_transportAsked = true;
            shell.appendLog(QCoreApplication::translate("Tovrin", "0x15 接收區塊長度 - %1").arg(run.funnelData.size()));
            m_actions.sendTransport();
        }
        return true;
    case ServerReply::CredentialsRequest:
        tellFieldsBeyondReply(ReadCredentialsRequest(packet, m_credentials));
        if (m_actions.askCredentials(m_credentials)) {
            m_commands.sendCredentials(m_credentials);
            run.incarnation.fetch_add(1);
        } else {
            shell.showMessage(QCoreApplication::translate("Tovrin", "連線期間已放棄，關閉連線"));
            run.liveHeaderFixed = true;
            run.packetCountFixed = true;
            m_actions.requestStop();
        }
        return true;
    case ServerReply::KeepAlive:
        m_commands.sendKeepAliveAnswer();
        run.ackCount.fetch_add(1);
        return true;
    case ServerReply::EndOfStream:
        takeStragglers();
        if (LE32At(packet, 40) == kEntryEnded && run.followEntries && !m_storedHeader.isEmpty()) {
            // The entry ended; the next one's header follows (0x20).
            TellWriteFailure(m_ctx.shell, m_writer.flush());
            run.readyForMedia = false;
            m_entryEnded = true;
            shell.appendLog(QCoreApplication::translate("Tovrin", "- 項目結束，等候下一個項目..."));
            return true;
        }
        m_actions.announceCompletion();
        return true;
    case ServerReply::StreamChange:
        // Only after an entry's end: amid the stream it would resize the
        // slots under the recording.
        if (!m_entryEnded || packet.size() < kStreamChangeSize)
            return false;
        m_entryEnded = false;
        m_change = {run.packetSize, run.headerLength, run.streamBitRate};
        tellFieldsBeyondReply(ReadStreamChange(packet, m_change));
        m_changeAnnounced = true;
        m_datagramsHeld = false;
        shell.appendLog(QCoreApplication::translate("Tovrin", "- 串流改變，下一個項目的 ASF 標題隨後送達"));
        return true;
    case ServerReply::StreamSelectionReply:
        m_commands.sendStartPlaying();
        return true;
    default:
        return false;
    }
}

}  // namespace tovrin
