#pragma once

namespace tovrin {

struct AppContext;
struct RunState;

// The stop routine's part in the save file, whatever transport filled it:
// writes out the batched packets, then patches a live recording into a
// seekable file or writes the packet count of an on-demand one (each once
// per run, and never in local-file mode), and logs the outcome. Takes the
// run's saveFileLock itself and tells the user (log lines, the message of a
// failed live fix-up) only after releasing it: a message box runs an event
// loop, and a second stop arriving from it takes the same lock. UI thread.
void FixUpStoppedRun(AppContext& ctx);

// The server reported the end of the stream: writes out the batched packets
// and the packet count of what was stored, logs the outcome, and leaves the
// count to no later fix-up. True when the file is whole: the count was
// written and no write of the run failed. UI thread.
bool FixCompletedRun(AppContext& ctx);

// The stop routine's last step: writes out the batched packets and closes
// the save file, so what was stored is kept, with or without fix-ups.
void CloseSaveFile(RunState& run);

}  // namespace tovrin
