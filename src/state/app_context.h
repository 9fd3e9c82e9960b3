#pragma once

namespace tovrin {

class Shell;
class SettingsStore;
struct RunState;
struct SessionState;
struct SettingsRecord;

// Ends the download run in progress, if any. The controller provides it;
// until one exists there is nothing to stop.
class RunStopper {
public:
    virtual ~RunStopper() = default;
    virtual void stopRun() = 0;
};

// What the rules of the system work with: the user (through the shell), the
// persistent settings, the live settings, the state of the current run and
// what outlives it. Owned by the front end and passed down; nothing reaches
// it as a global.
struct AppContext {
    Shell& shell;
    SettingsStore& store;
    SettingsRecord& settings;
    RunState& run;
    SessionState& session;
    RunStopper* stopper = nullptr;
};

}  // namespace tovrin
