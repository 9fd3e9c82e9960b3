#include "mms/datagram_receiver.h"

#include "mms/receive_buffer.h"
#include "mms/receive_front.h"
#include "mms/receive_loop.h"
#include "run/event_queue.h"

#include <QNetworkDatagram>
#include <QUdpSocket>
#include <QVariant>

#include <atomic>
#include <mutex>

namespace tovrin {

namespace {

// Datagrams waiting for the receive thread beyond this are dropped: UDP has
// no flow control, and memory must stay bounded when the disk falls behind.
constexpr std::size_t kDatagramLaneLimit = 16u * 1024 * 1024;
// Asked of the system for the socket: a server's burst at the start of a
// stream fits while the thread is being woken.
constexpr int kSocketBufferBytes = 8 * 1024 * 1024;

}  // namespace

// What the socket's thread shares with the UI thread for one run.
struct DatagramReceiver::Run {
    std::shared_ptr<ReceiveBuffer> buffer;
    std::shared_ptr<RunEventQueue> events;
    std::mutex lock;
    QHostAddress server;  // guarded by lock; none until the connection is made
    std::atomic<std::uint64_t> foreign{0};
    std::atomic<std::uint64_t> tooLarge{0};
    std::atomic<std::uint64_t> notOnePacket{0};
    std::atomic<std::uint64_t> overflow{0};

    // The socket's thread.
    void take(QUdpSocket& socket)
    {
        while (socket.hasPendingDatagrams()) {
            const qint64 size = socket.pendingDatagramSize();
            const QNetworkDatagram datagram = socket.receiveDatagram(size >= kMaxDatagramSize ? 0 : kMaxDatagramSize);
            {
                std::lock_guard guard(lock);
                // Only the server the control connection reached sends the
                // run's data: anyone else who reaches the port fills no slot.
                if (server.isNull() || !datagram.senderAddress().isEqual(server, QHostAddress::TolerantConversion)) {
                    if (foreign++ == 0 && !server.isNull())
                        events->push(link::Log{QStringLiteral("Warning, UDP data from %1, not the server, dropped")
                                                   .arg(datagram.senderAddress().toString())});
                    continue;
                }
            }
            if (size >= kMaxDatagramSize) {
                ++tooLarge;
                continue;
            }
            const QByteArray bytes = datagram.data();
            // One data packet per datagram: a datagram whose prefix disagrees
            // with its size could not be split.
            if (bytes.size() < kDataPrefixSize || ReadDataPrefix(bytes).length != bytes.size()) {
                ++notOnePacket;
                continue;
            }
            if (buffer->size(ReceiveBuffer::Lane::Datagrams) + std::size_t(bytes.size()) > kDatagramLaneLimit) {
                if (overflow++ == 0)
                    events->push(link::Log{
                        QStringLiteral("Warning, UDP data arrives faster than it is stored, datagrams dropped")});
                continue;
            }
            buffer->append(ReceiveBuffer::Lane::Datagrams, bytes);
        }
    }
};

DatagramReceiver::DatagramReceiver()
{
    m_thread.setObjectName(QStringLiteral("datagrams"));
    m_thread.start();
}

DatagramReceiver::~DatagramReceiver()
{
    unbind();
    m_thread.quit();
    m_thread.wait();
}

bool DatagramReceiver::bind(quint16 port, std::shared_ptr<ReceiveBuffer> buffer, std::shared_ptr<RunEventQueue> events)
{
    if (m_socket)
        return false;
    auto socket = std::make_unique<QUdpSocket>();
    if (!socket->bind(QHostAddress::Any, port))
        return false;
    socket->setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, QVariant(kSocketBufferBytes));
    m_port = socket->localPort();
    m_run = std::make_shared<Run>();
    m_run->buffer = std::move(buffer);
    m_run->events = std::move(events);
    QObject::connect(socket.get(), &QUdpSocket::readyRead, socket.get(),
                     [run = m_run, raw = socket.get()] { run->take(*raw); });
    m_socket = socket.release();
    m_socket->moveToThread(&m_thread);
    return true;
}

void DatagramReceiver::acceptFrom(const QHostAddress& address)
{
    if (!m_run)
        return;
    std::lock_guard guard(m_run->lock);
    m_run->server = address;
}

QStringList DatagramReceiver::unbind()
{
    if (!m_socket)
        return {};
    // Closed and deleted on its own thread, with whatever it still holds.
    // Posted from here (deleteLater is thread-safe): a thread that ends
    // first still deletes it as it finishes, which a queued call would not.
    m_socket->deleteLater();
    m_socket = nullptr;
    m_port = 0;
    QStringList lines;
    const std::shared_ptr<Run> run = std::exchange(m_run, nullptr);
    if (const std::uint64_t foreign = run->foreign)
        lines << QStringLiteral("- UDP datagrams from other addresses than the server's, dropped: %1").arg(foreign);
    if (const std::uint64_t tooLarge = run->tooLarge)
        lines << QStringLiteral("- UDP datagrams too large for the buffer, dropped: %1").arg(tooLarge);
    if (const std::uint64_t notOnePacket = run->notOnePacket)
        lines << QStringLiteral("- UDP datagrams that do not hold one data packet, dropped: %1").arg(notOnePacket);
    if (const std::uint64_t overflow = run->overflow)
        lines << QStringLiteral("- UDP datagrams that arrived faster than they were stored, dropped: %1").arg(overflow);
    return lines;
}

}  // namespace tovrin
