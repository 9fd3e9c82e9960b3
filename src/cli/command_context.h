#pragma once

#include "cli/console_shell.h"
#include "state/app_context.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "state/settings_record.h"
#include "state/settings_store.h"

namespace tovrin {

// What every tovrin-cli command runs with: the settings store and the
// settings loaded from it, the console shell with the command line's
// answers, and a fresh run and session, wired into one context.
struct CommandContext {
    explicit CommandContext(ConsoleAnswers answers) : settings(LoadSettings(store)), shell(std::move(answers)) {}

    SettingsStore store;
    SettingsRecord settings;
    ConsoleShell shell;
    RunState run;
    SessionState session;
    AppContext ctx{shell, store, settings, run, session};
};

}  // namespace tovrin
