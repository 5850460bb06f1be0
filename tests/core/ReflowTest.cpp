#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Bytes.h"
#include "ChineseProse.h"
#include "NovelMaterial.h"
#include "core/novel/Reflow.h"

namespace rf = qm::reflow;
using material::Joined;
using material::WrapAt;
using testsupport::FromUtf8;

namespace {

// The four paragraphs of 《孔乙己》's opening.
std::vector<std::u16string> KongYiJi() {
    std::vector<std::u16string> out;
    std::string s(prose::kKongYiJi);
    std::size_t start = 0;
    for (std::size_t at; (at = s.find('\n', start)) != std::string::npos; start = at + 1) {
        if (at > start) out.push_back(FromUtf8(s.substr(start, at - start)));
    }
    return out;
}

// n characters of prose without sentence punctuation inside.
std::u16string Filler(std::size_t n, char16_t last = u'。') {
    static const std::u16string kText =
        u"他走进店里慢慢地坐下来要了一碗酒和一碟茴香豆又向柜里望了望";
    std::u16string s;
    while (s.size() + 1 < n) s += kText[s.size() % kText.size()];
    return s + last;
}

}  // namespace

// The prose wrapped at several widths, with and without indentation, comes
// back as its paragraphs; in CR LF and in LF.
struct WrapCase {
    std::size_t width;
    bool indent;
    const char16_t* br;
};
class ReflowWraps : public testing::TestWithParam<WrapCase> {};

TEST_P(ReflowWraps, RecoversTheParagraphs) {
    const auto [width, indent, br] = GetParam();
    const auto paragraphs = KongYiJi();
    const std::u16string wrapped = WrapAt(paragraphs, width, indent, br);
    const rf::Plan plan = rf::Decide(wrapped);
    EXPECT_EQ(plan.layout, rf::Layout::FixedWidth);
    EXPECT_EQ(plan.width, width);
    EXPECT_EQ(rf::Apply(wrapped, plan), Joined(paragraphs, indent, br));
    EXPECT_EQ(plan.keeps + plan.joins, plan.breaks.size());
    EXPECT_EQ(plan.keeps, paragraphs.size());  // the paragraphs' ends and the final break
}

INSTANTIATE_TEST_SUITE_P(Widths, ReflowWraps,
                         testing::Values(WrapCase{30, true, u"\r\n"}, WrapCase{35, false, u"\r\n"},
                                         WrapCase{40, true, u"\n"}, WrapCase{64, false, u"\n"},
                                         WrapCase{30, false, u"\r"}));

TEST(Reflow, FullLineThatEndsAParagraphIsKeptWhenTheNextIsIndented) {
    auto paragraphs = KongYiJi();
    // Exactly two lines of 30: the paragraph ends at the width.
    paragraphs.insert(paragraphs.begin() + 2, Filler(58));
    const std::u16string wrapped = WrapAt(paragraphs, 30, true);
    EXPECT_EQ(rf::Reflow(wrapped), Joined(paragraphs, true));
}

TEST(Reflow, HeadingBetweenTwoWrappedParagraphsStaysOnItsOwnLine) {
    auto paragraphs = KongYiJi();
    // The paragraph before the heading ends exactly at the width, and nothing
    // is indented: only the heading itself tells.
    paragraphs.insert(paragraphs.begin() + 2, Filler(60));
    std::u16string wrapped;
    for (std::size_t k = 0; k < paragraphs.size(); ++k) {
        if (k == 3) wrapped += u"第二章 咸亨酒店\r\n";
        wrapped += WrapAt({paragraphs[k]}, 30, false);
    }
    const std::u16string out = rf::Reflow(wrapped);
    EXPECT_NE(out.find(u"。\r\n第二章 咸亨酒店\r\n我从此便整天"), std::u16string::npos) << "glued";
}

