#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace tovrin::mmsserver {

// Message ids of the commands the server sends (MS-MMSP 2.2.4).
namespace mid {
constexpr std::uint16_t kReportConnectedEx = 0x01;
constexpr std::uint16_t kReportConnectedFunnel = 0x02;
constexpr std::uint16_t kReportDisconnectedFunnel = 0x03;
constexpr std::uint16_t kReportStartedPlaying = 0x05;
constexpr std::uint16_t kReportOpenFile = 0x06;
constexpr std::uint16_t kReportReadBlock = 0x11;
constexpr std::uint16_t kReportFunnelInfo = 0x15;
constexpr std::uint16_t kSecurityChallenge = 0x1A;
constexpr std::uint16_t kPing = 0x1B;
constexpr std::uint16_t kReportEndOfStream = 0x1E;
constexpr std::uint16_t kReportStreamChange = 0x20;
constexpr std::uint16_t kReportStreamSwitch = 0x21;
}  // namespace mid

// Result codes the server answers with.
namespace hr {
constexpr std::uint32_t kOk = 0;
constexpr std::uint32_t kFileNotFound = 0xC00D001A;
constexpr std::uint32_t kAccessDenied = 0x80070005;
constexpr std::uint32_t kBadParameter = 0x80070057;
constexpr std::uint32_t kOpenFailed = 0x8000FFFF;
// An end of stream with this result: the entry ended, a stream change follows.
constexpr std::uint32_t kEntryEnded = 1;
}  // namespace hr

constexpr std::uint32_t kPacketPairMarker = 0xF0F0F0F1;
constexpr std::uint32_t kNoPacketPair = 0xF0F0F0EF;

// The message fields of each server command: the bytes from offset 40 on,
// at the offsets MS-MMSP gives (offsets below count from byte 0 of the packet).
namespace reply {

// 0x01: packetPair answers 0xF0F0F0F0 at 44; authPackage "" leaves it absent.
QByteArray ConnectedEx(bool packetPair, const QString& authPackage);
// 0x15: one report of a packet-pair train carries kPacketPairMarker and
// randomBytes of payload; a plain report carries kNoPacketPair and none.
QByteArray FunnelInfo(std::uint32_t marker, std::uint32_t clientId, qsizetype randomBytes);
QByteArray ConnectedFunnel();
QByteArray DisconnectedFunnel(std::uint32_t result);

struct OpenFile {
    std::uint32_t result = hr::kOk;
    std::uint32_t playIncarnation = 0;
    std::uint32_t openFileId = 1;
    std::uint32_t attributes = 0;
    double durationSeconds = 0;
    std::uint32_t packetSize = 0;
    std::uint64_t packetCount = 0;
    std::uint32_t bitRate = 0;
    std::uint32_t headerSize = 0;
};
QByteArray OpenFileReport(const OpenFile& report);

QByteArray ReadBlock(std::uint32_t result, std::uint32_t playIncarnation);
QByteArray StreamSwitch(std::uint32_t result);
QByteArray StartedPlaying(std::uint32_t result, std::uint32_t playIncarnation, std::uint32_t openFileId);
QByteArray Ping();
QByteArray EndOfStream(std::uint32_t result, std::uint32_t playIncarnation);
// 0x20: the next entry's packet size, header size and bit rate; its header follows.
QByteArray StreamChange(std::uint32_t packetSize, std::uint32_t headerSize, std::uint32_t bitRate);
// 0x1A with a Basic token: UTF-16 realm="..." and its NUL.
QByteArray SecurityChallenge(std::uint32_t playIncarnation, std::uint32_t cookie, const QString& realm);

}  // namespace reply

// Text as the protocol carries it: UTF-16LE with a terminating NUL.
QByteArray Utf16WithNul(const QString& text);

}  // namespace tovrin::mmsserver
