#include "locations/proxy_choice.h"

#include "locations/base64.h"
#include "state/app_context.h"
#include "state/session_state.h"
#include "state/settings_record.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QNetworkProxyFactory>

namespace tovrin {

namespace {

constexpr quint16 kHttpProxyPort = 8080;
constexpr quint16 kSocksProxyPort = 1080;

// A host as an address: brackets of an IPv6 literal taken off.
QHostAddress AddressOf(QString host)
{
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    return QHostAddress(host);
}

bool IsLoopbackHost(const QString& host)
{
    if (host == QLatin1String("localhost") || host.endsWith(QLatin1String(".localhost")))
        return true;
    const QHostAddress address = AddressOf(host);
    return !address.isNull() && address.isLoopback();
}

bool EntryCovers(QString entry, const QString& host)
{
    if (entry == QLatin1String("*"))
        return true;
    if (IsLoopbackHost(entry) && IsLoopbackHost(host))
        return true;
    const QHostAddress hostAddress = AddressOf(host);
    if (entry.contains(QLatin1Char('/'))) {
        const std::pair<QHostAddress, int> subnet = QHostAddress::parseSubnet(entry);
        return !hostAddress.isNull() && !subnet.first.isNull() && hostAddress.isInSubnet(subnet);
    }
    const QHostAddress entryAddress = AddressOf(entry);
    if (!entryAddress.isNull())
        return !hostAddress.isNull() && entryAddress.isEqual(hostAddress, QHostAddress::TolerantConversion);
    if (entry.startsWith(QLatin1Char('.')))
        entry = entry.mid(1);
    return !entry.isEmpty() && (host == entry || host.endsWith(QLatin1Char('.') + entry));
}

// The environment's value for the first of `names` that is set.
std::pair<QString, QString> FirstSet(const QProcessEnvironment& environment, std::initializer_list<const char*> names)
{
    for (const char* name : names) {
        const QString value = environment.value(QLatin1String(name)).trimmed();
        if (!value.isEmpty())
            return {QLatin1String(name), value};
    }
    return {};
}

std::variant<ChosenProxy, QString> FromText(const QString& text, const QString& origin)
{
    std::variant<ProxyAddress, QString> parsed = ParseProxyAddress(text);
    if (const QString* problem = std::get_if<QString>(&parsed)) {
        if (origin.isEmpty())
            return QCoreApplication::translate("Tovrin", "代理伺服器設定無效: %1").arg(*problem);
        return QCoreApplication::translate("Tovrin", "環境變數 %1 的代理伺服器無效: %2").arg(origin, *problem);
    }
    return ChosenProxy{std::get<ProxyAddress>(parsed), origin};
}

ChosenProxy FromSystem(ProxyUse use, const QString& host, quint16 port)
{
    QNetworkProxyQuery query;
    if (use == ProxyUse::MmsTcp) {
        query = QNetworkProxyQuery(host, port, QStringLiteral("mms"), QNetworkProxyQuery::TcpSocket);
    } else {
        QUrl url;
        url.setScheme(use == ProxyUse::Https ? QStringLiteral("https") : QStringLiteral("http"));
        url.setHost(host);
        url.setPort(port);
        query = QNetworkProxyQuery(url);
    }
    ChosenProxy chosen;
    chosen.origin = QCoreApplication::translate("Tovrin", "系統的代理伺服器設定");
    for (const QNetworkProxy& proxy : QNetworkProxyFactory::systemProxyForQuery(query)) {
        if (proxy.type() == QNetworkProxy::HttpProxy || proxy.type() == QNetworkProxy::HttpCachingProxy)
            chosen.address.kind = ProxyAddress::Kind::Http;
        else if (proxy.type() == QNetworkProxy::Socks5Proxy)
            chosen.address.kind = ProxyAddress::Kind::Socks5;
        else
            break;  // no proxy, or one of a kind this program cannot speak through
        chosen.address.host = proxy.hostName();
        chosen.address.port = proxy.port();
        chosen.address.user = proxy.user();
        chosen.address.password = proxy.password();
        break;
    }
    return chosen;
}

}  // namespace

QString ProxyAddress::site() const
{
    return QStringLiteral("%1:%2").arg(host.toLower()).arg(port);
}

QString ProxyAddress::displayName() const
{
    if (kind == Kind::Direct)
        return QStringLiteral("none");
    return QStringLiteral("%1://%2").arg(kind == Kind::Http ? QStringLiteral("http") : QStringLiteral("socks5"),
                                         site());
}

std::variant<ProxyAddress, QString> ParseProxyAddress(const QString& text)
{
    const QString trimmed = text.trimmed();
    ProxyAddress address;
    if (trimmed.compare(QLatin1String("none"), Qt::CaseInsensitive) == 0)
        return address;
    const QUrl url =
        QUrl(trimmed.contains(QLatin1String("://")) ? trimmed : QStringLiteral("http://") + trimmed, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("http")) {
        address.kind = ProxyAddress::Kind::Http;
    } else if (scheme == QLatin1String("socks5") || scheme == QLatin1String("socks5h")) {
        address.kind = ProxyAddress::Kind::Socks5;
    } else {
        return QCoreApplication::translate("Tovrin", "「%1」不是 http://、socks5:// 或 none")
            .arg(trimmed.section(QLatin1String("://"), 0, 0));
    }
    if (!url.isValid() || url.host().isEmpty())
        return QCoreApplication::translate("Tovrin", "沒有主機名稱");
    if (url.port() == 0)
        return QCoreApplication::translate("Tovrin", "埠號無效");
    address.host = url.host();
    address.port = quint16(url.port(address.kind == ProxyAddress::Kind::Http ? kHttpProxyPort : kSocksProxyPort));
    address.user = url.userName(QUrl::FullyDecoded);
    address.password = url.password(QUrl::FullyDecoded);
    return address;
}

bool NoProxyCovers(const QString& noProxy, const QString& host)
{
    const QString name = host.trimmed().toLower();
    if (name.isEmpty())
        return false;
    const QStringList entries = noProxy.toLower().split(QLatin1Char(','), Qt::SkipEmptyParts);
    return std::any_of(entries.begin(), entries.end(),
                       [&name](const QString& entry) { return EntryCovers(entry.trimmed(), name); });
}

std::variant<ChosenProxy, QString> ChooseProxy(const ProxyConfig& config, ProxyUse use, const QString& host,
                                               quint16 port)
{
    std::variant<ChosenProxy, QString> chosen = ChosenProxy{};
    const QString noProxy = FirstSet(config.environment, {"no_proxy", "NO_PROXY"}).second;
    // HTTP_PROXY in capitals is left alone, as curl does: a web server's CGI
    // environment sets it from a request's "Proxy:" header.
    const auto [variable, value] =
        use == ProxyUse::MmsTcp ? FirstSet(config.environment, {"all_proxy", "ALL_PROXY"})
        : use == ProxyUse::Https
            ? FirstSet(config.environment, {"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
            : FirstSet(config.environment, {"http_proxy", "all_proxy", "ALL_PROXY"});
    if (!config.setting.trimmed().isEmpty()) {
        chosen = FromText(config.setting, QString());
        if (auto* proxy = std::get_if<ChosenProxy>(&chosen); proxy && NoProxyCovers(noProxy, host))
            *proxy = ChosenProxy{};
    } else if (!value.isEmpty()) {
        if (!NoProxyCovers(noProxy, host))
            chosen = FromText(value, variable);
    } else if (config.askSystem) {
        chosen = FromSystem(use, host, port);
    }
    if (auto* proxy = std::get_if<ChosenProxy>(&chosen); proxy && !proxy->address.isDirect()) {
        if (const auto login = config.logins.constFind(proxy->address.site()); login != config.logins.cend())
            SetProxyLogin(proxy->address, *login);
    }
    return chosen;
}

ProxyConfig ProxyConfigOf(const AppContext& ctx)
{
    ProxyConfig config;
    config.setting = ctx.settings.proxy;
    config.environment = QProcessEnvironment::systemEnvironment();
    config.logins = ctx.session.proxyLogins;
    return config;
}

QNetworkProxy ToNetworkProxy(const ProxyAddress& address)
{
    switch (address.kind) {
    case ProxyAddress::Kind::Direct:
        break;
    case ProxyAddress::Kind::Http:
        return QNetworkProxy(QNetworkProxy::HttpProxy, address.host, address.port, address.user, address.password);
    case ProxyAddress::Kind::Socks5:
        return QNetworkProxy(QNetworkProxy::Socks5Proxy, address.host, address.port, address.user, address.password);
    }
    return QNetworkProxy(QNetworkProxy::NoProxy);
}

void SetProxyLogin(ProxyAddress& address, const QByteArray& encoded)
{
    const QString text = QString::fromUtf8(DecodeBase64Text(encoded));
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    address.user = colon < 0 ? text : text.left(colon);
    address.password = colon < 0 ? QString() : text.mid(colon + 1);
}

QByteArray ProxyLogin(const ProxyAddress& address)
{
    if (address.user.isEmpty() && address.password.isEmpty())
        return {};
    return EncodeBase64((address.user + QLatin1Char(':') + address.password).toUtf8());
}

ProxyFault ProxyFaultOf(QAbstractSocket::SocketError error)
{
    switch (error) {
    case QAbstractSocket::ProxyAuthenticationRequiredError:
        return ProxyFault::AsksCredentials;
    case QAbstractSocket::SocketAccessError:
        // Qt's word for an HTTP proxy's 403 to CONNECT, and a SOCKS5 rule's refusal.
        return ProxyFault::Refused;
    case QAbstractSocket::ProxyConnectionRefusedError:
    case QAbstractSocket::ProxyConnectionClosedError:
    case QAbstractSocket::ProxyConnectionTimeoutError:
    case QAbstractSocket::ProxyNotFoundError:
    case QAbstractSocket::ProxyProtocolError:
        return ProxyFault::Unreachable;
    default:
        return ProxyFault::None;
    }
}

QString ProxyLogLine(const ChosenProxy& chosen)
{
    if (chosen.origin.isEmpty())
        return QCoreApplication::translate("Tovrin", "- 經由代理伺服器 %1").arg(chosen.address.displayName());
    return QCoreApplication::translate("Tovrin", "- 經由代理伺服器 %1 (%2)")
        .arg(chosen.address.displayName(), chosen.origin);
}

QString ProxyTroubleText(const ProxyAddress& proxy, const QString& reason)
{
    return QCoreApplication::translate("Tovrin", "代理伺服器 %1: %2").arg(proxy.displayName(), reason);
}

}  // namespace tovrin
