#pragma once

#include "state/shell.h"

#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

namespace tovrin {

// The main window's save chooser: one dialog whose filter list holds the four
// entries the program's save uses share (recordings, redirectors, logs, all
// files); each request selects its own entry by its kind, with its title,
// default extension, proposed name, start folder and overwrite prompt. The
// path comes back with native separators, or nullopt when cancelled.
std::optional<QString> ChooseSaveFile(QWidget* parent, const SaveFileRequest& request);

// The open dialog's file chooser: the request's filters, the first selected.
std::optional<QString> ChooseOpenFile(QWidget* parent, const OpenFileRequest& request);

// The patterns of a filter entry as the program writes them, e.g.
// "Windows 媒介檔案 (*.asf;*.wmv;*.wma;*.wm)" -> {"*.asf", "*.wmv", "*.wma", "*.wm"}:
// the text in its last parentheses, split at ";" and blanks.
QStringList FilterPatterns(const QString& filterEntry);

}  // namespace tovrin
