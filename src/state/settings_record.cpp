#include "state/settings_record.h"

#include "state/settings_store.h"

namespace tovrin {

SettingsRecord LoadSettings(const SettingsStore& store)
{
    SettingsRecord record;
    record.doneInterval = QStringLiteral("10");

    record.serverSocket = store.read(QStringLiteral("TCPPort"));
    if (record.serverSocket.isEmpty())
        record.serverSocket = QStringLiteral("1755");

    record.udpPort = store.read(QStringLiteral("UDPPort"));
    if (record.udpPort.isEmpty())
        record.udpPort = QStringLiteral("7000");
    record.loadedUdpPort = record.udpPort;

    record.udpTick = store.read(QStringLiteral("LastProto")) == QStringLiteral("UDP");
    record.bypassDns = store.read(QStringLiteral("DNSState")) == QStringLiteral("IP");
    record.autoLogTick = store.read(QStringLiteral("AutoLog")) == QStringLiteral("on");
    record.followEntries = store.read(QStringLiteral("FollowEntries")) != QStringLiteral("off");
    // A count the store may hold damaged: anything but a small count is off.
    const int reconnect = store.read(QStringLiteral("Reconnect")).toInt();
    record.reconnect = reconnect >= 0 && reconnect <= kMaxReconnect ? reconnect : 0;
    if (const QString choice = store.read(QStringLiteral("StreamChoice")).trimmed(); !choice.isEmpty())
        record.streamChoice = choice;
    record.maxBitRate = store.read(QStringLiteral("MaxBitRate")).toUInt();
    record.proxy = store.read(QStringLiteral("Proxy")).trimmed();
    record.playerName = store.read(QStringLiteral("PlayerName"));
    record.splitEvery = store.read(QStringLiteral("SplitEvery")).trimmed();
    record.splitOnClock = store.read(QStringLiteral("SplitOnClock")) == QStringLiteral("on");
    record.splitSize = store.read(QStringLiteral("SplitSize")).trimmed();
    record.nameTemplate = store.read(QStringLiteral("NameTemplate"));
    return record;
}

}  // namespace tovrin
