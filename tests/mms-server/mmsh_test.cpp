// The server's MMSH side: the framing and request handling seen through a raw
// HTTP exchange. Clients that record over MMSH are tests/integration's
// RecordMmsh and tests/peers' libmms.

#include "support/asf_sample.h"
#include "support/golden.h"
#include "support/golden_line.h"
#include "support/mmsh_get.h"
#include "support/server_process.h"

#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace tovrin::test {
namespace {

// The transcript: each answer's head without the random client id, then one
// line per chunk (type, location, flags, size).
QStringList transcriptOf(const MmshAnswer& answer, QByteArray* payloads)
{
    QStringList lines;
    for (const QByteArray& line : answer.head.split('\n'))
        lines << QString::fromLatin1(line.trimmed()).remove(QRegularExpression(QStringLiteral("client-id=\\d+")));
    for (const MmshChunk& chunk : answer.chunks) {
        lines << Line(QString(QLatin1Char(chunk.type)), chunk.location, int(chunk.afFlags), chunk.length);
        *payloads += chunk.payload;
    }
    return lines << QStringLiteral("complete %1").arg(answer.complete);
}

// Describe sends only the header; play from packet 3 ends with end of
// stream; play from stream time 3 s starts at the first packet sent after it,
// stream-time going before packet-num. With credentials required: 401 and a
// realm without them, 404 for a missing file with them. (Accepting and
// refusing credentials is tests/integration's Record; MMSH on the MMS port is
// libmms's in tests/peers.)
TEST(MmshServer, DescribePlayFromAPacketOrAStreamTimeCredentialsAndAMissingFile)
{
    const QString source = SamplePath(Sample::Wmv);
    const QByteArray path = "/" + QFileInfo(source).fileName().toUtf8();
    ServerProcess server(QFileInfo(source).absolutePath(), Args(u"--rate 0 --http-port 0 --auth ann:secret"));
    ASSERT_TRUE(server.started());
    const AsfParts parts = ReadAsf(source);
    const QByteArray ann = "Authorization: Basic " + QByteArray("ann:secret").toBase64() + "\r\n";
    QByteArray described, played, rest;
    const QStringList lines =
        transcriptOf(MmshGet(server.httpPort(), path, "no-cache,rate=1.000,request-context=1", ann), &described)
        + transcriptOf(MmshGet(server.httpPort(), path, "no-cache,xPlayStrm=1,packet-num=3", ann), &played)
        + transcriptOf(MmshGet(server.httpPort(), path, "xPlayStrm=1,stream-time=3000,packet-num=1", ann), &rest)
        + transcriptOf(MmshGet(server.httpPort(), path, "no-cache"), &rest)
        + transcriptOf(MmshGet(server.httpPort(), "/missing.wmv", "no-cache", ann), &rest);
    EXPECT_EQ(described, parts.header);
    QByteArray want = parts.header;
    for (std::size_t i = 3; i < parts.packets.size(); ++i)
        want += parts.packets[i];
    EXPECT_EQ(played, want + QByteArray(4, '\0'));  // the end-of-stream chunk's result
    EXPECT_GOLDEN("mms-server/mmsh_describe_play_credentials_missing", lines);
    EXPECT_EQ(server.stop(), 0);
}

}  // namespace
}  // namespace tovrin::test
