#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace tovrin {

// Command ids of the server's replies.
namespace ServerReply {
inline constexpr std::uint8_t ConnectReply = 0x01;
inline constexpr std::uint8_t TransportAck = 0x02;
inline constexpr std::uint8_t TransportRefused = 0x03;
inline constexpr std::uint8_t StreamingStarts = 0x05;
inline constexpr std::uint8_t OpenFileReply = 0x06;
inline constexpr std::uint8_t HeaderFollows = 0x11;
inline constexpr std::uint8_t FunnelReport = 0x15;
inline constexpr std::uint8_t CredentialsRequest = 0x1A;
inline constexpr std::uint8_t KeepAlive = 0x1B;
inline constexpr std::uint8_t EndOfStream = 0x1E;
inline constexpr std::uint8_t StreamChange = 0x20;
inline constexpr std::uint8_t StreamSelectionReply = 0x21;
}  // namespace ServerReply

// Readers of the server replies whose fields the client keeps. Each takes the
// whole command packet (from its first byte) and answers what it read. A
// 32-bit field that lies beyond the packet is read as 0 (or as the value the
// caller had) and answered, so the receive loop can tell the user.
struct FieldBeyondReply {
    qsizetype pos = 0;        // 1-based, as the protocol tables count
    qsizetype replySize = 0;  // bytes the reply held
    bool operator==(const FieldBeyondReply&) const = default;
};
using FieldsBeyondReply = std::vector<FieldBeyondReply>;
// "data out of range - 4 byte to long function : P : L"
QString FieldBeyondReplyMessage(const FieldBeyondReply& field);

template <typename Value>
struct ReadReply {
    Value value;
    FieldsBeyondReply beyond;
};

// The figures of the file the server opened.
struct OpenFileFigures {
    std::uint32_t packetSize = 0;
    std::uint32_t packetCount = 0;
    std::uint32_t bitRate = 0;
    std::uint32_t headerLength = 0;
    // A broadcast: announced with the packet count 0xFFFFFFFF, or (as MS-MMSP
    // servers do) with 0 and the broadcast bit of the file attributes.
    bool live = false;
};
ReadReply<OpenFileFigures> ReadOpenFileReply(QByteArrayView packet);

// One funnel report: the server's client count, and its payload (the
// packet-pair bytes).
struct FunnelReport {
    std::optional<std::uint32_t> clientCount;
    QByteArray payload;
};
ReadReply<FunnelReport> ReadFunnelReport(QByteArrayView packet);
// Whether the server sends more funnel reports after `packet`, the
// `reportsSoFar`th: only while it marks the report as one of a packet-pair
// train, and never beyond the train's three.
bool MoreFunnelReportsFollow(QByteArrayView packet, std::uint32_t reportsSoFar);

// The result of an end-of-stream report that says the entry ended and the
// next one's header follows (a stream change, 0x20).
inline constexpr std::uint32_t kEntryEnded = 1;
// A stream change's figures, for the header that follows: they are the next
// recording's. A field beyond the reply keeps the value of `previous`.
struct StreamChangeFigures {
    std::uint32_t packetSize = 0;
    std::uint32_t headerLength = 0;
    std::uint32_t bitRate = 0;
};
ReadReply<StreamChangeFigures> ReadStreamChange(QByteArrayView packet, StreamChangeFigures previous);

// The server's UTF-16LE challenge text (e.g. realm="..."), up to its
// terminating zero. Only the bytes present in the packet are read, whatever
// length the request declares.
ReadReply<QString> ReadCredentialsRequest(QByteArrayView packet);

}  // namespace tovrin
