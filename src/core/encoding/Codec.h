// Code page 936 (GBK as Windows has it: 0x80 is the euro sign).
//
// The tables are built once from the C library's converter and then used for
// every conversion, so no per-character conversion call is ever made.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// CodeOf, CharOfByte and CharOfPair: the tables, read one code at a time.
#include "core/encoding/internal/Cp936Tables.h"

namespace qm::cp936 {

struct DecodeResult {
    std::u16string text;
    std::size_t invalid = 0;  // bytes or cut-off sequences that became U+FFFD
};

struct EncodeResult {
    std::string bytes;
    std::size_t unencodable = 0;  // characters written as "?"
};

// Never fails: an invalid or cut-off sequence becomes U+FFFD and is counted.
DecodeResult Decode(std::string_view bytes);

// The number of UTF-16 units Decode(bytes) gives, without decoding.
std::size_t DecodedLength(std::string_view bytes);

// Never fails: a character the code page lacks (a lone surrogate, a
// supplementary-plane character) becomes one "?" and is counted.
EncodeResult Encode(std::u16string_view text);

}  // namespace qm::cp936
