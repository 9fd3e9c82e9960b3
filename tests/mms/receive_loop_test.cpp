#include "mms/receive_loop.h"
#include "asf/byte_helpers.h"
#include "mms/client_commands.h"
#include "mms/command_channel.h"
#include "mms/command_packet.h"
#include "mms/receive_buffer.h"
#include "mms/receive_front.h"
#include "run/event_queue.h"
#include "support/asf_builder.h"
#include "support/asf_sample.h"
#include "support/golden.h"
#include "support/golden_line.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

#include <atomic>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

using namespace tovrin;
using Lane = ReceiveBuffer::Lane;
using namespace Qt::StringLiterals;
using test::DataPacket;
using test::ServerCommand;

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

// The name of an event, and what it carries that a rule is about.
QString Shown(const LinkEvent& event)
{
    return std::visit(
        [](const auto& e) -> QString {
            using E = std::decay_t<decltype(e)>;
            if constexpr (std::is_same_v<E, link::Log>)
                return u"log "_s + e.line;
            else if constexpr (std::is_same_v<E, link::Message>)
                return u"message "_s + e.text;
            else if constexpr (std::is_same_v<E, link::Failed>)
                return u"failed "_s + e.logLine + u'|' + e.message;
            else if constexpr (std::is_same_v<E, link::ServerError>)
                return u"server error "_s + QString::number(e.code, 16);
            else if constexpr (std::is_same_v<E, link::Packet>)
                return u"packet %1 %2"_s.arg(e.number.value()).arg(e.payload.size());
            else if constexpr (std::is_same_v<E, link::Header>)
                return u"header %1"_s.arg(e.bytes.size());
            else if constexpr (std::is_same_v<E, link::CredentialsAsked>)
                return u"credentials "_s + e.challenge;
            else if constexpr (std::is_same_v<E, link::StreamingStarts>)
                return u"streaming"_s;
            else if constexpr (std::is_same_v<E, link::EndOfStream>)
                return u"end of stream"_s;
            else if constexpr (std::is_same_v<E, link::EntryEnded>)
                return u"entry ended"_s;
            else if constexpr (std::is_same_v<E, link::Lost>)
                return u"lost %1"_s.arg(int(e.kind));
            else
                return QString();  // progress, counts: no rule here is about them
        },
        event);
}

// A connection's exchange on its own thread, fed by the test.
struct LoopHarness {
    CollectingSink sink;
    std::atomic<std::uint32_t> sequence{0};
    CommandChannel channel{sink, sequence};
    ReceiveBuffer buffer;
    RunEventQueue queue{[] {}};
    std::atomic<bool> stop{false};
    ReceiveLoop loop{buffer, channel, queue, ExchangeSetup{u"host"_s, u"a.wmv"_s, u"127.0.0.1"_s, u"1042"_s, false, {}},
                     stop};
    std::thread thread;
    QStringList events;  // shown, those with nothing to show left out

    // Starts the loop if it is not running, then waits until `done` holds (or 5 s).
    template <typename Done>
    bool waitUntil(Done done)
    {
        if (!thread.joinable())
            thread = std::thread([this] { loop.run(); });
        QDeadlineTimer deadline(5000);
        for (;;) {
            for (const LinkEvent& event : queue.takeAll())
                if (const QString shown = Shown(event); !shown.isEmpty())
                    events << shown;
            if (done() || deadline.hasExpired())
                return done();
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    }
    bool waitFor(const QString& event)
    {
        return waitUntil([&] { return events.contains(event); });
    }
    // The commands answered so far, after the connect command the loop starts with.
    QString commandsSent()
    {
        std::lock_guard guard(sink.lock);
        QStringList ids;
        for (std::size_t i = 1; i < sink.packets.size(); ++i)
            ids << QString::number(std::uint8_t(sink.packets[i][36]), 16).rightJustified(2, u'0');
        return ids.join(u' ');
    }
    QByteArray lastCommand()
    {
        std::lock_guard guard(sink.lock);
        return sink.packets.back();
    }
    void finish()
    {
        stop = true;
        buffer.wake();
        if (thread.joinable())
            thread.join();
    }
    ~LoopHarness() { finish(); }
};

}  // namespace

