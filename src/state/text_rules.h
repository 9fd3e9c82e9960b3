#pragma once

#include <QString>

namespace tovrin {

// Removes leading and trailing characters with codes 0 to 32, the trimming
// every rule of the system uses for typed and received texts.
QString TrimBlanks(const QString& text);

}  // namespace tovrin
