#include "locations/location_class.h"
#include "locations/open_history.h"
#include "locations/open_route.h"
#include "locations/redirector_fetch.h"
#include "support/asf_sample.h"
#include "support/golden.h"
#include "support/golden_line.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;

TEST(LocalHeaderLength, FileThatIsNoAsfGetsTheSmallestLength)
{
    QTemporaryDir dir;
    EXPECT_EQ(LocalHeaderLength(test::WriteFile(dir, u"short.asf"_s, "x")), 5000u);
    EXPECT_EQ(LocalHeaderLength(dir.filePath(u"gone.asf"_s)), 5000u);
}

// Joining, and the empty piece after the last line end, are told by the open dialog tests.
TEST(OpenHistory, StoredHistorySplitsAtAnyLineEnd)
{
    EXPECT_EQ(SplitOpenHistory(u"a\r\nb\rc\nd"_s), (QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s}));
    // A hand-edited value with more lines than the history holds.
    QString many;
    for (int i = 0; i < 30; ++i)
        many += u"mms://h/%1\r\n"_s.arg(i);
    const QStringList items = SplitOpenHistory(many);
    ASSERT_EQ(items.size(), kMaxOpenHistory);
    EXPECT_EQ(items.first(), u"mms://h/0"_s);
}

// The other errors are told by the fetches of the open routes and the web server's tests.
TEST(RedirectorFetch, AnUnknownHostIsAnInvalidHost)
{
    EXPECT_EQ(ErrorForNetworkError(QNetworkReply::HostNotFoundError, false), FetchError::InvalidHost);
}

// For each location: its class (scheme and ending, in the two recognised
// capitalisations), the route opening takes, the server host (the text
// between the second and third slash), and that host split from its port,
// taken only when it is one that exists.
TEST(ClassifyLocation, SchemeEndingRouteAndServerHost)
{
    const char* const classes[] = {"Mms", "Http", "Local", "Media", "Redirector", "Asp", "Other", "Log"};
    const char* const routes[] = {"Unknown",        "Asp",           "StreamAddress",   "RedirectorOverMms",
                                  "HttpRedirector", "MediaOverHttp", "LocalRedirector", "LocalMedia",
                                  "LocalLog",       "Unsupported"};
    QStringList lines;
    const auto facts = [&](std::initializer_list<const char16_t*> locations) {
        for (const char16_t* location : locations) {
            const LocationClass cls = ClassifyLocation(QString::fromUtf16(location));
            QStringList flags;
            for (int bit = 0; bit < 8; ++bit) {
                if (cls & (1 << bit))
                    flags << QString::fromLatin1(classes[bit]);
            }
            const std::optional<QString> host = ServerHostOf(QString::fromUtf16(location));
            const HostAndPort split = SplitHostAndPort(host.value_or(QString()));
            lines << test::Line(location, "|", flags.join(u'+'), "|", routes[int(RouteFor(cls))], "| host",
                                host ? u"'"_s + *host + u"'"_s : u"none"_s, u"-> '"_s + split.host + u"' port"_s,
                                split.port.value_or(0));
        }
    };
    facts({u"C:\\media\\clip.wmv", u"C:/media/clip.wmv", u"\\\\server\\share\\clip.wmv", u"mms://host/live",
           u"MMS://HOST/CLIP.WM", u"mmst://h/a.asx", u"mmsh://h:8080/a.wmv", u"MMSH://H/LIVE", u"MMSU://HOST/CLIP.WMV",
           u"http://h/a.asp", u"mms://h/a.ASP", u"/media/page.asp", u"http://h/page", u"http://h/a.log",
           u"mms://h/a.log", u"http://h/a.asx", u"http://h/clip.wmv"});
    facts({u"Mms://host/a.asf", u"https://host/a.asx", u"mms://host/a.Asf", u"http://h/a.asf?x=1", u"",
           u"/home/u/clip.wmv", u"home/u/clip.wmv", u"relative/clip.wmv", u"/media/list.wvx", u"/media/clip.wma",
           u"/media/run.log", u"/media/notes.txt", u"mms:///f", u"/a/b/c/d", u"mms://host/", u"mms://host", u"m"});
    facts({u"mms://media.example/a", u"mms://[::1]:1755/a", u"mms://::1/a", u"mms://host:0/a", u"mms://host:65536/a",
           u"mms://host:http/a"});
    EXPECT_GOLDEN("locations/location_class", lines);
}
