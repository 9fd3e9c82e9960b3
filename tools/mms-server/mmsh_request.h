#pragma once

#include "mms-server/stream_selection.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>

namespace tovrin::mmsserver {

// Most bytes a request head may take; a longer one is refused.
inline constexpr qsizetype kMaxRequestHead = 16 * 1024;

// One MMSH request (an HTTP GET), as far as the server acts on it.
struct MmshRequest {
    QByteArray method;
    QString name;                               // the path without its leading "/" and any "?query"
    bool play = false;                          // Pragma xPlayStrm=1; otherwise a Describe
    std::optional<std::uint32_t> packetNum;     // packet-num, when not 0xFFFFFFFF
    std::optional<std::uint32_t> streamTimeMs;  // stream-time, when neither 0 nor 0xFFFFFFFF
    int switchEntries = 0;                      // stream-switch-entry triples
    std::optional<StreamSelection> selection;   // what they choose, when there are any
    QString clientGuid;
    QByteArray userAgent;
    std::optional<QString> basicCredentials;  // "user:password" of an Authorization: Basic line
};

// Bytes of the head at the front of `bytes` (up to and including the empty
// line), 0 while it is incomplete.
qsizetype RequestHeadSize(QByteArrayView bytes);

// The request in a complete head; nothing when its request line is not
// "METHOD PATH HTTP/x". Pragma lines are read leniently: unknown tokens are
// ignored, a number runs up to its first non-digit (ffmpeg's Pragma line
// runs into the next header for want of a line break).
std::optional<MmshRequest> ParseMmshRequest(QByteArrayView head);

}  // namespace tovrin::mmsserver
