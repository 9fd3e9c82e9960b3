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
    m_firstNumber.reset();
    m_firstSendTime.reset();
    m_lastNumber.reset();
    m_highestNumber.reset();
    m_earlyPacketLogged = m_pastEndLogged = m_restartLogged = m_entryChanged = m_entryNumberedOn = false;
    // The streams chosen stay chosen in the next file.
    m_indexBase = SlotIndex();
    m_timeBase = 0;
    m_entryPacketCount = PacketCount();
}

// The slot after the highest one stored: where the next entry or a new
// numbering begins.
static SlotIndex SlotAfterStored(const RunState& run)
{
    return run.mediaPacketStored ? SlotIndex(run.highestPacketIndex + 1) : SlotIndex();
}

void MediaPacketWriter::startEntry(PacketNumber number)
{
    RunState& run = m_run;
    // The next entry follows the last packet stored, a moment later.
    m_indexBase = SlotAfterStored(run);
    m_timeBase = run.mediaTime + kEntryGapMs;
    if (KnownLength(run)) {
        // Entries of known length: the next one starts behind every
        // packet the last one stated, so a lost tail stays a missing
        // slot, and the packets the file must hold take in the next
        // entry's, so its losses are told too.
        if (m_entryPacketCount == PacketCount())
            m_entryPacketCount = PacketCount(run.filePacketCount);
        m_indexBase = std::max(m_indexBase, SlotIndex(run.filePacketCount));
        // Never so many that the count would read as a broadcast's.
        const std::uint64_t total = std::uint64_t(m_indexBase.value()) + m_entryPacketCount.value();
        if (total < kLivePacketCount) {
            run.filePacketCount = std::uint32_t(total);
            run.receivedPackets.grow(std::uint32_t(total));
        }
    }
    run.entriesJoined = true;
    m_firstNumber = m_highestNumber = number;
    m_firstSendTime.reset();
}

std::optional<SlotIndex> MediaPacketWriter::slotOf(PacketNumber number, StoredPacket& told)
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
    if (m_arrivalOrder) {
        const std::optional<SlotIndex> slot = SlotAfterStored(run).after(0);
        return slot ? slot : pastEnd();
    }
    const bool knownLength = KnownLength(run);
    if (m_indexBase == SlotIndex() && (knownLength || run.resume)) {
        // A stream of known length numbers its packets from the position
        // asked for (0, or the stored packet count of a resumed file): each
        // packet's own number is its slot, whichever packet arrives first,
        // and none lies at or past the count the stream states.
        const std::uint64_t count =
            knownLength ? run.filePacketCount.load() : std::uint64_t(run.storedPacketCount.load()) + kNumberWindow;
        if (const auto slot =
                StoredSlotFor(number, PacketCount(std::uint32_t(std::min(count, SlotIndex::kEndOfSlots)))))
            return slot;
        if (!std::exchange(m_entryNumberedOn, false))
            return pastEnd();
        startEntry(number);
    }
    if (!m_firstNumber)
        m_firstNumber = m_highestNumber = number;
    if (knownLength) {
        // A joined entry of known length: numbered from its first packet,
        // up to the count its header states.
        const std::int32_t within = number.stepsAfter(*m_firstNumber);
        if (within < 0)
            return early();
        return std::uint32_t(within) < m_entryPacketCount.value() ? m_indexBase.after(std::uint32_t(within))
                                                                  : pastEnd();
    }
    // A broadcast's numbers start anywhere and count on modulo 2^32, so its
    // slots count from its first packet. A number far ahead of the highest
    // one, or behind it (over UDP: more than a late datagram would be),
    // starts the numbering again in the slot after the highest stored.
    const std::int32_t lead = number.stepsAfter(*m_highestNumber);
    const std::int32_t lateLimit = run.dataOverUdp ? -std::int32_t(kLateDatagrams) : 0;
    if (lead > std::int32_t(kNumberWindow) || lead < lateLimit) {
        m_indexBase = run.mediaPacketStored ? SlotAfterStored(run) : m_indexBase;
        m_firstNumber = m_highestNumber = number;
        told.numberingRestarted = !std::exchange(m_restartLogged, true);
        return m_indexBase;
    }
    const std::int64_t within = std::int64_t(std::uint32_t(m_highestNumber->stepsAfter(*m_firstNumber))) + lead;
    if (within < 0)
        return early();
    if (lead > 0)
        m_highestNumber = number;
    const std::optional<SlotIndex> slot = m_indexBase.after(std::uint64_t(within));
    return slot ? slot : pastEnd();
}

StoredPacket MediaPacketWriter::handle(PacketNumber number, QByteArray packet)
{
    RunState& run = m_run;
    StoredPacket told;
    // An entry whose numbers start again takes the slots after the last
    // one's; one numbered on, of known length, from where its numbers pass
    // the count the last one stated (before that, the last one goes on).
    if (std::exchange(m_entryChanged, false) && m_lastNumber) {
        if (number.stepsAfter(*m_lastNumber) <= 0)
            startEntry(number);
        else
            m_entryNumberedOn = KnownLength(run);
    }
    m_lastNumber = number;
    const std::optional<SlotIndex> slot = slotOf(number, told);
    if (!slot)
        return told;
    run.packetIndex = slot->value();
    run.highestPacketIndex = std::max(run.highestPacketIndex.load(), slot->value());

    const int at = SendTimeOffset(packet);
    const std::optional<std::uint32_t> sendTime = at > 0 ? LE32At(packet, at) : std::nullopt;
    // A resumed file's packets keep their own times; an entry that follows
    // another in the same file is timed from just after it.
    const bool ownTimes = run.resume && m_indexBase == SlotIndex();
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

    SlotWritten written = m_file.writeSlot(*slot, run.headerLength.load(), packet);
    forgetLost(written.lost);
    if (written.batched)
        run.receivedPackets.mark(slot->value());
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
