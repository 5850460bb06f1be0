#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "Bytes.h"
#include "core/encoding/Encoding.h"
#include "core/text/Utf8.h"
#include "core/tools/Convert.h"
#include "core/tools/Pinyin.h"

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

namespace {

struct NumeralCase {
    const char* name;
    friend void PrintTo(const NumeralCase& c, std::ostream* os) { *os << c.name; }
    const char16_t* typed;
    cv::NumeralStyle style;
    const char16_t* read;
};
constexpr auto kLower = cv::NumeralStyle::Lower;
constexpr auto kFinancial = cv::NumeralStyle::Financial;

// Each row names the zero or unit a reading can get wrong.
const NumeralCase kNumerals[] = {
    {"EveryPlaceOfAGroup", u"1234", kLower, u"一千二百三十四"},
    {"EveryPlaceOfAGroupInYuan", u"1234", kFinancial, u"壹仟贰佰叁拾肆元整"},
    {"OneZeroForTwoZerosBetweenDigits", u"1001", kLower, u"一千零一"},
    {"ZeroAfterWanBeforeTens", u"10010", kLower, u"一万零一十"},
    {"ClosingZerosAreNotSaidAndTenStandsBare", u"100000", kLower, u"十万"},
    {"TenKeepsItsOneInYuan", u"100000", kFinancial, u"壹拾万元整"},
    {"BareTen", u"10", kLower, u"十"},
    {"Zero", u"0", kLower, u"零"},
    {"ZeroYuan", u"0", kFinancial, u"零元整"},
    {"WanClosesAGroupOfZeros", u"11000000", kLower, u"一千一百万"},
    {"NoZeroBeforeAFullGroup", u"11001234", kLower, u"一千一百万一千二百三十四"},
    {"ZeroAcrossAnEmptyWanGroup", u"100000001", kLower, u"一亿零一"},
    {"ZeroAfterYiBeforeThousands", u"100001000", kLower, u"一亿零一千"},
    {"ThousandsSeparatorsForgiven", u"1,0000,0000,0000,0000", kLower, u"一亿亿"},
    {"DecimalsReadDigitByDigit", u"3.14", kLower, u"三点一四"},
    {"JiaoAndFen", u"1234.56", kFinancial, u"壹仟贰佰叁拾肆元伍角陆分"},
    {"ZeroJiaoBeforeFen", u"1234.06", kFinancial, u"壹仟贰佰叁拾肆元零陆分"},
    {"JiaoAloneEndsWithZheng", u"0.5", kFinancial, u"伍角整"},
    {"FenAloneHasNoZheng", u"0.05", kFinancial, u"伍分"},
    // Past 10^12: 亿 said once, and a 零 exactly where zeros stand between digits.
    {"ZeroBetweenWanAndYi", u"1000100000000", kLower, u"一万零一亿"},
    {"ZeroBetweenWanAndYiInYuan", u"1000100000000", kFinancial, u"壹万零壹亿元整"},
    {"FifteenDigitsWithAZeroInside", u"123456789012345", kLower,
     u"一百二十三万四千五百六十七亿八千九百零一万二千三百四十五"},
    {"WanYiSaysYiOnce", u"1000000000000", kLower, u"一万亿"},
    {"YiYiAtTheLimit", u"10000000000000000", kLower, u"一亿亿"},
    {"ZeroBeforeTheYiAfterAWanGroup", u"1000000100000000", kLower, u"一千万零一亿"},
    {"NoZeroAfterYiBeforeAFullGroup", u"1000000010000000", kLower, u"一千万亿一千万"},
};

class ChineseNumerals : public ::testing::TestWithParam<NumeralCase> {};

TEST_P(ChineseNumerals, ReadAsAPersonReadsThem) {
    const NumeralCase& c = GetParam();
    EXPECT_EQ(cv::ChineseNumerals(c.typed, c.style).value_or(u"?"), c.read);
}

INSTANTIATE_TEST_SUITE_P(Convert, ChineseNumerals, ::testing::ValuesIn(kNumerals),
                         [](const auto& info) { return std::string(info.param.name); });

struct RefusedNumeral {
    const char* name;
    friend void PrintTo(const RefusedNumeral& c, std::ostream* os) { *os << c.name; }
    const char16_t* typed;
};

const RefusedNumeral kRefused[] = {
    {"Empty", u""},
    {"Letters", u"abc"},
    {"ThreeDecimals", u"1.234"},
    {"TwoPoints", u"1.2.3"},
    {"Negative", u"-5"},
    {"OnePastYiYi", u"10000000000000001"},
    {"EighteenDigits", u"100000000000000001"},
};

class RefusedNumerals : public ::testing::TestWithParam<RefusedNumeral> {};

TEST_P(RefusedNumerals, GiveNoReading) {
    EXPECT_FALSE(cv::ChineseNumerals(GetParam().typed, cv::NumeralStyle::Lower));
}

INSTANTIATE_TEST_SUITE_P(Convert, RefusedNumerals, ::testing::ValuesIn(kRefused),
                         [](const auto& info) { return std::string(info.param.name); });

// The numerals read digit by digit from the left, as a person reads them
// aloud: each digit that is not zero with its place (十, 百, 千); 万 after
// the fourth place of a group of eight when that group of four holds a
// digit; 亿 after the eighth and sixteenth places when anything stands at or
// above them; one 零 for zeros that stand between digits, unless the zeros
// only close a group that was just named.
std::u16string ReadAloud(const std::string& digits, bool lower) {
    const char16_t* const lowerDigits[] = {u"零", u"一", u"二", u"三", u"四",
                                           u"五", u"六", u"七", u"八", u"九"};
    const char16_t* const upperDigits[] = {u"零", u"壹", u"贰", u"叁", u"肆",
                                           u"伍", u"陆", u"柒", u"捌", u"玖"};
    const char16_t* const lowerPlaces[] = {u"", u"十", u"百", u"千"};
    const char16_t* const upperPlaces[] = {u"", u"拾", u"佰", u"仟"};
    const auto digitName = [&](int d) { return lower ? lowerDigits[d] : upperDigits[d]; };
    const int length = static_cast<int>(digits.size());
    const auto at = [&](int place) {  // the digit at a place counted from the right
        return place < length ? digits[static_cast<std::size_t>(length - 1 - place)] - '0' : 0;
    };
    const auto anyFrom = [&](int from, int to) {
        for (int p = from; p < to && p < length; ++p) {
            if (at(p) != 0) return true;
        }
        return false;
    };
    if (digits == "0") return digitName(0);
    std::u16string out;
    bool zeroPending = false;
    for (int place = length - 1; place >= 0; --place) {
        const int d = at(place);
        if (d == 0) {
            zeroPending = zeroPending || !out.empty();
        } else {
            if (zeroPending) out += digitName(0);
            zeroPending = false;
            // 十 alone where a number starts with its tens in everyday numerals.
            const bool bareTen = lower && out.empty() && d == 1 && place % 4 == 1;
            if (!bareTen) out += digitName(d);
            out += lower ? lowerPlaces[place % 4] : upperPlaces[place % 4];
        }
        if (place % 8 == 4 && anyFrom(place, place + 4)) {
            out += u"万";
            zeroPending = false;
        }
        if (place > 0 && place % 8 == 0 && anyFrom(place, length)) {
            out += u"亿";
            zeroPending = false;
        }
    }
    return out;
}

std::string Decimal(std::uint64_t n) { return std::to_string(n); }

}  // namespace

