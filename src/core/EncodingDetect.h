// Telling GB18030 (GBK) from Big5 by how the text reads. Internal to core.
#pragma once

#include <string_view>

namespace qm::enc::detail {

// Whether the bytes hold any byte above 0x7F.
bool HasNonAscii(std::string_view bytes);

// Whether the bytes read as Chinese clearly better in Big5 than in GB18030.
// Thin or even evidence says no: GBK is this program's home.
bool LooksLikeBig5(std::string_view bytes);

}  // namespace qm::enc::detail
