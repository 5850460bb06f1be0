#include "core/novel/Chapters.h"

#include <algorithm>
#include <map>
#include <set>

#include "core/novel/NovelText.h"
#include "core/text/Lines.h"
#include "core/text/Strip.h"
#include "core/text/WholeNumber.h"

namespace qm::chapters {

namespace {

using novel::IsBlank;

// A heading longer than this is a sentence (noise such as "更新时间…本章字数…"
// after the title included).
constexpr std::size_t kMaxHeading = 64;
// Weak styles ("1. 标题", "一、标题") are lists as often as headings: only
// short lines without sentence punctuation count.
constexpr std::size_t kMaxWeakHeading = 30;
// Rules drawn around a heading or between parts.
constexpr std::u16string_view kDecoration = u"=＝*＊~～#＃☆★◆◇※-－—";

int ChineseDigit(char16_t c) {
    switch (c) {
        case u'零':
        case u'〇':
        case u'０':
            return 0;
        case u'一':
        case u'壹':
            return 1;
        case u'二':
        case u'两':
        case u'贰':
        case u'貳':
            return 2;
        case u'三':
        case u'叁':
        case u'參':
            return 3;
        case u'四':
        case u'肆':
            return 4;
        case u'五':
        case u'伍':
            return 5;
        case u'六':
        case u'陆':
        case u'陸':
            return 6;
        case u'七':
        case u'柒':
            return 7;
        case u'八':
        case u'捌':
            return 8;
        case u'九':
        case u'玖':
            return 9;
        default:
            return -1;
    }
}

int ChineseUnit(char16_t c) {
    switch (c) {
        case u'十':
        case u'拾':
            return 10;
        case u'百':
        case u'佰':
            return 100;
        case u'千':
        case u'仟':
            return 1000;
        case u'万':
        case u'萬':
            return 10000;
        default:
            return 0;
    }
}

bool IsChineseNumeral(char16_t c) {
    return (ChineseDigit(c) >= 0 && c != u'０') || ChineseUnit(c) > 0 || c == u'廿' || c == u'卅';
}

int ArabicDigit(char16_t c) {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= 0xFF10 && c <= 0xFF19) return c - 0xFF10;
    return -1;
}

std::optional<std::int64_t> ParseChinese(std::u16string_view s) {
    if (s.empty() || s.size() > 12) return std::nullopt;
    bool hasUnit = false;
    for (const char16_t c : s) {
        if (!IsChineseNumeral(c)) return std::nullopt;
        hasUnit = hasUnit || ChineseUnit(c) > 0 || c == u'廿' || c == u'卅';
    }
    if (!hasUnit) {  // 一〇一, 二零二: digit by digit
        std::int64_t v = 0;
        for (const char16_t c : s) v = v * 10 + ChineseDigit(c);
        return v;
    }
    std::int64_t total = 0;
    std::int64_t section = 0;
    std::int64_t digit = -1;
    for (const char16_t c : s) {
        const int d = ChineseDigit(c);
        const int u = ChineseUnit(c);
        if (d >= 0) {
            digit = d;
        } else if (c == u'廿' || c == u'卅') {
            section += c == u'廿' ? 20 : 30;
            digit = -1;
        } else if (u == 10000) {
            section += std::max<std::int64_t>(digit, 0);
            total += (section == 0 ? 1 : section) * 10000;
            section = 0;
            digit = -1;
        } else {
            section += (digit < 0 ? 1 : digit) * u;  // 十二: the 十 stands alone
            digit = -1;
        }
    }
    return total + section + std::max<std::int64_t>(digit, 0);
}

int RomanValue(char16_t c) {
    switch (c) {
        case u'I':
        case u'i':
            return 1;
        case u'V':
        case u'v':
            return 5;
        case u'X':
        case u'x':
            return 10;
        case u'L':
        case u'l':
            return 50;
        case u'C':
        case u'c':
            return 100;
        case u'D':
        case u'd':
            return 500;
        case u'M':
        case u'm':
            return 1000;
        default:
            return 0;
    }
}

std::optional<std::int64_t> ParseRoman(std::u16string_view s) {
    if (s.empty() || s.size() > 12) return std::nullopt;
    std::int64_t v = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const int a = RomanValue(s[i]);
        if (a == 0) return std::nullopt;
        const int b = i + 1 < s.size() ? RomanValue(s[i + 1]) : 0;
        v += (b > a) ? -a : a;
    }
    return v > 0 ? std::optional<std::int64_t>(v) : std::nullopt;
}

struct Number {
    std::size_t length = 0;
    std::int64_t value = 0;
    Numerals kind = Numerals::None;
};

