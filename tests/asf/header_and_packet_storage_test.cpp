#include "asf/header_and_packet_storage.h"
#include "asf/asf_objects.h"
#include "asf/header_assembler.h"
#include "support/asf_builder.h"
#include "support/storage_run.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::StorageRun;
namespace asf = tovrin::test::asf;

namespace {

// A data packet whose send time sits at offset 6 (length type flags 0x08).
QByteArray TimedPacket(qsizetype size, std::uint32_t sendTime)
{
    QByteArray p = QByteArray("\x82\x00\x00\x08\x5D\x00", 6) + asf::Le32(sendTime);
    return p + QByteArray(size - p.size(), 'd');
}

}  // namespace

TEST(HeaderAndPacketStorage, EachPacketFillsTheSlotOfItsSequenceNumber)
{
    StorageRun r(100, 10);
    MediaPacketWriter writer(r.run, r.file);
    EXPECT_FALSE(writer.handle(77, QByteArray(10, 'a')).truncated);
    EXPECT_FALSE(writer.handle(82, QByteArray(9, 'f')).truncated);  // padded
    EXPECT_TRUE(writer.handle(79, QByteArray(11, 'c')).truncated);  // cut; a late packet lands in its own slot
    EXPECT_EQ(r.run.packetIndex, 2u);
    EXPECT_EQ(r.contents(), QByteArray(100, '\0') + QByteArray(10, 'a') + QByteArray(10, '\0') + QByteArray(10, 'c')
                                + QByteArray(20, '\0') + QByteArray(9, 'f') + '\0');

    // A packet from before the first one has no slot; it must not wrap to one terabytes away.
    const qint64 before = r.contents().size();
    EXPECT_TRUE(writer.handle(70, QByteArray(10, 'x')).earlyDropped);
    EXPECT_FALSE(writer.handle(76, QByteArray(10, 'y')).earlyDropped) << "told once";
    EXPECT_EQ(r.contents().size(), before);
    EXPECT_EQ(r.run.packetIndex, 2u);
}

TEST(HeaderAndPacketStorage, MediaTimeFollowsTheSendTimesOfReadablePackets)
{
    StorageRun r(0, 40);
    MediaPacketWriter writer(r.run, r.file);
    EXPECT_FALSE(writer.handle(1, TimedPacket(40, 70000)).missingTimecode);
    writer.handle(2, TimedPacket(40, 72500));
    EXPECT_EQ(r.run.mediaTime, 2500u);
    QByteArray unreadable = TimedPacket(40, 99999);
    unreadable[3] = 0x04;
    EXPECT_TRUE(writer.handle(3, unreadable).missingTimecode);
    EXPECT_EQ(r.run.mediaTime, 2500u);
    EXPECT_EQ(r.contents().mid(80), unreadable) << "the packet is still written";

    StorageRun resumed(0, 40);
    resumed.run.resume = true;
    MediaPacketWriter(resumed.run, resumed.file).handle(1, TimedPacket(40, 70000));
    EXPECT_EQ(resumed.run.mediaTime, 70000u);

    // A live packet whose payloads cannot be followed is stored as it is, told why.
    StorageRun live(0, 40);
    live.run.filePacketCount = kLivePacketCount;
    const StoredPacket told = MediaPacketWriter(live.run, live.file).handle(1, TimedPacket(40, 70000));
    EXPECT_EQ(told.rebaseFault, (RebaseFault{RebaseFault::Kind::UnknownSegmentFlags, 0x64}));
    EXPECT_FALSE(told.missingTimecode || told.truncated);
}

TEST(HeaderAssembler, CollectsPayloadsUntilTheAnnouncedLengthAndRefusesFiguresItCannotStore)
{
    using Progress = HeaderAssembler::Progress;
    HeaderAssembler pieces(20, 8);
    EXPECT_EQ(pieces.progress(), Progress::NeedMore);
    EXPECT_EQ(pieces.add(QByteArray(12, 'a')), Progress::NeedMore);
    EXPECT_EQ(pieces.add(QByteArray(12, 'b')), Progress::Done) << "a whole last packet belongs to the header";
    EXPECT_EQ(pieces.add("late"), Progress::Done);
    EXPECT_EQ(pieces.header(), QByteArray(12, 'a') + QByteArray(12, 'b'));

    HeaderAssembler empty(0, 8);
    EXPECT_EQ(empty.progress(), Progress::NeedMore) << "a header of length 0 still takes its first packet";
    EXPECT_EQ(empty.add({}), Progress::Done);

    for (auto [headerLength, packetSize] : {std::pair{kMaxHeaderLength + 1, 100u}, std::pair{0xFFFFFFFFu, 100u},
                                            std::pair{100u, 0u}, std::pair{100u, kMaxPacketSize + 1}}) {
        HeaderAssembler refused(headerLength, packetSize);
        EXPECT_EQ(refused.add(QByteArray(100, 'h')), Progress::Refused) << headerLength << " " << packetSize;
        EXPECT_TRUE(refused.header().isEmpty());
    }
}

