// The MMSH reply reader and request builder: pure functions over bytes.

#include "mmsh/mmsh_reply.h"
#include "mmsh/mmsh_request.h"

#include "asf/byte_helpers.h"

#include <gtest/gtest.h>

using namespace tovrin;

namespace {

QByteArray Chunk(char mark, char type, std::uint16_t length, std::uint16_t repeated, const QByteArray& payload)
{
    QByteArray bytes;
    bytes.append(mark).append(type).append(EncodeLE16(length));
    bytes.append(EncodeLE32(7)).append(char(0)).append(char(3)).append(EncodeLE16(repeated)).append(payload);
    return bytes;
}

QByteArray DataChunk(const QByteArray& payload, char mark = '$')
{
    const auto length = std::uint16_t(8 + payload.size());
    return Chunk(mark, 'D', length, length, payload);
}

}  // namespace

TEST(ReadChunk, AcceptsWellFormedChunksAndTheSendImmediatelyBit)
{
    const QByteArray payload(100, 'p');
    for (const char mark : {'$', char(0xA4)}) {
        const QByteArray bytes = DataChunk(payload, mark) + "next";
        const ChunkRead read = ReadChunk(bytes, 100);
        ASSERT_EQ(read.kind, ChunkRead::Kind::Chunk);
        EXPECT_EQ(read.size, 112);
        EXPECT_EQ(read.chunk.type, 'D');
        EXPECT_EQ(read.chunk.sendNow, mark != '$');
        EXPECT_EQ(read.chunk.locationId, 7u);
        EXPECT_EQ(read.chunk.afFlags, 3);
        EXPECT_EQ(read.chunk.payload, payload);
    }
    const QByteArray end = QByteArray("$E") + EncodeLE16(4) + EncodeLE32(1);
    const ChunkRead read = ReadChunk(end, 0);
    ASSERT_EQ(read.kind, ChunkRead::Kind::Chunk);
    EXPECT_EQ(read.chunk.reason, 1u);
    EXPECT_EQ(ReadChunk(QByteArray("$T") + EncodeLE16(0), 0).kind, ChunkRead::Kind::Chunk);
}

TEST(ReadChunk, WaitsForWholeChunksWithoutTrustingMore)
{
    const QByteArray whole = DataChunk(QByteArray(100, 'p'));
    for (qsizetype cut : {0, 3, 4, 11, 111})
        EXPECT_EQ(ReadChunk(whole.first(cut), 100).kind, ChunkRead::Kind::NeedMore) << cut;
}

TEST(ReadChunk, RefusesLyingOrUnknownFraming)
{
    const QByteArray payload(100, 'p');
    const std::pair<QByteArray, const char*> cases[] = {
        {Chunk('$', 'D', 108, 100, payload), "$D lengths disagree (108 and 100)"},
        {Chunk('$', 'H', 4, 4, {}).first(8), "$H length 4 cannot hold its data header"},
        {DataChunk(QByteArray(101, 'p')), "$D payload of 101 bytes exceeds the packet size 100"},
        {QByteArray("$E") + EncodeLE16(8) + QByteArray(8, '\0'), "$E length 8 is not 4"},
        {QByteArray("$Z") + EncodeLE16(0), "unknown chunk type 0x5a"},
        {QByteArray("HTTP"), "framing header 0x48 is not '$'"},
    };
    for (const auto& [bytes, error] : cases) {
        const ChunkRead read = ReadChunk(bytes, 100);
        EXPECT_EQ(read.kind, ChunkRead::Kind::Bad) << error;
        EXPECT_EQ(read.error, QString::fromUtf8(error));
    }
}

TEST(ReadReplyHead, ReadsStatusFeaturesRealmAndLocation)
{
    const QByteArray head =
        "HTTP/1.0 401 Unauthorized\r\nServer: Cougar 4.1.0.3921\r\nPragma: no-cache, "
        "features=\"broadcast,playlist\"\r\nWWW-Authenticate: Basic realm=\"VLC stream\"\r\n"
        "Location: http://other/x\r\n\r\n$H";
    const ReplyHeadRead read = ReadReplyHead(head);
    ASSERT_EQ(read.kind, ReplyHeadRead::Kind::Done);
    EXPECT_EQ(read.size, head.size() - 2);
    EXPECT_EQ(read.head.status, 401);
    EXPECT_TRUE(read.head.broadcast());
    EXPECT_EQ(read.head.realm, "VLC stream");
    EXPECT_EQ(read.head.location, "http://other/x");

    EXPECT_EQ(ReadReplyHead("HTTP/1.0 200 OK\r\n").kind, ReplyHeadRead::Kind::NeedMore);
    EXPECT_EQ(ReadReplyHead("ICY 200 OK\r\n\r\n").kind, ReplyHeadRead::Kind::Bad);
    EXPECT_EQ(ReadReplyHead("HTTP/1.0 200 OK\r\nX: " + QByteArray(kMaxReplyHead, 'x')).kind, ReplyHeadRead::Kind::Bad);
}

TEST(BuildMmshRequest, DescribeAndPlayCarryTheSessionAndEveryStream)
{
    MmshRequest request;
    request.hostHeader = "host:8080";
    request.path = "/a%20b.wmv";
    request.clientGuid = QStringLiteral("{01234567-89AB-CDEF-0123-456789ABCDEF}");
    const QByteArray describe = BuildMmshRequest(request);
    EXPECT_TRUE(describe.startsWith("GET /a%20b.wmv HTTP/1.0\r\n"));
    EXPECT_TRUE(describe.contains("User-Agent: NSPlayer/7.0.0.1956\r\nHost: host:8080\r\n"));
    EXPECT_TRUE(describe.contains("Pragma: xClientGUID={01234567-89AB-CDEF-0123-456789ABCDEF}\r\n"));
    EXPECT_FALSE(describe.contains("xPlayStrm"));
    EXPECT_TRUE(describe.endsWith("\r\n\r\n"));

    request.play = true;
    request.streams = {1, 2, 18};
    request.packetNum = 10;
    request.basicCredentials = "YTpi";
    const QByteArray play = BuildMmshRequest(request);
    EXPECT_TRUE(play.contains("packet-num=10,"));
    EXPECT_TRUE(play.contains("Pragma: xPlayStrm=1\r\n"));
    EXPECT_TRUE(
        play.contains("Pragma: stream-switch-count=3\r\nPragma: stream-switch-entry=ffff:1:0 ffff:2:0 ffff:12:0\r\n"));
    EXPECT_TRUE(play.contains("Authorization: Basic YTpi\r\n"));
}
