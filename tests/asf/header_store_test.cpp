#include "asf/header_store.h"
#include "asf/asf_objects.h"
#include "asf/slot_writer.h"
#include "support/asf_builder.h"
#include "support/asf_sample.h"
#include "support/temp_settings.h"

#include <QFile>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace tovrin;
using tovrin::test::TestContext;
namespace asf = tovrin::test::asf;
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

// A data packet whose send time sits at offset 6 (length type flags 0x08).
QByteArray TimedPacket(qsizetype size, std::uint32_t sendTime)
{
    QByteArray p = QByteArray("\x82\x00\x00\x08\x5D\x00", 6) + asf::Le32(sendTime);
    return p + QByteArray(size - p.size(), 'd');
}

// A run writing a fresh save file in the test folder.
struct StorageRun {
    explicit StorageRun(std::uint32_t headerLength, std::uint32_t packetSize)
    {
        run.headerLength = headerLength;
        run.packetSize = packetSize;
        run.savePath = t.dir.filePath(QStringLiteral("save.asf"));
        run.saveFile = std::make_unique<QFile>(run.savePath);
        EXPECT_TRUE(run.saveFile->open(QIODevice::ReadWrite | QIODevice::Unbuffered));
    }
    // Writes out the packets still batched for the file.
    void flush()
    {
        std::lock_guard lock(run.saveFileLock);
        FlushSlots(run);
    }
    // The file as it stands with everything stored written out.
    QByteArray contents()
    {
        flush();
        return test::ReadWholeFile(run.savePath);
    }
    StopRequested stop()
    {
        return [this] { return run.stopFlag.load(); };
    }
    ReceiveLane lane(Lane which = Lane::Stream) { return {run.receiveBuffer, which}; }

    TestContext t;
    RunState& run = t.run;
    QStringList& log = t.shell.log;
};

}  // namespace

TEST(HeaderAndPacketStorage, AHeaderInPiecesIsStoredInspectedAndSetsThePadding)
{
    asf::FileProperties props;
    props.packetSize = 16;
    const QByteArray header =
        asf::Header({asf::FilePropertiesObject(props), asf::StreamPropertiesObject(1)}, 0, 300);
    StorageRun r(std::uint32_t(header.size()), 16);
    r.run.receiveBuffer.append(HeaderPacket(header.first(100)) + HeaderPacket(header.sliced(100)) +
                               MediaPacket(7, "short"));
    ASSERT_TRUE(ReceiveHeader(r.t.ctx, r.lane(), r.stop())) << r.t.shell.messages.join(u'\n').toStdString();
    EXPECT_EQ(r.log, (QStringList{QStringLiteral("- 接收標題..."), QStringLiteral("- 解壓縮標題資料..."),
                                  QStringLiteral("- 資料已解壓縮確定，等候串流中...")}));
    EXPECT_EQ(MediaPacketWriter(r.t.ctx).takeFront(r.stop()), MediaPacketWriter::Result::Stored);
    EXPECT_EQ(r.contents(), header + "short" + QByteArray(11, '\0'));
    EXPECT_TRUE(r.run.mediaPacketStored);
}

TEST(HeaderAndPacketStorage, EachPacketFillsTheSlotOfItsSequenceNumber)
{
    StorageRun r(100, 10);
    MediaPacketWriter writer(r.t.ctx);
    writer.handle(77, QByteArray(10, 'a'));
    writer.handle(82, QByteArray(9, 'f'));   // padded
    writer.handle(79, QByteArray(11, 'c'));  // cut; a late packet lands in its own slot
    EXPECT_EQ(r.log.filter(QStringLiteral("警告，封包長度必須是剪下的大小")).size(), 1);
    EXPECT_EQ(r.run.packetIndex, 2u);
    EXPECT_EQ(r.contents(), QByteArray(100, '\0') + QByteArray(10, 'a') + QByteArray(10, '\0') +
                                QByteArray(10, 'c') + QByteArray(20, '\0') + QByteArray(9, 'f') + '\0');

    // A packet from before the first one has no slot; it must not wrap to one terabytes away.
    const qint64 before = r.contents().size();
    writer.handle(70, QByteArray(10, 'x'));
    writer.handle(76, QByteArray(10, 'y'));
    EXPECT_EQ(r.contents().size(), before);
    EXPECT_EQ(r.log.filter(QStringLiteral("- Media packet from before the recording started, dropped")).size(), 1);
    EXPECT_EQ(r.run.packetIndex, 2u);
}

