#pragma once

#include <QString>

class QFile;

namespace tovrin {

// An advisory, exclusive lock on a save file, so that two recordings (two
// processes, or two runs of one process) never write into the same file.
// The lock belongs to the open handle: it goes when the file is closed or
// the process dies, so a killed run never blocks the next one.

// Takes the lock on an open file without waiting. False when another handle
// holds it.
bool LockSaveFile(QFile& file);

// True when another handle holds the lock on the file at `path`. A file that
// does not exist or cannot be opened for reading is not in use.
bool SaveFileInUse(const QString& path);

}  // namespace tovrin
