#include "mms/server_replies.h"

#include "asf/byte_helpers.h"
#include "locations/credentials.h"
#include "state/run_state.h"

#include <algorithm>

namespace tovrin {

namespace {

constexpr std::uint32_t kBroadcastAttribute = 0x02000000;
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

// Reads the field at pos into an atomic run value, which keeps its value when
// the field is beyond the reply.
void readInto(QByteArrayView packet, qsizetype pos, Counter& target, FieldsBeyondReply& beyond)
{
    if (const std::optional<std::uint32_t> value = readField(packet, pos, beyond))
        target.store(*value);
}

}  // namespace

QString FieldBeyondReplyMessage(const FieldBeyondReply& field)
{
    return QStringLiteral("data out of range - 4 byte to long function : %1 : %2").arg(field.pos).arg(field.replySize);
}

FieldsBeyondReply ReadOpenFileReply(QByteArrayView packet, RunState& run)
{
    FieldsBeyondReply beyond;
    readInto(packet, 93, run.packetSize, beyond);
    readInto(packet, 97, run.filePacketCount, beyond);
    readInto(packet, 105, run.streamBitRate, beyond);
    readInto(packet, 109, run.headerLength, beyond);

    // MS-MMSP servers announce a broadcast with a packet count of 0 and the
    // broadcast bit of the file attributes rather than 0xFFFFFFFF; both are
    // recorded as live, so the recording is rebased and patched either way.
    const auto attributes = LE32At(packet, 60);
    if (run.filePacketCount == 0 && attributes && (*attributes & kBroadcastAttribute))
        run.filePacketCount = kLivePacketCount;
    return beyond;
}

FieldsBeyondReply ReadFunnelReport(QByteArrayView packet, RunState& run)
{
    FieldsBeyondReply beyond;
    readInto(packet, 61, run.serverClientCount, beyond);
    if (const std::optional<std::uint32_t> messageLength = readField(packet, 9, beyond)) {
        const qsizetype end =
            qsizetype(std::min<std::uint64_t>(std::uint64_t(*messageLength) + 16, std::uint64_t(packet.size())));
        if (end > 80)
            run.funnelData.append(packet.sliced(80, end - 80).toByteArray());
    }
    run.funnelReportCount.fetch_add(1);
    return beyond;
}

bool MoreFunnelReportsFollow(QByteArrayView packet, std::uint32_t reportsSoFar)
{
    // A packet-pair train is three reports, each marked; a server without
    // packet-pair answers with one report marked 0xF0F0F0EF.
    return reportsSoFar < kPacketPairReports && LE32At(packet, 44) == kPacketPairMarker;
}

FieldsBeyondReply ReadStreamChange(QByteArrayView packet, StreamChangeFigures& figures)
{
    FieldsBeyondReply beyond;
    for (const auto& [pos, target] :
         {std::pair{49, &figures.packetSize}, std::pair{53, &figures.headerLength}, std::pair{57, &figures.bitRate}})
        *target = readField(packet, pos, beyond).value_or(*target);
    return beyond;
}

FieldsBeyondReply ReadCredentialsRequest(QByteArrayView packet, ServerCredentials& credentials)
{
    FieldsBeyondReply beyond;
    const std::optional<std::uint32_t> declared = readField(packet, 49, beyond);
    if (!declared)
        return beyond;
    const qsizetype present = std::max<qsizetype>(0, packet.size() - 52);
    const qsizetype length = qsizetype(std::min<std::uint64_t>(*declared, std::uint64_t(present)));
    QString text;
    for (qsizetype i = 0; i + 1 < length; i += 2) {
        const char16_t unit = char16_t(std::uint8_t(packet[52 + i]) | (std::uint8_t(packet[53 + i]) << 8));
        if (unit == 0)
            break;  // the text ends at its terminating zero, which the length counts
        text.append(QChar(unit));
    }
    credentials.challenge.append(text);
    return beyond;
}

}  // namespace tovrin
