#pragma once

#include "asf/recording_file.h"
#include "state/shell.h"

#include <QString>

#include <memory>
#include <optional>

namespace tovrin {

struct AppContext;

// Asks for a file to save to through the shell's save chooser, starting in
// the folder the setting `folderSetting` remembers, and remembers the chosen
// file's folder there. Nothing when the user cancels or the setting cannot
// be written (which has been reported). The save file, the session log and
// the redirector copy are all chosen this way.
std::optional<QString> ChooseSaveTarget(AppContext& ctx, SaveFileRequest request, const QString& folderSetting);

// Asks the user for the save file (through the shell's save chooser, starting
// in the remembered AsfDir folder), remembers its folder, and opens it: a
// non-empty file is resumed, overwritten or left alone as the user answers
// the resume dialog; anything else is created afresh. Answers the open save
// file; the session's savePath names it and the run's resume flag tells
// which way it was opened. A cancelled dialog fails silently; a file that
// cannot be opened or created fails with a message, and so does a file
// another recording holds (see asf/save_file_lock.h): the answered file keeps
// that lock until it is closed. The caller lets go of its earlier run's file first, so that
// choosing the same file again is no clash with itself.
std::unique_ptr<RecordingFile> OpenSaveFile(AppContext& ctx);

// Opens the file a run has already chosen, without asking: resumed or
// created as `resume` says, which becomes the run's resume flag. A file that
// cannot be opened fails with a message, as in OpenSaveFile.
std::unique_ptr<RecordingFile> OpenChosenSaveFile(AppContext& ctx, const QString& path, bool resume);

}  // namespace tovrin
