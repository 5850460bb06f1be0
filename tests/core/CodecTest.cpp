#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "core/encoding/Codec.h"
#include "core/encoding/Encoding.h"

namespace cp = qm::cp936;
namespace enc = qm::enc;

namespace {

// What the C library's converter makes of a byte sequence, or nothing.
bool IconvDecode(const std::string& in, std::u16string& out) {
    iconv_t cd = iconv_open("UTF-16LE", "CP936");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string buf(in.size() * 4 + 4, '\0');
    char* inPtr = const_cast<char*>(in.data());
    char* outPtr = buf.data();
    std::size_t inLeft = in.size(), outLeft = buf.size();
    const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(cd);
    if (!ok) return false;
    const std::size_t n = (buf.size() - outLeft) / 2;
    out.assign(n, u'\0');
    for (std::size_t i = 0; i < n; ++i) {
        out[i] = static_cast<char16_t>(static_cast<unsigned char>(buf[2 * i]) |
                                       static_cast<unsigned char>(buf[2 * i + 1]) << 8);
    }
    return true;
}

}  // namespace

TEST(Codec, EveryTwoByteCodeAgreesWithIconvAndRoundTrips) {
    std::size_t mapped = 0;
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
            std::u16string expected;
            const cp::DecodeResult got = cp::Decode(bytes);
            if (IconvDecode(bytes, expected) && expected.size() == 1) {
                ++mapped;
                ASSERT_EQ(got.text, expected) << std::hex << lead << " " << trail;
                ASSERT_EQ(got.invalid, 0u);
                ASSERT_EQ(cp::Encode(got.text).bytes, bytes) << std::hex << lead << " " << trail;
                ASSERT_EQ(cp::CodeOf(got.text[0]), lead * 256 + trail);
            } else {
                ASSERT_GE(got.invalid, 1u) << std::hex << lead << " " << trail;
                ASSERT_EQ(got.text[0], u'\uFFFD');
            }
        }
    }
    EXPECT_GT(mapped, 21000u);  // GBK has 21,886 two-byte characters
}

// Where the code page 936 codec and the GBK of the encodings part ways:
// only a byte that does not decode (U+FFFD there, a kept byte here) and a
// kept byte being written back ("?" there, the byte here where it still
// reads back so).
struct DecodeRow {
    const char* name;
    std::string bytes;
    std::u16string shown;  // bad bytes as U+FFFD
    std::u16string kept;   // bad bytes kept, U+DC80 + byte
    std::size_t invalid;
};

TEST(Codec, DecodingRows) {
    const DecodeRow rows[] = {
        {"Chinese with English", "\xC4\xE3\xBA\xC3 world\r\n\xA1\xA3", u"你好 world\r\n。",
         u"你好 world\r\n。", 0},
        {"0x80 is the euro sign", "\x80", u"\u20AC", u"\u20AC", 0},
        {"NUL", std::string(1, '\0'), std::u16string(1, u'\0'), std::u16string(1, u'\0'), 0},
        {"empty", "", u"", u"", 0},
        {"a lone 0xFF", "a\xFF", u"a\uFFFD", u"a\xDCFF", 1},
        {"a lead byte before LF", "b\xC4\n", u"b\uFFFD\n", u"b\xDCC4\n", 1},
        {"a lead byte cut off", "c\xC4", u"c\uFFFD", u"c\xDCC4", 1},
    };
    for (const DecodeRow& r : rows) {
        SCOPED_TRACE(r.name);
        const cp::DecodeResult c = cp::Decode(r.bytes);
        EXPECT_EQ(c.text, r.shown);
        EXPECT_EQ(c.invalid, r.invalid);
        const enc::Decoded e = enc::Decode(r.bytes, enc::Encoding::Gbk);
        EXPECT_EQ(e.text, r.kept);
        EXPECT_EQ(e.invalid, r.invalid);
    }
}

struct EncodeRow {
    const char* name;
    std::u16string text;
    std::string cp936;  // what code page 936 wrote
    std::string gbk;    // what the encodings' GBK writes
    std::size_t cp936Unencodable, gbkUnencodable;
};

TEST(Codec, EncodingRows) {
    const EncodeRow rows[] = {
        {"Chinese with English", u"你好abc", "\xC4\xE3\xBA\xC3\x61\x62\x63",
         "\xC4\xE3\xBA\xC3\x61\x62\x63", 0, 0},
        {"the euro sign", u"\u20AC", "\x80", "\x80", 0, 0},
        {"a pair is one character", u"a\U0001F600b", "a?b", "a?b", 1, 1},
        {"a lone high surrogate", u"b\xD800", "b?", "b?", 1, 1},
        {"a character GBK lacks", u"c\u0E01", "c?", "c?", 1, 1},
        {"a kept byte", u"x\xDCFF", "x?", "x\xFF", 1, 0},
        {"a kept lead byte joining what follows", u"\xDCC4\u7AE0", "?\xD5\xC2", "?\xD5\xC2", 1, 1},
        {"a kept 0x80 reads as the euro", u"\xDC80", "?", "?", 1, 1},
    };
    for (const EncodeRow& r : rows) {
        SCOPED_TRACE(r.name);
        const cp::EncodeResult c = cp::Encode(r.text);
        EXPECT_EQ(c.bytes, r.cp936);
        EXPECT_EQ(c.unencodable, r.cp936Unencodable);
        const enc::Encoded e = enc::Encode(r.text, enc::Encoding::Gbk);
        EXPECT_EQ(e.bytes, r.gbk);
        EXPECT_EQ(e.unencodable, r.gbkUnencodable);
    }
    EXPECT_EQ(cp::CodeOf(u'A'), 65);
    EXPECT_EQ(cp::CodeOf(u'\u0E01'), 0xFFFF);
}
