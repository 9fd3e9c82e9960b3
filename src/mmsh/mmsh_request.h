#pragma once

#include "asf/bitrate_choice.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace tovrin {

// What one MMSH request of the recorder carries.
struct MmshRequest {
    QByteArray hostHeader;                   // "host" or "host:port"
    QByteArray path;                         // percent-encoded, with its leading "/" and any query
    QString clientGuid;                      // "{8-4-4-4-12}", the same for every request of a run
    bool play = false;                       // Play (xPlayStrm=1); otherwise Describe
    std::vector<StreamAction> streams;       // Play: every stream of the header, on or off
    std::optional<std::uint32_t> packetNum;  // Play: resume at this packet
    QByteArray basicCredentials;             // base64 "user:password"; none when empty
    // Sent to an HTTP proxy: the request names the whole address, and
    // carries the proxy's credentials (base64 "user:password") when it has them.
    bool viaProxy = false;
    QByteArray proxyCredentials;
    QByteArray userAgent = "NSPlayer/7.0.0.1956";  // the player presented (locations/player_name.h)
};

// The request as an HTTP/1.0 GET with the Pragma lines of a Windows Media
// player (NSPlayer/7.0.0.1956 unless told another), one request per connection; to a proxy, with
// the absolute address as players send it ("GET http://host/path"). Pure.
QByteArray BuildMmshRequest(const MmshRequest& request);

}  // namespace tovrin
