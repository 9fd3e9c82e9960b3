#include "asf/data_packet_reader.h"

#include "asf/byte_helpers.h"

#include <optional>

namespace tovrin {

namespace {

// Widths the two-bit length types select: none, a byte, a word, a double word.
constexpr int kTypeWidths[4] = {0, 1, 2, 4};

int Width(std::uint8_t flags, int shift)
{
    return kTypeWidths[(flags >> shift) & 0x03];
}

// Reads fields one after the other; once a read fails every later one does.
class Fields {
public:
    explicit Fields(QByteArrayView bytes) : m_bytes(bytes) {}

    // A field of `width` bytes (0 reads as 0).
    std::optional<std::uint32_t> take(int width)
    {
        if (width == 0)
            return 0u;
        const std::optional<std::uint64_t> value = LEAt(m_bytes, m_at, width);
        if (!value)
            return std::nullopt;
        m_at += width;
        return std::uint32_t(*value);
    }
    bool skip(qsizetype bytes, qsizetype end)
    {
        if (bytes < 0 || bytes > end - m_at)
            return false;
        m_at += bytes;
        return true;
    }
    qsizetype at() const { return m_at; }

private:
    QByteArrayView m_bytes;
    qsizetype m_at = 0;
};

constexpr std::uint8_t kErrorCorrectionPresent = 0x80;
constexpr std::uint8_t kMultiplePayloads = 0x01;
constexpr std::uint8_t kKeyFrame = 0x80;
constexpr std::uint32_t kCompressedPayload = 1;
constexpr std::uint32_t kReplicatedTimes = 8;  // media object size and presentation time

}  // namespace

bool ReadDataPacket(QByteArrayView packet, DataPacketFacts& facts)
{
    facts.payloads.clear();
    Fields f(packet);
    std::optional<std::uint32_t> first = f.take(1);
    if (first && (*first & kErrorCorrectionPresent)) {
        // Only error correction data of a stated length is defined.
        if (*first & 0x60 || !f.skip(*first & 0x0F, packet.size()))
            return false;
        first = f.take(1);
    }
    const std::optional<std::uint32_t> property = f.take(1);
    if (!first || !property)
        return false;
    const auto lengthFlags = std::uint8_t(*first), propertyFlags = std::uint8_t(*property);
    if (((propertyFlags >> 6) & 0x03) != 1)
        return false;  // the stream number field is a byte wide in every packet
    const std::optional<std::uint32_t> packetLength = f.take(Width(lengthFlags, 5));
    const std::optional<std::uint32_t> sequence = f.take(Width(lengthFlags, 1));
    const std::optional<std::uint32_t> padding = f.take(Width(lengthFlags, 3));
    const std::optional<std::uint32_t> sendTime = f.take(4), duration = f.take(2);
    if (!packetLength || !sequence || !padding || !sendTime || !duration)
        return false;
    facts.sendTime = *sendTime;
    facts.duration = std::uint16_t(*duration);
    // The packet ends where its length says (the whole slot when it says
    // nothing), less its padding.
    const qsizetype stated = Width(lengthFlags, 5) > 0 ? qsizetype(*packetLength) : packet.size();
    if (stated > packet.size() || qsizetype(*padding) > stated)
        return false;
    const qsizetype end = stated - qsizetype(*padding);

    const bool multiple = lengthFlags & kMultiplePayloads;
    std::uint32_t count = 1;
    int lengthWidth = 0;
    if (multiple) {
        const std::optional<std::uint32_t> payloadFlags = f.take(1);
        if (!payloadFlags || (*payloadFlags & 0x3F) == 0)
            return false;
        count = *payloadFlags & 0x3F;
        lengthWidth = Width(std::uint8_t(*payloadFlags), 6);
        if (lengthWidth == 0)
            return false;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::optional<std::uint32_t> stream = f.take(1);
        const std::optional<std::uint32_t> object = f.take(Width(propertyFlags, 4));
        const std::optional<std::uint32_t> offset = f.take(Width(propertyFlags, 2));
        const std::optional<std::uint32_t> replicated = f.take(Width(propertyFlags, 0));
        if (!stream || (*stream & 0x7F) == 0 || !object || !offset || !replicated)
            return false;
        PayloadFacts payload{.stream = std::uint8_t(*stream & 0x7F),
                             .keyFrame = bool(*stream & kKeyFrame),
                             .objectNumber = *object,
                             .offset = *offset};
        const bool compressed = *replicated == kCompressedPayload;
        if (compressed) {
            payload.presentationTime = *offset;  // the field holds it instead
            payload.offset = 0;
            if (!f.take(1))  // presentation time delta
                return false;
        } else if (*replicated >= kReplicatedTimes) {
            const qsizetype at = f.at();
            const std::optional<std::uint32_t> size = f.take(4), time = f.take(4);
            if (!size || !time || !f.skip(*replicated - 8, end) || f.at() != at + qsizetype(*replicated))
                return false;
            payload.objectSize = *size;
            payload.presentationTime = *time;
        } else if (!f.skip(*replicated, end)) {
            return false;
        }
        const std::optional<std::uint32_t> length = multiple ? f.take(lengthWidth) : std::uint32_t(end - f.at());
        if (!length || f.at() > end || !f.skip(*length, end))
            return false;
        if (compressed) {
            // Sub-payloads: a length byte, then a whole media object.
            const qsizetype groupEnd = f.at();
            Fields group(packet);
            (void)group.skip(groupEnd - *length, groupEnd);
            while (group.at() < groupEnd) {
                const std::optional<std::uint32_t> sub = group.take(1);
                if (!sub || !group.skip(*sub, groupEnd))
                    return false;
                payload.objectSize = payload.length = *sub;
                facts.payloads.push_back(payload);
                ++payload.objectNumber;
            }
            continue;
        }
        payload.length = *length;
        facts.payloads.push_back(payload);
    }
    return true;
}

}  // namespace tovrin
