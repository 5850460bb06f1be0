#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <string>

#include "Bytes.h"
#include "ChineseProse.h"
#include "core/encoding/Encoding.h"

using namespace qm::enc;

using testsupport::FromUtf8;

namespace {

// The C library's converter, as the reference the codecs are checked against.
std::string Iconv(const char* from, const char* to, std::string_view in) {
    iconv_t cd = iconv_open(to, from);
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << from << " -> " << to;
    std::string out(in.size() * 4 + 16, '\0');
    char* inPtr = const_cast<char*>(in.data());
    char* outPtr = out.data();
    std::size_t inLeft = in.size();
    std::size_t outLeft = out.size();
    const std::size_t r = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    EXPECT_NE(r, static_cast<std::size_t>(-1))
        << "iconv could not convert " << from << " -> " << to;
    out.resize(out.size() - outLeft);
    return out;
}

std::string WithBreaks(std::string_view text, std::string_view br) {
    std::string s;
    for (const char c : text) {
        if (c == '\n')
            s += br;
        else
            s += c;
    }
    return s;
}

// The bytes of a UTF-8 text in another encoding, by the reference converter.
std::string In(const char* charset, std::string_view utf8) { return Iconv("UTF-8", charset, utf8); }

void ExpectRoundTrip(const std::string& bytes, std::optional<Encoding> forced, const char* what) {
    const LoadedText t = DecodeFile(bytes, forced);
    const Encoded back = EncodeFile(t.text, t.format);
    EXPECT_EQ(back.bytes, bytes) << what << " as " << Name(t.format.encoding);
    EXPECT_EQ(back.unencodable, 0u) << what;
}

}  // namespace

TEST(EncodingNames, NamesLabelsAndPickList) {
    ASSERT_EQ(All().size(), 7u);
    for (const Encoding e : All()) EXPECT_EQ(FromName(Name(e)), e);
    EXPECT_STREQ(Name(Encoding::Utf8Bom), "UTF-8 BOM");
    EXPECT_STREQ(Name(Encoding::Big5), "Big5");
    EXPECT_EQ(FromName("utf-8"), Encoding::Utf8);
    EXPECT_FALSE(FromName("Latin-1"));
    EXPECT_EQ(FromLabel("GB2312"), Encoding::Gbk);
    EXPECT_EQ(FromLabel(" \"utf-8\" "), Encoding::Utf8);
    EXPECT_EQ(FromLabel("gb18030"), Encoding::Gb18030);
    EXPECT_EQ(FromLabel("Big5-HKSCS"), Encoding::Big5);
    EXPECT_EQ(FromLabel("utf-16be"), Encoding::Utf16Be);
    EXPECT_FALSE(FromLabel("iso-8859-1"));
    EXPECT_STREQ(Name(LineBreak::CrLf), "CRLF");
    EXPECT_STREQ(Name(LineBreak::Lf), "LF");
    EXPECT_STREQ(Name(LineBreak::Cr), "CR");
}

// Each codec reads real prose as the C library does.
TEST(EncodingCodecs, DecodeProseAsTheReferenceDoes) {
    for (const std::string_view text : {prose::kKongYiJi, prose::kHongLouMeng}) {
        const std::u16string expected = FromUtf8(text);
        for (const auto& [charset, e] : {std::pair{"GBK", Encoding::Gbk},
                                         {"GB18030", Encoding::Gb18030},
                                         {"UTF-16LE", Encoding::Utf16Le},
                                         {"UTF-16BE", Encoding::Utf16Be}}) {
            const Decoded d = Decode(In(charset, text), e);
            EXPECT_EQ(d.text, expected) << charset;
            EXPECT_EQ(d.invalid, 0u) << charset;
            EXPECT_EQ(Encode(expected, e, false).bytes, In(charset, text)) << charset;
        }
    }
    for (const std::string_view text :
         {prose::kKongYiJiTraditional, prose::kHongLouMengTraditional}) {
        const Decoded d = Decode(In("BIG5", text), Encoding::Big5);
        EXPECT_EQ(d.text, FromUtf8(text));
        EXPECT_EQ(d.invalid, 0u);
        EXPECT_EQ(Encode(FromUtf8(text), Encoding::Big5).bytes, In("BIG5", text));
    }
}

