#include "mmsh/mmsh_link.h"

#include "asf/asf_objects.h"
#include "asf/byte_helpers.h"
#include "locations/credentials.h"
#include "mmsh/mmsh_request.h"
#include "run/event_queue.h"
#include "run/server_error.h"

#include <QCoreApplication>
#include <QNetworkProxy>
#include <QUuid>

namespace tovrin {

namespace {

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

MmshLink::MmshLink(std::shared_ptr<RunEventQueue> events, quint16 defaultPort, ProxyConfig proxies, QString playerName)
    : m_events(std::move(events)),
      m_defaultPort(defaultPort),
      m_proxies(std::move(proxies)),
      m_playerName(std::move(playerName))
{
    m_tcp.setReadBufferSize(kReadLimit);
    connect(&m_tcp, &QTcpSocket::connected, this, &MmshLink::onConnected);
    connect(&m_tcp, &QTcpSocket::readyRead, this, &MmshLink::onReadyRead);
    connect(&m_tcp, &QTcpSocket::disconnected, this, &MmshLink::onDisconnected);
    connect(&m_tcp, &QTcpSocket::errorOccurred, this, &MmshLink::onError);
    // Room in a full queue: reading goes on, on this thread.
    m_events->setRoomMade([this] { QMetaObject::invokeMethod(this, &MmshLink::onReadyRead, Qt::QueuedConnection); });
}

MmshLink::~MmshLink()
{
    close();
}

template <typename Event>
void MmshLink::post(Event event)
{
    if (!m_closed)
        m_events->push(LinkEvent(std::move(event)));
}

void MmshLink::open(const LinkRequest& request)
{
    QUrl url(request.url.trimmed());
    url.setScheme(QStringLiteral("http"));
    if (url.port() < 0)
        url.setPort(m_defaultPort);
    m_url = url;
    m_clientGuid = QUuid::createUuid().toString(QUuid::WithBraces);
    this->request(Step::Describe);
}

void MmshLink::requestMedia(const MediaRequest& request)
{
    m_media = request;
    // Over MMSH the next entry of a playlist comes in the same Play.
    if (m_step == Step::Describe)
        this->request(Step::Play);
}

void MmshLink::answerCredentials(const QByteArray& encoded)
{
    // The proxy's credentials go with every later request through it.
    if (std::exchange(m_proxyAsked, false))
        m_proxies.logins.insert(m_proxy.site(), encoded);
    else
        m_credentials = encoded;
    request(m_step);
}

QStringList MmshLink::close()
{
    if (m_closed)
        return {};
    m_closed = m_ended = true;
    m_events->setRoomMade(nullptr);
    m_switching = true;
    if (m_tcp.state() != QAbstractSocket::UnconnectedState)
        m_tcp.abort();
    return {};
}

void MmshLink::request(Step step)
{
    m_step = step;
    m_in.clear();
    m_headRead = m_connected = m_describeDone = false;
    m_switching = true;  // the old connection's end is no event of the run
    m_tcp.abort();
    m_switching = false;
    if (!chooseProxy())
        return;
    post(link::Log{QStringLiteral("- MMSH %1 %2:%3%4")
                       .arg(step == Step::Describe ? QStringLiteral("Describe") : QStringLiteral("Play"), m_url.host())
                       .arg(m_url.port())
                       .arg(m_url.path())});
    post(link::Connecting{});
    // Through SOCKS5, Qt's engine reads the connection without a bound and
    // tells of new bytes only when more arrive, so a bounded buffer would
    // strand what lies beyond it once the server falls silent.
    m_tcp.setReadBufferSize(m_proxy.kind == ProxyAddress::Kind::Socks5 ? 0 : kReadLimit);
    if (m_proxy.kind == ProxyAddress::Kind::Http) {
        m_tcp.setProxy(QNetworkProxy(QNetworkProxy::NoProxy));
        m_tcp.connectToHost(m_proxy.host, m_proxy.port);
        return;
    }
    m_tcp.setProxy(ToNetworkProxy(m_proxy));
    m_tcp.connectToHost(m_url.host(), quint16(m_url.port()));
}

bool MmshLink::chooseProxy()
{
    // Chosen again for each request: a redirect may lead to a host the
    // environment's no_proxy names.
    const auto chosen = ChooseProxy(m_proxies, ProxyUse::Http, m_url.host(), quint16(m_url.port()));
    if (const QString* problem = std::get_if<QString>(&chosen)) {
        fail(QString(), *problem);
        return false;
    }
    m_proxy = std::get<ChosenProxy>(chosen).address;
    const QString name = m_proxy.isDirect() ? QString() : m_proxy.displayName();
    if (name != m_proxyLogged) {
        m_proxyLogged = name;
        if (!name.isEmpty())
            post(link::Log{ProxyLogLine(std::get<ChosenProxy>(chosen))});
    }
    return true;
}

void MmshLink::onConnected()
{
    m_connected = true;
    post(link::Connected{});
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
    request.basicCredentials = m_credentials;
    request.viaProxy = m_proxy.kind == ProxyAddress::Kind::Http;
    request.proxyCredentials = ProxyLogin(m_proxy);
    request.userAgent = m_playerName.toLatin1();
    if (m_step == Step::Play && m_media) {
        request.play = true;
        request.streams = m_media->streams;
        request.packetNum = m_media->start;
    }
    m_tcp.write(BuildMmshRequest(request));
}

void MmshLink::onReadyRead()
{
    if (m_ended || m_describeDone)
        return;
    // The engine is behind: the socket is read again when it has room.
    if (!m_events->hasRoom())
        return;
    // A chunk is at most 64 KiB: the buffer never holds much more than one
    // chunk plus one socket read.
    m_in += m_tcp.read(kReadLimit);
    if (consume() && m_tcp.bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &MmshLink::onReadyRead, Qt::QueuedConnection);
}

bool MmshLink::consume()
{
    if (!m_headRead && !handleHead())
        return false;
    if (!m_headRead)
        return true;
    qsizetype at = 0;
    bool running = true;
    const std::uint32_t maxPayload = m_lastHeader.isEmpty() ? 0 : m_packetSize;
    while (running && !m_ended) {
        const ChunkRead read = ReadChunk(QByteArrayView(m_in).sliced(at), maxPayload);
        if (read.kind == ChunkRead::Kind::NeedMore)
            break;
        if (read.kind == ChunkRead::Kind::Bad) {
            fail(QStringLiteral("- MMSH framing error: ") + read.error);
            return false;
        }
        at += read.size;
        running = handleChunk(read.chunk);
    }
    if (!running || m_ended)
        return false;
    m_in.remove(0, at);
    return true;
}

bool MmshLink::handleHead()
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
    post(link::Progress{});
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
        post(link::Log{QStringLiteral("- MMSH redirect (%1) to %2").arg(head.status).arg(next.toString())});
        if (!CredentialsFollowRedirect(m_url, next)) {
            // The credentials were given to this server, not to the next one,
            // which asks for its own.
            m_credentials.clear();
            post(link::ServerMoved{next.authority()});
        }
        m_url = next;
        request(m_step);
        return false;
    }
    if (!m_proxy.isDirect() && head.status != 200 && head.status != 401)
        return handleProxyRefusal(head);
    if (head.status == 401) {
        // The server closes the refused connection, perhaps while the dialog
        // is open: that close is no event of the run.
        m_switching = true;
        m_tcp.abort();
        m_switching = false;
        if (++m_authTries > kMaxAuthTries) {
            fail(QString(), QCoreApplication::translate("Tovrin", "連線期間已放棄，關閉連線"));
            return false;
        }
        post(link::CredentialsAsked{QStringLiteral("realm=") + QString::fromUtf8(head.realm), QString()});
        return false;
    }
    if (head.status != 200) {
        const QString line = QCoreApplication::translate("Tovrin", "- MMSH: 伺服器回答 HTTP %1").arg(head.status);
        if (head.status != 403) {
            fail(line);
            return false;
        }
        // Access denied, told as over MMS. The Describe presents little but
        // the player's name, which a Play has presented already.
        m_ended = true;
        post(link::Log{line});
        post(link::ServerError{kAccessDenied, m_step == Step::Describe ? m_playerName : QString()});
        return false;
    }
    m_headRead = true;
    if (m_step == Step::Describe)
        m_broadcast = head.broadcast();
    else
        post(link::StreamingStarts{false});
    return true;
}

