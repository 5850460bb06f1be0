#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string_view>

#include "core/search/ReplaceTable.h"
#include "core/search/Search.h"
#include "core/tools/Statistics.h"

namespace s = qm::search;

TEST(Search, FindFromAndNext) {
    const std::u16string text = u"abcabc中文abc";
    EXPECT_EQ(s::FindFrom(text, u"abc", 0), 0u);
    EXPECT_EQ(s::FindFrom(text, u"abc", s::NextSearchStart(0, 3)), 3u);
    EXPECT_EQ(s::FindFrom(text, u"abc", s::NextSearchStart(3, 3)), 8u);
    EXPECT_FALSE(s::FindFrom(text, u"abc", s::NextSearchStart(8, 3)));
    EXPECT_EQ(s::FindFrom(text, u"中文", 0), 6u);
    EXPECT_FALSE(s::FindFrom(text, u"ABC", 0));  // case-sensitive
    EXPECT_FALSE(s::FindFrom(text, u"", 0));
    EXPECT_EQ(s::NextSearchStart(5, 0), 5u);  // a bare caret: search from it
}

TEST(Search, LineStartOffsetAndNumbers) {
    const std::u16string text = u"one\r\ntwo\r\n\r\nfour";
    const struct {
        const char* name;
        std::u16string_view text;
        int line;                           // counted from 0
        std::optional<std::size_t> offset;  // none: no such line
    } starts[] = {
        {"FirstLine", text, 0, 0u},
        {"AfterACrLf", text, 1, 5u},
        {"AnEmptyLine", text, 2, 10u},
        {"LastLine", text, 3, 12u},
        {"BeyondTheLastLine", text, 4, std::nullopt},
        {"LineNumberZero", text, -1, std::nullopt},
        {"LoneCrAndLfMakeOneLine", u"a\rb\nc", 1, std::nullopt},
    };
    for (const auto& r : starts) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(s::LineStartOffset(r.text, r.line), r.offset);
    }
    const struct {
        const char* name;
        const char16_t* typed;
        std::optional<long long> number;  // none: refused
    } numbers[] = {
        {"BlanksAround", u" 12 ", 12},     {"Negative", u"-3", -3},
        {"Letters", u"abc", std::nullopt}, {"Fraction", u"1.5", std::nullopt},
        {"Empty", u"", std::nullopt},
    };
    for (const auto& r : numbers) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(s::ParseLineNumber(r.typed), r.number);
    }
}

TEST(Statistics, EveryRowOfTheTable) {
    const struct {
        std::u16string text;
        long long chinese, english, digits, bytes;
    } rows[] = {
        {u"", 0, 0, 0, 0},
        {u"Hello world", 0, 2, 0, 11},
        {u"don't e-mail", 0, 2, 0, 12},
        {u"well- done", 0, 1, 0, 10},
        {u"abc123def", 0, 2, 1, 9},
        {u"3.14", 0, 0, 2, 4},
        {u"中文，English。", 4, 1, 0, 15},
        {u"ab\r\ncd", 0, 2, 0, 6},
        {u"é", 1, 0, 0, 2},
        {u"mp3", 0, 1, 1, 3},
        {u"ＡＢ１", 3, 0, 0, 6},  // full-width letters and digits are double-byte
    };
    for (const auto& r : rows) {
        const qm::stats::Counts c = qm::stats::Count(r.text);
        EXPECT_EQ(c.chinese, r.chinese) << r.text.size();
        EXPECT_EQ(c.english, r.english) << r.text.size();
        EXPECT_EQ(c.digits, r.digits) << r.text.size();
        EXPECT_EQ(c.bytes, r.bytes) << r.text.size();
    }
}

TEST(Statistics, UnencodableAndSurrogates) {
    // Thai and an emoji (two units) have no code: each unit is "?", one byte, no category.
    const qm::stats::Counts c = qm::stats::Count(u"a\u0E01\U0001F600b");
    EXPECT_EQ(c.chinese, 0);
    EXPECT_EQ(c.english, 2);
    EXPECT_EQ(c.bytes, 5);
    EXPECT_EQ(qm::stats::SignedCode(u'?'), 63);
    EXPECT_EQ(qm::stats::SignedCode(u'\u0E01'), 63);
    EXPECT_LT(qm::stats::SignedCode(u'中'), 0);
    EXPECT_EQ(qm::stats::SignedCode(u'\u20AC'), 128);  // the euro sign is one byte, 0x80
    EXPECT_EQ(qm::stats::Count(u"\u20AC").chinese, 1);
}

