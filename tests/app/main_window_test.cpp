#include "app/desktop_app.h"
#include "app/modal_driver.h"
#include "locations/session_log.h"
#include "steps/open_media.h"
#include "support/asf_sample.h"
#include "support/qt_printers.h"
#include "support/recording_checks.h"
#include "support/server_process.h"
#include "support/temp_settings.h"
#include "support/workspace.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

using namespace tovrin;
using namespace tovrin::test;
using namespace Qt::StringLiterals;

namespace {

// The desktop program over a settings store of its own.
struct Desktop {
    QTemporaryDir dir;
    SettingsStore store{dir.filePath(u"Tovrin.conf"_s)};
    std::unique_ptr<DesktopApp> app;

    explicit Desktop(QStringView stored = u"UDPPort=0")
    {
        WriteSettings(store, stored);
        app = std::make_unique<DesktopApp>(store);
        app->shell().flashHandler = [this] { ++flashes; };
        app->sound().onPlay = [this](const QString&) { ++sounds; };
        captions << app->window().statusCaption();
        QObject::connect(&app->window(), &QWidget::windowTitleChanged, [this] {
            const QString caption = app->window().statusCaption();
            if (captions.isEmpty() || captions.last() != caption)
                captions << caption;
        });
        app->show();
    }

    QToolButton* button(const char* name) const { return app->window().findChild<QToolButton*>(QLatin1String(name)); }
    QString field(const char* name) const { return app->window().findChild<QLineEdit*>(QLatin1String(name))->text(); }
    bool labelShown(const char* name) const
    {
        return app->window().findChild<QLabel*>(QLatin1String(name))->isVisible();
    }

    int flashes = 0;
    int sounds = 0;
    QStringList captions;
};

// One recording through the main window: the address typed into the URL
// box, 執行 clicked, the save chooser answered with `out`, every message
// box read and confirmed (the completion message held `holdMs`); any other
// dialog goes to `other`. Returns once the run has ended and its last box
// is closed.
struct WindowRun {
    QStringList messages;
    bool buttonsSwapped = false;  // Connect off and Disconnect on while it ran
    bool buttonsRestored = false;
    bool ended = false;
};

WindowRun RecordThroughWindow(Desktop& d, const QString& url, const QString& out, int holdMs = 0,
                              const std::function<void(QWidget*)>& other = {}, int timeoutMs = 60000)
{
    WindowRun run;
    auto* connectButton = d.button("connectButton");
    auto* disconnectButton = d.button("disconnectButton");
    QObject watching;  // its connections end with this run
    QObject::connect(&d.app->mms(), &ConnectionController::runStarted, &watching,
                     [&] { run.buttonsSwapped = !connectButton->isEnabled() && disconnectButton->isEnabled(); });
    QObject::connect(&d.app->transport(), &RecordTransport::finished, &watching, [&] { run.ended = true; });
    ModalDriver driver([&](QWidget* modal) {
        if (qobject_cast<QFileDialog*>(modal)) {
            AcceptFileChooser(modal, out);
        } else if (qobject_cast<QMessageBox*>(modal)) {
            const QString text = qobject_cast<QMessageBox*>(modal)->text();
            run.messages << text;
            const bool completion = text.startsWith(u"下載完成"_s);
            QTimer::singleShot(completion ? holdMs : 0, modal, [modal] { AnswerMessageBox(modal); });
        } else if (other) {
            other(modal);
        }
    });
    d.app->window().urlBox()->setEditText(url);
    connectButton->click();
    WaitUntil([&] { return run.ended && !QApplication::activeModalWidget(); }, timeoutMs);
    run.buttonsRestored = connectButton->isEnabled() && !disconnectButton->isEnabled();
    return run;
}

QStringList MenuItems(QMenu* menu)
{
    QStringList items;
    for (QAction* action : menu->actions())
        items << (action->isSeparator() ? u"-"_s : action->text());
    return items;
}

}  // namespace

