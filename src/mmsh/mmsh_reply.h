#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>

namespace tovrin {

// Most bytes the head of an MMSH reply may take; a longer one is refused.
inline constexpr qsizetype kMaxReplyHead = 16 * 1024;

// What the recorder acts on in the head of an MMSH reply.
struct MmshReplyHead {
    int status = 0;
    QByteArray reason;      // the status line's words after the code
    QByteArray location;    // Location, for redirects
    QByteArray realm;       // the realm of a WWW-Authenticate: Basic line
    QByteArray proxyRealm;  // the realm of a Proxy-Authenticate: Basic line
    QByteArray features;    // Pragma features="...", without the quotes
    bool broadcast() const { return features.contains("broadcast"); }
};

struct ReplyHeadRead {
    enum class Kind { NeedMore, Done, Bad };
    Kind kind = Kind::NeedMore;
    MmshReplyHead head;
    qsizetype size = 0;  // Done: bytes of the head, the empty line included
    QString error;       // Bad: why
};

// Reads the reply head at the front of `bytes`: NeedMore while it is
// incomplete and under kMaxReplyHead; Bad for a head that is too long or
// whose status line is not "HTTP/x.y NNN". Pure.
ReplyHeadRead ReadReplyHead(QByteArrayView bytes);

// One chunk of the MMSH framing.
struct MmshChunk {
    char type = 0;                 // 'H', 'D', 'E', 'C', 'M', 'P' or 'T'
    bool sendNow = false;          // bit 7 of the framing header's first byte (0xA4)
    std::uint32_t locationId = 0;  // $H, $D, $M
    std::uint8_t afFlags = 0;      // $H, $D, $M
    std::uint32_t reason = 0;      // $E, $C
    QByteArray payload;            // $H, $D, $M, $P
};

struct ChunkRead {
    enum class Kind { NeedMore, Chunk, Bad };
    Kind kind = Kind::NeedMore;
    MmshChunk chunk;
    qsizetype size = 0;  // Chunk: bytes it took
    QString error;       // Bad: why
};

// Reads the chunk at the front of `bytes`. A chunk is at most 4 + 65535
// bytes, so NeedMore never asks for more than that. Bad for a framing header
// that is not '$' (with or without bit 7), an unknown type, a $H, $D or $M
// whose two lengths disagree or that cannot hold its data header, a $E or $C
// that is not 4 bytes long, and a $D payload above maxDataPayload. Pure.
ChunkRead ReadChunk(QByteArrayView bytes, std::uint32_t maxDataPayload);

}  // namespace tovrin
