#include "asf/header_fixup.h"

#include "asf/asf_objects.h"
#include "asf/byte_helpers.h"
#include "asf/simple_index.h"
#include "state/run_state.h"

#include <QFile>

#include <algorithm>
#include <optional>

namespace tovrin {

namespace {

// File Properties Object fields.
constexpr qint64 kFileSizeField = 40;
constexpr qint64 kDataPacketsField = 56;
constexpr qint64 kPlayDurationField = 64;
constexpr qint64 kSendDurationField = 72;
constexpr qint64 kPrerollField = 80;
constexpr qint64 kFlagsField = 88;
constexpr qint64 kMinPacketSizeField = 92;
constexpr qint64 kMaxPacketSizeField = 96;
// Data Object fields; its fixed start is 50 bytes long.
constexpr qint64 kObjectSizeField = 16;
constexpr qint64 kTotalDataPacketsField = 40;
constexpr qint64 kDataObjectStart = 50;

constexpr char kSeekableNotBroadcast = 0x02;

// The save file, opened again for patching, with the header it holds and
// the objects found in it.
struct Patch {
    QFile file;
    QByteArray header;
    std::optional<HeaderObjects> objects;

    // Locates an object whose fields up to `needed` bytes lie in it and in
    // the header: a patch never reaches into another object or the data
    // packets behind the header.
    std::optional<qint64> find(QByteArrayView prefix, qint64 needed) const
    {
        const qsizetype at = objects->find(prefix);
        if (at < 0 || needed > ObjectBytes(header, at).size())
            return std::nullopt;
        return at;
    }
    // The Data Object behind the Header Object, its fixed start in the header.
    std::optional<qint64> dataObject() const
    {
        const qsizetype at = objects->dataObject();
        if (at < 0 || at + kDataObjectStart > header.size())
            return std::nullopt;
        return at;
    }
    bool put(qint64 offset, QByteArrayView bytes)
    {
        return file.seek(offset) && file.write(bytes.data(), bytes.size()) == bytes.size();
    }
    bool put64(qint64 offset, std::uint64_t value) { return put(offset, EncodeLE64(value)); }
    bool put32(qint64 offset, std::uint32_t value) { return put(offset, EncodeLE32(value)); }
};

bool OpenPatch(const QString& path, const RunState& run, Patch& patch)
{
    if (path.isEmpty())
        return false;
    patch.file.setFileName(path);
    if (!patch.file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered))
        return false;
    patch.header = ReadStoredHeader(patch.file, run.headerLength);
    patch.objects.emplace(patch.header);
    return true;
}

// The packets the file holds once the run ends: up to and including the
// highest one stored, and at least those a resumed file kept, as far as the
// file holds them whole: after a failed write (a full disk) the slots behind
// the last one written are not there, and the header must not promise them.
std::uint64_t PacketsInFile(const RunState& run, qint64 fileSize)
{
    const std::uint32_t highest = std::max(run.packetIndex.load(), run.highestPacketIndex.load());
    std::uint64_t stored = run.mediaPacketStored ? std::uint64_t(highest) + 1 : 0;
    if (run.resume)
        stored = std::max<std::uint64_t>(stored, run.storedPacketCount.load());
    const qint64 packetSize = run.packetSize.load();
    if (packetSize <= 0)
        return stored;
    const qint64 wholeSlots = std::max<qint64>(0, fileSize - qint64(run.headerLength.load())) / packetSize;
    return std::min(stored, std::uint64_t(wholeSlots));
}

// Ends the file behind its last slot with the index of its packets, and
// makes the header's sizes and counts describe it: File Size, Data Packets
// Count, the Data Object's size and packet count. The play duration is the
// header's (`playDuration` when the caller has just written another). A file
// without packets gets no index. Without a Data Object only the count is
// written.
bool WriteEnd(Patch& patch, qint64 fpo, const RunState& run, const SimpleIndexBuilder& index,
              std::optional<std::uint64_t> playDuration = std::nullopt)
{
    const std::uint64_t count = PacketsInFile(run, patch.file.size());
    if (count == 0 && run.resume)
        return true;  // nothing stored, nothing known: the file stays as it was
    // The slots are as wide as the packet size the server announced, which
    // may differ from its header's: the header then states theirs.
    const std::uint32_t width = run.packetSize;
    if (patch.find(guid::kFileProperties, kMaxPacketSizeField + 4)
        && LE32At(patch.header, fpo + kMinPacketSizeField) != width
        && !(patch.put32(fpo + kMinPacketSizeField, width) && patch.put32(fpo + kMaxPacketSizeField, width)))
        return false;
    const std::optional<qint64> data = patch.dataObject();
    if (!data)
        return patch.put64(fpo + kDataPacketsField, count);
    const qint64 dataEnd = qint64(run.headerLength.load()) + qint64(count) * run.packetSize.load();
    const std::uint64_t duration = playDuration.value_or(LE64At(patch.header, fpo + kPlayDurationField).value_or(0));
    const QByteArray object = count > 0 ? index.object(std::uint32_t(count), duration) : QByteArray();
    const bool counted = (count == 0 || patch.file.resize(dataEnd)) && patch.put64(fpo + kDataPacketsField, count)
                         && patch.put64(*data + kObjectSizeField, std::uint64_t(dataEnd - *data))
                         && patch.put64(*data + kTotalDataPacketsField, count);
    // A disk too full for the index still leaves a whole file without one.
    const bool indexed = counted && patch.put(dataEnd, object);
    if (!indexed && count > 0)
        (void)patch.file.resize(dataEnd);
    return counted && patch.put64(fpo + kFileSizeField, std::uint64_t(dataEnd + (indexed ? object.size() : 0)));
}

}  // namespace

