#include "core/Codec.h"

#include <iconv.h>

#include <array>
#include <memory>
#include <vector>

#include "core/Common.h"

namespace qm::cp936 {
namespace {

constexpr char16_t kReplacement = 0xFFFD;
constexpr std::uint16_t kNoCode = 0xFFFF;
constexpr char16_t kNoChar = 0xFFFF;  // U+FFFF is not in the code page

struct Tables {
    std::array<char16_t, 256> single{};         // kNoChar: not a one-byte code
    std::array<char16_t, 256 * 256> dbl{};      // indexed by lead*256+trail
    std::array<std::uint16_t, 65536> encode{};  // kNoCode: unmapped
};

// Converts one sequence with iconv; returns the single UTF-16 unit or kNoChar.
char16_t ConvertOne(iconv_t cd, const char* in, std::size_t len) {
    char inBuf[2] = {in[0], len > 1 ? in[1] : '\0'};
    char outBuf[8];
    char* inPtr = inBuf;
    char* outPtr = outBuf;
    std::size_t inLeft = len;
    std::size_t outLeft = sizeof outBuf;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
        inLeft != 0 || sizeof outBuf - outLeft != 2) {
        return kNoChar;
    }
    return static_cast<char16_t>(static_cast<unsigned char>(outBuf[0]) |
                                 (static_cast<unsigned char>(outBuf[1]) << 8));
}

std::unique_ptr<Tables> BuildTables() {
    auto t = std::make_unique<Tables>();
    t->single.fill(kNoChar);
    t->dbl.fill(kNoChar);
    t->encode.fill(kNoCode);
    iconv_t cd = iconv_open("UTF-16LE", "CP936");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // Without the converter only ASCII is known; everything else is invalid.
        for (int b = 0; b < 0x80; ++b) {
            t->single[b] = static_cast<char16_t>(b);
            t->encode[b] = static_cast<std::uint16_t>(b);
        }
        return t;
    }
    for (int b = 0; b < 256; ++b) {
        const char c = static_cast<char>(b);
        const char16_t u = ConvertOne(cd, &c, 1);
        t->single[b] = u;
        if (u != kNoChar && t->encode[u] == kNoCode) t->encode[u] = static_cast<std::uint16_t>(b);
    }
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        if (t->single[lead] != kNoChar) continue;
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            const char16_t u = ConvertOne(cd, pair, 2);
            const int code = lead * 256 + trail;
            t->dbl[code] = u;
            if (u != kNoChar && t->encode[u] == kNoCode) {
                t->encode[u] = static_cast<std::uint16_t>(code);
            }
        }
    }
    iconv_close(cd);
    // Surrogates and U+FFFF never map, whatever the converter claims.
    for (int u = 0xD800; u <= 0xDFFF; ++u) t->encode[u] = kNoCode;
    t->encode[0xFFFF] = kNoCode;
    return t;
}

const Tables& T() {
    static const std::unique_ptr<Tables> tables = BuildTables();
    return *tables;
}

}  // namespace

namespace {

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

std::uint16_t CodeOf(char16_t unit) { return T().encode[unit]; }

char16_t CharOfByte(unsigned char b) { return T().single[b]; }

char16_t CharOfPair(unsigned char lead, unsigned char trail) { return T().dbl[lead * 256 + trail]; }

}  // namespace qm::cp936
