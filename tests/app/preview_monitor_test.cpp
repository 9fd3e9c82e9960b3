// The preview monitor and its command, offscreen: what it shows for a file,
// and what it does with a file it cannot show.
#include "app/desktop_run.h"
#include "state/run_reset.h"
#include "support/asf_sample.h"
#include "support/golden.h"
#include "support/qt_printers.h"
#include "support/widget_lines.h"

#include <QAction>
#include <QLabel>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;
using namespace Qt::StringLiterals;

TEST(PreviewMonitor, AnAudioOnlyStreamShowsRadioBroadcastAtTheSmallestSize)
{
    PreviewMonitor monitor;
    monitor.resize(600, 500);
    monitor.showPreview(SamplePath(Sample::Wma), kAudioStreamBit, true);
    // Loaded, waiting for Play.
    EXPECT_TRUE(WaitUntil([&] { return StatusText(monitor) == u"Stopped"_s; }, 20000))
        << StatusText(monitor).toStdString() << " " << int(monitor.player().mediaStatus()) << " "
        << monitor.errorText().toStdString();
    const QStringList lines{Line(monitor.isVisible(), monitor.size(), monitor.minimumSize())};
    // The volume control depends on this machine's sound device.
    const QRegularExpression notVolume(u"^(?!volume(Slider|Note))"_s);
    EXPECT_GOLDEN("app/preview_monitor_audio", lines + WidgetLines(&monitor).filter(notVolume));
    monitor.close();
    EXPECT_TRUE(monitor.player().source().isEmpty()) << "the close step lets go of the file";
}

TEST(PreviewCommand, RefusesARemoteStreamAndReportsAnUnplayableFileWithoutTouchingTheRun)
{
    Desktop d;
    DesktopApp& app = *d.app;
    QStringList messages;
    ModalDriver driver([&](QWidget* modal) { messages << AnswerMessageBox(modal); });

    app.context().session.mediaLocation = u"mms://host/show.asf"_s;
    app.openPreview();
    QStringList lines{Line(messages, "shown", app.previewMonitor().isVisible())};

    // Not media at all, under a media name: the player fails on it.
    const QString bad = d.dir.filePath(u"bad.wmv"_s);
    ASSERT_TRUE(WriteWholeFile(bad, QByteArray(4096, 'x'), QFile::ReadOwner | QFile::WriteOwner));
    app.context().session.mediaLocation = bad;
    const QStringList logBefore = app.window().logLines();
    app.window().findChild<QAction*>(u"openMonitorAction"_s)->trigger();
    PreviewMonitor& monitor = app.previewMonitor();
    ASSERT_TRUE(monitor.isVisible());
    ASSERT_TRUE(WaitUntil([&] { return !monitor.errorText().isEmpty(); }, 20000));
    EXPECT_TRUE(WaitUntil([&] { return StatusText(monitor) == monitor.errorText(); }, 5000));
    auto* box = monitor.findChild<QMessageBox*>(u"previewErrorBox"_s);
    ASSERT_NE(box, nullptr);
    // The box is modeless: nothing waits on it.
    lines << Line("box shown", box->isVisible(), "tells the error", box->text() == monitor.errorText(), "messages",
                  messages.size(), "log kept", app.window().logLines() == logBefore, app.window().statusCaption());

    // A new run (or a newly opened location) closes the monitor and its file.
    ResetRun(app.context());
    lines << Line("after a reset: shown", monitor.isVisible(), "no file", monitor.player().source().isEmpty());
    EXPECT_GOLDEN("app/preview_command", lines);
}
