#include "core/document/LineIndex.h"

#include <algorithm>

namespace qm {

namespace {

// Appends the start of every line that begins in (from, to]: every CR LF
// whose CR lies in [from, to - 1).
void CollectStarts(std::u16string_view text, std::size_t from, std::size_t to,
                   std::vector<std::size_t>& out) {
    to = std::min(to, text.size());
    for (std::size_t i = from; i + 1 < to; ++i) {
        if (text[i] == u'\r' && text[i + 1] == u'\n') out.push_back(i + 2);
    }
}

}  // namespace

void LineIndex::Reset(std::u16string_view text) {
    starts_.assign(1, 0);
    pendingFrom_ = 1;
    pendingShift_ = 0;
    length_ = text.size();
    // Look for LF first: it is rarer than other units and memchr-like search is fast.
    std::size_t at = text.find(u'\n');
    while (at != std::u16string_view::npos) {
        if (at > 0 && text[at - 1] == u'\r') starts_.push_back(at + 1);
        at = text.find(u'\n', at + 1);
    }
}

void LineIndex::Settle(std::size_t upTo) const {
    upTo = std::min(upTo, starts_.size());
    for (std::size_t i = pendingFrom_; i < upTo; ++i) {
        starts_[i] =
            static_cast<std::size_t>(static_cast<std::ptrdiff_t>(starts_[i]) + pendingShift_);
    }
    pendingFrom_ = std::max(pendingFrom_, upTo);
}

std::size_t LineIndex::LineStart(std::size_t line) const {
    if (line == 0) return 0;
    if (line >= pendingFrom_) {
        return static_cast<std::size_t>(static_cast<std::ptrdiff_t>(starts_[line]) + pendingShift_);
    }
    return starts_[line];
}

std::size_t LineIndex::LineEnd(std::size_t line) const {
    return line + 1 < starts_.size() ? LineStart(line + 1) - 2 : length_;
}

std::size_t LineIndex::LineOf(std::size_t pos) const {
    // The last line whose start is at or before pos.
    std::size_t lo = 0;
    std::size_t hi = starts_.size() - 1;
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo + 1) / 2;
        if (LineStart(mid) <= pos) {
            lo = mid;
        } else {
            hi = mid - 1;
        }
    }
    return lo;
}

void LineIndex::Apply(const TextChange& c, std::u16string_view text) {
    const std::size_t oldLength = length_;
    length_ = text.size();
    if (c.pos == 0 && c.removed == oldLength) {
        Reset(text);
        return;
    }
    // Old starts s with pos < s < pos + removed + 2 depended on units that
    // changed (their CR LF was in, or touched, the changed span): they go.
    // Starts at or before pos stay; later ones move by the change in length.
    const std::size_t firstGone = LineOf(c.pos) + 1;
    std::size_t firstKept = firstGone;
    while (firstKept < starts_.size() && LineStart(firstKept) < c.pos + c.removed + 2) ++firstKept;

    // Bring the lazy shift to where the edit is, so one shift covers all after it.
    const auto delta =
        static_cast<std::ptrdiff_t>(c.inserted) - static_cast<std::ptrdiff_t>(c.removed);
    if (pendingFrom_ > firstKept) {
        // Undo the settling beyond firstKept: those entries become pending again.
        for (std::size_t i = firstKept; i < pendingFrom_; ++i) {
            starts_[i] =
                static_cast<std::size_t>(static_cast<std::ptrdiff_t>(starts_[i]) - pendingShift_);
        }
        pendingFrom_ = firstKept;
    } else {
        Settle(firstKept);
    }

    // Line starts that the new units make: CR LF pairs whose CR is in
    // [pos - 1, pos + inserted).
    std::vector<std::size_t> fresh;
    const std::size_t scanFrom = c.pos > 0 ? c.pos - 1 : 0;
    CollectStarts(text, scanFrom, c.pos + c.inserted + 1, fresh);

    const std::size_t removedCount = firstKept - firstGone;
    // Entries in [firstGone, firstKept) are settled; replace them by fresh
    // (settled too), then the kept tail stays pending with the combined shift.
    const auto gone = starts_.begin() + static_cast<std::ptrdiff_t>(firstGone);
    if (fresh.size() <= removedCount) {
        std::copy(fresh.begin(), fresh.end(), gone);
        starts_.erase(gone + static_cast<std::ptrdiff_t>(fresh.size()),
                      gone + static_cast<std::ptrdiff_t>(removedCount));
    } else {
        std::copy(fresh.begin(), fresh.begin() + static_cast<std::ptrdiff_t>(removedCount), gone);
        starts_.insert(gone + static_cast<std::ptrdiff_t>(removedCount),
                       fresh.begin() + static_cast<std::ptrdiff_t>(removedCount), fresh.end());
    }
    pendingFrom_ = firstGone + fresh.size();
    pendingShift_ += delta;
    if (pendingFrom_ >= starts_.size()) pendingShift_ = 0;
}

}  // namespace qm
