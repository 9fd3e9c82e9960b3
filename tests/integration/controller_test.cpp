// The download-run controller in-process, against the real MMS test server.

#include "asf/recording_file.h"
#include "locations/redirector_fetch.h"
#include "mms/connection_controller.h"
#include "mms/receive_buffer.h"
#include "mmsh/mmsh_controller.h"
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

#include <QElapsedTimer>
#include <QTcpServer>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;

namespace {

struct ControllerFixture {
    TestContext t;
    Workspace w;
    ConnectionController controller{t.ctx};
    int finished = 0;
    RunEnd lastEnd = RunEnd::Failed;

    ControllerFixture()
    {
        CoreApp();
        t.ctx.stopper = &controller;
        QObject::connect(&controller, &ConnectionController::runFinished, [this](RunEnd end) {
            ++finished;
            lastEnd = end;
        });
    }
    bool record(const QString& url, const QString& out)
    {
        t.shell.saveFileAnswers.push_back(out);
        t.shell.resumeAnswers.push_back(ResumeChoice::Redownload);
        return controller.connectClick(url);
    }
    QString out(const QString& name) const { return t.dir.filePath(name); }
    // What the shell was told, as a stable transcript: every call but the
    // property panel, the clock fields and the progress steps.
    QStringList told() const
    {
        QStringList calls = t.shell.calls;
        calls.removeIf([](const QString& call) {
            return call.startsWith(u"property") || call.startsWith(u"times") || call.startsWith(u"gauge")
                   || call.startsWith(QStringLiteral("caption 進度"));
        });
        return StableLog(calls.join(u'\n'), t.dir.path());
    }
};

}  // namespace

// Each run over either transport asks for credentials afresh. Then a web
// server that took credentials redirects to this one: they stay with it, and
// this one's dialog opens without them.
TEST(ConnectionController, ANewRunOverEitherTransportStartsWithoutTheLastRunsCredentials)
{
    ControllerFixture f;
    MmshController mmsh(f.t.ctx);
    ServerProcess server(f.w.media, Args(u"--rate 0 --http-port 0 --auth alice:s3cret"));
    ASSERT_TRUE(server.started());
    for (const bool overHttp : {false, true}) {
        SCOPED_TRACE(overHttp ? "mmsh" : "mms");
        f.t.shell.passwordAnswers.push_back(PasswordAnswer{QStringLiteral("alice"), QStringLiteral("s3cret"), false});
        // The second run's dialog is cancelled: it must be asked again, with the same challenge.
        for (const QString& name : {QStringLiteral("a.wmv"), QStringLiteral("b.wmv")}) {
            f.t.shell.saveFileAnswers.push_back(f.out(QString::number(overHttp) + name));
            ASSERT_TRUE(overHttp ? mmsh.connectClick(server.mmshUrl(QStringLiteral("clip.wmv")))
                                 : f.controller.connectClick(server.url(QStringLiteral("clip.wmv"))));
            ASSERT_TRUE(WaitUntil([&] { return !mmsh.isRunning() && !f.controller.isRunning(); }, 20000));
        }
    }
    NginxServer web(f.w.media,
                    QStringLiteral("location = /clip.wmv { auth_basic A; auth_basic_user_file htpasswd; "
                                   "try_files /none @away; } location @away { return 302 %1; }")
                        .arg(server.mmshUrl(QStringLiteral("clip.wmv")).replace(0, 4, QStringLiteral("http"))));
    ASSERT_TRUE(web.started() && web.allowUser(QStringLiteral("bob"), QStringLiteral("pw")));
    f.t.shell.passwordAnswers = {PasswordAnswer{QStringLiteral("bob"), QStringLiteral("pw"), true}, std::nullopt};
    f.t.shell.saveFileAnswers.push_back(f.out(QStringLiteral("c.wmv")));
    ASSERT_TRUE(mmsh.connectClick(QStringLiteral("mmsh://127.0.0.1:%1/clip.wmv").arg(web.port())));
    ASSERT_TRUE(WaitUntil([&] { return !mmsh.isRunning(); }, 20000));
    EXPECT_FALSE(server.log().contains(QStringLiteral("wrong credentials"))) << "bob's password was sent here";
    EXPECT_TRUE(f.t.shell.lastPasswordPrompt->userId.isEmpty()) << "bob's credentials were offered here";
    EXPECT_GOLDEN("controller/password_asked_again", f.told().filter(QStringLiteral("askPassword")));
}

