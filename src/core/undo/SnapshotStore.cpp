#include "core/undo/SnapshotStore.h"

#include <algorithm>

namespace qm {

namespace {

// Old is a std::u16string or the store's GapText: both index and size alike.
template <class Old>
ChangeSpan Narrow(const Old& oldText, const std::u16string& newText,
                  std::optional<ChangeSpan> hint) {
    ChangeSpan s = hint.value_or(ChangeSpan{0, oldText.size(), newText.size()});
    // A hint that does not fit the two lengths is not trusted.
    if (s.pos + s.oldLen > oldText.size() || s.pos + s.newLen > newText.size() ||
        oldText.size() - s.oldLen != newText.size() - s.newLen) {
        s = ChangeSpan{0, oldText.size(), newText.size()};
    }
    const char16_t* b = newText.data() + s.pos;
    std::size_t pre = 0;
    const std::size_t maxPre = std::min(s.oldLen, s.newLen);
    while (pre < maxPre && oldText[s.pos + pre] == b[pre]) ++pre;
    std::size_t suf = 0;
    const std::size_t maxSuf = maxPre - pre;
    while (suf < maxSuf && oldText[s.pos + s.oldLen - 1 - suf] == b[s.newLen - 1 - suf]) ++suf;
    return ChangeSpan{s.pos + pre, s.oldLen - pre - suf, s.newLen - pre - suf};
}

}  // namespace

ChangeSpan NarrowSpan(const std::u16string& oldText, const std::u16string& newText,
                      std::optional<ChangeSpan> hint) {
    return Narrow(oldText, newText, hint);
}

// ---- FullSnapshotStore ----

void FullSnapshotStore::Push(const std::u16string& text, std::int32_t selStart,
                             std::optional<ChangeSpan>, std::uint64_t command,
                             std::uint64_t serial) {
    undo_.push_back(
        UndoElement{selStart, static_cast<std::int32_t>(text.size()), text, command, serial});
    redo_.clear();
}

SnapshotMeta FullSnapshotStore::UndoMeta(std::size_t depth) const {
    const UndoElement& e = undo_[undo_.size() - 1 - depth];
    return {e.SelStart, e.TextLen, e.Command, e.Serial};
}

std::u16string FullSnapshotStore::UndoText(std::size_t depth) const {
    return undo_[undo_.size() - 1 - depth].Text;
}

SnapshotMeta FullSnapshotStore::RedoMetaAt(std::size_t depth) const {
    const UndoElement& e = redo_[redo_.size() - 1 - depth];
    return {e.SelStart, e.TextLen, e.Command, e.Serial};
}

void FullSnapshotStore::MoveNewestToRedo() {
    redo_.push_back(std::move(undo_.back()));
    undo_.pop_back();
}

void FullSnapshotStore::MoveRedoToUndo() {
    undo_.push_back(std::move(redo_.back()));
    redo_.pop_back();
}

std::size_t FullSnapshotStore::BytesUsed() const {
    std::size_t n = 0;
    for (const auto& e : undo_) n += sizeof e + e.Text.capacity() * sizeof(char16_t);
    for (const auto& e : redo_) n += sizeof e + e.Text.capacity() * sizeof(char16_t);
    return n;
}

// ---- CompactSnapshotStore ----

std::u16string CompactSnapshotStore::Apply(const std::u16string& base, const Delta& d) {
    std::u16string out;
    out.reserve(base.size() - d.len + d.mid.size());
    out.append(base, 0, d.pos);
    out.append(d.mid);
    out.append(base, d.pos + d.len);
    return out;
}

CompactSnapshotStore::Delta CompactSnapshotStore::Inverse(const GapText& base, const Delta& d) {
    return Delta{d.pos, d.mid.size(), base.substr(d.pos, d.len)};
}

void CompactSnapshotStore::Push(const std::u16string& text, std::int32_t selStart,
                                std::optional<ChangeSpan> span, std::uint64_t command,
                                std::uint64_t serial) {
    // All or nothing: whatever may run out of memory runs before the store
    // changes (the tip's replace last, and whole or not at all), so a failed
    // push leaves every snapshot as it was.
    const SnapshotMeta meta{selStart, static_cast<std::int32_t>(text.size()), command, serial};
    if (undo_.size() == undo_.capacity())
        undo_.reserve(std::max<std::size_t>(16, undo_.size() * 2));
    if (undo_.empty()) {
        tip_.Assign(text);
    } else {
        const ChangeSpan s = Narrow(tip_, text, span);
        // The snapshot below learns how to get back its text from the new one.
        Delta below{s.pos, s.newLen, tip_.substr(s.pos, s.oldLen)};
        tip_.replace(s.pos, s.oldLen, std::u16string_view(text).substr(s.pos, s.newLen));
        undo_.back().delta = std::move(below);
    }
    undo_.push_back(Entry{meta, {}});  // room reserved: cannot fail
    std::vector<Entry>().swap(redo_);  // and its memory freed
}

SnapshotMeta CompactSnapshotStore::UndoMeta(std::size_t depth) const {
    return undo_[undo_.size() - 1 - depth].meta;
}

std::u16string CompactSnapshotStore::UndoText(std::size_t depth) const {
    std::u16string t = tip_.Flat();
    for (std::size_t i = 1; i <= depth; ++i) t = Apply(t, undo_[undo_.size() - 1 - i].delta);
    return t;
}

std::u16string CompactSnapshotStore::RedoText() const {
    return Apply(tip_.Flat(), redo_.back().delta);
}

void CompactSnapshotStore::MoveNewestToRedo() {
    Entry newest = std::move(undo_.back());
    undo_.pop_back();
    Delta& below = undo_.back().delta;
    newest.delta = Inverse(tip_, below);  // applied to the older text, gives the newest
    tip_.replace(below.pos, below.len, below.mid);
    below = Delta{};
    redo_.push_back(std::move(newest));
}

void CompactSnapshotStore::MoveRedoToUndo() {
    Entry next = std::move(redo_.back());
    redo_.pop_back();
    undo_.back().delta = Inverse(tip_, next.delta);
    tip_.replace(next.delta.pos, next.delta.len, next.delta.mid);
    next.delta = Delta{};
    undo_.push_back(std::move(next));
}

bool CompactSnapshotStore::UndoEquals(std::size_t depth, const std::u16string& text) const {
    // Deltas are narrowed when pushed: only empty ones can lead back to the
    // same text without building it.
    bool allEmpty = true;
    for (std::size_t i = 1; i <= depth && allEmpty; ++i) {
        const Delta& d = undo_[undo_.size() - 1 - i].delta;
        allEmpty = d.len == 0 && d.mid.empty();
    }
    if (allEmpty) return tip_.size() == text.size() && tip_.Flat() == text;
    if (depth == 1) return false;  // one real change cannot give the same text
    return SnapshotStore::UndoEquals(depth, text);
}

std::size_t CompactSnapshotStore::BytesUsed() const {
    std::size_t n = tip_.Capacity() * sizeof(char16_t);
    for (const auto& e : undo_) n += sizeof e + e.delta.mid.capacity() * sizeof(char16_t);
    for (const auto& e : redo_) n += sizeof e + e.delta.mid.capacity() * sizeof(char16_t);
    return n;
}

}  // namespace qm
