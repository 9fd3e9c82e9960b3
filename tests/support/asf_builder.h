#pragma once

// Builds ASF header objects and MMS packets byte by byte for tests, with the
// public GUIDs.

#include "asf/byte_helpers.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace tovrin::test::asf {

inline const QByteArray kHeaderGuid = QByteArray::fromHex("3026B2758E66CF11A6D900AA0062CE6C");
inline const QByteArray kDataGuid = QByteArray::fromHex("3626B2758E66CF11A6D900AA0062CE6C");
inline const QByteArray kFilePropertiesGuid = QByteArray::fromHex("A1DCAB8C47A9CF118EE400C00C205365");
inline const QByteArray kStreamPropertiesGuid = QByteArray::fromHex("9107DCB7B7A9CF118EE600C00C205365");
inline const QByteArray kBitrateGuid = QByteArray::fromHex("CE75F87B8D46D1118D82006097C9A2B2");
inline const QByteArray kContentGuid = QByteArray::fromHex("3326B2758E66CF11A6D900AA0062CE6C");
inline const QByteArray kExtContentGuid = QByteArray::fromHex("40A4D0D207E3D21197F000A0C95EA850");
inline const QByteArray kCodecListGuid = QByteArray::fromHex("4052D1861D31D011A3A400A0C90348F6");
inline const QByteArray kCodecReservedGuid = QByteArray::fromHex("4152D1861D31D011A3A400A0C90348F6");
inline const QByteArray kVideoMediaGuid = QByteArray::fromHex("C0EF19BC4D5BCF11A8FD00805F5C442B");
inline const QByteArray kAudioMediaGuid = QByteArray::fromHex("409E69F84D5BCF11A8FD00805F5C442B");
inline const QByteArray kAudioSpreadGuid = QByteArray::fromHex("50CDC3BF8F61CF118BB200AA00B4E220");
inline const QByteArray kNoCorrectionGuid = QByteArray::fromHex("0057FB20555BCF11A8FD00805F5C442B");

inline constexpr auto Le16 = [](std::uint16_t v) { return EncodeLE16(v); };
inline constexpr auto Le32 = [](std::uint32_t v) { return EncodeLE32(v); };
inline constexpr auto Le64 = [](std::uint64_t v) { return EncodeLE64(v); };

inline QByteArray Utf16(const QString& text, bool withNul = true)
{
    QByteArray out;
    for (QChar c : text)
        out += Le16(c.unicode());
    if (withNul)
        out += Le16(0);
    return out;
}

// GUID, 64-bit size, body.
inline QByteArray Object(const QByteArray& guid, const QByteArray& body)
{
    return guid + Le64(std::uint64_t(24 + body.size())) + body;
}

struct FileProperties {
    std::uint64_t fileSize = 0;
    std::uint64_t creation = 0;
    std::uint64_t packets = 0;
    std::uint64_t playDuration = 0;  // 100 ns
    std::uint64_t sendDuration = 0;  // 100 ns
    std::uint64_t preroll = 0;       // ms
    std::uint32_t flags = 2;
    std::uint32_t packetSize = 0;
    std::uint32_t maxBitRate = 0;
};
inline QByteArray FilePropertiesObject(const FileProperties& p)
{
    return Object(kFilePropertiesGuid, QByteArray(16, '\x11') + Le64(p.fileSize) + Le64(p.creation) + Le64(p.packets)
                                           + Le64(p.playDuration) + Le64(p.sendDuration) + Le64(p.preroll)
                                           + Le32(p.flags) + Le32(p.packetSize) + Le32(p.packetSize)
                                           + Le32(p.maxBitRate));
}

// Audio when width is 0, video otherwise.
inline QByteArray StreamPropertiesObject(std::uint8_t number, std::uint32_t width = 0, std::uint32_t height = 0,
                                         bool audioSpread = false)
{
    const bool video = width != 0;
    const QByteArray typeData = video ? Le32(width) + Le32(height) + QByteArray(3, '\0') : QByteArray(18, '\0');
    return Object(kStreamPropertiesGuid,
                  (video ? kVideoMediaGuid : kAudioMediaGuid) + (audioSpread ? kAudioSpreadGuid : kNoCorrectionGuid)
                      + Le64(0) + Le32(std::uint32_t(typeData.size())) + Le32(0) + Le16(number) + Le32(0) + typeData);
}

struct BitRate {
    std::uint8_t stream;
    std::uint32_t average;
};
inline QByteArray BitrateObject(const std::vector<BitRate>& records)
{
    QByteArray body = Le16(std::uint16_t(records.size()));
    for (const BitRate& r : records)
        body += Le16(r.stream) + Le32(r.average);
    return Object(kBitrateGuid, body);
}

inline QByteArray ContentObject(const QString& title, const QString& author, const QString& copyright,
                                const QString& description, const QString& rating)
{
    QByteArray lengths, texts;
    for (const QString& t : {title, author, copyright, description, rating}) {
        const QByteArray u = Utf16(t);
        lengths += Le16(std::uint16_t(u.size()));
        texts += u;
    }
    return Object(kContentGuid, lengths + texts);
}

// A Header Object holding `children`, followed by a Data Object start; the
// whole is padded (inside the header, with a filler object) to `length` bytes
// when that is larger.
inline QByteArray Header(const std::vector<QByteArray>& children, std::uint64_t packets = 0, qsizetype length = 0)
{
    QByteArray body;
    for (const QByteArray& c : children)
        body += c;
    std::uint32_t count = std::uint32_t(children.size());
    const qsizetype natural = 30 + body.size() + 50;
    if (length > natural) {
        body += Object(QByteArray(16, '\x77'), QByteArray(length - natural - 24, '\0'));
        ++count;
    }
    const QByteArray header =
        kHeaderGuid + Le64(std::uint64_t(30 + body.size())) + Le32(count) + QByteArray("\x01\x02", 2) + body;
    // The 50-byte start of a Data Object.
    return header + kDataGuid + Le64(50) + QByteArray(16, '\x22') + Le64(packets) + Le16(0x0101);
}

}  // namespace tovrin::test::asf

namespace tovrin::test {

// A server command packet of `total` bytes with the given id, 32-bit values
// put at the given offsets (40: the result code) and zero elsewhere: what the
// receive side sees from a media server.
inline QByteArray ServerCommand(std::uint8_t id, int total = 56,
                                std::initializer_list<std::pair<qsizetype, std::uint32_t>> values = {})
{
    QByteArray p(total, '\0');
    PutLE(p, 0, 1, 4);
    PutLE(p, 4, 0xB00BFACE, 4);
    PutLE(p, 8, std::uint32_t(total - 16), 4);
    p[36] = char(id);
    for (const auto& [at, value] : values)
        PutLE(p, at, value, 4);
    return p;
}

// A data packet: the 8-byte prefix (location, type, length), then `payload`.
inline QByteArray DataPacket(std::uint32_t sequence, std::uint8_t type, const QByteArray& payload)
{
    return EncodeLE32(sequence) + char(type) + '\0' + EncodeLE16(std::uint16_t(8 + payload.size())) + payload;
}

}  // namespace tovrin::test
