#pragma once

#include "mms/receive_buffer.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <optional>

namespace tovrin {

struct AppContext;
class MediaPacketWriter;
class RecordingFile;

// Answers true once the run is to stop; every wait on the receive buffer
// checks it.
using StopRequested = std::function<bool()>;

// Takes the ASF header off the front of a lane of the run's receive buffer:
// header packets (8-byte data prefix + payload) are consumed and their
// payloads collected until they hold at least the run's header length; the
// header is then stored in `file` and inspected (see StoreAndInspectHeader), with the
// progress lines in the log. Nothing is consumed when the run's figures are
// refused; a prefix whose length cannot hold the prefix itself ends the
// header too. False after a logged error, or when stop was requested during
// a wait (nothing more is logged then). Receive thread.
bool ReceiveHeader(AppContext& ctx, RecordingFile& file, ReceiveLane lane, const StopRequested& stop);
// The same without storing, for a header of `headerLength` bytes in packets
// of `packetSize`: the collected header, nothing after a logged error or a
// stop.
std::optional<QByteArray> CollectHeaderBytes(AppContext& ctx, ReceiveLane lane, const StopRequested& stop,
                                             std::uint32_t headerLength, std::uint32_t packetSize);

enum class MediaTake {
    Stored,     // the packet at the front was handed to the writer and removed
    Stopped,    // stop was requested while waiting for the packet
    BadLength,  // its prefix length is below 8; the prefix was dropped
};
// Takes the media packet whose data prefix is at the front of the lane,
// waiting until all of it has arrived, and hands its sequence number and
// payload to the writer, with the lines the writer had to tell.
MediaTake TakeMediaPacket(AppContext& ctx, ReceiveLane lane, MediaPacketWriter& writer, const StopRequested& stop);

}  // namespace tovrin