// The stored values themselves: WindowState and SettingsRecord.
TEST(MainWindow, StartsFromAnEmptyStoreWithTheDesignGeometryDefaultSettingsAndTheCommandsInOrder)
{
    ConfigureDesktopApplication();
    Desktop d(u"");
    EXPECT_EQ(QGuiApplication::desktopFileName(), u"tovrin"_s);
    EXPECT_FALSE(d.app->window().windowIcon().isNull());
    EXPECT_EQ(d.app->window().pos(), QPoint(239, 88));
    EXPECT_EQ(d.app->window().size(), QSize(346, 463));
    EXPECT_TRUE(d.app->window().urlText().isEmpty());
    EXPECT_EQ(d.app->window().windowTitle(), u"Tovrin Multimedia 中文版 by Orvak — Tovrin"_s);
    EXPECT_TRUE(d.labelShown("standbyLabel"));
    EXPECT_FALSE(d.labelShown("liveLabel"));
    EXPECT_FALSE(d.labelShown("preRecLabel"));

    // The menus and the tool bar hold the commands in order.
    const QList<QPair<QString, QStringList>> menus{
        {u"檔案(&F)"_s,
         {u"開啟(&O)..."_s, u"-"_s, u"儲存記錄(&S)"_s, u"-"_s, u"列印記錄(&P)"_s, u"設定印表機(&R)..."_s, u"-"_s,
          u"離開(&X)"_s}},
        {u"設定(&S)"_s, {u"檢視設定(&V)"_s}},
        {u"資訊(&I)"_s, {u"顯示檔案性質(&S)"_s}},
        {u"預覽(&P)"_s, {u"開啟顯示(&O)"_s, u"關於 Tovrin monitor(&A)"_s}},
        {u"說明(&H)"_s, {u"關於(&A)..."_s, u"更多說明(&M)"_s}},
    };
    const QList<QAction*> bar = d.app->window().menuBar()->actions();
    ASSERT_EQ(bar.size(), menus.size());
    for (int i = 0; i < menus.size(); ++i) {
        EXPECT_EQ(bar[i]->text(), menus[i].first);
        EXPECT_EQ(MenuItems(bar[i]->menu()), menus[i].second);
    }

    QStringList buttons;
    QStringList keys;
    // Listed in the order they were made, which is their order on the bar;
    // the bar's own overflow button has no text. A key a menu title also
    // names belongs to the menu.
    for (QToolButton* b : d.app->window().findChild<QToolBar*>()->findChildren<QToolButton*>())
        if (!b->text().isEmpty()) {
            buttons << b->text();
            keys << b->shortcut().toString();
        }
    EXPECT_EQ(buttons, (QStringList{u"開啟(&O)"_s, u"執行(&G)"_s, u"放棄(&A)"_s, u"資訊(&I)"_s, u"預覽(&P)"_s,
                                    u"設定(&S)"_s, u"離開(&E)"_s}));
    EXPECT_EQ(keys, (QStringList{u"Alt+O"_s, u"Alt+G"_s, u"Alt+A"_s, QString(), QString(), QString(), u"Alt+E"_s}));
    EXPECT_TRUE(d.button("connectButton")->isEnabled());
    EXPECT_FALSE(d.button("disconnectButton")->isEnabled());
    EXPECT_EQ(d.app->window().minimumSize(), QSize(346, 463));
    EXPECT_EQ(d.app->window().urlBox()->insertPolicy(), QComboBox::NoInsert);
}

