#include "mms/server_access.h"
#include "support/temp_settings.h"

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::TestContext;

TEST(ServerAccess, HostIsTakenOrTheAddressRefusedKeepingTheHost)
{
    TestContext t;
    ASSERT_TRUE(ExtractServerHost(t.ctx, QStringLiteral("mms://host:8080/f")));
    EXPECT_EQ(t.run.serverHost, QStringLiteral("host:8080"));
    EXPECT_FALSE(ExtractServerHost(t.ctx, QStringLiteral("mms://other/")));
    EXPECT_EQ(t.shell.messages, QStringList{QStringLiteral("The URL is invalid, bad '/' or missing filename")});
    EXPECT_EQ(t.run.serverHost, QStringLiteral("host:8080"));
}

TEST(ServerAccess, CredentialsAreSavedOnlyWhenAskedAndCancelChangesNothing)
{
    TestContext t;
    t.run.serverHost = QStringLiteral("media.example");
    t.store.write(QStringLiteral("Auth"), QStringLiteral("Ym9i"));  // bob
    EXPECT_FALSE(AskServerCredentials(t.ctx));
    EXPECT_TRUE(t.run.authCredentials.isEmpty());
    EXPECT_EQ(t.store.read(QStringLiteral("Auth")), QStringLiteral("Ym9i"));
    ASSERT_TRUE(t.shell.lastPasswordPrompt);
    EXPECT_EQ(t.shell.lastPasswordPrompt->userId, QStringLiteral("bob"));
    EXPECT_EQ(t.shell.lastPasswordPrompt->site, QStringLiteral("media.example"));

    t.shell.passwordAnswers.push_back(PasswordAnswer{QStringLiteral("bob"), QStringLiteral("secret"), true});
    EXPECT_TRUE(AskServerCredentials(t.ctx));
    EXPECT_EQ(t.run.authCredentials, QByteArray("Ym9iOnNlY3JldA=="));
    EXPECT_EQ(t.store.read(QStringLiteral("Auth")), QStringLiteral("Ym9iOnNlY3JldA=="));

    AcceptPassword(t.ctx, {QStringLiteral("eve"), QStringLiteral("x"), false});
    EXPECT_EQ(t.run.authCredentials, QByteArray("ZXZlOng="));
    EXPECT_EQ(t.store.read(QStringLiteral("Auth")), QString()) << "unticked save forgets saved credentials";
}
