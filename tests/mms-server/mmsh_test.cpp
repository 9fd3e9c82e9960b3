// The server's MMSH request handling, seen through a raw HTTP exchange.

#include "mms-server/scripted_client.h"

#include "support/asf_sample.h"

#include "asf/byte_helpers.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QTcpSocket>

#include <gtest/gtest.h>

namespace tovrin::test {
namespace {

// The reply to one request: its head, and the location of each chunk of the
// framing (0 for chunks that carry none), read independently of the server's code.
struct Exchange {
    QByteArray head;
    std::vector<std::uint32_t> chunks;
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
    while (body.size() >= 4 && body.size() >= 4 + *LE16At(body, 2)) {
        const bool located = body[1] == 'H' || body[1] == 'D';
        exchange.chunks.push_back(located ? LE32At(body, 4).value_or(0) : 0);
        body = body.sliced(4 + *LE16At(body, 2));
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

TEST_F(MmshServer, StreamTimeStartsAtTheFirstPacketSentAfterIt)
{
    ASSERT_TRUE(start());
    const Exchange whole = Fetch(server.httpPort(), path(), "xPlayStrm=1");
    const Exchange later = Fetch(server.httpPort(), path(), "xPlayStrm=1,stream-time=3000,packet-num=1");
    ASSERT_TRUE(whole.complete && later.complete);
    ASSERT_GT(later.chunks.size(), 3u);
    EXPECT_LT(later.chunks.size(), whole.chunks.size() * 3 / 4);
    EXPECT_GT(later.chunks[1], 1u);  // stream-time goes before packet-num
}

TEST_F(MmshServer, ALivePointIsABroadcastAndAFileIsSeekable)
{
    ASSERT_TRUE(start({QStringLiteral("--live"), QStringLiteral("news=") + source}));
    EXPECT_TRUE(Fetch(server.httpPort(), "/news", "no-cache").head.contains("features=\"broadcast\""));
    EXPECT_TRUE(Fetch(server.httpPort(), path(), "no-cache").head.contains("features=\"seekable"));
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
