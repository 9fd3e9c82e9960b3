#include "locations/location_class.h"

#include "asf/name_rules.h"

#include <initializer_list>

namespace tovrin {

namespace {

bool StartsWithAny(const QString& text, std::initializer_list<QStringView> prefixes)
{
    for (QStringView prefix : prefixes) {
        if (text.startsWith(prefix))
            return true;
    }
    return false;
}

// Compares the last prefix-length characters; a shorter text has none.
bool EndsWithAny(const QString& text, std::initializer_list<QStringView> endings)
{
    for (QStringView ending : endings) {
        if (text.size() >= ending.size() && text.endsWith(ending))
            return true;
    }
    return false;
}

}  // namespace

LocationClass ClassifyLocation(const QString& text)
{
    LocationClass scheme = 0;
    if (IsLocalPath(text))
        scheme = lcLocal;
    else if (StartsWithAny(text, {u"http://", u"HTTP://"}))
        scheme = lcHttp;
    else if (StartsWithAny(
                 text, {u"mms://", u"MMS://", u"mmst://", u"MMST://", u"mmsu://", u"MMSU://", u"mmsh://", u"MMSH://"}))
        scheme = lcMms;
    else
        return 0;

    if (EndsWithAny(text, {u".asx", u".ASX", u".wmx", u".WMX", u".wax", u".WAX", u".wvx", u".WVX"}))
        return scheme | lcRedirector;
    if (HasMediaEnding(text))
        return scheme | lcMedia;
    if (EndsWithAny(text, {u".asp", u".ASP"}))
        return scheme | lcAsp;
    if (EndsWithAny(text, {u".log", u".LOG"}))
        return scheme | lcLog;
    return scheme | lcOther;
}

std::optional<QString> ServerHostOf(const QString& url)
{
    // The third "/" must have at least one character after it.
    qsizetype hostStart = -1;
    int slashes = 0;
    for (qsizetype i = 1; i < url.size() - 1; ++i) {
        if (url.at(i) != u'/')
            continue;
        ++slashes;
        if (slashes == 2) {
            hostStart = i + 1;
        } else if (slashes == 3) {
            return url.mid(hostStart, i - hostStart);
        }
    }
    return std::nullopt;
}

HostAndPort SplitHostAndPort(const QString& serverHost)
{
    HostAndPort result{serverHost, std::nullopt};
    QString rest;
    if (serverHost.startsWith(QLatin1Char('['))) {
        const qsizetype close = serverHost.indexOf(QLatin1Char(']'));
        if (close < 0)
            return result;
        result.host = serverHost.mid(1, close - 1);
        rest = serverHost.mid(close + 1);
    } else {
        // More than one colon without brackets is an IPv6 address, no port.
        const qsizetype colon = serverHost.lastIndexOf(QLatin1Char(':'));
        if (colon < 0 || serverHost.indexOf(QLatin1Char(':')) != colon)
            return result;
        result.host = serverHost.left(colon);
        rest = serverHost.mid(colon);
    }
    if (rest.startsWith(QLatin1Char(':'))) {
        bool ok = false;
        const uint port = rest.mid(1).toUInt(&ok);
        if (ok && port > 0 && port <= 65535)
            result.port = quint16(port);
    }
    return result;
}

}  // namespace tovrin
