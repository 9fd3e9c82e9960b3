#include "cli/console_shell.h"
#include "cli/open_options.h"
#include "cli/password_options.h"
#include "cli/record_options.h"
#include "support/asf_sample.h"
#include "support/golden.h"
#include "support/golden_line.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;
using tovrin::test::Args;

namespace {

// The values a command line was taken as, one word each.
QStringList Shown(const UsageError& error)
{
    return {error.message};
}
QStringList Shown(const HelpRequest& help)
{
    return help.text.split(u'\n');
}
QStringList Shown(const InfoOptions& info)
{
    return {u"file "_s + info.file};
}
QString Shown(const HttpFetchOptions& http)
{
    return test::Line("http user", u'\'' + http.user + u'\'', "password", http.password ? int(http.password->form) : -1,
                      "timeout", http.timeLimitMs.value_or(-1));
}
QStringList Shown(const OpenOptions& o)
{
    return {test::Line("location", o.location, "save", o.saveRedirector.value_or(u"-"_s), Shown(o.http))};
}
QStringList Shown(const RecordOptions& o)
{
    return {test::Line(o.location, o.entry, o.output, o.resumeChoice ? int(*o.resumeChoice) : -1, o.user,
                       o.password ? int(o.password->form) : -1, o.udpPort.value_or(u"-"_s), int(o.transport),
                       o.durationSeconds, o.connectTimeoutMs, o.httpPort, "|", Shown(o.http))};
}

// What `tovrin-cli LINE` answers before running: the usage error, the help
// text, or the values taken.
QStringList Answer(QStringView line)
{
    const QStringList args = Args(u"tovrin-cli") + Args(line);
    const auto answer = [](const auto& parsed) { return std::visit([](const auto& v) { return Shown(v); }, parsed); };
    if (line.startsWith(u"record"))
        return answer(ParseRecordCommandLine(args));
    if (line.startsWith(u"open"))
        return answer(ParseOpenCommandLine(args));
    return answer(ParseInfoCommandLine(args));
}

// The password `args` give on a command line.
GivenPassword Given(const QStringList& args)
{
    PasswordOptions options{u"password"_s, u"Password."_s};
    QCommandLineParser parser;
    parser.addOptions({options.value, options.file});
    EXPECT_TRUE(parser.parse(QStringList{u"tovrin-cli"_s} + args)) << parser.errorText().toStdString();
    return options.given(parser).value();
}

// An input reading `text`, which must outlive it.
std::FILE* Input(const char* text)
{
    return ::fmemopen(const_cast<char*>(text), std::strlen(text), "r");
}

}  // namespace

TEST(CommandLine, UsageErrorsNameWhatIsWrongAndHelpIsTheCommandsOwn)
{
    QStringList lines;
    const auto answer = [&](std::initializer_list<const char16_t*> commandLines) {
        for (const char16_t* line : commandLines)
            lines << u"$ "_s + QString::fromUtf16(line) << Answer(line);
    };
    answer({u"record",
            u"record mms://h/a mms://h/b",
            u"record mms://h/a --no-such-option",
            u"record mms://h/a --resume --overwrite",
            u"record mms://h/a --user x",
            u"record mms://h/a --user x --password p --password-file f",
            u"record mms://h/a --tcp-port 0",
            u"record mms://h/a --udp-port 65536",
            u"record mms://h/a --http-port http",
            u"record mms://h/a --transport tcp",
            u"record mms://h/a --duration soon",
            u"record mms://h/a --duration inf",
            u"record mms://h/a --duration -1",
            u"record mms://h/a --connect-timeout 0",
            u"record mms://h/a --connect-timeout 3601",
            u"record mms://h/a --progress xml",
            u"record mms://h/a --user-agent NSPlayer/9;x",
            u"record mms://h/a -o - --progress json",

            u"record mms://h/a --split-every soon",
            u"record mms://h/a --split-on-clock",
            u"record mms://h/a --split-size 0",
            u"record mms://h/a --max-size 7Q"});
    answer({u"record mms://h/a --http-timeout 0", u"record mms://h/a --http-user u", u"record mms://h/a --entry 0",
            u"open", u"open a.asx b.asx", u"open a.asx --entry 2", u"open a.asx --save-redirector",
            u"open a.asx --http-password p", u"open a.asx --http-timeout 3601", u"info", u"info a.wmv b.wmv",
            u"info a.wmv --http-user u", u"record --help", u"open x --help", u"info --help"});
    // Values are taken as given; a relative file path is made absolute.
    answer(
        {u"record http://h/list.asx --entry 2 -o out.wmv --resume --user alice --password - --udp-port 0 --transport "
         u"mmsu --duration 2.5 --connect-timeout 1.5 --http-timeout 3",
         u"open mms://h/a --save-redirector copy.asx --http-timeout 2", u"open media/list.asx", u"info clip.wmv"});
    EXPECT_GOLDEN("cli/usage", lines.replaceInStrings(QDir::currentPath(), u"<cwd>"_s));
}

