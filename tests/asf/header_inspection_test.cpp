#include "asf/header_inspection.h"
#include "support/asf_builder.h"
#include "support/asf_sample.h"
#include "support/temp_settings.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <gtest/gtest.h>

#include <ctime>

using namespace tovrin;
using tovrin::test::TestContext;
namespace asf = tovrin::test::asf;

namespace {

class Inspection : public ::testing::Test {
protected:
    TestContext t;
    QString path = t.dir.filePath(QStringLiteral("inspected.asf"));

    bool inspect(const QByteArray& bytes, std::uint32_t headerLength = 5000)
    {
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        f.close();
        t.run.headerLength = headerLength;
        return InspectHeader(t.ctx, path);
    }
    QString property(PropertyField field) const { return t.shell.properties.value(field); }
    QStringList lines(PropertyField field) const { return t.shell.propertyLines.value(field); }
    std::vector<int> streamTable() const
    {
        return {t.run.streamNumbers.begin(), t.run.streamNumbers.begin() + t.run.streamCount};
    }
};

QByteArray AudioThenVideo(const std::vector<QByteArray>& more = {}, asf::FileProperties props = {},
                          bool audioSpread = false)
{
    std::vector<QByteArray> objects = {asf::FilePropertiesObject(props),
                                       asf::StreamPropertiesObject(1, 0, 0, audioSpread),
                                       asf::StreamPropertiesObject(2, 320, 240)};
    objects.insert(objects.end(), more.begin(), more.end());
    return asf::Header(objects);
}

// An Extended Content Description Object with (name, type, value) descriptors.
QByteArray ExtendedContent(const std::vector<std::tuple<QString, std::uint16_t, QByteArray>>& descriptors)
{
    QByteArray body = asf::Le16(std::uint16_t(descriptors.size()));
    for (const auto& [name, type, value] : descriptors) {
        const QByteArray n = asf::Utf16(name);
        body += asf::Le16(std::uint16_t(n.size())) + n + asf::Le16(type) +
                asf::Le16(std::uint16_t(value.size())) + value;
    }
    return asf::Object(asf::kExtContentGuid, body);
}

struct CodecEntry {
    std::uint16_t type;
    QString name, description;
    QByteArray information;
};
QByteArray CodecList(const std::vector<CodecEntry>& entries, std::uint32_t count)
{
    QByteArray body = asf::kCodecReservedGuid + asf::Le32(count);
    for (const CodecEntry& e : entries) {
        const QByteArray name = asf::Utf16(e.name), description = asf::Utf16(e.description);
        body += asf::Le16(e.type) + asf::Le16(std::uint16_t(name.size() / 2)) + name +
                asf::Le16(std::uint16_t(description.size() / 2)) + description +
                asf::Le16(std::uint16_t(e.information.size())) + e.information;
    }
    return asf::Object(asf::kCodecListGuid, body);
}

}  // namespace

TEST_F(Inspection, BitRateLinesNameTheKindOfTheStreamsOwnObject)
{
    // Video numbered 1, audio numbered 7, a stream of another media type, and
    // a record for a stream no object describes.
    QByteArray other = asf::StreamPropertiesObject(3);
    other.replace(24, 16, QByteArray::fromHex("C0CFDA59E659D011A3AC00A0C90348F6"));  // command media
    ASSERT_TRUE(inspect(asf::Header({asf::FilePropertiesObject({}), asf::StreamPropertiesObject(1, 320, 240),
                                     asf::StreamPropertiesObject(7), other,
                                     asf::BitrateObject({{7, 32000}, {1, 96000}, {3, 100}, {9, 5}})})));
    EXPECT_EQ(lines(PropertyField::BitRateInfo),
              (QStringList{QStringLiteral("合計可用的 = 4"), QStringLiteral("串流 ID:7  音訊"),
                           QStringLiteral("串流比率:32000"), QStringLiteral("串流 ID:1  視訊"),
                           QStringLiteral("串流比率:96000"), QStringLiteral("串流 ID:3"), QStringLiteral("串流比率:100"),
                           QStringLiteral("串流 ID:9"), QStringLiteral("串流比率:5")}));
}

