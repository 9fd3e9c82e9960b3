#pragma once

namespace tovrin {

struct AppContext;

// Saves the session log where the user chooses (starting in LogDir, which it
// then remembers). An existing file is replaced only once the whole new log
// has been written, so a failed save never destroys the old one.
void SaveLog(AppContext& ctx);

// Reads the saved log named by the opened location into the session log,
// below what the caller logged. Failures are reported in the session log only.
bool ShowArchivedLog(AppContext& ctx);

}  // namespace tovrin
