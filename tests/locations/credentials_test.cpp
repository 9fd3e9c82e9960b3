#include "locations/credentials.h"

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;

TEST(CredentialsDialog, OpensWithTheHostTheRealmAndTheSavedCredentials)
{
    const struct {
        const char* challenge;
        const char* saved;
        const char* realm;
        const char* userId;
        const char* password;
    } cases[] = {
        {"realm=\"Tovrin Live\"", "YWxpY2U6cGE6c3M=", "\"Tovrin Live\"", "alice", "pa:ss"},  // alice:pa:ss
        {"Realm=x", "Ym9i", "", "bob", ""},                                                  // bob
        {"", "", "", "", ""},
    };
    for (const auto& c : cases) {
        const PasswordPrompt p =
            PreparePasswordPrompt(u"media.example"_s, QString::fromLatin1(c.challenge), QByteArray(c.saved));
        EXPECT_EQ(p.site, u"media.example"_s);
        EXPECT_EQ(p.realm, QString::fromLatin1(c.realm)) << c.challenge;
        EXPECT_EQ(p.userId, QString::fromLatin1(c.userId)) << c.saved;
        EXPECT_EQ(p.password, QString::fromLatin1(c.password)) << c.saved;
    }
}

TEST(CredentialsDialog, OkEncodesIdColonPassword)
{
    EXPECT_EQ(EncodeCredentials({u"bob"_s, u"secret"_s, true}), QByteArray("Ym9iOnNlY3JldA=="));
    EXPECT_EQ(EncodeCredentials({QString(), QString(), false}), QByteArray("Og=="));
    // Non-ASCII credentials survive the round trip through the saved value.
    const QByteArray saved = EncodeCredentials({u"使用者"_s, u"密碼:1"_s, true});
    const PasswordPrompt p = PreparePasswordPrompt(QString(), QString(), saved);
    EXPECT_EQ(p.userId, u"使用者"_s);
    EXPECT_EQ(p.password, u"密碼:1"_s);
}
