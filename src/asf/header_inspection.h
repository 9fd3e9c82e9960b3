#pragma once

#include <QString>

namespace tovrin {

struct AppContext;

// Reads the ASF header at the start of the file at `path` (the run's header
// length of bytes, or fewer when the file is shorter) and takes from it what
// the run needs: the stream table and stream count, stream kinds, stored
// packet count, header file size, send duration and maximum bit rate. Fills
// the file-properties fields through the shell. Every value is read within
// the bytes read and within its object; a required object that is missing or
// cut short fails with its message box.
bool InspectHeader(AppContext& ctx, const QString& path);

}  // namespace tovrin
