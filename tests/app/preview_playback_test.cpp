// The preview monitor playing real media with GStreamer, under Xvfb: a
// complete file, and the save file of a recording made at real-time pace.
#include "app/desktop_app.h"
#include "app/modal_driver.h"
#include "support/ffprobe.h"
#include "support/qt_printers.h"
#include "support/recording_checks.h"
#include "support/server_process.h"
#include "support/workspace.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QScrollBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>

using namespace tovrin;
using namespace tovrin::test;
using namespace Qt::StringLiterals;

namespace {

QString StatusText(PreviewMonitor& monitor)
{
    return monitor.findChild<QLabel*>(u"statusLabel"_s)->text();
}

// The desktop program recording the 20 s sample (media/long.wmv) from a test
// server started with `serverArgs` ("{source}" stands for the sample's path),
// its dialogs answered: the save chooser with `out`, every message box read
// and confirmed.
struct Recording {
    Workspace w;
    QString source = w.media + u"/long.wmv"_s;
    bool copied = QFile::copy(SamplePath(Sample::WmvLong), source);
    ServerProcess server;
    SettingsStore store{w.out(u"Tovrin.conf"_s)};
    std::unique_ptr<DesktopApp> app;
    QString out;
    QStringList messages;
    ModalDriver driver{[this](QWidget* modal) {
        if (qobject_cast<QFileDialog*>(modal))
            AcceptFileChooser(modal, out);
        else
            messages << AnswerMessageBox(modal);
    }};

    explicit Recording(QStringList serverArgs) : server(w.media, serverArgs.replaceInStrings(u"{source}"_s, source))
    {
        store.write(u"UDPPort"_s, u"0"_s);
        app = std::make_unique<DesktopApp>(store);
        app->show();
    }
    // Connects to `path` on the server, saving to `saveName`; true once the
    // save file exists.
    bool start(const QString& path, const QString& saveName)
    {
        out = w.out(saveName);
        app->window().urlBox()->setEditText(server.url(path));
        app->connectClick();
        return WaitUntil([&] { return QFile::exists(out); }, 20000);
    }
    // The run is over, and the monitor has played the file to its end and
    // loaded it again from its path.
    bool endedAndReloaded(PreviewMonitor& monitor, int timeoutMs)
    {
        return WaitUntil(
            [&] {
                return !app->transport().isRunning() && !monitor.isFollowingFile()
                       && monitor.player().mediaStatus() == QMediaPlayer::LoadedMedia;
            },
            timeoutMs);
    }
};

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

TEST(PreviewPlayback, TheSaveFileOpenedRightAfterConnectIsFollowedToTheEndOfTheRecording)
{
    Recording r(Args(u"--rate 1"));
    ASSERT_TRUE(r.copied && r.server.started());
    ASSERT_TRUE(r.start(u"long.wmv"_s, u"long.wmv"_s));

    // What the file held when the monitor opened it.
    const QString snapshot = r.w.out(u"snapshot.wmv"_s);
    QFile::copy(r.out, snapshot);
    r.app->window().findChild<QToolButton*>(u"previewButton"_s)->click();
    PreviewMonitor& monitor = r.app->previewMonitor();
    ASSERT_TRUE(monitor.isVisible());
    EXPECT_TRUE(monitor.isFollowingFile());
    qint64 furthest = 0;
    QObject::connect(&monitor.player(), &QMediaPlayer::positionChanged, &monitor,
                     [&](qint64 ms) { furthest = std::max(furthest, ms); });
    monitor.play();

    // The recording ends, the player reaches the file's end, and the complete
    // file is then loaded from its path, once.
    ASSERT_TRUE(r.endedAndReloaded(monitor, 90000)) << StatusText(monitor).toStdString() << " furthest " << furthest;
    EXPECT_TRUE(monitor.errorText().isEmpty()) << monitor.errorText().toStdString();
    EXPECT_GE(furthest, 18000);
    const QList<double> onDisk = PacketTimes(snapshot);
    const double lastOnDiskMs = onDisk.isEmpty() ? -1 : *std::ranges::max_element(onDisk) * 1000;
    EXPECT_GT(furthest, lastOnDiskMs + 10000) << "played well past what was on disk at the start";
    WaitUntil([] { return false; }, 1000);
    EXPECT_EQ(StatusText(monitor), u"Stopped"_s);
    EXPECT_FALSE(monitor.isFollowingFile());

    EXPECT_TRUE(r.messages.contains(u"下載完成， .asf 檔案寫入到本地磁碟"_s)) << r.messages.join(u'|').toStdString();
    ExpectSameAsSource(r.out, r.source);
    r.app->closeProgram();
}

TEST(PreviewPlayback, ALiveSaveFileIsFollowedUntilTheRecordingIsStopped)
{
    // A live header states no length: the file is read as a stream.
    Recording r(Args(u"--live news={source}"));
    ASSERT_TRUE(r.copied && r.server.started());
    ASSERT_TRUE(r.start(u"news"_s, u"news_live.asf"_s));
    r.app->openPreview();
    PreviewMonitor& monitor = r.app->previewMonitor();
    ASSERT_TRUE(monitor.isFollowingFile());
    monitor.play();
    ASSERT_TRUE(WaitUntil([&] { return monitor.player().position() >= 6000; }, 30000))
        << StatusText(monitor).toStdString() << " " << monitor.player().position();
    r.app->transport().stop();
    EXPECT_TRUE(r.endedAndReloaded(monitor, 30000)) << StatusText(monitor).toStdString();
    EXPECT_TRUE(monitor.errorText().isEmpty()) << monitor.errorText().toStdString();
    r.app->closeProgram();
}
