#include "core/text/Lines.h"

#include <algorithm>

namespace qm::text {

std::vector<Line> SplitLines(std::u16string_view text) {
    std::vector<Line> lines;
    // Sized once: growing by doubling would hold two lists at the peak.
    lines.reserve(static_cast<std::size_t>(std::max(std::count(text.begin(), text.end(), u'\n'),
                                                    std::count(text.begin(), text.end(), u'\r'))) +
                  1);
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c != u'\r' && c != u'\n') continue;
        const std::size_t len = (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
        lines.push_back({start, i - start, len});
        i += len - 1;
        start = i + 1;
    }
    lines.push_back({start, text.size() - start, 0});
    return lines;
}

std::u16string CutSpans(std::u16string_view text, std::vector<Span> spans) {
    std::sort(spans.begin(), spans.end(),
              [](const Span& a, const Span& b) { return a.start < b.start; });
    std::u16string out;
    out.reserve(text.size());
    std::size_t copied = 0;
    for (const Span& s : spans) {
        const std::size_t start = std::min(s.start, text.size());
        const std::size_t end = start + std::min(s.length, text.size() - start);
        if (start > copied) out.append(text.substr(copied, start - copied));
        copied = std::max(copied, end);
    }
    out.append(text.substr(copied));
    return out;
}

}  // namespace qm::text
