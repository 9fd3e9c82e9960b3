#pragma once

#include "mms/connection_controller.h"
#include "run/reconnect_policy.h"

#include <QObject>
#include <QString>
#include <QTimer>

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
// With the Reconnect setting (or `record --reconnect N`), a recording whose
// connection is lost after it stored media connects again over the same
// transport, waiting as ReconnectPolicy says: an on-demand stream resumes in
// its file, a broadcast goes on into the next numbered file. Each try is
// logged and captioned; the front end hears of the recording's end only
// once, when no try follows.
//
// Thread: the UI thread, with the controllers it is given.
class RecordTransport : public QObject, public RunStopper {
    Q_OBJECT

public:
    RecordTransport(AppContext& ctx, ConnectionController& mms, MmshController& mmsh, Transport transport,
                    quint16 httpPort, QObject* parent = nullptr);

    // True when a run is under way; otherwise the reason has been shown.
    bool start(const QString& address);
    // A run is under way, or the next try is being waited for.
    bool isRunning() const;
    // The Disconnect command: asks first, then stops the run under way and
    // tells what its file holds. Between tries it stops trying at once.
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
    void waitForNextTry();
    void tryAgain();
    // Ends the wait for the next try as a Disconnect: true when there was one.
    bool stopTrying();

    AppContext& m_ctx;
    ConnectionController& m_mms;
    MmshController& m_mmsh;
    Transport m_transport;
    quint16 m_httpPort;
    QString m_address;
    bool m_rollOver = false;

    ReconnectPolicy m_reconnect;
    QTimer m_nextTry;
    bool m_onMmsh = false;        // the recording's runs go over MMSH
    QString m_mmshAddress;        // where they go then
    bool m_intoNextFile = false;  // a broadcast: each try starts the next numbered file
};

// The address with its scheme made mmsh:// and its port, when it names
// one, replaced by httpPort. Pure.
QString MmshAddress(const QString& address, quint16 httpPort);

}  // namespace tovrin
