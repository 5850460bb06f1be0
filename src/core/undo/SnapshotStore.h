// Storage for the undo and redo stacks of snapshots.
//
// Both stores behave as if every snapshot held a full copy of the document.
// FullSnapshotStore really does (it is the plain model the compact one is
// tested against); CompactSnapshotStore keeps one full text, the newest undo
// snapshot's, and every other snapshot as the difference to its neighbour, so
// memory grows with the size of the changes, not with their number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/document/GapText.h"

namespace qm {

// One snapshot as the history sees it: the caret right after the change, the
// length of the text and the text itself.
struct UndoElement {
    std::int32_t SelStart = 0;
    std::int32_t TextLen = 0;
    std::u16string Text;
    std::uint64_t Command = 0;  // the command (or run of typing) that made it
    std::uint64_t Serial = 0;   // unique to this state of the text
};

struct SnapshotMeta {
    std::int32_t SelStart = 0;
    std::int32_t TextLen = 0;
    std::uint64_t command = 0;  // snapshots of one command share it
    std::uint64_t serial = 0;   // unique to each snapshot
};

// Where a new snapshot differs from the newest one: [pos, pos + oldLen) of the
// newest became [pos, pos + newLen) of the new text. Only a hint: stores
// narrow it further by comparing.
struct ChangeSpan {
    std::size_t pos = 0;
    std::size_t oldLen = 0;
    std::size_t newLen = 0;
};

class SnapshotStore {
  public:
    virtual ~SnapshotStore() = default;

    // Appends a snapshot to the undo stack and empties the redo stack. The
    // span, when given, must cover every difference from the newest snapshot.
    // Out of memory (std::bad_alloc), the store is left exactly as it was.
    virtual void Push(const std::u16string& text, std::int32_t selStart,
                      std::optional<ChangeSpan> span, std::uint64_t command = 0,
                      std::uint64_t serial = 0) = 0;
    virtual std::size_t UndoCount() const = 0;
    virtual std::size_t RedoCount() const = 0;
    // depth 0 is the newest undo snapshot, 1 the one before it.
    virtual SnapshotMeta UndoMeta(std::size_t depth) const = 0;
    virtual std::u16string UndoText(std::size_t depth) const = 0;
    virtual const std::u16string& NewestText() const = 0;
    virtual SnapshotMeta RedoMeta() const = 0;  // newest redo snapshot
    // depth 0 is the newest redo snapshot, 1 the one undone before it.
    virtual SnapshotMeta RedoMetaAt(std::size_t depth) const = 0;
    virtual std::u16string RedoText() const = 0;
    // Moves the newest undo snapshot onto the redo stack, and back.
    virtual void MoveNewestToRedo() = 0;
    virtual void MoveRedoToUndo() = 0;
    // Forgets every redo snapshot.
    virtual void ClearRedo() = 0;
    // Whether the undo snapshot at depth holds exactly text.
    virtual bool UndoEquals(std::size_t depth, const std::u16string& text) const {
        return UndoMeta(depth).TextLen == static_cast<std::int64_t>(text.size()) &&
               UndoText(depth) == text;
    }
    // Bytes held for snapshots, for measuring growth.
    virtual std::size_t BytesUsed() const = 0;
};

class FullSnapshotStore final : public SnapshotStore {
  public:
    void Push(const std::u16string& text, std::int32_t selStart, std::optional<ChangeSpan> span,
              std::uint64_t command = 0, std::uint64_t serial = 0) override;
    std::size_t UndoCount() const override { return undo_.size(); }
    std::size_t RedoCount() const override { return redo_.size(); }
    SnapshotMeta UndoMeta(std::size_t depth) const override;
    std::u16string UndoText(std::size_t depth) const override;
    const std::u16string& NewestText() const override { return undo_.back().Text; }
    SnapshotMeta RedoMeta() const override { return RedoMetaAt(0); }
    SnapshotMeta RedoMetaAt(std::size_t depth) const override;
    std::u16string RedoText() const override { return redo_.back().Text; }
    void MoveNewestToRedo() override;
    void MoveRedoToUndo() override;
    void ClearRedo() override { redo_.clear(); }
    std::size_t BytesUsed() const override;

  private:
    std::vector<UndoElement> undo_;
    std::vector<UndoElement> redo_;
};

class CompactSnapshotStore final : public SnapshotStore {
  public:
    void Push(const std::u16string& text, std::int32_t selStart, std::optional<ChangeSpan> span,
              std::uint64_t command = 0, std::uint64_t serial = 0) override;
    std::size_t UndoCount() const override { return undo_.size(); }
    std::size_t RedoCount() const override { return redo_.size(); }
    SnapshotMeta UndoMeta(std::size_t depth) const override;
    std::u16string UndoText(std::size_t depth) const override;
    const std::u16string& NewestText() const override { return tip_.Flat(); }
    SnapshotMeta RedoMeta() const override { return redo_.back().meta; }
    SnapshotMeta RedoMetaAt(std::size_t depth) const override {
        return redo_[redo_.size() - 1 - depth].meta;
    }
    std::u16string RedoText() const override;
    void MoveNewestToRedo() override;
    void MoveRedoToUndo() override;
    void ClearRedo() override { redo_.clear(); }
    bool UndoEquals(std::size_t depth, const std::u16string& text) const override;
    std::size_t BytesUsed() const override;

  private:
    // Turns a neighbour's text into this snapshot's: replace [pos, pos + len)
    // of the neighbour by mid.
    struct Delta {
        std::size_t pos = 0;
        std::size_t len = 0;
        std::u16string mid;
    };
    struct Entry {
        SnapshotMeta meta;
        Delta delta;  // unused for the newest undo snapshot
    };
    static std::u16string Apply(const std::u16string& base, const Delta& d);
    // The delta that undoes d once d has been applied to base.
    static Delta Inverse(const GapText& base, const Delta& d);

    GapText tip_;              // text of the newest undo snapshot
    std::vector<Entry> undo_;  // each older entry: delta from the entry above it
    std::vector<Entry> redo_;  // newest redo: delta from tip_; others: from the one above
};

// Narrows a span to the part that really differs, by comparing from both ends.
ChangeSpan NarrowSpan(const std::u16string& oldText, const std::u16string& newText,
                      std::optional<ChangeSpan> hint);

}  // namespace qm
