#pragma once

#include "asf/packet_parser.h"
#include "asf/recording_file.h"

#include <QByteArray>

#include <cstdint>
#include <optional>

namespace tovrin {

struct RunState;

enum class HeaderStored {
    Written,        // at the start of the save file
    KeptForResume,  // the resumed file holds the earlier run's header, fix-ups included
    OtherStream,    // the file to be resumed holds another stream's header; it is left as it was
    WriteFailed,
};
// The collected header written at the start of the run's save file, unless
// the run resumes a file that holds its header already. A resumed file must
// hold this stream: the same header bytes (so the same File ID, packet size
// and header length), but for the packet count the earlier run's fix-ups
// wrote.
HeaderStored StoreHeaderBytes(const RunState& run, RecordingFile& file, const QByteArray& header);

// Readies a run that does not resume for its media packets once its header
// is stored and read: they are taken from now on, and a file of known length
// expects its packets.
void PrepareForMedia(RunState& run, RecordingFile& file);

// A resumed file whose last run ended without its fix-ups (the process was
// killed) still states the server's total packet count; resuming from there
// would ask for packets past the end and leave a hole, so the resume point
// (the run's stored packet count) is lowered to the whole slots the file
// holds after its header. Answers that number when it lowered the point.
std::optional<std::uint32_t> LimitResumePoint(RunState& run, RecordingFile& file);

// Readies a resumed run for its media packets once its file's stored slots
// have been read (ScanStoredSlots): their index becomes the run's, and a file
// of known length expects its packets, those stored counting as there.
void PrepareForResumedMedia(RunState& run, RecordingFile& file, StoredSlots scanned);

// What storing one media packet has to tell the user.
struct StoredPacket {
    // The packet came from before the first one of the recording and was
    // dropped; set for the run's first such packet only.
    bool earlyDropped = false;
    bool missingTimecode = false;
    std::optional<RebaseFault> rebaseFault;  // a live packet's timecodes could not be rebased
    bool truncated = false;                  // longer than the packet size: cut
    bool stored = false;                     // the packet went to its slot
    WriteFailure writeFailure;               // the run's first failed write
};

// Stores the media packets of one run. Holds the run's first sequence number
// and first send time, so a run's receive loop keeps one writer for its
// whole life. Receive thread (the UI thread for MMS over HTTP).
class MediaPacketWriter {
public:
    MediaPacketWriter(RunState& run, RecordingFile& file) : m_run(run), m_file(file) {}

    // Handles one media packet (the payload behind its data prefix, and the
    // number its prefix carries): sets the packet index and media time, rebases the timecodes of a live broadcast,
    // pads it with 0x00 bytes or cuts it to the run's packet size, and writes
    // it into its slot at header length + index x packet size, a 64-bit
    // offset.
    [[nodiscard]] StoredPacket handle(std::uint32_t sequence, QByteArray packet);

    // Writes out the packets still batched for the file, as the loop does
    // before it waits for more bytes.
    [[nodiscard]] WriteFailure flush();

    // The stream moved to its next entry with the same header, into the
    // same file. When the entry's packets number and time themselves afresh
    // (a sequence number not above the last one), they follow the stored
    // ones: the next slot, and send times from just after the last.
    void entryChanged() { m_entryChanged = true; }
    // The run continues into a new file: its first packet starts the
    // numbering and the timing again.
    void startOver();

private:
    WriteFailure firstFailure(WriteFailure failure);
    // The slots of a batch that failed to write are not in the file.
    void forgetLost(const std::optional<ByteRange>& lost);

    RunState& m_run;
    RecordingFile& m_file;
    std::optional<std::uint32_t> m_firstSequence;
    std::optional<std::uint32_t> m_firstSendTime;
    bool m_earlyPacketLogged = false;
    bool m_entryChanged = false;
    std::optional<std::uint32_t> m_lastSequence;
    // Where an entry numbered afresh continues: its first packet's slot and
    // send time in the file (0 for the run's first entry).
    std::uint32_t m_indexBase = 0;
    std::uint32_t m_timeBase = 0;
    // The packets one entry of known length states (its header is the
    // stored one, so every joined entry states as many).
    std::uint32_t m_entryPacketCount = 0;
};

}  // namespace tovrin