// The numeral run at s[i], Arabic or Chinese.
std::optional<Number> ReadNumber(std::u16string_view s, std::size_t i) {
    std::size_t j = i;
    std::int64_t v = 0;
    while (j < s.size() && j - i < 7 && ArabicDigit(s[j]) >= 0) v = v * 10 + ArabicDigit(s[j++]);
    if (j > i) {
        if (j < s.size() && ArabicDigit(s[j]) >= 0) return std::nullopt;
        return Number{j - i, v, Numerals::Arabic};
    }
    while (j < s.size() && j - i < 12 && IsChineseNumeral(s[j])) ++j;
    if (j == i) return std::nullopt;
    const auto c = ParseChinese(s.substr(i, j - i));
    if (!c) return std::nullopt;
    return Number{j - i, *c, Numerals::Chinese};
}

// The number written in ASCII at s[j] (Arabic digits or Roman numerals) of
// an English heading, and where its word ends: "Chapter IV:" gives 4.
std::pair<std::optional<std::int64_t>, std::size_t> EnglishNumber(std::u16string_view s,
                                                                  std::size_t j) {
    std::size_t k = j;
    while (k < s.size() && s[k] < 0x80 && s[k] != u' ' && s[k] != u':' && s[k] != u'.') ++k;
    const auto word = s.substr(j, k - j);
    if (auto n = ReadNumber(word, 0); n && n->length == word.size()) return {n->value, k};
    return {ParseRoman(word), k};
}

bool IsSeparator(char16_t c) {
    return IsBlank(c) || c == u'：' || c == u':' || c == u'、' || c == u'.' || c == u'．' ||
           c == u'·' || c == u'—' || c == u'-' || c == u'_' || c == u'（' || c == u'(' ||
           c == u'【' || c == u'[' || c == u'《' || c == u'“' || c == u'"';
}

// Characters that, right after "第五章", make it part of a sentence
// ("第五章的内容", "第三回中说") rather than a heading with its title glued on.
bool IsParticle(char16_t c) {
    static constexpr std::u16string_view kParticles =
        u"的之了里是也都就还和与及到过着个把被在有为对说看写讲完没已才又再却所时后";
    return kParticles.find(c) != std::u16string_view::npos;
}

bool IsOpeningQuote(char16_t c) {
    return c == u'“' || c == u'「' || c == u'『' || c == u'"' || c == u'\'' || c == u'‘' ||
           c == u'﹁';
}

bool IsVolumeUnit(char16_t c) { return c == u'卷' || c == u'部' || c == u'册'; }
bool IsChapterUnit(char16_t c) {
    static constexpr std::u16string_view kUnits = u"章回节话集篇幕折";
    return kUnits.find(c) != std::u16string_view::npos;
}

// Style codes besides the unit of "第N<unit>" (a CJK character, well above these).
enum : char16_t {
    kStyleNone = 0,
    kStyleEnglish = 1,      // Chapter 12, CHAPTER XII
    kStyleDotNumber = 2,    // 001. 标题, 1、标题
    kStyleChineseList = 3,  // 一、标题
    kStyleParen = 4,        // （一）, (12)
    kStyleSpecial = 5,
    kStyleVolume = 6,
    kStyleBracket = 7,      // 【一】, 【1】
    kStyleBareUnit = 8,     // 三十章, 12章 (no 第)
    kStyleNumberBlank = 9,  // 001 标题
};

struct Candidate {
    std::size_t line = 0;
    Level level = Level::Chapter;
    char16_t style = kStyleNone;
    char16_t unit = 0;
    bool strong = false;
    bool toc = false;
    // Standing alone as real headings do: not the middle of a paragraph, not
    // right under another chapter's heading. Weak styles need it.
    bool alone = true;
    bool lower = false;    // 下卷, numbered by the volumes before it
    bool follows = false;  // right after another candidate, nothing between (a list, a 目录)
    std::optional<std::int64_t> number;
    Numerals numerals = Numerals::None;
    std::optional<std::int64_t> volume;
};

