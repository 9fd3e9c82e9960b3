#include "locations/redirector_file.h"
#include "support/asf_sample.h"
#include "support/core_app.h"
#include "support/temp_settings.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::TestContext;

namespace {

QStringList Entries(const QByteArray& text)
{
    return ScanRedirector(text).entries;
}

QByteArray Addresses(int count)
{
    QByteArray text = "<ASX version=\"3.0\">\r\n";
    for (int i = 1; i <= count; ++i)
        text += "<Entry><Ref href=\"mms://srv/clip" + QByteArray::number(i) + ".asf\"/></Entry>\r\n";
    return text + "</ASX>\r\n";
}

bool LoadFile(TestContext& t, const QString& path)
{
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return LoadRedirector(t.ctx, file);
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

TEST(LoadRedirector, LocalFileFillsTheUrlListInFileOrder)
{
    TestContext t;
    t.shell.url = QStringLiteral("old");
    ASSERT_TRUE(LoadFile(t, test::WriteFile(t.dir, QStringLiteral("a.asx"), Addresses(3))));
    EXPECT_EQ(t.shell.urlList,
              (QStringList{QStringLiteral("mms://srv/clip1.asf"), QStringLiteral("mms://srv/clip2.asf"),
                           QStringLiteral("mms://srv/clip3.asf")}));
    EXPECT_EQ(t.shell.url, QStringLiteral("mms://srv/clip1.asf"));
    EXPECT_TRUE(t.shell.messages.isEmpty());
    EXPECT_TRUE(t.shell.confirmations.isEmpty());  // only a fetched file is offered for saving

    ASSERT_TRUE(LoadFile(t, test::WriteFile(t.dir, QStringLiteral("b.asx"), Addresses(21))));
    ASSERT_EQ(t.shell.urlList.size(), 20);
    EXPECT_EQ(t.shell.urlList.last(), QStringLiteral("mms://srv/clip20.asf"));
    EXPECT_EQ(t.shell.messages,
              QStringList{QStringLiteral("Too many entires in ASX file, displaying max amount only")});
}

TEST(LoadRedirector, EmptyOrAddresslessFileLeavesTheUrlBoxAlone)
{
    TestContext t;
    t.shell.url = QStringLiteral("mms://kept/x");
    t.shell.urlList = {QStringLiteral("mms://kept/x")};
    EXPECT_FALSE(LoadFile(t, test::WriteFile(t.dir, QStringLiteral("empty.asx"), {})));
    EXPECT_FALSE(
        LoadFile(t, test::WriteFile(t.dir, QStringLiteral("none.asx"), "<asx><ref href=\"http://x/a.asf\"/></asx>")));
    EXPECT_EQ(t.shell.messages, (QStringList{QStringLiteral("Error - local redirector file contains no data"),
                                             QStringLiteral("Error in redirector file - no entries found")}));
    EXPECT_EQ(t.shell.url, QStringLiteral("mms://kept/x"));
    EXPECT_EQ(t.shell.urlList, QStringList{QStringLiteral("mms://kept/x")});
}

TEST(LoadRedirector, OversizedLocalFileIsRefusedUnread)
{
    TestContext t;
    QByteArray big(kMaxRedirectorFileBytes + 1, ' ');
    big.replace(0, 9, "mms://h/a");
    EXPECT_FALSE(LoadFile(t, test::WriteFile(t.dir, QStringLiteral("big.asx"), big)));
    ASSERT_EQ(t.shell.messages.size(), 1);
    EXPECT_TRUE(t.shell.messages.first().startsWith(QStringLiteral("Error - local redirector file is larger")));
    EXPECT_TRUE(t.shell.urlList.isEmpty());
}

TEST(SaveRedirectorFile, WritesTheBytesUnchangedAndRemembersTheFolder)
{
    TestContext t;
    t.run.mediaLocation = QStringLiteral("http://web/lists/show.asx");
    const QByteArray text("[Reference]\r\nRef1=mms://srv/a.asf\r\n\0tail", 40);
    QDir(t.dir.path()).mkdir(QStringLiteral("keep"));
    const QString target = t.dir.filePath(QStringLiteral("keep/show.asx"));
    t.shell.saveFileAnswers.push_back(target);
    ASSERT_TRUE(SaveRedirectorFile(t.ctx, text));
    EXPECT_EQ(test::ReadWholeFile(target), text);
    EXPECT_EQ(t.store.read(QStringLiteral("AsxDir")), t.dir.filePath(QStringLiteral("keep/")));
    ASSERT_TRUE(t.shell.lastSaveRequest);
    EXPECT_EQ(t.shell.lastSaveRequest->defaultName, QStringLiteral("show.asx"));
    EXPECT_EQ(t.shell.lastSaveRequest->title, QStringLiteral("Save Redirector File"));
    EXPECT_EQ(t.shell.lastSaveRequest->defaultExtension, QStringLiteral("asx"));
    EXPECT_TRUE(t.shell.lastSaveRequest->overwritePrompt);
    EXPECT_TRUE(t.shell.lastSaveRequest->startFolder.isEmpty());

    // The saved file opened again gives the same entries as the text did.
    t.shell.urlList.clear();
    ASSERT_TRUE(LoadFile(t, target));
    EXPECT_EQ(t.shell.urlList, ScanRedirector(text).entries);

    // The next save starts where this one went; Cancel saves nothing.
    t.shell.saveFileAnswers.push_back(std::nullopt);
    EXPECT_FALSE(SaveRedirectorFile(t.ctx, text));
    EXPECT_EQ(t.shell.lastSaveRequest->startFolder, t.dir.filePath(QStringLiteral("keep/")));
    EXPECT_TRUE(t.shell.messages.isEmpty());
}

TEST(SaveRedirectorFile, FileThatCannotBeCreatedIsReportedAndTheOldOneKept)
{
    TestContext t;
    t.shell.saveFileAnswers.push_back(t.dir.filePath(QStringLiteral("missing/folder/x.asx")));
    EXPECT_FALSE(SaveRedirectorFile(t.ctx, "mms://h/a"));
    EXPECT_EQ(t.shell.messages, QStringList{QStringLiteral("There was an error creating the redirector file")});
}
