#include "core/encoding/internal/Cp936Tables.h"

#include <iconv.h>

#include <memory>

namespace qm::cp936 {
namespace {

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

}  // namespace

const Tables& T() {
    static const std::unique_ptr<Tables> tables = BuildTables();
    return *tables;
}

std::uint16_t CodeOf(char16_t unit) { return T().encode[unit]; }

char16_t CharOfByte(unsigned char b) { return T().single[b]; }

char16_t CharOfPair(unsigned char lead, unsigned char trail) { return T().dbl[lead * 256 + trail]; }

}  // namespace qm::cp936
