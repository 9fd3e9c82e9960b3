#include "asf/header_facts.h"

#include "asf/asf_objects.h"
#include "asf/byte_helpers.h"
#include "state/run_state.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>

namespace tovrin {

namespace {

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

class HeaderReader {
public:
    explicit HeaderReader(QByteArrayView header) : m_h(header), m_objects(header) {}

    HeaderReading read()
    {
        if (!m_h.startsWith(guid::kHeaderObject))
            return failed(InspectionError::NoHeaderObject);
        if (m_objects.dataObject() < 0)
            return failed(InspectionError::NoDataObject);
        m_facts.bitRates = bitRates();
        m_facts.streams = streams();
        if (m_facts.streams.empty())
            return failed(InspectionError::NoStreams);
        const std::optional<FileProperties> file = fileProperties();
        if (!file)
            return failed(InspectionError::NoFileProperties);
        m_facts.fileProperties = *file;
        m_facts.content = contentDescription();
        m_facts.encoderDescriptors = encoderDescriptors();
        m_facts.codecs = codecs();
        return {std::move(m_facts), std::nullopt};
    }

private:
    HeaderReading failed(InspectionError error) { return {std::move(m_facts), error}; }

    // The bytes of the first object whose GUID begins with `prefix`; none when
    // the header holds no such object.
    std::optional<QByteArrayView> object(QByteArrayView prefix) const
    {
        const qsizetype at = m_objects.find(prefix);
        return at < 0 ? std::nullopt : std::optional(ObjectBytes(m_h, at));
    }

    // Every Stream Properties Object that is long enough to read, in header order.
    template <typename Visit>
    void forEachStreamObject(Visit visit) const
    {
        for (const qsizetype at : m_objects.findAll(guid::kStreamProperties)) {
            const QByteArrayView s = ObjectBytes(m_h, at);
            if (s.size() >= kStreamPropertiesSize && !visit(s))
                return;
        }
    }

    static StreamKind mediaType(QByteArrayView s)
    {
        const QByteArrayView type = s.sliced(24, 5);
        if (type == guid::kAudioMedia)
            return StreamKind::Audio;
        if (type == guid::kVideoMedia)
            return StreamKind::Video;
        return StreamKind::Other;
    }

    std::optional<BitRateTable> bitRates() const
    {
        const std::optional<QByteArrayView> bytes = object(guid::kStreamBitrateProperties);
        if (!bytes)
            return std::nullopt;
        BitRateTable table;
        Cursor c(*bytes, 24);
        table.declaredCount = c.le16();
        if (!table.declaredCount)
            return table;
        // The run keeps no more than kMaxStreams records; so does the table.
        for (int i = 0; i < std::min<int>(*table.declaredCount, kMaxStreams); ++i) {
            const auto flags = c.le16();
            const auto average = c.le32();
            if (!average)
                break;
            const std::uint8_t stream = std::uint8_t(*flags & 0xFF);
            table.records.push_back({stream, *average, kindOfStream(stream)});
        }
        return table;
    }

    // The media type of the properties object of a stream (the low seven bits
    // of a flags field number a stream); none when no object describes it.
    std::optional<StreamKind> kindOfStream(std::uint8_t number) const
    {
        std::optional<StreamKind> kind;
        forEachStreamObject([&](QByteArrayView s) {
            if ((std::uint8_t(s[72]) & 0x7F) != (number & 0x7F))
                return true;
            kind = mediaType(s);
            return false;
        });
        return kind;
    }

    std::vector<StreamFacts> streams() const
    {
        std::vector<StreamFacts> streams;
        forEachStreamObject([&](QByteArrayView s) {
            StreamFacts stream{std::uint8_t(s[72]), mediaType(s), false, std::nullopt};
            if (stream.kind == StreamKind::Video) {
                if (s.size() < kVideoStreamPropertiesSize)
                    return true;  // cut short: not a stream the run can select
                stream.videoSize = VideoSize{*LE32At(s, 78), *LE32At(s, 82)};
            }
            stream.audioSpread = stream.kind == StreamKind::Audio && s.sliced(40, 5) == guid::kAudioSpread;
            streams.push_back(stream);
            return true;
        });
        return streams;
    }

