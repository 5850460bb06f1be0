#include "core/tools/Convert.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "core/encoding/Encoding.h"
#include "core/text/Common.h"

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
// Up to four digits with their small units, one 零 for every run of zeros
// between digits that are not zero; zeros at the end are silent.
std::u16string Section(unsigned n, const Digits& d) {
    std::u16string out;
    bool needZero = false;
    for (int p = 3, pow = 1000; p >= 0; --p, pow /= 10) {
        const unsigned digit = (n / static_cast<unsigned>(pow)) % 10;
        if (digit == 0) {
            needZero = !out.empty();
            continue;
        }
        if (needZero) out += d.digit[0];
        needZero = false;
        out += d.digit[digit];
        out += d.small[static_cast<std::size_t>(p)];
    }
    return out;
}

using Reading = std::u16string (*)(std::uint64_t, const Digits&);

// n as the part above `unit` (read by `high`), the unit, then the part below
// it (read by `low`), joined by 零 when the part below does not reach its
// highest digit. The part above is read on its own, so 亿 is said once
// however large it is: 1000100000000 is 一万零一亿, not 一万亿零一亿.
std::u16string Split(std::uint64_t n, std::uint64_t base, const char16_t* unit, Reading high,
                     Reading low, const Digits& d) {
    const std::uint64_t above = n / base;
    const std::uint64_t below = n % base;
    if (above == 0) return low(below, d);
    std::u16string out = high(above, d) + unit;
    if (below == 0) return out;
    if (below < base / 10) out += d.digit[0];
    return out + low(below, d);
}

std::u16string BelowWan(std::uint64_t n, const Digits& d) {
    return Section(static_cast<unsigned>(n), d);
}
std::u16string BelowYi(std::uint64_t n, const Digits& d) {
    return Split(n, 10'000, u"万", BelowWan, BelowWan, d);
}
// Any size: the part above 亿 is itself a number (10^16 is 一亿亿).
std::u16string AnyWhole(std::uint64_t n, const Digits& d) {
    return Split(n, 100'000'000, u"亿", AnyWhole, BelowYi, d);
}

std::u16string Whole(std::uint64_t n, const Digits& d, bool lower) {
    if (n == 0) return d.digit[0];
    std::u16string out = AnyWhole(n, d);
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

namespace {

// Strict UTF-8: nothing for an invalid or overlong sequence. A leading BOM
// stays in the text, as a character of it.
std::optional<std::u16string> FromUtf8(std::string_view b) {
    enc::Decoded d = enc::Decode(b, enc::Encoding::Utf8);
    if (d.invalid > 0) return std::nullopt;
    if (b.starts_with("\xEF\xBB\xBF")) d.text.insert(0, 1, u'\uFEFF');
    return std::move(d.text);
}

// How much a text reads like Chinese mixed with English. Mis-decoded bytes
// still land mostly on ideographs, but on rare ones: the 3,755 common
// characters of GB2312's first level (GBK lead bytes B0–D7) count fully, its
// second level a little, GBK's extensions, kana, Latin-1 letters, private
// use and replacement marks against.
double Plausibility(std::u16string_view t) {
    if (t.empty()) return 0;
    double score = 0;
    for (char16_t c : t) {
        if (c < 0x80) {
            score += 0.5;
            continue;
        }
        if ((c >= 0x3000 && c <= 0x303F) || (c >= 0xFF01 && c <= 0xFF5E)) {
            score += 1;
            continue;
        }
        if (c >= 0x4E00 && c <= 0x9FA5) {
            const unsigned code = enc::GbkCode(c);
            const unsigned lead = code >> 8;
            const unsigned trail = code & 0xFF;
            if (lead >= 0xB0 && lead <= 0xD7 && trail >= 0xA1) {
                score += 1;
            } else if (lead >= 0xD8 && lead <= 0xF7 && trail >= 0xA1) {
                score += 0.2;
            } else {
                score -= 0.5;
            }
            continue;
        }
        score -= 0.5;  // Latin-1 letters, kana, rare ideographs, private use, marks
    }
    return score / static_cast<double>(t.size());
}

}  // namespace

Repair RepairGarbled(std::u16string_view text) {
    Repair r;
    for (const char16_t* lost : {u"锟斤拷", u"烫烫烫", u"屯屯屯"}) {
        const std::size_t at = text.find(lost);
        if (at != std::u16string_view::npos && (r.kind != Repair::Kind::Lossy || at < r.at)) {
            r.kind = Repair::Kind::Lossy;
            r.at = at;
            r.how = lost;
        }
    }
    if (r.kind == Repair::Kind::Lossy) return r;
    const double before = Plausibility(text);
    const auto take = [&](std::u16string candidate, const char16_t* how) {
        if (candidate != text && Plausibility(candidate) > before + 0.2) {
            r.kind = Repair::Kind::Repaired;
            r.text = std::move(candidate);
            r.how = how;
            return true;
        }
        return false;
    };
    // Read as Latin-1: every character is one byte of the original.
    const bool latin1 =
        std::all_of(text.begin(), text.end(), [](char16_t c) { return c <= 0xFF; }) &&
        std::any_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x80; });
    if (latin1) {
        std::string bytes(text.begin(), text.end());
        if (auto u = FromUtf8(bytes); u && take(std::move(*u), u"UTF-8 编码的文字被当成了 Latin-1"))
            return r;
        const enc::Decoded g = enc::Decode(bytes, enc::Encoding::Gbk);
        if (g.invalid == 0 && take(g.text, u"GBK 编码的文字被当成了 Latin-1")) return r;
    }
    // Read as GBK: its bytes come back where GBK could hold every character.
    const enc::Encoded e = enc::Encode(text, enc::Encoding::Gbk);
    if (e.unencodable == 0) {
        if (auto u = FromUtf8(e.bytes); u && take(std::move(*u), u"UTF-8 编码的文字被当成了 GBK"))
            return r;
    }
    return r;
}

}  // namespace qm::convert
