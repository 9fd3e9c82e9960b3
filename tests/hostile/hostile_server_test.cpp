// tovrin-cli recording from tovrin-mms-server --hostile KIND: every case ends
// with a clear log line or message, in bounded memory, by itself or on
// Ctrl-C, and the packets stored before the fault stay in their slots.

#include "support/asf_sample.h"
#include "support/recording_checks.h"
#include "support/server_process.h"
#include "support/workspace.h"

#include <QFileInfo>

#include <functional>
#include <tuple>

#include <gtest/gtest.h>

using namespace tovrin::test;

namespace {

constexpr std::size_t kGoodPackets = 5;  // what the server sends before it misbehaves
const QString kErrorReport =
    QStringLiteral("讀取伺服器訊息錯誤:\nAn operation or request could not be carried out on schedule");
const QString kPatched = QStringLiteral("- ASF 重新開始/結束 資料寫入");

struct HostileRun {
    CliOutcome cli;
    QString out;
    QString serverLog;
};

enum class Via { Mms, Mmsh, Udp };

// Records clip.wmv from a server misbehaving as `kind`, at full speed unless
// `serverArgs` say otherwise. Over MMSH the recorder waits 1 s for data.
HostileRun RecordFrom(const Workspace& w, const QString& kind, const std::function<void(CliLaunch&)>& adjust = {},
                      Via via = Via::Mms, const QStringList& serverArgs = {})
{
    HostileRun run;
    const bool overHttp = via == Via::Mmsh;
    ServerProcess server(w.media, (Args(u"--rate 0 --hostile") << kind)
                                      + (overHttp ? Args(u"--http-port 0") : QStringList{}) + serverArgs);
    EXPECT_TRUE(server.started()) << kind.toStdString();
    if (!server.started())
        return run;
    run.out = w.out(kind + QStringLiteral(".wmv"));
    CliLaunch launch =
        RecordLaunch(overHttp ? server.mmshUrl(QStringLiteral("clip.wmv")) : server.url(QStringLiteral("clip.wmv")),
                     run.out, w.config);
    launch.args << (overHttp          ? Args(u"--connect-timeout 1")
                    : via == Via::Udp ? Args(u"--udp --udp-port 0")
                                      : QStringList{});
    if (adjust)
        adjust(launch);
    run.cli = RunCli(launch);
    run.serverLog = server.log();
    EXPECT_TRUE(run.serverLog.contains(QStringLiteral("hostile: "))) << kind.toStdString() << " never struck";
    ExpectEndedByItself(run.cli, kind);
    ExpectBoundedMemory(run.cli, kind);
    return run;
}

// The run ended on the fault with `line` in its log, and the file holds
// exactly the packets sent before it, patched to say so.
void ExpectEndedAfterTheGoodPackets(const HostileRun& run, const AsfParts& source, const QString& line)
{
    const std::string log = run.cli.err.toStdString();
    EXPECT_EQ(run.cli.exitCode, 1) << log;
    EXPECT_TRUE(run.cli.err.contains(line)) << log;
    EXPECT_TRUE(run.cli.err.contains(kPatched)) << log;
    EXPECT_EQ(QFileInfo(run.out).size(), source.header.size() + qsizetype(kGoodPackets * source.packetSize)) << log;
    ExpectSlotsHoldTheSourcePackets(run.out, source, kGoodPackets);
    EXPECT_EQ(StatedPacketCount(run.out), kGoodPackets);
}

// The run went on past the fault to the end of the stream: the file holds
// the source packet for packet, in slots `slot` bytes wide (0: the packet
// size) after a header `padding` bytes longer than the source's.
void ExpectCompletedWithEveryPacket(const HostileRun& run, const AsfParts& source, const QStringList& lines,
                                    qsizetype slot = 0, qsizetype padding = 0)
{
    const std::string log = run.cli.err.toStdString();
    EXPECT_EQ(run.cli.exitCode, 0) << log;
    for (const QString& line : lines)
        EXPECT_TRUE(run.cli.err.contains(line)) << line.toStdString() << " missing in\n" << log;
    EXPECT_TRUE(run.cli.err.contains(QStringLiteral("- ******* 下載完成 *******"))) << log;
    const qsizetype width = slot ? slot : qsizetype(source.packetSize), headerLength = source.header.size() + padding;
    EXPECT_EQ(QFileInfo(run.out).size(), headerLength + qsizetype(source.packets.size()) * width);
    ExpectSlotsHoldTheSourcePackets(run.out, source, source.packets.size(), width, headerLength);
    EXPECT_EQ(StatedPacketCount(run.out), source.packets.size());
}

}  // namespace

