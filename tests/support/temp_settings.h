#pragma once

#include "state/app_context.h"
#include "state/run_state.h"
#include "state/settings_record.h"
#include "state/settings_store.h"
#include "support/fake_shell.h"

#include <QTemporaryDir>

namespace tovrin::test {

// A complete context for logic tests: a fake shell, a settings file in a
// temporary folder, default live settings and a fresh run state.
struct TestContext {
    QTemporaryDir dir;
    FakeShell shell;
    SettingsStore store{dir.filePath(QStringLiteral("Tovrin.conf"))};
    SettingsRecord settings;
    RunState run;
    AppContext ctx{shell, store, settings, run};
};

}  // namespace tovrin::test
