#include "mms-server/server_messages.h"

#include "asf/byte_helpers.h"

#include <QRandomGenerator>

#include <cmath>
#include <cstring>

namespace tovrin::mmsserver {

namespace {

// Builds message fields at absolute packet offsets (40 = the first field).
class Fields {
public:
    explicit Fields(qsizetype totalPacketBytes) : m_bytes(totalPacketBytes - 40, '\0') {}

    Fields& u32(qsizetype offset, std::uint32_t value) { return put(offset, value, 4); }
    Fields& u16(qsizetype offset, std::uint16_t value) { return put(offset, value, 2); }
    Fields& u64(qsizetype offset, std::uint64_t value) { return put(offset, value, 8); }
    Fields& f64(qsizetype offset, double value)
    {
        std::uint64_t raw = 0;
        std::memcpy(&raw, &value, sizeof raw);
        return put(offset, raw, 8);
    }
    Fields& append(const QByteArray& bytes)
    {
        m_bytes.append(bytes);
        return *this;
    }
    QByteArray take() { return std::move(m_bytes); }

private:
    Fields& put(qsizetype offset, std::uint64_t value, int width)
    {
        PutLE(m_bytes, offset - 40, value, width);
        return *this;
    }
    QByteArray m_bytes;
};

constexpr auto kServerVersion = "4.1.0.3928";

}  // namespace

QByteArray Utf16WithNul(const QString& text)
{
    QByteArray bytes;
    bytes.reserve((text.size() + 1) * 2);
    for (const QChar c : text)
        bytes.append(EncodeLE16(c.unicode()));
    bytes.append(2, '\0');
    return bytes;
}

namespace reply {

QByteArray ConnectedEx(bool packetPair, const QString& authPackage)
{
    const QString version = QString::fromLatin1(kServerVersion);
    Fields fields(96);
    fields.u32(40, hr::kOk)
        .u32(44, packetPair ? 0xF0F0F0F0 : kNoPacketPair)
        .u32(48, 0x0004000B)
        .u32(52, 0x0003001C)
        .f64(56, 1.0)
        .u32(64, 1)
        .u32(68, 1)
        .u32(72, 0x8000)
        .u32(76, 0x00989680)
        .u32(80, std::uint32_t(version.size() + 1))
        .u32(92, authPackage.isEmpty() ? 0 : std::uint32_t(authPackage.size() + 1));
    fields.append(Utf16WithNul(version));
    if (!authPackage.isEmpty())
        fields.append(Utf16WithNul(authPackage));
    return fields.take();
}

QByteArray FunnelInfo(std::uint32_t marker, std::uint32_t clientId, qsizetype randomBytes)
{
    Fields fields(80);
    fields.u32(40, hr::kOk).u32(44, marker).u32(48, 8).u32(52, 1).u32(56, 0x10000).u32(60, clientId).u32(68, 1);
    QByteArray noise(randomBytes, '\0');
    for (char& c : noise)
        c = char(QRandomGenerator::global()->bounded(256));
    fields.append(noise);
    return fields.take();
}

QByteArray ConnectedFunnel()
{
    Fields fields(52);
    fields.u32(40, hr::kOk);
    fields.append(Utf16WithNul(QStringLiteral("Funnel Of The Gods")));
    return fields.take();
}

QByteArray DisconnectedFunnel(std::uint32_t result)
{
    return Fields(48).u32(40, result).take();
}

QByteArray OpenFileReport(const OpenFile& report)
{
    Fields fields(152);
    fields.u32(40, report.result)
        .u32(44, report.playIncarnation)
        .u32(48, report.openFileId)
        .u32(60, report.attributes)
        .f64(64, report.durationSeconds)
        .u32(72, std::uint32_t(std::ceil(report.durationSeconds)))
        .u32(92, report.packetSize)
        .u64(96, report.packetCount)
        .u32(104, report.bitRate)
        .u32(108, report.headerSize);
    return fields.take();
}

QByteArray ReadBlock(std::uint32_t result, std::uint32_t playIncarnation)
{
    return Fields(56).u32(40, result).u32(44, playIncarnation).take();
}

QByteArray StreamSwitch(std::uint32_t result)
{
    return Fields(48).u32(40, result).take();
}

QByteArray StartedPlaying(std::uint32_t result, std::uint32_t playIncarnation, std::uint32_t openFileId)
{
    return Fields(72).u32(40, result).u32(44, playIncarnation).u32(48, openFileId).take();
}

QByteArray Ping()
{
    return Fields(48).take();
}

QByteArray EndOfStream(std::uint32_t result, std::uint32_t playIncarnation)
{
    return Fields(48).u32(40, result).u32(44, playIncarnation).take();
}

QByteArray StreamChange(std::uint32_t packetSize, std::uint32_t headerSize, std::uint32_t bitRate)
{
    return Fields(64).u32(44, 0xFF).u32(48, packetSize).u32(52, headerSize).u32(56, bitRate).take();
}

QByteArray SecurityChallenge(std::uint32_t playIncarnation, std::uint32_t cookie, const QString& realm)
{
    const QByteArray token = Utf16WithNul(QStringLiteral("realm=\"%1\"").arg(realm));
    Fields fields(52);
    fields.u32(40, playIncarnation).u32(44, cookie).u32(48, std::uint32_t(token.size()));
    fields.append(token);
    return fields.take();
}

}  // namespace reply

}  // namespace tovrin::mmsserver
