#include "asf/byte_helpers.h"
#include "asf/header_and_packet_storage.h"
#include "asf/header_facts.h"
#include "run/header_report.h"
#include "run/missing_packets.h"
#include "run/storage_report.h"
#include "state/received_packets.h"
#include "support/asf_builder.h"
#include "support/asf_sample.h"
#include "support/golden.h"
#include "support/golden_line.h"
#include "support/storage_run.h"
#include "support/temp_settings.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTimeZone>

#include <tuple>
#include <vector>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;
using tovrin::test::Line;
using tovrin::test::StorageRun;
using tovrin::test::TestContext;

namespace asf = tovrin::test::asf;

namespace {

QByteArray AudioThenVideo(const std::vector<QByteArray>& more = {}, asf::FileProperties props = {},
                          bool audioSpread = false)
{
    std::vector<QByteArray> objects = {asf::FilePropertiesObject(props),
                                       asf::StreamPropertiesObject(1, 0, 0, audioSpread),
                                       asf::StreamPropertiesObject(2, 320, 240)};
    objects.insert(objects.end(), more.begin(), more.end());
    return asf::Header(objects);
}

// Every fact of a reading, one line each; the file's write time only as
// known or not. Kinds and errors are their enum values, -1 for none. Lines:
// "stream" number kind spread size; "bit rate" stream bit/s kind; "file" size
// packets duration max-bit-rate created; the five content texts; "codecs"
// higher-type-entries audio name|description, video name|FourCC.
QStringList FactLines(const HeaderReading& reading)
{
    const HeaderFacts& f = reading.facts;
    const auto text = [](const std::optional<QString>& t) { return t ? u'\'' + *t + u'\'' : u"none"_s; };
    QStringList lines{Line(u"error"_s, reading.error ? int(*reading.error) : -1)};
    for (const StreamFacts& s : f.streams)
        lines << Line(u"stream"_s, int(s.number), int(s.kind), s.audioSpread,
                      s.videoSize ? u"%1x%2"_s.arg(s.videoSize->width).arg(s.videoSize->height) : u"none"_s);
    if (f.bitRates)
        lines << Line(u"bit rates declared"_s, int(f.bitRates->declaredCount.value_or(-1)));
    for (const BitRateRecord& r : f.bitRates.value_or(BitRateTable{}).records)
        lines << Line(u"bit rate"_s, int(r.stream), r.averageBitRate, r.kind ? int(*r.kind) : -1);
    const FileProperties& p = f.fileProperties;
    lines << Line(u"file"_s, qulonglong(p.fileSize), p.dataPacketCount, qulonglong(p.sendDurationMs), p.maxBitRate,
                  p.created ? p.created->toUTC().toString(Qt::ISODate) : u"none"_s);
    if (const std::optional<ContentDescription>& c = f.content)
        lines << Line(text(c->title), text(c->author), text(c->copyright), text(c->description), text(c->rating));
    for (const ContentDescriptor& d : f.encoderDescriptors)
        lines << Line(u"descriptor"_s, d.name, d.value);
    if (const std::optional<CodecSummary>& c = f.codecs)
        lines << Line(u"codecs"_s, c->higherTypeEntries,
                      c->audio ? c->audio->name + u'|' + c->audio->description : u"none"_s,
                      c->video ? c->video->name + u'|' + QString::fromLatin1(c->video->fourCc) : u"none"_s);
    return lines << Line(u"written"_s, f.fileWritten.isValid());
}

// An Extended Content Description Object with (name, type, value) descriptors.
QByteArray ExtendedContent(const std::vector<std::tuple<QString, std::uint16_t, QByteArray>>& descriptors)
{
    QByteArray body = asf::Le16(std::uint16_t(descriptors.size()));
    for (const auto& [name, type, value] : descriptors) {
        const QByteArray n = asf::Utf16(name);
        body +=
            asf::Le16(std::uint16_t(n.size())) + n + asf::Le16(type) + asf::Le16(std::uint16_t(value.size())) + value;
    }
    return asf::Object(asf::kExtContentGuid, body);
}

// A Codec List Object claiming `count` entries, holding (type, name,
// description, information) entries.
QByteArray CodecList(const std::vector<std::tuple<std::uint16_t, QString, QString, QByteArray>>& entries,
                     std::uint32_t count)
{
    QByteArray body = asf::kCodecReservedGuid + asf::Le32(count);
    for (const auto& [type, name, description, information] : entries) {
        const QByteArray n = asf::Utf16(name), d = asf::Utf16(description);
        body += asf::Le16(type) + asf::Le16(std::uint16_t(n.size() / 2)) + n + asf::Le16(std::uint16_t(d.size() / 2))
                + d + asf::Le16(std::uint16_t(information.size())) + information;
    }
    return asf::Object(asf::kCodecListGuid, body);
}
}  // namespace

