// The run engine in-process, against the real MMS test server.

#include "run/run_engine.h"
#include "asf/recording_file.h"
#include "locations/redirector_fetch.h"
#include "run/storage_report.h"
#include "state/run_state.h"
#include "support/asf_sample.h"
#include "support/core_app.h"
#include "support/golden.h"
#include "support/golden_line.h"
#include "support/nginx_server.h"
#include "support/recording_checks.h"
#include "support/run_transcript.h"
#include "support/server_process.h"
#include "support/temp_settings.h"
#include "support/workspace.h"
#include "transport/record_transport.h"

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTimer>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;
using namespace Qt::StringLiterals;

namespace {

struct EngineFixture {
    TestContext t;
    Workspace w;
    RecordTransport transport{t.ctx, Transport::Auto, 80};
    RunEngine engine{t.ctx, transport};
    int finished = 0;
    RunEnd lastEnd = RunEnd::Failed;

    EngineFixture()
    {
        CoreApp();
        t.ctx.stopper = &engine;
        QObject::connect(&engine, &RunEngine::finished, [this](RunEnd end) {
            ++finished;
            lastEnd = end;
        });
    }
    bool record(const QString& url, const QString& out)
    {
        t.shell.saveFileAnswers.push_back(out);
        t.shell.resumeAnswers.push_back(ResumeChoice::Redownload);
        return engine.start(url);
    }
    bool waitForEnd(int ends = 1)
    {
        return WaitUntil([&] { return finished >= ends; }, 20000);
    }
    QString out(const QString& name) const { return t.dir.filePath(name); }
};

}  // namespace

// Each run over either transport asks for credentials afresh. Then a web
// server that took credentials redirects to this one: they stay with it, and
// this one's dialog opens without them.
TEST(RunEngine, ANewRunOverEitherTransportStartsWithoutTheLastRunsCredentials)
{
    EngineFixture f;
    ServerProcess server(f.w.media, Args(u"--rate 0 --http-port 0 --auth alice:s3cret"));
    ASSERT_TRUE(server.started());
    for (const bool overHttp : {false, true}) {
        SCOPED_TRACE(overHttp ? "mmsh" : "mms");
        f.t.shell.passwordAnswers.push_back(PasswordAnswer{u"alice"_s, u"s3cret"_s, false});
        // The second run's dialog is cancelled: it must be asked again, with the same challenge.
        for (const QString& name : {u"a.wmv"_s, u"b.wmv"_s}) {
            f.t.shell.saveFileAnswers.push_back(f.out(QString::number(overHttp) + name));
            const int before = f.finished;
            ASSERT_TRUE(f.engine.start(overHttp ? server.mmshUrl(u"clip.wmv"_s) : server.url(u"clip.wmv"_s)));
            ASSERT_TRUE(f.waitForEnd(before + 1));
        }
    }
    NginxServer web(f.w.media,
                    u"location = /clip.wmv { auth_basic A; auth_basic_user_file htpasswd; "
                    u"try_files /none @away; } location @away { return 302 %1; }"_s.arg(
                        server.mmshUrl(u"clip.wmv"_s).replace(0, 4, u"http"_s)));
    ASSERT_TRUE(web.started() && web.allowUser(u"bob"_s, u"pw"_s));
    f.t.shell.passwordAnswers = {PasswordAnswer{u"bob"_s, u"pw"_s, true}, std::nullopt};
    f.t.shell.saveFileAnswers.push_back(f.out(u"c.wmv"_s));
    const int before = f.finished;
    ASSERT_TRUE(f.engine.start(u"mmsh://127.0.0.1:%1/clip.wmv"_s.arg(web.port())));
    ASSERT_TRUE(f.waitForEnd(before + 1));
    EXPECT_FALSE(server.log().contains(u"wrong credentials"_s)) << "bob's password was sent here";
    EXPECT_TRUE(f.t.shell.lastPasswordPrompt->userId.isEmpty()) << "bob's credentials were offered here";
    EXPECT_GOLDEN("controller/password_asked_again", StableLog(f.t.shell.calls.filter(u"askPassword"_s).join(u'\n')));
}

namespace {

// A user who takes their time over the credentials dialog: longer than the
// silence limit, a clock the watchdog reads when the dialog is gone.
struct SlowUserShell : FakeShell {
    std::optional<PasswordAnswer> askPassword(const PasswordPrompt& prompt) override
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        return FakeShell::askPassword(prompt);
    }
};

}  // namespace