TEST(EncodingCodecs, Gb18030FourByteAndSupplementary) {
    // €, U+3400 and U+10000..U+10FFFF: GB18030 has them, GBK does not.
    const std::string text = "€ 㐀 \xF0\xA0\x80\x80 \xF0\x90\x80\x80 \xF4\x8F\xBF\xBF 中";
    const std::string gb = In("GB18030", text);
    EXPECT_NE(gb.find("\x90\x30\x81\x30"), std::string::npos);  // U+10000
    const Decoded d = Decode(gb, Encoding::Gb18030);
    EXPECT_EQ(d.text, FromUtf8(text));
    EXPECT_EQ(d.invalid, 0u);
    EXPECT_EQ(Encode(d.text, Encoding::Gb18030).bytes, gb);
    // Past U+10FFFF and in the gap after the BMP part: kept as bytes.
    EXPECT_EQ(Decode("\xE3\x32\x9A\x36", Encoding::Gb18030).invalid, 2u);
    EXPECT_EQ(Decode("\x84\x31\xA5\x30", Encoding::Gb18030).invalid, 2u);
}

TEST(EncodingCodecs, StrictUtf8KeepsWhatIsNotUtf8AsBytes) {
    const struct {
        const char* bytes;
        std::size_t invalid;
    } cases[] = {
        {"\xC0\x80", 2},          // overlong NUL
        {"\xE0\x80\xAF", 3},      // overlong "/"
        {"\xED\xA0\x80", 3},      // a surrogate
        {"\xF4\x90\x80\x80", 4},  // past U+10FFFF
        {"\xE4\xB8", 2},          // cut off
        {"\xFF", 1},              //
        {"a\x80"
         "b",
         1},  // a lone continuation byte
    };
    for (const auto& c : cases) {
        const Decoded d = Decode(c.bytes, Encoding::Utf8);
        EXPECT_EQ(d.invalid, c.invalid) << c.bytes;
        for (const char16_t u : d.text)
            if (u >= 0x80) {
                EXPECT_TRUE(IsEscapedByte(u));
            }
        EXPECT_EQ(Encode(d.text, Encoding::Utf8).bytes, c.bytes);
    }
}

TEST(EncodingCodecs, UnencodableCharactersAreCountedWithTheirPlace) {
    const std::u16string text = u"a\U00020000b\U0001F600c한";
    const Encoded gbk = Encode(text, Encoding::Gbk);
    EXPECT_EQ(gbk.bytes, "a?b?c?");
    EXPECT_EQ(gbk.unencodable, 3u);
    ASSERT_EQ(gbk.first.size(), 3u);
    EXPECT_EQ(gbk.first[0].offset, 1u);
    EXPECT_EQ(gbk.first[0].ch, U'\U00020000');
    EXPECT_EQ(gbk.first[1].offset, 4u);
    EXPECT_EQ(gbk.first[1].ch, U'\U0001F600');
    EXPECT_EQ(gbk.first[2].ch, U'한');
    // GB18030 holds them all.
    EXPECT_EQ(Encode(text, Encoding::Gb18030).unencodable, 0u);
    // A lone surrogate that is no kept byte has no UTF-8 form.
    const Encoded utf8 = Encode(std::u16string(u"x") + char16_t(0xD800) + u"y", Encoding::Utf8);
    EXPECT_EQ(utf8.bytes, "x?y");
    EXPECT_EQ(utf8.unencodable, 1u);
    // Only the first ten are listed.
    EXPECT_EQ(Encode(std::u16string(25, u'한'), Encoding::Gbk).first.size(), 10u);
}

TEST(EncodingRoundTrip, EveryEncodingWithAndWithoutFinalBreakInEveryStyle) {
    const std::string text = std::string(prose::kKongYiJi) + "ASCII line\n\n€ end";
    const std::string trad = std::string(prose::kKongYiJiTraditional) + "end";
    for (const std::string_view br : {"\r\n", "\n", "\r"}) {
        for (const bool finalBreak : {false, true}) {
            const std::string t = WithBreaks(text, br) + (finalBreak ? std::string(br) : "");
            const std::string tw = WithBreaks(trad, br) + (finalBreak ? std::string(br) : "");
            ExpectRoundTrip(In("GB18030", t), {}, "GB18030");
            ExpectRoundTrip(In("UTF-8", t), {}, "UTF-8");
            ExpectRoundTrip("\xEF\xBB\xBF" + t, {}, "UTF-8 BOM");
            ExpectRoundTrip("\xFF\xFE" + In("UTF-16LE", t), {}, "UTF-16LE");
            ExpectRoundTrip("\xFE\xFF" + In("UTF-16BE", t), {}, "UTF-16BE");
            ExpectRoundTrip(In("UTF-16LE", t), Encoding::Utf16Le, "UTF-16LE without BOM");
            ExpectRoundTrip(In("BIG5", tw), {}, "Big5");
            const std::string gbk = In("GBK", WithBreaks(prose::kHongLouMeng, br)) +
                                    (finalBreak ? std::string(br) : "");
            ExpectRoundTrip(gbk, {}, "GBK");
        }
    }
}

