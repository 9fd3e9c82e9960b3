#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace tovrin::mmsserver {

// One ASF file opened for serving: the header the client receives (Header
// Object plus the first 50 bytes of the Data Object), the facts the open-file
// reply reports, and random access to the fixed-size data packets.
//
// Everything read from the file is bounds-checked: a damaged file fails to
// open with a message, or yields fewer packets than it claims; it never
// drives an allocation beyond kMaxHeaderBytes or one packet.
class AsfFile {
public:
    static constexpr qint64 kMaxHeaderBytes = 16 * 1024 * 1024;
    // The MMS data packet prefix stores 8 + payload in 16 bits.
    static constexpr std::uint32_t kMaxPacketSize = 65535 - 8;

    // Opens and checks the file; nullptr and *error set when it is not a usable ASF file.
    static std::unique_ptr<AsfFile> open(const QString& path, QString* error);

    const QString& path() const { return m_path; }
    const QByteArray& header() const { return m_header; }
    std::uint32_t packetSize() const { return m_packetSize; }
    // Data packets really present in the file (never more than it declares, when it declares any).
    std::uint64_t packetCount() const { return m_packetCount; }
    std::uint32_t bitRate() const { return m_bitRate; }
    std::uint64_t prerollMs() const { return m_prerollMs; }
    // Play duration less preroll, in seconds; 0 when the file does not say.
    double durationSeconds() const;
    // Offset of the File Properties Object inside header().
    qsizetype filePropertiesOffset() const { return m_fpoOffset; }

    // Packet `index` (0-based), exactly packetSize() bytes; nothing when the
    // index is out of range or the read fails.
    std::optional<QByteArray> packet(std::uint64_t index);

private:
    AsfFile() = default;
    bool load(QString* error);

    QString m_path;
    QFile m_file;
    QByteArray m_header;
    qint64 m_dataStart = 0;
    qsizetype m_fpoOffset = 0;
    std::uint32_t m_packetSize = 0;
    std::uint64_t m_packetCount = 0;
    std::uint32_t m_bitRate = 0;
    std::uint64_t m_playDuration100ns = 0;
    std::uint64_t m_prerollMs = 0;
};

}  // namespace tovrin::mmsserver
