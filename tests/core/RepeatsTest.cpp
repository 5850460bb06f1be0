#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/novel/Repeats.h"

namespace r = qm::repeats;

namespace {

const std::u16string kA = u"　　却说甄士隐俱听得明白，但不知所云“蠢物”系何东西，遂不禁上前施礼。";
const std::u16string kB = u"　　那僧便念咒书符，大展幻术，将一块大石登时变成一块鲜明莹洁的美玉。";
const std::u16string kC = u"　　士隐听了，不便再问，因笑道：“玄机不可预泄，但适云蠢物，不知为何。”";

std::u16string Lines(std::initializer_list<std::u16string> lines) {
    std::u16string s;
    for (const auto& l : lines) s += l + u"\r\n";
    return s;
}

}  // namespace

TEST(Repeats, ParagraphRepeatedAfterNormalisation) {
    // The same paragraph again, with other blanks and a full-width letter.
    const std::u16string again =
        u"却说甄士隐俱听得明白，但不知所云“蠢物”系何东西，遂不禁上前\u200b施礼。";
    const std::u16string text = Lines({kA, kB, again, kC, kB});
    const std::vector<r::Repeat> found = r::Find(text);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].kind, r::Kind::Paragraph);
    EXPECT_EQ(found[0].line, 2u);
    EXPECT_EQ(found[0].firstLine, 0u);
    EXPECT_EQ(found[0].text, again);
    EXPECT_EQ(found[1].line, 4u);
    EXPECT_EQ(found[1].firstLine, 1u);
    EXPECT_EQ(r::Remove(text, found).text, Lines({kA, kB, kC}));
    // Only the chosen one goes.
    EXPECT_EQ(r::Remove(text, {found[1]}).text, Lines({kA, kB, again, kC}));
}

TEST(Repeats, ShortLinesRepeatInAnyProse) {
    const std::u16string text = Lines({u"诗曰：", kA, u"“是。”", u"诗曰：", kB, u"“是。”"});
    EXPECT_TRUE(r::Find(text).empty());
}

TEST(Repeats, EmptyLineBetweenParagraphsGoesWithTheRepeat) {
    const std::u16string text = Lines({kA, u"", kB, u"", kA, u"", kC});
    const std::vector<r::Repeat> found = r::Find(text);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].line, 4u);
    EXPECT_EQ(r::Remove(text, found).text, Lines({kA, u"", kB, u"", kC}));
}

TEST(Repeats, TitleRepeatedAsFirstLine) {
    const std::u16string text =
        Lines({u"第一回 甄士隐梦幻识通灵", u"", u"第一回　甄士隐梦幻识通灵", kA,
               u"第二回 贾夫人仙逝", u"贾夫人仙逝", kB, u"第三回 林黛玉进京", kC});
    for (const bool given : {false, true}) {
        r::Options o;
        if (given) o.chapterLines = {0, 4, 7};
        const std::vector<r::Repeat> found = r::Find(text, o);
        ASSERT_EQ(found.size(), 2u) << given;
        EXPECT_EQ(found[0].kind, r::Kind::Title);
        EXPECT_EQ(found[0].line, 2u);
        EXPECT_EQ(found[0].firstLine, 0u);
        EXPECT_EQ(found[1].line, 5u);  // the title without its number
        EXPECT_EQ(found[1].firstLine, 4u);
        EXPECT_EQ(r::Remove(text, found).text,
                  Lines({u"第一回 甄士隐梦幻识通灵", u"", kA, u"第二回 贾夫人仙逝", kB,
                         u"第三回 林黛玉进京", kC}));
    }
}

TEST(Repeats, ChapterPastedTwiceIsOneRepeat) {
    const std::u16string text =
        Lines({u"第一回", kA, kB, u"第二回", kC, u"", u"第一回", kA, u"", kB, u"第三回", kA});
    r::Options o;
    o.chapterLines = {0, 3, 6, 10};
    const std::vector<r::Repeat> found = r::Find(text, o);
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].kind, r::Kind::Chapter);
    EXPECT_EQ(found[0].line, 6u);
    EXPECT_EQ(found[0].firstLine, 0u);
    EXPECT_EQ(found[0].lines, 4u);
    EXPECT_EQ(found[0].text, u"第一回");
    // Its paragraphs are not listed again; a paragraph elsewhere still is.
    EXPECT_EQ(found[1].kind, r::Kind::Paragraph);
    EXPECT_EQ(found[1].line, 11u);
    EXPECT_EQ(r::Remove(text, {found[0]}).text,
              Lines({u"第一回", kA, kB, u"第二回", kC, u"", u"第三回", kA}));
}

TEST(Repeats, SameHeadingOtherBodyIsNoChapterRepeat) {
    const std::u16string text = Lines({u"第一回", kA, u"第一回", kB});
    r::Options o;
    o.chapterLines = {0, 2};
    EXPECT_TRUE(r::Find(text, o).empty());
}

TEST(Repeats, LineFeedsAndStaleRepeats) {
    const std::u16string text = kA + u"\n" + kB + u"\n" + kA;
    const std::vector<r::Repeat> found = r::Find(text);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].line, 2u);
    EXPECT_EQ(r::Remove(text, found).text, kA + u"\n" + kB + u"\n");
    const r::Removed stale = r::Remove(kB, found);
    EXPECT_EQ(stale.text, kB);
    EXPECT_EQ(stale.stale, 1u);
}
