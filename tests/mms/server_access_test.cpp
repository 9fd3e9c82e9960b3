#include "mms/server_access.h"
#include "locations/credentials.h"
#include "support/temp_settings.h"

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;
using tovrin::test::TestContext;

TEST(ServerAccess, HostIsTakenOrTheAddressRefusedKeepingTheHost)
{
    TestContext t;
    ASSERT_TRUE(ExtractServerHost(t.ctx, u"mms://host:8080/f"_s));
    EXPECT_EQ(t.run.serverHost, u"host:8080"_s);
    EXPECT_FALSE(ExtractServerHost(t.ctx, u"mms://other/"_s));
    EXPECT_EQ(t.shell.messages, QStringList{u"The URL is invalid, bad '/' or missing filename"_s});
    EXPECT_EQ(t.run.serverHost, u"host:8080"_s);
}

TEST(ServerAccess, CredentialsAreSavedOnlyWhenAskedAndCancelChangesNothing)
{
    TestContext t;
    t.run.serverHost = u"media.example"_s;
    t.store.write(u"Auth"_s, u"Ym9i"_s);  // bob
    ServerCredentials credentials;
    EXPECT_FALSE(AskServerCredentials(t.ctx, credentials));
    EXPECT_TRUE(credentials.encoded.isEmpty());
    EXPECT_EQ(t.store.read(u"Auth"_s), u"Ym9i"_s);
    ASSERT_TRUE(t.shell.lastPasswordPrompt);
    EXPECT_EQ(t.shell.lastPasswordPrompt->userId, u"bob"_s);
    EXPECT_EQ(t.shell.lastPasswordPrompt->site, u"media.example"_s);

    t.shell.passwordAnswers.push_back(PasswordAnswer{u"bob"_s, u"secret"_s, true});
    EXPECT_TRUE(AskServerCredentials(t.ctx, credentials));
    EXPECT_EQ(credentials.encoded, QByteArray("Ym9iOnNlY3JldA=="));
    EXPECT_EQ(t.store.read(u"Auth"_s), u"Ym9iOnNlY3JldA=="_s);

    AcceptPassword(t.ctx, credentials, {u"eve"_s, u"x"_s, false});
    EXPECT_EQ(credentials.encoded, QByteArray("ZXZlOng="));
    EXPECT_EQ(t.store.read(u"Auth"_s), QString()) << "unticked save forgets saved credentials";
}
