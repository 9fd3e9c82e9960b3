#pragma once

#include "state/save_file_mutex.h"
#include "state/shell.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <optional>
#include <type_traits>

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
    std::function<void(const QString&)> onLog = [](const QString&) {};
    std::function<void(const QString&)> onMessage = [](const QString&) {};

    // Record
    QStringList calls;     // one line per call, e.g. "caption Tovrin"
    QStringList log;       // the session log as it stands
    QStringList messages;  // message boxes in order
    QString caption;
    ModeLabel mode = ModeLabel::Standby;
    int gauge = 0;
    QString sendTime, timeLeft;
    QString mediaLocation;
    QString url;          // the URL box's edit text
    QStringList urlList;  // the URL box's items
    std::optional<OpenFileRequest> lastOpenRequest;
    QMap<PropertyField, QString> properties;
    std::optional<SaveFileRequest> lastSaveRequest;
    std::optional<PasswordPrompt> lastPasswordPrompt;
    int flashes = 0;
    QStringList sounds;

    void appendLog(const QString& line) override { record(u"log ", line), log << line, onLog(line); }
    void clearLog() override { record(u"clearLog"), log.clear(); }
    QStringList logLines() const override { return log; }
    void showMessage(const QString& text) override { record(u"message ", text), messages << text, onMessage(text); }
    bool confirm(const QString& t, bool = true) override { return record(u"confirm ", t), next(confirmAnswers, false); }
    QString inputBox(const QString& title, const QString& prompt, const QString& defaultText) override
    {
        return record(u"input ", title + QStringLiteral(" | ") + prompt), next(inputAnswers, defaultText);
    }
    void setCaption(const QString& text) override { record(u"caption ", text), caption = text; }
    void setModeLabel(ModeLabel visible) override { record(u"mode ", QString::number(int(visible))), mode = visible; }
    void setGauge(int percent, bool percentTextVisible) override
    {
        record(QStringLiteral("gauge %1 %2").arg(percent).arg(percentTextVisible));
        gauge = percent;
    }
    void setTimeFields(const QString& send, const QString& left) override
    {
        record(u"times ", send + QStringLiteral(" | ") + left), sendTime = send, timeLeft = left;
    }
    void setSaveLocation(const QString& path) override { record(u"saveLocation ", path); }
    void setMediaLocation(const QString& location) override
    {
        record(u"mediaLocation ", location), mediaLocation = location;
    }
    QString urlText() const override { return url; }
    void setUrlText(const QString& text) override { record(u"urlText ", text), url = text; }
    QStringList urlItems() const override { return urlList; }
    void setUrlItems(const QStringList& items) override { record(u"urlItems ", items.join(u'|')), urlList = items; }
    void closePreviewMonitor() override { record(u"closePreviewMonitor"); }
    void repaintNow() override { record(u"repaint"); }
    void setProperty(PropertyField field, const QString& text) override
    {
        record(QStringLiteral("property %1 ").arg(int(field)) + text), properties[field] = text;
    }
    void appendPropertyLine(PropertyField field, const QString& line) override
    {
        record(QStringLiteral("propertyLine %1 ").arg(int(field)) + line);
    }
    void clearProperties() override { record(u"clearProperties"), properties.clear(); }
    std::optional<QString> chooseSaveFile(const SaveFileRequest& request) override
    {
        return record(u"chooseSaveFile ", request.title), lastSaveRequest = request, next(saveFileAnswers, {});
    }
    std::optional<QString> chooseOpenFile(const OpenFileRequest& request) override
    {
        return record(u"chooseOpenFile ", request.title), lastOpenRequest = request, next(openFileAnswers, {});
    }
    ResumeChoice askResume() override { return record(u"askResume"), next(resumeAnswers, ResumeChoice::Cancel); }
    std::optional<PasswordAnswer> askPassword(const PasswordPrompt& prompt) override
    {
        record(u"askPassword ", prompt.site + QStringLiteral(" | ") + prompt.realm), lastPasswordPrompt = prompt;
        return next(passwordAnswers, {});
    }
    void flash() override { record(u"flash"), ++flashes; }
    void playSound(const QString& soundFile) override { record(u"sound ", soundFile), sounds << soundFile; }
    void beep() override { record(u"beep"); }

private:
    void record(QStringView call, const QString& detail = {})
    {
        // The real shells may run a nested event loop, which must never
        // happen while the save file is locked.
        AssertSaveFileLockNotHeld("Shell");
        calls << call.toString() + detail;
    }
    // The next scripted answer, or `fallback` when the script is used up.
    template <typename T>
    static T next(std::deque<T>& script, std::type_identity_t<T> fallback)
    {
        if (!script.empty()) {
            fallback = std::move(script.front());
            script.pop_front();
        }
        return fallback;
    }
};

}  // namespace tovrin::test