TEST(HostileServer, FramingFaultsEndTheRunAfterTheGoodPackets)
{
    Workspace w;
    const AsfParts source = ReadAsf(w.source());
    const std::tuple<QString, QString, Via> cases[] = {
        // A command length too long: the rest never comes and the server
        // leaves; the partial command is never dispatched.
        {QStringLiteral("length-long"), QStringLiteral("關閉連接: \t"), Via::Mms},
        // Shorter than a command header: its end would land inside it.
        {QStringLiteral("length-short"), QStringLiteral("- MMS command length error"), Via::Mms},
        // Larger than the receive buffer could ever hold.
        {QStringLiteral("length-huge"), QStringLiteral("- MMS command length error"), Via::Mms},
        // A data prefix below its own 8 bytes: nothing after it can be found again.
        {QStringLiteral("prefix-short"), QStringLiteral("- MMS data prefix length error"), Via::Mms},
        // Keep-alives whose answers are never read.
        {QStringLiteral("ping-flood"), QStringLiteral("- MMS server reads no more commands, connection given up"),
         Via::Mms},
        {QStringLiteral("chunk-length-lie"), QStringLiteral("- MMSH framing error: $D lengths disagree"), Via::Mmsh},
        {QStringLiteral("chunk-unknown-type"), QStringLiteral("- MMSH framing error: unknown chunk type 0x5a"),
         Via::Mmsh},
        {QStringLiteral("chunk-data-long"), QStringLiteral("- MMSH framing error: $D payload of"), Via::Mmsh},
        // Half a chunk, then silence: the watchdog ends it.
        {QStringLiteral("stall"), QStringLiteral("- MMSH: no data from the server for 1 s, connection given up"),
         Via::Mmsh},
    };
    for (const auto& [kind, line, via] : cases) {
        SCOPED_TRACE(kind.toStdString());
        const HostileRun run = RecordFrom(w, kind, {}, via);
        ExpectEndedAfterTheGoodPackets(run, source, line);
        if (kind == QLatin1String("length-long")) {
            EXPECT_TRUE(run.serverLog.contains(QStringLiteral("0 answered"))) << run.serverLog.toStdString();
        }
    }
}

