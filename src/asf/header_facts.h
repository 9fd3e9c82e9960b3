#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace tovrin {

enum class StreamKind { Audio, Video, Other };

struct VideoSize {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    bool operator==(const VideoSize&) const = default;
};

// One Stream Properties Object long enough to name its stream (a video
// stream's also long enough to state its size).
struct StreamFacts {
    std::uint8_t number = 0;  // the low byte of its flags, as the server numbers it
    StreamKind kind = StreamKind::Other;
    bool audioSpread = false;            // an audio stream with audio-spread error correction
    std::optional<VideoSize> videoSize;  // set for a video stream
    bool operator==(const StreamFacts&) const = default;
};

// One record of the Stream Bitrate Properties Object.
struct BitRateRecord {
    std::uint8_t stream = 0;
    std::uint32_t averageBitRate = 0;
    // The media type of the first Stream Properties Object that describes the
    // stream (by the low seven bits of its number); none when no object does.
    std::optional<StreamKind> kind;
    bool operator==(const BitRateRecord&) const = default;
};

struct BitRateTable {
    std::optional<std::uint16_t> declaredCount;  // none when the object is too short to state it
    std::vector<BitRateRecord> records;          // the first kMaxStreams whole records, at most
};

// The File Properties Object's values the recorder uses.
struct FileProperties {
    std::uint64_t fileSize = 0;  // bytes
    std::uint32_t dataPacketCount = 0;
    std::uint64_t sendDurationMs = 0;
    std::uint32_t maxBitRate = 0;  // bit/s
    // The creation date: none when the header states 0, an invalid date when
    // its value names no date a calendar holds.
    std::optional<QDateTime> created;
};

// The texts of the Content Description Object, in the order they are stored;
// the list ends at the first text that runs past the object.
struct ContentDescription {
    std::optional<QString> title, author, copyright, description, rating;
    bool operator==(const ContentDescription&) const = default;
};

// One descriptor of the Extended Content Description Object, its value as
// text (numbers in decimal).
struct ContentDescriptor {
    QString name;
    QString value;
    bool operator==(const ContentDescriptor&) const = default;
};

// The Codec List entries, as the recorder shows them: the last audio and the
// last video entry, and how many entries of a higher type came before.
struct CodecSummary {
    struct Audio {
        QString name, description;
        bool operator==(const Audio&) const = default;
    };
    struct Video {
        QString name;
        QByteArray fourCc;
        bool operator==(const Video&) const = default;
    };
    int higherTypeEntries = 0;
    std::optional<Audio> audio;
    std::optional<Video> video;
    bool operator==(const CodecSummary&) const = default;
};

// Everything a reading of an ASF header learns. An optional part that is
// none stands for an object the header does not hold.
struct HeaderFacts {
    std::optional<BitRateTable> bitRates;
    std::vector<StreamFacts> streams;  // every usable stream, in header order
    FileProperties fileProperties;
    std::optional<ContentDescription> content;
    std::vector<ContentDescriptor> encoderDescriptors;  // up to the first one cut short
    std::optional<CodecSummary> codecs;
    QDateTime fileWritten;  // the file's last-write time; invalid when the system could not tell
};

// Why a reading failed. The values follow the order of the reading: what a
// failure leaves in the facts is what the reading took in before it.
enum class InspectionError {
    CannotOpenFile,
    FileIsEmpty,
    NoHeaderObject,
    NoDataObject,
    NoStreams,               // the bit rates are read
    NoFileProperties,        // the bit rates and the streams are read
    CannotOpenForFileTimes,  // everything but the file's last-write time is read
};

struct HeaderReading {
    HeaderFacts facts;
    std::optional<InspectionError> error;
};

// Reads the facts of an ASF header held in `header`. Every value is read
// within these bytes and within its object; an optional object cut short ends
// its part of the facts there.
HeaderReading ReadHeaderFacts(QByteArrayView header);

// Reads the header at the start of the file at `path` (`headerLength` bytes,
// or fewer when the file is shorter), then the file's last-write time.
HeaderReading ReadHeaderFile(const QString& path, std::uint32_t headerLength);

}  // namespace tovrin
