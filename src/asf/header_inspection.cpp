#include "asf/header_inspection.h"

#include "state/app_context.h"
#include "state/format_time.h"
#include "state/run_state.h"
#include "state/shell.h"
#include "state/text_rules.h"
#include "asf/asf_objects.h"
#include "asf/byte_helpers.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QStringDecoder>

#include <algorithm>
#include <optional>

namespace tovrin {

namespace {

// Stream kind bits of the run state.
constexpr std::uint32_t kAudioBit = 1;
constexpr std::uint32_t kVideoBit = 2;
constexpr std::uint32_t kAudioSpreadBit = 4;

// Fixed part of a Stream Properties Object, and with the video size after it.
constexpr qsizetype kStreamPropertiesSize = 78;
constexpr qsizetype kVideoStreamPropertiesSize = 86;
constexpr qsizetype kFilePropertiesSize = 104;

// Header strings are UTF-16LE, most of them ending in a NUL.
QString Utf16Text(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf16LE, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes.first(bytes.size() & ~qsizetype(1)));
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    if (nul >= 0)
        text.truncate(nul);
    return text;
}

// Reads forward through the bytes of one object; every read fails once it
// would pass their end, and so does every read after it.
class Cursor {
public:
    Cursor(QByteArrayView bytes, qsizetype pos) : m_bytes(bytes), m_pos(pos) {}

    std::optional<std::uint16_t> le16() { return number<std::uint16_t>(LE16At(m_bytes, m_pos), 2); }
    std::optional<std::uint32_t> le32() { return number<std::uint32_t>(LE32At(m_bytes, m_pos), 4); }
    std::optional<QByteArrayView> take(qsizetype n)
    {
        if (!m_ok || n < 0 || m_pos < 0 || n > m_bytes.size() - m_pos)
            return fail<QByteArrayView>();
        m_pos += n;
        return m_bytes.sliced(m_pos - n, n);
    }
    // A 16-bit length field followed by that many units of `unit` bytes.
    std::optional<QByteArrayView> counted(int unit)
    {
        const auto n = le16();
        return n ? take(qsizetype(*n) * unit) : std::nullopt;
    }

private:
    template <typename T, typename V>
    std::optional<T> number(const V& value, qsizetype width)
    {
        if (!m_ok || !value)
            return fail<T>();
        m_pos += width;
        return T(*value);
    }
    template <typename T>
    std::optional<T> fail()
    {
        m_ok = false;
        return std::nullopt;
    }

    QByteArrayView m_bytes;
    qsizetype m_pos;
    bool m_ok = true;
};

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

QDateTime FromFileTime(std::uint64_t fileTime)
{
    constexpr std::int64_t kUnixEpochIn1601Ms = 11644473600000;
    if (fileTime > std::uint64_t(INT64_MAX))
        return {};
    return QDateTime::fromMSecsSinceEpoch(std::int64_t(fileTime / 10000) - kUnixEpochIn1601Ms, Qt::UTC);
}

// A descriptor value as text: strings (and byte arrays) converted, numbers in
// decimal.
QString DescriptorValue(std::uint16_t type, QByteArrayView value)
{
    const bool number = type >= 2 && type <= 5;
    if (number && (value.size() == 2 || value.size() == 4 || value.size() == 8))
        return QString::number(*LEAt(value, 0, int(value.size())));
    return Utf16Text(value);
}

class Inspection {
public:
    Inspection(AppContext& ctx, QByteArray header) : m_ctx(ctx), m_shell(ctx.shell), m_h(std::move(header)) {}

    bool run(const QString& path)
    {
        if (FindObject(m_h, guid::kHeaderObject) < 0)
            return fail(QStringLiteral("ASF 錯誤 - 沒有建立大量物件標題"));
        if (FindObject(m_h, guid::kDataObject) < 0)
            return fail(QStringLiteral("ASF 錯誤 - 沒有建立資料物件"));
        bitRates();
        streams();
        if (m_ctx.run.streamCount == 0)
            return fail(QStringLiteral("ASF 錯誤 - 串流 IDs 指示沒有串流在此"));
        if (!fileProperties())
            return fail(QStringLiteral("ASF 錯誤 - 沒有建立檔案物件"));
        contentDescription();
        encoderInformation();
        codecs();
        return details(path);
    }

private:
    bool fail(const QString& message)
    {
        m_shell.showMessage(message);
        return false;
    }
    void line(PropertyField field, const QString& text) { m_shell.appendPropertyLine(field, text); }

    // The first object whose GUID begins with prefix; empty when there is none.
    QByteArrayView object(QByteArrayView prefix) const
    {
        const qsizetype at = FindObject(m_h, prefix);
        return at < 0 ? QByteArrayView() : ObjectBytes(m_h, at);
    }

