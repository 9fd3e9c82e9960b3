// Takes the screenshots in docs/screenshots: the main window idle, while it
// records a file and a live point, at completion, the preview monitor over a
// recording in progress, the pages of the file-properties window for the
// recorded file, the first page of the printed log, and the settings, about,
// about-preview, open, resume and credentials dialogs. Runs the real windows
// against the test server; meant for an X display with a window manager
// (scripts/screenshots starts Xvfb and openbox), so the title bars and their
// captions show.
//
//   screenshot_tour OUTPUT_DIR

#include "app/desktop_app.h"
#include "app/modal_driver.h"
#include "app/translations.h"
#include "support/asf_sample.h"
#include "support/recording_checks.h"
#include "support/server_process.h"
#include "support/temp_settings.h"
#include "support/workspace.h"

#include <QApplication>
#include <QLineEdit>
#include <QPrinter>
#include <QProgressBar>
#include <QScreen>
#include <QTabWidget>
#include <QWindow>

#include <cstdio>
#include <memory>
#include <utility>

using namespace tovrin;
using namespace tovrin::test;
using namespace Qt::StringLiterals;

namespace {

QString g_outDir;
bool g_ok = true;

void require(bool condition, const char* what, const QString& detail = {})
{
    if (!condition)
        std::fprintf(stderr, "screenshot tour: %s%s\n", what, qPrintable(detail));
    g_ok = g_ok && condition;
}

// Saves what the screen shows of `widgets` (frames included) as NAME.png.
void shoot(const QString& name, const QList<QWidget*>& widgets)
{
    WaitUntil([] { return false; }, 600);  // let the window manager and the paint settle
    QRect area;
    for (QWidget* w : widgets)
        area = area.united(w->frameGeometry());
    const QString path = g_outDir + u'/' + name + u".png"_s;
    require(QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(path),
            "could not save ", path);
    std::printf("%s\n", qPrintable(path));
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    ConfigureDesktopApplication();
    // Qt's standard dialogs and buttons in the program's language, as it starts.
    auto chinese = std::make_unique<Translations>();
    chinese->install(u"zh_TW"_s);
    if (argc != 2) {
        std::fprintf(stderr, "usage: screenshot_tour OUTPUT_DIR\n");
        return 2;
    }
    g_outDir = QString::fromLocal8Bit(argv[1]);

    Workspace w;
    ServerProcess onDemand(w.media, Args(u"--rate 1"));
    ServerProcess live(w.media, {u"--live"_s, u"news="_s + w.source()});
    ServerProcess guarded(w.media, Args(u"--auth tovrin:secret"));
    if (!onDemand.started() || !live.started() || !guarded.started()) {
        std::fprintf(stderr, "the test servers did not start\n");
        return 1;
    }

    SettingsStore store(w.out(u"Tovrin.conf"_s));
    WriteSettings(store, u"FormLeft=40 FormTop=40 Height=520");
    DesktopApp program(store);
    MainWindow& window = program.window();
    window.setUrlItems({onDemand.url(u"clip.wmv"_s), live.url(u"news"_s)});
    window.setUrlText(onDemand.url(u"clip.wmv"_s));
    program.show();
    WaitUntil([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }, 10000);
    shoot(u"main-idle"_s, {&window});

    // The run's dialogs are answered here; the interesting ones are shot first.
    QString saveAs = w.out(u"clip.wmv"_s);
    std::function<void(QWidget*)> onOther;
    bool completionShot = false;
    ModalDriver driver([&](QWidget* modal) {
        if (qobject_cast<QFileDialog*>(modal))
            return AcceptFileChooser(modal, saveAs);
        auto* box = qobject_cast<QMessageBox*>(modal);
        const bool completion = box && box->text().startsWith(u"下載完成"_s) && !std::exchange(completionShot, true);
        QTimer::singleShot(0, modal, [&, modal, box, completion] {
            if (completion)
                shoot(u"main-completed"_s, {&window, box});
            if (box)
                AnswerMessageBox(box);
            else if (onOther)
                onOther(modal);
        });
    });

    program.connectClick();
    require(WaitUntil([&] { return window.gauge()->value() >= 40; }, 30000), "the on-demand run made no progress");
    shoot(u"main-recording"_s, {&window});
    require(
        WaitUntil([&] { return completionShot && !program.engine().isRunning() && !QApplication::activeModalWidget(); },
                  30000),
        "the on-demand run did not complete");

    // The file-properties window of the recorded file, page by page.
    FilePropertiesWindow& properties = program.filePropertiesWindow();
    properties.move(window.frameGeometry().topRight() + QPoint(10, 0));
    program.showFileProperties();
    const char* const pageShots[] = {"file-properties-clip", "file-properties-details", "file-properties-codecs",
                                     "file-properties-statistics"};
    for (int page = 0; page < properties.pages()->count(); ++page) {
        properties.pages()->setCurrentIndex(page);
        shoot(QString::fromLatin1(pageShots[page]), {&properties});
    }
    properties.hide();

    // The first printed page of the session log, from PDF to PNG.
    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(w.out(u"log.pdf"_s));
    require(DrawLogPages(printer, program.shell().logLines()), "the log did not print");
    require(RunProgram(u"pdftoppm"_s, Args(u"-png -r 80 -f 1 -singlefile")
                                          << printer.outputFileName() << g_outDir + u"/log-print-page1"_s)
                == 0,
            "pdftoppm did not render the printed log");

    saveAs = w.out(u"news_live.asf"_s);
    window.setUrlText(live.url(u"news"_s));
    program.connectClick();
    require(WaitUntil([&] { return window.findChild<QLineEdit*>(u"timeLeft"_s)->text() == u"LIVE"_s; }, 20000),
            "the live run did not start");
    WaitUntil([] { return false; }, 2500);
    shoot(u"main-live"_s, {&window});
    program.engine().stop();
    WaitUntil([&] { return !program.engine().isRunning(); }, 10000);

    // The preview monitor playing the save file of a recording in progress.
    QFile::copy(SamplePath(Sample::WmvLong), w.media + u"/long.wmv"_s);
    saveAs = w.out(u"long.wmv"_s);
    window.setUrlText(onDemand.url(u"long.wmv"_s));
    program.connectClick();
    require(WaitUntil([&] { return window.gauge()->value() >= 10; }, 30000), "the run to preview made no progress");
    program.openPreview();
    PreviewMonitor& monitor = program.previewMonitor();
    monitor.move(window.frameGeometry().right() + 20, window.y());
    monitor.play();
    require(WaitUntil([&] { return monitor.player().position() >= 2500; }, 30000), "the preview did not play");
    shoot(u"preview-monitor"_s, {&monitor});
    monitor.close();
    program.engine().stop();
    WaitUntil([&] { return !program.engine().isRunning() && !QApplication::activeModalWidget(); }, 10000);

    program.showPreviewAbout();
    shoot(u"preview-about-window"_s, {&program.previewAboutWindow()});
    program.previewAboutWindow().hide();

    program.showSettings();
    shoot(u"settings-dialog"_s, {&program.settingsDialog()});
    program.settingsDialog().hide();
    program.showAbout();
    shoot(u"about-window"_s, {&program.aboutWindow()});
    program.aboutWindow().hide();
    store.write(u"MediaList"_s, onDemand.url(u"clip.wmv"_s) + u"\r\n"_s + u"http://127.0.0.1/lists/news.asx\r\n"_s
                                    + w.out(u"clip.wmv"_s) + u"\r\n"_s);
    program.openClick();
    shoot(u"open-window"_s, {&program.openWindow()});
    program.openWindow().hide();

    // The resume dialog (the file recorded above already holds data), then
    // the credentials dialog of a server that asks for them: each shot, then
    // cancelled.
    for (const auto& [name, url, save] :
         {std::tuple{"resume-dialog", onDemand.url(u"clip.wmv"_s), u"clip.wmv"_s},
          std::tuple{"credentials-dialog", guarded.url(u"clip.wmv"_s), u"guarded.wmv"_s}}) {
        saveAs = w.out(save);
        bool shot = false;
        onOther = [&, name = name](QWidget* modal) {
            shoot(QString::fromLatin1(name), {modal});
            shot = true;
            ClickChild(modal, u"cancelButton"_s);
        };
        window.setUrlText(url);
        program.connectClick();
        require(WaitUntil([&] { return shot && !program.engine().isRunning() && !QApplication::activeModalWidget(); },
                          20000),
                name);
    }
    onOther = nullptr;
    program.closeProgram();
    chinese.reset();

    // In English, as `tovrin --lang en` shows it: the main window with the
    // recorded file opened, and its file-properties window.
    Translations english;
    require(english.install(u"en"_s), "the English translation did not load");
    DesktopApp inEnglish(store);
    inEnglish.show();
    inEnglish.openLocation(w.out(u"clip.wmv"_s));
    WaitUntil([&] { return inEnglish.window().windowHandle() && inEnglish.window().windowHandle()->isExposed(); },
              10000);
    shoot(u"main-english"_s, {&inEnglish.window()});
    FilePropertiesWindow& englishProperties = inEnglish.filePropertiesWindow();
    englishProperties.move(inEnglish.window().frameGeometry().topRight() + QPoint(10, 0));
    inEnglish.showFileProperties();
    shoot(u"file-properties-english"_s, {&englishProperties});
    inEnglish.closeProgram();
    return g_ok ? 0 : 1;
}
