// Decoding and encoding whole texts.
//
// A large text costs its own size and one write per unit: each conversion
// first counts its output (without writing it), then reserves exactly that
// and appends the output a small cached chunk at a time. resize would fill
// the whole buffer with zeros first, and an estimate would leave it larger
// than the text for as long as the text is open.
#include "core/encoding/Encoding.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <type_traits>

#include "core/encoding/internal/Codecs.h"
#include "core/encoding/internal/Detect.h"

namespace qm::enc {

using namespace detail;

namespace {

constexpr std::array<const char*, 7> kNames = {"GBK",      "GB18030",  "UTF-8", "UTF-8 BOM",
                                               "UTF-16LE", "UTF-16BE", "Big5"};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

// --- Encoders: Step writes the character at p (advancing p) to out and
// returns the byte count; a character the target lacks is written as "?"
// and sets `lacked`. Kept bytes are written back when `own` (they came from
// this encoding) and they still read back as kept bytes before what now
// follows them; otherwise they are lacked too.

// Whether kept byte b, written before the characters from p on, decodes as
// b kept: the decoder is run over b and the few bytes that follow it.
template <class Enc, class Dec>
bool StaysKept(unsigned char b, Enc enc, const char16_t* p, const char16_t* end, Dec dec) {
    enc.check = false;  // kept bytes that follow are taken as written
    unsigned char bytes[8] = {b};
    std::size_t n = 1;
    while (n < 4 && p < end) n += static_cast<std::size_t>(enc.Step(p, end, bytes + n));
    const unsigned char* q = bytes;
    char16_t out[2];
    dec.Step(q, bytes + n, out);
    return q == bytes + 1 && out[0] == Escape(b);
}

struct DbcsEncoder {
    const DbcsTable* t;
    bool gb18030 = false;
    bool own = true;
    bool check = true;
    bool lacked = false;
    static constexpr bool kAsciiCompatible = true;

    int Step(const char16_t*& p, const char16_t* end, unsigned char* out) {
        const char16_t u = *p++;
        // Surrogates have no code in the table, so the common case is first.
        const std::uint16_t code = t->enc[u];
        if (code < 0x100) {
            out[0] = static_cast<unsigned char>(code);
            return 1;
        }
        if (code != kNoCode) return Two(code, out);
        if (IsEscapedByte(u)) {
            out[0] = static_cast<unsigned char>(u - 0xDC00);
            if (own && (!check || StaysKept(out[0], *this, p, end, DbcsDecoder{t, gb18030})))
                return 1;
            return Lacked(out);
        }
        if (u >= 0xD800 && u <= 0xDFFF) {
            if (u <= 0xDBFF && p < end && *p >= 0xDC00 && *p <= 0xDFFF) {
                const char32_t c = 0x10000 + ((u - 0xD800) << 10 | (*p - 0xDC00));
                ++p;
                const std::uint16_t code = t->CodeOfSupp(c);
                if (code != kNoCode) return Two(code, out);
                if (gb18030) return Four(kFourSuppBase + static_cast<long>(c - 0x10000), out);
            }
            return Lacked(out);
        }
        if (gb18030 && t->enc4[u] != kNoCode) return Four(t->enc4[u], out);
        return Lacked(out);
    }

  private:
    static int Two(std::uint16_t code, unsigned char* out) {
        out[0] = static_cast<unsigned char>(code >> 8);
        out[1] = static_cast<unsigned char>(code & 0xFF);
        return 2;
    }
    static int Four(long i, unsigned char* out) {
        out[3] = static_cast<unsigned char>(0x30 + i % 10);
        i /= 10;
        out[2] = static_cast<unsigned char>(0x81 + i % 126);
        i /= 126;
        out[1] = static_cast<unsigned char>(0x30 + i % 10);
        out[0] = static_cast<unsigned char>(0x81 + i / 10);
        return 4;
    }
    int Lacked(unsigned char* out) {
        lacked = true;
        out[0] = '?';
        return 1;
    }
};

struct Utf8Encoder {
    bool own = true;
    bool check = true;
    bool lacked = false;
    static constexpr bool kAsciiCompatible = true;

