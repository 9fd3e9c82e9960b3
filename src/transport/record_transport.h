#pragma once

#include "mms/datagram_receiver.h"
#include "run/link_factory.h"

#include <QString>

#include <optional>

namespace tovrin {

// The transports `record --transport` chooses from.
enum class Transport {
    Auto,  // the MMS exchange, then MMSH when the MMS port refuses or closes before replying
    Mmst,  // the MMS exchange, data over TCP
    Mmsu,  // the MMS exchange, data over UDP
    Mmsh,  // MMS over HTTP
};
std::optional<Transport> TransportNamed(const QString& name);

// Which transport records an address, for both front ends' run engine. An
// mmsh:// address always goes over MMSH, as does every address with Mmsh.
// With Auto, a recording whose first MMS connection is refused, or closed
// before the server's first reply, goes on over MMSH on the host's HTTP
// port. Each connection's link is made with the settings of the moment (the
// server port, the DNS bypass, UDP and its port, the player name); a player
// name no request can carry refuses the address, told.
//
// Thread: the UI thread.
class RecordTransport : public LinkFactory {
public:
    RecordTransport(AppContext& ctx, Transport transport, quint16 httpPort);

    Verdict accepts(AppContext& ctx, const QString& address) override;
    std::optional<LinkTarget> target(AppContext& ctx, const QString& address) override;
    std::unique_ptr<TransportLink> create(std::shared_ptr<RunEventQueue> events) override;
    std::optional<Rollover> rollOver() override;

private:
    AppContext& m_ctx;
    Transport m_transport;
    quint16 m_httpPort;
    QString m_address;      // the recording's address, as given
    bool m_onMmsh = false;  // the recording's connections go over MMSH
    DatagramReceiver m_datagrams;
};

// The address with its scheme made mmsh:// and its port, when it names
// one, replaced by httpPort. Pure.
QString MmshAddress(const QString& address, quint16 httpPort);

}  // namespace tovrin
