// Telling GB18030 (GBK) from Big5 by how the text reads. Internal to core.
#pragma once

#include <cstddef>
#include <string_view>

namespace qm::enc::detail {

// Whether the bytes hold any byte above 0x7F.
bool HasNonAscii(std::string_view bytes);

// LooksLikeBig5 judges by the bytes up to the point where this many
// non-ASCII bytes have been seen (and the character there has ended).
constexpr std::size_t kSampleNonAscii = 64 * 1024;

// Whether the bytes read as Chinese clearly better in Big5 than in GB18030.
// Thin or even evidence says no: GBK is this program's home.
bool LooksLikeBig5(std::string_view bytes);

}  // namespace qm::enc::detail
