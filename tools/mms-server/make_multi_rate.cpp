// tovrin-make-multi-rate: turns an ASF file whose video streams carry the same
// picture at different bit rates (as ffmpeg writes one input mapped to several
// video streams, `-map 0:v -map 0:v -map 0:a -b:v:0 R0 -b:v:1 R1`) into a
// multi-bit-rate file as encoders write them: a Stream Bitrate Properties
// Object with each stream's average bit rate, measured over its payloads
// (unless the header has one), and a Bitrate Mutual Exclusion Object over the
// video streams. Both go at the end of the Header Object, whose size and
// object count grow with them, as does the File Properties' file size; the
// data packets and the index behind them are unchanged.

#include "mms-server/asf_data_packet.h"
#include "mms-server/asf_file.h"

#include "asf/byte_helpers.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <map>
#include <vector>

namespace {

using namespace tovrin;
using namespace tovrin::mmsserver;

const QByteArray kStreamPropertiesGuid = QByteArray::fromHex("9107DCB7B7A9CF118EE600C00C205365");
const QByteArray kVideoMediaGuid = QByteArray::fromHex("C0EF19BC4D5BCF11A8FD00805F5C442B");
const QByteArray kStreamBitrateGuid = QByteArray::fromHex("CE75F87B8D46D1118D82006097C9A2B2");
const QByteArray kBitrateExclusionGuid = QByteArray::fromHex("DC29E2D6DA35D111903400A0C90349BE");
const QByteArray kExclusionByBitrateGuid = QByteArray::fromHex("012AE2D6DA35D111903400A0C90349BE");
constexpr qsizetype kHeaderObjectFixed = 30;

QByteArray headerObject(const QByteArray& guid, const QByteArray& body)
{
    return guid + EncodeLE64(std::uint64_t(24 + body.size())) + body;
}

struct Streams {
    std::vector<std::uint16_t> all, video;
    bool hasBitrates = false;
    bool hasExclusion = false;
};

// The Header Object's children, by size: AsfFile has checked that they fit.
Streams streamsOf(const QByteArray& header, qsizetype headerObjectSize)
{
    Streams streams;
    for (qsizetype at = kHeaderObjectFixed; at + 24 <= headerObjectSize;) {
        const QByteArray guid = header.mid(at, 16);
        if (guid == kStreamPropertiesGuid && LE16At(header, at + 72)) {
            const std::uint16_t number = *LE16At(header, at + 72) & 0x7F;
            streams.all.push_back(number);
            if (header.mid(at + 24, 16) == kVideoMediaGuid)
                streams.video.push_back(number);
        }
        streams.hasBitrates |= guid == kStreamBitrateGuid;
        streams.hasExclusion |= guid == kBitrateExclusionGuid;
        at += qsizetype(LE64At(header, at + 16).value_or(0));
    }
    return streams;
}

bool makeMultiRate(const QString& in, const QString& out, QString* error)
{
    const std::unique_ptr<AsfFile> asf = AsfFile::open(in, error);
    if (!asf)
        return false;
    const QByteArray& header = asf->header();
    const auto headerObjectSize = qsizetype(LE64At(header, 16).value_or(0));
    const Streams streams = streamsOf(header, headerObjectSize);
    if (streams.video.size() < 2 || streams.hasExclusion) {
        *error = streams.hasExclusion ? QStringLiteral("the header has a Bitrate Mutual Exclusion Object already")
                                      : QStringLiteral("fewer than two video streams");
        return false;
    }

    QByteArray objects;
    std::uint32_t added = 0;
    if (!streams.hasBitrates) {
        std::map<std::uint16_t, std::uint64_t> bytes;
        for (std::uint64_t i = 0; i < asf->packetCount(); ++i) {
            const auto packet = asf->packet(i);
            const auto layout = packet ? ParseDataPacketTimes(*packet) : std::nullopt;
            for (const PayloadSpan& payload : layout ? layout->payloads : std::vector<PayloadSpan>{})
                bytes[payload.streamByte & 0x7F] += std::uint64_t(payload.dataLength);
        }
        const double seconds = asf->durationSeconds();
        if (seconds <= 0) {
            *error = QStringLiteral("the file states no play duration to measure bit rates over");
            return false;
        }
        QByteArray body = EncodeLE16(std::uint16_t(streams.all.size()));
        for (const std::uint16_t number : streams.all)
            body += EncodeLE16(number) + EncodeLE32(std::uint32_t(double(bytes[number]) * 8 / seconds));
        objects += headerObject(kStreamBitrateGuid, body);
        ++added;
    }
    QByteArray exclusion = kExclusionByBitrateGuid + EncodeLE16(std::uint16_t(streams.video.size()));
    for (const std::uint16_t number : streams.video)
        exclusion += EncodeLE16(number);
    objects += headerObject(kBitrateExclusionGuid, exclusion);
    ++added;

    QFile source(in);
    if (!source.open(QIODevice::ReadOnly)) {
        *error = source.errorString();
        return false;
    }
    QByteArray file = source.readAll();
    file.insert(headerObjectSize, objects);
    const auto grow = std::uint64_t(objects.size());
    PutLE(file, 16, std::uint64_t(headerObjectSize) + grow, 8);
    PutLE(file, 24, LE32At(file, 24).value_or(0) + added, 4);
    const qsizetype fileSizeField = asf->filePropertiesOffset() + 40;
    PutLE(file, fileSizeField, LE64At(file, fileSizeField).value_or(0) + grow, 8);

    QFile target(out);
    if (!target.open(QIODevice::WriteOnly | QIODevice::Truncate) || target.write(file) != file.size()) {
        *error = QStringLiteral("cannot write %1: %2").arg(out, target.errorString());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 3 || args[1].startsWith(QLatin1Char('-'))) {
        std::fputs(
            "usage: tovrin-make-multi-rate IN.asf OUT.asf\n"
            "Adds a Stream Bitrate Properties Object (measured average bit rates) and a Bitrate Mutual\n"
            "Exclusion Object over the video streams to an ASF file of several video streams.\n",
            args.size() == 2 && args[1] == QLatin1String("--help") ? stdout : stderr);
        return args.size() == 2 && args[1] == QLatin1String("--help") ? 0 : 2;
    }
    QString error;
    if (!makeMultiRate(args[1], args[2], &error)) {
        std::fprintf(stderr, "tovrin-make-multi-rate: %s\n", error.toLocal8Bit().constData());
        return 1;
    }
    return 0;
}