    int Step(const char16_t*& p, const char16_t* end, unsigned char* out) {
        const char16_t u = *p++;
        if (u < 0x80) {
            out[0] = static_cast<unsigned char>(u);
            return 1;
        }
        if (u < 0x800) {
            out[0] = static_cast<unsigned char>(0xC0 | u >> 6);
            out[1] = static_cast<unsigned char>(0x80 | (u & 0x3F));
            return 2;
        }
        if (IsEscapedByte(u)) {
            out[0] = static_cast<unsigned char>(u - 0xDC00);
            if (own && (!check || StaysKept(out[0], *this, p, end, Utf8Decoder{}))) return 1;
            lacked = true;  // U+FFFD, as it is shown
            out[0] = 0xEF;
            out[1] = 0xBF;
            out[2] = 0xBD;
            return 3;
        }
        if (u >= 0xD800 && u <= 0xDFFF) {
            if (u <= 0xDBFF && p < end && *p >= 0xDC00 && *p <= 0xDFFF) {
                const char32_t c = 0x10000 + ((u - 0xD800) << 10 | (*p++ - 0xDC00));
                out[0] = static_cast<unsigned char>(0xF0 | c >> 18);
                out[1] = static_cast<unsigned char>(0x80 | (c >> 12 & 0x3F));
                out[2] = static_cast<unsigned char>(0x80 | (c >> 6 & 0x3F));
                out[3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
                return 4;
            }
            lacked = true;
            out[0] = '?';
            return 1;
        }
        out[0] = static_cast<unsigned char>(0xE0 | u >> 12);
        out[1] = static_cast<unsigned char>(0x80 | (u >> 6 & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | (u & 0x3F));
        return 3;
    }
};

// Kept bytes go back as bytes: two in a row as the unit they came from, one
// at the very end as the odd last byte. A lone one elsewhere would shift
// every later unit, so it is written as "?". In UTF-16 a kept byte may be
// below 0x80 (an odd last byte), so U+DC00..U+DCFF are all kept bytes here.
template <bool kBigEndian>
struct Utf16Encoder {
    bool own = true;
    bool lacked = false;
    static constexpr bool kAsciiCompatible = false;

    static bool Kept(char16_t u) { return u >= 0xDC00 && u <= 0xDCFF; }

    int Step(const char16_t*& p, const char16_t* end, unsigned char* out) {
        char16_t u = *p++;
        if (u >= 0xD800 && u <= 0xDBFF && p < end && *p >= 0xDC00 && *p <= 0xDFFF) {
            Put(u, out);
            Put(*p++, out + 2);
            return 4;
        }
        if (Kept(u) && !own) {
            lacked = true;
            u = 0xFFFD;
        } else if (Kept(u)) {
            if (p < end && Kept(*p)) {
                out[0] = static_cast<unsigned char>(u - 0xDC00);
                out[1] = static_cast<unsigned char>(*p++ - 0xDC00);
                return 2;
            }
            if (p == end) {
                out[0] = static_cast<unsigned char>(u - 0xDC00);
                return 1;
            }
            lacked = true;
            u = '?';
        }
        Put(u, out);
        return 2;
    }

  private:
    static void Put(char16_t u, unsigned char* out) {
        out[kBigEndian ? 0 : 1] = static_cast<unsigned char>(u >> 8);
        out[kBigEndian ? 1 : 0] = static_cast<unsigned char>(u & 0xFF);
    }
};

// --- Decoding: a counting pass, then the string built by Build. Both go
// through DecodeRun, so the count is exactly what the build writes.

struct Count {
    std::size_t units = 0;  // after line breaks are made CR LF, when they are
    std::size_t crlf = 0, lf = 0, cr = 0;
    std::uint64_t bytes = 0;  // passed over
    bool stopped = false;     // an invalid sequence ended a pass that asked to stop
};

// Room a run leaves free at its end: the most one character can give.
constexpr std::size_t kMostUnits = 4;
constexpr std::size_t kChunk = 1024;

struct BreakState {
    bool afterCr = false;
    std::size_t crlf = 0, lf = 0, cr = 0;
};

// Decodes the characters that begin before stop from p into out, while room
// for kMostUnits remains; a character may run on to end.
// With kNormalize, a lone CR or lone LF becomes CR LF, and a CR LF stays one.
template <bool kNormalize, bool kWrite = true, class Dec>
std::size_t DecodeRun(Dec& decoder, const unsigned char*& from, const unsigned char* stop,
                      const unsigned char* end, char16_t* out, std::size_t cap, BreakState& br) {
    // All state in locals, so it stays in registers: this loop is the cost
    // of opening a file.
    Dec dec = decoder;
    const unsigned char* p = from;
    std::size_t n = 0;
    bool afterCr = br.afterCr;
    // Counting only: nothing is written, and the compiler drops the stores.
    const auto emit = [&](char16_t u) {
        if constexpr (kWrite) out[n] = u;
        ++n;
    };
    const auto put = [&](char16_t u) {
        if (u == '\n') {
            if (afterCr) {
                ++br.crlf;
                afterCr = false;
                return;
            }
            ++br.lf;
            emit('\r');
        } else if (afterCr) {
            ++br.cr;
            afterCr = false;
        }
        if (u == '\r') {
            emit('\r');
            emit('\n');
            afterCr = true;
            return;
        }
        emit(u);
    };
    while (p < stop && n + kMostUnits <= cap) {
        const unsigned char b = *p;
        if constexpr (Dec::kAsciiCompatible) {
            // Eight bytes of ASCII with no CR, LF or other control byte at once.
            if (b >= 0x20 && b < 0x80 && !afterCr && end - p >= 8 && n + 8 + kMostUnits <= cap) {
                std::uint64_t w;
                std::memcpy(&w, p, 8);
                constexpr std::uint64_t kOnes = 0x0101010101010101u;
                if (((w | (w - 0x20 * kOnes)) & 0x80 * kOnes) == 0) {
                    if constexpr (kWrite)
                        for (int i = 0; i < 8; ++i) out[n + i] = p[i];
                    n += 8;
                    p += 8;
                    continue;
                }
            }
        }
        if (Dec::kAsciiCompatible && b < 0x80) {
            ++p;
            if (!kNormalize || (b > '\r' && !afterCr)) {
                emit(b);
            } else {
                put(b);
            }
            continue;
        }
        if constexpr (!kWrite && std::is_same_v<Dec, DbcsDecoder>) {
            // Counting needs only whether a pair is one unit, not which.
            if (!afterCr && end - p >= 2 && dec.t->single[b] == kNoChar &&
                dec.t->OneUnitPair(static_cast<std::uint16_t>(b << 8 | p[1]))) {
                p += 2;
                ++n;
                continue;
            }
        }
        if constexpr (kWrite && std::is_same_v<Dec, DbcsDecoder>) {
            // The common case of a double-byte text: a pair that is one
            // character of the table, not after a CR.
            if (!afterCr && end - p >= 2 && dec.t->single[b] == kNoChar) {
                const char16_t d = dec.t->pair[static_cast<std::uint16_t>(b << 8 | p[1])];
                if (d < kSuppChar && d > '\r') {
                    emit(d);
                    p += 2;
                    continue;
                }
            }
        }
        char16_t u[2] = {};
        const int k = dec.Step(p, end, u);
        if (!kNormalize || (u[0] > '\r' && !afterCr)) {
            // A second unit is a low surrogate or a kept byte, never a break.
            emit(u[0]);
            if (k == 2) emit(u[1]);
            continue;
        }
        put(u[0]);
        if (k == 2) put(u[1]);
    }
    br.afterCr = afterCr;
    from = p;
    decoder = dec;
    return n;
}

// Bytes already in memory: one piece.
class ViewSource final : public ByteSource {
  public:
    explicit ViewSource(std::string_view bytes) : bytes_(bytes) {}
    Piece At(std::uint64_t at) override {
        return {bytes_.substr(static_cast<std::size_t>(std::min<std::uint64_t>(at, bytes_.size()))),
                true};
    }

  private:
    std::string_view bytes_;
};

// Calls f(p, stop, end) on each piece from offset `from` on. f decodes the
// characters that begin before stop, each seeing at least kMinPiece bytes as
// it would in one piece, and returns where it ended (nullptr ends the pass).
// Returns how many bytes were passed over.
template <class F>
std::uint64_t EachPiece(ByteSource& source, std::uint64_t from, F&& f) {
    std::uint64_t at = from;
    for (;;) {
        const ByteSource::Piece piece = source.At(at);
        const auto* p = reinterpret_cast<const unsigned char*>(piece.bytes.data());
        const auto* end = p + piece.bytes.size();
        // A piece shorter than promised is taken as the last, so a pass ends.
        const bool last = piece.last || piece.bytes.size() < ByteSource::kMinPiece;
        const auto* stop = last ? end : end - (ByteSource::kMinPiece - 1);
        const unsigned char* q = f(p, stop, end);
        if (!q) return at - from;
        at += static_cast<std::uint64_t>(q - p);
        if (last) return at - from;
    }
}

// Counts the units the bytes decode to (a lone CR or LF that becomes CR LF
// counting two), and the break styles.
// What ends a pass told to stop: for UTF-8, a byte that is not UTF-8; for
// GBK, a sequence only GB18030 reads (the file is then counted as GB18030).
bool Stops(const Utf8Decoder& d) { return d.invalid > d.cut; }
bool Stops(const DbcsDecoder& d) { return d.sawGbOnly; }

template <bool kNormalize, bool kStop, class Dec>
Count CountUnits(Dec& dec, ByteSource& source, std::uint64_t from = 0) {
    Count c;
    BreakState br;
    c.bytes = EachPiece(source, from,
                        [&](const unsigned char* p, const unsigned char* stop,
                            const unsigned char* end) -> const unsigned char* {
                            while (p < stop) {
                                // In runs only so that a pass told to stop stops early.
                                c.units += DecodeRun<kNormalize, false>(dec, p, stop, end, nullptr,
                                                                        1u << 16, br);
                                if constexpr (kStop) {
                                    if (Stops(dec)) {
                                        c.stopped = true;
                                        return nullptr;
                                    }
                                }
                            }
                            return p;
                        });
    if (br.afterCr) ++br.cr;
    c.crlf = br.crlf;
    c.lf = br.lf;
    c.cr = br.cr;
    return c;
}

template <bool kNormalize, bool kStop, class Dec>
Count CountUnits(Dec& dec, std::string_view bytes) {
    ViewSource view(bytes);
    return CountUnits<kNormalize, kStop>(dec, view);
}

// The text at its exact size (reserve allocates without filling), decoded a
// chunk at a time into a buffer that stays in the cache and appended from
// there. Should the file have changed since it was counted, the text grows
// or comes out shorter: it is always what this pass read.
template <bool kNormalize, class Dec>
std::u16string Build(Dec dec, ByteSource& source, std::uint64_t from, std::size_t units) {
    std::u16string text;
    text.reserve(units);
    BreakState br;
    char16_t chunk[kChunk];
    EachPiece(source, from,
              [&](const unsigned char* p, const unsigned char* stop, const unsigned char* end) {
                  while (p < stop)
                      text.append(chunk,
                                  DecodeRun<kNormalize>(dec, p, stop, end, chunk, kChunk, br));
                  return p;
              });
    return text;
}

template <bool kNormalize, class Dec>
std::u16string DecodeWith(Dec dec, ByteSource& source, std::uint64_t from, Count* count,
                          std::size_t* invalid) {
    Dec counter = dec;
    const Count c = CountUnits<kNormalize, false>(counter, source, from);
    if (count) *count = c;
    if (invalid) *invalid = counter.invalid;
    return Build<kNormalize>(dec, source, from, c.units);
}

// Calls f with the decoder of an encoding.
template <class F>
decltype(auto) WithDecoder(Encoding e, F&& f) {
    switch (e) {
        case Encoding::Gb18030:
            return f(DbcsDecoder{&Gb18030Table(), true});
        case Encoding::Utf8:
        case Encoding::Utf8Bom:
            return f(Utf8Decoder{});
        case Encoding::Utf16Le:
            return f(Utf16Decoder<false>{});
        case Encoding::Utf16Be:
            return f(Utf16Decoder<true>{});
        case Encoding::Big5:
            return f(DbcsDecoder{&Big5Table()});
        case Encoding::Gbk:
            break;
    }
    return f(DbcsDecoder{&GbkTable()});
}

std::string_view Bom(Encoding e) {
    switch (e) {
        case Encoding::Utf8:
        case Encoding::Utf8Bom:
            return "\xEF\xBB\xBF";
        case Encoding::Utf16Le:
            return "\xFF\xFE";
        case Encoding::Utf16Be:
            return "\xFE\xFF";
        default:
            return {};
    }
}

bool StartsWith(std::string_view s, std::string_view prefix) {
    return !prefix.empty() && s.substr(0, prefix.size()) == prefix;
}

// --- Encoding: a counting pass, then the bytes appended, both through
// EncodeRun.

constexpr std::size_t kMostBytes = 4;

char32_t CharAt(const char16_t* p, const char16_t* end) {
    if (*p >= 0xDC00 && *p <= 0xDCFF) return 0xFFFD;  // a kept byte, shown so
    if (*p >= 0xD800 && *p <= 0xDBFF && end - p >= 2 && p[1] >= 0xDC00 && p[1] <= 0xDFFF)
        return 0x10000 + ((p[0] - 0xD800) << 10 | (p[1] - 0xDC00));
    return *p;
}

// Encodes characters from p into out while room for kMostBytes remains,
// each CR LF written in the style of `breaks`. With `r`, characters the
// target lacks are counted there, by their offset from `begin`.
template <class Enc>
std::size_t EncodeRun(Enc& enc, const char16_t*& p, const char16_t* end, LineBreak breaks,
                      unsigned char* out, std::size_t cap, const char16_t* begin, Encoded* r) {
    std::size_t n = 0;
    while (p < end && n + kMostBytes <= cap) {
        const char16_t u = *p;
        if (Enc::kAsciiCompatible && u < 0x80 && u != '\r') {
            out[n++] = static_cast<unsigned char>(u);
            ++p;
            continue;
        }
        const char16_t* at = p;
        if (u == '\r' && breaks != LineBreak::CrLf && end - p >= 2 && p[1] == '\n') {
            const char16_t one[1] = {breaks == LineBreak::Lf ? u'\n' : u'\r'};
            const char16_t* q = one;
            p += 2;
            n += static_cast<std::size_t>(enc.Step(q, one + 1, out + n));
            continue;
        }
        n += static_cast<std::size_t>(enc.Step(p, end, out + n));
        if (enc.lacked) {
            enc.lacked = false;
            if (r) {
                ++r->unencodable;
                if (r->first.size() < 10)
                    r->first.push_back({static_cast<std::size_t>(at - begin), CharAt(at, end)});
            }
        }
    }
    return n;
}

template <class Enc>
std::size_t CountBytes(Enc enc, std::u16string_view text, LineBreak breaks, Encoded& r) {
    const char16_t* p = text.data();
    const char16_t* end = p + text.size();
    unsigned char scratch[kChunk];
    std::size_t n = 0;
    while (p < end) n += EncodeRun(enc, p, end, breaks, scratch, kChunk, text.data(), &r);
    return n;
}

template <class Enc>
Encoded EncodeWith(Enc enc, std::u16string_view text, LineBreak breaks, std::string_view bom) {
    Encoded r;
    // As Build does: exact size, then appended a cached chunk at a time.
    r.bytes.reserve(bom.size() + CountBytes(enc, text, breaks, r));
    r.bytes += bom;
    const char16_t* p = text.data();
    const char16_t* end = p + text.size();
    unsigned char chunk[kChunk];
    while (p < end) {
        const std::size_t n = EncodeRun(enc, p, end, breaks, chunk, kChunk, p, nullptr);
        r.bytes.append(reinterpret_cast<const char*>(chunk), n);
    }
    return r;
}

template <class Enc>
Encoded EncodeInPieces(Enc enc, std::u16string_view text, LineBreak breaks, std::string_view bom,
                       const std::function<bool(std::string_view)>& write) {
    Encoded r;
    if (!bom.empty() && !write(bom)) return r;
    constexpr std::size_t kPiece = 64u << 10;
    const auto piece = std::make_unique_for_overwrite<unsigned char[]>(kPiece);
    const char16_t* p = text.data();
    const char16_t* end = p + text.size();
    while (p < end) {
        const std::size_t n = EncodeRun(enc, p, end, breaks, piece.get(), kPiece, text.data(), &r);
        if (!write(std::string_view(reinterpret_cast<const char*>(piece.get()), n))) break;
    }
    return r;
}

// Calls f with the encoder of an encoding; `own`: the text's kept bytes came
// from it.
template <class F>
decltype(auto) WithEncoder(Encoding e, bool own, F&& f) {
    switch (e) {
        case Encoding::Gb18030:
            return f(DbcsEncoder{&Gb18030Table(), true, own});
        case Encoding::Big5:
            return f(DbcsEncoder{&Big5Table(), false, own});
        case Encoding::Utf8:
        case Encoding::Utf8Bom:
            return f(Utf8Encoder{own});
        case Encoding::Utf16Le:
            return f(Utf16Encoder<false>{own});
        case Encoding::Utf16Be:
            return f(Utf16Encoder<true>{own});
        case Encoding::Gbk:
            break;
    }
    return f(DbcsEncoder{&GbkTable(), false, own});
}

// Whether bytes kept from `from` are bytes of `to` as well.
bool OwnBytes(Encoding to, std::optional<Encoding> from) {
    const auto utf8 = [](Encoding e) { return e == Encoding::Utf8 || e == Encoding::Utf8Bom; };
    return !from || *from == to || (utf8(*from) && utf8(to));
}

}  // namespace

const char* Name(Encoding e) { return kNames[static_cast<std::size_t>(e)]; }

const std::vector<Encoding>& All() {
    static const std::vector<Encoding> all = {
        Encoding::Gbk,     Encoding::Gb18030, Encoding::Utf8, Encoding::Utf8Bom,
        Encoding::Utf16Le, Encoding::Utf16Be, Encoding::Big5};
    return all;
}

std::optional<Encoding> FromName(std::string_view name) {
    for (const Encoding e : All())
        if (SameNoCase(name, Name(e))) return e;
    return std::nullopt;
}

std::optional<Encoding> FromLabel(std::string_view label) {
    // As a page states it: spaces and quotes around it do not count.
    while (!label.empty() &&
           (label.front() == ' ' || label.front() == '"' || label.front() == '\''))
        label.remove_prefix(1);
    while (!label.empty() && (label.back() == ' ' || label.back() == '"' || label.back() == '\'' ||
                              label.back() == ';'))
        label.remove_suffix(1);
    struct Label {
        const char* name;
        Encoding e;
    };
    static constexpr Label kLabels[] = {
        {"utf-8", Encoding::Utf8},
        {"utf8", Encoding::Utf8},
        {"unicode-1-1-utf-8", Encoding::Utf8},
        {"gbk", Encoding::Gbk},
        {"gb2312", Encoding::Gbk},
        {"gb_2312", Encoding::Gbk},
        {"gb_2312-80", Encoding::Gbk},
        {"x-gbk", Encoding::Gbk},
        {"cp936", Encoding::Gbk},
        {"windows-936", Encoding::Gbk},
        {"ms936", Encoding::Gbk},
        {"csgb2312", Encoding::Gbk},
        {"chinese", Encoding::Gbk},
        {"euc-cn", Encoding::Gbk},
        {"iso-ir-58", Encoding::Gbk},
        {"csiso58gb231280", Encoding::Gbk},
        {"gb18030", Encoding::Gb18030},
        {"big5", Encoding::Big5},
        {"big5-hkscs", Encoding::Big5},
        {"cn-big5", Encoding::Big5},
        {"csbig5", Encoding::Big5},
        {"x-x-big5", Encoding::Big5},
        {"cp950", Encoding::Big5},
        {"utf-16le", Encoding::Utf16Le},
        {"utf-16", Encoding::Utf16Le},
        {"unicode", Encoding::Utf16Le},
        {"ucs-2", Encoding::Utf16Le},
        {"utf-16be", Encoding::Utf16Be},
        {"unicodefffe", Encoding::Utf16Be},
    };
    for (const Label& l : kLabels)
        if (SameNoCase(label, l.name)) return l.e;
    return std::nullopt;
}

const char* Name(LineBreak b) {
    switch (b) {
        case LineBreak::Lf:
            return "LF";
        case LineBreak::Cr:
            return "CR";
        case LineBreak::CrLf:
            break;
    }
    return "CRLF";
}

Decoded Decode(std::string_view bytes, Encoding e) {
    if (StartsWith(bytes, Bom(e))) bytes.remove_prefix(Bom(e).size());
    Decoded d;
    ViewSource view(bytes);
    d.text = WithDecoder(
        e, [&](auto dec) { return DecodeWith<false>(dec, view, 0, nullptr, &d.invalid); });
    return d;
}

std::u16string ShowKeptBytes(std::u16string text) {
    std::replace_if(text.begin(), text.end(), IsEscapedByte, u'\uFFFD');
    return text;
}

std::uint16_t GbkCode(char16_t unit) { return GbkTable().enc[unit]; }

Encoded Encode(std::u16string_view text, Encoding e, bool bom) {
    const std::string_view mark = bom && e != Encoding::Utf8 ? Bom(e) : std::string_view();
    return WithEncoder(e, true,
                       [&](auto enc) { return EncodeWith(enc, text, LineBreak::CrLf, mark); });
}

Encoded EncodeFileInPieces(std::u16string_view text, const FileFormat& format,
                           const std::function<bool(std::string_view)>& write) {
    const bool bom = format.bom || format.encoding == Encoding::Utf8Bom;
    const std::string_view mark = bom ? Bom(format.encoding) : std::string_view();
    return WithEncoder(format.encoding, OwnBytes(format.encoding, format.keptFrom), [&](auto enc) {
        return EncodeInPieces(enc, text, format.breaks, mark, write);
    });
}

Encoded EncodeFile(std::u16string_view text, const FileFormat& format) {
    const bool bom = format.bom || format.encoding == Encoding::Utf8Bom;
    const std::string_view mark = bom ? Bom(format.encoding) : std::string_view();
    return WithEncoder(format.encoding, OwnBytes(format.encoding, format.keptFrom),
                       [&](auto enc) { return EncodeWith(enc, text, format.breaks, mark); });
}

namespace {

void SetBreaks(FileFormat& f, const Count& c) {
    const int kinds = (c.crlf > 0) + (c.lf > 0) + (c.cr > 0);
    f.mixed = kinds > 1;
    f.breaks = kinds == 1 && c.lf   ? LineBreak::Lf
               : kinds == 1 && c.cr ? LineBreak::Cr
                                    : LineBreak::CrLf;
}

template <class Dec>
LoadedText Load(Dec dec, ByteSource& source, std::uint64_t from, FileFormat format) {
    LoadedText r;
    Count c;
    r.text = DecodeWith<true>(dec, source, from, &c, &r.invalid);
    r.format = format;
    SetBreaks(r.format, c);
    return r;
}

// The bytes from `from` on, whole (or, given `most`, that many and some more).
std::string Whole(ByteSource& source, std::uint64_t from, std::size_t most = SIZE_MAX) {
    std::string bytes;
    EachPiece(source, from,
              [&](const unsigned char* p, const unsigned char*,
                  const unsigned char* end) -> const unsigned char* {
                  bytes.append(reinterpret_cast<const char*>(p), static_cast<std::size_t>(end - p));
                  return bytes.size() >= most ? nullptr : end;
              });
    return bytes;
}

// UTF-16 is decoded from the whole bytes: a lone surrogate near the end is
// read by looking back from the file's very end.
bool NeedsWhole(Encoding e) { return e == Encoding::Utf16Le || e == Encoding::Utf16Be; }

LoadedText LoadAs(Encoding e, ByteSource& source, std::uint64_t from, const FileFormat& f) {
    if (NeedsWhole(e)) {
        const std::string whole = Whole(source, from);
        ViewSource view(whole);
        return WithDecoder(e, [&](auto dec) { return Load(dec, view, 0, f); });
    }
    return WithDecoder(e, [&](auto dec) { return Load(dec, source, from, f); });
}

// The bytes Big5 is judged by: from the start until the sample that
// LooksLikeBig5 takes is complete (some more do no harm: it cuts its own).
std::string SampleOf(ByteSource& source) {
    std::string sample;
    std::size_t high = 0;
    EachPiece(source, 0,
              [&](const unsigned char* p, const unsigned char*,
                  const unsigned char* end) -> const unsigned char* {
                  sample.append(reinterpret_cast<const char*>(p),
                                static_cast<std::size_t>(end - p));
                  for (; p < end; ++p) {
                      if (*p >= 0x80)
                          ++high;
                      else if (high >= kSampleNonAscii)
                          return nullptr;
                  }
                  return end;
              });
    return sample;
}

// Strict UTF-8 with non-ASCII in it, counted as it is checked: the first
// byte that is not UTF-8 (early in a GBK file) ends the pass. A character
// cut off at either end (a part cut from a larger file) is forgiven and kept
// as bytes, counted in `invalid`.
template <bool kNormalize>
std::optional<Count> CountUtf8(ByteSource& source, std::size_t& invalid) {
    const std::string_view head = source.At(0).bytes;
    std::size_t lead = 0;
    while (lead < 3 && lead < head.size() &&
           Utf8Decoder::Cont(static_cast<unsigned char>(head[lead])))
        ++lead;
    Utf8Decoder utf8;
    Count c = CountUnits<kNormalize, true>(utf8, source, lead);
    c.units += lead;
    c.bytes += lead;
    invalid = lead + utf8.invalid;
    // Every byte one unit: nothing but ASCII and kept bytes.
    if (c.stopped || (invalid > 0 && c.units == c.bytes + c.lf + c.cr)) return std::nullopt;
    return c;
}

LoadedText Recognise(ByteSource& source, std::optional<Encoding> forced) {
    const std::string_view head = source.At(0).bytes;
    FileFormat f;
    if (forced) {
        f.encoding = *forced;
        const std::string_view bom = Bom(*forced);
        f.bom = *forced == Encoding::Utf8Bom || StartsWith(head, bom);
        return LoadAs(*forced, source, StartsWith(head, bom) ? bom.size() : 0, f);
    }
    for (const Encoding e : {Encoding::Utf8Bom, Encoding::Utf16Le, Encoding::Utf16Be}) {
        if (StartsWith(head, Bom(e))) {
            f.encoding = e;
            f.bom = true;
            return LoadAs(e, source, Bom(e).size(), f);
        }
    }
    if (const auto utf16 = Utf16ByZeros(Whole(source, 0, kUtf16Sample))) {
        f.encoding = *utf16;
        return LoadAs(*utf16, source, 0, f);
    }
    std::size_t kept = 0;
    if (const std::optional<Count> c = CountUtf8<true>(source, kept)) {
        // Pure ASCII reads the same in GBK, this program's home.
        // (Every non-ASCII sequence gives fewer units than bytes.)
        f.encoding = c->units == c->bytes + c->lf + c->cr ? Encoding::Gbk : Encoding::Utf8;
        LoadedText r;
        r.text = Build<true>(Utf8Decoder{}, source, 0, c->units);
        r.invalid = kept;
        r.format = f;
        SetBreaks(r.format, *c);
        return r;
    }
    if (LooksLikeBig5(SampleOf(source))) {
        f.encoding = Encoding::Big5;
        return Load(DbcsDecoder{&Big5Table()}, source, 0, f);
    }
    // GBK, unless the bytes hold sequences only GB18030 decodes.
    DbcsDecoder gbk{&GbkTable(), false, true};
    const Count g = CountUnits<true, true>(gbk, source);
    if (g.stopped) {
        f.encoding = Encoding::Gb18030;
        return Load(DbcsDecoder{&Gb18030Table(), true}, source, 0, f);
    }
    LoadedText r;
    r.text = Build<true>(DbcsDecoder{&GbkTable()}, source, 0, g.units);
    r.invalid = gbk.invalid;
    r.format = f;
    SetBreaks(r.format, g);
    return r;
}

// A file of lines each clean in one of UTF-8, GBK/GB18030 and Big5, in more
// than one of them: decoded a line at a time. Nothing when a line decodes in
// none, or all in one.
std::optional<LoadedText> DecodeMixed(ByteSource& source, const FileFormat& detected) {
    std::string bytes;
    for (std::uint64_t at = 0;;) {
        const ByteSource::Piece piece = source.At(at);
        bytes.append(piece.bytes);
        at += piece.bytes.size();
        if (piece.last || piece.bytes.empty()) break;
    }
    // A line decoded with its breaks made CR LF, as for any document (a BOM
    // that came along with a pasted file skipped).
    const auto decode = [](std::string_view l, Encoding c) {
        if (StartsWith(l, Bom(c))) l.remove_prefix(Bom(c).size());
        ViewSource view(l);
        Decoded d;
        d.text = WithDecoder(
            c, [&](auto dec) { return DecodeWith<true>(dec, view, 0, nullptr, &d.invalid); });
        return d;
    };
    LoadedText r;
    r.text.reserve(bytes.size());
    std::map<Encoding, std::size_t> lines;  // bytes of the lines in each
    std::size_t line = 0;                   // of the text: a lone CR in a piece parts lines too
    for (std::size_t from = 0; from < bytes.size();) {
        std::size_t to = bytes.find('\n', from);
        to = to == std::string::npos ? bytes.size() : to + 1;
        const std::string_view l = std::string_view(bytes).substr(from, to - from);
        from = to;
        std::optional<Encoding> e;
        Decoded d;
        if (HasNonAscii(l)) {
            for (const Encoding c :
                 {Encoding::Utf8, Encoding::Gbk, Encoding::Gb18030, Encoding::Big5}) {
                d = decode(l, c);
                if (d.invalid == 0) {
                    e = c == Encoding::Gb18030 ? Encoding::Gbk : c;  // one family for the user
                    break;
                }
            }
            if (!e) return std::nullopt;
            lines[*e] += l.size();
            if (r.runs.empty() || r.runs.back().encoding != *e) r.runs.push_back({line, *e});
        } else {
            d = decode(l, Encoding::Utf8);
        }
        r.text += d.text;
        line += static_cast<std::size_t>(std::count(d.text.begin(), d.text.end(), u'\n'));
    }
    // A stray byte or two that some other encoding happens to read is damage,
    // kept as bytes, not a run of text in that encoding.
    if (lines.size() < 2 ||
        std::any_of(lines.begin(), lines.end(), [](const auto& n) { return n.second < 32; }))
        return std::nullopt;
    r.format = detected;
    r.format.bom = false;
    r.format.mixedEncodings = true;
    r.format.encoding =
        std::max_element(lines.begin(), lines.end(), [](const auto& a, const auto& b) {
            return a.second < b.second;
        })->first;
    return r;
}

}  // namespace

LoadedText DecodeFile(std::string_view bytes, std::optional<Encoding> forced) {
    ViewSource view(bytes);
    return DecodeFile(view, forced);
}

LoadedText DecodeFile(ByteSource& source, std::optional<Encoding> forced) {
    LoadedText r = Recognise(source, forced);
    r.format.keptFrom = r.format.encoding;
    const Encoding e = r.format.encoding;
    if (!forced && r.invalid > 0 &&
        (e == Encoding::Utf8 || e == Encoding::Gbk || e == Encoding::Gb18030 ||
         e == Encoding::Big5)) {
        if (std::optional<LoadedText> mixed = DecodeMixed(source, r.format)) {
            mixed->format.keptFrom.reset();
            return std::move(*mixed);
        }
    }
    return r;
}

Encoding Detect(std::string_view bytes) {
    if (StartsWith(bytes, Bom(Encoding::Utf8Bom))) return Encoding::Utf8Bom;
    if (StartsWith(bytes, Bom(Encoding::Utf16Le))) return Encoding::Utf16Le;
    if (StartsWith(bytes, Bom(Encoding::Utf16Be))) return Encoding::Utf16Be;
    if (const auto utf16 = Utf16ByZeros(bytes)) return *utf16;
    if (!HasNonAscii(bytes)) return Encoding::Gbk;
    ViewSource view(bytes);
    std::size_t kept = 0;
    if (CountUtf8<false>(view, kept)) return Encoding::Utf8;
    if (LooksLikeBig5(bytes)) return Encoding::Big5;
    DbcsDecoder gbk{&GbkTable(), false, true};
    return CountUnits<false, true>(gbk, bytes).stopped ? Encoding::Gb18030 : Encoding::Gbk;
}

}  // namespace qm::enc
