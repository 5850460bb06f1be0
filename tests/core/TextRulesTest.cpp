// The small text rules every layer shares: surrogates, blanks, Han
// characters, lines, cut spans, whole numbers, file names in paths.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "core/filetools/FileTools.h"
#include "core/search/Search.h"
#include "core/text/Lines.h"
#include "core/text/Paths.h"
#include "core/text/Strip.h"
#include "core/text/Utf16.h"
#include "core/text/WholeNumber.h"
#include "core/tools/Tidy.h"

namespace t = qm::text;

TEST(TextRules, SurrogatePairsAreNeverSplit) {
    const std::u16string s =
        u"a𠀀b\xD800"
        u"c\xDC00";  // a pair, then two lone halves
    EXPECT_FALSE(t::SplitsPair(s, 0));
    EXPECT_FALSE(t::SplitsPair(s, 1));
    EXPECT_TRUE(t::SplitsPair(s, 2));
    EXPECT_FALSE(t::SplitsPair(s, 3));
    EXPECT_FALSE(t::SplitsPair(s, s.size()));
    EXPECT_EQ(t::CharacterStart(s, 2), 1u);
    EXPECT_EQ(t::CharacterStart(s, 3), 3u);
    EXPECT_FALSE(t::IsLoneSurrogate(s, 1));
    EXPECT_FALSE(t::IsLoneSurrogate(s, 2));
    EXPECT_TRUE(t::IsLoneSurrogate(s, 4));
    EXPECT_TRUE(t::IsLoneSurrogate(s, 6));
    EXPECT_EQ(t::Utf8Length(u"aé中𠀀"), 1u + 2 + 3 + 4);
    EXPECT_EQ(t::Utf8Length(u"\xD800"), 3u);  // a lone half as it is written
}

TEST(TextRules, StripCutsOnlyItsOwnSet) {
    EXPECT_EQ(t::Strip(u"  a b  "), u"a b");
    EXPECT_EQ(t::Strip(u"   "), u"");
    EXPECT_EQ(t::Strip(u"\ta\t"), u"\ta\t");  // a tab is not a blank of settings files
    EXPECT_EQ(t::StripLeft(u"\u3000\r\n QM1:x ", t::kBlanks), u"QM1:x ");
    EXPECT_EQ(t::StripRight(u" a\u3000", t::kBlanks), u" a");
    EXPECT_EQ(t::StripAscii(" text/html\r\n"), "text/html");
    EXPECT_EQ(t::StripAscii("\f\t"), "");
}

TEST(TextRules, EachToolCutsItsOwnBlanks) {
    struct Row {
        const char* name;
        std::u16string_view set;
        std::u16string_view text, stripped;
    } rows[] = {
        {"novel: no-break space and U+3000", t::kNovelBlanks, u"\u00A0\u3000a\t", u"a"},
        {"novel keeps an em space", t::kNovelBlanks, u"\u2003a", u"\u2003a"},
        {"purge: em space, zero-width, break", t::kPurgeTrimmed, u"\u2003\u200Ba\u00AD\r\n", u"a"},
        {"purge blanks are no zero-width", t::kPurgeBlanks, u"\u200Ba", u"\u200Ba"},
        {"epub: byte order mark, U+200B", t::kEpubBlanks, u"\uFEFF\u2000a\u200B", u"a"},
        {"re-mixer keeps a no-break space", t::kRemixBlanks, u"\u3000\u00A0", u"\u00A0"},
        {"epub keeps a soft hyphen", t::kEpubBlanks, u"\u00ADa", u"\u00ADa"},
    };
    for (const Row& r : rows) EXPECT_EQ(t::Strip(r.text, r.set), r.stripped) << r.name;
    EXPECT_TRUE(t::kPurgeBlanks.Has(u'\u2003'));  // asked one unit at a time, the same set
    EXPECT_FALSE(t::kNovelBlanks.Has(u'\u2003'));
}

TEST(TextRules, HanBlocks) {
    struct Row {
        const char* name;
        char16_t c;
        bool bmp, withSurrogates;
    } rows[] = {
        {"unified", u'中', true, true},
        {"extension A", u'\u3400', true, true},
        {"compatibility", u'\uF900', true, true},
        {"half of 𠀀", u"𠀀"[0], false, true},
        {"kana", u'ぁ', false, false},
        {"ideographic space", u'\u3000', false, false},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(t::IsHan(r.c), r.bmp) << r.name;
        EXPECT_EQ(t::IsHan(r.c, t::HanUnits::WithSurrogates), r.withSurrogates) << r.name;
    }
}

