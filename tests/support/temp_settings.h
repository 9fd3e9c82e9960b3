#pragma once

#include "state/app_context.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "state/settings_record.h"
#include "state/settings_store.h"
#include "support/fake_shell.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace tovrin::test {

// A complete context for logic tests: a fake shell, a settings file in a
// temporary folder, default live settings and a fresh run and session state.
struct TestContext {
    QTemporaryDir dir;
    FakeShell shell;
    SettingsStore store{dir.filePath(QStringLiteral("Tovrin.conf"))};
    SettingsRecord settings;
    RunState run;
    SessionState session;
    AppContext ctx{shell, store, settings, run, session};
};

// Writes each NAME=VALUE of `values` (separated by blanks) into `store`.
inline void WriteSettings(SettingsStore& store, QStringView values)
{
    for (const QString& value : values.toString().split(u' ', Qt::SkipEmptyParts))
        store.write(value.section(u'=', 0, 0), value.section(u'=', 1));
}

// Expects each NAME=VALUE of `values` (separated by blanks) stored in `store`.
inline void ExpectStored(const SettingsStore& store, QStringView values)
{
    for (const QString& value : values.toString().split(u' ', Qt::SkipEmptyParts))
        EXPECT_EQ(store.read(value.section(u'=', 0, 0)), value.section(u'=', 1)) << value.toStdString();
}

}  // namespace tovrin::test
