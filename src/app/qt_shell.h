#pragma once

#include "state/shell.h"

#include <functional>

class QWidget;

namespace tovrin {

class CompletionSound;
class FilePropertiesWindow;
class MainWindow;
class PreviewMonitor;

// The shell of the desktop program: message boxes and questions over the
// main window, the main window's fields, the file-properties window, the save
// chooser and the run's dialogs, the flash and the completion sound. UI
// thread only; the receive thread reaches it through the controller's
// forwarding shell.
class QtShell : public Shell {
public:
    QtShell(MainWindow& window, CompletionSound& sound, FilePropertiesWindow& properties);

    // Seam for tests: what a flash does (by default QApplication::alert on
    // the main window).
    std::function<void()> flashHandler;

    // The preview monitor that closePreviewMonitor() closes (none by default).
    void setPreviewMonitor(PreviewMonitor* monitor) { m_preview = monitor; }

    void appendLog(const QString& line) override;
    void clearLog() override;
    QStringList logLines() const override;
    void showMessage(const QString& text) override;
    bool confirm(const QString& text, bool yesByDefault = true) override;
    QString inputBox(const QString& title, const QString& prompt, const QString& defaultText) override;
    void setCaption(const QString& caption) override;
    void setModeLabel(ModeLabel visible) override;
    void setGauge(int percent, bool percentTextVisible) override;
    void setTimeFields(const QString& sendTime, const QString& timeLeft) override;
    void setSaveLocation(const QString& path) override;
    void setMediaLocation(const QString& location) override;
    QString urlText() const override;
    void setUrlText(const QString& text) override;
    QStringList urlItems() const override;
    void setUrlItems(const QStringList& items) override;
    void closePreviewMonitor() override;
    void repaintNow() override;
    void setProperty(PropertyField field, const QString& text) override;
    void appendPropertyLine(PropertyField field, const QString& line) override;
    void clearProperties() override;
    std::optional<QString> chooseSaveFile(const SaveFileRequest& request) override;
    std::optional<QString> chooseOpenFile(const OpenFileRequest& request) override;
    ResumeChoice askResume() override;
    std::optional<PasswordAnswer> askPassword(const PasswordPrompt& prompt) override;
    void flash() override;
    void playSound(const QString& soundFile) override;
    void beep() override;

private:
    QWidget* boxParent() const;

    MainWindow& m_window;
    CompletionSound& m_sound;
    FilePropertiesWindow& m_properties;
    PreviewMonitor* m_preview = nullptr;
};

}  // namespace tovrin
