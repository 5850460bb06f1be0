// A text with a gap at the last edit, so that an edit in the middle of a
// large text moves only the units between it and the edit before it, not
// half the text. Typing in one place then costs the keystroke, not the size.
#pragma once

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

namespace qm {

class GapText {
  public:
    void Assign(std::u16string_view text) {
        buf_.assign(text);
        gapStart_ = buf_.size();
        gapLen_ = 0;
    }
    std::size_t size() const { return buf_.size() - gapLen_; }
    std::size_t Capacity() const { return buf_.capacity(); }
    char16_t operator[](std::size_t i) const { return buf_[i < gapStart_ ? i : i + gapLen_]; }
    std::u16string substr(std::size_t pos, std::size_t len) const {
        std::u16string out;
        out.reserve(len);
        for (std::size_t i = pos; i < pos + len;) {
            const std::size_t stop = i < gapStart_ ? std::min(pos + len, gapStart_) : pos + len;
            const std::size_t at = i < gapStart_ ? i : i + gapLen_;
            out.append(buf_, at, stop - i);
            i = stop;
        }
        return out;
    }
    // [pos, pos + len) becomes `with`.
    void replace(std::size_t pos, std::size_t len, std::u16string_view with) {
        MoveGap(pos);
        // Grown before anything changes: out of memory, the text stays whole.
        if (gapLen_ + len < with.size()) Grow(with.size() - gapLen_ - len);
        gapLen_ += len;  // the removed units join the gap
        std::copy(with.begin(), with.end(), buf_.begin() + static_cast<std::ptrdiff_t>(gapStart_));
        gapStart_ += with.size();
        gapLen_ -= with.size();
    }
    // The text without its gap (closed at the end); valid until the next edit.
    const std::u16string& Flat() const {
        MoveGap(size());
        buf_.resize(size());
        gapLen_ = 0;
        return buf_;
    }

  private:
    void MoveGap(std::size_t pos) const {
        char16_t* b = buf_.data();
        if (pos < gapStart_) {
            std::memmove(b + pos + gapLen_, b + pos, (gapStart_ - pos) * sizeof(char16_t));
        } else if (pos > gapStart_) {
            std::memmove(b + gapStart_, b + gapStart_ + gapLen_,
                         (pos - gapStart_) * sizeof(char16_t));
        }
        gapStart_ = pos;
    }
    void Grow(std::size_t atLeast) {
        // A roomy gap: the next many keystrokes need no new buffer.
        const std::size_t more = std::max({atLeast, std::size_t{1} << 16, size() / 16});
        buf_.insert(gapStart_ + gapLen_, more, u'\0');
        gapLen_ += more;
    }

    mutable std::u16string buf_;
    mutable std::size_t gapStart_ = 0;
    mutable std::size_t gapLen_ = 0;
};

}  // namespace qm