// What the client answers to each reply of the handshake, and which replies
// end the exchange.
TEST(ReceiveLoop, AnswersEachReplyOfTheHandshakeOrEndsTheExchange)
{
    constexpr std::uint32_t kMoreFollow = 0xF0F0F0F1;
    const struct {
        const char* what;
        QByteArray stream;
        QString until;  // the event the exchange gets to
        QString commands;
    } scenarios[] = {
        // A packet-pair train is three marked reports: the transport goes out
        // after the third. The first is too short for its client count: told,
        // and the exchange goes on. The selection's answer starts the play.
        {"packet-pair train",
         ServerCommand(0x01) + ServerCommand(0x15, 56, {{44, kMoreFollow}})
             + ServerCommand(0x15, 80, {{44, kMoreFollow}}) + ServerCommand(0x15, 80, {{44, kMoreFollow}})
             + ServerCommand(0x02) + ServerCommand(0x1B) + ServerCommand(0x21) + ServerCommand(0x05),
         u"streaming"_s, u"18 02 05 1b 07"_s},
        // A server without packet-pair sends one report saying none follow; a
        // stray one later is ignored.
        {"one funnel report", ServerCommand(0x15, 80, {{44, 0xF0F0F0EF}}) + ServerCommand(0x15, 80),
         u"log - Funnel report after the transport request, ignored"_s, u"02"_s},
        {"transport refused", ServerCommand(0x03), u"failed 錯誤: 通過連接失敗|"_s, QString()},
        {"an error code", ServerCommand(0x06, 152, {{40, 0xC00D001A}}), u"server error c00d001a"_s, QString()},
        {"a command shorter than its header", ServerCommand(0x1B, 48, {{8, 8}}),
         u"failed - MMS command length error|"_s, QString()},
        // Nor can a stream change amid the stream, before any entry ended.
        {"stream change amid the stream", ServerCommand(0x20, 64, {{48, 99}}),
         u"log New or unhandled MMS command - 20"_s, QString()},
        // Media before the engine asks for it has no slot size: dropped, told once.
        {"media before the header",
         DataPacket(0, 4, QByteArray(92, 'p')) + DataPacket(1, 4, QByteArray(92, 'p')) + ServerCommand(0x1B),
         u"log - Media packet before the ASF header, dropped"_s, u"1b"_s},
    };
    for (const auto& s : scenarios) {
        SCOPED_TRACE(s.what);
        LoopHarness h;
        h.buffer.append(Lane::Stream, s.stream);
        ASSERT_TRUE(h.waitFor(s.until)) << h.events.join(u'\n').toStdString();
        h.waitUntil([&] { return h.commandsSent() == s.commands; });
        EXPECT_EQ(h.commandsSent(), s.commands);
        EXPECT_EQ(h.events.filter(QRegularExpression(u"^packet "_s)).size(), 0);
        EXPECT_LE(h.events.filter(u"Media packet before"_s).size(), 1);
    }
}

// The server's challenge goes to the engine; the credentials it answers go
// out with the play incarnation, which then moves on.
TEST(ReceiveLoop, CredentialsAreAskedOfTheEngineAndItsAnswerSent)
{
    LoopHarness h;
    const QByteArray realm = test::asf::Utf16(u"realm=\"r\""_s);
    h.buffer.append(Lane::Stream,
                    ServerCommand(0x1A, 96, {{48, std::uint32_t(realm.size())}}).replace(52, realm.size(), realm));
    ASSERT_TRUE(h.waitFor(u"credentials realm=\"r\""_s));
    h.buffer.postOrder({ExchangeOrder::Kind::Credentials, {}, "dXNlcjpwYXNz"});
    h.buffer.append(Lane::Stream, ServerCommand(0x1B));
    ASSERT_TRUE(h.waitUntil([&] { return h.commandsSent() == u"1a 1b"_s; })) << h.commandsSent().toStdString();
    EXPECT_EQ(LE32At(h.lastCommand(), 40), 2u) << "the keep-alive answer carries the next incarnation";
}

