#include "mms-server/asf_data_packet.h"

#include "asf/byte_helpers.h"

#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <vector>

namespace tovrin::mmsserver {
namespace {

constexpr int kPacketSize = 200;

// Payload header fields of the synthetic packets: stream number, media object
// number (1 byte), offset into media object (4 bytes), replicated data length (1 byte).
QByteArray payloadHeader(int stream, std::uint32_t offsetOrTime, const QByteArray& replicated)
{
    return QByteArray(1, char(stream)) + QByteArray(1, '\x07') + EncodeLE32(offsetOrTime)
           + QByteArray(1, char(replicated.size())) + replicated;
}

QByteArray replicatedData(std::uint32_t objectSize, std::uint32_t presentationTime)
{
    return EncodeLE32(objectSize) + EncodeLE32(presentationTime);
}

// Error correction 0x82, then the payload parsing information with a byte
// padding length; the packet is padded with zeros to kPacketSize.
QByteArray packet(bool multiple, std::uint32_t sendTime, const QByteArray& payloads)
{
    const QByteArray front =
        QByteArray::fromHex("820000") + QByteArray(1, char(multiple ? 0x09 : 0x08)) + QByteArray(1, '\x5D');
    QByteArray bytes = front + QByteArray(1, '\0') + EncodeLE32(sendTime) + EncodeLE16(40) + payloads;
    const qsizetype padding = kPacketSize - bytes.size();
    bytes[front.size()] = char(padding);
    return bytes + QByteArray(padding, '\0');
}

// The send time as parsed and as read at its offset, the duration, then the
// presentation time at each offset found; empty when the packet is refused.
std::vector<std::uint32_t> timesIn(const QByteArray& packet)
{
    const auto times = ParseDataPacketTimes(packet);
    if (!times)
        return {};
    std::vector<std::uint32_t> found{times->sendTime, LE32At(packet, times->sendTimeOffset).value_or(0),
                                     times->duration};
    for (const qsizetype at : times->presentationTimeOffsets)
        found.push_back(LE32At(packet, at).value_or(0xDEADBEEF));
    return found;
}

// Every payload kind's times are found; damaged packets are refused and left alone.
TEST(AsfDataPacketTimes, FindsTheTimesOfEveryPayloadKindAndRefusesDamagedPackets)
{
    // Three payloads: plain, plain, compressed (presentation time in the offset
    // field, one delta byte of replicated data, then two sub-payloads).
    const QByteArray plain1 = payloadHeader(0x81, 0, replicatedData(50, 3100)) + EncodeLE16(20) + QByteArray(20, 'a');
    const QByteArray plain2 = payloadHeader(0x02, 20, replicatedData(50, 3150)) + EncodeLE16(10) + QByteArray(10, 'b');
    const QByteArray subPayloads = QByteArray(1, '\x03') + "xyz" + QByteArray(1, '\x02') + "uv";
    const QByteArray compressed =
        payloadHeader(0x02, 3200, QByteArray(1, '\x28')) + EncodeLE16(std::uint16_t(subPayloads.size())) + subPayloads;
    const QByteArray good = packet(true, 1000, QByteArray(1, char(0x80 | 3)) + plain1 + plain2 + compressed);
    const QByteArray single = packet(false, 2500, payloadHeader(0x81, 0, replicatedData(900, 5600)) + "data");
    EXPECT_EQ(timesIn(single), (std::vector<std::uint32_t>{2500, 2500, 40, 5600}));
    EXPECT_EQ(timesIn(good), (std::vector<std::uint32_t>{1000, 1000, 40, 3100, 3150, 3200}));
    QString error;
    // Cut anywhere inside the payload headers: never read past the end.
    for (qsizetype size = 0; size < 60; ++size)
        EXPECT_FALSE(ParseDataPacketTimes(good.first(size), &error)) << size;

    const QByteArray overlong =
        packet(true, 0, QByteArray(1, char(0x81)) + payloadHeader(1, 0, replicatedData(9, 9)) + EncodeLE16(5000) + "x");
    EXPECT_FALSE(ParseDataPacketTimes(overlong, &error));
    EXPECT_TRUE(error.contains(QLatin1String("does not fit")));

    const QByteArray oddReplicated = packet(false, 0, payloadHeader(1, 0, QByteArray(5, '\0')) + "x");
    QByteArray hugePadding = good;
    hugePadding[5] = char(0xFF);  // padding length of 255 in a 200-byte packet
    QByteArray opaque = good;
    opaque[0] = char(0x92);  // opaque error correction data: unknown layout
    const QByteArray subPayloadOverrun = packet(true, 0,
                                                QByteArray(1, char(0x81)) + payloadHeader(1, 0, QByteArray(1, '\0'))
                                                    + EncodeLE16(3) + QByteArray(1, '\x09') + "ab");
    for (const QByteArray& bad : {oddReplicated, hugePadding, opaque, subPayloadOverrun})
        EXPECT_FALSE(ParseDataPacketTimes(bad)) << bad.toHex().toStdString();

    QByteArray untouched = overlong;
    EXPECT_FALSE(ShiftDataPacketTimes(untouched, 5));
    EXPECT_EQ(untouched, overlong);
}

TEST(AsfDataPacketTimes, RandomBytesNeverReadOutOfBounds)
{
    QRandomGenerator random(42);
    for (int round = 0; round < 20000; ++round) {
        QByteArray bytes(random.bounded(1, 120), '\0');
        for (char& c : bytes)
            c = char(random.bounded(256));
        if (round % 2)
            bytes[0] = char(0x82);
        const auto times = ParseDataPacketTimes(bytes);
        if (!times)
            continue;
        EXPECT_LE(times->sendTimeOffset + 4, bytes.size());
        for (const qsizetype offset : times->presentationTimeOffsets)
            EXPECT_LE(offset + 4, bytes.size());
    }
}

}  // namespace
}  // namespace tovrin::mmsserver
