#include "locations/redirector_fetch.h"
#include "steps/open_media.h"
#include "support/asf_sample.h"
#include "support/core_app.h"
#include "support/nginx_server.h"
#include "support/temp_settings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace tovrin;
using namespace Qt::StringLiterals;
using tovrin::test::TestContext;

namespace {

using tovrin::test::CoreApp;

const QString kWorking = u"處理程序媒介..."_s;
const QString kResolving = u"Resolving HTTP DNS address from URL..."_s;
const QString kConnected = u"Connected to HTTP redirector site"_s;
const QString kReceived = u"Redirector file received"_s;
const QString kRedirected = u"Being redirected by host to another address, following."_s;
const QString kReady = u"URL list now has data, please select an entry"_s;
const QString kNoData = u"Redirector file contains no data"_s;
const QString kNotFound = u"Redirector file error, could not locate it"_s;
const QString kParseError = u"Networked parse error"_s;
const QString kTryAgain = u"Now try connecting again"_s;

const QByteArray kXmlAsx =
    "<ASX version=\"3.0\">\n"
    "  <Title>News</Title>\n"
    "  <Entry><Ref href=\"mms://media.example/news/first.wmv\" /></Entry>\n"
    "  <Entry><Ref href=\"MMST://media.example/news/second.asf\"/></Entry>\n"
    "</ASX>\n";
const QStringList kXmlEntries = {u"mms://media.example/news/first.wmv"_s, u"MMST://media.example/news/second.asf"_s};

// A web server with the redirector files of the tests, one nginx per test.
class RedirectorSite : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoreApp();
        ASSERT_TRUE(m_root.isValid());
        put(u"list.asx"_s, kXmlAsx);
        put(u"big.asx"_s, QByteArray(RedirectorFetch::kMaxBodyBytes + 1024 * 1024, 'x'));
        QDir(m_root.path()).mkdir(u"private"_s);
        put(u"private/list.asx"_s, kXmlAsx);

        m_server = std::make_unique<test::NginxServer>(
            m_root.path(),
            QStringLiteral("location /private/ { auth_basic \"Tovrin test\"; auth_basic_user_file htpasswd; }\n"
                           "location = /old.asx { return 301 /list.asx; }\n"
                           "location = /loop.asx { return 301 /loop.asx; }\n"));
        ASSERT_TRUE(m_server->started()) << m_server->error().toStdString();
        ASSERT_TRUE(m_server->allowUser(u"tovrin"_s, u"s3cret"_s));
        m_fetch = std::make_unique<RedirectorFetch>();
    }

    void put(const QString& name, const QByteArray& bytes) { test::WriteFile(m_root, name, bytes); }

    OpenOutcome open(const QString& path)
    {
        t.session.mediaLocation = m_server->url(path);
        return OpenMedia(t.ctx, *m_fetch);
    }

    TestContext t;
    QTemporaryDir m_root;
    std::unique_ptr<test::NginxServer> m_server;
    std::unique_ptr<RedirectorFetch> m_fetch;
};

}  // namespace

TEST_F(RedirectorSite, XmlRedirectorFillsTheUrlListAfterTheFetchLines)
{
    EXPECT_EQ(open(u"list.asx"_s), OpenOutcome::RedirectorLoaded);
    EXPECT_EQ(t.shell.log, (QStringList{kWorking, kResolving, kConnected, kReceived, kReady}));
    EXPECT_EQ(t.shell.urlList, kXmlEntries);
    EXPECT_EQ(t.shell.url, kXmlEntries.first());
    EXPECT_TRUE(t.shell.messages.isEmpty());
    ASSERT_EQ(t.shell.confirmations.size(), 1);
    EXPECT_TRUE(t.shell.confirmations.first().endsWith(u"Would you like to save this redirector file?\n"_s));
    EXPECT_FALSE(t.run.localFileMode);
    EXPECT_FALSE(m_fetch->isBusy());
}

TEST_F(RedirectorSite, RedirectIsFollowedButNotForeverAndFailuresAreNotOfferedForSaving)
{
    EXPECT_EQ(open(u"old.asx"_s), OpenOutcome::RedirectorLoaded);
    EXPECT_TRUE(t.shell.log.contains(kRedirected));
    EXPECT_EQ(t.shell.urlList, kXmlEntries);

    const std::pair<QString, QString> failures[] = {
        {u"loop.asx"_s, kNotFound},
        {u"gone.asx"_s, kNotFound},
        {u"big.asx"_s, u"Redirector file is larger than 4 MiB, fetch stopped"_s},
    };
    t.shell.confirmations.clear();
    for (const auto& [path, message] : failures) {
        t.shell.messages.clear();
        EXPECT_EQ(open(path), OpenOutcome::Failed);
        EXPECT_EQ(t.shell.messages, (QStringList{message, kNoData, kParseError})) << path.toStdString();
    }
    EXPECT_TRUE(t.shell.confirmations.isEmpty());
}

