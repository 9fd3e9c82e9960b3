#include "mms/receive_loop.h"
#include "asf/byte_helpers.h"
#include "asf/recording_file.h"
#include "locations/credentials.h"
#include "mms/client_commands.h"
#include "mms/command_channel.h"
#include "mms/command_packet.h"
#include "mms/receive_buffer.h"
#include "mms/receive_front.h"
#include "mms/run_actions.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "support/asf_builder.h"
#include "support/asf_sample.h"
#include "support/golden.h"
#include "support/golden_line.h"
#include "support/temp_settings.h"

#include <QDeadlineTimer>
#include <QRegularExpression>

#include <atomic>
#include <mutex>
#include <numeric>
#include <thread>

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::TestContext;
using Lane = ReceiveBuffer::Lane;
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

struct Actions : RunActions {
    RunState& run;
    ReceiveBuffer& buffer;
    std::atomic<int> stops{0}, starts{0}, transports{0};
    Actions(RunState& r, ReceiveBuffer& b) : run(r), buffer(b) {}
    void requestStop() override
    {
        ++stops;
        run.stopFlag = true;
        buffer.wake();
    }
    void announceStreamStart() override { ++starts; }
    void announceCompletion() override {}
    bool askCredentials(ServerCredentials&) override { return credentialsAnswer; }
    bool credentialsAnswer = false;
    void sendTransport() override { ++transports; }
    void streamDrained() override {}
};

// Runs the loop on its own thread until it is finished.
struct LoopHarness {
    TestContext t;
    CollectingSink sink;
    CommandChannel channel{sink, t.run.commandSequence};
    ClientCommands commands{channel, t.run, t.session};
    ReceiveBuffer buffer;
    RecordingFile file;
    ServerCredentials credentials;
    Actions actions{t.run, buffer};
    ReceiveLoop loop{t.ctx, buffer, file, credentials, commands, actions};
    std::thread thread;

    // Starts the loop if it is not running, then waits until `done` holds (or 5 s).
    template <typename Done>
    bool waitUntil(Done done)
    {
        if (!thread.joinable())
            thread = std::thread([this] { loop.run(); });
        QDeadlineTimer deadline(5000);
        while (!done() && !deadline.hasExpired())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return done();
    }
    void finish()
    {
        t.run.stopFlag = true;
        buffer.wake();
        if (thread.joinable())
            thread.join();
    }
    ~LoopHarness() { finish(); }
};

}  // namespace

