#include <gtest/gtest.h>

#include <string>

#include "core/tools/Scrub.h"

namespace sc = qm::scrub;

struct ScrubCase {
    const char* name;
    std::u16string in;
    std::u16string out;
    std::size_t taken;
};
class ScrubRows : public testing::TestWithParam<ScrubCase> {};

TEST_P(ScrubRows, TakesOnlyWhatIsInvisibleOrLeftByAPage) {
    const sc::Result r = sc::Scrub(GetParam().in);
    EXPECT_EQ(r.text, GetParam().out);
    EXPECT_EQ(r.Total(), GetParam().taken);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScrubRows,
    testing::Values(
        ScrubCase{"ZeroWidthRun", u"最\u200B\u200C\u200D新\u2060章\uFEFF节", u"最新章节", 5},
        ScrubCase{"BidiAndSoftHyphen", u"\u202E他\u200F说\u00AD了\u2066", u"他说了", 4},
        ScrubCase{"NoBreakSpaces", u"a\u00A0b&nbsp;c&nbsp。&nbspd", u"a b c 。&nbspd", 3},
        ScrubCase{"Entities", u"&#34;好&#x27;&quot;&amp;&lt;&hellip;&#8203;", u"\"好'\"&<\u2026",
                  8},
        ScrubCase{"EntityLookAlikesStay", u"AT&T R&D &c a & b &#; &#xZZ; &foo; &#0;",
                  u"AT&T R&D &c a & b &#; &#xZZ; &foo; &#0;", 0},
        ScrubCase{"BreakEntitiesBreakTheDocumentsWayControlsStay", u"a&#13;&#10;b&#10;c&#1;&#x85;d",
                  u"a\r\nb\r\nc&#1;&#x85;d", 3},
        ScrubCase{"StrayTags", u"第一段</p><p class=\"x\">第二段<br/>完<BR>", u"第一段第二段完", 4},
        ScrubCase{"EscapedTagsDecodedThenRemoved", u"他说&lt;/p&gt;好", u"他说好", 3},
        ScrubCase{"AngleBracketsInProseStay", u"a<b 与 c>d，<你好>，x < y",
                  u"a<b 与 c>d，<你好>，x < y", 0},
        ScrubCase{"EmojiZwjSequenceStays", u"\U0001F468\u200D\U0001F469\u200D\U0001F467",
                  u"\U0001F468\u200D\U0001F469\u200D\U0001F467", 0},
        ScrubCase{"ZwnjBetweenPersianLettersStays",
                  u"\u0645\u06CC\u200C\u062E\u0648\u0627\u0647\u0645",
                  u"\u0645\u06CC\u200C\u062E\u0648\u0627\u0647\u0645", 0},
        ScrubCase{"FlagTagSequenceStaysLoneTagsGo",
                  u"\U0001F3F4\U000E0067\U000E0062\U000E007F 字\U000E0041",
                  u"\U0001F3F4\U000E0067\U000E0062\U000E007F 字", 1},
        ScrubCase{"ArabicNumberSignStays", u"\u0600\u0661\u0662", u"\u0600\u0661\u0662", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Scrub, PrivateUseListedAndReplacedByTheUsersMap) {
    const std::u16string text = u"他\uE3F2妈\r\n\uE3F2\uE800";
    const auto found = sc::FindPrivateUse(text);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].code, 0xE3F2u);
    EXPECT_EQ(found[0].count, 2u);
    EXPECT_EQ(found[0].sample, u"他\uE3F2妈  \uE3F2\uE800");
    EXPECT_FALSE(found[0].fromGbk);
    EXPECT_EQ(found[1].firstLine, 1u);
    EXPECT_TRUE(found[1].fromGbk);
    const sc::PuaMap map =
        sc::ParsePuaMap(u"# 某站\nU+E3F2\t的\n\uE800,是\nE000 一\n你好\nU+4E00\t一\n");
    EXPECT_EQ(map.replace.size(), 3u);
    EXPECT_EQ(map.badLines, (std::vector<std::size_t>{4, 5}));
    std::size_t n = 0;
    EXPECT_EQ(sc::ReplacePrivateUse(text, map, &n), u"他的妈\r\n的是");
    EXPECT_EQ(n, 3u);
}
