#include "mms-server/mms_server.h"

#include "mms-server/client_connection.h"
#include "mms-server/mmsh_connection.h"
#include "mms-server/server_messages.h"

#include <QFileInfo>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <string_view>

namespace tovrin::mmsserver {

namespace {

enum class FirstBytes { Mms, Http, Undecided };

FirstBytes ClassifyFirstBytes(QByteArrayView start)
{
    // The request lines MMSH clients send; an MMS command starts with 0x01.
    static constexpr std::string_view kMethods[] = {"GET ", "POST "};
    bool partial = false;
    for (const std::string_view method : kMethods) {
        const QByteArrayView expected(method.data(), qsizetype(method.size()));
        if (start.size() >= expected.size() && start.first(expected.size()) == expected)
            return FirstBytes::Http;
        if (start.size() < expected.size() && expected.first(start.size()) == start)
            partial = true;
    }
    return partial ? FirstBytes::Undecided : FirstBytes::Mms;
}

}  // namespace

MmsServer::MmsServer(ServerOptions options, Log log, QObject* parent)
    : QObject(parent), m_options(std::move(options)), m_log(std::move(log)), m_root(m_options.root)
{
    connect(&m_tcp, &QTcpServer::newConnection, this, &MmsServer::accept);
    connect(&m_http, &QTcpServer::newConnection, this, &MmsServer::acceptHttp);
}

MmsServer::~MmsServer() = default;

bool MmsServer::start(QString* error)
{
    for (const LiveOption& entry : m_options.live) {
        auto point = LivePoint::create(entry.name, entry.files, error);
        if (!point) {
            *error = QStringLiteral("live point %1: %2").arg(entry.name, *error);
            return false;
        }
        m_log(QStringLiteral("live point %1 on air: %2, %3 packets, loop of %4 ms")
                  .arg(entry.name, entry.files.join(QStringLiteral(", ")))
                  .arg(point->packetCount())
                  .arg(point->loopMs()));
        m_live.insert(entry.name, std::move(point));
    }
    for (const PlaylistOption& playlist : m_options.playlists) {
        std::vector<std::shared_ptr<AsfFile>> entries;
        for (const QString& path : playlist.files) {
            entries.push_back(AsfFile::open(path, error));
            if (!entries.back()) {
                *error = QStringLiteral("playlist %1: %2").arg(playlist.name, *error);
                return false;
            }
        }
        m_log(QStringLiteral("playlist %1: %2").arg(playlist.name, playlist.files.join(QStringLiteral(", "))));
        m_playlists.insert(playlist.name, std::move(entries));
    }
    if (!m_tcp.listen(m_options.listen, m_options.port)) {
        *error = QStringLiteral("cannot listen on %1:%2: %3")
                     .arg(m_options.listen.toString())
                     .arg(m_options.port)
                     .arg(m_tcp.errorString());
        return false;
    }
    if (m_options.httpPort && !m_http.listen(m_options.listen, *m_options.httpPort)) {
        *error = QStringLiteral("cannot listen for MMSH on %1:%2: %3")
                     .arg(m_options.listen.toString())
                     .arg(*m_options.httpPort)
                     .arg(m_http.errorString());
        return false;
    }
    // Outages reopen the ports picked now, not new free ones.
    m_port = m_tcp.serverPort();
    m_httpPort = m_http.serverPort();
    if (m_options.outage) {
        m_sinceStart.start();
        m_outageTimer.setSingleShot(true);
        // A coarse timer may be off by 5% of a long interval: seconds on a schedule of minutes.
        m_outageTimer.setTimerType(Qt::PreciseTimer);
        connect(&m_outageTimer, &QTimer::timeout, this, [this] { m_outage ? endOutage() : beginOutage(); });
        m_outageTimer.start(m_options.outage->everyMs);
    }
    return true;
}

void MmsServer::beginOutage()
{
    m_outage = true;
    m_tcp.close();
    m_http.close();
    m_log(QStringLiteral("outage: cutting %1 connections, refusing connections for %2 ms")
              .arg(connectionCount())
              .arg(m_options.outage->lengthMs));
    dropUndecided();
    for (ClientConnection* connection : QSet<ClientConnection*>(m_connections))
        connection->cut(QStringLiteral("outage"));
    for (MmshConnection* connection : QSet<MmshConnection*>(m_httpConnections))
        connection->cut(QStringLiteral("outage"));
    m_outageTimer.start(m_options.outage->lengthMs);
}

void MmsServer::endOutage()
{
    // The port may not be free again at once; a failed listen is tried again shortly.
    const bool mms = m_tcp.isListening() || m_tcp.listen(m_options.listen, m_port);
    const bool mmsh = !m_options.httpPort || m_http.isListening() || m_http.listen(m_options.listen, m_httpPort);
    if (!mms || !mmsh) {
        m_log(QStringLiteral("outage: cannot listen again yet: %1")
                  .arg(mms ? m_http.errorString() : m_tcp.errorString()));
        m_outageTimer.start(kRelistenMs);
        return;
    }
    m_outage = false;
    m_log(QStringLiteral("outage over: listening again"));
    if (m_options.outage->times > 0 && ++m_outagesDone >= m_options.outage->times)
        return;
    // The next outage keeps to the schedule counted from the start.
    const qint64 every = m_options.outage->everyMs;
    const qint64 elapsed = m_sinceStart.elapsed();
    m_outageTimer.start(int(std::max<qint64>(every - elapsed % every, 1)));
}

void MmsServer::accept()
{
    while (QTcpSocket* socket = m_tcp.nextPendingConnection()) {
        if (m_stopping || connectionCount() >= m_options.maxClients) {
            m_log(QStringLiteral("refused %1:%2: %3")
                      .arg(socket->peerAddress().toString())
                      .arg(socket->peerPort())
                      .arg(m_stopping ? QStringLiteral("stopping") : QStringLiteral("too many clients")));
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // Qt reads no more than this from the kernel until a connection takes the socket.
        socket->setReadBufferSize(kDecideBytes);
        auto* deadline = new QTimer(this);
        deadline->setSingleShot(true);
        m_undecided.insert(socket, deadline);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { decide(socket, false); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { decide(socket, true); });
        connect(deadline, &QTimer::timeout, this, [this, socket] { decide(socket, true); });
        deadline->start(kDecideMs);
    }
}

void MmsServer::decide(QTcpSocket* socket, bool last)
{
    const auto found = m_undecided.constFind(socket);
    if (found == m_undecided.constEnd())
        return;
    // peek(): the bytes stay in the socket for the connection that takes it.
    const FirstBytes kind = ClassifyFirstBytes(socket->peek(kDecideBytes));
    if (kind == FirstBytes::Undecided && !last)
        return;
    (*found)->deleteLater();
    m_undecided.erase(found);
    socket->disconnect(this);
    if (kind == FirstBytes::Http)
        startMmsh(socket);
    else
        startMms(socket);
}

void MmsServer::startMms(QTcpSocket* socket)
{
    ConnectionOptions options;
    options.policy.credentials = m_options.credentials;
    options.policy.openError = m_options.openError;
    options.dropAfter = m_options.dropAfter;
    options.pingIntervalMs = m_options.pingIntervalMs;
    options.hostile = m_options.hostile;
    options.policy.hostile = m_options.hostile;
    options.policy.packetPair = m_options.packetPair;
    options.policy.requiredAgent = m_options.requiredAgent;
    if (m_options.unselectedNone)
        options.policy.unselected.emplace();
    auto* connection = new ClientConnection(socket, m_nextNumber++, *this, options, m_log, this);
    m_connections.insert(connection);
    connect(connection, &ClientConnection::finished, this, [this, connection] {
        if (m_connections.remove(connection))
            release(connection);
    });
}

void MmsServer::acceptHttp()
{
    while (QTcpSocket* socket = m_http.nextPendingConnection()) {
        if (m_stopping || connectionCount() >= m_options.maxClients) {
            m_log(QStringLiteral("refused http %1:%2").arg(socket->peerAddress().toString()).arg(socket->peerPort()));
            socket->abort();
            socket->deleteLater();
            continue;
        }
        startMmsh(socket);
    }
}

void MmsServer::startMmsh(QTcpSocket* socket)
{
    MmshOptions options;
    options.credentials = m_options.credentials;
    options.dropAfter = m_options.dropAfter;
    options.hostile = m_options.hostile;
    options.bareEntryChange = m_options.bareEntryChange;
    options.requiredAgent = m_options.requiredAgent;
    if (m_options.unselectedNone)
        options.unselected.emplace();
    auto* connection = new MmshConnection(socket, m_nextNumber++, *this, options, m_log, this);
    m_httpConnections.insert(connection);
    connect(connection, &MmshConnection::finished, this, [this, connection] {
        if (m_httpConnections.remove(connection))
            release(connection);
    });
}

void MmsServer::release(QObject* connection)
{
    connection->deleteLater();
    if (m_stopping && connectionCount() == 0)
        emit stopped();
}

void MmsServer::dropUndecided()
{
    for (auto it = m_undecided.cbegin(); it != m_undecided.cend(); ++it) {
        it.key()->disconnect(this);
        it.key()->abort();
        it.key()->deleteLater();
        it.value()->deleteLater();
    }
    m_undecided.clear();
}

void MmsServer::stop()
{
    m_stopping = true;
    m_outageTimer.stop();
    m_tcp.close();
    m_http.close();
    dropUndecided();
    if (connectionCount() == 0) {
        emit stopped();
        return;
    }
    for (ClientConnection* connection : QSet<ClientConnection*>(m_connections))
        connection->shutdown(QStringLiteral("server stopping"));
    for (MmshConnection* connection : QSet<MmshConnection*>(m_httpConnections))
        connection->shutdown(QStringLiteral("server stopping"));
}

std::unique_ptr<MediaSource> MmsServer::open(const QString& name, std::uint32_t* result, QString* why)
{
    if (const auto live = m_live.constFind(name); live != m_live.constEnd())
        return std::make_unique<LiveSource>(*live, m_options.liveStyle);
    if (const auto playlist = m_playlists.constFind(name); playlist != m_playlists.constEnd())
        return std::make_unique<PlaylistSource>(*playlist, m_options.rate);

    *result = hr::kFileNotFound;
    static const QStringList kSuffixes = {QStringLiteral("asf"), QStringLiteral("wmv"), QStringLiteral("wma")};
    const QFileInfo asked(name);
    if (name.isEmpty() || !kSuffixes.contains(asked.suffix().toLower())) {
        *why = QStringLiteral("not an ASF file name");
        return nullptr;
    }
    if (name.contains(QLatin1Char('\\')) || QDir::isAbsolutePath(name)
        || name.split(QLatin1Char('/')).contains(QStringLiteral(".."))) {
        *result = hr::kAccessDenied;
        *why = QStringLiteral("outside the served folder");
        return nullptr;
    }
    const QFileInfo file(m_root.filePath(name));
    if (!file.isFile()) {
        *why = QStringLiteral("no such file");
        return nullptr;
    }
    // Symbolic links must not lead out of the folder either.
    const QString rootPath = m_root.canonicalPath() + QLatin1Char('/');
    if (!file.canonicalFilePath().startsWith(rootPath)) {
        *result = hr::kAccessDenied;
        *why = QStringLiteral("outside the served folder");
        return nullptr;
    }
    std::shared_ptr<AsfFile> asf = AsfFile::open(file.canonicalFilePath(), why);
    if (!asf) {
        *result = hr::kOpenFailed;
        return nullptr;
    }
    return std::make_unique<FileSource>(std::move(asf), m_options.rate);
}

}  // namespace tovrin::mmsserver
