// Blanks cut from the ends of a text. Which blanks count differs by purpose,
// so each function names its set; the cutting is written once.
#pragma once

#include <string_view>

namespace qm::text {

// ASCII blanks only: what settings files, typed numbers and names forgive.
inline constexpr std::u16string_view kSpaces = u" ";
// Any blank a mail program or an editor may add: blank, tab, line breaks and
// the ideographic space U+3000.
inline constexpr std::u16string_view kBlanks = u" \t\r\n\u3000";

// `s` without the characters of `set` at its start: StripLeft(u"  a ", kSpaces) == u"a ".
constexpr std::u16string_view StripLeft(std::u16string_view s, std::u16string_view set) {
    const std::size_t first = s.find_first_not_of(set);
    return first == std::u16string_view::npos ? std::u16string_view{} : s.substr(first);
}

// `s` without the characters of `set` at its end: StripRight(u" a  ", kSpaces) == u" a".
constexpr std::u16string_view StripRight(std::u16string_view s, std::u16string_view set) {
    const std::size_t last = s.find_last_not_of(set);
    return last == std::u16string_view::npos ? std::u16string_view{} : s.substr(0, last + 1);
}

// Both ends: Strip(u"  a b  ", kSpaces) == u"a b"; Strip(u"   ", kSpaces) is empty.
constexpr std::u16string_view Strip(std::u16string_view s, std::u16string_view set = kSpaces) {
    return StripRight(StripLeft(s, set), set);
}

// Bytes: ASCII white space (blank, tab, CR, LF, form feed) at both ends, as in
// web pages' headers and attributes: StripAscii(" text/html\r\n") == "text/html".
constexpr std::string_view StripAscii(std::string_view s) {
    constexpr std::string_view kWhite = " \t\r\n\f";
    const std::size_t first = s.find_first_not_of(kWhite);
    if (first == std::string_view::npos) return {};
    return s.substr(first, s.find_last_not_of(kWhite) - first + 1);
}

}  // namespace qm::text
