#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>

namespace tovrin {

// Offset of the send-time field of an ASF data packet (the payload of a media
// packet, without its data prefix), chosen by its length type flags (byte 3):
// 5 to 9, or 0 for a layout this recorder does not read.
int SendTimeOffset(QByteArrayView packet);

// Why a packet's timecodes could not be rebased.
struct RebaseFault {
    enum class Kind {
        NoPacketStart,                 // the packet does not start with 0x82 00 00
        UnknownPadding,                // length type flags of no layout known here (`flags`)
        UnknownOffsetWidth,            // property flags of no offset width (`flags`)
        UnknownSegmentFlags,           // a payload's replicated-data length (`flags`)
        GroupingPointerOutOfRange,     // a compressed payload runs past the packet
        NonGroupingPointerOutOfRange,  // a payload runs past the packet
        FieldBeyondEnd,                // the packet ends inside a field it needs
    };
    Kind kind = Kind::FieldBeyondEnd;
    std::uint8_t flags = 0;
    bool operator==(const RebaseFault&) const = default;
};
// The session log's line for a fault.
QString RebaseFaultLine(const RebaseFault& fault);

// `base` + the milliseconds from `first` to `time`, on a 32-bit clock that
// wraps: a time up to half the clock's range behind `first` comes before it
// and counts as `first`, so it never turns into some 2^32 ms on.
std::uint32_t TimeSince(std::uint32_t time, std::uint32_t first, std::uint32_t base = 0);

// Makes a packet's timecodes count from the first packet of its recording:
// its send time and the presentation time of every payload become
// TimeSince(time, firstSendTime, base), in place. Nothing on success; the
// fault for a packet it cannot follow, whose rewrites made before the fault
// stay. Nothing is read or written outside the packet.
std::optional<RebaseFault> RebaseTimecodes(QByteArray& packet, std::uint32_t firstSendTime, std::uint32_t base = 0);

}  // namespace tovrin
