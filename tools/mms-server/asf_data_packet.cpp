#include "mms-server/asf_data_packet.h"

#include "asf/byte_helpers.h"

namespace tovrin::mmsserver {

namespace {

// Width in bytes of a field whose 2-bit length type is `type` (0, 1, 2 or 4 bytes).
int widthOf(unsigned type)
{
    static constexpr int kWidths[4] = {0, 1, 2, 4};
    return kWidths[type & 3];
}

// A cursor over the packet that refuses to run past its end.
class Reader {
public:
    explicit Reader(QByteArrayView bytes) : m_bytes(bytes) {}

    qsizetype pos() const { return m_pos; }
    bool ok() const { return m_ok; }
    std::uint64_t take(int width)
    {
        if (width == 0 || !m_ok)
            return 0;
        const auto value = LEAt(m_bytes, m_pos, width);
        if (!value) {
            m_ok = false;
            return 0;
        }
        m_pos += width;
        return *value;
    }
    void skip(qsizetype count)
    {
        if (count < 0 || count > m_bytes.size() - m_pos)
            m_ok = false;
        else
            m_pos += count;
    }

private:
    QByteArrayView m_bytes;
    qsizetype m_pos = 0;
    bool m_ok = true;
};

bool fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}

struct PayloadFlags {
    int replicatedWidth;
    int offsetWidth;
    int objectWidth;
    int streamWidth;
};

// Reads one payload header (and, for a compressed payload, walks its
// sub-payloads), recording where its presentation time sits. `limit` is
// where the payload data must end at the latest; `dataLength` is the
// payload length from a multiple-payload header, or -1 for "up to limit".
bool readPayload(Reader& in, const PayloadFlags& flags, int payloadLengthWidth, qsizetype limit, DataPacketTimes& times,
                 QString* error)
{
    PayloadSpan span;
    span.start = in.pos();
    span.streamByte = std::uint8_t(in.take(1));
    in.take(flags.objectWidth);
    const qsizetype offsetField = in.pos();
    in.take(flags.offsetWidth);
    const auto replicatedLength = qsizetype(in.take(flags.replicatedWidth));
    const qsizetype replicatedStart = in.pos();
    in.skip(replicatedLength);
    if (!in.ok())
        return fail(error, QStringLiteral("payload header runs past the packet"));

    const bool compressed = replicatedLength == 1;
    if (compressed) {
        if (flags.offsetWidth != 4)
            return fail(error, QStringLiteral("compressed payload without a 32-bit presentation time"));
        times.presentationTimeOffsets.push_back(offsetField);
    } else if (replicatedLength >= 8) {
        times.presentationTimeOffsets.push_back(replicatedStart + 4);
    } else if (replicatedLength != 0) {
        return fail(error, QStringLiteral("replicated data of %1 bytes").arg(replicatedLength));
    }

    qsizetype dataLength = limit - in.pos();
    if (payloadLengthWidth > 0) {
        dataLength = qsizetype(in.take(payloadLengthWidth));
        if (!in.ok())
            return fail(error, QStringLiteral("payload length runs past the packet"));
    }
    if (dataLength < 0 || dataLength > limit - in.pos())
        return fail(error, QStringLiteral("payload of %1 bytes does not fit the packet").arg(dataLength));
    if (compressed) {
        // Sub-payloads: one length byte, then that many bytes, filling the payload exactly.
        const qsizetype end = in.pos() + dataLength;
        while (in.pos() < end) {
            const auto subLength = qsizetype(in.take(1));
            if (subLength > end - in.pos())
                return fail(error, QStringLiteral("compressed sub-payload runs past its payload"));
            in.skip(subLength);
        }
    } else {
        in.skip(dataLength);
    }
    if (!in.ok())
        return fail(error, QStringLiteral("payload data runs past the packet"));
    span.end = in.pos();
    span.dataLength = dataLength;
    times.payloads.push_back(span);
    return true;
}

}  // namespace

