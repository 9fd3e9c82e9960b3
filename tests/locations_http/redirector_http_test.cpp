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
// boxes cancelled leave empty credentials, nothing worth sending. They never
// go to another web server a redirect leads to.
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
    // Another web server that asks too, where /private/away.asx redirects.
    NginxServer other(root.path(),
                      u"access_log %1; auth_basic B; auth_basic_user_file htpasswd;"_s.arg(root.filePath(u"o"_s)));
    NginxServer server(
        root.path(),
        u"location /private/ { auth_basic \"Tovrin test\"; auth_basic_user_file htpasswd; }\n"
        "location = /private/away.asx { auth_basic A; auth_basic_user_file htpasswd; try_files /n @away; }\n"
        "location @away { return 302 %1; }\n"
        "location = /old.asx { return 301 /list.asx; }\n"
        "location = /loop.asx { return 301 /loop.asx; }\n"_s.arg(other.url(u"private/list.asx"_s)));
    ASSERT_TRUE(server.started()) << server.error().toStdString();
    ASSERT_TRUE(server.allowUser(u"tovrin"_s, u"s3cret"_s) && other.allowUser(u"tovrin"_s, u"s3cret"_s));

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
    fetch->setCredentials(u"tovrin"_s, u"wrong"_s, QUrl(server.url(QString())));
    open(u"private/list.asx"_s);
    t.shell.inputAnswers = {u"s3cret"_s, u"tovrin"_s};
    open(u"private/list.asx"_s);
    open(u"private/list.asx"_s);
    open(u"private/away.asx"_s);  // the other server gets none of them and asks
    EXPECT_FALSE(ReadWholeFile(root.filePath(u"o"_s)).contains("tovrin"));
    EXPECT_GOLDEN("locations_http/fetches",
                  lines.replaceInStrings(server.url(QString()), u"<site>/"_s).replaceInStrings(u"\n"_s, u"\\n"_s));
}

// A silent server (it accepts connections and never answers) meets the time
// limit, told in one message, or the stop routine's abort, told in the log
// only.
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
        // One failure is one message; a stop is none.
        EXPECT_EQ(t.shell.messages.size(), aborted ? 0 : 1) << t.shell.messages.join(u'|').toStdString();
        lines << Line("== aborted", aborted, "-> outcome", int(outcome), "busy during", busyDuringFetch, "after",
                      fetch.isBusy(), "error", int(fetch.lastError()))
              << t.shell.calls;
    }
    EXPECT_GOLDEN("locations_http/silent_server",
                  lines.replaceInStrings(QString::number(silent.serverPort()), u"<port>"_s));
}
