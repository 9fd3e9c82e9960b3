#include "asf/header_fixup.h"
#include "state/run_state.h"
#include "support/asf_builder.h"
#include "support/asf_sample.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovrin;
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
        return LEAt(bytes, bytes.indexOf(guid) + offset, width).value_or(0xBAD);
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

}  // namespace

TEST(FixLiveHeader, SizesCountsAndDurationsComeFromTheRecording)
{
    const QByteArray header = BroadcastHeader(5000);
    ClosingRun r(header, 505000, 100, 60000);
    ASSERT_EQ(FixLiveHeader(r.path, r.run), LiveHeaderFix::Fixed);
    const qsizetype d = header.indexOf(asf::kDataGuid);
    EXPECT_EQ(r.field(asf::kFilePropertiesGuid, 40), 505000u);
    EXPECT_EQ(r.field(asf::kFilePropertiesGuid, 56), 100u) << "100 packets, numbered 0 to 99";
    EXPECT_EQ(r.field(asf::kFilePropertiesGuid, 64), 630000000u);
    EXPECT_EQ(r.field(asf::kFilePropertiesGuid, 72), 600000000u);
    EXPECT_EQ(r.field(asf::kFilePropertiesGuid, 88, 4), 0xABCDEF02u) << "only the first flags byte changes";
    EXPECT_EQ(r.field(asf::kDataGuid, 16), std::uint64_t(505000 - d));
    EXPECT_EQ(r.field(asf::kDataGuid, 40), 100u);
    EXPECT_EQ(r.contents().size(), 505000);

    // Stopped before any media packet: an empty recording.
    ClosingRun empty(BroadcastHeader(600), 0);
    ASSERT_EQ(FixLiveHeader(empty.path, empty.run), LiveHeaderFix::Fixed);
    EXPECT_EQ(empty.field(asf::kFilePropertiesGuid, 40), 600u);
    EXPECT_EQ(empty.field(asf::kFilePropertiesGuid, 56), 0u);
    EXPECT_EQ(empty.field(asf::kFilePropertiesGuid, 64), 30000000u);
    EXPECT_EQ(empty.field(asf::kDataGuid, 40), 0u);
}

TEST(FixLiveHeader, MissingObjectsAreReportedAndDataIsNeverPatched)
{
    const QByteArray noFile = asf::Header({asf::StreamPropertiesObject(1)}, 0, 400);
    ClosingRun r(noFile, 1000);
    EXPECT_EQ(FixLiveHeader(r.path, r.run), LiveHeaderFix::NoFileObject);
    EXPECT_EQ(r.contents().left(400), noFile);

    QByteArray noData = BroadcastHeader(400);
    noData.replace(noData.indexOf(asf::kDataGuid), 5, "xxxxx");
    ClosingRun s(noData, 1000);
    EXPECT_EQ(FixLiveHeader(s.path, s.run), LiveHeaderFix::NoDataObject);
    EXPECT_EQ(s.field(asf::kFilePropertiesGuid, 40), 1000u) << "the File Properties changes stay";

    // Fields that would lie beyond the stored header belong to data packets.
    const QByteArray cut = BroadcastHeader(400).left(60);
    ClosingRun u(cut, 2000, 5);
    EXPECT_EQ(FixLiveHeader(u.path, u.run), LiveHeaderFix::NoFileObject);
    EXPECT_FALSE(FixPacketCount(u.path, u.run));
    EXPECT_EQ(u.contents(), cut + QByteArray(2000 - 60, '\0'));
}

TEST(FixPacketCount, WritesTheNumberOfPacketsStoredAsA64BitValue)
{
    const QByteArray header = BroadcastHeader(500);
    ClosingRun r(header, 500 + 1000 * 100, 1000);
    ASSERT_TRUE(FixPacketCount(r.path, r.run));
    QByteArray expected = header;
    PutLE(expected, header.indexOf(asf::kFilePropertiesGuid) + 56, 1000, 8);
    EXPECT_EQ(r.contents().left(500), expected) << "only the count changes, all eight bytes of it";

    // A straggler stored last, below the highest slot, does not shrink the count.
    ClosingRun straggler(header, 500 + 1000 * 100, 1000);
    straggler.run.highestPacketIndex = 999;
    straggler.run.packetIndex = 3;
    ASSERT_TRUE(FixPacketCount(straggler.path, straggler.run));
    EXPECT_EQ(straggler.field(asf::kFilePropertiesGuid, 56), 1000u);

    ClosingRun empty(header, 500);
    ASSERT_TRUE(FixPacketCount(empty.path, empty.run));
    EXPECT_EQ(empty.field(asf::kFilePropertiesGuid, 56), 0u);

    ClosingRun none(asf::Header({}, 0, 200), 200, 5);
    EXPECT_FALSE(FixPacketCount(none.path, none.run));
}

TEST(FixPacketCount, AResumedRunKeepsItsCountUntilAPacketArrives)
{
    asf::FileProperties p;
    p.packets = 120;
    ClosingRun r(asf::Header({asf::FilePropertiesObject(p)}, 0, 500), 500 + 120 * 50);
    r.run.resume = true;
    ASSERT_TRUE(FixPacketCount(r.path, r.run));
    EXPECT_EQ(r.field(asf::kFilePropertiesGuid, 56), 120u);

    r.run.packetIndex = 150;
    r.run.mediaPacketStored = true;
    ASSERT_TRUE(FixPacketCount(r.path, r.run));
    EXPECT_EQ(r.field(asf::kFilePropertiesGuid, 56), 151u);
}
