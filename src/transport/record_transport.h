#pragma once

#include "mms/connection_controller.h"

#include <QObject>
#include <QString>

#include <optional>

namespace tovrin {

class MmshController;

// The transports `record --transport` chooses from.
enum class Transport {
    Auto,  // the MMS exchange, then MMSH when the MMS port refuses or closes before replying
    Mmst,  // the MMS exchange, data over TCP
    Mmsu,  // the MMS exchange, data over UDP
    Mmsh,  // MMS over HTTP
};
std::optional<Transport> TransportNamed(const QString& name);

// One recording over the chosen transport, for every front end. An mmsh:// address always goes
// over MMSH. With Auto, a run whose MMS connection is refused, or closed
// before the server's first reply, is given up and the same stream is
// recorded over MMSH on the host's HTTP port, the switch logged.
//
// Thread: the UI thread, with the controllers it is given.
class RecordTransport : public QObject, public RunStopper {
    Q_OBJECT

public:
    RecordTransport(AppContext& ctx, ConnectionController& mms, MmshController& mmsh, Transport transport,
                    quint16 httpPort, QObject* parent = nullptr);

    // True when a run is under way; otherwise the reason has been shown.
    bool start(const QString& address);
    bool isRunning() const;
    // The Disconnect command: asks first, then stops the run under way and
    // tells what its file holds.
    void disconnectClick();
    // A confirmed Disconnect of the run under way.
    void stop();
    // The stop routine of the run under way.
    void stopRun() override;

signals:
    void finished(tovrin::RunEnd end);

private:
    void mmsFinished(RunEnd end);
    void finish(RunEnd end);
    bool startMmsh(const QString& address);

    AppContext& m_ctx;
    ConnectionController& m_mms;
    MmshController& m_mmsh;
    Transport m_transport;
    quint16 m_httpPort;
    QString m_address;
    bool m_rollOver = false;
};

// The address with its scheme made mmsh:// and its port, when it names
// one, replaced by httpPort. Pure.
QString MmshAddress(const QString& address, quint16 httpPort);

}  // namespace tovrin
