#include "locations/open_history.h"
#include "locations/open_route.h"
#include "locations/redirector_fetch.h"
#include "support/asf_sample.h"

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

TEST(OpenHistory, StoredHistorySplitsAtAnyLineEnd)
{
    EXPECT_EQ(SplitOpenHistory(u"a\r\nb\rc\nd"_s), (QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s}));
    EXPECT_TRUE(SplitOpenHistory(QString()).isEmpty());
    EXPECT_EQ(JoinOpenHistory({u"a"_s, u"b"_s}), u"a\r\nb\r\n"_s);
    // A hand-edited value with more lines than the history holds.
    QString many;
    for (int i = 0; i < 30; ++i)
        many += u"mms://h/%1\r\n"_s.arg(i);
    const QStringList items = SplitOpenHistory(many);
    ASSERT_EQ(items.size(), kMaxOpenHistory);
    EXPECT_EQ(items.first(), u"mms://h/0"_s);
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