TEST(EncodingRoundTrip, BadBytesAnywhereComeBackAsTheyWere) {
    const std::string gbk = In("GBK", prose::kHongLouMeng);
    // (Bytes GB18030 would read, such as FE 80, would make it GB18030.)
    std::string bad = "\xFF" + gbk.substr(0, 301) + "\x81," + gbk.substr(301, 500) + "\xFE ";
    bad += "\x80\xFF\xA1";  // ends in a cut-off lead byte
    const LoadedText t = DecodeFile(bad);
    EXPECT_EQ(t.format.encoding, Encoding::Gbk);
    EXPECT_GE(t.invalid, 3u);
    EXPECT_EQ(EncodeFile(t.text, t.format).bytes, bad);
    // Bad bytes in UTF-8 and UTF-16, and a UTF-16 file of odd length.
    const std::string utf8 = In("UTF-8", prose::kKongYiJi);
    ExpectRoundTrip("\xEF\xBB\xBF" + utf8.substr(0, 100) + "\xC0\xAF" + utf8.substr(100) + "\xE4",
                    {}, "UTF-8 BOM with bad bytes");
    ExpectRoundTrip("\xFF\xFE" + In("UTF-16LE", "ab中") + "x", {}, "UTF-16 of odd length");
    // A UTF-16 unit that reads as a kept byte is kept as its two bytes.
    const std::string dc =
        std::string("\xFE\xFF\x4E\x2D\xDC\x80\xD8\x00\xDC\x80\x00\x41\xDC\xFF", 14);
    const LoadedText u = DecodeFile(dc);
    EXPECT_EQ(u.format.encoding, Encoding::Utf16Be);
    EXPECT_EQ(u.text, std::u16string(u"中") + char16_t(0xDCDC) + char16_t(0xDC80) + u"\U00010080A" +
                          char16_t(0xDCDC) + char16_t(0xDCFF));
    EXPECT_EQ(EncodeFile(u.text, u.format).bytes, dc);
}

// Kept bytes of a GBK file go back only where they stood and only into GBK:
// elsewhere they count with the characters the target lacks.
TEST(EncodingRoundTrip, KeptBytesGoBackOnlyWhereTheyStillReadBack) {
    const struct {
        const char* name;
        std::string file;
        std::u16string typed;
        Encoding to;
        std::string bytes;
        std::size_t lacked;
    } rows[] = {
        {"typed after a lead byte", In("GBK", "章").substr(0, 1), u"章节", Encoding::Gbk,
         In("GBK", "?章节"), 1},
        {"into UTF-8", "a\xFF!", u"", Encoding::Utf8, "a\uFFFD!", 1},
        {"into UTF-16", "\xFF\xFF", u"", Encoding::Utf16Le, In("UTF-16LE", "\uFFFD\uFFFD"), 2},
    };
    for (const auto& r : rows) {
        LoadedText t = DecodeFile(r.file, Encoding::Gbk);
        t.format.encoding = r.to;
        const Encoded e = EncodeFile(t.text + r.typed, t.format);
        EXPECT_EQ(e.bytes, r.bytes) << r.name;
        EXPECT_EQ(e.unencodable, r.lacked) << r.name;
    }
}

