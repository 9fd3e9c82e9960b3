#include "mms-server/server_options.h"

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

TEST(ServerOptions, WrongOptionsNameTheProblem)
{
    const std::pair<const char*, QStringList> cases[] = {
        {"--port", {QStringLiteral("--port=70000")}},
        {"--listen", {QStringLiteral("--listen=localhost:1")}},
        {"--root", {QStringLiteral("--root=/no/such/folder")}},
        {"--rate", {QStringLiteral("--rate=-1")}},
        {"--rate", {QStringLiteral("--rate=fast")}},
        {"--live", {QStringLiteral("--live=news")}},
        {"--live", {QStringLiteral("--live==a.wmv")}},
        {"--live", {QStringLiteral("--live=a=x.wmv"), QStringLiteral("--live=a=y.wmv")}},
        {"--live-style", {QStringLiteral("--live-style=wms")}},
        {"--auth", {QStringLiteral("--auth=nopassword")}},
        {"--error", {QStringLiteral("--error=0")}},
        {"--error", {QStringLiteral("--error=0x1FFFFFFFF")}},
        {"--drop-after", {QStringLiteral("--drop-after=some")}},
        {"--ping-interval", {QStringLiteral("--ping-interval=0")}},
        {"--max-clients", {QStringLiteral("--max-clients=0")}},
        {"--hostile", {QStringLiteral("--hostile=polite")}},
        {"unknown", {QStringLiteral("--colour")}},
        {"unexpected", {QStringLiteral("stray")}},
    };
    for (const auto& [what, args] : cases) {
        const auto parsed = parse(args);
        EXPECT_FALSE(parsed.options) << what;
        EXPECT_EQ(parsed.exitCode, 2) << what;
        EXPECT_TRUE(parsed.message.contains(QLatin1String(what), Qt::CaseInsensitive))
            << what << ": " << parsed.message.toStdString();
    }
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
