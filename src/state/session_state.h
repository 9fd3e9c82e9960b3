#pragma once

#include "state/run_state.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>

namespace tovrin {

// The values that outlive a download run: a new run starts from a fresh
// RunState, and these keep theirs. Owned by the front end beside the run
// state and reached through AppContext; who may touch each is in
// docs/threads.md.
struct SessionState {
    // The stream table, filled from the ASF header (by the receive thread
    // while it stores the header; on the UI thread for MMS over HTTP and for
    // a local file). Only the first RunState::streamCount entries are used.
    // A new run does not clear it: each header's streams replace the numbers
    // (the table is emptied first) and the stream selection sets each action
    // before it sends it, so a run only uses what its own header entered.
    std::array<std::uint8_t, kMaxStreams> streamNumbers{};
    std::array<std::uint8_t, kMaxStreams> streamActions{};
    // What the main window's labels show, kept from one run to the next: the
    // path of the save file, chosen when a run starts, and the media location
    // last opened. Written on the UI thread, never while a run goes; the
    // receive thread reads both while it inspects the stored header.
    QString savePath;
    bool savePathTemplated = false;  // the name is the one the file-name template proposed
    QString mediaLocation;
    // The stream addresses opening mediaLocation put into the URL box (a
    // redirector's entries, or the stream address itself): a run of one of
    // them was opened from mediaLocation, a run of any other address from
    // that address. UI thread only.
    QStringList openedAddresses;
    // The credentials each proxy asked for and was given in this session,
    // Base64 "user:password" by the proxy's "host:port": a proxy asks once.
    // UI thread only.
    QHash<QString, QByteArray> proxyLogins;
};

}  // namespace tovrin