// Any bytes at all, read in any encoding and written back unchanged, are the
// same bytes (a file without mixed line breaks).
TEST(EncodingRoundTrip, RandomBytesInEveryEncoding) {
    std::mt19937 rng(17);
    for (int round = 0; round < 300; ++round) {
        std::string bytes(rng() % 200, '\0');
        const int kind = round % 3;
        for (char& c : bytes) {
            const unsigned r = rng();
            // Mostly high bytes, some digits (GB18030's four-byte forms), no CR or LF.
            c = static_cast<char>(kind == 0    ? 0x80 + r % 0x80
                                  : r % 3 == 0 ? '0' + r % 10
                                               : 0x81 + r % 0x7E);
            if (c == '\r' || c == '\n') c = 'x';
        }
        if (kind == 2) bytes += "\r\n";
        for (const Encoding e : All()) {
            const LoadedText t = DecodeFile(bytes, e);
            // Chosen as "UTF-8 BOM", a file is saved with its BOM.
            const bool addsBom = e == Encoding::Utf8Bom && bytes.rfind("\xEF\xBB\xBF", 0) != 0;
            EXPECT_EQ(EncodeFile(t.text, t.format).bytes, (addsBom ? "\xEF\xBB\xBF" : "") + bytes)
                << Name(e) << " round " << round;
        }
        ExpectRoundTrip(bytes, {}, "detected");
    }
}

// Any bytes at all, line breaks included: whatever does not mix break
// styles comes back as it was.
TEST(EncodingRoundTrip, RandomBytesWithBreaksInEveryEncoding) {
    std::mt19937 rng(936);
    const char pool[] = {'\r',   '\n',   '\0',   'a',    '1',    '\x80',
                         '\xA1', '\xDC', '\xD8', '\xFF', '\xFE', '\xE4'};
    int checked = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string bytes(rng() % 40, '\0');
        for (char& c : bytes) c = rng() % 2 ? pool[rng() % sizeof pool] : static_cast<char>(rng());
        for (const Encoding e : All()) {
            if (e == Encoding::Utf8Bom) continue;
            const LoadedText t = DecodeFile(bytes, e);
            if (t.format.mixed) continue;
            ++checked;
            EXPECT_EQ(EncodeFile(t.text, t.format).bytes, bytes) << Name(e) << " round " << round;
        }
    }
    EXPECT_GT(checked, 3000);
}

TEST(EncodingLineBreaks, EveryStyleOpensAsLinesAndIsWrittenBack) {
    const struct {
        std::string bytes;
        LineBreak style;
        bool mixed;
    } cases[] = {
        {"a\nb\n", LineBreak::Lf, false},        {"a\rb\r", LineBreak::Cr, false},
        {"a\r\nb", LineBreak::CrLf, false},      {"ab", LineBreak::CrLf, false},
        {"a\nb\r\nc\rd", LineBreak::CrLf, true}, {"\r\r\n", LineBreak::CrLf, true},
    };
    for (const auto& c : cases) {
        const LoadedText t = DecodeFile(c.bytes);
        EXPECT_EQ(t.format.breaks, c.style) << c.bytes;
        EXPECT_EQ(t.format.mixed, c.mixed) << c.bytes;
        std::u16string expected;
        for (std::size_t i = 0; i < c.bytes.size(); ++i) {
            if (c.bytes[i] == '\r' && i + 1 < c.bytes.size() && c.bytes[i + 1] == '\n') ++i;
            if (c.bytes[i] == '\r' || c.bytes[i] == '\n')
                expected += u"\r\n";
            else
                expected += static_cast<char16_t>(c.bytes[i]);
        }
        EXPECT_EQ(t.text, expected) << c.bytes;
        if (!c.mixed) {
            EXPECT_EQ(EncodeFile(t.text, t.format).bytes, c.bytes);
        }
    }
    // Mixed breaks are written as CR LF; UTF-16 breaks are units.
    EXPECT_EQ(EncodeFile(DecodeFile("a\nb\rc").text, {}).bytes, "a\r\nb\r\nc");
    const std::string lf16 = In("UTF-16LE", "中\n文\n");
    const LoadedText t16 = DecodeFile(lf16, Encoding::Utf16Le);
    EXPECT_EQ(t16.text, u"中\r\n文\r\n");
    EXPECT_EQ(t16.format.breaks, LineBreak::Lf);
    EXPECT_EQ(EncodeFile(t16.text, t16.format).bytes, lf16);
    // A new text's GBK with CR LF adds nothing either.
    EXPECT_EQ(EncodeFile(u"甲\r\n乙", FileFormat{}).bytes, In("GBK", "甲\r\n乙"));
}

