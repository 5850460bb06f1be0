// Scrub: what downloaded text carries that a reader never sees or should not
// see. Format characters (zero-width runs a site fingerprints its copies
// with, bidirectional controls, soft hyphens, a BOM inside the text), HTML
// character references and stray tags left by downloaders, and no-break
// spaces. What a script needs stays: a ZWJ inside an emoji sequence or
// between Indic or Arabic letters, a ZWNJ there too, emoji tag sequences and
// the format characters that are part of a script's writing (Arabic number
// signs, Egyptian and musical format controls). Private-use characters are
// listed, and replaced only by a map the user gives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace qm::scrub {

enum class Kind : std::uint8_t {
    ZeroWidth,     // U+200B–U+200D, U+2060, U+FEFF
    Bidi,          // marks, embeddings, overrides and isolates
    SoftHyphen,    // U+00AD
    Format,        // any other format character
    Entity,        // an HTML character reference, decoded
    NoBreakSpace,  // U+00A0 or &nbsp;, made a blank
    Tag,           // a stray HTML tag, removed
};
// The kind as the user reads it: "零宽字符", "HTML 实体" …
std::u16string_view KindName(Kind kind);

// A code point as users look one up: CodeName(0x200B) == u"U+200B".
std::u16string CodeName(char32_t code);

// How often one thing was taken: a character as "U+200B", an entity as
// written ("&lt;"), a tag by its name ("</p>", "<br>").
struct Tally {
    Kind kind = Kind::ZeroWidth;
    std::u16string what;
    std::size_t count = 0;
};

struct Result {
    std::u16string text;
    std::vector<Tally> tallies;  // by kind, then by what
    std::size_t Total() const;
};

// The text scrubbed: entities decoded ("&#34;" "&quot;" "&amp;" … with their
// ";", or "&nbsp" "&lt" "&gt" "&amp" "&quot" without one), then the stray
// tags of HTML's text elements removed ("<p>", "</p>", "<br/>",
// "<font color=red>"), then format characters removed and no-break spaces
// made blanks. "AT&T", "R&D", "&c", "a & b", "a<b" and "<你好>" stay, as do
// references to control characters ("&#1;"); "&#13;&#10;" and "&#10;" are
// line breaks, each a CR LF.
// Example: Scrub(u"他\u200B说&lt;/p&gt;：&quot;好&quot;") gives u"他说：\"好\"".
Result Scrub(std::u16string_view text);

// One private-use character (U+E000–U+F8FF) of the text: a site's font maps
// such characters to common Han characters, every site its own way.
struct PrivateUse {
    char32_t code = 0;
    std::size_t count = 0;
    std::size_t firstLine = 0;  // 0 for the first line
    std::u16string sample;      // a few characters either side of its first place
    // One of the code points that GB18030 decoding gives bytes of GBK's
    // symbol gaps and its FE50–FEA0 area (U+E766–U+E864): the file's own
    // encoding made it, not a site.
    bool fromGbk = false;
};
// Every private-use character of the text, by code point.
std::vector<PrivateUse> FindPrivateUse(std::u16string_view text);

struct PuaMap {
    std::map<char32_t, std::u16string> replace;
    std::vector<std::size_t> badLines;  // 0-based lines that are no mapping
};
// A map as users write one: a line "U+E3F2<TAB>的" (or "E3F2", or the
// character itself, then a tab, a comma or blanks, then its replacement);
// empty lines and lines starting with # skipped.
PuaMap ParsePuaMap(std::u16string_view listText);

// The text with every mapped private-use character replaced; `replaced`
// says how many.
std::u16string ReplacePrivateUse(std::u16string_view text, const PuaMap& map,
                                 std::size_t* replaced = nullptr);

}  // namespace qm::scrub
