#include "mms/control_connection.h"

#include "mms/receive_buffer.h"
#include "mms/receive_loop.h"

#include <QHostAddress>
#include <QTimer>

namespace tovrin {

namespace {
// Commands the server has not taken off the connection beyond this mean it
// reads no more: a server that floods keep-alives without reading the answers
// would otherwise make the socket's write buffer grow without bound.
constexpr qint64 kSendBacklogLimit = 1024 * 1024;
// While the receive buffer is full, reading is tried again this often (ms).
constexpr int kReadRetryInterval = 10;
}  // namespace

ControlConnection::ControlConnection(QObject* parent) : QObject(parent)
{
    // Bounded: the socket stops reading from the network when the receive
    // buffer has no room, and the server is slowed by TCP itself.
    m_tcp.setReadBufferSize(qint64(kReceiveBufferLimit));
    connect(&m_tcp, &QTcpSocket::stateChanged, this, &ControlConnection::stateChanged);
    connect(&m_tcp, &QTcpSocket::errorOccurred, this, &ControlConnection::errorOccurred);
    connect(&m_tcp, &QTcpSocket::connected, this, &ControlConnection::connected);
    connect(&m_tcp, &QTcpSocket::disconnected, this, &ControlConnection::disconnected);
    connect(&m_tcp, &QTcpSocket::readyRead, this, &ControlConnection::readIntoBuffer);
}

ControlConnection::~ControlConnection()
{
    m_courier->m_courier.detach();
}

void ControlConnection::open(const QString& host, quint16 port, bool byAddress, ReceiveBuffer& buffer,
                             const QNetworkProxy& proxy)
{
    m_buffer = &buffer;
    m_replied = false;
    m_peerClosed = false;
    m_tcp.setProxy(proxy);
    // Qt's proxy engines hold the connection in a socket of their own that
    // reads without a bound, and tell of new bytes only when more arrive:
    // with a bounded read buffer, what lies beyond it when the server falls
    // silent would never be read. Through a proxy the bound is the engine's
    // anyway, so this socket takes all it offers.
    m_tcp.setReadBufferSize(proxy.type() == QNetworkProxy::NoProxy ? qint64(kReceiveBufferLimit) : 0);
    if (byAddress)
        m_tcp.connectToHost(QHostAddress(host), port);
    else
        m_tcp.connectToHost(host, port);
}

void ControlConnection::abort()
{
    if (!isIdle())
        m_tcp.abort();
}

void ControlConnection::closeInputOnceRead()
{
    m_peerClosed = true;
    closeInputIfRead();
}

void ControlConnection::closeInputIfRead()
{
    if (m_buffer && m_peerClosed && m_tcp.bytesAvailable() == 0)
        m_buffer->closeInput();
}

void ControlConnection::waitForRoom()
{
    // The flag is set before the buffer is looked at: a receive thread that
    // makes room after the look finds it set and calls back (resumeReading);
    // set after the look, a drain in between would be missed, and with Qt's
    // read buffer full no readyRead would come again. The header store
    // consumes without calling back, so a full buffer is also looked at again
    // shortly: a header larger than the buffer would otherwise wait for bytes
    // that are never read.
    m_courier->m_readPaused = true;
    if (m_buffer->size(ReceiveBuffer::Lane::Stream) < kReceiveBufferLimit) {
        m_courier->resumeReading();
        return;
    }
    QTimer::singleShot(kReadRetryInterval, this, [this] {
        if (m_courier->m_readPaused.exchange(false))
            readIntoBuffer();
    });
}

void ControlConnection::readIntoBuffer()
{
    if (!m_tcp.isOpen() || !m_buffer)
        return;  // a resume queued before the stop routine closed the socket
    const qint64 room = qint64(kReceiveBufferLimit) - qint64(m_buffer->size(ReceiveBuffer::Lane::Stream));
    if (room <= 0) {
        waitForRoom();
        return;
    }
    m_courier->m_readPaused = false;
    const QByteArray bytes = m_tcp.read(room);
    if (!bytes.isEmpty()) {
        m_replied = true;
        m_buffer->append(ReceiveBuffer::Lane::Stream, bytes);
    }
    if (m_tcp.bytesAvailable() > 0)
        waitForRoom();  // more waiting than fits
    closeInputIfRead();
    if (m_buffer->size(ReceiveBuffer::Lane::Stream) > kReceiveBufferLimit)
        emit receiveBufferOverflow();
}

ConnectionCourier::ConnectionCourier(ControlConnection* connection) : m_courier(connection), m_connection(connection) {}

void ConnectionCourier::resumeReading()
{
    if (m_readPaused.exchange(false))
        m_courier.post([connection = m_connection] { connection->readIntoBuffer(); });
}

void ControlConnection::write(const QByteArray& bytes)
{
    if (m_tcp.state() != QAbstractSocket::ConnectedState)
        return;
    if (m_tcp.bytesToWrite() > kSendBacklogLimit) {
        emit serverReadsNoMore();
        return;
    }
    m_tcp.write(bytes);
}

void ConnectionCourier::write(const QByteArray& bytes)
{
    // Always queued, also from the UI thread: the channel's lock hands the
    // packets over in sequence order and the queue keeps that order.
    m_courier.post([connection = m_connection, bytes] { connection->write(bytes); });
}

}  // namespace tovrin