TEST(EncodingDetection, BomsAndForcedEncodings) {
    EXPECT_EQ(Detect("\xEF\xBB\xBF"
                     "abc"),
              Encoding::Utf8Bom);
    EXPECT_EQ(Detect(std::string_view("\xFF\xFE"
                                      "a\0",
                                      4)),
              Encoding::Utf16Le);
    EXPECT_EQ(Detect("\xFE\xFF\0a"), Encoding::Utf16Be);
    const LoadedText bom = DecodeFile(
        "\xEF\xBB\xBF"
        "a");
    EXPECT_EQ(bom.text, u"a");
    EXPECT_TRUE(bom.format.bom);
    // Read again as GBK, the BOM is three bytes of text, and goes back as them.
    const LoadedText asGbk = DecodeFile(
        "\xEF\xBB\xBF"
        "a",
        Encoding::Gbk);
    EXPECT_EQ(asGbk.format.encoding, Encoding::Gbk);
    EXPECT_EQ(EncodeFile(asGbk.text, asGbk.format).bytes,
              "\xEF\xBB\xBF"
              "a");
    // Chosen as UTF-8 BOM, the text is saved with its BOM.
    const LoadedText chosen = DecodeFile("a", Encoding::Utf8Bom);
    EXPECT_EQ(EncodeFile(chosen.text, chosen.format).bytes,
              "\xEF\xBB\xBF"
              "a");
    EXPECT_EQ(Detect(""), Encoding::Gbk);
    EXPECT_EQ(Detect("plain ascii\r\n"), Encoding::Gbk);
    EXPECT_EQ(DecodeFile("plain\nascii\n").format.encoding, Encoding::Gbk);
}

TEST(EncodingDetection, TheHardCases) {
    // Under 50 bytes.
    EXPECT_EQ(Detect(In("GBK", "你好，世界")), Encoding::Gbk);
    EXPECT_EQ(Detect(In("UTF-8", "你好，世界")), Encoding::Utf8);
    EXPECT_EQ(Detect(In("BIG5", "你好，世界")), Encoding::Big5);
    EXPECT_EQ(Detect(In("GBK", "错误")), Encoding::Gbk);
    EXPECT_EQ(Detect(In("GB18030", "价格€")), Encoding::Gb18030);
    // UTF-8 that is also GBK byte for byte: "甲乙" is three GBK characters.
    const std::string jiayi = In("UTF-8", "甲乙");
    ASSERT_EQ(Iconv("GBK", "UTF-8", jiayi).size(), 9u);
    EXPECT_EQ(Detect(jiayi), Encoding::Utf8);
    EXPECT_EQ(DecodeFile(jiayi).text, u"甲乙");
    // A pure ASCII log holding one Chinese word.
    std::string log;
    for (int i = 0; i < 400; ++i)
        log += "2024-05-01 12:00:0" + std::to_string(i % 10) + " INFO request ok\n";
    const std::string at = log.substr(0, log.size() / 2) + "user=";
    const std::string rest = " " + log.substr(log.size() / 2);
    EXPECT_EQ(Detect(at + In("UTF-8", "张三") + rest), Encoding::Utf8);
    EXPECT_EQ(Detect(at + In("GBK", "张三") + rest), Encoding::Gbk);
    EXPECT_EQ(Detect(at + In("GBK", "错误") + rest), Encoding::Gbk);
    EXPECT_EQ(Detect(at + In("BIG5", "錯誤") + rest), Encoding::Big5);
    // GB18030 four-byte characters first appearing 40 KB in.
    std::string gb;
    while (gb.size() < 40 * 1024) gb += In("GB18030", prose::kKongYiJi);
    gb += In("GB18030", "\xF0\xA0\x80\x80 and 㐀 and €");
    const LoadedText t = DecodeFile(gb);
    EXPECT_EQ(t.format.encoding, Encoding::Gb18030);
    EXPECT_EQ(t.invalid, 0u);
    EXPECT_NE(t.text.find(u"\U00020000 and 㐀 and €"), std::u16string::npos);
    EXPECT_EQ(Detect(gb), Encoding::Gb18030);
    // A part cut from a UTF-8 file begins and ends inside a character.
    const std::string part = In("UTF-8", prose::kKongYiJi).substr(4, 1000);
    EXPECT_EQ(DecodeFile(part).format.encoding, Encoding::Utf8);
    EXPECT_EQ(DecodeFile(part).invalid, 3u);
    EXPECT_EQ(Detect(part), Encoding::Utf8);
    // A GBK file whose first 2 KB are ASCII.
    const std::string late = std::string(2048, 'a') + "\r\n" + In("GBK", prose::kHongLouMeng);
    EXPECT_EQ(Detect(late), Encoding::Gbk);
    EXPECT_EQ(DecodeFile(late).invalid, 0u);
    // Six GBK bytes that are also valid Big5.
    for (const char* word : {"北京市", "中文字", "我们的", "天气好"}) {
        const std::string six = In("GBK", word);
        ASSERT_EQ(six.size(), 6u);
        ASSERT_EQ(Iconv("BIG5", "UTF-16LE", six).size(), 6u) << word << " is not Big5 too";
        EXPECT_EQ(Detect(six), Encoding::Gbk) << word;
    }
}

