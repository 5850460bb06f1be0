// The small text rules every layer shares: surrogates, blanks, typed whole
// numbers, file names in paths.
#include <gtest/gtest.h>

#include <limits>
#include <string>

#include "core/filetools/FileTools.h"
#include "core/search/Search.h"
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
