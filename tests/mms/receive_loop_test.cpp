#include "app/state/run_state.h"
#include "asf/byte_helpers.h"
#include "server_packets.h"
#include "mms/client_commands.h"
#include "mms/command_channel.h"
#include "mms/receive_loop.h"
#include "mms/run_actions.h"
#include "support/asf_sample.h"
#include "support/temp_settings.h"

#include <QDeadlineTimer>
#include <QFile>

#include <mutex>
#include <thread>

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::TestContext;
using Lane = ReceiveBuffer::Lane;

namespace {

struct Sink : ByteSink {
    std::mutex lock;
    std::vector<std::uint8_t> ids;
    void write(const QByteArray& bytes) override
    {
        std::lock_guard guard(lock);
        ids.push_back(std::uint8_t(bytes[36]));
    }
};

struct Actions : RunActions {
    RunState& run;
    std::atomic<int> stops{0}, starts{0}, completions{0}, transports{0};
    bool credentialsAnswer = false;
    explicit Actions(RunState& r) : run(r) {}
    void requestStop() override
    {
        ++stops;
        run.stopFlag = true;
        run.receiveBuffer.wake();
    }
    void announceStreamStart() override { ++starts; }
    void announceCompletion() override
    {
        missingAtCompletion = run.receivedPackets.missingCount();
        ++completions;
    }
    bool askCredentials() override { return credentialsAnswer; }
    void sendTransport() override { ++transports; }
    void streamDrained() override {}
    bool takeWaitingDatagrams() override
    {
        ++datagramTakes;
        return udp;
    }
    bool udp = false;
    std::atomic<int> datagramTakes{0};
    std::atomic<std::uint32_t> missingAtCompletion{~0u};
};

// Runs the loop on its own thread until `done` holds (or 5 s), then stops it.
struct LoopHarness {
    TestContext t;
    Sink sink;
    CommandChannel channel{sink, t.run.commandSequence};
    ClientCommands commands{channel, t.run};
    Actions actions{t.run};
    ReceiveLoop loop{t.ctx, commands, actions};
    std::thread thread;

    void start()
    {
        thread = std::thread([this] { loop.run(); });
    }
    template <typename Done>
    bool runUntil(Done done)
    {
        start();
        QDeadlineTimer deadline(5000);
        while (!done() && !deadline.hasExpired())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        const bool reached = done();
        finish();
        return reached;
    }
    void finish()
    {
        t.run.stopFlag = true;
        t.run.receiveBuffer.wake();
        if (thread.joinable())
            thread.join();
    }
    ~LoopHarness() { finish(); }
};

}  // namespace

TEST(ReceiveLoop, AnswersTheHandshakeRepliesWithTheNextCommand)
{
    LoopHarness h;
    h.t.run.funnelReportCount = 0;
    auto& buffer = h.t.run.receiveBuffer;
    buffer.append(test::ServerCommand(0x01) + test::ServerCommand(0x15, 0, 80) + test::ServerCommand(0x15, 0, 80)
                  + test::ServerCommand(0x15, 0, 80) + test::ServerCommand(0x02) + test::ServerCommand(0x1B) + test::ServerCommand(0x21)
                  + test::ServerCommand(0x05));
    ASSERT_TRUE(h.runUntil([&] { return h.actions.starts == 1; }));
    EXPECT_EQ(h.sink.ids, (std::vector<std::uint8_t>{0x18, 0x05, 0x1B, 0x07}));
    EXPECT_EQ(h.actions.transports, 1);
    EXPECT_EQ(h.t.run.funnelReportCount.load(), 0u);
    EXPECT_EQ(h.t.run.ackCount.load(), 1u);
    EXPECT_EQ(buffer.size(), 0u);
}

TEST(ReceiveLoop, ConsumesUnknownCommandsWithALogLine)
{
    LoopHarness h;
    h.t.run.receiveBuffer.append(test::ServerCommand(0x20) + test::ServerCommand(0x11));
    ASSERT_TRUE(h.runUntil([&] { return h.t.run.receiveBuffer.size() == 0; }));
    EXPECT_TRUE(h.t.shell.log.contains(QStringLiteral("New or unhandled MMS command - 20")));
    EXPECT_TRUE(h.t.shell.log.contains(QStringLiteral("新進的標題")));
}

