#include "mmsh/mmsh_reply.h"

#include "asf/byte_helpers.h"

#include <QList>

namespace tovrin {

namespace {

constexpr qsizetype kFramingHeader = 4;
constexpr qsizetype kDataHeader = 8;

QByteArray quotedValue(const QByteArray& text, const QByteArray& key)
{
    const qsizetype at = text.toLower().indexOf(key);
    if (at < 0)
        return {};
    QByteArray rest = text.mid(at + key.size()).trimmed();
    if (rest.startsWith('"')) {
        const qsizetype close = rest.indexOf('"', 1);
        return close < 0 ? rest.mid(1) : rest.mid(1, close - 1);
    }
    const qsizetype end = rest.indexOf(',');
    return end < 0 ? rest : rest.left(end);
}

}  // namespace

ReplyHeadRead ReadReplyHead(QByteArrayView bytes)
{
    ReplyHeadRead read;
    const QByteArrayView window = bytes.first(std::min(bytes.size(), kMaxReplyHead));
    const qsizetype end = window.indexOf(QByteArrayView("\r\n\r\n"));
    if (end < 0) {
        if (bytes.size() >= kMaxReplyHead) {
            read.kind = ReplyHeadRead::Kind::Bad;
            read.error = QStringLiteral("reply head longer than %1 bytes").arg(kMaxReplyHead);
        }
        return read;
    }
    const QList<QByteArray> lines = window.first(end).toByteArray().split('\n');
    const QList<QByteArray> status = lines.value(0).trimmed().split(' ');
    bool ok = false;
    const int code = status.value(1).toInt(&ok);
    if (!status.value(0).startsWith("HTTP/") || !ok || code < 100 || code > 999) {
        read.kind = ReplyHeadRead::Kind::Bad;
        read.error = QStringLiteral("not an HTTP reply");
        return read;
    }
    read.head.status = code;
    read.head.reason = lines.value(0).trimmed().mid(status.value(0).size() + status.value(1).size() + 2).trimmed();
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "location")
            read.head.location = value;
        else if (name == "www-authenticate" && value.toLower().startsWith("basic"))
            read.head.realm = quotedValue(value, "realm=");
        else if (name == "proxy-authenticate" && value.toLower().startsWith("basic"))
            read.head.proxyRealm = quotedValue(value, "realm=");
        else if (name == "pragma" && value.toLower().contains("features="))
            read.head.features = quotedValue(value, "features=");
    }
    read.kind = ReplyHeadRead::Kind::Done;
    read.size = end + 4;
    return read;
}

ChunkRead ReadChunk(QByteArrayView bytes, std::uint32_t maxDataPayload)
{
    ChunkRead read;
    if (bytes.size() < kFramingHeader)
        return read;
    const auto bad = [&read](const QString& why) {
        read.kind = ChunkRead::Kind::Bad;
        read.error = why;
        return read;
    };
    const auto mark = std::uint8_t(bytes[0]);
    if ((mark & 0x7F) != '$')
        return bad(QStringLiteral("framing header 0x%1 is not '$'").arg(mark, 2, 16, QLatin1Char('0')));
    MmshChunk& chunk = read.chunk;
    chunk.type = bytes[1];
    chunk.sendNow = (mark & 0x80) != 0;
    const std::uint16_t length = *LE16At(bytes, 2);
    switch (chunk.type) {
    case 'H':
    case 'D':
    case 'M':
        if (length < kDataHeader)
            return bad(
                QStringLiteral("$%1 length %2 cannot hold its data header").arg(QLatin1Char(chunk.type)).arg(length));
        if (chunk.type == 'D' && maxDataPayload != 0 && length - kDataHeader > qsizetype(maxDataPayload))
            return bad(QStringLiteral("$D payload of %1 bytes exceeds the packet size %2")
                           .arg(length - kDataHeader)
                           .arg(maxDataPayload));
        break;
    case 'E':
    case 'C':
        if (length != 4)
            return bad(QStringLiteral("$%1 length %2 is not 4").arg(QLatin1Char(chunk.type)).arg(length));
        break;
    case 'P':
    case 'T':
        break;
    default:
        return bad(QStringLiteral("unknown chunk type 0x%1").arg(std::uint8_t(chunk.type), 2, 16, QLatin1Char('0')));
    }
    if (bytes.size() < kFramingHeader + length)
        return read;
    const QByteArrayView body = bytes.sliced(kFramingHeader, length);
    if (chunk.type == 'H' || chunk.type == 'D' || chunk.type == 'M') {
        const std::uint16_t repeated = *LE16At(body, 6);
        if (repeated != length)
            return bad(QStringLiteral("$%1 lengths disagree (%2 and %3)")
                           .arg(QLatin1Char(chunk.type))
                           .arg(length)
                           .arg(repeated));
        chunk.locationId = *LE32At(body, 0);
        chunk.afFlags = std::uint8_t(body[5]);
        chunk.payload = body.sliced(kDataHeader).toByteArray();
    } else if (chunk.type == 'E' || chunk.type == 'C') {
        chunk.reason = *LE32At(body, 0);
    } else {
        chunk.payload = body.toByteArray();
    }
    read.kind = ChunkRead::Kind::Chunk;
    read.size = kFramingHeader + length;
    return read;
}

}  // namespace tovrin
