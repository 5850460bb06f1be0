// Decoding and encoding whole texts.
//
// A large text costs its own size and one write per unit: each conversion
// first counts its output, then builds the string from an iterator that
// converts as the string copies, so the buffer is allocated at its exact size
// and written once (resize would fill it with zeros first, and on these
// machines the first touch of fresh memory is what a large file costs).
#include <array>
#include <iterator>

#include "core/EncodingCodecs.h"
#include "core/EncodingDetect.h"

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
// and sets `lacked`.

struct DbcsEncoder {
    const DbcsTable* t;
    bool gb18030 = false;
    bool lacked = false;
    static constexpr bool kAsciiCompatible = true;

    int Step(const char16_t*& p, const char16_t* end, unsigned char* out) {
        const char16_t u = *p++;
        if (u < 0x80) {
            out[0] = static_cast<unsigned char>(u);
            return 1;
        }
        if (IsEscapedByte(u)) {
            out[0] = static_cast<unsigned char>(u - 0xDC00);
            return 1;
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
        const std::uint16_t code = t->enc[u];
        if (code < 0x100) {
            out[0] = static_cast<unsigned char>(code);
            return 1;
        }
        if (code != kNoCode) return Two(code, out);
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
            return 1;
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
        if (Kept(u)) {
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

// --- Decoding: a counting pass, then the string built from DecodeIter.

struct Count {
    std::size_t units = 0;  // after line breaks are made CR LF, when they are
    std::size_t crlf = 0, lf = 0, cr = 0;
    bool stopped = false;  // an invalid sequence ended a pass that asked to stop
};

// Counts the units the bytes decode to. With kNormalize, every lone CR and
// lone LF will become CR LF, one unit more each.
template <bool kNormalize, bool kStopAtInvalid, class Dec>
Count CountUnits(Dec& dec, std::string_view bytes) {
    Count c;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    char16_t out[2];
    bool afterCr = false;
    std::size_t units = 0;
    while (p < end) {
        int n;
        if (Dec::kAsciiCompatible && *p < 0x80 && *p != '\r' && *p != '\n' && !afterCr) {
            ++p;
            ++units;
            continue;
        }
        n = dec.Step(p, end, out);
        if constexpr (kStopAtInvalid) {
            if (dec.invalid) {
                c.stopped = true;
                return c;
            }
        }
        units += static_cast<std::size_t>(n);
        if constexpr (kNormalize) {
            for (int k = 0; k < n; ++k) {
                const char16_t u = out[k];
                if (u == '\n') {
                    afterCr ? ++c.crlf : ++c.lf;
                } else if (afterCr) {
                    ++c.cr;
                }
                afterCr = u == '\r';
            }
        }
    }
    if (afterCr) ++c.cr;
    c.units = units + c.lf + c.cr;
    return c;
}

// The decoded units one by one, for std::u16string's iterator constructor,
// which allocates end - begin units and copies without filling them first.
// Only what that constructor uses is provided; `left` counts the units still
// to come, so end - begin is the count from the counting pass.
template <class Dec>
class DecodeIter {
  public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = char16_t;
    using difference_type = std::ptrdiff_t;
    using pointer = const char16_t*;
    using reference = char16_t;

    DecodeIter() = default;
    DecodeIter(Dec dec, std::string_view bytes, bool normalize, std::size_t units)
        : dec_(dec),
          p_(reinterpret_cast<const unsigned char*>(bytes.data())),
          end_(p_ + bytes.size()),
          normalize_(normalize),
          left_(units) {
        if (left_) Fill();
    }

    char16_t operator*() const { return buf_[i_]; }
    DecodeIter& operator++() {
        --left_;
        if (++i_ == n_ && left_) Fill();
        return *this;
    }
    friend difference_type operator-(const DecodeIter& a, const DecodeIter& b) {
        return static_cast<difference_type>(b.left_) - static_cast<difference_type>(a.left_);
    }
    friend bool operator==(const DecodeIter& a, const DecodeIter& b) { return a.left_ == b.left_; }

  private:
    void Fill() {
        i_ = n_ = 0;
        while (n_ == 0) {
            if (p_ >= end_) {  // cannot happen: the count came from the same bytes
                buf_[n_++] = 0xFFFD;
                return;
            }
            const unsigned char b = *p_;
            if (Dec::kAsciiCompatible && b < 0x80 && b != '\r' && b != '\n') {
                ++p_;
                buf_[n_++] = b;
                afterCr_ = false;
                return;
            }
            char16_t out[2];
            const int k = dec_.Step(p_, end_, out);
            for (int j = 0; j < k; ++j) {
                const char16_t u = out[j];
                if (normalize_ && u == '\n') {
                    if (!afterCr_) {
                        buf_[n_++] = '\r';
                        buf_[n_++] = '\n';
                    }
                    afterCr_ = false;
                } else if (normalize_ && u == '\r') {
                    buf_[n_++] = '\r';
                    buf_[n_++] = '\n';
                    afterCr_ = true;
                } else {
                    buf_[n_++] = u;
                    afterCr_ = false;
                }
            }
        }
    }

    Dec dec_{};
    const unsigned char* p_ = nullptr;
    const unsigned char* end_ = nullptr;
    bool normalize_ = false;
    bool afterCr_ = false;
    std::size_t left_ = 0;
    char16_t buf_[4] = {};
    int i_ = 0, n_ = 0;
};

template <class Dec>
std::u16string Build(const Dec& dec, std::string_view bytes, bool normalize, std::size_t units) {
    return std::u16string(DecodeIter<Dec>(dec, bytes, normalize, units), DecodeIter<Dec>());
}

template <bool kNormalize, class Dec>
std::u16string DecodeWith(Dec dec, std::string_view bytes, Count* count, std::size_t* invalid) {
    Dec counter = dec;
    const Count c = CountUnits<kNormalize, false>(counter, bytes);
    if (count) *count = c;
    if (invalid) *invalid = counter.invalid;
    return Build(dec, bytes, kNormalize, c.units);
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

// --- Encoding: a counting pass, then the string built from EncodeIter.

template <class Enc>
int StepFile(Enc& enc, const char16_t*& p, const char16_t* end, LineBreak breaks,
             unsigned char* out) {
    if (breaks != LineBreak::CrLf && *p == '\r' && end - p >= 2 && p[1] == '\n') {
        const char16_t one[1] = {breaks == LineBreak::Lf ? u'\n' : u'\r'};
        const char16_t* q = one;
        p += 2;
        return enc.Step(q, one + 1, out);
    }
    return enc.Step(p, end, out);
}

char32_t CharAt(const char16_t* p, const char16_t* end) {
    if (*p >= 0xD800 && *p <= 0xDBFF && end - p >= 2 && p[1] >= 0xDC00 && p[1] <= 0xDFFF)
        return 0x10000 + ((p[0] - 0xD800) << 10 | (p[1] - 0xDC00));
    return *p;
}

template <class Enc>
std::size_t CountBytes(Enc enc, std::u16string_view text, LineBreak breaks, Encoded& r) {
    const char16_t* begin = text.data();
    const char16_t* p = begin;
    const char16_t* end = begin + text.size();
    unsigned char out[4];
    std::size_t n = 0;
    while (p < end) {
        if (Enc::kAsciiCompatible && *p < 0x80 && *p != '\r') {
            ++p;
            ++n;
            continue;
        }
        const char16_t* at = p;
        n += static_cast<std::size_t>(StepFile(enc, p, end, breaks, out));
        if (enc.lacked) {
            enc.lacked = false;
            ++r.unencodable;
            if (r.first.size() < 10)
                r.first.push_back({static_cast<std::size_t>(at - begin), CharAt(at, end)});
        }
    }
    return n;
}

template <class Enc>
class EncodeIter {
  public:
    using iterator_category = std::random_access_iterator_tag;
    using value_type = char;
    using difference_type = std::ptrdiff_t;
    using pointer = const char*;
    using reference = char;

    EncodeIter() = default;
    EncodeIter(Enc enc, std::u16string_view text, LineBreak breaks, std::string_view bom,
               std::size_t bytes)
        : enc_(enc),
          p_(text.data()),
          end_(text.data() + text.size()),
          breaks_(breaks),
          left_(bytes) {
        for (const char c : bom) buf_[n_++] = static_cast<unsigned char>(c);
        if (left_ && n_ == 0) Fill();
    }

    char operator*() const { return static_cast<char>(buf_[i_]); }
    EncodeIter& operator++() {
        --left_;
        if (++i_ == n_ && left_) Fill();
        return *this;
    }
    friend difference_type operator-(const EncodeIter& a, const EncodeIter& b) {
        return static_cast<difference_type>(b.left_) - static_cast<difference_type>(a.left_);
    }
    friend bool operator==(const EncodeIter& a, const EncodeIter& b) { return a.left_ == b.left_; }

  private:
    void Fill() {
        i_ = 0;
        if (p_ >= end_) {  // cannot happen: the count came from the same text
            buf_[0] = '?';
            n_ = 1;
            return;
        }
        if (Enc::kAsciiCompatible && *p_ < 0x80 && *p_ != '\r') {
            buf_[0] = static_cast<unsigned char>(*p_++);
            n_ = 1;
            return;
        }
        n_ = StepFile(enc_, p_, end_, breaks_, buf_);
    }

    Enc enc_{};
    const char16_t* p_ = nullptr;
    const char16_t* end_ = nullptr;
    LineBreak breaks_ = LineBreak::CrLf;
    std::size_t left_ = 0;
    unsigned char buf_[4] = {};
    int i_ = 0, n_ = 0;
};

template <class Enc>
Encoded EncodeWith(Enc enc, std::u16string_view text, LineBreak breaks, std::string_view bom) {
    Encoded r;
    const std::size_t n = bom.size() + CountBytes(enc, text, breaks, r);
    r.bytes = std::string(EncodeIter<Enc>(enc, text, breaks, bom, n), EncodeIter<Enc>());
    return r;
}

Encoded EncodeAs(std::u16string_view text, Encoding e, LineBreak breaks, bool bom);

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
    d.text = WithDecoder(
        e, [&](auto dec) { return DecodeWith<false>(dec, bytes, nullptr, &d.invalid); });
    return d;
}

namespace {

Encoded EncodeAs(std::u16string_view text, Encoding e, LineBreak breaks, bool bom) {
    switch (e) {
        case Encoding::Gbk:
            return EncodeWith(DbcsEncoder{&GbkTable()}, text, breaks, {});
        case Encoding::Gb18030:
            return EncodeWith(DbcsEncoder{&Gb18030Table(), true}, text, breaks, {});
        case Encoding::Big5:
            return EncodeWith(DbcsEncoder{&Big5Table()}, text, breaks, {});
        case Encoding::Utf8:
        case Encoding::Utf8Bom:
            return EncodeWith(Utf8Encoder{}, text, breaks, bom ? Bom(e) : std::string_view());
        case Encoding::Utf16Le:
            return EncodeWith(Utf16Encoder<false>{}, text, breaks,
                              bom ? Bom(e) : std::string_view());
        case Encoding::Utf16Be:
            return EncodeWith(Utf16Encoder<true>{}, text, breaks,
                              bom ? Bom(e) : std::string_view());
    }
    return {};
}

}  // namespace

Encoded Encode(std::u16string_view text, Encoding e, bool bom) {
    return EncodeAs(text, e, LineBreak::CrLf, bom && e != Encoding::Utf8);
}

Encoded EncodeFile(std::u16string_view text, const FileFormat& format) {
    return EncodeAs(text, format.encoding, format.breaks,
                    format.bom || format.encoding == Encoding::Utf8Bom);
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
LoadedText Load(Dec dec, std::string_view body, FileFormat format) {
    LoadedText r;
    Count c;
    r.text = DecodeWith<true>(dec, body, &c, &r.invalid);
    r.format = format;
    SetBreaks(r.format, c);
    return r;
}

}  // namespace

LoadedText DecodeFile(std::string_view bytes, std::optional<Encoding> forced) {
    FileFormat f;
    if (forced) {
        f.encoding = *forced;
        const std::string_view bom = Bom(*forced);
        f.bom = *forced == Encoding::Utf8Bom || StartsWith(bytes, bom);
        if (StartsWith(bytes, bom)) bytes.remove_prefix(bom.size());
        return WithDecoder(*forced, [&](auto dec) { return Load(dec, bytes, f); });
    }
    for (const Encoding e : {Encoding::Utf8Bom, Encoding::Utf16Le, Encoding::Utf16Be}) {
        if (StartsWith(bytes, Bom(e))) {
            f.encoding = e;
            f.bom = true;
            bytes.remove_prefix(Bom(e).size());
            return WithDecoder(e, [&](auto dec) { return Load(dec, bytes, f); });
        }
    }
    // Strict UTF-8, counted as it is checked: the first invalid sequence
    // (early in a GBK file) ends the pass.
    Utf8Decoder utf8;
    const Count c = CountUnits<true, true>(utf8, bytes);
    if (!c.stopped) {
        // Pure ASCII reads the same in GBK, this program's home.
        // (Every non-ASCII sequence gives fewer units than bytes.)
        f.encoding = c.units == bytes.size() + c.lf + c.cr ? Encoding::Gbk : Encoding::Utf8;
        LoadedText r;
        r.text = Build(Utf8Decoder{}, bytes, true, c.units);
        r.format = f;
        SetBreaks(r.format, c);
        return r;
    }
    if (LooksLikeBig5(bytes)) {
        f.encoding = Encoding::Big5;
        return Load(DbcsDecoder{&Big5Table()}, bytes, f);
    }
    // GBK, unless the bytes hold sequences only GB18030 decodes.
    DbcsDecoder gbk{&GbkTable(), false, true};
    Count g = CountUnits<true, false>(gbk, bytes);
    if (gbk.sawGbOnly) {
        f.encoding = Encoding::Gb18030;
        return Load(DbcsDecoder{&Gb18030Table(), true}, bytes, f);
    }
    LoadedText r;
    r.text = Build(DbcsDecoder{&GbkTable()}, bytes, true, g.units);
    r.invalid = gbk.invalid;
    r.format = f;
    SetBreaks(r.format, g);
    return r;
}

Encoding Detect(std::string_view bytes) {
    if (StartsWith(bytes, Bom(Encoding::Utf8Bom))) return Encoding::Utf8Bom;
    if (StartsWith(bytes, Bom(Encoding::Utf16Le))) return Encoding::Utf16Le;
    if (StartsWith(bytes, Bom(Encoding::Utf16Be))) return Encoding::Utf16Be;
    if (!HasNonAscii(bytes)) return Encoding::Gbk;
    Utf8Decoder utf8;
    if (!CountUnits<false, true>(utf8, bytes).stopped) return Encoding::Utf8;
    if (LooksLikeBig5(bytes)) return Encoding::Big5;
    DbcsDecoder gbk{&GbkTable(), false, true};
    CountUnits<false, false>(gbk, bytes);
    return gbk.sawGbOnly ? Encoding::Gb18030 : Encoding::Gbk;
}

}  // namespace qm::enc
