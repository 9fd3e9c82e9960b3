// The preview monitor playing real media with GStreamer, under Xvfb: a
// complete file, and the save file of a recording made at real-time pace.
#include "app/desktop_run.h"
#include "support/ffprobe.h"
#include "support/golden.h"
#include "support/golden_line.h"
#include "support/qt_printers.h"
#include "support/recording_checks.h"
#include "support/server_process.h"
#include "support/workspace.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>

using namespace tovrin;
using namespace tovrin::test;
using namespace Qt::StringLiterals;

namespace {

// The run is over, and the monitor has played the file to its end and loaded
// it again from its path.
bool EndedAndReloaded(Desktop& d, PreviewMonitor& monitor, int timeoutMs)
{
    return WaitUntil(
        [&] {
            return !d.app->engine().isRunning() && !monitor.isFollowingFile()
                   && monitor.player().mediaStatus() == QMediaPlayer::LoadedMedia;
        },
        timeoutMs);
}

}  // namespace

TEST(PreviewPlayback, ACompleteFilePlaysAndABarReleaseSeeksThereAndPlays)
{
    PreviewMonitor monitor;
    monitor.showPreview(SamplePath(Sample::WmvLong), kAudioStreamBit | kVideoStreamBit, true);
    ASSERT_TRUE(WaitUntil([&] { return StatusText(monitor) == u"Stopped"_s; }, 20000))
        << StatusText(monitor).toStdString();
    monitor.findChild<QToolButton*>(u"playButton"_s)->click();
    auto* position = monitor.findChild<QLabel*>(u"positionLabel"_s);
    ASSERT_TRUE(
        WaitUntil([&] { return StatusText(monitor) == u"Playing"_s && monitor.player().position() >= 1000; }, 20000));
    EXPECT_TRUE(WaitUntil([&] { return position->text() != u"00 : 00 : 00"_s; }, 5000));
    // The 320 x 240 picture keeps its shape in the area it is given.
    auto* video = monitor.findChild<QWidget*>(u"videoWidget"_s);
    EXPECT_NEAR(double(video->width()) / video->height(), 320.0 / 240.0, 0.02);

    auto* bar = monitor.findChild<QScrollBar*>(u"positionBar"_s);
    EXPECT_NEAR(bar->maximum(), 20000, 500);
    bar->setSliderDown(true);  // taking the thumb holds the player
    EXPECT_NE(monitor.player().playbackState(), QMediaPlayer::PlayingState);
    QList<qint64> after;
    QObject::connect(&monitor.player(), &QMediaPlayer::positionChanged, &monitor, [&](qint64 ms) { after << ms; });
    bar->setSliderPosition(5000);
    bar->setSliderDown(false);  // letting go seeks there and plays
    ASSERT_TRUE(WaitUntil(
        [&] { return monitor.player().playbackState() == QMediaPlayer::PlayingState && after.size() >= 2; }, 20000));
    EXPECT_GE(after.first(), 4900) << "the first position after the seek";
    EXPECT_TRUE(WaitUntil([&] { return position->text() >= u"00 : 00 : 05"_s; }, 5000));
    monitor.close();
}

