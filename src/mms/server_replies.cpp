#include "mms/server_replies.h"

#include "asf/byte_helpers.h"

#include <algorithm>

namespace tovrin {

namespace {

constexpr std::uint32_t kBroadcastAttribute = 0x02000000;
constexpr std::uint32_t kBroadcastPacketCount = 0xFFFFFFFFu;
constexpr std::uint32_t kPacketPairMarker = 0xF0F0F0F1;
constexpr std::uint32_t kPacketPairReports = 3;

// The 32-bit value at 1-based position pos; a field beyond the reply is
// noted in `beyond`.
std::optional<std::uint32_t> readField(QByteArrayView packet, qsizetype pos, FieldsBeyondReply& beyond)
{
    const std::optional<std::uint32_t> value = pos >= 1 ? LE32At(packet, pos - 1) : std::nullopt;
    if (!value)
        beyond.push_back({pos, packet.size()});
    return value;
}

}  // namespace

QString FieldBeyondReplyMessage(const FieldBeyondReply& field)
{
    return QStringLiteral("data out of range - 4 byte to long function : %1 : %2").arg(field.pos).arg(field.replySize);
}

ReadReply<OpenFileFigures> ReadOpenFileReply(QByteArrayView packet)
{
    ReadReply<OpenFileFigures> read;
    OpenFileFigures& figures = read.value;
    figures.packetSize = readField(packet, 93, read.beyond).value_or(0);
    figures.packetCount = readField(packet, 97, read.beyond).value_or(0);
    figures.bitRate = readField(packet, 105, read.beyond).value_or(0);
    figures.headerLength = readField(packet, 109, read.beyond).value_or(0);
    const auto attributes = LE32At(packet, 60);
    figures.live = figures.packetCount == kBroadcastPacketCount
                   || (figures.packetCount == 0 && attributes && (*attributes & kBroadcastAttribute));
    return read;
}

ReadReply<FunnelReport> ReadFunnelReport(QByteArrayView packet)
{
    ReadReply<FunnelReport> read;
    read.value.clientCount = readField(packet, 61, read.beyond);
    if (const std::optional<std::uint32_t> messageLength = readField(packet, 9, read.beyond)) {
        const qsizetype end =
            qsizetype(std::min<std::uint64_t>(std::uint64_t(*messageLength) + 16, std::uint64_t(packet.size())));
        if (end > 80)
            read.value.payload = packet.sliced(80, end - 80).toByteArray();
    }
    return read;
}

bool MoreFunnelReportsFollow(QByteArrayView packet, std::uint32_t reportsSoFar)
{
    // A packet-pair train is three reports, each marked; a server without
    // packet-pair answers with one report marked 0xF0F0F0EF.
    return reportsSoFar < kPacketPairReports && LE32At(packet, 44) == kPacketPairMarker;
}

ReadReply<StreamChangeFigures> ReadStreamChange(QByteArrayView packet, StreamChangeFigures previous)
{
    ReadReply<StreamChangeFigures> read{previous, {}};
    StreamChangeFigures& figures = read.value;
    for (const auto& [pos, target] :
         {std::pair{49, &figures.packetSize}, std::pair{53, &figures.headerLength}, std::pair{57, &figures.bitRate}})
        *target = readField(packet, pos, read.beyond).value_or(*target);
    return read;
}

ReadReply<QString> ReadCredentialsRequest(QByteArrayView packet)
{
    ReadReply<QString> read;
    const std::optional<std::uint32_t> declared = readField(packet, 49, read.beyond);
    if (!declared)
        return read;
    const qsizetype present = std::max<qsizetype>(0, packet.size() - 52);
    const qsizetype length = qsizetype(std::min<std::uint64_t>(*declared, std::uint64_t(present)));
    for (qsizetype i = 0; i + 1 < length; i += 2) {
        const char16_t unit = char16_t(std::uint8_t(packet[52 + i]) | (std::uint8_t(packet[53 + i]) << 8));
        if (unit == 0)
            break;  // the text ends at its terminating zero, which the length counts
        read.value.append(QChar(unit));
    }
    return read;
}

}  // namespace tovrin
