#include "core/document/LineChunks.h"

#include <algorithm>

#include "core/text/Utf16.h"

namespace qm {

namespace {

// Characters that always start a character of their own: ASCII, CJK
// punctuation and ideographs, full-width forms.
bool StartsACharacter(char16_t u) {
    return (u >= 0x20 && u <= 0x7E) || (u >= 0x3000 && u <= 0x303F) ||
           (u >= 0x3400 && u <= 0x9FFF) || (u >= 0xFF00 && u <= 0xFFEF);
}

// A place that splits no code point, for lines with no better place.
std::size_t HardBreak(std::u16string_view s, std::size_t i) {
    return text::SplitsPair(s, i) ? i + 1 : i;
}

// A safe break where a wrapped line may also end a row: after a blank, or
// before an ideograph that follows an ideograph or a closing mark. A wrapped
// line's chunks each start a row, so chunks cut here wrap as the text would.
bool IsRowBreak(std::u16string_view s, std::size_t i) {
    if (!IsSafeBreak(s, i)) return false;
    const auto han = [](char16_t u) { return u >= 0x3400 && u <= 0x9FFF; };
    const char16_t prev = s[i - 1];
    if (prev == u' ' || prev == 0x3000) return true;
    return han(s[i]) && (han(prev) || std::u16string_view(u"。，！？；：、”」』）").find(prev) !=
                                          std::u16string_view::npos);
}

}  // namespace

bool IsSafeBreak(std::u16string_view s, std::size_t i) {
    if (i == 0 || i >= s.size()) return false;
    const char16_t prev = s[i - 1];
    return StartsACharacter(s[i]) && !text::IsHighSurrogate(prev) && prev != 0x200D;
}

std::vector<std::size_t> ChunkStarts(std::u16string_view s, std::size_t target) {
    std::vector<std::size_t> starts{0};
    target = std::max<std::size_t>(target, 16);
    std::size_t at = 0;
    // The last chunk may be up to half as long again, so no chunk is tiny.
    while (s.size() - at > target + target / 2) {
        const std::size_t want = at + target;
        std::size_t cut = 0;
        for (const auto fit : {IsRowBreak, IsSafeBreak}) {
            for (std::size_t i = want; i < want + target / 4 && cut == 0; ++i) {
                if (fit(s, i)) cut = i;
            }
            for (std::size_t i = want; i > at + target / 2 && cut == 0; --i) {
                if (fit(s, i)) cut = i;
            }
        }
        if (cut == 0) cut = HardBreak(s, want);
        starts.push_back(cut);
        at = cut;
    }
    return starts;
}

void LineChunks::Build(std::u16string_view line, const WidthFn& width) {
    length_ = line.size();
    starts_ = ChunkStarts(line);
    widths_.resize(starts_.size());
    for (std::size_t k = 0; k < starts_.size(); ++k) {
        widths_[k] = width(line.substr(starts_[k], End(k) - starts_[k]));
    }
    Sum();
}

void LineChunks::Apply(std::size_t pos, std::size_t removed, std::size_t inserted,
                       std::u16string_view line, const WidthFn& width) {
    if (starts_.empty()) {
        Build(line, width);
        return;
    }
    // Re-cut from a chunk start strictly before the edit (the units around it
    // are unchanged, so it stays a safe place) to a chunk end strictly after it.
    const std::size_t first = pos > 0 ? ChunkAtOffset(pos - 1) : 0;
    std::size_t last = ChunkAtOffset(pos + removed);
    const std::size_t oldEnd = End(last);
    const std::size_t newEnd = oldEnd + inserted - removed;
    const std::size_t from = starts_[first];
    std::vector<std::size_t> cut = ChunkStarts(line.substr(from, newEnd - from));
    std::vector<double> cutWidths(cut.size());
    for (std::size_t k = 0; k < cut.size(); ++k) {
        const std::size_t end = k + 1 < cut.size() ? cut[k + 1] : newEnd - from;
        cutWidths[k] = width(line.substr(from + cut[k], end - cut[k]));
        cut[k] += from;
    }
    const auto delta = static_cast<std::ptrdiff_t>(inserted) - static_cast<std::ptrdiff_t>(removed);
    for (std::size_t k = last + 1; k < starts_.size(); ++k) {
        starts_[k] = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(starts_[k]) + delta);
    }
    const auto a = static_cast<std::ptrdiff_t>(first);
    const auto b = static_cast<std::ptrdiff_t>(last + 1);
    starts_.erase(starts_.begin() + a, starts_.begin() + b);
    starts_.insert(starts_.begin() + a, cut.begin(), cut.end());
    widths_.erase(widths_.begin() + a, widths_.begin() + b);
    widths_.insert(widths_.begin() + a, cutWidths.begin(), cutWidths.end());
    length_ = line.size();
    Sum();
}

void LineChunks::Sum() {
    x_.resize(widths_.size() + 1);
    double x = 0;
    for (std::size_t k = 0; k < widths_.size(); ++k) {
        x_[k] = x;
        x += widths_[k];
    }
    x_.back() = x;
}

std::size_t LineChunks::ChunkAtOffset(std::size_t offset) const {
    const auto it = std::upper_bound(starts_.begin(), starts_.end(), offset);
    return it == starts_.begin() ? 0 : static_cast<std::size_t>(it - starts_.begin()) - 1;
}

std::size_t LineChunks::ChunkAtX(double x) const {
    if (starts_.empty()) return 0;
    const auto it = std::upper_bound(x_.begin(), x_.end() - 1, x);
    const std::size_t k = it == x_.begin() ? 0 : static_cast<std::size_t>(it - x_.begin()) - 1;
    return std::min(k, starts_.size() - 1);
}

}  // namespace qm
