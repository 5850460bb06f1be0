#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "NovelMaterial.h"
#include "core/novel/Chapters.h"

namespace ch = qm::chapters;
using ch::Level;
using ch::ProblemType;

namespace {

const std::u16string kBody =
    u"鲁镇的酒店的格局，是和别处不同的：都是当街一个曲尺形的大柜台，柜里面预备着热水，可以随时温酒"
    u"。";

// A book of the given lines, each followed by a paragraph of text (so that no
// heading looks like an entry of a 目录 block).
std::u16string Book(const std::vector<std::u16string>& headings) {
    std::u16string s;
    for (const auto& h : headings) s += h + u"\r\n" + kBody + u"\r\n";
    return s;
}

struct Found {
    Level level;
    std::optional<std::int64_t> number;
    bool operator==(const Found&) const = default;
};

}  // namespace

struct StyleCase {
    std::vector<std::u16string> headings;
    std::vector<Found> expected;
};
class ChapterStyles : public testing::TestWithParam<StyleCase> {};

TEST_P(ChapterStyles, EveryHeadingFoundWithItsLevelAndNumber) {
    const auto& c = GetParam();
    const auto found = ch::Find(Book(c.headings));
    ASSERT_EQ(found.size(), c.expected.size());
    for (std::size_t k = 0; k < found.size(); ++k) {
        EXPECT_EQ(found[k].line, 2 * k) << "line numbers count from 0";
        EXPECT_EQ(found[k].level, c.expected[k].level) << k;
        EXPECT_EQ(found[k].number, c.expected[k].number) << k;
        EXPECT_EQ(found[k].text, c.headings[k]);
    }
}

const Found C1{Level::Chapter, 1}, C2{Level::Chapter, 2}, C3{Level::Chapter, 3};

INSTANTIATE_TEST_SUITE_P(
    Styles, ChapterStyles,
    testing::Values(
        StyleCase{{u"第一章 风起", u"第二章　云涌", u"第三章：雨落"}, {C1, C2, C3}},
        StyleCase{{u"第1章 风起", u"第2章", u"第3章 雨落"}, {C1, C2, C3}},
        StyleCase{{u"第１章 风起", u"第２章 云涌"}, {C1, C2}},
        StyleCase{{u"第一百二十三回 甄士隐梦幻识通灵", u"第一百二十四回"},
                  {{Level::Chapter, 123}, {Level::Chapter, 124}}},
        StyleCase{{u"第01回 灵根育孕", u"第02回 悟彻菩提"}, {C1, C2}},
        StyleCase{{u"第壹章 风起", u"第贰章 云涌", u"第拾贰章"}, {C1, C2, {Level::Chapter, 12}}},
        StyleCase{{u"第两百章 风起", u"第两百零一章 云涌"},
                  {{Level::Chapter, 200}, {Level::Chapter, 201}}},
        StyleCase{{u"卷一 风起", u"第一章 酒店", u"第二章 长衫"}, {{Level::Volume, 1}, C1, C2}},
        StyleCase{{u"第一卷 第三章 酒店", u"第一卷 第四章 长衫"},
                  {{Level::Chapter, 3}, {Level::Chapter, 4}}},
        StyleCase{{u"上卷", u"第一回 酒店", u"中卷", u"第二回 长衫", u"下卷", u"第三回 豆"},
                  {{Level::Volume, 1}, C1, {Level::Volume, 2}, C2, {Level::Volume, 3}, C3}},
        StyleCase{{u"序章 缘起", u"楔子", u"引子", u"第一章 风起", u"番外一 海边", u"尾声", u"后记",
                   u"完本感言"},
                  {{Level::Special, {}},
                   {Level::Special, {}},
                   {Level::Special, {}},
                   C1,
                   {Level::Special, 1},
                   {Level::Special, {}},
                   {Level::Special, {}},
                   {Level::Special, {}}}},
        StyleCase{{u"Chapter 12 风起", u"CHAPTER XIII"},
                  {{Level::Chapter, 12}, {Level::Chapter, 13}}},
        StyleCase{{u"【第三节】风起", u"【第四节】云涌"},
                  {{Level::Chapter, 3}, {Level::Chapter, 4}}},
        StyleCase{{u"001. 风起", u"002. 云涌", u"003. 雨落"}, {C1, C2, C3}},
        StyleCase{{u"一、风起", u"二、云涌", u"三、雨落"}, {C1, C2, C3}},
        StyleCase{{u"（一）", u"（二）风起", u"（三）"}, {C1, C2, C3}},
        StyleCase{{u"第1话 风起", u"第2话 云涌"}, {C1, C2}},
        StyleCase{{u"第一集：风起", u"第二集"}, {C1, C2}},
        StyleCase{{u"第一篇 风起", u"第二篇"}, {C1, C2}},
        StyleCase{{u"第一节 风起", u"第二节"}, {C1, C2}},
        StyleCase{{u"第一章风起", u"第二章云涌"}, {C1, C2}},
        // Noise after the title.
        StyleCase{
            {u"第一章 风起（求月票）", u"第二章 云涌 更新时间:2010-5-1 12:00:00 本章字数:3125"},
            {C1, C2}}));

