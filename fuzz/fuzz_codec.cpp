// Code page 936 decoding of arbitrary bytes, and the way back.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/encoding/Codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const qm::cp936::DecodeResult d = qm::cp936::Decode(bytes);
    // Every decoded unit stands for at least one byte.
    if (d.text.size() > size) std::abort();
    const qm::cp936::EncodeResult e = qm::cp936::Encode(d.text);
    // Clean input must come back byte for byte: that is what "save without
    // touching it" promises the user.
    if (d.invalid == 0 && (e.unencodable != 0 || e.bytes != bytes)) std::abort();
    for (char16_t u : d.text) (void)qm::cp936::CodeOf(u);
    return 0;
}
