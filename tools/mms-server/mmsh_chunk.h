#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>
#include <vector>

namespace tovrin::mmsserver {

// The chunks of the MMSH framing: a 4-byte framing header ('$' with bit 7 as
// the "send immediately" flag, the type letter, u16 length of what follows),
// then for $H and $D an 8-byte data header (u32 LocationId, u8 incarnation,
// u8 AFFlags, u16 length repeated) and the payload; $E and $C carry a u32
// reason instead.
namespace chunk {
constexpr char kHeader = 'H';
constexpr char kData = 'D';
constexpr char kEnd = 'E';
constexpr char kChange = 'C';
// Largest payload a $H or $D can carry: its length field counts 8 more bytes.
constexpr qsizetype kMaxPayload = 0xFFFF - 8;
constexpr std::uint8_t kFirstPiece = 0x04;
constexpr std::uint8_t kLastPiece = 0x08;
}  // namespace chunk

// A $H or $D chunk; `sendNow` sets the framing header's bit 7 (0xA4).
QByteArray MmshDataChunk(char type, std::uint32_t locationId, std::uint8_t afFlags, QByteArrayView payload,
                         bool sendNow = false);
// A $E or $C chunk with its reason.
QByteArray MmshReasonChunk(char type, std::uint32_t reason);
// The header as $H chunks of at most `piece` payload bytes, LocationId 0, 1,
// 2..., flagged first (0x04), last (0x08) or only piece (0x0C).
std::vector<QByteArray> MmshHeaderChunks(const QByteArray& header, qsizetype piece = chunk::kMaxPayload);

}  // namespace tovrin::mmsserver