// The server waits for the user, not the other way round: no watchdog runs
// while the credentials dialog is open.
TEST(RunEngine, TheSilenceLimitWaitsWhileTheUserAnswersADialog)
{
    CoreApp();
    Workspace w;
    TestContext t;
    SlowUserShell shell;
    AppContext ctx{shell, t.store, t.settings, t.run, t.session};
    RecordTransport transport(ctx, Transport::Auto, 80);
    RunEngine engine(ctx, transport);
    engine.setSilenceLimit(400);
    engine.setConnectLimit(400);
    std::optional<RunEnd> end;
    QObject::connect(&engine, &RunEngine::finished, [&](RunEnd e) { end = e; });
    ServerProcess server(w.media, Args(u"--rate 0 --http-port 0 --auth alice:s3cret"));
    ASSERT_TRUE(server.started());
    for (const bool overHttp : {false, true}) {
        SCOPED_TRACE(overHttp ? "mmsh" : "mms");
        end.reset();
        shell.passwordAnswers.push_back(PasswordAnswer{u"alice"_s, u"s3cret"_s, false});
        shell.saveFileAnswers.push_back(t.dir.filePath(overHttp ? u"h.wmv"_s : u"m.wmv"_s));
        ASSERT_TRUE(engine.start(overHttp ? server.mmshUrl(u"clip.wmv"_s) : server.url(u"clip.wmv"_s)));
        ASSERT_TRUE(WaitUntil([&] { return end.has_value(); }, 20000));
        EXPECT_EQ(end, RunEnd::Completed) << shell.log.join(u'\n').toStdString();
        EXPECT_TRUE(shell.messages.filter(u"伺服器已"_s).isEmpty());
    }
}

// Disconnect answered No leaves the run alone; Yes ends it, telling what was
// saved: some of the medium, or nothing before the first packet. The stop
// routine also ends a redirector fetch.
TEST(RunEngine, DisconnectAskedFirstAndToldWhatWasSaved)
{
    EngineFixture f;
    ServerProcess slow(f.w.media, Args(u"--rate 1"));
    ASSERT_TRUE(slow.started());
    QTcpServer silent;  // accepts and never answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    const std::pair<QString, QString> runs[] = {
        {slow.url(u"clip.wmv"_s), u"連接關閉，您已下載並儲存這個媒介"_s},
        {u"mms://127.0.0.1:%1/x.wmv"_s.arg(silent.serverPort()), u"連接關閉，沒有儲存任何媒介資料"_s}};
    for (const auto& [url, told] : runs) {
        ASSERT_TRUE(f.record(url, f.out(u"n.wmv"_s)));
        ASSERT_TRUE(WaitUntil([&] { return f.t.run.packetIndex >= 1 || silent.hasPendingConnections(); }, 20000));
        f.engine.disconnectClick();  // the fake answers No
        EXPECT_TRUE(f.engine.isRunning());
        f.t.shell.confirmAnswers.push_back(true);
        f.engine.disconnectClick();
        EXPECT_FALSE(f.engine.isRunning());
        EXPECT_EQ(f.lastEnd, RunEnd::UserStopped);
        EXPECT_EQ(f.t.shell.messages.value(f.t.shell.messages.size() - 1), told);
    }

    // The stop routine ends a redirector fetch under way, from a web server
    // that never answers.
    RedirectorFetch fetch;
    fetch.setTimeLimit(15000);
    f.engine.setRedirectorFetch(&fetch);
    QTimer::singleShot(300, &f.engine, [&] { f.engine.stopRun(); });
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(fetch.get(u"http://127.0.0.1:%1/list.asx"_s.arg(silent.serverPort())).body.isEmpty());
    EXPECT_LT(clock.elapsed(), 5000) << "the fetch waited for its own time limit";
    EXPECT_FALSE(fetch.isBusy());
}

