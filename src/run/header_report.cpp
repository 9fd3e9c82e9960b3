#include "run/header_report.h"

#include "state/format_time.h"
#include "state/run_state.h"
#include "state/session_state.h"
#include "state/shell.h"
#include "state/text_rules.h"

#include <QCoreApplication>
#include <QLocale>

#include <algorithm>

namespace tovrin {

namespace {

// Stream kind bits of the run state.
constexpr std::uint32_t kAudioBit = 1;
constexpr std::uint32_t kVideoBit = 2;
constexpr std::uint32_t kAudioSpreadBit = 4;

// Looked up when used, so the language chosen at start-up applies.
QString NoneAvailable()
{
    return QCoreApplication::translate("Tovrin", "沒有可用的");
}

// A moment as the date and time texts of the user's locale, in local time
// followed by the zone's abbreviation, so the reader knows which clock it is.
std::optional<QString> FormatStamp(const QDateTime& moment)
{
    if (!moment.isValid())
        return std::nullopt;
    const QDateTime local = moment.toLocalTime();
    const QLocale locale;
    const QString date = TrimBlanks(locale.toString(local.date(), QStringLiteral("ddd',' dd MMMM yyyy")));
    const QString time = TrimBlanks(locale.toString(local.time(), QStringLiteral("hh':'mm':'ss AP")));
    if (!local.isValid() || date.isEmpty() || time.isEmpty())
        return std::nullopt;
    const QString zone = local.timeZoneAbbreviation();
    return date + QStringLiteral("  ") + time + (zone.isEmpty() ? QString() : u' ' + zone);
}

void ShowBitRates(Shell& shell, const std::optional<BitRateTable>& table)
{
    const auto line = [&](const QString& text) { shell.appendPropertyLine(PropertyField::BitRateInfo, text); };
    if (!table) {
        line(QCoreApplication::translate("Tovrin", "單一的位元率"));
        return;
    }
    if (!table->declaredCount)
        return;
    line(QCoreApplication::translate("Tovrin", "合計可用的 = %1").arg(*table->declaredCount));
    for (const BitRateRecord& record : table->records) {
        QString kind;
        if (record.kind == StreamKind::Audio)
            kind = QCoreApplication::translate("Tovrin", "  音訊");
        else if (record.kind == StreamKind::Video)
            kind = QCoreApplication::translate("Tovrin", "  視訊");
        line(QCoreApplication::translate("Tovrin", "串流 ID:%1").arg(record.stream) + kind);
        line(QCoreApplication::translate("Tovrin", "串流比率:%1").arg(record.averageBitRate));
    }
}

// Enters the streams into the session's table after those the run counts,
// as far as the table goes, and answers the size of the last video stream
// entered.
std::optional<VideoSize> EnterStreams(RunState& run, SessionState& session, const std::vector<StreamFacts>& streams)
{
    std::optional<VideoSize> videoSize;
    session.streamNumbers.fill(0);
    for (const StreamFacts& stream : streams) {
        const std::uint32_t count = run.streamCount;
        if (count >= kMaxStreams)
            break;
        if (stream.kind == StreamKind::Video) {
            videoSize = stream.videoSize;
            run.streamKindBits |= kVideoBit;
        }
        if (stream.kind == StreamKind::Audio)
            run.streamKindBits |= stream.audioSpread ? kAudioBit | kAudioSpreadBit : kAudioBit;
        session.streamNumbers[count] = stream.number;
        run.streamCount = count + 1;
    }
    return videoSize;
}

void EnterFileProperties(RunState& run, const FileProperties& file)
{
    run.headerFileSize = std::uint32_t(std::min<std::uint64_t>(file.fileSize, UINT32_MAX));
    run.storedPacketCount = file.dataPacketCount;
    run.headerSendDuration = std::uint32_t(std::min<std::uint64_t>(file.sendDurationMs, UINT32_MAX));
    run.maxBitRate = file.maxBitRate;
}

void ShowContent(Shell& shell, const std::optional<ContentDescription>& content)
{
    if (!content) {
        shell.setProperty(PropertyField::Description, QCoreApplication::translate("Tovrin", "沒有可用的檔案"));
        return;
    }
    const std::pair<PropertyField, const std::optional<QString>&> fields[] = {
        {PropertyField::Clip, content->title},
        {PropertyField::Author, content->author},
        {PropertyField::Copyright, content->copyright},
        {PropertyField::Description, content->description},
        {PropertyField::Rating, content->rating}};
    for (const auto& [field, text] : fields) {
        if (text)
            shell.setProperty(field, *text);
    }
}

void ShowEncoder(Shell& shell, const std::vector<ContentDescriptor>& descriptors)
{
    const auto line = [&](const QString& text) { shell.appendPropertyLine(PropertyField::Version, text); };
    const QString labels[2][2] = {
        {QCoreApplication::translate("Tovrin", "編碼器: "), QCoreApplication::translate("Tovrin", "版本: ")},
        {QCoreApplication::translate("Tovrin", "註解: "), QCoreApplication::translate("Tovrin", "其他: ")}};
    for (std::size_t i = 0; i < std::min<std::size_t>(descriptors.size(), 2); ++i) {
        line(labels[i][0] + descriptors[i].name);
        line(labels[i][1] + descriptors[i].value);
    }
    if (descriptors.empty())
        line(NoneAvailable());
}

void ShowCodecs(Shell& shell, const std::optional<CodecSummary>& codecs)
{
    const auto line = [&](const QString& text) { shell.appendPropertyLine(PropertyField::Codecs, text); };
    if (!codecs) {
        line(NoneAvailable());
        return;
    }
    for (int i = 0; i < codecs->higherTypeEntries; ++i)
        line(QCoreApplication::translate("Tovrin", "顯示太多的編碼"));
    if (const auto& audio = codecs->audio) {
        line(QCoreApplication::translate("Tovrin", " ---------- 音訊 ----------"));
        line(QCoreApplication::translate("Tovrin", "音訊 : ") + audio->name);
        line(QCoreApplication::translate("Tovrin", "比率 : ") + audio->description);
    }
    if (const auto& video = codecs->video) {
        line(QCoreApplication::translate("Tovrin", " ---------- 視訊 ----------"));
        line(QCoreApplication::translate("Tovrin", "視訊 : ") + video->name);
        line(QStringLiteral("FourCC: ") + QString::fromLatin1(video->fourCc));
    }
}

void ShowDetails(const RunState& run, const QString& mediaLocation, Shell& shell,
                 const std::optional<VideoSize>& videoSize, std::uint64_t fileSize)
{
    const std::uint32_t kinds = run.streamKindBits;
    const bool live = run.isLive();
    const QString liveText = QCoreApplication::translate("Tovrin", "現況");

    shell.setProperty(PropertyField::Location, mediaLocation);
    QString type;
    if (kinds & kVideoBit)
        type += QCoreApplication::translate("Tovrin", "[視訊] ");
    if (kinds & kAudioBit)
        type += QCoreApplication::translate("Tovrin", "[音訊] ");
    if (kinds & kAudioSpreadBit)
        type += QCoreApplication::translate("Tovrin", "以及音訊隱藏應用");
    shell.setProperty(PropertyField::Type, type);
    shell.setProperty(PropertyField::Length, live ? liveText : FormatTime(run.headerSendDuration));
    shell.setProperty(
        PropertyField::VidSize,
        videoSize ? QStringLiteral("%1 x %2").arg(videoSize->width).arg(videoSize->height) : NoneAvailable());
    shell.setProperty(PropertyField::FileSize,
                      live ? liveText
                           : QString::number(fileSize / 1000)
                                 + QCoreApplication::translate("Tovrin", " KBytes,  (當下載完成時預計的大小)"));
}

void ShowDates(Shell& shell, const QDateTime& fileWritten, const std::optional<QDateTime>& created)
{
    if (!fileWritten.isValid()) {
        shell.setProperty(PropertyField::CreatedFile, QCoreApplication::translate("Tovrin", "沒有存取到檔案時間"));
    } else {
        const std::optional<QString> stamp = FormatStamp(fileWritten);
        shell.setProperty(PropertyField::CreatedFile,
                          stamp ? *stamp + QCoreApplication::translate("Tovrin", "  (最後寫入的串流檔案)")
                                : QStringLiteral("FILETIME value error"));
    }
    if (created) {
        const std::optional<QString> stamp = FormatStamp(*created);
        shell.setProperty(PropertyField::CreatedAsf,
                          stamp ? *stamp + QStringLiteral("  (ASF FILETIME)") : QStringLiteral("FILETIME value error"));
    }
}

}  // namespace

QString InspectionErrorText(InspectionError error)
{
    switch (error) {
    case InspectionError::CannotOpenFile:
        return QCoreApplication::translate("Tovrin", "不能夠開啟檔案來解壓縮");
    case InspectionError::FileIsEmpty:
        return QCoreApplication::translate("Tovrin", "ASF 標題沒有包含資料");
    case InspectionError::NoHeaderObject:
        return QCoreApplication::translate("Tovrin", "ASF 錯誤 - 沒有建立大量物件標題");
    case InspectionError::NoDataObject:
        return QCoreApplication::translate("Tovrin", "ASF 錯誤 - 沒有建立資料物件");
    case InspectionError::NoStreams:
        return QCoreApplication::translate("Tovrin", "ASF 錯誤 - 串流 IDs 指示沒有串流在此");
    case InspectionError::NoFileProperties:
        return QCoreApplication::translate("Tovrin", "ASF 錯誤 - 沒有建立檔案物件");
    case InspectionError::CannotOpenForFileTimes:
        return QCoreApplication::translate("Tovrin", "不能夠開啟檔案 時間/日期資訊");
    }
    return {};
}

bool ApplyHeaderReading(RunState& run, SessionState& session, Shell& shell, const HeaderReading& reading)
{
    const std::optional<InspectionError> error = reading.error;
    const HeaderFacts& facts = reading.facts;
    const auto fail = [&] {
        shell.showMessage(InspectionErrorText(*error));
        return false;
    };
    // Each step below stands where the reading takes in its part, so a failed
    // reading leaves what it read before the failure.
    if (error && *error < InspectionError::NoStreams)
        return fail();
    ShowBitRates(shell, facts.bitRates);
    const std::optional<VideoSize> videoSize = EnterStreams(run, session, facts.streams);
    if (error == InspectionError::NoStreams || error == InspectionError::NoFileProperties)
        return fail();
    EnterFileProperties(run, facts.fileProperties);
    ShowContent(shell, facts.content);
    ShowEncoder(shell, facts.encoderDescriptors);
    ShowCodecs(shell, facts.codecs);
    ShowDetails(run, session.mediaLocation, shell, videoSize, facts.fileProperties.fileSize);
    if (error)
        return fail();
    ShowDates(shell, facts.fileWritten, facts.fileProperties.created);
    return true;
}

}  // namespace tovrin
