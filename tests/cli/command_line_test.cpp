#include "cli/open_options.h"
#include "cli/record_options.h"
#include "support/asf_sample.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;
using tovrin::test::Args;

namespace {

QStringList Line(QStringView command, QStringView words)
{
    return Args(u"tovrin-cli") + Args(command) + Args(words);
}

// The usage error of `tovrin-cli COMMAND WORDS`; empty when there is none.
QString UsageMessage(QStringView command, QStringView words)
{
    const auto message = [](const auto& parsed) {
        const auto* error = std::get_if<UsageError>(&parsed);
        return error ? error->message : QString();
    };
    if (command == u"record")
        return message(ParseRecordCommandLine(Line(command, words)));
    if (command == u"open")
        return message(ParseOpenCommandLine(Line(command, words)));
    return message(ParseInfoCommandLine(Line(command, words)));
}

}  // namespace

TEST(CommandLine, UsageErrorsNameWhatIsWrong)
{
    const std::tuple<const char16_t*, const char16_t*, const char*> cases[] = {
        {u"record", u"", "expects exactly one URL"},
        {u"record", u"mms://h/a mms://h/b", "expects exactly one URL"},
        {u"record", u"mms://h/a --no-such-option", "Unknown option 'no-such-option'."},
        {u"record", u"mms://h/a --resume --overwrite", "--resume and --overwrite exclude each other"},
        {u"record", u"mms://h/a --user x", "--user and --password go together"},
        {u"record", u"mms://h/a --user x --password p --password-file f",
         "--password and --password-file exclude each other"},
        {u"record", u"mms://h/a --tcp-port 0", "--tcp-port takes a port number"},
        {u"record", u"mms://h/a --udp-port 65536", "--udp-port takes a port number"},
        {u"record", u"mms://h/a --http-port http", "--http-port takes a port number"},
        {u"record", u"mms://h/a --transport tcp", "--transport takes auto, mmst, mmsu or mmsh"},
        {u"record", u"mms://h/a --duration soon", "--duration takes a number of seconds"},
        {u"record", u"mms://h/a --duration inf", "--duration takes a number of seconds"},
        {u"record", u"mms://h/a --duration -1", "--duration takes a number of seconds"},
        {u"record", u"mms://h/a --connect-timeout 0", "--connect-timeout takes a number of seconds"},
        {u"record", u"mms://h/a --connect-timeout 3601", "--connect-timeout takes a number of seconds"},
        {u"record", u"mms://h/a --http-timeout 0", "--http-timeout takes a number of seconds"},
        {u"record", u"mms://h/a --http-user u", "--http-user and --http-password go together"},
        {u"record", u"mms://h/a --entry 0", "--entry takes a number from 1"},
        {u"open", u"", "expects exactly one location"},
        {u"open", u"a.asx b.asx", "expects exactly one location"},
        {u"open", u"a.asx --entry 2", "Unknown option 'entry'."},
        {u"open", u"a.asx --save-redirector", "Missing value after '--save-redirector'."},
        {u"open", u"a.asx --http-password p", "--http-user and --http-password go together"},
        {u"open", u"a.asx --http-timeout 3601", "--http-timeout takes a number of seconds"},
        {u"info", u"", "expects exactly one location"},
        {u"info", u"a.wmv b.wmv", "expects exactly one location"},
        {u"info", u"a.wmv --http-user u", "Unknown option 'http-user'."},
    };
    for (const auto& [command, words, message] : cases) {
        EXPECT_EQ(UsageMessage(command, words), QString::fromLatin1(message))
            << QString::fromUtf16(command).toStdString() << " " << QString::fromUtf16(words).toStdString();
    }
}

TEST(CommandLine, RecordValuesAreTakenAsGiven)
{
    const auto parsed = ParseRecordCommandLine(
        Line(u"record",
             u"http://h/list.asx --entry 2 -o out.wmv --resume --user alice --password - --udp-port 0 --transport mmsu"
             u" --duration 2.5 --connect-timeout 1.5 --http-timeout 3"));
    const auto* options = std::get_if<RecordOptions>(&parsed);
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(options->location, u"http://h/list.asx"_s);
    EXPECT_EQ(options->entry, 2);
    EXPECT_EQ(options->output, u"out.wmv"_s);
    EXPECT_EQ(options->resumeChoice, ResumeChoice::Resume);
    EXPECT_EQ(options->user, u"alice"_s);
    ASSERT_TRUE(options->password);
    EXPECT_EQ(options->password->form, GivenPassword::Form::Typed);
    EXPECT_EQ(options->udpPort, u"0"_s);
    EXPECT_EQ(options->transport, Transport::Mmsu);
    EXPECT_EQ(options->durationSeconds, 2.5);
    EXPECT_EQ(options->connectTimeoutMs, 1500);
    EXPECT_EQ(options->http.timeLimitMs, 3000);
    EXPECT_EQ(options->httpPort, 80);
}

TEST(CommandLine, OpenAndInfoValuesAreTakenAsGiven)
{
    const auto parsed = ParseOpenCommandLine(Line(u"open", u"mms://h/a --save-redirector copy.asx --http-timeout 2"));
    const auto* open = std::get_if<OpenOptions>(&parsed);
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->location, u"mms://h/a"_s);
    EXPECT_EQ(open->saveRedirector, u"copy.asx"_s);
    EXPECT_EQ(open->http.timeLimitMs, 2000);
    EXPECT_FALSE(open->http.password);
    // Blanks around the location are dropped; a relative file path is made absolute.
    const QStringList blanks = {u"tovrin-cli"_s, u"open"_s, u" \t mms://h/a  "_s};
    EXPECT_EQ(std::get<OpenOptions>(ParseOpenCommandLine(blanks)).location, u"mms://h/a"_s);
    const auto local = std::get<OpenOptions>(ParseOpenCommandLine(Line(u"open", u"media/list.asx")));
    EXPECT_EQ(local.location, QDir::current().filePath(u"media/list.asx"_s));
    EXPECT_FALSE(local.saveRedirector);
    EXPECT_EQ(std::get<InfoOptions>(ParseInfoCommandLine(Line(u"info", u"clip.wmv"))).file,
              QDir::current().filePath(u"clip.wmv"_s));
}

TEST(CommandLine, HelpIsTheCommandsOwn)
{
    // std::get throws, failing the test, when the line parsed into anything else.
    const std::pair<QString, const char*> cases[] = {
        {std::get<HelpRequest>(ParseRecordCommandLine(Line(u"record", u"--help"))).text, "--udp-port"},
        {std::get<HelpRequest>(ParseOpenCommandLine(Line(u"open", u"x --help"))).text, "--save-redirector"},
        {std::get<HelpRequest>(ParseInfoCommandLine(Line(u"info", u"--help"))).text, "Prints the file properties"},
    };
    for (const auto& [text, part] : cases)
        EXPECT_TRUE(text.contains(QString::fromLatin1(part))) << part;
}
