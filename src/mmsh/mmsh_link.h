#pragma once

#include "locations/proxy_choice.h"
#include "mmsh/mmsh_reply.h"
#include "run/link_event.h"
#include "run/transport_link.h"

#include <QObject>
#include <QTcpSocket>
#include <QUrl>

#include <memory>
#include <optional>

namespace tovrin {

class RunEventQueue;

// One connection of a run over MMSH (MMS over HTTP, mmsh://): a Describe for
// the ASF header, then, once the engine asks for the media, a Play for the
// data packets, each request on a connection of its own. Follows redirects
// (at most kMaxRedirects), hands a 401 to the engine as a request for
// credentials (at most kMaxAuthTries), and pushes the header, the packets and
// the ends of entries and of the stream onto the run's event queue.
//
// Through an HTTP proxy each request names the whole address, as players
// send it ("GET http://host/path"), and a 407 is a request for the proxy's
// credentials; through a SOCKS5 proxy the socket tunnels to the server.
//
// Memory is bounded: the socket reads at most kReadLimit bytes beyond the
// chunk being assembled (through SOCKS5, what Qt's proxy engine has taken
// in), nothing while the event queue is full, and every length from the
// server is checked before it is used (see mmsh_reply.h).
//
// Thread: the UI thread, which owns the socket.
class MmshLink : public QObject, public TransportLink {
    Q_OBJECT

public:
    static constexpr int kMaxRedirects = 10;
    static constexpr int kMaxAuthTries = 3;
    static constexpr qint64 kReadLimit = 256 * 1024;

    // `defaultPort`: the port of an address that names none; `proxies`: where
    // each request's proxy is chosen from; `playerName`: the User-Agent
    // presented (locations/player_name.h).
    MmshLink(std::shared_ptr<RunEventQueue> events, quint16 defaultPort, ProxyConfig proxies, QString playerName);
    ~MmshLink() override;

    void open(const LinkRequest& request) override;
    void requestMedia(const MediaRequest& request) override;
    void answerCredentials(const QByteArray& encoded) override;
    QStringList close() override;

private:
    enum class Step { Describe, Play };

    template <typename Event>
    void post(Event event);
    void request(Step step);
    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void onError(QAbstractSocket::SocketError error);
    // Handles what the buffer holds; false once nothing more of this reply
    // is to be handled.
    bool consume();
    bool handleHead();
    bool handleProxyRefusal(const MmshReplyHead& head);
    bool chooseProxy();
    bool handleChunk(const MmshChunk& chunk);
    bool headerComplete();
    void fail(const QString& logLine, const QString& message = QString());
    void lose(link::LossKind kind, const QString& reason);

    std::shared_ptr<RunEventQueue> m_events;
    quint16 m_defaultPort;
    ProxyConfig m_proxies;
    ProxyAddress m_proxy;       // the current request's
    QString m_proxyLogged;      // the proxy the log last named
    bool m_proxyAsked = false;  // the credentials asked for are the proxy's
    int m_proxyAuthTries = 0;
    QString m_playerName;
    QTcpSocket m_tcp;
    QUrl m_url;  // where the next request goes (http://host:port/path)
    QString m_clientGuid;
    Step m_step = Step::Describe;
    std::optional<MediaRequest> m_media;
    QByteArray m_credentials;  // encoded, for the next requests
    QByteArray m_in;
    bool m_headRead = false;
    bool m_broadcast = false;  // the Describe's reply said so
    bool m_live = false;       // the header describes a broadcast
    std::uint32_t m_packetSize = 0;
    bool m_connected = false;     // this request's connection is made
    bool m_describeDone = false;  // the Describe's header is handed over
    int m_redirects = 0;
    int m_authTries = 0;
    QByteArray m_header;               // $H payloads of the header being collected
    QByteArray m_lastHeader;           // the header handed over last
    bool m_newHeaderExpected = false;  // after $C: the next entry's header follows
    bool m_streaming = false;          // a $D has arrived in this connection
    bool m_earlyMediaLogged = false;
    bool m_ended = false;  // nothing more is handled
    bool m_closed = false;
    bool m_switching = false;  // the old connection's end is no event
};

}  // namespace tovrin