bool StartsWithAsciiWord(std::u16string_view s, std::u16string_view word) {
    if (s.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        char16_t c = s[i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
        if (c != word[i]) return false;
    }
    return true;
}

std::size_t SkipSeparators(std::u16string_view s, std::size_t i) {
    while (i < s.size() && (IsBlank(s[i]) || s[i] == u'：' || s[i] == u':' || s[i] == u'、' ||
                            s[i] == u'.' || s[i] == u'．' || s[i] == u'·')) {
        ++i;
    }
    return i;
}

// Is what follows a heading marker a title (or nothing), not the rest of a
// sentence? `glued` allows a title right after the marker ("第一章风起").
bool TitleFollows(std::u16string_view s, std::size_t i, bool glued) {
    if (i >= s.size()) return true;
    if (IsSeparator(s[i])) return true;
    return glued && !IsParticle(s[i]) && s[i] != u'，' && s[i] != u'。';
}

// "第N<unit>" at s[i]: the number and the position after the unit.
struct Marker {
    Number number;
    char16_t unit = 0;
    std::size_t end = 0;
};
std::optional<Marker> ReadDiMarker(std::u16string_view s, std::size_t i) {
    if (i >= s.size() || s[i] != u'第') return std::nullopt;
    std::size_t j = i + 1;
    while (j < s.size() && IsBlank(s[j]) && j - i < 3) ++j;
    const auto n = ReadNumber(s, j);
    if (!n) return std::nullopt;
    j += n->length;
    while (j < s.size() && IsBlank(s[j]) && j - i < 16) ++j;
    if (j >= s.size()) return std::nullopt;
    // Words that start with a unit: 第六回合, 第三集团, 第一节课 count something else.
    static constexpr std::u16string_view kWords =
        u"回合回事回头回家集团集体集中集市节目节课节日节奏章程篇幅幕后话题折扣";
    if (j + 1 < s.size()) {
        for (std::size_t w = 0; w + 1 < kWords.size(); w += 2) {
            if (kWords[w] == s[j] && kWords[w + 1] == s[j + 1]) return std::nullopt;
        }
    }
    return Marker{*n, s[j], j + 1};
}

bool HasComma(std::u16string_view s) {
    return s.find_first_of(u"，；,;") != std::u16string_view::npos;
}

std::optional<Candidate> ParseSpecial(std::u16string_view s) {
    static constexpr std::u16string_view kWords[] = {
        u"完本感言", u"完结感言", u"大结局", u"楔子", u"引子", u"序章", u"序言",
        u"序幕",     u"前言",     u"引言",   u"番外", u"尾声", u"后记", u"终章",
        u"跋",       u"序",       u"自序",   u"代序", u"后序", u"附录", u"外传"};
    for (const auto w : kWords) {
        if (s.substr(0, w.size()) != w) continue;
        std::size_t i = w.size();
        Candidate c;
        c.level = Level::Special;
        c.style = kStyleSpecial;
        c.strong = true;
        if (w == u"番外" || w == u"外传" || w == u"附录") {
            std::size_t j = i;
            while (j < s.size() && IsBlank(s[j])) ++j;
            if (const auto n = ReadNumber(s, j)) {
                c.number = n->value;
                c.numerals = n->kind;
                i = j + n->length;
            } else if (const auto m = ReadDiMarker(s, j); m && IsChapterUnit(m->unit)) {
                c.number = m->number.value;  // 番外 第1章: the extra's own numbering
                c.numerals = m->number.kind;
                i = m->end;
            }
        }
        if (!TitleFollows(s, i, false)) return std::nullopt;
        return c;
    }
    return std::nullopt;
}

// A line that reads as a sentence is no heading, whatever it starts with.
bool ReadsAsSentence(std::u16string_view s, bool strong) {
    if (s.find(u'。') != std::u16string_view::npos) return true;
    const char16_t last = s.back();
    if (last == u'，' || last == u'；' || last == u'、' || last == u',' || last == u'：' ||
        last == u':') {
        return true;
    }
    const bool comma =
        s.find(u'，') != std::u16string_view::npos || s.find(u'；') != std::u16string_view::npos;
    return comma && (!strong || s.size() > 30);
}

std::optional<Candidate> ParseInner(std::u16string_view s) {
    if (s.empty()) return std::nullopt;
    // Web copies put "正文" before the first heading.
    if (s.substr(0, 2) == u"正文" && s.size() > 2 && IsBlank(s[2]))
        s = text::Strip(s.substr(2), text::kNovelBlanks);
    if (s.empty()) return std::nullopt;

    Candidate c;
    std::size_t i = 0;
    // A volume: 第一卷, 卷一, 上卷/中卷/下卷.
    std::optional<Number> vol;
    if (auto m = ReadDiMarker(s, 0); m && IsVolumeUnit(m->unit)) {
        vol = m->number;
        i = m->end;
    } else if (s[0] == u'卷' && s.size() > 1) {
        std::size_t j = 1;
        while (j < s.size() && IsBlank(s[j])) ++j;
        if (auto n = ReadNumber(s, j)) {
            vol = *n;
            i = j + n->length;
        }
    } else if (s.size() >= 2 && (s[1] == u'卷' || s[1] == u'部') &&
               (s[0] == u'上' || s[0] == u'中' || s[0] == u'下' || s[0] == u'终')) {
        vol = Number{1, s[0] == u'上' ? 1 : (s[0] == u'中' ? 2 : 3), Numerals::Chinese};
        i = 2;
        // 下卷 is last: its number depends on whether a 中 came. 终卷 has none.
        if (s[0] == u'下') vol->value = 0;
        if (s[0] == u'终') vol->value = -1;
    } else if (StartsWithAsciiWord(s, u"volume") || StartsWithAsciiWord(s, u"book") ||
               StartsWithAsciiWord(s, u"part")) {
        std::size_t j = s[0] == u'v' || s[0] == u'V' ? 6 : 4;
        if (j < s.size() && s[j] == u' ') {
            while (j < s.size() && s[j] == u' ') ++j;
            const auto [v, k] = EnglishNumber(s, j);
            if (v) {
                vol = Number{k - j, *v, Numerals::Arabic};
                i = k;
            }
        }
    }
    if (vol) {
        if (!TitleFollows(s, i, true)) return std::nullopt;
        const std::size_t j = SkipSeparators(s, i);
        if (auto m = ReadDiMarker(s, j); m && IsChapterUnit(m->unit)) {
            if (!TitleFollows(s, m->end, true)) return std::nullopt;
            c.level = Level::Chapter;
            c.style = m->unit;
            c.unit = m->unit;
            c.strong = true;
            c.number = m->number.value;
            c.numerals = m->number.kind;
            c.volume = vol->value;
            return c;
        }
        c.level = Level::Volume;
        c.style = kStyleVolume;
        c.strong = true;
        if (vol->value > 0) c.number = vol->value;
        c.numerals = vol->kind;
        c.lower = vol->value == 0;
        return c;
    }
    if (auto m = ReadDiMarker(s, 0)) {
        if (!IsChapterUnit(m->unit) || !TitleFollows(s, m->end, true)) return std::nullopt;
        // "第三集播出后，他……": text glued to the marker and a comma after it.
        if (m->end < s.size() && !IsSeparator(s[m->end]) && HasComma(s)) return std::nullopt;
        c.style = m->unit;
        c.unit = m->unit;
        c.strong = true;
        c.number = m->number.value;
        c.numerals = m->number.kind;
        return c;
    }
    if (auto sp = ParseSpecial(s)) return sp;
    if (StartsWithAsciiWord(s, u"chapter") && s.size() > 7 &&
        (s[7] == u' ' || s[7] == u'.' || s[7] == u'_' || s[7] == u'-' || ArabicDigit(s[7]) >= 0)) {
        std::size_t j = 7;
        while (j < s.size() && (s[j] == u' ' || s[j] == u'.' || s[j] == u'_' || s[j] == u'-')) ++j;
        const auto [v, k] = EnglishNumber(s, j);
        if (!v) return std::nullopt;
        c.style = kStyleEnglish;
        c.strong = true;
        c.number = v;
        c.numerals = Numerals::Arabic;
        return c;
    }
    // The weak styles.
    if (s.size() > kMaxWeakHeading || s.find(u'，') != std::u16string_view::npos) {
        return std::nullopt;
    }
    if (s[0] == u'（' || s[0] == u'(') {
        const auto n = ReadNumber(s, 1);
        const std::size_t close = n ? 1 + n->length : 0;
        if (!n || close >= s.size() || (s[close] != u'）' && s[close] != u')')) {
            return std::nullopt;
        }
        c.style = kStyleParen;
        c.number = n->value;
        c.numerals = n->kind;
        return c;
    }
    if (const auto n = ReadNumber(s, 0)) {
        const std::size_t j = n->length;
        if (j >= s.size()) return std::nullopt;
        const char16_t sep = s[j];
        c.number = n->value;
        c.numerals = n->kind;
        // 三十章, 12章 风起: the unit without 第, then nothing or a separator.
        if (IsChapterUnit(sep) && TitleFollows(s, j + 1, false)) {
            c.style = kStyleBareUnit;
            return c;
        }
        const bool arabicSep = sep == u'.' || sep == u'．' || sep == u'、';
        const bool blank = n->kind == Numerals::Arabic && IsBlank(sep);
        if (n->kind == Numerals::Arabic ? !arabicSep && !blank : sep != u'、') return std::nullopt;
        const auto title = text::Strip(s.substr(j + 1), text::kNovelBlanks);
        // A title, and not a decimal number ("1.5倍") or a number list ("三、四次").
        if (title.empty() || ArabicDigit(title[0]) >= 0 || IsChineseNumeral(title[0])) {
            return std::nullopt;
        }
        c.style = blank                         ? kStyleNumberBlank
                  : n->kind == Numerals::Arabic ? kStyleDotNumber
                                                : kStyleChineseList;
        return c;
    }
    return std::nullopt;
}

std::optional<Candidate> ParseLine(std::u16string_view raw) {
    std::u16string_view s = text::Strip(raw, text::kNovelBlanks);
    // Rules around a heading ("===第3章===", "★第三章★"); a line of them only is a divider.
    s = text::Strip(text::Strip(s, kDecoration), text::kNovelBlanks);
    if (s.empty() || s.size() > kMaxHeading || IsOpeningQuote(s[0])) return std::nullopt;
    // A heading in brackets ("【第三节】 标题"): the bracket holds the marker.
    std::u16string_view inner = s;
    char16_t close = 0;
    switch (s[0]) {
        case u'【':
            close = u'】';
            break;
        case u'〖':
            close = u'〗';
            break;
        case u'[':
            close = u']';
            break;
        case u'［':
            close = u'］';
            break;
        default:
            break;
    }
    if (close != 0) {
        const std::size_t at = s.find(close);
        if (at == std::u16string_view::npos) return std::nullopt;
        inner = text::Strip(s.substr(1, at - 1), text::kNovelBlanks);
    }
    auto c = ParseInner(inner);
    if (!c && close != 0 && s.size() <= kMaxWeakHeading) {
        // 【一】, 【12】 风起: a bare number in brackets.
        if (const auto n = ReadNumber(inner, 0); n && n->length == inner.size()) {
            c = Candidate{};
            c->style = kStyleBracket;
            c->number = n->value;
            c->numerals = n->kind;
        }
    }
    if (!c) return std::nullopt;
    // A comma may stand in a chapter's title, not after "后记：".
    if (ReadsAsSentence(s, c->strong && c->level != Level::Special)) return std::nullopt;
    // A weak line trailing off ("40 多岁……") is the start of a sentence.
    if (!c->strong && s.back() == u'…') return std::nullopt;
    return c;
}

// Does a line ending so close a paragraph (a heading may follow it)?
bool EndsParagraph(std::u16string_view line) {
    line = text::Strip(line, text::kNovelBlanks);
    static constexpr std::u16string_view kEnds = u"。．.！？!?…：；:;”」』）)\"'》";
    return line.empty() || kEnds.find(line.back()) != std::u16string_view::npos;
}

struct Scan {
    std::vector<text::Line> lines;
    std::vector<Candidate> candidates;
};

// Candidates of the whole text, those of a 目录 block (or of a list) marked:
// in a book every heading has text under it, while such entries follow one
// another with nothing but blank lines between.
Scan ScanText(std::u16string_view text) {
    Scan scan;
    scan.lines = text::SplitLines(text);
    const auto& lines = scan.lines;
    // bodyBefore[i]: body lines (neither blank nor candidates) before line i.
    std::vector<std::uint32_t> bodyBefore(lines.size() + 1, 0);
    // The width of a full line of a wrapped paragraph: the commonest width of
    // the longer lines. A shorter line ends its paragraph whatever its end.
    std::map<std::size_t, std::size_t> widths;
    for (const auto& l : lines) {
        const std::size_t w = novel::DisplayWidth(text.substr(l.start, l.length));
        if (w >= 20) widths[w]++;
    }
    std::size_t fullWidth = 40;
    std::size_t seen = 0;
    for (const auto& [w, count] : widths) {
        if (count > seen) std::tie(fullWidth, seen) = std::pair{w, count};
    }
    std::optional<std::size_t> lastLine;  // the last line holding something
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto s = text.substr(lines[i].start, lines[i].length);
        bool body = false;
        if (!text::Strip(s, text::kNovelBlanks).empty()) {
            if (auto c = ParseLine(s)) {
                c->line = i;
                if (lastLine && *lastLine + 1 == i) {
                    const auto& prev = lines[*lastLine];
                    const Candidate* under = nullptr;
                    if (!scan.candidates.empty() && scan.candidates.back().line == *lastLine)
                        under = &scan.candidates.back();
                    c->alone =
                        under != nullptr
                            ? under->level != Level::Chapter || under->style == c->style
                            : EndsParagraph(text.substr(prev.start, prev.length)) ||
                                  5 * novel::DisplayWidth(text.substr(prev.start, prev.length)) <
                                      4 * fullWidth;
                }
                scan.candidates.push_back(*c);
            } else {
                body = true;
            }
            lastLine = i;
        }
        bodyBefore[i + 1] = bodyBefore[i] + (body ? 1 : 0);
    }
    auto& cands = scan.candidates;
    const std::size_t n = cands.size();
    std::vector<bool> adjacent(n, false);  // nothing but blank lines before the next
    for (std::size_t k = 0; k + 1 < n; ++k) {
        adjacent[k] = bodyBefore[cands[k + 1].line] == bodyBefore[cands[k].line + 1];
        cands[k + 1].follows = adjacent[k];
    }
    auto textOf = [&](std::size_t k) {
        const auto& l = lines[cands[k].line];
        return text::Strip(text.substr(l.start, l.length), text::kNovelBlanks);
    };
    // The last entry of a 目录 block (three entries or more) may have text
    // under it (a blurb, "正文"): it is an entry still when the same line
    // comes again further on.
    std::map<std::u16string_view, std::size_t> lastAt;  // the last candidate of each line
    for (std::size_t k = 0; k < n; ++k) lastAt[textOf(k)] = k;
    std::vector<bool> lastEntry(n, false);
    for (std::size_t k = 2; k < n; ++k)
        lastEntry[k] = !adjacent[k] && adjacent[k - 1] && adjacent[k - 2] && lastAt[textOf(k)] > k;
    for (std::size_t k = n; k-- > 0;) {
        if (lastEntry[k]) {
            cands[k].toc = true;
        } else if (adjacent[k]) {
            cands[k].toc = cands[k].level != Level::Volume || cands[k + 1].toc;
        }
    }
    return scan;
}

