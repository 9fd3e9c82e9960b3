#pragma once

#include "state/shell.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace tovrin {

struct AppContext;

// Asks for a file to save to through the shell's save chooser, starting in
// the folder the setting `folderSetting` remembers, and remembers the chosen
// file's folder there. Nothing when the user cancels or the setting cannot
// be written (which has been reported).
std::optional<QString> ChooseSaveTarget(AppContext& ctx, SaveFileRequest request, const QString& folderSetting);

// How writing a whole file ended.
enum class ReplaceResult { Written, CannotCreate, WriteFailed };

// Writes `bytes` as the whole content of `path`. An existing file is replaced
// only once all of it has been written, so a failure never destroys it.
ReplaceResult ReplaceFileContent(const QString& path, const QByteArray& bytes);

}  // namespace tovrin
