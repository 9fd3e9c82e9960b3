#include "mms-server/hostile.h"

#include "mms-server/asf_data_packet.h"
#include "mms-server/server_messages.h"

#include "asf/byte_helpers.h"

#include <QStringList>

#include <iterator>
#include <utility>

namespace tovrin::mmsserver {

namespace {

struct KindEntry {
    HostileKind kind;
    const char* name;
    const char* help;
};

constexpr KindEntry kKinds[] = {
    {HostileKind::LengthLong, "length-long",
     "after 5 media packets, a keep-alive whose message length claims 4096 bytes more than it has; then the server "
     "closes"},
    {HostileKind::LengthShort, "length-short",
     "after 5 media packets, a keep-alive whose message length (8) is shorter than a command header"},
    {HostileKind::LengthHuge, "length-huge", "after 5 media packets, a keep-alive whose message length is 0xFFFFFFF0"},
    {HostileKind::HeaderHuge, "header-huge",
     "the header carries a Padding Object of 1 MiB (as a large embedded picture would make it)"},
    {HostileKind::HeaderDecoy, "header-decoy",
     "the header's first object is a Content Description Object whose author value holds the File Properties "
     "Object's GUID and a size, as a look-alike of that object"},
    {HostileKind::HeaderLengthZero, "header-length-zero", "the open-file reply reports a header length of 0"},
    {HostileKind::HeaderLengthMax, "header-length-max", "the open-file reply reports a header length of 0xFFFFFFFF"},
    {HostileKind::PacketSizeZero, "packet-size-zero", "the open-file reply reports a packet size of 0"},
    {HostileKind::PacketSizeMax, "packet-size-max", "the open-file reply reports a packet size of 65535"},
    {HostileKind::PacketSizeShort, "packet-size-short",
     "the open-file reply reports a packet size 100 bytes short of the file's, so every packet is longer"},
    {HostileKind::PrefixShort, "prefix-short", "after 5 media packets, a data prefix whose length is 4"},
    {HostileKind::PrefixLong, "prefix-long",
     "after 5 media packets, a media packet whose prefix length counts 1000 junk bytes beyond the packet size"},
    {HostileKind::UnknownType, "unknown-type", "after 5 media packets, a data packet of type 0x07 with flags 0x80"},
    {HostileKind::UnknownCommand, "unknown-command", "after 5 media packets, the commands 0x20, 0x42 and 0xFF"},
    {HostileKind::ErrorConnect, "error-connect", "the connect reply (0x01) carries the error 0xC00D002E"},
    {HostileKind::ErrorFunnelInfo, "error-funnel-info", "the first funnel report (0x15) carries the error"},
    {HostileKind::ErrorFunnel, "error-funnel", "the transport acknowledgement (0x02) carries the error"},
    {HostileKind::RefuseFunnel, "refuse-funnel", "the transport is refused (0x03, result 0)"},
    {HostileKind::ErrorOpen, "error-open", "the open-file reply (0x06) carries the error"},
    {HostileKind::ErrorReadBlock, "error-read-block", "the header reply (0x11) carries the error"},
    {HostileKind::ErrorStreamSwitch, "error-stream-switch", "the stream-selection reply (0x21) carries the error"},
    {HostileKind::ErrorStartedPlaying, "error-started-playing", "the started-playing reply (0x05) carries the error"},
    {HostileKind::ErrorEndOfStream, "error-end-of-stream",
     "after 5 media packets, an end of stream (0x1E) carrying the error"},
    {HostileKind::Stall, "stall",
     "after 5 media packets, half of the next one, then nothing (no keep-alives), the connection left open"},
    {HostileKind::Silent, "silent",
     "MMS and MMSH: after 5 media packets, nothing more (no keep-alives), the connection left open"},
    {HostileKind::PingFlood, "ping-flood",
     "after 5 media packets, keep-alives as fast as the connection takes them, answers left unread"},
    {HostileKind::MediaFlood, "media-flood",
     "the file's packets in an endless loop (LocationIds counting on), as fast as the connection takes them"},
    {HostileKind::LateDatagram, "late-datagram",
     "over UDP, the last media packet is sent 50 ms after the end-of-stream reply (0x1E) instead of before it"},
    {HostileKind::DropDatagram, "drop-datagram",
     "after 5 media packets, the next one is never sent, as a datagram lost on the way would be (over MMSH: "
     "a $D skipped)"},
    {HostileKind::DropFirstDatagram, "drop-first-datagram",
     "the first media packet is never sent, as a datagram lost on the way would be"},
    {HostileKind::HeaderNever, "header-never",
     "the header reply (0x11) comes, the header never does; keep-alives go on at the ping interval"},
    {HostileKind::NumberJump, "number-jump",
     "after 5 media packets, every packet number (LocationId) is 2^31 higher than it was"},
    {HostileKind::NumberWrap, "number-wrap",
     "packet numbers start 5 below 2^32, so they wrap past it to 0 after 5 media packets"},
    {HostileKind::TimeBack, "time-back",
     "after a stream change (a playlist's or a live point's next entry), the first 5 media packets are sent 3 s "
     "ahead in send and presentation time, so the times step back 3 s after them"},
    {HostileKind::ChunkLengthLie, "chunk-length-lie",
     "MMSH: after 5 $D chunks, one whose repeated length disagrees with its framing length"},
    {HostileKind::ChunkUnknownType, "chunk-unknown-type", "MMSH: after 5 $D chunks, a chunk of the unknown type $Z"},
    {HostileKind::HeaderSplit, "header-split", "MMSH: the header in $H chunks of 64 bytes each"},
    {HostileKind::ChunkDataLong, "chunk-data-long",
     "MMSH: after 5 $D chunks, one carrying 1000 bytes more than the packet size"},
    {HostileKind::ChunkSendNow, "chunk-send-now", "MMSH: every $D with the send-immediately bit set (0xA4)"},
    {HostileKind::ChunkEntryChange, "chunk-entry-change",
     "MMSH: after 5 $D chunks, an entry change ($E 1, $C, the same header again), then the rest"},
};

// A play's packets with their numbers or times altered.
class AlteredCursor : public PacketCursor {
public:
    AlteredCursor(HostileKind kind, std::unique_ptr<PacketCursor> cursor, std::function<void(const QString&)> note)
        : m_kind(kind), m_cursor(std::move(cursor)), m_note(std::move(note))
    {
    }

