#pragma once

namespace tovrin {

struct AppContext;

// The stop routine's part in the save file, whatever transport filled it:
// writes out the batched packets, then patches a live recording into a
// seekable file or writes the packet count of an on-demand one (each once
// per run, and never in local-file mode), and logs the outcome. Takes the
// run's saveFileLock itself and logs after releasing it. UI thread.
void FixUpStoppedRun(AppContext& ctx);

}  // namespace tovrin
