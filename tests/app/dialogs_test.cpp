#include "app/about_window.h"
#include "app/command_line.h"
#include "app/completion_sound.h"
#include "app/desktop_run.h"
#include "app/file_choosers.h"
#include "app/log_printer.h"
#include "app/modal_driver.h"
#include "app/password_dialog.h"
#include "app/resume_dialog.h"
#include "app/settings_dialog.h"
#include "app/single_instance.h"
#include "app/tovrin_application.h"
#include "state/run_reset.h"
#include "support/asf_sample.h"
#include "support/core_app.h"
#include "support/golden.h"
#include "support/golden_line.h"
#include "support/qt_printers.h"
#include "support/temp_settings.h"
#include "support/widget_lines.h"
#include "tovrin_version.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTextBlock>
#include <QUuid>

#include <functional>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace tovrin {
namespace {

using namespace test;

void Click(QWidget* dialog, const QString& button)
{
    auto* found = dialog->findChild<QPushButton*>(button);
    ASSERT_NE(found, nullptr) << button.toStdString();
    found->click();
}

// Types into a field as the user would (textEdited fires).
void Type(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    edit->insert(text);
}

TEST(DialogFilterPatterns, SplitsAtSemicolonsAndBlanks)
{
    QStringList lines;
    for (const QString& entry :
         {u"Windows 媒介檔案 (*.asf;*.wmv;*.wma;*.wm)"_s, u"WM Redirector 檔案 (*.asx; *.wmx; *.wax; *.wvx)"_s,
          u"Tovrin 記錄檔案 (*.log)"_s, u"Images (x) (*.png *.jpg)"_s, u"no patterns"_s})
        lines << entry + u" -> "_s + FilterPatterns(entry).join(u'|');
    EXPECT_GOLDEN("app/filter_patterns", lines);
}

// Each chooser starts on the entry for its kind and lists that entry's
// files; the typed name comes back with the entry's extension.
// Switching entries relists and keeps a real extension in the name.
TEST(DialogChoosers, ListTheSelectedEntrysFilesReturnTheTypedNameAndRelistOnSwitching)
{
    QTemporaryDir folder;
    for (const QString& name : {u"a.asf"_s, u"b.wmv"_s, u"c.txt"_s, u"d.log"_s, u"e.asx"_s})
        WriteFile(folder, name, {});
    {
        QStringList lines;
        ModalDriver driver([&](QWidget* widget) {
            auto* dialog = qobject_cast<QFileDialog*>(widget);
            lines << Line(dialog->nameFilters().indexOf(dialog->selectedNameFilter()), ListedFiles(dialog))
                  << dialog->nameFilters();
            dialog->findChild<QLineEdit*>(u"fileNameEdit"_s)->setText(u"new"_s);
            static_cast<QDialog*>(dialog)->accept();
        });
        for (const auto& [kind, extension] :
             {std::pair{SaveKind::Recording, u"asf"_s}, {SaveKind::Redirector, u"asx"_s}, {SaveKind::Log, u"log"_s}}) {
            SaveFileRequest request;
            request.kind = kind;
            request.defaultExtension = extension;
            request.startFolder = folder.path();
            lines << Line("->", ChooseSaveFile(nullptr, request).value_or(u"none"_s));
        }
        const OpenFileRequest open{
            u"開啟"_s, {u"WM 媒介檔案 (*.asf; *.wmv; *.wma; *.wa)"_s, u"所有檔案 (*.*)"_s}, folder.path()};
        lines << Line("->", ChooseOpenFile(nullptr, open).value_or(u"none"_s));
        EXPECT_GOLDEN("app/file_choosers",
                      lines.replaceInStrings(QDir::toNativeSeparators(folder.path()), u"<folder>"_s));
    }
    // Qt alone would list nothing for the first entry and rename "take.asf"
    // to "take.wm" or "take.*".
    const struct {
        int entry;
        QString name;
        int listed;
    } steps[] = {{1, u"take.asx"_s, 1}, {2, u"take.log"_s, 1}, {3, u"take.log"_s, 5}, {0, u"take.asf"_s, 2}};
    ModalDriver driver([&](QWidget* widget) {
        auto* dialog = qobject_cast<QFileDialog*>(widget);
        auto* combo = dialog->findChild<QComboBox*>(u"fileTypeCombo"_s);
        auto* name = dialog->findChild<QLineEdit*>(u"fileNameEdit"_s);
        ASSERT_EQ(ListedFiles(dialog).size(), 2);
        for (const auto& step : steps) {
            // Picked the way the box reports a user's choice. (No synthetic key
            // events here: Qt would make a keyboard device owned by the test's
            // static application, and its destruction at exit crashes.)
            combo->setCurrentIndex(step.entry);
            emit combo->activated(step.entry);
            emit combo->textActivated(combo->itemText(step.entry));
            EXPECT_EQ(name->text(), step.name);
            EXPECT_TRUE(WaitUntil([&] { return ListedFiles(dialog).size() == step.listed; }, 5000)) << step.listed;
        }
        dialog->reject();
    });
    SaveFileRequest request;
    request.defaultName = u"take.asf"_s;
    request.startFolder = folder.path();
    EXPECT_EQ(ChooseSaveFile(nullptr, request), std::nullopt);
}

TEST(DialogResume, EachWayOfClosingGivesItsChoice)
{
    QStringList lines;
    for (const QString& button : {u"cancelButton"_s, u"resumeButton"_s, u"redownloadButton"_s, QString()}) {
        ModalDriver driver([&](QWidget* dialog) {
            lines << WidgetLines(dialog);
            if (button.isEmpty())  // Escape
                static_cast<QDialog*>(dialog)->reject();
            else
                Click(dialog, button);
        });
        lines << Line(button, "->", int(AskResume(nullptr)));
    }
    EXPECT_GOLDEN("app/resume_dialog", lines);
}

TEST(DialogPassword, OkReturnsTheBoxesAsTypedAndCancelReturnsNothing)
{
    const PasswordPrompt prompt{u"mms://media.example"_s, u"<b>members</b>"_s, u"saved"_s, u"old"_s};
    QStringList lines;
    ModalDriver driver([&](QWidget* dialog) {
        if (!lines.isEmpty())  // the second time: Cancel
            return Click(dialog, u"cancelButton"_s);
        lines << WidgetLines(dialog);
        const QRect screen = dialog->screen()->availableGeometry();
        for (const QLabel* label : dialog->findChildren<QLabel*>())
            if (label->text() == prompt.realm)
                lines << Line("realm as", label->textFormat(), "centred",
                              (dialog->geometry().center() - screen.center()).manhattanLength() < 10);
        dialog->findChild<QLineEdit*>(u"passwordEdit"_s)->setText(u" p w "_s);
        dialog->findChild<QCheckBox*>(u"savePasswordBox"_s)->setChecked(false);
        Click(dialog, u"okButton"_s);
    });
    // Over the middle of the screen, not over the window that asks.
    QWidget window;
    window.setGeometry(0, 0, 200, 200);
    window.show();
    const std::optional<PasswordAnswer> answer = AskPassword(&window, prompt);
    ASSERT_TRUE(answer);
    lines << Line(answer->userId, u'|' + answer->password + u'|', answer->savePassword);
    EXPECT_GOLDEN("app/password_dialog", lines << Line(AskPassword(nullptr, prompt).has_value()));
}

TEST(DialogAbout, ShowingAgainKeepsTheEightLinesAndThePictureLoads)
{
    AboutWindow about;
    QStringList lines;
    for (int shown = 0; shown < 2; ++shown) {
        about.show();
        const auto* box = about.findChild<QPlainTextEdit*>();
        // Every line fits: the last one is as far down as the box shows.
        const bool allShown =
            box->cursorRect(QTextCursor(box->document()->lastBlock())).bottom() < box->viewport()->height();
        lines << WidgetLines(&about);
        Click(&about, u"okButton"_s);
        lines << Line(about.isVisible(), about.findChild<QLabel*>(u"pictureLabel"_s)->pixmap().isNull(), allShown);
    }
    EXPECT_GOLDEN("app/about_window", lines << about.versionLines());
}

TEST(DialogCompletionSound, FindsTheChimeAndPlaysWithoutBlockingOrShowing)
{
    CompletionSound sound;
    QStringList played;
    sound.onPlay = [&](const QString& name) { played << name; };
    QElapsedTimer clock;
    clock.start();
    for (const QString& name : {u"Done.wav"_s, u"Done.wav"_s, u"Missing.wav"_s})
        sound.play(name);
    EXPECT_LT(clock.elapsed(), 1000);
    QCoreApplication::processEvents();
    EXPECT_EQ(Line(CompletionSound::locate(u"Done.wav"_s).endsWith(u"/Done.wav"_s),
                   CompletionSound::locate(u"Missing.wav"_s).isEmpty(), played, QApplication::topLevelWidgets().size()),
              u"true true QList(Done.wav, Done.wav, Missing.wav) 0"_s);
}

// Closing writes the fields as shown or edited and asks nothing. Then every
// way of closing with a changed UDP port asks once: No puts the loaded port
// back (the new one stays stored), Yes asks for a restart.
TEST(DialogSettings, ClosingWritesTheFieldsAndEveryCloseOfAChangedUdpPortAsksOnce)
{
    TestContext t;
    CompletionSound sound;
    SettingsDialog dialog{t.ctx, sound};
    const auto edit = [&](const char16_t* name) { return dialog.findChild<QLineEdit*>(QString::fromUtf16(name)); };
    for (bool edited : {false, true}) {
        dialog.show();
        if (edited) {
            Type(edit(u"tcpPortEdit"), u"8080"_s);
            for (const char16_t* tick : {u"udpTick", u"bypassDnsTick", u"autoLogTick"})
                dialog.findChild<QCheckBox*>(QString::fromUtf16(tick))->setChecked(true);
            Type(edit(u"doneIntervalEdit"), u"30"_s);
            EXPECT_EQ(t.settings.doneInterval, u"30"_s);
            dialog.findChild<QSpinBox*>(u"reconnectBox"_s)->setValue(3);
            Type(edit(u"playerNameEdit"), u"NSPlayer/9.0"_s);
        }
        Click(&dialog, u"okButton"_s);
        ExpectStored(
            t.store,
            edited
                ? u"TCPPort=8080 UDPPort=7000 LastProto=UDP DNSState=IP AutoLog=on Reconnect=3 PlayerName=NSPlayer/9.0"
                : u"TCPPort=1755 UDPPort=7000 LastProto=TCP DNSState=Lookup AutoLog=off Reconnect=0");
    }
    const std::function<void(QDialog&)> closes[] = {
        [](QDialog& d) { Click(&d, u"okButton"_s); }, [](QDialog& d) { d.close(); },
        [](QDialog& d) { d.reject(); },                                   // Escape
        [&](QDialog& d) { t.shell.confirmAnswers = {true}, d.close(); },  // answered Yes
    };
    int restarts = 0;
    QObject::connect(&dialog, &SettingsDialog::restartRequested, [&] { ++restarts; });
    QStringList lines;
    for (const auto& close : closes) {
        dialog.show();
        Type(edit(u"udpPortEdit"), u"7010"_s);
        close(dialog);
        lines << Line(dialog.isVisible(), edit(u"udpPortEdit")->text(), t.store.read(u"UDPPort"_s), restarts);
    }
    EXPECT_GOLDEN("app/settings_dialog_udp_port", lines << OneLineEach(t.shell.calls));
}

// File managers hand %u a file URL; the open window knows paths.
// An exception out of an event reaches the error handler, and the program
// goes on.
TEST(DesktopApplication, AnExceptionThatReachesTheEventLoopGoesToTheErrorHandler)
{
    auto* app = static_cast<TovrinApplication*>(QCoreApplication::instance());
    QStringList errors;
    app->setErrorHandler([&](const QString& error) { errors << error; });
    QTimer::singleShot(0, [] { throw std::runtime_error("out of memory"); });
    QTimer::singleShot(0, [&] { errors << u"later"_s; });
    WaitUntil([&] { return errors.size() == 2; }, 5000);
    app->setErrorHandler(nullptr);
    EXPECT_EQ(errors, QStringList({u"out of memory"_s, u"later"_s}));
}

TEST(DesktopCommandLine, ReadsTheLocationOrWhatToPrint)
{
    QStringList lines;
    for (const QString& arguments :
         {u"tovrin"_s, u"tovrin mms://127.0.0.1:1755/clip.wmv"_s, u"tovrin http://web/show.asx"_s,
          u"tovrin file:///tmp/my%20show.asx"_s, u"tovrin /no/such/clip.wmv"_s, u"/usr/bin/tovrin --version"_s,
          u"tovrin -v mms://h/a"_s, u"tovrin --help"_s, u"tovrin -h"_s, u"tovrin --record"_s,
          u"tovrin mms://h/a mms://h/b"_s, u"tovrin --lang en mms://h/a"_s, u"tovrin --lang fr"_s}) {
        const CommandLine line = ParseCommandLine(arguments.split(u' '));
        lines << Line(arguments, "->", int(line.action), line.location, line.language) << line.text.split(u'\n');
    }
    EXPECT_GOLDEN("app/command_line", lines.replaceInStrings(u"tovrin " TOVRIN_VERSION ""_s, u"tovrin <version>"_s));

    // The relative name of a file becomes its path.
    QTemporaryFile file(u"clip-XXXXXX.wmv"_s);
    ASSERT_TRUE(file.open());
    const QString relative = QDir::current().relativeFilePath(file.fileName());
    EXPECT_EQ(ParseCommandLine({u"tovrin"_s, relative}).location, QDir::current().absoluteFilePath(relative));
}

// One server name per settings location; a name, not a path: the socket goes
// into the temporary folder.
TEST(DesktopSingleInstance, TakesALocationLineAndCutsOffAPeerThatNeverEndsOne)
{
    const QString mine = InstanceServerName(u"/home/a/.config/Tovrin Streaming/Tovrin.conf"_s);
    SingleInstance instance(u"tovrin-test-"_s + QUuid::createUuid().toString(QUuid::Id128));
    ASSERT_TRUE(instance.listen());
    QStringList received;
    QObject::connect(&instance, &SingleInstance::locationReceived, [&](const QString& l) { received << l; });
    QLocalSocket good, endless;
    for (QLocalSocket* peer : {&good, &endless})
        peer->connectToServer(instance.findChild<QLocalServer*>()->serverName());
    good.write("mms://h/a.wmv\n");
    endless.write(QByteArray(100 * 1024, 'x'));
    EXPECT_TRUE(
        WaitUntil([&] { return good.canReadLine() && endless.state() == QLocalSocket::UnconnectedState; }, 5000));
    EXPECT_EQ(Line(mine == InstanceServerName(u"/home/a/.config/Tovrin Streaming/Tovrin.conf"_s),
                   mine == InstanceServerName(u"/tmp/test/config/Tovrin Streaming/Tovrin.conf"_s), mine.contains(u'/'),
                   good.readLine(), received),
              u"true false false ok\\n QList(mms://h/a.wmv)"_s);
}

// Printed to PDF and read back by an independent reader (pdftotext): the
// heading, Chinese text, and the end of a log longer than a page on a page
// of its own.
TEST(LogPrinter, ALongLogPrintsToPdfOverSeveralPagesWithItsChineseAndItsLastLine)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(u"log.pdf"_s);
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    QStringList lines{u"- 接收 TCP 串流 -"_s};
    for (int i = 2; i < 200; ++i)
        lines << u"line %1"_s.arg(i);
    lines << u"- ******* 下載完成 *******"_s;
    ASSERT_TRUE(DrawLogPages(printer, lines));
    QByteArray text;
    ASSERT_EQ(RunProgram(u"pdftotext"_s, {u"-layout"_s, pdf, u"-"_s}, &text), 0);
    const QStringList pages = QString::fromUtf8(text).split(u'\f', Qt::SkipEmptyParts);
    // The reader gives the three spaces after a number as one.
    const QRegularExpression first(u"(^|\\n)1 +- 接收 TCP 串流 -"_s), last(u"(^|\\n)200 +- \\*{7} 下載完成 \\*{7}"_s);
    printer.setOutputFileName(dir.filePath(u"no-such-folder/log.pdf"_s));  // a printer that cannot start says so
    EXPECT_EQ(Line(printer.docName(), pages.size() >= 3, pages.value(0).contains(u"Tovrin multimedia 期間記錄"_s),
                   pages.value(0).contains(first), pages.value(0).contains(last),
                   pages.value(pages.size() - 1).contains(last), DrawLogPages(printer, lines)),
              u"Tovrin 記錄列印 true true true false true false"_s)
        << text.toStdString();
}

