#include "locations/preview_rules.h"
#include "support/qt_printers.h"

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;

TEST(ChoosePreviewFile, TheSaveFileFirstThenTheOpenedMediaWhenEachIsALocalMediaFile)
{
    struct Case {
        const char16_t* save;
        const char16_t* media;
        std::optional<QString> chosen;
    };
    const Case cases[] = {
        {u"C:\\rec\\show.asf", u"D:\\other.wmv", u"C:\\rec\\show.asf"_s},
        {u"", u"C:\\clips\\a.wma", u"C:\\clips\\a.wma"_s},
        {u"C:\\rec\\show.log", u"C:\\clips\\a.wm", u"C:\\clips\\a.wm"_s},
        {u"", u"mms://host/show.asf", std::nullopt},
        {u"C:\\rec\\playlist.asx", u"http://host/a.wmv", std::nullopt},
#ifndef Q_OS_WIN
        {u"/home/u/rec.wmv", u"", u"/home/u/rec.wmv"_s},
#endif
    };
    for (const Case& c : cases)
        EXPECT_EQ(ChoosePreviewFile(QString::fromUtf16(c.save), QString::fromUtf16(c.media)), c.chosen)
            << QString::fromUtf16(c.save).toStdString();
    EXPECT_EQ(NoPreviewableMediaMessage(), u"不正確的開啟預覽顯示媒介類型"_s);
}

TEST(FitVideo, FillsTheAreaWithTheAspectKeptAndCentres)
{
    struct Case {
        QSize current;
        QSize area;
        float aspect;
        std::optional<QRect> placed;
    };
    const Case cases[] = {
        {{320, 240}, {500, 300}, 320.0f / 240.0f, QRect(50, 0, 400, 300)},   // grows to the height
        {{320, 240}, {300, 500}, 320.0f / 240.0f, QRect(0, 138, 300, 225)},  // then narrows to the width
        {{400, 300}, {200, 100}, 320.0f / 240.0f, QRect(34, 0, 133, 100)},   // shrinks to the height
        {{320, 240}, {320, 240}, 320.0f / 240.0f, QRect(0, 0, 320, 240)},    // fits as it is
        {{320, 240}, {500, 300}, 0.0f, std::nullopt},                        // no aspect yet
        {{320, 240}, {0, 0}, 320.0f / 240.0f, QRect(0, 0, 0, 0)},            // no area
    };
    for (const Case& c : cases)
        EXPECT_EQ(FitVideo(c.current, c.area, c.aspect), c.placed) << c.area.width() << "x" << c.area.height();
}

TEST(PreviewRules, TheVolumeSliderCoversThePlayersWholeScale)
{
    EXPECT_EQ(VolumeToSlider(SliderToVolume(32768)), 32768);
    EXPECT_EQ(SliderToVolume(65535), 1.0f);
    EXPECT_EQ(SliderToVolume(70000), 1.0f);
    EXPECT_EQ(VolumeToSlider(-1.0f), 0);
}
