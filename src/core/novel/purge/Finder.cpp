// Finding the marks: tokens from the rules on the skeleton, grown into hits
// in the original text, the frequency rule on lines and brackets, and
// cutting the chosen hits.
#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <utility>

#include "core/novel/purge/Folding.h"
#include "core/novel/purge/Purge.h"
#include "core/novel/purge/Rules.h"
#include "core/text/Lines.h"
#include "core/text/Strip.h"
#include "core/text/Utf16.h"
#include "core/text/WholeNumber.h"

namespace qm::purge {

namespace {

using regex::Pattern;
using namespace detail;

// ---------------------------------------------------------------------------
// Lines of the original text.

using text::Line;

std::size_t LineOf(const std::vector<Line>& lines, std::size_t offset) {
    const auto it = std::upper_bound(lines.begin(), lines.end(), offset,
                                     [](std::size_t o, const Line& l) { return o < l.start; });
    return static_cast<std::size_t>(it - lines.begin()) - 1;
}

// ---------------------------------------------------------------------------

struct Token {
    std::size_t start = 0;  // skeleton units
    std::size_t end = 0;
    RuleKind kind = RuleKind::BuiltIn;
    std::u16string rule;
};

struct Segment {
    std::size_t start = 0;  // original units
    std::size_t end = 0;
    RuleKind kind = RuleKind::BuiltIn;
    std::u16string rule;
};

class Finder {
  public:
    Finder(std::u16string_view text, const Options& options)
        : text_(text), options_(options), lines_(text::SplitLines(text)), k_(Fold(text)) {
        skLineStarts_.reserve(lines_.size());
        skLineStarts_.push_back(0);
        for (std::size_t i = 0; i < k_.s.size(); ++i) {
            if (!IsBreak(k_.s[i])) continue;
            if (k_.s[i] == u'\r' && i + 1 < k_.s.size() && k_.s[i + 1] == u'\n') ++i;
            skLineStarts_.push_back(i + 1);
        }
    }

    Found Run() {
        if (options_.builtIn) CollectBuiltIn();
        if (options_.user) CollectUser(*options_.user);
        std::sort(tokens_.begin(), tokens_.end(),
                  [](const Token& a, const Token& b) { return a.start < b.start; });
        BuildHits();
        if (options_.frequency) CollectFrequent();
        MergeOverlaps();
        return std::move(found_);
    }

  private:
    void CollectBuiltIn() {
        const auto budget = std::chrono::milliseconds(60000);
        const std::vector<CompiledBuiltIn>& rules = CompiledBuiltIns();
        for (const CompiledBuiltIn& r : rules) {
            if (r.kind != RuleKind::Url) continue;
            for (const regex::Span& m : r.pattern.FindAll(k_.s, SIZE_MAX, budget).matches)
                if (m.length > 0) tokens_.push_back({m.start, m.start + m.length, r.kind, r.name});
        }
        const Pattern* any = AnyPhrase();
        if (!any) return;
        for (const regex::Span& m : any->FindAll(k_.s, SIZE_MAX, budget).matches) {
            if (m.length == 0) continue;
            // The rule that matches at the same place, on the rest of the line.
            std::size_t lineEnd = m.start + m.length;
            while (lineEnd < k_.s.size() && !IsBreak(k_.s[lineEnd])) ++lineEnd;
            const std::u16string_view rest =
                std::u16string_view(k_.s).substr(m.start, lineEnd - m.start);
            for (const CompiledBuiltIn& r : rules) {
                if (r.kind == RuleKind::Url) continue;
                const regex::Found one = r.pattern.FindAll(rest, 1, budget);
                if (!one.matches.empty() && one.matches[0].start == 0) {
                    tokens_.push_back({m.start, m.start + one.matches[0].length, r.kind, r.name});
                    break;
                }
            }
        }
    }

