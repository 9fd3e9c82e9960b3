#include "app/desktop_run.h"
#include "app/schedule_editor.h"
#include "locations/session_log.h"
#include "support/asf_builder.h"
#include "support/asf_sample.h"
#include "support/cli_runner.h"
#include "support/golden.h"
#include "support/qt_printers.h"
#include "support/recording_checks.h"
#include "support/server_process.h"
#include "support/temp_settings.h"
#include "support/widget_lines.h"
#include "support/workspace.h"
#include "user_actions/open_media.h"

#include <QAction>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableWidget>
#include <QUdpSocket>

#include <unistd.h>

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace tovrin::test;
using namespace Qt::StringLiterals;

// The stored values themselves: WindowState and SettingsRecord; the menus
// and the tool bar hold the commands in order.
TEST(MainWindow, StartsFromAnEmptyStoreWithTheDesignGeometryAndKeepsTheUrlListAndGeometryOverARestart)
{
    ConfigureDesktopApplication();
    // Empty but for the UDP port: the default, 7000, is the port VLC's mmsu
    // client always asks for, and a window bound to it while the peer tests
    // run would take their datagrams.
    Desktop d(u"UDPPort=0");
    MainWindow& w = d.app->window();
    QStringList lines{Line(QGuiApplication::desktopFileName(), w.windowIcon().isNull(), w.pos(), w.size(),
                           w.minimumSize(), w.urlBox()->insertPolicy())};
    // A menu item's (empty) tip, as the pointer passing over it sends it,
    // leaves the help line in the status bar.
    w.findChild<QAction*>(u"openAction"_s)->showStatusText(&w);
    lines << ActionLines(w.menuBar()->actions()) << WidgetLines(&w);

    w.setUrlItems({u"mms://a/1.wmv"_s, u"mms://b/2"_s, u"mms://c/3.asf"_s});
    w.setUrlText(u"mms://typed/but/not/an/item"_s);
    w.resize(500, 600);
    w.close();  // the close box runs the close sequence
    DesktopApp again(d.store);
    lines << Line("closed", d.app->hasClosed(), w.logLines().last(), "again", again.window().urlItems(),
                  again.window().urlText(), again.window().size());
    EXPECT_GOLDEN("app/main_window_start", lines);
}

TEST(MainWindow, TheOpenWindowClosesThenOpensTheLocationAndKeepsItsHistory)
{
    Desktop d;
    const QString redirector = WriteFile(d.dir, u"list.asx"_s,
                                         "<asx version=\"3.0\"><entry><ref href=\"mms://h/one\"/></entry>"
                                         "<entry><ref href=\"mms://h/two\"/></entry></asx>");
    const QString log = WriteFile(d.dir, u"old.log"_s, "first\nsecond\n");
    OpenLocationWindow& open = d.app->openWindow();
    bool shownWhileOpening = false;
    QObject::connect(d.app->window().findChild<QPlainTextEdit*>(), &QPlainTextEdit::textChanged, &open,
                     [&] { shownWhileOpening |= open.isVisible(); });
    QStringList lines;
    QObject::connect(&open, &OpenLocationWindow::opened, [&](OpenOutcome o) { lines << Line("opened", int(o)); });
    for (const QString& location : {u"  "_s + redirector, log}) {
        d.app->window().findChild<QAction*>(u"openAction"_s)->trigger();
        lines << Line(location, "shown", open.isVisible());
        open.historyBox()->setEditText(location);
        open.findChild<QPushButton*>(u"okButton"_s)->click();
        lines << Line("shown", open.isVisible(), d.app->window().urlItems()) << d.app->window().logLines();
    }
    // Shown again, the window offers the history newest first, trimmed.
    open.show();
    lines << Line(shownWhileOpening, open.historyBox()->count(), open.historyBox()->currentText(),
                  open.historyBox()->itemText(1));

    // Browse lists what Tovrin opens and puts the pick in the box; nothing
    // opens until OK.
    WriteFile(d.dir, u"notes.txt"_s, {});
    d.store.write(u"OpenDir"_s, d.dir.path() + u'/');
    ModalDriver driver([&](QWidget* chooser) {
        lines << Line("chooser", ListedFiles(chooser));
        AcceptFileChooser(chooser, redirector);
    });
    open.findChild<QPushButton*>(u"browseButton"_s)->click();
    lines << Line(open.historyBox()->currentText(), d.app->window().logLines().last());
    open.findChild<QPushButton*>(u"cancelButton"_s)->click();
    lines << Line("shown", open.isVisible());
    EXPECT_GOLDEN("app/open_window", lines.replaceInStrings(d.dir.path(), u"<dir>"_s));
}

