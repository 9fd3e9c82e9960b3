#include "asf/byte_helpers.h"
#include "mms/client_commands.h"
#include "mms/command_channel.h"
#include "mms/command_packet.h"

#include <mutex>
#include <thread>

#include <gtest/gtest.h>

using namespace tovrin;

namespace {

struct CollectingSink : ByteSink {
    std::mutex lock;
    std::vector<QByteArray> packets;
    void write(const QByteArray& bytes) override
    {
        std::lock_guard guard(lock);
        packets.push_back(bytes);
    }
};

}  // namespace

TEST(CommandPacket, KeepAliveAnswerIsByteExactAndCarriesTheSequenceNumber)
{
    CollectingSink sink;
    std::atomic<std::uint32_t> sequence{0};
    CommandChannel channel(sink, sequence);
    for (int i = 0; i < 5; ++i)
        channel.send(FunnelInfoCommand());
    channel.send(KeepAliveAnswerCommand(1));
    ASSERT_EQ(sink.packets.size(), 6u);
    EXPECT_EQ(sink.packets[5].toHex(' '),
              QByteArray("01 00 00 00 ce fa 0b b0 20 00 00 00 4d 4d 53 20 04 00 00 00 05 00 00 00 00 00 00 00 "
                         "00 00 00 00 02 00 00 00 1b 00 03 00 01 00 00 00 ff ff 01 00"));
    EXPECT_EQ(sequence.load(), 6u);
    EXPECT_EQ(*LE16At(sink.packets[0], 20), 0);
}

TEST(CommandPacket, SequenceFieldWrapsAfter65536CommandsWhileTheCounterKeepsCounting)
{
    const QByteArray packet = BuildCommandPacket(FunnelInfoCommand(), 65536 + 7);
    EXPECT_EQ(*LE16At(packet, 20), 7);
    EXPECT_EQ(*LE16At(packet, 22), 0);
}

TEST(CommandPacket, EveryPacketIsPaddedToAMultipleOfEightWithConsistentLengthFields)
{
    for (int textLength = 0; textLength < 12; ++textLength) {
        for (int prefixLength = 0; prefixLength < 9; ++prefixLength) {
            CommandSpec command;
            command.id = 0x42;
            command.prefix = QByteArray(prefixLength, '\x7');
            command.text = QString(textLength, QLatin1Char('a'));
            const QByteArray p = BuildCommandPacket(command, 3);
            ASSERT_EQ(p.size() % 8, 0);
            EXPECT_EQ(*LE32At(p, 8), std::uint32_t(p.size() - 16));
            EXPECT_EQ(*LE32At(p, 16), std::uint32_t((p.size() - 16) / 8));
            EXPECT_EQ(*LE32At(p, 32), std::uint32_t((p.size() - 32) / 8));
            EXPECT_EQ(p.mid(12, 4), QByteArray("MMS "));
            EXPECT_EQ(p.mid(36, 4), QByteArray::fromHex("42000300"));
            EXPECT_EQ(p.mid(40 + prefixLength + 2 * textLength).count('\0'),
                      p.size() - 40 - prefixLength - 2 * textLength) << "padding is zero bytes";
        }
    }
}

TEST(CommandPacket, ConcurrentSendersGetUniqueNumbersAndWholePacketsInSequenceOrder)
{
    CollectingSink sink;
    std::atomic<std::uint32_t> sequence{0};
    CommandChannel channel(sink, sequence);
    std::vector<std::thread> senders;
    for (int t = 0; t < 4; ++t)
        senders.emplace_back([&] {
            for (int i = 0; i < 500; ++i)
                channel.send(KeepAliveAnswerCommand(1));
        });
    for (auto& s : senders)
        s.join();
    ASSERT_EQ(sink.packets.size(), 2000u);
    for (std::size_t i = 0; i < sink.packets.size(); ++i) {
        ASSERT_EQ(sink.packets[i].size(), 48);
        ASSERT_EQ(*LE16At(sink.packets[i], 20), i & 0xFFFF);
    }
}
