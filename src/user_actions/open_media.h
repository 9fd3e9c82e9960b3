#pragma once

#include <QString>

namespace tovrin {

struct AppContext;
class RedirectorFetch;

// How opening a location ended, for front ends that report it.
enum class OpenOutcome {
    StreamAddress,     // the URL text holds the stream address, ready for Connect
    RedirectorLoaded,  // the URL list holds the redirector's addresses
    MediaInspected,    // the file properties of a local media file are shown
    LogShown,          // a saved session log replaced the session log
    Failed,            // told to the user; the program is idle
};

// Opens the location named by the session's mediaLocation (the MediaWindow
// text) after a run reset, by its route (see RouteFor): a stream address goes
// into the URL box, a redirector is fetched or read into the URL list, a
// local media file is inspected, a saved log is shown. Everything else is
// explained to the user. UI thread only; blocks while a redirector is fetched.
OpenOutcome OpenMedia(AppContext& ctx, RedirectorFetch& fetch);

// Before a run of the stream address `url` starts: unless opening the
// session's mediaLocation gave that address, the run was opened from the
// address itself, which becomes the mediaLocation (and the location shown),
// so the run's log names what it was opened from. UI thread only.
void TakeRunLocation(AppContext& ctx, const QString& url);

// Reads the header of the local file the session's mediaLocation names into
// the properties: false, with the failure shown, when it is no file or its
// header cannot be read. Opening a local media file and `tovrin-cli info`
// both inspect this way.
bool InspectLocalMedia(AppContext& ctx);

}  // namespace tovrin
