#include "core/encoding/Codec.h"

#include <vector>

#include "core/text/Common.h"

namespace qm::cp936 {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

// One pass over the bytes; with out == nullptr it only counts the units, so
// the text can be allocated at its exact size (a large file's text then
// costs its own size, not the size of its bytes in UTF-16).
template <bool kWrite>
std::size_t DecodeInto(const Tables& t, std::string_view bytes, char16_t* out,
                       std::size_t& invalid) {
    std::size_t n = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    const auto put = [&](char16_t u) {
        if constexpr (kWrite) out[n] = u;
        ++n;
    };
    while (p < end) {
        const unsigned char b = *p;
        if (b < 0x80) {
            put(b);
            ++p;
            continue;
        }
        const char16_t s = t.single[b];
        if (s != kNoChar) {
            put(s);
            ++p;
            continue;
        }
        if (p + 1 < end) {
            const char16_t d = t.dbl[b * 256 + p[1]];
            if (d != kNoChar) {
                put(d);
                p += 2;
                continue;
            }
        }
        // Only the lead byte is dropped, so an ASCII byte after it survives.
        put(kReplacement);
        ++invalid;
        ++p;
    }
    return n;
}

}  // namespace

std::size_t DecodedLength(std::string_view bytes) {
    std::size_t ignored = 0;
    return DecodeInto<false>(T(), bytes, nullptr, ignored);
}

DecodeResult Decode(std::string_view bytes) {
    const Tables& t = T();
    DecodeResult r;
    if (bytes.size() < (8u << 20)) {
        // Small texts: one pass into room for the worst case; the spare
        // capacity is at most the size of the bytes.
        r.text.resize(bytes.size());
        r.text.resize(DecodeInto<true>(t, bytes, r.text.data(), r.invalid));
        return r;
    }
    std::size_t ignored = 0;
    r.text.resize(DecodeInto<false>(t, bytes, nullptr, ignored));
    DecodeInto<true>(t, bytes, r.text.data(), r.invalid);
    return r;
}

EncodeResult Encode(std::u16string_view text) {
    const Tables& t = T();
    EncodeResult r;
    r.bytes.resize(text.size() * 2);
    char* out = r.bytes.data();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        const std::uint16_t code = t.encode[u];
        if (code < 0x100) {
            *out++ = static_cast<char>(code);
        } else if (code != kNoCode) {
            *out++ = static_cast<char>(code >> 8);
            *out++ = static_cast<char>(code & 0xFF);
        } else {
            // A surrogate pair is one character, so one "?".
            if (常用模块::IsHighSurrogate(u) && i + 1 < text.size() &&
                常用模块::IsLowSurrogate(text[i + 1])) {
                ++i;
            }
            *out++ = '?';
            ++r.unencodable;
        }
    }
    r.bytes.resize(static_cast<std::size_t>(out - r.bytes.data()));
    return r;
}

}  // namespace qm::cp936