// The book's chapter style: the strong style seen most, or a weak one when the
// book has no strong style worth the name.
char16_t ChooseStyle(const std::vector<Candidate>& cands) {
    std::map<char16_t, std::size_t> strong;
    // A weak style counts its steps: a list is no book's headings, a numbered
    // sequence across the book may be.
    std::map<char16_t, std::size_t> weak;
    std::map<char16_t, std::int64_t> lastOf;
    for (const auto& c : cands) {
        if (c.toc || c.level != Level::Chapter) continue;
        if (c.strong) {
            strong[c.style]++;
        } else if (c.alone && c.number) {
            const auto last = lastOf.find(c.style);
            if (last != lastOf.end() && last->second + 1 == *c.number) weak[c.style]++;
            lastOf[c.style] = *c.number;
        }
    }
    auto best = [](const std::map<char16_t, std::size_t>& m) {
        std::pair<char16_t, std::size_t> b{kStyleNone, 0};
        for (const auto& [style, n] : m) {
            if (n > b.second) b = {style, n};
        }
        return b;
    };
    const auto s = best(strong);
    const auto w = best(weak);
    if (s.second >= 2 || (s.second == 1 && w.second < 2)) return s.first;
    return w.second >= 2 ? w.first : static_cast<char16_t>(kStyleNone);
}

}  // namespace