TEST(StorageReport, HeaderStorageIsToldStepByStepAndAStoredPacketFactByFact)
{
    const QByteArray header =
        asf::Header({asf::FilePropertiesObject({.packetSize = 16}), asf::StreamPropertiesObject(1)}, 0, 300);
    StorageRun r(std::uint32_t(header.size()), 16);
    // Each step's answer, then its log; the failed one's shell calls.
    QStringList lines = QStringList(test::Line{int(StoreAndInspectHeader(r.t.ctx, r.file, header))}) << r.log;

    // A resumed file of this stream keeps its header; one of another stream
    // is left alone (No), or downloaded again (Yes).
    const QByteArray other =
        asf::Header({asf::FilePropertiesObject({.packetSize = 16}), asf::StreamPropertiesObject(2)}, 0, 300);
    for (const auto& [held, again] : {std::pair{header, false}, std::pair{other, false}, std::pair{other, true}}) {
        StorageRun resumed(std::uint32_t(header.size()), 16);
        resumed.file.writeHeader(held);
        resumed.run.resume = true;
        resumed.t.shell.confirmAnswers.push_back(again);
        lines << test::Line{int(StoreAndInspectHeader(resumed.t.ctx, resumed.file, header)), resumed.run.resume.load(),
                            resumed.contents() == held}
              << resumed.log;
    }

    StorageRun failed(16, 8);
    ASSERT_EQ(failed.file.open(QStringLiteral("/dev/full"), true), RecordingFile::Opened::Yes);
    lines << test::Line{int(StoreAndInspectHeader(failed.t.ctx, failed.file, QByteArray(16, 'h')))}
          << failed.t.shell.calls;

    // Then the lines of a stored packet: none when there is nothing to tell.
    test::FakeShell shell;
    TellStoredPacket(shell, {});
    TellStoredPacket(shell, {.earlyDropped = true,
                             .missingTimecode = true,
                             .rebaseFault = RebaseFault{RebaseFault::Kind::UnknownSegmentFlags, 0x64},
                             .truncated = true,
                             .writeFailure = QStringLiteral("No space left on device")});
    EXPECT_GOLDEN("mms/header_storage_steps", lines << u"--- stored packet"_s << shell.log);
}

// For each case: the line naming the missing packets, or none.
TEST(MissingPackets, TheLineNamesEveryRunOfMissingPacketsUpToItsLimit)
{
    std::vector<std::uint32_t> everyOther;
    for (std::uint32_t i = 0; i < 40; i += 2)
        everyOther.push_back(i);
    // What, packet count, a resumed run's earlier part, the packets stored.
    const std::tuple<const char*, std::uint32_t, std::uint32_t, std::vector<std::uint32_t>> cases[] = {
        {"whole", 4, 0, {3, 1, 0, 2}},     {"stored twice, beyond the end", 3, 0, {0, 0, 1, 7}},
        {"runs", 10, 0, {1, 2, 6, 7, 8}},  {"resumed whole", 6, 4, {4, 5}},
        {"resumed, last lost", 6, 4, {4}}, {"cut after 16 runs", 40, 0, everyOther},
        {"length unknown", 0, 0, {}},      {"too long to track", ReceivedPackets::kMaxTracked + 1, 0, {0}},
    };
    QStringList lines;
    for (const auto& [what, count, presentBefore, stored] : cases) {
        ReceivedPackets received;
        received.expect(count, presentBefore);
        for (const std::uint32_t index : stored)
            received.mark(index);
        lines << QLatin1String(what) + u": "_s + MissingPacketsLine(received).value_or(u"none"_s);
    }
    EXPECT_GOLDEN("mms/missing_packets", lines);
}

