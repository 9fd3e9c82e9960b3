#include "mms-server/command_packet.h"

#include "asf/byte_helpers.h"

#include <gtest/gtest.h>

namespace tovrin::mmsserver {
namespace {

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

}  // namespace
}  // namespace tovrin::mmsserver
