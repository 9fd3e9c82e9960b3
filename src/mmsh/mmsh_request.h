#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace tovrin {

// What one MMSH request of the recorder carries.
struct MmshRequest {
    QByteArray hostHeader;                         // "host" or "host:port"
    QByteArray path;                               // percent-encoded, with its leading "/" and any query
    QString clientGuid;                            // "{8-4-4-4-12}", the same for every request of a run
    bool play = false;                             // Play (xPlayStrm=1); otherwise Describe
    std::vector<std::uint8_t> streams;             // Play: every stream of the header
    std::optional<std::uint32_t> packetNum;        // Play: resume at this packet
    QByteArray basicCredentials;                   // base64 "user:password"; none when empty
    QByteArray userAgent = "NSPlayer/7.0.0.1956";  // the player presented (locations/player_name.h)
};

// The request as an HTTP/1.0 GET with the Pragma lines of a Windows Media
// player, one request per connection. Pure.
QByteArray BuildMmshRequest(const MmshRequest& request);

}  // namespace tovrin
