#pragma once

namespace tovrin {

struct ServerCredentials;

// The steps of a run that belong to the UI thread, asked for by the receive
// loop. The controller carries each out on the UI thread and returns when it
// is done, so the loop goes on in the order of the exchange.
class RunActions {
public:
    virtual ~RunActions() = default;
    virtual void requestStop() = 0;  // the stop routine
    virtual void announceStreamStart() = 0;
    virtual void announceCompletion() = 0;  // end of stream
    // The server closed the connection and all it sent is stored: the stop
    // routine, and a stream it cut short is told as incomplete.
    virtual void serverClosed() { requestStop(); }
    // A write into the save file failed: the stop routine, and the user is
    // told that the recording stopped there.
    virtual void writeFailed() { requestStop(); }
    // The password dialog, opened with the run's challenge; true on OK, the
    // answer then encoded into `credentials`.
    virtual bool askCredentials(ServerCredentials& credentials) = 0;
    // Sends the transport selection: the control connection's local address,
    // and the local TCP or UDP port as the settings ask.
    virtual void sendTransport() = 0;
    // The loop took bytes off the stream lane: reading may go on. Does not wait.
    virtual void streamDrained() = 0;
    // Moves the datagrams waiting in the UDP socket into the receive buffer,
    // as their arrival would, and answers whether the run receives by UDP.
    // Without UDP there is nothing to take.
    virtual bool takeWaitingDatagrams() { return false; }
};

}  // namespace tovrin
