#pragma once

#include "asf/packet_numbering.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <variant>

namespace tovrin {

// What a transport link tells the run engine, one event at a time and in the
// order it happened. A link only speaks its protocol: everything a run keeps,
// stores or tells the user is the engine's, decided from these events.
namespace link {

// A line for the session log, as the link words the steps of its exchange.
struct Log {
    QString line;
};
// A message box the exchange has to show (the engine pauses its watchdogs
// while it is open).
struct Message {
    QString text;
};
// A connection to the server is being made: the connect watchdog covers the
// name lookup and the connection together.
struct Connecting {};
// The connection is made: the silence watchdog starts (again).
struct Connected {};
// The server sent its first bytes: a refusal can no longer mean "try MMS
// over HTTP instead".
struct Replied {};
// The server is at work for the run (a reply of the exchange, a piece of the
// header): the silence watchdog hears it. Keep-alives are not progress.
struct Progress {};
// A keep-alive was answered (counted for the statistics, no progress).
struct KeepAlive {};
// How many clients the server says it serves.
struct ServerClients {
    std::uint32_t count = 0;
};

// The figures of the file the server opened (or of a header about to come),
// which size the slots of its packets.
struct FileFigures {
    std::uint32_t packetSize = 0;
    std::uint32_t headerLength = 0;
    std::uint32_t packetCount = 0;  // 0 for a broadcast
    std::uint32_t bitRate = 0;
    bool live = false;
};
struct OpenedFile {
    FileFigures figures;
};
// The whole ASF header (the Header Object and the Data Object's first 50
// bytes), with the figures of the file it describes.
struct Header {
    QByteArray bytes;
    FileFigures figures;
};
// The server started sending the media asked for.
struct StreamingStarts {
    bool overUdp = false;  // as datagrams rather than over the connection
};
// One media packet: the number the server gave it and its payload (not yet
// padded to the packet size).
struct Packet {
    PacketNumber number;
    QByteArray payload;
};
// The entry of a playlist ended; the next one's header follows when the
// stream goes on.
struct EntryEnded {};
// The server reported the end of the stream.
struct EndOfStream {};
// The stream is on another server now (a redirect): credentials are asked
// for it by its own name.
struct ServerMoved {
    QString serverHost;
};
// The server asks for credentials, with its challenge (realm="..."); or,
// when `proxy` names one ("host:port"), the proxy the connection goes through.
struct CredentialsAsked {
    QString challenge;
    QString proxy;
};
// A reply of the server carried an error code.
struct ServerError {
    std::uint32_t code = 0;
    // The player name presented, when the refusal answered the first request,
    // which presents little else: the server may refuse that name.
    QString refusedPlayer;
};
// The exchange cannot go on: the log line (may be empty) and the message
// (may be empty) say why. Without a header stored there is nothing to patch.
struct Failed {
    QString logLine;
    QString message;
};

// Why the connection ended.
enum class LossKind {
    Refused,            // refused before the server's first reply
    ClosedBeforeReply,  // closed by the server before its first reply
    NotMade,            // the connection could not be made (no such host, unreachable)
    Closed,             // closed by the server after the exchange began; all it sent was handed over
    Dropped,            // a network error after the connection was made
};
struct Lost {
    LossKind kind = LossKind::Closed;
    QString reason;  // the socket's own words, when it has any
};

}  // namespace link

using LinkEvent = std::variant<link::Log, link::Message, link::Connecting, link::Connected, link::Replied,
                               link::Progress, link::KeepAlive, link::ServerClients, link::OpenedFile, link::Header,
                               link::StreamingStarts, link::Packet, link::EntryEnded, link::EndOfStream,
                               link::ServerMoved, link::CredentialsAsked, link::ServerError, link::Failed, link::Lost>;

// Bytes an event holds, for the queue's bound.
std::size_t EventBytes(const LinkEvent& event);

}  // namespace tovrin
