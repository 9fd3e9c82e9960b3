#include "asf/header_store.h"
#include "asf/asf_objects.h"
#include "asf/header_fixup.h"
#include "asf_builder.h"
#include "support/asf_sample.h"
#include "support/temp_settings.h"

#include <QFile>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace tovrin;
using tovrin::test::TestContext;
namespace asf = tovrin::test::asf;

namespace {

QByteArray Prefixed(std::uint32_t sequence, std::uint8_t type, const QByteArray& payload)
{
    return asf::Le32(sequence) + char(type) + '\0' + asf::Le16(std::uint16_t(8 + payload.size())) + payload;
}
QByteArray HeaderPacket(const QByteArray& payload)
{
    return Prefixed(0, 2, payload);
}
QByteArray MediaPacket(std::uint32_t sequence, const QByteArray& payload)
{
    return Prefixed(sequence, 4, payload);
}

// A data packet whose send time sits at offset 6 (length type flags 0x08).
QByteArray DataPacket(qsizetype size, std::uint32_t sendTime, char fill = 'd')
{
    QByteArray p(size, fill);
    p.replace(0, 6, QByteArray("\x82\x00\x00\x08\x5D\x00", 6));
    PutLE(p, 6, sendTime, 4);
    return p;
}

// A run with a fresh save file in the test folder and the given sizes.
class StorageRun {
public:
    explicit StorageRun(std::uint32_t headerLength = 64, std::uint32_t packetSize = 32)
    {
        t.run.headerLength = headerLength;
        t.run.packetSize = packetSize;
        t.run.savePath = t.dir.filePath(QStringLiteral("save.asf"));
        t.run.saveFile = std::make_unique<QFile>(t.run.savePath);
        EXPECT_TRUE(t.run.saveFile->open(QIODevice::ReadWrite | QIODevice::Unbuffered));
    }
    QByteArray contents() const { return test::ReadWholeFile(t.run.savePath); }
    StopRequested stop()
    {
        return [this] { return t.run.stopFlag.load(); };
    }
    ReceiveLane stream() { return {t.run.receiveBuffer, ReceiveBuffer::Lane::Stream}; }

    TestContext t;
    RunState& run = t.run;
};

// Strips the trailing zero bytes a server leaves out of a data packet.
QByteArray WithoutPadding(QByteArray packet)
{
    while (packet.endsWith('\0')) packet.chop(1);
    return packet;
}

}  // namespace

