#include "core/tools/Scrub.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <tuple>

#include "core/text/Common.h"
#include "core/text/Lines.h"
#include "core/text/Strip.h"
#include "core/text/Utf16.h"

namespace qm::scrub {

namespace {

using text::CodePointAt;

// ---- counting ----

class Tallies {
  public:
    void Add(Kind kind, std::u16string what) { ++counts_[{kind, std::move(what)}]; }
    std::vector<Tally> List() const {
        std::vector<Tally> out;
        for (const auto& [key, n] : counts_) out.push_back({key.first, key.second, n});
        return out;
    }

  private:
    std::map<std::pair<Kind, std::u16string>, std::size_t> counts_;
};

void AppendCodePoint(std::u16string& out, char32_t c) {
    if (c >= 0x10000) {
        out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
        out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
        out += static_cast<char16_t>(c);
    }
}

bool IsAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsAsciiAlnum(char16_t c) { return IsAsciiLetter(c) || (c >= u'0' && c <= u'9'); }
char16_t Lower(char16_t c) { return c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c; }
// The digit's value in base 10 or 16, or -1.
int DigitValue(char16_t c, bool hex) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (hex && Lower(c) >= u'a' && Lower(c) <= u'f') return Lower(c) - u'a' + 10;
    return -1;
}

// ---- entities ----

struct Named {
    std::u16string_view name;
    char32_t value;
};
// The entities downloaded pages leave, by name (HTML's, case as HTML has it).
constexpr Named kNamed[] = {
    {u"nbsp", 0xA0},     {u"amp", u'&'},     {u"lt", u'<'},       {u"gt", u'>'},
    {u"quot", u'"'},     {u"apos", u'\''},   {u"ldquo", 0x201C},  {u"rdquo", 0x201D},
    {u"lsquo", 0x2018},  {u"rsquo", 0x2019}, {u"hellip", 0x2026}, {u"mdash", 0x2014},
    {u"ndash", 0x2013},  {u"middot", 0xB7},  {u"bull", 0x2022},   {u"copy", 0xA9},
    {u"reg", 0xAE},      {u"trade", 0x2122}, {u"times", 0xD7},    {u"divide", 0xF7},
    {u"deg", 0xB0},      {u"yen", 0xA5},     {u"emsp", 0x2003},   {u"ensp", 0x2002},
    {u"thinsp", 0x2009}, {u"zwsp", 0x200B},  {u"shy", 0xAD},      {u"laquo", 0xAB},
    {u"raquo", 0xBB},
};
// Written without their ";" by careless converters, and never a word's start
// when the next character is no letter or digit.
constexpr std::u16string_view kBare[] = {u"nbsp", u"amp", u"lt", u"gt", u"quot"};

struct Entity {
    std::size_t length = 0;  // 0: no entity at this '&'
    char32_t value = 0;
};

Entity ReadEntity(std::u16string_view s, std::size_t at) {
    std::size_t i = at + 1;
    if (i < s.size() && s[i] == u'#') {
        ++i;
        const bool hex = i < s.size() && (s[i] == u'x' || s[i] == u'X');
        if (hex) ++i;
        const std::size_t from = i;
        char32_t v = 0;
        for (; i < s.size() && i - from < 8; ++i) {
            const int d = DigitValue(s[i], hex);
            if (d < 0) break;
            v = v * (hex ? 16 : 10) + static_cast<char32_t>(d);
        }
        // A control character is no text to put in one (a line break is,
        // made the document's own below).
        const bool control =
            (v < 0x20 && v != u'\t' && v != u'\n' && v != u'\r') || (v >= 0x7F && v <= 0x9F);
        const bool valid = i > from && i < s.size() && s[i] == u';' && !control && v <= 0x10FFFF &&
                           !(v >= 0xD800 && v <= 0xDFFF);
        return valid ? Entity{i + 1 - at, v} : Entity{};
    }
    const std::size_t from = i;
    while (i < s.size() && i - from < 8 && IsAsciiAlnum(s[i])) ++i;
    const std::u16string_view name = s.substr(from, i - from);
    for (const Named& n : kNamed) {
        if (n.name != name) continue;
        if (i < s.size() && s[i] == u';') return {i + 1 - at, n.value};
        if (std::find(std::begin(kBare), std::end(kBare), name) != std::end(kBare))
            return {i - at, n.value};
    }
    return {};
}

// ---- tags ----

// HTML's elements of running text and page layout: what a copied page leaves.
constexpr std::u16string_view kTags[] = {
    u"p",   u"br",     u"div", u"span",   u"font",       u"b",      u"i",       u"u",
    u"em",  u"strong", u"a",   u"img",    u"hr",         u"center", u"small",   u"big",
    u"sub", u"sup",    u"h1",  u"h2",     u"h3",         u"h4",     u"h5",      u"h6",
    u"li",  u"ul",     u"ol",  u"table",  u"tr",         u"td",     u"th",      u"tbody",
    u"ins", u"del",    u"s",   u"strike", u"blockquote", u"pre",    u"section", u"article"};

// The length of a tag at s[at] ('<'), or 0. Attributes run to the '>' on the
// same line, never past another '<'.
std::size_t TagAt(std::u16string_view s, std::size_t at, std::u16string& name) {
    std::size_t i = at + 1;
    const bool closing = i < s.size() && s[i] == u'/';
    if (closing) ++i;
    const std::size_t from = i;
    while (i < s.size() && i - from < 12 && IsAsciiAlnum(s[i])) ++i;
    std::u16string n;
    for (std::size_t k = from; k < i; ++k) n += Lower(s[k]);
    if (std::find(std::begin(kTags), std::end(kTags), n) == std::end(kTags)) return 0;
    if (i >= s.size()) return 0;
    if (s[i] != u'>' && s[i] != u'/' && s[i] != u' ' && s[i] != u'\t') return 0;
    char16_t quote = 0;  // inside a quoted value anything goes; outside, ASCII only
    for (std::size_t k = i; k < s.size() && k - i < 300; ++k) {
        const char16_t c = s[k];
        if (quote) {
            if (c == quote) quote = 0;
            if (c == u'\r' || c == u'\n') return 0;
            continue;
        }
        if (c == u'"' || c == u'\'') {
            quote = c;
            continue;
        }
        if (c >= 0x80) return 0;
        if (c == u'>') {
            name = (closing ? u"</" : u"<") + n + u">";
            return k + 1 - at;
        }
        if (c == u'<' || c == u'\r' || c == u'\n') return 0;
    }
    return 0;
}

// ---- format characters ----

bool IsEmojiLike(char32_t c) {
    return (c >= 0x1F000 && c <= 0x1FAFF) || (c >= 0x2600 && c <= 0x27BF) ||
           (c >= 0x2300 && c <= 0x23FF) || (c >= 0x2B00 && c <= 0x2BFF) || c == 0xFE0F ||
           c == 0x20E3;
}
// Letters of the scripts whose spelling uses ZWJ and ZWNJ: Arabic, Syriac,
// Thaana, the Indic scripts, Myanmar, Khmer, and Arabic's presentation forms.
bool JoinsInScript(char32_t c) {
    return (c >= 0x0600 && c <= 0x0DFF) || (c >= 0x1000 && c <= 0x109F) ||
           (c >= 0x1780 && c <= 0x17FF) || (c >= 0xFB50 && c <= 0xFDFF) ||
           (c >= 0xFE70 && c <= 0xFEFC);
}

enum class Fate { Keep, Remove, Blank };

struct Judged {
    Fate fate = Fate::Keep;
    Kind kind = Kind::Format;
};

char32_t Before(std::u16string_view s, std::size_t i) {
    if (i == 0) return 0;
    std::size_t k = text::CharacterStart(s, i - 1);
    return CodePointAt(s, k).value;
}
char32_t After(std::u16string_view s, std::size_t i) {
    return i < s.size() ? CodePointAt(s, i).value : 0;
}

// What becomes of the character c at s[i] (taking `length` units).
Judged Judge(std::u16string_view s, std::size_t i, char32_t c, std::size_t length) {
    if (c == 0xA0) return {Fate::Blank, Kind::NoBreakSpace};
    if (c == 0xAD) return {Fate::Remove, Kind::SoftHyphen};
    if (c == 0x200B || c == 0x2060 || c == 0xFEFF) return {Fate::Remove, Kind::ZeroWidth};
    if (c == 0x200C || c == 0x200D) {
        const char32_t a = Before(s, i), b = After(s, i + length);
        const bool emoji = c == 0x200D && IsEmojiLike(a) && IsEmojiLike(b);
        if (emoji || (JoinsInScript(a) && JoinsInScript(b))) return {};
        return {Fate::Remove, Kind::ZeroWidth};
    }
    if (c == 0x200E || c == 0x200F || c == 0x061C || (c >= 0x202A && c <= 0x202E) ||
        (c >= 0x2066 && c <= 0x2069))
        return {Fate::Remove, Kind::Bidi};
    if (c == 0x180E || (c >= 0x2061 && c <= 0x2064) || (c >= 0x206A && c <= 0x206F) ||
        (c >= 0xFFF9 && c <= 0xFFFB) || c == 0xE0001)
        return {Fate::Remove, Kind::Format};
    // Tag characters spell an emoji flag after a black flag; alone they are junk.
    if (c >= 0xE0020 && c <= 0xE007F) {
        const char32_t a = Before(s, i);
        if (a == 0x1F3F4 || (a >= 0xE0020 && a <= 0xE007F)) return {};
        return {Fate::Remove, Kind::Format};
    }
    // The rest of the format characters (Arabic number signs, Egyptian,
    // shorthand and musical format controls) are part of their scripts.
    return {};
}

bool MayBeJudged(char16_t c) {
    return c == 0xA0 || c == 0xAD || c == 0x061C || c == 0x180E || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF ||
           (c >= 0xFFF9 && c <= 0xFFFB) || c == 0xDB40;  // 0xDB40: the plane of the tags
}

}  // namespace

