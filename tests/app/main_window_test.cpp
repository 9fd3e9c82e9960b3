#include "app/desktop_app.h"
#include "app/modal_driver.h"
#include "steps/open_media.h"
#include "support/asf_sample.h"
#include "support/gui_app.h"
#include "support/qt_printers.h"
#include "support/recording_checks.h"
#include "support/server_process.h"
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

namespace {

// The desktop program over a settings store of its own.
struct Desktop {
    QTemporaryDir dir;
    SettingsStore store{dir.filePath(QStringLiteral("Tovrin.conf"))};
    std::unique_ptr<DesktopApp> app;

    explicit Desktop(const QMap<QString, QString>& stored = {{QStringLiteral("UDPPort"), QStringLiteral("0")}})
    {
        GuiApp();
        for (auto it = stored.begin(); it != stored.end(); ++it)
            store.write(it.key(), it.value());
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
    QObject::connect(&d.app->mms(), &ConnectionController::runStarted, &d.app->window(),
                     [&] { run.buttonsSwapped = !connectButton->isEnabled() && disconnectButton->isEnabled(); });
    QObject::connect(&d.app->transport(), &RecordTransport::finished, &d.app->window(), [&] { run.ended = true; });
    ModalDriver driver([&](QWidget* modal) {
        if (qobject_cast<QFileDialog*>(modal)) {
            AcceptFileChooser(modal, out);
        } else if (qobject_cast<QMessageBox*>(modal)) {
            const QString text = qobject_cast<QMessageBox*>(modal)->text();
            run.messages << text;
            const bool completion = text.startsWith(QStringLiteral("下載完成"));
            QTimer::singleShot(completion ? holdMs : 0, modal, [modal] { AnswerMessageBox(modal); });
        } else if (other) {
            other(modal);
        }
    });
    d.app->window().urlBox()->setEditText(url);
    connectButton->click();
    WaitUntil([&] { return run.ended && !QApplication::activeModalWidget(); }, timeoutMs);
    run.buttonsRestored = connectButton->isEnabled() && !disconnectButton->isEnabled();
    QObject::disconnect(&d.app->mms(), &ConnectionController::runStarted, &d.app->window(), nullptr);
    QObject::disconnect(&d.app->transport(), &RecordTransport::finished, &d.app->window(), nullptr);
    return run;
}

QStringList MenuItems(QMenu* menu)
{
    QStringList items;
    for (QAction* action : menu->actions())
        items << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return items;
}

}  // namespace

// The stored values themselves: WindowState and SettingsRecord.
TEST(MainWindow, StartsFromAnEmptyStoreWithTheDesignGeometryAndDefaultSettings)
{
    ConfigureDesktopApplication();
    Desktop d(QMap<QString, QString>{});
    EXPECT_EQ(QGuiApplication::desktopFileName(), QStringLiteral("tovrin"));
    EXPECT_FALSE(d.app->window().windowIcon().isNull());
    EXPECT_EQ(d.app->window().pos(), QPoint(239, 88));
    EXPECT_EQ(d.app->window().size(), QSize(346, 463));
    EXPECT_TRUE(d.app->window().urlText().isEmpty());
    EXPECT_EQ(d.app->context().settings.serverSocket, QStringLiteral("1755"));
    EXPECT_EQ(d.app->window().windowTitle(), QStringLiteral("Tovrin Multimedia 中文版 by Orvak — Tovrin"));
    EXPECT_TRUE(d.labelShown("standbyLabel"));
    EXPECT_FALSE(d.labelShown("liveLabel"));
    EXPECT_FALSE(d.labelShown("preRecLabel"));
}

TEST(MainWindow, MenusAndToolBarHoldTheCommandsInOrder)
{
    Desktop d;
    const QList<QPair<QString, QStringList>> menus{
        {QStringLiteral("檔案(&F)"),
         {QStringLiteral("開啟(&O)..."), QStringLiteral("-"), QStringLiteral("儲存記錄(&S)"), QStringLiteral("-"),
          QStringLiteral("列印記錄(&P)"), QStringLiteral("設定印表機(&R)..."), QStringLiteral("-"),
          QStringLiteral("離開(&X)")}},
        {QStringLiteral("設定(&S)"), {QStringLiteral("檢視設定(&V)")}},
        {QStringLiteral("資訊(&I)"), {QStringLiteral("顯示檔案性質(&S)")}},
        {QStringLiteral("預覽(&P)"), {QStringLiteral("開啟顯示(&O)"), QStringLiteral("關於 Tovrin monitor(&A)")}},
        {QStringLiteral("說明(&H)"), {QStringLiteral("關於(&A)..."), QStringLiteral("更多說明(&M)")}},
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
    EXPECT_EQ(buttons, (QStringList{QStringLiteral("開啟(&O)"), QStringLiteral("執行(&G)"), QStringLiteral("放棄(&A)"),
                                    QStringLiteral("資訊(&I)"), QStringLiteral("預覽(&P)"), QStringLiteral("設定(&S)"),
                                    QStringLiteral("離開(&E)")}));
    EXPECT_EQ(keys, (QStringList{QStringLiteral("Alt+O"), QStringLiteral("Alt+G"), QStringLiteral("Alt+A"), QString(),
                                 QString(), QString(), QStringLiteral("Alt+E")}));
    EXPECT_TRUE(d.button("connectButton")->isEnabled());
    EXPECT_FALSE(d.button("disconnectButton")->isEnabled());
    EXPECT_EQ(d.app->window().minimumSize(), QSize(346, 463));
    EXPECT_EQ(d.app->window().urlBox()->insertPolicy(), QComboBox::NoInsert);
}

TEST(MainWindow, TheUrlListAndGeometrySurviveARestart)
{
    Desktop d;
    const QStringList items{QStringLiteral("mms://a/1.wmv"), QStringLiteral("mms://b/2"),
                            QStringLiteral("mms://c/3.asf")};
    d.app->window().setUrlItems(items);
    d.app->window().setUrlText(QStringLiteral("mms://typed/but/not/an/item"));
    d.app->window().resize(500, 600);
    d.app->window().close();  // the close box runs the close sequence
    EXPECT_TRUE(d.app->hasClosed());
    EXPECT_EQ(d.store.read(QStringLiteral("URLList")),
              QStringLiteral("mms://a/1.wmv\r\nmms://b/2\r\nmms://c/3.asf\r\n"));
    EXPECT_EQ(d.app->window().logLines().last(), QStringLiteral("********** 關閉 **********"));

    DesktopApp again(d.store);
    EXPECT_EQ(again.window().urlItems(), items);
    EXPECT_EQ(again.window().urlText(), QStringLiteral("mms://typed/but/not/an/item"));
    EXPECT_EQ(again.window().size(), QSize(500, 600));
}

TEST(MainWindow, TheOpenWindowClosesThenOpensTheLocationAndKeepsItsHistory)
{
    Desktop d;
    const QString redirector = d.dir.filePath(QStringLiteral("list.asx"));
    const QString log = d.dir.filePath(QStringLiteral("old.log"));
    for (const auto& [path, content] :
         {std::pair{redirector, QByteArray("<asx version=\"3.0\"><entry><ref href=\"mms://h/one\"/></entry>"
                                           "<entry><ref href=\"mms://h/two\"/></entry></asx>")},
          std::pair{log, QByteArray("first\nsecond\n")}}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
    }
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
        {QStringLiteral("  ") + redirector,
         OpenOutcome::RedirectorLoaded,
         {QStringLiteral("mms://h/one"), QStringLiteral("mms://h/two")},
         {QStringLiteral("處理程序媒介..."), QStringLiteral("URL list now has data, please select an entry")}},
        {log,
         OpenOutcome::LogShown,
         {},
         {QStringLiteral("Displaying archived Tovrin log file"), QStringLiteral("first"), QStringLiteral("second")}},
    };
    std::optional<OpenOutcome> outcome;
    QObject::connect(&open, &OpenLocationWindow::opened, [&](OpenOutcome o) { outcome = o; });
    for (const auto& c : cases) {
        d.app->window().findChild<QAction*>(QStringLiteral("openAction"))->trigger();
        ASSERT_TRUE(open.isVisible());
        open.historyBox()->setEditText(c.location);
        open.findChild<QPushButton*>(QStringLiteral("okButton"))->click();
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
    QFile(d.dir.filePath(QStringLiteral("notes.txt"))).open(QIODevice::WriteOnly);
    d.store.write(QStringLiteral("OpenDir"), d.dir.path() + u'/');
    QStringList listed;
    ModalDriver driver([&](QWidget* chooser) {
        listed = ListedFiles(chooser);
        AcceptFileChooser(chooser, redirector);
    });
    open.findChild<QPushButton*>(QStringLiteral("browseButton"))->click();
    EXPECT_EQ(listed, (QStringList{QStringLiteral("list.asx"), QStringLiteral("old.log")}));
    EXPECT_EQ(open.historyBox()->currentText(), redirector);
    EXPECT_EQ(d.app->window().logLines().last(), QStringLiteral("second"));
    open.findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
    EXPECT_FALSE(open.isVisible());
}

TEST(MainWindow, ALocalWmvFillsTheFilePropertiesPagesThatTheInfoButtonShows)
{
    Desktop d;
    RedirectorFetch fetch;
    d.app->context().run.mediaLocation = SamplePath(Sample::Wmv);
    ASSERT_EQ(OpenMedia(d.app->context(), fetch), OpenOutcome::MediaInspected);

    FilePropertiesWindow& properties = d.app->filePropertiesWindow();
    EXPECT_FALSE(properties.isVisible());
    d.button("informationButton")->click();
    EXPECT_TRUE(properties.isVisible());
    EXPECT_EQ(properties.windowTitle(), QStringLiteral("檔案性質"));
    EXPECT_TRUE(properties.windowFlags() & Qt::WindowStaysOnTopHint);
    QStringList pages;
    for (int i = 0; i < properties.pages()->count(); ++i)
        pages << properties.pages()->tabText(i);
    EXPECT_EQ(pages, (QStringList{QStringLiteral("精簡標題"), QStringLiteral("詳細資料"), QStringLiteral("編碼"),
                                  QStringLiteral("統計")}));

    const QList<QPair<const char*, QString>> labels{
        {"clipField", SampleTitle()},
        {"typeField", QStringLiteral("[視訊] [音訊] 以及音訊隱藏應用")},
        {"videoSizeField", QStringLiteral("320 x 240")},
        {"lengthField", QStringLiteral("00 : 00 : 06")},
    };
    for (const auto& [name, text] : labels)
        EXPECT_EQ(properties.findChild<QLabel*>(QLatin1String(name))->text(), text) << name;
    EXPECT_TRUE(properties.findChild<QLabel*>(QStringLiteral("createdFileField"))
                    ->text()
                    .endsWith(QStringLiteral("  (最後寫入的串流檔案)")));
    EXPECT_TRUE(properties.findChild<QPlainTextEdit*>(QStringLiteral("codecsField"))
                    ->toPlainText()
                    .contains(QStringLiteral("音訊 : ")));

    // Opening again starts from empty pages, not from the lines of the last file.
    ASSERT_EQ(OpenMedia(d.app->context(), fetch), OpenOutcome::MediaInspected);
    EXPECT_EQ(properties.findChild<QPlainTextEdit*>(QStringLiteral("bitRateInfoField"))->toPlainText(),
              QStringLiteral("單一的位元率"));
}

TEST(MainWindow, PrintingTheLogAsksFirstAndCancellingPrintsNothingWithThePrinterSetUpBefore)
{
    Desktop d;
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("log.pdf"));
    d.app->logPrinter().printer().setOutputFormat(QPrinter::PdfFormat);
    d.app->logPrinter().printer().setOutputFileName(pdf);
    d.app->shell().appendLog(QStringLiteral("一行"));
    QList<QPrinter*> dialogPrinters;
    ModalDriver driver([&](QWidget* modal) {
        if (auto* dialog = qobject_cast<QPrintDialog*>(modal)) {
            dialogPrinters << dialog->printer();
            QTimer::singleShot(0, dialog, &QDialog::reject);
        }
    });
    d.app->window().findChild<QAction*>(QStringLiteral("printSetupAction"))->trigger();
    d.app->window().findChild<QAction*>(QStringLiteral("printLogAction"))->trigger();
    ASSERT_EQ(dialogPrinters.size(), 2);
    EXPECT_EQ(dialogPrinters[0], dialogPrinters[1]) << "the set-up dialog chooses the printer the print uses";
    EXPECT_FALSE(QFileInfo::exists(pdf));
}

TEST(MainWindowRun, AnOnDemandRecordingSwapsTheButtonsAndEndsAtOneHundredWithItsChime)
{
    Workspace w;
    ServerProcess server(w.media, Args(u"--rate 4"));
    ASSERT_TRUE(server.started());
    Desktop d;
    d.app->context().settings.doneInterval = QStringLiteral("1");
    const QString out = w.out(QStringLiteral("clip.wmv"));

    const WindowRun run = RecordThroughWindow(d, server.url(QStringLiteral("clip.wmv")), out, 3500);
    ASSERT_TRUE(run.ended);
    EXPECT_TRUE(run.buttonsSwapped);
    EXPECT_TRUE(run.buttonsRestored);
    EXPECT_EQ(run.messages, QStringList{QStringLiteral("下載完成， .asf 檔案寫入到本地磁碟")});
    ASSERT_GE(d.captions.size(), 4) << d.captions.join(u'|').toStdString();
    EXPECT_EQ(d.captions.first(), QStringLiteral("Tovrin"));
    EXPECT_TRUE(d.captions.contains(QStringLiteral("Tovrin 動作")));
    EXPECT_TRUE(d.captions.filter(QStringLiteral("進度 ")).size() >= 1) << d.captions.join(u'|').toStdString();
    EXPECT_EQ(d.captions.last(), QStringLiteral("Tovrin 已完成"));
    EXPECT_EQ(d.app->window().gauge()->value(), 100);
    EXPECT_TRUE(d.app->window().gauge()->isTextVisible());
    EXPECT_EQ(d.flashes, 1);
    // Played at completion, then every second while the message stays open.
    EXPECT_GE(d.sounds, 3);
    EXPECT_TRUE(d.app->window().logLines().contains(QStringLiteral("- 接收 TCP 串流 -")));
    // The refresh tick wrote the statistics page while it ran.
    const FilePropertiesWindow& properties = d.app->filePropertiesWindow();
    EXPECT_GT(properties.fieldText(PropertyField::Packets).toUInt(), 0u);
    EXPECT_EQ(properties.fieldText(PropertyField::StreamWindow), QStringLiteral("2"));
    EXPECT_EQ(properties.fieldText(PropertyField::TimeLeft), d.field("timeLeft"));
    ExpectSameAsSource(out, w.source());
}

TEST(MainWindowRun, ALivePointShowsLiveAndTheMediaCannotChangeWhileItRuns)
{
    Workspace w;
    ServerProcess server(w.media, {QStringLiteral("--live"), QStringLiteral("news=") + w.source()});
    ASSERT_TRUE(server.started());
    Desktop d;
    QStringList messages;
    ModalDriver driver([&](QWidget* modal) {
        if (qobject_cast<QFileDialog*>(modal))
            AcceptFileChooser(modal, w.out(QStringLiteral("news_live.asf")));
        else if (qobject_cast<QMessageBox*>(modal))
            messages << AnswerMessageBox(modal);
    });
    // The open window is modeless: it may still be open when the run starts.
    d.app->window().findChild<QAction*>(QStringLiteral("openAction"))->trigger();
    OpenLocationWindow& open = d.app->openWindow();
    ASSERT_TRUE(open.isVisible());
    d.app->window().urlBox()->setEditText(server.url(QStringLiteral("news")));
    d.button("connectButton")->click();
    ASSERT_TRUE(WaitUntil([&] { return d.field("timeLeft") == QStringLiteral("LIVE"); }, 20000));
    EXPECT_TRUE(WaitUntil([&] { return d.app->window().statusCaption() == QStringLiteral("Tovrin - live -"); }, 2000));
    EXPECT_TRUE(d.labelShown("liveLabel"));
    EXPECT_FALSE(d.labelShown("standbyLabel"));
    EXPECT_EQ(d.app->window().findChild<QLabel*>(QStringLiteral("liveLabel"))->palette().color(QPalette::Window),
              QColor(Qt::red));

    open.historyBox()->setEditText(QStringLiteral("mms://elsewhere/x"));
    open.findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    d.app->window().findChild<QAction*>(QStringLiteral("openAction"))->trigger();
    EXPECT_EQ(messages, QStringList(2, QStringLiteral("當尚在連接時，無法改變媒介")));
    EXPECT_TRUE(open.isVisible());
    EXPECT_TRUE(d.app->transport().isRunning());
    EXPECT_TRUE(d.store.read(QStringLiteral("MediaList")).isEmpty());
    open.hide();

    d.button("disconnectButton")->click();  // asks, then tells what was saved
    ASSERT_TRUE(
        WaitUntil([&] { return !d.app->transport().isRunning() && !QApplication::activeModalWidget(); }, 10000));
    EXPECT_EQ(messages.mid(2), (QStringList{QStringLiteral("您確定要放棄這項連線期間嗎?"),
                                            QStringLiteral("連接關閉，您已下載並儲存這個媒介")}));
    EXPECT_EQ(d.app->window().statusCaption(), QStringLiteral("Tovrin"));
    EXPECT_TRUE(d.labelShown("standbyLabel"));
}

TEST(MainWindowRun, AServerAskingForCredentialsGetsThemFromTheCredentialsDialog)
{
    Workspace w;
    ServerProcess server(w.media, Args(u"--rate 0 --auth tovrin:secret"));
    ASSERT_TRUE(server.started());
    Desktop d;
    bool asked = false;
    const WindowRun run = RecordThroughWindow(
        d, server.url(QStringLiteral("clip.wmv")), w.out(QStringLiteral("a.wmv")), 0, [&](QWidget* modal) {
            auto* id = modal->findChild<QLineEdit*>(QStringLiteral("userIdEdit"));
            auto* password = modal->findChild<QLineEdit*>(QStringLiteral("passwordEdit"));
            if (!id || !password)
                return;
            asked = true;
            id->setText(QStringLiteral("tovrin"));
            password->setText(QStringLiteral("secret"));
            ClickChild(modal, QStringLiteral("okButton"));
        });
    EXPECT_TRUE(asked);
    EXPECT_EQ(run.messages, QStringList{QStringLiteral("下載完成， .asf 檔案寫入到本地磁碟")});
    ExpectSameAsSource(w.out(QStringLiteral("a.wmv")), w.source());
}

TEST(MainWindowRun, AnInterruptedRecordingResumesThroughTheResumeDialog)
{
    Workspace w;
    const QString out = w.out(QStringLiteral("resumed.wmv"));
    {
        ServerProcess dropping(w.media, Args(u"--rate 0 --drop-after 10"));
        ASSERT_TRUE(dropping.started());
        Desktop d;
        const WindowRun first = RecordThroughWindow(d, dropping.url(QStringLiteral("clip.wmv")), out);
        ASSERT_TRUE(first.ended);
        EXPECT_TRUE(first.buttonsRestored) << "after a run that failed";
        EXPECT_EQ(d.app->window().statusCaption(), QStringLiteral("Tovrin"));
    }
    ServerProcess server(w.media, Args(u"--rate 0"));
    ASSERT_TRUE(server.started());
    Desktop d;
    bool resumeAsked = false;
    const WindowRun resumed =
        RecordThroughWindow(d, server.url(QStringLiteral("clip.wmv")), out, 0, [&](QWidget* modal) {
            if (!modal->findChild<QAbstractButton*>(QStringLiteral("resumeButton")))
                return;
            resumeAsked = true;
            ClickChild(modal, QStringLiteral("resumeButton"));
        });
    EXPECT_TRUE(resumeAsked);
    EXPECT_EQ(resumed.messages, QStringList{QStringLiteral("下載完成， .asf 檔案寫入到本地磁碟")});
    EXPECT_TRUE(d.app->window().logLines().contains(QStringLiteral("- 沒有儲存 ASF 標題 - 重新開始")));
    ExpectSameAsSource(out, w.source());
}
