// Where each line of the document starts, kept up to date edit by edit.
//
// Lines are separated by CR LF only; a lone CR or LF is an ordinary
// character. An edit costs the units it changed plus the line starts it
// adds or removes: the shift of the starts after it is applied lazily, from
// the edit point on, the way a gap moves in a gap buffer, so typing in one
// place does not touch the other million lines.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "core/document/Document.h"

namespace qm {

class LineIndex {
  public:
    // Indexes text from scratch.
    void Reset(std::u16string_view text);
    // Brings the index up to date after change; text is the text after it.
    void Apply(const TextChange& change, std::u16string_view text);

    // At least one: an empty text is one empty line.
    std::size_t LineCount() const { return starts_.size(); }
    std::size_t LineStart(std::size_t line) const;
    // The end of the line's text, before its CR LF (or the end of the text).
    std::size_t LineEnd(std::size_t line) const;
    std::size_t LineLength(std::size_t line) const { return LineEnd(line) - LineStart(line); }
    // The line holding pos (a pos between CR and LF belongs to the line before).
    std::size_t LineOf(std::size_t pos) const;
    std::size_t TextLength() const { return length_; }

  private:
    void Settle(std::size_t upTo) const;  // applies the pending shift to starts_[.., upTo)

    // starts_[i] for i >= pendingFrom_ still lacks pendingShift_.
    mutable std::vector<std::size_t> starts_{0};
    mutable std::size_t pendingFrom_ = 1;
    mutable std::ptrdiff_t pendingShift_ = 0;
    std::size_t length_ = 0;
};

}  // namespace qm
