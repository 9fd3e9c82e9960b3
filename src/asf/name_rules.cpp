#include "asf/name_rules.h"

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
