// Telling GB18030 (GBK) from Big5 by how the text reads. Internal to core.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "core/encoding/Types.h"

namespace qm::enc::detail {

// Whether the bytes hold any byte above 0x7F.
bool HasNonAscii(std::string_view bytes);

// UTF-16 without a BOM, told by its zero bytes: text (ASCII above all) in
// UTF-16 has a zero in one byte of many units and almost never in the other,
// while a text in any other encoding holds no zero bytes at all. Nothing
// when the start of the file does not say so clearly.
std::optional<Encoding> Utf16ByZeros(std::string_view start);
constexpr std::size_t kUtf16Sample = 4096;  // bytes of the start it looks at

// LooksLikeBig5 judges by the bytes up to the point where this many
// non-ASCII bytes have been seen (and the character there has ended).
constexpr std::size_t kSampleNonAscii = 64 * 1024;

// Whether the bytes read as Chinese clearly better in Big5 than in GB18030.
// Thin or even evidence says no: GBK is this program's home.
bool LooksLikeBig5(std::string_view bytes);

}  // namespace qm::enc::detail
