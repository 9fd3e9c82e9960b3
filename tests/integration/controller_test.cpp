// The download-run controller in-process, against the real MMS test server.

#include "asf/recording_file.h"
#include "locations/redirector_fetch.h"
#include "mms/connection_controller.h"
#include "mms/receive_buffer.h"
#include "mmsh/mmsh_controller.h"
#include "state/run_state.h"
#include "support/asf_sample.h"
#include "support/core_app.h"
#include "support/qt_printers.h"
#include "support/recording_checks.h"
#include "support/server_process.h"
#include "support/temp_settings.h"
#include "support/workspace.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QTimer>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;

namespace {

using tovrin::test::CoreApp;

struct ControllerFixture {
    TestContext t;
    Workspace w;
    QString media = w.media;
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
    // The recording equals the served clip, header and packets.
    void expectRecordedWhole(const QString& recording) const
    {
        const AsfParts got = ReadAsf(recording);
        const AsfParts want = ReadAsf(w.source());
        EXPECT_EQ(got.header, want.header);
        EXPECT_EQ(got.packets, want.packets);
    }
    bool record(const QString& url, const QString& out)
    {
        t.shell.saveFileAnswers.push_back(out);
        t.shell.resumeAnswers.push_back(ResumeChoice::Redownload);
        return controller.connectClick(url);
    }
    // Records `url` into `out` until the run ends by itself (the first run).
    bool recordToEnd(const QString& url, const QString& out)
    {
        return record(url, out) && WaitUntil([&] { return finished == 1; }, 20000);
    }
    // Runs ask for the stream over UDP, on a port bound now.
    bool overUdp()
    {
        t.settings.udpTick = true;
        t.settings.loadedUdpPort = QStringLiteral("0");
        return controller.bindUdp();
    }
    QString out(const QString& name) const { return t.dir.filePath(name); }
};

}  // namespace

TEST(ConnectionController, AStoppedRunsThreadNeverTouchesTheNextRun)
{
    ControllerFixture f;
    ServerProcess slow(f.media, Args(u"--rate 1"));
    ServerProcess fast(f.media, Args(u"--rate 0"));
    ASSERT_TRUE(slow.started() && fast.started());

    const QString first = f.out(QStringLiteral("first.wmv"));
    ASSERT_TRUE(f.record(slow.url(QStringLiteral("clip.wmv")), first));
    ASSERT_TRUE(WaitUntil([&] { return f.t.run.packetIndex >= 2; }, 20000));
    f.controller.disconnectConfirmed();
    EXPECT_EQ(f.lastEnd, RunEnd::UserStopped);

    // The next run starts at once, while the first one's thread may still be about.
    const QString second = f.out(QStringLiteral("second.wmv"));
    ASSERT_TRUE(f.record(fast.url(QStringLiteral("clip.wmv")), second));
    ASSERT_TRUE(WaitUntil([&] { return f.finished == 2; }, 20000));
    EXPECT_EQ(f.lastEnd, RunEnd::Completed);

    f.expectRecordedWhole(second);
    EXPECT_EQ(f.t.shell.messages.last(), QStringLiteral("下載完成， .asf 檔案寫入到本地磁碟"));
    EXPECT_EQ(f.t.shell.caption, QStringLiteral("Tovrin 已完成"));
    EXPECT_EQ(f.t.shell.mode, ModeLabel::Standby);
    EXPECT_EQ(f.t.shell.gauge, 100);
    EXPECT_EQ(f.t.shell.flashes, 1);
    EXPECT_EQ(f.t.shell.sounds.value(0), QStringLiteral("Done.wav"));
}

