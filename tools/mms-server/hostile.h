#pragma once

#include "mms-server/media_source.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace tovrin::mmsserver {

// Ways the server misbehaves on purpose, one per server run, so that tests
// can show what a recorder makes of a broken or malicious server. Kinds that
// strike while streaming first send kHostileGoodPackets good media packets.
enum class HostileKind {
    LengthLong,           // a keep-alive whose message length claims 4096 bytes it never sends; then close
    LengthShort,          // a keep-alive whose message length (8) is shorter than a command header
    LengthHuge,           // a keep-alive whose message length is 0xFFFFFFF0
    HeaderHuge,           // the header carries a Padding Object of kHostileHeaderPadding bytes
    HeaderDecoy,          // the header's first object holds the File Properties Object's GUID in a value
    HeaderLengthZero,     // the open-file reply reports a header of 0 bytes
    HeaderLengthMax,      // the open-file reply reports a header of 0xFFFFFFFF bytes
    PacketSizeZero,       // the open-file reply reports a packet size of 0
    PacketSizeMax,        // the open-file reply reports a packet size of 65535
    PacketSizeShort,      // the open-file reply reports a packet size 100 bytes short: every packet is longer
    PrefixShort,          // a media packet whose data prefix length is 4
    PrefixLong,           // a media packet carrying 1000 bytes more than the packet size
    UnknownType,          // a data packet of type 0x07, flags 0x80
    UnknownCommand,       // commands 0x20, 0x42 and 0xFF
    ErrorConnect,         // the connect reply (0x01) carries kHostileResult
    ErrorFunnelInfo,      // the first funnel report (0x15) does
    ErrorFunnel,          // the transport acknowledgement (0x02) does
    RefuseFunnel,         // the transport is refused (0x03, result 0)
    ErrorOpen,            // the open-file reply (0x06) carries kHostileResult
    ErrorReadBlock,       // the header reply (0x11) does
    ErrorStreamSwitch,    // the stream-selection reply (0x21) does
    ErrorStartedPlaying,  // the started-playing reply (0x05) does
    ErrorEndOfStream,     // an end of stream (0x1E) with kHostileResult while streaming
    Stall,                // half a media packet, then nothing, the connection left open
    Silent,               // nothing more after the good packets, no keep-alives, the connection left open
    PingFlood,            // keep-alives as fast as the connection takes them; answers are not read
    MediaFlood,           // the file's packets in an endless loop, as fast as the connection takes them
    LateDatagram,         // over UDP, the last media packet goes out after the end-of-stream reply
    DropDatagram,         // one media packet is never sent, as a datagram lost on the way
    DropFirstDatagram,    // the first media packet of a play is never sent
    HeaderNever,          // the header is announced (0x11) but never sent; keep-alives go on
    NumberJump,           // after kHostileGoodPackets media packets, the packet numbers jump by 2^31
    NumberWrap,           // packet numbers start kHostileGoodPackets below 2^32 and wrap past it to 0
    TimeBack,             // after a stream change, the times step back kHostileTimeStepMs after the good packets
    // Kinds of the MMSH framing (--http-port):
    ChunkLengthLie,    // a $D whose repeated length disagrees with its framing length
    ChunkUnknownType,  // a chunk of the unknown type '$Z'
    HeaderSplit,       // the header in $H chunks of 64 bytes each
    ChunkDataLong,     // a $D carrying 1000 bytes more than the packet size
    ChunkSendNow,      // every $D with the send-immediately bit set (0xA4)
    ChunkEntryChange,  // an entry change ($E 1, $C, the same header again) amid the $D chunks
};

inline constexpr int kHostileGoodPackets = 5;
inline constexpr std::uint32_t kHostileResult = 0xC00D002E;
inline constexpr std::uint32_t kHostileHeaderPadding = 1024 * 1024;
// How long the late datagram follows the end-of-stream reply (ms).
inline constexpr int kHostileLateDatagramMs = 50;
// How far the times of time-back step back (ms).
inline constexpr std::uint32_t kHostileTimeStepMs = 3000;

// The object a kind puts before the header's others: a Padding Object of
// kHostileHeaderPadding bytes (header-huge), or a Content Description
// Object whose author value holds the File Properties Object's GUID, a size
// of 104 and 80 bytes of 0x7F (header-decoy); empty for the other kinds.
QByteArray HostileFirstObject(HostileKind kind);
// The ASF header as the kind sends it: HostileFirstObject as the Header
// Object's first child, its size and child count grown to match. The header
// unchanged for the other kinds, and when it does not start with a Header
// Object.
QByteArray HostileHeader(HostileKind kind, const QByteArray& header);

// The kind a --hostile name stands for.
std::optional<HostileKind> HostileKindNamed(const QString& name);
// One line per kind, "name: what the server does", for --help.
QString HostileKindsHelp();

// The cursor of a play with the numbers or times of its media packets
// altered as `kind` says (number-jump, number-wrap, time-back), or `cursor`
// itself for the other kinds. `play` counts the connection's plays from 0:
// time-back strikes in every play after the first, which follows a stream
// change. `note` gets a log line when the kind strikes.
std::unique_ptr<PacketCursor> HostilePlay(HostileKind kind, std::unique_ptr<PacketCursor> cursor, int play,
                                          std::function<void(const QString&)> note);

// The server reply whose first instance carries kHostileResult for this
// kind, if the kind is one of those.
std::optional<std::uint16_t> HostileErrorReply(HostileKind kind);

}  // namespace tovrin::mmsserver
