#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace tovrin::mmsserver {

// Where the times sit in one ASF data packet: its send time, and the
// presentation time of every payload (in replicated data, or in the media
// object offset field of a compressed payload). Offsets count from byte 0 of
// the packet; all times are 32-bit milliseconds.
struct DataPacketTimes {
    qsizetype sendTimeOffset = 0;
    std::uint32_t sendTime = 0;
    std::uint16_t duration = 0;
    std::vector<qsizetype> presentationTimeOffsets;
};

// Parses the error correction data, the payload parsing information and the
// payload headers of one data packet. Nothing, and *error set when asked,
// when the packet is damaged: a field runs past the packet, an unknown
// length type, payloads longer than the packet.
std::optional<DataPacketTimes> ParseDataPacketTimes(QByteArrayView packet, QString* error = nullptr);

// Adds deltaMs (modulo 2^32) to the send time and to every presentation time
// of the packet. False, and the packet untouched, when it does not parse.
bool ShiftDataPacketTimes(QByteArray& packet, std::uint32_t deltaMs);

}  // namespace tovrin::mmsserver