TEST(HostileServer, FramingThatIsOnlyUnusualIsLoggedAndRecordedWhole)
{
    Workspace w;
    const AsfParts source = ReadAsf(w.source());
    constexpr qsizetype kHugePadding = 1024 * 1024;  // what the server adds to the header for header-huge
    struct Case {
        QString kind;
        QStringList lines;
        Via via = Via::Mms;
        qsizetype slot = 0, padding = 0;
    };
    const Case cases[] = {
        // A data prefix beyond the packet size: cut to the slot, and the stream goes on.
        {QStringLiteral("prefix-long"), {QStringLiteral("警告，封包長度必須是剪下的大小")}, Via::Mms},
        {QStringLiteral("unknown-type"),
         {QStringLiteral("偵測到一個未知的 MMS 預先標題\nMMS 期間 = 07   MMS TCP/UDP 旗標 = 80")},
         Via::Mms},
        {QStringLiteral("unknown-command"),
         {QStringLiteral("New or unhandled MMS command - 20"), QStringLiteral("New or unhandled MMS command - 42"),
          QStringLiteral("New or unhandled MMS command - FF")},
         Via::Mms},
        // The header in many $H chunks, $D chunks flagged to be sent at once, and
        // a playlist's next entry with the same header.
        {QStringLiteral("header-split"), {}, Via::Mmsh},
        {QStringLiteral("chunk-send-now"), {}, Via::Mmsh},
        {QStringLiteral("chunk-entry-change"), {}, Via::Mmsh},
        // The last datagram after the end-of-stream reply: stored and counted.
        // (A lost one: ConnectionController.AUdpRunThatLostAPacketNamesItAndIsNotCalledComplete.)
        {QStringLiteral("late-datagram"), {QStringLiteral("- 接收 UDP 串流 -")}, Via::Udp},
        // Every packet into its wide slot; a header larger than the receive buffer stored whole.
        {QStringLiteral("packet-size-max"), {}, Via::Mms, 0xFFFF},
        {QStringLiteral("header-huge"), {}, Via::Mms, 0, kHugePadding},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind.toStdString());
        // Paced over UDP: at full speed a busy machine drops datagrams of its own.
        const HostileRun run = RecordFrom(w, c.kind, {}, c.via, c.via == Via::Udp ? Args(u"--rate 8") : QStringList{});
        ExpectCompletedWithEveryPacket(run, source, c.lines, c.slot, c.padding);
        // The source's header objects follow the padding; the Data Object's fixed start ends the header.
        if (c.padding)
            EXPECT_EQ(ReadWholeFile(run.out).mid(30 + c.padding, source.header.size() - 30 - 50),
                      source.header.mid(30, source.header.size() - 30 - 50));
    }
}

TEST(HostileServer, OpenFileFiguresNoHeaderFitsEndTheRunSayingSo)
{
    Workspace w;
    const AsfParts source = ReadAsf(w.source());
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("header-length-zero"), QStringLiteral("- ASF header extraction failed")},
        {QStringLiteral("header-length-max"), QStringLiteral("- ASF header receive error")},
        {QStringLiteral("packet-size-zero"), QStringLiteral("- ASF header receive error")},
    };
    for (const auto& [kind, line] : cases) {
        const HostileRun run = RecordFrom(w, kind);
        const std::string log = kind.toStdString() + "\n" + run.cli.err.toStdString();
        EXPECT_EQ(run.cli.exitCode, 1) << log;
        EXPECT_EQ(run.cli.err.count(line), 1) << "the later header packets are not read again\n" << log;
        EXPECT_TRUE(run.cli.err.contains(QStringLiteral("無法讀取這個串流的 ASF 標題，連線期間已放棄"))) << log;
        EXPECT_FALSE(run.cli.err.contains(kPatched)) << "nothing to patch\n" << log;
        EXPECT_LE(QFileInfo(run.out).size(), source.header.size()) << log;
    }
}

TEST(HostileServer, AnErrorCodeInEveryKindOfReplyIsReportedAndEndsTheRun)
{
    Workspace w;
    const AsfParts source = ReadAsf(w.source());
    // What the file holds when the error comes: nothing, the header, or the
    // header and the good packets.
    const std::pair<QString, qsizetype> cases[] = {
        {QStringLiteral("error-connect"), 0},
        {QStringLiteral("error-funnel-info"), 0},
        {QStringLiteral("error-funnel"), 0},
        {QStringLiteral("error-open"), 0},
        {QStringLiteral("error-read-block"), 0},
        {QStringLiteral("error-stream-switch"), source.header.size()},
        {QStringLiteral("error-started-playing"), source.header.size()},
        {QStringLiteral("error-end-of-stream"), source.header.size() + qsizetype(kGoodPackets * source.packetSize)},
    };
    for (const auto& [kind, size] : cases) {
        const HostileRun run = RecordFrom(w, kind);
        const std::string log = kind.toStdString() + "\n" + run.cli.err.toStdString();
        EXPECT_EQ(run.cli.exitCode, 1) << log;
        EXPECT_TRUE(run.cli.err.contains(kErrorReport)) << log;
        EXPECT_EQ(QFileInfo(run.out).size(), size) << log;
        if (size > source.header.size()) {
            EXPECT_TRUE(run.cli.err.contains(kPatched)) << log;
            ExpectSlotsHoldTheSourcePackets(run.out, source, kGoodPackets);
        }
    }
    const HostileRun refused = RecordFrom(w, QStringLiteral("refuse-funnel"));
    EXPECT_EQ(refused.cli.exitCode, 1);
    EXPECT_TRUE(refused.cli.err.contains(QStringLiteral("錯誤: 通過連接失敗"))) << refused.cli.err.toStdString();
}

