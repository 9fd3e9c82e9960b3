#pragma once

namespace tovrin {

struct AppContext;

// The refresh tick, every 200 ms while a run is connected: elapsed and
// remaining media time, the statistics counters of the file-properties
// window, and the gauge with the progress caption. It only reads the run.
void RefreshTick(AppContext& ctx);

// The server said streaming begins: the transport line in the log, the
// gauge's percentage text for a file of known length, and the Live or
// PreRec label.
void AnnounceStreamStart(AppContext& ctx);

}  // namespace tovrin
