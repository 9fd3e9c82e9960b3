#include "mms-server/client_connection.h"

#include "mms-server/command_packet.h"
#include "mms-server/server_messages.h"

#include "asf/byte_helpers.h"

#include <QRandomGenerator>
#include <QTcpSocket>
#include <QUdpSocket>

#include <algorithm>

namespace tovrin::mmsserver {

namespace {

constexpr std::uint8_t kHeaderMoreFlags = 0x04;
constexpr std::uint8_t kHeaderLastFlags = 0x0C;
constexpr qsizetype kUdpPacketPairBytes = 1464;
constexpr int kCloseGraceMs = 10000;

// Offsets in the open-file reply's fields (packet offset - 40).
constexpr qsizetype kOpenFilePacketSizeField = 92 - 40;
constexpr qsizetype kOpenFileHeaderSizeField = 108 - 40;

bool StrikesWhileStreaming(HostileKind kind)
{
    switch (kind) {
    case HostileKind::LengthLong:
    case HostileKind::LengthShort:
    case HostileKind::LengthHuge:
    case HostileKind::PrefixShort:
    case HostileKind::PrefixLong:
    case HostileKind::UnknownType:
    case HostileKind::UnknownCommand:
    case HostileKind::ErrorEndOfStream:
    case HostileKind::Stall:
    case HostileKind::Silent:
    case HostileKind::PingFlood:
    case HostileKind::DropDatagram:
    case HostileKind::DropFirstDatagram:
        return true;
    default:
        return false;
    }
}

// How many good media packets go before the kind strikes.
std::uint64_t GoodPacketsBefore(HostileKind kind)
{
    return kind == HostileKind::DropFirstDatagram ? 0 : kHostileGoodPackets;
}

QByteArray Junk(qsizetype size)
{
    QByteArray bytes(size, '\0');
    for (char& c : bytes)
        c = char(QRandomGenerator::global()->bounded(256));
    return bytes;
}

}  // namespace

ClientConnection::ClientConnection(QTcpSocket* socket, int number, SourceCatalog& catalog,
                                   const ConnectionOptions& options, Log log, QObject* parent)
    : QObject(parent),
      m_socket(socket),
      m_number(number),
      m_options(options),
      m_log(std::move(log)),
      m_peer(QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort())),
      m_session(catalog, *this, options.policy)
{
    m_socket->setParent(this);
    // Bounded reads: Qt stops taking bytes from the kernel beyond this, so a
    // flooding client is held back by TCP itself.
    m_socket->setReadBufferSize(command::kMaxBytes);
    // Every command and data packet is written whole; Nagle would only hold a
    // reply (or the end of stream) back behind the client's delayed ACK.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_clock.start();
    m_lastSent.start();
    m_lastHeard.start();
    m_paceTimer.setSingleShot(true);
    m_paceTimer.setTimerType(Qt::PreciseTimer);
    m_keepAliveTimer.setSingleShot(true);
    connect(m_socket, &QTcpSocket::readyRead, this, &ClientConnection::readCommands);
    connect(m_socket, &QTcpSocket::bytesWritten, this, [this] {
        pump();
        if (m_socket->bytesAvailable() > 0)
            readCommands();
    });
    connect(m_socket, &QTcpSocket::disconnected, this, &ClientConnection::disconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        if (error != QAbstractSocket::RemoteHostClosedError)
            logEvent(QStringLiteral("socket error: %1").arg(m_socket->errorString()));
    });
    connect(&m_paceTimer, &QTimer::timeout, this, &ClientConnection::pump);
    connect(&m_keepAliveTimer, &QTimer::timeout, this, &ClientConnection::keepAlive);
    m_keepAliveTimer.start(std::min(m_options.pingIntervalMs, m_options.idleTimeoutMs));
    logEvent(QStringLiteral("connected"));
    // Bytes the server already looked at to choose MMS raise no readyRead again.
    if (m_socket->bytesAvailable() > 0)
        QTimer::singleShot(0, this, &ClientConnection::readCommands);
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        QTimer::singleShot(0, this, &ClientConnection::disconnected);
}