    void CollectUser(const UserRules& user) {
        const UserRules::Compiled& c = user.Rules();
        for (const auto& p : c.phrases) {
            const regex::Found f =
                p.pattern.FindAll(k_.s, SIZE_MAX, std::chrono::milliseconds(60000));
            for (const regex::Span& m : f.matches)
                tokens_.push_back({m.start, m.start + m.length, RuleKind::User, p.name});
        }
        for (const auto& e : c.exprs) {
            const regex::Found f = e.pattern.FindAll(text_, SIZE_MAX, options_.budget);
            if (f.stop != regex::Stop::End)
                found_.warnings.push_back(u"规则“" + e.name + u"”" +
                                          (f.stop == regex::Stop::TimeOut
                                               ? u"超时，只查了一部分"
                                               : u"回溯过多被中止，只查了一部分"));
            for (const regex::Span& m : f.matches) {
                if (m.length == 0) continue;
                const std::u16string_view piece = text_.substr(m.start, m.length);
                if (std::any_of(piece.begin(), piece.end(), IsBreak)) continue;
                const std::size_t a = k_.IndexOf(m.start), b = k_.IndexOf(m.start + m.length);
                if (b > a) tokens_.push_back({a, b, RuleKind::User, e.name});
            }
        }
    }

    // Skeleton bounds of the line holding skeleton unit i.
    // (Looked up, not scanned for: a text without line breaks may hold
    // thousands of hits on its one line.)
    std::pair<std::size_t, std::size_t> SkLine(std::size_t i) const {
        const auto it = std::upper_bound(skLineStarts_.begin(), skLineStarts_.end(), i);
        const std::size_t a = *std::prev(it);
        std::size_t b = it == skLineStarts_.end() ? k_.s.size() : *it;
        while (b > a && IsBreak(k_.s[b - 1])) --b;
        return {a, b};
    }

    // Ad words before a core at p, taken back to a clause boundary: all of
    // them when they reach one, else those after the last punctuation in
    // them, else none ("他拿起手机阅读www…" keeps 手机阅读).
    std::size_t ExtendLeft(std::size_t p, std::size_t lineStart) const {
        std::size_t q = p;
        while (q > lineStart) {
            const std::size_t n = GlueBefore(k_.s, q);
            if (n == 0 || q - n < lineStart) break;
            q -= n;
        }
        std::size_t take = p;
        if (q == lineStart || !SkWord(k_.s[q - 1])) {
            take = q;
        } else {
            for (std::size_t j = p; j > q; --j)
                if (!SkWord(k_.s[j - 1])) {
                    take = j;
                    break;
                }
        }
        while (take < p && !SkWord(k_.s[take])) ++take;  // punctuation stays outside
        return take;
    }

    std::size_t ExtendRight(std::size_t p, std::size_t lineEnd) const {
        std::size_t q = p;
        while (q < lineEnd) {
            const std::size_t n = GlueAfter(k_.s, q);
            if (n == 0 || q + n > lineEnd) break;
            q += n;
        }
        std::size_t take = p;
        if (q == lineEnd || !SkWord(k_.s[q])) {
            take = q;
        } else {
            for (std::size_t j = p; j < q; ++j)
                if (!SkWord(k_.s[j])) {
                    take = j;
                    break;
                }
        }
        while (take > p && !SkWord(k_.s[take - 1])) --take;
        return take;
    }

    // Glue only between a and b?
    bool GlueBetween(std::size_t a, std::size_t b) const {
        std::size_t q = a;
        while (q < b) {
            const std::size_t n = GlueAfter(k_.s, q);
            if (n == 0) return false;
            q += n;
        }
        return true;
    }