// Disconnect answered No leaves the run alone; Yes ends it, telling what was
// saved: some of the medium, or nothing before the first packet. The stop
// routine also ends a redirector fetch.
TEST(ConnectionController, DisconnectAskedFirstAndToldWhatWasSaved)
{
    ControllerFixture f;
    ServerProcess slow(f.w.media, Args(u"--rate 1"));
    ASSERT_TRUE(slow.started());
    QTcpServer silent;  // accepts and never answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    for (const QString& url :
         {slow.url(QStringLiteral("clip.wmv")), QStringLiteral("mms://127.0.0.1:%1/x.wmv").arg(silent.serverPort())}) {
        ASSERT_TRUE(f.record(url, f.out(QStringLiteral("n.wmv"))));
        ASSERT_TRUE(WaitUntil([&] { return f.t.run.packetIndex >= 1 || silent.hasPendingConnections(); }, 20000));
        f.controller.disconnectClick();  // the fake answers No
        EXPECT_TRUE(f.controller.isRunning());
        f.t.shell.confirmAnswers.push_back(true);
        f.controller.disconnectClick();
        EXPECT_FALSE(f.controller.isRunning());
    }
    EXPECT_GOLDEN("controller/disconnects", f.told());

    // The stop routine ends a redirector fetch under way, from a web server
    // that never answers.
    RedirectorFetch fetch;
    fetch.setTimeLimit(15000);
    f.controller.setRedirectorFetch(&fetch);
    QTimer::singleShot(300, &f.controller, [&] { f.controller.stopRun(); });
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(fetch.get(QStringLiteral("http://127.0.0.1:%1/list.asx").arg(silent.serverPort())).body.isEmpty());
    EXPECT_LT(clock.elapsed(), 5000) << "the fetch waited for its own time limit";
    EXPECT_FALSE(fetch.isBusy());
}

// Refused: no address, not an MMS address, no TCP port (all three before
// the run is reset: no clearLog), no path. A TCP port that is no number is
// an unexpected error that closes the file.
TEST(ConnectionController, ConnectRefusesWhatIsNoStreamAddress)
{
    ControllerFixture f;
    f.t.ctx.stopper = nullptr;  // the controller ends the run itself
    QString urlBox = QStringLiteral("unchanged");
    QObject::connect(&f.controller, &ConnectionController::urlTextChanged, [&](const QString& text) { urlBox = text; });
    f.t.shell.saveFileAnswers.push_back(f.out(QStringLiteral("p.wmv")));
    const std::pair<const char*, const char*> cases[] = {{"1755", ""},
                                                         {"1755", "http://host/list.asx"},
                                                         {"", "mms://host/a.wmv"},
                                                         {"1755", "mms://host/a"},
                                                         {"17x5", "mms://127.0.0.1/clip.wmv"}};
    for (const auto& [port, url] : cases) {
        f.t.settings.serverSocket = QString::fromLatin1(port);
        f.t.shell.calls << QStringLiteral("connect %1: %2")
                               .arg(QLatin1String(url))
                               .arg(f.controller.connectClick(QString::fromLatin1(url)));
    }
    f.t.shell.calls << Line("url box", urlBox, "running", f.controller.isRunning(), "finished", f.finished, "file open",
                            f.controller.recording()->isOpen());
    EXPECT_GOLDEN("controller/refused_connects", f.told());
}

namespace {

// The sample copied as a run's save file, open as the run would have it, with
// the figures the exchange would have set: three packets stored.
struct EndingRun : ControllerFixture {
    QString path = t.dir.filePath(QStringLiteral("ending.wmv"));
    AsfParts source = ReadAsf(SamplePath(Sample::Wmv));

    explicit EndingRun(bool live, const QByteArray& header = {})
    {
        QByteArray bytes = ReadWholeFile(SamplePath(Sample::Wmv));
        if (!header.isEmpty())
            bytes.replace(0, header.size(), header);
        EXPECT_TRUE(WriteWholeFile(path, bytes));
        auto recording = std::make_unique<RecordingFile>();
        recording->open(path, true);
        controller.adoptRecording(std::move(recording));
        t.session.savePath = path;
        t.run.headerLength = std::uint32_t(source.header.size());
        t.run.packetSize = source.packetSize;
        t.run.filePacketCount = live ? kLivePacketCount : std::uint32_t(source.packets.size());
        t.run.storedPacketCount = std::uint32_t(source.packets.size());
        t.run.packetIndex = 2;
        t.run.mediaPacketStored = true;
        t.run.mediaTime = 1000;
    }
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
            e.controller.stopRun();
            const QByteArray first = e.storedHeader();
            EXPECT_EQ(first != e.source.header, variant == 0);
            // A second stop (the server closing after Disconnect) patches nothing more.
            e.t.run.packetIndex = 7;
            e.t.run.mediaTime = 5000;
            e.controller.stopRun();
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
        e.controller.stopRun();
    };
    e.controller.stopRun();
    EXPECT_TRUE(lockFree) << "the message box was shown under the save-file lock";
    EXPECT_EQ(reentered, 1);
    EXPECT_GOLDEN("controller/failed_fix_up", e.told());
    EXPECT_FALSE(e.controller.recording()->isOpen());
}