TEST(ReceiveLoop, AnErrorResultIsReportedAndEndsTheRunLeavingThePacket)
{
    LoopHarness h;
    const QByteArray error = test::ServerCommand(0x06, 0xC00D0006);
    h.t.run.receiveBuffer.append(error);
    ASSERT_TRUE(h.runUntil([&] { return h.actions.stops > 0; }));
    EXPECT_EQ(h.t.shell.log, (QStringList{QStringLiteral("讀取伺服器訊息錯誤:"),
                                          QStringLiteral("Server is busy, please try again later")}));
    EXPECT_EQ(h.t.run.receiveBuffer.peek(1000), error);
    EXPECT_TRUE(h.sink.ids.empty());
    EXPECT_FALSE(h.t.run.liveHeaderFixed) << "a server error keeps the fix-ups";
}

TEST(ReceiveLoop, RefusalsEndTheRunWithoutFixUps)
{
    {
        LoopHarness h;
        h.t.run.receiveBuffer.append(test::ServerCommand(0x03));
        ASSERT_TRUE(h.runUntil([&] { return h.actions.stops > 0; }));
        EXPECT_TRUE(h.t.shell.log.contains(QStringLiteral("錯誤: 通過連接失敗")));
        EXPECT_TRUE(h.t.run.liveHeaderFixed && h.t.run.packetCountFixed);
    }
    {
        // A live broadcast cannot be resumed.
        LoopHarness h;
        h.t.run.resume = true;
        QByteArray reply = test::ServerCommand(0x06, 0, 152);
        PutLE(reply, 96, 0xFFFFFFFF, 4);
        h.t.run.receiveBuffer.append(reply);
        ASSERT_TRUE(h.runUntil([&] { return h.actions.stops > 0; }));
        EXPECT_EQ(h.t.shell.messages.value(0), QStringLiteral("錯誤 - 現況串流偵測!\n現況期間無法重新開始\n請再嘗試一次"));
        EXPECT_TRUE(h.t.run.liveHeaderFixed);
        EXPECT_TRUE(h.sink.ids.empty()) << "no header request";
    }
    {
        // The credentials dialog cancelled.
        LoopHarness h;
        h.t.run.receiveBuffer.append(test::ServerCommand(0x1A, 0, 64));
        ASSERT_TRUE(h.runUntil([&] { return h.actions.stops > 0; }));
        EXPECT_EQ(h.t.shell.messages.value(0), QStringLiteral("連線期間已放棄，關閉連線"));
        EXPECT_TRUE(h.t.run.liveHeaderFixed && h.t.run.packetCountFixed);
    }
}

TEST(ReceiveLoop, ConfirmedCredentialsAreSentAndTheIncarnationMovesOn)
{
    LoopHarness h;
    h.actions.credentialsAnswer = true;
    h.t.run.authCredentials = "dXNlcjpwYXNz";
    h.t.run.receiveBuffer.append(test::ServerCommand(0x1A, 0, 64) + test::ServerCommand(0x1B));
    ASSERT_TRUE(h.runUntil([&] { return h.t.run.ackCount == 1; }));
    EXPECT_EQ(h.sink.ids, (std::vector<std::uint8_t>{0x1A, 0x1B}));
    EXPECT_EQ(h.t.run.incarnation.load(), 2u);
}