    // A site name ending right before skeleton unit p (a blank allowed),
    // starting at a boundary; its start, or p.
    std::size_t SiteNameBefore(std::size_t p, std::size_t lineStart) const {
        std::size_t e = p;
        if (e > lineStart && k_.s[e - 1] == u' ') --e;
        for (const auto suf : kSiteSuffix) {
            if (e - lineStart < suf.size() || k_.s.substr(e - suf.size(), suf.size()) != suf)
                continue;
            std::size_t s = e - suf.size();
            std::size_t n = 0;
            while (s > lineStart && SkWord(k_.s[s - 1]) && n < 8) {
                --s;
                ++n;
            }
            if (s == lineStart || !SkWord(k_.s[s - 1])) return s;
        }
        return p;
    }

    std::size_t SiteNameAfter(std::size_t p, std::size_t lineEnd) const {
        std::size_t s = p;
        if (s < lineEnd && k_.s[s] == u' ') ++s;
        std::size_t e = s;
        while (e < lineEnd && SkWord(k_.s[e]) && e - s < 12) ++e;
        if (e < lineEnd && SkWord(k_.s[e])) return p;
        for (const auto suf : kSiteSuffix)
            if (e - s > suf.size() && k_.s.substr(e - suf.size(), suf.size()) == suf) return e;
        return p;
    }

    // Original [a, b) grown by the brackets right around it (blanks allowed
    // inside); true when there were some.
    bool TakeBrackets(std::size_t& a, std::size_t& b, const Line& line) const {
        std::size_t x = a, y = b;
        while (x > line.start && IsSoft(text_[x - 1])) --x;
        while (y < line.End() && IsSoft(text_[y])) ++y;
        if (x > line.start && y < line.End() && Pairs(text_[x - 1], text_[y])) {
            a = x - 1;
            b = y + 1;
            return true;
        }
        return false;
    }

    // Nothing but blanks and punctuation in the line outside the segments?
    bool CoversLine(const Line& line, const std::vector<Segment>& segs) const {
        std::size_t at = line.start;
        for (const Segment& s : segs) {
            for (std::size_t i = at; i < s.start; ++i)
                if (IsWordChar(text_[i])) return false;
            at = std::max(at, s.end);
        }
        for (std::size_t i = at; i < line.End(); ++i)
            if (IsWordChar(text_[i])) return false;
        return true;
    }

    // A line of marks with only names around them: the words outside are
    // a site's name (笔趣阁, 某某小说网), an address without its dots
    // (630bookla) or, between two marks of one ad sentence, a few words of a
    // book's title ("喜欢某书请大家收藏：(m.xx.com)某书更新速度全网最快。"),
    // which then belong to the ad. Prose before the first mark, after the
    // last or across a sentence's end keeps the line.
    bool AdDense(const Line& line, const std::vector<Segment>& segs) const {
        // Units of words outside the marks that are neither a name nor letters.
        auto plain = [&](std::size_t from, std::size_t to) {
            std::size_t n = 0;
            for (std::size_t i = from; i < to;) {
                if (!IsWordChar(text_[i])) {
                    ++i;
                    continue;
                }
                std::size_t j = i;
                bool latin = true;
                while (j < to && IsWordChar(text_[j])) {
                    latin = latin && !IsHan(text_[j]);
                    ++j;
                }
                const std::u16string_view word = text_.substr(i, j - i);
                bool site = false;
                for (const auto suf : kSiteSuffix)
                    site = site ||
                           (word.size() <= 10 && word.size() > suf.size() && word.ends_with(suf));
                if (!latin && !site) n += j - i;
                i = j;
            }
            return n;
        };
        std::size_t marked = 0, between = 0, at = line.start;
        for (std::size_t k = 0; k < segs.size(); ++k) {
            const Segment& s = segs[k];
            const std::size_t to = std::max(at, s.start);
            if (const std::size_t n = plain(at, to); n > 0) {
                if (k == 0) return false;
                for (std::size_t i = at; i < to; ++i)
                    if (In(kSentenceEnd, text_[i])) return false;
                between += n;
            }
            for (std::size_t i = to; i < s.end; ++i) marked += IsWordChar(text_[i]);
            at = std::max(at, s.end);
        }
        if (plain(at, line.End()) > 0) return false;
        return between <= 12 && between * 2 <= marked;
    }

