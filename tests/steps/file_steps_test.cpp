#include "locations/redirector_file.h"
#include "locations/session_log.h"
#include "steps/log_steps.h"
#include "steps/redirector_steps.h"
#include "support/asf_sample.h"
#include "support/golden.h"
#include "support/temp_settings.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;
using tovrin::test::TestContext;

// Saving the log and a fetched redirector: each save's shell calls, the
// chooser it opened and the folder remembered. A saved file remembers its
// folder, where the next chooser starts; Cancel saves nothing; an empty log
// or a file that cannot be created is reported and keeps the old file.
TEST(SaveLog, WritesTheLinesOrReportsWhyNotAndRemembersTheFolder)
{
    TestContext t;
    QDir(t.dir.path()).mkdir(u"logs"_s);
    QDir(t.dir.path()).mkdir(u"keep"_s);
    t.session.savePath = t.dir.filePath(u"clip.wmv"_s);
    t.session.mediaLocation = u"http://web/lists/show.asx"_s;
    const QString kept = test::WriteFile(t.dir, u"old.log"_s, "kept\n");
    const QByteArray text("[Reference]\r\nRef1=mms://srv/a.asf\r\n\0tail", 40);
    QStringList lines;
    const auto save = [&](const char* what, const std::optional<QString>& answer, const auto& step) {
        t.shell.calls.clear();
        t.shell.saveFileAnswers.push_back(answer);
        const bool saved = step();
        const SaveFileRequest& r = *t.shell.lastSaveRequest;
        lines << u"== %1 -> saved %2"_s.arg(QLatin1String(what)).arg(saved) << t.shell.calls
              << u"kind %1 name '%2' extension '%3' start '%4' overwrite prompt %5 filter '%6'"_s.arg(int(r.kind))
                     .arg(r.defaultName, r.defaultExtension, r.startFolder)
                     .arg(r.overwritePrompt)
                     .arg(r.filter)
              << u"LogDir '%1' AsxDir '%2'"_s.arg(t.store.read(u"LogDir"_s), t.store.read(u"AsxDir"_s));
    };
    const auto saveLog = [&] { return SaveLog(t.ctx), true; };
    const auto saveRedirector = [&] { return SaveRedirectorFile(t.ctx, text); };
    save("empty log", kept, saveLog);
    t.shell.log = {u"第一行"_s, QString(), u"last"_s};
    save("log", t.dir.filePath(u"logs/run.log"_s), saveLog);
    save("log, cancelled", std::nullopt, saveLog);
    save("log into a missing folder", t.dir.filePath(u"missing/folder/x.log"_s), saveLog);
    save("redirector", t.dir.filePath(u"keep/show.asx"_s), saveRedirector);
    save("redirector, cancelled", std::nullopt, saveRedirector);
    save("redirector into a missing folder", t.dir.filePath(u"missing/folder/x.asx"_s), saveRedirector);
    EXPECT_GOLDEN("steps/file_saves", lines.replaceInStrings(t.dir.path(), u"<dir>"_s));
    EXPECT_EQ(test::ReadWholeFile(kept), QByteArray("kept\n"));
    EXPECT_EQ(test::ReadWholeFile(t.dir.filePath(u"logs/run.log"_s)), EncodeSessionLog(t.shell.log));
    EXPECT_EQ(test::ReadWholeFile(t.dir.filePath(u"keep/show.asx"_s)), text);

    // The saved file opened again gives the same entries as the text did.
    QFile file(t.dir.filePath(u"keep/show.asx"_s));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    ASSERT_TRUE(LoadRedirector(t.ctx, file));
    EXPECT_EQ(t.shell.urlList, ScanRedirector(text).entries);
}