TEST(HeaderAndPacketStorage, MediaTimeFollowsTheSendTimesOfReadablePackets)
{
    StorageRun r(0, 40);
    MediaPacketWriter writer(r.t.ctx);
    writer.handle(1, TimedPacket(40, 70000));
    writer.handle(2, TimedPacket(40, 72500));
    EXPECT_EQ(r.run.mediaTime, 2500u);
    QByteArray unreadable = TimedPacket(40, 99999);
    unreadable[3] = 0x04;
    writer.handle(3, unreadable);
    EXPECT_EQ(r.run.mediaTime, 2500u);
    EXPECT_EQ(r.log, QStringList{QStringLiteral("Missing timecode, bad format, continuing...")});
    EXPECT_EQ(r.contents().mid(80), unreadable) << "the packet is still written";

    StorageRun resumed(0, 40);
    resumed.run.resume = true;
    MediaPacketWriter(resumed.t.ctx).handle(1, TimedPacket(40, 70000));
    EXPECT_EQ(resumed.run.mediaTime, 70000u);
}

TEST(HeaderAndPacketStorage, WhatIsStoredOfTheHeader)
{
    // Longer than announced: written whole; the first slot still starts at
    // the header length.
    StorageRun r(20, 8);
    r.run.receiveBuffer.append(HeaderPacket(QByteArray(12, 'a')) + HeaderPacket(QByteArray(12, 'b')));
    ASSERT_TRUE(StoreHeader(r.t.ctx, r.lane(), r.stop()));
    EXPECT_EQ(r.contents(), QByteArray(12, 'a') + QByteArray(12, 'b'));
    MediaPacketWriter(r.t.ctx).handle(0, QByteArray(8, 'p'));
    EXPECT_EQ(r.contents(), QByteArray(12, 'a') + QByteArray(8, 'b') + QByteArray(8, 'p'));

    // Resumed: the header packets are consumed and the stored header kept;
    // here they come as datagrams, leaving the stream lane alone.
    StorageRun resumed(40, 16);
    resumed.run.saveFile->write(QByteArray(40, 'H'));
    resumed.run.resume = true;
    resumed.run.receiveBuffer.append(Lane::Datagrams, HeaderPacket(QByteArray(30, 'n')));
    resumed.run.receiveBuffer.append(Lane::Datagrams, HeaderPacket(QByteArray(10, 'n')));
    resumed.run.receiveBuffer.append(Lane::Stream, "command");
    EXPECT_TRUE(StoreHeader(resumed.t.ctx, resumed.lane(Lane::Datagrams), resumed.stop()));
    EXPECT_EQ(resumed.log, QStringList{QStringLiteral("- 沒有儲存 ASF 標題 - 重新開始")});
    EXPECT_EQ(resumed.contents(), QByteArray(40, 'H'));
    EXPECT_EQ(resumed.run.receiveBuffer.size(Lane::Datagrams), 0u);
    EXPECT_EQ(resumed.run.receiveBuffer.peek(100), QByteArray("command"));
}

TEST(HeaderAndPacketStorage, HostileSizesAndLengthsEndInAnErrorNotAnAllocationOrAStall)
{
    for (auto [headerLength, packetSize] :
         {std::pair{kMaxHeaderLength + 1, 100u}, std::pair{0xFFFFFFFFu, 100u}, std::pair{100u, 0u},
          std::pair{100u, kMaxPacketSize + 1}}) {
        StorageRun r(headerLength, packetSize);
        r.run.receiveBuffer.append(HeaderPacket(QByteArray(100, 'h')));
        EXPECT_FALSE(ReceiveHeader(r.t.ctx, r.lane(), r.stop()));
        EXPECT_EQ(r.log, (QStringList{QStringLiteral("- 接收標題..."),
                                      QStringLiteral("- ASF header receive error")}));
        EXPECT_EQ(r.run.receiveBuffer.size(), 108u) << "nothing consumed";
    }

    // A prefix length below the prefix's own 8 bytes would never move the
    // buffer on.
    StorageRun r(100, 16);
    r.run.receiveBuffer.append(test::DataPacket(0, 2, {}).replace(6, 2, asf::Le16(0)));
    EXPECT_FALSE(StoreHeader(r.t.ctx, r.lane(), r.stop()));
    r.run.receiveBuffer.clear();
    r.run.receiveBuffer.append(test::DataPacket(9, 4, {}).replace(6, 2, asf::Le16(3)) + MediaPacket(10, "abc"));
    MediaPacketWriter writer(r.t.ctx);
    EXPECT_EQ(writer.takeFront(r.stop()), MediaPacketWriter::Result::BadLength);
    EXPECT_EQ(writer.takeFront(r.stop()), MediaPacketWriter::Result::Stored);
    EXPECT_EQ(r.contents().mid(100), QByteArray("abc") + QByteArray(13, '\0'));
}

