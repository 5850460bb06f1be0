#include "core/novel/purge/Folding.h"

#include "core/novel/purge/Purge.h"

namespace qm::purge {

namespace detail {

char16_t FoldUnit(char16_t c) {
    if (c >= 0xFF01 && c <= 0xFF5E) c = static_cast<char16_t>(c - 0xFEE0);
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    switch (c) {
        case 0x03C9:  // ω
        case 0x03CE:  // ώ
        case 0x0461:  // ѡ
        case 0x0460:
        case 0x24E6:  // ⓦ
        case 0x0175:  // ŵ
        case 0x0174:
            return u'w';
        default:
            return c;
    }
}

// Stand-ins for a dot, turned into '.' only between letters or digits (so
// that 点 in 一点 or 。 ending a sentence stay what they are).
bool IsDotStandIn(char16_t c) {
    return c == u'点' || c == u'點' || c == 0x3002 || c == 0x00B7 || c == 0x30FB || c == 0x2022 ||
           c == 0xFF61;
}

Skeleton Fold(std::u16string_view text) {
    Skeleton k;
    k.Reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char16_t c = text[i];
        if (c >= 0x4E00 && c <= 0x9FFF && c != u'点' && c != u'點') {
            k.Put(c, i, i + 1);
            ++i;
            continue;
        }
        if (IsZeroWidth(c)) {
            ++i;
            continue;
        }
        if (IsBlank(c)) {
            // Blanks between two Chinese letters are a disguise ("最 新 章 节"),
            // never a word boundary the rules need: they go, as zero-widths do.
            std::size_t j = i + 1;
            while (j < text.size() && IsSoft(text[j])) ++j;
            if (k.n > 0 && IsHan(k.s[k.n - 1]) && j < text.size() && IsHan(text[j])) {
                i = j;
                continue;
            }
            if (k.n > 0 && k.s[k.n - 1] == u' ') {
                k.Stretch(i + 1);
            } else {
                k.Put(u' ', i, i + 1);
            }
            ++i;
            continue;
        }
        // (点) and its bracketed kin stand for one dot.
        if (IsOpener(c) && i + 2 < text.size() && (text[i + 1] == u'点' || text[i + 1] == u'點') &&
            IsCloser(text[i + 2])) {
            k.Put(u'点', i, i + 3);
            i += 3;
            continue;
        }
        const char16_t f = FoldUnit(c);
        k.Put(f, i, i + 1);
        ++i;
    }
    k.Finish();
    auto alnumAt = [&](std::size_t j) {
        return j < k.s.size() &&
               ((k.s[j] >= u'a' && k.s[j] <= u'z') || (k.s[j] >= u'0' && k.s[j] <= u'9'));
    };
    // Found again rather than listed while folding: a list would cost a
    // word for every 。 of the book.
    for (std::size_t j = 0; j < k.s.size(); ++j) {
        if (!IsDotStandIn(k.s[j])) continue;
        std::size_t p = j, n = j + 1;
        if (p > 0 && k.s[p - 1] == u' ') --p;
        if (n < k.s.size() && k.s[n] == u' ') ++n;
        if (p > 0 && alnumAt(p - 1) && alnumAt(n)) k.s[j] = u'.';
    }
    return k;
}

std::size_t WordChars(std::u16string_view s) {
    return static_cast<std::size_t>(std::count_if(s.begin(), s.end(), IsWordChar));
}

}  // namespace detail

std::u16string Normalized(std::u16string_view line) {
    std::u16string out = detail::Fold(line).s;
    std::erase(out, u' ');
    return out;
}

}  // namespace qm::purge
