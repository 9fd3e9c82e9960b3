#include "mms/mms_link.h"

#include "locations/location_class.h"
#include "mms/command_channel.h"
#include "mms/datagram_receiver.h"
#include "mms/receive_buffer.h"
#include "mms/receive_loop.h"
#include "run/event_queue.h"
#include "state/app_error.h"

#include <QCoreApplication>
#include <QDate>
#include <QHostAddress>
#include <QLocale>
#include <QTime>

#include <thread>

namespace tovrin {

namespace {

QString TimeAndDate()
{
    const QLocale locale;
    return locale.toString(QTime::currentTime(), QLocale::ShortFormat)
           + QCoreApplication::translate("Tovrin", "  日期: ")
           + locale.toString(QDate::currentDate(), QLocale::ShortFormat);
}

}  // namespace

// What the receive thread works with. It lives as long as the thread needs
// it, which may be longer than the link: the thread holds its own share.
struct MmsLink::Exchange {
    std::shared_ptr<ReceiveBuffer> buffer = std::make_shared<ReceiveBuffer>();
    std::shared_ptr<RunEventQueue> events;
    std::shared_ptr<ConnectionCourier> courier;
    std::atomic<bool> stop{false};
    std::atomic<std::uint32_t> sequence{0};
    std::unique_ptr<CommandChannel> channel;
    std::unique_ptr<ReceiveLoop> loop;
};

MmsLink::MmsLink(MmsLinkSettings settings, std::shared_ptr<RunEventQueue> events, DatagramReceiver& datagrams)
    : m_settings(std::move(settings)), m_events(std::move(events)), m_datagrams(datagrams)
{
    m_exchange = std::make_shared<Exchange>();
    m_exchange->events = m_events;
    m_exchange->courier = m_connection.courier();
    m_exchange->channel = std::make_unique<CommandChannel>(*m_exchange->courier, m_exchange->sequence);
    // Room in a full queue wakes the receive thread, which waits for it.
    m_events->setRoomMade([buffer = std::weak_ptr<ReceiveBuffer>(m_exchange->buffer)] {
        if (const auto alive = buffer.lock())
            alive->wake();
    });
    connect(&m_connection, &ControlConnection::stateChanged, this, &MmsLink::onStateChanged);
    connect(&m_connection, &ControlConnection::errorOccurred, this, &MmsLink::onSocketError);
    connect(&m_connection, &ControlConnection::connected, this, &MmsLink::onConnected);
    connect(&m_connection, &ControlConnection::disconnected, this, &MmsLink::onDisconnected);
    connect(&m_connection, &ControlConnection::serverReadsNoMore, this, [this] {
        post(link::Failed{QStringLiteral("- MMS server reads no more commands, connection given up"), QString()});
    });
    connect(&m_connection, &ControlConnection::receiveBufferOverflow, this, [this] {
        post(link::Failed{QString(), QCoreApplication::translate("Tovrin",
                                                                 "緩衝區必須達到它的限制大小 - 已放棄連線期間!\n"
                                                                 "您所下載的媒介已自動幫您儲存")});
    });
}

MmsLink::~MmsLink()
{
    close();
}

template <typename Event>
void MmsLink::post(Event event)
{
    if (!m_closed)
        m_events->push(LinkEvent(std::move(event)));
}

void MmsLink::open(const LinkRequest& request)
{
    m_request = request;
    // A port named in the address wins; otherwise the ServerSocket setting.
    const HostAndPort target = SplitHostAndPort(request.serverHost);
    quint16 port = 0;
    if (target.port) {
        port = *target.port;
    } else {
        bool ok = false;
        const uint value = m_settings.serverPort.trimmed().toUInt(&ok);
        if (!ok || value == 0 || value > 65535) {
            // As an unexpected error: told, and the run ends.
            post(link::Failed{
                QString(),
                ApplicationErrorText(QStringLiteral("'%1' is not a valid integer value").arg(m_settings.serverPort))});
            return;
        }
        port = quint16(value);
    }
    const auto chosen = ChooseProxy(m_settings.proxies, ProxyUse::MmsTcp, target.host, port);
    if (const QString* problem = std::get_if<QString>(&chosen)) {
        post(link::Failed{QString(), *problem});
        return;
    }
    m_proxy = std::get<ChosenProxy>(chosen).address;
    if (!m_proxy.isDirect()) {
        post(link::Log{ProxyLogLine(std::get<ChosenProxy>(chosen))});
        if (m_settings.overUdp) {
            post(link::Log{QCoreApplication::translate(
                "Tovrin", "- 代理伺服器只轉送 TCP 連線，無法接收 UDP 資料: 改用 TCP 接收媒介")});
            m_settings.overUdp = false;
        }
    }
    if (m_settings.overUdp) {
        // Only a UDP run binds the UDP port, and only for as long as it runs.
        bool ok = false;
        const uint udpPort = m_settings.udpPort.trimmed().toUInt(&ok);
        if (!ok || udpPort > 65535 || !m_datagrams.bind(quint16(udpPort), m_exchange->buffer, m_events)) {
            post(link::Failed{QString(),
                              QCoreApplication::translate("Tovrin", "UDP 埠號 %1 無法使用").arg(m_settings.udpPort)});
            return;
        }
        m_udpBound = true;
    }
    post(link::Log{m_settings.bypassDns ? QCoreApplication::translate("Tovrin", "沒有 DNS 解析，正嘗試直接連接")
                                        : QCoreApplication::translate("Tovrin", "從網址解析 DNS 伺服器位址")});
    m_host = target.host;
    m_port = port;
    connectToServer();
}

void MmsLink::connectToServer()
{
    m_connection.open(m_host, m_port, m_settings.bypassDns, *m_exchange->buffer, ToNetworkProxy(m_proxy));
}

void MmsLink::requestMedia(const MediaRequest& request)
{
    ExchangeOrder order;
    order.kind = ExchangeOrder::Kind::Media;
    order.media = request;
    m_exchange->buffer->postOrder(std::move(order));
}

void MmsLink::answerCredentials(const QByteArray& encoded)
{
    if (std::exchange(m_proxyAsked, false)) {
        // Nothing of the exchange has run yet: the connection is made again.
        SetProxyLogin(m_proxy, encoded);
        connectToServer();
        return;
    }
    ExchangeOrder order;
    order.kind = ExchangeOrder::Kind::Credentials;
    order.credentials = encoded;
    m_exchange->buffer->postOrder(std::move(order));
}

QStringList MmsLink::close()
{
    if (m_closed)
        return {};
    m_closed = true;
    // The receive thread ends at its next wait; it no longer reaches the
    // connection, and what it still pushes goes nowhere.
    m_exchange->stop = true;
    m_exchange->buffer->wake();
    m_events->setRoomMade(nullptr);
    m_connection.forgetBuffer();
    m_connection.abort();
    return m_udpBound ? m_datagrams.unbind() : QStringList();
}

void MmsLink::onStateChanged(QAbstractSocket::SocketState state)
{
    // The connect watchdog covers the lookup and the connection together: a
    // name that never resolves must not hold the run for ever.
    if (state == QAbstractSocket::HostLookupState)
        post(link::Connecting{});
    if (state == QAbstractSocket::ConnectingState) {
        post(link::Connecting{});
        post(link::Log{QCoreApplication::translate("Tovrin", "連線到串流伺服器中... 請稍候")});
    }
}

void MmsLink::lose(int kind, const QString& reason)
{
    if (std::exchange(m_lost, true))
        return;
    post(link::Lost{link::LossKind(kind), reason});
}

void MmsLink::onSocketError(QAbstractSocket::SocketError error)
{
    // Once connected, a lost connection ends the run through onDisconnected.
    if (m_connected || error == QAbstractSocket::RemoteHostClosedError)
        return;
    if (!m_proxy.isDirect() && proxyFailed(error))
        return;
    const QString reason = m_connection.socket().errorString();
    lose(int(error == QAbstractSocket::ConnectionRefusedError ? link::LossKind::Refused : link::LossKind::NotMade),
         reason);
}

bool MmsLink::proxyFailed(QAbstractSocket::SocketError error)
{
    const QString reason = ProxyTroubleText(m_proxy, m_connection.socket().errorString());
    switch (ProxyFaultOf(error)) {
    case ProxyFault::AsksCredentials:
        if (++m_proxyAuthTries > MmsLink::kMaxProxyAuthTries) {
            lose(int(link::LossKind::NotMade), reason);
            return true;
        }
        m_proxyAsked = true;
        post(link::CredentialsAsked{QString(), m_proxy.site()});
        return true;
    case ProxyFault::Refused:
        // A proxy that tunnels only to some ports (HTTPS's) refuses the MMS
        // port: as a refused connection, the recording may go on over HTTP.
        post(link::Log{QStringLiteral("- ") + reason});
        lose(int(link::LossKind::Refused), reason);
        return true;
    case ProxyFault::Unreachable:
        lose(int(link::LossKind::NotMade), reason);
        return true;
    case ProxyFault::None:
        break;
    }
    return false;
}

void MmsLink::onConnected()
{
    m_connected = true;
    post(link::Connected{});
    post(link::Log{QCoreApplication::translate("Tovrin", "連接時間: \t") + TimeAndDate()});
    const QTcpSocket& tcp = m_connection.socket();
    // Through a proxy the server may be known by its name only.
    const QString server = tcp.peerAddress().isNull() ? tcp.peerName() : tcp.peerAddress().toString();
    post(link::Log{QCoreApplication::translate("Tovrin", "伺服器位址 \t") + server});
    post(link::Log{QCoreApplication::translate("Tovrin", "伺服器埠號 \t%1").arg(tcp.peerPort())});
    post(link::Log{QCoreApplication::translate("Tovrin", "本地端位址 \t") + tcp.localAddress().toString()});
    post(link::Log{QCoreApplication::translate("Tovrin", "本地端 TCP 埠號\t%1").arg(tcp.localPort())});
    if (m_udpBound) {
        post(link::Log{QCoreApplication::translate("Tovrin", "本地端 UDP 埠號\t%1").arg(m_datagrams.port())});
        m_datagrams.acceptFrom(tcp.peerAddress());
    }
    post(link::Log{QCoreApplication::translate("Tovrin", "開啟 MMS 協定，等候回覆中...")});

    ExchangeSetup setup;
    setup.serverHost = m_request.serverHost;
    setup.streamPath = m_request.streamPath;
    setup.playerName = m_settings.playerName;
    setup.localAddress = tcp.localAddress().toString();
    setup.overUdp = m_udpBound;
    setup.localPort = QString::number(m_udpBound ? m_datagrams.port() : tcp.localPort());
    setup.streamDrained = [courier = m_exchange->courier] { courier->resumeReading(); };
    Exchange& exchange = *m_exchange;
    exchange.loop = std::make_unique<ReceiveLoop>(*exchange.buffer, *exchange.channel, *exchange.events,
                                                  std::move(setup), exchange.stop);
    // The thread holds its own share of what it works with, so it may end
    // after the link has gone; nothing waits for it.
    std::thread([exchange = m_exchange] { exchange->loop->run(); }).detach();
}

void MmsLink::onDisconnected()
{
    if (m_closed)
        return;
    post(link::Log{QCoreApplication::translate("Tovrin", "關閉連接: \t") + TimeAndDate()});
    if (!m_connection.hasReplied()) {
        lose(int(link::LossKind::ClosedBeforeReply), QString());
        return;
    }
    // What the server sent before it closed is still handed over: the
    // receive thread drains the buffer, then tells that the server has gone.
    m_connection.closeInputOnceRead();
}

}  // namespace tovrin
