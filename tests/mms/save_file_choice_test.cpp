#include "mms/save_file_choice.h"

#include "asf/recording_file.h"
#include "support/asf_sample.h"
#include "support/golden.h"
#include "support/golden_line.h"
#include "support/temp_settings.h"

#include <QDir>

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;
using tovrin::test::TestContext;

TEST(OpenSaveFile, AsksWhereToSaveThenCreatesResumesOrStartsNothing)
{
    TestContext t;
    const QString folder = t.dir.filePath(u"media"_s), path = folder + u"/clip.wmv"_s;
    QDir().mkpath(folder);
    t.run.defaultSaveName = u"clip.wmv"_s;
    std::unique_ptr<RecordingFile> file;
    QStringList lines;
    // An attempt as a controller makes it, the last run's file let go first;
    // then its answer, the save path, the remembered folder, resume, and the
    // file's size and bytes.
    const auto attempt = [&](const char* what, std::optional<QString> answer, const QByteArray& existing,
                             std::deque<ResumeChoice> resume = {}) {
        EXPECT_TRUE(test::WriteWholeFile(path, existing));
        t.shell.saveFileAnswers = {answer};
        t.shell.resumeAnswers = resume;
        file.reset();
        file = OpenSaveFile(t.ctx);
        lines << u"--- "_s + QLatin1String(what)
              << test::Line(bool(file), t.session.savePath, t.store.read(u"AsfDir"_s), t.run.resume.load(),
                            file ? file->size().value_or(-1) : -1, QString::fromLatin1(test::ReadWholeFile(path)));
    };
    t.store.write(u"AsfDir"_s, u"/earlier/"_s);
    attempt("chooser cancelled", std::nullopt, "recorded data");
    // Asked in the remembered folder; an empty file is replaced without asking.
    attempt("new file", path, {});
    const SaveFileRequest& r = t.shell.lastSaveRequest.value();
    lines << test::Line(int(r.kind), r.title, r.filter, r.defaultExtension, r.defaultName, r.startFolder,
                        r.overwritePrompt);
    // The resume dialog decides what happens to a file with data; the folder
    // is remembered even when it is cancelled.
    t.store.write(u"AsfDir"_s, u"/earlier/"_s);
    attempt("resume cancelled", path, "recorded data", {ResumeChoice::Cancel});
    attempt("resumed", path, "recorded data", {ResumeChoice::Resume});
    attempt("downloaded again", path, "recorded data", {ResumeChoice::Redownload});
    // A new file in a missing folder; a folder (holding data) to resume.
    attempt("missing folder", t.dir.filePath(u"missing/clip.wmv"_s), "x");
    attempt("a folder", folder, "x", {ResumeChoice::Resume});
    lines << t.shell.calls;
    EXPECT_GOLDEN("mms/save_file_choice", lines.join(u'\n').replace(t.dir.path(), u"<dir>"_s).split(u'\n'));
}
