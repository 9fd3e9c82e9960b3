#include "mms/client_commands.h"

#include "asf/byte_helpers.h"
#include "mms/command_channel.h"
#include "state/text_rules.h"

#include <QUuid>

#include <algorithm>

namespace tovrin {

namespace {

const QChar kNul(0);

QByteArray bytes(std::initializer_list<std::uint8_t> values)
{
    QByteArray out;
    for (std::uint8_t v : values)
        out.append(char(v));
    return out;
}

// The high half of the IEEE double 3600.0 (its low half is zero), which the
// header request and the stream selection carry.
const QByteArray kHigh3600 = bytes({0x00, 0x20, 0xAC, 0x40});

CommandFields command(std::uint8_t id, QByteArray prefix, QString text = {})
{
    CommandFields s;
    s.id = id;
    s.prefix = std::move(prefix);
    s.text = std::move(text);
    return s;
}

}  // namespace

QString NewRegistryGuid()
{
    return QUuid::createUuid().toString(QUuid::WithBraces).toUpper();
}

CommandFields ConnectCommand(const QString& serverHost, const QString& guid, const QString& playerName)
{
    // The four leading units are the 32-bit values 0x0004000B and 0x0003001C.
    const QString text = QString(QChar(0x0B)) + QChar(0x04) + QChar(0x1C) + QChar(0x03) + playerName
                         + QStringLiteral("; ") + guid + QStringLiteral("; ") + QStringLiteral("Host: ")
                         + TrimBlanks(serverHost) + kNul;
    return command(ClientCommand::Connect, bytes({0xF0, 0xF0, 0xF0, 0xF0}), text);
}

CommandFields TransportCommand(const QString& localAddress, bool udp, const QString& localPort)
{
    const QByteArray prefix =
        bytes({0xF1, 0xF0, 0xF0, 0xF0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0x00, 0x00, 0xA0, 0x00, 0x02, 0, 0, 0});
    const QString text = QStringLiteral("\\\\") + TrimBlanks(localAddress)
                         + (udp ? QStringLiteral("\\UDP\\") : QStringLiteral("\\TCP\\")) + TrimBlanks(localPort) + kNul;
    return command(ClientCommand::Transport, prefix, text);
}

CommandFields OpenFileCommand(std::uint32_t incarnation, const QString& streamPath)
{
    const QByteArray prefix = EncodeLE32(incarnation) + bytes({0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0});
    return command(ClientCommand::OpenFile, prefix, TrimBlanks(streamPath) + kNul);
}

CommandFields StartPlayingCommand(std::uint32_t incarnation, std::uint32_t location)
{
    const QByteArray prefix = EncodeLE32(incarnation) + bytes({0xFF, 0xFF, 0x01, 0x00}) + QByteArray(8, '\0')
                              + bytes({0xFF, 0xFF, 0xFF, 0xFF}) + EncodeLE32(location) + QByteArray(4, '\0')
                              + bytes({0x04});
    return command(ClientCommand::StartPlaying, prefix);
}

CommandFields HeaderRequestCommand(std::uint32_t incarnation)
{
    const QByteArray prefix = EncodeLE32(incarnation) + QByteArray(8, '\0') + bytes({0x00, 0x80, 0x00, 0x00})
                              + bytes({0xFF, 0xFF, 0xFF, 0xFF}) + QByteArray(16, '\0') + kHigh3600 + bytes({0x02});
    return command(ClientCommand::HeaderRequest, prefix);
}

CommandFields FunnelInfoCommand()
{
    return command(ClientCommand::FunnelInfo, bytes({0xF1, 0xF0, 0xF0, 0xF0, 0x0B, 0x00, 0x04, 0x00}));
}

CommandFields CredentialsCommand(std::uint32_t incarnation, const QByteArray& authCredentials)
{
    const QByteArray prefix = EncodeLE32(incarnation) + EncodeLE32(1)
                              + EncodeLE32(std::uint32_t(authCredentials.size() + 5)) + authCredentials
                              + QByteArray(4, '\0');
    return command(ClientCommand::Credentials, prefix);
}

CommandFields KeepAliveAnswerCommand(std::uint32_t incarnation)
{
    return command(ClientCommand::KeepAliveAnswer, EncodeLE32(incarnation) + bytes({0xFF, 0xFF, 0x01, 0x00}));
}

CommandFields StreamSelectionCommand(const StreamPairs& streams)
{
    CommandFields s = command(ClientCommand::StreamSelection, bytes({0x00, 0x00}) + kHigh3600 + bytes({0x02}));
    s.placement = PrefixPlacement::AfterText;
    s.streams = streams;
    return s;
}

void ClientCommands::sendConnect()
{
    m_channel.send(ConnectCommand(m_serverHost, NewRegistryGuid(), m_playerName));
}

void ClientCommands::sendTransport(const QString& localAddress, bool udp, const QString& localPort)
{
    m_channel.send(TransportCommand(localAddress, udp, localPort));
}

void ClientCommands::sendOpenFile()
{
    m_channel.send(OpenFileCommand(m_incarnation, m_streamPath));
}

void ClientCommands::sendStartPlaying(std::optional<std::uint32_t> start)
{
    m_channel.send(StartPlayingCommand(m_incarnation, start.value_or(0xFFFFFFFFu)));
}

void ClientCommands::sendHeaderRequest()
{
    m_channel.send(HeaderRequestCommand(m_incarnation));
}

void ClientCommands::sendFunnelInfo()
{
    m_channel.send(FunnelInfoCommand());
}

void ClientCommands::sendCredentials(const QByteArray& encoded)
{
    m_channel.send(CredentialsCommand(m_incarnation, encoded));
    ++m_incarnation;
}

void ClientCommands::sendKeepAliveAnswer()
{
    m_channel.send(KeepAliveAnswerCommand(m_incarnation));
}

void ClientCommands::sendStreamSelection(const std::vector<StreamAction>& streams)
{
    StreamPairs pairs;
    for (const StreamAction& stream : streams)
        pairs.emplace_back(stream.stream, std::uint8_t(stream.action));
    m_channel.send(StreamSelectionCommand(pairs));
}

}  // namespace tovrin
