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
#include "support/asf_sample.h"
#include "support/recording_checks.h"
#include "support/server_process.h"
#include "support/workspace.h"

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QProgressBar>
#include <QScreen>
#include <QTabWidget>
#include <QWindow>

#include <cstdio>

using namespace tovrin;
using namespace tovrin::test;

namespace {

QString g_outDir;
bool g_ok = true;

// Saves what the screen shows of `widgets` (frames included) as NAME.png.
void shoot(const QString& name, const QList<QWidget*>& widgets)
{
    WaitUntil([] { return false; }, 600);  // let the window manager and the paint settle
    QRect area;
    for (QWidget* w : widgets)
        area = area.united(w->frameGeometry());
    const QPixmap shot =
        QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    const QString path = g_outDir + u'/' + name + QStringLiteral(".png");
    if (!shot.save(path)) {
        std::fprintf(stderr, "could not save %s\n", qPrintable(path));
        g_ok = false;
    } else {
        std::printf("%s\n", qPrintable(path));
    }
}

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "screenshot tour: %s\n", what);
        g_ok = false;
    }
}

}  // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    ConfigureDesktopApplication();
    if (argc != 2) {
        std::fprintf(stderr, "usage: screenshot_tour OUTPUT_DIR\n");
        return 2;
    }
    g_outDir = QString::fromLocal8Bit(argv[1]);

    Workspace w;
    ServerProcess onDemand(w.media, Args(u"--rate 1"));
    ServerProcess live(w.media, {QStringLiteral("--live"), QStringLiteral("news=") + w.source()});
    ServerProcess guarded(w.media, Args(u"--auth tovrin:secret"));
    if (!onDemand.started() || !live.started() || !guarded.started()) {
        std::fprintf(stderr, "the test servers did not start\n");
        return 1;
    }

    SettingsStore store(w.out(QStringLiteral("Tovrin.conf")));
    store.write(QStringLiteral("UDPPort"), QStringLiteral("0"));
    store.write(QStringLiteral("FormLeft"), QStringLiteral("40"));
    store.write(QStringLiteral("FormTop"), QStringLiteral("40"));
    store.write(QStringLiteral("Height"), QStringLiteral("520"));
    DesktopApp program(store);
    MainWindow& window = program.window();
    window.setUrlItems({onDemand.url(QStringLiteral("clip.wmv")), live.url(QStringLiteral("news"))});
    window.setUrlText(onDemand.url(QStringLiteral("clip.wmv")));
    program.show();
    WaitUntil([&] { return window.windowHandle() && window.windowHandle()->isExposed(); }, 10000);
    shoot(QStringLiteral("main-idle"), {&window});

    // The run's dialogs are answered here; the interesting ones are shot first.
    QString saveAs = w.out(QStringLiteral("clip.wmv"));
    std::function<void(QWidget*)> onOther;
    bool completionShot = false;
    ModalDriver driver([&](QWidget* modal) {
        if (qobject_cast<QFileDialog*>(modal)) {
            AcceptFileChooser(modal, saveAs);
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            if (box->text().startsWith(QStringLiteral("下載完成")) && !completionShot) {
                completionShot = true;
                QTimer::singleShot(0, box, [&, box] {
                    shoot(QStringLiteral("main-completed"), {&window, box});
                    AnswerMessageBox(box);
                });
                return;
            }
            AnswerMessageBox(box);
        } else if (onOther) {
            QTimer::singleShot(0, modal, [&, modal] { onOther(modal); });
        }
    });

    program.connectClick();
    require(WaitUntil([&] { return window.gauge()->value() >= 40; }, 30000), "the on-demand run made no progress");
    shoot(QStringLiteral("main-recording"), {&window});
    require(
        WaitUntil(
            [&] { return completionShot && !program.transport().isRunning() && !QApplication::activeModalWidget(); },
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
    printer.setOutputFileName(w.out(QStringLiteral("log.pdf")));
    require(DrawLogPages(printer, program.shell().logLines()), "the log did not print");
    require(RunProgram(QStringLiteral("pdftoppm"),
                       {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("80"), QStringLiteral("-f"),
                        QStringLiteral("1"), QStringLiteral("-singlefile"), w.out(QStringLiteral("log.pdf")),
                        g_outDir + QStringLiteral("/log-print-page1")})
                == 0,
            "pdftoppm did not render the printed log");

    saveAs = w.out(QStringLiteral("news_live.asf"));
    window.setUrlText(live.url(QStringLiteral("news")));
    program.connectClick();
    require(
        WaitUntil(
            [&] { return window.findChild<QLineEdit*>(QStringLiteral("timeLeft"))->text() == QStringLiteral("LIVE"); },
            20000),
        "the live run did not start");
    WaitUntil([] { return false; }, 2500);
    shoot(QStringLiteral("main-live"), {&window});
    program.transport().stop();
    WaitUntil([&] { return !program.transport().isRunning(); }, 10000);

    // The preview monitor playing the save file of a recording in progress.
    QFile::copy(SamplePath(Sample::WmvLong), w.media + QStringLiteral("/long.wmv"));
    saveAs = w.out(QStringLiteral("long.wmv"));
    window.setUrlText(onDemand.url(QStringLiteral("long.wmv")));
    program.connectClick();
    require(WaitUntil([&] { return window.gauge()->value() >= 10; }, 30000), "the run to preview made no progress");
    program.openPreview();
    PreviewMonitor& monitor = program.previewMonitor();
    monitor.move(window.frameGeometry().right() + 20, window.y());
    monitor.play();
    require(WaitUntil([&] { return monitor.player().position() >= 2500; }, 30000), "the preview did not play");
    shoot(QStringLiteral("preview-monitor"), {&monitor});
    monitor.close();
    program.transport().stop();
    WaitUntil([&] { return !program.transport().isRunning() && !QApplication::activeModalWidget(); }, 10000);

    program.showPreviewAbout();
    shoot(QStringLiteral("preview-about-window"), {&program.previewAboutWindow()});
    program.previewAboutWindow().hide();

    program.showSettings();
    shoot(QStringLiteral("settings-dialog"), {&program.settingsDialog()});
    program.settingsDialog().hide();
    program.showAbout();
    shoot(QStringLiteral("about-window"), {&program.aboutWindow()});
    program.aboutWindow().hide();
    store.write(QStringLiteral("MediaList"), onDemand.url(QStringLiteral("clip.wmv")) + QStringLiteral("\r\n")
                                                 + QStringLiteral("http://127.0.0.1/lists/news.asx\r\n")
                                                 + w.out(QStringLiteral("clip.wmv")) + QStringLiteral("\r\n"));
    program.openClick();
    shoot(QStringLiteral("open-window"), {&program.openWindow()});
    program.openWindow().hide();

    // The resume dialog: the file recorded above already holds data.
    saveAs = w.out(QStringLiteral("clip.wmv"));
    bool resumeShot = false;
    onOther = [&](QWidget* modal) {
        shoot(QStringLiteral("resume-dialog"), {modal});
        resumeShot = true;
        ClickChild(modal, QStringLiteral("cancelButton"));
    };
    window.setUrlText(onDemand.url(QStringLiteral("clip.wmv")));
    program.connectClick();
    require(WaitUntil([&] { return resumeShot && !QApplication::activeModalWidget(); }, 10000), "no resume dialog");

    // The credentials dialog of a server that asks for them.
    saveAs = w.out(QStringLiteral("guarded.wmv"));
    bool passwordShot = false;
    onOther = [&](QWidget* modal) {
        shoot(QStringLiteral("credentials-dialog"), {modal});
        passwordShot = true;
        ClickChild(modal, QStringLiteral("cancelButton"));
    };
    window.setUrlText(guarded.url(QStringLiteral("clip.wmv")));
    program.connectClick();
    require(WaitUntil(
                [&] { return passwordShot && !program.transport().isRunning() && !QApplication::activeModalWidget(); },
                20000),
            "no credentials dialog");

    program.closeProgram();
    return g_ok ? 0 : 1;
}
