// tovrin-cli recording from tovrin-mms-server --hostile KIND: every case ends
// with a clear log line or message, in bounded memory, by itself or on
// Ctrl-C, and the packets stored before the fault stay in their slots.

#include "support/asf_builder.h"
#include "support/asf_sample.h"
#include "support/ffprobe.h"
#include "support/golden.h"
#include "support/recording_checks.h"
#include "support/run_transcript.h"
#include "support/server_process.h"
#include "support/workspace.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace tovrin::test;
using namespace Qt::StringLiterals;

namespace {

struct HostileRun {
    CliOutcome cli;
    QString out;
    QString serverLog;
};

enum class Via { Mms, Mmsh, Udp };

// The recording of a kind over a transport, one name each in a workspace.
QString OutName(const QString& kind, Via via)
{
    return kind + (via == Via::Mms ? u""_s : via == Via::Mmsh ? u"-mmsh"_s : u"-udp"_s) + u".wmv"_s;
}

// Records clip.wmv into KIND.wmv from a server misbehaving as `kind`, at
// full speed unless `serverArgs` say otherwise, with Ctrl-C when
// `interruptWhen` says. The recorder waits 2 s for data from a silent
// server, 1 s over MMSH (also for a connection), unless `cliArgs` give a
// --silence-timeout.
HostileRun RecordFrom(const Workspace& w, const QString& kind, const decltype(CliLaunch::interruptWhen)& interruptWhen,
                      Via via = Via::Mms, const QStringList& serverArgs = {},
                      const QString& stream = QStringLiteral("clip.wmv"), const QStringList& cliArgs = {})
{
    HostileRun run;
    const bool overHttp = via == Via::Mmsh;
    ServerProcess server(w.media, (Args(u"--rate 0 --hostile") << kind)
                                      + (overHttp ? Args(u"--http-port 0") : QStringList{}) + serverArgs);
    EXPECT_TRUE(server.started()) << kind.toStdString();
    if (!server.started())
        return run;
    run.out = w.out(OutName(stream == u"clip.wmv"_s ? kind : kind + u'-' + stream, via));
    CliLaunch launch = RecordLaunch(overHttp ? server.mmshUrl(stream) : server.url(stream), run.out, w.config, cliArgs);
    if (overHttp)
        launch.args << Args(u"--connect-timeout 1");
    if (via == Via::Udp)
        launch.args << Args(u"--udp --udp-port 0");
    if (!cliArgs.contains(u"--silence-timeout"_s))
        launch.args << u"--silence-timeout"_s << (overHttp ? u"1"_s : u"2"_s);
    launch.interruptWhen = interruptWhen;
    run.cli = RunCli(launch);
    run.serverLog = server.log();
    EXPECT_TRUE(run.serverLog.contains(QStringLiteral("hostile: "))) << kind.toStdString() << " never struck";
    ExpectEndedByItself(run.cli, kind);
    ExpectBoundedMemory(run.cli, kind);
    return run;
}

// What the recorder says, once, of packets numbered past a stream's count.
const QString kPastCountLine = QStringLiteral("- 封包編號超過串流的封包總數，已捨棄");

}  // namespace