// The header is collected from its pieces and handed over with the file's
// figures; the media is asked for as the engine says, from where it says,
// and each packet handed over in order until the end of the stream.
TEST(ReceiveLoop, TheHeaderGoesToTheEngineAndTheMediaIsAskedForAsItOrders)
{
    const test::AsfParts source = test::ReadAsf(test::SamplePath(test::Sample::Wma));
    ASSERT_GT(source.packets.size(), 2u);
    for (const Lane lane : {Lane::Stream, Lane::Datagrams}) {
        SCOPED_TRACE(lane == Lane::Stream ? "over TCP" : "over UDP");
        LoopHarness h;
        h.buffer.append(Lane::Stream, ServerCommand(0x06, 152,
                                                    {{92, source.packetSize},
                                                     {96, std::uint32_t(source.packets.size())},
                                                     {108, std::uint32_t(source.header.size())}}));
        ASSERT_TRUE(h.waitFor(u"log 要求 ASF 標題... 等候中"_s));
        // Over UDP the header can overtake the 0x11 that announces it on TCP.
        h.buffer.append(lane, DataPacket(0, 2, source.header.first(100)));
        h.buffer.append(lane, DataPacket(0, 2, source.header.sliced(100)));
        h.buffer.append(Lane::Stream, ServerCommand(0x11));
        ASSERT_TRUE(h.waitFor(u"header %1"_s.arg(source.header.size())));
        EXPECT_EQ(h.commandsSent(), u"15"_s);
        h.buffer.postOrder({ExchangeOrder::Kind::Media, MediaRequest{{{1, kStreamOn}, {2, kStreamOn}}, 5}, {}});
        h.buffer.append(Lane::Stream, ServerCommand(0x21));
        ASSERT_TRUE(h.waitUntil([&] { return h.commandsSent() == u"15 33 07"_s; }));
        EXPECT_EQ(LE32At(h.lastCommand(), 60), 5u) << "played from the packet the engine named";
        h.buffer.append(lane, DataPacket(5, 4, source.packets[0]) + DataPacket(6, 4, "short"));
        h.buffer.append(Lane::Stream, ServerCommand(0x1E));
        ASSERT_TRUE(h.waitFor(u"end of stream"_s));
        EXPECT_EQ(h.events.filter(QRegularExpression(u"^packet "_s)),
                  QStringList({u"packet 5 %1"_s.arg(source.packets[0].size()), u"packet 6 5"_s}));
    }
}

// Figures no header fits end in an error before a byte is taken; a prefix
// below its own 8 bytes would never move the buffer on; a stop ends a wait
// for the rest of a header without telling anything.
TEST(ReceiveLoop, AHeaderThatCannotBeCollectedEndsTheExchangeAndAStopEndsItsWait)
{
    for (const auto& [what, packetSize, header] :
         {std::tuple{"no packet size", 0u, DataPacket(0, 2, QByteArray(100, 'h'))},
          std::tuple{"a prefix too short", 16u,
                     DataPacket(0, 2, QByteArray(50, 'h')) + DataPacket(0, 2, {}).replace(6, 2, EncodeLE16(0))}}) {
        SCOPED_TRACE(what);
        LoopHarness h;
        h.buffer.append(Lane::Stream, ServerCommand(0x06, 152, {{92, packetSize}, {108, 100}}) + header);
        ASSERT_TRUE(h.waitFor(u"failed |無法讀取這個串流的 ASF 標題，連線期間已放棄"_s))
            << h.events.join(u'\n').toStdString();
        EXPECT_TRUE(h.events.contains(u"log - ASF header receive error"_s));
    }
    LoopHarness h;
    h.buffer.append(Lane::Stream,
                    ServerCommand(0x06, 152, {{92, 16}, {108, 1000}}) + DataPacket(0, 2, QByteArray(100, 'h')));
    ASSERT_TRUE(h.waitFor(u"log - 接收標題..."_s));
    h.finish();
    EXPECT_TRUE(h.events.filter(u"header"_s).isEmpty());
    EXPECT_FALSE(h.events.contains(u"log - ASF header receive error"_s));
}

TEST(ReceiveLoop, DatagramsAreHandledBetweenTheUnitsOfAPartialCommand)
{
    LoopHarness h;
    const QByteArray command = ServerCommand(0x1B);
    h.buffer.append(Lane::Stream, command.first(20));
    h.buffer.append(Lane::Datagrams, DataPacket(9, 6, QByteArray(22, 'p')));  // of no known type
    EXPECT_TRUE(h.waitUntil([&] { return h.buffer.size(Lane::Datagrams) == 0; }))
        << "the datagram did not wait for the command";
    h.buffer.append(Lane::Stream, command.mid(20));
    EXPECT_TRUE(h.waitUntil([&] { return h.commandsSent() == u"1b"_s; })) << "the command stayed whole";
    EXPECT_TRUE(h.events.contains(u"log MMS 期間 = 06   MMS TCP/UDP 旗標 = 00"_s));
}