TEST(HeaderAndPacketStorage, StopEndsEveryWaitWithoutALoggedError)
{
    StorageRun r(1000, 16);
    r.run.receiveBuffer.append(HeaderPacket(QByteArray(100, 'h')) + QByteArray(5, 'x'));
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        r.run.stopFlag = true;
        r.run.receiveBuffer.wake();
    });
    EXPECT_FALSE(ReceiveHeader(r.t.ctx, r.lane(), r.stop()));
    stopper.join();
    EXPECT_EQ(r.log, QStringList{QStringLiteral("- 接收標題...")});
    EXPECT_EQ(r.contents(), QByteArray()) << "an incomplete header is not written";

    r.run.receiveBuffer.clear();
    r.run.receiveBuffer.append(MediaPacket(1, QByteArray(10, 'm')).chopped(1));
    EXPECT_EQ(MediaPacketWriter(r.t.ctx).takeFront(r.stop()), MediaPacketWriter::Result::Stopped);
    EXPECT_FALSE(r.run.mediaPacketStored);
}

TEST(HeaderAndPacketStorage, WriteFailuresAreReported)
{
    StorageRun r(16, 8);
    r.run.saveFile->close();
    ASSERT_TRUE(r.run.saveFile->open(QIODevice::ReadOnly));
    r.run.receiveBuffer.append(HeaderPacket(QByteArray(16, 'h')));
    EXPECT_FALSE(ReceiveHeader(r.t.ctx, r.lane(), r.stop()));
    EXPECT_EQ(r.t.shell.messages, QStringList{QStringLiteral("不能夠存取本地檔案來寫入標題")});
    EXPECT_EQ(r.log.last(), QStringLiteral("- ASF header receive error"));

    // Data packets: once per run, and not after the stop routine closed the file.
    // Consecutive slots are written together, so the failure shows when they are.
    MediaPacketWriter writer(r.t.ctx);
    writer.handle(1, QByteArray(8, 'a'));
    writer.handle(2, QByteArray(8, 'b'));
    writer.flush();
    writer.handle(9, QByteArray(8, 'c'));
    writer.flush();
    EXPECT_EQ(r.log.filter(QStringLiteral("- Save file write error: ")).size(), 1);
    StorageRun stopped(16, 8);
    stopped.run.saveFile->close();
    MediaPacketWriter stoppedWriter(stopped.t.ctx);
    stoppedWriter.handle(1, QByteArray(8, 'a'));
    stoppedWriter.flush();
    EXPECT_TRUE(stopped.log.filter(QStringLiteral("- Save file write error: ")).isEmpty());
}

TEST(HeaderAndPacketStorage, ASlotBeyondFourGibLandsAtItsFullOffset)
{
    const std::uint32_t packetSize = 8192;
    const QByteArray header = asf::Header({asf::FilePropertiesObject({})}, 0, 400);
    StorageRun r(std::uint32_t(header.size()), packetSize);
    r.run.receiveBuffer.append(HeaderPacket(header));
    ASSERT_TRUE(StoreHeader(r.t.ctx, r.lane(), r.stop()));

    r.run.resume = true;  // absolute slot numbers
    const std::uint32_t index = 600000;
    const qint64 offset = qint64(index) * packetSize + header.size();
    MediaPacketWriter(r.t.ctx).handle(index, QByteArray(packetSize, 'z'));
    r.flush();

    QFile file(r.run.savePath);  // sparse: only the header and the slot use the disk
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.size(), offset + packetSize);
    ASSERT_TRUE(file.seek(offset));
    EXPECT_EQ(file.read(packetSize), QByteArray(packetSize, 'z'));
    ASSERT_TRUE(file.seek(offset - (qint64(1) << 32)));
    EXPECT_EQ(file.read(packetSize), QByteArray(packetSize, '\0')) << "nothing at the 32-bit offset";
    ASSERT_TRUE(file.seek(0));
    EXPECT_EQ(file.read(header.size()), header);
}
