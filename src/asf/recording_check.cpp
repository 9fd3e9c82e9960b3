#include "asf/recording_check.h"

#include "asf/asf_objects.h"
#include "asf/byte_helpers.h"
#include "asf/data_packet_reader.h"
#include "asf/header_fixup.h"
#include "asf/recording_file.h"
#include "asf/simple_index.h"
#include "state/run_state.h"

#include <QFile>

#include <algorithm>

namespace tovrin {

namespace {

using namespace field;
constexpr qsizetype kObjectHead = 24;  // GUID and size
// File Properties Object fields only read here.
constexpr qsizetype kPrerollField = 80;
constexpr qsizetype kFlagsField = 88;
// How far short of the play duration the packets of a whole recording may
// end: its last frame lasts a moment beyond the time it is presented.
constexpr std::uint64_t kEndToleranceMs = 1000;
constexpr qsizetype kMinPacketSizeField = 92;
constexpr std::uint32_t kBroadcastFlag = 0x01;
constexpr QByteArrayView kSimpleIndexPrefix("\x90\x08\x00\x33\xB1", 5);

std::uint64_t Field64(QByteArrayView bytes, qsizetype at)
{
    return LE64At(bytes, at).value_or(0);
}

// Reads the header and the Data Object's fixed start of the file, filling
// what they state; false (with `unreadable` set) when they are not there.
bool ReadLayout(QFile& file, RecordingCheck& check, QByteArray& header)
{
    const auto refuse = [&](const QString& why) {
        check.unreadable = why;
        return false;
    };
    const QByteArray start = file.read(kObjectHead);
    if (start.size() < kObjectHead || !start.startsWith(guid::kHeaderObject))
        return refuse(QStringLiteral("not an ASF file (no Header Object at its start)"));
    const std::uint64_t headerSize = Field64(start, 16);
    if (headerSize < kObjectHead || headerSize > kMaxHeaderLength || headerSize + kDataObjectStart > check.fileSize)
        return refuse(QStringLiteral("the Header Object's size (%1 bytes) does not fit the file").arg(headerSize));
    check.headerLength = headerSize + kDataObjectStart;
    file.seek(0);
    header = file.read(qint64(check.headerLength));
    if (header.size() != qsizetype(check.headerLength) || DataObjectAt(header) != qsizetype(headerSize))
        return refuse(QStringLiteral("no Data Object behind the header"));
    // The File Properties Object is a child of the Header Object, clear of
    // the Data Object's fields that the end of a recording rewrites.
    const QByteArrayView properties = HeaderObjects(header).bytes(guid::kFileProperties);
    const std::optional<std::uint32_t> packetSize = LE32At(properties, kMinPacketSizeField);
    if (!packetSize)
        return refuse(QStringLiteral("no whole File Properties Object in the header"));
    if (*packetSize == 0 || *packetSize > kMaxPacketSize)
        return refuse(QStringLiteral("the packet size (%1 bytes) is not one a recording has").arg(*packetSize));
    check.packetSize = *packetSize;
    check.statedFileSize = Field64(properties, kFileSize);
    check.statedPackets = Field64(properties, kDataPackets);
    check.playDurationMs = Field64(properties, kPlayDuration) / 10000;
    check.preroll = std::uint32_t(std::min<std::uint64_t>(Field64(properties, kPrerollField), 0xFFFFFFFFu));
    check.broadcast = LE32At(properties, kFlagsField).value_or(0) & kBroadcastFlag;
    const QByteArrayView data = QByteArrayView(header).sliced(qsizetype(headerSize));
    check.dataObjectSize = Field64(data, kDataObjectSize);
    check.dataObjectPackets = Field64(data, kDataObjectPackets);
    return true;
}

// The Simple Index Object behind the packets, as far as it can be read.
struct StoredIndex {
    bool present = false;
    bool sound = false;  // its layout holds together and its entries never go back
    std::uint64_t intervalMs = 0;
    std::vector<std::uint32_t> packets;  // entry by entry
    // Entries checked so far against the packets they name: the first entry
    // naming a packet beyond the slots read, and whether one disagreed.
    std::size_t next = 0;
    bool disagrees = false;