TEST(ConnectionController, ANewRunOverEitherTransportStartsWithoutTheLastRunsCredentials)
{
    ControllerFixture f;
    MmshController mmsh(f.t.ctx);
    ServerProcess server(f.media, Args(u"--rate 0 --http-port 0 --auth alice:s3cret"));
    ASSERT_TRUE(server.started());
    for (const bool overHttp : {false, true}) {
        SCOPED_TRACE(overHttp ? "mmsh" : "mms");
        f.t.shell.calls.clear();
        f.t.shell.passwordAnswers.push_back(PasswordAnswer{QStringLiteral("alice"), QStringLiteral("s3cret"), false});
        // The second run's dialog is cancelled: it must be asked again, with the same challenge.
        for (const QString& name : {QStringLiteral("a.wmv"), QStringLiteral("b.wmv")}) {
            f.t.shell.saveFileAnswers.push_back(f.out(QString::number(overHttp) + name));
            ASSERT_TRUE(overHttp ? mmsh.connectClick(server.mmshUrl(QStringLiteral("clip.wmv")))
                                 : f.controller.connectClick(server.url(QStringLiteral("clip.wmv"))));
            ASSERT_TRUE(WaitUntil([&] { return !mmsh.isRunning() && !f.controller.isRunning(); }, 20000));
        }
        const QStringList asked = f.t.shell.calls.filter(QStringLiteral("askPassword"));
        ASSERT_EQ(asked.size(), 2);
        EXPECT_EQ(asked[0], asked[1]);
    }
}

TEST(ConnectionController, DisconnectAnsweredNoLeavesTheRunAlone)
{
    ControllerFixture f;
    ServerProcess slow(f.media, Args(u"--rate 1"));
    ASSERT_TRUE(slow.started());
    ASSERT_TRUE(f.record(slow.url(QStringLiteral("clip.wmv")), f.out(QStringLiteral("n.wmv"))));
    ASSERT_TRUE(WaitUntil([&] { return f.t.run.packetIndex >= 1; }, 20000));
    f.controller.disconnectClick();  // the fake answers No
    EXPECT_TRUE(f.controller.isRunning());
    f.t.shell.confirmAnswers.push_back(true);
    f.controller.disconnectClick();
    EXPECT_FALSE(f.controller.isRunning());
    EXPECT_EQ(f.t.shell.messages.last(), QStringLiteral("連接關閉，您已下載並儲存這個媒介"));
    EXPECT_TRUE(f.t.shell.log.contains(QStringLiteral("- ASF 重新開始/結束 資料寫入")));
}

TEST(ConnectionController, ConnectRefusesWhatIsNoStreamAddress)
{
    ControllerFixture f;
    QString urlBox = QStringLiteral("unchanged");
    QObject::connect(&f.controller, &ConnectionController::urlTextChanged, [&](const QString& text) { urlBox = text; });
    EXPECT_FALSE(f.controller.connectClick(QString()));
    EXPECT_EQ(f.t.shell.messages.last(), QStringLiteral("沒有給予網址\n請使用「檔案」->「開啟」之後輸入媒介位置。"));
    EXPECT_FALSE(f.controller.connectClick(QStringLiteral("http://host/list.asx")));
    EXPECT_TRUE(f.t.shell.messages.last().startsWith(QStringLiteral("您只能直接輸入「MMS://」位置")));
    EXPECT_EQ(urlBox, QString());
    f.t.settings.serverSocket.clear();
    f.t.shell.log << QStringLiteral("kept");
    EXPECT_FALSE(f.controller.connectClick(QStringLiteral("mms://host/a.wmv")));
    EXPECT_EQ(f.t.shell.messages.last(), QStringLiteral("No TCP Port number\nUse Setup -> TCP (default = 1755)"));
    EXPECT_EQ(f.t.shell.log, QStringList{QStringLiteral("kept")}) << "refused before the run is reset";
    f.t.settings.serverSocket = QStringLiteral("1755");
    EXPECT_FALSE(f.controller.connectClick(QStringLiteral("mms://host/a")));
    EXPECT_EQ(f.t.shell.messages.last(), QStringLiteral("Please check URL entry, invalid path"));
    EXPECT_EQ(f.finished, 0);
}