    void AddWholeLine(std::size_t n, RuleKind kind, std::u16string_view rule) {
        const Line& l = lines_[n];
        Hit h;
        h.line = n;
        h.text = std::u16string(text_.substr(l.start, l.length));
        h.kind = kind;
        h.rule = std::u16string(rule);
        h.wholeLine = true;
        if (l.Next() > l.End() || n == 0) {
            h.start = l.start;
            h.length = l.Next() - l.start;
        } else {
            // The last line, without a break of its own: the break before it goes.
            h.start = lines_[n - 1].End();
            h.length = l.End() - h.start;
        }
        found_.hits.push_back(std::move(h));
        lineTaken_[n] = true;
        lineHit_[n] = true;
    }

    // A fragment with its own separators: blanks around it, and one
    // punctuation mark on the side that leaves the sentence whole.
    void AddFragment(std::size_t n, Segment s) {
        const Line& l = lines_[n];
        std::size_t a = s.start, b = s.end;
        std::size_t x = a;
        while (x > l.start && IsSoft(text_[x - 1])) --x;
        if (x > l.start) a = x;  // the paragraph's indent stays
        while (b < l.End() && IsSoft(text_[b])) ++b;
        const std::optional<char16_t> left =
            a > l.start ? std::optional<char16_t>(text_[a - 1]) : std::nullopt;
        const std::optional<char16_t> right =
            b < l.End() ? std::optional<char16_t>(text_[b]) : std::nullopt;
        // Only the indent before it: as good as the start of the line.
        bool atStart = !left;
        if (left && IsSoft(*left)) {
            std::size_t i = a;
            while (i > l.start && IsSoft(text_[i - 1])) --i;
            atStart = i == l.start;
        }
        auto punct = [](std::optional<char16_t> c) {
            return c && (In(kSentenceEnd, *c) || In(kClause, *c));
        };
        const bool leftEnds =
            left && (In(kSentenceEnd, *left) || In(kQuoteClose, *left) || IsCloser(*left));
        const bool leftClause = left && In(kClause, *left);
        // A separator is taken as the run it is ("——", "……", "||").
        auto takeRight = [&] {
            const char16_t c = text_[b];
            while (b < l.End() && text_[b] == c) ++b;
            while (b < l.End() && IsSoft(text_[b])) ++b;
        };
        auto takeLeft = [&] {
            const char16_t c = text_[a - 1];
            while (a > l.start && text_[a - 1] == c) --a;
        };
        // Wrapped in the same marks on both sides ("——…——", "|…|", "~…~"):
        // both are the fragment's own.
        const bool wrapped = left && right && *left == *right && In(kWrap, *left);
        if (wrapped) {
            takeLeft();
            takeRight();
        } else if (punct(right) && (atStart || leftEnds)) {
            takeRight();
        } else if (leftClause && right && In(kSentenceEnd, *right)) {
            takeLeft();
        } else if (leftClause && punct(right)) {
            takeRight();
        } else if (leftClause && !right) {
            takeLeft();
        }
        Hit h;
        h.line = n;
        h.start = a;
        h.length = b - a;
        h.text = std::u16string(text_.substr(a, b - a));
        h.kind = s.kind;
        h.rule = std::move(s.rule);
        found_.hits.push_back(std::move(h));
        lineHit_[n] = true;
    }