bool FixPacketCount(const QString& path, const RunState& run, const SimpleIndexBuilder& index)
{
    Patch patch;
    if (!OpenPatch(path, run, patch))
        return false;
    const std::optional<qint64> at = patch.find(guid::kFileProperties, kPlayDurationField + 8);
    if (!at || !run.entriesJoined)
        return at && WriteEnd(patch, *at, run, index);
    // Joined entries last as long as what was recorded of them, as a live
    // recording does.
    const std::uint32_t preroll = LE32At(patch.header, *at + kPrerollField).value_or(0);
    const std::uint64_t playDuration = (std::uint64_t(run.mediaTime) + preroll) * 10000;
    return patch.put64(*at + kPlayDurationField, playDuration)
           && patch.put64(*at + kSendDurationField, std::uint64_t(run.mediaTime) * 10000)
           && WriteEnd(patch, *at, run, index, playDuration);
}

LiveHeaderFix FixLiveHeader(const QString& path, const RunState& run, const SimpleIndexBuilder& index)
{
    Patch patch;
    const std::optional<qint64> at =
        OpenPatch(path, run, patch) ? patch.find(guid::kFileProperties, kFlagsField + 1) : std::nullopt;
    if (!at)
        return LiveHeaderFix::NoFileObject;
    const qint64 o = *at;
    const std::uint32_t preroll = *LE32At(patch.header, o + kPrerollField);
    const std::uint64_t mediaTime = run.mediaTime;
    const std::uint64_t playDuration = (mediaTime + preroll) * 10000;

    bool written = patch.put64(o + kPlayDurationField, playDuration)
                   && patch.put64(o + kSendDurationField, mediaTime * 10000)
                   && patch.put(o + kFlagsField, QByteArrayView(&kSeekableNotBroadcast, 1));
    if (!patch.dataObject()) {
        (void)(patch.put64(o + kFileSizeField, std::uint64_t(patch.file.size()))
               && patch.put64(o + kDataPacketsField, PacketsInFile(run, patch.file.size())));
        return LiveHeaderFix::NoDataObject;
    }
    written = WriteEnd(patch, o, run, index, playDuration) && written;
    return written ? LiveHeaderFix::Fixed : LiveHeaderFix::WriteFailed;
}

QString LiveHeaderFixMessage(LiveHeaderFix outcome)
{
    switch (outcome) {
    case LiveHeaderFix::NoFileObject:
        return QStringLiteral("ASF header fixing error - no File Object");
    case LiveHeaderFix::NoDataObject:
        return QStringLiteral("ASF header fixing error - no Data Object");
    case LiveHeaderFix::Fixed:
    case LiveHeaderFix::WriteFailed:
        break;
    }
    return {};
}

}  // namespace tovrin