// Printing asks first, with the printer the set-up dialog chose; cancelling
// prints nothing. A run that ends with AutoLog on asks the desktop to save
// the log: over either transport the save chooser takes it and the log is
// written there. Then a local WMV fills the file-properties pages that the
// info button shows.
TEST(MainWindow, PrintingAndSavingTheLogThenALocalWmvsFilePropertiesPages)
{
    Desktop d;
    const QString pdf = d.dir.filePath(u"log.pdf"_s);
    d.app->logPrinter().printer().setOutputFormat(QPrinter::PdfFormat);
    d.app->logPrinter().printer().setOutputFileName(pdf);
    // The log is kept line for line: an empty first line, a line that holds a CR.
    const QStringList logLines{QString(), u"一行\r"_s};
    for (const QString& line : logLines)
        d.app->shell().appendLog(line);
    const QString logs[] = {d.dir.filePath(u"mms.log"_s), d.dir.filePath(u"mmsh.log"_s)};
    int chosen = 0;
    QList<QPrinter*> dialogPrinters;
    ModalDriver driver([&](QWidget* modal) {
        if (auto* dialog = qobject_cast<QPrintDialog*>(modal)) {
            dialogPrinters << dialog->printer();
            QTimer::singleShot(0, dialog, &QDialog::reject);
        } else if (qobject_cast<QFileDialog*>(modal) && chosen < 2) {
            AcceptFileChooser(modal, logs[chosen++]);
        }
    });
    d.app->window().findChild<QAction*>(u"printSetupAction"_s)->trigger();
    d.app->window().findChild<QAction*>(u"printLogAction"_s)->trigger();
    emit d.app->engine().saveLogRequested();
    emit d.app->engine().saveLogRequested();
    EXPECT_EQ(QString(Line(dialogPrinters.size(), dialogPrinters.value(0) == dialogPrinters.value(1),
                           QFileInfo::exists(pdf), ReadWholeFile(logs[0]) == EncodeSessionLog(logLines),
                           ReadWholeFile(logs[1]) == ReadWholeFile(logs[0]),
                           d.app->window().findChild<QPlainTextEdit*>()->blockCount())),
              u"2 true false true true 2"_s);

    RedirectorFetch fetch;
    d.app->context().session.mediaLocation = SamplePath(Sample::Wmv);
    ASSERT_EQ(OpenMedia(d.app->context(), fetch), OpenOutcome::MediaInspected);

    FilePropertiesWindow& properties = d.app->filePropertiesWindow();
    EXPECT_FALSE(properties.isVisible());
    d.button("informationButton")->click();
    QStringList lines{Line(properties.isVisible(), bool(properties.windowFlags() & Qt::WindowStaysOnTopHint))};
    for (int i = 0; i < properties.pages()->count(); ++i)
        lines << properties.pages()->tabText(i);
    // The sample's path, size and write time vary with the machine.
    (lines << WidgetLines(&properties)).replaceInStrings(SamplePath(Sample::Wmv), u"<sample>"_s);
    lines.replaceInStrings(QRegularExpression(u"\\d+ KBytes|\"[^\"]*(?=  \\(最後)"_s), u"<varies>"_s);
    // Opening again starts from empty pages, not from the lines of the last file.
    ASSERT_EQ(OpenMedia(d.app->context(), fetch), OpenOutcome::MediaInspected);
    lines << Line("again", properties.findChild<QPlainTextEdit*>(u"bitRateInfoField"_s)->toPlainText());
    EXPECT_GOLDEN("app/wmv_properties", lines);
}

