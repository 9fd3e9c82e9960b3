#include "cli/password_options.h"
#include "support/asf_sample.h"

#include <QCommandLineParser>
#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <chrono>
#include <cstdio>
#include <thread>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;

namespace {

struct Parsed {
    PasswordOptions options{u"password"_s, u"Password."_s};
    QCommandLineParser parser;
    explicit Parsed(const QStringList& args)
    {
        parser.addOptions({options.value, options.file});
        EXPECT_TRUE(parser.parse(QStringList{u"tovrin-cli"_s} + args)) << parser.errorText().toStdString();
    }
};

// A temporary file holding `bytes`, opened for reading.
std::FILE* Input(const QByteArray& bytes)
{
    std::FILE* file = std::tmpfile();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), file);
    std::rewind(file);
    return file;
}

}  // namespace

TEST(PasswordOptions, AFileIsReadOnlyWhenOnlyItsOwnerCanReadIt)
{
    QTemporaryDir dir;
    const struct {
        QFileDevice::Permissions mode;
        QByteArray content;
        std::optional<QString> password;  // std::nullopt: refused
        QString problem;
    } cases[] = {
        {QFile::ReadOwner, "with blanks \r\nsecond line\n", u"with blanks "_s, {}},
        {QFile::ReadOwner | QFile::WriteOwner, "", QString(), {}},
        {QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup, "s3cret\n", std::nullopt,
         u"can be read by other users (mode 0640)"_s},
    };
    int n = 0;
    for (const auto& c : cases) {
        const QString path = dir.filePath(u"pw%1"_s.arg(++n));
        ASSERT_TRUE(test::WriteWholeFile(path, c.content, c.mode));
        Parsed p({u"--password-file"_s, path});
        QString problem;
        EXPECT_EQ(ReadGivenPassword(*p.options.given(p.parser), problem), c.password) << n;
        EXPECT_TRUE(problem.contains(c.problem)) << n << ": " << problem.toStdString();
        if (!c.password) {
            EXPECT_TRUE(problem.startsWith(u"--password-file: "_s)) << problem.toStdString();
        }
    }
    Parsed missing({u"--password-file"_s, dir.filePath(u"none"_s)});
    QString problem;
    EXPECT_FALSE(ReadGivenPassword(*missing.options.given(missing.parser), problem));
    EXPECT_TRUE(problem.contains(u"cannot read"_s)) << problem.toStdString();
}

TEST(PasswordOptions, ADashReadsOneLineOfAnInputThatIsNoTerminal)
{
    std::FILE* in = Input("first line\r\nsecond\n");
    std::FILE* out = std::tmpfile();
    Parsed p({u"--password"_s, u"-"_s});
    QString problem;
    EXPECT_EQ(ReadGivenPassword(*p.options.given(p.parser), problem, in, out), u"first line"_s);
    EXPECT_EQ(ReadGivenPassword(*p.options.given(p.parser), problem, in, out), u"second"_s);
    EXPECT_EQ(ReadGivenPassword(*p.options.given(p.parser), problem, in, out), std::nullopt);
    EXPECT_EQ(problem, u"--password -: no password was typed"_s);
    EXPECT_EQ(std::ftell(out), 0) << "no prompt without a terminal";
    std::fclose(in);
    std::fclose(out);

    Parsed plain({u"--password"_s, u"-x"_s});
    EXPECT_EQ(ReadGivenPassword(*plain.options.given(plain.parser), problem), u"-x"_s);
}

TEST(PasswordOptions, ADashOnATerminalIsTypedWithoutEcho)
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const char* terminal = ::ptsname(master);
    std::FILE* in = std::fopen(terminal, "r");
    std::FILE* out = std::fopen(terminal, "w");
    ASSERT_TRUE(in && out);

    // The user types once the prompt has turned echo off (or after five
    // seconds, when it never does).
    std::thread typist([&] {
        termios mode{};
        for (int i = 0; i < 500 && ::tcgetattr(fileno(in), &mode) == 0 && (mode.c_lflag & ECHO); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_EQ(::write(master, "top secret\n", 11), 11);
    });
    Parsed p({u"--password"_s, u"-"_s});
    QString problem;
    const std::optional<QString> password = ReadGivenPassword(*p.options.given(p.parser), problem, in, out);
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