// An audio-only stream shows "radio broadcast" at the smallest size. The
// command refuses a remote stream and reports an unplayable file without
// touching the run.
TEST(PreviewMonitor, AnAudioOnlyStreamARemoteStreamAndAnUnplayableFile)
{
    Desktop d;
    DesktopApp& app = *d.app;
    PreviewMonitor& monitor = app.previewMonitor();
    monitor.resize(600, 500);
    monitor.showPreview(SamplePath(Sample::Wma), kAudioStreamBit, true);
    // Loaded, waiting for Play.
    EXPECT_TRUE(WaitUntil([&] { return StatusText(monitor) == u"Stopped"_s; }, 20000))
        << StatusText(monitor).toStdString() << " " << int(monitor.player().mediaStatus()) << " "
        << monitor.errorText().toStdString();
    QStringList lines{Line(monitor.isVisible(), monitor.size(), monitor.minimumSize())};
    // The volume control depends on this machine's sound device.
    lines << WidgetLines(&monitor).filter(QRegularExpression(u"^(?!volume(Slider|Note))"_s));
    monitor.close();  // the close step lets go of the file
    EXPECT_GOLDEN("app/preview_monitor_audio", lines << Line("closed, no file", monitor.player().source().isEmpty()));

    QStringList messages;
    ModalDriver driver([&](QWidget* modal) { messages << AnswerMessageBox(modal); });

    app.context().session.mediaLocation = u"mms://host/show.asf"_s;
    app.openPreview();
    lines = {Line(messages, "shown", monitor.isVisible())};

    // Not media at all, under a media name: the player fails on it.
    const QString bad = d.dir.filePath(u"bad.wmv"_s);
    ASSERT_TRUE(WriteWholeFile(bad, QByteArray(4096, 'x'), QFile::ReadOwner | QFile::WriteOwner));
    app.context().session.mediaLocation = bad;
    const QStringList logBefore = app.window().logLines();
    app.window().findChild<QAction*>(u"openMonitorAction"_s)->trigger();
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

}  // namespace
}  // namespace tovrin
