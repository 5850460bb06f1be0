#include <gtest/gtest.h>

#include "core/Codec.h"
#include "core/Convert.h"
#include "core/Pinyin.h"

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

namespace {
// Text as a program that guessed the code page wrong would show it.
std::u16string AsLatin1(const std::string& bytes) {
    std::u16string out;
    for (char b : bytes) out += static_cast<char16_t>(static_cast<unsigned char>(b));
    return out;
}
std::string Utf8(const std::u16string& t) {
    std::string out;
    for (std::size_t i = 0; i < t.size(); ++i) {
        char32_t c = t[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < t.size())
            c = 0x10000 + ((c - 0xD800) << 10) + (t[++i] - 0xDC00);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}
}  // namespace

TEST(Convert, GarbledChineseComesBackWhereTheBytesSurvived) {
    const std::u16string original = u"今天天气很好，我们去公园散步。Hello 2026!";
    using Kind = cv::Repair::Kind;
    // GBK bytes read as Latin-1, and UTF-8 bytes read as Latin-1: exact.
    cv::Repair r = cv::RepairGarbled(AsLatin1(qm::cp936::Encode(original).bytes));
    EXPECT_EQ(r.kind, Kind::Repaired);
    EXPECT_TRUE(r.text == original);
    r = cv::RepairGarbled(AsLatin1(Utf8(original)));
    EXPECT_EQ(r.kind, Kind::Repaired);
    EXPECT_TRUE(r.text == original);
    // UTF-8 bytes read as GBK: back when every byte survived the decode.
    for (const char16_t* sample : {u"今天天气很好", u"你好世界", u"欢迎光临", u"谢谢"}) {
        const qm::cp936::DecodeResult asGbk = qm::cp936::Decode(Utf8(sample));
        ASSERT_EQ(asGbk.invalid, 0u);  // these bytes all survive a GBK decode
        r = cv::RepairGarbled(asGbk.text);
        EXPECT_EQ(r.kind, Kind::Repaired) << Utf8(sample);
        EXPECT_TRUE(r.text == sample) << Utf8(sample);
    }
    // Lossy decodes are found and located, not "repaired".
    r = cv::RepairGarbled(u"前面好好的锟斤拷锟斤拷后面");
    EXPECT_EQ(r.kind, Kind::Lossy);
    EXPECT_EQ(r.at, 5u);
    // Good text is left alone.
    EXPECT_EQ(cv::RepairGarbled(original).kind, Kind::Nothing);
    EXPECT_EQ(cv::RepairGarbled(u"Plain English, café").kind, Kind::Nothing);
}

TEST(Convert, PinyinReadsWordsBeforeCharacters) {
    const auto py = [](const char16_t* t) { return qm::pinyin::ToPinyin(t); };
    EXPECT_TRUE(py(u"银行") == u"yín háng");
    EXPECT_TRUE(py(u"长城") == u"cháng chéng");
    EXPECT_TRUE(py(u"重庆") == u"chóng qìng");
    EXPECT_TRUE(py(u"长大") == u"zhǎng dà");
    EXPECT_TRUE(py(u"地方") == u"dì fāng");
    EXPECT_TRUE(py(u"音乐") == u"yīn yuè");
    EXPECT_TRUE(py(u"快乐") == u"kuài lè");
    EXPECT_TRUE(py(u"中文") == u"zhōng wén");
    // Other characters stay; letters and digits get a blank from the syllables.
    EXPECT_TRUE(py(u"我去银行ABC取100元。") == u"wǒ qù yín háng ABC qǔ 100 yuán。");
    EXPECT_TRUE(py(u"") == u"");
    EXPECT_TRUE(py(u"a\r\n中") == u"a\r\nzhōng");
}