    // A packet, sent at `sendTime`, is in slot `slot` (nullopt: none is):
    // every entry naming it must come at or after that time.
    void meet(std::uint64_t slot, std::optional<std::uint32_t> sendTime)
    {
        for (; next < packets.size() && packets[next] <= slot; ++next) {
            if (packets[next] == slot && (!sendTime || *sendTime > next * intervalMs))
                disagrees = true;
        }
    }
};

// Most bytes of an index read: some 5 million entries.
constexpr qint64 kMaxIndexBytes = 32 << 20;

StoredIndex ReadIndex(const QByteArray& tail)
{
    StoredIndex index;
    index.present = tail.startsWith(kSimpleIndexPrefix) && Field64(tail, 16) == std::uint64_t(tail.size());
    if (!index.present || tail.size() < kSimpleIndexStart)
        return index;
    index.intervalMs = Field64(tail, 40) / 10000;
    const std::uint32_t count = LE32At(tail, 52).value_or(0);
    if (index.intervalMs == 0 || qsizetype(kSimpleIndexStart + qint64(count) * 6) != tail.size())
        return index;
    index.sound = true;
    index.packets.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t packet = *LE32At(tail, kSimpleIndexStart + qsizetype(i) * 6);
        index.sound = index.sound && (index.packets.empty() || packet >= index.packets.back());
        index.packets.push_back(packet);
    }
    return index;
}

// Reads the slots 0 … count - 1 of the file, batch by batch, into the
// check's packet tallies, and checks the index's entries against them.
void ReadSlots(QFile& file, std::uint64_t count, RecordingCheck& check, StoredIndex& index)
{
    const qint64 size = check.packetSize;
    const qint64 perRead = std::max<qint64>(1, kSlotBatchBytes / size);
    // Slots past the end of the file are missing, all at once.
    const std::uint64_t inFile = (check.fileSize - check.headerLength) / std::uint64_t(size);
    if (count > inFile) {
        check.missing.add(inFile, count - 1);
        count = inFile;
    }
    DataPacketFacts facts;
    std::uint64_t reached = 0;
    for (std::uint64_t slot = 0; slot < count; slot += std::uint64_t(perRead)) {
        const qint64 reading = qint64(std::min<std::uint64_t>(std::uint64_t(perRead), count - slot));
        const QByteArray run =
            file.seek(qint64(check.headerLength) + qint64(slot) * size) ? file.read(reading * size) : QByteArray();
        for (qint64 i = 0; i < reading; ++i) {
            const std::uint64_t at = slot + std::uint64_t(i);
            if ((i + 1) * size > run.size()) {
                check.missing.add(at, at);
                index.meet(at, std::nullopt);
                continue;
            }
            const QByteArrayView packet = QByteArrayView(run).sliced(i * size, size);
            if (std::all_of(packet.begin(), packet.end(), [](char c) { return c == 0; })) {
                check.missing.add(at, at);
                index.meet(at, std::nullopt);
            } else if (!ReadDataPacket(packet, facts)) {
                check.damaged.add(at, at);
                index.meet(at, std::nullopt);
            } else {
                ++check.present;
                index.meet(at, facts.sendTime);
                check.firstSendTime = std::min(check.firstSendTime.value_or(facts.sendTime), facts.sendTime);
                check.lastSendTime = std::max(check.lastSendTime.value_or(facts.sendTime), facts.sendTime);
                reached = std::max(reached, std::uint64_t(facts.sendTime) + facts.duration);
                for (const PayloadFacts& payload : facts.payloads)
                    reached = std::max<std::uint64_t>(
                        reached, std::max(payload.presentationTime, check.preroll) - check.preroll);
            }
        }
    }
    if (check.firstSendTime && reached > *check.firstSendTime)
        check.reachedMs = reached - *check.firstSendTime;
}

}  // namespace

void RecordingCheck::Slots::add(std::uint64_t first, std::uint64_t last)
{
    count += last - first + 1;
    if (!ranges.empty() && ranges.back().last + 1 == first)
        ranges.back().last = last;
    else if (ranges.size() < kMaxRanges)
        ranges.push_back({first, last});
}

bool RecordingCheck::sizesAgree() const
{
    return statedFileSize == fileSize && dataObjectPackets == statedPackets
           && dataObjectSize == kDataObjectStart + statedPackets * packetSize;
}

bool RecordingCheck::cutShort() const
{
    return reachedMs + kEndToleranceMs < statedMediaMs();
}

bool RecordingCheck::whole() const
{
    return !unreadable && missing.count == 0 && damaged.count == 0 && !cutShort() && sizesAgree()
           && index == Index::Agrees && trailingBytes == 0 && !broadcast;
}

