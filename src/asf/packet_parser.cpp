#include "asf/packet_parser.h"

#include "asf/byte_helpers.h"

#include <algorithm>

namespace tovrin {

namespace {

QString hex2(std::uint8_t value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

// Width of each payload's offset / presentation-time field, from the property flags.
int OffsetFieldWidth(std::uint8_t propertyFlags)
{
    switch (propertyFlags) {
    case 0x55:
        return 1;
    case 0x59:
        return 2;
    case 0x5D:
        return 4;
    default:
        return 0;
    }
}

// Walks one packet; every read is bounds-checked and a short packet fails with
// its own log line rather than reading past the end.
class Rebaser {
public:
    using Kind = RebaseFault::Kind;
    using Result = std::optional<RebaseFault>;

    Rebaser(QByteArray& packet, std::uint32_t first, std::uint32_t base)
        : m_packet(packet), m_first(first), m_base(base)
    {
    }

    Result run()
    {
        const auto b0 = ByteAt(m_packet, 0), b1 = ByteAt(m_packet, 1), b2 = ByteAt(m_packet, 2);
        if (b0 != 0x82 || b1 != 0x00 || b2 != 0x00)
            return RebaseFault{Kind::NoPacketStart};
        const auto lengthFlags = ByteAt(m_packet, 3);
        const auto propertyFlags = ByteAt(m_packet, 4);
        if (!lengthFlags || !propertyFlags)
            return RebaseFault{Kind::FieldBeyondEnd};
        const std::uint8_t f = *lengthFlags;
        qsizetype pos = SendTimeOffset(m_packet);
        if (pos == 0)
            return RebaseFault{Kind::UnknownPadding, f};

        if (!rebaseField(pos, 4))
            return RebaseFault{Kind::FieldBeyondEnd};
        pos += 4 + 2;  // send time, duration

        const bool multiple = f & 0x01;
        std::uint8_t payloadFlags = 0;
        if (multiple) {
            const auto pf = ByteAt(m_packet, pos);
            if (!pf)
                return RebaseFault{Kind::FieldBeyondEnd};
            payloadFlags = *pf;
            pos += 1;
        }

        const int width = OffsetFieldWidth(*propertyFlags);
        const qsizetype length = m_packet.size();
        for (int counter = 1;; ++counter) {
            pos += 2;  // stream number, media object number
            if (width == 0)
                return RebaseFault{Kind::UnknownOffsetWidth, *propertyFlags};
            const auto r = ByteAt(m_packet, pos + width);
            if (!r || !LEAt(m_packet, pos, width))
                return RebaseFault{Kind::FieldBeyondEnd};
            if (*r & 0x01) {  // compressed payload: the field is a presentation time
                rebaseField(pos, width);
                pos += width + 1;
                if (multiple) {
                    const auto l = LE16At(m_packet, pos + 1);
                    if (!l)
                        return RebaseFault{Kind::FieldBeyondEnd};
                    pos += 3 + *l;
                    if (pos > length)
                        return RebaseFault{Kind::GroupingPointerOutOfRange};
                }
            } else if (*r & 0x08) {  // replicated data: size, then presentation time
                pos += width + 1 + 4;
                if (!rebaseField(pos, 4))
                    return RebaseFault{Kind::FieldBeyondEnd};
                pos += 4;
                if (multiple) {
                    const int n = (payloadFlags & 0x40) ? 1 : 2;
                    const auto l = LEAt(m_packet, pos, n);
                    if (!l)
                        return RebaseFault{Kind::FieldBeyondEnd};
                    pos += n + qsizetype(*l);
                    if (pos > length)
                        return RebaseFault{Kind::NonGroupingPointerOutOfRange};
                }
            } else if (*r != 0) {
                return RebaseFault{Kind::UnknownSegmentFlags, *r};
            } else {
                return std::nullopt;  // nothing to rebase in this payload; the rest stay as they are
            }
            if (!multiple || counter >= (payloadFlags & 0x3F))
                return std::nullopt;
        }
    }

private:
    bool rebaseField(qsizetype pos, int width)
    {
        const auto value = LEAt(m_packet, pos, width);
        return value && PutLE(m_packet, pos, TimeSince(std::uint32_t(*value), m_first, m_base), width);
    }

    QByteArray& m_packet;
    std::uint32_t m_first;
    std::uint32_t m_base;
};

}  // namespace

int SendTimeOffset(QByteArrayView packet)
{
    const auto flags = ByteAt(packet, 3);
    if (!flags)
        return 0;
    switch (*flags) {
    case 0x00:
    case 0x01:
        return 5;
    case 0x08:
    case 0x09:
        return 6;
    case 0x10:
    case 0x11:
        return 7;
    case 0x48:
    case 0x49:
        return 8;
    case 0x50:
    case 0x51:
        return 9;
    default:
        return 0;
    }
}

std::uint32_t TimeSince(std::uint32_t time, std::uint32_t first, std::uint32_t base)
{
    const auto since = std::int32_t(time - first);
    return base + std::uint32_t(std::max(since, 0));
}

std::optional<RebaseFault> RebaseTimecodes(QByteArray& packet, std::uint32_t firstSendTime, std::uint32_t base)
{
    return Rebaser(packet, firstSendTime, base).run();
}

QString RebaseFaultLine(const RebaseFault& fault)
{
    using Kind = RebaseFault::Kind;
    switch (fault.kind) {
    case Kind::NoPacketStart:
        return QStringLiteral("Fault in media packet header, start 0x82 missing");
    case Kind::UnknownPadding:
        return QStringLiteral("Media packet error, unknown padding. Flags = ") + hex2(fault.flags);
    case Kind::UnknownOffsetWidth:
        return QStringLiteral("Invalid segment type ID unknown type ") + hex2(fault.flags);
    case Kind::UnknownSegmentFlags:
        return QStringLiteral("Error in packet, Segment Flags unknown ") + hex2(fault.flags);
    case Kind::GroupingPointerOutOfRange:
        return QStringLiteral("error in packet, grouping pointer out of range");
    case Kind::NonGroupingPointerOutOfRange:
        return QStringLiteral("error in packet, non grouping pointer out of range");
    case Kind::FieldBeyondEnd:
        break;
    }
    return QStringLiteral("Media packet error, field beyond end of packet");
}

}  // namespace tovrin
