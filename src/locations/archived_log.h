#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <variant>

namespace tovrin {

// Largest saved log shown again, and most lines taken from it. A session log
// is a few hundred lines; the limits keep a damaged or foreign file from
// taking all memory.
inline constexpr qint64 kMaxArchivedLogBytes = 16 * 1024 * 1024;
inline constexpr qsizetype kMaxArchivedLogLines = 200000;

// The lines of a saved session log (code page 950, each line ended by LF).
// A carriage return stays in its line; text after the last LF is a line too.
QStringList SplitSessionLog(const QByteArray& content);

// Why a saved log cannot be shown again.
enum class ArchivedLogError {
    CannotRead,  // not a regular file, or it cannot be read whole
    Empty,
    TooLarge,      // more than kMaxArchivedLogBytes
    TooManyLines,  // more than kMaxArchivedLogLines
};
// The lines of the saved log at `path`, or why there are none.
std::variant<QStringList, ArchivedLogError> ReadArchivedLog(const QString& path);

}  // namespace tovrin