std::u16string CodeName(char32_t c) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "U+%04X", static_cast<unsigned>(c));
    return std::u16string(buf, buf + std::char_traits<char>::length(buf));
}

std::u16string_view KindName(Kind kind) {
    switch (kind) {
        case Kind::ZeroWidth:
            return u"零宽字符";
        case Kind::Bidi:
            return u"双向控制符";
        case Kind::SoftHyphen:
            return u"软连字符";
        case Kind::Format:
            return u"其他格式字符";
        case Kind::Entity:
            return u"HTML 实体";
        case Kind::NoBreakSpace:
            return u"不换行空格";
        case Kind::Tag:
            return u"HTML 标签";
    }
    return u"";
}

std::size_t Result::Total() const {
    std::size_t n = 0;
    for (const Tally& t : tallies) n += t.count;
    return n;
}

Result Scrub(std::u16string_view text) {
    Tallies tallies;
    // Entities and tags first: a decoded "&lt;/p&gt;" is a tag, and a decoded
    // "&#8203;" an invisible character, which the last pass then takes.
    std::u16string decoded;
    decoded.reserve(text.size());
    bool breaks = false;  // "&#13;&#10;", "&#10;": lone units until made CR LF
    for (std::size_t i = 0; i < text.size();) {
        const char16_t c = text[i];
        if (c == u'&') {
            const Entity e = ReadEntity(text, i);
            if (e.length > 0) {
                const std::u16string written(text.substr(i, e.length));
                tallies.Add(e.value == 0xA0 ? Kind::NoBreakSpace : Kind::Entity, written);
                // A no-break space is made a blank below, counted here once.
                AppendCodePoint(decoded, e.value == 0xA0 ? u' ' : e.value);
                breaks = breaks || e.value == u'\r' || e.value == u'\n';
                i += e.length;
                continue;
            }
        }
        decoded += c;
        ++i;
    }
    if (breaks) decoded = 常用模块::NormalizeLineBreaks(decoded);
    std::u16string untagged;
    untagged.reserve(decoded.size());
    for (std::size_t i = 0; i < decoded.size();) {
        std::u16string name;
        const std::size_t n = decoded[i] == u'<' ? TagAt(decoded, i, name) : 0;
        if (n > 0) {
            tallies.Add(Kind::Tag, std::move(name));
            i += n;
            continue;
        }
        untagged += decoded[i++];
    }
    decoded.clear();
    decoded.shrink_to_fit();

    Result r;
    r.text.reserve(untagged.size());
    for (std::size_t i = 0; i < untagged.size();) {
        const char16_t u = untagged[i];
        if (!MayBeJudged(u)) {
            r.text += u;
            ++i;
            continue;
        }
        const text::CodePoint cp = CodePointAt(untagged, i);
        const Judged j = Judge(untagged, i, cp.value, cp.length);
        if (j.fate == Fate::Keep) {
            r.text.append(untagged, i, cp.length);
        } else {
            tallies.Add(j.kind, CodeName(cp.value));
            if (j.fate == Fate::Blank) r.text += u' ';
        }
        i += cp.length;
    }
    r.tallies = tallies.List();
    return r;
}

