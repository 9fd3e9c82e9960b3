#include "mms/receive_loop.h"

#include "asf/byte_helpers.h"
#include "asf/header_assembler.h"
#include "asf/header_facts.h"
#include "run/event_queue.h"
#include "run/server_error.h"

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

ReceiveLoop::ReceiveLoop(ReceiveBuffer& buffer, CommandChannel& channel, RunEventQueue& events, ExchangeSetup setup,
                         const std::atomic<bool>& stop)
    : m_buffer(buffer),
      m_events(events),
      m_setup(std::move(setup)),
      m_stop(stop),
      m_commands(channel, m_setup.serverHost, m_setup.streamPath, m_setup.playerName)
{
}

template <typename Event>
void ReceiveLoop::post(Event event)
{
    m_events.push(LinkEvent(std::move(event)));
}

void ReceiveLoop::log(const QString& line)
{
    post(link::Log{line});
}

void ReceiveLoop::fail(const QString& logLine, const QString& message)
{
    post(link::Failed{logLine, message});
    m_ended = true;
}

bool ReceiveLoop::stopRequested() const
{
    return m_stop.load();
}

void ReceiveLoop::run()
{
    ReceiveBuffer& buffer = m_buffer;
    bool streamReady = false;
    bool datagramReady = false;
    bool orderWaiting = false;
    const auto ready = [&](const QByteArray& stream, const QByteArray& datagrams, bool orders) {
        streamReady = streamUnitReady(stream);
        datagramReady = !datagrams.isEmpty() && !m_datagramsHeld;
        orderWaiting = orders;
        return orders || streamReady || datagramReady || buffer.inputClosed();
    };
    const auto stop = [this] { return stopRequested(); };
    m_commands.sendConnect();
    for (;;) {
        if (ended())
            return;
        // The engine is behind: nothing more is taken off the buffer until
        // its queue has room (the connection then stops reading, and TCP
        // slows the server).
        if (!m_events.hasRoom()) {
            if (!buffer.waitUntil([this](const QByteArray&, const QByteArray&, bool) { return m_events.hasRoom(); },
                                  stop))
                return;
            continue;
        }
        if (!buffer.waitUntil(ready, [] { return true; })) {
            // Nothing to do until more arrives: the connection reads again.
            if (m_setup.streamDrained)
                m_setup.streamDrained();
            if (!buffer.waitUntil(ready, stop))
                return;
        }
        if (orderWaiting) {
            takeOrders();
            continue;
        }
        if (!streamReady && !datagramReady) {
            // The server has gone and everything it sent is handed over.
            takeStragglers();
            if (!ended())
                post(link::Lost{link::LossKind::Closed, QString()});
            m_ended = true;
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
            if (buffer.size(Lane::Stream) <= kReceiveBufferLimit / 2 && m_setup.streamDrained)
                m_setup.streamDrained();
        }
    }
}

