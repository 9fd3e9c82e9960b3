#pragma once

#include <QString>

namespace tovrin {

struct AppContext;
class RecordingFile;

// The names a run's recording continues under when the stream changes its
// header: the first file's name with a counter before the extension,
// "show.wmv", "show (2).wmv", "show (3).wmv", skipping names a file already
// has, so nothing is ever overwritten. One per run.
class NextRecordingNames {
public:
    // The next free name after `current`, the run's file so far; the first
    // call takes `current` as the first file's name.
    QString next(const QString& current);

private:
    QString m_first;
    int m_counter = 1;
};

// Ends the recording in `file` as a completed recording ends (the fix-ups
// and their log lines, a file any player opens and seeks), then opens the
// next numbered file in the same object and readies the run state for a new
// recording there: the session's save path, the window's save label and the
// log name it. Stops the run with a message when the next file cannot be
// opened (false). UI thread; the run's receive thread, if any, waits.
bool ContinueIntoNextFile(AppContext& ctx, RecordingFile& file, NextRecordingNames& names);

}  // namespace tovrin
