#pragma once

#include "run/recording_times.h"

namespace tovrin {

class RunEngine;
class Shell;

// How the wait for a recording's start ended.
enum class StartWait {
    Started,      // the start came (or was already past): record now
    Interrupted,  // Ctrl-C or SIGTERM came first: nothing is recorded
    Missed,       // the stop time passed before the start came (the machine slept)
};

// Waits for the recording's planned start, telling the log when that is and
// how long it is off, and when the recording starts late how late. The wall
// clock is read every second rather than waited on once: a machine that
// sleeps stops the timers of the monotonic clock, and its clock has jumped
// when it wakes. UI thread; no other InterruptSignal may exist meanwhile.
StartWait WaitForStart(Shell& shell, const RecordingTimes& times);

// From now on the recording stops as Ctrl-C stops it once the wall clock,
// read every second, reaches `stop`. For the life of `recording`.
void StopRecordingAt(RunEngine& recording, Shell& shell, const QDateTime& stop);

}  // namespace tovrin
