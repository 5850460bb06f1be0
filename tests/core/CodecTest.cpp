#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "core/encoding/Codec.h"

namespace cp = qm::cp936;

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

TEST(Codec, SingleBytes) {
    EXPECT_EQ(cp::Decode("abc\r\n").text, u"abc\r\n");
    EXPECT_EQ(cp::Decode("\x80").text, u"\u20AC");  // the euro sign, as on Windows
    EXPECT_EQ(cp::Encode(u"\u20AC").bytes, "\x80");
    EXPECT_EQ(cp::CodeOf(u'A'), 65);
    std::string nul(1, '\0');
    EXPECT_EQ(cp::Decode(nul).text, std::u16string(1, u'\0'));
}

TEST(Codec, ChineseMixedWithEnglish) {
    const std::string gbk = "\xC4\xE3\xBA\xC3 world\r\n\xA1\xA3";  // 你好 world 。
    const cp::DecodeResult d = cp::Decode(gbk);
    EXPECT_EQ(d.text, u"你好 world\r\n。");
    EXPECT_EQ(d.invalid, 0u);
    EXPECT_EQ(cp::Encode(d.text).bytes, gbk);
}

TEST(Codec, InvalidBytesBecomeReplacementAndAreCounted) {
    // A lone 0xFF, a lead byte before a line break, and a lead byte cut off at the end.
    const cp::DecodeResult d = cp::Decode(
        "a\xFF"
        "b\xC4\n"
        "c\xC4");
    EXPECT_EQ(d.text, u"a\uFFFDb\uFFFD\nc\uFFFD");
    EXPECT_EQ(d.invalid, 3u);
    EXPECT_EQ(cp::Decode("").text, u"");
}

TEST(Codec, UnencodableCharactersBecomeOneQuestionMarkEach) {
    // U+1F600 is a surrogate pair; U+D800 alone is a broken one; U+0E01 (Thai) is not in GBK.
    const std::u16string text =
        u"a\U0001F600b\xD800"
        u"c\u0E01";
    const cp::EncodeResult e = cp::Encode(text);
    EXPECT_EQ(e.bytes, "a?b?c?");
    EXPECT_EQ(e.unencodable, 3u);
    EXPECT_EQ(cp::Encode(u"你好abc").unencodable, 0u);
    EXPECT_EQ(cp::CodeOf(u'\u0E01'), 0xFFFF);
}
