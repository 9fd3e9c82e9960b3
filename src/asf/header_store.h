#pragma once

#include "state/save_file_mutex.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

namespace tovrin {

struct AppContext;
class ReceiveLane;
struct RunState;
class Shell;

// Answers true once the run is to stop; every wait on the receive buffer
// checks it.
using StopRequested = std::function<bool()>;

// Takes the ASF header off the front of a lane of the run's receive buffer:
// header packets (8-byte data prefix + payload) are consumed until their payloads
// hold at least the run's header length, and the collected bytes are written
// at the start of the save file, unless the run resumes a file that already
// holds its header. Refuses a header length above kMaxHeaderLength, a packet
// size of 0 or above kMaxPacketSize, and a prefix whose length cannot hold
// the prefix itself. False as well when stop was requested during a wait.
// Writes under the run's saveFileLock. Receive thread.
bool StoreHeader(AppContext& ctx, ReceiveLane lane, const StopRequested& stop);

// The collected header written at the start of the save file, or, when the
// run resumes a file that holds its header already, only the resume line
// logged. False after the message when the write fails.
bool StoreHeaderBytes(AppContext& ctx, const QByteArray& header);

// Header storage as the receive loop runs it: logs the progress lines, stores
// the header, inspects it from the save file and builds the padding block.
// True when data may be requested; false after a logged failure, or when stop
// was requested (nothing is logged then). Receive thread.
bool ReceiveHeader(AppContext& ctx, ReceiveLane lane, const StopRequested& stop);

// The same for a header a transport has already collected whole (the run's
// header length and packet size set from it).
bool ReceiveHeaderBytes(AppContext& ctx, const QByteArray& header);

// Pads `packet` with 0x00 bytes, or cuts it with a logged warning, to the
// run's packet size, then writes it into its slot for the run's packet index:
// header length + index x packet size, a 64-bit offset. One seek, one write,
// under the run's saveFileLock. False when the save file is missing or the
// write fails.
bool WriteDataPacket(RunState& run, Shell& shell, QByteArray& packet);

// Stores the media packets of one run. Holds the run's first sequence number
// and first send time, so a run's receive loop keeps one writer for its
// whole life. Receive thread.
class MediaPacketWriter {
public:
    explicit MediaPacketWriter(AppContext& ctx) : m_ctx(ctx) {}

    enum class Result {
        Stored,     // the packet at the front was written and removed
        Stopped,    // stop was requested while waiting for the packet
        BadLength,  // its prefix length is below 8; the prefix was dropped
    };
    // Handles the media packet whose data prefix is at the front of the
    // receive buffer's stream lane, waiting until all of it has arrived.
    Result takeFront(const StopRequested& stop);

    // Handles one media packet (the payload behind its data prefix): sets the
    // packet index and media time, rebases the timecodes of a live broadcast,
    // and writes the packet into its slot.
    void handle(std::uint32_t sequence, QByteArray packet);

    // Writes out the packets still batched for the file (see slot_writer.h),
    // as the loop does before it waits for more bytes.
    void flush();

private:
    void reportWriteError(std::unique_lock<SaveFileMutex>& lock);

    AppContext& m_ctx;
    std::optional<std::uint32_t> m_firstSequence;
    std::optional<std::uint32_t> m_firstSendTime;
    bool m_earlyPacketLogged = false;
};

}  // namespace tovrin
