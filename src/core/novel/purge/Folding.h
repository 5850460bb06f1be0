// The folded copy of a text the purge rules look at ("skeleton"): what an
// address or an ad phrase looks like with its disguises taken off, each unit
// mapped back to the span of the original it stands for; and the character
// classes the rules and the finder share. Only the purge room includes this.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "core/text/Strip.h"
#include "core/text/Utf16.h"

namespace qm::purge::detail {

inline bool IsZeroWidth(char16_t c) { return text::kZeroWidths.Has(c); }

inline bool IsBlank(char16_t c) { return text::kPurgeBlanks.Has(c); }

inline bool IsBreak(char16_t c) { return c == u'\r' || c == u'\n'; }

inline bool IsAsciiAlnum(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// A surrogate counts: ad words in the extensions are words too.
inline bool IsHan(char16_t c) { return text::IsHan(c, text::HanUnits::WithSurrogates); }

// A character of a word: Chinese, a letter or a digit in any width. Anything
// else (punctuation, brackets, blanks) ends a clause for the purpose of
// taking ad words along with a hit.
inline bool IsWordChar(char16_t c) {
    if (IsHan(c) || IsAsciiAlnum(c)) return true;
    if (c >= 0xFF10 && c <= 0xFF19) return true;
    if ((c >= 0xFF21 && c <= 0xFF3A) || (c >= 0xFF41 && c <= 0xFF5A)) return true;
    if (c >= 0x0370 && c <= 0x04FF) return true;  // Greek and Cyrillic: ω, ѡ
    return false;
}

inline bool IsSoft(char16_t c) { return IsBlank(c) || IsZeroWidth(c); }

inline constexpr std::u16string_view kOpeners = u"([【〖〔［（{「『<＜〈";
inline constexpr std::u16string_view kClosers = u")]】〗〕］）}」』>＞〉";

// Chinese characters, the bulk of any text, are none of these: asked first.
inline bool IsOpener(char16_t c) {
    return !(c >= 0x3400 && c <= 0x9FFF) && kOpeners.find(c) != std::u16string_view::npos;
}
inline bool IsCloser(char16_t c) {
    return !(c >= 0x3400 && c <= 0x9FFF) && kClosers.find(c) != std::u16string_view::npos;
}
inline bool Pairs(char16_t open, char16_t close) {
    const std::size_t i = kOpeners.find(open);
    return i != std::u16string_view::npos && kClosers[i] == close;
}

inline constexpr std::u16string_view kSentenceEnd = u"。.！!？?…．";
inline constexpr std::u16string_view kClause = u"，,、；;：:|｜/／~～-—·－";
inline constexpr std::u16string_view kQuoteClose = u"”’」』";
inline constexpr std::u16string_view kWrap = u"—-~～|｜*＊=＝#＃·";

inline bool In(std::u16string_view set, char16_t c) {
    return set.find(c) != std::u16string_view::npos;
}

// ---------------------------------------------------------------------------
// The folded copy ("skeleton"): what an address or an ad phrase looks like
// with its disguises taken off. Every unit remembers the span of the original
// text it stands for.

struct Skeleton {
    std::u16string s;
    // Nearly every unit stands for the one unit of the original right after
    // the previous unit's: its place is implied. Only the others (after a
    // dropped zero-width character, a run of blanks, "(点)") are listed, so
    // the map costs next to nothing beside the text.
    struct Odd {
        std::uint32_t unit, from, to;
    };
    std::vector<Odd> odd;  // in unit order
    std::size_t n = 0;     // units written while folding
    std::size_t end = 0;   // original end of the last unit written

    // Room for every unit at once: folding writes by index, the hot loop of
    // a 10 MB text.
    void Reserve(std::size_t size) { s.resize(size); }
    void Put(char16_t c, std::size_t a, std::size_t b) {
        s[n] = c;
        if (a != end || b != a + 1)
            odd.push_back({static_cast<std::uint32_t>(n), static_cast<std::uint32_t>(a),
                           static_cast<std::uint32_t>(b)});
        end = b;
        ++n;
    }
    // The last unit now stands for the original up to b.
    void Stretch(std::size_t b) {
        if (odd.empty() || odd.back().unit != n - 1)
            odd.push_back({static_cast<std::uint32_t>(n - 1), static_cast<std::uint32_t>(end - 1),
                           static_cast<std::uint32_t>(b)});
        odd.back().to = static_cast<std::uint32_t>(b);
        end = b;
    }
    void Finish() { s.resize(n); }  // not shrunk: a copy would double the peak
    // The listed unit at or before unit i, or null.
    const Odd* OddAtOrBefore(std::size_t i) const {
        const auto it = std::upper_bound(odd.begin(), odd.end(), i,
                                         [](std::size_t u, const Odd& o) { return u < o.unit; });
        return it == odd.begin() ? nullptr : &*std::prev(it);
    }
    // Original start and end of unit i.
    std::size_t From(std::size_t i) const {
        const Odd* o = OddAtOrBefore(i);
        if (!o) return i;
        return o->unit == i ? o->from : o->to + (i - o->unit - 1);
    }
    std::size_t To(std::size_t i) const {
        const Odd* o = OddAtOrBefore(i);
        if (o && o->unit == i) return o->to;
        return (o ? o->to + (i - o->unit - 1) : i) + 1;
    }
    // Skeleton index of the first unit at or after original offset o.
    std::size_t IndexOf(std::size_t o) const {
        std::size_t lo = 0, hi = s.size();
        while (lo < hi) {
            const std::size_t mid = lo + (hi - lo) / 2;
            if (From(mid) < o) {
                lo = mid + 1;
            } else {
                hi = mid;
            }
        }
        return lo;
    }
};

// Full width to half width, lower case, look-alikes of w to w.
char16_t FoldUnit(char16_t c);
// The skeleton of text: zero-width characters dropped, each run of blanks one
// blank (none between two Chinese letters), "(点)" one 点, and 点 / 。 / ·
// between letters or digits a dot.
// Example: Fold(u"ｗｗｗ 点 Ｂｉ　ｑｕ") gives u"www . bi qu".
Skeleton Fold(std::u16string_view text);

// How many units of s are word characters.
std::size_t WordChars(std::u16string_view s);

}  // namespace qm::purge::detail
