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
// next numbered file in the same object: the session's save path, the
// window's save label and the log name it. False, told in a message, when the
// next file cannot be opened. The run's values are the caller's to start
// afresh. UI thread.
bool ContinueIntoNextFile(AppContext& ctx, RecordingFile& file, NextRecordingNames& names);

}  // namespace tovrin
