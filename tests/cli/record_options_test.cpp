#include "cli/record_options.h"
#include "support/asf_sample.h"

#include <gtest/gtest.h>

using namespace tovrin;
using tovrin::test::Args;

namespace {
std::variant<RecordOptions, HelpRequest, UsageError> Parse(QStringView words)
{
    return ParseRecordCommandLine(Args(u"tovrin-cli record") + Args(words));
}
}  // namespace

TEST(RecordOptions, UsageErrorsNameWhatIsWrong)
{
    const std::pair<const char16_t*, const char*> cases[] = {
        {u"", "expects exactly one URL"},
        {u"mms://h/a mms://h/b", "expects exactly one URL"},
        {u"mms://h/a --no-such-option", "Unknown option 'no-such-option'."},
        {u"mms://h/a --resume --overwrite", "--resume and --overwrite exclude each other"},
        {u"mms://h/a --user x", "--user and --password go together"},
        {u"mms://h/a --user x --password p --password-file f", "--password and --password-file exclude each other"},
        {u"mms://h/a --tcp-port 0", "--tcp-port takes a port number"},
        {u"mms://h/a --udp-port 65536", "--udp-port takes a port number"},
        {u"mms://h/a --http-port http", "--http-port takes a port number"},
        {u"mms://h/a --transport tcp", "--transport takes auto, mmst, mmsu or mmsh"},
        {u"mms://h/a --duration soon", "--duration takes a number of seconds"},
        {u"mms://h/a --duration inf", "--duration takes a number of seconds"},
        {u"mms://h/a --duration -1", "--duration takes a number of seconds"},
        {u"mms://h/a --connect-timeout 0", "--connect-timeout takes a number of seconds"},
        {u"mms://h/a --connect-timeout 3601", "--connect-timeout takes a number of seconds"},
        {u"mms://h/a --http-timeout 0", "--http-timeout takes a number of seconds"},
        {u"mms://h/a --http-user u", "--http-user and --http-password go together"},
        {u"mms://h/a --entry 0", "--entry takes a number from 1"},
    };
    for (const auto& [words, message] : cases) {
        const auto parsed = Parse(words);
        const auto* error = std::get_if<UsageError>(&parsed);
        ASSERT_NE(error, nullptr) << QString::fromUtf16(words).toStdString();
        EXPECT_EQ(error->message, QString::fromLatin1(message)) << QString::fromUtf16(words).toStdString();
    }
}

TEST(RecordOptions, ValuesAreTakenAsGiven)
{
    const auto parsed = Parse(
        u"http://h/list.asx --entry 2 -o out.wmv --resume --user alice --password - --udp-port 0 --transport mmsu"
        u" --duration 2.5 --connect-timeout 1.5 --http-timeout 3");
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

    const auto help = Parse(u"--help");
    ASSERT_TRUE(std::holds_alternative<HelpRequest>(help));
    EXPECT_TRUE(std::get<HelpRequest>(help).text.contains(QStringLiteral("--udp-port")));
}