TEST_F(Inspection, StreamsKindsSizesAndTextsOfABuiltHeader)
{
    asf::FileProperties props;
    props.fileSize = 1234567;
    props.packets = 321;
    props.sendDuration = 612345678;  // 61234.5678 ms
    props.maxBitRate = 128000;
    const QByteArray content =
        asf::ContentObject(QStringLiteral("Clip 1"), QStringLiteral("作者"), QStringLiteral("© Tovrin"),
                           QStringLiteral("說明\n第二行"), QStringLiteral("PG"));
    t.run.mediaLocation = QStringLiteral("mms://host/clip.wmv");
    ASSERT_TRUE(
        inspect(AudioThenVideo({asf::BitrateObject({{1, 32000}, {2, 96000}}), content}, props, true)));
    EXPECT_EQ(streamTable(), (std::vector<int>{1, 2}));
    EXPECT_EQ(property(PropertyField::Location), QStringLiteral("mms://host/clip.wmv"));
    EXPECT_EQ(property(PropertyField::VidSize), QStringLiteral("320 x 240"));
    EXPECT_EQ(property(PropertyField::Type), QStringLiteral("[視訊] [音訊] 以及音訊隱藏應用"));
    EXPECT_EQ(t.run.streamKindBits, 7u);
    EXPECT_EQ(property(PropertyField::FileSize), QStringLiteral("1234 KBytes,  (當下載完成時預計的大小)"));
    EXPECT_EQ(property(PropertyField::Length), QStringLiteral("00 : 01 : 01"));
    EXPECT_EQ(t.run.headerSendDuration, 61234u);
    EXPECT_EQ(t.run.storedPacketCount, 321u);
    EXPECT_EQ(t.run.maxBitRate, 128000u);
    EXPECT_EQ(lines(PropertyField::BitRateInfo),
              (QStringList{QStringLiteral("合計可用的 = 2"), QStringLiteral("串流 ID:1  音訊"),
                           QStringLiteral("串流比率:32000"), QStringLiteral("串流 ID:2  視訊"),
                           QStringLiteral("串流比率:96000")}));
    EXPECT_EQ(lines(PropertyField::Codecs), QStringList{QStringLiteral("沒有可用的")});
    EXPECT_EQ(lines(PropertyField::Version), QStringList{QStringLiteral("沒有可用的")});
    EXPECT_EQ(property(PropertyField::Clip), QStringLiteral("Clip 1"));
    EXPECT_EQ(property(PropertyField::Author), QStringLiteral("作者"));
    EXPECT_EQ(property(PropertyField::Copyright), QStringLiteral("© Tovrin"));
    EXPECT_EQ(property(PropertyField::Description), QStringLiteral("說明\n第二行"));
    EXPECT_EQ(property(PropertyField::Rating), QStringLiteral("PG"));

    // Live, audio only, beyond 4 GiB, without a description: only the
    // description changes of the texts.
    t.run.filePacketCount = kLivePacketCount;
    t.run.streamCount = 0;
    props.fileSize = 5000000000ull;
    ASSERT_TRUE(inspect(asf::Header({asf::FilePropertiesObject(props), asf::StreamPropertiesObject(1)})));
    EXPECT_EQ(property(PropertyField::Length), QStringLiteral("現況"));
    EXPECT_EQ(property(PropertyField::FileSize), QStringLiteral("現況"));
    EXPECT_EQ(property(PropertyField::VidSize), QStringLiteral("沒有可用的"));
    EXPECT_EQ(property(PropertyField::Clip), QStringLiteral("Clip 1"));
    EXPECT_EQ(property(PropertyField::Description), QStringLiteral("沒有可用的檔案"));
    t.run.filePacketCount = 0;
    ASSERT_TRUE(inspect(asf::Header({asf::FilePropertiesObject(props), asf::StreamPropertiesObject(1)})));
    EXPECT_EQ(property(PropertyField::FileSize), QStringLiteral("5000000 KBytes,  (當下載完成時預計的大小)"));
}

TEST_F(Inspection, DescriptorsAndCodecEntriesOfEveryTypeAreStepped)
{
    const QByteArray ext =
        ExtendedContent({{QStringLiteral("IsVBR"), 3, asf::Le32(1)},
                         {QStringLiteral("WMFSDKVersion"), 0, asf::Utf16(QStringLiteral("9.00"))},
                         {QStringLiteral("Third"), 0, asf::Utf16(QStringLiteral("x"))}});
    const QByteArray codecs =
        CodecList({{1, QStringLiteral("Windows Media Video 9"), QStringLiteral("Main"), "WMV3"},
                   {0xFFFF, QStringLiteral("Unknown"), QString(), "??"},
                   {2, QStringLiteral("Windows Media Audio 9"), QStringLiteral("64 kbps"), "ab"}},
                  3);
    ASSERT_TRUE(inspect(AudioThenVideo({ext, codecs})));
    EXPECT_EQ(lines(PropertyField::Version),
              (QStringList{QStringLiteral("編碼器: IsVBR"), QStringLiteral("版本: 1"),
                           QStringLiteral("註解: WMFSDKVersion"), QStringLiteral("其他: 9.00")}));
    EXPECT_EQ(lines(PropertyField::Codecs),
              (QStringList{QStringLiteral("顯示太多的編碼"), QStringLiteral(" ---------- 音訊 ----------"),
                           QStringLiteral("音訊 : Windows Media Audio 9"), QStringLiteral("比率 : 64 kbps"),
                           QStringLiteral(" ---------- 視訊 ----------"),
                           QStringLiteral("視訊 : Windows Media Video 9"), QStringLiteral("FourCC: WMV3")}));

    // A video-only list shows the video codec; a list of no entries shows nothing.
    t.shell.propertyLines.clear();
    ASSERT_TRUE(inspect(AudioThenVideo({CodecList({{1, QStringLiteral("V"), QString(), "WMV2"}}, 1)})));
    EXPECT_EQ(lines(PropertyField::Codecs),
              (QStringList{QStringLiteral(" ---------- 視訊 ----------"), QStringLiteral("視訊 : V"),
                           QStringLiteral("FourCC: WMV2")}));
    t.shell.propertyLines.clear();
    ASSERT_TRUE(inspect(AudioThenVideo({CodecList({}, 0)})));
    EXPECT_TRUE(lines(PropertyField::Codecs).isEmpty());
}