TEST(HeaderAndPacketStorage, ReproducesARealFileFromPacketsThatArriveInPieces)
{
    const test::AsfParts parts = test::ReadAsf(test::SamplePath(test::Sample::Wmv));
    ASSERT_GT(parts.packets.size(), 10u);
    StorageRun r(std::uint32_t(parts.header.size()), parts.packetSize);

    // The header comes in three header packets, the packets as a server sends
    // them, without their padding; everything trickles in from another thread.
    const qsizetype third = parts.header.size() / 3;
    QByteArray stream = HeaderPacket(parts.header.first(third)) +
                        HeaderPacket(parts.header.mid(third, third)) +
                        HeaderPacket(parts.header.mid(2 * third));
    int padded = 0;
    for (std::size_t i = 0; i < parts.packets.size(); ++i) {
        const QByteArray sent = WithoutPadding(parts.packets[i]);
        padded += sent.size() < parts.packets[i].size();
        stream += MediaPacket(std::uint32_t(5000 + i), sent);
    }
    ASSERT_GT(padded, 0) << "the sample should exercise padding";
    std::thread feeder([&] {
        for (qsizetype at = 0; at < stream.size(); at += 997) {
            r.run.receiveBuffer.append(stream.mid(at, 997));
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });

    const bool received = ReceiveHeader(r.t.ctx, r.stream(), r.stop());
    MediaPacketWriter writer(r.t.ctx);
    for (std::size_t i = 0; received && i < parts.packets.size(); ++i)
        ASSERT_EQ(writer.takeFront(r.stop()), MediaPacketWriter::Result::Stored);
    feeder.join();

    ASSERT_TRUE(received) << r.t.shell.messages.join(u'\n').toStdString();
    EXPECT_EQ(r.t.shell.log,
              (QStringList{QStringLiteral("- 接收標題..."), QStringLiteral("- 解壓縮標題資料..."),
                           QStringLiteral("- 資料已解壓縮確定，等候串流中...")}));
    EXPECT_EQ(r.run.paddingBlock, QByteArray(qsizetype(parts.packetSize), '\0'));
    QByteArray expected = parts.header;
    for (const QByteArray& p : parts.packets) expected += p;
    EXPECT_TRUE(r.contents() == expected) << "the save file differs from the header and data area";
    EXPECT_EQ(r.run.packetIndex, parts.packets.size() - 1);
    EXPECT_TRUE(r.run.mediaPacketStored);
    EXPECT_EQ(r.run.receiveBuffer.size(), 0u);
}

TEST(HeaderAndPacketStorage, PacketsArePaddedOrCutToThePacketSize)
{
    StorageRun r(8, 16);
    r.run.paddingBlock = QByteArray(16, '\0');
    QByteArray exact(16, 'e'), shorter(15, 's'), longer(17, 'l');

    r.run.packetIndex = 0;
    EXPECT_TRUE(WriteDataPacket(r.run, r.t.shell, exact));
    r.run.packetIndex = 1;
    EXPECT_TRUE(WriteDataPacket(r.run, r.t.shell, shorter));
    EXPECT_TRUE(r.t.shell.log.isEmpty());
    r.run.packetIndex = 2;
    EXPECT_TRUE(WriteDataPacket(r.run, r.t.shell, longer));
    EXPECT_EQ(r.t.shell.log, QStringList{QStringLiteral("警告，封包長度必須是剪下的大小")});

    EXPECT_EQ(r.contents(),
              QByteArray(8, '\0') + QByteArray(16, 'e') + QByteArray(15, 's') + '\0' + QByteArray(16, 'l'));
    EXPECT_EQ(shorter.size(), 16);
    EXPECT_EQ(longer.size(), 16);

    // Without a padding block yet the packet is still padded with zeros.
    r.run.paddingBlock.clear();
    QByteArray tiny("t");
    r.run.packetIndex = 3;
    EXPECT_TRUE(WriteDataPacket(r.run, r.t.shell, tiny));
    EXPECT_EQ(r.contents().mid(8 + 48), QByteArray("t") + QByteArray(15, '\0'));
}

TEST(HeaderAndPacketStorage, SlotsFollowTheSequenceNumbers)
{
    StorageRun r(100, 10);
    MediaPacketWriter writer(r.t.ctx);
    writer.handle(77, QByteArray(10, 'a'));
    EXPECT_EQ(r.run.packetIndex, 0u);
    writer.handle(82, QByteArray(10, 'f'));
    EXPECT_EQ(r.run.packetIndex, 5u);
    writer.handle(79, QByteArray(10, 'c'));  // late packets land in their own slot
    const QByteArray file = r.contents();
    ASSERT_EQ(file.size(), 100 + 6 * 10);
    EXPECT_EQ(file.mid(100, 10), QByteArray(10, 'a'));
    EXPECT_EQ(file.mid(120, 10), QByteArray(10, 'c'));
    EXPECT_EQ(file.mid(110, 10), QByteArray(10, '\0')) << "a slot whose packet never came stays unwritten";
    EXPECT_EQ(file.mid(150, 10), QByteArray(10, 'f'));

    // A resumed run uses the absolute sequence numbers.
    StorageRun resumed(100, 10);
    resumed.run.resume = true;
    MediaPacketWriter again(resumed.t.ctx);
    again.handle(120, QByteArray(10, 'r'));
    EXPECT_EQ(resumed.run.packetIndex, 120u);
    EXPECT_EQ(resumed.contents().mid(100 + 1200), QByteArray(10, 'r'));
}

TEST(HeaderAndPacketStorage, MediaTimeFollowsTheSendTimesOfReadablePackets)
{
    StorageRun r(0, 40);
    MediaPacketWriter writer(r.t.ctx);
    writer.handle(1, DataPacket(40, 70000));
    EXPECT_EQ(r.run.mediaTime, 0u);
    writer.handle(2, DataPacket(40, 72500));
    EXPECT_EQ(r.run.mediaTime, 2500u);

    QByteArray unreadable = DataPacket(40, 99999);
    unreadable[3] = 0x04;
    writer.handle(3, unreadable);
    EXPECT_EQ(r.run.mediaTime, 2500u);
    EXPECT_EQ(r.t.shell.log, QStringList{QStringLiteral("Missing timecode, bad format, continuing...")});
    EXPECT_EQ(r.contents().mid(80), unreadable) << "the packet is still written";

    // Resumed: the send times are taken as they are.
    StorageRun resumed(0, 40);
    resumed.run.resume = true;
    MediaPacketWriter again(resumed.t.ctx);
    again.handle(1, DataPacket(40, 70000));
    EXPECT_EQ(resumed.run.mediaTime, 70000u);
}

TEST(HeaderAndPacketStorage, AResumedRunConsumesTheHeaderAndKeepsTheStoredOne)
{
    StorageRun r(40, 16);
    r.run.saveFile->write(QByteArray(40, 'H'));
    r.run.resume = true;
    r.run.receiveBuffer.append(HeaderPacket(QByteArray(30, 'n')) + HeaderPacket(QByteArray(10, 'n')) +
                               MediaPacket(1, "next"));
    EXPECT_TRUE(StoreHeader(r.t.ctx, r.stream(), r.stop()));
    EXPECT_EQ(r.t.shell.log, QStringList{QStringLiteral("- 沒有儲存 ASF 標題 - 重新開始")});
    EXPECT_EQ(r.contents(), QByteArray(40, 'H'));
    EXPECT_EQ(r.run.receiveBuffer.peek(100), MediaPacket(1, "next"));
}

TEST(HeaderAndPacketStorage, AHeaderLongerThanAnnouncedIsWrittenWholeAndDataStartsAtTheLength)
{
    StorageRun r(20, 8);
    r.run.receiveBuffer.append(HeaderPacket(QByteArray(12, 'a')) + HeaderPacket(QByteArray(12, 'b')));
    ASSERT_TRUE(StoreHeader(r.t.ctx, r.stream(), r.stop()));
    EXPECT_EQ(r.contents(), QByteArray(12, 'a') + QByteArray(12, 'b'));
    MediaPacketWriter(r.t.ctx).handle(0, QByteArray(8, 'p'));
    EXPECT_EQ(r.contents(), QByteArray(12, 'a') + QByteArray(8, 'b') + QByteArray(8, 'p'));

    // Header packets may come as datagrams; the stream lane is left alone.
    StorageRun udp(20, 8);
    udp.run.receiveBuffer.append(ReceiveBuffer::Lane::Datagrams, HeaderPacket(QByteArray(12, 'a')));
    udp.run.receiveBuffer.append(ReceiveBuffer::Lane::Datagrams, HeaderPacket(QByteArray(12, 'b')));
    udp.run.receiveBuffer.append(ReceiveBuffer::Lane::Stream, QByteArray("command"));
    ASSERT_TRUE(StoreHeader(udp.t.ctx, {udp.run.receiveBuffer, ReceiveBuffer::Lane::Datagrams}, udp.stop()));
    EXPECT_EQ(udp.contents(), QByteArray(12, 'a') + QByteArray(12, 'b'));
    EXPECT_EQ(udp.run.receiveBuffer.peek(100), QByteArray("command"));
}

TEST(HeaderAndPacketStorage, RefusesSizesNoStreamHasWithoutAllocatingThem)
{
    for (auto [headerLength, packetSize] :
         {std::pair{kMaxHeaderLength + 1, 100u}, std::pair{0xFFFFFFFFu, 100u}, std::pair{100u, 0u},
          std::pair{100u, kMaxPacketSize + 1}}) {
        StorageRun r(headerLength, packetSize);
        const QByteArray waiting = HeaderPacket(QByteArray(100, 'h'));
        r.run.receiveBuffer.append(waiting);
        EXPECT_FALSE(ReceiveHeader(r.t.ctx, r.stream(), r.stop()));
        EXPECT_EQ(r.t.shell.log, (QStringList{QStringLiteral("- 接收標題..."),
                                              QStringLiteral("- ASF header receive error")}));
        EXPECT_EQ(r.run.receiveBuffer.peek(200), waiting);
        EXPECT_TRUE(r.run.paddingBlock.isEmpty());
    }
}

TEST(HeaderAndPacketStorage, APrefixShorterThanItselfNeverStallsTheBuffer)
{
    StorageRun r(100, 16);
    r.run.receiveBuffer.append(Prefixed(0, 2, {}).replace(6, 2, asf::Le16(0)));
    EXPECT_FALSE(StoreHeader(r.t.ctx, r.stream(), r.stop()));

    StorageRun m(0, 16);
    m.run.receiveBuffer.append(Prefixed(9, 4, {}).replace(6, 2, asf::Le16(3)) + MediaPacket(10, "abc"));
    MediaPacketWriter writer(m.t.ctx);
    EXPECT_EQ(writer.takeFront(m.stop()), MediaPacketWriter::Result::BadLength);
    EXPECT_EQ(m.t.shell.log.size(), 1);
    EXPECT_EQ(writer.takeFront(m.stop()), MediaPacketWriter::Result::Stored);
    EXPECT_EQ(m.contents(), QByteArray("abc") + QByteArray(13, '\0'));
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
    EXPECT_FALSE(ReceiveHeader(r.t.ctx, r.stream(), r.stop()));
    stopper.join();
    EXPECT_EQ(r.t.shell.log, QStringList{QStringLiteral("- 接收標題...")});
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
    EXPECT_FALSE(ReceiveHeader(r.t.ctx, r.stream(), r.stop()));
    EXPECT_EQ(r.t.shell.messages, QStringList{QStringLiteral("不能夠存取本地檔案來寫入標題")});
    EXPECT_EQ(r.t.shell.log.last(), QStringLiteral("- ASF header receive error"));

    // Data packets: the first failure of a run is logged, not every one.
    r.t.shell.log.clear();
    MediaPacketWriter writer(r.t.ctx);
    writer.handle(1, QByteArray(8, 'a'));
    writer.handle(2, QByteArray(8, 'b'));
    EXPECT_EQ(r.t.shell.log.filter(QStringLiteral("- Save file write error: ")).size(), 1);

    // Packets still handled after the stop routine closed the file are not errors.
    StorageRun stopped(16, 8);
    stopped.run.saveFile->close();
    MediaPacketWriter(stopped.t.ctx).handle(1, QByteArray(8, 'a'));
    EXPECT_TRUE(stopped.t.shell.log.filter(QStringLiteral("- Save file write error: ")).isEmpty());
}

TEST(HeaderAndPacketStorage, ASlotBeyondFourGibLandsAtItsFullOffset)
{
    const std::uint32_t packetSize = 8192;
    const QByteArray header = asf::Header({asf::FilePropertiesObject({})}, 0, 400);
    StorageRun r(std::uint32_t(header.size()), packetSize);
    r.run.receiveBuffer.append(HeaderPacket(header));
    ASSERT_TRUE(StoreHeader(r.t.ctx, r.stream(), r.stop()));

    r.run.resume = true;  // absolute slot numbers
    const std::uint32_t index = 600000;
    const qint64 offset = qint64(index) * packetSize + header.size();
    ASSERT_GT(offset, qint64(1) << 32);
    MediaPacketWriter(r.t.ctx).handle(index, QByteArray(packetSize, 'z'));

    QFile file(r.run.savePath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.size(), offset + packetSize);
    ASSERT_TRUE(file.seek(offset));
    EXPECT_EQ(file.read(packetSize), QByteArray(packetSize, 'z'));
    ASSERT_TRUE(file.seek(offset - (qint64(1) << 32)));
    EXPECT_EQ(file.read(packetSize), QByteArray(packetSize, '\0')) << "nothing lands at the wrapped offset";
    ASSERT_TRUE(file.seek(0));
    EXPECT_EQ(file.read(header.size()), header) << "the header is intact";

    // The fix-ups write the 64-bit size and count.
    r.run.resume = false;
    r.run.filePacketCount = kLivePacketCount;
    ASSERT_TRUE(FixLiveHeader(r.t.ctx));
    ASSERT_TRUE(file.seek(0));
    const QByteArray stored = file.read(header.size());
    const qsizetype fp = stored.indexOf(asf::kFilePropertiesGuid);
    const qsizetype data = stored.indexOf(asf::kDataGuid);
    EXPECT_EQ(LE64At(stored, fp + 40), std::uint64_t(offset + packetSize));
    EXPECT_EQ(LE64At(stored, fp + 56), index + 1u);
    EXPECT_EQ(LE64At(stored, data + 16), std::uint64_t(offset + packetSize - data));
    EXPECT_EQ(LE64At(stored, data + 40), index + 1u);
}
