#include "mms/server_replies.h"

#include "state/run_state.h"
#include "asf/byte_helpers.h"

#include <algorithm>

namespace tovrin {

namespace {

constexpr std::uint32_t kBroadcastAttribute = 0x02000000;

// Reads the 32-bit value at 1-based position pos into an atomic run value.
void readInto(QByteArrayView packet, qsizetype pos, Counter& target, Shell& shell)
{
    std::uint32_t value = target.load();
    if (ReadLE32(packet, pos, value, shell))
        target.store(value);
}

}  // namespace

void ReadOpenFileReply(QByteArrayView packet, RunState& run, Shell& shell)
{
    readInto(packet, 93, run.packetSize, shell);
    readInto(packet, 97, run.filePacketCount, shell);
    readInto(packet, 105, run.streamBitRate, shell);
    readInto(packet, 109, run.headerLength, shell);

    // MS-MMSP servers announce a broadcast with a packet count of 0 and the
    // broadcast bit of the file attributes rather than 0xFFFFFFFF; both are
    // recorded as live, so the recording is rebased and patched either way.
    const auto attributes = LE32At(packet, 60);
    if (run.filePacketCount == 0 && attributes && (*attributes & kBroadcastAttribute))
        run.filePacketCount = kLivePacketCount;
}

void ReadFunnelReport(QByteArrayView packet, RunState& run, Shell& shell)
{
    readInto(packet, 61, run.serverClientCount, shell);
    std::uint32_t messageLength = 0;
    if (ReadLE32(packet, 9, messageLength, shell)) {
        const qsizetype end = qsizetype(std::min<std::uint64_t>(std::uint64_t(messageLength) + 16,
                                                                 std::uint64_t(packet.size())));
        if (end > 80)
            run.funnelData.append(packet.sliced(80, end - 80).toByteArray());
    }
    run.funnelReportCount.fetch_add(1);
}

void ReadCredentialsRequest(QByteArrayView packet, RunState& run, Shell& shell)
{
    std::uint32_t declared = 0;
    if (!ReadLE32(packet, 49, declared, shell))
        return;
    const qsizetype present = std::max<qsizetype>(0, packet.size() - 52);
    const qsizetype length = qsizetype(std::min<std::uint64_t>(declared, std::uint64_t(present)));
    QString text;
    for (qsizetype i = 0; i + 1 < length; i += 2) {
        const char16_t unit = char16_t(std::uint8_t(packet[52 + i]) | (std::uint8_t(packet[53 + i]) << 8));
        if (unit == 0)
            break;  // the text ends at its terminating zero, which the length counts
        text.append(QChar(unit));
    }
    run.authChallenge.append(text);
}

}  // namespace tovrin