    void BuildHits() {
        lineTaken_.assign(lines_.size(), false);
        lineHit_.assign(lines_.size(), false);
        std::size_t t = 0;
        while (t < tokens_.size()) {
            const auto [ls, le] = SkLine(tokens_[t].start);
            // The tokens of this line, merged where only ad words lie between.
            std::vector<std::pair<std::size_t, std::size_t>> spans;
            std::vector<const Token*> firsts;
            for (; t < tokens_.size() && tokens_[t].start < le; ++t) {
                const Token& tk = tokens_[t];
                const std::size_t e = std::min(tk.end, le);
                if (!spans.empty() && (tk.start <= spans.back().second ||
                                       GlueBetween(spans.back().second, tk.start))) {
                    spans.back().second = std::max(spans.back().second, e);
                } else {
                    spans.push_back({tk.start, e});
                    firsts.push_back(&tk);
                }
            }
            const std::size_t n = LineOf(lines_, k_.From(ls));
            const Line& line = lines_[n];
            std::vector<Segment> segs;
            std::vector<std::pair<std::size_t, std::size_t>> named;  // with site names
            for (std::size_t i = 0; i < spans.size(); ++i) {
                std::size_t s = ExtendLeft(spans[i].first, ls);
                std::size_t e = ExtendRight(spans[i].second, le);
                if (i > 0) s = std::max(s, spans[i - 1].second);
                Segment seg{k_.From(s), k_.To(e - 1), firsts[i]->kind, firsts[i]->rule};
                // A site name beside it goes too, when that makes a bracket or
                // the whole line: alone in prose it may be a real word.
                const std::size_t ns = SiteNameBefore(s, ls), ne = SiteNameAfter(e, le);
                Segment wide = seg;
                wide.start = k_.From(ns);
                wide.end = k_.To(ne - 1);
                std::size_t a = wide.start, b = wide.end;
                if ((ns != s || ne != e) && TakeBrackets(a, b, line)) {
                    seg.start = a;
                    seg.end = b;
                } else {
                    TakeBrackets(seg.start, seg.end, line);
                }
                segs.push_back(seg);
                named.push_back({wide.start, wide.end});
            }
            if (CoversLine(line, segs)) {
                AddWholeLine(n, segs.front().kind, segs.front().rule);
                continue;
            }
            std::vector<Segment> wide = segs;
            for (std::size_t i = 0; i < wide.size(); ++i) {
                wide[i].start = std::min(wide[i].start, named[i].first);
                wide[i].end = std::max(wide[i].end, named[i].second);
            }
            if (CoversLine(line, wide) || AdDense(line, wide)) {
                AddWholeLine(n, segs.front().kind, segs.front().rule);
                continue;
            }
            std::size_t lastEnd = line.start;
            for (Segment& s : segs) {
                if (s.start < lastEnd) s.start = lastEnd;
                if (s.end <= s.start) continue;
                lastEnd = s.end;
                AddFragment(n, s);
            }
        }
        MergeOverlaps();
    }

    // Hits in text order, none overlapping: fragments of one line may touch
    // once their separators grew, and are then one hit.
    void MergeOverlaps() {
        std::sort(found_.hits.begin(), found_.hits.end(),
                  [](const Hit& a, const Hit& b) { return a.start < b.start; });
        std::vector<Hit> kept;
        for (Hit& h : found_.hits) {
            if (!kept.empty() && h.start < kept.back().start + kept.back().length) {
                Hit& k = kept.back();
                if (k.wholeLine && h.wholeLine) {
                    // The last line, whose hit took the break before it, after
                    // a line that goes with its own break: each stays a hit of
                    // its own, the last now without a break.
                    const std::size_t end = h.start + h.length;
                    h.start = k.start + k.length;
                    h.length = end - h.start;
                    kept.push_back(std::move(h));
                    continue;
                }
                if (CheckedByDefault(k) != CheckedByDefault(h)) {
                    // A suspect never rides along with a mark that goes by
                    // default, nor the other way round: the later one gives
                    // up the units they share (a separator at most).
                    const std::size_t end = h.start + h.length, from = k.start + k.length;
                    if (end <= from || h.wholeLine || k.wholeLine) continue;  // within it
                    h.start = from;
                    h.length = end - from;
                    h.text = std::u16string(text_.substr(h.start, h.length));
                    kept.push_back(std::move(h));
                    continue;
                }
                const std::size_t end = std::max(k.start + k.length, h.start + h.length);
                k.length = end - k.start;
                if (!k.wholeLine) k.text = std::u16string(text_.substr(k.start, k.length));
                continue;
            }
            kept.push_back(std::move(h));
        }
        found_.hits = std::move(kept);
    }

