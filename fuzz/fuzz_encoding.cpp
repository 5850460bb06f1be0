// Every encoding the program reads, on arbitrary bytes: detection never
// fails, and a file opened in any encoding and saved unchanged gives the
// same bytes back (unless it mixed line-break styles, which are made CR LF).
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/encoding/Encoding.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    (void)qm::enc::Detect(bytes);
    for (qm::enc::Encoding e : qm::enc::All()) {
        // Chosen by hand, "UTF-8 BOM" means the saved file gets a BOM.
        if (e == qm::enc::Encoding::Utf8Bom) continue;
        const qm::enc::LoadedText t = qm::enc::DecodeFile(bytes, e);
        if (t.format.mixed) continue;
        const qm::enc::Encoded back = qm::enc::EncodeFile(t.text, t.format);
        if (back.bytes != bytes) std::abort();
    }
    const qm::enc::LoadedText detected = qm::enc::DecodeFile(bytes);
    if (!detected.format.mixed &&
        qm::enc::EncodeFile(detected.text, detected.format).bytes != bytes)
        std::abort();
    return 0;
}
