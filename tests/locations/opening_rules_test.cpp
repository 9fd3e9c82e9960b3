#include "locations/open_history.h"
#include "locations/open_route.h"
#include "locations/redirector_fetch.h"
#include "support/asf_sample.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovrin;

TEST(RouteFor, EachSchemeAndTypeHasItsRoute)
{
    const std::pair<const char*, OpenRoute> cases[] = {
        {"Mms://host/a.asf", OpenRoute::Unknown},
        {"https://host/a.asx", OpenRoute::Unknown},
        {"relative/clip.wmv", OpenRoute::Unknown},
        {"http://h/a.asp", OpenRoute::Asp},
        {"mms://h/a.ASP", OpenRoute::Asp},
        {"/media/page.asp", OpenRoute::Asp},
        {"mms://host/live", OpenRoute::StreamAddress},
        {"MMSU://HOST/CLIP.WMV", OpenRoute::StreamAddress},
        {"mmst://h/a.asx", OpenRoute::RedirectorOverMms},
        {"http://h/a.asx", OpenRoute::HttpRedirector},
        {"http://h/clip.wmv", OpenRoute::MediaOverHttp},
        {"/media/list.wvx", OpenRoute::LocalRedirector},
        {"/media/clip.wma", OpenRoute::LocalMedia},
        {"/media/run.log", OpenRoute::LocalLog},
        {"http://h/page", OpenRoute::Unsupported},
        {"http://h/a.log", OpenRoute::Unsupported},
        {"/media/notes.txt", OpenRoute::Unsupported},
        {"mms://h/a.log", OpenRoute::Unsupported},
    };
    for (const auto& [location, route] : cases)
        EXPECT_EQ(RouteFor(ClassifyLocation(QString::fromLatin1(location))), route) << location;
}

TEST(LocalHeaderLength, FileThatIsNoAsfGetsTheSmallestLength)
{
    QTemporaryDir dir;
    EXPECT_EQ(LocalHeaderLength(test::WriteFile(dir, QStringLiteral("short.asf"), "x")), 5000u);
    EXPECT_EQ(LocalHeaderLength(dir.filePath(QStringLiteral("gone.asf"))), 5000u);
}

TEST(OpenHistory, StoredHistorySplitsAtAnyLineEnd)
{
    EXPECT_EQ(SplitOpenHistory(QStringLiteral("a\r\nb\rc\nd")),
              (QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}));
    EXPECT_TRUE(SplitOpenHistory(QString()).isEmpty());
    EXPECT_EQ(JoinOpenHistory({QStringLiteral("a"), QStringLiteral("b")}), QStringLiteral("a\r\nb\r\n"));
    // A hand-edited value with more lines than the history holds.
    QString many;
    for (int i = 0; i < 30; ++i)
        many += QStringLiteral("mms://h/%1\r\n").arg(i);
    const QStringList items = SplitOpenHistory(many);
    ASSERT_EQ(items.size(), kMaxOpenHistory);
    EXPECT_EQ(items.first(), QStringLiteral("mms://h/0"));
}

TEST(RedirectorFetch, FailuresBeforeTheRequestWentOutAreConnectionFailures)
{
    const std::tuple<QNetworkReply::NetworkError, bool, FetchError> cases[] = {
        {QNetworkReply::HostNotFoundError, false, FetchError::InvalidHost},
        {QNetworkReply::ConnectionRefusedError, false, FetchError::ConnectionFailed},
        {QNetworkReply::OperationCanceledError, false, FetchError::ConnectionFailed},
        {QNetworkReply::ContentNotFoundError, true, FetchError::Failed},
        {QNetworkReply::RemoteHostClosedError, true, FetchError::Failed},
    };
    for (const auto& [error, sent, expected] : cases)
        EXPECT_EQ(ErrorForNetworkError(error, sent), expected) << error;
}
