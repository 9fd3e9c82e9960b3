#pragma once

#include <QString>

namespace tovrin {

struct AppContext;
class RecordingFile;

// The names a run's recording continues under when the stream changes its
// header: the first file's name with a counter before the extension,
// "show.wmv", "show (2).wmv", "show (3).wmv", skipping names a file already
// has, so nothing is ever overwritten. One per recording: a recording that
// connects again after a lost connection keeps numbering from its first file.
class NextRecordingNames {
public:
    // The recording's first file, whose name the next ones are made from.
    void start(const QString& first) { m_first = first; }
    // The first free numbered name; without a start, `current` is taken as
    // the first file. The lowest free number is taken, so a numbered file
    // that a failed try created and removed is taken again.
    QString next(const QString& current);

private:
    QString m_first;
};

// Ends the recording in `file` as a completed recording ends (the fix-ups
// and their log lines, a file any player opens and seeks), then opens the
// next numbered file in the same object and readies the run state for a new
// recording there: the session's save path, the window's save label and the
// log name it. Stops the run with a message when the next file cannot be
// opened (false). UI thread; the run's receive thread, if any, waits.
bool ContinueIntoNextFile(AppContext& ctx, RecordingFile& file, NextRecordingNames& names);

}  // namespace tovrin
