// Code page 936's tables, built once from the C library's converter: what
// the GBK codec's own table is made from.
#pragma once

#include <array>
#include <cstdint>

namespace qm::cp936 {

constexpr std::uint16_t kNoCode = 0xFFFF;
constexpr char16_t kNoChar = 0xFFFF;  // U+FFFF is not in the code page

struct Tables {
    std::array<char16_t, 256> single{};         // kNoChar: not a one-byte code
    std::array<char16_t, 256 * 256> dbl{};      // indexed by lead*256+trail
    std::array<std::uint16_t, 65536> encode{};  // kNoCode: unmapped
};

// Built on first use.
const Tables& T();

// The code of one UTF-16 unit in code page 936, 0xFFFF when it has none:
// below 0x100 a one-byte code, otherwise lead byte * 256 + trail byte.
std::uint16_t CodeOf(char16_t unit);

// The character of a one-byte code and of a two-byte code, 0xFFFF where
// there is none.
char16_t CharOfByte(unsigned char b);
char16_t CharOfPair(unsigned char lead, unsigned char trail);

}  // namespace qm::cp936
