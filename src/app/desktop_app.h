#pragma once

#include "app/about_window.h"
#include "app/completion_sound.h"
#include "app/file_properties_window.h"
#include "app/log_printer.h"
#include "app/main_window.h"
#include "app/open_location_window.h"
#include "app/preview_about_window.h"
#include "app/preview_monitor.h"
#include "app/qt_shell.h"
#include "app/schedule_window.h"
#include "app/settings_dialog.h"
#include "locations/redirector_fetch.h"
#include "run/run_engine.h"
#include "state/app_context.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "state/settings_record.h"
#include "state/settings_store.h"
#include "state/window_state.h"
#include "transport/record_transport.h"
#include "user_actions/schedule_runner.h"

#include <QMenu>
#include <QObject>

#include <memory>

class QSystemTrayIcon;

namespace tovrin {

// The application object's names (they place the settings) and its quit
// rule: the close sequence ends the program, also with a window still open.
void ConfigureDesktopApplication();

// The desktop program put together: the main window and its shell, the
// settings, the run state, the redirector fetch, the run engine with its
// transports and the windows, created in the program's start-up order, and
// the commands of the main window carried out with them.
//
// Thread: the UI thread; the MMS transport runs its own threads.
class DesktopApp : public QObject {
    Q_OBJECT

public:
    explicit DesktopApp(SettingsStore& store, QObject* parent = nullptr);
    ~DesktopApp() override;

    // Shows the main window (the other windows stay hidden until asked for).
    void show();

    // A location from the command line or handed over by a later start:
    // the main window comes to the front and the location (when not empty)
    // is opened as the open window's OK opens it.
    void openLocation(const QString& location);

    // The main window's commands.
    void openClick();
    void connectClick();
    void disconnectClick();
    void saveLogClick();
    void showSettings();
    void showAbout();
    void showHelp();
    void showFileProperties();
    void printLog();
    void printerSetup();
    // The preview commands: the monitor over the save file or the opened
    // media, and the window about it.
    void openPreview();
    void showPreviewAbout();
    // The close sequence, once per program run; later calls do nothing.
    void closeProgram();
    // 離開 and the close box: while a scheduled recording is to come or
    // under way, asks whether to go on in the system tray, end the program
    // or cancel. True when the program is to close.
    bool mayClose();
    // The 排程 window.
    void showSchedules();
    // The program goes on in the system tray (minimized where there is
    // none), its windows hidden; and back.
    void hideToTray();
    void showFromTray();

    // True while a run or a redirector fetch is under way: the media cannot
    // change then.
    bool isBusy() const;
    bool hasClosed() const { return m_closed; }

    MainWindow& window() { return m_window; }
    QtShell& shell() { return m_shell; }
    AppContext& context() { return m_ctx; }
    CompletionSound& sound() { return m_sound; }
    SettingsDialog& settingsDialog() { return m_settingsDialog; }
    AboutWindow& aboutWindow() { return m_about; }
    OpenLocationWindow& openWindow() { return m_openWindow; }
    FilePropertiesWindow& filePropertiesWindow() { return m_propertiesWindow; }
    LogPrinter& logPrinter() { return m_logPrinter; }
    // Made when first asked for: its player loads GStreamer, which a session
    // without a preview need not pay for at start-up.
    PreviewMonitor& previewMonitor();
    PreviewAboutWindow& previewAboutWindow() { return m_previewAbout; }
    RunEngine& engine() { return m_engine; }
    ScheduleRunner& schedules() { return m_schedules; }
    ScheduleWindow& scheduleWindow() { return m_scheduleWindow; }
    // The tray icon, once the program has gone to the tray.
    QSystemTrayIcon* trayIcon() const { return m_tray.get(); }

    // An unexpected error that reached the event loop: told, and the run
    // under way ends without patching its file.
    void applicationError(const QString& message);

signals:
    // The close sequence has run: the program ends now.
    void closed();

private:
    void restoreWindowState();
    WindowState currentWindowState() const;
    void showTrayToolTip();

    SettingsStore& m_store;
    SettingsRecord m_settings;
    RunState m_run;
    SessionState m_session;
    MainWindow m_window;
    CompletionSound m_sound;
    FilePropertiesWindow m_propertiesWindow{&m_window};
    LogPrinter m_logPrinter;
    QtShell m_shell{m_window, m_sound, m_propertiesWindow};
    AppContext m_ctx{m_shell, m_store, m_settings, m_run, m_session};
    RedirectorFetch m_fetch;
    RecordTransport m_transport{m_ctx, Transport::Auto, 80};
    RunEngine m_engine{m_ctx, m_transport};
    SettingsDialog m_settingsDialog{m_ctx, m_sound, &m_window};
    AboutWindow m_about{&m_window};
    OpenLocationWindow m_openWindow{m_ctx, m_fetch, [this] { return isBusy(); }, &m_window};
    PreviewAboutWindow m_previewAbout{&m_window};
    std::unique_ptr<PreviewMonitor> m_preview;
    ScheduleRunner m_schedules{m_ctx, RecorderProgram()};
    ScheduleWindow m_scheduleWindow{m_schedules};
    QMenu m_trayMenu;
    std::unique_ptr<QSystemTrayIcon> m_tray;
    bool m_closed = false;
};

}  // namespace tovrin