TEST(ConnectionController, TheStopRoutineEndsARedirectorFetchUnderWay)
{
    ControllerFixture f;
    // A web server that accepts and then never answers.
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    RedirectorFetch fetch;
    fetch.setTimeLimit(15000);
    f.controller.setRedirectorFetch(&fetch);
    QTimer::singleShot(300, &f.controller, [&] { f.controller.stopRun(); });
    QElapsedTimer clock;
    clock.start();
    const QByteArray body = fetch.get(QStringLiteral("http://127.0.0.1:%1/list.asx").arg(silent.serverPort())).body;
    EXPECT_LT(clock.elapsed(), 5000) << "the fetch waited for its own time limit";
    EXPECT_TRUE(body.isEmpty());
    EXPECT_FALSE(fetch.isBusy());
}

TEST(ConnectionController, ATcpPortThatIsNoNumberIsAnUnexpectedErrorThatClosesTheFile)
{
    ControllerFixture f;
    f.t.ctx.stopper = nullptr;  // the controller ends the run itself
    f.t.settings.serverSocket = QStringLiteral("17x5");
    const QString out = f.out(QStringLiteral("p.wmv"));
    EXPECT_FALSE(f.record(QStringLiteral("mms://127.0.0.1/clip.wmv"), out));
    EXPECT_EQ(f.t.shell.messages.last(), QStringLiteral("讀取時發生一個意外 :-\n'17x5' is not a valid integer value"));
    EXPECT_FALSE(f.controller.isRunning());
    EXPECT_EQ(f.finished, 1);
    EXPECT_FALSE(f.controller.recording()->isOpen());
}

namespace {

const QByteArray kFileProperties = QByteArray::fromHex("A1DCAB8C47A9CF118EE400C00C205365");

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
        RunState& run = t.run;
        auto recording = std::make_unique<RecordingFile>();
        recording->open(path, true);
        controller.adoptRecording(std::move(recording));
        t.session.savePath = path;
        run.headerLength = std::uint32_t(source.header.size());
        run.packetSize = source.packetSize;
        run.filePacketCount = live ? kLivePacketCount : std::uint32_t(source.packets.size());
        run.storedPacketCount = std::uint32_t(source.packets.size());
        run.packetIndex = 2;
        run.mediaPacketStored = true;
        run.mediaTime = 1000;
    }
    QByteArray storedHeader() const { return ReadWholeFile(path).left(source.header.size()); }
};

}  // namespace

TEST(StopRoutine, PatchesTheFileOnceAndOnlyWhereTheRunAllowsIt)
{
    struct Case {
        const char* name;
        bool live, liveFixed, countFixed, localFile, patched;
    };
    const Case cases[] = {
        {"live", true, false, false, false, true},
        {"live, fixed flag set", true, true, false, false, false},
        {"live, local file", true, false, false, true, false},
        {"on demand", false, false, false, false, true},
        {"on demand, fixed flag set", false, false, true, false, false},
        {"on demand, local file", false, false, false, true, false},
    };
    for (const Case& c : cases) {
        EndingRun e(c.live);
        e.t.run.liveHeaderFixed = c.liveFixed;
        e.t.run.packetCountFixed = c.countFixed;
        e.t.run.localFileMode = c.localFile;
        e.controller.stopRun();
        const QByteArray first = e.storedHeader();
        EXPECT_EQ(first != e.source.header, c.patched) << c.name;
        // A second stop (the server closing after Disconnect) patches nothing more.
        e.t.run.packetIndex = 7;
        e.t.run.mediaTime = 5000;
        e.controller.stopRun();
        EXPECT_EQ(e.storedHeader(), first) << c.name << ": patched again";
    }
}