// Lines that only look like headings, in a book of 第N章 headings.
class ChapterTraps : public testing::TestWithParam<std::vector<std::u16string>> {};

TEST_P(ChapterTraps, AreNotHeadings) {
    std::u16string text = u"第一章 风起\r\n" + kBody + u"\r\n";
    for (const auto& line : GetParam()) text += line + u"\r\n";
    text += kBody + u"\r\n第二章 云涌\r\n" + kBody + u"\r\n";
    const auto found = ch::Find(text);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].text, u"第一章 风起");
    EXPECT_EQ(found[1].text, u"第二章 云涌");
}

INSTANTIATE_TEST_SUITE_P(
    Traps, ChapterTraps,
    testing::Values(std::vector<std::u16string>{u"第一次见到他的时候，我才十二岁。"},
                    std::vector<std::u16string>{u"第三者插足的事，他向来不信。"},
                    std::vector<std::u16string>{u"第二天一早，他便动身了。"},
                    std::vector<std::u16string>{u"第二日，我便要他捕鸟。"},
                    std::vector<std::u16string>{u"第五章的内容，我到现在还没有看完。"},
                    std::vector<std::u16string>{u"第三回中说道："},
                    std::vector<std::u16string>{u"第二章里写的那个人"},
                    std::vector<std::u16string>{u"后记：这本书写了三年，终于写完"},
                    std::vector<std::u16string>{u"“第三章 风起，”他说。"},
                    std::vector<std::u16string>{u"“第十回 风起”"},
                    std::vector<std::u16string>{u"他说：“第十回写得太长了。”"},
                    // A list, in a book whose headings are not one.
                    std::vector<std::u16string>{u"一、不许赊账", u"二、不许吃醉", u"三、不许喧哗"},
                    std::vector<std::u16string>{u"1. 不许赊账", u"2. 不许吃醉", u"3. 不许喧哗"},
                    // Numbers, not list items.
                    std::vector<std::u16string>{u"三、四个人"},
                    std::vector<std::u16string>{u"1.5倍"}));

// A paragraph of prose among the lines of a book.
const std::u16string& P = kBody;

// Each heading style, and lines that only look like one: what is taken, at what level.
struct HeadingRow {
    const char* name;
    std::vector<std::u16string> lines;
    std::vector<Found> taken;
};
class HeadingRows : public testing::TestWithParam<HeadingRow> {};

TEST_P(HeadingRows, TakenWithTheirLevelAndNothingElse) {
    std::vector<Found> found;
    for (const auto& h : ch::Find(material::Joined(GetParam().lines, false, u"\n")))
        found.push_back({h.level, h.number});
    EXPECT_EQ(found, GetParam().taken);
}

const Found C4{Level::Chapter, 4}, S1{Level::Special, 1}, V1{Level::Volume, 1},
    V{Level::Volume, {}};
const std::u16string kUnended = kBody.substr(0, kBody.size() - 1);  // a full line, no stop

INSTANTIATE_TEST_SUITE_P(
    Rows, HeadingRows,
    testing::Values(
        HeadingRow{"Bracketed", {u"【一】", P, u"【二】风起", P, u"【3】", P}, {C1, C2, C3}},
        HeadingRow{"Ruled", {u"===第1章===", P, u"------", P, u"===第2章 云涌===", P}, {C1, C2}},
        HeadingRow{"EnglishDotted", {u"chapter.1", P, u"Chapter2 风起", P}, {C1, C2}},
        HeadingRow{"Extra", {u"第1章", P, u"番外 第1章 海边", P}, {C1, S1}},
        HeadingRow{"UnitWithoutDi", {u"一章", P, u"二章 风起", P, u"三章", P}, {C1, C2, C3}},
        HeadingRow{"NumberBlank", {u"001 风起", P, u"002 云涌", P, u"003 雨落", P}, {C1, C2, C3}},
        HeadingRow{"FinalVolume", {u"上卷", P, u"第一回", P, u"终卷", P}, {V1, C1, V}},
        HeadingRow{
            "TwoStyles", {u"第1章", P, u"2、云涌", P, u"【3】", P, u"第4章", P}, {C1, C2, C3, C4}},
        HeadingRow{"InParagraph",
                   {u"一、甲", P, u"二、乙", P, u"三、丙", kUnended, u"四、丁", P},
                   {C1, C2, C3}},
        HeadingRow{
            "TocBlurb",
            {u"目录", u"第1章", u"第2章", u"第3章", P, u"第1章", P, u"第2章", P, u"第3章", P},
            {C1, C2, C3}},
        HeadingRow{"Round", {u"第1回", P, u"第二回合", P, u"第2回", P}, {C1, C2}},
        HeadingRow{
            "EpisodeSentence", {u"第1集", P, u"第二集播出后，他出了名", P, u"第2集", P}, {C1, C2}}),
    [](const testing::TestParamInfo<HeadingRow>& info) { return std::string(info.param.name); });

