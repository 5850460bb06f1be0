#include "core/novel/Repeats.h"

#include <algorithm>
#include <unordered_map>

#include "core/novel/purge/Purge.h"
#include "core/text/Lines.h"

namespace qm::repeats {

namespace {

// A line with its form as the purge compares it.
struct Line : text::Line {
    std::u16string norm;
};

// A text that ends with a break has no line after it here.
std::vector<Line> Lines(std::u16string_view text) {
    std::vector<Line> lines;
    for (const text::Line& l : text::SplitLines(text)) {
        if (l.breakLength == 0 && l.start == text.size()) break;
        lines.push_back({l, purge::Normalized(text.substr(l.start, l.length))});
    }
    return lines;
}

// "第十二章 风雪" and the like: a heading by its form, for texts whose
// chapters were not given.
bool LooksLikeHeading(std::u16string_view norm) {
    if (norm.size() > 40 || !norm.starts_with(u"第")) return false;
    const std::size_t mark = norm.find_first_of(u"章回节卷集部篇");
    return mark != std::u16string_view::npos && mark <= 12;
}

}  // namespace

std::u16string_view TitlePart(std::u16string_view norm) {
    if (!norm.starts_with(u"第")) return {};
    const std::size_t mark = norm.find_first_of(u"章回节卷集部篇");
    if (mark == std::u16string_view::npos || mark > 12) return {};
    std::u16string_view rest = norm.substr(mark + 1);
    while (!rest.empty() && (rest.front() == u':' || rest.front() == u'、' ||
                             rest.front() == u'.' || rest.front() == u'-'))
        rest.remove_prefix(1);
    return rest.size() >= 2 ? rest : std::u16string_view{};
}

std::vector<Repeat> Find(std::u16string_view text, const Options& options) {
    const std::vector<Line> lines = Lines(text);
    std::vector<Repeat> out;
    std::vector<bool> covered(lines.size(), false);

    std::vector<std::size_t> headings;
    for (const std::size_t h : options.chapterLines)
        if (h < lines.size()) headings.push_back(h);
    std::sort(headings.begin(), headings.end());
    headings.erase(std::unique(headings.begin(), headings.end()), headings.end());

    // Whole chapters: the heading and every non-empty line of the body.
    std::unordered_map<std::u16string, std::size_t> chapters;
    for (std::size_t c = 0; c < headings.size(); ++c) {
        const std::size_t h = headings[c];
        const std::size_t end = c + 1 < headings.size() ? headings[c + 1] : lines.size();
        std::u16string key = lines[h].norm;
        for (std::size_t n = h + 1; n < end; ++n)
            if (!lines[n].norm.empty()) key += u'\n' + lines[n].norm;
        const auto [it, fresh] = chapters.emplace(std::move(key), h);
        if (fresh || lines[h].norm.empty()) continue;
        Repeat r;
        r.kind = Kind::Chapter;
        r.line = h;
        r.firstLine = it->second;
        r.lines = end - h;
        r.start = lines[h].start;
        r.length = lines[end - 1].Next() - r.start;
        r.text = std::u16string(text.substr(lines[h].start, lines[h].length));
        out.push_back(std::move(r));
        std::fill(covered.begin() + h, covered.begin() + end, true);
    }

    // Titles repeated as the first line of the body.
    std::vector<bool> isHeading(lines.size(), false);
    if (headings.empty()) {
        for (std::size_t n = 0; n < lines.size(); ++n)
            if (LooksLikeHeading(lines[n].norm)) isHeading[n] = true;
    } else {
        for (const std::size_t h : headings) isHeading[h] = true;
    }
    auto addLine = [&](Kind kind, std::size_t n, std::size_t first) {
        Repeat r;
        r.kind = kind;
        r.line = n;
        r.firstLine = first;
        r.start = lines[n].start;
        r.length = lines[n].Next() - lines[n].start;
        // Between empty lines, one of them goes with it, so that the
        // paragraphs stay one empty line apart.
        const bool emptyBefore = n == 0 || lines[n - 1].norm.empty();
        if (emptyBefore && n + 1 < lines.size() && lines[n + 1].norm.empty() && !covered[n + 1] &&
            lines[n + 1].End() == lines[n + 1].start)
            r.length = lines[n + 1].Next() - r.start;
        r.text = std::u16string(text.substr(lines[n].start, lines[n].length));
        out.push_back(std::move(r));
        covered[n] = true;
    };
    for (std::size_t h = 0; h < lines.size(); ++h) {
        if (!isHeading[h] || covered[h] || lines[h].norm.empty()) continue;
        std::size_t n = h + 1;
        while (n < lines.size() && lines[n].norm.empty()) ++n;
        if (n >= lines.size() || covered[n]) continue;
        const std::u16string_view title = TitlePart(lines[h].norm);
        // The heading itself again (which looks like a heading too), or its
        // title without the number.
        if (lines[n].norm == lines[h].norm ||
            (!isHeading[n] && !title.empty() && lines[n].norm == title)) {
            addLine(Kind::Title, n, h);
            isHeading[n] = false;
        }
    }

    // Paragraphs seen before.
    std::unordered_map<std::u16string_view, std::size_t> seen;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::u16string& norm = lines[n].norm;
        if (norm.size() < std::max<std::size_t>(options.minParagraph, 1) || isHeading[n]) continue;
        const auto [it, fresh] = seen.emplace(norm, n);
        if (!fresh && !covered[n]) addLine(Kind::Paragraph, n, it->second);
    }
    std::sort(out.begin(), out.end(),
              [](const Repeat& a, const Repeat& b) { return a.start < b.start; });
    return out;
}

Removed Remove(std::u16string_view text, const std::vector<Repeat>& chosen) {
    Removed out;
    std::vector<text::Span> cut;
    for (const Repeat& r : chosen) {
        // A repeat found on another version of the text is left alone.
        const bool fits = r.start <= text.size() && r.length <= text.size() - r.start &&
                          r.text.size() <= r.length &&
                          text.substr(r.start, r.text.size()) == r.text;
        if (!fits) {
            ++out.stale;
            continue;
        }
        cut.push_back({r.start, r.length});
        ++out.removed;
    }
    out.text = text::CutSpans(text, std::move(cut));
    return out;
}

}  // namespace qm::repeats
