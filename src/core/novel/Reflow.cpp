#include "core/novel/Reflow.h"

#include <algorithm>
#include <array>

#include "core/novel/Chapters.h"
#include "core/novel/NovelText.h"
#include "core/text/Lines.h"
#include "core/text/Strip.h"

namespace qm::reflow {

namespace {

using novel::IsBlank;
using novel::IsWordChar;

struct LineInfo {
    std::size_t chars = 0;  // of the whole line
    std::size_t width = 0;
    std::size_t lead = 0;  // leading blanks, in units
    bool blank = true;
    bool indented = false;
    bool endsSentence = false;
    bool heading = false;
    bool verse = false;
    char16_t first = 0;  // first and last visible units
    char16_t last = 0;
};

bool IsCloser(char16_t c) {
    return c == u'”' || c == u'」' || c == u'』' || c == u'’' || c == u'"' || c == u'\'' ||
           c == u'）' || c == u')' || c == u'】' || c == u'》' || c == u'〗' || c == u'﹂';
}

bool IsFinal(char16_t c) {
    return c == u'。' || c == u'！' || c == u'？' || c == u'…' || c == u'．' || c == u'!' ||
           c == u'?' || c == u'.' || c == u'：' || c == u':' || c == u'～' || c == u'~' ||
           c == u'—';
}

// Does the visible text end a sentence ("。", "！”", "……", "说：")?
bool EndsSentence(std::u16string_view s) {
    std::size_t e = s.size();
    while (e > 0 && IsCloser(s[e - 1])) --e;
    // A line of nothing but closing quotes closes its paragraph.
    return e == 0 ? !s.empty() : IsFinal(s[e - 1]);
}

bool IsOpeningQuote(char16_t c) {
    return c == u'“' || c == u'「' || c == u'『' || c == u'‘' || c == u'"';
}

// Closing quotes and punctuation that never begin a paragraph.
bool CannotStartLine(char16_t c) {
    static constexpr std::u16string_view kMarks = u"，。！？；：、”」』’）】》";
    return kMarks.find(c) != std::u16string_view::npos;
}

bool IsVersePunct(char16_t c) {
    return c == u'，' || c == u'。' || c == u'？' || c == u'！' || c == u'；' || c == u'．' ||
           c == u'、';
}

// Indentation that marks a new paragraph: an ideographic space, a tab, or at
// least two spaces (one space may be a word's blank left by a wrap).
bool IsIndent(std::u16string_view lead) {
    if (lead.empty()) return false;
    if (lead.find(u'\u3000') != std::u16string_view::npos) return true;
    if (lead.find(u'\t') != std::u16string_view::npos) return true;
    return lead.size() >= 2;
}

// A line of verse: clauses of one length (4, 5 or 7 characters), each closed
// by punctuation ("天产仙猴道行隆，离山驾筏趁天风。").
bool IsVerseLine(std::u16string_view s) {
    std::size_t clauses = 0;
    std::size_t len = 0;
    std::size_t cur = 0;
    // A quoted poem keeps its quotes outside the clauses.
    while (!s.empty() && IsOpeningQuote(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsCloser(s.back())) s.remove_suffix(1);
    for (const char16_t c : s) {
        if (IsBlank(c)) continue;
        if (IsVersePunct(c)) {
            if (cur == 0 || (len != 0 && cur != len)) return false;
            len = cur;
            cur = 0;
            ++clauses;
        } else if (c < 0x3400 || IsCloser(c)) {
            return false;  // verse is Chinese characters and its punctuation only
        } else {
            ++cur;
        }
    }
    // One clause of five or seven alone is a line of a poem set a clause a line.
    return cur == 0 && ((clauses >= 2 && (len == 4 || len == 5 || len == 7)) ||
                        (clauses == 1 && (len == 5 || len == 7)));
}

struct Peak {
    std::size_t width = 0;
    std::size_t count = 0;      // lines at the width
    bool sharp = false;         // a wrap width, not chance
    std::size_t tolerance = 0;  // a line this much short of the width is full
};

// The wrap width by one measure: the length most lines followed by another
// line have, if it stands far above every other length and few lines are longer.
Peak FindPeak(const std::vector<std::size_t>& lengths, std::size_t tolerance) {
    constexpr std::size_t kMax = 512;
    std::array<std::uint32_t, kMax + 2> hist{};
    for (const auto n : lengths) hist[std::min(n, kMax + 1)]++;
    auto window = [&](std::size_t w) {
        std::size_t n = 0;
        for (std::size_t i = w > tolerance ? w - tolerance : 0; i <= w + 1 && i <= kMax; ++i) {
            n += hist[i];
        }
        return n;
    };
    Peak p;
    for (std::size_t w = 6; w <= kMax; ++w) {
        const std::size_t n = window(w);
        if (n > p.count || (n == p.count && hist[w] > hist[p.width])) p = {w, n, false};
    }
    if (p.count < 3) return p;
    // The mode itself, not the window's upper edge.
    std::size_t mode = p.width;
    for (std::size_t i = p.width > tolerance ? p.width - tolerance : 0; i <= p.width + 1; ++i) {
        if (hist[i] > hist[mode]) mode = i;
    }
    p.width = mode;
    std::size_t other = 0;
    for (std::size_t w = 6; w <= kMax; ++w) {
        if (w + tolerance + 2 < mode || w > mode + tolerance + 2)
            other = std::max(other, window(w));
    }
    std::size_t longer = 0;
    for (std::size_t i = mode + 2; i <= kMax + 1; ++i) longer += hist[i];
    p.sharp = p.count >= 3 && p.count >= 3 * other && longer * 20 <= lengths.size();
    // How short of the width a full line may be: as short as the lengths just
    // below the width stand out from those of paragraphs' last lines (a wide
    // character that did not fit, a wrapper that keeps "，" off a line's start).
    std::size_t base = 0;
    std::size_t bins = 0;
    for (std::size_t i = mode > 16 ? mode - 16 : 0; i + 4 <= mode; ++i, ++bins) base += hist[i];
    const double baseline = bins ? static_cast<double>(base) / bins : 0.0;
    for (std::size_t k = 1; k <= tolerance && k < mode; ++k) {
        const double h = hist[mode - k];
        if (h <= 2 * baseline + 2 || h * 8 < hist[mode]) break;
        p.tolerance = k;
    }
    return p;
}

std::vector<LineInfo> Describe(std::u16string_view text, const std::vector<text::Line>& lines) {
    std::vector<LineInfo> info(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto s = text.substr(lines[i].start, lines[i].length);
        std::size_t b = 0;
        while (b < s.size() && IsBlank(s[b])) ++b;
        std::size_t e = s.size();
        while (e > b && IsBlank(s[e - 1])) --e;
        auto& li = info[i];
        if (b == e) continue;
        li.blank = false;
        li.lead = b;
        li.indented = IsIndent(s.substr(0, b));
        // Trailing blanks count: the wrapper counted them.
        li.chars = novel::CharCount(s);
        li.width = novel::DisplayWidth(s);
        li.first = s[b];
        li.last = s[e - 1];
        li.endsSentence = EndsSentence(s.substr(b, e - b));
        li.verse = IsVerseLine(s.substr(b, e - b));
    }
    return info;
}

// A date that closes a piece ("一九三〇年五月。", "1930年5月，北平"): digits
// or Chinese numerals, then 年, in a short line.
bool IsDateLine(std::u16string_view s, const LineInfo& li) {
    static constexpr std::u16string_view kNumerals =
        u"〇零一二三四五六七八九十0123456789０１２３４５６７８９";
    if (li.blank || li.chars > 24) return false;
    const std::size_t year = s.find(u'年');
    if (year == std::u16string_view::npos) return false;
    std::size_t digits = 0;
    for (std::size_t k = year; k > 0 && kNumerals.find(s[k - 1]) != std::u16string_view::npos; --k)
        ++digits;
    return digits >= 2;
}

// Punctuation that never ends a title: a clause goes on after it.
bool EndsClause(char16_t c) {
    static constexpr std::u16string_view kMarks = u"，、；,;";
    return kMarks.find(c) != std::u16string_view::npos;
}

// A title without a number (a story of a collection, a part's name): a short
// line without closing punctuation after a paragraph's end or a date, before
// a line that starts a paragraph (indented, quoted, empty). In ragged copies
// nothing else tells it from the first piece of the next paragraph.
bool IsBareTitle(std::u16string_view text, const std::vector<text::Line>& lines,
                 const std::vector<LineInfo>& info, std::size_t i, bool blankIsSection) {
    if (i == 0 && !blankIsSection) return false;
    static const LineInfo kStart;  // the text's start: as an empty line
    const LineInfo& prev = i > 0 ? info[i - 1] : kStart;
    const LineInfo& cur = info[i];
    const LineInfo& next = info[i + 1];
    if (cur.blank || cur.chars > 20 || cur.endsSentence || EndsClause(cur.last) || cur.verse)
        return false;
    const auto s = text.substr(lines[i].start, lines[i].length);
    for (const char16_t c : s)
        if (c == u'。' || c == u'！' || c == u'？' || c == u'，') return false;
    const auto before =
        i > 0 ? text.substr(lines[i - 1].start, lines[i - 1].length) : std::u16string_view();
    const bool afterEnd = prev.blank ||
                          (prev.endsSentence && prev.last != u'：' && prev.last != u':') ||
                          IsDateLine(before, prev);
    // What starts a paragraph: indentation, a quote, an empty line; and after
    // a date, anything.
    // Where empty lines do not part every paragraph, one marks a section.
    const bool beforeStart = next.blank || next.indented || next.heading ||
                             IsOpeningQuote(next.first) || IsDateLine(before, prev) ||
                             (prev.blank && blankIsSection);
    return afterEnd && beforeStart && !(prev.blank && next.blank);
}

// Two lines of one poem: verse of one length.
bool VersePair(const LineInfo& a, const LineInfo& b) {
    return a.verse && b.verse && a.chars == b.chars;
}

}  // namespace

Plan Decide(std::u16string_view text) {
    Plan plan;
    plan.textLength = text.size();
    plan.textHash = std::hash<std::u16string_view>{}(text);
    const auto lines = text::SplitLines(text);
    auto info = Describe(text, lines);
    const std::size_t n = lines.size();
    std::vector<bool> weak(n, false);
    for (const auto& h : chapters::HeadingLikeLines(text)) {
        info[h.line].heading = true;
        weak[h.line] = h.weak;
    }
    // First with empty lines as paragraph breaks, which they may be; again
    // below once it is known that they are not.
    const auto markTitles = [&](bool blankIsSection) {
        for (std::size_t i = 0; i + 1 < n; ++i) {
            if (info[i].heading || !IsBareTitle(text, lines, info, i, blankIsSection)) continue;
            info[i].heading = true;
            // The date that closed the piece before stands apart too.
            if (i > 0 &&
                IsDateLine(text.substr(lines[i - 1].start, lines[i - 1].length), info[i - 1]))
                info[i - 1].heading = true;
        }
    };
    markTitles(false);

    // The wrap width, from the lines that another line follows.
    std::vector<std::size_t> chars;
    std::vector<std::size_t> widths;
    std::size_t blankBefore = 0;  // lines followed by an empty line
    std::size_t blankEnds = 0;    // of them, sentence ends
    std::size_t plainEnds = 0;    // sentence ends followed by a line of text
    std::size_t flowedEnds = 0;   // the same, indented or not
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (info[i].blank || info[i].heading) continue;
        if (info[i + 1].blank) {
            blankEnds += info[i].endsSentence ? 1 : 0;
            ++blankBefore;
            continue;
        }
        if (info[i + 1].heading) continue;
        chars.push_back(info[i].chars);
        flowedEnds += info[i].endsSentence ? 1 : 0;
        widths.push_back(info[i].width);
        plainEnds += info[i].endsSentence && !info[i + 1].indented ? 1 : 0;
    }
    const Peak byChars = FindPeak(chars, 2);
    const Peak byWidth = FindPeak(widths, 3);
    // Paragraphs separated by empty lines: nearly every line before one ends a
    // sentence, and lines that end a sentence before a line of text are few
    // beside them (wraps that happen to fall there, more in long paragraphs).
    const bool blankMode =
        blankEnds >= 3 && blankEnds * 10 >= blankBefore * 7 && plainEnds * 2 <= blankEnds * 5;
    if (!blankMode) markTitles(true);
    // Paragraphs marked by indentation: far more indented lines than sentence
    // ends followed by a line without it (wraps that happen to fall there).
    std::size_t indentedLines = 0;
    for (const auto& li : info) indentedLines += li.indented ? 1 : 0;
    const bool indentMode = indentedLines >= 3 && indentedLines >= 2 * plainEnds;
    if (byChars.sharp || byWidth.sharp) {
        plan.layout = Layout::FixedWidth;
        // The measure the book was cut by gathers more lines at its width.
        plan.displayWidth = byWidth.sharp && (!byChars.sharp || byWidth.count > byChars.count);
        plan.width = plan.displayWidth ? byWidth.width : byChars.width;
    } else if (blankMode) {
        plan.layout = Layout::BlankLines;
    } else if (chars.size() >= 5 && flowedEnds * 10 >= chars.size() * 9) {
        // Nearly every line ends a sentence: one paragraph a line already.
        plan.layout = Layout::Flowed;
    }
    const bool flowed = plan.layout == Layout::Flowed;
    const bool fixed = plan.layout == Layout::FixedWidth;
    const std::size_t tolerance = plan.displayWidth ? byWidth.tolerance : byChars.tolerance;
    auto lengthOf = [&](const LineInfo& li) { return plan.displayWidth ? li.width : li.chars; };
    auto full = [&](const LineInfo& li) { return lengthOf(li) + tolerance >= plan.width; };
    // A line that may be a piece of a wrapped paragraph: full, but not longer
    // than the width (a heading longer than that was never wrapped).
    auto wrapLike = [&](const LineInfo& li) { return full(li) && lengthOf(li) <= plan.width + 1; };

