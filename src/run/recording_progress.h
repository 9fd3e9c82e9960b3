#pragma once

#include <QString>

#include <cstdint>

namespace tovrin {

struct RunState;

// Where a recording stands, for a program that follows it (the command
// line's --progress json): the file being recorded and its figures.
struct RecordingProgress {
    // A run is under way and its file holds the stream's header.
    bool recording = false;
    QString file;  // the file being recorded
    int part = 0;  // which file of the recording, from 1
    // The file's bytes so far: its header and every slot up to the highest
    // stored (a hole counts, as it does on the disk).
    std::uint64_t bytes = 0;
    std::uint64_t packets = 0;  // media packets stored in the file by this recording
    // The recording's media time over every file and connection (what
    // --duration counts), in ms.
    std::uint64_t mediaMs = 0;
    // Packets missing in the file below the highest one stored.
    std::uint64_t missing = 0;
    int reconnectTries = 0;  // tries in a row so far (0 when connected)
};

// The file figures of `progress` from the run's counters, for a file into
// which the recording stored `packets` media packets.
void MeasureFile(const RunState& run, std::uint64_t packets, RecordingProgress& progress);

}  // namespace tovrin