TEST(ReceiveLoop, DataPrefixesThatCannotBeFollowedAreHandled)
{
    {
        // Unknown packet type: logged in the program's words, its bytes dropped.
        LoopHarness h;
        QByteArray unknown = test::DataPacket(1, 7, 20);
        unknown[5] = char(0x80);
        h.t.run.receiveBuffer.append(unknown + test::ServerCommand(0x11));
        ASSERT_TRUE(h.runUntil([&] { return h.t.run.receiveBuffer.size() == 0; }));
        EXPECT_EQ(h.t.shell.log.mid(0, 2), (QStringList{QStringLiteral("偵測到一個未知的 MMS 預先標題"),
                                                        QStringLiteral("MMS 期間 = 07   MMS TCP/UDP 旗標 = 80")}));
    }
    {
        // A length below the prefix itself ends the run instead of looping on it.
        LoopHarness h;
        h.t.run.receiveBuffer.append(test::DataPacket(1, 4, 3));
        ASSERT_TRUE(h.runUntil([&] { return h.actions.stops > 0; }));
        EXPECT_TRUE(h.t.shell.log.contains(QStringLiteral("- MMS data prefix length error")));
    }
    {
        // A command longer than the buffer may ever hold cannot be waited for.
        LoopHarness h;
        QByteArray huge = test::ServerCommand(0x01);
        PutLE(huge, 8, 0x7FFFFFF0, 4);
        h.t.run.receiveBuffer.append(huge);
        ASSERT_TRUE(h.runUntil([&] { return h.actions.stops > 0; }));
        EXPECT_TRUE(h.t.shell.log.contains(QStringLiteral("- MMS command length error")));
    }
}

TEST(ReceiveLoop, DatagramsAreHandledBetweenTheUnitsOfAPartialCommand)
{
    LoopHarness h;
    auto& buffer = h.t.run.receiveBuffer;
    const QByteArray command = test::ServerCommand(0x1B);
    buffer.append(Lane::Stream, command.first(20));
    QByteArray unknown = test::DataPacket(9, 6, 30);
    buffer.append(Lane::Datagrams, unknown);
    h.start();
    QDeadlineTimer deadline(5000);
    while (buffer.size(Lane::Datagrams) && !deadline.hasExpired())
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    EXPECT_EQ(buffer.size(Lane::Datagrams), 0u) << "the datagram did not wait for the command";
    buffer.append(Lane::Stream, command.mid(20));
    while (h.t.run.ackCount == 0 && !deadline.hasExpired())
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    h.finish();
    EXPECT_EQ(h.t.run.ackCount.load(), 1u) << "the command stayed whole";
    EXPECT_TRUE(h.t.shell.log.contains(QStringLiteral("MMS 期間 = 06   MMS TCP/UDP 旗標 = 00")));
}

TEST(ReceiveLoop, AHeaderThatCannotBeStoredEndsTheRunSayingSo)
{
    LoopHarness h;
    h.t.run.headerLength = 0xFFFFFFFF;  // refused: far beyond any real ASF header
    h.t.run.packetSize = 3200;
    h.t.run.receiveBuffer.append(test::DataPacket(0, 2, 100) + test::DataPacket(1, 2, 100) + test::ServerCommand(0x1B));
    ASSERT_TRUE(h.runUntil([&] { return h.actions.stops == 1; }));
    EXPECT_EQ(h.t.shell.log.count(QStringLiteral("- ASF header receive error")), 1);
    EXPECT_EQ(h.t.shell.messages, QStringList{QStringLiteral("無法讀取這個串流的 ASF 標題，連線期間已放棄")});
    EXPECT_TRUE(h.t.run.liveHeaderFixed && h.t.run.packetCountFixed) << "no header of this run to patch";
}

TEST(ReceiveLoop, MediaBeforeTheHeaderIsDroppedNotStored)
{
    LoopHarness h;
    h.t.run.packetSize = 0xFFFFFFFF;  // a hostile figure no slot could be sized by
    h.t.run.receiveBuffer.append(test::DataPacket(0, 4, 100) + test::DataPacket(1, 4, 100) + test::ServerCommand(0x1B));
    h.t.run.receiveBuffer.append(Lane::Datagrams, test::DataPacket(2, 4, 60));
    ASSERT_TRUE(h.runUntil([&] { return h.t.run.ackCount == 1 && h.t.run.receiveBuffer.size(Lane::Datagrams) == 0; }));
    EXPECT_EQ(h.t.shell.log.count(QStringLiteral("- Media packet before the ASF header, dropped")), 1);
    EXPECT_FALSE(h.t.run.mediaPacketStored);
}

