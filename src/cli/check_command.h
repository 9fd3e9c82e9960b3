#pragma once

#include <QStringList>

namespace tovrin {

// `tovrin-cli check [--repair] FILE...`: tells for each recording whether it
// is whole (every packet its header states is there and parses, the sizes
// agree, an index agrees with the packets) and what is not. With --repair a
// file a killed run left without its end is first ended as resuming it
// would, and what changed is told. Exit status 0 when every file is whole,
// 1 when one is not (or cannot be read), 2 for bad usage.
int RunCheckCommand(const QStringList& arguments);

}  // namespace tovrin
