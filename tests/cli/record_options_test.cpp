#include "cli/record_options.h"

#include <gtest/gtest.h>

using namespace tovrin;

namespace {
std::variant<RecordOptions, HelpRequest, UsageError> Parse(const QStringList& options)
{
    return ParseRecordCommandLine(QStringList{QStringLiteral("tovrin-cli"), QStringLiteral("record")} + options);
}
}  // namespace

TEST(RecordOptions, UsageErrorsNameWhatIsWrong)
{
    const QString url = QStringLiteral("mms://h/a.wmv");
    const std::pair<QStringList, QString> cases[] = {
        {{}, QStringLiteral("expects exactly one URL")},
        {{url, url}, QStringLiteral("expects exactly one URL")},
        {{url, QStringLiteral("--no-such-option")}, QStringLiteral("Unknown option 'no-such-option'.")},
        {{url, QStringLiteral("--resume"), QStringLiteral("--overwrite")},
         QStringLiteral("--resume and --overwrite exclude each other")},
        {{url, QStringLiteral("--user"), QStringLiteral("x")}, QStringLiteral("--user and --password go together")},
        {{url, QStringLiteral("--password"), QStringLiteral("p"), QStringLiteral("--password-file"),
          QStringLiteral("f"), QStringLiteral("--user"), QStringLiteral("x")},
         QStringLiteral("--password and --password-file exclude each other")},
        {{url, QStringLiteral("--tcp-port"), QStringLiteral("0")}, QStringLiteral("--tcp-port takes a port number")},
        {{url, QStringLiteral("--udp-port"), QStringLiteral("65536")},
         QStringLiteral("--udp-port takes a port number")},
        {{url, QStringLiteral("--http-port"), QStringLiteral("http")},
         QStringLiteral("--http-port takes a port number")},
        {{url, QStringLiteral("--transport"), QStringLiteral("tcp")},
         QStringLiteral("--transport takes auto, mmst, mmsu or mmsh")},
        {{url, QStringLiteral("--duration"), QStringLiteral("soon")},
         QStringLiteral("--duration takes a number of seconds")},
        {{url, QStringLiteral("--duration"), QStringLiteral("inf")},
         QStringLiteral("--duration takes a number of seconds")},
        {{url, QStringLiteral("--duration"), QStringLiteral("-1")},
         QStringLiteral("--duration takes a number of seconds")},
        {{url, QStringLiteral("--connect-timeout"), QStringLiteral("0")},
         QStringLiteral("--connect-timeout takes a number of seconds")},
        {{url, QStringLiteral("--connect-timeout"), QStringLiteral("3601")},
         QStringLiteral("--connect-timeout takes a number of seconds")},
        {{url, QStringLiteral("--http-timeout"), QStringLiteral("0")},
         QStringLiteral("--http-timeout takes a number of seconds")},
        {{url, QStringLiteral("--http-user"), QStringLiteral("u")},
         QStringLiteral("--http-user and --http-password go together")},
        {{url, QStringLiteral("--entry"), QStringLiteral("0")}, QStringLiteral("--entry takes a number from 1")},
    };
    for (const auto& [options, message] : cases) {
        const auto parsed = Parse(options);
        const auto* error = std::get_if<UsageError>(&parsed);
        ASSERT_NE(error, nullptr) << options.join(u' ').toStdString();
        EXPECT_EQ(error->message, message) << options.join(u' ').toStdString();
    }
}

TEST(RecordOptions, ValuesAreTakenAsGiven)
{
    const auto parsed = Parse({QStringLiteral("http://h/list.asx"),
                               QStringLiteral("--entry"),
                               QStringLiteral("2"),
                               QStringLiteral("-o"),
                               QStringLiteral("out.wmv"),
                               QStringLiteral("--resume"),
                               QStringLiteral("--user"),
                               QStringLiteral("alice"),
                               QStringLiteral("--password"),
                               QStringLiteral("-"),
                               QStringLiteral("--udp-port"),
                               QStringLiteral("0"),
                               QStringLiteral("--transport"),
                               QStringLiteral("mmsu"),
                               QStringLiteral("--duration"),
                               QStringLiteral("2.5"),
                               QStringLiteral("--connect-timeout"),
                               QStringLiteral("1.5"),
                               QStringLiteral("--http-timeout"),
                               QStringLiteral("3")});
    const auto* options = std::get_if<RecordOptions>(&parsed);
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->location, QStringLiteral("http://h/list.asx"));
    EXPECT_EQ(options->entry, 2);
    EXPECT_EQ(options->output, QStringLiteral("out.wmv"));
    EXPECT_EQ(options->resumeChoice, ResumeChoice::Resume);
    EXPECT_EQ(options->user, QStringLiteral("alice"));
    ASSERT_TRUE(options->password);
    EXPECT_EQ(options->password->form, GivenPassword::Form::Typed);
    EXPECT_EQ(options->udpPort, QStringLiteral("0"));
    EXPECT_EQ(options->transport, Transport::Mmsu);
    EXPECT_EQ(options->durationSeconds, 2.5);
    EXPECT_EQ(options->connectTimeoutMs, 1500);
    EXPECT_EQ(options->http.timeLimitMs, 3000);
    EXPECT_EQ(options->httpPort, 80);

    const auto help = Parse({QStringLiteral("--help")});
    ASSERT_TRUE(std::holds_alternative<HelpRequest>(help));
    EXPECT_TRUE(std::get<HelpRequest>(help).text.contains(QStringLiteral("--udp-port")));
}
