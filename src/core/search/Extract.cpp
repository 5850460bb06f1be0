#include "core/search/Extract.h"

#include <algorithm>
#include <iterator>
#include <unordered_set>

#include "core/text/Utf16.h"

namespace qm::extract {

namespace {

bool Digit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool AsciiAlnum(char16_t c) {
    return Digit(c) || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// Digits from i on, at most max.
std::size_t DigitsAt(std::u16string_view t, std::size_t i, std::size_t max = SIZE_MAX) {
    std::size_t n = 0;
    while (i + n < t.size() && n < max && Digit(t[i + n])) ++n;
    return n;
}

bool DigitBefore(std::u16string_view t, std::size_t i) { return i > 0 && Digit(t[i - 1]); }
bool DigitAt(std::u16string_view t, std::size_t i) { return i < t.size() && Digit(t[i]); }

// A mobile number starting at i, or 0.
std::size_t MobileAt(std::u16string_view t, std::size_t i) {
    if (t[i] != u'1' || DigitBefore(t, i) || i + 1 >= t.size() || t[i + 1] < u'3' ||
        t[i + 1] > u'9')
        return 0;
    if (DigitsAt(t, i) == 11) return 11;
    // 3-4-4 with one kind of separator.
    if (DigitsAt(t, i, 4) != 3 || i + 3 >= t.size()) return 0;
    const char16_t sep = t[i + 3];
    if (sep != u'-' && sep != u' ') return 0;
    if (DigitsAt(t, i + 4, 5) != 4 || i + 8 >= t.size() || t[i + 8] != sep) return 0;
    if (DigitsAt(t, i + 9, 5) != 4) return 0;
    return 13;
}

bool Open(char16_t c) { return c == u'(' || c == u'（'; }
bool Close(char16_t c) { return c == u')' || c == u'）'; }
bool Hyphen(char16_t c) { return c == u'-' || c == u'－'; }

// A fixed-line number with its area code starting at i, or 0.
std::size_t FixedLineAt(std::u16string_view t, std::size_t i) {
    if (DigitBefore(t, i)) return 0;
    std::size_t p = i;
    const bool bracketed = Open(t[p]);
    if (bracketed) ++p;
    if (p + 3 > t.size() || t[p] != u'0') return 0;
    // 010 and 020–029 have three digits, the others four.
    std::size_t area = 0;
    if (t[p + 1] == u'1' && t[p + 2] == u'0')
        area = 3;
    else if (t[p + 1] == u'2' && Digit(t[p + 2]))
        area = 3;
    else if (t[p + 1] >= u'3' && t[p + 1] <= u'9' && Digit(t[p + 2]) && DigitAt(t, p + 3))
        area = 4;
    if (area == 0) return 0;
    p += area;
    if (bracketed) {
        if (p >= t.size() || !Close(t[p])) return 0;
        ++p;
    }
    if (p < t.size() && (Hyphen(t[p]) || t[p] == u' ')) ++p;
    if (!DigitAt(t, p) || t[p] == u'0') return 0;
    const std::size_t local = DigitsAt(t, p, 9);
    if (local != 7 && local != 8) return 0;
    return p + local - i;
}

// The known Chinese top-level domains, to tell where an address written in
// Chinese ends and the sentence goes on ("见www.例子.中国的首页").
const std::u16string_view kChineseTopLevel[] = {
    u"中国", u"中國", u"公司",   u"网络",   u"網絡", u"在线", u"网址", u"网店", u"中文网",
    u"手机", u"集团", u"商城",   u"我爱你", u"商标", u"游戏", u"企业", u"娱乐", u"广东",
    u"佛山", u"信息", u"时尚",   u"健康",   u"招聘", u"政务", u"公益", u"移动", u"香港",
    u"台湾", u"台灣", u"新加坡", u"八卦",   u"微博", u"世界", u"购物", u"网站", u"书籍",
    u"商店", u"慈善", u"联通",   u"工行",   u"在線", u"澳門", u"澳门",
};

bool UrlChar(char16_t c) {
    if (AsciiAlnum(c)) return true;
    return std::u16string_view(u"-._~:/?#[]@!$&'()*+,;=%").find(c) != std::u16string_view::npos;
}

bool StartsWithNoCase(std::u16string_view t, std::size_t i, std::u16string_view lower) {
    if (i + lower.size() > t.size()) return false;
    for (std::size_t k = 0; k < lower.size(); ++k) {
        char16_t c = t[i + k];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        if (c != lower[k]) return false;
    }
    return true;
}

// The end of a host name starting at p: labels of ASCII letters, digits and
// hyphens, or of Chinese characters, joined by dots.
std::size_t HostEnd(std::u16string_view t, std::size_t p) {
    std::size_t end = p;  // after the last whole label
    std::size_t labelStart = p;
    int kind = 0;  // 1 ASCII, 2 Chinese, in the current label
    std::size_t q = p;
    for (; q < t.size(); ++q) {
        const char16_t c = t[q];
        const int k = (AsciiAlnum(c) || c == u'-') ? 1 : text::IsHan(c) ? 2 : 0;
        if (c == u'.' && q > labelStart) {
            end = q;
            labelStart = q + 1;
            kind = 0;
            continue;
        }
        if (k == 0 || (kind != 0 && k != kind)) break;  // a sentence goes on here
        kind = k;
    }
    if (q > labelStart) end = q;
    // A last label in Chinese ends with the longest top-level domain it begins with.
    if (kind == 2 && labelStart > p) {
        std::size_t best = 0;
        const std::u16string_view label = t.substr(labelStart, end - labelStart);
        for (std::u16string_view tld : kChineseTopLevel)
            if (label.substr(0, tld.size()) == tld) best = std::max(best, tld.size());
        if (best > 0) end = labelStart + best;
    }
    while (end > p && (t[end - 1] == u'.' || t[end - 1] == u'-')) --end;
    return end;
}

std::size_t UrlAt(std::u16string_view t, std::size_t i) {
    std::size_t host = 0;
    bool www = false;
    if (StartsWithNoCase(t, i, u"http://"))
        host = i + 7;
    else if (StartsWithNoCase(t, i, u"https://"))
        host = i + 8;
    else if (StartsWithNoCase(t, i, u"www.") &&
             !(i > 0 && (AsciiAlnum(t[i - 1]) ||
                         std::u16string_view(u"./-@").find(t[i - 1]) != std::u16string_view::npos)))
        host = i, www = true;
    else
        return 0;
    std::size_t p = HostEnd(t, host);
    const std::u16string_view name = t.substr(host, p - host);
    // www. needs a name and a domain after it.
    if (name.empty() || (www && name.find(u'.', 4) == std::u16string_view::npos)) return 0;
    // Port, path, query and fragment: URL characters up to the first other one.
    if (p < t.size() && (t[p] == u':' || t[p] == u'/' || t[p] == u'?' || t[p] == u'#'))
        while (p < t.size() && UrlChar(t[p])) ++p;
    // Sentence punctuation after an address is not part of it.
    std::size_t end = p;
    for (;;) {
        if (end <= host) break;
        const char16_t c = t[end - 1];
        if (std::u16string_view(u".,;:!?'\"").find(c) != std::u16string_view::npos) {
            --end;
        } else if (c == u')') {
            const auto body = t.substr(i, end - i);
            if (std::count(body.begin(), body.end(), u')') >
                std::count(body.begin(), body.end(), u'('))
                --end;
            else
                break;
        } else {
            break;
        }
    }
    return end - i;
}

// Maximal ASCII digit runs, with the decimal point rule: 3.14159 is no QQ
// number; nor is a number in a phone number or a web address (page?id=10002).
std::vector<Span> QQ(std::u16string_view t) {
    std::vector<Span> taken;
    for (Kind other : {Kind::Mobile, Kind::FixedLine, Kind::Url}) {
        const std::vector<Span> spans = Find(other, t);
        taken.insert(taken.end(), spans.begin(), spans.end());
    }
    std::sort(taken.begin(), taken.end(),
              [](const Span& a, const Span& b) { return a.start < b.start; });
    std::vector<Span> out;
    std::size_t k = 0;
    for (std::size_t i = 0; i < t.size();) {
        if (!Digit(t[i])) {
            ++i;
            continue;
        }
        const std::size_t n = DigitsAt(t, i);
        const bool decimal =
            (i >= 2 && (t[i - 1] == u'.' || t[i - 1] == u',') && Digit(t[i - 2])) ||
            (i + n + 1 < t.size() && (t[i + n] == u'.' || t[i + n] == u',') && Digit(t[i + n + 1]));
        while (k < taken.size() && taken[k].start + taken[k].length <= i) ++k;
        const bool inOther = k < taken.size() && taken[k].start < i + n;
        if (n >= 5 && n <= 11 && t[i] != u'0' && !decimal && !inOther) out.push_back({i, n});
        i += n;
    }
    return out;
}

}  // namespace

std::vector<Span> Find(Kind kind, std::u16string_view t) {
    if (kind == Kind::QQ) return QQ(t);
    std::vector<Span> out;
    for (std::size_t i = 0; i < t.size();) {
        std::size_t n = 0;
        const char16_t c = t[i];
        if (kind == Kind::Mobile && c == u'1')
            n = MobileAt(t, i);
        else if (kind == Kind::FixedLine && (c == u'0' || Open(c)))
            n = FixedLineAt(t, i);
        else if (kind == Kind::Url && (c == u'h' || c == u'H' || c == u'w' || c == u'W'))
            n = UrlAt(t, i);
        if (n > 0) {
            out.push_back({i, n});
            i += n;
        } else if (kind != Kind::Url && Digit(c)) {
            i += DigitsAt(t, i);  // a longer run holds no number of its own
        } else {
            ++i;
        }
    }
    return out;
}

std::vector<std::u16string> Unique(std::u16string_view text, const std::vector<Span>& spans) {
    std::vector<std::u16string> out;
    std::unordered_set<std::u16string_view> seen;
    for (const Span& s : spans) {
        const std::u16string_view v = text.substr(s.start, s.length);
        if (seen.insert(v).second) out.emplace_back(v);
    }
    return out;
}

std::u16string ReplaceSpans(std::u16string_view text, const std::vector<Span>& spans,
                            std::u16string_view with) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t copied = 0;
    for (const Span& s : spans) {
        out.append(text.substr(copied, s.start - copied));
        out.append(with);
        copied = s.start + s.length;
    }
    out.append(text.substr(copied));
    return out;
}

}  // namespace qm::extract