ClientConnection::~ClientConnection() = default;

void ClientConnection::logEvent(const QString& line)
{
    m_log(QStringLiteral("session %1 %2: %3").arg(m_number).arg(m_peer, line));
}

void ClientConnection::shutdown(const QString& why)
{
    closeSession(why);
}

void ClientConnection::cut(const QString& why)
{
    if (m_finished)
        return;
    m_closing = true;
    logEvent(QStringLiteral("cut: %1").arg(why));
    m_socket->abort();
    disconnected();
}

void ClientConnection::readCommands()
{
    if (m_deaf)
        return;  // the kernel's buffers fill, and the client's sends stall
    while (!m_closing && m_socket->bytesAvailable() > 0) {
        // Replies piling up mean the client does not read: stop reading until they drain.
        if (m_socket->bytesToWrite() > kReplyBacklog)
            return;
        m_in.append(m_socket->read(command::kMaxBytes));
        m_lastHeard.restart();
        for (;;) {
            const Framing framing = TakeCommand(m_in);
            if (framing.status == Framing::Incomplete)
                break;
            if (framing.status == Framing::Bad) {
                closeSession(QStringLiteral("malformed command: %1").arg(framing.error));
                return;
            }
            m_in.remove(0, framing.used);
            m_session.handle(framing.command);
            if (m_closing)
                return;
        }
    }
}

void ClientConnection::sendCommand(std::uint16_t mid, const QByteArray& fields)
{
    if (m_closing)
        return;
    QByteArray body = fields;
    if (m_options.hostile && !m_struck) {
        const HostileKind kind = *m_options.hostile;
        if (HostileErrorReply(kind) == mid) {
            PutLE(body, 0, kHostileResult, 4);
            m_struck = true;
        } else if (mid == mid::kReportOpenFile && LE32At(body, 0) == hr::kOk) {
            m_struck = true;
            if (kind == HostileKind::HeaderLengthZero)
                PutLE(body, kOpenFileHeaderSizeField, 0, 4);
            else if (kind == HostileKind::HeaderLengthMax)
                PutLE(body, kOpenFileHeaderSizeField, 0xFFFFFFFF, 4);
            else if (kind == HostileKind::PacketSizeZero)
                PutLE(body, kOpenFilePacketSizeField, 0, 4);
            else if (kind == HostileKind::PacketSizeMax)
                PutLE(body, kOpenFilePacketSizeField, 0xFFFF, 4);
            else if (kind == HostileKind::PacketSizeShort)
                PutLE(body, kOpenFilePacketSizeField,
                      std::max<std::uint32_t>(LE32At(body, kOpenFilePacketSizeField).value_or(0), 101) - 100, 4);
            else if (const qsizetype growth = HostileFirstObject(kind).size(); growth > 0)
                PutLE(body, kOpenFileHeaderSizeField,
                      LE32At(body, kOpenFileHeaderSizeField).value_or(0) + std::uint32_t(growth), 4);
            else
                m_struck = false;
        }
        if (m_struck)
            logEvent(QStringLiteral("hostile: reply 0x%1 altered").arg(mid, 2, 16, QLatin1Char('0')));
    }
    m_socket->write(BuildCommand(mid, command::kToClient, m_seq++, std::uint64_t(m_clock.elapsed()), body));
    // Over UDP the reply must be on the wire before the datagrams that follow
    // it in the exchange (the header after 0x11): left in Qt's buffer until
    // the event loop runs, it would arrive after them.
    if (m_udp)
        m_socket->flush();
    m_lastSent.restart();
}

void ClientConnection::useUdp(std::uint16_t port)
{
    if (!m_udp) {
        m_udp = new QUdpSocket(this);
        // Data must leave from the address the client reached us on.
        m_udp->bind(m_socket->localAddress(), 0);
    }
    m_udpAddress = m_socket->peerAddress();
    m_udpPort = port;
}

void ClientConnection::sendUdpPacketPair()
{
    if (!m_udp)
        return;
    for (std::uint32_t i = 0; i < 2; ++i) {
        QByteArray noise(kUdpPacketPairBytes, '\0');
        for (char& c : noise)
            c = char(QRandomGenerator::global()->bounded(256));
        m_udp->writeDatagram(BuildDataPacket(0xF0F0F000 + i, 0xFF, 0x10, noise), m_udpAddress, m_udpPort);
    }
}

