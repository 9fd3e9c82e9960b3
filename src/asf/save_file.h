#pragma once

#include <QString>

namespace tovrin {

struct AppContext;

// Derives the stream path and the default save name of a run from its URL.
// `url` is trimmed in place; the caller puts the trimmed text back into the
// URL box. Fails, without a message of its own, unless the URL has a third
// "/" followed by at least two characters.
bool PrepareNames(AppContext& ctx, QString& url);

// Asks the user for the save file (through the shell's save chooser, starting
// in the remembered AsfDir folder), remembers its folder, and opens it: a
// non-empty file is resumed, overwritten or left alone as the user answers
// the resume dialog; anything else is created afresh. On success the run's
// saveFile is open for unbuffered random-access writing, savePath names it
// and the resume flag tells which way it was opened. A cancelled dialog
// fails silently; a file that cannot be opened or created fails with a
// message, and so does a file another recording holds (see
// save_file_lock.h): the run's handle keeps that lock until it is closed.
bool OpenSaveFile(AppContext& ctx);

}  // namespace tovrin
