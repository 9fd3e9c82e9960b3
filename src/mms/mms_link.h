#pragma once

#include "locations/proxy_choice.h"
#include "mms/control_connection.h"
#include "run/transport_link.h"

#include <QObject>
#include <QString>

#include <memory>

namespace tovrin {

class DatagramReceiver;
class RunEventQueue;

// The settings an MMS connection is made with, taken when the run starts.
struct MmsLinkSettings {
    QString serverPort;  // the ServerSocket setting, for an address that names no port
    bool bypassDns = false;
    bool overUdp = false;  // the media as UDP datagrams
    QString udpPort;       // the local UDP port setting
    ProxyConfig proxies;   // where the control connection's proxy is chosen from
    QString playerName;    // presented to the server (locations/player_name.h)
};

// One connection of a run over MMS: the control connection (TCP, on the UI
// thread), the UDP port while the run receives by UDP, and the receive
// thread that runs the command exchange (see receive_loop.h). Everything it
// learns goes onto the run's event queue; the engine's orders go to the
// receive thread through its buffer.
//
// Through a proxy (HTTP CONNECT or SOCKS5) the control connection tunnels to
// the server; datagrams cannot follow it, so the media comes over TCP.
//
// Thread: the UI thread. The receive thread shares only the buffer, the
// queue and the connection's courier with it, and ends by itself at its
// next wait once the link closes: nothing waits for it.
class MmsLink : public QObject, public TransportLink {
    Q_OBJECT

public:
    static constexpr int kMaxProxyAuthTries = 3;

    MmsLink(MmsLinkSettings settings, std::shared_ptr<RunEventQueue> events, DatagramReceiver& datagrams);
    ~MmsLink() override;

    void open(const LinkRequest& request) override;
    void requestMedia(const MediaRequest& request) override;
    void answerCredentials(const QByteArray& encoded) override;
    QStringList close() override;

private:
    struct Exchange;
    template <typename Event>
    void post(Event event);
    void onStateChanged(QAbstractSocket::SocketState state);
    void onSocketError(QAbstractSocket::SocketError error);
    void onConnected();
    void onDisconnected();
    void lose(int kind, const QString& reason);
    bool proxyFailed(QAbstractSocket::SocketError error);
    void connectToServer();

    MmsLinkSettings m_settings;
    std::shared_ptr<RunEventQueue> m_events;
    DatagramReceiver& m_datagrams;
    LinkRequest m_request;
    QString m_host;  // where the control connection goes
    quint16 m_port = 0;
    ProxyAddress m_proxy;
    bool m_proxyAsked = false;  // the credentials asked for are the proxy's
    int m_proxyAuthTries = 0;
    ControlConnection m_connection;
    std::shared_ptr<Exchange> m_exchange;
    bool m_udpBound = false;
    bool m_connected = false;
    bool m_closed = false;
    bool m_lost = false;  // the end of the connection has been told
};

}  // namespace tovrin