// What the user gets from each misbehaviour: the exit status, what the file
// holds (the packets stored before the fault stay in their slots, and the
// count its header states), and the line or message that says what happened.
// Framing faults end the run after the good packets, patched to say so;
// framing that is only unusual is logged and recorded whole; an error code in
// any reply, or open-file figures no header fits, end the run saying so.
TEST(HostileServer, EveryMisbehaviourEndsTheRunAndSaysWhy)
{
    Workspace w;
    const AsfParts source = ReadAsf(w.source());
    const QString every = u"every packet"_s,
                  serverError = u"*** An operation or request could not be carried out on schedule"_s,
                  headerUnread = u"*** 無法讀取這個串流的 ASF 標題，連線期間已放棄"_s,
                  whole = u"*** 下載完成， .asf 檔案寫入到本地磁碟"_s, silence = u"*** 您所下載的媒介已自動幫您儲存"_s;
    const struct {
        Via via;
        const char16_t* kind;
        int exit;
        QString held;    // the source's packets in their slots ("" when nothing was stored)
        QString stated;  // the packet count the header states ("" when not looked at)
        QString told;    // a line of the log or a message
    } cases[] = {
        // A command length too long (the rest never comes, the partial command
        // is never dispatched): the server closes, the stream is cut short.
        {Via::Mms, u"length-long", 1, u"5"_s, u"5"_s, u"*** 下載未完成，串流在結束前中斷，缺少 68 個資料封包"_s},
        // Shorter than a command header, or larger than the buffer could hold.
        {Via::Mms, u"length-short", 1, u"5"_s, u"5"_s, u"- MMS command length error"_s},
        {Via::Mms, u"length-huge", 1, u"5"_s, u"5"_s, u"- MMS command length error"_s},
        {Via::Mms, u"prefix-short", 1, u"5"_s, u"5"_s, u"- MMS data prefix length error"_s},
        // Keep-alives whose answers are never read.
        {Via::Mms, u"ping-flood", 1, u"5"_s, u"5"_s, u"- MMS server reads no more commands, connection given up"_s},
        // Cut to the slot; unknown prefixes and commands logged; the stream goes on.
        {Via::Mms, u"prefix-long", 0, every, every, u"警告，封包長度必須是剪下的大小"_s},
        {Via::Mms, u"unknown-type", 0, every, every, u"MMS 期間 = 07   MMS TCP/UDP 旗標 = 80"_s},
        {Via::Mms, u"unknown-command", 0, every, every, u"New or unhandled MMS command - 42"_s},
        // Every packet into its wide slot; a header larger than the receive buffer stored whole.
        {Via::Mms, u"packet-size-max", 0, u""_s, every, whole},
        {Via::Mms, u"header-huge", 0, u""_s, every, whole},
        // Open-file figures no header fits: nothing to patch.
        {Via::Mms, u"header-length-zero", 1, u"0"_s, every, headerUnread},
        {Via::Mms, u"header-length-max", 1, u""_s, u""_s, headerUnread},
        {Via::Mms, u"packet-size-zero", 1, u""_s, u""_s, headerUnread},
        // An error code in every kind of reply: the file holds nothing, the
        // header, or the header and the good packets.
        {Via::Mms, u"error-connect", 1, u""_s, u""_s, serverError},
        {Via::Mms, u"error-funnel-info", 1, u""_s, u""_s, serverError},
        {Via::Mms, u"error-funnel", 1, u""_s, u""_s, serverError},
        {Via::Mms, u"error-open", 1, u""_s, u""_s, serverError},
        {Via::Mms, u"error-read-block", 1, u""_s, u""_s, serverError},
        {Via::Mms, u"error-stream-switch", 1, u"0"_s, u"0"_s, serverError},
        {Via::Mms, u"error-started-playing", 1, u"0"_s, u"0"_s, serverError},
        {Via::Mms, u"error-end-of-stream", 1, u"5"_s, u"5"_s, serverError},
        {Via::Mms, u"refuse-funnel", 1, u""_s, u""_s, u"錯誤: 通過連接失敗"_s},
        // Nothing after the good packets, no keep-alives: the silence limit ends it.
        {Via::Mms, u"silent", 1, u"5"_s, u"5"_s, silence},
        // Over MMSH: framing faults; half a chunk, then silence.
        {Via::Mmsh, u"chunk-length-lie", 1, u"5"_s, u"5"_s,
         u"- MMSH framing error: $D lengths disagree (3208 and 100)"_s},
        {Via::Mmsh, u"chunk-unknown-type", 1, u"5"_s, u"5"_s, u"- MMSH framing error: unknown chunk type 0x5a"_s},
        {Via::Mmsh, u"chunk-data-long", 1, u"5"_s, u"5"_s,
         u"- MMSH framing error: $D payload of 4200 bytes exceeds the packet size 3200"_s},
        {Via::Mmsh, u"stall", 1, u"5"_s, u"5"_s, silence},
        // The header in many $H chunks, $D chunks flagged to be sent at once,
        // a playlist's next entry with the same header: recorded whole.
        {Via::Mmsh, u"header-split", 0, every, every, whole},
        {Via::Mmsh, u"chunk-send-now", 0, every, every, whole},
        {Via::Mmsh, u"chunk-entry-change", 0, every, every, u"- 下一個項目的 ASF 標題相同，繼續錄製到同一個檔案"_s},
        {Via::Mmsh, u"silent", 1, u"5"_s, u"5"_s, silence},
        // A $D never sent: the end of the stream tells the gap, as over MMS.
        {Via::Mmsh, u"drop-datagram", 1, u"5"_s, every, u"- 缺少 1 個資料封包: 5"_s},
        // Over UDP: the last datagram after the end-of-stream reply, stored
        // and counted. (A lost one: RunEngine.AUdpRunThatLostAPacketNamesItAndIsNotCalledComplete.)
        {Via::Udp, u"late-datagram", 0, every, every, whole},
        {Via::Udp, u"silent", 1, u"5"_s, u"5"_s, silence},
    };
    for (const auto& c : cases) {
        const QString kind = QString::fromUtf16(c.kind);
        SCOPED_TRACE(kind.toStdString() + (c.via == Via::Mmsh ? " mmsh" : c.via == Via::Udp ? " udp" : ""));
        // What the server adds to the header for header-huge; the slot size packet-size-max asks for.
        const qsizetype padding = kind == u"header-huge" ? 1024 * 1024 : 0;
        const qsizetype slotSize = kind == u"packet-size-max" ? 0xFFFF : 0;
        // Paced over UDP: at full speed a busy machine drops datagrams of its own.
        // Keep-alives are no data: a flood of them must fill the connection
        // before the silence limit ends the run, on a slow machine too.
        const QStringList cliArgs = kind == u"ping-flood" ? Args(u"--silence-timeout 30") : QStringList{};
        const HostileRun run = RecordFrom(w, kind, {}, c.via, c.via == Via::Udp ? Args(u"--rate 8") : QStringList{},
                                          u"clip.wmv"_s, cliArgs);
        EXPECT_EQ(run.cli.exitCode, c.exit) << run.cli.err.toStdString();
        const QStringList facts =
            RecordingFacts(run.out, source, slotSize, padding ? source.header.size() + padding : 0);
        if (!c.held.isEmpty()) {
            EXPECT_TRUE(facts.contains(u"source packets in their slots: "_s + c.held))
                << facts.join(u'\n').toStdString();
        }
        if (!c.stated.isEmpty()) {
            EXPECT_TRUE(facts.contains(u"stated count: "_s + c.stated)) << facts.join(u'\n').toStdString();
        }
        EXPECT_TRUE(run.cli.err.split(u'\n').contains(c.told)) << run.cli.err.toStdString();

        // A server silent after the good packets: the run ends at the silence limit, the file playable.
        EXPECT_TRUE(kind != u"silent" || (run.cli.endedAtMs >= 1000 && DecodeErrors(run.out).isEmpty()));
        // A partial command is never dispatched.
        EXPECT_TRUE(kind != u"length-long" || run.serverLog.contains(QStringLiteral("0 answered")));
        // The source's header objects follow the padding (the File Size
        // counts the recording); the Data Object's fixed start ends the header.
        QByteArray objects = ReadWholeFile(run.out).mid(30 + padding, source.header.size() - 80);
        const qsizetype fileSize = source.header.indexOf(asf::kFilePropertiesGuid) + 40;
        objects.replace(fileSize - 30, 8, source.header.mid(fileSize, 8));
        EXPECT_TRUE(!padding || objects == source.header.mid(30, source.header.size() - 80));
    }
}

