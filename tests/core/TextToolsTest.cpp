// The regular-expression tool, the extraction of numbers and addresses, the
// cipher and the article re-mixer.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "core/search/Extract.h"
#include "core/search/Regex.h"
#include "core/tools/Cipher.h"
#include "core/tools/Remix.h"

using namespace std::chrono_literals;
using qm::extract::Find;
using qm::extract::Kind;

namespace {

qm::regex::Pattern Compile(std::u16string_view p, qm::regex::Options o = {}) {
    auto r = qm::regex::Pattern::Compile(p, o);
    EXPECT_TRUE(std::holds_alternative<qm::regex::Pattern>(r));
    return std::move(std::get<qm::regex::Pattern>(r));
}

std::vector<std::u16string> Texts(std::u16string_view text, const qm::regex::Found& f) {
    std::vector<std::u16string> out;
    for (const auto& m : f.matches) out.emplace_back(text.substr(m.start, m.length));
    return out;
}

struct FindCase {
    const char* name;
    friend void PrintTo(const FindCase& c, std::ostream* os) { *os << c.name; }
    const char16_t* pattern;
    qm::regex::Options options;
    std::size_t count;
    std::vector<std::u16string> texts;  // empty: the count alone
};

// One text of two scripts and three lines, searched with the pattern Chinese
// users copy from JavaScript, \w over Chinese, and each option.
const std::u16string kFindText = u"Abc 中文abc\r\n第二行 ABC\r\n　全角空格";
const FindCase kFinds[] = {
    {"CaseMatters", u"abc", {}, 1, {u"abc"}},
    {"IgnoreCase", u"abc", {.ignoreCase = true}, 3, {}},
    {"JavaScriptEscapesInAClass", u"[\\u4e00-\\u9fa5]+", {}, 3, {u"中文", u"第二行", u"全角空格"}},
    {"CaretIsTheTextsStart", u"^\\w+", {}, 1, {u"Abc"}},
    {"CaretAtEveryLine", u"^\\w+", {.multiLine = true}, 2, {u"Abc", u"第二行"}},
    // $ before CR LF, and the ideographic space is a blank.
    {"DollarBeforeCrLf", u"\\w+$", {.multiLine = true}, 3, {u"中文abc", u"ABC", u"全角空格"}},
    {"TheIdeographicSpaceIsABlank", u"\\s", {}, 7, {}},
    {"DotStopsAtALineBreak", u"c.第", {}, 0, {}},
    {"EscapedCrLf", u"c\\r\\n第", {}, 1, {}},
    {"DotAllTakesCrAndLf", u"c..第", {.dotAll = true}, 1, {}},
};

class RegexFind : public ::testing::TestWithParam<FindCase> {};

TEST_P(RegexFind, FindsWhatThePatternSays) {
    const FindCase& c = GetParam();
    const qm::regex::Found f = Compile(c.pattern, c.options).FindAll(kFindText, 100, 1s);
    EXPECT_EQ(f.matches.size(), c.count);
    if (!c.texts.empty()) {
        EXPECT_EQ(Texts(kFindText, f), c.texts);
    }
}

INSTANTIATE_TEST_SUITE_P(Regex, RegexFind, ::testing::ValuesIn(kFinds),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

TEST(Regex, JavaScriptAndPerlHexEscapesBothWork) {
    const std::u16string text = u"中文 \\u4e2d x{4e2d}";
    const struct {
        const char* name;
        const char16_t* pattern;
        const char16_t* first;
    } rows[] = {
        {"JavaScript", u"\\u4e2d", u"中"},
        {"Perl", u"\\x{4e2d}", u"中"},
        {"AnEscapedBackslashThenLetters", u"\\\\u4e2d", u"\\u4e2d"},
        {"QuotedAsTyped", u"\\Q\\u4e2d\\E", u"\\u4e2d"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const auto f = Compile(r.pattern).FindAll(text, 10, 1s);
        EXPECT_EQ(f.matches.empty() ? std::u16string(u"-") : Texts(text, f).front(), r.first);
    }
}

namespace {

struct CompileErrorCase {
    const char* name;
    friend void PrintTo(const CompileErrorCase& c, std::ostream* os) { *os << c.name; }
    const char16_t* pattern;
    std::optional<std::size_t> offset;  // counted in the pattern as typed
    const char16_t* saying;             // a word of PCRE2's message, or nothing
};

const CompileErrorCase kCompileErrors[] = {
    {"OffsetCountsAnEscapeAsTyped", u"\\u4e2d(", 7, u""},
    {"OffsetCountsTwoEscapesAsTyped", u"\\u4e2d\\u4e2da{2,1}", 17, u""},
    {"UnclosedParenthesisIsToldAtTheEnd", u"中文(abc", 6, u"parenthesis"},
    {"RepeatCountsOutOfOrder", u"a{2,1}", std::nullopt, u""},
};

class RegexCompileError : public ::testing::TestWithParam<CompileErrorCase> {};

TEST_P(RegexCompileError, TellsWhere) {
    const CompileErrorCase& c = GetParam();
    const auto r = qm::regex::Pattern::Compile(c.pattern, {});
    ASSERT_TRUE(std::holds_alternative<qm::regex::CompileError>(r));
    const auto& e = std::get<qm::regex::CompileError>(r);
    if (c.offset) {
        EXPECT_EQ(e.offset, *c.offset);
    }
    EXPECT_NE(e.message.find(c.saying), std::u16string::npos);
}

INSTANTIATE_TEST_SUITE_P(Regex, RegexCompileError, ::testing::ValuesIn(kCompileErrors),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

TEST(Regex, EmptyMatchesMoveOnByWholeCharacters) {
    // Between every character once: a CR LF pair and a surrogate pair are one each.
    const std::u16string text = u"a\r\n\U0001F600b";
    const auto f = Compile(u"x*").FindAll(text, 100, 1s);
    std::vector<std::size_t> at;
    for (const auto& m : f.matches) at.push_back(m.start);
    EXPECT_EQ(at, (std::vector<std::size_t>{0, 1, 3, 5, 6}));
    EXPECT_EQ(f.stop, qm::regex::Stop::End);
    EXPECT_EQ(Compile(u"x*").ReplaceAll(u"ab", u"-", 1s).text, u"-a-b-");
}

TEST(Regex, StopsAtTheMostMatchesAsked) {
    const std::u16string text(50, u'a');
    const auto f = Compile(u"a").FindAll(text, 10, 1s);
    EXPECT_EQ(f.matches.size(), 10u);
    EXPECT_EQ(f.stop, qm::regex::Stop::Limit);
    EXPECT_EQ(Compile(u"a").FindAll(text, 51, 1s).stop, qm::regex::Stop::End);
}

TEST(Regex, RunawayPatternIsStoppedAndToldNotTakenForNoMatch) {
    // Exponential backtracking: PCRE2 gives up, and the scan says so.
    const std::u16string text = std::u16string(40, u'x') + u"\r\n" + u"ok";
    const auto p = Compile(u"(x+x+)+[yz]|ok");
    const auto f = p.FindAll(text, 100, 5s);
    EXPECT_EQ(f.stop, qm::regex::Stop::Runaway);
    const auto r = p.ReplaceAll(text, u"", 5s);
    EXPECT_EQ(r.stop, qm::regex::Stop::Runaway);
    EXPECT_TRUE(r.text.empty());  // nothing half replaced to take
}

TEST(Regex, ASearchSlowAtEveryPositionIsStoppedByTheBudget) {
    // Each start costs PCRE2 a fraction of a millisecond, under its match
    // limit; in one call the whole text took seconds and said "no match".
    std::u16string text;
    for (int i = 0; i < 5000; ++i) text += std::u16string(17, u'x') + u"-";
    text += u"y";
    const auto p = Compile(u"(x+x+)+y");
    const auto f = p.FindAll(text, 100, 300ms);
    EXPECT_EQ(f.stop, qm::regex::Stop::TimeOut);
    EXPECT_EQ(p.ReplaceAll(text, u"", 300ms).stop, qm::regex::Stop::TimeOut);
}

TEST(Regex, ALongReplaceTellsItsProgressAndCanBeStopped) {
    std::u16string text;
    for (int i = 0; i < 5000; ++i) text += std::u16string(17, u'x') + u"-";
    text += u"y";
    const auto p = Compile(u"(x+x+)+y");
    std::size_t told = 0, lastDone = 0;
    const auto r = p.ReplaceAll(text, u"", 10s, qm::regex::kMaxResult,
                                [&](std::size_t done, std::size_t total) {
                                    EXPECT_EQ(total, text.size());
                                    EXPECT_GE(done, lastDone);
                                    lastDone = done;
                                    return ++told < 3;
                                });
    EXPECT_EQ(r.stop, qm::regex::Stop::Canceled);
    EXPECT_EQ(told, 3u);
    EXPECT_TRUE(r.text.empty());
}

TEST(Regex, TimeBudgetEndsALongScan) {
    const std::u16string text(2'000'000, u'a');
    const auto f = Compile(u"a").FindAll(text, SIZE_MAX, 0ms);
    EXPECT_EQ(f.stop, qm::regex::Stop::TimeOut);
    EXPECT_LT(f.matches.size(), text.size());
}

TEST(Regex, AReplacementTooLargeIsRefusedNotBuilt) {
    const std::u16string text(1000, u'a');
    const auto r = Compile(u"x*").ReplaceAll(text, std::u16string(100, u'-'), 1s, 50'000);
    EXPECT_EQ(r.stop, qm::regex::Stop::TooLarge);
    EXPECT_TRUE(r.text.empty());
    EXPECT_EQ(Compile(u"x*").ReplaceAll(text, u"-", 1s, 50'000).stop, qm::regex::Stop::End);
}

namespace {

struct TemplateCase {
    const char* name;
    friend void PrintTo(const TemplateCase& c, std::ostream* os) { *os << c.name; }
    const char16_t* pattern;
    const char16_t* text;
    const char16_t* replacement;
    const char16_t* result;
};

constexpr const char16_t* kNumbers = u"(\\d+)-(\\d+)";
constexpr const char16_t* kPhones = u"电话 010-1234 与 020-5678";
const TemplateCase kTemplates[] = {
    {"BackslashGroups", kNumbers, kPhones, u"\\2-\\1", u"电话 1234-010 与 5678-020"},
    {"DollarGroups", kNumbers, kPhones, u"$2:$1", u"电话 1234:010 与 5678:020"},
    {"WholeMatch", kNumbers, kPhones, u"[$&]", u"电话 [010-1234] 与 [020-5678]"},
    {"EscapedDollarAndBackslash", kNumbers, kPhones, u"$$\\\\", u"电话 $\\ 与 $\\"},
    {"BracedGroupBeforeADigit", kNumbers, kPhones, u"${1}0", u"电话 0100 与 0200"},
    {"DollarTenWithTwoGroupsIsGroupOneAndAZero", kNumbers, kPhones, u"$10", u"电话 0100 与 0200"},
    {"DollarTenWithTenGroupsIsGroupTen", u"(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)", u"abcdefghij", u"$10$1",
     u"ja"},
    {"BackslashNIsCrLf", kNumbers, kPhones, u"\\n", u"电话 \r\n 与 \r\n"},
    {"AGroupThatTookNoPartGivesNothing", u"(a)|(b)", u"ab", u"[\\1\\2]", u"[a][b]"},
};

class RegexReplacement : public ::testing::TestWithParam<TemplateCase> {};

TEST_P(RegexReplacement, FillsTheTemplate) {
    const TemplateCase& c = GetParam();
    EXPECT_EQ(Compile(c.pattern).ReplaceAll(c.text, c.replacement, 1s).text, c.result);
}

INSTANTIATE_TEST_SUITE_P(Regex, RegexReplacement, ::testing::ValuesIn(kTemplates),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

TEST(Regex, ReplacementCountsAndMissingGroups) {
    EXPECT_EQ(Compile(kNumbers).ReplaceAll(kPhones, u"", 1s).count, 2u);
    EXPECT_EQ(qm::regex::MissingGroup(u"\\3", 2), 3u);
    EXPECT_EQ(qm::regex::MissingGroup(u"${12}", 2), 12u);
    EXPECT_EQ(qm::regex::MissingGroup(u"$2 \\0 $&", 2), 0u);
}

namespace {

struct ExtractCase {
    const char* name;
    friend void PrintTo(const ExtractCase& c, std::ostream* os) { *os << c.name; }
    Kind kind;
    std::u16string text;  // what is found, then after "不是：" what looks alike and is not
    std::vector<std::u16string> listed;
    std::optional<std::size_t> found;  // occurrences, where some repeat
};

const ExtractCase kExtracts[] = {
    {"MobileNumbers",
     Kind::Mobile,
     u"张三13812345678，李四 159-8765-4321、王五 186 0000 1111；"
     u"不是：12812345678 138123456789 8613812345678 1381234567 138-1234 5678",
     {u"13812345678", u"159-8765-4321", u"186 0000 1111"},
     std::nullopt},
    {"FixedLineNumbers",
     Kind::FixedLine,
     u"北京010-12345678，深圳0755-1234567，(021)87654321，（0571）88889999，"
     u"020 23456789，075512345678，01087654321。"
     u"不是：12345678 0755-123456 0755-123456789 1010-12345678 0100-1234567",
     {u"010-12345678", u"0755-1234567", u"(021)87654321", u"（0571）88889999", u"020 23456789",
      u"075512345678", u"01087654321"},
     std::nullopt},
    // Listed once, found twice.
    {"QQNumbersAreNoPhoneNumbersAndNoPartOfLongerRuns",
     Kind::QQ,
     u"QQ:12345，QQ 987654321，邮箱 10001@qq.com，群号12345678901。"
     u"不是：01234 1234 123456789012 13812345678 0755-1234567 3.14159 1,234567 12345 "
     u"www.example.com/page?id=20002 http://a.cn/30003",
     {u"12345", u"987654321", u"10001", u"12345678901"},
     5},
    {"WebAddresses",
     Kind::Url,
     u"官网http://www.example.com/a/b?x=1&y=2#top，镜像 HTTPS://Mirror.Example.org:8080/，"
     u"访问www.baidu.com获取帮助。中文域名：http://中文.中国/ 和 www.例子.公司的首页，"
     u"（见https://zh.wikipedia.org/wiki/Foo_(bar)）。"
     u"不是：awww.x.com www.com 网址www. 与 http://",
     {u"http://www.example.com/a/b?x=1&y=2#top", u"HTTPS://Mirror.Example.org:8080/",
      u"www.baidu.com", u"http://中文.中国/", u"www.例子.公司",
      u"https://zh.wikipedia.org/wiki/Foo_(bar)"},
     std::nullopt},
};

class Extraction : public ::testing::TestWithParam<ExtractCase> {};

TEST_P(Extraction, ListsEachOnceAndNothingThatLooksAlike) {
    const ExtractCase& c = GetParam();
    EXPECT_EQ(qm::extract::Unique(c.text, Find(c.kind, c.text)), c.listed);
    if (c.found) {
        EXPECT_EQ(Find(c.kind, c.text).size(), *c.found);
    }
}

INSTANTIATE_TEST_SUITE_P(Extract, Extraction, ::testing::ValuesIn(kExtracts),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

TEST(Extract, RemoveAndReplaceEveryOccurrence) {
    const std::u16string text = u"a13812345678b13812345678c";
    const auto spans = Find(Kind::Mobile, text);
    EXPECT_EQ(qm::extract::ReplaceSpans(text, spans, u""), u"abc");
    EXPECT_EQ(qm::extract::ReplaceSpans(text, spans, u"[电话]"), u"a[电话]b[电话]c");
    EXPECT_EQ(qm::extract::ReplaceSpans(text, {}, u"x"), text);
}

TEST(Cipher, RoundTripOfAnyText) {
    for (const std::u16string& text :
         {std::u16string(u"中文 English\r\n第二行"), std::u16string(), std::u16string(1, u'\xD800'),
          std::u16string(100'000, u'字')}) {
        const std::u16string sealed = qm::cipher::Seal(text, "密码 pass");
        ASSERT_TRUE(qm::cipher::LooksSealed(sealed));
        // Printable ASCII in short lines.
        for (char16_t c : sealed) ASSERT_TRUE(c == u'\r' || c == u'\n' || (c >= 0x20 && c < 0x7F));
        const auto opened = qm::cipher::Open(sealed, "密码 pass");
        EXPECT_EQ(opened.error, qm::cipher::OpenError::None);
        EXPECT_EQ(opened.text, text);
    }
    // Salt and nonce are new each time.
    EXPECT_NE(qm::cipher::Seal(u"同一段", "p"), qm::cipher::Seal(u"同一段", "p"));
}

TEST(Cipher, WrongPasswordTamperingAndForeignTextChangeNothing) {
    using qm::cipher::OpenError;
    const std::u16string sealed = qm::cipher::Seal(u"机密内容", "right");
    EXPECT_EQ(qm::cipher::Open(sealed, "wrong").error, OpenError::WrongPassword);
    EXPECT_EQ(qm::cipher::Open(sealed, "").error, OpenError::WrongPassword);
    // One Base64 letter changed anywhere after the prefix.
    for (std::size_t i = qm::cipher::kPrefix.size(); i < sealed.size(); i += 7) {
        std::u16string bad = sealed;
        if (bad[i] == u'\r' || bad[i] == u'\n' || bad[i] == u'=') continue;
        bad[i] = bad[i] == u'A' ? u'B' : u'A';
        const auto r = qm::cipher::Open(bad, "right");
        EXPECT_NE(r.error, OpenError::None) << i;
        EXPECT_TRUE(r.text.empty());
    }
    EXPECT_EQ(qm::cipher::Open(sealed.substr(0, sealed.size() - 10), "right").error,
              OpenError::NotSealed);
    EXPECT_EQ(qm::cipher::Open(u"普通文字", "right").error, OpenError::NotSealed);
    EXPECT_EQ(qm::cipher::Open(u"QM1:***", "right").error, OpenError::NotSealed);
    // Blanks and line breaks a mail program adds do not matter.
    std::u16string spaced = u"  \r\n" + sealed;
    for (std::size_t i = 20; i < spaced.size(); i += 30) spaced.insert(i, u" ");
    EXPECT_EQ(qm::cipher::Open(spaced, "right").text, u"机密内容");
}

TEST(Remix, SameSeedSameArticleAndEveryParagraphKept) {
    std::u16string article;
    for (int i = 0; i < 20; ++i)
        article += u"　　第" + std::u16string(1, u'A' + i) + u"段。\r\n\r\n";
    qm::remix::Settings s;
    s.seed = 42;
    const std::u16string a = qm::remix::Remix(article, s);
    EXPECT_EQ(a, qm::remix::Remix(article, s));
    s.seed = 43;
    EXPECT_NE(a, qm::remix::Remix(article, s));
    // The same paragraphs, another order, still parted by empty lines.
    auto sorted = [](std::u16string t) {
        std::vector<std::u16string> lines;
        for (std::size_t f = 0, e; f < t.size(); f = e + 4) {
            e = t.find(u"\r\n\r\n", f);
            if (e == std::u16string::npos) e = t.size();
            lines.push_back(t.substr(f, e - f));
        }
        std::sort(lines.begin(), lines.end());
        return lines;
    };
    auto got = sorted(a);
    EXPECT_EQ(got.size(), 20u);
    EXPECT_EQ(got, sorted(article.substr(0, article.size() - 4)));
    s.keepFirst = true;
    EXPECT_EQ(qm::remix::Remix(article, s).substr(0, 6), u"　　第A段。");
}

TEST(Remix, TitleKeywordsAndSynonyms) {
    const std::u16string article = u"　　电脑很好。\r\n手机不错。\r\n电脑手机都好。\r\n最后一段。";
    qm::remix::Settings s;
    s.shuffle = false;
    s.title = u"标题";
    s.keywords = {u"【甲】", u"【乙】"};
    s.every = 2;
    s.synonyms = qm::remix::ParseSynonyms(u"电脑=计算机\r\n手机，移动电话\r\n无分隔\r\n=空词");
    ASSERT_EQ(s.synonyms.size(), 2u);
    EXPECT_EQ(qm::remix::Remix(article, s),
              u"标题\r\n　　计算机很好。\r\n移动电话不错。【甲】\r\n计算机移动电话都好。\r\n最后一"
              u"段。【乙】");
    s.atStart = true;
    s.every = 1;
    s.keywords = {u"K"};
    s.synonyms.clear();
    s.title.clear();
    EXPECT_EQ(qm::remix::Remix(article, s),
              u"　　K电脑很好。\r\nK手机不错。\r\nK电脑手机都好。\r\nK最后一段。");
    // Longest word first, and a replacement is not replaced again.
    EXPECT_EQ(qm::remix::ReplaceSynonyms(
                  u"中华人民", {{u"中华", u"华夏"}, {u"中华人民", u"人民"}, {u"人民", u"百姓"}}),
              u"人民");
    EXPECT_EQ(qm::remix::ReplaceSynonyms(u"甲乙", {{u"甲", u"乙"}, {u"乙", u"丙"}}), u"乙丙");
}
