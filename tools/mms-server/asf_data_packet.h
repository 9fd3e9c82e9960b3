#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace tovrin::mmsserver {

// One payload of a data packet: its bytes run from its stream number byte
// (bit 0x80: part of a key frame) to the end of its data.
struct PayloadSpan {
    qsizetype start = 0;
    qsizetype end = 0;
    qsizetype dataLength = 0;
    std::uint8_t streamByte = 0;
};

// Where the times sit in one ASF data packet: its send time, and the
// presentation time of every payload (in replicated data, or in the media
// object offset field of a compressed payload); and where its payloads and
// the fields that frame them lie. Offsets count from byte 0 of the packet;
// all times are 32-bit milliseconds.
struct DataPacketTimes {
    qsizetype sendTimeOffset = 0;
    std::uint32_t sendTime = 0;
    std::uint16_t duration = 0;
    std::vector<qsizetype> presentationTimeOffsets;

    qsizetype lengthFlagsOffset = 0;    // the length type flags byte, after any error correction data
    qsizetype packetLengthOffset = 0;   // its width is in the length type flags (bits 5-6)
    qsizetype paddingLengthOffset = 0;  // its width is in the length type flags (bits 3-4)
    qsizetype payloadFlagsOffset = -1;  // -1: a single payload
    std::vector<PayloadSpan> payloads;
};

// Parses the error correction data, the payload parsing information and the
// payload headers of one data packet. Nothing, and *error set when asked,
// when the packet is damaged: a field runs past the packet, an unknown
// length type, payloads longer than the packet.
std::optional<DataPacketTimes> ParseDataPacketTimes(QByteArrayView packet, QString* error = nullptr);

// Adds deltaMs (modulo 2^32) to the send time and to every presentation time
// of the packet. False, and the packet untouched, when it does not parse.
bool ShiftDataPacketTimes(QByteArray& packet, std::uint32_t deltaMs);

// Decides whether a payload stays, by its stream number (1-127) and whether it is part of a key frame.
using PayloadFilter = std::function<bool(std::uint8_t stream, bool keyFrame)>;

// The packet with only the payloads `keep` accepts, as a server sends a
// client's chosen streams: the packet itself when it keeps them all, nothing
// (an empty array) when it keeps none, else the kept payloads in their order
// behind the same payload parsing information, with a 16-bit padding length
// and zeros up to the packet's size. A packet that does not parse goes
// unchanged.
QByteArray KeepPayloads(const QByteArray& packet, const PayloadFilter& keep);

}  // namespace tovrin::mmsserver