TEST(StopRoutine, TellsAFailedFixUpOnlyAfterLettingGoOfTheFile)
{
    QByteArray header = ReadAsf(SamplePath(Sample::Wmv)).header;
    header.replace(header.indexOf(kFileProperties), 5, "xxxxx");
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
    EXPECT_EQ(e.t.shell.messages, QStringList{QStringLiteral("ASF header fixing error - no File Object")});
    EXPECT_EQ(e.t.shell.log.count(QStringLiteral("- 無法修正連線 asf 檔案標題，檔案錯誤")), 1);
    EXPECT_FALSE(e.controller.recording()->isOpen());
}

TEST(ConnectionController, AConnectWhileTheLastRunsThreadEndsIsRefused)
{
    ControllerFixture f;
    ServerProcess slow(f.media, Args(u"--rate 1"));
    ServerProcess fast(f.media, Args(u"--rate 0"));
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
    f.expectRecordedWhole(second);
}

TEST(ConnectionController, DatagramsFromBeforeTheConnectionAreNotTheRunsData)
{
    ControllerFixture f;
    ASSERT_TRUE(f.overUdp());
    // Paced: at full speed a busy machine drops datagrams of its own.
    ServerProcess server(f.media, Args(u"--rate 8"));
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
    ASSERT_TRUE(f.recordToEnd(server.url(QStringLiteral("clip.wmv")), f.out(QStringLiteral("udp.wmv"))));
    EXPECT_EQ(f.lastEnd, RunEnd::Completed) << f.t.shell.log.join(u'\n').toStdString();
    f.expectRecordedWhole(f.out(QStringLiteral("udp.wmv")));
}

TEST(Completion, ADisconnectBeforeAnyPacketSaysNothingWasSaved)
{
    ControllerFixture f;
    QTcpServer silent;  // accepts and never answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    const QString url = QStringLiteral("mms://127.0.0.1:%1/clip.wmv").arg(silent.serverPort());
    ASSERT_TRUE(f.record(url, f.out(QStringLiteral("none.wmv"))));
    ASSERT_TRUE(WaitUntil([&] { return silent.hasPendingConnections(); }, 20000));
    f.t.shell.confirmAnswers.push_back(true);
    f.controller.disconnectClick();
    EXPECT_EQ(f.t.shell.messages.last(), QStringLiteral("連接關閉，沒有儲存任何媒介資料"));
}

TEST(ConnectionController, AUdpRunThatLostAPacketNamesItAndIsNotCalledComplete)
{
    ControllerFixture f;
    ASSERT_TRUE(f.overUdp());
    // Paced: at full speed a busy machine drops datagrams of its own.
    ServerProcess server(f.media, Args(u"--rate 8 --hostile drop-datagram"));
    ASSERT_TRUE(server.started());
    const QString out = f.out(QStringLiteral("lost.wmv"));
    ASSERT_TRUE(f.recordToEnd(server.url(QStringLiteral("clip.wmv")), out));
    const QString log = f.t.shell.log.join(QLatin1Char('\n'));
    EXPECT_EQ(f.lastEnd, RunEnd::Incomplete) << log.toStdString();
    // The server drops packet 5, after five good ones.
    EXPECT_TRUE(f.t.shell.log.contains(QStringLiteral("- 缺少 1 個資料封包: 5"))) << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("下載完成"))) << log.toStdString();
    EXPECT_EQ(f.t.shell.messages.last(),
              QStringLiteral("下載未完成，伺服器已結束串流但缺少 1 個資料封包\n已收到的部分 .asf 檔案寫入到本地磁碟"));
    EXPECT_EQ(f.t.shell.caption, QStringLiteral("Tovrin 未完成"));
    EXPECT_EQ(f.t.shell.flashes, 0);
    EXPECT_TRUE(f.t.shell.sounds.isEmpty());

    // Every other packet is in its slot.
    const AsfParts got = ReadAsf(out);
    const AsfParts want = ReadAsf(f.w.source());
    ASSERT_EQ(got.packets.size(), want.packets.size());
    for (std::size_t i = 0; i < want.packets.size(); ++i)
        EXPECT_TRUE(i == 5 || got.packets[i] == want.packets[i]) << "slot " << i;
}
