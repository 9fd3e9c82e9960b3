#pragma once

#include "state/app_context.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "state/settings_record.h"
#include "state/settings_store.h"
#include "support/fake_shell.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

namespace tovrin::fuzz {

// The tests' recording shell, answering every question the way that lets a
// run go furthest: Yes, resume, a user name and password. Fuzz inputs decide
// everything else.
struct FuzzShell : test::FakeShell {
    bool confirm(const QString&, bool) override { return true; }
    ResumeChoice askResume() override { return ResumeChoice::Resume; }
    std::optional<PasswordAnswer> askPassword(const PasswordPrompt&) override
    {
        return PasswordAnswer{QStringLiteral("user"), QStringLiteral("password"), false};
    }
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

// A fresh shell, run and session with fresh settings, on the one settings file of the process.
struct FuzzRun {
    FuzzShell shell;
    SettingsRecord settings;
    RunState run;
    SessionState session;
    AppContext ctx{shell, store(), settings, run, session};

    static SettingsStore& store()
    {
        static SettingsStore instance(ScratchDir().filePath(QStringLiteral("settings.conf")));
        return instance;
    }
};

}  // namespace tovrin::fuzz