std::optional<DataPacketTimes> ParseDataPacketTimes(QByteArrayView packet, QString* error)
{
    Reader in(packet);
    auto flags = unsigned(in.take(1));
    if (!in.ok()) {
        fail(error, QStringLiteral("empty packet"));
        return std::nullopt;
    }
    if (flags & 0x80) {
        // Error correction present: the low nibble is its length, and the
        // length type flags byte follows it. Opaque data or a non-zero
        // length type means a layout we do not know.
        if (flags & 0x70) {
            fail(error, QStringLiteral("unknown error correction flags 0x%1").arg(flags, 2, 16, QLatin1Char('0')));
            return std::nullopt;
        }
        in.skip(flags & 0x0F);
        flags = unsigned(in.take(1));
    }
    DataPacketTimes times;
    times.lengthFlagsOffset = in.pos() - 1;
    const unsigned lengthFlags = flags;
    const auto propertyFlags = unsigned(in.take(1));
    if (!in.ok()) {
        fail(error, QStringLiteral("damaged payload parsing information"));
        return std::nullopt;
    }
    const bool multiple = lengthFlags & 0x01;
    times.packetLengthOffset = in.pos();
    const auto packetLength = qsizetype(in.take(widthOf(lengthFlags >> 5)));
    in.take(widthOf(lengthFlags >> 1));  // sequence
    times.paddingLengthOffset = in.pos();
    const auto paddingLength = qsizetype(in.take(widthOf(lengthFlags >> 3)));

    times.sendTimeOffset = in.pos();
    times.sendTime = std::uint32_t(in.take(4));
    times.duration = std::uint16_t(in.take(2));
    if (!in.ok()) {
        fail(error, QStringLiteral("payload parsing information runs past the packet"));
        return std::nullopt;
    }
    // An explicit packet length shorter than the buffer ends the packet there.
    qsizetype limit = packet.size();
    if (widthOf(lengthFlags >> 5) > 0 && packetLength > 0 && packetLength <= limit)
        limit = packetLength;
    limit -= paddingLength;
    if (limit < in.pos()) {
        fail(error, QStringLiteral("padding longer than the packet"));
        return std::nullopt;
    }

    const PayloadFlags payload{widthOf(propertyFlags), widthOf(propertyFlags >> 2), widthOf(propertyFlags >> 4),
                               widthOf(propertyFlags >> 6)};
    if (payload.streamWidth != 1) {
        fail(error, QStringLiteral("stream number length type %1").arg(propertyFlags >> 6));
        return std::nullopt;
    }
    if (!multiple) {
        if (!readPayload(in, payload, 0, limit, times, error))
            return std::nullopt;
        return times;
    }
    times.payloadFlagsOffset = in.pos();
    const auto payloadFlags = unsigned(in.take(1));
    if (!in.ok()) {
        fail(error, QStringLiteral("payload flags run past the packet"));
        return std::nullopt;
    }
    const int count = int(payloadFlags & 0x3F);
    const int lengthWidth = widthOf(payloadFlags >> 6);
    if (count == 0 || lengthWidth == 0) {
        fail(error,
             QStringLiteral("multiple payloads with count %1 and length type %2").arg(count).arg(payloadFlags >> 6));
        return std::nullopt;
    }
    for (int i = 0; i < count; ++i) {
        if (!readPayload(in, payload, lengthWidth, limit, times, error))
            return std::nullopt;
    }
    return times;
}

bool ShiftDataPacketTimes(QByteArray& packet, std::uint32_t deltaMs)
{
    const auto times = ParseDataPacketTimes(packet);
    if (!times)
        return false;
    PutLE(packet, times->sendTimeOffset, std::uint32_t(times->sendTime + deltaMs), 4);
    for (const qsizetype at : times->presentationTimeOffsets) {
        const std::uint32_t old = LE32At(packet, at).value_or(0);
        PutLE(packet, at, std::uint32_t(old + deltaMs), 4);
    }
    return true;
}

QByteArray KeepPayloads(const QByteArray& packet, const PayloadFilter& keep)
{
    const auto layout = ParseDataPacketTimes(packet);
    if (!layout)
        return packet;
    std::vector<PayloadSpan> kept;
    for (const PayloadSpan& span : layout->payloads) {
        if (keep(span.streamByte & 0x7F, (span.streamByte & 0x80) != 0))
            kept.push_back(span);
    }
    if (kept.size() == layout->payloads.size())
        return packet;
    if (kept.empty())
        return {};
    // Only a packet of several payloads gets here: a single one is kept or not.
    // Its front up to the padding length, which becomes 16 bits wide, is
    // copied; an explicit packet length keeps stating the whole packet.
    const auto lengthFlags = std::uint8_t(packet[layout->lengthFlagsOffset]);
    const int paddingWidth = widthOf(lengthFlags >> 3);
    QByteArray rebuilt = packet.first(layout->paddingLengthOffset);
    rebuilt[layout->lengthFlagsOffset] = char((lengthFlags & ~0x18) | 0x10);
    if (const int width = widthOf(lengthFlags >> 5); width > 0) {
        if (width < 4 && packet.size() >> (8 * width) != 0)
            return packet;
        PutLE(rebuilt, layout->packetLengthOffset, std::uint64_t(packet.size()), width);
    }
    const qsizetype paddingAt = rebuilt.size();
    rebuilt += EncodeLE16(0);
    rebuilt += packet.sliced(layout->paddingLengthOffset + paddingWidth,
                             layout->payloadFlagsOffset - layout->paddingLengthOffset - paddingWidth);
    rebuilt += char((std::uint8_t(packet[layout->payloadFlagsOffset]) & 0xC0) | kept.size());
    for (const PayloadSpan& span : kept)
        rebuilt += packet.sliced(span.start, span.end - span.start);
    const qsizetype padding = packet.size() - rebuilt.size();
    if (padding < 0 || padding > 0xFFFF)
        return packet;
    PutLE(rebuilt, paddingAt, std::uint64_t(padding), 2);
    return rebuilt + QByteArray(padding, '\0');
}

}  // namespace tovrin::mmsserver
