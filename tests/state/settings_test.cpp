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
using namespace Qt::StringLiterals;
using tovrin::test::ExpectStored;
using tovrin::test::TestContext;
using tovrin::test::WriteSettings;

TEST(SettingsStore, MissingValuesReadEmptyAndWritingCreatesTheStoreOwnerOnly)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"nested/folder/Tovrin.conf"_s);
    SettingsStore store(path);
    EXPECT_EQ(store.read(u"TCPPort"_s), QString());
    EXPECT_FALSE(QFileInfo::exists(path)) << "reading must never create the store";

    ASSERT_TRUE(store.write(u"URLList"_s, u"mms://a/b.wmv\r\nmms://c/直播\r\n"_s));
    EXPECT_EQ(store.read(u"URLList"_s), u"mms://a/b.wmv\r\nmms://c/直播\r\n"_s);
    const QFileDevice::Permissions groupOrOthers = QFileDevice::ReadGroup | QFileDevice::WriteGroup
                                                   | QFileDevice::ExeGroup | QFileDevice::ReadOther
                                                   | QFileDevice::WriteOther | QFileDevice::ExeOther;
    EXPECT_EQ(QFileInfo(path).permissions() & groupOrOthers, QFileDevice::Permissions());
    EXPECT_TRUE(QFileInfo(path).permissions().testFlags(QFileDevice::ReadOwner | QFileDevice::WriteOwner));

    ASSERT_TRUE(store.write(u"URLList"_s, QString()));
    EXPECT_EQ(store.read(u"URLList"_s), QString());
}

TEST(SettingsStore, ProductStoreFollowsTheUsersConfigFolder)
{
    QTemporaryDir home;
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    SettingsStore store;
    ASSERT_TRUE(store.write(u"AsfDir"_s, u"/tmp/"_s));
    EXPECT_EQ(store.location(), home.filePath(u"Tovrin Streaming/Tovrin.conf"_s));
    EXPECT_EQ(SettingsStore(store.location()).read(u"AsfDir"_s), u"/tmp/"_s);
    qunsetenv("XDG_CONFIG_HOME");
}

TEST(SettingsRecord, EmptyStoreGivesTheDefaultsAndOnlyExactWordsCheckTheFlags)
{
    TestContext t;
    SettingsRecord r = LoadSettings(t.store);
    EXPECT_EQ(r.serverSocket, u"1755"_s);
    EXPECT_EQ(r.udpPort, u"7000"_s);
    EXPECT_EQ(r.loadedUdpPort, u"7000"_s);
    EXPECT_EQ(r.doneInterval, u"10"_s);
    EXPECT_FALSE(r.udpTick || r.bypassDns || r.autoLogTick);

    WriteSettings(t.store, u"TCPPort=8080 UDPPort=7010 LastProto=udp DNSState=IP AutoLog=on");
    r = LoadSettings(t.store);
    EXPECT_EQ(r.serverSocket, u"8080"_s);
    EXPECT_EQ(r.loadedUdpPort, u"7010"_s);
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
    ExpectStored(t.store, u"TCPPort=1755 UDPPort=7000 LastProto=UDP DNSState=Lookup AutoLog=on");

    // No: the old port comes back into the record, the new one stays stored.
    t.settings.udpPort = u"7100"_s;
    EXPECT_FALSE(SaveSettings(t.ctx));
    ASSERT_EQ(t.shell.confirmations.size(), 1);
    EXPECT_TRUE(t.shell.confirmations[0].startsWith(u"Your UDP selection has changed port value\n"_s));
    EXPECT_EQ(t.shell.messages, QStringList{u"Using original UDP port setting"_s});
    EXPECT_EQ(t.settings.udpPort, u"7000"_s);
    EXPECT_EQ(t.store.read(u"UDPPort"_s), u"7100"_s);

    // Yes: the caller is told to close the program.
    t.settings.udpPort = u"7200"_s;
    t.shell.confirmAnswers.push_back(true);
    EXPECT_TRUE(SaveSettings(t.ctx));
    EXPECT_EQ(t.store.read(u"UDPPort"_s), u"7200"_s);
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
    HandleApplicationError(t.ctx, u"Windows socket 錯誤: 10061"_s);
    EXPECT_TRUE(t.run.liveHeaderFixed);
    EXPECT_TRUE(t.run.packetCountFixed);
    EXPECT_EQ(stopper.stops, 1);

    // A settings file that cannot be written (a folder stands in its place)
    // is told, and the recording goes on with its fix-ups still to come.
    t.run.reset();
    const QString blocked = t.dir.filePath(u"blocked.conf"_s);
    QDir().mkpath(blocked);
    SettingsStore store(blocked);
    AppContext ctx{t.shell, store, t.settings, t.run, t.session, &stopper};
    EXPECT_FALSE(WriteSetting(ctx, u"AsfDir"_s, u"/x/"_s));
    EXPECT_EQ(t.shell.messages,
              (QStringList{u"Tovrin 網路連接失敗"_s, u"讀取時發生一個意外 :-\nFailed to set data for 'AsfDir'"_s}));
    EXPECT_FALSE(t.run.liveHeaderFixed);
    EXPECT_FALSE(t.run.packetCountFixed);
    EXPECT_EQ(stopper.stops, 1);
}