RecordingCheck CheckRecording(const QString& path, std::optional<std::uint64_t> slotCount)
{
    RecordingCheck check;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        check.unreadable = file.errorString();
        return check;
    }
    check.fileSize = std::uint64_t(file.size());
    QByteArray header;
    if (!ReadLayout(file, check, header))
        return check;
    // Packet numbers are 32-bit: a count beyond them states no recording.
    const std::uint64_t count = std::min<std::uint64_t>(slotCount.value_or(check.statedPackets), 0xFFFFFFFFu);
    const std::uint64_t dataEnd = check.headerLength + count * check.packetSize;
    QByteArray tail;
    if (check.fileSize > dataEnd && file.seek(qint64(dataEnd)))
        tail = file.read(std::min<qint64>(qint64(check.fileSize - dataEnd), kMaxIndexBytes));
    StoredIndex index = ReadIndex(tail);
    if (!tail.isEmpty() && !index.present)
        check.trailingBytes = check.fileSize - dataEnd;
    ReadSlots(file, count, check, index);
    if (index.present) {
        // Every entry names a packet of the file sent by its time, and
        // together they reach past the play duration.
        const bool agrees = index.sound && !index.disagrees && index.next == index.packets.size()
                            && index.packets.size() * index.intervalMs >= check.playDurationMs;
        check.index = agrees ? RecordingCheck::Index::Agrees : RecordingCheck::Index::Disagrees;
    }
    return check;
}

RepairOutcome RepairRecording(const QString& path)
{
    RepairOutcome outcome;
    const RecordingCheck before = CheckRecording(path);
    if (before.unreadable) {
        outcome.failure = *before.unreadable;
        return outcome;
    }
    // The slots the file holds whole, as far as its Data Object counts them
    // (a broadcast's Data Object counts nothing yet).
    std::uint64_t packets = (before.fileSize - before.headerLength) / before.packetSize;
    if (!before.broadcast)
        packets = std::min(packets, before.dataObjectPackets);
    packets = std::min<std::uint64_t>(packets, 0xFFFFFFFFu);

    RecordingFile file;
    if (file.open(path, true) != RecordingFile::Opened::Yes) {
        outcome.failure = QStringLiteral("the file cannot be opened for writing, or a recording holds it");
        return outcome;
    }
    // What a run that stored these packets knows at its end.
    RunState run;
    run.headerLength = std::uint32_t(before.headerLength);
    run.packetSize = before.packetSize;
    run.filePacketCount = before.broadcast ? kLivePacketCount : std::uint32_t(packets);
    // Resuming with no whole packet leaves a file as it was; a repair with
    // none still makes the sizes describe the empty Data Object.
    run.resume = !before.broadcast && packets > 0;
    run.storedPacketCount = std::uint32_t(packets);
    run.mediaPacketStored = packets > 0;
    run.packetIndex = run.highestPacketIndex = packets > 0 ? std::uint32_t(packets - 1) : 0;
    bool ended = file.prepareIndex(run.headerLength, run.packetSize, std::uint32_t(packets));
    // A broadcast's media time runs from its first packet's send time, which
    // the recording rebased to zero.
    run.mediaTime = CheckRecording(path, packets).lastSendTime.value_or(0);
    (void)file.finish([&](const QString& at, const SimpleIndexBuilder& index) {
        ended = ended
                && (before.broadcast ? FixLiveHeader(at, run, index) == LiveHeaderFix::Fixed
                                     : FixPacketCount(at, run, index));
    });
    file.close();
    if (!ended) {
        outcome.failure = QStringLiteral("writing the file's end failed");
        return outcome;
    }

    const RecordingCheck after = CheckRecording(path);
    const auto changed = [&](const char* what, std::uint64_t was, std::uint64_t is) {
        if (was != is)
            outcome.changes << QStringLiteral("%1: %2 -> %3").arg(QLatin1String(what)).arg(was).arg(is);
    };
    changed("file size", before.fileSize, after.fileSize);
    changed("stated file size", before.statedFileSize, after.statedFileSize);
    changed("stated packets", before.statedPackets, after.statedPackets);
    changed("Data Object size", before.dataObjectSize, after.dataObjectSize);
    changed("Data Object packets", before.dataObjectPackets, after.dataObjectPackets);
    if (before.broadcast)
        outcome.changes << QStringLiteral("broadcast header made seekable, its durations from the packets");
    if (before.index != RecordingCheck::Index::Agrees && after.index == RecordingCheck::Index::Agrees)
        outcome.changes << QStringLiteral("index written");
    return outcome;
}

}  // namespace tovrin