TEST(HeaderFacts, WhatEachHeaderYieldsAndWhereAReadingFails)
{
    QStringList lines;
    const auto read = [&](const char* what, const QByteArray& header) {
        lines << u"--- "_s + QLatin1String(what) << FactLines(ReadHeaderFacts(header));
    };
    // Video numbered 1, audio numbered 7 with audio spread, a stream of
    // another media type, a later video object numbered 7 cut before its
    // size, and bit-rate records for a stream no object describes and for
    // 0x81, which names stream 1 (streams are numbered by seven bits).
    const QByteArray other =  // command media
        asf::StreamPropertiesObject(3).replace(24, 16, QByteArray::fromHex("C0CFDA59E659D011A3AC00A0C90348F6"));
    const QByteArray cutVideo = asf::StreamPropertiesObject(7, 640, 480).first(80).replace(16, 8, asf::Le64(80));
    read("streams and bit rates",  // created past every calendar
         asf::Header({asf::FilePropertiesObject({.creation = 0x8000000000000000ull}),
                      asf::StreamPropertiesObject(1, 320, 240), asf::StreamPropertiesObject(7, 0, 0, true), other,
                      cutVideo, asf::BitrateObject({{7, 32000}, {1, 96000}, {3, 100}, {9, 5}, {0x81, 6}})}));

    // Objects are the Header Object's children, walked by their sizes, and
    // the Header Extension Object's: a Stream Properties Object that an
    // Extended Stream Properties Object carries behind a stream name counts.
    read("a stream in the header extension",
         AudioThenVideo({asf::Object(QByteArray::fromHex("B503BF5F2EA9CF118EE300C00C205365"),
                                     QByteArray(22, '\0')
                                         + asf::Object(QByteArray::fromHex("CBA5E61472C632438399A96952065B5A"),
                                                       QByteArray(60, '\0') + asf::Le32(1) + asf::Le32(0x20000) + "ab"
                                                           + asf::StreamPropertiesObject(5)))}));

    // A later codec entry of a kind replaces an earlier one; a list of no
    // entries is a list all the same.
    read("two video codecs",
         AudioThenVideo({CodecList(
             {{1, QStringLiteral("V"), QString(), "WMV2"}, {1, QStringLiteral("W"), QString(), "WMV3"}}, 2)}));
    read("no codecs", AudioThenVideo({CodecList({}, 0)}));

    // Lengths that point past their object end that object's part. A title
    // length beyond the object: the object holds no text.
    const QByteArray content = asf::ContentObject(QStringLiteral("T"), QString(), QString(), QString(), QString())
                                   .replace(24, 2, asf::Le16(0xFFFF));
    // A descriptor name running past its object: it and those after it are dropped.
    const QByteArray ext = ExtendedContent({{QStringLiteral("One"), 0, asf::Utf16(QStringLiteral("1"))},
                                            {QStringLiteral("Two"), 0, asf::Utf16(QStringLiteral("2"))}})
                               .replace(24 + 2 + 2 + 8 + 2 + 2 + 4, 2, asf::Le16(0x7FFF));
    // A codec list claiming four billion entries, followed by an object whose
    // first bytes would read as an entry; and a bit-rate object claiming three
    // records while holding one.
    const QByteArray codecs = CodecList({{2, QStringLiteral("A"), QString(), "x"}}, 0xFFFFFFFF)
                              + asf::Object(QByteArray::fromHex("03000000000000000000000000000000"), {});
    const QByteArray rates = asf::BitrateObject({{1, 1000}}).replace(24, 2, asf::Le16(3));
    read("lengths past their objects", AudioThenVideo({content, ext, codecs, rates}));

    // Required objects fail after what was read before them.
    const QByteArray good = AudioThenVideo({asf::BitrateObject({{1, 32000}})});
    const auto without = [&](const QByteArray& guid) {
        return QByteArray(good).replace(good.indexOf(guid), 5, "xxxxx");
    };
    const QByteArray shortFile = asf::Header({asf::FilePropertiesObject({}).first(103).replace(16, 8, asf::Le64(103)),
                                              asf::StreamPropertiesObject(1), asf::StreamPropertiesObject(2, 320, 240),
                                              asf::BitrateObject({{1, 32000}})});
    read("no header object", without(asf::kHeaderGuid));
    read("no data object", without(asf::kDataGuid));
    read("no streams", asf::Header({asf::FilePropertiesObject({}), asf::BitrateObject({{1, 32000}})}));
    read("no file properties", without(asf::kFilePropertiesGuid));
    read("file properties cut short", shortFile);

    // From a file: one that cannot be opened, an empty one, and a whole one.
    TestContext t;
    lines += FactLines(ReadHeaderFile(t.dir.filePath(u"missing.asf"_s), 5000)).first(1);
    lines += FactLines(ReadHeaderFile(test::WriteFile(t.dir, u"empty.asf"_s, {}), 5000)).first(1);
    const QString path = test::WriteFile(t.dir, u"inspected.asf"_s, good);
    const HeaderReading whole = ReadHeaderFile(path, 5000);
    lines += FactLines(whole);
    EXPECT_EQ(whole.facts.fileWritten, QFileInfo(path).lastModified());
    EXPECT_GOLDEN("mms/header_facts", lines);
}

