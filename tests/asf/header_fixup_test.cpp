#include "asf/header_fixup.h"
#include "state/run_state.h"
#include "support/asf_builder.h"
#include "support/asf_sample.h"
#include "support/golden.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;
namespace asf = tovrin::test::asf;

namespace {

// A save file holding `header`, grown to `fileSize` bytes, as a run left it.
struct ClosingRun {
    ClosingRun(const QByteArray& header, qint64 fileSize, std::uint64_t packets = 0, std::uint32_t mediaTime = 0)
    {
        EXPECT_TRUE(
            test::WriteWholeFile(path, header + QByteArray(std::max<qint64>(fileSize - header.size(), 0), '\0')));
        run.headerLength = std::uint32_t(header.size());
        run.packetIndex = std::uint32_t(packets - 1);
        run.mediaPacketStored = packets > 0;
        run.mediaTime = mediaTime;
    }
    QByteArray contents() const { return test::ReadWholeFile(path); }
    std::uint64_t field(const QByteArray& guid, qsizetype offset, int width = 8) const
    {
        const QByteArray bytes = contents();
        const qsizetype at = bytes.indexOf(guid);
        return at < 0 ? 0xBAD : LEAt(bytes, at + offset, width).value_or(0xBAD);
    }

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("save.asf"));
    RunState run;
};

QByteArray BroadcastHeader(qsizetype length)
{
    asf::FileProperties p;
    p.preroll = 3000;
    p.flags = 0xABCDEF01;  // broadcast; the upper bytes belong to no one here
    p.packets = 0xFFFFFFFFFFFFFFFFull;
    return asf::Header({asf::FilePropertiesObject(p)}, 0, length);
}

// What a fix-up answered, then the fields the fix-ups write as they stand in
// the file (bad: not there), and the file's size.
QString Fields(const ClosingRun& r, int answer)
{
    const auto file = [&](qsizetype offset, int width = 8) { return r.field(asf::kFilePropertiesGuid, offset, width); };
    return u"answer %1 | file size %2 packets %3 play %4 send %5 flags %6 | data size %7 packets %8 | %9 bytes"_s
        .arg(answer)
        .arg(file(40))
        .arg(file(56))
        .arg(file(64))
        .arg(file(72))
        .arg(file(88, 4), 0, 16)
        .arg(r.field(asf::kDataGuid, 16))
        .arg(r.field(asf::kDataGuid, 40))
        .arg(r.contents().size());
}

}  // namespace

// A broadcast's sizes, counts and durations come from the recording; only
// the first flags byte changes; the count of a stored file is all eight bytes
// of a 64-bit value; fields that would lie beyond the stored header belong
// to data packets and are never patched.
TEST(FixLiveHeader, SizesCountsAndDurationsComeFromTheRecording)
{
    QStringList lines;
    const auto live = [&](const char* what, ClosingRun& r) {
        lines << u"live %1: "_s.arg(QLatin1String(what)) + Fields(r, int(FixLiveHeader(r.path, r.run)));
    };
    const auto count = [&](const char* what, ClosingRun& r) {
        lines << u"count %1: "_s.arg(QLatin1String(what)) + Fields(r, FixPacketCount(r.path, r.run));
    };
    ClosingRun full(BroadcastHeader(5000), 505000, 100, 60000);
    live("100 packets, numbered 0 to 99", full);
    ClosingRun empty(BroadcastHeader(600), 0);
    live("stopped before any media packet", empty);

    const QByteArray noFile = asf::Header({asf::StreamPropertiesObject(1)}, 0, 400);
    ClosingRun r(noFile, 1000);
    live("no File Properties", r);
    EXPECT_EQ(r.contents().left(400), noFile);
    QByteArray noData = BroadcastHeader(400);
    noData.replace(noData.indexOf(asf::kDataGuid), 5, "xxxxx");
    ClosingRun s(noData, 1000);
    live("no Data Object, the File Properties changes stay", s);
    const QByteArray cut = BroadcastHeader(400).left(60);
    ClosingRun u(cut, 2000, 5);
    live("cut header", u);
    count("cut header", u);
    EXPECT_EQ(u.contents(), cut + QByteArray(2000 - 60, '\0'));

    const QByteArray header = BroadcastHeader(500);
    ClosingRun stored(header, 500 + 1000 * 100, 1000);
    count("1000 packets", stored);
    QByteArray expected = header;
    PutLE(expected, header.indexOf(asf::kFilePropertiesGuid) + 56, 1000, 8);
    EXPECT_EQ(stored.contents().left(500), expected) << "only the count changes";
    // A straggler stored last, below the highest slot, does not shrink the count.
    ClosingRun straggler(header, 500 + 1000 * 100, 1000);
    straggler.run.highestPacketIndex = 999;
    straggler.run.packetIndex = 3;
    count("straggler", straggler);
    ClosingRun none(header, 500);
    count("no packets", none);
    ClosingRun noObject(asf::Header({}, 0, 200), 200, 5);
    count("no File Properties", noObject);

    // A resumed run keeps its count until a packet arrives.
    asf::FileProperties p;
    p.packets = 120;
    ClosingRun resumed(asf::Header({asf::FilePropertiesObject(p)}, 0, 500), 500 + 120 * 50);
    resumed.run.resume = true;
    count("resumed", resumed);
    resumed.run.packetIndex = 150;
    resumed.run.mediaPacketStored = true;
    count("resumed, packet 150 stored", resumed);
    EXPECT_GOLDEN("asf/header_fixups", lines);
}
