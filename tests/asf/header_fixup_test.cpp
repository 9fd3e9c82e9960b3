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
// the file (File Properties: size, packets, play and send duration, flags;
// Data: size, packets; bad: not there), then the file's size.
QString Fields(const ClosingRun& r, int answer)
{
    QString line = u"answer %1 | file"_s.arg(answer);
    for (int at : {40, 56, 64, 72, 88})
        line += u' ' + QString::number(r.field(asf::kFilePropertiesGuid, at, at == 88 ? 4 : 8), 16);
    line += u" | data"_s;
    for (int at : {16, 40})
        line += u' ' + QString::number(r.field(asf::kDataGuid, at), 16);
    return line + u" | %1 bytes"_s.arg(r.contents().size());
}

}  // namespace

// A broadcast's sizes, counts and durations come from the recording; only
// the first flags byte changes; the count of a stored file is all eight bytes
// of a 64-bit value; fields that would lie beyond the stored header belong
// to data packets and are never patched.
TEST(FixLiveHeader, SizesCountsAndDurationsComeFromTheRecording)
{
    QStringList lines;
    const auto live = [&](const char* what, ClosingRun&& r) {
        lines << u"live %1: "_s.arg(QLatin1String(what)) + Fields(r, int(FixLiveHeader(r.path, r.run)));
    };
    const auto count = [&](const char* what, ClosingRun&& r) {
        lines << u"count %1: "_s.arg(QLatin1String(what)) + Fields(r, FixPacketCount(r.path, r.run));
    };
    live("100 packets, numbered 0 to 99", ClosingRun(BroadcastHeader(5000), 505000, 100, 60000));
    live("stopped before any media packet", ClosingRun(BroadcastHeader(600), 0));

    const QByteArray noFile = asf::Header({asf::StreamPropertiesObject(1)}, 0, 400);
    ClosingRun r(noFile, 1000);
    live("no File Properties", std::move(r));
    EXPECT_EQ(r.contents().left(400), noFile);
    QByteArray noData = BroadcastHeader(400);
    noData.replace(noData.indexOf(asf::kDataGuid), 5, "xxxxx");
    live("no Data Object, the File Properties changes stay", ClosingRun(noData, 1000));
    const QByteArray cut = BroadcastHeader(400).left(60);
    ClosingRun u(cut, 2000, 5);
    live("cut header", std::move(u));
    count("cut header", std::move(u));
    EXPECT_EQ(u.contents(), cut + QByteArray(2000 - 60, '\0'));

    const QByteArray header = BroadcastHeader(500);
    ClosingRun stored(header, 500 + 1000 * 100, 1000);
    count("1000 packets", std::move(stored));
    QByteArray expected = header;
    PutLE(expected, header.indexOf(asf::kFilePropertiesGuid) + 56, 1000, 8);
    EXPECT_EQ(stored.contents().left(500), expected) << "only the count changes";
    // A straggler stored last, below the highest slot, does not shrink the count.
    ClosingRun straggler(header, 500 + 1000 * 100, 1000);
    straggler.run.highestPacketIndex = 999;
    straggler.run.packetIndex = 3;
    count("straggler", std::move(straggler));
    count("no packets", ClosingRun(header, 500));
    count("no File Properties", ClosingRun(asf::Header({}, 0, 200), 200, 5));

    // A resumed run keeps its count until a packet arrives.
    asf::FileProperties p;
    p.packets = 120;
    ClosingRun resumed(asf::Header({asf::FilePropertiesObject(p)}, 0, 500), 500 + 120 * 50);
    resumed.run.resume = true;
    count("resumed", std::move(resumed));
    resumed.run.packetIndex = 150;
    resumed.run.mediaPacketStored = true;
    count("resumed, packet 150 stored", std::move(resumed));
    EXPECT_GOLDEN("asf/header_fixups", lines);
}
