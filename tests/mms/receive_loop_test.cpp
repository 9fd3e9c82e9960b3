#include "mms/receive_loop.h"
#include "asf/byte_helpers.h"
#include "asf/recording_file.h"
#include "locations/credentials.h"
#include "mms/client_commands.h"
#include "mms/command_channel.h"
#include "mms/receive_buffer.h"
#include "mms/receive_front.h"
#include "mms/run_actions.h"
#include "state/run_state.h"
#include "support/asf_builder.h"
#include "support/asf_sample.h"
#include "support/golden.h"
#include "support/golden_line.h"
#include "support/temp_settings.h"

#include <QDeadlineTimer>

#include <atomic>
#include <mutex>
#include <thread>

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::TestContext;
using Lane = ReceiveBuffer::Lane;

namespace {

struct Sink : ByteSink {
    std::mutex lock;
    QByteArray ids;
    void write(const QByteArray& bytes) override
    {
        std::lock_guard guard(lock);
        ids.append(bytes[36]);
    }
};

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
    bool takeWaitingDatagrams() override { return false; }
};

// Runs the loop on its own thread until `done` holds (or 5 s), then stops it.
struct LoopHarness {
    TestContext t;
    Sink sink;
    CommandChannel channel{sink, t.run.commandSequence};
    ClientCommands commands{channel, t.run, t.session};
    ReceiveBuffer buffer;
    RecordingFile file;
    ServerCredentials credentials;
    Actions actions{t.run, buffer};
    ReceiveLoop loop{t.ctx, buffer, file, credentials, commands, actions};
    std::thread thread;

    void start()
    {
        thread = std::thread([this] { loop.run(); });
    }
    template <typename Done>
    bool waitUntil(Done done)
    {
        QDeadlineTimer deadline(5000);
        while (!done() && !deadline.hasExpired())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        return done();
    }
    template <typename Done>
    bool runUntil(Done done)
    {
        start();
        const bool reached = waitUntil(done);
        finish();
        return reached;
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
        {"handshake",
         ServerCommand(0x01) + ServerCommand(0x15, 0, 56) + ServerCommand(0x15, 0, 80) + ServerCommand(0x15, 0, 80)
             + ServerCommand(0x02) + ServerCommand(0x1B) + ServerCommand(0x21) + ServerCommand(0x05),
         {},
         Until::Started},
        // Refusals end the run without fix-ups.
        {"connection refused", ServerCommand(0x03), {}, Until::Stopped},
        {"a live broadcast cannot be resumed", liveReply, {}, Until::Stopped, true},
        {"credentials dialog cancelled", ServerCommand(0x1A, 0, 64), {}, Until::Stopped},
        // Confirmed credentials are sent and the incarnation moves on.
        {"credentials confirmed", ServerCommand(0x1A, 0, 64) + ServerCommand(0x1B), {}, Until::Acked, false, true},
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
            run.paddingBlock = QByteArray(40, '\0');
        ASSERT_TRUE(h.runUntil([&] {
            return s.until == Until::Stopped   ? h.actions.stops > 0
                   : s.until == Until::Started ? h.actions.starts == 1
                                               : run.ackCount == 1 && h.buffer.size(Lane::Datagrams) == 0;
        })) << s.what;
        // The commands sent; transports, acks, funnel reports, incarnation,
        // the two fix-ups, packet size, a media packet stored, bytes left.
        lines << QStringLiteral("--- ") + QLatin1String(s.what) << QString::fromLatin1(h.sink.ids.toHex(' '))
              << test::Line(h.actions.transports.load(), run.ackCount.load(), h.t.session.funnelReportCount.load(),
                            run.incarnation.load(), run.liveHeaderFixed.load(), run.packetCountFixed.load(),
                            run.packetSize.load(), run.mediaPacketStored.load(), qulonglong(h.buffer.size()));
        lines += h.t.shell.calls;
    }
    EXPECT_GOLDEN("mms/receive_loop_replies", test::SplitLines(lines));
}

TEST(ReceiveLoop, DatagramsAreHandledBetweenTheUnitsOfAPartialCommand)
{
    LoopHarness h;
    auto& buffer = h.buffer;
    const QByteArray command = test::ServerCommand(0x1B);
    buffer.append(Lane::Stream, command.first(20));
    QByteArray unknown = test::DataPacket(9, 6, QByteArray(22, 'p'));
    buffer.append(Lane::Datagrams, unknown);
    h.start();
    EXPECT_TRUE(h.waitUntil([&] { return buffer.size(Lane::Datagrams) == 0; }))
        << "the datagram did not wait for the command";
    buffer.append(Lane::Stream, command.mid(20));
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
    ASSERT_TRUE(h.runUntil([&] { return h.buffer.size(Lane::Datagrams) == 0 && run.packetIndex == 1; }));
    h.file.close();
    const test::AsfParts got = test::ReadAsf(savePath);
    EXPECT_EQ(got.header, source.header);
    ASSERT_GE(got.packets.size(), 2u);
    EXPECT_EQ(got.packets[1], source.packets[1]);
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
    const QByteArray packet = test::ServerCommand(0x06, 0, 152) + QByteArray("following bytes");
    QStringList lines;
    QString last;
    for (int have = 0; have <= packet.size(); ++have)
        if (const QString now = shown(packet.first(have)); now != last)
            lines << QStringLiteral("from %1 bytes: ").arg(have) + (last = now);
    QByteArray odd = test::ServerCommand(0x1B, 0xC00D0006, 48), huge = test::ServerCommand(0x01, 48, {{8, 0xFFFFFFFF}});
    odd[0] = 'X';
    odd[3] = 'Y';
    lines << shown(odd) << shown(test::DataPacket(77, 4, QByteArray(1600, 'p'))) << shown(huge);
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
