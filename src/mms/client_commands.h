#pragma once

#include "asf/bitrate_choice.h"
#include "mms/command_packet.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace tovrin {

class CommandChannel;

// Command ids the client sends.
namespace ClientCommand {
inline constexpr std::uint8_t Connect = 0x01;
inline constexpr std::uint8_t Transport = 0x02;
inline constexpr std::uint8_t OpenFile = 0x05;
inline constexpr std::uint8_t StartPlaying = 0x07;
inline constexpr std::uint8_t HeaderRequest = 0x15;
inline constexpr std::uint8_t FunnelInfo = 0x18;
inline constexpr std::uint8_t Credentials = 0x1A;
inline constexpr std::uint8_t KeepAliveAnswer = 0x1B;
inline constexpr std::uint8_t StreamSelection = 0x33;
}  // namespace ClientCommand

// The commands, built as packet specs. Pure: the run values they carry are parameters.
// `playerName`: the player and version presented (locations/player_name.h).
CommandFields ConnectCommand(const QString& serverHost, const QString& guid, const QString& playerName);
CommandFields TransportCommand(const QString& localAddress, bool udp, const QString& localPort);
CommandFields OpenFileCommand(std::uint32_t incarnation, const QString& streamPath);
CommandFields StartPlayingCommand(std::uint32_t incarnation, std::uint32_t location);
CommandFields HeaderRequestCommand(std::uint32_t incarnation);
CommandFields FunnelInfoCommand();
CommandFields CredentialsCommand(std::uint32_t incarnation, const QByteArray& authCredentials);
CommandFields KeepAliveAnswerCommand(std::uint32_t incarnation);
CommandFields StreamSelectionCommand(const StreamPairs& streams);

// A fresh GUID in registry form: braces, upper case, 38 characters.
QString NewRegistryGuid();

// Sends the client commands of a connection, with its own values: the
// server host and stream path it was opened for, the player name it
// presents, and the play incarnation, which each answer to a credentials
// request raises. The receive thread's.
class ClientCommands {
public:
    ClientCommands(CommandChannel& channel, QString serverHost, QString streamPath, QString playerName)
        : m_channel(channel),
          m_serverHost(std::move(serverHost)),
          m_streamPath(std::move(streamPath)),
          m_playerName(std::move(playerName))
    {
    }

    void sendConnect();  // a new GUID every time; Host: the server host
    void sendTransport(const QString& localAddress, bool udp, const QString& localPort);
    void sendOpenFile();
    // From packet `start`, or from the start (0xFFFFFFFF) without one.
    void sendStartPlaying(std::optional<std::uint32_t> start);
    void sendHeaderRequest();
    void sendFunnelInfo();
    void sendCredentials(const QByteArray& encoded);
    void sendKeepAliveAnswer();
    // Every stream named, switched on or off as its action says.
    void sendStreamSelection(const std::vector<StreamAction>& streams);

private:
    CommandChannel& m_channel;
    QString m_serverHost;
    QString m_streamPath;
    QString m_playerName;
    std::uint32_t m_incarnation = 1;
};

}  // namespace tovrin
