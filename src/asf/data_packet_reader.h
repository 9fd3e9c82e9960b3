#pragma once

#include <QByteArrayView>

#include <cstdint>
#include <vector>

namespace tovrin {

// One payload of an ASF data packet: a piece of a media object.
struct PayloadFacts {
    std::uint8_t stream = 0;  // 1 to 127
    bool keyFrame = false;
    std::uint32_t objectNumber = 0;
    std::uint32_t offset = 0;            // of the piece in its media object
    std::uint32_t objectSize = 0;        // of the whole media object
    std::uint32_t presentationTime = 0;  // ms, as the file counts it (preroll included)
    std::uint32_t length = 0;            // bytes of the piece
};

// What the payload parsing information of a data packet says.
struct DataPacketFacts {
    std::uint32_t sendTime = 0;  // ms
    std::uint16_t duration = 0;
    // Its payloads in order; a compressed payload stands for the whole media
    // objects it groups, each told as one piece.
    std::vector<PayloadFacts> payloads;
};

// Reads the layout of an ASF data packet of any layout the format allows, as
// stored in a slot of `packet.size()` bytes. False when the packet does not
// parse: a field or a payload runs past the slot, a length type the format
// does not define, a payload without a stream; `facts` then holds what was
// read before. Every read is bounds-checked; `facts.payloads` is reused, so a
// caller reading packet after packet allocates once.
bool ReadDataPacket(QByteArrayView packet, DataPacketFacts& facts);

}  // namespace tovrin
