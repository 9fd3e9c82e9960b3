#include "mms-server/server_options.h"

#include "support/asf_sample.h"
#include "support/golden.h"
#include "support/golden_line.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace tovrin::mmsserver {
namespace {

ParsedOptions parse(QStringList args)
{
    args.prepend(QStringLiteral("tovrin-mms-server"));
    return ParseServerOptions(args);
}

// The golden file shows the default port (and no hostile kind) and the forms the tests that run
// the server do not use ("=" in a live point's path, ":" in a password, a
// decimal error code, another address), then for each wrong command line
// that it parses to no options, the exit code 2, and the message naming the
// problem.
TEST(ServerOptions, DefaultsFormsWrongOptionsAndHostileKinds)
{
    const auto all =
        parse(test::Args(u"--listen=0.0.0.0 --live=radio=b=c.wma,d.wma --auth=ann:se:cret --error=2147942405 "
                         u"--ping-interval=0.25 --outage=4:0.5:2"));
    ASSERT_TRUE(all.options && all.options->live.size() == 1) << all.message.toStdString();
    const ServerOptions& o = *all.options;
    QStringList lines{
        test::Line("default port", parse({}).options->port, "hostile", bool(parse({}).options->hostile)),
        test::Line(o.listen, o.live[0].name, o.live[0].files.join(u'|'), *o.credentials, Qt::hex, *o.openError, Qt::dec,
                   o.pingIntervalMs, "outage", o.outage->everyMs, o.outage->lengthMs, o.outage->times)};
    for (const char* args :
         {"--port=70000", "--listen=localhost:1", "--root=/no/such/folder", "--rate=-1", "--rate=fast", "--live=news",
          "--live==a.wmv", "--live=a=x.wmv --live=a=y.wmv", "--live-style=wms", "--auth=nopassword", "--error=0",
          "--error=0x1FFFFFFFF", "--drop-after=some", "--ping-interval=0", "--max-clients=0", "--hostile=polite",
          "--outage=2:2", "--colour", "stray"}) {
        const auto parsed = parse(QString::fromLatin1(args).split(QLatin1Char(' ')));
        lines << test::Line(args, "-> options", parsed.options.has_value(), "exit", parsed.exitCode,
                            parsed.message.trimmed());
    }
    EXPECT_GOLDEN("mms-server/server_options", lines);

    // Every hostile kind is named in the help and parses back to a kind of its own.
    const QString help = parse({QStringLiteral("--help")}).message;
    const QStringList kinds = HostileKindsHelp().split(QLatin1Char('\n'));
    EXPECT_GE(kinds.size(), 20);
    std::vector<HostileKind> seen;
    for (const QString& line : kinds) {
        const QString name = line.section(QLatin1Char(':'), 0, 0);
        EXPECT_TRUE(help.contains(name + QLatin1Char(':'))) << name.toStdString();
        const auto parsed = parse({QStringLiteral("--hostile"), name});
        ASSERT_TRUE(parsed.options && parsed.options->hostile) << name.toStdString();
        EXPECT_EQ(std::count(seen.begin(), seen.end(), *parsed.options->hostile), 0) << name.toStdString();
        seen.push_back(*parsed.options->hostile);
    }
}

}  // namespace
}  // namespace tovrin::mmsserver
