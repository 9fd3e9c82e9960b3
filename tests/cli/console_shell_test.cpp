#include "cli/console_shell.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;

namespace {
// The console writing to a file and reading an empty input, as when run from a script.
struct Console {
    QTemporaryDir dir;
    std::FILE* out = std::fopen(dir.filePath(u"out.txt"_s).toLocal8Bit().constData(), "w+");
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
        QFile file(dir.filePath(u"out.txt"_s));
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }
};
}  // namespace

TEST(ConsoleShell, WithoutATerminalQuestionsGetTheSafeAnswer)
{
    Console c;
    EXPECT_FALSE(c.shell.interactive());
    EXPECT_FALSE(c.shell.confirm(u"您確定要放棄這項連線期間嗎?"_s));
    EXPECT_EQ(c.shell.askResume(), ResumeChoice::Cancel);
    EXPECT_FALSE(c.shell.askPassword({}));
    EXPECT_EQ(c.shell.inputBox(u"T"_s, u"P"_s, u"d"_s), u"d"_s);
    c.shell.showMessage(u"第一行\n第二行"_s);
    const QString printed = c.printed();
    EXPECT_TRUE(printed.contains(u"*** 第一行\n*** 第二行\n"_s)) << printed.toStdString();
}

TEST(ConsoleShell, CommandLineAnswersAreUsedAndTheSaveFileIsMadeAbsolute)
{
    ConsoleAnswers answers;
    answers.saveFile = u"relative/clip.wmv"_s;
    answers.resumeChoice = ResumeChoice::Redownload;
    answers.password = PasswordAnswer{u"alice"_s, u"pw"_s, true};
    Console c(answers);
    EXPECT_EQ(c.shell.askResume(), ResumeChoice::Redownload);
    EXPECT_EQ(c.shell.askPassword({})->userId, u"alice"_s);
    EXPECT_EQ(*c.shell.chooseSaveFile({}), QDir::current().absoluteFilePath(u"relative/clip.wmv"_s));

    Console d;
    SaveFileRequest request;
    request.defaultName = u"news_live.asf"_s;
    EXPECT_EQ(*d.shell.chooseSaveFile(request), QDir::current().absoluteFilePath(u"news_live.asf"_s));
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
    answers.saveFile = u"rec/show.log"_s;  // a recording may have any name
    Console c(answers);
    EXPECT_EQ(ask(c.shell, SaveKind::Log, u"x.log"_s), std::nullopt) << "no recording chosen yet";
    c.shell.setSaveLocation(*ask(c.shell, SaveKind::Recording, QString()));
    EXPECT_EQ(c.shell.saveLocation(), dir + u"/rec/show.log"_s);
    EXPECT_EQ(ask(c.shell, SaveKind::Log, u"other.log"_s), dir + u"/rec/other.log"_s);
    EXPECT_EQ(ask(c.shell, SaveKind::Log, u"show.log"_s), std::nullopt) << "never the recording";
    EXPECT_EQ(ask(c.shell, SaveKind::Redirector, u"list.asx"_s), std::nullopt);

    answers.logFile = u"session.log"_s;
    answers.redirectorFile = u"saved.asx"_s;
    Console d(answers);
    EXPECT_EQ(ask(d.shell, SaveKind::Log, u"x.log"_s), dir + u"/session.log"_s);
    EXPECT_EQ(ask(d.shell, SaveKind::Redirector, u"x.asx"_s), dir + u"/saved.asx"_s);
    EXPECT_EQ(ask(d.shell, SaveKind::Recording, QString()), dir + u"/rec/show.log"_s);
}

TEST(ConsoleShell, PrintsEveryLogLineButKeepsABoundedCopy)
{
    ConsoleAnswers quiet;
    quiet.quiet = true;
    Console c(quiet);
    for (qsizetype i = 0; i < ConsoleShell::kMaxKeptLogLines + 500; ++i)
        c.shell.appendLog(u"- line %1"_s.arg(i));
    EXPECT_EQ(c.shell.logLines().size(), ConsoleShell::kMaxKeptLogLines + 1);
    EXPECT_EQ(c.shell.logLines().last(), u"... (later lines are not kept)"_s);
    EXPECT_TRUE(c.printed().isEmpty()) << "--quiet prints no log lines";

    Console loud;
    loud.shell.appendLog(u"開啟 MMS 協定，等候回覆中..."_s);
    EXPECT_EQ(loud.printed(), u"開啟 MMS 協定，等候回覆中...\n"_s);
}