TEST(HeaderAndPacketStorage, AHeaderIsStoredAndSetsThePaddingAndAResumedFileKeepsItsOwn)
{
    const QByteArray header = asf::Header({asf::FilePropertiesObject({.packetSize = 16})}, 0, 300);
    StorageRun r(std::uint32_t(header.size()), 16);
    ASSERT_EQ(StoreHeaderBytes(r.run, r.file, header), HeaderStored::Written);
    EXPECT_FALSE(PrepareForMedia(r.run, r.file));
    MediaPacketWriter(r.run, r.file).handle(7, "short");
    EXPECT_EQ(r.contents(), header + "short" + QByteArray(11, '\0'));
    EXPECT_TRUE(r.run.mediaPacketStored);

    // Longer than announced: written whole; the first slot still starts at
    // the header length.
    StorageRun longer(20, 8);
    ASSERT_EQ(StoreHeaderBytes(longer.run, longer.file, QByteArray(12, 'a') + QByteArray(12, 'b')),
              HeaderStored::Written);
    MediaPacketWriter(longer.run, longer.file).handle(0, QByteArray(8, 'p'));
    EXPECT_EQ(longer.contents(), QByteArray(12, 'a') + QByteArray(8, 'b') + QByteArray(8, 'p'));

    StorageRun resumed(40, 16);
    resumed.file.writeHeader(QByteArray(40, 'H'));
    resumed.run.resume = true;
    EXPECT_EQ(StoreHeaderBytes(resumed.run, resumed.file, QByteArray(40, 'n')), HeaderStored::KeptForResume);
    EXPECT_EQ(resumed.contents(), QByteArray(40, 'H'));
}

TEST(HeaderAndPacketStorage, WriteFailuresAreReported)
{
    // A device that refuses every write.
    StorageRun r(16, 8);
    ASSERT_EQ(r.file.open(QStringLiteral("/dev/full"), true), RecordingFile::Opened::Yes);
    EXPECT_EQ(StoreHeaderBytes(r.run, r.file, QByteArray(16, 'h')), HeaderStored::WriteFailed);

    // Data packets: once per run, and not after the stop routine closed the file.
    // Consecutive slots are written together, so the failure shows when they are.
    MediaPacketWriter writer(r.run, r.file);
    EXPECT_FALSE(writer.handle(1, QByteArray(8, 'a')).writeFailure);
    EXPECT_FALSE(writer.handle(2, QByteArray(8, 'b')).writeFailure);
    EXPECT_TRUE(writer.flush());
    EXPECT_FALSE(writer.handle(9, QByteArray(8, 'c')).writeFailure);
    EXPECT_FALSE(writer.flush()) << "told once";
    StorageRun stopped(16, 8);
    stopped.file.close();
    MediaPacketWriter stoppedWriter(stopped.run, stopped.file);
    EXPECT_FALSE(stoppedWriter.handle(1, QByteArray(8, 'a')).writeFailure);
    EXPECT_FALSE(stoppedWriter.flush());
}

TEST(HeaderAndPacketStorage, ASlotBeyondFourGibLandsAtItsFullOffset)
{
    const std::uint32_t packetSize = 8192;
    const QByteArray header = asf::Header({asf::FilePropertiesObject({})}, 0, 400);
    StorageRun r(std::uint32_t(header.size()), packetSize);
    ASSERT_EQ(StoreHeaderBytes(r.run, r.file, header), HeaderStored::Written);

    r.run.resume = true;  // absolute slot numbers
    const std::uint32_t index = 600000;
    const qint64 offset = qint64(index) * packetSize + header.size();
    MediaPacketWriter(r.run, r.file).handle(index, QByteArray(packetSize, 'z'));
    r.flush();

    QFile file(r.t.session.savePath);  // sparse: only the header and the slot use the disk
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.size(), offset + packetSize);
    ASSERT_TRUE(file.seek(offset));
    EXPECT_EQ(file.read(packetSize), QByteArray(packetSize, 'z'));
    ASSERT_TRUE(file.seek(offset - (qint64(1) << 32)));
    EXPECT_EQ(file.read(packetSize), QByteArray(packetSize, '\0')) << "nothing at the 32-bit offset";
    ASSERT_TRUE(file.seek(0));
    EXPECT_EQ(file.read(header.size()), header);
}
