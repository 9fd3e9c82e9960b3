#include "mms/server_access.h"
#include "locations/credentials.h"
#include "support/golden.h"
#include "support/golden_line.h"
#include "support/temp_settings.h"

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;
using tovrin::test::Line;
using tovrin::test::TestContext;

TEST(ServerAccess, TheHostIsTakenOrTheAddressRefusedAndCredentialsAreSavedOnlyWhenAsked)
{
    // Each step's answer, then the server host or the encoded credentials and
    // the saved ones; then the shell calls.
    TestContext t;
    QStringList lines{Line{ExtractServerHost(t.ctx, u"mms://host:8080/f"_s), t.run.serverHost},
                      Line{ExtractServerHost(t.ctx, u"mms://other/"_s), t.run.serverHost}};
    t.run.serverHost = u"media.example"_s;
    t.store.write(u"Auth"_s, u"Ym9i"_s);  // bob
    ServerCredentials credentials;
    const auto saved = [&] { return Line{QString::fromLatin1(credentials.encoded), t.store.read(u"Auth"_s)}; };
    // Cancel changes nothing; the prompt is prefilled with the saved user.
    lines << Line{AskServerCredentials(t.ctx, credentials)} << saved();
    const PasswordPrompt& prompt = t.shell.lastPasswordPrompt.value();
    lines << Line{prompt.site, prompt.realm, prompt.userId, prompt.password};
    t.shell.passwordAnswers.push_back(PasswordAnswer{u"bob"_s, u"secret"_s, true});
    lines << Line{AskServerCredentials(t.ctx, credentials)} << saved();
    // Unticked save forgets the saved credentials.
    AcceptPassword(t.ctx, credentials, {u"eve"_s, u"x"_s, false});
    lines << saved() << t.shell.calls;
    EXPECT_GOLDEN("mms/server_access", lines);
}
