#pragma once

#include "asf/bitrate_choice.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace tovrin {

class RunEventQueue;

// What the engine asks for once a header is stored: what to do with each
// stream the header offers (receive it or not), and where to start. A link
// asks the server for what its protocol can.
struct MediaRequest {
    std::vector<StreamAction> streams;
    std::optional<std::uint32_t> start;  // the packet to start at; nothing: from the start (or the live point)
};

// Where one connection of a run goes, as the engine asks for it.
struct LinkRequest {
    QString url;         // the stream address
    QString serverHost;  // host[:port] as the address names it
    QString streamPath;  // the stream's path on the server
};

// One connection of a run over one transport: it connects, speaks its
// protocol and pushes what happens onto the run's event queue (see
// link_event.h). It keeps nothing of the run: the engine decides from the
// events and calls back down.
//
// Thread: the UI thread calls every method. A link may run threads of its
// own; they only push events and never wait on the UI thread.
class TransportLink {
public:
    virtual ~TransportLink() = default;

    // Connects and runs the exchange up to the header.
    virtual void open(const LinkRequest& request) = 0;
    // The header is stored: asks for the media.
    virtual void requestMedia(const MediaRequest& request) = 0;
    // The user's answer to CredentialsAsked: the encoded credentials.
    virtual void answerCredentials(const QByteArray& encoded) = 0;
    // Ends the connection at once; no event follows. Answers the lines the
    // log still has to tell of the connection (what it dropped, counted).
    virtual QStringList close() = 0;
};

}  // namespace tovrin
