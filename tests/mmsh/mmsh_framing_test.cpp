// The MMSH reply reader and request builder: pure functions over bytes.

#include "mmsh/mmsh_reply.h"
#include "mmsh/mmsh_request.h"

#include "asf/byte_helpers.h"
#include "support/golden.h"
#include "support/golden_line.h"

#include <gtest/gtest.h>

using namespace tovrin;

namespace {

QByteArray Chunk(char mark, char type, std::uint16_t length, std::uint16_t repeated, const QByteArray& payload)
{
    return QByteArray(1, mark) + type + EncodeLE16(length) + EncodeLE32(7) + char(0) + char(3) + EncodeLE16(repeated)
           + payload;
}

QByteArray DataChunk(const QByteArray& payload, char mark = '$')
{
    const auto length = std::uint16_t(8 + payload.size());
    return Chunk(mark, 'D', length, length, payload);
}

// A chunk read as one line: what it found, and every field of a chunk.
QString Described(const ChunkRead& read)
{
    const MmshChunk& c = read.chunk;
    if (read.kind != ChunkRead::Kind::Chunk)
        return read.kind == ChunkRead::Kind::NeedMore ? QStringLiteral("need more")
                                                      : QStringLiteral("bad: ") + read.error;
    const QByteArray payload = c.payload.size() > 8 ? c.payload.first(4) + "..." : c.payload;
    return QString::asprintf("$%c of %lld bytes, send now %d, location %u, flags %d, reason %u, payload %s (%lld)",
                             c.type, qint64(read.size), c.sendNow, c.locationId, c.afFlags, c.reason,
                             payload.constData(), qint64(c.payload.size()));
}

}  // namespace

// Well-formed chunks and the send-immediately bit; whole chunks waited for
// without trusting more; lying or unknown framing refused, with its reason.
TEST(ReadChunk, ReadsEveryFieldAndRefusesWhatDoesNotAddUp)
{
    const QByteArray payload(100, 'p');
    const QByteArray whole = DataChunk(payload);
    QStringList lines{Described(ReadChunk(whole + "next", 100)),
                      Described(ReadChunk(DataChunk(payload, char(0xA4)), 100)),
                      Described(ReadChunk(QByteArray("$E") + EncodeLE16(4) + EncodeLE32(1), 0)),
                      Described(ReadChunk(QByteArray("$T") + EncodeLE16(0), 0))};
    for (qsizetype cut : {0, 3, 4, 11, 111})
        lines << Described(ReadChunk(whole.first(cut), 100));
    for (const QByteArray& bytes :
         {Chunk('$', 'D', 108, 100, payload), Chunk('$', 'H', 4, 4, {}).first(8), DataChunk(QByteArray(101, 'p')),
          QByteArray("$E") + EncodeLE16(8) + QByteArray(8, '\0'), QByteArray("$Z") + EncodeLE16(0), QByteArray("HTTP")})
        lines << Described(ReadChunk(bytes, 100));
    EXPECT_GOLDEN("mmsh/chunks", lines);
}

TEST(ReadReplyHead, ReadsStatusFeaturesRealmAndLocation)
{
    const QByteArray head =
        "HTTP/1.0 401 Unauthorized\r\nServer: Cougar 4.1.0.3921\r\nPragma: no-cache, "
        "features=\"broadcast,playlist\"\r\nWWW-Authenticate: Basic realm=\"VLC stream\"\r\n"
        "Location: http://other/x\r\n\r\n$H";
    const ReplyHeadRead read = ReadReplyHead(head);
    // Kinds: 0 need more, 1 done, 2 bad.
    EXPECT_EQ((test::Line{int(read.kind), read.size == head.size() - 2, read.head.status, read.head.broadcast(),
                          read.head.realm, read.head.location, int(ReadReplyHead("HTTP/1.0 200 OK\r\n").kind),
                          int(ReadReplyHead("ICY 200 OK\r\n\r\n").kind),
                          int(ReadReplyHead("HTTP/1.0 200 OK\r\nX: " + QByteArray(kMaxReplyHead, 'x')).kind)}
                   .text.toStdString()),
              "1 true 401 true VLC stream http://other/x 0 2 2");
}

// The Describe carries the session; the Play asks for every stream, from a
// packet on, with the credentials.
TEST(BuildMmshRequest, DescribeAndPlayCarryTheSessionAndEveryStream)
{
    MmshRequest request;
    request.hostHeader = "host:8080";
    request.path = "/a%20b.wmv";
    request.clientGuid = QStringLiteral("{01234567-89AB-CDEF-0123-456789ABCDEF}");
    const QByteArray describe = BuildMmshRequest(request);
    request.play = true;
    request.streams = {{1, kStreamOn}, {2, kStreamOn}, {18, kStreamOn}};
    request.packetNum = 10;
    request.basicCredentials = "YTpi";
    const QString both = QString::fromLatin1(describe + BuildMmshRequest(request));
    EXPECT_GOLDEN("mmsh/requests",
                  QString(both).replace(QStringLiteral("\r\n"), QStringLiteral("\\r\\n\n")).split(u'\n'));
}
