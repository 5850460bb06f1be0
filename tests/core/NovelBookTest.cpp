// A text made into a book for the EPUB export: volumes, chapters, front matter.
#include <gtest/gtest.h>

#include "core/novel/NovelBook.h"

TEST(NovelBook, VolumesHoldTheirChaptersAndParagraphsLoseTheirIndent) {
    const std::u16string text =
        u"书名\r\n　　前言一段。\r\n第一章 开端\r\n　　正文一。\r\n\r\n　　正文二。\r\n"
        u"第一卷 上卷\r\n第二章 发展\r\n　　正文三。\n第二卷 下卷\r第三章 结局\r\n　　正文四。";
    const qm::epub::Book b = qm::novel::BookFromText(u"书", u"某人", text);
    EXPECT_EQ(b.title, u"书");
    ASSERT_EQ(b.front.size(), 2u);
    EXPECT_EQ(b.front[1], u"前言一段。");
    ASSERT_EQ(b.volumes.size(), 3u);
    // The chapter before any volume sits in an untitled one: the top of the contents.
    EXPECT_EQ(b.volumes[0].title, u"");
    ASSERT_EQ(b.volumes[0].chapters.size(), 1u);
    EXPECT_EQ(b.volumes[0].chapters[0].title, u"第一章 开端");
    EXPECT_EQ(b.volumes[0].chapters[0].paragraphs,
              (std::vector<std::u16string>{u"正文一。", u"正文二。"}));
    EXPECT_EQ(b.volumes[1].title, u"第一卷 上卷");
    EXPECT_EQ(b.volumes[1].chapters[0].paragraphs, std::vector<std::u16string>{u"正文三。"});
    // LF and a lone CR end lines too.
    EXPECT_EQ(b.volumes[2].title, u"第二卷 下卷");
    ASSERT_EQ(b.volumes[2].chapters.size(), 1u);
    EXPECT_EQ(b.volumes[2].chapters[0].paragraphs, std::vector<std::u16string>{u"正文四。"});
    EXPECT_EQ(qm::novel::HeadingLines(text), (std::vector<std::size_t>{2, 6, 7, 9, 10}));
}

TEST(NovelBook, ATextWithoutHeadingsIsAllFrontMatter) {
    const qm::epub::Book b = qm::novel::BookFromText(u"书", u"", u"一段。\r\n\r\n两段。\r\n");
    EXPECT_TRUE(b.volumes.empty());
    EXPECT_EQ(b.front, (std::vector<std::u16string>{u"一段。", u"两段。"}));
}
