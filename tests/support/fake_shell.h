#pragma once

#include "state/shell.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>

namespace tovrin::test {

// A shell that records every call and answers dialogs from a script.
// Unscripted questions get the safe answer: No, the default text, Cancel.
class FakeShell : public Shell {
public:
    // Script
    std::deque<bool> confirmAnswers;
    std::deque<QString> inputAnswers;
    std::deque<std::optional<QString>> saveFileAnswers;
    std::deque<ResumeChoice> resumeAnswers;
    std::deque<std::optional<PasswordAnswer>> passwordAnswers;
    std::deque<std::optional<QString>> openFileAnswers;
    // Run after a log line or a message is recorded, as code a dialog's
    // event loop would run then (UI thread, like every shell call).
    std::function<void(const QString&)> onLog;
    std::function<void(const QString&)> onMessage;

    // Record
    QStringList calls;     // one line per call, e.g. "caption Tovrin"
    QStringList log;       // the session log as it stands
    QStringList messages;  // message boxes in order
    QStringList confirmations;
    QString caption;
    ModeLabel mode = ModeLabel::Standby;
    int gauge = 0;
    bool gaugeTextVisible = false;
    QString sendTime, timeLeft;
    QString saveLocation, mediaLocation;
    QString url;            // the URL box's edit text
    QStringList urlList;    // the URL box's items
    int previewCloses = 0;
    std::optional<OpenFileRequest> lastOpenRequest;
    QMap<PropertyField, QString> properties;
    QMap<PropertyField, QStringList> propertyLines;
    std::optional<SaveFileRequest> lastSaveRequest;
    std::optional<PasswordPrompt> lastPasswordPrompt;
    int flashes = 0;
    QStringList sounds;

    void appendLog(const QString& line) override;
    void clearLog() override;
    QStringList logLines() const override { return log; }
    void showMessage(const QString& text) override;
    bool confirm(const QString& text) override;
    QString inputBox(const QString& title, const QString& prompt, const QString& defaultText) override;
    void setCaption(const QString& text) override;
    void setModeLabel(ModeLabel visible) override;
    void setGauge(int percent, bool percentTextVisible) override;
    void setTimeFields(const QString& send, const QString& left) override;
    void setSaveLocation(const QString& path) override;
    void setMediaLocation(const QString& location) override;
    QString urlText() const override { return url; }
    void setUrlText(const QString& text) override;
    QStringList urlItems() const override { return urlList; }
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

private:
    void note(const QString& call);
};

}  // namespace tovrin::test
