#include "mms-server/asf_file.h"

#include "asf/byte_helpers.h"

namespace tovrin::mmsserver {

namespace {

const QByteArray kHeaderObjectGuid = QByteArray::fromHex("3026B2758E66CF11A6D900AA0062CE6C");
const QByteArray kDataObjectGuid = QByteArray::fromHex("3626B2758E66CF11A6D900AA0062CE6C");
const QByteArray kFilePropertiesGuid = QByteArray::fromHex("A1DCAB8C47A9CF118EE400C00C205365");

constexpr qsizetype kHeaderObjectFixed = 30;
constexpr qsizetype kDataObjectFixed = 50;
constexpr qsizetype kFilePropertiesMin = 104;

}  // namespace

std::unique_ptr<AsfFile> AsfFile::open(const QString& path, QString* error)
{
    std::unique_ptr<AsfFile> file(new AsfFile);
    file->m_path = path;
    file->m_file.setFileName(path);
    if (!file->m_file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, file->m_file.errorString());
        return nullptr;
    }
    if (!file->load(error)) {
        *error = QStringLiteral("%1: %2").arg(path, *error);
        return nullptr;
    }
    return file;
}

bool AsfFile::load(QString* error)
{
    const qint64 fileSize = m_file.size();
    const QByteArray start = m_file.read(kHeaderObjectFixed);
    if (start.size() < kHeaderObjectFixed || !start.startsWith(kHeaderObjectGuid)) {
        *error = QStringLiteral("not an ASF file (no Header Object)");
        return false;
    }
    const std::uint64_t headerObjectSize = LE64At(start, 16).value_or(0);
    if (headerObjectSize < std::uint64_t(kHeaderObjectFixed) || headerObjectSize > std::uint64_t(kMaxHeaderBytes)
        || qint64(headerObjectSize) + kDataObjectFixed > fileSize) {
        *error = QStringLiteral("Header Object size %1 does not fit the file").arg(headerObjectSize);
        return false;
    }
    const auto headerSize = qsizetype(headerObjectSize) + kDataObjectFixed;
    if (!m_file.seek(0)) {
        *error = m_file.errorString();
        return false;
    }
    m_header = m_file.read(headerSize);
    if (m_header.size() != headerSize) {
        *error = QStringLiteral("header cut short");
        return false;
    }
    const qsizetype dataObject = qsizetype(headerObjectSize);
    if (m_header.mid(dataObject, 16) != kDataObjectGuid) {
        *error = QStringLiteral("no Data Object after the header");
        return false;
    }

    // Walk the header's children for the File Properties Object.
    m_fpoOffset = -1;
    for (qsizetype at = kHeaderObjectFixed; at + 24 <= dataObject;) {
        const std::uint64_t size = LE64At(m_header, at + 16).value_or(0);
        if (size < 24 || size > std::uint64_t(dataObject - at)) {
            *error = QStringLiteral("damaged header object at offset %1").arg(at);
            return false;
        }
        if (m_header.mid(at, 16) == kFilePropertiesGuid && size >= std::uint64_t(kFilePropertiesMin)) {
            m_fpoOffset = at;
            break;
        }
        at += qsizetype(size);
    }
    if (m_fpoOffset < 0) {
        *error = QStringLiteral("no File Properties Object");
        return false;
    }
    const qsizetype fpo = m_fpoOffset;
    const std::uint32_t minPacket = LE32At(m_header, fpo + 92).value_or(0);
    const std::uint32_t maxPacket = LE32At(m_header, fpo + 96).value_or(0);
    if (minPacket == 0 || minPacket != maxPacket || minPacket > kMaxPacketSize) {
        *error = QStringLiteral("unusable data packet size (min %1, max %2)").arg(minPacket).arg(maxPacket);
        return false;
    }
    m_packetSize = minPacket;
    m_playDuration100ns = LE64At(m_header, fpo + 64).value_or(0);
    m_prerollMs = LE64At(m_header, fpo + 80).value_or(0);
    m_bitRate = LE32At(m_header, fpo + 100).value_or(0);

    m_dataStart = headerSize;
    const std::uint64_t present = std::uint64_t(fileSize - m_dataStart) / m_packetSize;
    std::uint64_t declared = LE64At(m_header, dataObject + 40).value_or(0);
    if (declared == 0)
        declared = LE64At(m_header, fpo + 56).value_or(0);
    m_packetCount = declared == 0 ? present : std::min(declared, present);
    if (m_packetCount == 0) {
        *error = QStringLiteral("no data packets");
        return false;
    }
    return true;
}

double AsfFile::durationSeconds() const
{
    const double seconds = double(m_playDuration100ns) / 1e7 - double(m_prerollMs) / 1000.0;
    return seconds > 0 ? seconds : 0.0;
}

std::optional<QByteArray> AsfFile::packet(std::uint64_t index)
{
    if (index >= m_packetCount)
        return std::nullopt;
    if (!m_file.seek(m_dataStart + qint64(index) * m_packetSize))
        return std::nullopt;
    QByteArray bytes = m_file.read(m_packetSize);
    if (bytes.size() != qsizetype(m_packetSize))
        return std::nullopt;
    return bytes;
}

}  // namespace tovrin::mmsserver
