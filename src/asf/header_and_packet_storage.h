#pragma once

#include "asf/packet_numbering.h"
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
    // The packet was numbered at or past the packet count of a stream of
    // known length (or past the last slot a file can have) and was dropped,
    // as its slot would lie beyond the file's end; set for the file's first
    // such packet only.
    bool pastEndDropped = false;
    // A broadcast's numbers jumped ahead beyond kNumberWindow, or stepped
    // back: its numbering started again, and the packet went into the slot
    // after the highest one stored. Set for the file's first restart only.
    bool numberingRestarted = false;
    bool missingTimecode = false;
    std::optional<RebaseFault> rebaseFault;  // a live packet's timecodes could not be rebased
    bool truncated = false;                  // longer than the packet size: cut
    bool stored = false;                     // the packet went to its slot
    WriteFailure writeFailure;               // the run's first failed write
};

// How far a broadcast's packet number may lead the highest one stored: a
// jump further ahead starts the numbering again, so a server's wrong number
// never opens a gap of more slots than this in the file.
inline constexpr std::uint32_t kNumberWindow = 4096;
// How far a datagram's number may fall behind the highest one and still be
// a late datagram of the same numbering, stored in its own slot.
inline constexpr std::uint32_t kLateDatagrams = 128;

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
    // offset. Numbers compare modulo 2^32, so a broadcast's numbering wraps
    // past 2^32 without a break; send times compare the same way, and one
    // before the file's first is kept at the file's start.
    [[nodiscard]] StoredPacket handle(PacketNumber number, QByteArray packet);

    // Writes out the packets still batched for the file, as the loop does
    // before it waits for more bytes.
    [[nodiscard]] WriteFailure flush();

    // The stream moved to its next entry with the same header, into the
    // same file. When the entry's packets number and time themselves afresh
    // (a sequence number not above the last one), they follow the stored
    // ones: the next slot, and send times from just after the last. Entries
    // of known length numbered on do so from their first packet numbered
    // past the count the last one stated.
    void entryChanged() { m_entryChanged = true; }
    // The run continues into a new file: its first packet starts the
    // numbering and the timing again.
    void startOver();
    // Only some of the stream's streams are asked for: the server leaves out
    // the packets that hold none of them, numbers and all, so the numbers
    // say nothing of slots. Each packet goes into the slot after the last
    // one stored, in the order they come, and a number skipped is no
    // missing packet.
    void storeInArrivalOrder() { m_arrivalOrder = true; }

private:
    // The next entry, with the same header, begins with this packet.
    void startEntry(PacketNumber number);
    // The packet's slot, or nothing when it has none (told why): the one
    // place a server's number is turned into a place in the file.
    std::optional<SlotIndex> slotOf(PacketNumber number, StoredPacket& told);
    WriteFailure firstFailure(WriteFailure failure);
    // The slots of a batch that failed to write are not in the file.
    void forgetLost(const std::optional<ByteRange>& lost);

    RunState& m_run;
    RecordingFile& m_file;
    std::optional<PacketNumber> m_firstNumber;
    std::optional<std::uint32_t> m_firstSendTime;
    bool m_earlyPacketLogged = false;
    bool m_pastEndLogged = false;
    bool m_restartLogged = false;
    bool m_entryChanged = false;
    bool m_arrivalOrder = false;
    // The next entry, of known length, numbers its packets on from the last
    // one's: it starts with the first packet numbered past their count.
    bool m_entryNumberedOn = false;
    std::optional<PacketNumber> m_lastNumber;
    // The highest number of the current numbering, at or after m_firstNumber.
    std::optional<PacketNumber> m_highestNumber;
    // Where an entry numbered afresh continues: its first packet's slot and
    // send time in the file (0 for the run's first entry).
    SlotIndex m_indexBase;
    std::uint32_t m_timeBase = 0;
    // The packets one entry of known length states (its header is the
    // stored one, so every joined entry states as many).
    PacketCount m_entryPacketCount;
};

}  // namespace tovrin
