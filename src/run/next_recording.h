#pragma once

#include <QDateTime>
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
    void start(const QString& first)
    {
        m_first = first;
        m_part = 1;
    }
    // The next files are named by a file-name template, each by its number
    // (%n) and its start: its name, in the folder of the file before it.
    // Empty: numbered names. `streamName` stands for %t.
    // `firstTemplated`: the first file has the name the template proposed.
    void useTemplate(const QString& nameTemplate, const QString& streamName, bool firstTemplated)
    {
        m_template = nameTemplate;
        m_streamName = streamName;
        m_title.clear();
        m_firstTemplated = firstTemplated;
        m_firstStart = QDateTime::currentDateTime();
    }
    // The first file's name by the template once the stream's header has
    // told its title: empty when the template has no %t, the header no
    // title, or the name would not change. The next files take the title
    // too.
    QString titledFirstName(const QString& title);
    // The first free numbered name; without a start, `current` is taken as
    // the first file. The lowest free number is taken, so a numbered file
    // that a failed try created and removed is taken again.
    QString next(const QString& current);
    // The number of the recording's file named last: 1 for the first.
    int part() const { return m_part; }

private:
    QString m_first;
    QString m_template;
    QString m_streamName;
    QString m_title;
    QDateTime m_firstStart;  // the first file's start, its %Y ... %S
    bool m_firstTemplated = false;
    int m_part = 1;
};

// The save name a file-name template proposes for a recording's part `part`
// starting `now`: `title`, or else `defaultName` (the stream's own name), stands for %t;
// gives its extension to a name that has none. Empty without a template.
QString ProposedSaveName(const QString& nameTemplate, const QString& defaultName, int part, const QDateTime& now,
                         const QString& title = {});

// Ends the recording in `file` as a completed recording ends (the fix-ups
// and their log lines, a file any player opens and seeks), then opens the
// next numbered file in the same object: the session's save path, the
// window's save label and the log name it. False, told in a message, when the
// next file cannot be opened. The run's values are the caller's to start
// afresh. `reason` is the log line that tells why the next file begins
// (empty: the stream changed its header). UI thread.
bool ContinueIntoNextFile(AppContext& ctx, RecordingFile& file, NextRecordingNames& names, const QString& reason = {});

}  // namespace tovrin
