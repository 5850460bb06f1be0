#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "core/text/Common.h"
#include "core/tools/Tidy.h"

namespace t = qm::tidy;
using 常用模块::GetTextBetween;

namespace {

// Runs a line-by-line command, keeping every chunk it appends.
template <class F>
std::vector<std::u16string> Chunks(F run) {
    std::vector<std::u16string> out;
    run([&out](std::u16string_view c) { out.emplace_back(c); });
    return out;
}

std::u16string Joined(const std::vector<std::u16string>& chunks) {
    std::u16string s;
    for (const auto& c : chunks) s += c;
    return s;
}

}  // namespace

TEST(Tidy, InsertAtEveryLine) {
    auto end =
        Chunks([](const t::Sink& s) { t::InsertAtEveryLine(u"a\r\nb\r\n", u"。", false, s); });
    EXPECT_EQ(end, (std::vector<std::u16string>{u"a。\r\n", u"b。\r\n"}));  // one write per line
    auto same = Chunks([](const t::Sink& s) { t::InsertAtEveryLine(u"a\r\nb\r\n", u"", true, s); });
    EXPECT_EQ(Joined(same), u"a\r\nb\r\n");
    // A last line without CR LF is not lost; the inserted text keeps its own breaks.
    auto last =
        Chunks([](const t::Sink& s) { t::InsertAtEveryLine(u"a\r\nb", u"1\r\n2", true, s); });
    EXPECT_EQ(Joined(last), u"1\r\n2a\r\n1\r\n2b\r\n");
    // Empty lines inside the text are lines too.
    auto blank =
        Chunks([](const t::Sink& s) { t::InsertAtEveryLine(u"a\r\n\r\nb", u"。", false, s); });
    EXPECT_EQ(Joined(blank), u"a。\r\n。\r\nb。\r\n");
    EXPECT_TRUE(Chunks([](const t::Sink& s) { t::InsertAtEveryLine(u"", u"x", true, s); }).empty());
}

TEST(Tidy, EmptyLineAfterEveryLineAndMerge) {
    EXPECT_EQ(
        Joined(Chunks([](const t::Sink& s) { t::EmptyLineAfterEveryLine(u"a\r\nb\r\n", s); })),
        u"a\r\n\r\nb\r\n\r\n");
    EXPECT_EQ(Joined(Chunks([](const t::Sink& s) { t::EmptyLineAfterEveryLine(u"a\r\nb", s); })),
              u"a\r\n\r\nb\r\n\r\n");
    auto merged = Chunks([](const t::Sink& s) { t::MergeLines(u"a\r\nb\r\n", s); });
    EXPECT_EQ(merged.size(), 3u);  // the empty last piece is written too
    EXPECT_EQ(Joined(merged), u"ab");
    // Lone CR and LF are ordinary characters.
    EXPECT_EQ(Joined(Chunks([](const t::Sink& s) { t::MergeLines(u"a\rb\n\r\nc", s); })),
              u"a\rb\nc");
}

TEST(Tidy, Rebreak) {
    auto lines = Chunks([](const t::Sink& s) { t::Rebreak(u"abcdefghijklm", 5, s); });
    EXPECT_EQ(lines, (std::vector<std::u16string>{u"abcde\r\n", u"fghij\r\n", u"klm\r\n"}));
    EXPECT_EQ(Joined(Chunks([](const t::Sink& s) { t::Rebreak(u"ab\r\ncd", 3, s); })),
              u"ab\r\r\n\ncd\r\n");  // existing breaks count as two units
    EXPECT_EQ(Joined(Chunks([](const t::Sink& s) {
                  t::Rebreak(u"abc", std::numeric_limits<std::size_t>::max(), s);
              })),
              u"abc\r\n");
}

