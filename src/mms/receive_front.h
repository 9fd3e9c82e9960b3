#pragma once

#include <QByteArrayView>

#include <cstdint>

namespace tovrin {

// The 8 bytes in front of every data packet, on TCP and in UDP datagrams.
struct DataPrefix {
    std::uint32_t sequence = 0;
    std::uint8_t packetType = 0;  // 2 = ASF header, 4 = ASF media
    std::uint8_t flags = 0;
    std::uint16_t length = 0;  // prefix plus payload
};
inline constexpr int kDataPrefixSize = 8;
inline constexpr std::uint8_t kHeaderPacketType = 2;
inline constexpr std::uint8_t kMediaPacketType = 4;

// What the front of the receive buffer holds.
struct ReceiveFront {
    enum class Kind {
        NeedMore,  // wait until `needed` bytes are there
        Command,   // a whole command packet of `total` bytes
        Data,      // a data prefix; the packet is `prefix.length` bytes long
    };
    Kind kind = Kind::NeedMore;
    std::uint64_t needed = 0;  // NeedMore: bytes the front needs before it can be split
    std::uint64_t total = 0;   // Command: message length + 16
    std::uint8_t commandId = 0;
    std::uint32_t resultCode = 0;
    DataPrefix prefix;
};

// Splits the front of a receive buffer into a command packet or a data prefix.
// Pure: it never consumes. Bytes 4-7 equal to the command signature always
// mean a command packet; a command packet is only reported once all its bytes
// are present.
ReceiveFront SplitFront(QByteArrayView buffer);

// Reads the 8-byte data prefix at the start of `bytes` (which must hold 8).
DataPrefix ReadDataPrefix(QByteArrayView bytes);

}  // namespace tovrin