    // --- The frequency rule

    static bool HasSiteWord(std::u16string_view s) {
        static constexpr std::u16string_view kWords[] = {
            u"网",   u"站",  u"阅读", u"小说", u"章节", u"更新", u"首发", u"收藏",
            u"推荐", u"txt", u"下载", u"记住", u"访问", u"手机", u"书友", u"整理"};
        for (const auto w : kWords)
            if (s.find(w) != std::u16string_view::npos) return true;
        return false;
    }

    // Not prose: a clause break inside it ("，" "。" "！" before its end)
    // says a sentence, which a watermark never is; then a bracket of its
    // own, letters among the Chinese, or site words in a line
    // without any sentence mark tell a mark.
    static bool NotProse(std::u16string_view folded) {
        std::u16string_view inner = folded;
        if (inner.size() >= 2 && Pairs(inner.front(), inner.back()))
            inner = inner.substr(1, inner.size() - 2);
        while (!inner.empty() && In(u"。！？!?…", inner.back())) inner.remove_suffix(1);
        if (std::any_of(inner.begin(), inner.end(),
                        [](char16_t c) { return In(u"。！？!?，,；;…", c); }))
            return false;
        // An editor's apparatus repeats in every chapter too: 【注释】, （注1）.
        static constexpr std::u16string_view kEditorial[] = {
            u"注", u"释", u"按", u"校", u"译", u"原文", u"评", u"批", u"题解", u"赏析", u"出处"};
        for (const auto w : kEditorial)
            if (inner.starts_with(w)) return false;
        if (folded.size() >= 2 && Pairs(folded.front(), folded.back())) return true;
        // Letters, not digits: "第 12345 号文件" or a date may be a line of prose.
        const bool latin = std::any_of(folded.begin(), folded.end(),
                                       [](char16_t c) { return c >= u'a' && c <= u'z'; });
        const bool han = std::any_of(folded.begin(), folded.end(), IsHan);
        // Site words alone make a mark only without any sentence mark at all.
        return (latin && han) || (inner.size() == folded.size() && HasSiteWord(folded));
    }

    // A sign of a site in a repeated piece: a name ending in a site word
    // (〖烟雨书斋〗, 【某某中文网】) or a word only ads use. Without one, the
    // repetition is all there is, and a story repeats its nicknames, slogans
    // and terms as often as a site its name.
    static bool HasSiteEvidence(std::u16string_view folded) {
        std::u16string_view inner = folded;
        if (inner.size() >= 2 && Pairs(inner.front(), inner.back()))
            inner = inner.substr(1, inner.size() - 2);
        while (!inner.empty() && !IsWordChar(inner.back())) inner.remove_suffix(1);
        for (const auto suf : kSiteSuffix)
            if (suf.size() >= 2 && inner.size() > suf.size() && inner.ends_with(suf)) return true;
        static constexpr std::u16string_view kAdWords[] = {
            u"小说网", u"中文网", u"书友群", u"qq群",     u"网址",  u"域名",
            u"本站",   u"txt",    u"首发",   u"最新章节", u"无弹窗"};
        for (const auto w : kAdWords)
            if (inner.find(w) != std::u16string_view::npos) return true;
        return false;
    }

    // A line judged without its bracketed asides, which the bracket rule
    // weighs on their own: "求收藏〔书友群12345〕再会。" is prose around a mark.
    static std::u16string WithoutBrackets(std::u16string_view s) {
        if (s.size() >= 2 && Pairs(s.front(), s.back())) return std::u16string(s);
        std::u16string out;
        for (std::size_t i = 0; i < s.size(); ++i) {
            if (IsOpener(s[i])) {
                const std::size_t j = s.find(kClosers[kOpeners.find(s[i])], i + 1);
                if (j != std::u16string_view::npos) {
                    i = j;
                    continue;
                }
            }
            out += s[i];
        }
        return out;
    }

