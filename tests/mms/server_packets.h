#pragma once

#include "asf/byte_helpers.h"

#include <QByteArray>

#include <algorithm>
#include <cstdint>

namespace tovrin::test {

// A server command packet of `total` bytes with the given id and result code,
// zero elsewhere: what the receive side sees from a media server.
inline QByteArray ServerCommand(std::uint8_t id, std::uint32_t result = 0, int total = 56)
{
    QByteArray p(total, '\0');
    PutLE(p, 0, 1, 4);
    PutLE(p, 4, 0xB00BFACE, 4);
    PutLE(p, 8, std::uint32_t(total - 16), 4);
    p[36] = char(id);
    PutLE(p, 40, result, 4);
    return p;
}

// A data packet: the 8-byte prefix with the given length, then filler bytes.
inline QByteArray DataPacket(std::uint32_t sequence, std::uint8_t type, std::uint16_t length)
{
    return EncodeLE32(sequence) + char(type) + '\0' + EncodeLE16(length)
           + QByteArray(std::max(0, length - 8), 'p');
}

}  // namespace tovrin::test
