#pragma once

#include "mms/command_channel.h"
#include "state/ui_courier.h"

#include <QAbstractSocket>
#include <QNetworkProxy>
#include <QObject>
#include <QTcpSocket>

#include <atomic>
#include <memory>

namespace tovrin {

class ControlConnection;
class ReceiveBuffer;

// What a receive thread may use of its control connection: it hands command
// packets over and tells that it made room in the buffer, and it can do so
// safely after the connection has gone (the steps are then dropped). Shared
// between the connection and the thread.
class ConnectionCourier : public ByteSink {
public:
    explicit ConnectionCourier(ControlConnection* connection);

    // Any thread: the packet reaches the socket on the UI thread, in the
    // order packets are handed over.
    void write(const QByteArray& bytes) override;
    // Any thread: reading goes on if it was waiting for room.
    void resumeReading();

private:
    friend class ControlConnection;
    UiCourier m_courier;
    // Only used in the steps the courier carries, which run on the UI thread
    // while the connection is there.
    ControlConnection* m_connection;
    std::atomic<bool> m_readPaused{false};
};

// The run's control connection to the MMS server: the TCP socket, the bytes
// it reads into the receive buffer's stream lane and the command packets it
// writes. It holds both directions within bounds: reading waits while the
// receive buffer is full (TCP then slows the server), and a server that
// stops taking commands off the connection is reported instead of growing
// the socket's write buffer for ever.
//
// Threads: lives on the UI thread and only that thread touches the socket.
// Other threads reach it only through its courier.
class ControlConnection : public QObject {
    Q_OBJECT

public:
    explicit ControlConnection(QObject* parent = nullptr);
    ~ControlConnection() override;

    // Connects for a new run, whose bytes go into `buffer`, through `proxy`;
    // byAddress skips the name lookup.
    void open(const QString& host, quint16 port, bool byAddress, ReceiveBuffer& buffer,
              const QNetworkProxy& proxy = QNetworkProxy(QNetworkProxy::NoProxy));
    // Forgets the run's buffer, before the run goes; the connection is idle.
    void forgetBuffer() { m_buffer = nullptr; }
    // Drops the connection at once; what was not sent is lost.
    void abort();
    bool isIdle() const { return m_tcp.state() == QAbstractSocket::UnconnectedState; }
    // Bytes have arrived since the last open().
    bool hasReplied() const { return m_replied; }
    // For the log: addresses, ports and the last error's text.
    const QTcpSocket& socket() const { return m_tcp; }

    // For the receive thread: command packets written in the order they
    // are handed over, and word that it made room in the buffer.
    std::shared_ptr<ConnectionCourier> courier() const { return m_courier; }
    // The server closed its side: the buffer's input is closed as soon as
    // everything the socket still holds has been read into it.
    void closeInputOnceRead();

signals:
    void stateChanged(QAbstractSocket::SocketState state);
    void errorOccurred(QAbstractSocket::SocketError error);
    void connected();
    void disconnected();
    // More than the limit of commands waits unsent: the server reads no more.
    void serverReadsNoMore();
    // The receive buffer holds more than its limit.
    void receiveBufferOverflow();

private:
    friend class ConnectionCourier;
    void readIntoBuffer();
    void waitForRoom();
    void closeInputIfRead();
    void write(const QByteArray& bytes);

    ReceiveBuffer* m_buffer = nullptr;  // the current run's
    QTcpSocket m_tcp;
    std::shared_ptr<ConnectionCourier> m_courier = std::make_shared<ConnectionCourier>(this);
    bool m_replied = false;
    bool m_peerClosed = false;
};

}  // namespace tovrin