void ClientConnection::sendHeader(const QByteArray& header, std::uint32_t chunkBytes, std::uint8_t incarnation)
{
    if (m_options.hostile == HostileKind::HeaderNever) {
        logEvent(QStringLiteral("hostile: the header is never sent"));
        return;
    }
    m_header = m_options.hostile ? HostileHeader(*m_options.hostile, header) : header;
    m_headerSent = 0;
    m_headerChunk = std::max<std::uint32_t>(chunkBytes, 1);
    m_headerIncarnation = incarnation;
    m_headerLocation = 0;
    pump();
}

void ClientConnection::startMedia(std::unique_ptr<PacketCursor> cursor, std::uint32_t incarnation)
{
    if (m_options.hostile == HostileKind::MediaFlood) {
        cursor = FloodOf(std::move(cursor));
        logEvent(QStringLiteral("hostile: flooding media packets in an endless loop"));
    }
    if (m_options.hostile)
        cursor = HostilePlay(*m_options.hostile, std::move(cursor), m_plays++,
                             [this](const QString& line) { logEvent(line); });
    m_cursor = std::move(cursor);
    m_next.reset();
    ++m_playGeneration;
    m_mediaIncarnation = incarnation;
    m_playSent = 0;
    m_playClock.start();
    if (m_options.dropAfter && m_mediaSent >= *m_options.dropAfter) {
        closeSession(QStringLiteral("dropping the connection after %1 media packets").arg(m_mediaSent));
        return;
    }
    pump();
}

void ClientConnection::stopMedia()
{
    ++m_playGeneration;
    m_cursor.reset();
    m_next.reset();
    m_paceTimer.stop();
}

bool ClientConnection::writeRoom() const
{
    return m_socket->bytesToWrite() < kWriteWindow;
}

void ClientConnection::sendData(const QByteArray& dataPacket)
{
    if (m_udp) {
        if (m_udp->writeDatagram(dataPacket, m_udpAddress, m_udpPort) != dataPacket.size())
            ++m_udpLost;
    } else {
        m_socket->write(dataPacket);
    }
    m_lastSent.restart();
}

void ClientConnection::pump()
{
    if (m_closing)
        return;
    if (m_flooding) {
        floodKeepAlives();
        return;
    }
    int burst = 0;
    while (m_headerSent < m_header.size()) {
        if (!writeRoom())
            return;  // bytesWritten comes back here
        const qsizetype size = std::min<qsizetype>(m_headerChunk, m_header.size() - m_headerSent);
        const bool last = m_headerSent + size == m_header.size();
        sendData(BuildDataPacket(m_headerLocation++, m_headerIncarnation, last ? kHeaderLastFlags : kHeaderMoreFlags,
                                 QByteArrayView(m_header).sliced(m_headerSent, size)));
        m_headerSent += size;
        ++burst;
    }
    while (m_cursor) {
        if (!m_next) {
            m_next = m_cursor->next();
            if (!m_next) {
                endOfStream();
                return;
            }
        }
        const qint64 wait = m_next->dueMs - m_playClock.elapsed();
        if (wait > 0) {
            m_paceTimer.start(int(std::min<qint64>(wait, 60000)));
            return;
        }
        if (!writeRoom())
            return;
        // Datagrams meet no back-pressure: give the event loop a turn between bursts.
        if (m_udp && ++burst > kUdpBurst) {
            m_paceTimer.start(1);
            return;
        }
        if (m_options.hostile && !m_struck && StrikesWhileStreaming(*m_options.hostile)
            && m_playSent == GoodPacketsBefore(*m_options.hostile)) {
            m_struck = true;
            if (!strikeWhileStreaming(*m_next))
                return;
        } else {
            sendMedia(
                BuildDataPacket(m_next->locationId, std::uint8_t(m_mediaIncarnation), m_afFlags++, m_next->bytes));
        }
        m_next.reset();
        ++m_mediaSent;
        ++m_playSent;
        if (m_options.dropAfter && m_mediaSent >= *m_options.dropAfter) {
            closeSession(QStringLiteral("dropping the connection after %1 media packets").arg(m_mediaSent));
            return;
        }
    }
}

