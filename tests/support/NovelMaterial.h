// The material library's real prose (tests/data/novel) and the simplest way
// downloaded novels wrap it; the books made of it for measuring the re-flow
// and the chapter list live with the benchmark (bench/NovelBooks.*), the
// planted ads in PurgeMaterial.h.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace material {

// Paragraphs wrapped every `width` characters, each starting with "　　" when
// `indent`, lines joined by `br`: a fixed-width hard-wrapped text.
std::u16string WrapAt(const std::vector<std::u16string>& paragraphs, std::size_t width, bool indent,
                      std::u16string_view br = u"\r\n");
// The paragraphs unwrapped: each on a line of its own (ended by `br`),
// starting with "　　" when `indent`.
std::u16string Joined(const std::vector<std::u16string>& paragraphs, bool indent,
                      std::u16string_view br = u"\r\n");

// The prose paragraphs of the material: each file's lines, in order.
std::vector<std::u16string> LoadParagraphs(const std::string& dataDir);

}  // namespace material
