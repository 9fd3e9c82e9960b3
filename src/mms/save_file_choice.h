#pragma once

namespace tovrin {

struct AppContext;

// Asks the user for the save file (through the shell's save chooser, starting
// in the remembered AsfDir folder), remembers its folder, and opens it: a
// non-empty file is resumed, overwritten or left alone as the user answers
// the resume dialog; anything else is created afresh. On success the run's
// recording is open (see asf/recording_file.h), savePath names it and the
// resume flag tells which way it was opened. A cancelled dialog fails
// silently; a file that cannot be opened or created fails with a message,
// and so does a file another recording holds (see asf/save_file_lock.h): the
// recording keeps that lock until it is closed.
bool OpenSaveFile(AppContext& ctx);

}  // namespace tovrin
