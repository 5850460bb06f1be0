// UTF-16 units and the characters they make up. The document and every
// command count in UTF-16 units; these say where a character starts, so that
// nothing cuts a surrogate pair in two.
#pragma once

#include <cstddef>
#include <string_view>

namespace qm::text {

// The first half of a surrogate pair: IsHighSurrogate(u"𠀀"[0]) is true.
constexpr bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
// The second half: IsLowSurrogate(u"𠀀"[1]) is true.
constexpr bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// A Han character of the Basic Multilingual Plane: CJK Unified Ideographs
// (U+4E00–9FFF), Extension A (U+3400–4DBF) and Compatibility Ideographs
// (U+F900–FAFF); with HanUnits::WithSurrogates also either half of a pair,
// which in Chinese text are the extensions B and later: IsHan(u'中') is true,
// IsHan(u"𠀀"[0]) only with surrogates.
enum class HanUnits { Bmp, WithSurrogates };
constexpr bool IsHan(char16_t c, HanUnits units = HanUnits::Bmp) {
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) ||
           (c >= 0xF900 && c <= 0xFAFF) ||
           (units == HanUnits::WithSurrogates && c >= 0xD800 && c <= 0xDFFF);
}

// True when `at` falls between the two halves of a pair:
// SplitsPair(u"a𠀀", 2) is true, SplitsPair(u"a𠀀", 1) is false.
constexpr bool SplitsPair(std::u16string_view s, std::size_t at) {
    return at > 0 && at < s.size() && IsLowSurrogate(s[at]) && IsHighSurrogate(s[at - 1]);
}

// `at` moved back to the start of the character it falls in:
// CharacterStart(u"a𠀀", 2) == 1; any other position stays.
constexpr std::size_t CharacterStart(std::u16string_view s, std::size_t at) {
    return SplitsPair(s, at) ? at - 1 : at;
}

// True when s[i] is half of a pair whose other half is missing (shown and
// saved as a replacement character): IsLoneSurrogate(u"a\xD800", 1) is true.
constexpr bool IsLoneSurrogate(std::u16string_view s, std::size_t i) {
    if (IsHighSurrogate(s[i])) return i + 1 >= s.size() || !IsLowSurrogate(s[i + 1]);
    if (IsLowSurrogate(s[i])) return i == 0 || !IsHighSurrogate(s[i - 1]);
    return false;
}

// The character starting at s[i] and the units it takes: 2 for a pair, else 1
// (a lone half stands for itself): CodePointAt(u"a𠀀", 1) == {0x20000, 2}.
struct CodePoint {
    char32_t value = 0;
    std::size_t length = 1;
};
constexpr CodePoint CodePointAt(std::u16string_view s, std::size_t i) {
    const char16_t c = s[i];
    if (IsHighSurrogate(c) && i + 1 < s.size() && IsLowSurrogate(s[i + 1]))
        return {0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (s[i + 1] - 0xDC00), 2};
    return {c, 1};
}

// Bytes the text takes in UTF-8, a lone half counting 3 as it is written:
// Utf8Length(u"aé中𠀀") == 1 + 2 + 3 + 4.
constexpr std::size_t Utf8Length(std::u16string_view s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const char16_t c = s[i];
        if (c < 0x80) {
            n += 1;
        } else if (c < 0x800) {
            n += 2;
        } else if (IsHighSurrogate(c) && i + 1 < s.size() && IsLowSurrogate(s[i + 1])) {
            n += 4;
            ++i;
        } else {
            n += 3;
        }
    }
    return n;
}

}  // namespace qm::text
