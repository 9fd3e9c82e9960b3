// The command exchange of the server process, driven by a scripted client.

#include "mms-server/scripted_client.h"

#include "asf/byte_helpers.h"
#include "support/asf_sample.h"
#include "support/cli_runner.h"
#include "support/golden.h"
#include "support/mmsh_get.h"

#include <QFileInfo>
#include <QThread>
#include <QUdpSocket>

#include <QRegularExpression>

#include <gtest/gtest.h>

#include <future>

using namespace Qt::StringLiterals;

namespace tovrin::test {
namespace {

// The transcript with each run of data packets whose location and flags
// count up together (the same incarnation and size) told in one line.
QStringList DataRunsFolded(const QStringList& transcript)
{
    static const QRegularExpression data(
        QStringLiteral("^data location (\\d+) incarnation (\\d+) flags ([0-9a-f]{2}) size (\\d+)$"));
    QStringList folded;
    QString runStart;
    qulonglong first = 0, next = 0, nextFlags = 0;
    QString kind;
    const auto flush = [&] {
        if (!runStart.isEmpty())
            folded << (next - first == 1
                           ? runStart
                           : runStart + QStringLiteral(" .. %1 (%2 packets)").arg(next - 1).arg(next - first));
        runStart.clear();
    };
    for (const QString& line : transcript) {
        const QRegularExpressionMatch m = data.match(line);
        const QString lineKind = m.hasMatch() ? m.captured(2) + u' ' + m.captured(4) : QString();
        const qulonglong location = m.captured(1).toULongLong();
        const qulonglong flags = m.captured(3).toULongLong(nullptr, 16);
        if (m.hasMatch() && !runStart.isEmpty() && lineKind == kind && location == next
            && flags == (nextFlags & 0xFF)) {
            ++next;
            ++nextFlags;
            continue;
        }
        flush();
        if (!m.hasMatch()) {
            folded << line;
            continue;
        }
        runStart = line;
        kind = lineKind;
        first = location;
        next = location + 1;
        nextFlags = flags + 1;
    }
    flush();
    return folded;
}

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

// The transcript shows three funnel reports for a packet pair, the open-file
// figures, the header in flagged chunks, play from location 12 with every
// packet's location, incarnation and counter, then stop and close.
TEST_F(MmsExchange, PacketPairHeaderInChunksPlayFromALocationThenFromTheStart)
{
    ASSERT_TRUE(start(Args(u"--rate 0")));
    const AsfParts parts = ReadAsf(SamplePath(Sample::WmaSmallPackets));
    ScriptedClient client;
    ASSERT_TRUE(connect(client));
    client.connectCommand(0xF0F0F0F0);
    client.funnelInfo(0xF0F0F0F1);
    client.read(4);
    client.connectFunnel(QStringLiteral("\\\\127.0.0.1\\TCP\\1037"));
    client.read(1);
    client.openFile(QStringLiteral("packets-200.wma"));
    client.read(1);
    client.readBlock();
    client.read(1);
    client.readHeader();
    client.streamSwitch();
    client.read(1);
    // The started-playing reply, the packets, the end of the stream.
    const auto count = int(parts.packets.size());
    client.startPlaying(12, 9);
    client.read(count - 12 + 2);
    client.startPlaying(0xFFFFFFFF, 10);
    client.read(count + 2);
    QByteArray want = parts.header;
    for (const std::size_t from : {12, 0}) {
        for (std::size_t i = from; i < parts.packets.size(); ++i)
            want += parts.packets[i];
    }
    EXPECT_EQ(client.media, want);
    client.send(0x09, EncodeLE32(1) + EncodeLE32(11));  // stop playing, incarnation 11
    client.read(1);
    client.closeFile();
    EXPECT_TRUE(client.waitClosed());
    EXPECT_GOLDEN("mms-server/play_over_tcp", DataRunsFolded(client.transcript));
}

TEST_F(MmsExchange, UdpSendsThePacketPairThenTheHeaderAfterItsReply)
{
    ASSERT_TRUE(start());
    QUdpSocket udp;
    ASSERT_TRUE(udp.bind(QHostAddress(QHostAddress::LocalHost), 0));
    ScriptedClient client;
    ASSERT_TRUE(connect(client));
    client.connectCommand();
    client.funnelInfo(0xF0F0F901);  // UDP packet pair
    client.read(2);
    client.connectFunnel(QStringLiteral("\\\\10.9.8.7\\UDP\\%1").arg(udp.localPort()));
    client.read(1);
    client.openFile(QStringLiteral("sample.wma"));
    client.read(1);
    client.readBlock();
    MmsMessage datagram;
    for (int i = 0; i < 3 && (udp.hasPendingDatagrams() || udp.waitForReadyRead(5000)); ++i) {
        datagram.bytes.resize(qsizetype(udp.pendingDatagramSize()));
        udp.readDatagram(datagram.bytes.data(), datagram.bytes.size());
        client.transcript << QStringLiteral("udp ") + datagram.line();
    }
    EXPECT_EQ(datagram.payload(), ReadAsf(SamplePath(Sample::Wma)).header);
    // Commands stay on TCP, and the reply that announces the header is there
    // by the time the header's datagram is: players wait for it first.
    client.next(0);
    EXPECT_GOLDEN("mms-server/udp_packet_pair_and_header", client.transcript);
}

TEST_F(MmsExchange, ThreeWrongCredentialsEndTheConnection)
{
    ASSERT_TRUE(start(Args(u"--auth ann:secret")));
    ScriptedClient guesser;
    ASSERT_TRUE(connect(guesser));
    guesser.connectCommand();
    guesser.openFile(QStringLiteral("sample.wmv"));
    guesser.read(2);
    for (const char* guess : {"ann:1", "ann:2", "bob:secret"}) {
        guesser.securityResponse(QByteArray(guess).toBase64() + '\0');
        guesser.read(1);
    }
    EXPECT_TRUE(guesser.waitClosed());
    EXPECT_GOLDEN("mms-server/three_wrong_credentials", guesser.transcript);
}

// The golden file holds each name's open-file reply: not found, or access
// denied for a path that leaves the root. Malformed commands close only their
// own connection; a client that floods the server without reading harms no other.
TEST_F(MmsExchange, OnlyAsfFilesUnderTheRootOpenAndMalformedOrFloodingClientsHarmOnlyThemselves)
{
    ASSERT_TRUE(start());
    QStringList lines;
    for (const char* name : {"missing.wmv", "notes.txt", "../test-samples/sample.wmv", "/etc/passwd.asf"}) {
        ScriptedClient asker;
        ASSERT_TRUE(connect(asker));
        asker.openOverTcp(QString::fromLatin1(name));
        lines << QLatin1String(name) + QStringLiteral(": ") + asker.transcript.last();
    }
    EXPECT_GOLDEN("mms-server/only_asf_files_under_the_root_open", lines);

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
    EXPECT_NE(early.expect(0x05).value_or(MmsMessage()).u32(40), 0u) << "no error result";

    // A client that never reads cannot grow the server. (AddressSanitizer's
    // quarantine makes resident memory meaningless.) It stays connected while the next is served.
    ScriptedClient flood;
    if (!kAddressSanitizer) {
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
    }

    ScriptedClient fine;  // silent for longer than the server waits to tell MMS from HTTP, and still served
    ASSERT_TRUE(connect(fine));
    QThread::msleep(1300);
    EXPECT_TRUE(fine.openOverTcp(QStringLiteral("sample.wmv")));
    flood.socket().abort();  // the server would wait for it to drain
    EXPECT_EQ(server.stop(), 0);
    EXPECT_FALSE(server.log().contains(QLatin1String("(http)"))) << server.log().toStdString();
}

// An MMSH answer's chunk types, a run of one type as one ("HDECHD"), the size
// of each run of $H, and the location starting the last run.
struct Runs {
    QByteArray kinds;
    std::vector<qsizetype> headers;
    std::uint32_t location = 0;
};
Runs RunsOf(const MmshAnswer& answer)
{
    Runs runs;
    for (const MmshChunk& chunk : answer.chunks) {
        if (!runs.kinds.endsWith(chunk.type)) {
            runs.kinds += chunk.type;
            runs.location = chunk.location;
            runs.headers.push_back(0);
        }
        runs.headers.back() += chunk.type == 'H' ? chunk.payload.size() : 0;
    }
    return runs;
}

// Two entries (their headers of different sizes) aired in turn: at its
// entry's end a client moves on to the other's header (the last's next is the
// first), then its first packet, LocationIds counting on: over MMS by 0x1E
// result 1, 0x20, the header, 0x33 and 0x07; over MMSH by $E, $C and $H (not
// the end: more follows), or with --entry-change bare the $H alone.
TEST(MmsServerLive, APlaylistMovesItsClientsOnAtEachEntrysEndOverMmsAndMmsh)
{
    const AsfParts a = ReadAsf(SamplePath(Sample::Msmpeg4)), b = ReadAsf(SamplePath(Sample::Wma));
    const QStringList live = Args(u"--http-port 0 --live")
                             << u"show="_s + SamplePath(Sample::Msmpeg4) + u',' + SamplePath(Sample::Wma);
    ServerProcess server, bare;
    ASSERT_TRUE(server.start(live) && bare.start(live + Args(u"--entry-change bare")));
    const auto expectChange = [&](qsizetype from, qsizetype to, std::uint32_t location) {
        const bool onA = from == a.header.size();
        EXPECT_EQ(to, (onA ? b : a).header.size());
        EXPECT_EQ(location % (a.packets.size() + b.packets.size()), onA ? a.packets.size() : 0);
    };
    const auto get = [](quint16 port) {
        return RunsOf(MmshGet(port, "/show", "xPlayStrm=1", {}, QDeadlineTimer(20000), [](const QByteArray& all) {
            const QByteArray kinds = RunsOf(ParseMmshAnswer(all)).kinds;
            return kinds.size() > 2 && kinds.endsWith("HD");
        }));
    };
    auto announced = std::async(std::launch::async, get, server.httpPort());
    auto plain = std::async(std::launch::async, get, bare.httpPort());

    ScriptedClient client;
    ASSERT_TRUE(client.connectTo(server.port()) && client.readyToPlay(u"show"_s));
    const qsizetype first = std::exchange(client.media, {}).size();
    client.startPlaying();
    std::optional<MmsMessage> message = client.expect(0x05);
    for (int i = 0; i < 10000 && message && !(message->command && message->mid() == 0x1E); ++i)
        message = client.next(20000);
    ASSERT_TRUE(message && message->command && client.expect(0x20));
    EXPECT_EQ(message->u32(40), 1u);
    client.media.clear();
    client.readHeader();
    const qsizetype second = client.media.size();
    client.streamSwitch();
    client.startPlaying();
    const auto packet = client.expect(0x21) && client.expect(0x05) ? client.next(20000) : std::nullopt;
    ASSERT_TRUE(packet && !packet->command);
    expectChange(first, second, packet->u32(0));
    for (const auto& [runs, kinds] : {std::pair{announced.get(), "HDECHD"}, {plain.get(), "HDHD"}}) {
        EXPECT_EQ(runs.kinds, kinds);
        expectChange(runs.headers.front(), runs.headers[runs.kinds.size() - 2], runs.location);
    }
}

TEST(MmsServerProgram, BadStartsExitWithAnError)
{
    EXPECT_EQ(RunProgram(ServerProcess::program(), {QStringLiteral("--rate=quick")}, nullptr, 10000), 2);
    EXPECT_EQ(RunProgram(ServerProcess::program(), Args(u"--port=0 --live=x=/no/such/file.wmv"), nullptr, 10000), 1);
    QByteArray help;
    EXPECT_EQ(RunProgram(ServerProcess::program(), {QStringLiteral("--help")}, &help, 10000), 0);
    EXPECT_TRUE(help.contains("--live-style"));
}

}  // namespace
}  // namespace tovrin::test
