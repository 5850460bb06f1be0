#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/document/WordBreaks.h"

using qm::NextWordStop;
using qm::PreviousWordStop;

namespace {

// Every stop from the start to the end, and back.
std::vector<std::size_t> Forward(std::u16string_view s) {
    std::vector<std::size_t> out;
    for (std::size_t p = 0; p < s.size();) out.push_back(p = NextWordStop(s, p));
    return out;
}
std::vector<std::size_t> Backward(std::u16string_view s) {
    std::vector<std::size_t> out;
    for (std::size_t p = s.size(); p > 0;) out.push_back(p = PreviousWordStop(s, p));
    return out;
}

}  // namespace

TEST(WordBreaks, LatinWordsSkipTheSpacesBetweenThem) {
    const std::u16string s = u"hello  big world";
    EXPECT_EQ(Forward(s), (std::vector<std::size_t>{7, 11, 16}));
    EXPECT_EQ(Backward(s), (std::vector<std::size_t>{11, 7, 0}));
    EXPECT_EQ(NextWordStop(s, 2), 7u);      // from inside a word
    EXPECT_EQ(PreviousWordStop(s, 9), 7u);  // to the start of the word the caret is in
}

TEST(WordBreaks, ChineseStopsAtWordsNotAtEveryCharacter) {
    const std::u16string s = u"我们是中国人";
    EXPECT_EQ(Forward(s), (std::vector<std::size_t>{2, 3, 6}));
    EXPECT_EQ(Backward(s), (std::vector<std::size_t>{3, 2, 0}));
}

TEST(WordBreaks, MixedTextPunctuationAndPairsOfUnits) {
    // Punctuation is a stop of its own; a character outside the BMP is never split.
    const std::u16string s = u"中国，hello 𠀀𠀀 world";
    for (std::size_t p = 0; p < s.size(); ++p) {
        const std::size_t n = NextWordStop(s, p);
        const std::size_t b = PreviousWordStop(s, p + 1);
        EXPECT_GT(n, p);
        EXPECT_LE(b, p);
        for (std::size_t at : {n, b}) {
            if (at > 0 && at < s.size()) {
                EXPECT_FALSE(s[at] >= 0xDC00 && s[at] <= 0xDFFF) << at;
            }
        }
    }
    EXPECT_EQ(NextWordStop(s, 0), 2u);
    EXPECT_EQ(NextWordStop(s, 2), 3u);
    EXPECT_EQ(PreviousWordStop(s, s.size()), s.size() - 5);
}

TEST(WordBreaks, EdgesAndLongLines) {
    EXPECT_EQ(NextWordStop(u"", 0), 0u);
    EXPECT_EQ(PreviousWordStop(u"", 0), 0u);
    EXPECT_EQ(NextWordStop(u"ab", 2), 2u);
    EXPECT_EQ(NextWordStop(u"ab", 9), 2u);
    EXPECT_EQ(PreviousWordStop(u"   ", 3), 0u);
    EXPECT_EQ(NextWordStop(u"ab   ", 0), 5u);
    // A word longer than what is looked at: the move still goes forward and back.
    const std::u16string longWord(5000, u'a');
    const std::size_t n = NextWordStop(longWord, 10);
    EXPECT_GT(n, 10u);
    EXPECT_LE(n, longWord.size());
    EXPECT_LT(PreviousWordStop(longWord, 4000), 4000u);
    // Far into a long line of words, only the neighbourhood counts.
    std::u16string words;
    for (int i = 0; i < 100000; ++i) words += u"ab ";
    EXPECT_EQ(NextWordStop(words, 150000), 150003u);
    EXPECT_EQ(PreviousWordStop(words, 150003), 150000u);
}
