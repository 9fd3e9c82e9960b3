#pragma once

#include "mms/command_packet.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace tovrin {

class CommandChannel;
struct RunState;
struct ServerCredentials;
struct SessionState;

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

inline const QString kPlayerIdentification = QStringLiteral("NSPlayer/7.0.0.1956");

// The commands, built as packet specs. Pure: the run values they carry are parameters.
CommandFields ConnectCommand(const QString& serverHost, const QString& guid);
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

// Sends the client commands of a run with the values the run state and the
// session's stream table hold.
class ClientCommands {
public:
    ClientCommands(CommandChannel& channel, RunState& run, SessionState& session)
        : m_channel(channel), m_run(run), m_session(session)
    {
    }

    void sendConnect();  // a new GUID every time; Host: the run's server host
    void sendTransport(const QString& localAddress, bool udp, const QString& localPort);
    void sendOpenFile();
    // From the stored packet count when resuming, else from the start (0xFFFFFFFF).
    void sendStartPlaying();
    void sendHeaderRequest();
    void sendFunnelInfo();
    void sendCredentials(const ServerCredentials& credentials);
    void sendKeepAliveAnswer();
    // Every stream of the stream table, switched on.
    void sendStreamSelection();

private:
    CommandChannel& m_channel;
    RunState& m_run;
    SessionState& m_session;
};

}  // namespace tovrin