// Refused before the run is reset (the log stays): no address, not an MMS
// address (the URL box emptied), no TCP port. After the reset: no path. A
// TCP port that is no number is an unexpected error that ends the run it
// started and leaves no file.
TEST(RunEngine, ConnectRefusesWhatIsNoStreamAddress)
{
    EngineFixture f;
    f.t.ctx.stopper = nullptr;
    QString urlBox = u"unchanged"_s;
    QObject::connect(&f.engine, &RunEngine::urlTextChanged, [&](const QString& text) { urlBox = text; });
    const struct {
        const char* port;
        const char* url;
        QString message;
        bool reset;
    } cases[] = {{"1755", "", u"沒有給予網址\n請使用「檔案」->「開啟」之後輸入媒介位置。"_s, false},
                 {"1755", "http://host/list.asx",
                  u"您只能直接輸入「MMS://」位置進入這個網址視窗\n請使用「檔案」->「開啟」替代"_s, false},
                 {"", "mms://host/a.wmv", u"No TCP Port number\nUse Setup -> TCP (default = 1755)"_s, false},
                 {"1755", "mms://host/a", u"Please check URL entry, invalid path"_s, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        f.t.settings.serverSocket = QString::fromLatin1(c.port);
        f.t.shell.calls.clear();
        EXPECT_FALSE(f.engine.start(QString::fromLatin1(c.url)));
        EXPECT_EQ(f.t.shell.messages.value(f.t.shell.messages.size() - 1), c.message);
        EXPECT_EQ(f.t.shell.calls.contains(u"clearLog"_s), c.reset);
        if (QLatin1String(c.url).startsWith(u"http")) {
            EXPECT_EQ(urlBox, QString());
        }
    }
    const QString path = f.out(u"p.wmv"_s);
    f.t.settings.serverSocket = u"17x5"_s;
    ASSERT_TRUE(f.record(u"mms://127.0.0.1/clip.wmv"_s, path));
    ASSERT_TRUE(f.waitForEnd());
    EXPECT_EQ(f.lastEnd, RunEnd::Failed);
    EXPECT_EQ(f.t.shell.messages.last(), u"讀取時發生一個意外 :-\n'17x5' is not a valid integer value"_s);
    EXPECT_FALSE(QFileInfo::exists(path)) << "the failed run left its empty file";
    EXPECT_FALSE(f.engine.isRunning());
}

namespace {

// The sample copied as a run's save file, open as the run would have it, with
// the figures the exchange would have set: three packets stored.
struct EndingRun {
    TestContext t;
    QString path = t.dir.filePath(u"ending.wmv"_s);
    AsfParts source = ReadAsf(SamplePath(Sample::Wmv));
    RecordingFile file;

    explicit EndingRun(bool live, const QByteArray& header = {})
    {
        QByteArray bytes = ReadWholeFile(SamplePath(Sample::Wmv));
        if (!header.isEmpty())
            bytes.replace(0, header.size(), header);
        EXPECT_TRUE(WriteWholeFile(path, bytes));
        file.open(path, true);
        t.session.savePath = path;
        t.run.headerLength = std::uint32_t(source.header.size());
        t.run.packetSize = source.packetSize;
        t.run.filePacketCount = live ? kLivePacketCount : std::uint32_t(source.packets.size());
        t.run.storedPacketCount = std::uint32_t(source.packets.size());
        t.run.packetIndex = 2;
        t.run.mediaPacketStored = true;
        t.run.mediaTime = 1000;
    }
    void stop() { FixUpAndTell(t.shell, t.run, &file); }
    QByteArray storedHeader() const { return ReadWholeFile(path).left(source.header.size()); }
};

}  // namespace

// A live or on-demand run is patched as it comes, not when its fixed flag
// is set or it plays a local file; a failed fix-up is told after the file is
// let go of.
TEST(StopRoutine, PatchesTheFileOnceWhereTheRunAllowsItAndTellsAFailureAfterLettingGoOfTheFile)
{
    for (const bool live : {true, false}) {
        for (const int variant : {0, 1, 2}) {
            SCOPED_TRACE(std::to_string(live) + " " + std::to_string(variant));
            EndingRun e(live);
            (live ? e.t.run.liveHeaderFixed : e.t.run.packetCountFixed) = variant == 1;
            e.t.run.localFileMode = variant == 2;
            e.stop();
            const QByteArray first = e.storedHeader();
            EXPECT_EQ(first != e.source.header, variant == 0);
            // A second stop (the server closing after Disconnect) patches nothing more.
            e.t.run.packetIndex = 7;
            e.t.run.mediaTime = 5000;
            e.stop();
            EXPECT_EQ(e.storedHeader(), first) << "patched again";
        }
    }

    QByteArray header = ReadAsf(SamplePath(Sample::Wmv)).header;
    // No File Properties Object: its GUID spoilt.
    header.replace(header.indexOf(QByteArray::fromHex("A1DCAB8C47A9CF118EE400C00C205365")), 5, "xxxxx");
    EndingRun e(true, header);
    bool lockFree = false;
    int reentered = 0;
    // A second stop arriving while the message is open, as from a dialog's
    // event loop (the server closing, the watchdog).
    e.t.shell.onMessage = [&](const QString&) {
        lockFree = !SaveFileMutex::heldByThisThread();
        if (!lockFree)
            return;  // re-entering now would lock the same mutex again
        ++reentered;
        e.stop();
    };
    e.stop();
    EXPECT_TRUE(lockFree) << "the message box was shown under the save-file lock";
    EXPECT_EQ(reentered, 1);
    EXPECT_GOLDEN("controller/failed_fix_up", StableLog(e.t.shell.calls.join(u'\n'), e.t.dir.path()));
}

// A Connect from inside a step of the run (a dialog's event loop) is
// refused; right after it, the next run starts at once: nothing of the
// stopped connection reaches it, and it ends told as complete.
TEST(RunEngine, AConnectRightAfterADisconnectRecordsTheNextStreamWhole)
{
    EngineFixture f;
    ServerProcess slow(f.w.media, Args(u"--rate 1"));
    ServerProcess fast(f.w.media, Args(u"--rate 0"));
    ASSERT_TRUE(slow.started() && fast.started());
    const QString second = f.out(u"second.wmv"_s);
    std::optional<bool> nestedConnect, nextConnect;
    f.t.shell.onLog = [&](const QString& line) {
        if (line != u"- 解壓縮標題資料..."_s || nestedConnect)
            return;
        f.engine.stop();
        nestedConnect = f.engine.start(fast.url(u"clip.wmv"_s));
        QTimer::singleShot(0, &f.engine, [&] {
            f.t.shell.saveFileAnswers.push_back(second);
            nextConnect = f.engine.start(fast.url(u"clip.wmv"_s));
        });
    };
    ASSERT_TRUE(f.record(slow.url(u"clip.wmv"_s), f.out(u"first.wmv"_s)));
    ASSERT_TRUE(f.waitForEnd(2));
    EXPECT_EQ(nestedConnect, false);
    EXPECT_EQ(nextConnect, true);
    EXPECT_EQ(f.lastEnd, RunEnd::Completed);
    ExpectSameAsSource(second, f.w.source());
    EXPECT_EQ(f.t.shell.gauge, 100);
    EXPECT_EQ(f.t.shell.messages.last(), u"下載完成， .asf 檔案寫入到本地磁碟"_s);
}

// A lost datagram is named: the run is not called complete. The others sit
// in their own slots, also when the first one is lost.
TEST(RunEngine, AUdpRunThatLostAPacketNamesItAndIsNotCalledComplete)
{
    for (const auto& [kind, lost] : {std::pair{"drop-datagram", 5}, {"drop-first-datagram", 0}}) {
        SCOPED_TRACE(kind);
        EngineFixture f;
        // The run asks for the stream over UDP, on a port it binds itself.
        f.t.settings.udpTick = true;
        f.t.settings.loadedUdpPort = u"0"_s;
        // Paced: at full speed a busy machine drops datagrams of its own.
        ServerProcess server(f.w.media, Args(u"--rate 8 --hostile") << QString::fromLatin1(kind));
        ASSERT_TRUE(server.started());
        const QString out = f.out(u"lost.wmv"_s);
        ASSERT_TRUE(f.record(server.url(u"clip.wmv"_s), out));
        ASSERT_TRUE(f.waitForEnd());
        EXPECT_EQ(f.lastEnd, RunEnd::Incomplete);
        EXPECT_TRUE(f.t.shell.log.contains(u"- 缺少 1 個資料封包: %1"_s.arg(lost)))
            << f.t.shell.log.join(u'\n').toStdString();
        EXPECT_EQ(f.t.shell.messages.last(),
                  u"下載未完成，伺服器已結束串流但缺少 1 個資料封包\n已收到的部分 .asf 檔案寫入到本地磁碟"_s);

        AsfParts got = ReadAsf(out);
        const AsfParts want = ReadAsf(f.w.source());
        ASSERT_EQ(got.packets.size(), want.packets.size());
        EXPECT_EQ(got.packets[lost], QByteArray(want.packetSize, '\0'));
        got.packets[lost] = want.packets[lost];
        EXPECT_TRUE(got.packets == want.packets);
    }
}
