#include "asf/header_and_packet_storage.h"

#include "asf/asf_objects.h"
#include "asf/byte_helpers.h"
#include "asf/run_fixups.h"
#include "state/run_state.h"

#include <algorithm>
#include <utility>

namespace tovrin {

namespace {

// Zeroes the 8-byte field `offset` into the object starting at `at`.
void Blank(QByteArray& header, qsizetype at, qsizetype offset)
{
    if (at >= 0 && at + offset + 8 <= header.size())
        header.replace(at + offset, 8, QByteArray(8, '\0'));
}

bool HoldsSameStream(QByteArray stored, QByteArray header)
{
    if (stored.size() != header.size())
        return false;
    for (QByteArray* bytes : {&stored, &header}) {
        // The fields the end of an interrupted run rewrites.
        const qsizetype properties = FindObject(*bytes, guid::kFileProperties);
        const qsizetype data = DataObjectAt(*bytes);
        Blank(*bytes, properties, field::kFileSize);
        Blank(*bytes, properties, field::kDataPackets);
        Blank(*bytes, data, field::kDataObjectSize);
        Blank(*bytes, data, field::kDataObjectPackets);
    }
    return stored == header;
}

}  // namespace

HeaderStored StoreHeaderBytes(const RunState& run, RecordingFile& file, const QByteArray& header)
{
    if (run.resume)
        return HoldsSameStream(file.readStart(header.size()), header) ? HeaderStored::KeptForResume
                                                                      : HeaderStored::OtherStream;
    return file.writeHeader(header) ? HeaderStored::Written : HeaderStored::WriteFailed;
}

namespace {

// Between the last packet of an entry and the first of the next one that
// follows it into the same file (ms of send time).
constexpr std::uint32_t kEntryGapMs = 1000;

}  // namespace

std::optional<std::uint32_t> LimitResumePoint(RunState& run, RecordingFile& file)
{
    const qint64 packetSize = run.packetSize.load();
    const qint64 headerLength = run.headerLength.load();
    const std::optional<qint64> size = file.size();
    if (!size || packetSize <= 0)
        return std::nullopt;
    // The slots the file holds whole, and no more than its Data Object
    // counts: an index behind the last slot is no packet.
    qint64 wholeSlots = *size > headerLength ? (*size - headerLength) / packetSize : 0;
    const QByteArray header = file.readStart(run.headerLength);
    const qsizetype data = DataObjectAt(header);
    if (const std::optional<std::uint64_t> counted =
            data < 0 ? std::nullopt : LE64At(header, data + field::kDataObjectPackets))
        wholeSlots = qint64(std::min<std::uint64_t>(std::uint64_t(wholeSlots), *counted));
    if (wholeSlots >= qint64(run.storedPacketCount.load()))
        return std::nullopt;
    run.storedPacketCount = std::uint32_t(wholeSlots);
    return std::uint32_t(wholeSlots);
}

void PrepareForMedia(RunState& run, RecordingFile& file)
{
    run.readyForMedia = run.packetSize.load() > 0;
    (void)file.prepareIndex(run.headerLength, run.packetSize, std::nullopt);
    // A file of known length is tracked packet by packet, so its end can tell
    // whether every packet arrived.
    if (!run.isLive())
        run.receivedPackets.expect(run.filePacketCount, 0);
}

void PrepareForResumedMedia(RunState& run, RecordingFile& file, StoredSlots scanned)
{
    run.readyForMedia = run.packetSize.load() > 0;
    // The file keeps its bytes until the stream is known to be the one it
    // holds (see the engine's check of the first packet): then it is cut
    // back, and the index of its end is written again when this run ends.
    (void)file.adoptScannedIndex(std::move(scanned.index), run.headerLength, run.packetSize, std::nullopt);
    // The earlier runs' packets count as there; their holes stay missing.
    if (!run.isLive())
        run.receivedPackets.expect(run.filePacketCount, scanned.present);
}

WriteFailure MediaPacketWriter::flush()
{
    BatchFlushed flushed = m_file.flush();
    forgetLost(flushed.lost);
    return firstFailure(std::move(flushed.failure));
}

WriteFailure MediaPacketWriter::firstFailure(WriteFailure failure)
{
    return FirstWriteFailure(m_run, std::move(failure));
}

void MediaPacketWriter::startOver()
{
    m_firstSequence.reset();
    m_firstSendTime.reset();
    m_lastSequence.reset();
    m_earlyPacketLogged = m_entryChanged = false;
    m_indexBase = m_timeBase = m_entryPacketCount = 0;
}

StoredPacket MediaPacketWriter::handle(std::uint32_t sequence, QByteArray packet)
{
    RunState& run = m_run;
    StoredPacket told;
    if (std::exchange(m_entryChanged, false) && m_lastSequence && sequence <= *m_lastSequence) {
        // The next entry follows the last packet stored, a moment later.
        m_indexBase = run.mediaPacketStored ? run.highestPacketIndex + 1 : 0;
        m_timeBase = run.mediaTime + kEntryGapMs;
        if (run.filePacketCount.load() != 0 && !run.isLive()) {
            // Entries of known length: the next one starts behind every
            // packet the last one stated, so a lost tail stays a missing
            // slot, and the packets the file must hold take in the next
            // entry's, so its losses are told too.
            if (m_entryPacketCount == 0)
                m_entryPacketCount = run.filePacketCount;
            m_indexBase = std::max(m_indexBase, run.filePacketCount.load());
            // Never so many that the count would read as a broadcast's.
            const std::uint64_t total = std::uint64_t(m_indexBase) + m_entryPacketCount;
            if (total < kLivePacketCount) {
                run.filePacketCount = std::uint32_t(total);
                run.receivedPackets.grow(std::uint32_t(total));
            }
        }
        run.entriesJoined = true;
        m_firstSequence = sequence;
        m_firstSendTime.reset();
    }
    m_lastSequence = sequence;
    // An entry that follows another in the same file is numbered from the
    // slot after it, whatever its own numbers.
    const bool resume = run.resume && m_indexBase == 0;

    // A stream of known length numbers its packets from the position asked
    // for (0, or the stored packet count of a resumed file): each packet's
    // own number is its slot, whichever packet arrives first. A broadcast's
    // numbers start anywhere, so its slots count from its first packet.
    const bool ownNumbers = resume || (run.filePacketCount.load() != 0 && !run.isLive() && m_indexBase == 0);
    if (!m_firstSequence)
        m_firstSequence = sequence;
    if (!ownNumbers && sequence < *m_firstSequence) {
        // A packet from before the first one of the recording has no slot:
        // its index would wrap round to one terabytes into the file.
        told.earlyDropped = !m_earlyPacketLogged;
        m_earlyPacketLogged = true;
        return told;
    }
    run.packetIndex = ownNumbers ? sequence : m_indexBase + (sequence - *m_firstSequence);
    run.highestPacketIndex = std::max(run.highestPacketIndex.load(), run.packetIndex.load());

    const int at = SendTimeOffset(packet);
    const std::optional<std::uint32_t> sendTime = at > 0 ? LE32At(packet, at) : std::nullopt;
    if (!sendTime) {
        told.missingTimecode = true;
    } else {
        if (!m_firstSendTime)
            m_firstSendTime = *sendTime;
        run.mediaTime = resume ? *sendTime : m_timeBase + (*sendTime - *m_firstSendTime);
        // Wrapping: subtracting (first - base) moves the entry's times to start at the base.
        if (run.isLive() || m_timeBase > 0)
            told.rebaseFault = RebaseTimecodes(packet, *m_firstSendTime - m_timeBase);
    }

    const qsizetype packetSize = run.packetSize.load();
    if (packet.size() < packetSize) {
        packet.append(packetSize - packet.size(), '\0');
    } else if (packet.size() > packetSize) {
        told.truncated = true;
        packet.truncate(packetSize);
    }

    const qint64 offset = qint64(run.packetIndex.load()) * packetSize + run.headerLength.load();
    SlotWritten written = m_file.writeSlot(offset, run.packetIndex, packet);
    forgetLost(written.lost);
    if (written.batched)
        run.receivedPackets.mark(run.packetIndex);
    told.stored = written.batched;
    told.writeFailure = firstFailure(std::move(written.failure));
    run.mediaPacketStored = true;
    return told;
}

void MediaPacketWriter::forgetLost(const std::optional<ByteRange>& lost)
{
    const qint64 packetSize = m_run.packetSize.load();
    if (!lost || packetSize <= 0)
        return;
    const qint64 first = (lost->offset - m_run.headerLength.load()) / packetSize;
    for (qint64 slot = std::max<qint64>(first, 0); slot < first + lost->bytes / packetSize; ++slot)
        m_run.receivedPackets.unmark(std::uint32_t(slot));
}

}  // namespace tovrin