// Every group boundary up to 10^16, against a reading built the other way
// round: 亿 said once, and a 零 exactly where zeros stand between digits.
TEST(Convert, LargeNumeralsSayEachUnitOnce) {
    std::vector<std::uint64_t> numbers;
    std::uint64_t power = 1;
    for (int k = 0; k <= 16; ++k, power *= 10) {
        for (std::uint64_t near : {power - 1, power, power + 1, 2 * power, power + power / 10}) {
            if (near <= 10'000'000'000'000'000ULL) numbers.push_back(near);
        }
    }
    // Two digits anywhere: every pair of places, so each boundary meets each other.
    std::uint64_t high = 1;
    for (int i = 0; i < 16; ++i, high *= 10) {
        std::uint64_t low = 1;
        for (int j = 0; j < i; ++j, low *= 10) {
            numbers.push_back(high + low);
            numbers.push_back(7 * high + 3 * low);
        }
    }
    // Random numbers rich in zeros, of every length.
    std::mt19937_64 rng(16);
    for (int i = 0; i < 20000; ++i) {
        const int length = 1 + static_cast<int>(rng() % 16);
        std::uint64_t n = 0;
        for (int k = 0; k < length; ++k) {
            const std::uint64_t d = rng() % 3 == 0 ? rng() % 10 : 0;
            n = n * 10 + (k == 0 ? 1 + rng() % 9 : d);
        }
        numbers.push_back(n);
    }
    for (const std::uint64_t n : numbers) {
        ASSERT_LE(n, 10'000'000'000'000'000ULL);
        const std::string digits = Decimal(n);
        const std::u16string typed(digits.begin(), digits.end());
        EXPECT_EQ(cv::ChineseNumerals(typed, cv::NumeralStyle::Lower).value_or(u"?"),
                  ReadAloud(digits, true))
            << digits;
        EXPECT_EQ(cv::ChineseNumerals(typed, cv::NumeralStyle::Financial).value_or(u"?"),
                  ReadAloud(digits, false) + u"元整")
            << digits;
    }
}

namespace {
// Text as a program that guessed the code page wrong would show it.
std::u16string AsLatin1(const std::string& bytes) {
    std::u16string out;
    for (char b : bytes) out += static_cast<char16_t>(static_cast<unsigned char>(b));
    return out;
}
using testsupport::Utf8;
}  // namespace

TEST(Convert, GarbledChineseComesBackWhereTheBytesSurvived) {
    const std::u16string original = u"今天天气很好，我们去公园散步。Hello 2026!";
    using Kind = cv::Repair::Kind;
    // GBK bytes read as Latin-1, and UTF-8 bytes read as Latin-1: exact.
    cv::Repair r =
        cv::RepairGarbled(AsLatin1(qm::enc::Encode(original, qm::enc::Encoding::Gbk).bytes));
    EXPECT_EQ(r.kind, Kind::Repaired);
    EXPECT_TRUE(r.text == original);
    r = cv::RepairGarbled(AsLatin1(Utf8(original)));
    EXPECT_EQ(r.kind, Kind::Repaired);
    EXPECT_TRUE(r.text == original);
    // UTF-8 bytes read as GBK: back when every byte survived the decode.
    for (const char16_t* sample : {u"今天天气很好", u"你好世界", u"欢迎光临", u"谢谢"}) {
        const qm::enc::Decoded asGbk = qm::enc::Decode(Utf8(sample), qm::enc::Encoding::Gbk);
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
    const struct {
        const char16_t* text;
        const char16_t* pinyin;
    } rows[] = {
        // A character of several readings takes the one its word gives it.
        {u"银行", u"yín háng"},
        {u"长城", u"cháng chéng"},
        {u"重庆", u"chóng qìng"},
        {u"长大", u"zhǎng dà"},
        {u"地方", u"dì fāng"},
        {u"音乐", u"yīn yuè"},
        {u"快乐", u"kuài lè"},
        {u"中文", u"zhōng wén"},
        // Other characters stay; letters and digits get a blank from the syllables.
        {u"我去银行ABC取100元。", u"wǒ qù yín háng ABC qǔ 100 yuán。"},
        {u"", u""},
        {u"a\r\n中", u"a\r\nzhōng"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(Utf8(r.text));
        EXPECT_EQ(qm::pinyin::ToPinyin(r.text), r.pinyin);
    }
}

// Garbled passages inside sound text, each damage as it happens.
namespace {
using E = qm::enc::Encoding;
std::u16string Misread(const std::u16string& t, E wrote, E read) {
    return qm::enc::Decode(qm::enc::Encode(t, wrote, false).bytes, read).text;
}
const std::u16string kSound = u"　　鲁镇的酒店的格局，是和别处不同的：都是当街一个曲尺形的大柜台。";
const std::u16string kTrad = u"　　魯鎮的酒店的格局，是和別處不同的：都是當街一個曲尺形的大櫃檯。";
struct GarbledRow {
    const char* name;
    std::u16string line;    // between two sound lines
    std::u16string sound;   // what the repair gives back
    std::size_t lossy = 0;  // spans listed as lost
};
class GarbledRows : public testing::TestWithParam<GarbledRow> {};
}  // namespace

TEST_P(GarbledRows, RepairedWhereItSitsAndNothingElse) {
    const std::u16string text = kSound + u"\r\n" + GetParam().line + u"\r\n" + kTrad;
    const auto spans = cv::FindGarbled(text);
    std::size_t lossy = 0;
    for (const auto& s : spans) lossy += s.kind == cv::GarbledSpan::Kind::Lossy ? 1 : 0;
    EXPECT_EQ(lossy, GetParam().lossy);
    EXPECT_TRUE(cv::ApplyRepairs(text, spans).text ==
                kSound + u"\r\n" + GetParam().sound + u"\r\n" + kTrad);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GarbledRows,
    testing::Values(
        GarbledRow{"Utf8AsGbk", Misread(kSound, E::Utf8, E::Gbk), kSound},
        GarbledRow{"Utf8AsBig5", Misread(kSound, E::Utf8, E::Big5), kSound},
        GarbledRow{"GbkAsBig5", Misread(kSound, E::Gbk, E::Big5), kSound},
        GarbledRow{"Big5AsGbk", Misread(kTrad, E::Big5, E::Gbk), kTrad},
        GarbledRow{"Utf8AsLatin1", AsLatin1(Utf8(kSound)), kSound},
        GarbledRow{"GbkAsLatin1", AsLatin1(qm::enc::Encode(kSound, E::Gbk).bytes), kSound},
        GarbledRow{"Twice", Misread(Misread(u"中文", E::Utf8, E::Gbk), E::Utf8, E::Gbk), u"中文"},
        GarbledRow{"InsideASoundLine",
                   u"他说：" + Misread(u"酒店的格局", E::Utf8, E::Gbk) + u"。然后走了。",
                   u"他说：酒店的格局。然后走了。"},
        GarbledRow{"SoundLinesStay", u"Plain English, café. 中文 English",
                   u"Plain English, café. 中文 English"},
        GarbledRow{"LostTextListedNotTouched", u"前面锟斤拷锟斤拷后面我?你\uFFFD\uFFFD",
                   u"前面锟斤拷锟斤拷后面我?你\uFFFD\uFFFD", 3}),
    [](const auto& info) { return std::string(info.param.name); });