    std::optional<TimedPacket> next() override
    {
        std::optional<TimedPacket> packet = m_cursor->next();
        if (!packet)
            return packet;
        const bool good = m_sent++ < std::uint64_t(kHostileGoodPackets);
        if (!m_first)
            m_first = packet->locationId;
        switch (m_kind) {
        case HostileKind::NumberJump:
            if (!good) {
                packet->locationId += 0x80000000u;
                strike(QStringLiteral("hostile: packet %1 numbered 2^31 higher").arg(packet->locationId));
            }
            break;
        case HostileKind::NumberWrap:
            packet->locationId = packet->locationId - *m_first - std::uint32_t(kHostileGoodPackets);
            if (packet->locationId == 0)
                strike(QStringLiteral("hostile: packet numbers wrapped past 2^32 to 0"));
            break;
        case HostileKind::TimeBack:
            if (good && ShiftDataPacketTimes(packet->bytes, kHostileTimeStepMs))
                strike(QStringLiteral("hostile: %1 media packets sent %2 ms ahead after the stream change")
                           .arg(kHostileGoodPackets)
                           .arg(kHostileTimeStepMs));
            break;
        default:
            break;
        }
        return packet;
    }

private:
    void strike(const QString& line)
    {
        if (!std::exchange(m_struck, true))
            m_note(line);
    }