TEST(ConnectionController, AConnectWhileTheLastRunsThreadEndsIsRefused)
{
    ControllerFixture f;
    ServerProcess slow(f.w.media, Args(u"--rate 1"));
    ServerProcess fast(f.w.media, Args(u"--rate 0"));
    ASSERT_TRUE(slow.started() && fast.started());
    const QString second = f.out(QStringLiteral("second.wmv"));
    std::optional<bool> nestedConnect, secondConnect, thirdConnect;
    // Logged by the receive thread, which waits for this line to be shown
    // and has more to show before it can notice a stop.
    f.t.shell.onLog = [&](const QString& line) {
        if (line != QStringLiteral("- 解壓縮標題資料...") || nestedConnect)
            return;
        f.controller.disconnectConfirmed();
        // Inside the thread's own step: waiting for it would never end.
        nestedConnect = f.controller.connectClick(fast.url(QStringLiteral("clip.wmv")));
        // Queued while the thread is still about: the first Connect waits
        // for it, and the second arrives during that wait.
        QTimer::singleShot(0, &f.controller, [&] {
            f.t.shell.saveFileAnswers.push_back(second);
            secondConnect = f.controller.connectClick(fast.url(QStringLiteral("clip.wmv")));
        });
        QTimer::singleShot(0, &f.controller, [&] {
            f.t.shell.saveFileAnswers.push_back(f.out(QStringLiteral("third.wmv")));
            thirdConnect = f.controller.connectClick(fast.url(QStringLiteral("clip.wmv")));
        });
    };
    ASSERT_TRUE(f.record(slow.url(QStringLiteral("clip.wmv")), f.out(QStringLiteral("first.wmv"))));
    ASSERT_TRUE(WaitUntil([&] { return f.finished == 2; }, 20000));
    EXPECT_EQ(nestedConnect, false);
    EXPECT_EQ(secondConnect, true);
    EXPECT_EQ(thirdConnect, false);
    EXPECT_EQ(f.lastEnd, RunEnd::Completed);
    ExpectSameAsSource(second, f.w.source());
    // The stopped run's thread never touched the next run, which ends told as complete.
    EXPECT_EQ(f.t.shell.gauge, 100);
    EXPECT_GOLDEN("controller/stopped_then_completed", f.told());
}

// Datagrams from before the connection are not the run's data, and a lost
// one is named: the run is not called complete. The others sit in their own
// slots, also when the first one is lost.
TEST(ConnectionController, AUdpRunThatLostAPacketNamesItAndIsNotCalledComplete)
{
    for (const auto& [kind, lost] : {std::pair{"drop-datagram", 5}, {"drop-first-datagram", 0}}) {
        SCOPED_TRACE(kind);
        ControllerFixture f;
        // The run asks for the stream over UDP, on a port bound now.
        f.t.settings.udpTick = true;
        f.t.settings.loadedUdpPort = QStringLiteral("0");
        ASSERT_TRUE(f.controller.bindUdp());
        // Paced: at full speed a busy machine drops datagrams of its own.
        ServerProcess server(f.w.media, Args(u"--rate 8 --hostile") << QString::fromLatin1(kind));
        ASSERT_TRUE(server.started());
        // A header packet of some earlier sender, waiting when the run connects.
        QByteArray stale(8, '\0');
        stale[4] = 0x02;
        stale.append(QByteArray(92, 'x'));
        stale[6] = char(stale.size());
        f.t.shell.onLog = [&](const QString& line) {
            if (line.startsWith(QStringLiteral("連線到串流伺服器中")))
                f.controller.receiveBuffer()->append(ReceiveBuffer::Lane::Datagrams, stale);
        };
        const QString out = f.out(QStringLiteral("lost.wmv"));
        ASSERT_TRUE(f.record(server.url(QStringLiteral("clip.wmv")), out));
        ASSERT_TRUE(WaitUntil([&] { return f.finished == 1; }, 20000));
        EXPECT_EQ(f.lastEnd, RunEnd::Incomplete);
        // (Before the stream, the header's datagrams may come in either order.)
        const QStringList told = f.told();
        EXPECT_GOLDEN(std::string("controller/udp_packet_lost_") + std::to_string(lost),
                      told.mid(told.indexOf(QStringLiteral("log - 接收 UDP 串流 -"))));

        AsfParts got = ReadAsf(out);
        const AsfParts want = ReadAsf(f.w.source());
        ASSERT_EQ(got.packets.size(), want.packets.size());
        EXPECT_EQ(got.packets[lost], QByteArray(want.packetSize, '\0'));
        got.packets[lost] = want.packets[lost];
        EXPECT_TRUE(got.packets == want.packets);
    }
}
