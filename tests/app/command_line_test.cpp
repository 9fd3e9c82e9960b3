#include "app/command_line.h"
#include "app/single_instance.h"
#include "support/core_app.h"
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

using Action = CommandLine::Action;

TEST(DesktopCommandLine, ReadsTheLocationOrWhatToPrint)
{
    const struct {
        QStringList arguments;
        Action action;
        QString location;  // for Run
        QString text;      // a part of the printed text, for the others
    } cases[] = {
        {{u"tovrin"_s}, Action::Run, {}, {}},
        {{u"tovrin"_s, u"mms://127.0.0.1:1755/clip.wmv"_s}, Action::Run, u"mms://127.0.0.1:1755/clip.wmv"_s, {}},
        {{u"tovrin"_s, u"http://web/show.asx"_s}, Action::Run, u"http://web/show.asx"_s, {}},
        // File managers hand %u a file URL; the open window knows paths.
        {{u"tovrin"_s, u"file:///tmp/my%20show.asx"_s}, Action::Run, u"/tmp/my show.asx"_s, {}},
        {{u"tovrin"_s, u"/no/such/clip.wmv"_s}, Action::Run, u"/no/such/clip.wmv"_s, {}},
        {{u"/usr/bin/tovrin"_s, u"--version"_s}, Action::Version, {}, u"tovrin " TOVRIN_VERSION "\n"_s},
        {{u"tovrin"_s, u"-v"_s, u"mms://h/a"_s}, Action::Version, {}, u"tovrin " TOVRIN_VERSION "\n"_s},
        {{u"tovrin"_s, u"--help"_s}, Action::Help, {}, u"Readme.txt"_s},
        {{u"tovrin"_s, u"-h"_s}, Action::Help, {}, u"Usage: tovrin [options] [LOCATION]"_s},
        {{u"tovrin"_s, u"--record"_s}, Action::Error, {}, u"Unknown option 'record'"_s},
        {{u"tovrin"_s, u"mms://h/a"_s, u"mms://h/b"_s}, Action::Error, {}, u"one LOCATION"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(u' ').toStdString());
        const CommandLine line = ParseCommandLine(c.arguments);
        EXPECT_EQ(line.action, c.action);
        EXPECT_EQ(line.location, c.location);
        if (c.action == Action::Version)
            EXPECT_EQ(line.text, c.text);
        else
            EXPECT_TRUE(line.text.contains(c.text)) << line.text.toStdString();
    }
}

TEST(DesktopCommandLine, ARelativeNameOfAFileBecomesItsPath)
{
    QTemporaryFile file(u"clip-XXXXXX.wmv"_s);
    ASSERT_TRUE(file.open());
    const QString relative = QDir::current().relativeFilePath(file.fileName());
    EXPECT_EQ(ParseCommandLine({u"tovrin"_s, relative}).location, QDir::current().absoluteFilePath(relative));
}

TEST(DesktopSingleInstance, OneServerNamePerSettingsLocation)
{
    const QString mine = InstanceServerName(u"/home/a/.config/Tovrin Streaming/Tovrin.conf"_s);
    EXPECT_EQ(mine, InstanceServerName(u"/home/a/.config/Tovrin Streaming/Tovrin.conf"_s));
    EXPECT_NE(mine, InstanceServerName(u"/tmp/test/config/Tovrin Streaming/Tovrin.conf"_s));
    // A name, not a path: the socket goes into the temporary folder.
    EXPECT_FALSE(mine.contains(u'/'));
}

TEST(DesktopSingleInstance, TakesALocationLineAndCutsOffAPeerThatNeverEndsOne)
{
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
