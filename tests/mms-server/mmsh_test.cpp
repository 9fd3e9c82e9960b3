// The server's MMSH side: the framing and request handling seen through a raw
// HTTP exchange. Clients that record over MMSH are tests/integration's
// RecordMmsh and tests/peers' libmms.

#include "mms-server/scripted_client.h"

#include "support/asf_sample.h"
#include "support/mmsh_get.h"

#include <QFileInfo>

#include <gtest/gtest.h>

namespace tovrin::test {
namespace {

class MmshServer : public ::testing::Test {
protected:
    bool start(const QStringList& more = {})
    {
        return server.start(QStringList{QStringLiteral("--root"), QFileInfo(source).absolutePath()}
                            + Args(u"--rate 0 --http-port 0") + more);
    }
    QByteArray path() const { return "/" + QFileInfo(source).fileName().toUtf8(); }

    QString source = SamplePath(Sample::Wmv);
    ServerProcess server;
};

TEST_F(MmshServer, DescribeSendsOnlyTheHeaderAndPlayEndsWithEndOfStream)
{
    ASSERT_TRUE(start());
    const AsfParts parts = ReadAsf(source);

    const MmshAnswer describe = MmshGet(server.httpPort(), path(), "no-cache,rate=1.000,request-context=1");
    ASSERT_TRUE(describe.complete);
    EXPECT_TRUE(describe.head.startsWith("HTTP/1.0 200 OK"));
    EXPECT_TRUE(describe.head.contains("features=\"seekable"));
    ASSERT_EQ(describe.chunks.size(), 1u);
    EXPECT_EQ(describe.chunks[0].afFlags, 0x0C);
    EXPECT_EQ(describe.chunks[0].payload, parts.header);

    const MmshAnswer play = MmshGet(server.httpPort(), path(), "no-cache,xPlayStrm=1,packet-num=3");
    ASSERT_TRUE(play.complete);
    ASSERT_EQ(play.chunks.size(), 1 + parts.packets.size() - 3 + 1);
    EXPECT_EQ(play.chunks.front().type, 'H');
    for (std::size_t i = 1; i + 1 < play.chunks.size(); ++i) {
        const MmshChunk& data = play.chunks[i];
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
    const MmshAnswer whole = MmshGet(server.httpPort(), path(), "xPlayStrm=1");
    const MmshAnswer later = MmshGet(server.httpPort(), path(), "xPlayStrm=1,stream-time=3000,packet-num=1");
    ASSERT_TRUE(whole.complete && later.complete);
    ASSERT_GT(later.chunks.size(), 3u);
    EXPECT_LT(later.chunks.size(), whole.chunks.size() * 3 / 4);
    EXPECT_GT(later.chunks[1].location, 1u);  // stream-time goes before packet-num
}

TEST_F(MmshServer, AnswersRefusalsWithHttpStatus)
{
    ASSERT_TRUE(start(Args(u"--auth ann:secret")));
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
            const MmshAnswer exchange = MmshGet(port, c.path, "no-cache", c.extra);
            EXPECT_TRUE(exchange.head.startsWith(c.status)) << port << ": " << exchange.head.toStdString();
        }
        EXPECT_TRUE(MmshGet(port, path(), "no-cache").head.contains("WWW-Authenticate: Basic realm=")) << port;
    }
    EXPECT_EQ(server.stop(), 0);
}

}  // namespace
}  // namespace tovrin::test