TEST(HeaderFacts, DamagedHeadersNeverReadPastTheirBytes)
{
    // Every cut of a real header, and random damage to it, ends in an answer.
    const QByteArray header = test::ReadAsf(test::SamplePath(test::Sample::Wmv)).header;
    ASSERT_FALSE(header.isEmpty());
    for (qsizetype cut = 1; cut < header.size(); cut += 7)
        ReadHeaderFacts(QByteArrayView(header).first(cut));
    QRandomGenerator random(20261206);
    for (int round = 0; round < 300; ++round) {
        QByteArray damaged = header;
        for (int i = 0; i < 8; ++i)
            damaged[random.bounded(int(damaged.size()))] = char(random.bounded(256));
        ReadHeaderFacts(damaged);
    }
    EXPECT_FALSE(ReadHeaderFacts(header).error) << "the intact header still reads";
}

TEST(ApplyHeaderReading, TheTablesKeepTheirFirstTenEntriesAndTheRunsCountGoesOn)
{
    std::vector<QByteArray> objects = {asf::FilePropertiesObject({})};
    std::vector<asf::BitRate> rates;
    for (int i = 1; i <= 12; ++i) {
        objects.push_back(asf::StreamPropertiesObject(std::uint8_t(i)));
        rates.push_back({std::uint8_t(i), std::uint32_t(i * 1000)});
    }
    objects.push_back(asf::StreamPropertiesObject(13, 320, 240));
    objects.push_back(asf::BitrateObject(rates));
    const HeaderReading reading = ReadHeaderFacts(asf::Header(objects));
    QStringList lines = FactLines(reading);

    // Then what the run took (applied, stream numbers, count, kind bits):
    // streams beyond the table are not the run's; the count goes on from
    // where it stood, within the table; kinds are only ever added.
    TestContext t;
    const auto apply = [&](const HeaderReading& r) {
        lines << Line{ApplyHeaderReading(t.run, t.session, t.shell, r),
                      QList<int>(t.session.streamNumbers.begin(), t.session.streamNumbers.end()),
                      t.run.streamCount.load(), t.run.streamKindBits.load()};
    };
    apply(reading);
    t.run.streamCount = 9;
    apply(ReadHeaderFacts(AudioThenVideo({}, {}, true)));
    EXPECT_GOLDEN("mms/header_facts_of_thirteen_streams", lines);
}