// Real prose, whole and paragraph by paragraph, in each encoding.
TEST(EncodingDetection, ProseInEachEncoding) {
    const auto paragraphs = [](std::string_view text) {
        std::vector<std::string> out;
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string_view::npos) end = text.size();
            if (end > start) out.emplace_back(text.substr(start, end - start));
            start = end + 1;
        }
        out.emplace_back(text);
        return out;
    };
    for (const std::string_view text : {prose::kKongYiJi, prose::kHongLouMeng}) {
        for (const std::string& p : paragraphs(text)) {
            EXPECT_EQ(Detect(In("GBK", p)), Encoding::Gbk) << p;
            EXPECT_EQ(Detect(In("UTF-8", p)), Encoding::Utf8) << p;
            EXPECT_EQ(Detect(In("GB18030", p + "€")), Encoding::Gb18030) << p;
        }
    }
    for (const std::string_view text :
         {prose::kKongYiJiTraditional, prose::kHongLouMengTraditional}) {
        for (const std::string& p : paragraphs(text)) {
            EXPECT_EQ(Detect(In("BIG5", p)), Encoding::Big5) << p;
            // Traditional characters in GBK are still GBK.
            EXPECT_EQ(Detect(In("GBK", p)), Encoding::Gbk) << p;
        }
    }
}

namespace {

// Hands the bytes out in pieces of random length, as a file read through a
// small buffer would.
class PieceSource final : public ByteSource {
  public:
    PieceSource(std::string_view bytes, unsigned seed, std::size_t most)
        : bytes_(bytes), rng_(seed), most_(most) {}
    Piece At(std::uint64_t at) override {
        const std::size_t from =
            static_cast<std::size_t>(std::min<std::uint64_t>(at, bytes_.size()));
        const std::size_t length = kMinPiece + rng_() % (most_ - kMinPiece + 1);
        const std::string_view piece = bytes_.substr(from, length);
        return {piece, from + piece.size() == bytes_.size()};
    }

  private:
    std::string_view bytes_;
    std::mt19937 rng_;
    std::size_t most_;
};

void ExpectSameAsWhole(const std::string& bytes, std::optional<Encoding> forced, unsigned seed,
                       std::size_t most, const std::string& what) {
    PieceSource source(bytes, seed, most);
    const LoadedText pieces = DecodeFile(source, forced);
    const LoadedText whole = DecodeFile(bytes, forced);
    EXPECT_TRUE(pieces.text == whole.text) << what;
    EXPECT_EQ(pieces.invalid, whole.invalid) << what;
    EXPECT_EQ(pieces.format.encoding, whole.format.encoding) << what;
    EXPECT_EQ(pieces.format.breaks, whole.format.breaks) << what;
    EXPECT_EQ(pieces.format.mixed, whole.format.mixed) << what;
    EXPECT_EQ(pieces.format.bom, whole.format.bom) << what;
}

}  // namespace

