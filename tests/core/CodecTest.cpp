#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "core/encoding/Encoding.h"

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
            const enc::Decoded got = enc::Decode(bytes, enc::Encoding::Gbk);
            if (IconvDecode(bytes, expected) && expected.size() == 1) {
                ++mapped;
                ASSERT_EQ(got.text, expected) << std::hex << lead << " " << trail;
                ASSERT_EQ(got.invalid, 0u);
                ASSERT_EQ(enc::Encode(got.text, enc::Encoding::Gbk).bytes, bytes)
                    << std::hex << lead << " " << trail;
                ASSERT_EQ(enc::GbkCode(got.text[0]), lead * 256 + trail);
            } else {
                ASSERT_GE(got.invalid, 1u) << std::hex << lead << " " << trail;
                ASSERT_EQ(got.text[0], 0xDC00 + lead);
            }
        }
    }
    EXPECT_GT(mapped, 21000u);  // GBK has 21,886 two-byte characters
}

// GBK where it once had a second codec that differed: a byte that does not
// decode is kept (and shown as U+FFFD where the text is only used), a kept
// byte goes back as the byte where it still reads back so.
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
        const enc::Decoded e = enc::Decode(r.bytes, enc::Encoding::Gbk);
        EXPECT_EQ(e.text, r.kept);
        EXPECT_EQ(e.invalid, r.invalid);
        EXPECT_EQ(enc::ShowKeptBytes(e.text), r.shown);
    }
}

struct EncodeRow {
    const char* name;
    std::u16string text;
    std::string bytes;
    std::size_t unencodable;
};

TEST(Codec, EncodingRows) {
    const EncodeRow rows[] = {
        {"Chinese with English", u"你好abc", "\xC4\xE3\xBA\xC3\x61\x62\x63", 0},
        {"the euro sign", u"\u20AC", "\x80", 0},
        {"a pair is one character", u"a\U0001F600b", "a?b", 1},
        {"a lone high surrogate", u"b\xD800", "b?", 1},
        {"a character GBK lacks", u"c\u0E01", "c?", 1},
        {"a kept byte", u"x\xDCFF", "x\xFF", 0},
        {"a kept lead byte joining what follows", u"\xDCC4\u7AE0", "?\xD5\xC2", 1},
        {"a kept 0x80 reads as the euro", u"\xDC80", "?", 1},
    };
    for (const EncodeRow& r : rows) {
        SCOPED_TRACE(r.name);
        const enc::Encoded e = enc::Encode(r.text, enc::Encoding::Gbk);
        EXPECT_EQ(e.bytes, r.bytes);
        EXPECT_EQ(e.unencodable, r.unencodable);
    }
    EXPECT_EQ(enc::GbkCode(u'A'), 65);
    EXPECT_EQ(enc::GbkCode(u'中'), 0xD6D0);
    EXPECT_EQ(enc::GbkCode(u'\u0E01'), 0xFFFF);
    EXPECT_EQ(enc::GbkCode(u'\xDCFF'), 0xFFFF);
}
