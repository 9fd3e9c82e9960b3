#pragma once

#include <QByteArray>
#include <QStringList>

namespace tovrin {

struct AppContext;

// Largest saved log shown again, and most lines taken from it. A session log
// is a few hundred lines; the limits keep a damaged or foreign file from
// taking all memory.
inline constexpr qint64 kMaxArchivedLogBytes = 16 * 1024 * 1024;
inline constexpr qsizetype kMaxArchivedLogLines = 200000;

// The lines of a saved session log (code page 950, each line ended by LF).
// A carriage return stays in its line; text after the last LF is a line too.
QStringList SplitSessionLog(const QByteArray& content);

// Reads the saved log named by the opened location into the session log,
// below what the caller logged. Failures are reported in the session log only.
bool ShowArchivedLog(AppContext& ctx);

}  // namespace tovrin
