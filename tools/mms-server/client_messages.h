#pragma once

#include "mms-server/command_packet.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace tovrin::mmsserver {

// Message ids of the commands a client sends (MS-MMSP 2.2.4.15 onwards).
namespace mid {
constexpr std::uint16_t kConnect = 0x01;
constexpr std::uint16_t kConnectFunnel = 0x02;
constexpr std::uint16_t kOpenFile = 0x05;
constexpr std::uint16_t kStartPlaying = 0x07;
constexpr std::uint16_t kStopPlaying = 0x09;
constexpr std::uint16_t kCloseFile = 0x0D;
constexpr std::uint16_t kReadBlock = 0x15;
constexpr std::uint16_t kFunnelInfo = 0x18;
constexpr std::uint16_t kSecurityResponse = 0x1A;
constexpr std::uint16_t kPong = 0x1B;
constexpr std::uint16_t kEndOfStreamAck = 0x32;
constexpr std::uint16_t kStreamSwitch = 0x33;
}  // namespace mid

// UTF-16LE text at offset, up to a NUL, the end of the packet or maxChars.
QString ReadUtf16(QByteArrayView bytes, qsizetype offset, qsizetype maxChars = 1024);

// 0x02 ConnectFunnel: the transport the client asks for, from funnelName
// "\\<ip>\TCP|UDP\<port>". Nothing when the name is not of that form or a
// UDP port is 0; the IP is ignored (UDP goes to the TCP peer).
struct FunnelRequest {
    bool udp = false;
    std::uint16_t port = 0;
};
std::optional<FunnelRequest> ReadFunnelRequest(const Command& command);

// 0x05 OpenFile: the file name, without the leading "/" and any "?query".
QString ReadOpenFileName(const Command& command);

// 0x07 StartPlaying.
struct StartPlaying {
    std::uint32_t openFileId = 0;
    double positionSeconds = 0;
    std::uint32_t asfOffset = 0xFFFFFFFF;
    std::uint32_t locationId = 0xFFFFFFFF;
    std::uint32_t playIncarnation = 0;
};
std::optional<StartPlaying> ReadStartPlaying(const Command& command);

// 0x1A SecurityResponse with a Basic token ("user:password" in base64, with or
// without "Basic ", ASCII or UTF-16, NUL-terminated): the decoded
// "user:password", or nothing when the token is missing or not base64.
std::optional<QString> ReadBasicCredentials(const Command& command);

}  // namespace tovrin::mmsserver
