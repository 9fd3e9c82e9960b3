#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace tovrin {

// What the fields of a file-name template stand for in one part of a
// recording.
struct NameFacts {
    QDateTime partStart;  // the part's start; the fields give it in local time
    QString title;        // the stream's title from its header (may be empty)
    QString streamName;   // the stream's file name from its address, used without its extension when no title
    int part = 1;         // the part's number, from 1
};

// True when `text` holds a field of the file-name templates: a plain path
// without one names its file as it is.
bool HasNameFields(const QString& text);

// The path a file-name template names for `facts`: %Y %m %d %H %M %S (the
// part's start in local time), %t (the title, or the stream's name when the
// header has none), %n (the part's number) and %% (a "%"); any other "%" stays
// as it is. What the template's own text says is kept as typed: its folders
// (separated by "/", and "\" on Windows) are the recording's folders. What
// the fields bring in is made a safe name on every system: the characters
// Windows refuses in a name (\ / : * ? " < > |) and control characters become
// "_", a title loses its blanks and dots at both ends and is cut so a name
// stays within 240 bytes, and a name of the template's that comes out empty,
// only dots or a device name of Windows (CON, NUL, COM1...) is given a safe
// one ("recording", "_CON").
QString ExpandNameTemplate(const QString& nameTemplate, const NameFacts& facts);

// `path` with the counter `number` before its extension: "show (2).wmv" for
// "show.wmv" and 2; `path` itself for 1.
QString NumberedName(const QString& path, int number);

// The first of `path`'s numbered names, from `from` on, that names nothing
// (no file, folder nor link, a dangling one included): a recording never
// writes over anything.
QString FirstFreeName(const QString& path, int from = 1);

// Makes the folders of `path` when missing, then creates its first free
// numbered name as an empty file, which no other recorder can take since
// another that reserves the same name at the same moment is refused it and
// takes the next. The file's path, or nothing with `failedAt` naming the
// folder or file that could not be made. The file exists from then on: the
// caller records into it (RecordingFile::open(path, false) takes it as it
// is) and removes it when the run stores nothing, which RecordingFile's close
// does only for a file it created itself.
std::optional<QString> ReserveRecordingPath(const QString& path, QString& failedAt);

}  // namespace tovrin
