#include "locations/credentials.h"
#include "state/settings_access.h"
#include "support/temp_settings.h"

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::TestContext;

TEST(CredentialsDialog, OpensWithTheHostTheRealmAndTheSavedCredentials)
{
    TestContext t;
    t.run.serverHost = QStringLiteral("media.example");
    t.run.authChallenge = QStringLiteral("realm=\"Tovrin Live\"");
    t.store.write(QStringLiteral("Auth"), QStringLiteral("YWxpY2U6cGE6c3M="));  // alice:pa:ss
    PasswordPrompt p = PreparePasswordPrompt(t.ctx);
    EXPECT_EQ(p.site, QStringLiteral("media.example"));
    EXPECT_EQ(p.realm, QStringLiteral("\"Tovrin Live\""));
    EXPECT_EQ(p.userId, QStringLiteral("alice"));
    EXPECT_EQ(p.password, QStringLiteral("pa:ss"));

    t.run.authChallenge = QStringLiteral("Realm=x");
    t.store.write(QStringLiteral("Auth"), QStringLiteral("Ym9i"));  // bob
    p = PreparePasswordPrompt(t.ctx);
    EXPECT_EQ(p.realm, QString());
    EXPECT_EQ(p.userId, QStringLiteral("bob"));
    EXPECT_EQ(p.password, QString());
}

TEST(CredentialsDialog, OkEncodesIdColonPasswordAndSavesOnlyWhenAsked)
{
    TestContext t;
    AcceptPassword(t.ctx, {QStringLiteral("bob"), QStringLiteral("secret"), true});
    EXPECT_EQ(t.run.authCredentials, QByteArray("Ym9iOnNlY3JldA=="));
    EXPECT_EQ(t.store.read(QStringLiteral("Auth")), QStringLiteral("Ym9iOnNlY3JldA=="));

    AcceptPassword(t.ctx, {QString(), QString(), false});
    EXPECT_EQ(t.run.authCredentials, QByteArray("Og=="));
    EXPECT_EQ(t.store.read(QStringLiteral("Auth")), QString()) << "unticked save forgets saved credentials";

    // Non-ASCII credentials survive the round trip through the saved value.
    AcceptPassword(t.ctx, {QStringLiteral("使用者"), QStringLiteral("密碼:1"), true});
    const PasswordPrompt p = PreparePasswordPrompt(t.ctx);
    EXPECT_EQ(p.userId, QStringLiteral("使用者"));
    EXPECT_EQ(p.password, QStringLiteral("密碼:1"));
}

TEST(CredentialsDialog, CancelChangesNothing)
{
    TestContext t;
    t.store.write(QStringLiteral("Auth"), QStringLiteral("Ym9i"));
    EXPECT_FALSE(AskServerCredentials(t.ctx));
    EXPECT_TRUE(t.run.authCredentials.isEmpty());
    EXPECT_EQ(t.store.read(QStringLiteral("Auth")), QStringLiteral("Ym9i"));
    ASSERT_TRUE(t.shell.lastPasswordPrompt);
    EXPECT_EQ(t.shell.lastPasswordPrompt->userId, QStringLiteral("bob"));

    t.shell.passwordAnswers.push_back(PasswordAnswer{QStringLiteral("eve"), QStringLiteral("x"), false});
    EXPECT_TRUE(AskServerCredentials(t.ctx));
    EXPECT_EQ(t.run.authCredentials, QByteArray("ZXZlOng="));
}