    void bitRates()
    {
        const qsizetype at = FindObject(m_h, guid::kStreamBitrateProperties);
        if (at < 0) {
            line(PropertyField::BitRateInfo, QStringLiteral("單一的位元率"));
            return;
        }
        Cursor c(ObjectBytes(m_h, at), 24);
        const auto count = c.le16();
        if (!count)
            return;
        line(PropertyField::BitRateInfo, QStringLiteral("合計可用的 = %1").arg(*count));
        // The run keeps no more than kMaxStreams records; so does the list.
        for (int i = 0; i < std::min<int>(*count, kMaxStreams); ++i) {
            const auto flags = c.le16();
            const auto average = c.le32();
            if (!average)
                return;
            const std::uint8_t stream = std::uint8_t(*flags & 0xFF);
            line(PropertyField::BitRateInfo, QStringLiteral("串流 ID:%1").arg(stream) + kindOfStream(stream));
            line(PropertyField::BitRateInfo, QStringLiteral("串流比率:%1").arg(*average));
        }
    }

    // The kind a bit-rate line names: the media type of the stream's
    // properties object (the low seven bits of a flags field number a
    // stream). No kind for another type, nor for a stream no object describes.
    QString kindOfStream(std::uint8_t number) const
    {
        for (qsizetype at = FindObject(m_h, guid::kStreamProperties); at >= 0;
             at = FindObject(m_h, guid::kStreamProperties, at + 1)) {
            const QByteArrayView s = ObjectBytes(m_h, at);
            if (s.size() < kStreamPropertiesSize || (std::uint8_t(s[72]) & 0x7F) != (number & 0x7F))
                continue;
            const QByteArrayView type = s.sliced(24, 5);
            if (type == guid::kAudioMedia)
                return QStringLiteral("  音訊");
            if (type == guid::kVideoMedia)
                return QStringLiteral("  視訊");
            return {};
        }
        return {};
    }

    void streams()
    {
        RunState& run = m_ctx.run;
        run.streamNumbers.fill(0);
        for (qsizetype at = FindObject(m_h, guid::kStreamProperties); at >= 0;
             at = FindObject(m_h, guid::kStreamProperties, at + 1)) {
            const QByteArrayView s = ObjectBytes(m_h, at);
            const std::uint32_t count = run.streamCount;
            if (count >= kMaxStreams || s.size() < kStreamPropertiesSize)
                continue;  // beyond the stream table, or cut short: not a stream the run can select
            const QByteArrayView type = s.sliced(24, 5);
            if (type == guid::kVideoMedia) {
                if (s.size() < kVideoStreamPropertiesSize)
                    continue;
                m_videoSize = QStringLiteral("%1 x %2").arg(*LE32At(s, 78)).arg(*LE32At(s, 82));
                run.streamKindBits |= kVideoBit;
            }
            if (type == guid::kAudioMedia) {
                if (s.sliced(40, 5) == guid::kAudioSpread)
                    run.streamKindBits |= kAudioSpreadBit;
                run.streamKindBits |= kAudioBit;
            }
            run.streamNumbers[count] = std::uint8_t(s[72]);
            run.streamCount = count + 1;
        }
    }

    bool fileProperties()
    {
        const QByteArrayView f = object(guid::kFileProperties);
        if (f.size() < kFilePropertiesSize)
            return false;
        RunState& run = m_ctx.run;
        m_fileSize = *LE64At(f, 40);
        m_creation = *LE64At(f, 48);
        run.headerFileSize = std::uint32_t(std::min<std::uint64_t>(m_fileSize, UINT32_MAX));
        run.storedPacketCount = *LE32At(f, 56);
        run.headerSendDuration = std::uint32_t(std::min<std::uint64_t>(*LE64At(f, 72) / 10000, UINT32_MAX));
        run.maxBitRate = *LE32At(f, 100);
        return true;
    }

    void contentDescription()
    {
        const qsizetype at = FindObject(m_h, guid::kContentDescription);
        if (at < 0) {
            m_shell.setProperty(PropertyField::Description, QStringLiteral("沒有可用的檔案"));
            return;
        }
        Cursor lengths(ObjectBytes(m_h, at), 24);
        Cursor texts(ObjectBytes(m_h, at), 34);
        // Title, author, copyright, description, rating, one after the other;
        // a text that runs past the object ends the list there.
        for (PropertyField field : {PropertyField::Clip, PropertyField::Author, PropertyField::Copyright,
                                    PropertyField::Description, PropertyField::Rating}) {
            const auto length = lengths.le16();
            const auto text = length ? texts.take(*length) : std::nullopt;
            if (!text)
                return;
            m_shell.setProperty(field, Utf16Text(*text));
        }
    }

    void encoderInformation()
    {
        const qsizetype at = FindObject(m_h, guid::kExtendedContentDescription);
        QStringList lines;
        if (at >= 0) {
            Cursor c(ObjectBytes(m_h, at), 24);
            const auto count = c.le16();
            const QString labels[2][2] = {{QStringLiteral("編碼器: "), QStringLiteral("版本: ")},
                                          {QStringLiteral("註解: "), QStringLiteral("其他: ")}};
            for (int i = 0; count && i < std::min<int>(*count, 2); ++i) {
                const auto name = c.counted(1);
                const auto type = c.le16();
                const auto value = c.counted(1);
                if (!value)
                    break;
                lines << labels[i][0] + Utf16Text(*name) << labels[i][1] + DescriptorValue(*type, *value);
            }
        }
        if (lines.isEmpty())
            lines << QStringLiteral("沒有可用的");
        for (const QString& text : lines) line(PropertyField::Version, text);
    }

