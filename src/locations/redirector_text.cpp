#include "locations/redirector_text.h"

#include <QStringDecoder>

#include <algorithm>
#include <utility>

namespace tovrin {

namespace {

bool IsPlainAscii(QByteArrayView bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return quint8(c) < 0x80; });
}

bool IsValidUtf8(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    // The decoder notes an invalid sequence while it converts the bytes.
    const QString decoded = utf8.decode(bytes);
    return !utf8.hasError();
}

bool StartsWithMarkup(QByteArrayView bytes)
{
    const auto first = std::find_if(bytes.begin(), bytes.end(), [](char c) { return quint8(c) > 32; });
    return first != bytes.end() && *first == '<';
}

}  // namespace

QString RedirectorText::decodeEntry(QByteArrayView entry) const
{
    QStringDecoder decoder = utf8 ? QStringDecoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless)
                                  : QStringDecoder("Big5", QStringDecoder::Flag::Stateless);
    const QString address = decoder.decode(entry);
    return xml ? UnescapeXmlEntities(address) : address;
}

RedirectorText ReadRedirectorText(const QByteArray& raw)
{
    RedirectorText text;
    const QByteArrayView bytes(raw);
    // A UTF-16 text becomes UTF-8, in which the scan finds its ASCII schemes.
    const auto fromUtf16 = [&](QStringDecoder::Encoding encoding) {
        QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
        const QString decoded = decoder.decode(bytes.sliced(2));
        text.bytes = decoded.toUtf8();
        text.utf8 = true;
    };
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        text.bytes = raw.sliced(3);
        text.utf8 = true;
    } else if (bytes.startsWith("\xFF\xFE")) {
        fromUtf16(QStringDecoder::Utf16LE);
    } else if (bytes.startsWith("\xFE\xFF")) {
        fromUtf16(QStringDecoder::Utf16BE);
    } else {
        text.bytes = raw;
        text.utf8 = !IsPlainAscii(bytes) && IsValidUtf8(bytes);
    }
    text.xml = StartsWithMarkup(text.bytes);
    return text;
}

QString UnescapeXmlEntities(const QString& text)
{
    static const std::pair<QLatin1String, QChar> kEntities[] = {
        {QLatin1String("&amp;"), u'&'},  {QLatin1String("&lt;"), u'<'},    {QLatin1String("&gt;"), u'>'},
        {QLatin1String("&quot;"), u'"'}, {QLatin1String("&apos;"), u'\''},
    };
    QString out;
    out.reserve(text.size());
    for (qsizetype at = 0; at < text.size();) {
        const auto entity = std::find_if(std::begin(kEntities), std::end(kEntities), [&](const auto& e) {
            return QStringView(text).sliced(at).startsWith(e.first);
        });
        if (entity == std::end(kEntities)) {
            out += text[at++];
            continue;
        }
        out += entity->second;
        at += entity->first.size();
    }
    return out;
}

}  // namespace tovrin
