#pragma once

#include <QHostAddress>
#include <QString>
#include <QStringList>
#include <QThread>

#include <memory>

class QUdpSocket;

namespace tovrin {

class ReceiveBuffer;
class RunEventQueue;

// Receives the datagrams of a UDP run on a thread of its own, so that a busy
// window never leaves a server's start-up burst in the socket until it
// overflows: the port is bound only while a run receives by UDP, read at
// once, and every datagram from the server that holds one data packet goes
// into the run's receive buffer. Whatever else reaches the port (from another
// address, too large, not one packet, beyond the buffer's bound) is dropped
// and counted, and said once when the port is let go.
//
// Thread: the UI thread calls every method; the socket lives on the
// receiver's thread, which never waits on the UI thread.
class DatagramReceiver {
public:
    DatagramReceiver();
    // Ends the receiver's thread (it only waits for datagrams).
    ~DatagramReceiver();
    DatagramReceiver(const DatagramReceiver&) = delete;
    DatagramReceiver& operator=(const DatagramReceiver&) = delete;

    // Binds `port` (0: a free one) for a run whose datagrams go into
    // `buffer`; the run's log lines go onto `events`. False when the port
    // cannot be bound, or is bound for another run.
    bool bind(quint16 port, std::shared_ptr<ReceiveBuffer> buffer, std::shared_ptr<RunEventQueue> events);
    quint16 port() const { return m_port; }
    // From now on only the server at `address` sends the run's datagrams.
    void acceptFrom(const QHostAddress& address);
    // Lets the port go; answers the log lines of what was dropped.
    QStringList unbind();

    struct Run;

private:
    QThread m_thread;
    QUdpSocket* m_socket = nullptr;  // lives on m_thread from bind to unbind
    std::shared_ptr<Run> m_run;
    quint16 m_port = 0;
};

}  // namespace tovrin