TEST(TextRules, LinesOfAnyBreak) {
    using L = std::vector<std::array<std::size_t, 3>>;  // start, length, break length
    struct Row {
        const char* name;
        std::u16string_view text;
        L lines;
    } rows[] = {
        {"CR LF, LF, lone CR", u"a\r\nbc\nd\re", L{{0, 1, 2}, {3, 2, 1}, {6, 1, 1}, {8, 1, 0}}},
        {"break at the end", u"a\n", L{{0, 1, 1}, {2, 0, 0}}},
        {"LF CR is two breaks", u"\n\r", L{{0, 0, 1}, {1, 0, 1}, {2, 0, 0}}},
        {"empty text", u"", L{{0, 0, 0}}},
    };
    for (const Row& r : rows) {
        L got;
        for (const t::Line& l : t::SplitLines(r.text))
            got.push_back({l.start, l.length, l.breakLength});
        EXPECT_EQ(got, r.lines) << r.name;
    }
}

TEST(TextRules, CutSpans) {
    using S = std::vector<t::Span>;
    struct Row {
        const char* name;
        S spans;
        std::u16string_view kept;
    } rows[] = {
        {"none", S{}, u"abcdef"},
        {"out of order", S{{4, 1}, {0, 1}}, u"bcdf"},
        {"overlapping", S{{1, 2}, {2, 2}}, u"aef"},
        {"one inside another", S{{1, 4}, {2, 1}}, u"af"},
        {"past the end", S{{5, 9}, {9, 1}}, u"abcde"},
    };
    for (const Row& r : rows) EXPECT_EQ(t::CutSpans(u"abcdef", r.spans), r.kept) << r.name;
}

TEST(TextRules, WholeNumberText) {
    struct Row {
        std::int64_t n;
        int minDigits;
        std::u16string_view text;
    } rows[] = {
        {0, 1, u"0"},     {42, 1, u"42"},
        {-7, 3, u"-007"}, {123, 2, u"123"},
        {5, 0, u"5"},     {std::numeric_limits<std::int64_t>::min(), 1, u"-9223372036854775808"},
    };
    for (const Row& r : rows) EXPECT_EQ(t::WholeNumberText(r.n, r.minDigits), r.text) << r.n;
}

struct NumberCase {
    const char16_t* typed;
    std::optional<long long> line;           // as the go-to window reads it
    std::optional<std::size_t> pieceLength;  // as "重新分行" reads it
};

class TypedNumbers : public ::testing::TestWithParam<NumberCase> {};

TEST_P(TypedNumbers, BothFieldsReadTheSameDigits) {
    const NumberCase& c = GetParam();
    EXPECT_EQ(qm::search::ParseLineNumber(c.typed), c.line);
    EXPECT_EQ(qm::tidy::ParsePieceLength(c.typed), c.pieceLength);
}

constexpr std::size_t kHuge = std::numeric_limits<std::size_t>::max();
INSTANTIATE_TEST_SUITE_P(
    TextRules, TypedNumbers,
    ::testing::Values(NumberCase{u"12", 12, 12u}, NumberCase{u"  7 ", 7, 7u},
                      NumberCase{u"-3", -3, std::nullopt}, NumberCase{u"+3", 3, std::nullopt},
                      NumberCase{u"0", 0, std::nullopt},
                      NumberCase{u"", std::nullopt, std::nullopt},
                      NumberCase{u"-", std::nullopt, std::nullopt},
                      NumberCase{u"1.5", std::nullopt, std::nullopt},
                      NumberCase{u"１２", std::nullopt, std::nullopt},  // full-width digits
                      NumberCase{u"1 2", std::nullopt, std::nullopt},
                      NumberCase{u"999999999999999", 999999999999999LL, 999999999999999u},
                      // Sixteen digits are no line; as a width they are "wider than any text".
                      NumberCase{u"1234567890123456", std::nullopt, 1234567890123456u},
                      NumberCase{u"99999999999999999999999", std::nullopt, kHuge}));

TEST(TextRules, FileNamesAfterEitherSeparator) {
    EXPECT_EQ(t::FileNameOf(u"/tmp/书.txt"), u"书.txt");
    EXPECT_EQ(t::FileNameOf(u"书.txt"), u"书.txt");
    EXPECT_EQ(t::FileNameOf(u"C:\\a/b\\c.txt"), u"c.txt");
    EXPECT_EQ(t::FileNameOf(u"/tmp/"), u"");
    EXPECT_EQ(qm::filetools::FileNameFromPath(u"书.txt"), std::nullopt);
    EXPECT_EQ(qm::filetools::FileNameFromPath(u"/a/书.txt"), u"书.txt");
}

TEST(TextRules, FolderOfAPathWhoseFolderNameHoldsABackslash) {
    // On Linux "\" is an ordinary character of a name. The folder used to be
    // cut at the last "\" wherever it was, naming a folder that does not exist.
    EXPECT_EQ(ModGetFileNameInPath::GetFolderOfPath(u"/home/u/a\\b/c.txt", true), u"/home/u/a\\b");
}