TEST(ReceiveLoop, AnswersEachReplyOrEndsTheRun)
{
    using test::ServerCommand, test::DataPacket;
    constexpr std::uint32_t kMoreFollow = 0xF0F0F0F1;
    const QByteArray liveReply = ServerCommand(0x06, 152, {{96, 0xFFFFFFFF}}),
                     hugePackets = ServerCommand(0x06, 152, {{92, 0xFFFFFFFF}});
    enum class Until { Stopped, Started, Acked };
    const struct {
        const char* what;
        QByteArray stream, datagrams;
        Until until;
        bool resume = false, credentialsAnswer = false;
        std::uint32_t packetSize = 0;
    } scenarios[] = {
        // The first funnel report is too short for its client count: told, and the exchange goes on.
        // A packet-pair train is three marked reports; the transport goes out after the third.
        {"handshake",
         ServerCommand(0x01) + ServerCommand(0x15, 56, {{44, kMoreFollow}})
             + ServerCommand(0x15, 80, {{44, kMoreFollow}}) + ServerCommand(0x15, 80, {{44, kMoreFollow}})
             + ServerCommand(0x02) + ServerCommand(0x1B) + ServerCommand(0x21) + ServerCommand(0x05),
         {},
         Until::Started},
        // A server without packet-pair sends one report saying none follow; a stray one later is ignored.
        {"one funnel report",
         ServerCommand(0x15, 80, {{44, 0xF0F0F0EF}}) + ServerCommand(0x15, 80) + ServerCommand(0x1B),
         {},
         Until::Acked},
        // Refusals end the run without fix-ups.
        {"connection refused", ServerCommand(0x03), {}, Until::Stopped},
        {"a live broadcast cannot be resumed", liveReply, {}, Until::Stopped, true},
        {"credentials dialog cancelled", ServerCommand(0x1A, 64), {}, Until::Stopped},
        // Confirmed credentials are sent and the incarnation moves on.
        {"credentials confirmed", ServerCommand(0x1A, 64) + ServerCommand(0x1B), {}, Until::Acked, false, true},
        // Media before the header is dropped, not stored, whatever figure no slot could be sized by.
        {"media before the header",
         DataPacket(0, 4, QByteArray(92, 'p')) + DataPacket(1, 4, QByteArray(92, 'p')) + ServerCommand(0x1B),
         DataPacket(2, 4, QByteArray(52, 'p')), Until::Acked, false, false, 0xFFFFFFFF},
        // A second open-file reply cannot resize the slots of a recording (its header stored).
        {"open-file reply after the header", hugePackets + ServerCommand(0x1B), {}, Until::Acked, false, false, 40},
    };
    QStringList lines;
    for (const auto& s : scenarios) {
        LoopHarness h;
        RunState& run = h.t.run;
        h.buffer.append(Lane::Stream, s.stream);
        h.buffer.append(Lane::Datagrams, s.datagrams);
        run.resume = s.resume;
        h.actions.credentialsAnswer = s.credentialsAnswer;
        h.credentials.encoded = "dXNlcjpwYXNz";
        run.packetSize = s.packetSize;
        if (s.packetSize == 40)
            run.readyForMedia = true;
        ASSERT_TRUE(h.waitUntil([&] {
            return s.until == Until::Stopped   ? h.actions.stops > 0
                   : s.until == Until::Started ? h.actions.starts == 1
                                               : run.ackCount == 1 && h.buffer.size(Lane::Datagrams) == 0;
        })) << s.what;
        h.finish();
        QByteArray ids;
        for (const QByteArray& p : h.sink.packets)
            ids += p[36];
        // The commands sent; transports, acks, funnel reports, incarnation,
        // the two fix-ups, packet size, a media packet stored, bytes left.
        lines << QStringLiteral("--- ") + QLatin1String(s.what) << QString::fromLatin1(ids.toHex(' '))
              << test::Line(h.actions.transports.load(), run.ackCount.load(), run.funnelReportCount.load(),
                            run.incarnation.load(), run.liveHeaderFixed.load(), run.packetCountFixed.load(),
                            run.packetSize.load(), run.mediaPacketStored.load(), qulonglong(h.buffer.size()));
        lines += h.t.shell.calls;
    }
    EXPECT_GOLDEN("mms/receive_loop_replies", test::SplitLines(lines));
}

TEST(ReceiveLoop, DatagramsAreHandledBetweenTheUnitsOfAPartialCommand)
{
    LoopHarness h;
    const QByteArray command = test::ServerCommand(0x1B);
    h.buffer.append(Lane::Stream, command.first(20));
    h.buffer.append(Lane::Datagrams, test::DataPacket(9, 6, QByteArray(22, 'p')));  // of no known type
    EXPECT_TRUE(h.waitUntil([&] { return h.buffer.size(Lane::Datagrams) == 0; }))
        << "the datagram did not wait for the command";
    h.buffer.append(Lane::Stream, command.mid(20));
    EXPECT_TRUE(h.waitUntil([&] { return h.t.run.ackCount == 1; })) << "the command stayed whole";
    h.finish();
    EXPECT_TRUE(h.t.shell.log.contains(QStringLiteral("MMS 期間 = 06   MMS TCP/UDP 旗標 = 00")));
}

