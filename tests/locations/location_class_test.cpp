#include "locations/location_class.h"

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;

TEST(ClassifyLocation, SchemeAndEndingInTheTwoRecognisedCapitalisations)
{
    const std::pair<const char16_t*, LocationClass> cases[] = {
        {u"C:\\media\\clip.wmv", lcLocal | lcMedia},
        {u"C:/media/clip.wmv", 0},
        {u"\\\\server\\share\\clip.wmv", 0},
        {u"mms://host/live", lcMms | lcOther},
        {u"MMS://HOST/CLIP.WM", lcMms | lcMedia},
        {u"mmst://h/a.asx", lcMms | lcRedirector},
        {u"mmsh://h:8080/a.wmv", lcMms | lcMedia},
        {u"MMSH://H/LIVE", lcMms | lcOther},
        {u"http://h/a.asp", lcHttp | lcAsp},
        {u"http://h/page", lcHttp | lcOther},
        {u"http://h/a.log", lcHttp | lcLog},
        {u"Mms://host/a.asf", 0},
        {u"https://host/a.asx", 0},
        {u"mms://host/a.Asf", lcMms | lcOther},
        {u"http://h/a.asf?x=1", lcHttp | lcOther},
        {u"", 0},
#ifdef Q_OS_WIN
        {u"/home/u/clip.wmv", 0},
#else
        {u"/home/u/clip.wmv", lcLocal | lcMedia},
        {u"home/u/clip.wmv", 0},
#endif
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ClassifyLocation(QString::fromUtf16(text)), expected) << QString::fromUtf16(text).toStdString();
}

TEST(ServerHostOf, TakesTheTextBetweenTheSecondAndThirdSlash)
{
    const std::pair<const char*, std::optional<QString>> cases[] = {
        {"mms://host/f", u"host"_s}, {"mms://host:8080/f", u"host:8080"_s}, {"mms:///f", QString()},
        {"/a/b/c/d", u"c"_s},        {"mms://host/", std::nullopt},         {"mms://host", std::nullopt},
        {"m", std::nullopt},
    };
    for (const auto& [url, host] : cases)
        EXPECT_EQ(ServerHostOf(QString::fromLatin1(url)), host) << url;
}

TEST(SplitHostAndPort, APortIsTakenOnlyWhenItIsOneThatExists)
{
    const struct {
        const char* serverHost;
        const char* host;
        int port;  // 0: none
    } cases[] = {{"media.example", "media.example", 0},
                 {"media.example:8080", "media.example", 8080},
                 {"[::1]:1755", "::1", 1755},
                 {"::1", "::1", 0},
                 {"host:0", "host", 0},
                 {"host:65536", "host", 0},
                 {"host:http", "host", 0}};
    for (const auto& c : cases) {
        const HostAndPort split = SplitHostAndPort(QString::fromLatin1(c.serverHost));
        EXPECT_EQ(split.host, QString::fromLatin1(c.host)) << c.serverHost;
        EXPECT_EQ(split.port.value_or(0), c.port) << c.serverHost;
    }
}
