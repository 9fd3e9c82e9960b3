#pragma once

#include "state/kept_log.h"
#include "state/shell.h"

#include <QMainWindow>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QToolBar;
class QToolButton;

namespace tovrin {

// The main window: the tool bar and menus, the gauge, the session log, the
// time fields, the run-mode labels, the open / save / URL rows and the status
// bar. It only shows what it is given and tells which command was chosen;
// the program's wiring (DesktopApp) carries the commands out.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // The fixed part of the title; it follows the status caption.
    static QString fixedCaption();

    explicit MainWindow(QWidget* parent = nullptr);

    // What the shell writes.
    void appendLogLine(const QString& line);
    void clearLogLines();
    // The log's lines as they were appended, whatever a line holds.
    QStringList logLines() const { return m_logLines.lines(); }
    void setModeLabel(ModeLabel visible);
    ModeLabel modeLabel() const { return m_mode; }
    void setGauge(int percent, bool percentTextVisible);
    void setTimeFields(const QString& sendTime, const QString& timeLeft);
    void setSaveLocation(const QString& path);
    void setMediaLocation(const QString& location);
    // The title bar: the status caption followed by the fixed caption.
    void setStatusCaption(const QString& caption);
    QString statusCaption() const { return m_statusCaption; }

    // The URL box: its edit text and its items. Typing never adds an item.
    QString urlText() const;
    void setUrlText(const QString& text);
    QStringList urlItems() const;
    void setUrlItems(const QStringList& items);

    // Connect enabled and Disconnect disabled while no run (nor redirector
    // fetch) is active.
    void setRunActive(bool active);

    // Asked when the close box is pressed: false keeps the window (the
    // program chose otherwise, or the user cancelled).
    void setCloseGuard(std::function<bool()> mayClose) { m_mayClose = std::move(mayClose); }

    QComboBox* urlBox() const { return m_url; }
    QProgressBar* gauge() const { return m_gauge; }

signals:
    void openRequested();
    void saveLogRequested();
    void printLogRequested();
    void printerSetupRequested();
    void filePropertiesRequested();
    void previewRequested();
    void previewAboutRequested();
    void exitRequested();
    void settingsRequested();
    void scheduleRequested();
    void aboutRequested();
    void helpRequested();
    void connectRequested();
    void disconnectRequested();
    // The close box (or the system) asks the window to close.
    void closeRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenus();
    void buildToolBar();
    void yieldSharedAccessKeysToMenus();
    QWidget* buildRunPanel();
    QWidget* buildLocationPanel();
    QToolButton* addToolButton(const QString& objectName, const QString& text, int icon, void (MainWindow::*signal)());

    QToolBar* m_toolBar = nullptr;
    QWidget* m_toolButtons = nullptr;
    QProgressBar* m_gauge = nullptr;
    QPlainTextEdit* m_log = nullptr;
    // The lines as saved and printed, bounded; the view keeps the latest of them.
    KeptLog m_logLines;
    bool m_logEmpty = true;
    QLabel* m_helpLine = nullptr;
    QLineEdit* m_sendTime = nullptr;
    QLineEdit* m_timeLeft = nullptr;
    QLabel* m_standby = nullptr;
    QLabel* m_live = nullptr;
    QLabel* m_preRec = nullptr;
    QLabel* m_mediaWindow = nullptr;
    QLabel* m_saveWindow = nullptr;
    QComboBox* m_url = nullptr;
    QToolButton* m_connect = nullptr;
    QToolButton* m_disconnect = nullptr;
    ModeLabel m_mode = ModeLabel::Standby;
    QString m_statusCaption = QStringLiteral("Tovrin");
    std::function<bool()> m_mayClose;
};

}  // namespace tovrin