TEST(MainWindow, TheUrlListAndGeometrySurviveARestart)
{
    Desktop d;
    const QStringList items{u"mms://a/1.wmv"_s, u"mms://b/2"_s, u"mms://c/3.asf"_s};
    d.app->window().setUrlItems(items);
    d.app->window().setUrlText(u"mms://typed/but/not/an/item"_s);
    d.app->window().resize(500, 600);
    d.app->window().close();  // the close box runs the close sequence
    EXPECT_TRUE(d.app->hasClosed());
    EXPECT_EQ(d.app->window().logLines().last(), u"********** 關閉 **********"_s);

    DesktopApp again(d.store);
    EXPECT_EQ(again.window().urlItems(), items);
    EXPECT_EQ(again.window().urlText(), u"mms://typed/but/not/an/item"_s);
    EXPECT_EQ(again.window().size(), QSize(500, 600));
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
    const struct {
        QString location;
        OpenOutcome outcome;
        QStringList urlItems;
        QStringList log;
    } cases[] = {
        {u"  "_s + redirector,
         OpenOutcome::RedirectorLoaded,
         {u"mms://h/one"_s, u"mms://h/two"_s},
         {u"處理程序媒介..."_s, u"URL list now has data, please select an entry"_s}},
        {log, OpenOutcome::LogShown, {}, {u"Displaying archived Tovrin log file"_s, u"first"_s, u"second"_s}},
    };
    std::optional<OpenOutcome> outcome;
    QObject::connect(&open, &OpenLocationWindow::opened, [&](OpenOutcome o) { outcome = o; });
    for (const auto& c : cases) {
        d.app->window().findChild<QAction*>(u"openAction"_s)->trigger();
        ASSERT_TRUE(open.isVisible());
        open.historyBox()->setEditText(c.location);
        open.findChild<QPushButton*>(u"okButton"_s)->click();
        EXPECT_EQ(outcome, c.outcome) << c.location.toStdString();
        EXPECT_FALSE(open.isVisible());
        EXPECT_EQ(d.app->window().urlItems(), c.urlItems);
        EXPECT_EQ(d.app->window().logLines(), c.log);
    }
    EXPECT_FALSE(shownWhileOpening);
    // Shown again, the window offers the history newest first, trimmed.
    open.show();
    EXPECT_EQ(open.historyBox()->currentText(), log);
    ASSERT_EQ(open.historyBox()->count(), 2);
    EXPECT_EQ(open.historyBox()->itemText(1), redirector);

    // Browse lists what Tovrin opens and puts the pick in the box; nothing
    // opens until OK.
    WriteFile(d.dir, u"notes.txt"_s, {});
    d.store.write(u"OpenDir"_s, d.dir.path() + u'/');
    QStringList listed;
    ModalDriver driver([&](QWidget* chooser) {
        listed = ListedFiles(chooser);
        AcceptFileChooser(chooser, redirector);
    });
    open.findChild<QPushButton*>(u"browseButton"_s)->click();
    EXPECT_EQ(listed, (QStringList{u"list.asx"_s, u"old.log"_s}));
    EXPECT_EQ(open.historyBox()->currentText(), redirector);
    EXPECT_EQ(d.app->window().logLines().last(), u"second"_s);
    open.findChild<QPushButton*>(u"cancelButton"_s)->click();
    EXPECT_FALSE(open.isVisible());
}

TEST(MainWindow, ALocalWmvFillsTheFilePropertiesPagesThatTheInfoButtonShows)
{
    Desktop d;
    RedirectorFetch fetch;
    d.app->context().session.mediaLocation = SamplePath(Sample::Wmv);
    ASSERT_EQ(OpenMedia(d.app->context(), fetch), OpenOutcome::MediaInspected);

    FilePropertiesWindow& properties = d.app->filePropertiesWindow();
    EXPECT_FALSE(properties.isVisible());
    d.button("informationButton")->click();
    EXPECT_TRUE(properties.isVisible());
    EXPECT_EQ(properties.windowTitle(), u"檔案性質"_s);
    EXPECT_TRUE(properties.windowFlags() & Qt::WindowStaysOnTopHint);
    QStringList pages;
    for (int i = 0; i < properties.pages()->count(); ++i)
        pages << properties.pages()->tabText(i);
    EXPECT_EQ(pages, (QStringList{u"精簡標題"_s, u"詳細資料"_s, u"編碼"_s, u"統計"_s}));

    const QList<QPair<const char*, QString>> labels{
        {"clipField", SampleTitle()},
        {"typeField", u"[視訊] [音訊] 以及音訊隱藏應用"_s},
        {"videoSizeField", u"320 x 240"_s},
        {"lengthField", u"00 : 00 : 06"_s},
    };
    for (const auto& [name, text] : labels)
        EXPECT_EQ(properties.findChild<QLabel*>(QLatin1String(name))->text(), text) << name;
    EXPECT_TRUE(properties.findChild<QLabel*>(u"createdFileField"_s)->text().endsWith(u"  (最後寫入的串流檔案)"_s));
    EXPECT_TRUE(properties.findChild<QPlainTextEdit*>(u"codecsField"_s)->toPlainText().contains(u"音訊 : "_s));

    // Opening again starts from empty pages, not from the lines of the last file.
    ASSERT_EQ(OpenMedia(d.app->context(), fetch), OpenOutcome::MediaInspected);
    EXPECT_EQ(properties.findChild<QPlainTextEdit*>(u"bitRateInfoField"_s)->toPlainText(), u"單一的位元率"_s);
}