bool ClientConnection::strikeWhileStreaming(const TimedPacket& next)
{
    const HostileKind kind = *m_options.hostile;
    const auto lyingKeepAlive = [&](std::uint32_t messageLength) {
        QByteArray ping =
            BuildCommand(mid::kPing, command::kToClient, m_seq++, std::uint64_t(m_clock.elapsed()), reply::Ping());
        PutLE(ping, 8, messageLength, 4);
        m_socket->write(ping);
        logEvent(QStringLiteral("hostile: a keep-alive of %1 bytes claims a message length of %2")
                     .arg(ping.size())
                     .arg(messageLength));
    };
    const std::uint8_t incarnation = std::uint8_t(m_mediaIncarnation);
    switch (kind) {
    case HostileKind::LengthLong:
        lyingKeepAlive(std::uint32_t(reply::Ping().size() + 40 - 16 + 4096));
        closeSession(QStringLiteral("hostile: closing after the overlong keep-alive"));
        return false;
    case HostileKind::LengthShort:
        lyingKeepAlive(8);
        break;
    case HostileKind::LengthHuge:
        lyingKeepAlive(0xFFFFFFF0);
        break;
    case HostileKind::PrefixShort: {
        QByteArray packet = BuildDataPacket(next.locationId, incarnation, m_afFlags++, next.bytes);
        PutLE(packet, 6, 4, 2);
        sendData(packet);
        logEvent(QStringLiteral("hostile: media packet %1 with a prefix length of 4").arg(next.locationId));
        return true;
    }
    case HostileKind::PrefixLong:
        sendData(BuildDataPacket(next.locationId, incarnation, m_afFlags++, next.bytes + Junk(1000)));
        logEvent(
            QStringLiteral("hostile: media packet %1 with 1000 bytes beyond the packet size").arg(next.locationId));
        return true;
    case HostileKind::UnknownType:
        sendData(BuildDataPacket(next.locationId, 0x07, 0x80, Junk(100)));
        logEvent(QStringLiteral("hostile: a data packet of type 0x07"));
        break;
    case HostileKind::UnknownCommand:
        for (const std::uint16_t unknown : {0x20, 0x42, 0xFF})
            sendCommand(unknown, QByteArray(8, '\0'));
        logEvent(QStringLiteral("hostile: commands 0x20, 0x42, 0xff"));
        break;
    case HostileKind::ErrorEndOfStream:
        sendCommand(mid::kReportEndOfStream, reply::EndOfStream(kHostileResult, m_mediaIncarnation));
        logEvent(QStringLiteral("hostile: end of stream with an error"));
        stopMedia();
        return false;
    case HostileKind::Stall:
        sendData(
            BuildDataPacket(next.locationId, incarnation, m_afFlags++, next.bytes).first(8 + next.bytes.size() / 2));
        logEvent(QStringLiteral("hostile: stalling in the middle of media packet %1").arg(next.locationId));
        stopMedia();
        m_keepAliveTimer.stop();
        return false;
    case HostileKind::Silent:
        logEvent(QStringLiteral("hostile: silent after %1 media packets").arg(m_playSent));
        stopMedia();
        m_keepAliveTimer.stop();
        return false;
    case HostileKind::DropDatagram:
    case HostileKind::DropFirstDatagram:
        ++m_afFlags;  // the sequence number of the lost packet is used up
        logEvent(QStringLiteral("hostile: media packet %1 not sent").arg(next.locationId));
        return true;
    case HostileKind::PingFlood:
        logEvent(QStringLiteral("hostile: flooding keep-alives, no longer reading"));
        stopMedia();
        m_keepAliveTimer.stop();
        m_deaf = true;
        m_flooding = true;
        floodKeepAlives();
        return false;
    default:
        break;
    }
    sendData(BuildDataPacket(next.locationId, incarnation, m_afFlags++, next.bytes));
    return true;
}