// A server that announces its header, never sends it and keeps the
// connection alive: keep-alives are no sign of the run going on, so the
// silence limit ends it, and the user is told that nothing was saved.
TEST(HostileServer, AHeaderThatNeverComesEndsAtTheSilenceLimitWithNothingSaved)
{
    Workspace w;
    for (const Via via : {Via::Mms, Via::Udp}) {
        SCOPED_TRACE(int(via));
        const HostileRun run = RecordFrom(w, u"header-never"_s, {}, via, Args(u"--ping-interval 0.3"));
        EXPECT_EQ(run.cli.exitCode, 1);
        EXPECT_TRUE(run.cli.err.contains(u"*** 沒有儲存任何媒介資料"_s)) << run.cli.err.toStdString();
        EXPECT_FALSE(run.cli.err.contains(u"您所下載的媒介已自動幫您儲存"_s));
        EXPECT_EQ(RecordingFacts(run.out, ReadAsf(w.source())), QStringList{u"no file"_s});
        EXPECT_GE(run.serverLog.count(u"keep-alive sent"_s), 3) << "the server kept the connection alive";
    }
}

// A server whose every packet is longer than the packet size it announced:
// the warning is told once, and how often it came again once, at the end.
TEST(HostileServer, AWarningEveryPacketProvokesIsToldOnceWithItsCount)
{
    Workspace w;
    const std::size_t packets = ReadAsf(w.source()).packets.size();
    const HostileRun run = RecordFrom(w, u"packet-size-short"_s, {});
    const QString cut = u"警告，封包長度必須是剪下的大小"_s;
    EXPECT_EQ(run.cli.err.count(cut), 2) << run.cli.err.toStdString();
    EXPECT_TRUE(run.cli.err.contains(u"- 這個警告又出現了 %1 次: "_s.arg(packets - 1) + cut))
        << run.cli.err.toStdString();
}

