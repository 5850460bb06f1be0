// The double-byte tables, built once from the C library's converters (GBK
// from the code page 936 tables of Cp936Tables), then used for every conversion.
#include <iconv.h>

#include <cstring>
#include <memory>

#include "core/encoding/internal/Codecs.h"
#include "core/encoding/internal/Cp936Tables.h"

namespace qm::enc::detail {
namespace {

bool IsCharacter(char32_t c) {
    return c != 0 && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF) && c != 0xFFFE && c != 0xFFFF;
}

// One character of a sequence, by the converter; 0 when it is not exactly one.
class Converter {
  public:
    explicit Converter(const char* from) : cd_(iconv_open("UTF-32LE", from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    char32_t One(const unsigned char* seq, std::size_t len) {
        char in[4];
        std::memcpy(in, seq, len);
        unsigned char out[8];
        char* inPtr = in;
        char* outPtr = reinterpret_cast<char*>(out);
        std::size_t inLeft = len;
        std::size_t outLeft = sizeof out;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
            inLeft != 0 || sizeof out - outLeft != 4) {
            return 0;
        }
        const char32_t c =
            out[0] | out[1] << 8 | out[2] << 16 | static_cast<char32_t>(out[3]) << 24;
        return IsCharacter(c) ? c : 0;
    }

  private:
    iconv_t cd_;
};

// The other way, for the few characters with more than one code.
class Encoder {
  public:
    explicit Encoder(const char* to) : cd_(iconv_open(to, "UTF-32LE")) {}
    ~Encoder() {
        if (cd_ != reinterpret_cast<iconv_t>(-1)) iconv_close(cd_);
    }
    Encoder(const Encoder&) = delete;
    Encoder& operator=(const Encoder&) = delete;

    // The one- or two-byte code of c, kNoCode when it has none.
    std::uint16_t Code(char32_t c) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) return kNoCode;
        char in[4] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8 & 0xFF),
                      static_cast<char>(c >> 16 & 0xFF), 0};
        unsigned char out[8];
        char* inPtr = in;
        char* outPtr = reinterpret_cast<char*>(out);
        std::size_t inLeft = 4;
        std::size_t outLeft = sizeof out;
        if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
            return kNoCode;
        const std::size_t n = sizeof out - outLeft;
        if (n == 1) return out[0];
        if (n == 2) return static_cast<std::uint16_t>(out[0] << 8 | out[1]);
        return kNoCode;
    }

  private:
    iconv_t cd_;
};

// GBK writes a character as the code page 936 codec does.
std::uint16_t GbkPreferred(char32_t c) {
    return c <= 0xFFFF ? cp936::CodeOf(static_cast<char16_t>(c)) : kNoCode;
}

std::unique_ptr<DbcsTable> EmptyTable() {
    auto t = std::make_unique<DbcsTable>();
    for (int b = 0; b < 256; ++b) t->single[b] = b < 0x80 ? static_cast<char16_t>(b) : kNoChar;
    t->pair.assign(65536, kNoChar);
    t->enc.assign(65536, kNoCode);
    for (int b = 0; b < 0x80; ++b) t->enc[b] = static_cast<std::uint16_t>(b);
    return t;
}

// Which code a character with several is written as: the one the
// encoding's own encoder gives; the others then decode as kept bytes.
using Preferred = std::uint16_t (*)(char32_t);

// Adds one code. A character met again keeps the code it is written as.
void Add(DbcsTable& t, std::uint16_t code, char32_t c, Preferred preferred) {
    if (c == 0) return;
    const auto set = [&t](std::uint16_t k, char16_t v) {
        if (k < 0x100)
            t.single[k] = v;
        else
            t.pair[k] = v;
    };
    if (c > 0xFFFF) {
        if (t.CodeOfSupp(c) != kNoCode) return;
        t.supp.emplace_back(code, c);
        set(code, kSuppChar);
        return;
    }
    const std::uint16_t old = t.enc[c];
    if (old != kNoCode) {
        if (preferred(c) != code) return;
        set(old, kNoChar);
    }
    t.enc[c] = code;
    set(code, static_cast<char16_t>(c));
}

// The double-byte part of a converter: one-byte codes 0x80..0xFF, then
// pairs of a lead 0x81..0xFE that is no one-byte code and any trail from 0x40.
void AddFromConverter(DbcsTable& t, Converter& cv, Preferred preferred) {
    for (int b = 0x80; b < 256; ++b) {
        const auto byte = static_cast<unsigned char>(b);
        Add(t, byte, cv.One(&byte, 1), preferred);
    }
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        if (t.single[lead] != kNoChar) continue;
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const unsigned char seq[2] = {static_cast<unsigned char>(lead),
                                          static_cast<unsigned char>(trail)};
            Add(t, static_cast<std::uint16_t>(lead << 8 | trail), cv.One(seq, 2), preferred);
        }
    }
}

