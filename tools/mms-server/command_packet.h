#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>

namespace tovrin::mmsserver {

// The MMS command packet (MS-MMSP TcpMessageHeader): a 40-byte header, then
// the message fields, zero-padded to a multiple of 8. Both directions share
// the layout; only the direction word at offset 38 differs.
namespace command {
constexpr std::uint32_t kSessionId = 0xB00BFACE;
constexpr std::uint32_t kSeal = 0x20534D4D;  // "MMS "
constexpr qsizetype kHeaderBytes = 40;
// The largest command a client may send; anything larger closes the connection.
constexpr qsizetype kMaxBytes = 64 * 1024;
constexpr std::uint16_t kToClient = 0x0004;
constexpr std::uint16_t kToServer = 0x0003;
}  // namespace command

// One command as received: its message id and the whole packet, so fields
// are read at the offsets the protocol tables give.
struct Command {
    std::uint16_t mid = 0;
    QByteArray bytes;

    std::uint32_t u32(qsizetype offset) const;  // 0 when the field is missing
    std::optional<std::uint32_t> field32(qsizetype offset) const;
    std::optional<double> fieldDouble(qsizetype offset) const;
};

// What TakeCommand made of the front of a receive buffer.
struct Framing {
    enum Status { Incomplete, Complete, Bad };
    Status status = Incomplete;
    qsizetype used = 0;  // bytes to drop from the buffer when Complete
    Command command;
    QString error;  // why, when Bad
};

// Splits one client command off the front of `buffer`: Incomplete until its
// messageLength has arrived, Bad when the header is not an MMS command
// header or announces more than command::kMaxBytes.
Framing TakeCommand(QByteArrayView buffer);

// A whole command packet: header with seq, timeSent (ms) and the lengths
// filled in, then `fields` (the bytes from offset 40), zero-padded.
QByteArray BuildCommand(std::uint16_t mid, std::uint16_t direction, std::uint16_t seq, std::uint64_t timeSentMs,
                        QByteArrayView fields);

// A data packet: LocationId, playIncarnation, AFFlags, PacketSize = 8 + payload.
// The payload must be at most 65535 - 8 bytes.
QByteArray BuildDataPacket(std::uint32_t locationId, std::uint8_t incarnation, std::uint8_t afFlags,
                           QByteArrayView payload);

}  // namespace tovrin::mmsserver
