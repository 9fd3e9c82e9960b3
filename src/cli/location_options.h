#pragma once

#include "cli/password_options.h"

#include <QCommandLineOption>
#include <QString>

class QCommandLineParser;

namespace tovrin {

struct AppContext;
class RedirectorFetch;

// A location as typed on the command line: a relative file path is made
// absolute (so that it classifies as a local path); URLs stay as they are.
QString AbsoluteLocation(const QString& typed);

// The options of `open` and `record` for redirectors fetched over HTTP.
struct HttpOptions {
    QCommandLineOption user{QStringLiteral("http-user"),
                            QStringLiteral("User id for a web server that asks for one."), QStringLiteral("ID")};
    PasswordOptions password{QStringLiteral("http-password"), QStringLiteral("Password for a web server that asks for one.")};
    QCommandLineOption timeout{QStringLiteral("http-timeout"),
                               QStringLiteral("Give up a redirector fetch after SECONDS (default 30)."),
                               QStringLiteral("SECONDS")};

    void addTo(QCommandLineParser& parser) const;
    // Checks the values; the reason when they are unusable.
    QString check(const QCommandLineParser& parser) const;
    // Sets the fetch's credentials and time limit from the options, reading
    // the password in the form it was given. The reason when the password
    // cannot be had (nothing is set then).
    QString apply(const QCommandLineParser& parser, RedirectorFetch& fetch) const;
};

// `record` on a redirector: the stream address to record. A location that is
// no redirector (over HTTP or on disk) is the address itself.
struct RecordLocation {
    HttpOptions http;
    QCommandLineOption entry{QStringLiteral("entry"),
                             QStringLiteral("Record the redirector's Nth address (default 1)."), QStringLiteral("N")};

    void addTo(QCommandLineParser& parser) const;
    // Exit status 0 with `address` set; 1 when the redirector gave no address
    // to record (the reason has been shown); 2 for bad usage.
    int resolve(AppContext& ctx, const QCommandLineParser& parser, const QString& location, bool quiet,
                QString& address) const;
};

}  // namespace tovrin
