#pragma once

#include "mms/command_channel.h"

#include <QAbstractSocket>
#include <QObject>
#include <QTcpSocket>

#include <atomic>

namespace tovrin {

class ReceiveBuffer;

// The run's control connection to the MMS server: the TCP socket, the bytes
// it reads into the receive buffer's stream lane and the command packets it
// writes. It holds both directions within bounds: reading waits while the
// receive buffer is full (TCP then slows the server), and a server that
// stops taking commands off the connection is reported instead of growing
// the socket's write buffer for ever.
//
// Threads: lives on the UI thread and only that thread touches the socket.
// sink() and resumeReading() may be called from any thread; both hand over
// to the UI thread through its event queue.
class ControlConnection : public QObject {
    Q_OBJECT

public:
    explicit ControlConnection(QObject* parent = nullptr);

    // Connects for a new run, whose bytes go into `buffer`; byAddress skips
    // the name lookup.
    void open(const QString& host, quint16 port, bool byAddress, ReceiveBuffer& buffer);
    // Forgets the run's buffer, before the run goes; the connection is idle.
    void forgetBuffer() { m_buffer = nullptr; }
    // Drops the connection at once; what was not sent is lost.
    void abort();
    bool isIdle() const { return m_tcp.state() == QAbstractSocket::UnconnectedState; }
    // Bytes have arrived since the last open().
    bool hasReplied() const { return m_replied; }
    // For the log: addresses, ports and the last error's text.
    const QTcpSocket& socket() const { return m_tcp; }

    // Writes command packets in the order they are handed over.
    ByteSink& sink() { return m_sink; }
    // The receive thread made room in the buffer: reading goes on if it was
    // waiting for that.
    void resumeReading();
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
    class QueuedSink : public ByteSink {
    public:
        explicit QueuedSink(ControlConnection& owner) : m_owner(owner) {}
        void write(const QByteArray& bytes) override;

    private:
        ControlConnection& m_owner;
    };

    void readIntoBuffer();
    void waitForRoom();
    void closeInputIfRead();
    void write(const QByteArray& bytes);

    ReceiveBuffer* m_buffer = nullptr;  // the current run's
    QTcpSocket m_tcp;
    QueuedSink m_sink{*this};
    bool m_replied = false;
    bool m_peerClosed = false;
    std::atomic<bool> m_readPaused{false};
};

}  // namespace tovrin
