#include "asf/header_fixup.h"

#include "asf/asf_objects.h"
#include "asf/byte_helpers.h"
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
// Data Object fields; its fixed start is 50 bytes long.
constexpr qint64 kObjectSizeField = 16;
constexpr qint64 kTotalDataPacketsField = 40;
constexpr qint64 kDataObjectStart = 50;

constexpr char kSeekableNotBroadcast = 0x02;

// The save file, opened again for patching, with the header it holds.
struct Patch {
    QFile file;
    QByteArray header;

    // Locates an object whose fields up to `needed` bytes lie in the header:
    // a patch never reaches into the data packets behind it.
    std::optional<qint64> find(QByteArrayView prefix, qint64 needed) const
    {
        const qsizetype at = FindObject(header, prefix);
        if (at < 0 || at + needed > header.size())
            return std::nullopt;
        return at;
    }
    bool put(qint64 offset, QByteArrayView bytes)
    {
        return file.seek(offset) && file.write(bytes.data(), bytes.size()) == bytes.size();
    }
    bool put64(qint64 offset, std::uint64_t value) { return put(offset, EncodeLE64(value)); }
};

bool OpenPatch(const QString& path, const RunState& run, Patch& patch)
{
    if (path.isEmpty())
        return false;
    patch.file.setFileName(path);
    if (!patch.file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered))
        return false;
    patch.header = ReadStoredHeader(patch.file, run.headerLength);
    return true;
}

// The packets up to the highest one stored, as far as the file holds them
// whole: after a failed write (a full disk) the slots behind the last one
// written are not there, and the header must not promise them.
std::uint64_t PacketCount(const RunState& run, qint64 fileSize)
{
    const std::uint32_t highest = std::max(run.packetIndex.load(), run.highestPacketIndex.load());
    const std::uint64_t stored = run.mediaPacketStored ? std::uint64_t(highest) + 1 : 0;
    const qint64 packetSize = run.packetSize.load();
    if (packetSize <= 0)
        return stored;
    const qint64 wholeSlots = std::max<qint64>(0, fileSize - qint64(run.headerLength.load())) / packetSize;
    return std::min(stored, std::uint64_t(wholeSlots));
}

}  // namespace

bool FixPacketCount(const QString& path, const RunState& run)
{
    Patch patch;
    if (!OpenPatch(path, run, patch))
        return false;
    const std::optional<qint64> at = patch.find(guid::kFileProperties, kDataPacketsField + 8);
    if (!at)
        return false;
    if (run.resume && !run.mediaPacketStored)
        return true;  // nothing new arrived: the count the file has is still right
    return patch.put64(*at + kDataPacketsField, PacketCount(run, patch.file.size()));
}

LiveHeaderFix FixLiveHeader(const QString& path, const RunState& run)
{
    Patch patch;
    const std::optional<qint64> at =
        OpenPatch(path, run, patch) ? patch.find(guid::kFileProperties, kFlagsField + 1) : std::nullopt;
    if (!at)
        return LiveHeaderFix::NoFileObject;
    const qint64 o = *at;
    const std::uint32_t preroll = *LE32At(patch.header, o + kPrerollField);
    const qint64 fileSize = patch.file.size();
    const std::uint64_t count = PacketCount(run, fileSize);
    const std::uint64_t mediaTime = run.mediaTime;

    bool written = patch.put64(o + kFileSizeField, std::uint64_t(fileSize)) && patch.put64(o + kDataPacketsField, count)
                   && patch.put64(o + kPlayDurationField, (mediaTime + preroll) * 10000)
                   && patch.put64(o + kSendDurationField, mediaTime * 10000)
                   && patch.put(o + kFlagsField, QByteArrayView(&kSeekableNotBroadcast, 1));

    const std::optional<qint64> data = patch.find(guid::kDataObject, kDataObjectStart);
    if (!data)
        return LiveHeaderFix::NoDataObject;
    const qint64 d = *data;
    written = written && patch.put64(d + kObjectSizeField, std::uint64_t(fileSize - d))
              && patch.put64(d + kTotalDataPacketsField, count);
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
