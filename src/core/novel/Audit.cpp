#include "core/novel/Audit.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <unordered_map>

#include "core/novel/Chapters.h"
#include "core/novel/NovelText.h"
#include "core/text/Lines.h"
#include "core/text/Strip.h"
#include "core/text/Utf16.h"
#include "core/text/WholeNumber.h"

namespace qm::audit {

namespace {

// How far a chapter may be from the book before it is suspect. They are
// ratios of the book's own median, so they hold for any length of chapter.
constexpr double kSameShare = 0.95;           // same-as-previous, duplicate
constexpr double kPlaceholder = 0.2;          // of the median length
constexpr double kTruncated = 0.5;            // of the median length
constexpr double kPairShare = 0.5;            // of the median share of shared word pairs
constexpr double kHanDrop = 0.35;             // below the median share of Han characters
constexpr double kBorrowed = 0.5;             // of the passages first seen in an earlier chapter
constexpr std::size_t kMinChapters = 5;       // fewer: no median to speak of
constexpr std::size_t kMinPairs = 60;         // Han word pairs a body needs to be judged by them
constexpr std::size_t kRecent = 8;            // earlier chapters of one heading compared
constexpr std::size_t kShingle = 8;           // characters of a passage compared
constexpr std::uint64_t kSample = 4;          // one passage in this many is kept
constexpr std::size_t kMinTail = 10;          // a closing passage, not a word
constexpr std::size_t kFormula = 40;          // a closing formula is at most this long
constexpr std::size_t kMaxCompare = 4000000;  // sentence pairs compared in order, at most

// What the rules that find a chapter's text elsewhere in the book say of it
// when most chapters are so: one reason, whichever of them found each.
constexpr std::u16string_view kRepeats =
    u"的正文在书中别处已经出现过：全书在重复同样的内容，不是个别章节的问题";

// Phrases a site puts in place of a chapter not yet there.
constexpr std::array<std::u16string_view, 12> kPlaceholders = {
    u"正在手打", u"请稍等",   u"稍后刷新",     u"本章未完",     u"内容更新中", u"章节内容缺失",
    u"内容缺失", u"稍后再来", u"重新刷新页面", u"暂无章节内容", u"章节更新中", u"正在更新中"};
// Anti-theft notices; "防盗" alone is also a door.
constexpr std::array<std::u16string_view, 12> kAntitheft = {
    u"防盗章",   u"防盗内容", u"防盗比例", u"此为防盗", u"本章防盗",   u"防盗中",
    u"订阅比例", u"购买比例", u"稍后替换", u"替换正文", u"小时后替换", u"分钟后替换"};
// Titles of a chapter that is the author speaking, short by nature.
constexpr std::array<std::u16string_view, 12> kNotes = {u"作者的话", u"作者有话", u"感言", u"请假",
                                                        u"公告",     u"通知",     u"说明", u"致谢",
                                                        u"致读者",   u"求票",     u"完本", u"后记"};

constexpr std::u16string_view kSentenceEnds = u"。．！？!?…；";
constexpr std::u16string_view kClosers = u"”」』’\"'）)】》";
// What a finished chapter ends with.
constexpr std::u16string_view kClosing = u"。．！？!?…”」』’\"'）)】》~～—.";

struct Sentence {
    std::uint64_t hash = 0;
    std::size_t length = 0;
};

struct Body {
    std::u16string visible;               // the body without blanks and breaks
    std::vector<std::size_t> paragraphs;  // where each paragraph starts in visible
    std::vector<Sentence> sentences;
    std::size_t chars = 0;  // visible characters, a pair counted once
    std::size_t han = 0;
    bool poem = false;
};

std::uint64_t Hash(std::u16string_view s) {
    std::uint64_t h = 1469598103934665603ULL;
    for (const char16_t c : s) h = (h ^ c) * 1099511628211ULL;
    return h;
}

bool HasAny(std::u16string_view s, const auto& phrases) {
    return std::any_of(phrases.begin(), phrases.end(),
                       [&](std::u16string_view p) { return s.find(p) != s.npos; });
}

std::u16string Visible(std::u16string_view line) {
    std::u16string out;
    for (const char16_t c : line)
        if (!novel::IsBlank(c) && c != u'\r' && c != u'\n') out += c;
    return out;
}

Body ReadBody(std::u16string_view text, const std::vector<text::Line>& lines, std::size_t from,
              std::size_t to) {
    Body b;
    std::size_t verses = 0;
    for (std::size_t n = from; n < to; ++n) {
        const std::u16string p = Visible(text.substr(lines[n].start, lines[n].length));
        if (p.empty()) continue;
        b.paragraphs.push_back(b.visible.size());
        b.visible += p;
        const std::size_t chars = novel::CharCount(p);
        // A line of verse: short, and a book's prose paragraphs are not.
        if (chars <= 32) ++verses;
    }
    b.chars = novel::CharCount(b.visible);
    for (const char16_t c : b.visible)
        if (text::IsHan(c)) ++b.han;
    b.poem = b.paragraphs.size() >= 4 && verses * 5 >= b.paragraphs.size() * 4;
    // Sentences end at their mark (with the quote that closes them) or the paragraph.
    std::size_t next = 1;
    std::size_t start = 0;
    for (std::size_t i = 0; i < b.visible.size(); ++i) {
        bool end = i + 1 == b.visible.size() ||
                   (next < b.paragraphs.size() && b.paragraphs[next] == i + 1);
        if (kSentenceEnds.find(b.visible[i]) != std::u16string_view::npos) {
            while (i + 1 < b.visible.size() && kClosers.find(b.visible[i + 1]) != b.visible.npos &&
                   !(next < b.paragraphs.size() && b.paragraphs[next] == i + 1))
                ++i;
            end = true;
        }
        if (next < b.paragraphs.size() && b.paragraphs[next] <= i + 1) ++next;
        if (!end) continue;
        const std::u16string_view s = std::u16string_view(b.visible).substr(start, i + 1 - start);
        b.sentences.push_back({Hash(s), s.size()});
        start = i + 1;
    }
    return b;
}

// The body of a chapter as Audit reads it: the lines after its heading.
Body ReadChapter(std::u16string_view text, const Chapter& c) {
    const std::u16string_view span = text.substr(c.start, c.end - c.start);
    const std::vector<text::Line> lines = text::SplitLines(span);
    return ReadBody(span, lines, 1, lines.size());
}

// The share of a's sentences found in b in the same order, by length; for
// bodies too long to compare so, the common start and end.
double Equal(const Body& a, const Body& b) {
    const std::size_t longer = std::max(a.visible.size(), b.visible.size());
    if (longer == 0) return 1;
    if (std::min(a.visible.size(), b.visible.size()) < kSameShare * static_cast<double>(longer))
        return 0;
    const std::size_t n = a.sentences.size();
    const std::size_t m = b.sentences.size();
    if (n * m > kMaxCompare) {
        std::size_t head = 0;
        const std::size_t shorter = std::min(a.visible.size(), b.visible.size());
        while (head < shorter && a.visible[head] == b.visible[head]) ++head;
        std::size_t tail = 0;
        while (tail < shorter - head &&
               a.visible[a.visible.size() - 1 - tail] == b.visible[b.visible.size() - 1 - tail])
            ++tail;
        return static_cast<double>(head + tail) / static_cast<double>(longer);
    }
    std::vector<std::size_t> row(m + 1, 0);
    std::vector<std::size_t> prev(m + 1, 0);
    for (std::size_t i = 1; i <= n; ++i) {
        std::swap(row, prev);
        for (std::size_t j = 1; j <= m; ++j)
            row[j] = a.sentences[i - 1].hash == b.sentences[j - 1].hash
                         ? prev[j - 1] + a.sentences[i - 1].length
                         : std::max(prev[j], row[j - 1]);
    }
    return static_cast<double>(row[m]) / static_cast<double>(longer);
}

// The first chapter each key (a word pair, a passage; never 0) was seen in
// and whether another chapter has it too: an open-addressed table of small
// slots, as the keys of a long book run to millions.
template <class Key>
class FirstSeen {
  public:
    static constexpr std::uint32_t kShared = 0x80000000u;
    struct Slot {
        Key key = 0;              // 0: free
        std::uint32_t first = 0;  // the chapter, with kShared once another has it
    };

