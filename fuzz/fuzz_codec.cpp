// GBK decoding of arbitrary bytes, and the way back.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/encoding/Encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using qm::enc::Encoding;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const qm::enc::Decoded d = qm::enc::Decode(bytes, Encoding::Gbk);
    // Every decoded unit stands for at least one byte.
    if (d.text.size() > size) std::abort();
    const qm::enc::Encoded e = qm::enc::Encode(d.text, Encoding::Gbk);
    // Clean input must come back byte for byte: that is what "save without
    // touching it" promises the user.
    if (d.invalid == 0 && (e.unencodable != 0 || e.bytes != bytes)) std::abort();
    for (char16_t u : d.text) (void)qm::enc::GbkCode(u);
    return 0;
}