void ReceiveLoop::takeOrders()
{
    while (const std::optional<ExchangeOrder> order = m_buffer.takeOrder()) {
        if (ended())
            return;
        switch (order->kind) {
        case ExchangeOrder::Kind::Media:
            // The header is stored: the streams are selected, and the media
            // asked for once the server has answered the selection.
            m_media = order->media;
            m_mediaAsked = true;
            m_commands.sendStreamSelection(order->media.streams);
            break;
        case ExchangeOrder::Kind::Credentials:
            m_commands.sendCredentials(order->credentials);
            break;
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
        fail(QStringLiteral("- MMS command length error"));
        return;
    }
    if (front.kind == ReceiveFront::Kind::Command) {
        if (front.total < kCommandHeaderSize) {
            // Shorter than the fields read from it: its end cannot be trusted
            // to be the start of the next packet.
            fail(QStringLiteral("- MMS command length error"));
            return;
        }
        if (IsErrorResult(front.resultCode)) {
            // The connect command presents nothing but the player's name and
            // a GUID: a refusal of it may be a refusal of the name.
            const bool atConnect = front.commandId == ServerReply::ConnectReply;
            post(link::ServerError{front.resultCode, atConnect ? m_setup.playerName : QString()});
            m_ended = true;
            return;
        }
        const QByteArray packet = buffer.peek(Lane::Stream, std::size_t(front.total));
        if (!dispatch(front.commandId, packet))
            log(QStringLiteral("New or unhandled MMS command - ") + hex2(front.commandId));
        buffer.removeFront(Lane::Stream, std::size_t(front.total));
        return;
    }

    const DataPrefix& prefix = front.prefix;
    if (prefix.length < kDataPrefixSize) {
        // Nothing sensible can be taken off the stream after such a prefix.
        fail(QStringLiteral("- MMS data prefix length error"));
        return;
    }
    switch (prefix.packetType) {
    case kHeaderPacketType:
        handleHeader(Lane::Stream);
        return;
    case kMediaPacketType:
        if (m_mediaAsked)
            takeMediaPacket(Lane::Stream);
        else
            dropEarlyMediaPacket(Lane::Stream, prefix.length);
        return;
    default:
        logUnknownPrefix(prefix.packetType, prefix.flags);
        buffer.removeFront(Lane::Stream, prefix.length);
    }
}

void ReceiveLoop::handleDatagram()
{
    // Datagrams enter their lane only whole and with a consistent prefix, so
    // the prefix length is the datagram's size.
    const DataPrefix prefix = ReadDataPrefix(m_buffer.peek(Lane::Datagrams, kDataPrefixSize));
    switch (prefix.packetType) {
    case kHeaderPacketType:
        if (m_headerTaken && !m_changeAnnounced) {
            // The next entry's header overtook the stream change that gives
            // its figures: it waits for the control connection.
            m_datagramsHeld = true;
            return;
        }
        handleHeader(Lane::Datagrams);
        return;
    case kMediaPacketType:
        if (m_mediaAsked)
            takeMediaPacket(Lane::Datagrams);
        else
            dropEarlyMediaPacket(Lane::Datagrams, prefix.length);
        return;
    default:
        logUnknownPrefix(prefix.packetType, prefix.flags);
        m_buffer.removeFront(Lane::Datagrams, prefix.length);
    }
}

void ReceiveLoop::takeStragglers()
{
    // Datagrams and the control connection race: the reply that ends the run
    // may be read before the last datagrams, which are still on their way.
    // The run waits a moment for them, less once every packet the file has
    // from the start asked for has come.
    if (!m_setup.overUdp)
        return;
    const auto allCame = [this] {
        if (!m_file || m_file->live || m_file->packetCount == 0)
            return false;
        const std::uint32_t start = m_media && m_media->start ? *m_media->start : 0;
        return m_packetsHandedOver >= std::uint64_t(m_file->packetCount) - std::min(start, m_file->packetCount);
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kStragglerGraceMs);
    const auto datagramWaiting = [this](const QByteArray&, const QByteArray& datagrams, bool) {
        return !datagrams.isEmpty() && !m_datagramsHeld;
    };
    for (;;) {
        while (!ended() && m_buffer.size(Lane::Datagrams) > 0 && !m_datagramsHeld)
            handleDatagram();
        if (ended() || allCame())
            return;
        const auto givenUp = [&] { return stopRequested() || std::chrono::steady_clock::now() >= deadline; };
        if (!m_buffer.waitUntil(datagramWaiting, givenUp, std::chrono::milliseconds(5)))
            return;
    }
}

std::optional<QByteArray> ReceiveLoop::collectHeader(Lane lane, std::uint32_t headerLength, std::uint32_t packetSize)
{
    log(QCoreApplication::translate("Tovrin", "- 接收標題..."));
    // Waiting for header bytes ends when the server has gone too.
    const auto stop = [this] { return stopRequested() || m_buffer.inputClosed(); };
    HeaderAssembler assembler(headerLength, packetSize);
    HeaderAssembler::Progress progress = assembler.progress();
    while (progress == HeaderAssembler::Progress::NeedMore) {
        if (!m_buffer.waitFor(lane, kDataPrefixSize, stop))
            break;
        const DataPrefix prefix = ReadDataPrefix(m_buffer.peek(lane, kDataPrefixSize));
        if (prefix.length < kDataPrefixSize) {
            progress = HeaderAssembler::Progress::Refused;
            break;
        }
        if (!m_buffer.waitFor(lane, prefix.length, stop))
            break;
        progress = assembler.add(m_buffer.takeFront(lane, prefix.length).sliced(kDataPrefixSize));
        post(link::Progress{});
    }
    if (progress == HeaderAssembler::Progress::Done)
        return assembler.header();
    if (progress == HeaderAssembler::Progress::Refused || !stopRequested())
        log(QStringLiteral("- ASF header receive error"));
    return std::nullopt;
}

void ReceiveLoop::handleHeader(Lane lane)
{
    if (m_headerFailed) {
        // The header could not be collected and the exchange goes no
        // further: later header packets are dropped rather than read again
        // and again.
        m_buffer.removeFront(lane, ReadDataPrefix(m_buffer.peek(lane, kDataPrefixSize)).length);
        return;
    }
    const bool nextEntry = m_headerTaken;
    const OpenFileFigures file = m_file.value_or(OpenFileFigures{});
    const std::uint32_t headerLength = nextEntry ? m_change.headerLength : file.headerLength;
    const std::uint32_t packetSize = nextEntry ? m_change.packetSize : file.packetSize;
    const std::optional<QByteArray> header = collectHeader(lane, headerLength, packetSize);
    if (stopRequested())
        return;
    if (!header) {
        m_headerFailed = true;
        fail(QString(), QCoreApplication::translate("Tovrin", "無法讀取這個串流的 ASF 標題，連線期間已放棄"));
        return;
    }
    m_headerTaken = true;
    m_changeAnnounced = false;
    link::FileFigures figures{packetSize, headerLength, file.packetCount, file.bitRate, file.live};
    if (nextEntry) {
        // The next entry is a file of its own: the stream change's figures,
        // and the count its header states.
        m_current = m_change;
        figures.bitRate = m_change.bitRate;
        figures.packetCount = std::uint32_t(ReadHeaderFacts(*header).facts.fileProperties.dataPacketCount);
    }
    post(link::Header{*header, figures});
}

bool ReceiveLoop::takeMediaPacket(Lane lane)
{
    // The caller saw the whole packet in the lane.
    const DataPrefix prefix = ReadDataPrefix(m_buffer.peek(lane, kDataPrefixSize));
    const QByteArray packet = m_buffer.takeFront(lane, prefix.length);
    if (packet.size() < prefix.length)
        return false;
    post(link::Packet{PacketNumber(prefix.sequence), packet.sliced(kDataPrefixSize)});
    ++m_packetsHandedOver;
    return true;
}

void ReceiveLoop::dropEarlyMediaPacket(Lane lane, std::uint16_t length)
{
    // Media is only asked for after the header: without one there is no slot
    // size to store it by.
    m_buffer.removeFront(lane, length);
    if (!std::exchange(m_earlyMediaLogged, true))
        log(QStringLiteral("- Media packet before the ASF header, dropped"));
}

void ReceiveLoop::tellFieldsBeyondReply(const FieldsBeyondReply& fields)
{
    for (const FieldBeyondReply& field : fields)
        post(link::Message{FieldBeyondReplyMessage(field)});
}

void ReceiveLoop::logUnknownPrefix(std::uint8_t type, std::uint8_t flags)
{
    log(QCoreApplication::translate("Tovrin", "偵測到一個未知的 MMS 預先標題"));
    log(QCoreApplication::translate("Tovrin", "MMS 期間 = ") + hex2(type)
        + QCoreApplication::translate("Tovrin", "   MMS TCP/UDP 旗標 = ") + hex2(flags));
}

bool ReceiveLoop::dispatch(std::uint8_t commandId, const QByteArray& packet)
{
    switch (commandId) {
    case ServerReply::ConnectReply:
        post(link::Progress{});
        m_commands.sendFunnelInfo();
        return true;
    case ServerReply::TransportAck:
        post(link::Progress{});
        m_commands.sendOpenFile();
        return true;
    case ServerReply::TransportRefused:
        fail(QCoreApplication::translate("Tovrin", "錯誤: 通過連接失敗"));
        return true;
    case ServerReply::StreamingStarts:
        post(link::StreamingStarts{m_setup.overUdp});
        return true;
    case ServerReply::OpenFileReply: {
        if (m_headerTaken) {
            // The file's figures sized the slots the packets are going into;
            // a second reply must not change them under the recording.
            log(QStringLiteral("- Open-file reply after the ASF header, ignored"));
            return true;
        }
        const ReadReply<OpenFileFigures> read = ReadOpenFileReply(packet);
        tellFieldsBeyondReply(read.beyond);
        m_file = read.value;
        m_current = {read.value.packetSize, read.value.headerLength, read.value.bitRate};
        post(link::OpenedFile{{read.value.packetSize, read.value.headerLength, read.value.packetCount,
                               read.value.bitRate, read.value.live}});
        log(QCoreApplication::translate("Tovrin", "要求 ASF 標題... 等候中"));
        m_commands.sendHeaderRequest();
        return true;
    }
    case ServerReply::HeaderFollows:
        log(QCoreApplication::translate("Tovrin", "新進的標題"));
        return true;
    case ServerReply::FunnelReport: {
        if (m_transportAsked) {
            // The transport request has gone out: a further report answers nothing.
            log(QStringLiteral("- Funnel report after the transport request, ignored"));
            return true;
        }
        const ReadReply<FunnelReport> read = ReadFunnelReport(packet);
        tellFieldsBeyondReply(read.beyond);
        m_funnelData += read.value.payload;
        if (read.value.clientCount)
            post(link::ServerClients{*read.value.clientCount});
        if (!MoreFunnelReportsFollow(packet, ++m_funnelReports)) {
            m_transportAsked = true;
            log(QCoreApplication::translate("Tovrin", "0x15 接收區塊長度 - %1").arg(m_funnelData.size()));
            m_commands.sendTransport(m_setup.localAddress, m_setup.overUdp, m_setup.localPort);
        }
        return true;
    }
    case ServerReply::CredentialsRequest: {
        const ReadReply<QString> read = ReadCredentialsRequest(packet);
        tellFieldsBeyondReply(read.beyond);
        post(link::CredentialsAsked{read.value, QString()});
        return true;
    }
    case ServerReply::KeepAlive:
        m_commands.sendKeepAliveAnswer();
        post(link::KeepAlive{});
        return true;
    case ServerReply::EndOfStream:
        takeStragglers();
        if (LE32At(packet, 40) == kEntryEnded && m_headerTaken) {
            // The entry ended; the next one's header may follow (0x20).
            m_entryEnded = true;
            m_mediaAsked = false;
            post(link::EntryEnded{});
            return true;
        }
        post(link::EndOfStream{});
        return true;
    case ServerReply::StreamChange: {
        // Only after an entry's end: amid the stream it would resize the
        // slots under the recording.
        if (!m_entryEnded || packet.size() < kStreamChangeSize)
            return false;
        m_entryEnded = false;
        const ReadReply<StreamChangeFigures> read = ReadStreamChange(packet, m_current);
        tellFieldsBeyondReply(read.beyond);
        m_change = read.value;
        m_changeAnnounced = true;
        m_datagramsHeld = false;
        log(QCoreApplication::translate("Tovrin", "- 串流改變，下一個項目的 ASF 標題隨後送達"));
        return true;
    }
    case ServerReply::StreamSelectionReply:
        post(link::Progress{});
        m_commands.sendStartPlaying(m_media ? m_media->start : std::nullopt);
        return true;
    default:
        return false;
    }
}

}  // namespace tovrin
