#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QHash>
#include <QNetworkProxy>
#include <QProcessEnvironment>
#include <QString>
#include <QUrl>

#include <variant>

namespace tovrin {

struct AppContext;

// A proxy as the user names it: "http://[user:password@]host[:port]",
// "socks5://[user:password@]host[:port]", or "none" for no proxy at all.
struct ProxyAddress {
    enum class Kind { Direct, Http, Socks5 };
    Kind kind = Kind::Direct;
    QString host;
    quint16 port = 0;
    // Given in the address: used without asking, never written to the log.
    QString user;
    QString password;

    bool isDirect() const { return kind == Kind::Direct; }
    // "host:port" in lower case: the site its credentials are kept for.
    QString site() const;
    // "http://host:port" or "socks5://host:port", never the credentials.
    QString displayName() const;
};

// The address taken apart, or why it is no proxy address. A name without a
// scheme is an HTTP proxy; a port left out is 8080 for HTTP and 1080 for
// SOCKS5; "socks5h" is SOCKS5 (the proxy looks host names up either way).
// Pure.
std::variant<ProxyAddress, QString> ParseProxyAddress(const QString& text);

// Whether a no_proxy list covers `host`: comma-separated names, each
// matching the host and every name below it ("example.com" and
// ".example.com" both cover "www.example.com"), IP addresses and subnets
// ("10.0.0.0/8"), and "*" for every host. A loopback name or address covers
// every loopback host ("localhost" covers 127.0.0.1 and ::1). Pure.
bool NoProxyCovers(const QString& noProxy, const QString& host);

// What a proxy is chosen for: the MMS exchange over TCP, or an HTTP request
// (MMS over HTTP, a redirector fetch), or an HTTPS one.
enum class ProxyUse { MmsTcp, Http, Https };

// Where a connection's proxy comes from, first to last: the Proxy setting,
// which `record --proxy` replaces for its run ("none": no proxy, empty:
// not set), the environment (http_proxy, https_proxy, all_proxy and
// no_proxy, as curl reads them), then the system's configuration. The
// credentials proxies asked for in this session, by site, fill in a proxy
// named without them (and replace credentials it refused).
struct ProxyConfig {
    QString setting;
    QProcessEnvironment environment;
    bool askSystem = true;
    QHash<QString, QByteArray> logins;  // site -> Base64 "user:password"
};

// The chosen proxy and where it came from, for the log.
struct ChosenProxy {
    ProxyAddress address;
    QString origin;  // empty for the setting; the variable's name; or the system's
};
// The proxy for a connection to `host`:`port`, or the reason the configured
// one is unusable (a damaged setting or variable). The system is asked only
// when neither the setting nor the environment says anything for `use`.
std::variant<ChosenProxy, QString> ChooseProxy(const ProxyConfig& config, ProxyUse use, const QString& host,
                                               quint16 port);

// The configuration of the moment: the Proxy setting (as a run's options
// left it), this process's environment, the session's proxy logins.
ProxyConfig ProxyConfigOf(const AppContext& ctx);

// The proxy for Qt's sockets and network access (no proxy for a direct one).
QNetworkProxy ToNetworkProxy(const ProxyAddress& address);

// The user and password of Base64 "user:password" credentials.
void SetProxyLogin(ProxyAddress& address, const QByteArray& encoded);
// The proxy's credentials as Base64 "user:password"; empty without them.
QByteArray ProxyLogin(const ProxyAddress& address);

// What a socket's error says of the proxy it connects through.
enum class ProxyFault {
    None,             // not the proxy's doing (the server refused, no such host...)
    AsksCredentials,  // the proxy asks for credentials, or refused those given
    Refused,          // the proxy refused the connection (its rules, or the tunnel's port)
    Unreachable,      // the proxy could not be reached, or broke off
};
ProxyFault ProxyFaultOf(QAbstractSocket::SocketError error);

// The log line telling that a connection goes through `chosen`.
QString ProxyLogLine(const ChosenProxy& chosen);
// What the user is told when the proxy failed a connection: its name and
// the socket's (or the proxy's) own words.
QString ProxyTroubleText(const ProxyAddress& proxy, const QString& reason);

}  // namespace tovrin
