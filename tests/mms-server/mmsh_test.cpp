// The server's MMSH side: the framing and request handling seen through a raw
// HTTP exchange. Clients that record over MMSH are tests/integration's
// RecordMmsh and tests/peers' libmms.

#include "mms-server/scripted_client.h"

#include "support/asf_sample.h"

#include "asf/byte_helpers.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace tovrin::test {
namespace {

// One chunk of the framing, read independently of the server's code.
struct Chunk {
    char type = 0;
    std::uint16_t length = 0;
    std::uint32_t location = 0;
    std::uint8_t afFlags = 0;
    QByteArray payload;
};

struct Exchange {
    QByteArray head;
    std::vector<Chunk> chunks;
    bool complete = false;  // the body split into whole chunks
};

// Sends one request and reads until the server closes (at most 10 s).
Exchange Fetch(std::uint16_t port, const QByteArray& path, const QByteArray& pragma, const QByteArray& extra = {})
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    Exchange exchange;
    if (!socket.waitForConnected(5000))
        return exchange;
    socket.write("GET " + path + " HTTP/1.0\r\nUser-Agent: NSPlayer/7.0.0.1956\r\nHost: 127.0.0.1\r\nPragma: "
                 + pragma + "\r\n" + extra + "\r\n");
    QByteArray all;
    const QDeadlineTimer deadline(10000);
    while (socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
        socket.waitForReadyRead(100);
        all += socket.readAll();
    }
    all += socket.readAll();
    const qsizetype end = all.indexOf("\r\n\r\n");
    if (end < 0)
        return exchange;
    exchange.head = all.left(end);
    QByteArrayView body = QByteArrayView(all).sliced(end + 4);
    while (body.size() >= 4) {
        Chunk chunk;
        chunk.type = body[1];
        chunk.length = *LE16At(body, 2);
        if (body.size() < 4 + chunk.length)
            return exchange;
        if (chunk.type == 'H' || chunk.type == 'D') {
            chunk.location = *LE32At(body, 4);
            chunk.afFlags = std::uint8_t(body[9]);
            chunk.payload = body.sliced(12, chunk.length - 8).toByteArray();
        } else {
            chunk.payload = body.sliced(4, chunk.length).toByteArray();
        }
        exchange.chunks.push_back(chunk);
        body = body.sliced(4 + chunk.length);
    }
    exchange.complete = body.isEmpty();
    return exchange;
}

class MmshServer : public ::testing::Test {
protected:
    bool start(const QStringList& more = {})
    {
        return server.start(QStringList{QStringLiteral("--root"), QFileInfo(source).absolutePath(),
                                        QStringLiteral("--rate"), QStringLiteral("0"), QStringLiteral("--http-port"),
                                        QStringLiteral("0")}
                            + more);
    }
    QByteArray path() const { return "/" + QFileInfo(source).fileName().toUtf8(); }

    QString source = SamplePath(Sample::Wmv);
    ServerProcess server;
};

TEST_F(MmshServer, DescribeSendsOnlyTheHeaderAndPlayEndsWithEndOfStream)
{
    ASSERT_TRUE(start());
    const AsfParts parts = ReadAsf(source);

    const Exchange describe = Fetch(server.httpPort(), path(), "no-cache,rate=1.000,request-context=1");
    ASSERT_TRUE(describe.complete);
    EXPECT_TRUE(describe.head.startsWith("HTTP/1.0 200 OK"));
    EXPECT_TRUE(describe.head.contains("features=\"seekable"));
    ASSERT_EQ(describe.chunks.size(), 1u);
    EXPECT_EQ(describe.chunks[0].afFlags, 0x0C);
    EXPECT_EQ(describe.chunks[0].payload, parts.header);

    const Exchange play = Fetch(server.httpPort(), path(), "no-cache,xPlayStrm=1,packet-num=3");
    ASSERT_TRUE(play.complete);
    ASSERT_EQ(play.chunks.size(), 1 + parts.packets.size() - 3 + 1);
    EXPECT_EQ(play.chunks.front().type, 'H');
    for (std::size_t i = 1; i + 1 < play.chunks.size(); ++i) {
        const Chunk& data = play.chunks[i];
        ASSERT_EQ(data.type, 'D');
        EXPECT_EQ(data.location, i + 2);
        EXPECT_EQ(data.afFlags, i - 1);
        EXPECT_EQ(data.payload, parts.packets[i + 2]);
    }
    EXPECT_EQ(play.chunks.back().type, 'E');
    EXPECT_EQ(play.chunks.back().payload, QByteArray(4, '\0'));
    EXPECT_EQ(server.stop(), 0);
}

TEST_F(MmshServer, StreamTimeStartsAtTheFirstPacketSentAfterIt)
{
    ASSERT_TRUE(start());
    const Exchange whole = Fetch(server.httpPort(), path(), "xPlayStrm=1");
    const Exchange later = Fetch(server.httpPort(), path(), "xPlayStrm=1,stream-time=3000,packet-num=1");
    ASSERT_TRUE(whole.complete && later.complete);
    ASSERT_GT(later.chunks.size(), 3u);
    EXPECT_LT(later.chunks.size(), whole.chunks.size() * 3 / 4);
    EXPECT_GT(later.chunks[1].location, 1u);  // stream-time goes before packet-num
}

TEST_F(MmshServer, AnswersRefusalsWithHttpStatus)
{
    ASSERT_TRUE(start({QStringLiteral("--auth"), QStringLiteral("ann:secret")}));
    struct Case {
        QByteArray path;
        QByteArray extra;
        QByteArray status;
    };
    const Case cases[] = {
        {path(), {}, "HTTP/1.0 401"},
        {path(), "Authorization: Basic " + QByteArray("ann:wrong").toBase64() + "\r\n", "HTTP/1.0 401"},
        {path(), "Authorization: Basic " + QByteArray("ann:secret").toBase64() + "\r\n", "HTTP/1.0 200"},
        {"/missing.wmv", "Authorization: Basic " + QByteArray("ann:secret").toBase64() + "\r\n", "HTTP/1.0 404"},
    };
    // The MMS port answers HTTP requests the same way.
    for (const std::uint16_t port : {server.httpPort(), server.port()}) {
        for (const Case& c : cases) {
            const Exchange exchange = Fetch(port, c.path, "no-cache", c.extra);
            EXPECT_TRUE(exchange.head.startsWith(c.status)) << port << ": " << exchange.head.toStdString();
        }
        EXPECT_TRUE(Fetch(port, path(), "no-cache").head.contains("WWW-Authenticate: Basic realm=")) << port;
    }
    EXPECT_EQ(server.stop(), 0);
}

}  // namespace
}  // namespace tovrin::test