TEST(MainWindow, PrintingTheLogAsksFirstAndCancellingPrintsNothingWithThePrinterSetUpBefore)
{
    Desktop d;
    const QString pdf = d.dir.filePath(u"log.pdf"_s);
    d.app->logPrinter().printer().setOutputFormat(QPrinter::PdfFormat);
    d.app->logPrinter().printer().setOutputFileName(pdf);
    d.app->shell().appendLog(u"一行"_s);
    QList<QPrinter*> dialogPrinters;
    ModalDriver driver([&](QWidget* modal) {
        if (auto* dialog = qobject_cast<QPrintDialog*>(modal)) {
            dialogPrinters << dialog->printer();
            QTimer::singleShot(0, dialog, &QDialog::reject);
        }
    });
    d.app->window().findChild<QAction*>(u"printSetupAction"_s)->trigger();
    d.app->window().findChild<QAction*>(u"printLogAction"_s)->trigger();
    ASSERT_EQ(dialogPrinters.size(), 2);
    EXPECT_EQ(dialogPrinters[0], dialogPrinters[1]) << "the set-up dialog chooses the printer the print uses";
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

// A run that ends with AutoLog on asks the desktop to save the log: over
// either transport the save chooser takes it and the log is written there.
TEST(MainWindow, ARunsRequestToSaveItsLogGoesThroughTheChooser)
{
    Desktop d;
    d.app->shell().appendLog(u"一行"_s);
    const QString logs[] = {d.dir.filePath(u"mms.log"_s), d.dir.filePath(u"mmsh.log"_s)};
    int chosen = 0;
    ModalDriver driver([&](QWidget* modal) {
        if (qobject_cast<QFileDialog*>(modal) && chosen < 2)
            AcceptFileChooser(modal, logs[chosen++]);
    });
    emit d.app->mms().saveLogRequested();
    emit d.app->mmsh().saveLogRequested();
    for (const QString& log : logs)
        EXPECT_EQ(ReadWholeFile(log), EncodeSessionLog({u"一行"_s})) << log.toStdString();
}

// The server asks for credentials: the credentials dialog gives them.
TEST(MainWindowRun, AnOnDemandRecordingSwapsTheButtonsAsksForCredentialsAndEndsAtOneHundredWithItsChime)
{
    Workspace w;
    ServerProcess server(w.media, Args(u"--rate 4 --auth tovrin:secret"));
    ASSERT_TRUE(server.started());
    Desktop d;
    d.app->context().settings.doneInterval = u"1"_s;
    const QString out = w.out(u"clip.wmv"_s);

    bool asked = false;
    const WindowRun run = RecordThroughWindow(d, server.url(u"clip.wmv"_s), out, 3500, [&](QWidget* modal) {
        auto* id = modal->findChild<QLineEdit*>(u"userIdEdit"_s);
        auto* password = modal->findChild<QLineEdit*>(u"passwordEdit"_s);
        if (!id || !password)
            return;
        asked = true;
        id->setText(u"tovrin"_s);
        password->setText(u"secret"_s);
        ClickChild(modal, u"okButton"_s);
    });
    ASSERT_TRUE(run.ended);
    EXPECT_TRUE(asked);
    EXPECT_TRUE(run.buttonsSwapped);
    EXPECT_TRUE(run.buttonsRestored);
    EXPECT_EQ(run.messages, QStringList{u"下載完成， .asf 檔案寫入到本地磁碟"_s});
    ASSERT_GE(d.captions.size(), 4) << d.captions.join(u'|').toStdString();
    EXPECT_EQ(d.captions.first(), u"Tovrin"_s);
    EXPECT_TRUE(d.captions.contains(u"Tovrin 動作"_s));
    EXPECT_EQ(d.captions.last(), u"Tovrin 已完成"_s);
    EXPECT_EQ(d.app->window().gauge()->value(), 100);
    EXPECT_TRUE(d.app->window().gauge()->isTextVisible());
    EXPECT_EQ(d.flashes, 1);
    // Played at completion, then every second while the message stays open.
    EXPECT_GE(d.sounds, 3);
    // The refresh tick wrote the statistics page while it ran.
    const FilePropertiesWindow& properties = d.app->filePropertiesWindow();
    EXPECT_GT(properties.fieldText(PropertyField::Packets).toUInt(), 0u);
    EXPECT_EQ(properties.fieldText(PropertyField::StreamWindow), u"2"_s);
    EXPECT_EQ(properties.fieldText(PropertyField::TimeLeft), d.field("timeLeft"));
    ExpectSameAsSource(out, w.source());
}

TEST(MainWindowRun, ALivePointShowsLiveAndTheMediaCannotChangeWhileItRuns)
{
    Workspace w;
    ServerProcess server(w.media, {u"--live"_s, u"news="_s + w.source()});
    ASSERT_TRUE(server.started());
    Desktop d;
    QStringList messages;
    ModalDriver driver([&](QWidget* modal) {
        if (qobject_cast<QFileDialog*>(modal))
            AcceptFileChooser(modal, w.out(u"news_live.asf"_s));
        else if (qobject_cast<QMessageBox*>(modal))
            messages << AnswerMessageBox(modal);
    });
    // The open window is modeless: it may still be open when the run starts.
    d.app->window().findChild<QAction*>(u"openAction"_s)->trigger();
    OpenLocationWindow& open = d.app->openWindow();
    ASSERT_TRUE(open.isVisible());
    d.app->window().urlBox()->setEditText(server.url(u"news"_s));
    d.button("connectButton")->click();
    ASSERT_TRUE(WaitUntil([&] { return d.field("timeLeft") == u"LIVE"_s; }, 20000));
    EXPECT_TRUE(WaitUntil([&] { return d.app->window().statusCaption() == u"Tovrin - live -"_s; }, 2000));
    EXPECT_TRUE(d.labelShown("liveLabel"));
    EXPECT_FALSE(d.labelShown("standbyLabel"));
    EXPECT_EQ(d.app->window().findChild<QLabel*>(u"liveLabel"_s)->palette().color(QPalette::Window), QColor(Qt::red));

    open.historyBox()->setEditText(u"mms://elsewhere/x"_s);
    open.findChild<QPushButton*>(u"okButton"_s)->click();
    d.app->window().findChild<QAction*>(u"openAction"_s)->trigger();
    EXPECT_EQ(messages, QStringList(2, u"當尚在連接時，無法改變媒介"_s));
    EXPECT_TRUE(open.isVisible());
    EXPECT_TRUE(d.app->transport().isRunning());
    EXPECT_TRUE(d.store.read(u"MediaList"_s).isEmpty());
    open.hide();

    d.button("disconnectButton")->click();  // asks, then tells what was saved
    ASSERT_TRUE(
        WaitUntil([&] { return !d.app->transport().isRunning() && !QApplication::activeModalWidget(); }, 10000));
    EXPECT_EQ(messages.mid(2), (QStringList{u"您確定要放棄這項連線期間嗎?"_s, u"連接關閉，您已下載並儲存這個媒介"_s}));
    EXPECT_EQ(d.app->window().statusCaption(), u"Tovrin"_s);
    EXPECT_TRUE(d.labelShown("standbyLabel"));
}

TEST(MainWindowRun, AnInterruptedRecordingResumesThroughTheResumeDialog)
{
    Workspace w;
    const QString out = w.out(u"resumed.wmv"_s);
    {
        ServerProcess dropping(w.media, Args(u"--rate 0 --drop-after 10"));
        ASSERT_TRUE(dropping.started());
        Desktop d;
        const WindowRun first = RecordThroughWindow(d, dropping.url(u"clip.wmv"_s), out);
        ASSERT_TRUE(first.ended);
        EXPECT_TRUE(first.buttonsRestored) << "after a run that failed";
        EXPECT_EQ(d.app->window().statusCaption(), u"Tovrin"_s);
    }
    ServerProcess server(w.media, Args(u"--rate 0"));
    ASSERT_TRUE(server.started());
    Desktop d;
    bool resumeAsked = false;
    const WindowRun resumed = RecordThroughWindow(d, server.url(u"clip.wmv"_s), out, 0, [&](QWidget* modal) {
        if (!modal->findChild<QAbstractButton*>(u"resumeButton"_s))
            return;
        resumeAsked = true;
        ClickChild(modal, u"resumeButton"_s);
    });
    EXPECT_TRUE(resumeAsked);
    EXPECT_EQ(resumed.messages, QStringList{u"下載完成， .asf 檔案寫入到本地磁碟"_s});
    ExpectSameAsSource(out, w.source());
}
