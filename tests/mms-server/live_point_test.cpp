#include "mms-server/live_point.h"

#include "asf/byte_helpers.h"
#include "mms-server/asf_data_packet.h"
#include "support/asf_sample.h"

#include <gtest/gtest.h>

#include <memory>

namespace tovrin::mmsserver {
namespace {

// A live point on the Wma sample whose broadcast clock the test sets.
struct ManualLive {
    std::shared_ptr<std::int64_t> now = std::make_shared<std::int64_t>(0);
    std::shared_ptr<LivePoint> point;
    test::AsfParts parts = test::ReadAsf(test::SamplePath(test::Sample::Wma));

    ManualLive()
    {
        QString error;
        auto clock = now;
        point = LivePoint::create(QStringLiteral("radio"), test::SamplePath(test::Sample::Wma), &error,
                                  [clock] { return *clock; });
        EXPECT_TRUE(point) << error.toStdString();
    }
};

std::uint32_t sendTimeOf(const QByteArray& packet)
{
    return ParseDataPacketTimes(packet).value().sendTime;
}

TEST(LivePoint, LoopsKeepCountingLocationsAndMoveTimesToTheBroadcastClock)
{
    ManualLive live;
    ASSERT_TRUE(live.point);
    const auto count = std::uint32_t(live.parts.packets.size());
    const auto loop = std::uint32_t(live.point->loopMs());
    EXPECT_GE(loop, 5900u);  // the sample plays 6 s

    LiveSource source(live.point, LiveStyle::AllOnesCount);
    auto cursor = source.play({});
    std::int64_t lastDue = -1;
    for (std::uint32_t n = 0; n < 2 * count + 3; ++n) {
        const auto packet = cursor->next();
        ASSERT_TRUE(packet);
        EXPECT_EQ(packet->locationId, n);
        const std::uint32_t k = n / count;
        const QByteArray& original = live.parts.packets[n % count];
        EXPECT_EQ(sendTimeOf(packet->bytes), sendTimeOf(original) + k * loop) << n;
        const auto shifted = ParseDataPacketTimes(packet->bytes).value();
        const auto plain = ParseDataPacketTimes(original).value();
        EXPECT_FALSE(plain.presentationTimeOffsets.empty());
        for (size_t p = 0; p < plain.presentationTimeOffsets.size(); ++p)
            EXPECT_EQ(LE32At(packet->bytes, shifted.presentationTimeOffsets[p]),
                      LE32At(original, plain.presentationTimeOffsets[p]).value() + k * loop);
        EXPECT_GE(packet->dueMs, lastDue);  // the broadcast only moves forward
        lastDue = packet->dueMs;
    }
}

TEST(LivePoint, AClientJoiningLaterStartsWithThePacketOnAirNow)
{
    ManualLive live;
    ASSERT_TRUE(live.point);
    const auto count = live.parts.packets.size();
    const LivePoint::Position tenth{2, 10};
    *live.now = live.point->airTimeMs(tenth);
    const LivePoint::Position joined = live.point->positionAt(*live.now);
    EXPECT_EQ(joined.loop, 2u);
    EXPECT_LE(joined.index, 10u);
    EXPECT_EQ(live.point->airTimeMs(joined), *live.now);

    LiveSource source(live.point, LiveStyle::Mmsp);
    auto cursor = source.play({});
    const auto first = cursor->next();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->locationId, 2 * count + joined.index);
    EXPECT_EQ(first->dueMs, 0);
    // Later packets are due when they air, counted from the join.
    LivePoint::Position ahead = joined;
    for (int i = 0; i < 5; ++i)
        live.point->advance(ahead);
    for (int i = 0; i < 4; ++i)
        cursor->next();
    EXPECT_EQ(cursor->next()->dueMs, live.point->airTimeMs(ahead) - *live.now);
}

TEST(LivePoint, HeaderAndOpenFileFactsSayBroadcast)
{
    ManualLive live;
    ASSERT_TRUE(live.point);
    const QByteArray& header = live.point->header();
    ASSERT_EQ(header.size(), live.parts.header.size());
    const qsizetype fpo = header.indexOf(QByteArray::fromHex("A1DCAB8C47A9CF118EE400C00C205365"));
    EXPECT_EQ(LE32At(header, fpo + 88).value() & 0x03u, 0x01u);  // broadcast, not seekable
    // A broadcast describes no file: players that read the file's figures
    // stop at the end of the looped file.
    const qsizetype data = header.size() - 50;
    const std::pair<const char*, qsizetype> zeroed[] = {
        {"file size", fpo + 40},
        {"packet count", fpo + 56},
        {"play duration", fpo + 64},
        {"send duration", fpo + 72},
        {"Data Object packet count", data + 40},
    };
    for (const auto& [field, at] : zeroed)
        EXPECT_EQ(LE64At(header, at), 0u) << field;
    EXPECT_EQ(LE64At(header, data + 16), 50u) << "the Data Object holds no packets";
    EXPECT_EQ(LE32At(header, fpo + 92), live.parts.packetSize);

    const SourceFacts counted = live.point->facts(LiveStyle::AllOnesCount);
    EXPECT_EQ(counted.packetCount, 0xFFFFFFFFu);
    EXPECT_EQ(counted.attributes, attribute::kBroadcast);
    const SourceFacts mmsp = live.point->facts(LiveStyle::Mmsp);
    EXPECT_EQ(mmsp.packetCount, 0u);
    EXPECT_EQ(mmsp.attributes, attribute::kBroadcast);
    EXPECT_EQ(mmsp.packetSize, live.parts.packetSize);
}

}  // namespace
}  // namespace tovrin::mmsserver