    struct Place {
        std::size_t line;
        std::size_t start;  // original
        std::size_t end;
        bool site = false;  // with a sign of a site
    };

    static constexpr std::u16string_view kRepeated = u"重复出现";
    static constexpr std::u16string_view kSuspect = u"可能是水印";

    std::u16string FoldedPiece(std::size_t a, std::size_t b) const {
        const std::size_t x = k_.IndexOf(a), y = k_.IndexOf(b);
        return std::u16string(
            text::Strip(std::u16string_view(k_.s).substr(x, y - x), text::kPurgeTrimmed));
    }

    // Places far enough apart to count as different chapters.
    std::size_t Spread(const std::vector<Place>& places) const {
        if (!options_.chapterLines.empty()) {
            std::vector<std::size_t> chapters;
            for (const Place& p : places)
                chapters.push_back(
                    static_cast<std::size_t>(std::upper_bound(options_.chapterLines.begin(),
                                                              options_.chapterLines.end(), p.line) -
                                             options_.chapterLines.begin()));
            chapters.erase(std::unique(chapters.begin(), chapters.end()), chapters.end());
            return chapters.size();
        }
        constexpr std::size_t kApart = 500;  // units: less than the shortest chapter
        std::size_t count = 0, last = 0;
        for (const Place& p : places)
            if (count == 0 || p.start >= last + kApart) {
                ++count;
                last = p.start;
            }
        return count;
    }

    void CollectFrequent() {
        constexpr std::size_t kMaxLength = 40, kMinSpread = 4;
        std::unordered_map<std::u16string, std::vector<Place>> lines, brackets;
        std::vector<bool> heading(lines_.size(), false);
        for (const std::size_t h : options_.chapterLines)
            if (h < lines_.size()) heading[h] = true;
        for (std::size_t n = 0; n < lines_.size(); ++n) {
            if (lineTaken_[n] || heading[n]) continue;
            const Line& l = lines_[n];
            const bool free = !lineHit_[n];
            const std::u16string_view whole = text_.substr(l.start, l.length);
            const std::u16string_view trimmed = text::Strip(whole, text::kPurgeTrimmed);
            if (free && trimmed.size() >= 2 && trimmed.size() <= kMaxLength &&
                WordChars(trimmed) >= 2) {
                lines[FoldedPiece(l.start, l.End())].push_back({n, l.start, l.End()});
            }
            // Brackets inside longer lines.
            for (std::size_t i = l.start; i < l.End(); ++i) {
                if (!IsOpener(text_[i])) continue;
                for (std::size_t j = i + 1; j < l.End() && j - i <= kMaxLength; ++j) {
                    if (!IsCloser(text_[j])) continue;
                    if (Pairs(text_[i], text_[j]) && WordChars(text_.substr(i, j - i)) >= 2 &&
                        !(trimmed.size() == j + 1 - i && trimmed.data() == text_.data() + i))
                        brackets[FoldedPiece(i, j + 1)].push_back({n, i, j + 1});
                    break;
                }
            }
        }
        for (auto& [key, places] : lines) {
            if (places.size() < kMinSpread || !NotProse(WithoutBrackets(key)) ||
                Spread(places) < kMinSpread)
                continue;
            const bool site = HasSiteEvidence(key);
            for (const Place& p : places)
                if (!lineHit_[p.line])
                    AddWholeLine(p.line, site ? RuleKind::Frequency : RuleKind::Suspect,
                                 site ? kRepeated : kSuspect);
        }
        std::sort(found_.hits.begin(), found_.hits.end(),
                  [](const Hit& a, const Hit& b) { return a.start < b.start; });
        // Does [a, b) overlap a hit already made?
        auto overlapsHit = [&](std::size_t a, std::size_t b) {
            auto it = std::lower_bound(found_.hits.begin(), found_.hits.end(), b,
                                       [](const Hit& h, std::size_t o) { return h.start < o; });
            return it != found_.hits.begin() && std::prev(it)->start + std::prev(it)->length > a;
        };
        for (auto& [key, places] : brackets) {
            if (places.size() < kMinSpread || !NotProse(key) || Spread(places) < kMinSpread)
                continue;
            const bool site = HasSiteEvidence(key);
            for (const Place& p : places) {
                if (!lineTaken_[p.line] && !overlapsHit(p.start, p.end))
                    frequentFragments_.push_back({p.line, p.start, p.end, site});
            }
        }
        std::sort(frequentFragments_.begin(), frequentFragments_.end(),
                  [](const Place& a, const Place& b) { return a.start < b.start; });
        for (const Place& p : frequentFragments_)
            AddFragment(p.line, {p.start, p.end, p.site ? RuleKind::Frequency : RuleKind::Suspect,
                                 std::u16string(p.site ? kRepeated : kSuspect)});
    }

