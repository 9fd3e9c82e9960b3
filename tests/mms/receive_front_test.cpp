#include "mms/receive_front.h"
#include "asf/byte_helpers.h"
#include "mms/client_commands.h"
#include "support/asf_builder.h"

#include <gtest/gtest.h>

using namespace tovrin;
using Kind = ReceiveFront::Kind;

TEST(ReceiveFront, ACommandPacketIsReportedOnlyWhenAllOfItHasArrived)
{
    const QByteArray packet = test::ServerCommand(0x06, 0, 152) + QByteArray("following bytes");
    for (int have = 0; have < 152; ++have) {
        const ReceiveFront f = SplitFront(packet.first(have));
        ASSERT_EQ(f.kind, Kind::NeedMore) << have;
        EXPECT_EQ(f.needed, have < 8 ? 8u : have < 48 ? 48u : 152u) << have;
    }
    const ReceiveFront f = SplitFront(packet);
    ASSERT_EQ(f.kind, Kind::Command);
    EXPECT_EQ(f.total, 152u);
    EXPECT_EQ(f.commandId, 0x06);
    EXPECT_EQ(f.resultCode, 0u);
}

TEST(ReceiveFront, TheSignatureAloneMakesACommandAndAnythingElseIsADataPrefix)
{
    QByteArray odd = test::ServerCommand(0x1B, 0xC00D0006, 48);
    odd[0] = 'X';
    odd[3] = 'Y';
    const ReceiveFront f = SplitFront(odd);
    ASSERT_EQ(f.kind, Kind::Command);
    EXPECT_EQ(f.resultCode, 0xC00D0006u);
    EXPECT_EQ(SplitFront(test::DataPacket(77, 4, QByteArray(1600, 'p'))).kind, Kind::Data);
}

TEST(ReceiveFront, AHugeMessageLengthAsksForMoreBytesWithoutOverflowing)
{
    QByteArray p = test::ServerCommand(0x01, 0, 48);
    PutLE(p, 8, 0xFFFFFFFF, 4);
    const ReceiveFront f = SplitFront(p);
    EXPECT_EQ(f.kind, Kind::NeedMore);
    EXPECT_EQ(f.needed, 0xFFFFFFFFull + 16);
}
