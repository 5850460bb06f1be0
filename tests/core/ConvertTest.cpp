#include <gtest/gtest.h>

#include "core/Convert.h"

namespace cv = qm::convert;

TEST(Convert, HtmlPageEscapesTheTextAndKeepsItsHeader) {
    EXPECT_EQ(cv::TextToHtml(u""), u"<html>\r\n<head>\r\n<title>无标题文档</title><body>");
    EXPECT_EQ(cv::TextToHtml(u"a < b & \"c\"\r\n<script>"),
              u"<html>\r\n<head>\r\n<title>无标题文档</title><body>a &lt; b &amp; &quot;c&quot;<br>"
              u"&lt;script&gt;");
}

TEST(Convert, WidthOfAsciiFormsOnly) {
    EXPECT_EQ(cv::FullToHalf(u"ＡＢｃ１２３！　。「」、中"), u"ABc123! 。「」、中");
    EXPECT_EQ(cv::HalfToFull(u"Ab1! 中。"), u"Ａｂ１！　中。");
    EXPECT_EQ(cv::FullToHalf(cv::HalfToFull(u"Hello, World~")), u"Hello, World~");
}

TEST(Convert, NumeralsWithTheRightZeros) {
    const auto lower = [](const char16_t* t) {
        return cv::ChineseNumerals(t, cv::NumeralStyle::Lower).value_or(u"?");
    };
    const auto upper = [](const char16_t* t) {
        return cv::ChineseNumerals(t, cv::NumeralStyle::Financial).value_or(u"?");
    };
    EXPECT_EQ(lower(u"1234"), u"一千二百三十四");
    EXPECT_EQ(upper(u"1234"), u"壹仟贰佰叁拾肆元整");
    EXPECT_EQ(lower(u"1001"), u"一千零一");
    EXPECT_EQ(lower(u"10010"), u"一万零一十");
    EXPECT_EQ(lower(u"100000"), u"十万");
    EXPECT_EQ(upper(u"100000"), u"壹拾万元整");
    EXPECT_EQ(lower(u"10"), u"十");
    EXPECT_EQ(lower(u"0"), u"零");
    EXPECT_EQ(lower(u"11000000"), u"一千一百万");
    EXPECT_EQ(lower(u"11001234"), u"一千一百万一千二百三十四");
    EXPECT_EQ(lower(u"100000001"), u"一亿零一");
    EXPECT_EQ(lower(u"1,0000,0000,0000,0000"), u"一亿亿");
    EXPECT_EQ(lower(u"3.14"), u"三点一四");
    EXPECT_EQ(upper(u"1234.56"), u"壹仟贰佰叁拾肆元伍角陆分");
    EXPECT_EQ(upper(u"1234.06"), u"壹仟贰佰叁拾肆元零陆分");
    EXPECT_EQ(upper(u"0.5"), u"伍角整");
    EXPECT_EQ(upper(u"0.05"), u"伍分");
    EXPECT_EQ(upper(u"0"), u"零元整");
    for (const char16_t* bad : {u"", u"abc", u"1.234", u"1.2.3", u"-5", u"100000000000000001"}) {
        EXPECT_FALSE(cv::ChineseNumerals(bad, cv::NumeralStyle::Lower))
            << std::u16string(bad).size();
    }
}
