#include "asf/header_fixup.h"
#include "asf/header_store.h"
#include "asf/packet_parser.h"
#include "asf_builder.h"
#include "support/asf_sample.h"
#include "support/ffprobe.h"
#include "support/temp_settings.h"

#include <QFile>
#include <QJsonArray>

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::TestContext;
namespace asf = tovrin::test::asf;

namespace {

// A save file holding `header`, grown to `fileSize` bytes, as a run left it.
struct ClosingRun {
    ClosingRun(const QByteArray& header, qint64 fileSize, std::uint64_t packets = 0,
               std::uint32_t mediaTime = 0)
    {
        const QString path = t.dir.filePath(QStringLiteral("save.asf"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(header);
        f.resize(std::max<qint64>(fileSize, header.size()));
        t.run.headerLength = std::uint32_t(header.size());
        t.run.saveFile = std::make_unique<QFile>(path);
        t.run.packetIndex = std::uint32_t(packets - 1);
        t.run.mediaPacketStored = packets > 0;
        t.run.mediaTime = mediaTime;
    }
    QByteArray contents() const { return test::ReadWholeFile(t.run.saveFile->fileName()); }
    std::uint64_t field(const QByteArray& guid, qsizetype offset, int width = 8) const
    {
        const QByteArray bytes = contents();
        return LEAt(bytes, bytes.indexOf(guid) + offset, width).value_or(0xBAD);
    }

    TestContext t;
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
    ASSERT_EQ(FixLiveHeader(r.t.ctx), LiveHeaderFix::Fixed);
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
    ASSERT_EQ(FixLiveHeader(empty.t.ctx), LiveHeaderFix::Fixed);
    EXPECT_EQ(empty.field(asf::kFilePropertiesGuid, 40), 600u);
    EXPECT_EQ(empty.field(asf::kFilePropertiesGuid, 56), 0u);
    EXPECT_EQ(empty.field(asf::kFilePropertiesGuid, 64), 30000000u);
    EXPECT_EQ(empty.field(asf::kDataGuid, 40), 0u);
}

TEST(FixLiveHeader, MissingObjectsAreReportedAndDataIsNeverPatched)
{
    const QByteArray noFile = asf::Header({asf::StreamPropertiesObject(1)}, 0, 400);
    ClosingRun r(noFile, 1000);
    EXPECT_EQ(FixLiveHeader(r.t.ctx), LiveHeaderFix::NoFileObject);
    EXPECT_TRUE(r.t.shell.messages.isEmpty()) << "the caller tells the user, outside the file lock";
    EXPECT_EQ(r.contents().left(400), noFile);

    QByteArray noData = BroadcastHeader(400);
    noData.replace(noData.indexOf(asf::kDataGuid), 5, "xxxxx");
    ClosingRun s(noData, 1000);
    EXPECT_EQ(FixLiveHeader(s.t.ctx), LiveHeaderFix::NoDataObject);
    EXPECT_EQ(s.field(asf::kFilePropertiesGuid, 40), 1000u) << "the File Properties changes stay";

    // Fields that would lie beyond the stored header belong to data packets.
    const QByteArray cut = BroadcastHeader(400).left(60);
    ClosingRun u(cut, 2000, 5);
    EXPECT_EQ(FixLiveHeader(u.t.ctx), LiveHeaderFix::NoFileObject);
    EXPECT_FALSE(FixPacketCount(u.t.ctx));
    EXPECT_EQ(u.contents(), cut + QByteArray(2000 - 60, '\0'));
}

TEST(FixPacketCount, WritesTheNumberOfPacketsStoredAsA64BitValue)
{
    const QByteArray header = BroadcastHeader(500);
    ClosingRun r(header, 500 + 1000 * 100, 1000);
    ASSERT_TRUE(FixPacketCount(r.t.ctx));
    QByteArray expected = header;
    PutLE(expected, header.indexOf(asf::kFilePropertiesGuid) + 56, 1000, 8);
    EXPECT_EQ(r.contents().left(500), expected) << "only the count changes, all eight bytes of it";

    // A straggler stored last, below the highest slot, does not shrink the count.
    ClosingRun straggler(header, 500 + 1000 * 100, 1000);
    straggler.t.run.highestPacketIndex = 999;
    straggler.t.run.packetIndex = 3;
    ASSERT_TRUE(FixPacketCount(straggler.t.ctx));
    EXPECT_EQ(straggler.field(asf::kFilePropertiesGuid, 56), 1000u);

    ClosingRun empty(header, 500);
    ASSERT_TRUE(FixPacketCount(empty.t.ctx));
    EXPECT_EQ(empty.field(asf::kFilePropertiesGuid, 56), 0u);

    ClosingRun none(asf::Header({}, 0, 200), 200, 5);
    EXPECT_FALSE(FixPacketCount(none.t.ctx));
    EXPECT_TRUE(none.t.shell.messages.isEmpty());
}

TEST(FixPacketCount, AResumedRunKeepsItsCountUntilAPacketArrives)
{
    asf::FileProperties p;
    p.packets = 120;
    ClosingRun r(asf::Header({asf::FilePropertiesObject(p)}, 0, 500), 500 + 120 * 50);
    r.t.run.resume = true;
    ASSERT_TRUE(FixPacketCount(r.t.ctx));
    EXPECT_EQ(r.field(asf::kFilePropertiesGuid, 56), 120u);

    r.t.run.packetIndex = 150;
    r.t.run.mediaPacketStored = true;
    ASSERT_TRUE(FixPacketCount(r.t.ctx));
    EXPECT_EQ(r.field(asf::kFilePropertiesGuid, 56), 151u);
}

// A live broadcast recorded from a real clip: the server's clock runs far
// from zero and its header carries no sizes, durations or counts. After the
// fix-up, ffprobe sees the recorded duration and can seek.
TEST(FixLiveHeader, MakesARealLiveRecordingPlayableAndSeekable)
{
    const test::AsfParts parts = test::ReadAsf(test::SamplePath(test::Sample::Wmv));
    ASSERT_GT(parts.packets.size(), 20u);
    QByteArray header = parts.header;
    const qsizetype fp = header.indexOf(asf::kFilePropertiesGuid), data = header.indexOf(asf::kDataGuid);
    for (int field : {40, 56, 64, 72}) PutLE(header, fp + field, 0, 8);
    header[fp + 88] = 0x01;  // broadcast
    PutLE(header, data + 16, 50, 8);
    PutLE(header, data + 40, 0, 8);

    TestContext t;
    const QString path = t.dir.filePath(QStringLiteral("live.asf"));
    t.run.savePath = path;
    t.run.saveFile = std::make_unique<QFile>(path);
    ASSERT_TRUE(t.run.saveFile->open(QIODevice::ReadWrite | QIODevice::Unbuffered));
    t.run.headerLength = std::uint32_t(header.size());
    t.run.packetSize = parts.packetSize;
    t.run.filePacketCount = kLivePacketCount;

    const std::uint32_t clock = 5000000;  // ms on the broadcast clock
    QByteArray stream = asf::Le32(0) + '\x02' + '\0' + asf::Le16(std::uint16_t(8 + header.size())) + header;
    for (std::size_t i = 0; i < parts.packets.size(); ++i) {
        QByteArray live = parts.packets[i];
        ASSERT_TRUE(RebaseTimecodes(live, 0u - clock, t.shell));  // adds the clock
        stream += asf::Le32(std::uint32_t(90000 + i)) + '\x04' + '\0' +
                  asf::Le16(std::uint16_t(8 + live.size())) + live;
    }
    t.run.receiveBuffer.append(stream);
    const auto stop = [&] { return t.run.stopFlag.load(); };
    ASSERT_TRUE(ReceiveHeader(t.ctx, {t.run.receiveBuffer, ReceiveBuffer::Lane::Stream}, stop));
    MediaPacketWriter writer(t.ctx);
    for (std::size_t i = 0; i < parts.packets.size(); ++i)
        ASSERT_EQ(writer.takeFront(stop), MediaPacketWriter::Result::Stored);
    const double recorded = t.run.mediaTime / 1000.0;
    ASSERT_GT(recorded, 4.0);
    EXPECT_FALSE(test::Probe(path).value(u"streams").toArray().at(0).toObject().contains(u"duration"))
        << "a broadcast header names no duration";

    ASSERT_EQ(FixLiveHeader(t.ctx), LiveHeaderFix::Fixed);
    EXPECT_EQ(LE64At(test::ReadWholeFile(path), fp + 56), parts.packets.size());
    const QJsonObject probe = test::Probe(path);
    ASSERT_FALSE(probe.isEmpty());
    for (const QJsonValue s : probe.value(u"streams").toArray())
        EXPECT_NEAR(s.toObject().value(u"duration").toString().toDouble(), recorded, 0.0015);
    const QList<double> times = test::PacketTimesAfterSeek(path, 4.0);
    ASSERT_FALSE(times.isEmpty());
    EXPECT_GT(times.first(), 2.5) << "ffprobe seeks into the recording";
}
