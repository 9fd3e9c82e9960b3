#include "mms/command_packet.h"

#include "asf/byte_helpers.h"

namespace tovrin {

QByteArray BuildCommandPacket(const CommandFields& command, std::uint32_t sequence)
{
    // Argument area, from offset 32: chunk length (filled below), id, 00, direction 03 00.
    QByteArray area(4, '\0');
    area.append(char(command.id)).append('\0').append('\3').append('\0');
    if (command.placement == PrefixPlacement::BeforeStreams)
        area.append(command.prefix);
    if (!command.streams.empty()) {
        const auto count = command.streams.size();
        area.append(char(count & 0xFF)).append(char((count >> 8) & 0xFF)).append(2, '\0');
        for (const auto& [number, action] : command.streams) {
            area.append('\xFF').append('\xFF').append(char(number)).append('\0');
            area.append(char(action)).append('\0');
        }
    }
    for (const QChar unit : command.text)
        area.append(EncodeLE16(unit.unicode()));
    if (command.placement == PrefixPlacement::AfterText)
        area.append(command.prefix);
    area.append((8 - area.size() % 8) % 8, '\0');
    PutLE(area, 0, std::uint64_t(area.size() / 8), 4);

    // From offset 16: chunk count, sequence number, reserved, time sent (0.0).
    QByteArray body(16, '\0');
    PutLE(body, 4, sequence & 0xFFFF, 2);
    body.append(area);
    PutLE(body, 0, std::uint64_t(body.size() / 8), 4);

    QByteArray packet = EncodeLE32(1) + EncodeLE32(kCommandSignature) + EncodeLE32(std::uint32_t(body.size()))
                        + QByteArrayLiteral("MMS ") + body;
    return packet;
}

}  // namespace tovrin