    void Add(Key key, std::size_t chapter) {
        if ((used_ + 1) * 2 > slots_.size()) Grow();
        Slot& s = slots_[Index(key)];
        const auto c = static_cast<std::uint32_t>(chapter);
        if (s.key == 0) {
            s = {key, c};
            ++used_;
        } else if ((s.first & ~kShared) != c) {
            s.first |= kShared;
        }
    }
    // Of a key that was added: the first chapter, and whether it is shared.
    std::size_t First(Key key) const { return slots_[Index(key)].first & ~kShared; }
    bool Shared(Key key) const { return (slots_[Index(key)].first & kShared) != 0; }

  private:
    std::size_t Index(Key key) const {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = (std::uint64_t{key} * 0x9E3779B97F4A7C15ULL) >> 24 & mask;
        while (slots_[i].key != 0 && slots_[i].key != key) i = (i + 1) & mask;
        return i;
    }
    void Grow() {
        std::vector<Slot> old(std::max<std::size_t>(slots_.size() * 2, 1 << 12));
        old.swap(slots_);
        for (const Slot& s : old)
            if (s.key != 0) slots_[Index(s.key)] = s;
    }

    std::vector<Slot> slots_;
    std::size_t used_ = 0;
};

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::nth_element(v.begin(), v.begin() + static_cast<std::ptrdiff_t>(v.size() / 2), v.end());
    return v[v.size() / 2];
}

std::u16string Number(std::size_t n) { return text::WholeNumberText(static_cast<std::int64_t>(n)); }

std::u16string Percent(double share) {
    return text::WholeNumberText(static_cast<std::int64_t>(share * 100 + 0.5)) + u"%";
}

// A fault most chapters share for one reason is the book's own shape (one
// text pasted over and over, a download of placeholders): said once, for the
// book, in place of a finding a chapter, of the kind most of them are.
void SayOnceForTheBook(Report& report, const std::vector<std::u16string_view>& rules) {
    std::unordered_map<std::u16string_view, std::size_t> counts;
    for (const std::u16string_view r : rules) ++counts[r];
    // One finding a chapter: at most one reason can hold more than half of them.
    const auto most = std::find_if(counts.begin(), counts.end(), [&](const auto& rc) {
        return rc.second * 2 > report.chapters.size();
    });
    if (most == counts.end()) return;
    std::vector<Finding> kept;
    Finding book;
    std::array<std::size_t, 6> kinds{};
    for (std::size_t i = 0; i < report.findings.size(); ++i) {
        Finding& f = report.findings[i];
        if (rules[i] != most->first) {
            kept.push_back(std::move(f));
            continue;
        }
        if (book.across.empty()) book = f;
        book.across.push_back(f.chapter);
        book.sure = book.sure && f.sure;
        ++kinds[static_cast<std::size_t>(f.kind)];
    }
    book.kind = static_cast<Kind>(std::max_element(kinds.begin(), kinds.end()) - kinds.begin());
    book.reason = u"全书大部分章节（" + Number(most->second) + u"/" +
                  Number(report.chapters.size()) + u"章）" + std::u16string(most->first);
    kept.insert(kept.begin(), std::move(book));
    report.findings = std::move(kept);
}

}  // namespace

