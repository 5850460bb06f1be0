// The benchmark's books for the re-flow and the chapter list: the test
// material's books (NovelMaterial.h) and more on top, in the newer heading
// styles and traps, a 600-chapter book with 80 headings written another way, a
// 目录 with a blurb after it and, among the faults, a heading missed.
#pragma once

#include <string>
#include <vector>

#include "NovelMaterial.h"

namespace material {

std::vector<Book> BenchBooks(const std::vector<std::u16string>& paragraphs, bool faults);

}  // namespace material