std::unique_ptr<DbcsTable> BuildGbk() {
    auto t = EmptyTable();
    for (int b = 0x80; b < 256; ++b) {
        const char16_t c = cp936::CharOfByte(static_cast<unsigned char>(b));
        if (c != 0xFFFF) Add(*t, static_cast<std::uint16_t>(b), c, GbkPreferred);
    }
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        if (t->single[lead] != kNoChar) continue;
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const char16_t c = cp936::CharOfPair(static_cast<unsigned char>(lead),
                                                 static_cast<unsigned char>(trail));
            if (c != 0xFFFF && (c < 0xD800 || c > 0xDFFF)) {
                Add(*t, static_cast<std::uint16_t>(lead << 8 | trail), c, GbkPreferred);
            }
        }
    }
    return t;
}

std::unique_ptr<DbcsTable> BuildGb18030() {
    auto t = EmptyTable();
    Converter cv("GB18030");
    if (!cv.ok()) return t;
    AddFromConverter(*t, cv, [](char32_t c) { return Encoder("GB18030").Code(c); });
    // The four-byte part of the BMP; the supplementary planes are computed.
    t->four.assign(kFourBmpCount, kNoChar);
    t->enc4.assign(65536, kNoCode);
    for (long i = 0; i < kFourBmpCount; ++i) {
        const unsigned char seq[4] = {static_cast<unsigned char>(0x81 + i / 12600),
                                      static_cast<unsigned char>(0x30 + i / 1260 % 10),
                                      static_cast<unsigned char>(0x81 + i / 10 % 126),
                                      static_cast<unsigned char>(0x30 + i % 10)};
        const char32_t c = cv.One(seq, 4);
        if (c == 0 || c > 0xFFFF || t->enc[c] != kNoCode || t->enc4[c] != kNoCode) continue;
        t->four[static_cast<std::size_t>(i)] = static_cast<char16_t>(c);
        t->enc4[c] = static_cast<std::uint16_t>(i);
    }
    return t;
}

std::unique_ptr<DbcsTable> BuildBig5() {
    auto t = EmptyTable();
    Converter cv("BIG5");
    if (cv.ok()) AddFromConverter(*t, cv, [](char32_t c) { return Encoder("BIG5").Code(c); });
    return t;
}

std::unique_ptr<DbcsTable> WithBits(std::unique_ptr<DbcsTable> t) {
    t->oneUnitPair.assign(65536 / 64, 0);
    for (std::size_t code = 0; code < 65536; ++code)
        if (t->pair[code] < kSuppChar) t->oneUnitPair[code >> 6] |= std::uint64_t{1} << (code & 63);
    return t;
}

}  // namespace

const DbcsTable& GbkTable() {
    static const std::unique_ptr<DbcsTable> t = WithBits(BuildGbk());
    return *t;
}

const DbcsTable& Gb18030Table() {
    static const std::unique_ptr<DbcsTable> t = WithBits(BuildGb18030());
    return *t;
}

const DbcsTable& Big5Table() {
    static const std::unique_ptr<DbcsTable> t = WithBits(BuildBig5());
    return *t;
}

int DbcsDecoder::Four(const unsigned char*& p, char16_t* out) {
    const long i = FourIndex(p);
    if (i < 0) return 0;
    if (i < kFourBmpCount) {
        if (t->four.empty() || t->four[static_cast<std::size_t>(i)] == kNoChar) return 0;
        out[0] = t->four[static_cast<std::size_t>(i)];
        p += 4;
        return 1;
    }
    if (i < kFourSuppBase) return 0;
    const char32_t c = 0x10000 + static_cast<char32_t>(i - kFourSuppBase);
    // A character with a two-byte code is written with that code, so its
    // four-byte form would not come back: it stays bytes.
    if (c > 0x10FFFF || t->CodeOfSupp(c) != kNoCode) return 0;
    p += 4;
    return Supplementary(c, out);
}

void DbcsDecoder::NoteGb(const unsigned char* p, const unsigned char* end) {
    DbcsDecoder gb{&Gb18030Table(), true, false};
    char16_t out[2];
    const unsigned char* q = p;
    // A user-defined code (private use) is no evidence: GBK files hold
    // stray bytes far more often than such characters.
    if (gb.Step(q, end, out) && gb.invalid == 0 && !(out[0] >= 0xE000 && out[0] <= 0xF8FF))
        sawGbOnly = true;
}

}  // namespace qm::enc::detail
