#pragma once

#include "mms/ui_dispatcher.h"
#include "state/shell.h"

namespace tovrin {

// A shell for the receive thread: every call is carried out by the real shell
// on the UI thread, and answers come back to the caller.
class UiThreadShell : public Shell {
public:
    UiThreadShell(Shell& target, const UiDispatcher& ui) : m_target(target), m_ui(ui) {}

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
    Shell& m_target;
    const UiDispatcher& m_ui;
};

}  // namespace tovrin
