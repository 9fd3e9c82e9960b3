#pragma once

#include "state/kept_log.h"
#include "state/shell.h"

#include <QMap>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace tovrin {

// How the console answers the questions a run asks, decided by the command line.
struct ConsoleAnswers {
    QString saveFile;                          // the recording (empty: the default name)
    QString redirectorFile;                    // a fetched redirector (empty: not saved)
    QString logFile;                           // the session log (empty: its default name beside the recording)
    std::optional<ResumeChoice> resumeChoice;  // --resume / --overwrite
    std::optional<PasswordAnswer> password;    // --user / --password [--save-password]
    bool quiet = false;                        // no log lines, no progress line
    std::optional<bool> confirmAnswer;         // answers every Yes/No question without asking
};

// The shell of the command-line front end. Log lines go to stderr as the
// session log receives them; on a terminal one progress line, redrawn by the
// refresh tick, stays below them. Message boxes become plain lines.
// Questions without an answer on the command line are asked at the terminal,
// and answered with the safe choice (No, Cancel) when there is none.
class ConsoleShell : public Shell {
public:
    // Most session-log lines kept for --save-log and the completion's log save.

    explicit ConsoleShell(ConsoleAnswers answers, std::FILE* out = stderr, std::FILE* in = stdin);

    void appendLog(const QString& line) override;
    void clearLog() override;
    QStringList logLines() const override { return m_log.lines(); }
    void showMessage(const QString& text) override;
    bool confirm(const QString& text, bool yesByDefault = true) override;
    QString inputBox(const QString& title, const QString& prompt, const QString& defaultText) override;
    void setCaption(const QString& caption) override;
    void setModeLabel(ModeLabel visible) override;
    void setGauge(int percent, bool percentTextVisible) override;
    void setTimeFields(const QString& sendTime, const QString& timeLeft) override;
    void setSaveLocation(const QString& path) override;
    void setMediaLocation(const QString& location) override;
    QString urlText() const override { return m_urlText; }
    void setUrlText(const QString& text) override { m_urlText = text; }
    QStringList urlItems() const override { return m_urlItems; }
    void setUrlItems(const QStringList& items) override { m_urlItems = items; }
    void closePreviewMonitor() override {}
    void repaintNow() override {}
    void setProperty(PropertyField field, const QString& text) override;
    void appendPropertyLine(PropertyField field, const QString& line) override;
    void clearProperties() override;
    std::optional<QString> chooseSaveFile(const SaveFileRequest& request) override;
    std::optional<QString> chooseOpenFile(const OpenFileRequest& request) override;
    ResumeChoice askResume() override;
    std::optional<PasswordAnswer> askPassword(const PasswordPrompt& prompt) override;
    void flash() override;
    void playSound(const QString& soundFile) override;
    void beep() override { flash(); }

    // The file-properties window's fields as they stand, for `info` and `open`.
    QString property(PropertyField field) const { return m_properties.value(field); }
    QStringList propertyLines(PropertyField field) const { return m_propertyLines.value(field); }
    QString saveLocation() const { return m_saveLocation; }
    // Ends the progress line so that later output starts on a fresh line.
    void finishProgress();
    bool interactive() const { return m_interactive; }

private:
    void print(const QString& text);
    void drawProgress();
    void clearProgress();
    QString readLine(bool echo);

    ConsoleAnswers m_answers;
    std::FILE* m_out;
    std::FILE* m_in;
    bool m_interactive;  // stdin and the output are terminals
    bool m_progressOnScreen = false;
    KeptLog m_log;
    QMap<PropertyField, QString> m_properties;
    QMap<PropertyField, QStringList> m_propertyLines;
    QString m_saveLocation;
    QString m_urlText;
    QStringList m_urlItems;
    ModeLabel m_mode = ModeLabel::Standby;
    int m_gauge = 0;
    bool m_gaugeText = false;
    QString m_sendTime, m_timeLeft;
};

}  // namespace tovrin
