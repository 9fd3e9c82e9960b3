#include "mms-server/server_options.h"

#include "support/golden.h"

#include <algorithm>

#include <gtest/gtest.h>

namespace tovrin::mmsserver {
namespace {

ParsedOptions parse(QStringList args)
{
    args.prepend(QStringLiteral("tovrin-mms-server"));
    return ParseServerOptions(args);
}

// The forms the tests that run the server do not use: "=" in a live point's
// path, ":" in a password, a decimal error code, another address.
TEST(ServerOptions, DefaultsAndTheFormsOptionsTake)
{
    EXPECT_EQ(parse({}).options->port, 1755);
    const auto all = parse({QStringLiteral("--listen=0.0.0.0"), QStringLiteral("--live=radio=b=c.wma"),
                            QStringLiteral("--auth=ann:se:cret"), QStringLiteral("--error=2147942405"),
                            QStringLiteral("--ping-interval=0.25")});
    ASSERT_TRUE(all.options) << all.message.toStdString();
    EXPECT_EQ(all.options->listen, QHostAddress(QHostAddress::AnyIPv4));
    ASSERT_EQ(all.options->live.size(), 1u);
    EXPECT_EQ(all.options->live[0].name, QStringLiteral("radio"));
    EXPECT_EQ(all.options->live[0].path, QStringLiteral("b=c.wma"));
    EXPECT_EQ(all.options->credentials, QStringLiteral("ann:se:cret"));
    EXPECT_EQ(all.options->openError, 0x80070005u);
    EXPECT_EQ(all.options->pingIntervalMs, 250);
}

// The golden file shows, for each wrong command line, that it parses to no
// options, the exit code 2, and the message naming the problem.
TEST(ServerOptions, WrongOptionsNameTheProblem)
{
    QStringList lines;
    for (const char* args :
         {"--port=70000", "--listen=localhost:1", "--root=/no/such/folder", "--rate=-1", "--rate=fast", "--live=news",
          "--live==a.wmv", "--live=a=x.wmv --live=a=y.wmv", "--live-style=wms", "--auth=nopassword", "--error=0",
          "--error=0x1FFFFFFFF", "--drop-after=some", "--ping-interval=0", "--max-clients=0", "--hostile=polite",
          "--colour", "stray"}) {
        const auto parsed = parse(QString::fromLatin1(args).split(QLatin1Char(' ')));
        lines << QStringLiteral("%1 -> options %2, exit %3: %4")
                     .arg(QLatin1String(args))
                     .arg(parsed.options.has_value())
                     .arg(parsed.exitCode)
                     .arg(parsed.message.trimmed().replace(QLatin1Char('\n'), QLatin1String(" | ")));
    }
    EXPECT_GOLDEN("mms-server/wrong_options", lines);
}

TEST(ServerOptions, EveryHostileKindIsNamedInTheHelpAndParsesBack)
{
    EXPECT_FALSE(parse({}).options->hostile);
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
