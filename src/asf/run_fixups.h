#pragma once

#include "asf/header_fixup.h"
#include "asf/recording_file.h"

#include <optional>

namespace tovrin {

struct RunState;

// What the stop routine's fix-ups did, for the caller to tell once the
// save-file lock is free: a message box runs an event loop, and a second stop
// arriving from it takes the same lock.
struct StopFixups {
    WriteFailure writeFailure;          // the run's first failed write, met writing out the batch
    std::optional<LiveHeaderFix> live;  // a live recording was patched into a seekable file
    std::optional<bool> countWritten;   // an on-demand file's packet count was written (or failed)
};

// The stop routine's part in the save file, whatever transport filled it:
// writes out the batched packets, then patches a live recording into a
// seekable file or writes the packet count of an on-demand one (each once
// per run, and never in local-file mode). Without a save file (the run ended
// before one was opened) the fix-ups find nothing to patch. UI thread.
StopFixups FixUpStoppedRun(RunState& run, RecordingFile* file);

// What completing the file did.
struct CompletedFix {
    WriteFailure writeFailure;  // the run's first failed write, met writing out the batch
    bool countWritten = false;
    bool whole = false;  // the count was written and no write of the run failed
};

// The server reported the end of the stream: writes out the batched packets
// and the packet count of what was stored, and leaves the count to no later
// fix-up. UI thread.
CompletedFix FixCompletedRun(RunState& run, RecordingFile& file);

// The run's first failed write: nothing once one has been told, so a full
// disk does not fill the log.
WriteFailure FirstWriteFailure(RunState& run, WriteFailure failure);

}  // namespace tovrin