const char* LevelName(Level level) {
    switch (level) {
        case Level::Volume:
            return "volume";
        case Level::Chapter:
            return "chapter";
        case Level::Special:
            return "special";
    }
    return "chapter";
}

const char* TypeName(ProblemType type) {
    switch (type) {
        case ProblemType::Gap:
            return "gap";
        case ProblemType::Repeat:
            return "repeat";
        case ProblemType::Restart:
            return "restart";
        case ProblemType::Order:
            return "order";
        case ProblemType::Mixed:
            return "mixed";
        case ProblemType::Missing:
            return "missing";
    }
    return "gap";
}

std::optional<std::int64_t> ParseNumber(std::u16string_view s) {
    s = text::Strip(s, text::kNovelBlanks);
    if (s.empty()) return std::nullopt;
    if (const auto n = ReadNumber(s, 0); n && n->length == s.size()) return n->value;
    return ParseRoman(s);
}

std::vector<Heading> Find(std::u16string_view text) {
    const Scan scan = ScanText(text);
    const auto& cands = scan.candidates;
    const char16_t style = ChooseStyle(cands);
    // nextOwn[k]: the number of the next chapter in the book's own style after k.
    std::vector<std::optional<std::int64_t>> nextOwn(cands.size() + 1);
    for (std::size_t k = cands.size(); k-- > 0;) {
        const auto& c = cands[k];
        const bool own = !c.toc && c.level == Level::Chapter && c.style == style && c.number;
        nextOwn[k] = own ? c.number : nextOwn[k + 1];
    }
    std::vector<Heading> out;
    bool sawMiddle = false;
    std::int64_t prev = 0;  // the last chapter's number
    bool volumeSince = false;
    for (std::size_t k = 0; k < cands.size(); ++k) {
        const auto& c = cands[k];
        if (c.toc) continue;
        if (c.level == Level::Chapter) {
            if (!c.strong && !c.alone) continue;
            // A chapter written another way (most 第N章, some "12、标题") is one
            // when it carries the numbering on, below the next one of the book's style.
            if (c.style != style) {
                const bool continues = style != kStyleNone && c.number && !c.follows &&
                                       (*c.number == prev + 1 || (volumeSince && *c.number == 1)) &&
                                       (!nextOwn[k + 1] || *nextOwn[k + 1] > *c.number);
                if (!continues) continue;
            }
            if (c.number) prev = *c.number;
            volumeSince = false;
        } else if (c.level == Level::Volume) {
            volumeSince = true;
        }
        const auto& line = scan.lines[c.line];
        Heading h;
        h.line = c.line;
        h.offset = line.start;
        h.level = c.level;
        h.text =
            std::u16string(text::Strip(text.substr(line.start, line.length), text::kNovelBlanks));
        h.number = c.number;
        h.numerals = c.numerals;
        h.volume = c.volume;
        if (c.lower) {
            // 下卷 after 中卷 is the third, after 上卷 alone the second.
            h.number = sawMiddle ? 3 : 2;
        }
        if (c.level == Level::Volume && c.number == 2 &&
            h.text.find(u"中卷") != std::u16string::npos) {
            sawMiddle = true;
        }
        out.push_back(std::move(h));
    }
    return out;
}

