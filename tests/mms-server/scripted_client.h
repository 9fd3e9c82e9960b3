#pragma once

#include "support/asf_builder.h"
#include "support/server_process.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTcpSocket>

#include <cstdint>
#include <optional>
#include <vector>

namespace tovrin::test {

// One message from an MMS server as a client sees it on TCP: a command
// (session id 0xB00BFACE at offset 4) or a data packet (8-byte prefix).
struct MmsMessage {
    bool command = false;
    QByteArray bytes;  // the whole packet

    std::uint16_t mid() const { return LE16At(bytes, 36).value_or(0); }  // commands: message id at 36
    std::uint32_t u32(qsizetype offset) const { return LE32At(bytes, offset).value_or(0); }
    // Data packets.
    std::uint8_t afFlags() const { return std::uint8_t(bytes.at(5)); }
    QByteArray payload() const { return bytes.mid(8); }
    // One line for a transcript: a command's id, size and non-zero 32-bit
    // fields up to offset 112, except the random ones (a funnel report's
    // client id and after, a challenge's cookie); a data packet's prefix and size.
    QString line() const;
};

// A scripted MMS client over a blocking QTcpSocket, written from the
// protocol's tables independently of the server's code. Every wait has a
// time limit; a missing reply answers nothing rather than hanging.
class ScriptedClient {
public:
    bool connectTo(std::uint16_t port)
    {
        m_socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        return m_socket.waitForConnected(5000);
    }

    // Sends a client command: header built here, fields from offset 40.
    void send(std::uint16_t mid, const QByteArray& fields);
    void sendRaw(const QByteArray& bytes)
    {
        m_socket.write(bytes);
        m_socket.waitForBytesWritten(5000);
    }

    // The next message, added to the transcript; nothing on time-out, on
    // close, or when the stream is not MMS.
    std::optional<MmsMessage> next(int timeoutMs = 5000);
    // The next `count` messages, for the transcript only.
    void read(int count)
    {
        for (int i = 0; i < count; ++i)
            next();
    }
    // The next message when it is the command `mid`; nothing otherwise.
    std::optional<MmsMessage> expect(std::uint16_t mid, int timeoutMs = 5000)
    {
        auto message = next(timeoutMs);
        if (!message || !message->command || message->mid() != mid)
            return std::nullopt;
        return message;
    }
    // True when the server closes the connection within the time.
    bool waitClosed(int timeoutMs = 5000);

    // The usual client commands, with the values real clients send.
    void connectCommand(std::uint32_t marker = 0, const QString& player = QStringLiteral("NSPlayer/7.0.0.1956"));
    void funnelInfo(std::uint32_t request) { send(0x18, le32s({request, 0x0004000B})); }
    void connectFunnel(const QString& name) { send(0x02, le32s({0, 0xFFFFFFFF, 0, 0x00989680, 2}) + asf::Utf16(name)); }
    void openFile(const QString& name) { send(0x05, le32s({1, 0xFFFFFFFF, 0, 0}) + asf::Utf16(name)); }
    void readBlock() { send(0x15, le32s({1, 0, 0, 0x00800000, 0xFFFFFFFF, 0, 0, 0, 0, 0x40AC2000, 2, 0})); }
    using Selection = std::initializer_list<std::pair<std::uint16_t, std::uint16_t>>;  // stream, thinning
    void streamSwitch(Selection streams = {{1, 0}, {2, 0}});
    // openFileId, padding, position 0.0, asfOffset, locationId, frameOffset, incarnation
    void startPlaying(std::uint32_t locationId = 0xFFFFFFFF, std::uint32_t incarnation = 4)
    {
        send(0x07, le32s({1, 0x0001FFFF, 0, 0, 0xFFFFFFFF, locationId, 0x00FFFFFF, incarnation}));
    }
    void securityResponse(const QByteArray& token) { send(0x1A, le32s({1, 0, std::uint32_t(token.size())}) + token); }
    void closeFile() { send(0x0D, le32s({1, 1})); }

    // connect, funnel info (ffmpeg's), TCP funnel, open: the reply to the open-file command.
    std::optional<MmsMessage> openOverTcp(const QString& name);
    // Header data packets up to and including the one flagged last (AFFlags bit 0x08).
    std::vector<MmsMessage> readHeader();
    // openOverTcp, then the header and a stream selection: ready for startPlaying.
    bool readyToPlay(const QString& name, Selection streams = {{1, 0}, {2, 0}});

    QTcpSocket& socket() { return m_socket; }

    QStringList transcript;  // "> mid" for each command sent, then the line of each message read
    QByteArray media;        // the payloads of the data packets read, one after the other

private:
    static QByteArray le32s(std::initializer_list<std::uint32_t> values);
    bool fill(qsizetype bytes, int timeoutMs);

    QTcpSocket m_socket;
    QByteArray m_buffer;
    std::uint32_t m_seq = 0;
};

}  // namespace tovrin::test
