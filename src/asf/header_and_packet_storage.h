#pragma once

#include "state/save_file_mutex.h"

#include <QByteArray>

#include <cstdint>
#include <mutex>
#include <optional>

namespace tovrin {

struct AppContext;
struct RunState;
class Shell;

// The collected header written at the start of the save file, or, when the
// run resumes a file that holds its header already, only the resume line
// logged. False after the message when the write fails.
bool StoreHeaderBytes(AppContext& ctx, const QByteArray& header);

// Header storage as a transport runs it once it has collected the header
// whole (the run's header length and packet size set from it): stores the
// header, inspects it from the save file and builds the padding block, with
// the progress lines in the log. True when data may be requested; false after
// a logged failure. StoreAndInspectHeader leaves out the first line, "- 接收
// 標題...", for a transport that logged it before it started collecting.
bool ReceiveHeaderBytes(AppContext& ctx, const QByteArray& header);
bool StoreAndInspectHeader(AppContext& ctx, const QByteArray& header);

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
