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
        const HeaderObjects objects(*bytes);
        const qsizetype properties = objects.find(guid::kFileProperties);
        const qsizetype data = objects.dataObject();
        Blank(*bytes, properties, field::kFileSize);
        Blank(*bytes, properties, field::kDataPackets);
        Blank(*bytes, properties, field::kPacketSizes);
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

bool KnownLength(const RunState& run)
{
    return run.filePacketCount.load() != 0 && !run.isLive();
}

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
    m_highestSequence.reset();
    m_earlyPacketLogged = m_pastEndLogged = m_restartLogged = m_entryChanged = m_entryNumberedOn = false;
    m_indexBase = m_timeBase = m_entryPacketCount = 0;
}

void MediaPacketWriter::startEntry(std::uint32_t sequence)
{
    RunState& run = m_run;
    // The next entry follows the last packet stored, a moment later.
    m_indexBase = run.mediaPacketStored ? run.highestPacketIndex + 1 : 0;
    m_timeBase = run.mediaTime + kEntryGapMs;
    if (KnownLength(run)) {
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
    m_firstSequence = m_highestSequence = sequence;
    m_firstSendTime.reset();
}

std::optional<std::uint32_t> MediaPacketWriter::slotOf(std::uint32_t sequence, StoredPacket& told)
{
    RunState& run = m_run;
    const auto pastEnd = [&] {
        told.pastEndDropped = !std::exchange(m_pastEndLogged, true);
        return std::nullopt;
    };
    const auto early = [&] {
        // Its slot would lie before the first of the recording (or of its
        // entry): it has none.
        told.earlyDropped = !std::exchange(m_earlyPacketLogged, true);
        return std::nullopt;
    };
    const bool knownLength = KnownLength(run);
    if (m_indexBase == 0 && (knownLength || run.resume)) {
        // A stream of known length numbers its packets from the position
        // asked for (0, or the stored packet count of a resumed file): each
        // packet's own number is its slot, whichever packet arrives first,
        // and none lies at or past the count the stream states.
        const std::uint64_t count =
            knownLength ? run.filePacketCount.load() : std::uint64_t(run.storedPacketCount.load()) + kNumberWindow;
        if (sequence < count)
            return sequence;
        if (!std::exchange(m_entryNumberedOn, false))
            return pastEnd();
        startEntry(sequence);
    }
    if (!m_firstSequence)
        m_firstSequence = m_highestSequence = sequence;
    if (knownLength) {
        // A joined entry of known length: numbered from its first packet,
        // up to the count its header states.
        const auto within = std::int32_t(sequence - *m_firstSequence);
        if (within < 0)
            return early();
        return std::uint32_t(within) < m_entryPacketCount ? std::optional(m_indexBase + std::uint32_t(within))
                                                          : pastEnd();
    }
    // A broadcast's numbers start anywhere and count on modulo 2^32, so its
    // slots count from its first packet. A number far ahead of the highest
    // one, or behind it (over UDP: more than a late datagram would be),
    // starts the numbering again in the slot after the highest stored.
    const auto lead = std::int32_t(sequence - *m_highestSequence);
    const std::int32_t lateLimit = run.dataOverUdp ? -std::int32_t(kLateDatagrams) : 0;
    if (lead > std::int32_t(kNumberWindow) || lead < lateLimit) {
        m_indexBase = run.mediaPacketStored ? run.highestPacketIndex + 1 : m_indexBase;
        m_firstSequence = m_highestSequence = sequence;
        told.numberingRestarted = !std::exchange(m_restartLogged, true);
        return m_indexBase;
    }
    const std::int64_t within = std::int64_t(std::uint32_t(*m_highestSequence - *m_firstSequence)) + lead;
    if (within < 0)
        return early();
    if (lead > 0)
        m_highestSequence = sequence;
    const std::uint64_t slot = std::uint64_t(m_indexBase) + std::uint64_t(within);
    return slot < kLivePacketCount ? std::optional(std::uint32_t(slot)) : pastEnd();
}

StoredPacket MediaPacketWriter::handle(std::uint32_t sequence, QByteArray packet)
{
    RunState& run = m_run;
    StoredPacket told;
    // An entry whose numbers start again takes the slots after the last
    // one's; one numbered on, of known length, from where its numbers pass
    // the count the last one stated (before that, the last one goes on).
    if (std::exchange(m_entryChanged, false) && m_lastSequence) {
        if (std::int32_t(sequence - *m_lastSequence) <= 0)
            startEntry(sequence);
        else
            m_entryNumberedOn = KnownLength(run);
    }
    m_lastSequence = sequence;
    const std::optional<std::uint32_t> slot = slotOf(sequence, told);
    if (!slot)
        return told;
    run.packetIndex = *slot;
    run.highestPacketIndex = std::max(run.highestPacketIndex.load(), *slot);

    const int at = SendTimeOffset(packet);
    const std::optional<std::uint32_t> sendTime = at > 0 ? LE32At(packet, at) : std::nullopt;
    // A resumed file's packets keep their own times; an entry that follows
    // another in the same file is timed from just after it.
    const bool ownTimes = run.resume && m_indexBase == 0;
    if (!sendTime) {
        told.missingTimecode = true;
    } else if (ownTimes) {
        run.mediaTime = *sendTime;
    } else {
        if (!m_firstSendTime)
            m_firstSendTime = *sendTime;
        run.mediaTime = TimeSince(*sendTime, *m_firstSendTime, m_timeBase);
        if (run.isLive() || m_timeBase > 0)
            told.rebaseFault = RebaseTimecodes(packet, *m_firstSendTime, m_timeBase);
    }

    const qsizetype packetSize = run.packetSize.load();
    if (packet.size() < packetSize) {
        packet.append(packetSize - packet.size(), '\0');
    } else if (packet.size() > packetSize) {
        told.truncated = true;
        packet.truncate(packetSize);
    }

    const qint64 offset = qint64(*slot) * packetSize + run.headerLength.load();
    SlotWritten written = m_file.writeSlot(offset, *slot, packet);
    forgetLost(written.lost);
    if (written.batched)
        run.receivedPackets.mark(*slot);
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