TEST(ApplyHeaderReading, ShowsEveryFactAndEveryErrorInItsText)
{
    // Created 2021-01-01 00:00:00 UTC.
    const asf::FileProperties props{.fileSize = 5000000000ull,
                                    .creation = 132539328000000000ull,
                                    .packets = 321,
                                    .sendDuration = 612345678,
                                    .maxBitRate = 128000};
    const QByteArray header =
        AudioThenVideo({asf::BitrateObject({{1, 32000}, {2, 96000}, {9, 5}}),
                        asf::ContentObject(QStringLiteral("Clip 1"), QStringLiteral("作者"), QStringLiteral("© Tovrin"),
                                           QStringLiteral("說明"), QStringLiteral("PG")),
                        ExtendedContent({{QStringLiteral("IsVBR"), 3, asf::Le32(1)},
                                         {QStringLiteral("WMFSDKVersion"), 0, asf::Utf16(QStringLiteral("9.00"))},
                                         {QStringLiteral("Third"), 0, asf::Utf16(QStringLiteral("x"))}}),
                        CodecList({{1, QStringLiteral("WMV9"), QString(), "WMV3"},
                                   {3, QString(), QString(), {}},
                                   {0, QStringLiteral("Zero"), QString(), "0"},
                                   {2, QStringLiteral("WMA9"), QStringLiteral("64 kbps"), "ab"}},
                                  4)},
                       props, true);
    // A zone eight hours east of UTC, without daylight saving, and the C
    // locale, until the test ends.
    const QByteArray savedZone = qgetenv("TZ");
    const QLocale savedLocale;
    qputenv("TZ", "TST-8"), tzset(), QLocale::setDefault(QLocale::c());
    const auto restore = qScopeGuard([&] {
        savedZone.isNull() ? qunsetenv("TZ") : qputenv("TZ", savedZone), tzset(), QLocale::setDefault(savedLocale);
    });
    TestContext t;
    t.session.mediaLocation = QStringLiteral("mms://host/clip.wmv");
    QFile file(test::WriteFile(t.dir, QStringLiteral("inspected.asf"), header));
    ASSERT_TRUE(file.open(QIODevice::Append));
    ASSERT_TRUE(file.setFileTime(QDateTime(QDate(2022, 3, 4), QTime(17, 6, 7), QTimeZone::utc()),
                                 QFileDevice::FileModificationTime));
    file.close();
    ASSERT_TRUE(ApplyHeaderReading(t.run, t.session, t.shell, ReadHeaderFile(file.fileName(), 5000)));
    QStringList lines = t.shell.calls;
    lines << Line{
        "run: stored packets", t.run.storedPacketCount.load(), "send duration", t.run.headerSendDuration.load(),
        "max bit rate",        t.run.maxBitRate.load(),        "file size",     t.run.headerFileSize.load()};

    // Live, audio only, no optional object, no file time, no creation date
    // and one no calendar holds: the texts that stand in for them, and the
    // fields left as they were.
    TestContext live;
    live.run.filePacketCount = kLivePacketCount;
    HeaderReading reading =
        ReadHeaderFacts(asf::Header({asf::FilePropertiesObject({}), asf::StreamPropertiesObject(1)}));
    ASSERT_TRUE(ApplyHeaderReading(live.run, live.session, live.shell, reading));
    reading.facts.fileProperties.created = QDateTime();
    reading.facts.fileWritten = QDateTime::fromSecsSinceEpoch(0);
    reading.facts.content.emplace().title = QStringLiteral("T");
    lines << QStringLiteral("--- live, then a title and dates no calendar holds");
    ASSERT_TRUE(ApplyHeaderReading(live.run, live.session, live.shell, reading));
    lines += live.shell.calls;

    // Each error shows its message after the parts read before it.
    for (int error = 0; error <= int(InspectionError::CannotOpenForFileTimes); ++error) {
        TestContext f;
        reading.error = InspectionError(error);
        lines << u"--- error %1, applied "_s.arg(error) + Line(ApplyHeaderReading(f.run, f.session, f.shell, reading))
              << f.shell.calls;
    }
    EXPECT_GOLDEN("mms/header_report", lines);
}
