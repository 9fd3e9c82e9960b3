#include "asf/packet_parser.h"
#include "asf/byte_helpers.h"

#include <gtest/gtest.h>

using namespace tovrin;

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

std::uint32_t le32(const QByteArray& b, int at)
{
    return *LE32At(b, at);
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

TEST(RebaseTimecodes, MakesSendAndPresentationTimesRelativeAndTouchesNothingElse)
{
    QByteArray packet = singleReplicatedPacket(1005000, 1008100);
    const QByteArray before = packet;
    ASSERT_EQ(RebaseTimecodes(packet, 1000000), std::nullopt);
    EXPECT_EQ(le32(packet, 8), 5000u);
    EXPECT_EQ(le32(packet, 25), 8100u);
    for (int i = 0; i < packet.size(); ++i) {
        if ((i < 8 || i >= 12) && (i < 25 || i >= 29)) {
            EXPECT_EQ(packet[i], before[i]) << "byte " << i;
        }
    }

    // A compressed payload keeps its presentation time in the offset field, of its width only.
    QByteArray compressed = QByteArray::fromHex("8200000059") + EncodeLE32(0x1500) + QByteArray::fromHex("0000")
                            + QByteArray::fromHex("8101") + EncodeLE16(0x1234) + QByteArray::fromHex("01") + "\x05" "data";
    ASSERT_EQ(RebaseTimecodes(compressed, 0x1000), std::nullopt);
    EXPECT_EQ(*LE16At(compressed, 13), 0x0234);
    EXPECT_EQ(le32(compressed, 5), 0x500u);

    // Send times before the first one wrap around.
    QByteArray early = singleReplicatedPacket(10, 10);
    ASSERT_EQ(RebaseTimecodes(early, 20), std::nullopt);
    EXPECT_EQ(le32(early, 8), 0xFFFFFFF6u);
}

TEST(RebaseTimecodes, RebasesEveryPayloadOfAMultiplePayloadPacket)
{
    QByteArray packet = multipleReplicatedPacket(2000, 2100, 2200);
    ASSERT_EQ(RebaseTimecodes(packet, 2000), std::nullopt);
    EXPECT_EQ(le32(packet, 8), 0u);
    EXPECT_EQ(le32(packet, 23), 100u);
    EXPECT_EQ(le32(packet, 40), 200u);
}

TEST(RebaseTimecodes, RejectsWhatItCannotFollowWithItsLogLine)
{
    // One byte of a good packet replaced; nothing is rewritten before the
    // layout is known, the send time is rewritten before the payloads are read.
    using Kind = RebaseFault::Kind;
    const struct {
        int at;
        char byte;
        RebaseFault fault;
        const char* log;
    } cases[] = {{2, 0x01, {Kind::NoPacketStart}, "Fault in media packet header, start 0x82 missing"},
                 {3, 0x04, {Kind::UnknownPadding, 0x04}, "Media packet error, unknown padding. Flags = 04"},
                 {4, 0x5E, {Kind::UnknownOffsetWidth, 0x5E}, "Invalid segment type ID unknown type 5E"},
                 {20, 0x02, {Kind::UnknownSegmentFlags, 0x02}, "Error in packet, Segment Flags unknown 02"}};
    for (const auto& c : cases) {
        QByteArray packet = singleReplicatedPacket(5, 5);
        packet[c.at] = c.byte;
        QByteArray expected = packet;
        PutLE(expected, 8, c.at < 4 ? 5 : 4, 4);
        EXPECT_EQ(RebaseTimecodes(packet, 1), c.fault) << c.log;
        EXPECT_EQ(RebaseFaultLine(c.fault), QString::fromLatin1(c.log));
        EXPECT_EQ(packet, expected) << c.log;
    }

    QByteArray overlong = multipleReplicatedPacket(50, 60, 70, 400);
    EXPECT_EQ(RebaseTimecodes(overlong, 50), RebaseFault{Kind::NonGroupingPointerOutOfRange});
    EXPECT_EQ(le32(overlong, 23), 10u) << "the first payload stays rebased";
    EXPECT_EQ(RebaseFaultLine({Kind::NonGroupingPointerOutOfRange}),
              QStringLiteral("error in packet, non grouping pointer out of range"));
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
