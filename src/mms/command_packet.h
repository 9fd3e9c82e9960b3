#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

namespace tovrin {

// Bytes 4-7 of every MMS command packet; anything else there is a data prefix.
inline constexpr std::uint32_t kCommandSignature = 0xB00BFACE;
inline constexpr int kCommandHeaderSize = 48;  // bytes needed to read id and result code

// Where a command's prefix block goes: before the stream entries, or after the text.
enum class PrefixPlacement { BeforeStreams = 1, AfterText = 2 };

// (stream number, action) pairs of a stream selection.
using StreamPairs = std::vector<std::pair<std::uint8_t, std::uint8_t>>;

struct CommandFields {
    std::uint8_t id = 0;
    QByteArray prefix;
    PrefixPlacement placement = PrefixPlacement::BeforeStreams;
    StreamPairs streams;
    // Sent as UTF-16LE code units; a caller that wants a terminator ends it with QChar(0).
    QString text;
};

// One client command packet, byte-exact, carrying the low 16 bits of `sequence`.
// Its length is always a multiple of 8.
QByteArray BuildCommandPacket(const CommandFields& command, std::uint32_t sequence);

}  // namespace tovrin
