#include "locations/location_class.h"
#include "locations/open_route.h"
#include "support/golden.h"

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;

// For each location: its class (scheme and ending, in the two recognised
// capitalisations), the route opening takes, and the server host (the text
// between the second and third slash).
TEST(ClassifyLocation, SchemeEndingRouteAndServerHost)
{
    const char* const classes[] = {"Mms", "Http", "Local", "Media", "Redirector", "Asp", "Other", "Log"};
    const char* const routes[] = {"Unknown",        "Asp",           "StreamAddress",   "RedirectorOverMms",
                                  "HttpRedirector", "MediaOverHttp", "LocalRedirector", "LocalMedia",
                                  "LocalLog",       "Unsupported"};
    QStringList lines;
    for (const char16_t* location : {u"C:\\media\\clip.wmv",
                                     u"C:/media/clip.wmv",
                                     u"\\\\server\\share\\clip.wmv",
                                     u"mms://host/live",
                                     u"MMS://HOST/CLIP.WM",
                                     u"mmst://h/a.asx",
                                     u"mmsh://h:8080/a.wmv",
                                     u"MMSH://H/LIVE",
                                     u"MMSU://HOST/CLIP.WMV",
                                     u"http://h/a.asp",
                                     u"mms://h/a.ASP",
                                     u"/media/page.asp",
                                     u"http://h/page",
                                     u"http://h/a.log",
                                     u"mms://h/a.log",
                                     u"http://h/a.asx",
                                     u"http://h/clip.wmv",
                                     u"Mms://host/a.asf",
                                     u"https://host/a.asx",
                                     u"mms://host/a.Asf",
                                     u"http://h/a.asf?x=1",
                                     u"",
                                     u"/home/u/clip.wmv",
                                     u"home/u/clip.wmv",
                                     u"relative/clip.wmv",
                                     u"/media/list.wvx",
                                     u"/media/clip.wma",
                                     u"/media/run.log",
                                     u"/media/notes.txt",
                                     u"mms://host:8080/f",
                                     u"mms:///f",
                                     u"/a/b/c/d",
                                     u"mms://host/",
                                     u"mms://host",
                                     u"m"}) {
        const LocationClass cls = ClassifyLocation(QString::fromUtf16(location));
        QStringList flags;
        for (int bit = 0; bit < 8; ++bit) {
            if (cls & (1 << bit))
                flags << QString::fromLatin1(classes[bit]);
        }
        const std::optional<QString> host = ServerHostOf(QString::fromUtf16(location));
        lines << u"%1 | %2 | %3 | host %4"_s.arg(QString::fromUtf16(location), flags.join(u'+'),
                                                 QString::fromLatin1(routes[int(RouteFor(cls))]),
                                                 host ? u"'"_s + *host + u"'"_s : u"none"_s);
    }
    EXPECT_GOLDEN("locations/location_class", lines);
}

// A port is taken only when it is one that exists.
TEST(SplitHostAndPort, APortIsTakenOnlyWhenItIsOneThatExists)
{
    QStringList lines;
    for (const char* serverHost :
         {"media.example", "media.example:8080", "[::1]:1755", "::1", "host:0", "host:65536", "host:http"}) {
        const HostAndPort split = SplitHostAndPort(QString::fromLatin1(serverHost));
        lines << u"%1 -> %2 port %3"_s.arg(QString::fromLatin1(serverHost), split.host).arg(split.port.value_or(0));
    }
    EXPECT_GOLDEN("locations/host_and_port", lines);
}
