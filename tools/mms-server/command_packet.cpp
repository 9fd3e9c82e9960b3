#include "mms-server/command_packet.h"

#include "asf/byte_helpers.h"

#include <cstring>

namespace tovrin::mmsserver {

std::uint32_t Command::u32(qsizetype offset) const
{
    return LE32At(bytes, offset).value_or(0);
}

std::optional<std::uint32_t> Command::field32(qsizetype offset) const
{
    return LE32At(bytes, offset);
}

std::optional<double> Command::fieldDouble(qsizetype offset) const
{
    const auto raw = LE64At(bytes, offset);
    if (!raw)
        return std::nullopt;
    double value = 0;
    std::memcpy(&value, &*raw, sizeof value);
    return value;
}

Framing TakeCommand(QByteArrayView buffer)
{
    Framing result;
    if (buffer.size() < 16)
        return result;
    if (LE32At(buffer, 12) != command::kSeal || LE32At(buffer, 4) != command::kSessionId) {
        result.status = Framing::Bad;
        result.error = QStringLiteral("not an MMS command header");
        return result;
    }
    const std::uint32_t messageLength = LE32At(buffer, 8).value_or(0);
    if (messageLength < command::kHeaderBytes - 16 || messageLength > command::kMaxBytes - 16) {
        result.status = Framing::Bad;
        result.error = QStringLiteral("command length %1 out of range").arg(messageLength);
        return result;
    }
    const qsizetype total = qsizetype(messageLength) + 16;
    if (buffer.size() < total)
        return result;
    result.status = Framing::Complete;
    result.used = total;
    result.command.bytes = buffer.first(total).toByteArray();
    result.command.mid = LE16At(buffer, 36).value_or(0);
    return result;
}

QByteArray BuildCommand(std::uint16_t mid, std::uint16_t direction, std::uint16_t seq, std::uint64_t timeSentMs,
                        QByteArrayView fields)
{
    const qsizetype total = (command::kHeaderBytes + fields.size() + 7) / 8 * 8;
    QByteArray packet(total, '\0');
    PutLE(packet, 0, 1, 1);  // rep; version, versionMinor and padding stay 0
    PutLE(packet, 4, command::kSessionId, 4);
    PutLE(packet, 8, std::uint64_t(total - 16), 4);
    PutLE(packet, 12, command::kSeal, 4);
    PutLE(packet, 16, std::uint64_t((total - 16) / 8), 4);
    PutLE(packet, 20, seq, 2);
    PutLE(packet, 24, timeSentMs, 8);
    PutLE(packet, 32, std::uint64_t((total - 32) / 8), 4);
    PutLE(packet, 36, mid, 2);
    PutLE(packet, 38, direction, 2);
    if (!fields.isEmpty())
        std::memcpy(packet.data() + command::kHeaderBytes, fields.data(), size_t(fields.size()));
    return packet;
}

QByteArray BuildDataPacket(std::uint32_t locationId, std::uint8_t incarnation, std::uint8_t afFlags,
                           QByteArrayView payload)
{
    QByteArray packet;
    packet.reserve(8 + payload.size());
    packet.append(EncodeLE32(locationId));
    packet.append(char(incarnation));
    packet.append(char(afFlags));
    packet.append(EncodeLE16(std::uint16_t(8 + payload.size())));
    packet.append(payload.data(), payload.size());
    return packet;
}

}  // namespace tovrin::mmsserver