// A file is decoded a piece at a time; where the pieces end must not matter:
// not inside a character, not between the CR and LF of a break.
TEST(EncodingPieces, DecodeAsTheWholeBytesWhereverThePiecesEnd) {
    std::mt19937 rng(4);
    const char pool[] = {'\r',   '\n',   'a',    '1',    '\x80', '\xA1',
                         '\xDC', '\xD8', '\xFF', '\x30', '\x81'};
    for (int round = 0; round < 1500; ++round) {
        std::string bytes(rng() % 60, '\0');
        for (char& c : bytes) c = rng() % 2 ? pool[rng() % sizeof pool] : static_cast<char>(rng());
        ExpectSameAsWhole(bytes, {}, round, 4 + round % 9,
                          "random, detected, round " + std::to_string(round));
        for (const Encoding e : All())
            ExpectSameAsWhole(
                bytes, e, round, 4 + round % 7,
                std::string("random as ") + Name(e) + ", round " + std::to_string(round));
    }
    // Real text in every encoding, detected, with each break style and
    // GB18030's four-byte forms, cut into pieces of a few bytes.
    const std::string text =
        std::string(prose::kKongYiJi) + "\n€ 𠀀 㐀\n" + std::string(prose::kHongLouMeng);
    for (const char* br : {"\r\n", "\n", "\r"}) {
        const std::string t = WithBreaks(text, br);
        for (const char* charset : {"GBK", "GB18030", "UTF-8", "UTF-16LE", "UTF-16BE"}) {
            if (std::string_view(charset) == "GBK") {
                // GBK lacks the line with € and 𠀀.
                ExpectSameAsWhole(In(charset, WithBreaks(prose::kHongLouMeng, br)), {}, 1, 5,
                                  charset);
                continue;
            }
            ExpectSameAsWhole(In(charset, t), {}, 2, 6, charset);
            ExpectSameAsWhole(In(charset, t), {}, 3, 300, charset);
        }
    }
    ExpectSameAsWhole(In("BIG5", prose::kHongLouMengTraditional), {}, 5, 7, "Big5");
    ExpectSameAsWhole("\xEF\xBB\xBF" + In("UTF-8", prose::kKongYiJi), {}, 6, 5, "UTF-8 BOM");
    ExpectSameAsWhole("\xFF\xFE" + In("UTF-16LE", prose::kKongYiJi) + "\xD8", {}, 7, 5,
                      "UTF-16LE BOM, odd last byte");
}

// Detection judges Big5 by a sample of 64 KB of non-ASCII bytes and GB18030
// by the whole file: both hold when the file comes in pieces.
TEST(EncodingPieces, DetectionSeesAsMuchAsWithTheWholeBytes) {
    std::string big5;
    while (big5.size() < 200 * 1024) big5 += In("BIG5", prose::kHongLouMengTraditional);
    ExpectSameAsWhole(big5, {}, 8, 4096, "Big5 past the sample");
    std::string gb;
    while (gb.size() < 300 * 1024) gb += In("GBK", prose::kHongLouMeng);
    gb += In("GB18030", "𠀀");
    ExpectSameAsWhole(gb, {}, 9, 4096, "GB18030 at the very end");
    std::string ascii(300 * 1024, 'a');
    ExpectSameAsWhole(ascii + In("UTF-8", "张三") + ascii, {}, 10, 4096, "one UTF-8 word");
    ExpectSameAsWhole(ascii + In("GBK", "张三") + ascii, {}, 11, 4096, "one GBK word");
}

// A source that hands out less than it promised still ends the decoding.
TEST(EncodingPieces, ASourceThatBreaksItsPromiseStillEnds) {
    struct Short final : ByteSource {
        Piece At(std::uint64_t at) override {
            const std::string_view bytes = "abc\xC4\xE3xyz";
            return {bytes.substr(std::min<std::uint64_t>(at, bytes.size()), 2), false};
        }
    } source;
    const LoadedText t = DecodeFile(source);
    EXPECT_LE(t.text.size(), 8u);
}

// Saving encodes a piece at a time straight into the file: the pieces must
// join to exactly the bytes encoding the whole text gives, with the same
// count of what could not be encoded, in every encoding and break style.
TEST(EncodingPieces, EncodingInPiecesJoinsToTheWholeBytes) {
    std::mt19937 rng(21);
    const char16_t pool[] = {u'a',   u'\r',  u'\n',     u'中',  u'€',   0xD840, 0xDC00,
                             0xDC80, 0xDCFF, u'\u3000', 0x00E9, 0xD840, 0xDC00};
    for (int round = 0; round < 400; ++round) {
        std::u16string text(rng() % (round < 390 ? 50 : 200000), u'\0');
        for (char16_t& c : text) c = pool[rng() % std::size(pool)];
        for (const Encoding e : All()) {
            for (const LineBreak b : {LineBreak::CrLf, LineBreak::Lf, LineBreak::Cr}) {
                const FileFormat f{e, round % 2 == 0, b, false, {}};
                const Encoded whole = EncodeFile(text, f);
                std::string joined;
                int pieces = 0;
                const Encoded stats = EncodeFileInPieces(text, f, [&](std::string_view p) {
                    joined += p;
                    ++pieces;
                    return true;
                });
                ASSERT_EQ(joined, whole.bytes) << Name(e) << " " << Name(b) << " round " << round;
                EXPECT_TRUE(stats.bytes.empty());
                EXPECT_EQ(stats.unencodable, whole.unencodable) << Name(e);
                ASSERT_EQ(stats.first.size(), whole.first.size());
                for (std::size_t i = 0; i < stats.first.size(); ++i) {
                    EXPECT_EQ(stats.first[i].offset, whole.first[i].offset);
                    EXPECT_EQ(stats.first[i].ch, whole.first[i].ch);
                }
                if (text.size() > 100000) {
                    EXPECT_GE(pieces, 2) << "written in pieces";
                }
            }
        }
    }
    // A writer that fails is not written to again.
    int calls = 0;
    EncodeFileInPieces(std::u16string(500000, u'中'), FileFormat{}, [&](std::string_view) {
        ++calls;
        return false;
    });
    EXPECT_EQ(calls, 1);
}

