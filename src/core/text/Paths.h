// Paths as texts: where the file name starts. Both "/" and "\" separate, as
// the program has always read names typed or kept in settings from Windows.
#pragma once

#include <string_view>

namespace qm::text {

// Position of the last "/" or "\", npos when there is none:
// LastSeparator(u"/home/a\\b/c.txt") == 9.
constexpr std::size_t LastSeparator(std::u16string_view path) { return path.find_last_of(u"\\/"); }

// The text after the last separator, all of it when there is none:
// FileNameOf(u"/tmp/书.txt") == u"书.txt", FileNameOf(u"书.txt") == u"书.txt".
constexpr std::u16string_view FileNameOf(std::u16string_view path) {
    const std::size_t cut = LastSeparator(path);
    return cut == std::u16string_view::npos ? path : path.substr(cut + 1);
}

}  // namespace qm::text