TEST(ReceiveLoop, ASecondOpenFileReplyCannotResizeTheSlotsOfARecording)
{
    LoopHarness h;
    h.t.run.packetSize = 40;
    h.t.run.paddingBlock = QByteArray(40, '\0');  // the header has been stored
    QByteArray reply = test::ServerCommand(0x06, 0, 152);
    PutLE(reply, 92, 0xFFFFFFFF, 4);
    h.t.run.receiveBuffer.append(reply + test::ServerCommand(0x1B));
    ASSERT_TRUE(h.runUntil([&] { return h.t.run.ackCount == 1; }));
    EXPECT_EQ(h.t.run.packetSize.load(), 40u);
    EXPECT_TRUE(h.t.shell.log.contains(QStringLiteral("- Open-file reply after the ASF header, ignored")));
}

namespace {

// One data packet as a datagram: the 8-byte prefix, then the payload.
QByteArray Datagram(std::uint32_t location, std::uint8_t type, const QByteArray& payload)
{
    return EncodeLE32(location) + char(type) + '\0' + EncodeLE16(std::uint16_t(payload.size() + 8)) + payload;
}

}  // namespace

TEST(ReceiveLoop, OverUdpTheHeaderMayComeBeforeOrAfterItsReplyAndLateDatagramsAreStillStored)
{
    const test::AsfParts source = test::ReadAsf(test::SamplePath(test::Sample::Wma));
    ASSERT_GT(source.packets.size(), 6u);
    const auto count = std::uint32_t(source.packets.size());
    struct Case {
        const char* what;
        bool headerBeforeReply;    // the header datagram overtakes the 0x11 reply
        bool lastAfterEnd;         // the last datagram follows the end-of-stream reply
        std::uint32_t missing;     // one datagram never arrives
    };
    const Case cases[] = {
        {"reply first, every datagram before the end", false, false, 0},
        {"header first, the last datagram after the end", true, true, 0},
        {"a datagram lost", false, true, 1},
    };
    for (const Case& c : cases) {
        LoopHarness h;
        h.actions.udp = true;
        RunState& run = h.t.run;
        run.savePath = h.t.dir.filePath(QStringLiteral("r.wma"));
        run.saveFile = std::make_unique<QFile>(run.savePath);
        ASSERT_TRUE(run.saveFile->open(QIODevice::ReadWrite | QIODevice::Unbuffered));
        run.packetSize = source.packetSize;
        run.headerLength = std::uint32_t(source.header.size());
        run.filePacketCount = count;
        auto& buffer = run.receiveBuffer;
        const QByteArray header = Datagram(0, 2, source.header);
        if (c.headerBeforeReply)
            buffer.append(Lane::Datagrams, header);
        buffer.append(Lane::Stream, test::ServerCommand(0x11));
        if (!c.headerBeforeReply)
            buffer.append(Lane::Datagrams, header);
        for (std::uint32_t i = 0; i + 1 < count; ++i) {
            if (c.missing == 0 || i != 3)
                buffer.append(Lane::Datagrams, Datagram(i, 4, source.packets[i]));
        }
        const QByteArray last = Datagram(count - 1, 4, source.packets[count - 1]);
        if (!c.lastAfterEnd)
            buffer.append(Lane::Datagrams, last);
        buffer.append(Lane::Stream, test::ServerCommand(0x1E));
        h.start();
        if (c.lastAfterEnd) {
            // Once the end has been read, the last datagram is still on its way.
            QDeadlineTimer deadline(5000);
            while (h.actions.datagramTakes == 0 && !deadline.hasExpired())
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            buffer.append(Lane::Datagrams, last);
        }
        QDeadlineTimer deadline(5000);
        while (h.actions.completions == 0 && !deadline.hasExpired())
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        h.finish();
        ASSERT_EQ(h.actions.completions, 1) << c.what;
        EXPECT_EQ(h.actions.missingAtCompletion.load(), c.missing) << c.what;
        run.saveFile->close();
        const test::AsfParts got = test::ReadAsf(run.savePath);
        EXPECT_EQ(got.header, source.header) << c.what;
        ASSERT_EQ(got.packets.size(), source.packets.size()) << c.what;
        EXPECT_EQ(got.packets.back(), source.packets.back()) << c.what;
    }
}