    // verseRun[i]: lines in the run of verse of one length that line i is in.
    std::vector<std::uint32_t> verseRun(n, 0);
    for (std::size_t i = 0; i < n;) {
        std::size_t j = i + 1;
        if (info[i].verse) {
            while (j < n && VersePair(info[j - 1], info[j])) ++j;
        }
        for (std::size_t k = i; k < j; ++k) verseRun[k] = static_cast<std::uint32_t>(j - i);
        i = j;
    }
    plan.breaks.assign(n > 0 ? n - 1 : 0, Break::Keep);
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const auto& cur = info[i];
        const auto& next = info[i + 1];
        bool join = false;
        if (cur.blank || next.blank || next.indented) {
            join = false;
        } else if (CannotStartLine(next.first) && !cur.heading && !next.heading) {
            join = true;  // no paragraph starts with "”" or "，": a wrap cut there
        } else if ((cur.heading && !(fixed && weak[i] && wrapLike(cur))) ||
                   (next.heading && !(fixed && weak[i + 1] && wrapLike(next)))) {
            join = false;  // a heading stays on a line of its own
        } else if (!fixed && VersePair(cur, next) && (!blankMode || verseRun[i] >= 3)) {
            // With empty lines between paragraphs, a poem shows as a run of
            // lines; two alone may be one long line of verse cut in half.
            join = false;
        } else if (fixed) {
            // A short line ends its paragraph; a full one is a wrap, even after
            // "。": the wrap lands there far more often than a paragraph ends
            // exactly at the width (the next line's indentation tells that).
            // Verse after "曰：" or "。" starts a paragraph of its own.
            join = full(cur) && (indentMode || !(cur.endsSentence && next.verse));
        } else if (flowed) {
            join = false;
        } else if (blankMode || indentMode) {
            join = true;
        } else if (cur.endsSentence && (cur.last == u'：' || cur.last == u':')) {
            // "道：" before a quote goes on with the speech; before anything
            // else (verse, a list) it ends the paragraph.
            join = IsOpeningQuote(next.first) && !next.verse;
        } else {
            join = !cur.endsSentence;
        }
        if (!join) continue;
        // Two words (or numbers) meet: a wrap cut at a blank or short of the
        // width left one between them; a cut at the full width split a word.
        const bool words =
            (IsWordChar(cur.last) || cur.last == u',' || cur.last == u'.' || cur.last == u';' ||
             cur.last == u'!' || cur.last == u'?' || cur.last == u')') &&
            IsWordChar(next.first);
        const auto s = text.substr(lines[i].start, lines[i].length);
        const bool blankAtCut = (!s.empty() && IsBlank(s.back())) || next.lead > 0;
        const bool cutWord = fixed && lengthOf(cur) >= plan.width;
        // A blank the lines had beside a word or number stays one blank.
        const bool blankBesideWord = blankAtCut && (IsWordChar(cur.last) || IsWordChar(next.first));
        plan.breaks[i] = (words && (blankAtCut || !cutWord)) || blankBesideWord
                             ? Break::JoinWithBlank
                             : Break::Join;
    }
    for (const auto b : plan.breaks) (b == Break::Keep ? plan.keeps : plan.joins)++;
    return plan;
}