// A run the server cuts short is told as incomplete and leaves the buttons
// as they were. The next run of the
// same file resumes it through the resume dialog, asks for credentials,
// swaps the buttons while it runs and ends at one hundred with its chime:
// played at completion, then every second while the message stays open. The
// refresh tick writes the statistics page while it runs.
TEST(MainWindowRun, AnInterruptedRecordingResumesAsksForCredentialsAndEndsAtOneHundredWithItsChime)
{
    Workspace w;
    const QString out = w.out(u"clip.wmv"_s);
    QStringList lines;
    {
        ServerProcess dropping(w.media, Args(u"--rate 0 --drop-after 10"));
        ASSERT_TRUE(dropping.started());
        Desktop d;
        const WindowRun first = RecordThroughWindow(d, dropping.url(u"clip.wmv"_s), out);
        lines << Line("ended", first.ended, "restored", first.buttonsRestored, d.app->window().statusCaption());
    }
    ServerProcess server(w.media, Args(u"--rate 4 --auth tovrin:secret"));
    ASSERT_TRUE(server.started());
    Desktop d;
    d.app->context().settings.doneInterval = u"1"_s;
    const WindowRun run = RecordThroughWindow(d, server.url(u"clip.wmv"_s), out, 3500, [&](QWidget* modal) {
        if (modal->findChild<QAbstractButton*>(u"resumeButton"_s)) {
            lines << u"resume asked"_s;
            ClickChild(modal, u"resumeButton"_s);
        } else if (auto* id = modal->findChild<QLineEdit*>(u"userIdEdit"_s)) {
            lines << u"credentials asked"_s;
            id->setText(u"tovrin"_s);
            modal->findChild<QLineEdit*>(u"passwordEdit"_s)->setText(u"secret"_s);
            ClickChild(modal, u"okButton"_s);
        }
    });
    const FilePropertiesWindow& properties = d.app->filePropertiesWindow();
    lines << Line("ended", run.ended, "swapped", run.buttonsSwapped, "restored", run.buttonsRestored, "flashes",
                  d.flashes, "3+ sounds", d.sounds >= 3)
          << Line("captions", d.captions.first(), d.captions.contains(u"Tovrin 動作"_s), d.captions.size() >= 4,
                  d.captions.last())
          << Line("gauge", d.app->window().gauge()->value(), d.app->window().gauge()->isTextVisible())
          << Line("packets", properties.fieldText(PropertyField::Packets).toUInt() > 0, "window",
                  properties.fieldText(PropertyField::StreamWindow), "time left shown",
                  properties.fieldText(PropertyField::TimeLeft) == d.field("timeLeft"));
    EXPECT_GOLDEN("app/resumed_run", lines << run.messages);
    ExpectSameAsSource(out, w.source());
}

// A run's log names what it was opened from: an address typed after a
// redirector was opened is the address itself.
TEST(MainWindowRun, ARunsLogNamesWhatItWasOpenedFrom)
{
    Workspace w;
    ServerProcess server(w.media, Args(u"--rate 0"));
    Desktop d;
    d.app->openLocation(WriteFile(d.dir, u"a.asx"_s, "<ref href=\"" + server.url(u"clip.wmv"_s).toUtf8() + "\"/>"));
    RecordThroughWindow(d, server.url(u"clip.wmv"_s, u"mmst"_s), w.out(u"b.wmv"_s));
    EXPECT_EQ(d.app->window().logLines().filter(u"開啟 :\tmmst://"_s).size(), 1);
}

namespace {

// This process's resident memory (KiB).
qint64 ResidentKiB()
{
    const auto pages = ReadWholeFile(u"/proc/self/statm"_s).split(' ');
    return pages.size() > 1 ? pages[1].toLongLong() * (::sysconf(_SC_PAGESIZE) / 1024) : -1;
}

// Keeps the window's thread busy as painting a large window does: 15 ms of
// every 20.
struct BusyWindow {
    QTimer timer;
    BusyWindow()
    {
        QObject::connect(&timer, &QTimer::timeout, [] {
            QElapsedTimer busy;
            busy.start();
            while (busy.elapsed() < 15) {
            }
        });
        timer.start(20);
    }
};

}  // namespace

// A busy window records a stream a server sends over UDP as fast as it can
// without losing a datagram: they are read on a thread of their own. And a
// flood of datagrams at the UDP port during a run over HTTP reaches nothing:
// only a UDP run binds the port, so the log and memory stay as they are.
TEST(MainWindowRun, DatagramsAreTakenOffTheWindowsThreadAndOnlyAUdpRunTakesThem)
{
    Workspace w;
    ServerProcess server(w.media, Args(u"--rate 0 --http-port 0"));
    QUdpSocket probe;  // a free port for the settings
    ASSERT_TRUE(probe.bind(QHostAddress::LocalHost, 0));
    const quint16 port = probe.localPort();
    probe.close();
    Desktop d(u"LastProto=UDP UDPPort=%1"_s.arg(port));
    {
        BusyWindow busy;
        const QString out = w.out(u"udp.wmv"_s);
        RecordThroughWindow(d, server.url(u"clip.wmv"_s), out);
        ExpectSameAsSource(out, w.source());
    }

    std::atomic<bool> flooding{true};
    std::thread flood([&] {
        QUdpSocket sender;
        const QByteArray stray = DataPacket(1, 4, QByteArray(200, 's'));
        for (int i = 0; i < 100000 && flooding; ++i)
            sender.writeDatagram(stray, QHostAddress::LocalHost, port);
    });
    const qint64 before = ResidentKiB();
    RecordThroughWindow(d, server.mmshUrl(u"clip.wmv"_s), w.out(u"http.wmv"_s));
    flooding = false;
    flood.join();
    EXPECT_TRUE(d.app->window().logLines().filter(u"UDP"_s, Qt::CaseSensitive).filter(u"Warning"_s).isEmpty());
    if (!kAddressSanitizer)  // whose shadow memory makes the resident size mean nothing
        EXPECT_LT(ResidentKiB() - before, 20 * 1024) << "memory grew with the stray datagrams";
    ExpectSameAsSource(w.out(u"http.wmv"_s), w.source());
}

