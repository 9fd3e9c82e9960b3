#pragma once

#include "asf/header_facts.h"

#include <QString>

namespace tovrin {

class Shell;
struct RunState;
struct SessionState;

// The message box text of a failed reading.
QString InspectionErrorText(InspectionError error);

// Takes a reading of the run's ASF header into the run, the session and the
// shell, as far as the reading got: the session's stream table (counting on
// from the run's stream count, within its kMaxStreams entries); stream kinds,
// stored packet count, header file size, send duration and maximum bit rate
// into the run; the file-properties fields through the shell, the location
// being the session's media location. A failed reading then shows its
// message box. Answers whether the reading succeeded.
bool ApplyHeaderReading(RunState& run, SessionState& session, Shell& shell, const HeaderReading& reading);

}  // namespace tovrin
