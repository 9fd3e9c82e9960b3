#include "mms-server/mmsh_chunk.h"

#include "asf/byte_helpers.h"

#include <algorithm>

namespace tovrin::mmsserver {

QByteArray MmshDataChunk(char type, std::uint32_t locationId, std::uint8_t afFlags, QByteArrayView payload,
                         bool sendNow)
{
    const auto length = std::uint16_t(8 + payload.size());
    QByteArray bytes;
    bytes.reserve(12 + payload.size());
    bytes.append(char(sendNow ? 0xA4 : 0x24)).append(type);
    bytes.append(EncodeLE16(length));
    bytes.append(EncodeLE32(locationId));
    bytes.append(char(0)).append(char(afFlags));
    bytes.append(EncodeLE16(length));
    bytes.append(payload);
    return bytes;
}

QByteArray MmshReasonChunk(char type, std::uint32_t reason)
{
    QByteArray bytes;
    bytes.append('$').append(type).append(EncodeLE16(4)).append(EncodeLE32(reason));
    return bytes;
}

std::vector<QByteArray> MmshHeaderChunks(const QByteArray& header, qsizetype piece)
{
    std::vector<QByteArray> chunks;
    piece = std::clamp<qsizetype>(piece, 1, chunk::kMaxPayload);
    for (qsizetype at = 0; at < header.size() || chunks.empty(); at += piece) {
        const qsizetype size = std::min(piece, header.size() - at);
        std::uint8_t flags = 0;
        if (at == 0)
            flags |= chunk::kFirstPiece;
        if (at + size >= header.size())
            flags |= chunk::kLastPiece;
        chunks.push_back(MmshDataChunk(chunk::kHeader, std::uint32_t(chunks.size()), flags,
                                       QByteArrayView(header).sliced(at, size)));
        if (size == 0)
            break;
    }
    return chunks;
}

}  // namespace tovrin::mmsserver
