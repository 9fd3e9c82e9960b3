#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace tovrin {

// The run-mode labels of the main window; exactly one is visible at a time.
enum class ModeLabel { Standby, Live, PreRec };

// Single-line and multi-line fields of the file-properties window.
enum class PropertyField {
    // clip page
    Clip,
    Author,
    Copyright,
    Rating,
    Location,
    Description,
    // details page
    Type,
    FileSize,
    Length,
    VidSize,
    CreatedAsf,
    CreatedFile,
    // codec page
    Version,
    Codecs,
    // statistics page
    BitRateInfo,
    SendTime,
    TimeLeft,
    Packets,
    StreamWindow,
    BitRate,
    StreamRate,
    Acks,
    AsfSize,
    ServerLog,
};

// What a save-file chooser is for: each use has its own filter and its own
// answer (a front end must never answer the log's chooser with the recording).
enum class SaveKind { Recording, Redirector, Log };

// What the save-file chooser is asked.
struct SaveFileRequest {
    SaveKind kind = SaveKind::Recording;
    QString title;
    QString filter;            // e.g. "Windows 媒介檔案 (*.asf;*.wmv;*.wma;*.wm)"
    QString defaultExtension;  // without the dot
    QString defaultName;
    QString startFolder;  // empty: the chooser's own default
    bool overwritePrompt = false;
};

enum class ResumeChoice { Resume, Redownload, Cancel };

// What the open dialog's file chooser is asked. It neither requires the file
// to exist nor checks the path.
struct OpenFileRequest {
    QString title;
    QStringList filters;  // e.g. "Tovrin 記錄檔案 (*.log)"; the first one selected
    QString startFolder;  // empty: the process's current folder
};

// The media server's credentials dialog: what it shows and what it returns on OK.
struct PasswordPrompt {
    QString site;
    QString realm;
    QString userId;      // prefilled from saved credentials
    QString password;    // prefilled from saved credentials
    bool proxy = false;  // the site is a proxy's, not the media server's
};
struct PasswordAnswer {
    QString userId;
    QString password;
    bool savePassword = false;
    // Without savePassword the stored credentials stay as they are, rather
    // than being cleared (the command line's answer, given without asking).
    bool keepStored = false;
};

// Everything the system's rules ask of the user or show to the user. The Qt
// windows, the console front end and the tests' scripted fake implement it;
// logic code never touches a widget.
//
// Threads: implementations are called on the UI thread only. Code running on
// the receive thread reaches the shell through a forwarding shell that blocks
// until the UI thread has carried the call out.
class Shell {
public:
    virtual ~Shell() = default;

    // Session log
    virtual void appendLog(const QString& line) = 0;
    virtual void clearLog() = 0;
    virtual QStringList logLines() const = 0;

    // Modal boxes
    virtual void showMessage(const QString& text) = 0;
    // Yes = true. Enter answers Yes, or No for a question whose Yes loses
    // something (yesByDefault false).
    virtual bool confirm(const QString& text, bool yesByDefault = true) = 0;
    // A cancelled box answers its default text.
    virtual QString inputBox(const QString& title, const QString& prompt, const QString& defaultText) = 0;

    // Main window and application window
    virtual void setCaption(const QString& caption) = 0;
    virtual void setModeLabel(ModeLabel visible) = 0;
    virtual void setGauge(int percent, bool percentTextVisible) = 0;
    // Elapsed and remaining time in the main window (TimeLeft may read "LIVE").
    virtual void setTimeFields(const QString& sendTime, const QString& timeLeft) = 0;
    // The main window's labels naming the save file being written and the
    // media location being shown.
    virtual void setSaveLocation(const QString& path) = 0;
    virtual void setMediaLocation(const QString& location) = 0;
    // The main window's URL box: the stream address Connect uses (its edit
    // text) and the addresses offered with it (its item list).
    virtual QString urlText() const = 0;
    virtual void setUrlText(const QString& text) = 0;
    virtual QStringList urlItems() const = 0;
    virtual void setUrlItems(const QStringList& items) = 0;
    // Closes the preview monitor window when it is open.
    virtual void closePreviewMonitor() = 0;
    // Draws the main window now, so that a line just logged shows before a
    // long step blocks the UI thread.
    virtual void repaintNow() = 0;

    // File-properties window
    virtual void setProperty(PropertyField field, const QString& text) = 0;
    virtual void appendPropertyLine(PropertyField field, const QString& line) = 0;
    virtual void clearProperties() = 0;

    // Dialogs
    virtual std::optional<QString> chooseSaveFile(const SaveFileRequest& request) = 0;
    // The full path of the file picked, or nullopt when cancelled.
    virtual std::optional<QString> chooseOpenFile(const OpenFileRequest& request) = 0;
    virtual ResumeChoice askResume() = 0;
    virtual std::optional<PasswordAnswer> askPassword(const PasswordPrompt& prompt) = 0;

    // Attention
    virtual void flash() = 0;
    virtual void playSound(const QString& soundFile) = 0;
    // The system's beep, once: an end the user must learn of that is no success.
    virtual void beep() = 0;
};

}  // namespace tovrin