// UTF-16 without a BOM is told by its zero bytes, and saved back without
// one; a text in another encoding with a stray zero byte is not taken for it.
TEST(EncodingDetection, Utf16WithoutABomByItsZeroBytes) {
    const std::string mixed = "Chapter 1 第一章\nThe quick brown fox 说：“你好”。\n";
    for (const char* charset : {"UTF-16LE", "UTF-16BE"}) {
        const Encoding want =
            std::string_view(charset) == "UTF-16LE" ? Encoding::Utf16Le : Encoding::Utf16Be;
        const std::string bytes = In(charset, mixed);
        EXPECT_EQ(Detect(bytes), want) << charset;
        const LoadedText t = DecodeFile(bytes);
        EXPECT_EQ(t.format.encoding, want) << charset;
        EXPECT_FALSE(t.format.bom);
        EXPECT_EQ(t.format.breaks, LineBreak::Lf);
        EXPECT_EQ(t.text, FromUtf8(WithBreaks(mixed, "\r\n")));
        EXPECT_EQ(EncodeFile(t.text, t.format).bytes, bytes) << charset;
        EXPECT_EQ(Detect(In(charset, "ok")), want) << "two ASCII letters";
        EXPECT_EQ(Detect(In(charset, "第1章 你好世界，再见了朋友们 ok")), want) << "5 of 18 ASCII";
    }
    std::string gbk = In("GBK", prose::kHongLouMeng);
    gbk[gbk.size() / 2] = '\0';
    EXPECT_EQ(Detect(gbk), Encoding::Gbk);
    EXPECT_EQ(DecodeFile(gbk).format.encoding, Encoding::Gbk);
    EXPECT_EQ(Detect(std::string("ab\0cd", 5)), Encoding::Gbk) << "one zero in five bytes";
    // Chinese alone has no zero bytes to tell by: it is read as bytes, and
    // "以其他编码重新打开" is the way to it.
    EXPECT_NE(Detect(In("UTF-16LE", "红楼梦")), Encoding::Utf16Le);
}

TEST(EncodingDetection, AFileOfSeveralEncodingsOpensAsItsRuns) {
    using qm::enc::Encoding;
    const std::u16string gbk = u"第一章 开始\r\n　　鲁镇的酒店的格局，是和别处不同的。\r\n";
    const std::u16string utf8 =
        u"第二章 继续\r\n　　都是当街一个曲尺形的大柜台，柜里面预备着热水。\r\n";
    const std::string g = qm::enc::Encode(gbk, Encoding::Gbk).bytes;
    const auto mixed = qm::enc::DecodeFile(g + testsupport::Utf8(utf8) + g);
    EXPECT_TRUE(mixed.text == gbk + utf8 + gbk);
    EXPECT_TRUE(mixed.format.mixedEncodings);
    EXPECT_EQ(mixed.format.encoding, Encoding::Gbk);
    ASSERT_EQ(mixed.runs.size(), 3u);
    EXPECT_EQ(mixed.runs[1].line, 2u);
    EXPECT_EQ(mixed.runs[1].encoding, Encoding::Utf8);
    // A lone CR parts lines as the text shows them.
    const std::u16string cr = u"第一章 开始\r" + gbk.substr(gbk.find(u'\n') + 1);
    const std::string c = qm::enc::Encode(cr, Encoding::Gbk).bytes;
    EXPECT_EQ(qm::enc::DecodeFile(c + testsupport::Utf8(utf8) + c).runs.at(1).line, 2u);
    // One damaged byte is kept as a byte, not read as another encoding.
    const auto damaged = qm::enc::DecodeFile(g + "\xA1\x40\r\n" + g);
    EXPECT_FALSE(damaged.format.mixedEncodings);
    EXPECT_TRUE(damaged.runs.empty());
}
