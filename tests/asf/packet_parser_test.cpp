#include "asf/packet_parser.h"
#include "asf/byte_helpers.h"
#include "support/golden.h"

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;

namespace {

// A single-payload packet: 82 00 00, flags, properties, packet length (2),
// padding length (1), send time, duration, then one payload with replicated data.
QByteArray singleReplicatedPacket(std::uint32_t sendTime, std::uint32_t presentationTime)
{
    return QByteArray::fromHex("820000485D") + QByteArray::fromHex("001400")  // length, padding
           + EncodeLE32(sendTime) + QByteArray::fromHex("2800")               // send time, duration
           + QByteArray::fromHex("8101") + EncodeLE32(0x11111111) + QByteArray::fromHex("08") + EncodeLE32(5000)
           + EncodeLE32(presentationTime) + QByteArray("payload-bytes");
}

// Two payloads with replicated data and 2-byte payload lengths (payload flags 0x82).
QByteArray multipleReplicatedPacket(std::uint32_t sendTime, std::uint32_t pt1, std::uint32_t pt2,
                                    std::uint16_t secondLength = 3)
{
    return QByteArray::fromHex("8200004955") + QByteArray::fromHex("000000") + EncodeLE32(sendTime)
           + QByteArray::fromHex("0000") + QByteArray::fromHex("82") + QByteArray::fromHex("0201")
           + QByteArray::fromHex("00") + QByteArray::fromHex("08") + EncodeLE32(100) + EncodeLE32(pt1)
           + QByteArray::fromHex("0300") + QByteArray("abc") + QByteArray::fromHex("0302") + QByteArray::fromHex("00")
           + QByteArray::fromHex("08") + EncodeLE32(100) + EncodeLE32(pt2) + EncodeLE16(secondLength)
           + QByteArray("xyz");
}

}  // namespace

TEST(SendTimeOffset, FollowsTheLengthTypeFlags)
{
    const std::pair<int, int> table[] = {{0x00, 5}, {0x01, 5}, {0x08, 6}, {0x09, 6}, {0x10, 7}, {0x11, 7},
                                         {0x48, 8}, {0x49, 8}, {0x50, 9}, {0x51, 9}, {0x04, 0}, {0x40, 0}};
    for (auto [flags, offset] : table) {
        QByteArray p = QByteArray::fromHex("8200000055");
        p[3] = char(flags);
        EXPECT_EQ(SendTimeOffset(p), offset) << flags;
    }
    EXPECT_EQ(SendTimeOffset(QByteArray::fromHex("820000")), 0) << "too short to hold the flags";
}

// Each packet before and after rebasing, in hex, and the log line of what
// the rebase could not follow. Send and presentation times become relative
// to the first send time (earlier ones wrap around) and nothing else is
// touched; a compressed payload keeps its presentation time in the offset
// field, of its width only; every payload of a multiple payload packet is
// rebased. A fault rewrites nothing before the layout is known, and the send
// time before the payloads are read: one byte of a good packet replaced.
TEST(RebaseTimecodes, MakesSendAndPresentationTimesRelativeOrTellsWhatItCannotFollow)
{
    QStringList lines;
    const auto rebase = [&](const char* what, QByteArray packet, std::uint32_t first) {
        lines << u"== "_s + QLatin1String(what) << QString::fromLatin1(packet.toHex(' '));
        const std::optional<RebaseFault> fault = RebaseTimecodes(packet, first);
        lines << QString::fromLatin1(packet.toHex(' ')) << (fault ? RebaseFaultLine(*fault) : u"ok"_s);
    };
    rebase("single payload", singleReplicatedPacket(1005000, 1008100), 1000000);
    rebase("compressed payload",
           QByteArray::fromHex("8200000059") + EncodeLE32(0x1500) + QByteArray::fromHex("0000")
               + QByteArray::fromHex("8101") + EncodeLE16(0x1234) + QByteArray::fromHex("01") + "\x05" "data",
           0x1000);
    rebase("before the first send time", singleReplicatedPacket(10, 10), 20);
    rebase("multiple payloads", multipleReplicatedPacket(2000, 2100, 2200), 2000);
    rebase("second payload longer than the packet", multipleReplicatedPacket(50, 60, 70, 400), 50);
    for (const auto& [at, byte] : {std::pair{2, 0x01}, {3, 0x04}, {4, 0x5E}, {20, 0x02}}) {
        QByteArray packet = singleReplicatedPacket(5, 5);
        packet[at] = char(byte);
        rebase(u"byte %1 = %2"_s.arg(at).arg(byte, 2, 16, QLatin1Char('0')).toLatin1().constData(), packet, 1);
    }
    EXPECT_GOLDEN("asf/rebase_timecodes", lines);
}

TEST(RebaseTimecodes, ATruncatedPacketFailsWithoutReadingPastItsEnd)
{
    const QByteArray whole = multipleReplicatedPacket(2000, 2100, 2200);
    for (int cut = 0; cut < whole.size(); ++cut) {
        QByteArray packet = whole.first(cut);
        // Only the last payload's data may be missing for the walk to succeed.
        (void)RebaseTimecodes(packet, 2000);
        EXPECT_EQ(packet.size(), cut);
    }
}

TEST(ByteHelpers, EncodesLittleEndian)
{
    EXPECT_EQ(EncodeLE32(0x12345678), QByteArray::fromHex("78563412"));
    EXPECT_EQ(EncodeLE64(std::uint64_t(0x0000000100000002ULL)), QByteArray::fromHex("0200000001000000"));
}

TEST(ByteHelpers, BoundedReadsAndWritesRefuseBytesThatAreNotThere)
{
    QByteArray b = QByteArray::fromHex("0102");
    EXPECT_EQ(LE16At(b, 0), 0x0201);
    EXPECT_FALSE(LE16At(b, 1));
    EXPECT_FALSE(LE32At(b, 0));
    EXPECT_FALSE(ByteAt(b, -1));
    EXPECT_FALSE(PutLE(b, 1, 0xFFFF, 2));
    EXPECT_EQ(b, QByteArray::fromHex("0102"));
}
