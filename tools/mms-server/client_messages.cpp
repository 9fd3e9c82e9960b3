#include "mms-server/client_messages.h"

#include "asf/byte_helpers.h"

#include <QRegularExpression>

#include <cmath>

namespace tovrin::mmsserver {

QString ReadUtf16(QByteArrayView bytes, qsizetype offset, qsizetype maxChars)
{
    QString text;
    for (qsizetype i = 0; i < maxChars; ++i) {
        const auto unit = LE16At(bytes, offset + 2 * i);
        if (!unit || *unit == 0)
            break;
        text.append(QChar(*unit));
    }
    return text;
}

std::optional<FunnelRequest> ReadFunnelRequest(const Command& command)
{
    static const QRegularExpression form(QStringLiteral(R"(^\\\\[^\\]*\\(TCP|UDP)\\(\d{1,5}))"),
                                         QRegularExpression::CaseInsensitiveOption);
    const auto match = form.match(ReadUtf16(command.bytes, 60, 256));
    if (!match.hasMatch())
        return std::nullopt;
    FunnelRequest request;
    request.udp = match.captured(1).compare(QLatin1String("UDP"), Qt::CaseInsensitive) == 0;
    const uint port = match.captured(2).toUInt();
    if (port > 65535 || (request.udp && port == 0))
        return std::nullopt;
    request.port = std::uint16_t(port);
    return request;
}

QString ReadOpenFileName(const Command& command)
{
    QString name = ReadUtf16(command.bytes, 56);
    while (name.startsWith(QLatin1Char('/')))
        name.remove(0, 1);
    const qsizetype query = name.indexOf(QLatin1Char('?'));
    if (query >= 0)
        name.truncate(query);
    return name;
}

std::optional<StartPlaying> ReadStartPlaying(const Command& command)
{
    const auto position = command.fieldDouble(48);
    const auto incarnation = command.field32(68);
    if (!position || !incarnation)
        return std::nullopt;
    StartPlaying start;
    start.openFileId = command.u32(40);
    start.positionSeconds = std::isfinite(*position) ? *position : 0.0;
    start.asfOffset = command.u32(56);
    start.locationId = command.u32(60);
    start.playIncarnation = *incarnation;
    return start;
}

std::optional<QString> ReadBasicCredentials(const Command& command)
{
    const qsizetype start = 52;
    const qsizetype available = command.bytes.size() - start;
    const qsizetype length = std::min<qsizetype>(command.u32(48), available);
    if (length <= 0)
        return std::nullopt;
    QByteArray token = command.bytes.mid(start, length);
    // UTF-16 when every second byte is zero; the base64 alphabet is ASCII.
    bool utf16 = token.size() >= 2;
    for (qsizetype i = 1; i < token.size() && utf16; i += 2)
        utf16 = token[i] == '\0';
    QString text = utf16 ? ReadUtf16(token, 0, token.size() / 2) : QString::fromLatin1(token.constData());
    text = text.trimmed();
    if (text.startsWith(QLatin1String("Basic "), Qt::CaseInsensitive))
        text = text.mid(6).trimmed();
    const auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded || decoded.decoded.isEmpty())
        return std::nullopt;
    return QString::fromUtf8(decoded.decoded);
}

}  // namespace tovrin::mmsserver
