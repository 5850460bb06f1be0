#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "Bytes.h"
#include "ChineseProse.h"
#include "FailingAllocation.h"
#include "PurgeMaterial.h"
#include "core/novel/purge/Purge.h"
#include "core/text/Utf8.h"

namespace p = qm::purge;

namespace {

using testsupport::FromUtf8;
using testsupport::Utf8;

std::u16string Purged(std::u16string_view text, const p::Options& o = {}) {
    return p::Apply(text, p::DefaultChoice(p::Find(text, o).hits)).text;
}

const std::u16string kBefore =
    u"　　那僧便念咒书符，大展幻术，将一块大石登时变成一块鲜明莹洁的美玉。";
const std::u16string kAfter = u"　　士隐听了，不便再问。因笑道：“玄机不可预泄。”";

struct Case {
    const char* name;
    std::u16string input;
    std::u16string expected;
};

std::ostream& operator<<(std::ostream& os, const Case& c) { return os << c.name; }

}  // namespace

// A line that is nothing but a mark goes whole, in every disguise.
class PurgeLine : public testing::TestWithParam<Case> {};

TEST_P(PurgeLine, GoesWhole) {
    const Case& c = GetParam();
    const std::u16string text = kBefore + u"\r\n" + c.input + u"\r\n" + kAfter + u"\r\n";
    const p::Found f = p::Find(text);
    ASSERT_EQ(f.hits.size(), 1u) << Utf8(c.input);
    EXPECT_TRUE(f.hits[0].wholeLine);
    EXPECT_EQ(f.hits[0].line, 1u);
    EXPECT_EQ(f.hits[0].text, c.input);
    EXPECT_EQ(Utf8(p::Apply(text, f.hits).text), Utf8(kBefore + u"\r\n" + kAfter + u"\r\n"));
}

