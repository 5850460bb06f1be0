// The codecs behind Encoding.h, one character at a time, shared by decoding,
// encoding and detection. Internal to core.
//
// Every table keeps one rule: a byte sequence decodes to a character only if
// encoding that character gives back that very sequence. Sequences the C
// library maps ambiguously (two codes for one character) therefore decode as
// kept bytes, and an unchanged text always encodes to the bytes it came from.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "core/encoding/Types.h"

namespace qm::enc::detail {

constexpr char16_t kNoChar = 0xFFFF;    // no character for this code
constexpr char16_t kSuppChar = 0xFFFE;  // a supplementary character: see supp
constexpr std::uint16_t kNoCode = 0xFFFF;

constexpr char16_t Escape(unsigned char b) { return static_cast<char16_t>(0xDC00 + b); }

// A double-byte code page (GBK, GB18030's one- and two-byte part, Big5).
struct DbcsTable {
    char16_t single[256];        // kNoChar: not a one-byte code
    std::vector<char16_t> pair;  // lead*256+trail → char, kNoChar, kSuppChar
    std::vector<std::pair<std::uint16_t, char32_t>> supp;  // pair code → char
    std::vector<std::uint16_t> enc;                        // BMP char → code (< 0x100: one byte)
    // One bit per pair code that decodes to one BMP unit: small enough to
    // stay in the cache while counting.
    std::vector<std::uint64_t> oneUnitPair;
    bool OneUnitPair(std::uint16_t code) const { return oneUnitPair[code >> 6] >> (code & 63) & 1; }
    // GB18030's four-byte part for the BMP, by linear index from 0x81308130.
    std::vector<char16_t> four;       // index → char, kNoChar
    std::vector<std::uint16_t> enc4;  // BMP char → index, kNoCode

    char32_t SuppOf(std::uint16_t code) const {
        for (const auto& [c, ch] : supp)
            if (c == code) return ch;
        return 0;
    }
    std::uint16_t CodeOfSupp(char32_t ch) const {
        for (const auto& [c, s] : supp)
            if (s == ch) return c;
        return kNoCode;
    }
};

const DbcsTable& GbkTable();
const DbcsTable& Gb18030Table();
const DbcsTable& Big5Table();

// Linear index of a GB18030 four-byte sequence, or -1 when p is not one.
inline long FourIndex(const unsigned char* p) {
    if (p[1] < 0x30 || p[1] > 0x39 || p[2] < 0x81 || p[2] > 0xFE || p[3] < 0x30 || p[3] > 0x39)
        return -1;
    return (((p[0] - 0x81L) * 10 + (p[1] - 0x30)) * 126 + (p[2] - 0x81)) * 10 + (p[3] - 0x30);
}
constexpr long kFourBmpCount = 39420;                  // 0x81308130 .. 0x8431A439
constexpr long kFourSuppBase = (0x90 - 0x81) * 12600;  // 0x90308130 → U+10000

// Decoders: Step decodes one character at p (advancing p) into out (one or
// two units) and returns the number of units; it counts kept bytes in
// `invalid`. Only called with p < end.
struct DbcsDecoder {
    const DbcsTable* t;
    bool gb18030 = false;  // four-byte sequences decode
    bool noteGb = false;   // note sequences only GB18030 decodes (GBK's detection)
    std::size_t invalid = 0;
    bool sawGbOnly = false;  // a sequence GB18030 decodes and GBK keeps as bytes

    static constexpr bool kAsciiCompatible = true;

    int Step(const unsigned char*& p, const unsigned char* end, char16_t* out) {
        const unsigned char b = *p;
        if (b < 0x80) {
            out[0] = b;
            ++p;
            return 1;
        }
        const char16_t s = t->single[b];
        if (s != kNoChar) {
            out[0] = s;
            ++p;
            return 1;
        }
        if (end - p >= 2) {
            const std::uint16_t code = static_cast<std::uint16_t>(b << 8 | p[1]);
            const char16_t d = t->pair[code];
            if (d < kSuppChar) {
                out[0] = d;
                p += 2;
                return 1;
            }
            if (d == kSuppChar) {
                p += 2;
                return Supplementary(t->SuppOf(code), out);
            }
            if (gb18030 && end - p >= 4) {
                const int n = Four(p, out);
                if (n) return n;
            }
        }
        if (noteGb && !sawGbOnly) NoteGb(p, end);
        out[0] = Escape(b);
        ++p;
        ++invalid;
        return 1;
    }

