#pragma once

#include <QStringList>

namespace tovrin {

// `tovrin-cli open LOCATION`: opens a location as the open dialog's OK does
// and prints the outcome on stdout: the stream address, the redirector's
// addresses (numbered), the file properties of a local media file, or the
// lines of a saved log. Log lines and messages go to stderr. Exit status 0
// when the location was opened, 1 when not, 2 for bad usage.
int RunOpenCommand(const QStringList& arguments);

// `tovrin-cli info FILE`: the file properties of a local ASF file.
int RunInfoCommand(const QStringList& arguments);

}  // namespace tovrin
