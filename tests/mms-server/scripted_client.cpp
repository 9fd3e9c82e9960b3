#include "mms-server/scripted_client.h"

#include "asf/byte_helpers.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>

#include <csignal>
#include <cstring>

namespace tovrin::test {

namespace {

constexpr std::uint32_t kSessionId = 0xB00BFACE;

QByteArray utf16(const QString& text)
{
    QByteArray bytes;
    for (const QChar c : text)
        bytes.append(EncodeLE16(c.unicode()));
    bytes.append(2, '\0');
    return bytes;
}

QByteArray le32s(std::initializer_list<std::uint32_t> values)
{
    QByteArray bytes;
    for (const std::uint32_t v : values)
        bytes.append(EncodeLE32(v));
    return bytes;
}

}  // namespace

std::uint16_t MmsMessage::mid() const
{
    return LE16At(bytes, 36).value_or(0);
}

std::uint32_t MmsMessage::u32(qsizetype offset) const
{
    return LE32At(bytes, offset).value_or(0);
}

std::uint64_t MmsMessage::u64(qsizetype offset) const
{
    return LE64At(bytes, offset).value_or(0);
}

double MmsMessage::f64(qsizetype offset) const
{
    const std::uint64_t raw = u64(offset);
    double value = 0;
    std::memcpy(&value, &raw, sizeof value);
    return value;
}

bool ScriptedClient::connectTo(std::uint16_t port, int timeoutMs)
{
    m_socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    return m_socket.waitForConnected(timeoutMs);
}

void ScriptedClient::send(std::uint16_t mid, const QByteArray& fields)
{
    const qsizetype total = (40 + fields.size() + 7) / 8 * 8;
    QByteArray packet(total, '\0');
    PutLE(packet, 0, 1, 4);
    PutLE(packet, 4, kSessionId, 4);
    PutLE(packet, 8, std::uint64_t(total - 16), 4);
    packet.replace(12, 4, "MMS ");
    PutLE(packet, 16, std::uint64_t((total - 16) / 8), 4);
    PutLE(packet, 20, m_seq++, 4);
    PutLE(packet, 32, std::uint64_t((total - 32) / 8), 4);
    PutLE(packet, 36, mid, 2);
    PutLE(packet, 38, 3, 2);
    packet.replace(40, fields.size(), fields);
    sendRaw(packet);
}

void ScriptedClient::sendRaw(const QByteArray& bytes)
{
    m_socket.write(bytes);
    m_socket.waitForBytesWritten(5000);
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
    return message;
}

std::optional<MmsMessage> ScriptedClient::expect(std::uint16_t mid, int timeoutMs)
{
    auto message = next(timeoutMs);
    if (!message || !message->command || message->mid() != mid)
        return std::nullopt;
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

void ScriptedClient::connectCommand(std::uint32_t marker)
{
    send(0x01, le32s({marker, 0x0004000B, 0x0003001C})
                   + utf16(QStringLiteral("NSPlayer/7.0.0.1956; {3300AD50-2C39-46C0-AE0A-000000000000}; Host: 127.0.0.1")));
}

void ScriptedClient::funnelInfo(std::uint32_t request)
{
    send(0x18, le32s({request, 0x0004000B}));
}

void ScriptedClient::connectFunnel(const QString& funnelName)
{
    send(0x02, le32s({0, 0xFFFFFFFF, 0, 0x00989680, 2}) + utf16(funnelName));
}

void ScriptedClient::openFile(const QString& name, std::uint32_t incarnation)
{
    send(0x05, le32s({incarnation, 0xFFFFFFFF, 0, 0}) + utf16(name));
}

void ScriptedClient::readBlock(std::uint32_t incarnation)
{
    send(0x15, le32s({1, 0, 0, 0x00800000, 0xFFFFFFFF, 0, 0, 0, 0, 0x40AC2000, incarnation, 0}));
}

void ScriptedClient::streamSwitch(int streams)
{
    QByteArray fields = EncodeLE32(std::uint32_t(streams));
    for (int i = 1; i <= streams; ++i)
        fields += EncodeLE16(0xFFFF) + EncodeLE16(std::uint16_t(i)) + EncodeLE16(0);
    send(0x33, fields);
}

void ScriptedClient::startPlaying(std::uint32_t locationId, std::uint32_t incarnation)
{
    // openFileId, padding, position 0.0, asfOffset, locationId, frameOffset, incarnation
    send(0x07, le32s({1, 0x0001FFFF, 0, 0, 0xFFFFFFFF, locationId, 0x00FFFFFF, incarnation}));
}

void ScriptedClient::stopPlaying(std::uint32_t incarnation)
{
    send(0x09, le32s({1, incarnation}));
}

void ScriptedClient::securityResponse(const QByteArray& token)
{
    send(0x1A, le32s({1, 0, std::uint32_t(token.size())}) + token);
}

void ScriptedClient::closeFile()
{
    send(0x0D, le32s({1, 1}));
}

std::optional<MmsMessage> ScriptedClient::openOverTcp(const QString& name)
{
    connectCommand();
    if (!expect(0x01))
        return std::nullopt;
    funnelInfo(0x00F0F0F0);
    if (!expect(0x15))
        return std::nullopt;
    connectFunnel(QStringLiteral("\\\\127.0.0.1\\TCP\\1037"));
    if (!expect(0x02))
        return std::nullopt;
    openFile(name);
    return expect(0x06);
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

bool ScriptedClient::readyToPlay(const QString& name)
{
    const auto open = openOverTcp(name);
    if (!open || open->u32(40) != 0)
        return false;
    readBlock();
    if (!expect(0x11) || readHeader().empty())
        return false;
    streamSwitch();
    return expect(0x21).has_value();
}

ServerProcess::~ServerProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString ServerProcess::program()
{
    return QStringLiteral(TOVRIN_MMS_SERVER_PATH);
}

bool ServerProcess::start(const QStringList& args, int timeoutMs)
{
    if (!m_log.open())
        return false;
    m_process.setStandardErrorFile(m_log.fileName());
    m_process.start(program(), QStringList{QStringLiteral("--port"), QStringLiteral("0")} + args);
    if (!m_process.waitForStarted(timeoutMs))
        return false;
    QDeadlineTimer deadline(timeoutMs);
    // The port in the next line the server prints, when it reads "<what> on 127.0.0.1:PORT".
    const auto portLine = [&](const QString& what) -> std::uint16_t {
        while (!m_process.canReadLine()) {
            if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
                return 0;
            m_process.waitForReadyRead(int(std::min<qint64>(deadline.remainingTime(), 200)));
        }
        const QRegularExpression form(QStringLiteral(R"(^%1 on 127\.0\.0\.1:(\d+)$)").arg(what));
        const auto match = form.match(QString::fromUtf8(m_process.readLine()).trimmed());
        return match.hasMatch() ? std::uint16_t(match.captured(1).toUInt()) : 0;
    };
    m_port = portLine(QStringLiteral("listening"));
    if (m_port != 0 && args.contains(QStringLiteral("--http-port")))
        return (m_httpPort = portLine(QStringLiteral("mmsh"))) != 0;
    return m_port != 0;
}

int ServerProcess::stop(int timeoutMs)
{
    if (m_process.state() == QProcess::NotRunning)
        return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
    ::kill(pid_t(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(timeoutMs)) {
        m_process.kill();
        m_process.waitForFinished(5000);
        return -1;
    }
    return m_process.exitStatus() == QProcess::NormalExit ? m_process.exitCode() : -1;
}

qint64 ServerProcess::residentKiB() const
{
    QFile status(QStringLiteral("/proc/%1/status").arg(m_process.processId()));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

QString ServerProcess::log()
{
    QFile file(m_log.fileName());
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

}  // namespace tovrin::test
