// The command exchange of the server process, driven by a scripted client.

#include "mms-server/scripted_client.h"

#include "asf/byte_helpers.h"
#include "support/asf_sample.h"
#include "support/cli_runner.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QUdpSocket>

#include <gtest/gtest.h>

#include <vector>

namespace tovrin::test {
namespace {

// The server process on the samples' folder, and clients connected to it.
class MmsExchange : public ::testing::Test {
protected:
    bool start(const QStringList& more = {})
    {
        SamplePath(Sample::WmaSmallPackets);
        return server.start(QStringList{QStringLiteral("--root"), QFileInfo(SamplePath(Sample::Wmv)).absolutePath()}
                            + more);
    }
    bool connect(ScriptedClient& client) const { return client.connectTo(server.port()); }

    ServerProcess server;
};

struct Played {
    std::vector<MmsMessage> media;
    std::optional<MmsMessage> end;  // the 0x1E that closed the stream
};

Played playToEnd(ScriptedClient& client, int timeoutMs = 20000)
{
    Played played;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        auto message = client.next(timeoutMs);
        if (!message)
            break;
        if (message->command) {
            if (message->mid() == 0x1E) {
                played.end = message;
                break;
            }
            continue;
        }
        played.media.push_back(*message);
    }
    return played;
}

TEST_F(MmsExchange, PacketPairGetsThreeFunnelReports)
{
    ASSERT_TRUE(start());

    ScriptedClient pair;
    ASSERT_TRUE(connect(pair));
    pair.connectCommand(0xF0F0F0F0);
    const auto connected = pair.expect(0x01);
    ASSERT_TRUE(connected);
    EXPECT_EQ(connected->u32(40), 0u);
    EXPECT_EQ(connected->u32(44), 0xF0F0F0F0u);
    pair.funnelInfo(0xF0F0F0F1);
    const qsizetype sizes[] = {512, 512, 1056};
    for (const qsizetype size : sizes) {
        const auto report = pair.expect(0x15);
        ASSERT_TRUE(report);
        EXPECT_EQ(report->bytes.size(), size);
        EXPECT_EQ(report->u32(44), 0xF0F0F0F1u);
    }
    pair.connectFunnel(QStringLiteral("\\\\127.0.0.1\\TCP\\1037"));
    EXPECT_TRUE(pair.expect(0x02));  // and no fourth report before it
}

TEST_F(MmsExchange, HeaderInFlaggedChunksThenPlayFromTheLocationAskedForToTheEnd)
{
    ASSERT_TRUE(start(Args(u"--rate 0")));
    const AsfParts parts = ReadAsf(SamplePath(Sample::WmaSmallPackets));
    ASSERT_GT(parts.header.size(), 2 * qsizetype(parts.packetSize));
    ASSERT_GT(parts.packets.size(), 20u);

    ScriptedClient client;
    ASSERT_TRUE(connect(client));
    const auto open = client.openOverTcp(QStringLiteral("packets-200.wma"));
    ASSERT_TRUE(open);  // it describes the file
    const qsizetype fpo = parts.header.indexOf(QByteArray::fromHex("A1DCAB8C47A9CF118EE400C00C205365"));
    EXPECT_EQ(open->u32(60), 0x01000000u);
    EXPECT_NEAR(open->f64(64), 6.0, 0.5);
    EXPECT_EQ(open->u32(72), std::uint32_t(std::ceil(open->f64(64))));
    EXPECT_EQ(open->u32(92), parts.packetSize);
    EXPECT_EQ(open->u64(96), parts.packets.size());
    EXPECT_EQ(open->u32(104), LE32At(parts.header, fpo + 100).value());
    EXPECT_EQ(open->u32(108), std::uint32_t(parts.header.size()));
    client.readBlock(2);
    ASSERT_TRUE(client.expect(0x11));
    const auto chunks = client.readHeader();
    ASSERT_GE(chunks.size(), 3u);
    QByteArray header;
    for (size_t i = 0; i < chunks.size(); ++i) {
        EXPECT_EQ(chunks[i].location(), i);
        EXPECT_EQ(chunks[i].afFlags(), i + 1 == chunks.size() ? 0x0C : 0x04);
        EXPECT_LE(chunks[i].payload().size(), qsizetype(parts.packetSize));
        header += chunks[i].payload();
    }
    EXPECT_EQ(header, parts.header);

    client.streamSwitch();
    ASSERT_TRUE(client.expect(0x21));
    client.startPlaying(12, 9);
    const auto started = client.expect(0x05);
    ASSERT_TRUE(started);
    EXPECT_EQ(started->u32(44), 9u);
    const Played played = playToEnd(client);
    ASSERT_EQ(played.media.size(), parts.packets.size() - 12);
    for (size_t i = 0; i < played.media.size(); ++i) {
        EXPECT_EQ(played.media[i].location(), 12 + i);
        EXPECT_EQ(played.media[i].incarnation(), 9);
        EXPECT_EQ(played.media[i].afFlags(), std::uint8_t(i));
        EXPECT_EQ(played.media[i].payload(), parts.packets[12 + i]) << i;
    }
    ASSERT_TRUE(played.end);
    EXPECT_EQ(played.end->u32(44), 9u);

    // Play again from the start (0xFFFFFFFF): the whole file; then stop and close.
    client.startPlaying(0xFFFFFFFF, 10);
    ASSERT_TRUE(client.expect(0x05));
    EXPECT_EQ(playToEnd(client).media.size(), parts.packets.size());
    client.stopPlaying(11);
    const auto stopped = client.expect(0x1E);
    ASSERT_TRUE(stopped);
    EXPECT_EQ(stopped->u32(44), 11u);
    client.closeFile();
    EXPECT_TRUE(client.waitClosed());
}

TEST_F(MmsExchange, UdpSendsThePacketPairThenTheHeaderAfterItsReply)
{
    ASSERT_TRUE(start());
    QUdpSocket udp;
    ASSERT_TRUE(udp.bind(QHostAddress(QHostAddress::LocalHost), 0));
    const auto datagram = [&udp]() -> std::optional<MmsMessage> {
        if (!udp.hasPendingDatagrams() && !udp.waitForReadyRead(5000))
            return std::nullopt;
        MmsMessage message;
        message.bytes.resize(qsizetype(udp.pendingDatagramSize()));
        udp.readDatagram(message.bytes.data(), message.bytes.size());
        return message;
    };

    ScriptedClient client;
    ASSERT_TRUE(connect(client));
    client.connectCommand();
    ASSERT_TRUE(client.expect(0x01));
    client.funnelInfo(0xF0F0F901);  // UDP packet pair
    ASSERT_TRUE(client.expect(0x15));
    client.connectFunnel(QStringLiteral("\\\\10.9.8.7\\UDP\\%1").arg(udp.localPort()));
    ASSERT_TRUE(client.expect(0x02));
    client.openFile(QStringLiteral("sample.wma"));
    ASSERT_TRUE(client.expect(0x06));
    client.readBlock(2);
    for (std::uint32_t i = 0; i < 2; ++i) {
        const auto pair = datagram();
        ASSERT_TRUE(pair);
        EXPECT_EQ(pair->location(), 0xF0F0F000u + i);
        EXPECT_EQ(pair->incarnation(), 0xFF);
        EXPECT_EQ(pair->afFlags(), 0x10);
    }
    const auto header = datagram();
    ASSERT_TRUE(header);
    EXPECT_EQ(header->payload(), ReadAsf(SamplePath(Sample::Wma)).header);
    // Commands stay on TCP, and the reply that announces the header is there
    // by the time the header's datagram is: players wait for it first.
    EXPECT_TRUE(client.expect(0x11, 0)) << "the header datagram overtook its reply";
}

TEST_F(MmsExchange, ThreeWrongCredentialsEndTheConnection)
{
    ASSERT_TRUE(start(Args(u"--auth ann:secret")));
    ScriptedClient guesser;
    ASSERT_TRUE(connect(guesser));
    guesser.connectCommand();
    ASSERT_TRUE(guesser.expect(0x01));
    guesser.openFile(QStringLiteral("sample.wmv"));
    ASSERT_TRUE(guesser.expect(0x1A));
    for (const char* guess : {"ann:1", "ann:2", "bob:secret"}) {
        guesser.securityResponse(QByteArray(guess).toBase64() + '\0');
        const auto no = guesser.expect(0x06);
        ASSERT_TRUE(no);
        EXPECT_EQ(no->u32(40), 0x80070005u);
    }
    EXPECT_TRUE(guesser.waitClosed());
}

TEST_F(MmsExchange, OnlyAsfFilesUnderTheRootOpen)
{
    ASSERT_TRUE(start());
    const std::pair<QString, std::uint32_t> cases[] = {
        {QStringLiteral("missing.wmv"), 0xC00D001A},
        {QStringLiteral("notes.txt"), 0xC00D001A},
        {QStringLiteral("../test-samples/sample.wmv"), 0x80070005},
        {QStringLiteral("/etc/passwd.asf"), 0xC00D001A},
    };
    for (const auto& [name, result] : cases) {
        ScriptedClient asker;
        ASSERT_TRUE(connect(asker));
        const auto reply = asker.openOverTcp(name);
        ASSERT_TRUE(reply) << name.toStdString();
        EXPECT_EQ(reply->u32(40), result) << name.toStdString();
    }
}

TEST_F(MmsExchange, MalformedCommandsCloseOnlyTheirConnection)
{
    ASSERT_TRUE(start());
    QByteArray wrongSeal = QByteArray::fromHex("01000000CEFA0BB018000000") + "HTTP" + QByteArray(24, '\0');
    QByteArray huge = QByteArray::fromHex("01000000CEFA0BB0") + EncodeLE32(0x7FFFFFF0) + "MMS ";
    QByteArray wrongSession = QByteArray::fromHex("0100000078563412180000004D4D5320") + QByteArray(24, '\0');
    QByteArray noMessageId = QByteArray::fromHex("01000000CEFA0BB0080000004D4D5320") + QByteArray(8, '\0');
    QByteArray nearlyHttp = "GET/sample.wmv HTTP/1.0\r\n\r\n";  // HTTP requests are answered over MMSH
    for (const QByteArray& junk : {wrongSeal, huge, wrongSession, noMessageId, nearlyHttp}) {
        ScriptedClient client;
        ASSERT_TRUE(connect(client));
        client.sendRaw(junk);
        EXPECT_TRUE(client.waitClosed()) << junk.toHex().toStdString();
    }

    ScriptedClient chatty;  // unknown commands are ignored, up to a point
    ASSERT_TRUE(connect(chatty));
    for (int i = 0; i < 20; ++i)
        chatty.send(0x77, EncodeLE32(1));
    EXPECT_TRUE(chatty.waitClosed());

    ScriptedClient early;  // play before open: an error result, not a crash
    ASSERT_TRUE(connect(early));
    early.startPlaying();
    const auto refused = early.expect(0x05);
    ASSERT_TRUE(refused);
    EXPECT_NE(refused->u32(40), 0u);

    ScriptedClient fine;  // silent for longer than the server waits to tell MMS from HTTP
    ASSERT_TRUE(connect(fine));
    QThread::msleep(1300);
    EXPECT_TRUE(fine.openOverTcp(QStringLiteral("sample.wmv")));
    EXPECT_EQ(server.stop(), 0);
    EXPECT_FALSE(server.log().contains(QLatin1String("(http)"))) << server.log().toStdString();
}

TEST_F(MmsExchange, AClientThatNeverReadsCannotGrowTheServer)
{
    if (kAddressSanitizer)
        GTEST_SKIP() << "AddressSanitizer's quarantine makes resident memory meaningless here";
    ASSERT_TRUE(start());
    ScriptedClient flood;
    ASSERT_TRUE(connect(flood));
    const qint64 before = server.residentKiB();
    ASSERT_GT(before, 0);
    // Each packet-pair request asks for 2 KB of replies: 120 MB if all were answered.
    QByteArray requests;
    for (int i = 0; i < 60000; ++i)
        requests += QByteArray::fromHex(
            "01000000CEFA0BB0200000004D4D532004000000000000000000000000000000"
            "0200000018000300F1F0F0F00B000400");
    flood.socket().write(requests);
    for (int i = 0; i < 20; ++i)
        flood.socket().waitForBytesWritten(100);
    QThread::msleep(300);
    EXPECT_LT(server.residentKiB() - before, 16 * 1024);

    ScriptedClient other;  // the server still serves everyone else
    ASSERT_TRUE(connect(other));
    EXPECT_TRUE(other.openOverTcp(QStringLiteral("sample.wmv")));
}

TEST(MmsServerProgram, BadStartsExitWithAnError)
{
    EXPECT_EQ(RunProgram(ServerProcess::program(), {QStringLiteral("--rate=quick")}, nullptr, 10000), 2);
    EXPECT_EQ(RunProgram(ServerProcess::program(),
                         {QStringLiteral("--port=0"), QStringLiteral("--live=x=/no/such/file.wmv")}, nullptr, 10000),
              1);
    QByteArray help;
    EXPECT_EQ(RunProgram(ServerProcess::program(), {QStringLiteral("--help")}, &help, 10000), 0);
    EXPECT_TRUE(help.contains("--live-style"));
}

}  // namespace
}  // namespace tovrin::test
