#include "mms-server/scripted_client.h"

#include <QDeadlineTimer>

namespace tovrin::test {

constexpr std::uint32_t kSessionId = 0xB00BFACE;

QByteArray ScriptedClient::le32s(std::initializer_list<std::uint32_t> values)
{
    QByteArray bytes;
    for (const std::uint32_t v : values)
        bytes.append(EncodeLE32(v));
    return bytes;
}

QString MmsMessage::line() const
{
    if (!command)
        return QStringLiteral("data location %1 incarnation %2 flags %3 size %4")
            .arg(u32(0))                     // location
            .arg(std::uint8_t(bytes.at(4)))  // incarnation
            .arg(afFlags(), 2, 16, QLatin1Char('0'))
            .arg(bytes.size());
    QString text = QStringLiteral("%1 size %2").arg(mid(), 2, 16, QLatin1Char('0')).arg(bytes.size());
    for (qsizetype at = 40; at < std::min<qsizetype>(bytes.size(), mid() == 0x15 ? 60 : 112); at += 4) {
        if (u32(at) != 0 && !(mid() == 0x1A && at == 44))  // a challenge's random cookie
            text += QStringLiteral(" @%1=%2").arg(at).arg(u32(at), 8, 16, QLatin1Char('0'));
    }
    return text;
}

void ScriptedClient::send(std::uint16_t mid, const QByteArray& fields)
{
    // rep 1, session id, length, seal, length in 8-byte units, sequence,
    // time sent 0, length from offset 32 in 8-byte units, message id, direction to server.
    const auto total = std::uint32_t(40 + fields.size() + 7) / 8 * 8;
    QByteArray packet = le32s({1, kSessionId, total - 16}) + "MMS "
                        + le32s({(total - 16) / 8, m_seq++, 0, 0, (total - 32) / 8}) + EncodeLE16(mid) + EncodeLE16(3)
                        + fields;
    packet.append(total - packet.size(), '\0');
    transcript << QStringLiteral("> %1").arg(mid, 2, 16, QLatin1Char('0'));
    sendRaw(packet);
}

bool ScriptedClient::fill(qsizetype bytes, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (m_buffer.size() < bytes) {
        if (m_socket.bytesAvailable() == 0 && !m_socket.waitForReadyRead(int(deadline.remainingTime())))
            return false;
        // Only what this message needs: the buffer never holds more than one.
        m_buffer.append(m_socket.read(bytes - m_buffer.size()));
        if (deadline.hasExpired() && m_buffer.size() < bytes)
            return false;
    }
    return true;
}

std::optional<MmsMessage> ScriptedClient::next(int timeoutMs)
{
    if (!fill(8, timeoutMs))
        return std::nullopt;
    MmsMessage message;
    qsizetype total = 0;
    if (LE32At(m_buffer, 4) == kSessionId) {
        if (!fill(12, timeoutMs))
            return std::nullopt;
        message.command = true;
        total = qsizetype(LE32At(m_buffer, 8).value_or(0)) + 16;
        if (total < 40 || total > 1024 * 1024 || total % 8 != 0)  // commands are padded to 8 bytes
            return std::nullopt;
    } else {
        total = LE16At(m_buffer, 6).value_or(0);
        if (total < 8)
            return std::nullopt;
    }
    if (!fill(total, timeoutMs))
        return std::nullopt;
    message.bytes = std::exchange(m_buffer, {});
    transcript << message.line();
    if (!message.command)
        media += message.payload();
    return message;
}

bool ScriptedClient::waitClosed(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!deadline.hasExpired()) {
        if (m_socket.state() == QAbstractSocket::UnconnectedState)
            return true;
        m_socket.waitForReadyRead(int(std::min<qint64>(deadline.remainingTime(), 100)));
        m_socket.readAll();  // whatever still comes is of no interest
    }
    return m_socket.state() == QAbstractSocket::UnconnectedState;
}

void ScriptedClient::connectCommand(std::uint32_t marker, const QString& player)
{
    send(0x01, le32s({marker, 0x0004000B, 0x0003001C})
                   + asf::Utf16(player + QStringLiteral("; {3300AD50-2C39-46C0-AE0A-000000000000}; Host: 127.0.0.1")));
}

void ScriptedClient::streamSwitch(Selection streams)
{
    QByteArray fields = EncodeLE32(std::uint32_t(streams.size()));
    for (const auto& [stream, thinning] : streams)
        fields += EncodeLE16(0xFFFF) + EncodeLE16(stream) + EncodeLE16(thinning);
    send(0x33, fields);
}

std::optional<MmsMessage> ScriptedClient::openOverTcp(const QString& name)
{
    connectCommand();
    funnelInfo(0x00F0F0F0);
    connectFunnel(QStringLiteral("\\\\127.0.0.1\\TCP\\1037"));
    openFile(name);
    return expect(0x01) && expect(0x15) && expect(0x02) ? expect(0x06) : std::nullopt;
}

std::vector<MmsMessage> ScriptedClient::readHeader()
{
    std::vector<MmsMessage> chunks;
    while (auto message = next()) {
        if (message->command)
            break;
        chunks.push_back(*message);
        if (message->afFlags() & 0x08)
            break;
    }
    return chunks;
}

bool ScriptedClient::readyToPlay(const QString& name, Selection streams)
{
    const auto open = openOverTcp(name);
    if (!open || open->u32(40) != 0)
        return false;
    readBlock();
    if (!expect(0x11) || readHeader().empty())
        return false;
    streamSwitch(streams);
    return expect(0x21).has_value();
}

}  // namespace tovrin::test
