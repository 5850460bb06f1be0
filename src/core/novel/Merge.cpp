#include "core/novel/Merge.h"

#include <algorithm>
#include <unordered_map>

#include "core/novel/Audit.h"
#include "core/novel/NovelText.h"
#include "core/novel/Repeats.h"
#include "core/novel/purge/Purge.h"
#include "core/text/Lines.h"
#include "core/text/WholeNumber.h"

namespace qm::audit {

namespace {

// How far ahead in the other copy a chapter is looked for.
constexpr std::size_t kWindow = 64;
// Word pairs shared with the rest of the book this much less: not the book's text.
constexpr double kLessLike = 0.8;

// What aligns two chapters: the title proper, else the number, else the heading.
std::u16string Key(const Chapter& c) {
    const std::u16string norm = purge::Normalized(c.heading);
    const std::u16string_view title = repeats::TitlePart(norm);
    if (!title.empty()) return std::u16string(title);
    if (c.number) return u"#" + text::WholeNumberText(*c.number);
    return norm;
}

// The chapter's suspect finding, if any; one about the whole book stands
// for each of its chapters.
std::vector<const Finding*> Suspects(const Report& r) {
    std::vector<const Finding*> out(r.chapters.size(), nullptr);
    for (const Finding& f : r.findings) {
        out[f.chapter] = &f;
        for (const std::size_t c : f.across) out[c] = &f;
    }
    return out;
}

// text's lines, each break made `br`.
void AppendWithBreaks(std::u16string& out, std::u16string_view text, std::u16string_view br) {
    for (const text::Line& l : text::SplitLines(text)) {
        out += text.substr(l.start, l.length);
        if (l.breakLength > 0) out += br;
    }
}

// Where a chapter's body starts: after its heading line.
std::size_t BodyStart(std::u16string_view text, const Chapter& c) {
    const std::size_t eol = text.find_first_of(u"\r\n", c.start);
    if (eol == std::u16string_view::npos || eol >= c.end) return c.end;
    return text.substr(eol, 2) == u"\r\n" ? eol + 2 : eol + 1;
}

}  // namespace

Merged Merge(std::u16string_view a, std::u16string_view b) {
    const Report ra = Audit(a);
    const Report rb = Audit(b);
    const auto sa = Suspects(ra);
    const auto sb = Suspects(rb);
    const std::u16string_view br = novel::BreakOf(a);
    std::vector<std::u16string> kb;
    for (const Chapter& c : rb.chapters) kb.push_back(Key(c));
    // A's chapters not yet placed, by key: a chapter of B that A has further
    // on is no chapter A lacks, wherever B put it.
    std::unordered_map<std::u16string, std::size_t> aAhead;
    for (const Chapter& c : ra.chapters) ++aAhead[Key(c)];

    Merged m;
    if (ra.chapters.empty() || rb.chapters.empty()) {
        // Nothing to line up: the text stays as it is.
        m.text = a;
        m.missing.push_back(ra.chapters.empty() ? u"第一个版本里没有找到章节标题，无法合并"
                                                : u"第二个版本里没有找到章节标题，无法合并");
        return m;
    }
    std::size_t copied = 0;  // of A, up to here
    std::size_t j = 0;       // the next chapter of B not yet placed
    // A line break before what comes next, unless the text ends with one.
    auto endLine = [&] {
        if (!m.text.empty() && m.text.back() != u'\n' && m.text.back() != u'\r') m.text += br;
    };
    auto takeB = [&](std::size_t k) {
        endLine();
        const Chapter& c = rb.chapters[k];
        AppendWithBreaks(m.text, b.substr(c.start, c.end - c.start), br);
        endLine();
        m.chapters.push_back({std::nullopt, c.line, Source::B});
        if (sb[k]) m.missing.push_back(u"“" + c.heading + u"”只有第二个版本有，且" + sb[k]->reason);
    };
    for (std::size_t i = 0; i < ra.chapters.size(); ++i) {
        const Chapter& c = ra.chapters[i];
        m.text += a.substr(copied, c.start - copied);  // front matter, volume headings
        copied = c.end;
        const std::u16string key = Key(c);
        --aAhead[key];
        std::size_t k = j;
        while (k < kb.size() && k < j + kWindow && kb[k] != key) ++k;
        const bool found = k < kb.size() && k < j + kWindow;
        if (found) {
            // B's chapters before it that A lacks come first.
            for (; j < k; ++j)
                if (aAhead[kb[j]] == 0) takeB(j);
            j = k + 1;
        }
        // The sounder: no finding over a weak one over a sure one; of two
        // equally sound, the one whose words are much more the book's, else
        // the longer.
        const auto rank = [](const Finding* f) { return f == nullptr ? 2 : f->sure ? 0 : 1; };
        bool useB = false;
        if (found) {
            const Chapter& o = rb.chapters[k];
            const bool judged = c.pairs >= 0 && o.pairs >= 0;
            if (rank(sb[k]) != rank(sa[i])) {
                useB = rank(sb[k]) > rank(sa[i]);
            } else if (judged && !SameBody(a, c, b, o) &&
                       std::min(c.pairs, o.pairs) < kLessLike * std::max(c.pairs, o.pairs)) {
                useB = o.pairs > c.pairs;
            } else {
                useB = o.length > c.length;
            }
        }
        if (useB) {
            m.text += a.substr(c.start, BodyStart(a, c) - c.start);
            const Chapter& o = rb.chapters[k];
            AppendWithBreaks(m.text, b.substr(BodyStart(b, o), o.end - BodyStart(b, o)), br);
            if (i + 1 < ra.chapters.size()) endLine();
        } else {
            m.text += a.substr(c.start, c.end - c.start);
        }
        m.chapters.push_back({c.line, found ? std::optional(rb.chapters[k].line) : std::nullopt,
                              useB ? Source::B : Source::A});
        if (useB ? sb[k] != nullptr : sa[i] != nullptr)
            m.missing.push_back(u"“" + c.heading + u"”" +
                                (found ? u"两个版本都不完好：" : u"只有第一个版本有，且") +
                                (useB ? sb[k] : sa[i])->reason);
    }
    m.text += a.substr(copied);
    for (; j < kb.size(); ++j) takeB(j);
    return m;
}

}  // namespace qm::audit