TEST_F(RedirectorSite, BasicAuthenticationPromptsThenTheNextOpeningSendsTheCredentials)
{
    t.shell.inputAnswers = {u" s3cret\t"_s, u"  tovrin "_s};
    EXPECT_EQ(open(u"private/list.asx"_s), OpenOutcome::Failed);
    const QString title = u"Authentication Required !"_s;
    EXPECT_EQ(t.shell.calls.filter(u"input "_s),
              (QStringList{u"input "_s + title + u" | Please enter your Password for this site"_s,
                           u"input "_s + title + u" | Please enter your user ID for this site"_s}));
    EXPECT_EQ(t.shell.messages, (QStringList{kTryAgain, kNoData, kParseError}));
    EXPECT_EQ(m_fetch->userId(), u"tovrin"_s);
    EXPECT_EQ(m_fetch->password(), u"s3cret"_s);
    EXPECT_EQ(m_fetch->lastError(), FetchError::NeedsCredentials);

    t.shell.calls.clear();
    t.shell.messages.clear();
    EXPECT_EQ(open(u"private/list.asx"_s), OpenOutcome::RedirectorLoaded);
    EXPECT_EQ(t.shell.urlList, kXmlEntries);
    EXPECT_TRUE(t.shell.calls.filter(u"input "_s).isEmpty());
    EXPECT_TRUE(t.shell.messages.isEmpty());
    EXPECT_EQ(m_fetch->lastError(), FetchError::None);
}

TEST_F(RedirectorSite, RefusedOrCancelledCredentialsAskAgainAtTheNextOpening)
{
    // Wrong credentials kept from earlier: sent once, refused, asked again.
    m_fetch->setCredentials(u"tovrin"_s, u"wrong"_s);
    EXPECT_EQ(open(u"private/list.asx"_s), OpenOutcome::Failed);
    EXPECT_EQ(t.shell.calls.filter(u"input "_s).size(), 2);
    EXPECT_EQ(t.shell.messages.first(), kTryAgain);
    // Both boxes cancelled: empty credentials, nothing worth sending.
    EXPECT_TRUE(m_fetch->userId().isEmpty());
    EXPECT_TRUE(m_fetch->password().isEmpty());

    t.shell.calls.clear();
    t.shell.inputAnswers = {u"s3cret"_s, u"tovrin"_s};
    EXPECT_EQ(open(u"private/list.asx"_s), OpenOutcome::Failed);
    EXPECT_EQ(t.shell.calls.filter(u"input "_s).size(), 2);
    EXPECT_EQ(open(u"private/list.asx"_s), OpenOutcome::RedirectorLoaded);
}

TEST(RedirectorFetchLimits, SilentServerMeetsTheTimeLimitOrTheStopRoutinesAbort)
{
    CoreApp();
    QTcpServer silent;  // accepts connections and never answers
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    for (const bool aborted : {false, true}) {
        TestContext t;
        RedirectorFetch fetch;
        fetch.setTimeLimit(aborted ? 15000 : 1000);
        bool busyDuringFetch = !aborted;
        if (aborted) {
            QTimer::singleShot(200, &fetch, [&] {
                busyDuringFetch = fetch.isBusy();
                fetch.abort();
            });
        }
        QElapsedTimer clock;
        clock.start();
        t.session.mediaLocation = u"http://127.0.0.1:%1/list.asx"_s.arg(silent.serverPort());
        EXPECT_EQ(OpenMedia(t.ctx, fetch), OpenOutcome::Failed);
        EXPECT_LT(clock.elapsed(), 5000);
        EXPECT_TRUE(busyDuringFetch);
        EXPECT_FALSE(fetch.isBusy());
        if (aborted) {
            // Quietly: only what opening says of a redirector without data.
            EXPECT_EQ(fetch.lastError(), FetchError::Aborted);
            EXPECT_EQ(t.shell.messages, (QStringList{kNoData, kParseError}));
        } else {
            EXPECT_GE(clock.elapsed(), 900);
            EXPECT_EQ(t.shell.messages, (QStringList{kNotFound, kNoData, kParseError}));
            EXPECT_TRUE(t.shell.calls.contains(u"log HTTP redirector site did not answer within 1 seconds"_s));
        }
    }
}