TEST(HostileServer, AConnectionStalledInTheMiddleOfAPacketStopsPromptlyOnCtrlC)
{
    Workspace w;
    const AsfParts source = ReadAsf(w.source());
    // The server sends five good packets before it misbehaves.
    const qint64 goodSize = source.header.size() + qint64(5 * source.packetSize);
    qint64 goodAt = -1;
    // A moment after the good packets are stored, the user gives up.
    const HostileRun run = RecordFrom(w, QStringLiteral("stall"), [&](qint64 elapsed, const QString&) {
        if (goodAt < 0 && QFileInfo(w.out(QStringLiteral("stall.wmv"))).size() >= goodSize)
            goodAt = elapsed;
        return goodAt >= 0 && elapsed - goodAt > 700;
    });
    ASSERT_GE(run.cli.interruptedAtMs, 0) << "the good packets never arrived\n" << run.cli.err.toStdString();
    EXPECT_LT(run.cli.endedAtMs - run.cli.interruptedAtMs, 2000) << "Ctrl-C was not acted on promptly";
    // Half a packet is not stored.
    EXPECT_GOLDEN("hostile/stall_ctrl_c", CliTranscript(run.cli, run.out, source, w.dir.path(),
                                                        ServerLines(run.serverLog, QStringLiteral("hostile: "))));
}

TEST(HostileServer, AMediaFloodFasterThanTheDiskIsStoredInBoundedMemoryOverEveryTransport)
{
    // The flood never ends: once the recorder has said it drops packets past
    // the stream's count, the user stops it. The file holds the stream once.
    for (const Via via : {Via::Mms, Via::Mmsh, Via::Udp}) {
        SCOPED_TRACE(int(via));
        Workspace w;
        const HostileRun run = RecordFrom(
            w, QStringLiteral("media-flood"), [&](qint64, const QString& log) { return log.contains(kPastCountLine); },
            via);
        ASSERT_GE(run.cli.interruptedAtMs, 0) << run.cli.err.toStdString();
        EXPECT_EQ(run.cli.exitCode, 0) << run.cli.err.toStdString();
        EXPECT_EQ(run.cli.err.count(kPastCountLine), 1);
        // Datagrams meet no flow control: what the recorder cannot take in
        // time is dropped, so only memory, the end and the size are checked.
        if (via == Via::Udp)
            EXPECT_LE(QFileInfo(run.out).size(), QFileInfo(w.source()).size() + 4096);
        else
            ExpectSameAsSource(run.out, w.source());
    }
}

