#include "asf/header_and_packet_storage.h"
#include "asf/asf_objects.h"
#include "asf/byte_helpers.h"
#include "asf/header_assembler.h"
#include "asf/header_fixup.h"
#include "asf/name_rules.h"
#include "asf/packet_parser.h"
#include "asf/run_names.h"
#include "asf/simple_index.h"
#include "state/run_state.h"
#include "support/asf_builder.h"
#include "support/asf_sample.h"
#include "support/golden.h"
#include "support/golden_line.h"
#include "support/storage_run.h"
#include "support/temp_settings.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::Line;
using tovrin::test::StorageRun;
using tovrin::test::TestContext;
using namespace Qt::StringLiterals;
namespace asf = tovrin::test::asf;

namespace {

// A data packet whose send time sits at offset 6 (length type flags 0x08).
QByteArray TimedPacket(qsizetype size, std::uint32_t sendTime)
{
    return (QByteArray("\x82\x00\x00\x08\x5D\x00", 6) + asf::Le32(sendTime)).leftJustified(size, 'd');
}

// A save file holding `header`, grown to `fileSize` bytes, as a run left it.
struct ClosingRun {
    ClosingRun(const QByteArray& header, qint64 fileSize, std::uint64_t packets = 0, std::uint32_t mediaTime = 0)
    {
        EXPECT_TRUE(
            test::WriteWholeFile(path, header + QByteArray(std::max<qint64>(fileSize - header.size(), 0), '\0')));
        run.headerLength = std::uint32_t(header.size());
        run.packetSize = packets > 0 ? std::uint32_t((fileSize - header.size()) / qint64(packets)) : 100;
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

// A run storing its media packets through its own writer.
struct WriterRun : StorageRun {
    using StorageRun::StorageRun;
    MediaPacketWriter writer{run, file};
};

// Bytes as runs of one value: "61*10 00*20".
QString Runs(const QByteArray& bytes)
{
    QStringList runs;
    for (qsizetype at = 0, end = 0; at < bytes.size(); at = end) {
        while (end < bytes.size() && bytes[end] == bytes[at])
            ++end;
        runs << u"%1*%2"_s.arg(QString::fromLatin1(bytes.mid(at, 1).toHex())).arg(end - at);
    }
    return runs.join(u' ');
}

QByteArray BroadcastHeader(qsizetype length)
{
    // Flags: broadcast; the upper bytes belong to no one here.
    const asf::FileProperties p{.packets = 0xFFFFFFFFFFFFFFFFull, .preroll = 3000, .flags = 0xABCDEF01};
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

// A single-payload packet: 82 00 00, flags, properties, packet length (2),
// padding length (1), send time, duration, then one payload with replicated data.
QByteArray singleReplicatedPacket(std::uint32_t sendTime, std::uint32_t presentationTime)
{
    return QByteArray::fromHex("820000485D") + QByteArray::fromHex("001400")  // length, padding
           + EncodeLE32(sendTime) + QByteArray::fromHex("2800")               // send time, duration
           + QByteArray::fromHex("8101") + EncodeLE32(0x11111111) + QByteArray::fromHex("08") + EncodeLE32(5000)
           + EncodeLE32(presentationTime) + QByteArray("payload-bytes");
}

// Two payloads with replicated data and 2-byte payload lengths (payload flags 0x82).
QByteArray multipleReplicatedPacket(std::uint32_t sendTime, std::uint32_t pt1, std::uint32_t pt2,
                                    std::uint16_t secondLength = 3)
{
    return QByteArray::fromHex("8200004955000000") + EncodeLE32(sendTime) + QByteArray::fromHex("00008202010008")
           + EncodeLE32(100) + EncodeLE32(pt1) + QByteArray::fromHex("0300") + "abc" + QByteArray::fromHex("03020008")
           + EncodeLE32(100) + EncodeLE32(pt2) + EncodeLE16(secondLength) + "xyz";
}

}  // namespace

// Each packet stored: its sequence number, what storing it told (dropped
// as early, timecode missing, truncated, write failure, rebase fault), the
// run's packet index and media time; then the file as runs of one byte value.
TEST(HeaderAndPacketStorage, PacketsFillTheSlotsOfTheirSequenceNumbersAndTellWhatTheyCouldNotKeep)
{
    QStringList lines;
    const auto store = [&](WriterRun& r, std::uint32_t sequence, const QByteArray& p) {
        const StoredPacket s = r.writer.handle(PacketNumber(sequence), p);
        lines << Line(sequence, s.earlyDropped, s.pastEndDropped, s.numberingRestarted, s.missingTimecode, s.truncated,
                      s.writeFailure.value_or(u"-"_s), s.rebaseFault ? RebaseFaultLine(*s.rebaseFault) : u"-"_s,
                      r.run.packetIndex.load(), r.run.mediaTime.load());
    };
    // A short packet is padded, a long one cut; a late datagram lands in its
    // own slot; one from before the first has no slot (it must not wrap to
    // one terabytes away) and is told once.
    WriterRun r(100, 10);
    r.run.dataOverUdp = true;
    for (const auto& [sequence, size, fill] :
         {std::tuple{77, 10, 'a'}, {82, 9, 'f'}, {79, 11, 'c'}, {70, 10, 'x'}, {76, 10, 'y'}})
        store(r, sequence, QByteArray(size, fill));
    lines << Runs(r.contents());

    // Numbers of unknown length count on past 2^32; a jump beyond the window
    // or a step back (over TCP) starts them again in the next slot, told once.
    WriterRun numbered(0, 4);
    for (const std::uint32_t sequence : {0xFFFFFFFEu, 0xFFFFFFFFu, 0u, 0x80000000u, 0x80000001u, 5u, 6u})
        store(numbered, sequence, "n");

    // Media time follows the send times of readable packets; an unreadable
    // one is still written.
    lines << u"--- timed"_s;
    WriterRun timed(0, 40);
    const QByteArray unreadable = TimedPacket(40, 99999).replace(3, 1, "\x04");
    std::uint32_t sequence = 0;
    for (const QByteArray& p : {TimedPacket(40, 70000), TimedPacket(40, 72500), unreadable})
        store(timed, ++sequence, p);
    EXPECT_EQ(timed.contents().mid(80), unreadable);
    // A resumed run keeps the send time; a live packet whose payloads cannot
    // be followed is stored as it is, told why.
    WriterRun resumed(0, 40), live(0, 40);
    resumed.run.resume = true;
    live.run.filePacketCount = kLivePacketCount;
    for (WriterRun* run : {&resumed, &live})
        store(*run, 1, TimedPacket(40, 70000));

    // A header longer than announced is written whole; the first slot still
    // starts at the header length. A resumed file keeps its own, and is
    // refused, untouched, another stream's.
    lines << u"--- headers"_s;
    WriterRun longer(20, 8), resumedHeader(40, 16);
    lines << Line(int(StoreHeaderBytes(longer.run, longer.file, QByteArray(12, 'a') + QByteArray(12, 'b'))));
    store(longer, 0, QByteArray(8, 'p'));
    resumedHeader.file.writeHeader(QByteArray(40, 'H'));
    resumedHeader.run.resume = true;
    lines << Runs(longer.contents()) << Line(longer.run.mediaPacketStored.load())
          << Line(int(StoreHeaderBytes(resumedHeader.run, resumedHeader.file, QByteArray(40, 'H'))),
                  int(StoreHeaderBytes(resumedHeader.run, resumedHeader.file, QByteArray(40, 'n'))))
          << Runs(resumedHeader.contents());

    // A device that refuses every write. Consecutive slots are written
    // together, so the failure shows when they are; none is told after the
    // stop routine closed the file. (A failed header and a failure told only
    // once per run are told by the storage report and the full disk tests.)
    lines << u"--- write failures"_s;
    WriterRun full(16, 8), stopped(16, 8);
    ASSERT_EQ(full.file.open(QStringLiteral("/dev/full"), true), RecordingFile::Opened::Yes);
    stopped.file.close();
    for (WriterRun* run : {&full, &stopped}) {
        store(*run, 1, QByteArray(8, 'a'));
        store(*run, 2, QByteArray(8, 'b'));
        lines << Line(u"flush failed"_s, run->writer.flush().has_value());
    }

    // Header payloads are collected until the announced length; a whole
    // last packet belongs to the header; a header of length 0 still takes
    // its first packet; figures that cannot be stored are refused.
    lines << u"--- header assembler"_s;
    HeaderAssembler pieces(20, 8), empty(0, 8);
    lines << Line{int(pieces.progress()),
                  int(pieces.add(QByteArray(12, 'a'))),
                  int(pieces.add(QByteArray(12, 'b'))),
                  int(pieces.add("late")),
                  Runs(pieces.header()),
                  int(empty.progress()),
                  int(empty.add({}))};
    for (auto [headerLength, packetSize] : {std::pair{kMaxHeaderLength + 1, 100u}, std::pair{0xFFFFFFFFu, 100u},
                                            std::pair{100u, 0u}, std::pair{100u, kMaxPacketSize + 1}}) {
        HeaderAssembler refused(headerLength, packetSize);
        lines << Line{headerLength, packetSize, int(refused.add(QByteArray(100, 'h'))), refused.header().size()};
    }
    EXPECT_GOLDEN("asf/packet_storage", lines);
}

TEST(HeaderAndPacketStorage, ASlotBeyondFourGibLandsAtItsFullOffset)
{
    const std::uint32_t packetSize = 8192;
    const QByteArray header = asf::Header({asf::FilePropertiesObject({})}, 0, 400);
    StorageRun r(std::uint32_t(header.size()), packetSize);
    ASSERT_EQ(StoreHeaderBytes(r.run, r.file, header), HeaderStored::Written);

    const std::uint32_t index = 600000;
    r.run.filePacketCount = index + 1;  // of known length: absolute slot numbers
    const qint64 offset = qint64(index) * packetSize + header.size();
    EXPECT_FALSE(
        MediaPacketWriter(r.run, r.file).handle(PacketNumber(index), QByteArray(packetSize, 'z')).writeFailure);
    EXPECT_FALSE(r.file.flush().failure);

    QFile file(r.t.session.savePath);  // sparse: only the header and the slot use the disk
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto at = [&](qint64 offset, qint64 size) { return file.seek(offset) ? file.read(size) : "not there"; };
    EXPECT_EQ(file.size(), offset + packetSize);
    EXPECT_EQ(at(offset, packetSize), QByteArray(packetSize, 'z'));
    EXPECT_EQ(at(offset - (qint64(1) << 32), packetSize), QByteArray(packetSize, '\0'))
        << "nothing at the 32-bit offset";
    EXPECT_EQ(at(0, header.size()), header);
}

// A broadcast's sizes, counts and durations come from the recording; only
// the first flags byte changes; the count of a stored file is all eight bytes
// of a 64-bit value; fields that would lie beyond the stored header belong
// to data packets and are never patched.
TEST(FixLiveHeader, SizesCountsAndDurationsComeFromTheRecording)
{
    QStringList lines;
    const auto live = [&](const char* what, ClosingRun&& r) {
        lines << u"live %1: "_s.arg(QLatin1String(what))
                     + Fields(r, int(FixLiveHeader(r.path, r.run, SimpleIndexBuilder())));
    };
    const auto count = [&](const char* what, ClosingRun&& r) {
        lines << u"count %1: "_s.arg(QLatin1String(what))
                     + Fields(r, FixPacketCount(r.path, r.run, SimpleIndexBuilder()));
    };
    live("100 packets, numbered 0 to 99", ClosingRun(BroadcastHeader(5000), 505000, 100, 60000));
    live("stopped before any media packet", ClosingRun(BroadcastHeader(600), 0));

    const QByteArray noFile = asf::Header({asf::StreamPropertiesObject(1)}, 0, 400);
    ClosingRun r(noFile, 1000);
    live("no File Properties", std::move(r));
    EXPECT_EQ(r.contents().left(400), noFile);
    const QByteArray noData = BroadcastHeader(400).replace(BroadcastHeader(400).indexOf(asf::kDataGuid), 5, "xxxxx");
    live("no Data Object, the File Properties changes stay", ClosingRun(noData, 1000));
    const QByteArray cut = BroadcastHeader(400).left(60);
    ClosingRun u(cut, 2000, 5);
    live("cut header", std::move(u));
    count("cut header", std::move(u));
    EXPECT_EQ(u.contents(), cut + QByteArray(2000 - 60, '\0'));

    const QByteArray header = BroadcastHeader(500);
    ClosingRun stored(header, 500 + 1000 * 100, 1000);
    count("1000 packets", std::move(stored));
    // A straggler stored last, below the highest slot, does not shrink the count.
    ClosingRun straggler(header, 500 + 1000 * 100, 1000);
    straggler.run.highestPacketIndex = 999;
    straggler.run.packetIndex = 3;
    count("straggler", std::move(straggler));
    count("no packets", ClosingRun(header, 500));
    count("no File Properties", ClosingRun(asf::Header({}, 0, 200), 200, 5));
    // A header value that holds the Data Object's GUID is not the Data Object.
    const QByteArray decoy = asf::Object(asf::kContentGuid, asf::kDataGuid.left(5) + QByteArray(40, '\x7F'));
    count("the Data Object's GUID in a title",
          ClosingRun(asf::Header({decoy, asf::FilePropertiesObject({})}, 0, 500), 500 + 1000 * 100, 1000));

    // A resumed run keeps its count until a packet arrives.
    ClosingRun resumed(asf::Header({asf::FilePropertiesObject({.packets = 120})}, 0, 500), 500 + 120 * 50);
    resumed.run.resume = true;
    resumed.run.packetSize = 50;
    resumed.run.storedPacketCount = 120;
    count("resumed", std::move(resumed));
    resumed.run.packetIndex = 150;
    resumed.run.mediaPacketStored = true;
    QFile::resize(resumed.path, 500 + 151 * 50);  // the packets this run stored
    count("resumed, packet 150 stored", std::move(resumed));
    EXPECT_GOLDEN("asf/header_fixups", lines);
}

// For each path: the name after the last separator and before the extension
// (the first and last characters never count), whether it is local, and its
// folder. For each URL: the stream path and the default save name taken from
// the trimmed URL, their escapes decoded once (but those of separators and
// control characters, and bytes that are no UTF-8), or "refused".
TEST(NameRules, NamesAndFoldersCutFromPathsAndUrls)
{
    QStringList lines;
    for (const char16_t* path : {u"C:\\logs\\run.log", u"drive:name", u"/ab", u"ab/", u"clip.old.wmv", u".profile",
                                 u"C:\\a.wmv", u"C:/a.wmv", u"C:\\media\\clip.wmv", u"clip.wmv", u"/home/u/a.wmv"}) {
        const QString p = QString::fromUtf16(path);
        lines << u"%1 | after '%2' before '%3' | local %4 folder '%5'"_s.arg(
            p, NameAfterSeparator(p), NameBeforeExtension(p), QString::number(IsLocalPath(p)), FolderOfPath(p));
    }
    for (const char16_t* given :
         {u"mms://server/dir/clip.wmv", u"mms://server/news", u"mms://server/Clip.Asf", u" mms://server/ab\r\n",
          u"mms://server/dir/video.WM", u"mms://server/a", u"mms://server/", u"", u"mms://s/%E7%A9%BA%20%2541%2e%61sf",
          u"mms://s/a%2Fb%5C%3A%00.wmv", u"mms://s/%B5L%20.wmv"}) {
        QString url = QString::fromUtf16(given);
        const std::optional<StreamNames> names = NamesOfStream(url);
        lines << u"'%1' -> '%2' | "_s.arg(QString::fromUtf16(given).replace(u"\r\n"_s, u"\\r\\n"_s), url)
                     + (names ? u"stream '%1' save '%2'"_s.arg(names->streamPath, names->defaultSaveName)
                              : u"refused"_s);
    }
    EXPECT_GOLDEN("asf/name_rules", lines);
}

TEST(SendTimeOffset, FollowsTheLengthTypeFlags)
{
    const std::pair<int, int> table[] = {{0x00, 5}, {0x01, 5}, {0x08, 6}, {0x09, 6}, {0x10, 7}, {0x11, 7},
                                         {0x48, 8}, {0x49, 8}, {0x50, 9}, {0x51, 9}, {0x04, 0}, {0x40, 0}};
    for (auto [flags, offset] : table)
        EXPECT_EQ(SendTimeOffset(QByteArray::fromHex("820000") + char(flags) + '\x55'), offset) << flags;
    EXPECT_EQ(SendTimeOffset(QByteArray::fromHex("820000")), 0) << "too short to hold the flags";
}

// Each packet before and after rebasing, in hex, and the log line of what
// the rebase could not follow. Send and presentation times become relative
// to the first send time, or start at a base (earlier ones stay at the first,
// never 2^32 ms on, also across the clock's wrap) and nothing else is
// touched; a compressed payload keeps its presentation time in the offset
// field, of its width only; every payload of a multiple payload packet is
// rebased. A fault rewrites nothing before the layout is known, and the send
// time before the payloads are read: one byte of a good packet replaced.
TEST(RebaseTimecodes, MakesSendAndPresentationTimesRelativeOrTellsWhatItCannotFollow)
{
    QStringList lines;
    const auto rebase = [&](const char* what, QByteArray packet, std::uint32_t first, std::uint32_t base = 0) {
        lines << u"== "_s + QLatin1String(what) << QString::fromLatin1(packet.toHex(' '));
        const std::optional<RebaseFault> fault = RebaseTimecodes(packet, first, base);
        lines << QString::fromLatin1(packet.toHex(' ')) << (fault ? RebaseFaultLine(*fault) : u"ok"_s);
    };
    rebase("single payload", singleReplicatedPacket(1005000, 1008100), 1000000);
    rebase("compressed payload",
           QByteArray::fromHex("8200000059") + EncodeLE32(0x1500) + QByteArray::fromHex("0000")
               + QByteArray::fromHex("8101") + EncodeLE16(0x1234) + QByteArray::fromHex("01") + "\x05" "data",
           0x1000);
    rebase("before the first send time", singleReplicatedPacket(10, 10), 20);
    rebase("across the wrap, from a base", singleReplicatedPacket(5, 0xFFFFFFF0u), 0xFFFFFFFAu, 7000);
    rebase("multiple payloads", multipleReplicatedPacket(2000, 2100, 2200), 2000);
    rebase("second payload longer than the packet", multipleReplicatedPacket(50, 60, 70, 400), 50);
    for (const auto& [at, byte] : {std::pair{2, 0x01}, {3, 0x04}, {4, 0x5E}, {20, 0x02}}) {
        QByteArray packet = singleReplicatedPacket(5, 5);
        packet[at] = char(byte);
        rebase(u"byte %1 = %2"_s.arg(at).arg(byte, 2, 16, QLatin1Char('0')).toLatin1().constData(), packet, 1);
    }
    EXPECT_GOLDEN("asf/rebase_timecodes", lines);
}

TEST(RebaseTimecodes, ATruncatedPacketFailsWithoutReadingPastItsEnd)
{
    const QByteArray whole = multipleReplicatedPacket(2000, 2100, 2200);
    for (int cut = 0; cut < whole.size(); ++cut) {
        QByteArray packet = whole.first(cut);
        // Only the last payload's data may be missing for the walk to succeed.
        (void)RebaseTimecodes(packet, 2000);
        EXPECT_EQ(packet.size(), cut);
    }
}

TEST(ByteHelpers, BoundedReadsAndWritesRefuseBytesThatAreNotThere)
{
    QByteArray b = QByteArray::fromHex("0102");
    EXPECT_EQ(LE16At(b, 0), 0x0201);
    EXPECT_FALSE(LE16At(b, 1));
    EXPECT_FALSE(LE32At(b, 0));
    EXPECT_FALSE(ByteAt(b, -1));
    EXPECT_FALSE(PutLE(b, 1, 0xFFFF, 2));
    EXPECT_EQ(b, QByteArray::fromHex("0102"));
}