void ClientConnection::floodKeepAlives()
{
    // Bounded by the write window: bytesWritten brings the flood back here.
    while (!m_closing && writeRoom()) {
        sendCommand(mid::kPing, reply::Ping());
        ++m_pings;
    }
}

void ClientConnection::sendMedia(const QByteArray& dataPacket)
{
    if (m_udp && m_options.hostile == HostileKind::LateDatagram) {
        // One packet behind: the last is still held when the stream ends.
        if (!m_withheld.isEmpty())
            sendData(m_withheld);
        m_withheld = dataPacket;
        return;
    }
    sendData(dataPacket);
}

void ClientConnection::endOfStream()
{
    m_cursor.reset();
    QString lost;
    if (m_udpLost > 0)
        lost = QStringLiteral(", %1 datagrams not sent").arg(m_udpLost);
    logEvent(QStringLiteral("end of stream after %1 media packets%2").arg(m_playSent).arg(lost));
    if (!m_withheld.isEmpty()) {
        sendEndOfStream();
        m_struck = true;
        logEvent(QStringLiteral("hostile: the last media packet follows the end of stream"));
        QTimer::singleShot(kHostileLateDatagramMs, this, [this, packet = std::exchange(m_withheld, {})] {
            if (!m_closing)
                sendData(packet);
        });
        return;
    }
    if (!m_udp) {
        sendEndOfStream();
        return;
    }
    // The datagrams just sent are read before the reply that ends the stream.
    QTimer::singleShot(kUdpEndPauseMs, this, [this, generation = m_playGeneration] {
        if (generation == m_playGeneration)
            sendEndOfStream();
    });
}

void ClientConnection::sendEndOfStream()
{
    if (m_session.nextEntry(m_mediaIncarnation))
        return;
    sendCommand(mid::kReportEndOfStream, reply::EndOfStream(hr::kOk, m_mediaIncarnation));
}

void ClientConnection::keepAlive()
{
    if (m_closing)
        return;
    // A recorder says nothing while it receives: only a client with no stream can be idle.
    if (m_cursor)
        m_lastHeard.restart();
    if (m_lastHeard.elapsed() >= m_options.idleTimeoutMs) {
        closeSession(QStringLiteral("idle for %1 s").arg(m_options.idleTimeoutMs / 1000));
        return;
    }
    // Keep-alives do not pile up behind a client that has stopped reading.
    if (m_lastSent.elapsed() >= m_options.pingIntervalMs && m_socket->bytesToWrite() < kWriteWindow) {
        sendCommand(mid::kPing, reply::Ping());
        ++m_pings;
        logEvent(QStringLiteral("keep-alive sent (%1 sent, %2 answered)").arg(m_pings).arg(m_session.pongs()));
    }
    const qint64 untilPing = m_options.pingIntervalMs - m_lastSent.elapsed();
    const qint64 untilIdle = m_options.idleTimeoutMs - m_lastHeard.elapsed();
    m_keepAliveTimer.start(int(std::clamp<qint64>(std::min(untilPing, untilIdle), 1, m_options.pingIntervalMs)));
}

void ClientConnection::closeSession(const QString& why)
{
    if (m_closing)
        return;
    m_closing = true;
    stopMedia();
    m_keepAliveTimer.stop();
    logEvent(QStringLiteral("closing: %1").arg(why));
    // Leaves after what is already written; disconnected() follows. A client
    // that stops reading does not hold the connection open for long.
    m_socket->disconnectFromHost();
    QTimer::singleShot(kCloseGraceMs, this, [this] {
        if (m_finished)
            return;
        m_socket->abort();
        disconnected();
    });
}

void ClientConnection::disconnected()
{
    if (m_finished)
        return;
    m_finished = true;
    m_closing = true;
    stopMedia();
    m_keepAliveTimer.stop();
    logEvent(QStringLiteral("disconnected (%1 media packets, %2 keep-alives sent, %3 answered)")
                 .arg(m_mediaSent)
                 .arg(m_pings)
                 .arg(m_session.pongs()));
    emit finished();
}

}  // namespace tovrin::mmsserver