// The desktop program recording the 20 s sample (media/long.wmv) at real-time
// pace, its save file opened in the monitor as soon as it exists.
TEST(PreviewPlayback, TheSaveFileOpenedRightAfterConnectIsFollowedToTheEndOfTheRecording)
{
    Workspace w;
    const QString source = w.media + u"/long.wmv"_s;
    ASSERT_TRUE(QFile::copy(SamplePath(Sample::WmvLong), source));
    ServerProcess server(w.media, Args(u"--rate 1"));
    ASSERT_TRUE(server.started());
    Desktop d;
    const QString out = w.out(u"long.wmv"_s), snapshot = w.out(u"snapshot.wmv"_s);
    PreviewMonitor& monitor = d.app->previewMonitor();
    qint64 furthest = 0;
    QObject::connect(&monitor.player(), &QMediaPlayer::positionChanged, &monitor,
                     [&](qint64 ms) { furthest = std::max(furthest, ms); });
    const WindowRun run = RecordThroughWindow(d, server.url(u"long.wmv"_s), out, 0, {}, [&](const WindowRun&) {
        ASSERT_TRUE(WaitUntil([&] { return QFile::exists(out); }, 20000));
        QFile::copy(out, snapshot);  // what the file held when the monitor opened it
        d.button("previewButton")->click();
        ASSERT_TRUE(monitor.isVisible());
        EXPECT_TRUE(monitor.isFollowingFile());
        monitor.play();
    });

    // The recording ends, the player reaches the file's end, and the complete
    // file is then loaded from its path, once.
    ASSERT_TRUE(EndedAndReloaded(d, monitor, 60000)) << StatusText(monitor).toStdString() << " furthest " << furthest;
    EXPECT_GE(furthest, 18000);
    const QList<double> onDisk = PacketTimes(snapshot);
    const double lastOnDiskMs = onDisk.isEmpty() ? -1 : *std::ranges::max_element(onDisk) * 1000;
    EXPECT_GT(furthest, lastOnDiskMs + 10000) << "played well past what was on disk at the start";
    WaitUntil([] { return false; }, 1000);
    EXPECT_EQ(Line(monitor.errorText(), StatusText(monitor), monitor.isFollowingFile(),
                   run.messages.contains(u"下載完成， .asf 檔案寫入到本地磁碟"_s)),
              u" Stopped false true"_s)
        << run.messages.join(u'|').toStdString();
    ExpectSameAsSource(out, source);
    d.app->closeProgram();
}

// A live header states no length: the file is read as a stream. While the
// live point runs the window shows LIVE and the media cannot change, even
// from the open window, which is modeless and may still be open when the run
// starts; disconnecting asks, then tells what was saved.
TEST(PreviewPlayback, ALiveSaveFileIsFollowedUntilTheRecordingIsStopped)
{
    Workspace w;
    ServerProcess server(w.media, {u"--live"_s, u"news="_s + SamplePath(Sample::WmvLong)});
    ASSERT_TRUE(server.started());
    Desktop d;
    PreviewMonitor& monitor = d.app->previewMonitor();
    d.app->window().findChild<QAction*>(u"openAction"_s)->trigger();
    OpenLocationWindow& open = d.app->openWindow();
    ASSERT_TRUE(open.isVisible());
    QStringList lines;
    const auto during = [&](const WindowRun& run) {
        ASSERT_TRUE(WaitUntil([&] { return d.field("timeLeft") == u"LIVE"_s; }, 20000));
        EXPECT_TRUE(WaitUntil([&] { return d.app->window().statusCaption() == u"Tovrin - live -"_s; }, 2000));
        lines << Line("live", d.labelShown("liveLabel"), "standby", d.labelShown("standbyLabel"),
                      d.app->window().findChild<QLabel*>(u"liveLabel"_s)->palette().color(QPalette::Window));
        open.historyBox()->setEditText(u"mms://elsewhere/x"_s);
        open.findChild<QPushButton*>(u"okButton"_s)->click();
        d.app->window().findChild<QAction*>(u"openAction"_s)->trigger();
        lines << Line("messages", run.messages.size(), "open shown", open.isVisible(), "running",
                      d.app->engine().isRunning(), "MediaList", d.store.read(u"MediaList"_s));
        open.hide();
        d.app->openPreview();
        ASSERT_TRUE(monitor.isFollowingFile());
        monitor.play();
        ASSERT_TRUE(WaitUntil([&] { return monitor.player().position() >= 6000; }, 30000))
            << StatusText(monitor).toStdString() << " " << monitor.player().position();
        d.button("disconnectButton")->click();
    };
    const WindowRun run = RecordThroughWindow(d, server.url(u"news"_s), w.out(u"news_live.asf"_s), 0, {}, during);
    EXPECT_TRUE(EndedAndReloaded(d, monitor, 30000)) << StatusText(monitor).toStdString();
    EXPECT_TRUE(monitor.errorText().isEmpty()) << monitor.errorText().toStdString();
    lines << Line(d.app->window().statusCaption(), "standby", d.labelShown("standbyLabel"));
    EXPECT_GOLDEN("app/live_run", lines << run.messages);
    d.app->closeProgram();
}