bool MmshLink::handleProxyRefusal(const MmshReplyHead& head)
{
    // A proxy's (or through it, the server's) words, bounded for a message.
    const QString said = QStringLiteral("HTTP %1 %2").arg(head.status).arg(QString::fromLatin1(head.reason.left(120)));
    if (head.status != 407 || m_proxy.kind != ProxyAddress::Kind::Http) {
        fail(QStringLiteral("- MMSH: the server answered HTTP %1").arg(head.status),
             QCoreApplication::translate("Tovrin", "經由代理伺服器 %1 的請求失敗: %2")
                 .arg(m_proxy.displayName(), said.trimmed()));
        return false;
    }
    m_switching = true;
    m_tcp.abort();
    m_switching = false;
    if (++m_proxyAuthTries > kMaxAuthTries) {
        fail(QString(), ProxyTroubleText(m_proxy, said.trimmed()));
        return false;
    }
    m_proxyAsked = true;
    post(link::CredentialsAsked{QStringLiteral("realm=") + QString::fromUtf8(head.proxyRealm), m_proxy.site()});
    return false;
}

bool MmshLink::handleChunk(const MmshChunk& chunk)
{
    switch (chunk.type) {
    case 'H':
        post(link::Progress{});
        if (!m_lastHeader.isEmpty() && !m_newHeaderExpected) {
            if (!m_streaming)
                return true;  // the Play's copy of the header the Describe gave
            // A header amid the data, without $C: the stream changed all the
            // same, and nothing more is handed over until its header is known.
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
        if (m_lastHeader.isEmpty() || m_newHeaderExpected) {
            if (!std::exchange(m_earlyMediaLogged, true))
                post(link::Log{QStringLiteral("- Media packet before the ASF header, dropped")});
            m_streaming = true;
            return true;
        }
        m_streaming = true;
        post(link::Packet{PacketNumber(chunk.locationId), chunk.payload});
        return true;
    case 'E':
        if (chunk.reason == kEndOfEntry) {
            post(link::EntryEnded{});  // a $C and the next entry follow, if the stream goes on
            return true;
        }
        m_ended = true;
        if (chunk.reason == kEndFinished)
            post(link::EndOfStream{});
        else
            post(link::ServerError{chunk.reason, QString()});
        return false;
    case 'C':
        m_newHeaderExpected = true;
        m_header.clear();
        return true;
    default:
        return true;  // $M, $P, $T tell a recorder nothing it needs
    }
}

bool MmshLink::headerComplete()
{
    const QByteArrayView fpo = HeaderObjects(m_header).bytes(guid::kFileProperties);
    const auto packetSize = LE32At(fpo, kFpoMinPacketSize);
    if (!packetSize || *packetSize == 0 || *packetSize > kMaxPacketSize) {
        fail(QStringLiteral("- MMSH: the ASF header names no usable packet size"));
        return false;
    }
    link::FileFigures figures;
    figures.packetSize = *packetSize;
    figures.headerLength = std::uint32_t(m_header.size());
    figures.bitRate = LE32At(fpo, kFpoMaxBitRate).value_or(0);
    figures.live = m_broadcast || (LE32At(fpo, kFpoFlags).value_or(0) & kBroadcastFlag);
    figures.packetCount = figures.live ? 0 : LE32At(fpo, kFpoPacketCount).value_or(0);
    m_packetSize = *packetSize;
    m_live = figures.live;
    m_newHeaderExpected = false;
    m_lastHeader = m_header;
    post(link::Log{QCoreApplication::translate("Tovrin", "- 接收標題...")});
    post(link::Header{m_header, figures});
    // The Describe's reply ends with its header: the Play follows once the
    // engine has stored it and asks for the media.
    if (m_step == Step::Describe)
        m_describeDone = true;
    return !m_describeDone;
}

void MmshLink::onDisconnected()
{
    if (m_switching || m_ended || m_describeDone)
        return;
    // What arrived before the close is handled first.
    while (m_tcp.bytesAvailable() > 0 || !m_in.isEmpty()) {
        const qsizetype before = m_in.size();
        m_in += m_tcp.read(kReadLimit);
        if (!consume())
            return;
        if (m_in.size() == before && m_tcp.bytesAvailable() == 0)
            break;  // an incomplete chunk that will never be completed
    }
    if (m_describeDone)
        return;  // the Describe has done its part; the Play follows
    if (m_step == Step::Describe) {
        if (m_headRead && !m_header.isEmpty()) {
            // A server that does not flag the last $H ends the header by closing.
            headerComplete();
            return;
        }
    }
    m_ended = true;
    if (m_step == Step::Play && m_streaming && m_live) {
        // A broadcast that closes without $E has ended all the same.
        post(link::Log{QStringLiteral("- MMSH: the server closed the broadcast")});
        lose(link::LossKind::Closed, QString());
        return;
    }
    if (m_headRead) {
        post(link::Log{QStringLiteral("- MMSH: the server closed the connection before the end of the stream")});
        lose(link::LossKind::Closed, QString());
        return;
    }
    post(link::Log{QStringLiteral("- MMSH: the server closed the connection without a reply")});
    lose(link::LossKind::ClosedBeforeReply, QString());
}

void MmshLink::onError(QAbstractSocket::SocketError error)
{
    if (m_switching || m_ended || error == QAbstractSocket::RemoteHostClosedError)
        return;
    const QString reason = m_tcp.errorString();
    if (!m_connected && !m_proxy.isDirect()) {
        // An HTTP proxy is this socket's peer: not reaching it is the proxy's fault.
        switch (m_proxy.kind == ProxyAddress::Kind::Http ? ProxyFault::Unreachable : ProxyFaultOf(error)) {
        case ProxyFault::AsksCredentials:
            m_switching = true;
            m_tcp.abort();
            m_switching = false;
            if (++m_proxyAuthTries > kMaxAuthTries) {
                fail(QString(), ProxyTroubleText(m_proxy, reason));
                return;
            }
            m_proxyAsked = true;
            post(link::CredentialsAsked{QString(), m_proxy.site()});
            return;
        case ProxyFault::Refused:
            fail(QString(), ProxyTroubleText(m_proxy, reason));
            return;
        case ProxyFault::Unreachable:
            lose(link::LossKind::NotMade, ProxyTroubleText(m_proxy, reason));
            return;
        case ProxyFault::None:
            break;
        }
    }
    if (error == QAbstractSocket::ConnectionRefusedError) {
        lose(link::LossKind::Refused, reason);
        return;
    }
    if (!m_connected) {
        lose(link::LossKind::NotMade, reason);
        return;
    }
    post(link::Log{QStringLiteral("- MMSH connection error: ") + reason});
    lose(link::LossKind::Dropped, reason);
}

void MmshLink::fail(const QString& logLine, const QString& message)
{
    m_ended = true;
    post(link::Failed{logLine, message});
}

void MmshLink::lose(link::LossKind kind, const QString& reason)
{
    m_ended = true;
    post(link::Lost{kind, reason});
}

}  // namespace tovrin
