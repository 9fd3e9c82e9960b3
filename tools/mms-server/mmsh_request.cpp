#include "mms-server/mmsh_request.h"

#include <QList>
#include <QUrl>

namespace tovrin::mmsserver {

namespace {

std::optional<std::uint32_t> leadingNumber(QByteArrayView text)
{
    qsizetype digits = 0;
    while (digits < text.size() && digits < 10 && text[digits] >= '0' && text[digits] <= '9')
        ++digits;
    if (digits == 0)
        return std::nullopt;
    const qulonglong value = text.first(digits).toULongLong();
    if (value > 0xFFFFFFFFull)
        return std::nullopt;
    return std::uint32_t(value);
}

void readPragma(QByteArrayView value, MmshRequest& request)
{
    for (const QByteArray& rawToken : value.toByteArray().split(',')) {
        const QByteArray token = rawToken.trimmed();
        const qsizetype eq = token.indexOf('=');
        const QByteArray key = (eq < 0 ? token : token.left(eq)).trimmed().toLower();
        const QByteArrayView arg = eq < 0 ? QByteArrayView() : QByteArrayView(token).sliced(eq + 1).trimmed();
        if (key == "xplaystrm") {
            request.play = leadingNumber(arg) == 1u;
        } else if (key == "packet-num") {
            if (const auto n = leadingNumber(arg); n && *n != 0xFFFFFFFFu)
                request.packetNum = n;
        } else if (key == "stream-time") {
            if (const auto n = leadingNumber(arg); n && *n != 0 && *n != 0xFFFFFFFFu)
                request.streamTimeMs = n;
        } else if (key == "stream-switch-entry") {
            request.switchEntries += int(arg.toByteArray().simplified().split(' ').size());
            AddStreamSwitchEntries(arg, request.selection ? *request.selection : request.selection.emplace());
        } else if (key == "xclientguid") {
            request.clientGuid = QString::fromLatin1(arg);
        }
    }
}

}  // namespace

qsizetype RequestHeadSize(QByteArrayView bytes)
{
    const qsizetype end = bytes.indexOf(QByteArrayView("\r\n\r\n"));
    return end < 0 ? 0 : end + 4;
}

std::optional<MmshRequest> ParseMmshRequest(QByteArrayView head)
{
    const QList<QByteArray> lines = head.toByteArray().split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    if (requestLine.size() != 3 || !requestLine[1].startsWith('/') || !requestLine[2].startsWith("HTTP/"))
        return std::nullopt;
    MmshRequest request;
    request.method = requestLine[0];
    QByteArray path = requestLine[1].mid(1);
    if (const qsizetype query = path.indexOf('?'); query >= 0)
        path.truncate(query);
    request.name = QUrl::fromPercentEncoding(path);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines[i].trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "pragma") {
            readPragma(value, request);
        } else if (name == "user-agent") {
            request.userAgent = value;
        } else if (name == "authorization" && value.toLower().startsWith("basic ")) {
            const auto decoded =
                QByteArray::fromBase64Encoding(value.mid(6).trimmed(), QByteArray::AbortOnBase64DecodingErrors);
            if (decoded)
                request.basicCredentials = QString::fromUtf8(*decoded);
        }
    }
    return request;
}

}  // namespace tovrin::mmsserver