    HostileKind m_kind;
    std::unique_ptr<PacketCursor> m_cursor;
    std::function<void(const QString&)> m_note;
    std::uint64_t m_sent = 0;
    std::optional<std::uint32_t> m_first;
    bool m_struck = false;
};

}  // namespace

std::unique_ptr<PacketCursor> HostilePlay(HostileKind kind, std::unique_ptr<PacketCursor> cursor, int play,
                                          std::function<void(const QString&)> note)
{
    const bool alters = kind == HostileKind::NumberJump || kind == HostileKind::NumberWrap
                        || (kind == HostileKind::TimeBack && play > 0);
    if (!alters || !cursor)
        return cursor;
    return std::make_unique<AlteredCursor>(kind, std::move(cursor), std::move(note));
}

std::optional<HostileKind> HostileKindNamed(const QString& name)
{
    for (const KindEntry& entry : kKinds) {
        if (name == QLatin1String(entry.name))
            return entry.kind;
    }
    return std::nullopt;
}

QString HostileKindsHelp()
{
    QStringList lines;
    for (const KindEntry& entry : kKinds)
        lines << QStringLiteral("%1: %2").arg(QLatin1String(entry.name), QLatin1String(entry.help));
    return lines.join(QLatin1Char('\n'));
}

QByteArray HostileFirstObject(HostileKind kind)
{
    static const QByteArray kPaddingObject = QByteArray::fromHex("74D40618DFCA0945A4BA9AABCB96AAE8");
    static const QByteArray kContentDescription = QByteArray::fromHex("3326B2758E66CF11A6D900AA0062CE6C");
    static const QByteArray kFileProperties = QByteArray::fromHex("A1DCAB8C47A9CF118EE400C00C205365");
    if (kind == HostileKind::HeaderHuge)
        return (kPaddingObject + EncodeLE64(kHostileHeaderPadding)).leftJustified(kHostileHeaderPadding, '\0');
    if (kind != HostileKind::HeaderDecoy)
        return {};
    // Title, author, copyright, description and rating: the author alone.
    const QByteArray author = kFileProperties + EncodeLE64(104) + QByteArray(80, '\x7F');
    const QByteArray body = EncodeLE16(0) + EncodeLE16(std::uint16_t(author.size())) + QByteArray(6, '\0') + author;
    return kContentDescription + EncodeLE64(24 + std::uint64_t(body.size())) + body;
}

QByteArray HostileHeader(HostileKind kind, const QByteArray& header)
{
    // Header Object: GUID, u64 size at 16, u32 child count at 24, 2 reserved bytes.
    static const QByteArray kHeaderObject = QByteArray::fromHex("3026B2758E66CF11A6D900AA0062CE6C");
    constexpr qsizetype kChildrenAt = 30;
    const QByteArray object = HostileFirstObject(kind);
    const auto size = LEAt(header, 16, 8);
    const auto children = LE32At(header, 24);
    if (object.isEmpty() || !header.startsWith(kHeaderObject) || !size || !children)
        return header;
    QByteArray altered = header;
    altered.insert(kChildrenAt, object);
    PutLE(altered, 16, *size + std::uint64_t(object.size()), 8);
    PutLE(altered, 24, *children + 1, 4);
    return altered;
}

std::optional<std::uint16_t> HostileErrorReply(HostileKind kind)
{
    switch (kind) {
    case HostileKind::ErrorConnect:
        return mid::kReportConnectedEx;
    case HostileKind::ErrorFunnelInfo:
        return mid::kReportFunnelInfo;
    case HostileKind::ErrorFunnel:
        return mid::kReportConnectedFunnel;
    case HostileKind::ErrorOpen:
        return mid::kReportOpenFile;
    case HostileKind::ErrorReadBlock:
        return mid::kReportReadBlock;
    case HostileKind::ErrorStreamSwitch:
        return mid::kReportStreamSwitch;
    case HostileKind::ErrorStartedPlaying:
        return mid::kReportStartedPlaying;
    default:
        return std::nullopt;
    }
}

}  // namespace tovrin::mmsserver
