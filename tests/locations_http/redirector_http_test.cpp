#include "locations/redirector_fetch.h"
#include "steps/open_media.h"
#include "support/asf_sample.h"
#include "support/core_app.h"
#include "support/golden.h"
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
const QString kNoData = u"Redirector file contains no data"_s;
const QString kNotFound = u"Redirector file error, could not locate it"_s;
const QString kParseError = u"Networked parse error"_s;

const QByteArray kXmlAsx =
    "<ASX version=\"3.0\">\n"
    "  <Title>News</Title>\n"
    "  <Entry><Ref href=\"mms://media.example/news/first.wmv\" /></Entry>\n"
    "  <Entry><Ref href=\"MMST://media.example/news/second.asf\"/></Entry>\n"
    "</ASX>\n";

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

    // Opens `path` on the site and adds its shell calls and what the fetch
    // kept to the transcript. Whether a later opening resolves the host
    // again depends on the connection being kept, so only the first one
    // shows that line.
    void open(const QString& path)
    {
        t.shell.calls.clear();
        t.session.mediaLocation = m_server->url(path);
        const OpenOutcome outcome = OpenMedia(t.ctx, *m_fetch);
        if (!lines.isEmpty())
            t.shell.calls.removeAll(u"log Resolving HTTP DNS address from URL..."_s);
        lines << u"== "_s + path
              << QStringList(t.shell.calls)
                     .replaceInStrings(m_server->url(QString()), u"<site>/"_s)
                     .replaceInStrings(u"\n"_s, u"\\n"_s)
              << u"outcome %1 localFileMode %2 | user '%3' password '%4' error %5 busy %6"_s.arg(int(outcome))
                     .arg(t.run.localFileMode)
                     .arg(m_fetch->userId(), m_fetch->password())
                     .arg(int(m_fetch->lastError()))
                     .arg(m_fetch->isBusy());
    }

    QStringList lines;
    TestContext t;
    QTemporaryDir m_root;
    std::unique_ptr<test::NginxServer> m_server;
    std::unique_ptr<RedirectorFetch> m_fetch;
};

}  // namespace

// A redirect is followed but not forever; only a fetched file is offered for
// saving.
TEST_F(RedirectorSite, XmlRedirectorFillsTheUrlListAfterTheFetchLines)
{
    for (const QString& path : {u"list.asx"_s, u"old.asx"_s, u"loop.asx"_s, u"gone.asx"_s, u"big.asx"_s})
        open(path);
    EXPECT_GOLDEN("locations_http/fetches", lines);
}

// The password is asked first, then the user ID; the next opening sends them.
TEST_F(RedirectorSite, BasicAuthenticationPromptsThenTheNextOpeningSendsTheCredentials)
{
    t.shell.inputAnswers = {u" s3cret\t"_s, u"  tovrin "_s};
    open(u"private/list.asx"_s);
    open(u"private/list.asx"_s);
    EXPECT_GOLDEN("locations_http/credentials", lines);
}

// Wrong credentials kept from earlier are sent once, refused and asked again;
// both boxes cancelled leave empty credentials, nothing worth sending.
TEST_F(RedirectorSite, RefusedOrCancelledCredentialsAskAgainAtTheNextOpening)
{
    m_fetch->setCredentials(u"tovrin"_s, u"wrong"_s);
    open(u"private/list.asx"_s);
    t.shell.inputAnswers = {u"s3cret"_s, u"tovrin"_s};
    open(u"private/list.asx"_s);
    open(u"private/list.asx"_s);
    EXPECT_GOLDEN("locations_http/refused_credentials", lines);
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