std::u16string Apply(std::u16string_view text, const Plan& plan) {
    if (plan.textLength != text.size() || plan.textHash != std::hash<std::u16string_view>{}(text))
        return std::u16string(text);
    const auto lines = text::SplitLines(text);
    if (plan.breaks.size() + 1 != lines.size()) return std::u16string(text);
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::u16string_view s = text.substr(lines[i].start, lines[i].length);
        if (i > 0 && plan.breaks[i - 1] != Break::Keep) {
            while (!out.empty() && IsBlank(out.back())) out.pop_back();
            std::size_t b = 0;
            while (b < s.size() && IsBlank(s[b])) ++b;
            s.remove_prefix(b);
            if (plan.breaks[i - 1] == Break::JoinWithBlank) out += u' ';
        }
        out += s;
        const bool joinNext = i < plan.breaks.size() && plan.breaks[i] != Break::Keep;
        if (!joinNext) out += text.substr(lines[i].start + lines[i].length, lines[i].breakLength);
    }
    return out;
}

std::u16string Reflow(std::u16string_view text) { return Apply(text, Decide(text)); }

std::u16string Indent(std::u16string_view text) {
    const auto lines = text::SplitLines(text);
    std::vector<bool> heading(lines.size(), false);
    // Headings, and the entries of a 目录 block, start at the margin.
    for (const auto& h : chapters::Find(text)) heading[h.line] = true;
    for (const auto& h : chapters::HeadingLikeLines(text))
        heading[h.line] = heading[h.line] || !h.weak;
    std::u16string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto s = text.substr(lines[i].start, lines[i].length);
        const auto body = text::Strip(s, text::kNovelBlanks);
        if (!body.empty()) {
            std::size_t b = 0;
            while (b < s.size() && IsBlank(s[b])) ++b;
            if (!heading[i]) out += u"\u3000\u3000";
            out += s.substr(b);
        } else {
            out += s;
        }
        out += text.substr(lines[i].start + lines[i].length, lines[i].breakLength);
    }
    return out;
}

std::u16string BlankLines(std::u16string_view text) {
    const auto lines = text::SplitLines(text);
    const std::u16string_view br = novel::BreakOf(text);
    std::u16string out;
    out.reserve(text.size() + text.size() / 8);
    bool any = false;
    for (const auto& l : lines) {
        const auto s = text.substr(l.start, l.length);
        if (text::Strip(s, text::kNovelBlanks).empty()) continue;
        if (any) {
            out += br;
            out += br;
        }
        out += s;
        any = true;
    }
    if (any && lines.back().length == 0 && lines.size() > 1) out += br;
    return out;
}

}  // namespace qm::reflow