std::vector<HeadingLike> HeadingLikeLines(std::u16string_view text) {
    const Scan scan = ScanText(text);
    std::vector<HeadingLike> lines;
    lines.reserve(scan.candidates.size());
    for (const auto& c : scan.candidates) lines.push_back({c.line, !c.strong});
    return lines;
}

std::vector<Problem> Check(const std::vector<Heading>& headings, std::u16string_view text) {
    std::vector<Problem> out;
    const std::vector<text::Line> lines =
        text.empty() ? std::vector<text::Line>{} : text::SplitLines(text);
    // A chapter's usual length: the median distance between chapter headings.
    std::vector<std::size_t> lengths;
    for (std::size_t k = 0; k + 1 < headings.size(); ++k) {
        if (headings[k].level == Level::Chapter && headings[k + 1].level == Level::Chapter)
            lengths.push_back(headings[k + 1].offset - headings[k].offset);
    }
    std::sort(lengths.begin(), lengths.end());
    const std::size_t usualLength = lengths.empty() ? 0 : lengths[lengths.size() / 2];
    // A gap over text about twice that long holding a line shaped like a
    // heading: the heading is most likely there, written so it was not taken.
    auto missedLine = [&](std::size_t a, std::size_t b, std::int64_t from,
                          std::int64_t to) -> std::optional<std::size_t> {
        if (lines.empty() || usualLength == 0 ||
            5 * (headings[b].offset - headings[a].offset) < 8 * usualLength) {
            return std::nullopt;
        }
        for (std::size_t i = headings[a].line + 1; i < headings[b].line && i < lines.size(); ++i) {
            const auto s =
                text::Strip(text.substr(lines[i].start, lines[i].length), text::kNovelBlanks);
            if (s.empty() || s.size() > kMaxHeading) continue;
            // A heading but for a stop after it ("【七】归途。", "CHAPTER XVIII.") or
            // the sentence that follows it ("第十八章 风起，…").
            const auto marker = ReadDiMarker(s, 0);
            const auto c = ParseLine(text::StripRight(s, u"。．.，,；;"));
            const auto number = marker && IsChapterUnit(marker->unit) ? marker->number.value
                                : c && c->level == Level::Chapter     ? c->number
                                                                      : std::nullopt;
            if (number && *number >= from && *number <= to) return i;
        }
        return std::nullopt;
    };
    auto report = [&](ProblemType t, std::size_t k, std::u16string note) {
        out.push_back({t, k, headings[k].line, std::move(note)});
    };
    auto unitOf = [&](std::size_t k) -> std::u16string {
        const auto& t = headings[k].text;
        // The unit after the number, as the book writes it.
        for (const char16_t u : std::u16string_view(u"章回节话集篇幕折")) {
            if (t.find(u) != std::u16string::npos) return std::u16string(1, u);
        }
        return u"章";
    };
    auto name = [&](std::size_t k, std::int64_t n) {
        return headings[k].text.rfind(u"Chapter", 0) == 0 ||
                       headings[k].text.rfind(u"CHAPTER", 0) == 0
                   ? u"Chapter " + text::WholeNumberText(n)
                   : u"第" + text::WholeNumberText(n) + unitOf(k);
    };

    // Mixed numerals: against the kind most chapters use.
    std::size_t chinese = 0;
    std::size_t arabic = 0;
    for (const auto& h : headings) {
        if (h.level != Level::Chapter || !h.number) continue;
        (h.numerals == Numerals::Chinese ? chinese : arabic)++;
    }
    const Numerals usual = chinese >= arabic ? Numerals::Chinese : Numerals::Arabic;

    struct Item {
        std::size_t k;
        std::int64_t n;
        bool newVolume;
    };
    std::vector<Item> items;
    bool volumeSeen = false;
    std::optional<std::int64_t> lastVolume;
    for (std::size_t k = 0; k < headings.size(); ++k) {
        const auto& h = headings[k];
        if (h.level == Level::Volume) {
            volumeSeen = true;
            continue;
        }
        if (h.level != Level::Chapter || !h.number) continue;
        const bool changed = h.volume && lastVolume && *h.volume != *lastVolume;
        if (h.volume) lastVolume = h.volume;
        items.push_back({k, *h.number, volumeSeen || changed});
        volumeSeen = false;
    }

    std::set<std::int64_t> seen;
    std::map<std::int64_t, std::size_t> lineOf;
    std::int64_t prev = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto [k, n, newVolume] = items[i];
        const std::size_t line = headings[k].line;
        if (i == 0 || newVolume) {
            if (i > 0 && n != 1 && n > prev + 1) {
                report(ProblemType::Gap, k,
                       u"缺" +
                           (n - 1 == prev + 1 ? name(k, prev + 1)
                                              : name(k, prev + 1) + u"至" + name(k, n - 1)) +
                           u"：上一章是" + name(k, prev));
            }
            if (i > 0 && n != 1 && n <= prev) {
                // Under a new volume numbering may start again, but from 1.
                report(ProblemType::Order, k,
                       name(k, n) + u"排在" + name(k, prev) + u"之后，新的一卷应从1或" +
                           text::WholeNumberText(prev + 1) + u"起编号");
            }
            seen.clear();
            lineOf.clear();
            prev = n;
        } else if (n == prev + 1) {
            prev = n;
        } else if (n == prev) {
            report(ProblemType::Repeat, k,
                   name(k, n) + u"重复出现：第" + text::WholeNumberText(lineOf[n] + 1) +
                       u"行已有这一章");
        } else if (n > prev + 1) {
            if (i + 1 < items.size() && !items[i + 1].newVolume && items[i + 1].n == prev + 1) {
                report(ProblemType::Order, k,
                       name(k, n) + u"排在" + name(k, prev + 1) + u"之前，两章顺序颠倒");
                seen.insert(n);
                lineOf[n] = line;
                const auto& nx = items[i + 1];
                seen.insert(nx.n);
                lineOf[nx.n] = headings[nx.k].line;
                prev = n;
                ++i;
                continue;
            }
            if (const auto missed = missedLine(items[i - 1].k, k, prev + 1, n - 1)) {
                const auto& l = lines[*missed];
                out.push_back(
                    {ProblemType::Missing, k, *missed,
                     u"第" + text::WholeNumberText(static_cast<std::int64_t>(*missed) + 1) +
                         u"行附近可能漏识别了标题：" +
                         std::u16string(
                             text::Strip(text.substr(l.start, l.length), text::kNovelBlanks))});
            } else {
                report(ProblemType::Gap, k,
                       u"缺" +
                           (n - 1 == prev + 1 ? name(k, prev + 1)
                                              : name(k, prev + 1) + u"至" + name(k, n - 1)) +
                           u"：上一章是" + name(k, prev));
            }
            prev = n;
        } else if (n <= 1) {
            report(ProblemType::Restart, k,
                   u"编号从" + text::WholeNumberText(n) +
                       u"重新开始，前面却没有新的一卷（上一章是" + name(k, prev) + u"）");
            seen.clear();
            lineOf.clear();
            prev = n;
        } else if (seen.count(n)) {
            report(ProblemType::Repeat, k,
                   name(k, n) + u"重复出现：第" + text::WholeNumberText(lineOf[n] + 1) +
                       u"行已有这一章");
        } else {
            report(ProblemType::Order, k, name(k, n) + u"排在" + name(k, prev) + u"之后，顺序不对");
        }
        seen.insert(n);
        if (!lineOf.count(n)) lineOf[n] = line;
    }

    // Volumes numbered on lines of their own.
    std::optional<std::int64_t> prevVolume;
    for (std::size_t k = 0; k < headings.size(); ++k) {
        const auto& h = headings[k];
        if (h.level != Level::Volume || !h.number) continue;
        const std::int64_t v = *h.number;
        if (prevVolume) {
            if (v == *prevVolume) {
                report(ProblemType::Repeat, k, u"第" + text::WholeNumberText(v) + u"卷重复出现");
            } else if (v > *prevVolume + 1) {
                report(
                    ProblemType::Gap, k,
                    u"缺第" + text::WholeNumberText(*prevVolume + 1) +
                        (v - 1 > *prevVolume + 1 ? u"至第" + text::WholeNumberText(v - 1) : u"") +
                        u"卷");
            } else if (v < *prevVolume) {
                report(ProblemType::Order, k,
                       u"第" + text::WholeNumberText(v) + u"卷排在第" +
                           text::WholeNumberText(*prevVolume) + u"卷之后");
            }
        }
        prevVolume = v;
    }

    // One report a switch: where a run of chapters in the other numerals starts.
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Numerals kind = headings[items[i].k].numerals;
        if (kind == usual || (i > 0 && headings[items[i - 1].k].numerals == kind)) continue;
        std::size_t run = 1;
        while (i + run < items.size() && headings[items[i + run].k].numerals == kind) ++run;
        const std::u16string other = kind == Numerals::Arabic ? u"中文数字" : u"阿拉伯数字";
        const std::u16string own = kind == Numerals::Arabic ? u"阿拉伯数字" : u"中文数字";
        report(ProblemType::Mixed, items[i].k,
               run == 1
                   ? u"这一章用" + own + u"编号，全书其余各章用" + other
                   : u"从这一章起连续" + text::WholeNumberText(static_cast<std::int64_t>(run)) +
                         u"章改用" + own + u"编号，全书其余各章用" + other);
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const Problem& a, const Problem& b) { return a.line < b.line; });
    return out;
}

}  // namespace qm::chapters
