#pragma once

namespace tovrin {

// How a download run ended, for front ends that report it. Both transports
// end their runs in these terms.
enum class RunEnd {
    Completed,    // the server reported the end of the stream
    Incomplete,   // it did, but the file lacks packets or could not be completed
    UserStopped,  // a confirmed Disconnect (or Ctrl-C, --duration)
    Failed,       // anything else: refusal, error code, watchdog, lost connection
    // The connection was lost and the recording connects again (the
    // Reconnect setting): nothing has been told yet. Only the transport
    // choice sees it; front ends get the recording's real end.
    Lost,
};

}  // namespace tovrin
