#include "app/command_line.h"
#include "app/single_instance.h"
#include "support/core_app.h"
#include "support/golden.h"
#include "support/golden_line.h"
#include "support/qt_printers.h"
#include "tovrin_version.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryFile>
#include <QUuid>

using namespace Qt::StringLiterals;

namespace tovrin {
namespace {

// File managers hand %u a file URL; the open window knows paths.
TEST(DesktopCommandLine, ReadsTheLocationOrWhatToPrint)
{
    QStringList lines;
    for (const QString& arguments :
         {u"tovrin"_s, u"tovrin mms://127.0.0.1:1755/clip.wmv"_s, u"tovrin http://web/show.asx"_s,
          u"tovrin file:///tmp/my%20show.asx"_s, u"tovrin /no/such/clip.wmv"_s, u"/usr/bin/tovrin --version"_s,
          u"tovrin -v mms://h/a"_s, u"tovrin --help"_s, u"tovrin -h"_s, u"tovrin --record"_s,
          u"tovrin mms://h/a mms://h/b"_s}) {
        const CommandLine line = ParseCommandLine(arguments.split(u' '));
        lines << test::Line(arguments, "->", int(line.action), line.location) << line.text.split(u'\n');
    }
    EXPECT_GOLDEN("app/command_line", lines.replaceInStrings(u"tovrin " TOVRIN_VERSION ""_s, u"tovrin <version>"_s));

    // The relative name of a file becomes its path.
    QTemporaryFile file(u"clip-XXXXXX.wmv"_s);
    ASSERT_TRUE(file.open());
    const QString relative = QDir::current().relativeFilePath(file.fileName());
    EXPECT_EQ(ParseCommandLine({u"tovrin"_s, relative}).location, QDir::current().absoluteFilePath(relative));
}

// One server name per settings location; a name, not a path: the socket goes
// into the temporary folder.
TEST(DesktopSingleInstance, TakesALocationLineAndCutsOffAPeerThatNeverEndsOne)
{
    const QString mine = InstanceServerName(u"/home/a/.config/Tovrin Streaming/Tovrin.conf"_s);
    EXPECT_EQ(
        test::Line(mine == InstanceServerName(u"/home/a/.config/Tovrin Streaming/Tovrin.conf"_s),
                   mine == InstanceServerName(u"/tmp/test/config/Tovrin Streaming/Tovrin.conf"_s), mine.contains(u'/')),
        u"true false false"_s);
    SingleInstance instance(u"tovrin-test-"_s + QUuid::createUuid().toString(QUuid::Id128));
    ASSERT_TRUE(instance.listen());
    QStringList received;
    QObject::connect(&instance, &SingleInstance::locationReceived, [&](const QString& l) { received << l; });
    QLocalSocket good;
    good.connectToServer(instance.findChild<QLocalServer*>()->serverName());
    good.write("mms://h/a.wmv\n");
    EXPECT_TRUE(test::WaitUntil([&] { return good.canReadLine(); }, 5000));
    EXPECT_EQ(good.readLine(), QByteArray("ok\n"));
    EXPECT_EQ(received, QStringList{u"mms://h/a.wmv"_s});

    QLocalSocket endless;
    endless.connectToServer(instance.findChild<QLocalServer*>()->serverName());
    endless.write(QByteArray(100 * 1024, 'x'));
    EXPECT_TRUE(test::WaitUntil([&] { return endless.state() == QLocalSocket::UnconnectedState; }, 5000));
    EXPECT_EQ(received.size(), 1);
}

}  // namespace
}  // namespace tovrin
