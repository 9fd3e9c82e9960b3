#pragma once

#include <QStringList>

namespace tovrin {

// `tovrin-cli record`: one download run from the command line. Answers the
// process exit status: 0 when the server reported the end of the stream or
// the user stopped the run, 1 when it ended any other way, 2 for bad usage.
int RunRecordCommand(const QStringList& arguments);

}  // namespace tovrin