    void codecs()
    {
        const qsizetype reserved = FindObject(m_h, guid::kCodecListReserved);
        if (reserved < 0) {
            line(PropertyField::Codecs, QStringLiteral("沒有可用的"));
            return;
        }
        // The entries are read within the Codec List Object that holds the
        // reserved GUID, or within the header when it stands elsewhere.
        QByteArrayView bytes = m_h;
        const qsizetype list = FindObject(m_h, guid::kCodecList);
        if (list >= 0 && list + 24 == reserved)
            bytes = QByteArrayView(m_h).first(list + ObjectBytes(m_h, list).size());

        Cursor c(bytes, reserved + 16);
        std::uint32_t count = c.le32().value_or(0);
        std::optional<QString> audioName, audioDescription, videoName, fourCc;
        for (; count > 0; --count) {
            const auto type = c.le16();
            const auto name = c.counted(2);
            const auto description = c.counted(2);
            const auto information = c.counted(1);
            if (!information)
                break;
            if (*type == 2) {
                audioName = Utf16Text(*name);
                audioDescription = Utf16Text(*description);
            } else if (*type == 1) {
                videoName = Utf16Text(*name);
                fourCc = QString::fromLatin1(*information);
            } else if (*type > 2) {
                line(PropertyField::Codecs, QStringLiteral("顯示太多的編碼"));
            }
        }
        if (audioName) {
            line(PropertyField::Codecs, QStringLiteral(" ---------- 音訊 ----------"));
            line(PropertyField::Codecs, QStringLiteral("音訊 : ") + *audioName);
            line(PropertyField::Codecs, QStringLiteral("比率 : ") + *audioDescription);
        }
        if (videoName) {
            line(PropertyField::Codecs, QStringLiteral(" ---------- 視訊 ----------"));
            line(PropertyField::Codecs, QStringLiteral("視訊 : ") + *videoName);
            line(PropertyField::Codecs, QStringLiteral("FourCC: ") + *fourCc);
        }
    }

    bool details(const QString& path)
    {
        RunState& run = m_ctx.run;
        const std::uint32_t kinds = run.streamKindBits;
        const bool live = run.isLive();
        const QString liveText = QStringLiteral("現況");

        m_shell.setProperty(PropertyField::Location, run.mediaLocation);
        QString type;
        if (kinds & kVideoBit)
            type += QStringLiteral("[視訊] ");
        if (kinds & kAudioBit)
            type += QStringLiteral("[音訊] ");
        if (kinds & kAudioSpreadBit)
            type += QStringLiteral("以及音訊隱藏應用");
        m_shell.setProperty(PropertyField::Type, type);
        m_shell.setProperty(PropertyField::Length, live ? liveText : FormatTime(run.headerSendDuration));
        m_shell.setProperty(PropertyField::VidSize,
                            m_videoSize.isEmpty() ? QStringLiteral("沒有可用的") : m_videoSize);
        m_shell.setProperty(
            PropertyField::FileSize,
            live ? liveText
                 : QString::number(m_fileSize / 1000) + QStringLiteral(" KBytes,  (當下載完成時預計的大小)"));

        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("不能夠開啟檔案 時間/日期資訊"));
        const QDateTime written = file.fileTime(QFileDevice::FileModificationTime);
        file.close();
        if (!written.isValid()) {
            m_shell.setProperty(PropertyField::CreatedFile, QStringLiteral("沒有存取到檔案時間"));
        } else {
            const std::optional<QString> stamp = FormatStamp(written);
            m_shell.setProperty(PropertyField::CreatedFile,
                                stamp ? *stamp + QStringLiteral("  (最後寫入的串流檔案)")
                                      : QStringLiteral("FILETIME value error"));
        }

        if (m_creation != 0) {
            const std::optional<QString> stamp = FormatStamp(FromFileTime(m_creation));
            m_shell.setProperty(PropertyField::CreatedAsf, stamp ? *stamp + QStringLiteral("  (ASF FILETIME)")
                                                                 : QStringLiteral("FILETIME value error"));
        }
        return true;
    }

    AppContext& m_ctx;
    Shell& m_shell;
    const QByteArray m_h;
    QString m_videoSize;
    std::uint64_t m_fileSize = 0;
    std::uint64_t m_creation = 0;
};

}  // namespace

bool InspectHeader(AppContext& ctx, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ctx.shell.showMessage(QStringLiteral("不能夠開啟檔案來解壓縮"));
        return false;
    }
    if (file.size() == 0) {
        ctx.shell.showMessage(QStringLiteral("ASF 標題沒有包含資料"));
        return false;
    }
    QByteArray header = ReadStoredHeader(file, ctx.run.headerLength);
    file.close();
    return Inspection(ctx, std::move(header)).run(path);
}

}  // namespace tovrin
