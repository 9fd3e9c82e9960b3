#include "mms-server/command_packet.h"

#include <gtest/gtest.h>

namespace tovrin::mmsserver {
namespace {

// Splitting back-to-back commands and reading their ids are the exchange
// tests': their client sends several commands at once.
TEST(CommandPacket, TakeWaitsForTheWholeCommand)
{
    const QByteArray command = BuildCommand(0x18, command::kToServer, 1, 0, QByteArray(8, 'y'));
    for (qsizetype size = 0; size < command.size(); ++size)
        EXPECT_EQ(TakeCommand(command.first(size)).status, Framing::Incomplete) << size;
    const Framing whole = TakeCommand(command);
    ASSERT_EQ(whole.status, Framing::Complete);
    EXPECT_EQ(whole.command.u32(400), 0u);
    EXPECT_FALSE(whole.command.field32(46));
}

}  // namespace
}  // namespace tovrin::mmsserver
