#pragma once

#include <QString>

namespace tovrin {

class ConsoleShell;

// The file-properties window as text, one field per line ("Name: value"); a
// multi-line field gives one line per entry. The statistics page's counters
// appear only when a run has set them.
QString PropertyReport(const ConsoleShell& shell);

}  // namespace tovrin
