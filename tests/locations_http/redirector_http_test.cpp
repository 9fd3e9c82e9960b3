#include "locations/redirector_fetch.h"
#include "support/asf_sample.h"
#include "support/core_app.h"
#include "support/golden.h"
#include "support/golden_line.h"
#include "support/nginx_server.h"
#include "support/temp_settings.h"
#include "user_actions/open_media.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace tovrin;
using namespace tovrin::test;
using namespace Qt::StringLiterals;

// Openings of the redirector files on a web server: each opening's shell
// calls and what the fetch kept. A redirect is followed but not forever;
// only a fetched file is offered for saving. For credentials the password is
// asked first, then the user ID, and the next opening sends them; wrong
// credentials kept from earlier are sent once, refused and asked again; both
// boxes cancelled leave empty credentials, nothing worth sending.
TEST(RedirectorSite, FetchesRedirectsAndCredentials)
{
    CoreApp();
    QTemporaryDir root;
    const QByteArray asx =
        "<ASX version=\"3.0\">\n  <Title>News</Title>\n"
        "  <Entry><Ref href=\"mms://media.example/news/first.wmv\" /></Entry>\n"
        "  <Entry><Ref href=\"MMST://media.example/news/second.asf\"/></Entry>\n</ASX>\n";
    WriteFile(root, u"list.asx"_s, asx);
    WriteFile(root, u"big.asx"_s, QByteArray(RedirectorFetch::kMaxBodyBytes + 1024 * 1024, 'x'));
    QDir(root.path()).mkdir(u"private"_s);
    WriteFile(root, u"private/list.asx"_s, asx);
    NginxServer server(root.path(),
                       u"location /private/ { auth_basic \"Tovrin test\"; auth_basic_user_file htpasswd; }\n"
                       "location = /old.asx { return 301 /list.asx; }\n"
                       "location = /loop.asx { return 301 /loop.asx; }\n"_s);
    ASSERT_TRUE(server.started()) << server.error().toStdString();
    ASSERT_TRUE(server.allowUser(u"tovrin"_s, u"s3cret"_s));

    TestContext t;
    auto fetch = std::make_unique<RedirectorFetch>();
    QStringList lines;
    // Whether a later opening resolves the host again depends on the
    // connection being kept, so only a fetch's first one shows that line.
    bool first = true;
    const auto open = [&](const QString& path) {
        t.shell.calls.clear();
        t.session.mediaLocation = server.url(path);
        const OpenOutcome outcome = OpenMedia(t.ctx, *fetch);
        if (!std::exchange(first, false))
            t.shell.calls.removeAll(u"log Resolving HTTP DNS address from URL..."_s);
        lines << u"== "_s + path << t.shell.calls
              << Line("outcome", int(outcome), "localFileMode", t.run.localFileMode, "| user", fetch->userId(),
                      "password", fetch->password(), "error", int(fetch->lastError()), "busy", fetch->isBusy());
    };
    const auto newFetch = [&] { fetch = std::make_unique<RedirectorFetch>(), first = true; };
    for (const QString& path : {u"list.asx"_s, u"old.asx"_s, u"loop.asx"_s, u"gone.asx"_s, u"big.asx"_s})
        open(path);
    newFetch();
    t.shell.inputAnswers = {u" s3cret\t"_s, u"  tovrin "_s};
    open(u"private/list.asx"_s);
    open(u"private/list.asx"_s);
    newFetch();
    fetch->setCredentials(u"tovrin"_s, u"wrong"_s);
    open(u"private/list.asx"_s);
    t.shell.inputAnswers = {u"s3cret"_s, u"tovrin"_s};
    open(u"private/list.asx"_s);
    open(u"private/list.asx"_s);
    EXPECT_GOLDEN("locations_http/fetches",
                  lines.replaceInStrings(server.url(QString()), u"<site>/"_s).replaceInStrings(u"\n"_s, u"\\n"_s));
}

// A silent server (it accepts connections and never answers) meets the time
// limit, or the stop routines' abort: quietly then, only what opening says
// of a redirector without data.
TEST(RedirectorFetchLimits, SilentServerMeetsTheTimeLimitOrTheStopRoutinesAbort)
{
    CoreApp();
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost, 0));
    QStringList lines;
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
        const OpenOutcome outcome = OpenMedia(t.ctx, fetch);
        EXPECT_LT(clock.elapsed(), 5000);
        EXPECT_GE(clock.elapsed(), aborted ? 0 : 900);
        lines << Line("== aborted", aborted, "-> outcome", int(outcome), "busy during", busyDuringFetch, "after",
                      fetch.isBusy(), "error", int(fetch.lastError()))
              << t.shell.calls;
    }
    EXPECT_GOLDEN("locations_http/silent_server",
                  lines.replaceInStrings(QString::number(silent.serverPort()), u"<port>"_s));
}
