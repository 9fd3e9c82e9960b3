#pragma once

#include "mms-server/live_point.h"
#include "mms-server/server_options.h"
#include "mms-server/session.h"

#include <QDir>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTcpServer>
#include <QTimer>

#include <functional>
#include <memory>

class QTcpSocket;

namespace tovrin::mmsserver {

class ClientConnection;
class MmshConnection;

// The server: listens, opens the live points, resolves the names clients open
// (live points first, then files under the root folder, never outside it) and
// keeps one ClientConnection per client.
//
// The MMS port answers HTTP as well, as real servers do: a connection whose
// first bytes are an HTTP request line goes to an MmshConnection, as on the
// MMSH port, so clients that try MMS over HTTP first on the mms:// address
// (libmms) are served by it. Until its first bytes have come (or kDecideMs
// has passed), a connection waits with at most kDecideBytes read.
//
// With an outage schedule, the server cuts every connection at each outage
// and closes its ports until the outage is over, then listens on the same
// ports again.
//
// Thread: everything runs on the thread that owns it.
class MmsServer : public QObject, public SourceCatalog {
    Q_OBJECT

public:
    static constexpr qint64 kDecideBytes = 5;  // "POST "
    static constexpr int kDecideMs = 1000;
    static constexpr int kRelistenMs = 50;

    using Log = std::function<void(const QString&)>;

    MmsServer(ServerOptions options, Log log, QObject* parent = nullptr);
    ~MmsServer() override;

    // Opens the live points and starts listening; false with *error when either fails.
    bool start(QString* error);
    QHostAddress address() const { return m_tcp.serverAddress(); }
    std::uint16_t port() const { return m_tcp.serverPort(); }
    // The MMSH (HTTP) port, 0 when --http-port was not given.
    std::uint16_t httpPort() const { return m_http.serverPort(); }
    // Stops listening and closes every connection; emits stopped() when the last has gone.
    void stop();
    int connectionCount() const { return int(m_connections.size() + m_httpConnections.size() + m_undecided.size()); }

    std::unique_ptr<MediaSource> open(const QString& name, std::uint32_t* result, QString* why) override;

signals:
    void stopped();

private:
    void accept();
    void acceptHttp();
    // A connection on the MMS port goes to MMS or MMSH once its first bytes
    // say which (`last`: no more are waited for; anything but HTTP is MMS).
    void decide(QTcpSocket* socket, bool last);
    void startMms(QTcpSocket* socket);
    void startMmsh(QTcpSocket* socket);
    // A connection that has finished and left its set goes.
    void release(QObject* connection);
    void dropUndecided();
    void beginOutage();
    void endOutage();

    ServerOptions m_options;
    Log m_log;
    QDir m_root;
    QTcpServer m_tcp;
    QHash<QString, std::shared_ptr<LivePoint>> m_live;
    QHash<QString, std::vector<std::shared_ptr<AsfFile>>> m_playlists;
    QSet<ClientConnection*> m_connections;
    QTcpServer m_http;
    QSet<MmshConnection*> m_httpConnections;
    QHash<QTcpSocket*, QTimer*> m_undecided;  // MMS-port connections not yet handed on, and their deadlines
    int m_nextNumber = 1;
    bool m_stopping = false;
    std::uint16_t m_port = 0;  // as first listened on
    std::uint16_t m_httpPort = 0;
    QElapsedTimer m_sinceStart;
    QTimer m_outageTimer;  // to the next outage, or to its end
    bool m_outage = false;
    int m_outagesDone = 0;
};

}  // namespace tovrin::mmsserver
