#include "locations/redirector_file.h"
#include "support/asf_sample.h"

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovrin;

namespace {

QStringList Entries(const QByteArray& text)
{
    return ScanRedirector(text).entries;
}

}  // namespace

TEST(ScanRedirector, FindsAddressesWhateverTheMarkup)
{
    EXPECT_EQ(Entries("<asx><entry><ref href=\"mms://srv/a.asf\"/></entry></asx>"),
              QStringList{QStringLiteral("mms://srv/a.asf")});
    EXPECT_EQ(Entries("[Reference]\r\nRef1=mms://srv/a.asf\r\nRef2=MMST://srv/b.wmv\r\n"),
              (QStringList{QStringLiteral("mms://srv/a.asf"), QStringLiteral("MMST://srv/b.wmv")}));
    EXPECT_EQ(Entries("Ref1=mmsh://srv/c.wmv\r\nRef2=MMSH://srv/live\r\n"),
              (QStringList{QStringLiteral("mmsh://srv/c.wmv"), QStringLiteral("MMSH://srv/live")}));
    // Only a space, a LF and a double quote end an address.
    EXPECT_EQ(Entries("href='mms://srv/a.asf'/>"), QStringList{QStringLiteral("mms://srv/a.asf'/>")});
    EXPECT_EQ(Entries("mmsu://h/a\tb<c>\rd e"), QStringList{QStringLiteral("mmsu://h/a\tb<c>\rd")});
    EXPECT_EQ(Entries("x mms://h/last"), QStringList{QStringLiteral("mms://h/last")});
    EXPECT_EQ(Entries("mms://h/a mms://h/a"), (QStringList{QStringLiteral("mms://h/a"), QStringLiteral("mms://h/a")}));
    // Addresses that run into each other: the second starts where the first ended.
    EXPECT_EQ(Entries("\"mms://h/a\"mms://h/b\""),
              (QStringList{QStringLiteral("mms://h/a"), QStringLiteral("mms://h/b")}));
}

TEST(ScanRedirector, OtherSchemesAndCapitalisationsAreNotAddresses)
{
    EXPECT_TRUE(Entries("Mms://srv/a http://srv/a.asf mMs://x rtsp://x Mmsh://x").isEmpty());
    EXPECT_TRUE(Entries("").isEmpty());
    EXPECT_TRUE(Entries("mms:/").isEmpty());
    EXPECT_EQ(Entries("mms://"), QStringList{QStringLiteral("mms://")});
    EXPECT_EQ(Entries(QByteArray("\0mms://h/a\0b", 11)), QStringList{QStringLiteral("mms://h/a")});
}

TEST(ScanRedirector, AddressesAreReadInTheTextsEncoding)
{
    const QString address = QStringLiteral("mms://srv/新聞.wmv");
    const QString text =
        QStringLiteral("<ASX version=\"3.0\"><Entry><Ref href=\"%1\"/></Entry></ASX>\r\n").arg(address);
    const auto encoded = [&](QStringConverter::Encoding encoding, QStringEncoder::Flags flags) {
        QStringEncoder encoder(encoding, flags);
        return QByteArray(encoder(text));
    };
    const auto noBom = QStringEncoder::Flag::Stateless;
    const auto bom = noBom | QStringEncoder::Flag::WriteBom;
    QStringEncoder big5("Big5");
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"code page 950", big5(text)},
        {"UTF-8", encoded(QStringConverter::Utf8, noBom)},
        {"UTF-8 with a byte-order mark", encoded(QStringConverter::Utf8, bom)},
        {"UTF-16LE with a byte-order mark", encoded(QStringConverter::Utf16LE, bom)},
        {"UTF-16BE with a byte-order mark", encoded(QStringConverter::Utf16BE, bom)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Entries(c.bytes), QStringList{address}) << c.name;
}

TEST(ScanRedirector, XmlEntitiesAreReplacedInXmlTextsOnly)
{
    EXPECT_EQ(Entries("  <asx><ref href=\"mms://srv/a.asf?x=1&amp;y=&lt;2&gt;&apos;&amp;lt;&#38;&copy;\"/></asx>"),
              QStringList{QStringLiteral("mms://srv/a.asf?x=1&y=<2>'&lt;&#38;&copy;")});
    // A quote written as an entity stays inside the address.
    EXPECT_EQ(Entries("<asx><ref href=\"mms://srv/&quot;q&quot;.asf\"/></asx>"),
              QStringList{QStringLiteral("mms://srv/\"q\".asf")});
    EXPECT_EQ(Entries("[Reference]\r\nRef1=mms://srv/a&amp;b.asf\r\n"),
              QStringList{QStringLiteral("mms://srv/a&amp;b.asf")});
}

TEST(ReadLocalRedirector, EmptyOrOversizedFilesAreRefusedUnread)
{
    QTemporaryDir dir;
    const std::pair<QByteArray, LocalRedirectorError> cases[] = {
        {QByteArray(), LocalRedirectorError::Empty},
        {QByteArray(kMaxRedirectorFileBytes + 1, ' '), LocalRedirectorError::TooLarge},
    };
    for (const auto& [bytes, error] : cases) {
        QFile file(test::WriteFile(dir, QStringLiteral("a.asx"), bytes));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const auto read = ReadLocalRedirector(file);
        ASSERT_TRUE(std::holds_alternative<LocalRedirectorError>(read));
        EXPECT_EQ(std::get<LocalRedirectorError>(read), error);
    }
    QFile file(test::WriteFile(dir, QStringLiteral("b.asx"), "mms://h/a"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(std::get<QByteArray>(ReadLocalRedirector(file)), QByteArray("mms://h/a"));
}
