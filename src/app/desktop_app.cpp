#include "app/desktop_app.h"

#include "app/window_placement.h"
#include "locations/preview_rules.h"
#include "state/app_error.h"
#include "state/run_reset.h"
#include "user_actions/log_steps.h"
#include "user_actions/open_dialog.h"
#include "user_actions/open_media.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QSystemTrayIcon>

namespace tovrin {

void ConfigureDesktopApplication()
{
    QApplication::setApplicationName(QStringLiteral("Tovrin"));
    QApplication::setOrganizationName(QStringLiteral("Tovrin Streaming"));
    QApplication::setQuitOnLastWindowClosed(false);
    // The desktop matches the windows to tovrin.desktop (its name and icon);
    // the windows carry the icon themselves for desktops that do not.
    QGuiApplication::setDesktopFileName(QStringLiteral("tovrin"));
    QIcon icon;
    icon.addFile(QStringLiteral(":/tovrin/icons/tovrin-32.png"));
    icon.addFile(QStringLiteral(":/tovrin/icons/tovrin-256.png"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tovrin"), icon));
}

DesktopApp::DesktopApp(SettingsStore& store, QObject* parent)
    : QObject(parent), m_store(store), m_settings(LoadSettings(store))
{
    // The main window's creation step, then the settings dialog's: the
    // settings were loaded above. The UDP port is bound by each UDP run.
    restoreWindowState();

    m_ctx.stopper = &m_engine;
    m_engine.setRedirectorFetch(&m_fetch);
    connect(&m_engine, &RunEngine::saveLogRequested, this, &DesktopApp::saveLogClick);

    connect(&m_window, &MainWindow::openRequested, this, &DesktopApp::openClick);
    connect(&m_window, &MainWindow::connectRequested, this, &DesktopApp::connectClick);
    connect(&m_window, &MainWindow::disconnectRequested, this, &DesktopApp::disconnectClick);
    connect(&m_window, &MainWindow::saveLogRequested, this, &DesktopApp::saveLogClick);
    connect(&m_window, &MainWindow::settingsRequested, this, &DesktopApp::showSettings);
    connect(&m_window, &MainWindow::aboutRequested, this, &DesktopApp::showAbout);
    connect(&m_window, &MainWindow::helpRequested, this, &DesktopApp::showHelp);
    connect(&m_window, &MainWindow::filePropertiesRequested, this, &DesktopApp::showFileProperties);
    connect(&m_window, &MainWindow::printLogRequested, this, &DesktopApp::printLog);
    connect(&m_window, &MainWindow::printerSetupRequested, this, &DesktopApp::printerSetup);
    connect(&m_window, &MainWindow::exitRequested, this, [this] {
        if (mayClose())
            closeProgram();
    });
    m_window.setCloseGuard([this] { return mayClose(); });
    connect(&m_window, &MainWindow::closeRequested, this, &DesktopApp::closeProgram);
    connect(&m_window, &MainWindow::scheduleRequested, this, &DesktopApp::showSchedules);
    connect(&m_settingsDialog, &SettingsDialog::restartRequested, this, &DesktopApp::closeProgram);
    connect(&m_window, &MainWindow::previewRequested, this, &DesktopApp::openPreview);
    connect(&m_window, &MainWindow::previewAboutRequested, this, &DesktopApp::showPreviewAbout);
    // A save file being previewed is complete once its run has ended.
    connect(&m_engine, &RunEngine::finished, this, [this] {
        if (m_preview)
            m_preview->setFileComplete(true);
    });

    // 放棄 stops a redirector fetch as it stops a run.
    connect(&m_fetch, &RedirectorFetch::busyChanged, &m_window, &MainWindow::setRunActive);
    connect(&m_engine, &RunEngine::runStarted, &m_window, [this] { m_window.setRunActive(true); });
    connect(&m_engine, &RunEngine::finished, &m_window, [this] { m_window.setRunActive(false); });
    connect(&m_engine, &RunEngine::urlTextChanged, &m_window, &MainWindow::setUrlText);

    // The tray's menu: back to the window, the list, or the end.
    m_trayMenu.addAction(QCoreApplication::translate("DesktopApp", "顯示 Tovrin(&S)"), this, &DesktopApp::showFromTray);
    m_trayMenu.addAction(QCoreApplication::translate("DesktopApp", "排程(&C)..."), this, &DesktopApp::showSchedules);
    m_trayMenu.addSeparator();
    m_trayMenu.addAction(QCoreApplication::translate("DesktopApp", "結束(&X)"), this, &DesktopApp::closeProgram);
    connect(&m_schedules, &ScheduleRunner::viewChanged, this, &DesktopApp::showTrayToolTip);
    connect(&m_schedules, &ScheduleRunner::listChanged, this, &DesktopApp::showTrayToolTip);
    // The times missed while the program was closed go to the log.
    m_schedules.begin();
}

DesktopApp::~DesktopApp()
{
    // Nothing may reach the windows once they start to go.
    closeProgram();
    m_shell.setPreviewMonitor(nullptr);
}

void DesktopApp::show()
{
    m_window.show();
}

void DesktopApp::restoreWindowState()
{
    const WindowState state = LoadWindowState(m_store);
    m_window.resize(state.width, state.height);
    m_window.move(state.left, state.top);
    m_window.setUrlItems(state.urlList);
    m_window.setUrlText(state.urlSelected);
}

WindowState DesktopApp::currentWindowState() const
{
    WindowState state;
    state.height = m_window.height();
    state.width = m_window.width();
    state.left = m_window.x();
    state.top = m_window.y();
    state.urlSelected = m_window.urlText();
    state.urlList = m_window.urlItems();
    return state;
}

void DesktopApp::openLocation(const QString& location)
{
    m_window.show();
    m_window.setWindowState(m_window.windowState() & ~Qt::WindowMinimized);
    m_window.raise();
    m_window.activateWindow();
    if (!location.isEmpty())
        m_openWindow.openLocation(location);
}

bool DesktopApp::isBusy() const
{
    return m_engine.isRunning() || m_fetch.isBusy();
}

void DesktopApp::openClick()
{
    if (isBusy()) {
        m_shell.showMessage(CannotChangeMediaText());
        return;
    }
    m_openWindow.show();
    m_openWindow.raise();
    m_openWindow.activateWindow();
}

void DesktopApp::connectClick()
{
    if (m_fetch.isBusy()) {
        m_shell.showMessage(CannotChangeMediaText());
        return;
    }
    if (m_engine.isRunning())
        return;
    TakeRunLocation(m_ctx, m_window.urlText());
    m_engine.start(m_window.urlText());
}

void DesktopApp::disconnectClick()
{
    if (m_fetch.isBusy())
        m_fetch.abort();
    else if (m_engine.isRunning())
        m_engine.disconnectClick();
}

void DesktopApp::applicationError(const QString& message)
{
    HandleApplicationError(m_ctx, message);
}

void DesktopApp::saveLogClick()
{
    SaveLog(m_ctx);
}

void DesktopApp::showSettings()
{
    m_settingsDialog.showSettings();
    if (!m_settingsDialog.isVisible())
        CentreOnScreen(m_settingsDialog, &m_window);
    m_settingsDialog.show();
    m_settingsDialog.raise();
    m_settingsDialog.activateWindow();
}

void DesktopApp::showAbout()
{
    if (!m_about.isVisible())
        CentreOnScreen(m_about, &m_window);
    m_about.show();
    m_about.raise();
    m_about.activateWindow();
}

void DesktopApp::showHelp()
{
    m_shell.showMessage(HelpMessage());
}

void DesktopApp::showFileProperties()
{
    m_propertiesWindow.show();
    m_propertiesWindow.raise();
    m_propertiesWindow.activateWindow();
}

void DesktopApp::printLog()
{
    if (!m_logPrinter.print(&m_window, m_shell.logLines()))
        m_shell.showMessage(QCoreApplication::translate("DesktopApp", "無法列印記錄"));
}

void DesktopApp::printerSetup()
{
    m_logPrinter.setUp(&m_window);
}

void DesktopApp::openPreview()
{
    const std::optional<QString> file = ChoosePreviewFile(m_session.savePath, m_session.mediaLocation);
    if (!file) {
        m_shell.showMessage(NoPreviewableMediaMessage());
        return;
    }
    // Showing it again leaves what it shows as it is.
    PreviewMonitor& monitor = previewMonitor();
    if (!monitor.isVisible()) {
        const bool beingWritten = m_engine.isRunning() && *file == m_session.savePath;
        monitor.showPreview(*file, m_run.streamKindBits.load(), !beingWritten);
    }
    monitor.raise();
    monitor.activateWindow();
}

PreviewMonitor& DesktopApp::previewMonitor()
{
    if (!m_preview) {
        m_preview = std::make_unique<PreviewMonitor>();
        m_shell.setPreviewMonitor(m_preview.get());
    }
    return *m_preview;
}

void DesktopApp::showPreviewAbout()
{
    if (!m_previewAbout.isVisible())
        CentreOnScreen(m_previewAbout, &m_window);
    m_previewAbout.show();
    m_previewAbout.raise();
    m_previewAbout.activateWindow();
}

bool DesktopApp::mayClose()
{
    if (m_closed || !m_schedules.pending())
        return true;
    QMessageBox question(QMessageBox::Question, QStringLiteral("Tovrin"),
                         QCoreApplication::translate("DesktopApp",
                                                     "排程錄製仍在等候或進行中。\n"
                                                     "要讓 Tovrin 在系統匣中繼續錄製，還是結束程式？\n"
                                                     "(結束時，進行中的錄製會停止並儲存)"),
                         QMessageBox::Cancel, &m_window);
    QPushButton* tray =
        question.addButton(QCoreApplication::translate("DesktopApp", "在系統匣中繼續(&T)"), QMessageBox::AcceptRole);
    tray->setObjectName(QStringLiteral("trayButton"));
    question.addButton(QCoreApplication::translate("DesktopApp", "結束程式(&Q)"), QMessageBox::DestructiveRole)
        ->setObjectName(QStringLiteral("quitButton"));
    question.setDefaultButton(tray);
    question.exec();
    if (question.clickedButton() == tray) {
        hideToTray();
        return false;
    }
    return question.buttonRole(question.clickedButton()) == QMessageBox::DestructiveRole;
}

void DesktopApp::showSchedules()
{
    if (!m_scheduleWindow.isVisible())
        CentreOnScreen(m_scheduleWindow, &m_window);
    m_scheduleWindow.show();
    m_scheduleWindow.raise();
    m_scheduleWindow.activateWindow();
}

void DesktopApp::hideToTray()
{
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        m_shell.appendLog(QCoreApplication::translate("DesktopApp", "- 沒有系統匣可用: Tovrin 縮到最小，繼續排程錄製"));
        m_window.showMinimized();
        return;
    }
    if (!m_tray) {
        m_tray = std::make_unique<QSystemTrayIcon>(QApplication::windowIcon());
        m_tray->setContextMenu(&m_trayMenu);
        connect(m_tray.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick)
                showFromTray();
        });
    }
    showTrayToolTip();
    m_tray->show();
    m_window.hide();
    m_scheduleWindow.hide();
    m_settingsDialog.hide();
    m_openWindow.hide();
    m_propertiesWindow.hide();
    m_tray->showMessage(QStringLiteral("Tovrin"),
                        QCoreApplication::translate("DesktopApp", "Tovrin 在系統匣中繼續排程錄製。"));
}

void DesktopApp::showFromTray()
{
    m_window.showNormal();
    m_window.raise();
    m_window.activateWindow();
    if (m_tray)
        m_tray->hide();
}

void DesktopApp::showTrayToolTip()
{
    if (!m_tray)
        return;
    QString tip =
        QCoreApplication::translate("DesktopApp", "Tovrin: %1 個排程錄製中").arg(m_schedules.recordingCount());
    if (const std::optional<QDateTime> next = m_schedules.nextStart())
        tip += u'\n'
               + QCoreApplication::translate("DesktopApp", "下一個: %1")
                     .arg(next->toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    m_tray->setToolTip(tip);
}

void DesktopApp::closeProgram()
{
    if (m_closed)
        return;
    m_closed = true;
    RunCloseSequence(m_ctx, currentWindowState());
    // Each recording of the list finishes its file before the program goes.
    m_schedules.stopAll();
    m_scheduleWindow.hide();
    if (m_tray)
        m_tray->hide();
    m_fetch.abort();
    m_settingsDialog.hide();
    m_about.hide();
    m_openWindow.hide();
    m_propertiesWindow.hide();
    if (m_preview)
        m_preview->close();
    m_previewAbout.hide();
    emit closed();
}

}  // namespace tovrin
