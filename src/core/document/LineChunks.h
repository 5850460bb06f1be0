// A very long line cut into pieces that are laid out and drawn on their own.
//
// Laying out a line of millions of characters at once is slow, and a text
// layout that keeps positions in 26.6 fixed point draws it wrong past about
// 33 million pixels. So a long line is cut into chunks of about a thousand
// units, at places where no character is split (never inside a surrogate
// pair, never before a combining mark), and each chunk's x position is kept
// as a double. Only the chunks on screen are ever laid out.
#pragma once

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

namespace qm {

// Lines longer than this are chunked.
inline constexpr std::size_t kLongLine = 4096;
// The length a chunk aims at.
inline constexpr std::size_t kChunkTarget = 1024;

// True when a line may be cut before s[i] without splitting a character.
bool IsSafeBreak(std::u16string_view s, std::size_t i);

// Where the chunks of s start (the first at 0), each about `target` long.
std::vector<std::size_t> ChunkStarts(std::u16string_view s, std::size_t target = kChunkTarget);

class LineChunks {
  public:
    // The width of a piece of the line, in pixels.
    using WidthFn = std::function<double(std::u16string_view piece)>;

    void Build(std::u16string_view line, const WidthFn& width);
    // The line's units [pos, pos + removed) became `inserted` units; line is
    // the new line. Costs the chunks the edit touched plus one pass over the
    // chunk list.
    void Apply(std::size_t pos, std::size_t removed, std::size_t inserted, std::u16string_view line,
               const WidthFn& width);

    std::size_t Count() const { return starts_.size(); }
    std::size_t Start(std::size_t k) const { return starts_[k]; }
    std::size_t End(std::size_t k) const {
        return k + 1 < starts_.size() ? starts_[k + 1] : length_;
    }
    double X(std::size_t k) const { return x_[k]; }
    double Width() const { return x_.empty() ? 0 : x_.back(); }
    // The chunk holding offset (the last one for the line's end).
    std::size_t ChunkAtOffset(std::size_t offset) const;
    // The chunk under x (the first or last one outside the line).
    std::size_t ChunkAtX(double x) const;

  private:
    void Sum();

    std::vector<std::size_t> starts_;
    std::vector<double> widths_;
    std::vector<double> x_;  // x_[k] = left of chunk k; x_[Count()] = whole width
    std::size_t length_ = 0;
};

}  // namespace qm