const char* KindName(Kind kind) {
    switch (kind) {
        case Kind::Placeholder:
            return "placeholder";
        case Kind::Antitheft:
            return "antitheft";
        case Kind::SameAsPrevious:
            return "same-as-previous";
        case Kind::RepeatedTail:
            return "repeated-tail";
        case Kind::Truncated:
            return "truncated";
        case Kind::Duplicate:
            return "duplicate";
    }
    return "";
}

Report Audit(std::u16string_view text) {
    Report report;
    const std::vector<text::Line> lines = text::SplitLines(text);
    const std::vector<chapters::Heading> headings = chapters::Find(text);
    std::vector<Body> bodies;
    std::vector<bool> special;
    std::vector<bool> note;
    for (std::size_t h = 0; h < headings.size(); ++h) {
        if (headings[h].level == chapters::Level::Volume) continue;
        const std::size_t to = h + 1 < headings.size() ? headings[h + 1].line : lines.size();
        Chapter c;
        c.line = headings[h].line;
        c.start = headings[h].offset;
        c.end = h + 1 < headings.size() ? headings[h + 1].offset : text.size();
        c.heading = headings[h].text;
        c.number = headings[h].number;
        bodies.push_back(ReadBody(text, lines, c.line + 1, to));
        c.length = bodies.back().chars;
        c.han = c.length == 0 ? 0 : static_cast<double>(bodies.back().han) / c.length;
        special.push_back(headings[h].level == chapters::Level::Special);
        note.push_back(HasAny(c.heading, kNotes));
        report.chapters.push_back(std::move(c));
    }
    const std::size_t count = report.chapters.size();
    {
        std::vector<double> lengths;
        for (const Chapter& c : report.chapters) lengths.push_back(static_cast<double>(c.length));
        report.median = static_cast<std::size_t>(Median(lengths));
    }
    const bool enough = count >= kMinChapters;
    const auto median = static_cast<double>(report.median);

    // Word pairs (two Han characters) and sentences shared between chapters.
    FirstSeen<std::uint32_t> pairs;
    // Passages of a few characters, a sample chosen by their content (so
    // that the same passage is sampled wherever it is), and the first
    // chapter each was seen in.
    FirstSeen<std::uint64_t> passageFirst;
    auto passages = [](const std::u16string& v, auto&& f) {
        for (std::size_t i = 0; i + kShingle <= v.size(); ++i) {
            const std::uint64_t h = Hash(std::u16string_view(v).substr(i, kShingle));
            if (h % kSample == 0) f(h | 1);  // never 0
        }
    };

    for (std::size_t c = 0; c < count; ++c) {
        const std::u16string& v = bodies[c].visible;
        for (std::size_t i = 1; i < v.size(); ++i) {
            if (!text::IsHan(v[i - 1]) || !text::IsHan(v[i])) continue;
            pairs.Add((std::uint32_t{v[i - 1]} << 16) | v[i], c);
        }
        passages(v, [&](std::uint64_t h) { passageFirst.Add(h, c); });
    }
    std::vector<double> pairShare(count, -1);
    std::vector<double> shares;
    std::vector<double> hans;
    for (std::size_t c = 0; c < count; ++c) {
        const std::u16string& v = bodies[c].visible;
        std::size_t all = 0;
        std::size_t known = 0;
        for (std::size_t i = 1; i < v.size(); ++i) {
            if (!text::IsHan(v[i - 1]) || !text::IsHan(v[i])) continue;
            ++all;
            if (pairs.Shared((std::uint32_t{v[i - 1]} << 16) | v[i])) ++known;
        }
        if (all >= kMinPairs && !note[c] && !bodies[c].poem) {
            pairShare[c] = static_cast<double>(known) / static_cast<double>(all);
            report.chapters[c].pairs = pairShare[c];
            shares.push_back(pairShare[c]);
            hans.push_back(report.chapters[c].han);
        }
    }
    const double medianShare = Median(shares);
    const double medianHan = Median(hans);

    // The closing passage of each chapter: its last paragraph, or the one
    // before a formula the book closes its chapters with (which is style).
    auto paragraph = [&](std::size_t c, std::size_t p) {
        const Body& b = bodies[c];
        const std::size_t end =
            p + 1 < b.paragraphs.size() ? b.paragraphs[p + 1] : b.visible.size();
        return std::u16string_view(b.visible).substr(b.paragraphs[p], end - b.paragraphs[p]);
    };
    std::unordered_map<std::u16string_view, std::size_t> lastCount;
    for (std::size_t c = 0; c < count; ++c)
        if (!bodies[c].paragraphs.empty())
            ++lastCount[paragraph(c, bodies[c].paragraphs.size() - 1)];
    auto formula = [&](std::u16string_view p) {
        const auto it = lastCount.find(p);
        const std::size_t n = it == lastCount.end() ? 0 : it->second;
        return n * 2 >= count || (p.size() <= kFormula && n >= 3);
    };
    std::unordered_map<std::u16string_view, std::vector<std::size_t>> tails;
    for (std::size_t c = 0; c < count; ++c) {
        std::size_t p = bodies[c].paragraphs.size();
        while (p > 0 && formula(paragraph(c, p - 1))) --p;
        if (p == 0) continue;
        const std::u16string_view last = paragraph(c, p - 1);
        if (last.size() >= kMinTail) tails[last].push_back(c);
    }
    std::vector<std::size_t> tailFrom(count, count);
    for (const auto& [tail, at] : tails) {
        if (at.size() < 2 || formula(tail)) continue;
        for (std::size_t i = 1; i < at.size(); ++i) tailFrom[at[i]] = at[0];
    }

    // Only a book whose finished chapters (those long enough not to be
    // suspect) end with a mark can show one cut off.
    std::size_t closed = 0;
    std::size_t finished = 0;
    for (std::size_t c = 0; c < count; ++c) {
        const Body& b = bodies[c];
        if (b.visible.empty() || static_cast<double>(b.chars) < kTruncated * median) continue;
        ++finished;
        if (kClosing.find(b.visible.back()) != std::u16string_view::npos) ++closed;
    }
    const bool booksClose = closed * 5 >= finished * 4;

    std::unordered_map<std::u16string, std::vector<std::size_t>> byHeading;
    std::vector<std::u16string_view> rules;  // each finding's rule
    for (std::size_t c = 0; c < count; ++c) {
        const Body& b = bodies[c];
        const Chapter& ch = report.chapters[c];
        const auto length = static_cast<double>(ch.length);
        // `rule` says what the rule found, for the book when most chapters share it.
        auto say = [&](Kind kind, std::u16string_view rule, std::u16string reason,
                       bool sure = true) {
            report.findings.push_back({kind, c, ch.line, std::move(reason), sure, {}});
            rules.push_back(rule);
        };
        const std::u16string key = Visible(ch.heading);
        std::vector<std::size_t>& same = byHeading[key];
        // The latest few of that heading: a book whose headings are all alike
        // must not make this quadratic.
        const auto last =
            same.rbegin() + static_cast<std::ptrdiff_t>(std::min(same.size(), kRecent));
        const auto earlier = std::find_if(
            same.rbegin(), last, [&](std::size_t e) { return Equal(bodies[e], b) >= kSameShare; });
        const bool duplicate = !key.empty() && earlier != last;
        if (duplicate) {
            say(Kind::Duplicate, kRepeats,
                u"与第" + Number(report.chapters[*earlier].line + 1) + u"行的章节标题和正文相同");
        }
        same.push_back(c);
        if (duplicate) continue;

        // The paragraphs that hold a placeholder phrase are most of the body.
        std::size_t placeholder = 0;
        for (std::size_t p = 0; p < b.paragraphs.size(); ++p) {
            const std::u16string_view para = paragraph(c, p);
            if (HasAny(para, kPlaceholders)) placeholder += para.size();
        }
        if (b.visible.empty() || placeholder * 2 >= b.visible.size()) {
            say(Kind::Placeholder,
                b.visible.empty() ? u"正文为空：这份文本多半只有标题"
                                  : u"是占位文字：这份下载多半还没有正文",
                b.visible.empty() ? u"正文为空" : u"正文是占位文字，不是小说内容");
            continue;
        }
        // A notice at the start or the end of the body.
        {
            const std::size_t headEnd =
                b.paragraphs.size() > 2 ? b.paragraphs[2] : b.visible.size();
            const std::size_t tailStart =
                b.paragraphs.size() > 2 ? b.paragraphs[b.paragraphs.size() - 2] : 0;
            const std::u16string_view v = b.visible;
            if (HasAny(v.substr(0, headEnd), kAntitheft) ||
                HasAny(v.substr(tailStart), kAntitheft)) {
                say(Kind::Antitheft, u"带有防盗提示：这份下载多半是防盗版本",
                    u"有防盗章节的提示，正文稍后才会替换");
                continue;
            }
        }
        if (c > 0 && Equal(bodies[c - 1], b) >= kSameShare) {
            say(Kind::SameAsPrevious, kRepeats, u"正文与上一章的正文相同");
            continue;
        }
        const bool ends = kClosing.find(b.visible.back()) != std::u16string_view::npos;
        if (enough && booksClose && !ends && length < kTruncated * median && !b.poem) {
            say(Kind::Truncated, u"没有结束标点",
                u"正文没有结束标点，只有中位章节长度的" + Percent(length / median));
            continue;
        }
        if (enough && !special[c] && !note[c] && !b.poem && length < kPlaceholder * median) {
            say(Kind::Placeholder, u"正文过短",
                u"正文只有" + Number(ch.length) + u"字，不到中位章节长度的五分之一");
            continue;
        }
        if (enough && pairShare[c] >= 0 && pairShare[c] < kPairShare * medianShare) {
            say(Kind::Antitheft, u"用词与全书不合",
                u"用词与全书不合：与其他章节共有的词对只占" + Percent(pairShare[c]) +
                    u"，全书中位为" + Percent(medianShare),
                false);
            continue;
        }
        if (enough && pairShare[c] >= 0 && ch.han < medianHan - kHanDrop) {
            say(Kind::Antitheft, u"汉字过少",
                u"汉字只占" + Percent(ch.han) + u"，全书中位为" + Percent(medianHan), false);
            continue;
        }
        if (tailFrom[c] < count) {
            say(Kind::RepeatedTail, kRepeats,
                u"结尾一段与第" + Number(report.chapters[tailFrom[c]].line + 1) +
                    u"行那一章的结尾相同",
                false);
            continue;
        }
        std::size_t borrowed = 0;
        std::size_t judged = 0;
        passages(b.visible, [&](std::uint64_t h) {
            ++judged;
            if (passageFirst.First(h) < c) ++borrowed;
        });
        if (judged > 0 &&
            static_cast<double>(borrowed) >= kBorrowed * static_cast<double>(judged)) {
            say(Kind::Antitheft, kRepeats,
                u"正文" + Percent(static_cast<double>(borrowed) / judged) +
                    u"取自前面的章节，顺序打乱");
            continue;
        }
    }
    if (enough) SayOnceForTheBook(report, rules);
    return report;
}

bool SameBody(std::u16string_view textA, const Chapter& a, std::u16string_view textB,
              const Chapter& b) {
    return Equal(ReadChapter(textA, a), ReadChapter(textB, b)) >= kSameShare;
}

Removed RemoveChapters(std::u16string_view text, const Report& report,
                       const std::vector<std::size_t>& chosen) {
    Removed out;
    std::vector<text::Span> cut;
    for (const std::size_t i : chosen) {
        if (i >= report.chapters.size()) {
            ++out.stale;
            continue;
        }
        const Chapter& c = report.chapters[i];
        // The heading still on the line where the report saw it.
        bool fits = c.start <= c.end && c.end <= text.size();
        if (fits) {
            const std::u16string_view span = text.substr(c.start, c.end - c.start);
            fits = text::Strip(span.substr(0, span.find_first_of(u"\r\n")), text::kNovelBlanks) ==
                   c.heading;
        }
        if (!fits) {
            ++out.stale;
            continue;
        }
        cut.push_back({c.start, c.end - c.start});
        ++out.removed;
    }
    out.text = text::CutSpans(text, std::move(cut));
    return out;
}

}  // namespace qm::audit