    std::u16string_view text_;
    const Options& options_;
    std::vector<Line> lines_;
    Skeleton k_;
    std::vector<std::size_t> skLineStarts_;  // where each line starts in the skeleton
    std::vector<Token> tokens_;
    std::vector<bool> lineTaken_;  // a whole-line hit
    std::vector<bool> lineHit_;    // any hit
    std::vector<Place> frequentFragments_;
    Found found_;
};

}  // namespace

Found Find(std::u16string_view text, const Options& options) { return Finder(text, options).Run(); }

std::vector<Hit> DefaultChoice(std::vector<Hit> hits) {
    std::erase_if(hits, [](const Hit& h) { return !CheckedByDefault(h); });
    return hits;
}

namespace {

// Length of the line break at i (CR LF, LF or CR), 0 for none.
std::size_t BreakAt(std::u16string_view text, std::size_t i) {
    if (i >= text.size() || !IsBreak(text[i])) return 0;
    return text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1;
}

// Is the hit still exactly where it was found? A fragment's span must hold
// what was found; a whole line's span must hold that line and its break (or
// the break before it, for the last line) and the line nothing else: text
// typed into a listed line belongs to the user, not to the ad.
bool StillThere(std::u16string_view text, const Hit& h) {
    if (h.start > text.size() || h.length > text.size() - h.start) return false;
    const std::u16string_view span = text.substr(h.start, h.length);
    if (!h.wholeLine) return span == h.text;
    if (span.size() < h.text.size()) return false;
    const std::size_t a = h.start, b = h.start + h.length, t = h.text.size();
    const bool lineStart = a == 0 || IsBreak(text[a - 1]);
    const bool lineEnd = b == text.size() || IsBreak(text[b]);
    // The line, then its own break (none when it is the whole text's end).
    if (lineStart && span.starts_with(h.text) && BreakAt(text, a + t) == span.size() - t &&
        (span.size() > t || b == text.size()))
        return true;
    // The break before the line, then the line up to the end of its line.
    const std::size_t before = span.size() - t;
    return before > 0 && BreakAt(text, a) == before && lineEnd && span.ends_with(h.text) &&
           !(a > 0 && text[a - 1] == u'\r' && text[a] == u'\n');
}

}  // namespace

Applied Apply(std::u16string_view text, const std::vector<Hit>& chosen) {
    Applied out;
    std::vector<text::Span> cut;
    for (const Hit& h : chosen) {
        // A hit found on another version of the text is left alone.
        if (!StillThere(text, h)) {
            ++out.stale;
            continue;
        }
        cut.push_back({h.start, h.length});
        ++out.removed;  // one inside another already cut counts too
    }
    out.text = text::CutSpans(text, std::move(cut));
    return out;
}

}  // namespace qm::purge