INSTANTIATE_TEST_SUITE_P(
    Disguises, PurgeLine,
    testing::Values(
        Case{"Plain", u"最新章节请访问www.biquge.cc无弹窗广告", {}},
        Case{"FullWidth", u"ｗｗｗ．ｂｉｑｕｇｅ．ｃｏｍ", {}},
        Case{"FullWidthInPhrase", u"手机阅读请访问ｍ．ｂｉｑｕｇｅ．ｃｏｍ", {}},
        Case{"MixedCase", u"WwW.BiQuGe.CoM", {}},
        Case{"Blanks", u"w w w . b i q u g e . c o m", {}},
        Case{"BlanksIdeographic", u"ｗ　ｗ　ｗ　．　ｂ　ｉ　ｑ　ｕ　ｇ　ｅ　．　ｃ　ｃ", {}},
        Case{"ZeroWidth", u"w\u200bw\u200bw.bi\u200bqu\u200dge.c\ufeffom", {}},
        Case{"DotAsDian", u"请记住本站域名：www点biquge点la", {}},
        Case{"DotAsFullStop", u"www。biquge。com", {}},
        Case{"DotInBrackets", u"www(点)biquge(点)com", {}},
        Case{"DotInFullBrackets", u"www（点）biquge（点）com", {}},
        Case{"Omega", u"ωωω.biquge.com", {}}, Case{"FullWidthW", u"ｗｗｗ.biquge.net", {}},
        Case{"Http", u"http://www.biquge.com/book/1234/", {}},
        Case{"Https", u"https：//m.biquge.info", {}}, Case{"BareHost", u"biquge.la", {}},
        Case{"Indented",
             u"　　天才一秒记住本站地址：[笔趣阁] https://www.biquge.com 最快更新！无广告！",
             {}},
        Case{"PageTurn", u"（本章未完，请翻页）", {}},
        Case{"Compiled", u"本书由书友上传网整理，更多精彩小说请访问www.xxx.com", {}},
        Case{"SiteNameBracket", u"[八一中文网]", {}},
        Case{"SiteNameAndUrl", u"【顶点小说 www.23us.cc】", {}},
        Case{"Search", u"百度搜索 笔趣阁 看最新章节", {}},
        Case{"Download", u"TXT电子书下载：ｗｗｗ．ｔｘｔ８．ｃｃ", {}},
        Case{"LikeItCollectIt",
             u"喜欢红楼梦请大家收藏：(www.biquge.com)红楼梦笔趣阁更新速度最快。",
             {}},
        Case{"RememberBracket", u"一秒记住【笔趣阁 www.biquge.com】，为您提供精彩小说阅读。", {}},
        Case{"RestYourEyes", u"小说网友请提示：长时间阅读请注意眼睛的休息。", {}},
        Case{"ReportError", u"章节错误,点此举报(免注册)", {}},
        Case{"Bookmark", u"加入书签，方便阅读", {}},
        Case{"Navigation", u"上一章 ← 章节目录 → 下一章", {}},
        Case{"NoDotAddress", u"恋上你看书网 630bookla ，最快更新红楼梦最新章节！", {}},
        Case{"TwoMarksAndATitle",
             u"喜欢红楼梦请大家收藏：(m.biquge.com)红楼梦更新速度全网最快。",
             {}},
        Case{"ToBeContinued",
             u"（未完待续。如果您喜欢这部作品，欢迎您来投推荐票、月票。手机用户请到m.qidian."
             u"com阅读。）",
             {}},
        Case{"FreeDomain", u"最新网址：ｗｗｗ．ｘｉａｏｓｈｕｏ．ｓｏ", {}},
        Case{"PointsToSiteByName", u"看最新章节到笔趣阁", {}},
        Case{"LatestChaptersAtSite", u"本书最新章节请到八一中文网阅读", {}},
        Case{"FirstPublishedAt", u"本书首发起点中文网", {}},
        Case{"BareSiteNameSquare", u"[墨香书阁]", {}},
        Case{"SpacedPhrase", u"最 新 章 节 请 到 笔 趣 阁 阅 读", {}},
        Case{"ZeroWidthPhrase", u"本\u200b书\u200c首\u200d发\ufeff起点中文网", {}}),
    [](const testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

// A mark inside a paragraph is cut with its brackets and separators; the rest
// of the paragraph stays exactly as it was.
class PurgeFragment : public testing::TestWithParam<Case> {};

TEST_P(PurgeFragment, CutsOnlyTheMark) {
    const Case& c = GetParam();
    EXPECT_EQ(Utf8(Purged(c.input)), Utf8(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    InParagraph, PurgeFragment,
    testing::Values(
        Case{"PageTurnBracket", u"他走了。（本章未完，请翻页）她来了。", u"他走了。她来了。"},
        Case{"SquareBracketsWithName", u"他走了。【笔趣阁 www.biquge.com】她来了。",
             u"他走了。她来了。"},
        Case{"MidSentenceBracket", u"他说道[ｗｗｗ．ｂｉｑｕｇｅ．ｃｃ]：“好。”",
             u"他说道：“好。”"},
        Case{"BlankSeparated", u"他走了。ｗｗｗ．ｂｉｑｕｇｅ．ｃｏｍ　她来了。",
             u"他走了。她来了。"},
        Case{"TrailingFullStop", u"他走了，www.biquge.com。", u"他走了。"},
        Case{"BetweenCommas", u"他走了，w w w . b i q u g e . c c，她来了。", u"他走了，她来了。"},
        Case{"AtLineEnd", u"他走了，www点biquge点la", u"他走了"},
        Case{"AdWordsTaken", u"他走了。最新章节请访问www点biquge点cc，她来了。",
             u"他走了。她来了。"},
        Case{"IndentKept", u"　　www.biquge.com，他说。", u"　　他说。"},
        Case{"ProseWordsKept", u"他拿起手机阅读www.biquge.com上的新闻。",
             u"他拿起手机阅读上的新闻。"},
        Case{"WrappedInDashes", u"他走了。——www.biquge.com——她来了。", u"他走了。她来了。"},
        Case{"WrappedInBars", u"他走了，|ｗｗｗ．ｂｉｑｕｇｅ．ｃｃ|她来了。", u"他走了，她来了。"},
        Case{"DashRunAfter", u"他走了。ωωω.biquge.la……她来了。", u"他走了。她来了。"},
        Case{"TwoMarks", u"他走了。（本章未完，请翻页）她来了。ωωω.biquge.com 他又走了。",
             u"他走了。她来了。他又走了。"},
        // Prose before, between and after the marks: the line is no ad line.
        Case{"TwoMarksInShortProse", u"他走了。（本章未完，请翻页）她来了。ωωω.biquge.com 他又走。",
             u"他走了。她来了。他又走。"},
        Case{"SpacedLettersOfAPhrase", u"他走了。T X T 电子书下载她来了。", u"他走了。她来了。"},
        Case{"FormulaGluedToProse", u"他走了。天才一秒记住本站地址她来了。", u"他走了。她来了。"}),
    [](const testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

// Prose that merely mentions the words ads use stays untouched.
class PurgeInnocent : public testing::TestWithParam<Case> {};

TEST_P(PurgeInnocent, Untouched) {
    const Case& c = GetParam();
    const std::u16string text = c.input + u"\r\n" + c.input + u"\r\n";
    const p::Found f = p::Find(text);
    EXPECT_TRUE(f.hits.empty()) << Utf8(f.hits.empty() ? u"" : f.hits[0].text);
}

INSTANTIATE_TEST_SUITE_P(
    Prose, PurgeInnocent,
    testing::Values(
        Case{"Website", u"他打开学校的网站，看了一会儿新闻，又关上了。", {}},
        Case{"PhoneReading", u"她用手机阅读了一整夜，天亮时眼睛都红了。", {}},
        Case{"ThisBook", u"本书由三个部分组成，第一部分讲述了他的童年。", {}},
        Case{"ThisBookCompiled", u"本书由他的学生整理成册，刊行于世。", {}},
        Case{"Www", u"网址一般以www开头，后面跟着网站的名字。", {}},
        Case{"WwwLetters", u"他在浏览器里敲下www三个字母，又停住了。", {}},
        Case{"WwwAndDot", u"万维网的缩写是WWW。他点点头。", {}},
        Case{"Net", u"那渔夫撒下一张网，网住了三条鱼。", {}},
        Case{"Dian", u"他一点点地走上前去，三点钟才到。", {}},
        Case{"Decimal", u"温度升到了3.5度，第1.2节已经讲过。", {}},
        Case{"LatestChapter", u"他说：“本书首发于一九二一年，最新章节写到了他的晚年。”", {}},
        Case{"NextPage", u"点击下一页的按钮时，他的手在发抖。", {}},
        Case{"PhoneVisit", u"他用手机访问了学校的网站，下载了课表。", {}},
        Case{"Remember", u"他一秒记住了她的名字，从此再没忘记。", {}},
        Case{"NetBar", u"手机没电了，他只好去网吧上网，阅读那本书。", {}},
        Case{"Bracketed", u"（他撒下一张网）", {}},
        Case{"BookTitle", u"《石头记》一书，本书又名《红楼梦》。", {}},
        Case{"English", u"He said: visit the site at noon. OK.", {}},
        Case{"RememberedName", u"她一秒记住了那个网站的名字，又念了一遍。", {}},
        Case{"NextChapter", u"上一章我们讲到他回了家，下一章要讲他进城。", {}},
        Case{"Service", u"为您提供服务是我们的荣幸，请大家收藏好自己的票。", {}},
        Case{"LikeReading", u"喜欢读书的人请大家收藏好自己的书，不要弄丢了。", {}},
        Case{"Fresh", u"这家铺子的菜更新鲜，更新也最快，价钱却不贵。", {}},
        Case{"BracketedWebsite", u"（他常去的那个网站）早就关了。", {}},
        Case{"EnglishSentences", u"He went to the store. Me too. She is in. So am I.", {}},
        Case{"TermsInStoryBrackets", u"他最爱看「武侠小说」，又爱读（儿童文学），不去书屋。", {}},
        Case{"PlacesNotSites", u"方丈道：请到藏经阁阅读。这本书最新章节在网上。", {}}),
    [](const testing::TestParamInfo<Case>& i) { return std::string(i.param.name); });

TEST(Purge, ClassicProseUntouched) {
    for (const std::string_view s : {prose::kKongYiJi, prose::kHongLouMeng}) {
        const std::u16string text = FromUtf8(s);
        EXPECT_TRUE(p::Find(text).hits.empty());
    }
}

TEST(Purge, LineFeedsAndLastLine) {
    // LF breaks are read too; a mark on the last line takes the break before it.
    const std::u16string text = kBefore + u"\n" + u"www.biquge.com";
    const p::Found f = p::Find(text);
    ASSERT_EQ(f.hits.size(), 1u);
    EXPECT_EQ(f.hits[0].line, 1u);
    EXPECT_EQ(p::Apply(text, f.hits).text, kBefore);
    // A text that is one mark and nothing else becomes empty.
    EXPECT_EQ(Purged(u"www.biquge.com"), u"");
}

TEST(Purge, ApplyTakesOnlyTheChosenAndSkipsStaleHits) {
    const std::u16string text = u"甲。（本章未完，请翻页）乙。\r\nwww.biquge.com\r\n丙。\r\n";
    const p::Found f = p::Find(text);
    ASSERT_EQ(f.hits.size(), 2u);
    EXPECT_EQ(f.hits[0].line, 0u);
    EXPECT_FALSE(f.hits[0].wholeLine);
    EXPECT_EQ(f.hits[0].text, u"（本章未完，请翻页）");
    EXPECT_EQ(f.hits[0].kind, p::RuleKind::BuiltIn);
    EXPECT_EQ(f.hits[1].kind, p::RuleKind::Url);
    EXPECT_EQ(f.hits[1].rule, u"网址");
    const p::Applied one = p::Apply(text, {f.hits[1]});
    EXPECT_EQ(one.text, u"甲。（本章未完，请翻页）乙。\r\n丙。\r\n");
    EXPECT_EQ(one.removed, 1u);
    // The same hits on a text that has changed since: nothing is cut blindly.
    const p::Applied stale = p::Apply(u"完全不同的一段文字。", f.hits);
    EXPECT_EQ(stale.text, u"完全不同的一段文字。");
    EXPECT_EQ(stale.stale, 2u);
}

// Hits found on one text, applied to that text edited since: only a hit
// still exactly where it was goes; what the user typed into it stays.
TEST(Purge, ApplyCutsOnlyHitsStillExactlyInPlace) {
    const std::u16string ad = u"www.biquge.com", frag = u"（本章未完，请翻页）";
    struct Row {
        const char* name;
        std::u16string found, edited, expected;
        std::size_t removed, stale;
    };
    const std::u16string lf = kBefore + u"\n" + ad + u"\n" + kAfter;
    const std::u16string crlf = kBefore + u"\r\n" + ad + u"\r\n" + kAfter;
    const std::u16string inLine = u"甲。" + frag + u"乙。";
    const Row rows[] = {
        {"Untouched", lf, lf, kBefore + u"\n" + kAfter, 1, 0},
        {"OneUnitTypedBeforeLf", lf, kBefore + u"\n注" + ad + u"\n" + kAfter, {}, 0, 1},
        {"NoteTypedBeforeCrLf", crlf, kBefore + u"\r\n注：" + ad + u"\r\n" + kAfter, {}, 0, 1},
        {"TypedAfterTheLine", lf, kBefore + u"\n" + ad + u"注\n" + kAfter, {}, 0, 1},
        {"LastLineTypedBefore", kBefore + u"\n" + ad, kBefore + u"\n注" + ad, {}, 0, 1},
        {"FragmentEdited", inLine, u"甲。（本章未完，请翻页！）乙。", {}, 0, 1},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const p::Found f = p::Find(r.found);
        ASSERT_EQ(f.hits.size(), 1u);
        const p::Applied a = p::Apply(r.edited, f.hits);
        EXPECT_EQ(Utf8(a.text), Utf8(r.stale ? r.edited : r.expected));
        EXPECT_EQ(a.removed, r.removed);
        EXPECT_EQ(a.stale, r.stale);
    }
    // Two ad lines at the end are two hits: each goes alone when chosen alone.
    const std::u16string two = kBefore + u"\n" + ad + u"\n" + ad + u"。";
    const p::Found f = p::Find(two);
    ASSERT_EQ(f.hits.size(), 2u);
    EXPECT_EQ(p::Apply(two, {f.hits[1]}).text, kBefore + u"\n" + ad + u"\n");
    EXPECT_EQ(p::Apply(two, f.hits).text, kBefore + u"\n");
}

TEST(PurgeUserRules, BadLinesAreReportedWithTheirLineNumbers) {
    const p::UserRules r = p::UserRules::Parse(
        u"# 我的规则\r\n"
        u"\r\n"
        u"墨香书阁\r\n"
        u"正则:(未闭合\r\n"
        u"正则：\r\n"
        u"正则:a*\r\n"
        u"字\r\n"
        u"正则:求(月票|推荐票)\n");
    EXPECT_EQ(r.Size(), 2u);
    ASSERT_EQ(r.Errors().size(), 4u);
    EXPECT_EQ(r.Errors()[0].line, 3u);
    EXPECT_NE(r.Errors()[0].reason.find(u"正则表达式有误"), std::u16string::npos);
    EXPECT_EQ(r.Errors()[1].line, 4u);
    EXPECT_EQ(r.Errors()[2].line, 5u);
    EXPECT_NE(r.Errors()[2].reason.find(u"空文本"), std::u16string::npos);
    EXPECT_EQ(r.Errors()[3].line, 6u);
    EXPECT_NE(r.Errors()[3].reason.find(u"太短"), std::u16string::npos);
}

TEST(PurgeUserRules, PhrasesSeeThroughDisguisesAndExpressionsMatchAsWritten) {
    const p::UserRules r = p::UserRules::Parse(u"墨香书阁\r\n正则:求(月票|推荐票)！*\r\n");
    ASSERT_TRUE(r.Errors().empty());
    p::Options o;
    o.user = &r;
    const std::u16string text =
        u"甲说了一句话。\r\n墨\u200b香 书阁\r\n乙笑了。求月票！！\r\n丙走了。\r\n";
    const p::Found f = p::Find(text, o);
    ASSERT_EQ(f.hits.size(), 2u);
    EXPECT_TRUE(f.hits[0].wholeLine);
    EXPECT_EQ(f.hits[0].kind, p::RuleKind::User);
    EXPECT_EQ(f.hits[0].rule, u"墨香书阁");
    EXPECT_EQ(f.hits[1].text, u"求月票！！");
    EXPECT_EQ(p::Apply(text, f.hits).text, u"甲说了一句话。\r\n乙笑了。\r\n丙走了。\r\n");
    // Without the list the same text is clean.
    EXPECT_TRUE(p::Find(text).hits.empty());
}

namespace {

// Chapters of real prose, each about 2,000 units, with extra lines after the
// heading and at the end.
std::u16string Book(int chapters, std::u16string_view afterHeading, std::u16string_view atEnd,
                    std::vector<std::size_t>* headings = nullptr) {
    const std::u16string prose = FromUtf8(prose::kKongYiJi) + FromUtf8(prose::kHongLouMeng);
    std::u16string text;
    std::size_t line = 0;
    auto lines = [](std::u16string_view s) {
        return static_cast<std::size_t>(std::count(s.begin(), s.end(), u'\n'));
    };
    for (int c = 1; c <= chapters; ++c) {
        if (headings) headings->push_back(line);
        const std::u16string head = u"第" + std::u16string(1, u"一二三四五六七八九十"[c - 1]) +
                                    u"回\r\n" + std::u16string(afterHeading);
        const std::u16string body = prose + std::u16string(atEnd);
        text += head + body;
        line += lines(head) + lines(body);
    }
    return text;
}

}  // namespace

TEST(PurgeFrequency, RepeatedWatermarkLinesAndBracketsGo) {
    std::vector<std::size_t> headings;
    const std::u16string text =
        Book(6, u"【墨香书阁】\r\n", u"求收藏〔书友群12345〕再会。\r\n", &headings);
    for (const bool withHeadings : {false, true}) {
        p::Options o;
        if (withHeadings) o.chapterLines = headings;
        const std::u16string out = Purged(text, o);
        EXPECT_EQ(out.find(u"墨香书阁"), std::u16string::npos);
        EXPECT_EQ(out.find(u"书友群"), std::u16string::npos);
        EXPECT_TRUE(out == Book(6, u"", u"求收藏再会。\r\n")) << withHeadings;
    }
}

TEST(PurgeFrequency, RepeatedProseStaysAndRepetitionAloneRemovesNothing) {
    // A refrain, a formula line and paragraphs that start alike are prose.
    const std::u16string text =
        Book(6,
             u"诗曰：\r\n世人都晓神仙好，惟有功名忘不了！\r\n却说那人走了。\r\n"
             u"【叮！系统提示：任务完成】\r\n",
             u"且听下回分解（注1）。\r\n（完）\r\n李四点点头，把手里的 report 折好。\r\n"
             u"【注释】\r\n");
    EXPECT_TRUE(p::Find(text).hits.empty());
    // A line repeated only within one stretch of text is no watermark either.
    std::u16string verse = FromUtf8(prose::kHongLouMeng);
    for (int i = 0; i < 6; ++i) verse += u"【好了歌】\r\n世人都晓神仙好\r\n";
    EXPECT_TRUE(p::Find(verse).hits.empty());
    // Nicknames, a roll call and a slogan in 「」 in every chapter: suspects, unchecked.
    const p::Found nick = p::Find(Book(6, u"「及时雨」「玉麒麟」「智多星」\r\n",
                                       u"　　旗上写着「替天行道」，「及时雨」之名传遍。\r\n"));
    EXPECT_EQ(nick.hits.size(), 18u);
    EXPECT_TRUE(p::DefaultChoice(nick.hits).empty());
}

// The planted material held to its targets: at least 95 % of the marks gone,
// 90 % of each disguise, not one real character removed, and the innocent
// text left as it is.
TEST(PurgeMaterial, MeetsItsTargets) {
    const std::u16string prose = material::ReadUtf8File(QM_PURGE_DATA "/prose.txt");
    const std::u16string innocent = material::ReadUtf8File(QM_PURGE_DATA "/innocent.txt");
    ASSERT_FALSE(prose.empty());
    ASSERT_FALSE(innocent.empty());
    EXPECT_TRUE(p::Find(prose).hits.empty());
    EXPECT_TRUE(p::Find(innocent).hits.empty());
    for (unsigned seed = 1; seed <= 5; ++seed) {
        const material::Material m = material::Plant(prose, seed);
        for (const bool headings : {false, true}) {
            p::Options o;
            if (headings) o.chapterLines = m.headings;
            const material::Figures f = material::Measure(m, o);
            EXPECT_GE(f.all.removed * 100, f.all.planted * 95) << seed;
            for (const auto& [name, t] : f.byDisguise)
                EXPECT_GE(t.removed * 100, t.planted * 90) << name << " " << seed;
            EXPECT_EQ(f.realUnitsRemoved, 0u) << seed;
            EXPECT_TRUE(f.restored) << seed;
        }
    }
}

// Its time is measured in bench/bench_purge.
TEST(Purge, OneLineWithThousandsOfMarks) {
    // A text without line breaks: every mark is on its one line.
    std::u16string text;
    std::u16string expected;
    for (int i = 0; i < 20000; ++i) {
        text += u"他走了。（ｗｗｗ．ｂｉｑｕｇｅ．ｃｏｍ）她来了。 www.biquge.com 又走了。";
        expected += u"他走了。她来了。又走了。";
    }
    const p::Found f = p::Find(text);
    EXPECT_EQ(f.hits.size(), 40000u);
    EXPECT_TRUE(p::Apply(text, f.hits).text == expected);
}

// A long novel is purged in little more memory than its text: the folded
// copy the rules read keeps the places of only the units that moved.
TEST(Purge, FindHoldsLittleBesideTheText) {
    std::u16string text = u"\u200b";  // gone from the folded copy: every unit after it moves
    for (int line = 1; text.size() < (1u << 20); ++line) {
        text += kBefore + kAfter + u"\r\n";
        if (line % 50 == 0) text += u"最新章节请访问ｗｗｗ．ｂｉｑｕｇｅ．ｃｏｍ\r\n";
    }
    testsupport::ResetAllocationPeak();
    const p::Found f = p::Find(text);
    EXPECT_LT(testsupport::AllocationPeak(), text.size() * 5);  // bytes: 2.5 times the text's
    EXPECT_FALSE(f.hits.empty());
}

TEST(PurgeUserRules, AnchorsMatchAtEveryLine) {
    const p::UserRules r = p::UserRules::Parse(u"正则:^PS[:：].*$");
    ASSERT_TRUE(r.Errors().empty());
    p::Options o;
    o.user = &r;
    const std::u16string text = u"甲走了。\r\nPS：求月票，求推荐！\r\n乙来了。PS：这不是行首\r\n";
    EXPECT_EQ(Purged(text, o), u"甲走了。\r\n乙来了。PS：这不是行首\r\n");
}
