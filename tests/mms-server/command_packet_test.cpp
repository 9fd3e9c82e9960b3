#include "mms-server/command_packet.h"

#include "asf/byte_helpers.h"

#include <gtest/gtest.h>

namespace tovrin::mmsserver {
namespace {

TEST(CommandPacket, BuildFillsTheHeaderAndPadsToEightBytes)
{
    const QByteArray fields = QByteArray::fromHex("0000000001000000AABB");  // 10 bytes: 50 in all, padded to 56
    const QByteArray packet = BuildCommand(0x06, command::kToClient, 7, 1234, fields);
    ASSERT_EQ(packet.size(), 56);
    EXPECT_EQ(packet.first(4), QByteArray::fromHex("01000000"));
    EXPECT_EQ(LE32At(packet, 4), 0xB00BFACEu);
    EXPECT_EQ(LE32At(packet, 8), 40u);
    EXPECT_EQ(packet.mid(12, 4), QByteArray("MMS "));
    EXPECT_EQ(LE32At(packet, 16), 5u);
    EXPECT_EQ(LE16At(packet, 20), 7u);
    EXPECT_EQ(LE64At(packet, 24), 1234u);
    EXPECT_EQ(LE32At(packet, 32), 3u);
    EXPECT_EQ(LE16At(packet, 36), 0x06u);
    EXPECT_EQ(LE16At(packet, 38), 0x04u);
    EXPECT_EQ(packet.mid(40, 10), fields);
    EXPECT_EQ(packet.mid(50), QByteArray(6, '\0'));
}

TEST(CommandPacket, TakeWaitsForTheWholeCommandAndSplitsBackToBackOnes)
{
    const QByteArray first = BuildCommand(0x01, command::kToServer, 0, 0, QByteArray(24, 'x'));
    const QByteArray second = BuildCommand(0x18, command::kToServer, 1, 0, QByteArray(8, 'y'));
    for (qsizetype size = 0; size < first.size(); ++size)
        EXPECT_EQ(TakeCommand(first.first(size)).status, Framing::Incomplete) << size;

    const QByteArray both = first + second;
    const Framing one = TakeCommand(both);
    ASSERT_EQ(one.status, Framing::Complete);
    EXPECT_EQ(one.used, first.size());
    EXPECT_EQ(one.command.mid, 0x01);
    EXPECT_EQ(one.command.bytes, first);
    const Framing two = TakeCommand(QByteArrayView(both).sliced(one.used));
    ASSERT_EQ(two.status, Framing::Complete);
    EXPECT_EQ(two.command.mid, 0x18);
    EXPECT_EQ(two.command.u32(40), LE32At(QByteArray(8, 'y'), 0).value());
    EXPECT_EQ(two.command.u32(400), 0u);
    EXPECT_FALSE(two.command.field32(46));
}

TEST(CommandPacket, TakeRefusesWhatIsNotACommandBeforeItArrives)
{
    QByteArray badSeal = BuildCommand(0x01, command::kToServer, 0, 0, {});
    badSeal.replace(12, 4, "HTTP");
    EXPECT_EQ(TakeCommand(badSeal).status, Framing::Bad);

    QByteArray badSession = BuildCommand(0x01, command::kToServer, 0, 0, {});
    PutLE(badSession, 4, 0x12345678, 4);
    EXPECT_EQ(TakeCommand(badSession).status, Framing::Bad);

    // A length past the limit is refused from the first 16 bytes alone.
    QByteArray huge = BuildCommand(0x01, command::kToServer, 0, 0, {}).first(16);
    PutLE(huge, 8, command::kMaxBytes, 4);
    const Framing refused = TakeCommand(huge);
    EXPECT_EQ(refused.status, Framing::Bad);
    EXPECT_TRUE(refused.error.contains(QLatin1String("out of range")));
    PutLE(huge, 8, command::kMaxBytes - 16, 4);
    EXPECT_EQ(TakeCommand(huge).status, Framing::Incomplete);

    QByteArray tooShort = BuildCommand(0x01, command::kToServer, 0, 0, {});
    PutLE(tooShort, 8, 8, 4);  // no room for the message id
    EXPECT_EQ(TakeCommand(tooShort).status, Framing::Bad);
}

TEST(CommandPacket, DataPacketPrefix)
{
    const QByteArray packet = BuildDataPacket(0x01020304, 4, 0x0C, "abc");
    EXPECT_EQ(packet, QByteArray::fromHex("04030201040C0B00") + "abc");
}

}  // namespace
}  // namespace tovrin::mmsserver
