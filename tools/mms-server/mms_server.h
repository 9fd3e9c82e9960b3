#pragma once

#include "mms-server/live_point.h"
#include "mms-server/server_options.h"
#include "mms-server/session.h"

#include <QDir>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTcpServer>

#include <functional>
#include <memory>

namespace tovrin::mmsserver {

class ClientConnection;

// The server: listens, opens the live points, resolves the names clients open
// (live points first, then files under the root folder, never outside it) and
// keeps one ClientConnection per client.
//
// Thread: everything runs on the thread that owns it.
class MmsServer : public QObject, public SourceCatalog {
    Q_OBJECT

public:
    using Log = std::function<void(const QString&)>;

    MmsServer(ServerOptions options, Log log, QObject* parent = nullptr);
    ~MmsServer() override;

    // Opens the live points and starts listening; false with *error when either fails.
    bool start(QString* error);
    QHostAddress address() const { return m_tcp.serverAddress(); }
    std::uint16_t port() const { return m_tcp.serverPort(); }
    // Stops listening and closes every connection; emits stopped() when the last has gone.
    void stop();
    int connectionCount() const { return int(m_connections.size()); }

    std::unique_ptr<MediaSource> open(const QString& name, std::uint32_t* result, QString* why) override;

signals:
    void stopped();

private:
    void accept();
    void forget(ClientConnection* connection);

    ServerOptions m_options;
    Log m_log;
    QDir m_root;
    QTcpServer m_tcp;
    QHash<QString, std::shared_ptr<LivePoint>> m_live;
    QSet<ClientConnection*> m_connections;
    int m_nextNumber = 1;
    bool m_stopping = false;
};

}  // namespace tovrin::mmsserver