    std::optional<FileProperties> fileProperties() const
    {
        const QByteArrayView f = object(guid::kFileProperties).value_or(QByteArrayView());
        if (f.size() < kFilePropertiesSize)
            return std::nullopt;
        FileProperties file;
        file.fileSize = *LE64At(f, 40);
        if (const std::uint64_t creation = *LE64At(f, 48))
            file.created = FromFileTime(creation);
        file.dataPacketCount = *LE32At(f, 56);
        file.sendDurationMs = *LE64At(f, 72) / 10000;
        file.maxBitRate = *LE32At(f, 100);
        return file;
    }

    std::optional<ContentDescription> contentDescription() const
    {
        const std::optional<QByteArrayView> bytes = object(guid::kContentDescription);
        if (!bytes)
            return std::nullopt;
        ContentDescription content;
        Cursor lengths(*bytes, 24);
        Cursor texts(*bytes, 34);
        // Stored one after the other; a text that runs past the object ends
        // the list there.
        for (std::optional<QString>* text :
             {&content.title, &content.author, &content.copyright, &content.description, &content.rating}) {
            const auto length = lengths.le16();
            const auto bytes = length ? texts.take(*length) : std::nullopt;
            if (!bytes)
                break;
            *text = Utf16Text(*bytes);
        }
        return content;
    }

    std::vector<ContentDescriptor> encoderDescriptors() const
    {
        std::vector<ContentDescriptor> descriptors;
        Cursor c(object(guid::kExtendedContentDescription).value_or(QByteArrayView()), 24);
        const auto count = c.le16();
        for (int i = 0; count && i < *count; ++i) {
            const auto name = c.counted(1);
            const auto type = c.le16();
            const auto value = c.counted(1);
            if (!value)
                break;
            descriptors.push_back({Utf16Text(*name), DescriptorValue(*type, *value)});
        }
        return descriptors;
    }

    std::optional<CodecSummary> codecs() const
    {
        // The entries follow the reserved GUID, within the Codec List Object.
        const QByteArrayView bytes = object(guid::kCodecList).value_or(QByteArrayView());
        if (bytes.size() < 40 || !bytes.sliced(24).startsWith(guid::kCodecListReserved))
            return std::nullopt;

        CodecSummary summary;
        Cursor c(bytes, 40);
        for (std::uint32_t count = c.le32().value_or(0); count > 0; --count) {
            const auto type = c.le16();
            const auto name = c.counted(2);
            const auto description = c.counted(2);
            const auto information = c.counted(1);
            if (!information)
                break;
            if (*type == 2)
                summary.audio = CodecSummary::Audio{Utf16Text(*name), Utf16Text(*description)};
            else if (*type == 1)
                summary.video = CodecSummary::Video{Utf16Text(*name), information->toByteArray()};
            else if (*type > 2)
                ++summary.higherTypeEntries;
        }
        return summary;
    }

    const QByteArrayView m_h;
    const HeaderObjects m_objects;
    HeaderFacts m_facts;
};

}  // namespace

HeaderReading ReadHeaderFacts(QByteArrayView header)
{
    return HeaderReader(header).read();
}

HeaderReading ReadHeaderFile(const QString& path, std::uint32_t headerLength)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, InspectionError::CannotOpenFile};
    if (file.size() == 0)
        return {{}, InspectionError::FileIsEmpty};
    const QByteArray header = ReadStoredHeader(file, headerLength);
    file.close();
    HeaderReading reading = ReadHeaderFacts(header);
    if (reading.error)
        return reading;
    // Opened again: the last-write time is the file's as the reading ends.
    if (!file.open(QIODevice::ReadOnly)) {
        reading.error = InspectionError::CannotOpenForFileTimes;
        return reading;
    }
    reading.facts.fileWritten = file.fileTime(QFileDevice::FileModificationTime);
    return reading;
}

}  // namespace tovrin