TEST(CommandLine, BlanksAroundTheLocationAreDropped)
{
    const QStringList blanks = {u"tovrin-cli"_s, u"open"_s, u" \t mms://h/a  "_s};
    EXPECT_EQ(std::get<OpenOptions>(ParseOpenCommandLine(blanks)).location, u"mms://h/a"_s);
}

// What each given password read as, or why it was refused. A file is read
// only when only its owner can read it: its first line, blanks kept. A dash
// reads one line of an input that is no terminal, without a prompt.
// A recording's file gives the record command its address and options, which
// the command line overrides; what is wrong in it is told with its name.
TEST(CommandLine, ARecordingsFileGivesTheAddressAndOptionsAndTheCommandLineWins)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"news.conf"_s);
    const auto parsed = [&](const QByteArray& text, QStringView more = {}) {
        test::WriteFile(dir, u"news.conf"_s, text);
        return ParseRecordCommandLine(Args(u"tovrin-cli record --config") << file << Args(more));
    };
    const auto o =
        std::get<RecordOptions>(parsed("# news\n address = mms://h/news\noutput = \"a b.wma\"\nduration=60\n"
                                       "first-entry-only = Yes\nudp = off\n",
                                       u"--duration 5"));
    EXPECT_TRUE(o.location == u"mms://h/news"_s && o.output == u"a b.wma"_s && o.durationSeconds == 5
                && o.firstEntryOnly && !o.udp);
    EXPECT_EQ(std::get<UsageError>(parsed("address = mms://h/a\nbogus\n")).message,
              file + u": line 2 is no NAME = VALUE"_s);
    EXPECT_EQ(std::get<UsageError>(parsed("output = a.wma\n")).message, file + u": names no address"_s);
    EXPECT_TRUE(std::get<UsageError>(parsed("address = a\nstop-at = soon\n")).message.endsWith(u" ("_s + file + u')'));
}

TEST(PasswordOptions, AFileIsReadOnlyWhenOnlyItsOwnerCanReadItAndADashReadsALineOfInput)
{
    QTemporaryDir dir;
    QStringList lines;
    std::FILE* in = Input("first line\r\nsecond\n");
    std::FILE* out = std::tmpfile();
    const auto read = [&](const QStringList& args) {
        QString problem;
        const std::optional<QString> password = ReadGivenPassword(Given(args), problem, in, out);
        lines << args.join(u' ') + u" -> "_s + (password ? u"'"_s + *password + u"'"_s : u"refused"_s) + u" | "_s
                     + problem;
    };
    int n = 0;
    for (const auto& [mode, content] :
         {std::pair{QFileDevice::Permissions(QFile::ReadOwner), QByteArray("with blanks \r\nsecond line\n")},
          {QFile::ReadOwner | QFile::WriteOwner, QByteArray()},
          {QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup, QByteArray("s3cret\n")},
          {QFile::ReadOwner, QByteArray("missing")}}) {
        const QString path = dir.filePath(u"pw%1"_s.arg(++n));
        ASSERT_TRUE(content == "missing" || test::WriteWholeFile(path, content, mode));
        read({u"--password-file"_s, path});
    }
    for (const char16_t* given : {u"-", u"-", u"-", u"-x"})
        read({u"--password"_s, QString::fromUtf16(given)});
    lines << test::Line("prompted bytes", std::ftell(out));
    std::fclose(in);
    std::fclose(out);
    EXPECT_GOLDEN("cli/given_passwords", lines.replaceInStrings(dir.path(), u"<dir>"_s));
}