TEST(Reflow, VerseAfterAFullLineKeepsItsLines) {
    // "曰：" ends a full line; the poem's lines follow, each a line of its own.
    std::vector<std::u16string> paragraphs = KongYiJi();
    const std::u16string first = paragraphs[0];
    paragraphs.push_back(Filler(60, u'：'));
    paragraphs.push_back(u"天产仙猴道行隆，离山驾筏趁天风。");
    paragraphs.push_back(u"飘洋过海寻仙道，立志潜心建大功。");
    paragraphs.push_back(first);
    const std::u16string wrapped = WrapAt(paragraphs, 30, false);
    EXPECT_EQ(rf::Reflow(wrapped), Joined(paragraphs, false));
}

TEST(Reflow, VerseInRaggedTextKeepsItsLines) {
    // A poem set a clause a line, its lines ending in "，", among ragged prose.
    const std::u16string text =
        u"他想了一会儿，便\r\n慢慢地念道：\r\n春眠不觉晓，\r\n处处闻啼鸟。\r\n"
        u"夜来风雨声，\r\n花落知多少。\r\n念完了，又叹了一口\r\n气，才走开。\r\n";
    EXPECT_EQ(rf::Reflow(text),
              u"他想了一会儿，便慢慢地念道：\r\n春眠不觉晓，\r\n处处闻啼鸟。\r\n"
              u"夜来风雨声，\r\n花落知多少。\r\n念完了，又叹了一口气，才走开。\r\n");
}

TEST(Reflow, DialogueInRaggedText) {
    // A line cut before "”" is a wrap; "道：" before a quote goes on; a quoted
    // line that ends in "？”" ends its paragraph.
    const std::u16string text =
        u"闰土又对我说：\r\n“现在太冷，你夏天到我们这里来。晚上我和爹管西瓜去，你也去。\r\n”\r\n"
        u"“管贼吗？”\r\n“不是。走路的人口渴了摘一个瓜吃，\r\n我们这里是不算偷的。”\r\n";
    EXPECT_EQ(rf::Reflow(text),
              u"闰土又对我说：“现在太冷，你夏天到我们这里来。晚上我和爹管西瓜去，你也去。”\r\n"
              u"“管贼吗？”\r\n“不是。走路的人口渴了摘一个瓜吃，我们这里是不算偷的。”\r\n");
}

struct EnglishCase {
    const char16_t* text;
    const char16_t* expected;
};
class ReflowEnglish : public testing::TestWithParam<EnglishCase> {};

