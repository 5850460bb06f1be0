// What the encodings' internals share with the rest of the room: the
// encodings themselves and the kept-byte rule. Nothing here includes up.
#pragma once

namespace qm::enc {

enum class Encoding { Gbk, Gb18030, Utf8, Utf8Bom, Utf16Le, Utf16Be, Big5 };

// Is this UTF-16 unit a kept undecodable byte (U+DC80 + the byte)?
constexpr bool IsEscapedByte(char16_t u) { return u >= 0xDC80 && u <= 0xDCFF; }

}  // namespace qm::enc
