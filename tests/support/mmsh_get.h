#pragma once

// One MMSH request on loopback and the chunks of its answer, read
// independently of the recorder's and the test server's code. Header-only:
// the server's tests and the recorder's integration tests share it.

#include "asf/byte_helpers.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QTcpSocket>

#include <cstdint>
#include <functional>
#include <vector>

namespace tovrin::test {

struct MmshChunk {
    char type = 0;
    std::uint16_t length = 0;
    std::uint32_t location = 0;  // $H and $D only
    std::uint8_t afFlags = 0;    // $H and $D only
    QByteArray payload;          // after the 8-byte prefix of a $H or $D
};

struct MmshAnswer {
    QByteArray head;  // up to the blank line
    std::vector<MmshChunk> chunks;
    bool complete = false;  // the body split into whole chunks
};

// The head and chunks of what an MMSH answer has brought so far.
inline MmshAnswer ParseMmshAnswer(QByteArrayView all)
{
    MmshAnswer answer;
    const qsizetype end = all.indexOf("\r\n\r\n");
    if (end < 0)
        return answer;
    answer.head = all.first(end).toByteArray();
    QByteArrayView body = all.sliced(end + 4);
    while (body.size() >= 4) {
        MmshChunk chunk;
        chunk.type = body[1];
        chunk.length = *LE16At(body, 2);
        if (body.size() < 4 + chunk.length)
            return answer;
        if ((chunk.type == 'H' || chunk.type == 'D') && chunk.length >= 8) {
            chunk.location = *LE32At(body, 4);
            chunk.afFlags = std::uint8_t(body[9]);
            chunk.payload = body.sliced(12, chunk.length - 8).toByteArray();
        } else {
            chunk.payload = body.sliced(4, chunk.length).toByteArray();
        }
        answer.chunks.push_back(chunk);
        body = body.sliced(4 + chunk.length);
    }
    answer.complete = body.isEmpty();
    return answer;
}

// Sends `GET path` with `pragma` and the `extra` header lines, then reads
// until the server closes, `deadline` passes or `enough` holds for what came.
inline MmshAnswer MmshGet(quint16 port, const QByteArray& path, const QByteArray& pragma, const QByteArray& extra = {},
                          const QDeadlineTimer& deadline = QDeadlineTimer(10000),
                          const std::function<bool(const QByteArray&)>& enough = {})
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    if (!socket.waitForConnected(5000))
        return {};
    socket.write("GET " + path + " HTTP/1.0\r\nUser-Agent: NSPlayer/7.0.0.1956\r\nHost: 127.0.0.1\r\nPragma: " + pragma
                 + "\r\n" + extra + "\r\n");
    QByteArray all;
    while (socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired() && !(enough && enough(all))) {
        socket.waitForReadyRead(50);
        all += socket.readAll();
    }
    return ParseMmshAnswer(all + socket.readAll());
}

}  // namespace tovrin::test
