#include "locations/redirector_file.h"
#include "locations/base64.h"
#include "locations/credentials.h"
#include "support/asf_sample.h"
#include "support/golden.h"

#include <QStringEncoder>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;

namespace {

QStringList Entries(const QByteArray& text)
{
    return ScanRedirector(text).entries;
}

}  // namespace

TEST(ScanRedirector, FindsTheMmsAddressesWhateverTheMarkup)
{
    const std::pair<QByteArray, const char*> cases[] = {
        // the entries, joined by "|"
        {"<asx><entry><ref href=\"mms://srv/a.asf\"/></entry></asx>", "mms://srv/a.asf"},
        {"[Reference]\r\nRef1=mms://srv/a.asf\r\nRef2=MMST://srv/b.wmv\r\n", "mms://srv/a.asf|MMST://srv/b.wmv"},
        {"Ref1=mmsh://srv/c.wmv\r\nRef2=MMSH://srv/live\r\n", "mmsh://srv/c.wmv|MMSH://srv/live"},
        // Only a space, a LF and a double quote end an address.
        {"href='mms://srv/a.asf'/>", "mms://srv/a.asf'/>"},
        {"mmsu://h/a\tb<c>\rd e", "mmsu://h/a\tb<c>\rd"},
        {"x mms://h/last", "mms://h/last"},
        {"mms://h/a mms://h/a", "mms://h/a|mms://h/a"},
        // Addresses that run into each other: the second starts where the first ended.
        {"\"mms://h/a\"mms://h/b\"", "mms://h/a|mms://h/b"},
        // Other schemes and capitalisations are no addresses.
        {"Mms://srv/a http://srv/a.asf mMs://x rtsp://x Mmsh://x", ""},
        {"", ""},
        {"mms:/", ""},
        {"mms://", "mms://"},
        {QByteArray("\0mms://h/a\0b", 11), "mms://h/a"},
        // XML entities are replaced in XML texts only; a quote written as one stays inside the address.
        {"  <asx><ref href=\"mms://srv/a.asf?x=1&amp;y=&lt;2&gt;&apos;&amp;lt;&#38;&copy;\"/></asx>",
         "mms://srv/a.asf?x=1&y=<2>'&lt;&#38;&copy;"},
        {"<asx><ref href=\"mms://srv/&quot;q&quot;.asf\"/></asx>", "mms://srv/\"q\".asf"},
        {"[Reference]\r\nRef1=mms://srv/a&amp;b.asf\r\n", "mms://srv/a&amp;b.asf"},
    };
    for (const auto& [text, entries] : cases)
        EXPECT_EQ(Entries(text).join(u'|'), QString::fromLatin1(entries)) << text.toStdString();
}

// Code page 950, UTF-8 with and without a byte-order mark, UTF-16 either way round with one.
TEST(ScanRedirector, AddressesAreReadInTheTextsEncoding)
{
    const QString address = u"mms://srv/新聞.wmv"_s;
    const QString text = u"<ASX version=\"3.0\"><Entry><Ref href=\"%1\"/></Entry></ASX>\r\n"_s.arg(address);
    QList<QByteArray> texts = {QStringEncoder("Big5")(text)};
    const auto bom = QStringEncoder::Flag::Stateless | QStringEncoder::Flag::WriteBom;
    for (const auto& [encoding, flags] :
         {std::pair{QStringConverter::Utf8, QStringEncoder::Flags(QStringEncoder::Flag::Stateless)},
          {QStringConverter::Utf8, bom},
          {QStringConverter::Utf16LE, bom},
          {QStringConverter::Utf16BE, bom}})
        texts << QStringEncoder(encoding, flags)(text);
    for (const QByteArray& bytes : texts)
        EXPECT_EQ(Entries(bytes), QStringList{address}) << bytes.toHex().toStdString();
}

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