TEST(Chapters, TableOfContentsBeforeTheTextIsNotTheHeadings) {
    const std::u16string text =
        u"目录\r\n序章 缘起\r\n第一卷 风起\r\n第一章 酒店\r\n第二章 长衫\r\n"
        u"\r\n第三章 茴香豆\r\n尾声\r\n\r\n" +
        Book({u"序章 缘起", u"第一卷 风起", u"第一章 酒店", u"第二章 长衫", u"第三章 茴香豆",
              u"尾声"});
    const auto found = ch::Find(text);
    ASSERT_EQ(found.size(), 6u);
    EXPECT_EQ(found[0].line, 9u);
    EXPECT_EQ(found[0].level, Level::Special);
    EXPECT_EQ(found[1].level, Level::Volume);
    EXPECT_EQ(found[5].line, 19u);
    EXPECT_TRUE(ch::Check(found).empty());
}

TEST(Chapters, TheBooksOwnStyleWins) {
    // A book of 第N回 headings with a few "一、" lines: those are its lists.
    const std::u16string text = Book({u"第一回 风起", u"一、不许赊账", u"第二回 云涌",
                                      u"二、不许吃醉", u"第三回 雨落", u"三、不许喧哗"});
    const auto found = ch::Find(text);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[2].text, u"第三回 雨落");
    EXPECT_EQ(found[1].offset, text.find(u"第二回"));
}

TEST(Chapters, LineBreaksOfEveryStyle) {
    for (const std::u16string br : {u"\r\n", u"\n", u"\r"}) {
        const std::u16string text = u"第一章 风起" + br + kBody + br + u"第二章 云涌" + br + kBody;
        const auto found = ch::Find(text);
        ASSERT_EQ(found.size(), 2u);
        EXPECT_EQ(found[1].line, 2u);
        EXPECT_EQ(found[1].offset, text.find(u"第二章"));
    }
    EXPECT_TRUE(ch::Find(u"").empty());
}

// Numbering faults: the headings' numbers (0 for a new volume's line), and the
// faults expected, each at the index of the number where it shows.
struct NumberingCase {
    const char* name;
    std::vector<std::u16string> headings;
    std::vector<std::pair<ProblemType, std::size_t>> expected;
};
class Numbering : public testing::TestWithParam<NumberingCase> {};

