#include "cli/shared_settings.h"

#include "cli/record_options.h"
#include "locations/proxy_choice.h"
#include "state/settings_record.h"

#include <QCoreApplication>

namespace tovrin {

QStringList SettingsTakenFromTheWindow(const SettingsRecord& stored, const RecordOptions& options, bool overHttp)
{
    const SettingsRecord defaults;
    QStringList taken;
    const bool transportChosen = options.udp || options.tcp || options.transport != Transport::Auto;
    if (!overHttp && stored.udpTick && !transportChosen) {
        taken << (options.udpPort ? QCoreApplication::translate("Tovrin", "UDP 協定")
                                  : QCoreApplication::translate("Tovrin", "UDP 協定 (埠號 %1)").arg(stored.udpPort));
    }
    if (!overHttp && stored.serverSocket != defaults.serverSocket && !options.tcpPort)
        taken << QCoreApplication::translate("Tovrin", "伺服器埠號 %1").arg(stored.serverSocket);
    if (!overHttp && stored.bypassDns && !options.bypassDns)
        taken << QCoreApplication::translate("Tovrin", "不解析 DNS");
    if (!stored.followEntries && !options.firstEntryOnly)
        taken << QCoreApplication::translate("Tovrin", "只錄製第一個項目");
    if (stored.reconnect != defaults.reconnect && !options.reconnect)
        taken << QCoreApplication::translate("Tovrin", "重新連線 %1 次").arg(stored.reconnect);
    if (stored.streamChoice != defaults.streamChoice && !options.streams)
        taken << QCoreApplication::translate("Tovrin", "串流選擇 %1").arg(stored.streamChoice);
    if (stored.maxBitRate != defaults.maxBitRate && !options.maxBitRate)
        taken << QCoreApplication::translate("Tovrin", "最高位元率 %1 bit/s").arg(stored.maxBitRate);
    if (!stored.proxy.isEmpty() && !options.proxy) {
        // The setting's proxy by its name: its credentials stay out of the log.
        const std::variant<ProxyAddress, QString> proxy = ParseProxyAddress(stored.proxy);
        const ProxyAddress* address = std::get_if<ProxyAddress>(&proxy);
        taken << QCoreApplication::translate("Tovrin", "代理伺服器 %1")
                     .arg(address ? address->displayName() : QCoreApplication::translate("Tovrin", "(無效)"));
    }
    if (!stored.playerName.isEmpty() && !options.userAgent)
        taken << QCoreApplication::translate("Tovrin", "播放器名稱 %1").arg(stored.playerName);
    if ((!stored.splitEvery.isEmpty() || !stored.splitSize.isEmpty()) && !options.splitEvery && !options.splitSize) {
        QStringList rules;
        if (!stored.splitEvery.isEmpty())
            rules << stored.splitEvery
                         + (stored.splitOnClock ? QCoreApplication::translate("Tovrin", " (整點)") : QString());
        if (!stored.splitSize.isEmpty())
            rules << stored.splitSize;
        taken << QCoreApplication::translate("Tovrin", "分段 %1").arg(rules.join(u" / "));
    }
    if (stored.autoLogTick)
        taken << QCoreApplication::translate("Tovrin", "自動儲存記錄");
    return taken;
}

}  // namespace tovrin
