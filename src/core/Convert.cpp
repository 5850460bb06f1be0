#include "core/Convert.h"

#include <array>
#include <cstdint>

#include "core/Common.h"

namespace qm::convert {

std::u16string TextToHtml(std::u16string_view text) {
    std::u16string body;
    body.reserve(text.size() + text.size() / 8);
    for (char16_t c : text) {
        switch (c) {
            case u'&':
                body += u"&amp;";
                break;
            case u'<':
                body += u"&lt;";
                break;
            case u'>':
                body += u"&gt;";
                break;
            case u'"':
                body += u"&quot;";
                break;
            default:
                body += c;
                break;
        }
    }
    std::u16string page = u"<html>\r\n<head>\r\n<title>无标题文档</title><body>";
    常用模块::AppendReplaced(page, body, u"\r\n", u"<br>");
    return page;
}

std::u16string FullToHalf(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c >= 0xFF01 && c <= 0xFF5E)
            c = static_cast<char16_t>(c - 0xFEE0);
        else if (c == 0x3000)
            c = u' ';
    }
    return out;
}

std::u16string HalfToFull(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c >= 0x21 && c <= 0x7E)
            c = static_cast<char16_t>(c + 0xFEE0);
        else if (c == u' ')
            c = 0x3000;
    }
    return out;
}

namespace {

struct Digits {
    std::array<const char16_t*, 10> digit;
    std::array<const char16_t*, 4> small;  // "", 十, 百, 千
};
const Digits kLower{{u"零", u"一", u"二", u"三", u"四", u"五", u"六", u"七", u"八", u"九"},
                    {u"", u"十", u"百", u"千"}};
const Digits kUpper{{u"零", u"壹", u"贰", u"叁", u"肆", u"伍", u"陆", u"柒", u"捌", u"玖"},
                    {u"", u"拾", u"佰", u"仟"}};
// Units of each group of four digits, from the lowest.
const char16_t* const kGroups[] = {u"", u"万", u"亿", u"万亿", u"亿亿"};

// A whole number in numerals: groups of four digits with their units, one
// 零 for every run of zeros that stands between digits that are not zero.
std::u16string Whole(std::uint64_t n, const Digits& d, bool lower) {
    if (n == 0) return d.digit[0];
    unsigned parts[5] = {};
    int groups = 0;
    for (std::uint64_t m = n; m > 0 && groups < 5; m /= 10000)
        parts[groups++] = static_cast<unsigned>(m % 10000);
    std::u16string out;
    bool needZero = false;
    for (int g = groups - 1; g >= 0; --g) {
        const unsigned part = parts[g];
        if (!out.empty() && part < 1000) needZero = true;  // a gap of zeros before or in this group
        if (part == 0) continue;
        for (int p = 3, pow = 1000; p >= 0; --p, pow /= 10) {
            const unsigned digit = (part / static_cast<unsigned>(pow)) % 10;
            if (digit == 0) {
                if (!out.empty()) needZero = true;
                continue;
            }
            if (needZero) out += d.digit[0];
            needZero = false;
            out += d.digit[digit];
            out += d.small[static_cast<std::size_t>(p)];
        }
        out += kGroups[g];
        needZero = false;  // zeros closing a group are silent
    }
    // 十 alone at the start reads better than 一十 in everyday numerals.
    if (lower && out.rfind(u"一十", 0) == 0) out.erase(0, 1);
    return out;
}

}  // namespace

std::optional<std::u16string> ChineseNumerals(std::u16string_view typed, NumeralStyle style) {
    std::u16string digits;
    std::u16string decimals;
    bool dot = false;
    for (char16_t c : typed) {
        if (c == u' ' || c == u',' || c == u'，') continue;
        if (c == u'.' && !dot) {
            dot = true;
            continue;
        }
        if (c < u'0' || c > u'9') return std::nullopt;
        (dot ? decimals : digits) += c;
    }
    while (digits.size() > 1 && digits.front() == u'0') digits.erase(0, 1);
    if (digits.empty() && decimals.empty()) return std::nullopt;
    if (decimals.size() > 2 || digits.size() > 17) return std::nullopt;
    std::uint64_t n = 0;
    for (char16_t c : digits) n = n * 10 + static_cast<std::uint64_t>(c - u'0');
    if (n > 10'000'000'000'000'000ULL) return std::nullopt;  // up to 10^16
    const bool lower = style == NumeralStyle::Lower;
    const Digits& d = lower ? kLower : kUpper;
    if (lower) {
        std::u16string out = Whole(n, d, true);
        if (!decimals.empty()) {
            out += u"点";
            for (char16_t c : decimals) out += d.digit[static_cast<std::size_t>(c - u'0')];
        }
        return out;
    }
    const unsigned jiao = decimals.size() > 0 ? static_cast<unsigned>(decimals[0] - u'0') : 0;
    const unsigned fen = decimals.size() > 1 ? static_cast<unsigned>(decimals[1] - u'0') : 0;
    std::u16string out;
    if (n > 0) out = Whole(n, d, false) + u"元";
    if (jiao == 0 && fen == 0) return (n == 0 ? std::u16string(u"零元") : out) + u"整";
    if (jiao > 0) {
        out += d.digit[jiao];
        out += u"角";
    } else if (n > 0) {
        out += d.digit[0];
    }
    if (fen > 0) {
        out += d.digit[fen];
        out += u"分";
    } else {
        out += u"整";
    }
    return out;
}

}  // namespace qm::convert
