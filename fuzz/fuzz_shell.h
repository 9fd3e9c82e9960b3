#pragma once

#include "state/app_context.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "state/settings_record.h"
#include "state/settings_store.h"
#include "state/shell.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

namespace tovrin::fuzz {

// A shell that keeps nothing and answers every question the way that lets a
// run go furthest: Yes, OK, resume. Fuzz inputs decide everything else.
class FuzzShell : public Shell {
public:
    void appendLog(const QString&) override {}
    void clearLog() override {}
    QStringList logLines() const override { return {}; }
    void showMessage(const QString&) override {}
    bool confirm(const QString&) override { return true; }
    QString inputBox(const QString&, const QString&, const QString& defaultText) override { return defaultText; }
    void setCaption(const QString&) override {}
    void setModeLabel(ModeLabel) override {}
    void setGauge(int, bool) override {}
    void setTimeFields(const QString&, const QString&) override {}
    void setSaveLocation(const QString&) override {}
    void setMediaLocation(const QString&) override {}
    QString urlText() const override { return m_url; }
    void setUrlText(const QString& text) override { m_url = text; }
    QStringList urlItems() const override { return m_items; }
    void setUrlItems(const QStringList& items) override { m_items = items; }
    void closePreviewMonitor() override {}
    void repaintNow() override {}
    void setProperty(PropertyField, const QString&) override {}
    void appendPropertyLine(PropertyField, const QString&) override {}
    void clearProperties() override {}
    std::optional<QString> chooseSaveFile(const SaveFileRequest&) override { return std::nullopt; }
    std::optional<QString> chooseOpenFile(const OpenFileRequest&) override { return std::nullopt; }
    ResumeChoice askResume() override { return ResumeChoice::Resume; }
    std::optional<PasswordAnswer> askPassword(const PasswordPrompt&) override
    {
        return PasswordAnswer{QStringLiteral("user"), QStringLiteral("password"), false};
    }
    void flash() override {}
    void playSound(const QString&) override {}

private:
    QString m_url;
    QStringList m_items;
};

// A folder for the files one fuzzing process writes, removed at exit.
inline QTemporaryDir& ScratchDir()
{
    static QTemporaryDir dir;
    return dir;
}

// Writes `bytes` as the scratch file `name`, replacing what it held; its path.
inline QString WriteScratchFile(const QString& name, const QByteArray& bytes)
{
    const QString path = ScratchDir().filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();  // the fuzzer cannot go on without its scratch folder
    file.write(bytes);
    return path;
}

// A fresh run and session with fresh settings, on the one shell and settings file of the process.
struct FuzzRun {
    SettingsRecord settings;
    RunState run;
    SessionState session;
    AppContext ctx{shell(), store(), settings, run, session};

    static FuzzShell& shell()
    {
        static FuzzShell instance;
        return instance;
    }
    static SettingsStore& store()
    {
        static SettingsStore instance(ScratchDir().filePath(QStringLiteral("settings.conf")));
        return instance;
    }
};

}  // namespace tovrin::fuzz
