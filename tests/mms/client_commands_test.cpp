#include "mms/client_commands.h"
#include "asf/byte_helpers.h"
#include "mms/command_channel.h"
#include "mms/command_packet.h"
#include "state/run_state.h"
#include "state/session_state.h"

#include <QRegularExpression>

#include <mutex>
#include <thread>

#include <gtest/gtest.h>

using namespace tovrin;

namespace {

QString utf16Text(const QByteArray& bytes)
{
    QString text;
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        text.append(QChar(char16_t(*LE16At(bytes, i))));
    return text;
}

struct CollectingSink : ByteSink {
    std::mutex lock;
    std::vector<QByteArray> packets;
    QByteArray last() { return packets.back(); }
    void write(const QByteArray& bytes) override
    {
        std::lock_guard guard(lock);
        packets.push_back(bytes);
    }
};

}  // namespace

TEST(ClientCommands, ConnectIdentifiesThePlayerWithAFreshGuidAndTheHost)
{
    const QString guid = QStringLiteral("{0123ABCD-4567-89EF-0123-456789ABCDEF}");
    const QByteArray p = BuildCommandPacket(ConnectCommand(QStringLiteral("  host123456 "), guid), 0);
    ASSERT_EQ(p.size(), 208);
    EXPECT_EQ(*LE32At(p, 8), 192u);
    EXPECT_EQ(*LE32At(p, 16), 24u);
    EXPECT_EQ(*LE32At(p, 32), 22u);
    EXPECT_EQ(p.mid(36, 4), QByteArray::fromHex("01000300"));
    EXPECT_EQ(p.mid(40, 4), QByteArray::fromHex("F0F0F0F0"));
    EXPECT_EQ(p.mid(44, 8), QByteArray::fromHex("0B0004001C000300"));
    EXPECT_EQ(utf16Text(p.mid(52)),
              QStringLiteral("NSPlayer/7.0.0.1956; ") + guid + QStringLiteral("; Host: host123456") + QChar(0));

    const QString fresh = NewRegistryGuid();
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\}$")).match(fresh).hasMatch())
        << fresh.toStdString();
    EXPECT_NE(fresh, NewRegistryGuid());
}

TEST(ClientCommands, TransportNamesTheLocalAddressProtocolAndPort)
{
    const QByteArray tcp =
        BuildCommandPacket(TransportCommand(QStringLiteral("192.168.0.5"), false, QStringLiteral("1042")), 1);
    EXPECT_EQ(tcp.mid(40, 20), QByteArray::fromHex("F1F0F0F0FFFFFFFF000000000000A00002000000"));
    EXPECT_EQ(utf16Text(tcp.mid(60)).section(QChar(0), 0, 0), QStringLiteral("\\\\192.168.0.5\\TCP\\1042"));
    const QByteArray udp =
        BuildCommandPacket(TransportCommand(QStringLiteral("127.0.0.1"), true, QStringLiteral("7000")), 1);
    EXPECT_EQ(utf16Text(udp.mid(60)).section(QChar(0), 0, 0), QStringLiteral("\\\\127.0.0.1\\UDP\\7000"));
}

TEST(ClientCommands, OpenFileSendsThePathAsRealUtf16)
{
    const QByteArray p = BuildCommandPacket(OpenFileCommand(2, QStringLiteral(" 新聞/直播.wmv ")), 0);
    EXPECT_EQ(p.mid(40, 16), QByteArray::fromHex("02000000FFFFFFFF0000000000000000"));
    EXPECT_EQ(p.mid(56, 12), QByteArray::fromHex("b0655e802f00f476ad642e00"));
    EXPECT_EQ(utf16Text(p.mid(56)).section(QChar(0), 0, 0), QStringLiteral("新聞/直播.wmv"));
}

TEST(ClientCommands, FixedSizeCommandsHaveTheirExactBytes)
{
    const QByteArray start = BuildCommandPacket(StartPlayingCommand(1, 0xFFFFFFFF), 4);
    ASSERT_EQ(start.size(), 72);
    EXPECT_EQ(start.mid(40), QByteArray::fromHex("01000000FFFF01000000000000000000FFFFFFFFFFFFFFFF0000000004000000"));

    const QByteArray header = BuildCommandPacket(HeaderRequestCommand(7), 0);
    ASSERT_EQ(header.size(), 88);
    EXPECT_EQ(header.mid(40), EncodeLE32(7) + QByteArray(8, '\0') + QByteArray::fromHex("00800000FFFFFFFF")
                                  + QByteArray(16, '\0') + QByteArray::fromHex("0020AC4002") + QByteArray(7, '\0'));

    const QByteArray selection = BuildCommandPacket(StreamSelectionCommand({{1, 0}, {2, 0}}), 0);
    ASSERT_EQ(selection.size(), 64);
    EXPECT_EQ(
        selection.mid(32).toHex(' ').toUpper(),
        QByteArray("04 00 00 00 33 00 03 00 02 00 00 00 FF FF 01 00 00 00 FF FF 02 00 00 00 00 00 00 20 AC 40 02 00"));

    const QByteArray credentials = BuildCommandPacket(CredentialsCommand(1, QByteArray(20, 'Q')), 0);
    EXPECT_EQ(credentials.mid(40, 12), QByteArray::fromHex("010000000100000019000000"));
    EXPECT_EQ(credentials.mid(52, 24), QByteArray(20, 'Q') + QByteArray(4, '\0'));
}

TEST(ClientCommands, RunValuesChooseTheIncarnationStartLocationAndStreams)
{
    CollectingSink sink;
    RunState run;
    SessionState session;
    CommandChannel channel(sink, run.commandSequence);
    ClientCommands commands(channel, run, session);

    commands.sendStartPlaying();
    EXPECT_EQ(*LE32At(sink.last(), 60), 0xFFFFFFFFu) << "a fresh download starts at the beginning";
    run.resume = true;
    run.storedPacketCount = 120;
    run.incarnation = 2;
    commands.sendStartPlaying();
    EXPECT_EQ(*LE32At(sink.last(), 60), 120u);
    EXPECT_EQ(*LE32At(sink.last(), 40), 2u);

    commands.sendKeepAliveAnswer();
    EXPECT_EQ(*LE32At(sink.last(), 40), 2u);

    // A stream count past the table's ten entries selects the ten it holds, all on.
    for (std::size_t i = 0; i < kMaxStreams; ++i) {
        session.streamNumbers[i] = std::uint8_t(i + 1);
        session.streamActions[i] = 2;
    }
    run.streamCount = 14;
    commands.sendStreamSelection();
    EXPECT_EQ(*LE32At(sink.last(), 40), 10u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(sink.last().mid(44 + 6 * i, 6), QByteArray::fromHex("FFFF") + char(i + 1) + QByteArray(3, '\0'));
    EXPECT_EQ(sink.last().mid(104, 7), QByteArray::fromHex("00000020AC4002"));
    EXPECT_EQ(run.commandSequence.load(), 4u);
}

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
            CommandFields command;
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
                      p.size() - 40 - prefixLength - 2 * textLength)
                << "padding is zero bytes";
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