// The front of each input: kind, bytes needed, total, command id and result
// code. A command is whole only when all of it has arrived; the signature
// alone makes a command; a huge message length asks for more without
// overflowing.
TEST(ReceiveFront, ACommandIsSplitOffOnlyWhenWholeAndAnythingWithoutItsSignatureIsData)
{
    const auto shown = [](const QByteArray& bytes) {
        const ReceiveFront f = SplitFront(bytes);
        return QString(
            test::Line{int(f.kind), qulonglong(f.needed), qulonglong(f.total), int(f.commandId), f.resultCode});
    };
    const QByteArray packet = test::ServerCommand(0x06, 152) + QByteArray("following bytes");
    QStringList lines;
    QString last;
    for (int have = 0; have <= packet.size(); ++have)
        if (const QString now = shown(packet.first(have)); now != last)
            lines << QStringLiteral("from %1 bytes: ").arg(have) + (last = now);
    lines << shown(test::ServerCommand(0x1B, 48, {{40, 0xC00D0006}}).replace(0, 4, QByteArray("X\0\0Y", 4)))
          << shown(test::DataPacket(77, 4, QByteArray(1600, 'p')))
          << shown(test::ServerCommand(0x01, 48, {{8, 0xFFFFFFFF}}));
    EXPECT_GOLDEN("mms/receive_front", lines);
}

TEST(ReceiveBuffer, AWaitEndsWhenItsBytesArriveFromAnotherThreadOrWhenStoppedAndTheLanesKeepApart)
{
    ReceiveBuffer buffer;
    std::atomic<bool> stop{false};
    bool arrived = false, ready = false, stopped = true;
    std::thread consumer([&] { arrived = buffer.waitFor(10, [&] { return stop.load(); }); });
    buffer.append(QByteArrayLiteral("12345"));
    buffer.append(QByteArrayLiteral("67890"));
    consumer.join();
    EXPECT_TRUE(arrived);
    EXPECT_EQ(buffer.takeFront(4), QByteArrayLiteral("1234"));
    buffer.append(Lane::Datagrams, QByteArrayLiteral("DATAGRAM"));
    buffer.append(Lane::Stream, QByteArrayLiteral(" and more"));
    EXPECT_EQ(buffer.peek(100), QByteArrayLiteral("567890 and more"));
    EXPECT_EQ(buffer.takeFront(Lane::Datagrams, 100), QByteArrayLiteral("DATAGRAM"));

    std::thread waiter([&] {
        ready =
            buffer.waitUntil([](const QByteArray&, const QByteArray& datagrams, bool) { return !datagrams.isEmpty(); },
                             [&] { return stop.load(); });
    });
    buffer.append(Lane::Stream, QByteArrayLiteral("more stream bytes do not end the wait"));
    buffer.append(Lane::Datagrams, QByteArrayLiteral("x"));
    waiter.join();
    EXPECT_TRUE(ready);
    EXPECT_EQ(ReceiveLane(buffer, Lane::Datagrams).size(), 1u);

    std::thread stoppedWaiter([&] { stopped = buffer.waitFor(1000, [&] { return stop.load(); }); });
    stop = true;
    buffer.wake();
    stoppedWaiter.join();
    EXPECT_FALSE(stopped);
    buffer.clear();
    EXPECT_EQ(buffer.size(Lane::Stream) + buffer.size(Lane::Datagrams), 0u);
}

TEST(ClientCommands, EveryCommandHasItsExactBytes)
{
    const std::pair<const char*, QByteArray> packets[] = {
        {"connect",
         BuildCommandPacket(
             ConnectCommand(u"  host123456 "_s, u"{0123ABCD-4567-89EF-0123-456789ABCDEF}"_s, kDefaultPlayerName), 0)},
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
                BuildCommandPacket(
                    {.id = 0x42, .prefix = QByteArray(prefix, '\x7'), .streams = {}, .text = QString(text, u'a')}, 3));
    EXPECT_GOLDEN("mms/client_command_bytes", lines);

    const QString fresh = NewRegistryGuid();
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\}$")).match(fresh).hasMatch())
        << fresh.toStdString();
    EXPECT_NE(fresh, NewRegistryGuid());
}

TEST(ClientCommands, TheStartTheIncarnationAndTheStreamsAreTheConnections)
{
    CollectingSink sink;
    std::atomic<std::uint32_t> sequence{0};
    CommandChannel channel(sink, sequence);
    ClientCommands commands(channel, u"host"_s, u"a.wmv"_s, kDefaultPlayerName);
    commands.sendStartPlaying(std::nullopt);  // a fresh download starts at the beginning
    commands.sendCredentials("dXNlcjpwYXNz");
    commands.sendStartPlaying(120);  // a resumed one where the engine says
    commands.sendKeepAliveAnswer();
    commands.sendStreamSelection({{1, kStreamOn}, {2, kStreamOn}, {3, kStreamOn}});
    QStringList lines{QStringLiteral("sequence %1").arg(sequence.load())};
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