TEST_P(Numbering, FaultsReportedOnceWhereTheyShow) {
    const auto& c = GetParam();
    const auto found = ch::Find(Book(c.headings));
    ASSERT_EQ(found.size(), c.headings.size());
    const auto problems = ch::Check(found);
    ASSERT_EQ(problems.size(), c.expected.size()) << c.name;
    for (std::size_t k = 0; k < problems.size(); ++k) {
        EXPECT_EQ(problems[k].type, c.expected[k].first) << c.name;
        EXPECT_EQ(problems[k].heading, c.expected[k].second) << c.name;
        EXPECT_EQ(problems[k].line, 2 * c.expected[k].second) << c.name;
        EXPECT_FALSE(problems[k].note.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Numbering,
    testing::Values(
        NumberingCase{"sound", {u"第一章 甲", u"第二章 乙", u"第三章 丙", u"第四章 丁"}, {}},
        NumberingCase{"gap",
                      {u"第一章 甲", u"第二章 乙", u"第四章 丁", u"第五章 戊"},
                      {{ProblemType::Gap, 2}}},
        NumberingCase{"gap of several",
                      {u"第1章 甲", u"第2章 乙", u"第6章 丁", u"第7章 戊"},
                      {{ProblemType::Gap, 2}}},
        NumberingCase{"repeat",
                      {u"第一章 甲", u"第二章 乙", u"第二章 乙", u"第三章 丙"},
                      {{ProblemType::Repeat, 2}}},
        NumberingCase{"repeat further back",
                      {u"第一章 甲", u"第二章 乙", u"第三章 丙", u"第二章 乙", u"第四章 丁"},
                      {{ProblemType::Repeat, 3}}},
        NumberingCase{"restart without a volume",
                      {u"第一章 甲", u"第二章 乙", u"第三章 丙", u"第一章 甲", u"第二章 乙"},
                      {{ProblemType::Restart, 3}}},
        NumberingCase{"two swapped",
                      {u"第一章 甲", u"第二章 乙", u"第四章 丁", u"第三章 丙", u"第五章 戊"},
                      {{ProblemType::Order, 2}}},
        NumberingCase{"one moved back",
                      {u"第一章 甲", u"第二章 乙", u"第三章 丙", u"第四章 丁", u"第二章"},
                      {{ProblemType::Repeat, 4}}},
        NumberingCase{"out of place",
                      {u"第十章 甲", u"第十一章 乙", u"第五章 丙", u"第十二章 丁"},
                      {{ProblemType::Order, 2}}},
        NumberingCase{"mixed numerals",
                      {u"第一章 甲", u"第二章 乙", u"第3章 丙", u"第四章 丁", u"第五章 戊"},
                      {{ProblemType::Mixed, 2}}},
        NumberingCase{
            "restart under a new volume is none",
            {u"第一卷 风", u"第一章 甲", u"第二章 乙", u"第二卷 云", u"第一章 丙", u"第二章 丁"},
            {}},
        NumberingCase{"numbering that goes on under a new volume is none",
                      {u"卷一", u"第一章 甲", u"第二章 乙", u"卷二", u"第三章 丙", u"第四章 丁"},
                      {}},
        NumberingCase{
            "volume on the chapter's line",
            {u"第一卷 第一章 甲", u"第一卷 第二章 乙", u"第二卷 第一章 丙", u"第二卷 第一章 丁"},
            {{ProblemType::Repeat, 3}}},
        NumberingCase{"volumes themselves",
                      {u"第一卷 风", u"第一章 甲", u"第三卷 云", u"第二章 乙"},
                      {{ProblemType::Gap, 2}}}));

// Reports that need the text: one a switch of numerals, a heading missed.
struct CheckRow {
    const char* name;
    std::vector<std::u16string> lines;
    std::vector<std::pair<ProblemType, std::size_t>> expected;  // at these lines
    std::u16string note = {};                                   // of the first, if given
};
class CheckRows : public testing::TestWithParam<CheckRow> {};

TEST_P(CheckRows, ReportedOnceAtTheirLine) {
    const auto text = material::Joined(GetParam().lines, false, u"\n");
    const auto problems = ch::Check(ch::Find(text), text);
    std::vector<std::pair<ProblemType, std::size_t>> got;
    for (const auto& p : problems) got.emplace_back(p.type, p.line);
    EXPECT_EQ(got, GetParam().expected);
    if (!GetParam().note.empty()) {
        EXPECT_EQ(problems.at(0).note, GetParam().note);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CheckRows,
    testing::Values(
        CheckRow{"TwoSwitches",
                 {u"第一章", P, u"第二章", P, u"第3章", P, u"第4章", P, u"第五章", P, u"第6章", P},
                 {{ProblemType::Mixed, 4}, {ProblemType::Mixed, 10}}},
        CheckRow{"MissedHeading",
                 {u"第一章", P, P, u"第二章", P, P, u"第三章", P, P, u"第四章 海边。", P, P,
                  u"第五章", P, P},
                 {{ProblemType::Missing, 9}},
                 u"第10行附近可能漏识别了标题：第四章 海边。"},
        CheckRow{"LongGapWithoutAHeadingShape",
                 {u"第一章", P, P, u"第二章", P, P, u"第三章", P, P, P, P, P, u"第五章", P, P},
                 {{ProblemType::Gap, 12}}}),
    [](const testing::TestParamInfo<CheckRow>& info) { return std::string(info.param.name); });

TEST(Chapters, ParseNumber) {
    const std::pair<std::u16string, std::optional<std::int64_t>> cases[] = {
        {u"一", 1},           {u"十", 10},    {u"十二", 12},      {u"二十", 20},
        {u"一百二十三", 123}, {u"两百", 200}, {u"两百零一", 201}, {u"一千零一", 1001},
        {u"壹佰", 100},       {u"拾贰", 12},  {u"一〇一", 101},   {u"廿三", 23},
        {u"一万二千", 12000}, {u"12", 12},    {u"１２", 12},      {u"007", 7},
        {u"XII", 12},         {u"iv", 4},     {u"", {}},          {u"abc", {}},
        {u"第一", {}}};
    for (std::size_t k = 0; k < std::size(cases); ++k) {
        EXPECT_EQ(ch::ParseNumber(cases[k].first), cases[k].second) << "case " << k;
    }
}
