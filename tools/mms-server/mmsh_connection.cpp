#include "mms-server/mmsh_connection.h"

#include "mms-server/mmsh_chunk.h"
#include "mms-server/session.h"

#include "asf/byte_helpers.h"

#include <QRandomGenerator>
#include <QTcpSocket>

namespace tovrin::mmsserver {

namespace {

constexpr int kCloseGraceMs = 2000;
constexpr qsizetype kHostileHeaderPiece = 64;

bool isLive(const SourceFacts& facts)
{
    return facts.packetCount == 0xFFFFFFFFu || (facts.attributes & attribute::kBroadcast) != 0;
}

bool StrikesWhileStreaming(HostileKind kind)
{
    switch (kind) {
    case HostileKind::ChunkLengthLie:
    case HostileKind::ChunkUnknownType:
    case HostileKind::ChunkDataLong:
    case HostileKind::ChunkEntryChange:
    case HostileKind::Stall:
    case HostileKind::Silent:
    case HostileKind::DropDatagram:
        return true;
    default:
        return false;
    }
}

}  // namespace

MmshConnection::MmshConnection(QTcpSocket* socket, int number, SourceCatalog& catalog, MmshOptions options, Log log,
                               QObject* parent)
    : QObject(parent),
      m_socket(socket),
      m_number(number),
      m_catalog(catalog),
      m_options(std::move(options)),
      m_log(std::move(log)),
      m_peer(QStringLiteral("%1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort()))
{
    m_socket->setParent(this);
    m_socket->setReadBufferSize(kMaxRequestHead);
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_paceTimer.setSingleShot(true);
    m_paceTimer.setTimerType(Qt::PreciseTimer);
    connect(m_socket, &QTcpSocket::readyRead, this, &MmshConnection::readRequest);
    connect(m_socket, &QTcpSocket::bytesWritten, this, &MmshConnection::pump);
    connect(m_socket, &QTcpSocket::disconnected, this, &MmshConnection::disconnected);
    connect(&m_paceTimer, &QTimer::timeout, this, &MmshConnection::pump);
    logEvent(QStringLiteral("connected (http)"));
    // Bytes the MMS port already looked at to choose HTTP raise no readyRead again.
    if (m_socket->bytesAvailable() > 0)
        QTimer::singleShot(0, this, &MmshConnection::readRequest);
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        QTimer::singleShot(0, this, &MmshConnection::disconnected);
}

MmshConnection::~MmshConnection() = default;

void MmshConnection::logEvent(const QString& line)
{
    m_log(QStringLiteral("http %1 %2: %3").arg(m_number).arg(m_peer, line));
}

void MmshConnection::shutdown(const QString& why)
{
    close(why);
}

void MmshConnection::cut(const QString& why)
{
    if (m_finished)
        return;
    m_closing = true;
    logEvent(QStringLiteral("cut: %1").arg(why));
    m_socket->abort();
    disconnected();
}

void MmshConnection::readRequest()
{
    if (m_answered || m_closing) {
        m_socket->readAll();  // one request per connection; anything after it is not looked at
        return;
    }
    m_in.append(m_socket->read(kMaxRequestHead - m_in.size()));
    const qsizetype headSize = RequestHeadSize(m_in);
    if (headSize == 0) {
        if (m_in.size() >= kMaxRequestHead)
            refuse(400, "Bad Request", {}, QStringLiteral("request head too long"));
        return;
    }
    m_answered = true;
    const auto request = ParseMmshRequest(QByteArrayView(m_in).first(headSize));
    if (!request) {
        refuse(400, "Bad Request", {}, QStringLiteral("not an HTTP request"));
        return;
    }
    answer(*request);
}

void MmshConnection::refuse(int status, const QByteArray& reason, const QByteArray& extraHeaders, const QString& why)
{
    m_socket->write("HTTP/1.0 " + QByteArray::number(status) + ' ' + reason
                    + "\r\nServer: Cougar/9.01.01.3814\r\nContent-Length: 0\r\n" + extraHeaders
                    + "Connection: close\r\n\r\n");
    close(QStringLiteral("answered %1: %2").arg(status).arg(why));
}

void MmshConnection::answer(const MmshRequest& request)
{
    const QString kind = request.play ? QStringLiteral("play") : QStringLiteral("describe");
    logEvent(QStringLiteral("%1 %2 (%3 streams asked, packet-num %4, user agent %5)")
                 .arg(kind, request.name)
                 .arg(request.switchEntries)
                 .arg(request.packetNum ? QString::number(*request.packetNum) : QStringLiteral("none"),
                      QString::fromLatin1(request.userAgent)));
    if (request.method != "GET") {
        refuse(405, "Method Not Allowed", {}, QStringLiteral("method %1").arg(QString::fromLatin1(request.method)));
        return;
    }
    if (m_options.requiredAgent && !QString::fromLatin1(request.userAgent).contains(*m_options.requiredAgent)) {
        refuse(403, "Forbidden", {}, QStringLiteral("player refused: not \"%1\"").arg(*m_options.requiredAgent));
        return;
    }
    if (m_options.credentials && request.basicCredentials != m_options.credentials) {
        refuse(401, "Unauthorized", "WWW-Authenticate: Basic realm=\"" + m_options.realm.toUtf8() + "\"\r\n",
               request.basicCredentials ? QStringLiteral("wrong credentials") : QStringLiteral("no credentials"));
        return;
    }
    std::uint32_t result = 0;
    QString why;
    m_source = m_catalog.open(request.name, &result, &why);
    if (!m_source) {
        refuse(404, "Not Found", {}, why);
        return;
    }
    const SourceFacts facts = m_source->facts();
    const bool live = isLive(facts);
    QByteArray head = "HTTP/1.0 200 OK\r\nServer: Cougar/9.01.01.3814\r\nContent-Type: ";
    head += request.play ? "application/x-mms-framed" : "application/vnd.ms.wms-hdr.asfv1";
    head += "\r\nPragma: no-cache\r\nPragma: client-id="
            + QByteArray::number(QRandomGenerator::global()->bounded(1, 1 << 30));
    head += live ? "\r\nPragma: features=\"broadcast\"" : "\r\nPragma: features=\"seekable,stridable\"";
    head += "\r\nCache-Control: no-cache\r\nConnection: close\r\n";

    const qsizetype piece = m_options.hostile == HostileKind::HeaderSplit ? kHostileHeaderPiece : chunk::kMaxPayload;
    QByteArray body;
    for (const QByteArray& headerChunk : MmshHeaderChunks(header(), piece))
        body += headerChunk;
    if (!request.play) {
        m_socket->write(head + "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
        close(QStringLiteral("described %1").arg(m_source->describe()));
        return;
    }
    m_socket->write(head + "\r\n" + body);
    if (m_options.hostile == HostileKind::HeaderSplit)
        logEvent(QStringLiteral("hostile: the header in $H chunks of %1 bytes").arg(piece));
    if (m_options.hostile == HostileKind::ChunkSendNow)
        logEvent(QStringLiteral("hostile: every $D with the send-immediately bit"));
    if (m_options.hostile && !HostileFirstObject(*m_options.hostile).isEmpty())
        logEvent(QStringLiteral("hostile: an object put first in the header"));

    // stream-time goes before packet-num, as a server weighs them.
    StartPlaying start;
    if (request.streamTimeMs)
        start.positionSeconds = *request.streamTimeMs / 1000.0;
    else if (request.packetNum)
        start.locationId = *request.packetNum;
    m_selection = request.selection ? request.selection : m_options.unselected;
    if (m_selection)
        logEvent(QStringLiteral("stream selection: %1").arg(m_selection->describe()));
    m_cursor = play(start);
    if (m_options.hostile == HostileKind::MediaFlood) {
        m_cursor = FloodOf(std::move(m_cursor));
        logEvent(QStringLiteral("hostile: flooding $D chunks in an endless loop"));
    }
    m_playClock.start();
    logEvent(QStringLiteral("playing %1%2").arg(m_source->describe(), live ? QStringLiteral(" (live)") : QString()));
    pump();
}

void MmshConnection::pump()
{
    while (m_cursor && !m_closing) {
        if (!m_next) {
            m_next = m_cursor->next();
            if (!m_next && m_source->nextEntry()) {
                // A playlist's next entry: announced, or its header alone.
                QByteArray change = m_options.bareEntryChange
                                        ? QByteArray()
                                        : MmshReasonChunk(chunk::kEnd, 1) + MmshReasonChunk(chunk::kChange, 0);
                for (const QByteArray& headerChunk : MmshHeaderChunks(header()))
                    change += headerChunk;
                m_socket->write(change);
                logEvent(QStringLiteral("next entry: %1").arg(m_source->describe()));
                m_cursor = play(StartPlaying{});
                m_playClock.restart();
                continue;
            }
            if (!m_next) {
                m_socket->write(MmshReasonChunk(chunk::kEnd, 0));
                close(QStringLiteral("end of stream after %1 $D chunks").arg(m_sent));
                return;
            }
        }
        const qint64 wait = m_next->dueMs - m_playClock.elapsed();
        if (wait > 0) {
            m_paceTimer.start(int(std::min<qint64>(wait, 60000)));
            return;
        }
        if (m_socket->bytesToWrite() >= kWriteWindow)
            return;  // bytesWritten comes back here
        if (m_options.hostile && !m_struck && StrikesWhileStreaming(*m_options.hostile)
            && m_sent == std::uint64_t(kHostileGoodPackets)) {
            m_struck = true;
            if (!strike(*m_next))
                return;
        } else {
            m_socket->write(MmshDataChunk(chunk::kData, m_next->locationId, m_afFlags++, m_next->bytes,
                                          m_options.hostile == HostileKind::ChunkSendNow));
        }
        m_next.reset();
        ++m_sent;
        if (m_options.dropAfter && m_sent >= *m_options.dropAfter) {
            close(QStringLiteral("dropping the connection after %1 $D chunks").arg(m_sent));
            return;
        }
    }
}

QByteArray MmshConnection::header() const
{
    return m_options.hostile ? HostileHeader(*m_options.hostile, m_source->header()) : m_source->header();
}

std::unique_ptr<PacketCursor> MmshConnection::play(const StartPlaying& start)
{
    std::unique_ptr<PacketCursor> cursor = SelectedStreams(m_source->play(start), m_selection);
    if (!m_options.hostile)
        return cursor;
    return HostilePlay(*m_options.hostile, std::move(cursor), m_plays++,
                       [this](const QString& line) { logEvent(line); });
}

bool MmshConnection::strike(const TimedPacket& next)
{
    switch (*m_options.hostile) {
    case HostileKind::ChunkLengthLie: {
        QByteArray lying = MmshDataChunk(chunk::kData, next.locationId, m_afFlags++, next.bytes);
        PutLE(lying, 10, 100, 2);
        m_socket->write(lying);
        logEvent(QStringLiteral("hostile: a $D whose repeated length says 100"));
        return true;
    }
    case HostileKind::ChunkUnknownType:
        m_socket->write(MmshDataChunk('Z', 0, 0, QByteArray(40, 'z')));
        logEvent(QStringLiteral("hostile: a chunk of type $Z"));
        return true;
    case HostileKind::ChunkDataLong:
        m_socket->write(MmshDataChunk(chunk::kData, next.locationId, m_afFlags++, next.bytes + QByteArray(1000, 'j')));
        logEvent(QStringLiteral("hostile: a $D 1000 bytes longer than the packet size"));
        return true;
    case HostileKind::ChunkEntryChange: {
        QByteArray change = MmshReasonChunk(chunk::kEnd, 1) + MmshReasonChunk(chunk::kChange, 0);
        for (const QByteArray& headerChunk : MmshHeaderChunks(header()))
            change += headerChunk;
        m_socket->write(change + MmshDataChunk(chunk::kData, next.locationId, m_afFlags++, next.bytes));
        logEvent(QStringLiteral("hostile: an entry change with the same header"));
        return true;
    }
    case HostileKind::Stall: {
        const QByteArray whole = MmshDataChunk(chunk::kData, next.locationId, m_afFlags++, next.bytes);
        m_socket->write(whole.first(whole.size() / 2));
        logEvent(QStringLiteral("hostile: half a $D, then nothing"));
        m_cursor.reset();
        return false;
    }
    case HostileKind::Silent:
        logEvent(QStringLiteral("hostile: silent after %1 $D chunks").arg(m_sent));
        m_cursor.reset();
        return false;
    case HostileKind::DropDatagram:
        // A server that skips a packet number: the stream goes on without it.
        logEvent(QStringLiteral("hostile: $D %1 not sent").arg(next.locationId));
        return true;
    default:
        return true;
    }
}

void MmshConnection::close(const QString& why)
{
    if (m_closing)
        return;
    m_closing = true;
    m_paceTimer.stop();
    m_cursor.reset();
    logEvent(QStringLiteral("closing: %1").arg(why));
    m_socket->disconnectFromHost();
    QTimer::singleShot(kCloseGraceMs, this, [this] {
        if (!m_finished)
            m_socket->abort();
    });
}

void MmshConnection::disconnected()
{
    if (m_finished)
        return;
    m_finished = true;
    m_closing = true;
    m_paceTimer.stop();
    m_cursor.reset();
    logEvent(QStringLiteral("disconnected (%1 $D chunks sent)").arg(m_sent));
    emit finished();
}

}  // namespace tovrin::mmsserver
