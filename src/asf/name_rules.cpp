#include "asf/name_rules.h"

#include <QStringDecoder>

#include <cctype>

namespace tovrin {

namespace {

bool IsFolderSeparator(QChar c)
{
#ifdef Q_OS_WIN
    return c == u'\\';
#else
    return c == u'\\' || c == u'/';
#endif
}

// 0-based index of the last character in [1, size - 2] that `matches`, or -1.
template <typename Predicate>
qsizetype LastInner(const QString& text, Predicate matches)
{
    for (qsizetype i = text.size() - 2; i >= 1; --i) {
        if (matches(text.at(i)))
            return i;
    }
    return -1;
}

}  // namespace

QString DecodeEscapesOnce(const QString& text)
{
    if (!text.contains(u'%'))
        return text;
    const QByteArray bytes = text.toUtf8();
    QByteArray decoded;
    decoded.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '%' && i + 2 < bytes.size() && std::isxdigit(uchar(bytes[i + 1]))
            && std::isxdigit(uchar(bytes[i + 2]))) {
            const auto byte = char(bytes.mid(i + 1, 2).toInt(nullptr, 16));
            const bool kept = uchar(byte) < 0x20 || byte == 0x7F || byte == '/' || byte == '\\' || byte == ':';
            if (!kept) {
                decoded += byte;
                i += 2;
                continue;
            }
        }
        decoded += bytes[i];
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString result = utf8(decoded);
    return utf8.hasError() ? text : result;
}

QString NameAfterSeparator(const QString& text)
{
    const qsizetype at = LastInner(text, [](QChar c) { return c == u'/' || c == u':' || c == u'\\'; });
    return at < 0 ? QStringLiteral("0") : text.mid(at + 1);
}

QString NameBeforeExtension(const QString& text)
{
    const qsizetype at = LastInner(text, [](QChar c) { return c == u'.'; });
    return at < 0 ? QStringLiteral("0") : text.left(at);
}

bool HasMediaEnding(const QString& text)
{
    for (const QStringView ending : {u".asf", u".ASF", u".wmv", u".WMV", u".wma", u".WMA", u".wm", u".WM"}) {
        if (text.endsWith(ending))
            return true;
    }
    return false;
}

bool IsLocalPath(const QString& text)
{
    if (text.mid(1, 2) == QStringLiteral(":\\"))
        return true;
#ifdef Q_OS_WIN
    return false;
#else
    return text.startsWith(u'/');
#endif
}

QString FolderOfPath(const QString& path)
{
    for (qsizetype i = path.size() - 1; i >= 0; --i) {
        if (IsFolderSeparator(path.at(i)))
            return path.left(i + 1);
    }
    return {};
}

}  // namespace tovrin
