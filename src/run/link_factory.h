#pragma once

#include "run/transport_link.h"

#include <QString>

#include <memory>
#include <optional>

namespace tovrin {

struct AppContext;
class RunEventQueue;

// A stream address taken apart for a run by the transport that records it.
struct LinkTarget {
    QString url;  // the address as the run records it (trimmed)
    QString serverHost;
    QString streamPath;
    QString defaultSaveName;
};

// Another transport for a recording whose first connection was refused.
struct Rollover {
    QString address;  // where the recording goes instead
    QString logLine;  // what the log says of the switch
};

// Which transport records an address, for the run engine: it checks and
// takes apart the address, makes the link of each connection, and says
// whether a refused first connection goes on over another transport. The
// engine never knows which transport runs.
//
// Thread: the UI thread.
class LinkFactory {
public:
    virtual ~LinkFactory() = default;

    // Whether the address may be recorded at all; a refusal has been shown.
    // Called before the window is reset for the run.
    enum class Verdict { Accepted, Refused, RefusedAndCleared /* the URL box is emptied */ };
    virtual Verdict accepts(AppContext& ctx, const QString& address) = 0;
    // The address taken apart (the run state untouched); nothing when it
    // names no stream, which has been shown.
    virtual std::optional<LinkTarget> target(AppContext& ctx, const QString& address) = 0;
    // The link of the recording's next connection, pushing onto `events`.
    virtual std::unique_ptr<TransportLink> create(std::shared_ptr<RunEventQueue> events) = 0;
    // The first connection of a recording was refused, or closed before
    // any reply: the transport to go on with, when there is one. From then
    // on create() makes links of that transport.
    virtual std::optional<Rollover> rollOver() = 0;
};

}  // namespace tovrin