std::vector<PrivateUse> FindPrivateUse(std::u16string_view text) {
    std::map<char32_t, PrivateUse> found;
    std::size_t line = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'\n' || (c == u'\r' && (i + 1 >= text.size() || text[i + 1] != u'\n'))) ++line;
        if (c < 0xE000 || c > 0xF8FF) continue;
        PrivateUse& p = found[c];
        if (p.count++ == 0) {
            p.code = c;
            p.firstLine = line;
            p.fromGbk = c >= 0xE766 && c <= 0xE864;
            const std::size_t from = text::CharacterStart(text, i >= 8 ? i - 8 : 0);
            const std::size_t to = text::CharacterStart(text, std::min(text.size(), i + 9));
            p.sample = std::u16string(text.substr(from, to - from));
            for (char16_t& s : p.sample)
                if (s == u'\r' || s == u'\n') s = u' ';
        }
    }
    std::vector<PrivateUse> out;
    for (auto& [code, p] : found) out.push_back(std::move(p));
    return out;
}

PuaMap ParsePuaMap(std::u16string_view listText) {
    PuaMap map;
    const auto lines = text::SplitLines(listText);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        std::u16string_view line =
            text::Strip(listText.substr(lines[n].start, lines[n].length), text::kBlanks);
        if (line.empty() || line.front() == u'#') continue;
        char32_t code = 0;
        std::size_t i = 0;
        if (line[0] >= 0xE000 && line[0] <= 0xF8FF) {
            code = line[0];
            i = 1;
        } else {
            if (line.size() > 2 && (line[0] == u'U' || line[0] == u'u') && line[1] == u'+') i = 2;
            const std::size_t from = i;
            for (; i < line.size() && i - from < 6; ++i) {
                const int d = DigitValue(line[i], true);
                if (d < 0) break;
                code = code * 16 + static_cast<char32_t>(d);
            }
            if (i == from) code = 0;
        }
        std::u16string_view rest = line.substr(i);
        const bool separated = !rest.empty() && (rest[0] == u'\t' || rest[0] == u',' ||
                                                 rest[0] == u' ' || rest[0] == u'\u3000');
        rest = text::Strip(rest.substr(separated ? 1 : 0), text::kBlanks);
        if (code < 0xE000 || code > 0xF8FF || !separated || rest.empty()) {
            map.badLines.push_back(n);
            continue;
        }
        map.replace[code] = std::u16string(rest);
    }
    return map;
}

std::u16string ReplacePrivateUse(std::u16string_view text, const PuaMap& map,
                                 std::size_t* replaced) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t n = 0;
    for (const char16_t c : text) {
        const auto it = c >= 0xE000 && c <= 0xF8FF ? map.replace.find(c) : map.replace.end();
        if (it == map.replace.end()) {
            out += c;
        } else {
            out += it->second;
            ++n;
        }
    }
    if (replaced) *replaced = n;
    return out;
}

}  // namespace qm::scrub
