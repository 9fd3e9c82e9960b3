#include "mms/data_packet_receiver.h"

#include "asf/byte_helpers.h"
#include "asf/header_and_packet_storage.h"
#include "support/asf_builder.h"
#include "support/storage_run.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace tovrin;
using tovrin::test::StorageRun;
using Lane = ReceiveBuffer::Lane;

namespace {

QByteArray HeaderPacket(const QByteArray& payload)
{
    return test::DataPacket(0, 2, payload);
}
QByteArray MediaPacket(std::uint32_t sequence, const QByteArray& payload)
{
    return test::DataPacket(sequence, 4, payload);
}
// An empty data packet whose prefix claims `length` bytes.
QByteArray ClaimedLength(std::uint8_t type, std::uint16_t length)
{
    return test::DataPacket(9, type, {}).replace(6, 2, EncodeLE16(length));
}

// The lane a run's header or media packets are taken from.
struct LaneRun : StorageRun {
    using StorageRun::StorageRun;
    StopRequested stop()
    {
        return [this] { return run.stopFlag.load(); };
    }
    ReceiveLane lane(Lane which = Lane::Stream) { return {buffer, which}; }
    ReceiveBuffer buffer;
};

}  // namespace

TEST(DataPacketReceiver, AHeaderInPiecesIsCollectedStoredAndFollowedByItsMediaPacket)
{
    const test::AsfParts sample = test::ReadAsf(test::SamplePath(test::Sample::Wma));
    LaneRun r(std::uint32_t(sample.header.size()), sample.packetSize);
    r.buffer.append(HeaderPacket(sample.header.first(100)) + HeaderPacket(sample.header.sliced(100))
                    + MediaPacket(7, "short"));
    ASSERT_TRUE(ReceiveHeader(r.t.ctx, r.file, r.lane(), r.stop())) << r.t.shell.messages.join(u'\n').toStdString();
    EXPECT_EQ(r.log.first(), QStringLiteral("- 接收標題..."));
    EXPECT_EQ(r.log.last(), QStringLiteral("- 資料已解壓縮確定，等候串流中..."));
    MediaPacketWriter writer(r.run, r.file);
    EXPECT_EQ(TakeMediaPacket(r.t.ctx, r.lane(), writer, r.stop()), MediaTake::Stored);
    EXPECT_EQ(r.contents(), sample.header + "short" + QByteArray(qsizetype(sample.packetSize) - 5, '\0'));

    // A resumed run consumes the header packets, here datagrams, and leaves
    // the stream lane alone.
    LaneRun resumed(40, 16);
    resumed.run.resume = true;
    resumed.buffer.append(Lane::Datagrams, HeaderPacket(QByteArray(30, 'n')));
    resumed.buffer.append(Lane::Datagrams, HeaderPacket(QByteArray(10, 'n')));
    resumed.buffer.append(Lane::Stream, "command");
    ReceiveHeader(resumed.t.ctx, resumed.file, resumed.lane(Lane::Datagrams), resumed.stop());
    EXPECT_EQ(resumed.buffer.size(Lane::Datagrams), 0u);
    EXPECT_EQ(resumed.buffer.peek(100), QByteArray("command"));
}

TEST(DataPacketReceiver, RefusedFiguresAndShortPrefixesEndInAnErrorNotAnAllocationOrAStall)
{
    LaneRun refused(100, 0);
    refused.buffer.append(HeaderPacket(QByteArray(100, 'h')));
    EXPECT_FALSE(ReceiveHeader(refused.t.ctx, refused.file, refused.lane(), refused.stop()));
    EXPECT_EQ(refused.log,
              (QStringList{QStringLiteral("- 接收標題..."), QStringLiteral("- ASF header receive error")}));
    EXPECT_EQ(refused.buffer.size(), 108u) << "nothing consumed";

    // A prefix length below the prefix's own 8 bytes would never move the
    // buffer on.
    LaneRun r(100, 16);
    r.buffer.append(ClaimedLength(2, 0));
    EXPECT_FALSE(ReceiveHeader(r.t.ctx, r.file, r.lane(), r.stop()));
    EXPECT_EQ(r.log.last(), QStringLiteral("- ASF header receive error"));
    r.buffer.clear();
    r.buffer.append(ClaimedLength(4, 3) + MediaPacket(10, "abc"));
    MediaPacketWriter writer(r.run, r.file);
    EXPECT_EQ(TakeMediaPacket(r.t.ctx, r.lane(), writer, r.stop()), MediaTake::BadLength);
    EXPECT_EQ(TakeMediaPacket(r.t.ctx, r.lane(), writer, r.stop()), MediaTake::Stored);
    EXPECT_EQ(r.contents().mid(100), QByteArray("abc") + QByteArray(13, '\0'));
}

TEST(DataPacketReceiver, StopEndsEveryWaitWithoutALoggedError)
{
    LaneRun r(1000, 16);
    r.buffer.append(HeaderPacket(QByteArray(100, 'h')) + QByteArray(5, 'x'));
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        r.run.stopFlag = true;
        r.buffer.wake();
    });
    EXPECT_FALSE(ReceiveHeader(r.t.ctx, r.file, r.lane(), r.stop()));
    stopper.join();
    EXPECT_EQ(r.log, QStringList{QStringLiteral("- 接收標題...")});
    EXPECT_EQ(r.contents(), QByteArray()) << "an incomplete header is not written";

    r.buffer.clear();
    r.buffer.append(MediaPacket(1, QByteArray(10, 'm')).chopped(1));
    MediaPacketWriter writer(r.run, r.file);
    EXPECT_EQ(TakeMediaPacket(r.t.ctx, r.lane(), writer, r.stop()), MediaTake::Stopped);
    EXPECT_FALSE(r.run.mediaPacketStored);
}
