#include "asf/bitrate_choice.h"
#include "support/asf_builder.h"
#include "support/asf_sample.h"

#include <gtest/gtest.h>

using namespace tovrin;
using namespace Qt::StringLiterals;
namespace asf = tovrin::test::asf;

namespace {

using Numbers = std::vector<std::uint8_t>;

ChosenStreams chosen(const StreamOffer& offer, const QString& text, std::optional<std::uint32_t> max = {})
{
    StreamChoice choice = ParseStreamChoice(text).value();
    choice.maxBitRate = max;
    return ChooseStreams(offer, choice);
}

// ffmpeg's three video streams of one picture (tied by tovrin-make-multi-rate's
// exclusion, rates measured) and an audio stream: best and worst take one
// video and always the audio, within a maximum for all together.
TEST(BitrateChoice, OneVideoOfTheMutualExclusionWithinTheMaximumAndAlwaysTheAudio)
{
    const StreamOffer offer = ReadStreamOffer(test::ReadAsf(test::SamplePath(test::Sample::WmvMultiRate)).header);
    ASSERT_TRUE(offer.streams.size() == 4 && offer.groups == std::vector<Numbers>{Numbers({1, 2, 3})});
    const auto rate = [&](int i) { return offer.streams[std::size_t(i)].bitRate; };
    EXPECT_TRUE(rate(0) > rate(1) && rate(1) > rate(2) && rate(2) > 50000 && rate(3) > 50000) << rate(0) << rate(3);

    EXPECT_EQ(chosen(offer, u"all"_s).recorded, Numbers({1, 2, 3, 4}));
    EXPECT_EQ(chosen(offer, u"Best"_s).recorded, Numbers({1, 4}));
    EXPECT_EQ(chosen(offer, u"worst"_s).recorded, Numbers({3, 4}));
    EXPECT_EQ(chosen(offer, u"best"_s, rate(1) + rate(3)).recorded, Numbers({2, 4}));
    EXPECT_EQ(chosen(offer, u"all"_s, rate(1) + rate(3) - 1).recorded, Numbers({3, 4}));  // a maximum makes "all" best
    EXPECT_TRUE(chosen(offer, u"best"_s, 1000).overMaximum);
    const ChosenStreams listed = chosen(offer, u" 2 , 9,2"_s);
    EXPECT_TRUE(listed.recorded == Numbers{2} && listed.notOffered == Numbers{9} && !listed.overMaximum);
    EXPECT_EQ(StreamSwitchEntry(StreamActions(offer, chosen(offer, u"best"_s))), "ffff:1:0 ffff:2:2 ffff:3:2 ffff:4:0");
}

// Streams inside the header extension (Extended Stream Properties with their
// Stream Properties Object) give their data rate, audio its format's; the
// advanced exclusion groups them; a single-rate file has no group, so best is all.
TEST(BitrateChoice, ExtensionStreamsAndAdvancedExclusionAndASingleRateFile)
{
    const auto extended = [](std::uint8_t number, std::uint32_t rate) {
        return asf::Object(QByteArray::fromHex("CBA5E61472C632438399A96952065B5A"),
                           asf::Le64(0) + asf::Le64(0) + asf::Le32(rate) + QByteArray(28, '\0') + asf::Le16(number)
                               + QByteArray(14, '\0') + asf::StreamPropertiesObject(number, 320, 240));
    };
    const QByteArray data = extended(5, 300000) + extended(6, 90000)
                            + asf::Object(QByteArray::fromHex("CF4986A0754770468A166E35357566CD"),
                                          QByteArray(16, '\1') + asf::Le16(2) + asf::Le16(5) + asf::Le16(6));
    const StreamOffer offer = ReadStreamOffer(
        asf::Header({asf::StreamPropertiesObject(1),
                     asf::Object(QByteArray::fromHex("B503BF5F2EA9CF118EE300C00C205365"),
                                 QByteArray(18, '\0') + asf::Le32(std::uint32_t(data.size())) + data)}));
    ASSERT_TRUE(offer.streams.size() == 3 && offer.streams[1] == (OfferedStream{5, StreamKind::Video, 300000, 0}));
    EXPECT_EQ(chosen(offer, u"worst"_s).recorded, Numbers({1, 6}));

    const StreamOffer single = ReadStreamOffer(test::ReadAsf(test::SamplePath(test::Sample::Wmv)).header);
    EXPECT_TRUE(single.groups.empty() && single.streams.back().bitRate == 64000);  // wmav2's bytes per second
    EXPECT_EQ(chosen(single, u"best"_s, 1).recorded, Numbers({1, 2}));
}

TEST(BitrateChoice, OptionText)
{
    for (const QString& bad : {u""_s, u"1,,3"_s, u"0"_s, u"128"_s, u"+1"_s, u"best,1"_s, u"1;3"_s})
        EXPECT_FALSE(ParseStreamChoice(bad)) << bad.toStdString();
    EXPECT_EQ(ParseStreamChoice(u"127,1"_s)->listed, Numbers({127, 1}));
}

}  // namespace
