#pragma once

namespace tovrin {

struct AppContext;

// Closes the preview monitor, then clears the run display and every run
// value, before a new run or a newly opened location. UI thread only, while
// no run is active.
void ResetRun(AppContext& ctx);

}  // namespace tovrin