  private:
    static int Supplementary(char32_t c, char16_t* out) {
        c -= 0x10000;
        out[0] = static_cast<char16_t>(0xD800 + (c >> 10));
        out[1] = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        return 2;
    }
    int Four(const unsigned char*& p, char16_t* out);
    void NoteGb(const unsigned char* p, const unsigned char* end);
};

struct Utf8Decoder {
    std::size_t invalid = 0;
    std::size_t cut = 0;  // of them, the bytes of a character the end cut off
    static constexpr bool kAsciiCompatible = true;

    int Step(const unsigned char*& p, const unsigned char* end, char16_t* out) {
        const unsigned char b = *p;
        if (b < 0x80) {
            out[0] = b;
            ++p;
            return 1;
        }
        const std::ptrdiff_t left = end - p;
        if (b >= 0xC2 && b <= 0xDF && left >= 2 && Cont(p[1])) {
            out[0] = static_cast<char16_t>((b & 0x1F) << 6 | (p[1] & 0x3F));
            p += 2;
            return 1;
        }
        if (b >= 0xE0 && b <= 0xEF && left >= 3 && Cont(p[1]) && Cont(p[2])) {
            const char32_t c = (b & 0x0Fu) << 12 | (p[1] & 0x3Fu) << 6 | (p[2] & 0x3Fu);
            // Overlong forms and surrogates are not UTF-8.
            if (c >= 0x800 && (c < 0xD800 || c > 0xDFFF)) {
                out[0] = static_cast<char16_t>(c);
                p += 3;
                return 1;
            }
        } else if (b >= 0xF0 && b <= 0xF4 && left >= 4 && Cont(p[1]) && Cont(p[2]) && Cont(p[3])) {
            const char32_t c =
                (b & 0x07u) << 18 | (p[1] & 0x3Fu) << 12 | (p[2] & 0x3Fu) << 6 | (p[3] & 0x3Fu);
            if (c >= 0x10000 && c <= 0x10FFFF) {
                const char32_t v = c - 0x10000;
                out[0] = static_cast<char16_t>(0xD800 + (v >> 10));
                out[1] = static_cast<char16_t>(0xDC00 + (v & 0x3FF));
                p += 4;
                return 2;
            }
        }
        // A file cut short (or a part cut from a larger one) may end inside
        // a character: detection forgives that.
        if (b >= 0xC2 && b <= 0xF4 &&
            left < (b < 0xE0   ? 2
                    : b < 0xF0 ? 3
                               : 4) &&
            std::all_of(p + 1, end, Cont))
            cut += static_cast<std::size_t>(left);
        out[0] = Escape(b);
        ++p;
        ++invalid;
        return 1;
    }

    static bool Cont(unsigned char c) { return (c & 0xC0) == 0x80; }
};

// UTF-16: lone surrogates are kept as they are, except U+DC00..U+DCFF,
// which would read as kept bytes: those are kept as their two bytes, so the
// file still saves back unchanged. An odd last byte is kept as a byte
// (U+DC00 + byte, even below 0x80: only UTF-16 has such kept bytes).
template <bool kBigEndian>
struct Utf16Decoder {
    std::size_t invalid = 0;
    static constexpr bool kAsciiCompatible = false;

    int Step(const unsigned char*& p, const unsigned char* end, char16_t* out) {
        if (end - p < 2) {
            out[0] = Escape(*p);
            ++p;
            ++invalid;
            return 1;
        }
        const char16_t u = Unit(p);
        if (u >= 0xD800 && u <= 0xDBFF && end - p >= 4) {
            const char16_t low = Unit(p + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                out[0] = u;
                out[1] = low;
                p += 4;
                return 2;
            }
        }
        if ((u >= 0xDC00 && u <= 0xDCFF) || (u >= 0xD800 && u <= 0xDBFF && InTailRun(p, end))) {
            out[0] = Escape(p[0]);
            out[1] = Escape(p[1]);
            p += 2;
            invalid += 2;
            return 2;
        }
        out[0] = u;
        p += 2;
        return 1;
    }

  private:
    // Lone high surrogates running up to the odd last byte would each pair
    // with the next kept byte when written back: they are kept as bytes too.
    bool InTailRun(const unsigned char* p, const unsigned char* end) {
        if ((end - p) % 2 == 0) return false;
        if (!tailRun_) {  // once, from the end back to here at most
            const unsigned char* q = end - 1;
            while (q - p >= 2) {
                const char16_t h = Unit(q - 2);
                if (h < 0xD800 || h > 0xDBFF) break;
                q -= 2;
            }
            tailRun_ = q;
        }
        return p >= tailRun_;
    }

    const unsigned char* tailRun_ = nullptr;

    static char16_t Unit(const unsigned char* p) {
        return kBigEndian ? static_cast<char16_t>(p[0] << 8 | p[1])
                          : static_cast<char16_t>(p[1] << 8 | p[0]);
    }
};

}  // namespace qm::enc::detail
