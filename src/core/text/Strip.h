// Blanks cut from the ends of a text. Which blanks count differs by purpose,
// so each function names its set; the cutting is written once.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace qm::text {

// ASCII blanks only: what settings files, typed numbers and names forgive.
inline constexpr std::u16string_view kSpaces = u" ";
// Any blank a mail program or an editor may add: blank, tab, line breaks and
// the ideographic space U+3000.
inline constexpr std::u16string_view kBlanks = u" \t\r\n\u3000";
// A named set of characters that hot loops ask about one unit at a time: a
// bit for every UTF-16 unit, made when compiling. It passes as its characters
// where a string is wanted: CharSet(u" \t").Has(u'\t') is true.
class CharSet {
  public:
    constexpr explicit CharSet(std::u16string_view chars) : chars_(chars) {
        for (const char16_t c : chars) bits_[c >> 6] |= std::uint64_t{1} << (c & 63);
    }
    constexpr bool Has(char16_t c) const { return (bits_[c >> 6] >> (c & 63)) & 1; }
    constexpr operator std::u16string_view() const { return chars_; }

  private:
    std::u16string_view chars_;
    std::array<std::uint64_t, 1024> bits_{};
};

// The re-mixer's blanks, which fill an empty line and indent a paragraph:
// blank, tab, U+3000.
inline constexpr CharSet kRemixBlanks{u" \t\u3000"};
// The novel tools' blanks around a line: blank, tab, no-break space, U+3000:
// Strip(u"\u3000第一章\u00A0", kNovelBlanks) == u"第一章".
inline constexpr CharSet kNovelBlanks{u" \t\u00A0\u3000"};
// The purge's blanks, which it folds into one: the novel tools' and the
// typographic spaces U+2002–200A.
inline constexpr CharSet kPurgeBlanks{
    u" \t\u00A0\u3000\u2002\u2003\u2004\u2005\u2006\u2007\u2008\u2009\u200A"};
// Characters the purge skips as if absent: zero-width ones, the byte order
// mark, soft hyphen, Mongolian vowel separator.
inline constexpr CharSet kZeroWidths{u"\u200B\u200C\u200D\u2060\uFEFF\u00AD\u180E"};
// What the purge cuts from a rule line's ends: its blanks, the zero-width
// characters and line breaks: Strip(u"\u2003广告\u200B\r", kPurgeTrimmed) == u"广告".
inline constexpr CharSet kPurgeTrimmed{
    u" \t\u00A0\u3000\u2002\u2003\u2004\u2005\u2006\u2007\u2008\u2009\u200A"
    u"\u200B\u200C\u200D\u2060\uFEFF\u00AD\u180E\r\n"};
static_assert(std::u16string_view(kPurgeTrimmed).starts_with(kPurgeBlanks) &&
                  std::u16string_view(kPurgeTrimmed)
                      .substr(std::u16string_view(kPurgeBlanks).size())
                      .starts_with(kZeroWidths),
              "the purge trims its blanks and zero-width characters");
// The EPUB writer's blanks, which make a paragraph or title empty: the novel
// tools', U+2000–200B and the byte order mark: Strip(u"\uFEFF\u200B", kEpubBlanks) is empty.
inline constexpr CharSet kEpubBlanks{
    u" \t\u00A0\u3000\uFEFF\u2000\u2001\u2002\u2003\u2004\u2005\u2006\u2007\u2008\u2009"
    u"\u200A\u200B"};

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