// What a server's numbers, times and header values could do to a recording,
// over MMS and MMSH. Numbers that jump by 2^31 or wrap past 2^32 never grow
// the file beyond what was received: a stream of known length drops those
// past its count, told once, and keeps the good packets; a broadcast goes on
// in the next slot, a restart told once. Send times that step back 3 s after
// a live point's header change are kept at the next file's start, never
// 2^32 ms on, its index a few entries (its presentation times go back as the
// server's did). A Content Description Object before the File Properties
// Object, holding that object's GUID in its author value, is never patched.
TEST(HostileServer, NumbersTimesAndHeaderValuesNeverGrowOrMisplaceTheRecording)
{
    const QByteArray decoy = asf::kFilePropertiesGuid + asf::Le64(104) + QByteArray(80, '\x7F');
    for (const Via via : {Via::Mms, Via::Mmsh}) {
        SCOPED_TRACE(int(via));
        Workspace w;
        const HostileRun jump = RecordFrom(w, u"number-jump"_s, {}, via),
                         named = RecordFrom(w, u"header-decoy"_s, {}, via);
        EXPECT_EQ(jump.cli.err.count(kPastCountLine), 1);
        EXPECT_EQ(jump.cli.exitCode, 1) << jump.cli.err.toStdString();
        EXPECT_LT(QFileInfo(jump.out).size(), QFileInfo(w.source()).size());
        ExpectSizedAndIndexed(named.out);
        EXPECT_TRUE(ReadWholeFile(named.out).contains(decoy));
        for (const QString& kind : {u"number-jump"_s, u"number-wrap"_s, u"header-decoy"_s}) {
            const HostileRun live = RecordFrom(w, kind, {}, via, Args(u"--live") << u"news="_s + w.source(), u"news"_s,
                                               Args(u"--duration 3"));
            EXPECT_EQ(live.cli.err.count(u"- 伺服器的封包編號重新開始，接在下一個位置繼續儲存"_s),
                      kind == u"number-jump"_s ? 1 : 0);
            EXPECT_NEAR(ProbeDuration(live.out), 3.0, 1.0);
            ExpectSizedAndIndexed(live.out);
        }
        qint64 changedAt = -1;
        const HostileRun back = RecordFrom(
            w, u"time-back"_s,
            [&](qint64 ms, const QString& log) {
                changedAt = changedAt < 0 && log.contains(u"- 串流的 ASF 標題已改變"_s) ? ms : changedAt;
                return changedAt >= 0 && ms > changedAt + 4000;
            },
            via, Args(u"--live") << u"news="_s + w.source() + u',' + SamplePath(Sample::Msmpeg4), u"news"_s);
        ExpectSizedAndIndexed(back.out);
        const QString next = QString(back.out).replace(u".wmv"_s, u" (2).wmv"_s);
        ExpectCheckSaysWhole(next);
        EXPECT_LT(QFileInfo(next).size(), 1 << 20);
    }
}

// An on-demand recording stopped after 5 s of a 20 s programme, or cut by
// its server at packet 44, is cut short as `tovrin-cli check` tells; resumed
// to its end, it is whole.
TEST(HostileServer, CheckTellsAnOnDemandRecordingCutShort)
{
    Workspace w;
    const QString programme = SamplePath(Sample::WmvLong), folder = QFileInfo(programme).path();
    ServerProcess server(folder, Args(u"--rate 2")), cutting(folder, Args(u"--rate 0 --drop-after 44"));
    ASSERT_TRUE(server.started() && cutting.started());
    for (const auto& [from, extra, said] : {std::tuple{&server, Args(u"--duration 5"), u"cut short: 5 s of 20 s"_s},
                                            {&cutting, QStringList(), u" s of 20 s"_s}}) {
        const QString file = w.out(u"%1.wmv"_s.arg(from->port()));
        RunCli(RecordLaunch(from->url(u"sample-long.wmv"_s), file, w.config, extra));
        const CliOutcome check = RunCli({u"check"_s, file}, w.config);
        EXPECT_TRUE(check.exitCode == 1 && check.out.contains(said)) << check.out.toStdString();
        EXPECT_EQ(RunCli(RecordLaunch(server.url(u"sample-long.wmv"_s), file, w.config, Args(u"--resume"))).exitCode,
                  0);
        ExpectSameAsSource(file, programme);
    }
}
