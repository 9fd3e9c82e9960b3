#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>

namespace tovrin {

class Shell;

// Offset of the send-time field of an ASF data packet (the payload of a media
// packet, without its data prefix), chosen by its length type flags (byte 3):
// 5 to 9, or 0 for a layout this recorder does not read.
int SendTimeOffset(QByteArrayView packet);

// Makes a live packet's timecodes relative to the first packet of the run:
// subtracts firstSendTime (wrapping, 32-bit) from the send time and from the
// presentation time of every payload, in place. A packet it cannot follow is
// logged and answers false; rewrites made before the fault stay. Nothing is
// read or written outside the packet.
bool RebaseTimecodes(QByteArray& packet, std::uint32_t firstSendTime, Shell& shell);

}  // namespace tovrin
