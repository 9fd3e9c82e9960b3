#include "asf/name_rules.h"
#include "asf/run_names.h"
#include "support/golden.h"
#include "support/temp_settings.h"

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;
using tovrin::test::TestContext;

// For each path: the name after the last separator and before the extension
// (the first and last characters never count), whether it is local, and its
// folder. For each URL: the stream path and the default save name taken from
// the trimmed URL, or "refused".
TEST(NameRules, NamesAndFoldersCutFromPathsAndUrls)
{
    QStringList lines;
    for (const char16_t* path : {u"C:\\logs\\run.log", u"drive:name", u"/ab", u"ab/", u"clip.old.wmv", u".profile",
                                 u"C:\\a.wmv", u"C:/a.wmv", u"C:\\media\\clip.wmv", u"clip.wmv", u"/home/u/a.wmv"}) {
        const QString p = QString::fromUtf16(path);
        lines << u"%1 | after '%2' before '%3' | local %4 folder '%5'"_s
                     .arg(p, NameAfterSeparator(p), NameBeforeExtension(p))
                     .arg(IsLocalPath(p))
                     .arg(FolderOfPath(p));
    }
    for (const char16_t* given :
         {u"mms://server/dir/clip.wmv", u"mms://server/news", u"mms://server/Clip.Asf", u" mms://server/ab\r\n",
          u"mms://server/dir/video.WM", u"mms://server/a", u"mms://server/", u""}) {
        TestContext t;
        QString url = QString::fromUtf16(given);
        const bool prepared = PrepareNames(t.run, url);
        lines << u"'%1' -> '%2' | "_s.arg(QString::fromUtf16(given).replace(u"\r\n"_s, u"\\r\\n"_s), url)
                     + (prepared ? u"stream '%1' save '%2'"_s.arg(t.run.streamPath, t.run.defaultSaveName)
                                 : u"refused"_s);
    }
    EXPECT_GOLDEN("asf/name_rules", lines);
}