// A run of digits is one number whatever digits it holds: each of 0 to 9 in
// every place of a run (first, inside, last, alone), then random texts
// against a plain count of runs.
TEST(Statistics, DigitRunsOfEveryDigit) {
    for (char16_t d = u'0'; d <= u'9'; ++d) {
        const std::u16string one(1, d);
        EXPECT_EQ(qm::stats::Count(one).digits, 1) << char(d);
        EXPECT_EQ(qm::stats::Count(one + u"5" + one + u" " + one).digits, 2) << char(d);
        EXPECT_EQ(qm::stats::Count(u"a" + one + u"1中" + one + one).digits, 2) << char(d);
    }
    EXPECT_EQ(qm::stats::Count(u"1999年9月99日").digits, 3);
    std::mt19937 rng(3);
    const std::u16string alphabet = u"0123456789999 a.中";
    for (int round = 0; round < 200; ++round) {
        std::u16string text;
        for (int i = 0; i < 60; ++i) text += alphabet[rng() % alphabet.size()];
        long long runs = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const bool digit = text[i] >= u'0' && text[i] <= u'9';
            const bool next = i + 1 < text.size() && text[i + 1] >= u'0' && text[i + 1] <= u'9';
            if (digit && !next) ++runs;
        }
        EXPECT_EQ(qm::stats::Count(text).digits, runs) << round;
    }
}

TEST(ReplaceTable, SaveAndImportRoundTrip) {
    qm::table::Table t;
    t[0] = {u"，", u","};
    t[2] = {u"甲", u"乙"};
    t[3] = {u"gone", u""};  // a deletion is not saved
    t[4] = {u"", u"x"};     // nor a pair without find text
    const std::u16string file = qm::table::Serialize(t);
    EXPECT_EQ(file, u"，|,\r\n甲|乙\r\n");
    const auto lines = qm::table::Parse(file);
    ASSERT_EQ(lines.size(), 3u);  // the empty piece after the last CR LF
    EXPECT_EQ(lines[0].find, u"，");
    EXPECT_EQ(lines[1].replacement, u"乙");  // rows are packed: saved rows lose their gaps
    EXPECT_TRUE(lines[2].empty);
    EXPECT_EQ(qm::table::Serialize(qm::table::Table{}), u"");
}

TEST(ReplaceTable, ImportEdgeCases) {
    std::u16string sixty;
    for (int i = 1; i <= 60; ++i)
        sixty += u"k" + std::u16string(1, static_cast<char16_t>(u'0' + i % 10)) + u"|v\r\n";
    EXPECT_EQ(qm::table::Parse(sixty).size(), 50u);
    // LF only: one line, split at its first "|"; further pieces are dropped.
    const auto lf = qm::table::Parse(u"a|b\nc|d\n");
    ASSERT_EQ(lf.size(), 1u);
    EXPECT_EQ(lf[0].find, u"a");
    EXPECT_EQ(lf[0].replacement, u"b\nc");
    const auto noBar = qm::table::Parse(u"only\r\n");
    EXPECT_EQ(noBar[0].find, u"only");
    EXPECT_FALSE(noBar[0].hasReplacement);
}

TEST(ReplaceTable, RowsApplyInOrderOnEachOthersResult) {
    qm::table::Table t;
    t[0] = {u"a", u"b"};
    t[1] = {u"zzz", u"y"};  // matches nothing: no write
    t[2] = {u"b", u"c"};
    t[3] = {u"c", u"c"};  // changes nothing: no write
    t[5] = {u"", u"q"};
    t[6] = {u" ", u""};  // a deletion
    std::vector<std::u16string> writes;
    qm::table::Apply(t, u"a ABC abc", [&](const std::u16string& s) { writes.push_back(s); });
    EXPECT_EQ(writes, (std::vector<std::u16string>{u"b ABC bbc", u"c ABC ccc", u"cABCccc"}));
    writes.clear();
    qm::table::Apply(qm::table::Table{}, u"text",
                     [&](const std::u16string& s) { writes.push_back(s); });
    EXPECT_TRUE(writes.empty());
}