TEST(HostileServer, AConnectionStalledInTheMiddleOfAPacketStopsPromptlyOnCtrlC)
{
    Workspace w;
    const AsfParts source = ReadAsf(w.source());
    const qint64 goodSize = source.header.size() + qint64(kGoodPackets * source.packetSize);
    qint64 goodAt = -1;
    const HostileRun run = RecordFrom(w, QStringLiteral("stall"), [&](CliLaunch& launch) {
        // A moment after the good packets are stored, the user gives up.
        launch.interruptWhen = [&, out = launch.args.at(3)](qint64 elapsed, const QString&) {
            if (goodAt < 0 && QFileInfo(out).size() >= goodSize)
                goodAt = elapsed;
            return goodAt >= 0 && elapsed - goodAt > 700;
        };
    });
    ASSERT_GE(run.cli.interruptedAtMs, 0) << "the good packets never arrived\n" << run.cli.err.toStdString();
    EXPECT_LT(run.cli.endedAtMs - run.cli.interruptedAtMs, 2000) << "Ctrl-C was not acted on promptly";
    EXPECT_EQ(run.cli.exitCode, 0) << run.cli.err.toStdString();
    EXPECT_TRUE(run.cli.err.contains(kPatched)) << run.cli.err.toStdString();
    EXPECT_EQ(QFileInfo(run.out).size(), goodSize) << "half a packet is not stored";
    ExpectSlotsHoldTheSourcePackets(run.out, source, kGoodPackets);
    EXPECT_EQ(StatedPacketCount(run.out), kGoodPackets);
}

TEST(HostileServer, AMediaFloodFasterThanTheDiskIsStoredInBoundedMemoryOverEveryTransport)
{
    const AsfParts source = ReadAsf(SamplePath(Sample::Wmv));  // what each workspace serves as clip.wmv
    // The flood never ends: after some loops of the file the user stops it.
    constexpr std::size_t kLoops = 100;
    const qint64 enough = source.header.size() + qint64(kLoops * source.packets.size() * source.packetSize);
    for (const Via via : {Via::Mms, Via::Mmsh, Via::Udp}) {
        SCOPED_TRACE(int(via));
        Workspace w;
        const HostileRun run = RecordFrom(
            w, QStringLiteral("media-flood"),
            [&](CliLaunch& launch) {
                launch.interruptWhen = [&, out = launch.args.at(3)](qint64, const QString&) {
                    return QFileInfo(out).size() >= enough;
                };
            },
            via);
        ASSERT_GE(run.cli.interruptedAtMs, 0) << run.cli.err.toStdString();
        EXPECT_EQ(run.cli.exitCode, 0) << run.cli.err.toStdString();
        EXPECT_TRUE(run.cli.err.contains(kPatched)) << run.cli.err.toStdString();
        if (via == Via::Udp) {
            // Datagrams meet no flow control: what the recorder cannot take in
            // time is dropped, so only memory, the end and the patch are checked.
            EXPECT_TRUE(run.cli.err.contains(QStringLiteral("- 接收 UDP 串流 -"))) << run.cli.err.toStdString();
            continue;
        }
        // Every loop lands in the slots after the last: LocationIds count on.
        ExpectSlotsHoldTheSourcePackets(run.out, source, kLoops * source.packets.size());
        EXPECT_GE(StatedPacketCount(run.out), kLoops * source.packets.size());
    }
}
