#include "locations/credentials.h"
#include "locations/base64.h"
#include "support/golden.h"

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;

// The prompt for a challenge and a saved value: site, realm, user ID, password.
TEST(CredentialsDialog, OpensWithTheHostTheRealmAndTheSavedCredentials)
{
    QStringList lines;
    for (const auto& [challenge, saved] :
         {std::pair{"realm=\"Tovrin Live\"", "YWxpY2U6cGE6c3M="}, {"Realm=x", "Ym9i"}, {"", ""}}) {
        const PasswordPrompt p =
            PreparePasswordPrompt(u"media.example"_s, QString::fromLatin1(challenge), QByteArray(saved));
        lines << u"%1 %2 -> %3 | %4 | %5 | %6"_s.arg(QLatin1String(challenge), QLatin1String(saved), p.site, p.realm,
                                                     p.userId, p.password);
    }
    EXPECT_GOLDEN("locations/password_prompt", lines);
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

TEST(Base64, EncodesWithPaddingAndReadsStoredTextsLeniently)
{
    EXPECT_EQ(EncodeBase64("alice:pa:ss"), QByteArray("YWxpY2U6cGE6c3M="));
    const std::pair<QByteArray, QByteArray> decoded[] = {
        {"YWxpY2U6cGE6c3M=", "alice:pa:ss"},
        {" Zm9v\r\n\tYmFy \x0B", "foobar"},  // white space is skipped
        {"Zg", "f"},                         // an unpadded final group still decodes
        {"Zm9v\xDA\xED\xB9\xF6", "foofoo"},  // the alphabet with its top bit set
        {"AAAAZm9v", ""},                    // a text ends at its first zero byte
        {"", ""},
    };
    for (const auto& [text, plain] : decoded)
        EXPECT_EQ(DecodeBase64Text(text), plain) << text.toStdString();
    EXPECT_FALSE(DecodeBase64Text("!!!!@@@@").isEmpty()) << "characters outside the alphabet decode without complaint";
}
