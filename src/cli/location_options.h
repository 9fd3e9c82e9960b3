#pragma once

#include "cli/password_options.h"

#include <QCommandLineOption>
#include <QString>

#include <optional>
#include <variant>

class QCommandLineParser;

namespace tovrin {

struct AppContext;
class RedirectorFetch;

// A location as typed on the command line: a relative file path is made
// absolute (so that it classifies as a local path); URLs stay as they are.
QString AbsoluteLocation(const QString& typed);

// What the command line says about fetching a redirector over HTTP.
struct HttpFetchOptions {
    QString user;
    std::optional<GivenPassword> password;  // given exactly when user is
    std::optional<int> timeLimitMs;
};

// Sets the fetch's credentials, for the web server of `location`, and its
// time limit, reading the password in the form it was given. The reason when
// the password cannot be had (nothing is set then).
QString ApplyHttpFetchOptions(const HttpFetchOptions& options, RedirectorFetch& fetch, const QString& location);

// The options of `open` and `record` for redirectors fetched over HTTP.
struct HttpOptions {
    QCommandLineOption user{QStringLiteral("http-user"), QStringLiteral("User id for a web server that asks for one."),
                            QStringLiteral("ID")};
    PasswordOptions password{QStringLiteral("http-password"),
                             QStringLiteral("Password for a web server that asks for one.")};
    QCommandLineOption timeout{QStringLiteral("http-timeout"),
                               QStringLiteral("Give up a redirector fetch after SECONDS (default 30)."),
                               QStringLiteral("SECONDS")};

    void addTo(QCommandLineParser& parser) const;
    // The values given; the reason when they are unusable.
    std::variant<HttpFetchOptions, QString> parse(const QCommandLineParser& parser) const;
};

// `record` on a redirector: the stream address to record, the redirector's
// `entry`th (from 1), fetched with `fetch` when it is on a web server. A
// location that is no redirector (over HTTP or on disk) is the address
// itself. Exit status 0 with `address` set; 1 when the redirector gave no
// address to record (the reason has been shown) or its fetch was stopped; 2
// when the HTTP password cannot be had.
int ResolveRecordLocation(AppContext& ctx, const HttpFetchOptions& http, int entry, const QString& location, bool quiet,
                          RedirectorFetch& fetch, QString& address);

}  // namespace tovrin