namespace {

struct PieceLengthCase {
    const char* name;
    friend void PrintTo(const PieceLengthCase& c, std::ostream* os) { *os << c.name; }
    const char16_t* typed;
    std::optional<std::size_t> length;  // none: refused
};

const PieceLengthCase kPieceLengths[] = {
    {"PlainNumber", u"10", 10},
    {"BlanksAround", u" 7 ", 7},
    {"PastTheOld32767Limit", u"40000", 40000},
    // Leading zeros and widths past the text's length are whole numbers too.
    {"LeadingZeros", u"0000000005", 5},
    {"WiderThanAnyText", u"1000000000", 1000000000},
    {"TooLargeMeansNoLimit", u"99999999999999999999999", std::numeric_limits<std::size_t>::max()},
    {"Empty", u"", std::nullopt},
    {"Zero", u"0", std::nullopt},
    {"ZerosOnly", u"000", std::nullopt},
    {"Negative", u"-3", std::nullopt},
    {"Fraction", u"2.5", std::nullopt},
    {"Letters", u"abc", std::nullopt},
    {"FullWidthDigits", u"１０", std::nullopt},
    {"BlankInside", u"1 0", std::nullopt},
};

class PieceLength : public ::testing::TestWithParam<PieceLengthCase> {};

TEST_P(PieceLength, ReadFromTheBox) {
    EXPECT_EQ(t::ParsePieceLength(GetParam().typed), GetParam().length);
}

INSTANTIATE_TEST_SUITE_P(Tidy, PieceLength, ::testing::ValuesIn(kPieceLengths),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

TEST(Tidy, RemoveSpaces) {
    const std::u16string text = u"  a b\u3000c  \r\n\t d \r\n   ";
    EXPECT_EQ(t::RemoveSpaces(text, t::SpaceMode::All), u"ab\u3000c\r\n\td\r\n");
    EXPECT_EQ(t::RemoveSpaces(text, t::SpaceMode::LineStart), u"a b\u3000c  \r\n\t d \r\n");
    EXPECT_EQ(t::RemoveSpaces(text, t::SpaceMode::LineEnd), u"  a b\u3000c\r\n\t d\r\n");
}

TEST(Tidy, RemoveEmptyLines) {
    std::vector<std::u16string> writes;
    auto keep = [&writes](const std::u16string& s) { writes.push_back(s); };
    EXPECT_EQ(t::RemoveEmptyLines(u"\r\n\r\n\r\na\r\n\r\n\r\nb", keep), u"\r\na\r\nb");
    EXPECT_GE(writes.size(), 2u);
    writes.clear();
    EXPECT_EQ(t::RemoveEmptyLines(u"", keep), u"");
    EXPECT_TRUE(writes.empty());  // nothing to do, nothing written
    EXPECT_EQ(t::RemoveEmptyLines(u"a\r\n\r\n\r\n\r\n\r\n", keep), u"a\r\n");
    EXPECT_EQ(t::RemoveEmptyLines(u"a\r\n\n\r\n", keep), u"a\r\n\n\r\n");  // a lone LF is text
}

namespace {

struct BetweenCase {
    const char* name;
    friend void PrintTo(const BetweenCase& c, std::ostream* os) { *os << c.name; }
    const char16_t* text;
    const char16_t* start;
    const char16_t* stop;
    const char16_t* between;
};

const BetweenCase kBetween[] = {
    {"TextBetweenTheMarkers", u"ab[x]cd", u"[", u"]", u"x"},
    {"MarkersFoundWithoutCase", u"xaYbz", u"A", u"B", u"Y"},
    {"NothingBetweenTheMarkers", u"ab[]cd", u"[", u"]", u""},
    {"AnEmptyStartReadsFromTheBeginning", u"abc]d", u"", u"]", u"abc"},
    {"AnEmptyStopFindsNothing", u"a[bc", u"[", u"", u""},
    {"AStopBeforeTheStartFindsNothing", u"a]b[c", u"[", u"]", u""},
    {"FullWidthMarkersFoundWithoutCase", u"ＡxＢ", u"ａ", u"ｂ", u"x"},
};

class TextBetween : public ::testing::TestWithParam<BetweenCase> {};

TEST_P(TextBetween, IsFound) {
    const BetweenCase& c = GetParam();
    EXPECT_EQ(GetTextBetween(c.text, c.start, c.stop), c.between);
}

INSTANTIATE_TEST_SUITE_P(Tidy, TextBetween, ::testing::ValuesIn(kBetween),
                         [](const auto& info) { return std::string(info.param.name); });

// The six steps of the rule pass, each on its own fields. A whole pass ends
// every piece with CR LF; one line is the steps alone.
struct RuleCase {
    const char* name;
    friend void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.name; }
    t::RuleFields fields;
    bool wholePass;
    const char16_t* text;
    const char16_t* result;
};

const RuleCase kRules[] = {
    {"AllEmptyAddsOneCrLf", {}, true, u"a\r\nb", u"a\r\nb\r\n"},
    {"AllEmptyOnNothingIsOneCrLf", {}, true, u"", u"\r\n"},
    {"TheSpansTextGoesWhereverItStands",  // the worked example
     [] {
         t::RuleFields f;
         f.spanStart = u"[";
         f.spanStop = u"]";
         return f;
     }(),
     false, u"ab[x]cd x", u"abcd "},
    {"MarkersAreRemovedOnlyInTheirOwnCase",
     [] {
         t::RuleFields f;
         f.spanStart = u"A";
         f.spanStop = u"B";
         return f;
     }(),
     false, u"xaYbz", u"xabz"},
    {"AStartWithoutAStopStillGoes",
     [] {
         t::RuleFields f;
         f.spanStart = u"A";
         return f;
     }(),
     false, u"xAyAz", u"xyz"},
    {"ReturnMeansCrLf",
     [] {
         t::RuleFields f;
         f.find = u"，";
         f.replaceWith = u"回车";
         return f;
     }(),
     true, u"甲，乙，丙", u"甲\r\n乙\r\n丙\r\n"},
    {"FindWithoutReplacementReplacesNothing",
     [] {
         t::RuleFields f;
         f.find = u"，";
         return f;
     }(),
     true, u"甲，乙", u"甲，乙\r\n"},
    {"OneCharacterSpanReplacementCountsAsEmpty",
     [] {
         t::RuleFields f;
         f.spanStart = u"<";
         f.spanStop = u">";
         f.spanReplace = u"-";
         return f;
     }(),
     false, u"a<b>c", u"ac"},
    {"SpanReplacementTakesEachPlaceOfTheSpansText",
     [] {
         t::RuleFields f;
         f.spanStart = u"<";
         f.spanStop = u">";
         f.spanReplace = u"==";
         return f;
     }(),
     false, u"a<b>c b", u"a==c =="},
    {"DeletedTextAndDeletedLines",
     [] {
         t::RuleFields f;
         f.deleteText = u"ab";
         f.deleteLines = u"删";
         return f;
     }(),
     true, u"xaby\r\n请删掉\r\nab", u"xy\r\n\r\n\r\n"},
};

class RuleSteps : public ::testing::TestWithParam<RuleCase> {};

TEST_P(RuleSteps, Apply) {
    const RuleCase& c = GetParam();
    EXPECT_EQ(c.wholePass ? t::RulePass(c.text, c.fields) : t::RuleLine(c.text, c.fields),
              c.result);
}

INSTANTIATE_TEST_SUITE_P(Tidy, RuleSteps, ::testing::ValuesIn(kRules),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

TEST(Tidy, RulePassHasNoLineLimit) {
    std::u16string text;
    for (int i = 0; i < 6000; ++i) text += u"k[v]k\r\n";
    t::RuleFields f;
    f.spanStart = u"[";
    f.spanStop = u"]";
    const std::u16string out = t::RulePass(text, f);
    EXPECT_EQ(out.find(u'v'), std::u16string::npos);  // spans gone in line 6000 too
    EXPECT_EQ(out.size(), 6000u * 4 + 2);
}

TEST(Tidy, CharacterTools) {
    EXPECT_EQ(t::ReverseString(u"abc"), u"cba");
    EXPECT_EQ(t::ReverseString(u"a\U0001F600b"), u"b\U0001F600a");  // the pair stays whole
    EXPECT_EQ(t::删除字母和符号(u"Ab9 8,中(1)"), u"9 8,中(1)");     // 9 is a digit and stays
    EXPECT_EQ(t::删除字母和符号(u"\"#$%&'*/:;<>?@[\\]^_`{|}~\u3003\uFF1A!+-."), u"!+-.");
    EXPECT_EQ(t::RemoveDigits(u"2026/12/08"), u"");
    EXPECT_EQ(t::RemoveDigits(u"第3章-Ａ"), u"第章-Ａ");
}

TEST(Common, ReplaceAllAndFileName) {
    const struct {
        const char* name;
        const char16_t *text, *find, *with, *result;
    } replacements[] = {
        {"NoOverlap", u"aaa", u"aa", u"b", u"ba"},
        {"InsertedTextIsNotScannedAgain", u"abc", u"b", u"bb", u"abbc"},
        {"NothingToFind", u"abc", u"", u"x", u"abc"},
        {"CaseSensitive", u"aBc", u"b", u"x", u"aBc"},
    };
    for (const auto& r : replacements) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(常用模块::ReplaceAll(r.text, r.find, r.with), r.result);
    }
    const struct {
        const char* name;
        const char16_t *path, *fileName;
    } paths[] = {
        {"Backslashes", u"C:\\dir\\a.ini", u"a.ini"},
        {"SlashesAndChinese", u"/home/u/规则.ini", u"规则.ini"},
        {"NoFolder", u"a.ini", u"a.ini"},
        {"AFolderOnly", u"/home/", u""},
    };
    for (const auto& p : paths) {
        SCOPED_TRACE(p.name);
        EXPECT_EQ(常用模块::GetFileNameOnly(p.path), p.fileName);
    }
}

TEST(Common, CharactersAndLineBreaks) {
    const std::u16string t = u"a\r\n\U0001F600\r";
    const struct {
        const char* name;
        std::size_t at, length;
    } characters[] = {
        {"ALetter", 0, 1},         {"CrLfIsOne", 1, 2},  {"ASurrogatePairIsOne", 3, 2},
        {"ALoneCrAtTheEnd", 5, 1}, {"PastTheEnd", 6, 0},
    };
    for (const auto& c : characters) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(常用模块::CharLengthAt(t, c.at), c.length);
    }
    // CR LF stays one break; lone CR, lone LF and U+2029 become CR LF.
    EXPECT_EQ(常用模块::NormalizeLineBreaks(u"a\r\nb\rc\nd\u2029e"), u"a\r\nb\r\nc\r\nd\r\ne");
}