TEST_F(Inspection, TheTablesKeepTheirFirstTenEntries)
{
    std::vector<QByteArray> objects = {asf::FilePropertiesObject({})};
    std::vector<asf::BitRate> rates;
    for (int i = 1; i <= 12; ++i) {
        objects.push_back(asf::StreamPropertiesObject(std::uint8_t(i)));
        rates.push_back({std::uint8_t(i), std::uint32_t(i * 1000)});
    }
    objects.push_back(asf::BitrateObject(rates));
    ASSERT_TRUE(inspect(asf::Header(objects)));
    EXPECT_EQ(streamTable(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    const QStringList bitRateLines = lines(PropertyField::BitRateInfo);
    ASSERT_EQ(bitRateLines.size(), 1 + 2 * 10);
    EXPECT_EQ(bitRateLines.first(), QStringLiteral("合計可用的 = 12"));
    EXPECT_EQ(bitRateLines.last(), QStringLiteral("串流比率:10000"));

    // The count goes on from where it stood, within the table.
    t.run.streamCount = 9;
    ASSERT_TRUE(inspect(AudioThenVideo()));
    EXPECT_EQ(t.run.streamCount, 10u);
    EXPECT_EQ(t.run.streamNumbers[9], 1);
}

TEST_F(Inspection, RequiredObjectsFailWithTheirMessages)
{
    const QByteArray good = AudioThenVideo();
    struct Case {
        QByteArray bytes;
        QString message;
    };
    QByteArray noHeader = good, noData = good, noFile = good,
               noStreams = asf::Header({asf::FilePropertiesObject({})});
    noHeader.replace(0, 5, "xxxxx");
    noData.replace(noData.indexOf(asf::kDataGuid), 5, "xxxxx");
    noFile.replace(noFile.indexOf(asf::kFilePropertiesGuid), 5, "xxxxx");
    const Case cases[] = {
        {noHeader, QStringLiteral("ASF 錯誤 - 沒有建立大量物件標題")},
        {noData, QStringLiteral("ASF 錯誤 - 沒有建立資料物件")},
        {noStreams, QStringLiteral("ASF 錯誤 - 串流 IDs 指示沒有串流在此")},
        {noFile, QStringLiteral("ASF 錯誤 - 沒有建立檔案物件")},
        {QByteArray(), QStringLiteral("ASF 標題沒有包含資料")},
    };
    for (const Case& c : cases) {
        t.shell.messages.clear();
        t.shell.propertyLines.clear();
        t.run.streamCount = 0;
        EXPECT_FALSE(inspect(c.bytes));
        EXPECT_EQ(t.shell.messages, QStringList{c.message});
    }
    // The bit-rate lines come before the stream check.
    EXPECT_TRUE(t.shell.propertyLines.isEmpty());
    ASSERT_FALSE(inspect(noStreams));
    EXPECT_EQ(lines(PropertyField::BitRateInfo), QStringList{QStringLiteral("單一的位元率")});

    t.shell.messages.clear();
    EXPECT_FALSE(InspectHeader(t.ctx, t.dir.filePath(QStringLiteral("absent.asf"))));
    EXPECT_EQ(t.shell.messages, QStringList{QStringLiteral("不能夠開啟檔案來解壓縮")});
}

TEST_F(Inspection, LengthsThatPointPastTheirObjectEndThatObjectsPart)
{
    // A title length beyond the object: nothing of the object is shown.
    QByteArray content = asf::ContentObject(QStringLiteral("T"), QString(), QString(), QString(), QString());
    PutLE(content, 24, 0xFFFF, 2);
    // A descriptor name running past its object: the second one is dropped.
    QByteArray ext = ExtendedContent({{QStringLiteral("One"), 0, asf::Utf16(QStringLiteral("1"))},
                                      {QStringLiteral("Two"), 0, asf::Utf16(QStringLiteral("2"))}});
    PutLE(ext, 24 + 2 + 2 + 8 + 2 + 2 + 4, 0x7FFF, 2);
    // A codec list claiming four billion entries.
    const QByteArray codecs = CodecList({{2, QStringLiteral("A"), QString(), "x"}}, 0xFFFFFFFF);
    t.shell.properties[PropertyField::Clip] = QStringLiteral("earlier");

    ASSERT_TRUE(inspect(AudioThenVideo({content, ext, codecs})));
    EXPECT_EQ(property(PropertyField::Clip), QStringLiteral("earlier"));
    EXPECT_EQ(lines(PropertyField::Version),
              (QStringList{QStringLiteral("編碼器: One"), QStringLiteral("版本: 1")}));
    EXPECT_EQ(lines(PropertyField::Codecs),
              (QStringList{QStringLiteral(" ---------- 音訊 ----------"), QStringLiteral("音訊 : A"),
                           QStringLiteral("比率 : ")}));

    // A File Properties Object cut short by the end of the header read fails.
    const QByteArray good = AudioThenVideo();
    EXPECT_FALSE(inspect(good, std::uint32_t(good.indexOf(asf::kFilePropertiesGuid) + 90)));
}

TEST_F(Inspection, DamagedHeadersNeverReadPastTheirBytes)
{
    // Every cut of a real header, and random damage to it, ends in an answer.
    const QByteArray header = test::ReadAsf(test::SamplePath(test::Sample::Wmv)).header;
    ASSERT_FALSE(header.isEmpty());
    for (qsizetype cut = 1; cut < header.size(); cut += 7)
        inspect(header.left(cut), std::uint32_t(header.size()));
    QRandomGenerator random(20261206);
    for (int round = 0; round < 300; ++round) {
        QByteArray damaged = header;
        for (int i = 0; i < 8; ++i) damaged[random.bounded(int(damaged.size()))] = char(random.bounded(256));
        t.run.streamCount = 0;
        inspect(damaged, std::uint32_t(damaged.size()));
    }
    EXPECT_TRUE(inspect(header, std::uint32_t(header.size()))) << "the intact header still passes";
}

TEST_F(Inspection, FileTimesInLocalTimeNamingTheZone)
{
    // A zone eight hours east of UTC, without daylight saving, for this case only.
    struct Zone {
        QByteArray saved = qgetenv("TZ");
        Zone() { qputenv("TZ", "TST-8"), tzset(); }
        ~Zone() { saved.isNull() ? qunsetenv("TZ") : qputenv("TZ", saved), tzset(); }
    } zone;
    asf::FileProperties props;
    props.creation = 132539328000000000ull;  // 2021-01-01 00:00:00 UTC
    ASSERT_TRUE(inspect(asf::Header({asf::FilePropertiesObject(props), asf::StreamPropertiesObject(1)})));
    const QLocale locale;
    const QString created = property(PropertyField::CreatedAsf);
    EXPECT_TRUE(created.contains(QStringLiteral("01 ") + locale.monthName(1) + QStringLiteral(" 2021")))
        << created.toStdString();
    EXPECT_TRUE(created.endsWith(QStringLiteral("08:00:00 ") + locale.amText().toUpper() + QStringLiteral(" TST  (ASF FILETIME)")))
        << created.toStdString();
    const QString written = locale.toString(QFileInfo(path).lastModified().toLocalTime().time(),
                                            QStringLiteral("hh':'mm':'ss AP"));
    EXPECT_TRUE(property(PropertyField::CreatedFile).contains(written + QStringLiteral(" TST  (最後寫入的串流檔案)")))
        << property(PropertyField::CreatedFile).toStdString();

    // A creation date of 0 leaves the field alone; one no calendar holds is an error.
    props.creation = 0;
    ASSERT_TRUE(inspect(asf::Header({asf::FilePropertiesObject(props), asf::StreamPropertiesObject(1)})));
    EXPECT_EQ(property(PropertyField::CreatedAsf), created);
    props.creation = 0x8000000000000000ull;
    ASSERT_TRUE(inspect(asf::Header({asf::FilePropertiesObject(props), asf::StreamPropertiesObject(1)})));
    EXPECT_EQ(property(PropertyField::CreatedAsf), QStringLiteral("FILETIME value error"));
}
