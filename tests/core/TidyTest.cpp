#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "core/Common.h"
#include "core/Tidy.h"

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
    EXPECT_EQ(t::ParsePieceLength(u"10"), 10u);
    EXPECT_EQ(t::ParsePieceLength(u" 7 "), 7u);
    EXPECT_EQ(t::ParsePieceLength(u"40000"), 40000u);  // no 32767 limit
    // Leading zeros and widths past the text's length are whole numbers too.
    EXPECT_EQ(t::ParsePieceLength(u"0000000005"), 5u);
    EXPECT_EQ(t::ParsePieceLength(u"1000000000"), 1000000000u);
    EXPECT_EQ(t::ParsePieceLength(u"99999999999999999999999"),
              std::numeric_limits<std::size_t>::max());
    EXPECT_EQ(Joined(Chunks([](const t::Sink& s) {
                  t::Rebreak(u"abc", std::numeric_limits<std::size_t>::max(), s);
              })),
              u"abc\r\n");
    for (const char16_t* bad : {u"", u"0", u"000", u"-3", u"2.5", u"abc", u"１０", u"1 0"}) {
        EXPECT_FALSE(t::ParsePieceLength(bad)) << std::u16string(bad).size();
    }
}

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

TEST(Tidy, GetTextBetween) {
    EXPECT_EQ(GetTextBetween(u"ab[x]cd", u"[", u"]"), u"x");
    EXPECT_EQ(GetTextBetween(u"xaYbz", u"A", u"B"), u"Y");  // markers found without case
    EXPECT_EQ(GetTextBetween(u"ab[]cd", u"[", u"]"), u"");
    EXPECT_EQ(GetTextBetween(u"abc]d", u"", u"]"), u"abc");  // empty start: from the beginning
    EXPECT_EQ(GetTextBetween(u"a[bc", u"[", u""), u"");
    EXPECT_EQ(GetTextBetween(u"a]b[c", u"[", u"]"), u"");  // stop must come after start
    EXPECT_EQ(GetTextBetween(u"ＡxＢ", u"ａ", u"ｂ"), u"x");
}

TEST(Tidy, RulePassSteps) {
    t::RuleFields f;
    EXPECT_EQ(t::RulePass(u"a\r\nb", f), u"a\r\nb\r\n");  // all empty: one CR LF more
    EXPECT_EQ(t::RulePass(u"", f), u"\r\n");

    f.spanStart = u"[";
    f.spanStop = u"]";
    EXPECT_EQ(t::RuleLine(u"ab[x]cd x", f), u"abcd ");  // the worked example

    t::RuleFields g;
    g.spanStart = u"A";
    g.spanStop = u"B";
    EXPECT_EQ(t::RuleLine(u"xaYbz", g), u"xabz");  // markers removed only case-sensitively
    g.spanStop.clear();
    EXPECT_EQ(t::RuleLine(u"xAyAz", g), u"xyz");  // no span, but the start markers go

    t::RuleFields r;
    r.find = u"，";
    r.replaceWith = u"回车";
    EXPECT_EQ(t::RulePass(u"甲，乙，丙", r), u"甲\r\n乙\r\n丙\r\n");
    r.replaceWith.clear();
    EXPECT_EQ(t::RulePass(u"甲，乙", r), u"甲，乙\r\n");  // only one of the two: no replacement

    t::RuleFields h;
    h.spanStart = u"<";
    h.spanStop = u">";
    h.spanReplace = u"-";
    EXPECT_EQ(t::RuleLine(u"a<b>c", h), u"ac");  // one character counts as empty
    h.spanReplace = u"==";
    EXPECT_EQ(t::RuleLine(u"a<b>c b", h), u"a==c ==");

    t::RuleFields d;
    d.deleteText = u"ab";
    d.deleteLines = u"删";
    EXPECT_EQ(t::RulePass(u"xaby\r\n请删掉\r\nab", d), u"xy\r\n\r\n\r\n");
}

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
    using 常用模块::ReplaceAll;
    EXPECT_EQ(ReplaceAll(u"aaa", u"aa", u"b"), u"ba");    // no overlap
    EXPECT_EQ(ReplaceAll(u"abc", u"b", u"bb"), u"abbc");  // inserted text not rescanned
    EXPECT_EQ(ReplaceAll(u"abc", u"", u"x"), u"abc");
    EXPECT_EQ(ReplaceAll(u"aBc", u"b", u"x"), u"aBc");  // case-sensitive
    EXPECT_EQ(常用模块::GetFileNameOnly(u"C:\\dir\\a.ini"), u"a.ini");
    EXPECT_EQ(常用模块::GetFileNameOnly(u"/home/u/规则.ini"), u"规则.ini");
    EXPECT_EQ(常用模块::GetFileNameOnly(u"a.ini"), u"a.ini");
    EXPECT_EQ(常用模块::GetFileNameOnly(u"/home/"), u"");
}

TEST(Common, CharactersAndLineBreaks) {
    using 常用模块::CharLengthAt;
    const std::u16string t = u"a\r\n\U0001F600\r";
    EXPECT_EQ(CharLengthAt(t, 0), 1u);
    EXPECT_EQ(CharLengthAt(t, 1), 2u);  // CR LF
    EXPECT_EQ(CharLengthAt(t, 3), 2u);  // a surrogate pair
    EXPECT_EQ(CharLengthAt(t, 5), 1u);  // a lone CR at the end
    EXPECT_EQ(CharLengthAt(t, 6), 0u);
    // CR LF stays one break; lone CR, lone LF and U+2029 become CR LF.
    EXPECT_EQ(常用模块::NormalizeLineBreaks(u"a\r\nb\rc\nd\u2029e"), u"a\r\nb\r\nc\r\nd\r\ne");
}
