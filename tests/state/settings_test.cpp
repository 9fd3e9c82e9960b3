#include "state/app_error.h"
#include "state/settings_access.h"
#include "state/settings_record.h"
#include "state/settings_store.h"
#include "support/temp_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::TestContext;

TEST(SettingsStore, MissingValuesReadEmptyAndWritingCreatesTheStoreOwnerOnly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("nested/folder/Tovrin.conf"));
    SettingsStore store(path);
    EXPECT_EQ(store.read(QStringLiteral("TCPPort")), QString());
    EXPECT_FALSE(QFileInfo::exists(path)) << "reading must never create the store";

    ASSERT_TRUE(store.write(QStringLiteral("URLList"), QStringLiteral("mms://a/b.wmv\r\nmms://c/直播\r\n")));
    EXPECT_EQ(store.read(QStringLiteral("URLList")), QStringLiteral("mms://a/b.wmv\r\nmms://c/直播\r\n"));
    const QFileDevice::Permissions groupOrOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup
                                                   | QFileDevice::ExeGroup | QFileDevice::ReadOther
                                                   | QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_EQ(QFileInfo(path).permissions() & groupOrOthers, QFileDevice::Permissions());
    EXPECT_TRUE(QFileInfo(path).permissions().testFlags(QFileDevice::ReadOwner | QFileDevice::WriteOwner));

    ASSERT_TRUE(store.write(QStringLiteral("URLList"), QString()));
    EXPECT_EQ(store.read(QStringLiteral("URLList")), QString());
}

TEST(SettingsStore, ProductStoreFollowsTheUsersConfigFolder)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    SettingsStore store;
    ASSERT_TRUE(store.write(QStringLiteral("AsfDir"), QStringLiteral("/tmp/")));
    EXPECT_EQ(store.location(), home.filePath(QStringLiteral("Tovrin Streaming/Tovrin.conf")));
    EXPECT_EQ(SettingsStore(store.location()).read(QStringLiteral("AsfDir")), QStringLiteral("/tmp/"));
    qunsetenv("XDG_CONFIG_HOME");
}

TEST(SettingsRecord, EmptyStoreGivesTheDefaultsAndOnlyExactWordsCheckTheFlags)
{
    TestContext t;
    SettingsRecord r = LoadSettings(t.store);
    EXPECT_EQ(r.serverSocket, QStringLiteral("1755"));
    EXPECT_EQ(r.udpPort, QStringLiteral("7000"));
    EXPECT_EQ(r.loadedUdpPort, QStringLiteral("7000"));
    EXPECT_EQ(r.doneInterval, QStringLiteral("10"));
    EXPECT_FALSE(r.udpTick || r.bypassDns || r.autoLogTick);

    t.store.write(QStringLiteral("TCPPort"), QStringLiteral("8080"));
    t.store.write(QStringLiteral("UDPPort"), QStringLiteral("7010"));
    t.store.write(QStringLiteral("LastProto"), QStringLiteral("udp"));
    t.store.write(QStringLiteral("DNSState"), QStringLiteral("IP"));
    t.store.write(QStringLiteral("AutoLog"), QStringLiteral("on"));
    r = LoadSettings(t.store);
    EXPECT_EQ(r.serverSocket, QStringLiteral("8080"));
    EXPECT_EQ(r.loadedUdpPort, QStringLiteral("7010"));
    EXPECT_FALSE(r.udpTick) << "comparison is case-sensitive";
    EXPECT_TRUE(r.bypassDns);
    EXPECT_TRUE(r.autoLogTick);
}

TEST(SettingsRecord, SavingWritesTheWordPairsAndAsksOnlyWhenTheUdpPortChanged)
{
    TestContext t;
    t.settings = LoadSettings(t.store);
    t.settings.udpTick = true;
    t.settings.bypassDns = false;
    t.settings.autoLogTick = true;
    EXPECT_FALSE(SaveSettings(t.ctx));
    EXPECT_TRUE(t.shell.confirmations.isEmpty());
    EXPECT_EQ(t.store.read(QStringLiteral("TCPPort")), QStringLiteral("1755"));
    EXPECT_EQ(t.store.read(QStringLiteral("UDPPort")), QStringLiteral("7000"));
    EXPECT_EQ(t.store.read(QStringLiteral("LastProto")), QStringLiteral("UDP"));
    EXPECT_EQ(t.store.read(QStringLiteral("DNSState")), QStringLiteral("Lookup"));
    EXPECT_EQ(t.store.read(QStringLiteral("AutoLog")), QStringLiteral("on"));

    // No: the old port comes back into the record, the new one stays stored.
    t.settings.udpPort = QStringLiteral("7100");
    EXPECT_FALSE(SaveSettings(t.ctx));
    ASSERT_EQ(t.shell.confirmations.size(), 1);
    EXPECT_TRUE(t.shell.confirmations[0].startsWith(QStringLiteral("Your UDP selection has changed port value\n")));
    EXPECT_EQ(t.shell.messages, QStringList{QStringLiteral("Using original UDP port setting")});
    EXPECT_EQ(t.settings.udpPort, QStringLiteral("7000"));
    EXPECT_EQ(t.store.read(QStringLiteral("UDPPort")), QStringLiteral("7100"));

    // Yes: the caller is told to close the program.
    t.settings.udpPort = QStringLiteral("7200");
    t.shell.confirmAnswers.push_back(true);
    EXPECT_TRUE(SaveSettings(t.ctx));
    EXPECT_EQ(t.store.read(QStringLiteral("UDPPort")), QStringLiteral("7200"));
}

namespace {
struct CountingStopper : RunStopper {
    int stops = 0;
    void stopRun() override { ++stops; }
};
}  // namespace

TEST(ApplicationErrorHandler, EndsTheRunWithoutFixUpsButASettingThatCannotBeWrittenDoesNot)
{
    TestContext t;
    CountingStopper stopper;
    t.ctx.stopper = &stopper;
    HandleApplicationError(t.ctx, QStringLiteral("Windows socket 錯誤: 10061"));
    EXPECT_TRUE(t.run.liveHeaderFixed);
    EXPECT_TRUE(t.run.packetCountFixed);
    EXPECT_EQ(stopper.stops, 1);

    // A settings file that cannot be written (a folder stands in its place)
    // is told, and the recording goes on with its fix-ups still to come.
    t.run.reset();
    const QString blocked = t.dir.filePath(QStringLiteral("blocked.conf"));
    QDir().mkpath(blocked);
    SettingsStore store(blocked);
    AppContext ctx{t.shell, store, t.settings, t.run, &stopper};
    EXPECT_FALSE(WriteSetting(ctx, QStringLiteral("AsfDir"), QStringLiteral("/x/")));
    EXPECT_EQ(t.shell.messages,
              (QStringList{QStringLiteral("Tovrin 網路連接失敗"),
                           QStringLiteral("讀取時發生一個意外 :-\nFailed to set data for 'AsfDir'")}));
    EXPECT_FALSE(t.run.liveHeaderFixed);
    EXPECT_FALSE(t.run.packetCountFixed);
    EXPECT_EQ(stopper.stops, 1);
}