TEST_P(ReflowEnglish, WordsAcrossAWrap) {
    EXPECT_EQ(rf::Reflow(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReflowEnglish,
    testing::Values(
        // A wrapper that breaks at blanks dropped the blank: one goes back.
        EnglishCase{u"他在信封上写着 Shanghai Road\nNumber Twelve 几个字，又\n添了一句话。\n",
                    u"他在信封上写着 Shanghai Road Number Twelve 几个字，又添了一句话。\n"},
        // A blank left at the end of the line stays one blank.
        EnglishCase{u"see you again in the \nspring，他说，然后走了\n出去。\n",
                    u"see you again in the spring，他说，然后走了出去。\n"},
        // Chinese lines join without a blank; a blank the line kept beside a
        // number stays.
        EnglishCase{u"这一路他走了 1280 里，花了 \n36 天，身上只剩 3.5 两银\n子。\n",
                    u"这一路他走了 1280 里，花了 36 天，身上只剩 3.5 两银子。\n"}));

TEST(Reflow, WordCutAtTheFullWidthJoinsWithoutABlank) {
    // A fixed-width cut splits "Shanghai": it must come back whole.
    std::vector<std::u16string> paragraphs = KongYiJi();
    paragraphs.push_back(u"他在信封上写着几个外国字母： Shanghai Road 这才封好了，又添了一句话。");
    const std::u16string wrapped = WrapAt(paragraphs, 20, false);
    ASSERT_NE(wrapped.find(u"Shang\r\nhai"), std::u16string::npos);
    EXPECT_EQ(rf::Reflow(wrapped), Joined(paragraphs, false));
}

TEST(Reflow, TableOfContentsAndListsKeepTheirLines) {
    std::u16string text = u"目录\r\n第一章 酒店\r\n第二章 长衫\r\n第三章 茴香豆\r\n";
    const auto paragraphs = KongYiJi();
    text += u"第一章 酒店\r\n" + WrapAt({paragraphs[0]}, 30, false);
    text += u"店里的规矩有三条：\r\n一、不许赊账\r\n二、不许吃醉\r\n三、不许喧哗\r\n";
    text += u"第二章 长衫\r\n" + WrapAt({paragraphs[1], paragraphs[2]}, 30, false);
    const std::u16string out = rf::Reflow(text);
    EXPECT_EQ(
        out.rfind(u"目录\r\n第一章 酒店\r\n第二章 长衫\r\n第三章 茴香豆\r\n第一章 酒店\r\n", 0),
        0u);
    EXPECT_NE(
        out.find(
            u"\r\n店里的规矩有三条：\r\n一、不许赊账\r\n二、不许吃醉\r\n三、不许喧哗\r\n第二章"),
        std::u16string::npos);
}

TEST(Reflow, TrapSentenceAtALineStartIsJoinedLikeAnyWrap) {
    // "第二天" and "第五章的" starting a wrapped line are prose, not headings.
    std::vector<std::u16string> paragraphs = KongYiJi();
    paragraphs.insert(paragraphs.begin() + 1,
                      Filler(30, u'，') + u"第二天一早，他便动身到城里去了。" + Filler(30, u'，') +
                          u"第五章的内容，我到现在还没有看完。");
    const std::u16string wrapped = WrapAt(paragraphs, 30, false);
    ASSERT_NE(wrapped.find(u"\r\n第二天一早"), std::u16string::npos);
    EXPECT_EQ(rf::Reflow(wrapped), Joined(paragraphs, false));
}

TEST(Reflow, BlankLineParagraphsJoinEveryOtherBreak) {
    const auto paragraphs = KongYiJi();
    std::u16string text;
    std::u16string expected;
    for (const auto& p : paragraphs) {
        // Ragged lines: no width to go by, the empty lines tell.
        for (std::size_t i = 0, len = 17; i < p.size(); i += len, len = 17 + (len * 7) % 23) {
            text += p.substr(i, len) + u"\n";
        }
        text += u"\n";
        expected += p + u"\n\n";
    }
    const rf::Plan plan = rf::Decide(text);
    EXPECT_EQ(rf::Apply(text, plan), expected);
}

TEST(Reflow, UntitledTitlesOfACollectionStayApartInARaggedCopy) {
    // Stories closed by a date, each next title a line without a number;
    // indented, and not (where only the date or the text's start tells).
    const std::u16string titles[] = {u"山居杂记", u"故乡的河", u"Winter Notes"};
    const std::u16string dates[] = {u"一九三〇年五月。", u"1931年3月", u"一九三二年冬"};
    for (const std::u16string indent : {u"　　", u""}) {
        std::u16string text;
        for (std::size_t k = 0; k < 3; ++k) {
            text += titles[k] + u"\r\n";
            for (const auto& p : KongYiJi())
                for (std::size_t i = 0, len = 17; i < p.size(); i += len, len = 17 + (len * 7) % 23)
                    text += (i == 0 ? indent : u"") + p.substr(i, len) + u"\r\n";
            text += indent + dates[k] + u"\r\n";
        }
        const std::u16string out = u"\r\n" + rf::Reflow(text);
        for (std::size_t k = 0; k < 3; ++k) {
            EXPECT_NE(out.find(u"\r\n" + titles[k] + u"\r\n"), std::u16string::npos) << k;
            EXPECT_NE(out.find(u"\r\n" + indent + dates[k] + u"\r\n"), std::u16string::npos) << k;
        }
    }
}

TEST(Reflow, PoemAmongBlankLineParagraphs) {
    // With empty lines between paragraphs, a poem's run of lines stays; two
    // verse-like lines alone are one long line cut in half.
    std::u16string text;
    std::u16string expected;
    for (const auto& p : KongYiJi()) {
        text += p.substr(0, 23) + u"\n" + p.substr(23) + u"\n\n";
        expected += p + u"\n\n";
    }
    const std::u16string poem =
        u"世人都晓神仙好，惟有功名忘不了！\n古今将相在何方？荒冢一堆草没了．\n"
        u"世人都晓神仙好，只有金银忘不了！\n终朝只恨聚无多，及到多时眼闭了．\n\n";
    const std::u16string cut =
        u"诸般买卖无商旅，各样生涯不见人。\n殿上君王归内院，阶前文武转衙门。\n\n";
    EXPECT_EQ(rf::Reflow(text + poem + cut + text),
              expected + poem +
                  u"诸般买卖无商旅，各样生涯不见人。殿上君王归内院，阶前文武转衙门。\n\n" +
                  expected);
}

TEST(Reflow, TextAlreadyOneParagraphALineIsLeftAlone) {
    const std::u16string text =
        Joined(KongYiJi(), false) + u"他说：\r\n“去时凡骨凡胎重，得道身轻体亦轻。”\r\n";
    const rf::Plan plan = rf::Decide(text);
    EXPECT_EQ(plan.joins, 0u);
    EXPECT_EQ(rf::Apply(text, plan), text);
}

TEST(Reflow, PlanOfAnotherTextIsRefused) {
    const std::u16string a = WrapAt(KongYiJi(), 30, true);
    const rf::Plan plan = rf::Decide(a);
    EXPECT_EQ(rf::Apply(u"一\r\n二", plan), u"一\r\n二");
    std::u16string b = a;  // as many lines, one character changed
    b[0] = u'甲';
    EXPECT_EQ(rf::Apply(b, plan), b);
    EXPECT_EQ(rf::Reflow(u""), u"");
    EXPECT_EQ(rf::Decide(u"").breaks.size(), 0u);
}

struct LayoutCase {
    const char16_t* text;
    const char16_t* indented;
    const char16_t* blankLines;
};
class ReflowLayouts : public testing::TestWithParam<LayoutCase> {};

TEST_P(ReflowLayouts, IndentAndBlankLines) {
    EXPECT_EQ(rf::Indent(GetParam().text), GetParam().indented);
    EXPECT_EQ(rf::BlankLines(GetParam().text), GetParam().blankLines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReflowLayouts,
    testing::Values(
        // Headings get no indentation; blanks of any kind become "　　".
        LayoutCase{u"第一章 酒店\r\n  鲁镇的酒店。\r\n\u3000我从十二岁起。\r\n",
                   u"第一章 酒店\r\n\u3000\u3000鲁镇的酒店。\r\n\u3000\u3000我从十二岁起。\r\n",
                   u"第一章 酒店\r\n\r\n  鲁镇的酒店。\r\n\r\n\u3000我从十二岁起。\r\n"},
        // Runs of empty and blank lines become one; none before the first.
        LayoutCase{u"\n\n甲。\n \n\u3000\n\n乙。\n丙。",
                   u"\n\n\u3000\u3000甲。\n \n\u3000\n\n\u3000\u3000乙。\n\u3000\u3000丙。",
                   u"甲。\n\n乙。\n\n丙。"},
        // A 目录 block's entries are headings too.
        LayoutCase{u"目录\n第一章 酒店\n第二章 长衫\n第一章 酒店\n鲁镇。\n第二章 长衫\n我从。\n",
                   u"\u3000\u3000目录\n第一章 酒店\n第二章 长衫\n第一章 酒店\n\u3000\u3000鲁镇。\n"
                   u"第二章 长衫\n\u3000\u3000我从。\n",
                   u"目录\n\n第一章 酒店\n\n第二章 长衫\n\n第一章 酒店\n\n鲁镇。\n\n第二章 长衫\n\n"
                   u"我从。\n"},
        LayoutCase{u"", u"", u""}));
