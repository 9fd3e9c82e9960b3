#pragma once

#include <QString>

namespace tovrin {

struct RunState;

// Derives the stream path and the default save name of a run from its URL,
// their %-escapes decoded once (see DecodeEscapesOnce).
// `url` is trimmed in place; the caller puts the trimmed text back into the
// URL box. Fails, without a message of its own, unless the URL has a third
// "/" followed by at least two characters.
bool PrepareNames(RunState& run, QString& url);

}  // namespace tovrin