// The 排程 window: one the program missed while it was closed is in the log
// at start; one added through the editor starts on time as its own
// tovrin-cli, records a live point whole and shows 已完成 in its row.
// Closing while an entry is still to come asks: the tray (or, without one,
// a minimized window) keeps the program going, 結束程式 ends it.
TEST(ScheduleWindow, AnEntryAddedThroughTheEditorRecordsOnTimeAndClosingAsksWhetherToGoOnInTheTray)
{
    qputenv("TOVRIN_CLI", TOVRIN_CLI_PATH);
    Workspace w;
    ServerProcess live(w.media, {u"--live"_s, u"news="_s + w.source()});
    ASSERT_TRUE(live.started());
    const QDateTime missed = QDateTime::currentDateTime().addDays(-2);
    Desktop d(u"UDPPort=0 Schedules/1/Address=mms://h/old Schedules/1/Start=%1 Schedules/1/Handled=%2"_s.arg(
        missed.toString(Qt::ISODate), missed.addDays(-1).toString(Qt::ISODate)));
    EXPECT_TRUE(d.app->window().logLines().contains(u"- 錯過排程錄製 mms://h/old: "_s
                                                    + missed.toString(u"yyyy-MM-dd HH:mm"_s)));
    QString answer = u"trayButton"_s;
    QStringList questions;
    ModalDriver driver([&](QWidget* modal) {
        if (auto* editor = qobject_cast<ScheduleEditor*>(modal)) {
            editor->findChild<QLineEdit*>(u"addressEdit"_s)->setText(live.url(u"news"_s));
            editor->findChild<QDateTimeEdit*>(u"startEdit"_s)->setDateTime(QDateTime::currentDateTime().addSecs(2));
            editor->findChild<QLineEdit*>(u"durationEdit"_s)->setText(u"3"_s);
            editor->findChild<QLineEdit*>(u"folderEdit"_s)->setText(w.out(u"rec"_s));
            editor->findChild<QLineEdit*>(u"nameEdit"_s)->setText(u"news.wmv"_s);
            QTimer::singleShot(0, editor, &QDialog::accept);
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            questions << box->text().section(u'\n', 0, 0);
            ClickChild(box, answer);
        }
    });
    d.app->showSchedules();
    QTableWidget* table = d.app->scheduleWindow().table();
    d.app->scheduleWindow().findChild<QPushButton*>(u"addButton"_s)->click();
    ASSERT_EQ(table->rowCount(), 2);
    const auto state = [&] { return table->item(1, ScheduleWindow::State)->text(); };
    EXPECT_TRUE(WaitUntil([&] { return state().startsWith(u"已完成"_s); }, 30000)) << state().toStdString();
    EXPECT_EQ(RunCli(Args(u"check") << w.out(u"rec/news.wmv"_s), w.config).exitCode, 0);

    ScheduledRecording daily;
    daily.address = u"mms://h/daily"_s;
    daily.start = QDateTime::currentDateTime().addDays(1);
    d.app->schedules().add(daily);
    d.app->window().close();
    EXPECT_FALSE(d.app->hasClosed());
    EXPECT_TRUE(!d.app->window().isVisible() || d.app->window().isMinimized());
    answer = u"quitButton"_s;
    d.app->window().findChild<QAction*>(u"exitAction"_s)->trigger();
    EXPECT_TRUE(d.app->hasClosed());
    EXPECT_EQ(questions, QStringList(2, u"排程錄製仍在等候或進行中。"_s));
}