TEST(PasswordOptions, ADashOnATerminalIsTypedWithoutEcho)
{
    int master = -1, terminal = -1;
    ASSERT_EQ(::openpty(&master, &terminal, nullptr, nullptr, nullptr), 0);
    std::FILE* in = ::fdopen(terminal, "r");
    std::FILE* out = ::fdopen(::dup(terminal), "w");
    ASSERT_TRUE(in && out);

    // The user types once the prompt has turned echo off (or after five
    // seconds, when it never does).
    std::thread typist([&] {
        termios mode{};
        for (int i = 0; i < 500 && ::tcgetattr(fileno(in), &mode) == 0 && (mode.c_lflag & ECHO); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(::write(master, "top secret\n", 11), 11);
    });
    QString problem;
    const std::optional<QString> password = ReadGivenPassword(Given({u"--password"_s, u"-"_s}), problem, in, out);
    typist.join();
    EXPECT_EQ(password, u"top secret"_s);

    QByteArray shown;
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    char chunk[256];
    for (ssize_t got; (got = ::read(master, chunk, sizeof chunk)) > 0;)
        shown.append(chunk, got);
    EXPECT_TRUE(shown.startsWith("Password for --password: ")) << shown.toStdString();
    EXPECT_FALSE(shown.contains("secret")) << shown.toStdString();
    termios after{};
    ASSERT_EQ(::tcgetattr(fileno(in), &after), 0);
    EXPECT_TRUE(after.c_lflag & ECHO) << "echo is on again";
    std::fclose(in);
    std::fclose(out);
    ::close(master);
}

// A console run from a script, as from a script: what it answered, then
// what it printed. Without a terminal questions get the safe answer; answers
// from the command line are used, the save file made absolute; each save
// chooser is answered for what it asks, a log never over the recording; every
// log line is printed (none with --quiet) but only a bounded copy kept.
TEST(ConsoleShell, AnswersWhatItCanAndPrintsTheRest)
{
    QStringList lines;
    // The console writing to a file and reading an empty input, as when run from a script.
    const auto run = [&](const char* what, ConsoleAnswers answers, const auto& script) {
        char* printed = nullptr;
        std::size_t size = 0;
        std::FILE* out = ::open_memstream(&printed, &size);
        std::FILE* in = Input("");
        {
            ConsoleShell shell(std::move(answers), out, in);
            lines << u"== "_s + QLatin1String(what);
            script(shell);
        }
        std::fclose(in);
        std::fclose(out);  // writes `printed` out
        lines << u"printed:"_s << QString::fromUtf8(printed, qsizetype(size)).split(u'\n');
        std::free(printed);
    };
    const auto save = [&](ConsoleShell& shell, SaveKind kind, const QString& name) {
        SaveFileRequest request;
        request.kind = kind;
        request.defaultName = name;
        const std::optional<QString> answer = shell.chooseSaveFile(request);
        lines << u"save %1 '%2' -> %3"_s.arg(int(kind)).arg(name, answer.value_or(u"none"_s));
        return answer.value_or(QString());
    };
    run("no answers", {}, [&](ConsoleShell& s) {
        lines << u"interactive %1 confirm %2 resume %3"_s.arg(s.interactive())
                     .arg(s.confirm(u"您確定要放棄這項連線期間嗎?"_s))
                     .arg(int(s.askResume()))
              << u"password %1 input '%2'"_s.arg(s.askPassword({}).has_value()).arg(s.inputBox(u"T"_s, u"P"_s, u"d"_s));
        s.showMessage(u"第一行\n第二行"_s);
        save(s, SaveKind::Recording, u"news_live.asf"_s);
        s.appendLog(u"開啟 MMS 協定，等候回覆中..."_s);
    });
    ConsoleAnswers answers;
    answers.saveFile = u"rec/show.log"_s;  // a recording may have any name
    answers.resumeChoice = ResumeChoice::Redownload;
    answers.password = PasswordAnswer{u"alice"_s, u"pw"_s, true};
    answers.quiet = true;
    run("answers, quiet", answers, [&](ConsoleShell& s) {
        lines << u"resume %1 user %2"_s.arg(int(s.askResume())).arg(s.askPassword({})->userId);
        save(s, SaveKind::Log, u"x.log"_s);
        s.setSaveLocation(save(s, SaveKind::Recording, QString()));
        save(s, SaveKind::Log, u"other.log"_s);
        save(s, SaveKind::Log, u"show.log"_s);
        save(s, SaveKind::Redirector, u"list.asx"_s);
        // However long the run, the log kept for saving is bounded: its first
        // and latest lines, and how many were left out between.
        const qsizetype appended = KeptLog::kFirstKept + KeptLog::kLatestKept + 500;
        for (qsizetype i = 0; i < appended; ++i)
            s.appendLog(u"- line %1"_s.arg(i));
        const QStringList kept = s.logLines();
        lines << u"kept %1: '%2' '%3' '%4'"_s.arg(kept.size())
                     .arg(kept.value(KeptLog::kFirstKept - 1), kept.value(KeptLog::kFirstKept), kept.last());
    });
    answers.logFile = u"session.log"_s;
    answers.redirectorFile = u"saved.asx"_s;
    run("answers with a log and a redirector file", answers, [&](ConsoleShell& s) {
        save(s, SaveKind::Log, u"x.log"_s);
        save(s, SaveKind::Redirector, u"x.asx"_s);
        save(s, SaveKind::Recording, QString());
    });
    EXPECT_GOLDEN("cli/console_shell", lines.replaceInStrings(QDir::currentPath(), u"<cwd>"_s));
}
