#include "cli/console_shell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

#include <gtest/gtest.h>

using namespace tovrin;

namespace {
// The console writing to a file and reading an empty input, as when run from a script.
struct Console {
    QTemporaryDir dir;
    std::FILE* out = std::fopen(dir.filePath(QStringLiteral("out.txt")).toLocal8Bit().constData(), "w+");
    std::FILE* in = std::fopen("/dev/null", "r");
    ConsoleShell shell;
    explicit Console(ConsoleAnswers answers = {}) : shell(std::move(answers), out, in) {}
    ~Console()
    {
        std::fclose(out);
        std::fclose(in);
    }
    QString printed()
    {
        std::fflush(out);
        QFile file(dir.filePath(QStringLiteral("out.txt")));
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }
};
}  // namespace

TEST(ConsoleShell, WithoutATerminalQuestionsGetTheSafeAnswer)
{
    Console c;
    EXPECT_FALSE(c.shell.interactive());
    EXPECT_FALSE(c.shell.confirm(QStringLiteral("您確定要放棄這項連線期間嗎?")));
    EXPECT_EQ(c.shell.askResume(), ResumeChoice::Cancel);
    EXPECT_FALSE(c.shell.askPassword({}));
    EXPECT_EQ(c.shell.inputBox(QStringLiteral("T"), QStringLiteral("P"), QStringLiteral("d")), QStringLiteral("d"));
    c.shell.showMessage(QStringLiteral("第一行\n第二行"));
    const QString printed = c.printed();
    EXPECT_TRUE(printed.contains(QStringLiteral("*** 第一行\n*** 第二行\n"))) << printed.toStdString();
}

TEST(ConsoleShell, CommandLineAnswersAreUsedAndTheSaveFileIsMadeAbsolute)
{
    ConsoleAnswers answers;
    answers.saveFile = QStringLiteral("relative/clip.wmv");
    answers.resumeChoice = ResumeChoice::Redownload;
    answers.password = PasswordAnswer{QStringLiteral("alice"), QStringLiteral("pw"), true};
    Console c(answers);
    EXPECT_EQ(c.shell.askResume(), ResumeChoice::Redownload);
    EXPECT_EQ(c.shell.askPassword({})->userId, QStringLiteral("alice"));
    EXPECT_EQ(*c.shell.chooseSaveFile({}), QDir::current().absoluteFilePath(QStringLiteral("relative/clip.wmv")));

    Console d;
    SaveFileRequest request;
    request.defaultName = QStringLiteral("news_live.asf");
    EXPECT_EQ(*d.shell.chooseSaveFile(request), QDir::current().absoluteFilePath(QStringLiteral("news_live.asf")));
}

TEST(ConsoleShell, EachSaveChooserIsAnsweredForWhatItAsks)
{
    const auto ask = [](ConsoleShell& shell, SaveKind kind, const QString& defaultName) {
        SaveFileRequest request;
        request.kind = kind;
        request.defaultName = defaultName;
        return shell.chooseSaveFile(request);
    };
    const QString dir = QDir::current().absolutePath();
    ConsoleAnswers answers;
    answers.saveFile = QStringLiteral("rec/show.log");  // a recording may have any name
    Console c(answers);
    EXPECT_EQ(ask(c.shell, SaveKind::Log, QStringLiteral("x.log")), std::nullopt) << "no recording chosen yet";
    c.shell.setSaveLocation(*ask(c.shell, SaveKind::Recording, QString()));
    EXPECT_EQ(c.shell.saveLocation(), dir + QStringLiteral("/rec/show.log"));
    EXPECT_EQ(ask(c.shell, SaveKind::Log, QStringLiteral("other.log")), dir + QStringLiteral("/rec/other.log"));
    EXPECT_EQ(ask(c.shell, SaveKind::Log, QStringLiteral("show.log")), std::nullopt) << "never the recording";
    EXPECT_EQ(ask(c.shell, SaveKind::Redirector, QStringLiteral("list.asx")), std::nullopt);

    answers.logFile = QStringLiteral("session.log");
    answers.redirectorFile = QStringLiteral("saved.asx");
    Console d(answers);
    EXPECT_EQ(ask(d.shell, SaveKind::Log, QStringLiteral("x.log")), dir + QStringLiteral("/session.log"));
    EXPECT_EQ(ask(d.shell, SaveKind::Redirector, QStringLiteral("x.asx")), dir + QStringLiteral("/saved.asx"));
    EXPECT_EQ(ask(d.shell, SaveKind::Recording, QString()), dir + QStringLiteral("/rec/show.log"));
}

TEST(ConsoleShell, PrintsEveryLogLineButKeepsABoundedCopy)
{
    ConsoleAnswers quiet;
    quiet.quiet = true;
    Console c(quiet);
    for (qsizetype i = 0; i < ConsoleShell::kMaxKeptLogLines + 500; ++i)
        c.shell.appendLog(QStringLiteral("- line %1").arg(i));
    EXPECT_EQ(c.shell.logLines().size(), ConsoleShell::kMaxKeptLogLines + 1);
    EXPECT_EQ(c.shell.logLines().last(), QStringLiteral("... (later lines are not kept)"));
    EXPECT_TRUE(c.printed().isEmpty()) << "--quiet prints no log lines";

    Console loud;
    loud.shell.appendLog(QStringLiteral("開啟 MMS 協定，等候回覆中..."));
    EXPECT_EQ(loud.printed(), QStringLiteral("開啟 MMS 協定，等候回覆中...\n"));
}
