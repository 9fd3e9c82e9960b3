#include "app/state/run_state.h"
#include "asf/byte_helpers.h"
#include "mms/client_commands.h"
#include "mms/command_channel.h"

#include <QRegularExpression>

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

struct LastPacketSink : ByteSink {
    QByteArray last;
    void write(const QByteArray& bytes) override { last = bytes; }
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
    EXPECT_EQ(utf16Text(p.mid(52)), QStringLiteral("NSPlayer/7.0.0.1956; ") + guid
                                        + QStringLiteral("; Host: host123456") + QChar(0));

    const QString fresh = NewRegistryGuid();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\}$"))
                    .match(fresh).hasMatch()) << fresh.toStdString();
    EXPECT_NE(fresh, NewRegistryGuid());
}

TEST(ClientCommands, TransportNamesTheLocalAddressProtocolAndPort)
{
    const QByteArray tcp = BuildCommandPacket(TransportCommand(QStringLiteral("192.168.0.5"), false, QStringLiteral("1042")), 1);
    EXPECT_EQ(tcp.mid(40, 20), QByteArray::fromHex("F1F0F0F0FFFFFFFF000000000000A00002000000"));
    EXPECT_EQ(utf16Text(tcp.mid(60)).section(QChar(0), 0, 0), QStringLiteral("\\\\192.168.0.5\\TCP\\1042"));
    const QByteArray udp = BuildCommandPacket(TransportCommand(QStringLiteral("127.0.0.1"), true, QStringLiteral("7000")), 1);
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
    EXPECT_EQ(selection.mid(32).toHex(' ').toUpper(),
              QByteArray("04 00 00 00 33 00 03 00 02 00 00 00 FF FF 01 00 00 00 FF FF 02 00 00 00 00 00 00 20 AC 40 02 00"));

    const QByteArray credentials = BuildCommandPacket(CredentialsCommand(1, QByteArray(20, 'Q')), 0);
    EXPECT_EQ(credentials.mid(40, 12), QByteArray::fromHex("010000000100000019000000"));
    EXPECT_EQ(credentials.mid(52, 24), QByteArray(20, 'Q') + QByteArray(4, '\0'));
}

TEST(ClientCommands, RunValuesChooseTheIncarnationStartLocationAndStreams)
{
    LastPacketSink sink;
    RunState run;
    CommandChannel channel(sink, run.commandSequence);
    ClientCommands commands(channel, run);

    commands.sendStartPlaying();
    EXPECT_EQ(*LE32At(sink.last, 60), 0xFFFFFFFFu) << "a fresh download starts at the beginning";
    run.resume = true;
    run.storedPacketCount = 120;
    run.incarnation = 2;
    commands.sendStartPlaying();
    EXPECT_EQ(*LE32At(sink.last, 60), 120u);
    EXPECT_EQ(*LE32At(sink.last, 40), 2u);

    commands.sendKeepAliveAnswer();
    EXPECT_EQ(*LE32At(sink.last, 40), 2u);

    // A stream count past the table's ten entries selects the ten it holds, all on.
    for (std::size_t i = 0; i < kMaxStreams; ++i) {
        run.streamNumbers[i] = std::uint8_t(i + 1);
        run.streamActions[i] = 2;
    }
    run.streamCount = 14;
    commands.sendStreamSelection();
    EXPECT_EQ(*LE32At(sink.last, 40), 10u);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(sink.last.mid(44 + 6 * i, 6), QByteArray::fromHex("FFFF") + char(i + 1) + QByteArray(3, '\0'));
    EXPECT_EQ(sink.last.mid(104, 7), QByteArray::fromHex("00000020AC4002"));
    EXPECT_EQ(run.commandSequence.load(), 4u);
}
