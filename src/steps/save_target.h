#pragma once

#include "state/shell.h"

#include <QString>

#include <optional>

namespace tovrin {

struct AppContext;

// Asks for a file to save to through the shell's save chooser, starting in
// the folder the setting `folderSetting` remembers, and remembers the chosen
// file's folder there. Nothing when the user cancels or the setting cannot
// be written (which has been reported).
std::optional<QString> ChooseSaveTarget(AppContext& ctx, SaveFileRequest request, const QString& folderSetting);

}  // namespace tovrin
