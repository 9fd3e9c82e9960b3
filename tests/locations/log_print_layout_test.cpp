#include "locations/log_print_layout.h"
#include "locations/preview_rules.h"
#include "support/golden.h"
#include "support/golden_line.h"

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;

// Each page's items: the heading alone for an empty log, then lines 1.5 em
// apart from y 200, numbered from 1 and three spaces; a line that would
// reach below the page starts the next one at y 200; a page too short for
// any line still takes one each. (Once one page held the whole log, and
// the lines past its bottom went nowhere.)
TEST(LogPrintLayout, PlacesTheHeadingAndNumberedLinesPageByPageLosingNone)
{
    QStringList golden;
    for (const auto& [count, fontHeight, pageHeight] :
         {std::tuple{0, 83, 6800}, {3, 83, 6800}, {4, 10, 229}, {3, 10, 224}, {2, 10, 50}}) {
        golden << u"== %1 lines, font %2, page %3"_s.arg(count).arg(fontHeight).arg(pageHeight);
        const QStringList lines = QStringList{u"a"_s, QString(), u"中文"_s, u"d"_s}.first(count);
        for (const LogPrintPage& page : LayOutLogPrint(lines, fontHeight, pageHeight)) {
            golden << u"page"_s;
            for (const LogPrintItem& item : page)
                golden << u"%1 %2 %3"_s.arg(item.x).arg(item.y).arg(item.text);
        }
    }
    EXPECT_GOLDEN("locations/log_print_layout", golden);
}

// The save file is previewed first, then the opened media, when each is a
// local media file. A video fills the area with its aspect kept and centred:
// it grows to the height, then narrows to the width, or shrinks to the
// height; nothing is placed before the aspect is known.
TEST(PreviewRules, ChoosePreviewFileAndFitVideo)
{
    QStringList lines;
    for (const auto& [save, media] : {std::pair{u"C:\\rec\\show.asf", u"D:\\other.wmv"},
                                      {u"", u"C:\\clips\\a.wma"},
                                      {u"C:\\rec\\show.log", u"C:\\clips\\a.wm"},
                                      {u"", u"mms://host/show.asf"},
                                      {u"C:\\rec\\playlist.asx", u"http://host/a.wmv"},
                                      {u"/home/u/rec.wmv", u""}}) {
        const auto chosen = ChoosePreviewFile(QString::fromUtf16(save), QString::fromUtf16(media));
        lines << u"'%1' '%2' -> %3"_s.arg(QString::fromUtf16(save), QString::fromUtf16(media),
                                          chosen.value_or(u"none"_s));
    }
    for (const auto& [current, area, aspect] : {std::tuple{QSize(320, 240), QSize(500, 300), 320.0f / 240.0f},
                                                {QSize(320, 240), QSize(300, 500), 320.0f / 240.0f},
                                                {QSize(400, 300), QSize(200, 100), 320.0f / 240.0f},
                                                {QSize(320, 240), QSize(320, 240), 320.0f / 240.0f},
                                                {QSize(320, 240), QSize(500, 300), 0.0f},
                                                {QSize(320, 240), QSize(0, 0), 320.0f / 240.0f}}) {
        const std::optional<QRect> r = FitVideo(current, area, aspect);
        lines << test::Line(current, "in", area, "aspect", aspect, "->", r ? test::Line(*r) : u"none"_s);
    }
    lines << NoPreviewableMediaMessage();
    EXPECT_GOLDEN("locations/preview_rules", lines);
}

TEST(PreviewRules, TheVolumeSliderCoversThePlayersWholeScale)
{
    EXPECT_EQ(VolumeToSlider(SliderToVolume(32768)), 32768);
    EXPECT_EQ(SliderToVolume(65535), 1.0f);
    EXPECT_EQ(SliderToVolume(70000), 1.0f);
    EXPECT_EQ(VolumeToSlider(-1.0f), 0);
}
