#include "mms/client_commands.h"
#include "asf/byte_helpers.h"
#include "mms/command_channel.h"
#include "mms/command_packet.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "support/golden.h"

#include <QRegularExpression>

#include <mutex>
#include <thread>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;

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

// A packet as lines of 32 bytes in hex, each named by `name` and its offset.
void AddHex(QStringList& lines, const QString& name, const QByteArray& bytes)
{
    for (qsizetype at = 0; at < bytes.size(); at += 32)
        lines << QStringLiteral("%1 +%2: ").arg(name).arg(at) + QString::fromLatin1(bytes.mid(at, 32).toHex(' '));
}

}  // namespace

TEST(ClientCommands, EveryCommandHasItsExactBytes)
{
    const std::pair<const char*, QByteArray> packets[] = {
        {"connect",
         BuildCommandPacket(ConnectCommand(u"  host123456 "_s, u"{0123ABCD-4567-89EF-0123-456789ABCDEF}"_s), 0)},
        {"transport tcp", BuildCommandPacket(TransportCommand(u"192.168.0.5"_s, false, u"1042"_s), 1)},
        {"transport udp", BuildCommandPacket(TransportCommand(u"127.0.0.1"_s, true, u"7000"_s), 1)},
        {"open file", BuildCommandPacket(OpenFileCommand(2, u" 新聞/直播.wmv "_s), 0)},
        {"start playing", BuildCommandPacket(StartPlayingCommand(1, 0xFFFFFFFF), 4)},
        {"header request", BuildCommandPacket(HeaderRequestCommand(7), 0)},
        {"stream selection", BuildCommandPacket(StreamSelectionCommand({{1, 0}, {2, 0}}), 0)},
        {"credentials", BuildCommandPacket(CredentialsCommand(1, QByteArray(20, 'Q')), 0)},
        {"keep-alive answer", BuildCommandPacket(KeepAliveAnswerCommand(1), 5)},
        // The sequence field wraps after 65536 commands while the counter keeps counting.
        {"funnel info 65543", BuildCommandPacket(FunnelInfoCommand(), 65536 + 7)},
    };
    QStringList lines;
    for (const auto& [name, bytes] : packets)
        AddHex(lines, QLatin1String(name), bytes);
    // Every packet is padded with zeros to a multiple of eight, its length fields agreeing.
    for (int text = 0; text < 12; text += 3)
        for (int prefix = 0; prefix < 9; prefix += 2)
            AddHex(
                lines, QStringLiteral("text %1 prefix %2").arg(text).arg(prefix),
                BuildCommandPacket({.id = 0x42, .prefix = QByteArray(prefix, '\x7'), .text = QString(text, u'a')}, 3));
    EXPECT_GOLDEN("mms/client_command_bytes", lines);

    const QString fresh = NewRegistryGuid();
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\}$")).match(fresh).hasMatch())
        << fresh.toStdString();
    EXPECT_NE(fresh, NewRegistryGuid());
}

TEST(ClientCommands, RunValuesChooseTheIncarnationStartLocationAndStreams)
{
    CollectingSink sink;
    RunState run;
    SessionState session;
    CommandChannel channel(sink, run.commandSequence);
    ClientCommands commands(channel, run, session);

    commands.sendStartPlaying();  // a fresh download starts at the beginning
    run.resume = true;
    run.storedPacketCount = 120;
    run.incarnation = 2;
    commands.sendStartPlaying();
    commands.sendKeepAliveAnswer();
    // A stream count past the table's ten entries selects the ten it holds, all on.
    for (std::size_t i = 0; i < kMaxStreams; ++i) {
        session.streamNumbers[i] = std::uint8_t(i + 1);
        session.streamActions[i] = 2;
    }
    run.streamCount = 14;
    commands.sendStreamSelection();
    QStringList lines{QStringLiteral("sequence %1").arg(run.commandSequence.load())};
    for (const QByteArray& p : sink.packets)
        AddHex(lines, QStringLiteral("sent"), p);
    EXPECT_GOLDEN("mms/client_commands_of_a_run", lines);
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
    EXPECT_EQ(sequence.load(), 2000u);
}
