#include "locations/location_class.h"
#include "support/temp_settings.h"

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::TestContext;

TEST(ClassifyLocation, SchemeAndEndingInTheTwoRecognisedCapitalisations)
{
    const std::pair<const char16_t*, LocationClass> cases[] = {
        {u"C:\\media\\clip.wmv", lcLocal | lcMedia},
        {u"C:/media/clip.wmv", 0},
        {u"\\\\server\\share\\clip.wmv", 0},
        {u"mms://host/live", lcMms | lcOther},
        {u"MMS://HOST/CLIP.WM", lcMms | lcMedia},
        {u"mmst://h/a.asx", lcMms | lcRedirector},
        {u"MMSU://h/a.WVX", lcMms | lcRedirector},
        {u"http://h/a.asp", lcHttp | lcAsp},
        {u"http://h/page", lcHttp | lcOther},
        {u"http://h/a.log", lcHttp | lcLog},
        {u"HTTP://h/a.WMA", lcHttp | lcMedia},
        {u"D:\\logs\\run.LOG", lcLocal | lcLog},
        // Mixed case, unknown schemes and query strings are not recognised.
        {u"Mms://host/a.asf", 0},
        {u"https://host/a.asx", 0},
        {u"mms://host/a.Asf", lcMms | lcOther},
        {u"http://h/a.asf?x=1", lcHttp | lcOther},
        {u"mms:/host/a.asf", 0},
        {u"", 0},
        {u"C:", 0},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ClassifyLocation(QString::fromUtf16(text)), expected)
            << QString::fromUtf16(text).toStdString();
}

TEST(ClassifyLocation, AbsolutePathsAreLocalOutsideWindows)
{
#ifdef Q_OS_WIN
    EXPECT_EQ(ClassifyLocation(QStringLiteral("/home/u/clip.wmv")), 0u);
#else
    EXPECT_EQ(ClassifyLocation(QStringLiteral("/home/u/clip.wmv")), lcLocal | lcMedia);
    EXPECT_EQ(ClassifyLocation(QStringLiteral("/home/u/list.wvx")), lcLocal | lcRedirector);
    EXPECT_EQ(ClassifyLocation(QStringLiteral("/tmp/session.log")), lcLocal | lcLog);
    EXPECT_EQ(ClassifyLocation(QStringLiteral("home/u/clip.wmv")), 0u) << "a relative path is not local";
#endif
}

TEST(ExtractServerHost, TakesTheTextBetweenTheSecondAndThirdSlash)
{
    TestContext t;
    EXPECT_TRUE(ExtractServerHost(t.ctx, QStringLiteral("mms://host/f")));
    EXPECT_EQ(t.run.serverHost, QStringLiteral("host"));
    EXPECT_TRUE(ExtractServerHost(t.ctx, QStringLiteral("mms://host:8080/dir/f.wmv")));
    EXPECT_EQ(t.run.serverHost, QStringLiteral("host:8080"));
    EXPECT_TRUE(ExtractServerHost(t.ctx, QStringLiteral("mms:///f")));
    EXPECT_EQ(t.run.serverHost, QString()) << "two slashes in a row give an empty host";
    // The first character is never a slash that counts.
    EXPECT_TRUE(ExtractServerHost(t.ctx, QStringLiteral("/a/b/c/d")));
    EXPECT_EQ(t.run.serverHost, QStringLiteral("c"));
    EXPECT_TRUE(t.shell.messages.isEmpty());
}

TEST(ExtractServerHost, FailsWithoutACharacterAfterTheThirdSlashAndKeepsTheHost)
{
    TestContext t;
    t.run.serverHost = QStringLiteral("earlier");
    for (const QString& url : {QStringLiteral("mms://host/"), QStringLiteral("mms://host"),
                               QStringLiteral("m"), QString(), QStringLiteral("//")}) {
        t.shell.messages.clear();
        EXPECT_FALSE(ExtractServerHost(t.ctx, url)) << url.toStdString();
        EXPECT_EQ(t.shell.messages,
                  QStringList{QStringLiteral("The URL is invalid, bad '/' or missing filename")});
    }
    EXPECT_EQ(t.run.serverHost, QStringLiteral("earlier"));
}