TEST(ReceiveLoop, OverUdpTheHeaderMayOvertakeItsReply)
{
    // The header datagram can arrive before the 0x11 reply that announces it
    // on TCP: it is stored all the same, and the data that follows with it.
    const test::AsfParts source = test::ReadAsf(test::SamplePath(test::Sample::Wma));
    ASSERT_GT(source.packets.size(), 2u);
    LoopHarness h;
    RunState& run = h.t.run;
    const QString& savePath = h.t.session.savePath = h.t.dir.filePath(QStringLiteral("r.wma"));
    ASSERT_EQ(h.file.open(savePath, false), RecordingFile::Opened::Yes);
    run.packetSize = source.packetSize;
    run.headerLength = std::uint32_t(source.header.size());
    run.filePacketCount = std::uint32_t(source.packets.size());
    h.buffer.append(Lane::Datagrams, test::DataPacket(0, 2, source.header));
    h.buffer.append(Lane::Stream, test::ServerCommand(0x11));
    h.buffer.append(Lane::Datagrams,
                    test::DataPacket(0, 4, source.packets[0]) + test::DataPacket(1, 4, source.packets[1]));
    ASSERT_TRUE(h.waitUntil([&] { return h.buffer.size(Lane::Datagrams) == 0 && run.packetIndex == 1; }));
    h.finish();
    h.file.close();
    EXPECT_EQ(test::ReadWholeFile(savePath), source.header + source.packets[0] + source.packets[1]);
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
        ready = buffer.waitUntil([](const QByteArray&, const QByteArray& datagrams) { return !datagrams.isEmpty(); },
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
                BuildCommandPacket(
                    {.id = 0x42, .prefix = QByteArray(prefix, '\x7'), .streams = {}, .text = QString(text, u'a')}, 3));
    EXPECT_GOLDEN("mms/client_command_bytes", lines);

    const QString fresh = NewRegistryGuid();
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^\\{[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}\\}$")).match(fresh).hasMatch())
        << fresh.toStdString();
    EXPECT_NE(fresh, NewRegistryGuid());
}

TEST(ClientCommands, RunValuesChooseTheIncarnationStartLocationAndStreams)
{
    LoopHarness h;  // the loop is not started
    auto [run, session, commands] = std::tie(h.t.run, h.t.session, h.commands);
    commands.sendStartPlaying();  // a fresh download starts at the beginning
    run.resume = true;
    run.storedPacketCount = 120;
    run.incarnation = 2;
    commands.sendStartPlaying();
    commands.sendKeepAliveAnswer();
    // A stream count past the table's ten entries selects the ten it holds, all on.
    std::iota(session.streamNumbers.begin(), session.streamNumbers.end(), 1);
    session.streamActions.fill(2);
    run.streamCount = 14;
    commands.sendStreamSelection();
    QStringList lines{QStringLiteral("sequence %1").arg(run.commandSequence.load())};
    for (const QByteArray& p : h.sink.packets)
        AddHex(lines, QStringLiteral("sent"), p);
    EXPECT_GOLDEN("mms/client_commands_of_a_run", lines);
}

TEST(CommandPacket, ConcurrentSendersGetUniqueNumbersAndWholePacketsInSequenceOrder)
{
    LoopHarness h;  // the loop is not started
    std::vector<std::thread> senders;
    for (int t = 0; t < 4; ++t)
        senders.emplace_back([&] {
            for (int i = 0; i < 500; ++i)
                h.channel.send(KeepAliveAnswerCommand(1));
        });
    for (auto& s : senders)
        s.join();
    ASSERT_EQ(h.sink.packets.size(), 2000u);
    for (std::size_t i = 0; i < h.sink.packets.size(); ++i) {
        ASSERT_EQ(h.sink.packets[i].size(), 48);
        ASSERT_EQ(*LE16At(h.sink.packets[i], 20), i & 0xFFFF);
    }
    EXPECT_EQ(h.t.run.commandSequence.load(), 2000u);
}
