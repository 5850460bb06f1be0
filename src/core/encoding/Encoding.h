// The encodings a text file is read and written in, how one is recognised,
// and the line-break styles.
//
// Decoding never fails and never loses a byte: a byte that does not decode
// becomes one lone low surrogate U+DC80 + byte (as Python's surrogateescape
// does), shown as "�" by the editor, and encoding writes it back as that very
// byte, so a file opened and saved unchanged keeps its bytes exactly.
//
// U+DC80..U+DCFF therefore always mean kept bytes when encoding, however
// they got into the text (typed or pasted ones too). A UTF-16 file that
// holds such a unit alone (not after a high surrogate) is read as the unit's
// two bytes kept, so it still saves back unchanged. In UTF-16 only, a kept
// byte may also be below 0x80 (U+DC00 + byte: a file of odd length keeps its
// last byte so); when writing UTF-16, kept bytes go out two at a time as the
// unit they came from, a single one only at the very end, and a single one
// elsewhere is written as "?".
//
// A kept byte goes back only into the encoding it came from, and only where
// it still reads back as a kept byte: a lead byte left by a file cut inside
// its last character would join a character typed after it. Otherwise it
// counts as a character the target lacks, written as U+FFFD in UTF-8 and
// UTF-16 and as "?" in the others.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/encoding/Types.h"

namespace qm::enc {

// "GBK", "GB18030", "UTF-8", "UTF-8 BOM", "UTF-16LE", "UTF-16BE", "Big5".
const char* Name(Encoding e);
// The seven names above, in that order (for pick lists).
const std::vector<Encoding>& All();
std::optional<Encoding> FromName(std::string_view name);
// An HTTP or <meta> charset label ("gb2312", "utf-8", "big5-hkscs", ...);
// nothing for labels this program cannot decode.
std::optional<Encoding> FromLabel(std::string_view label);

// The encoding of a whole file's bytes: a BOM first, then UTF-16 by its zero
// bytes (a text in any other encoding has none), then strict UTF-8 when
// the bytes hold non-ASCII and are valid UTF-8, then GB18030 or Big5 by how
// plausible each reads as Chinese, leaning to GBK where the evidence is thin.
// GBK is reported when the bytes need none of GB18030's four-byte sequences
// (nor the few two-byte codes code page 936 lacks, such as A2E3 for "€"),
// and for pure ASCII.
Encoding Detect(std::string_view bytes);

struct Decoded {
    std::u16string text;
    std::size_t invalid = 0;  // bytes kept as escapes (shown as "�")
};

// Decodes the bytes (a BOM of the encoding is skipped). Never fails.
Decoded Decode(std::string_view bytes, Encoding e);

// The text with each kept byte (U+DC80..U+DCFF) shown as U+FFFD, for a text
// that is used but never written back (a setting's value); for text decoded
// from any encoding but UTF-16. ShowKeptBytes(u"x\xDCFF") == u"x\uFFFD".
std::u16string ShowKeptBytes(std::u16string text);

// The GBK code of one UTF-16 unit: below 0x100 a one-byte code, otherwise
// lead byte * 256 + trail byte; 0xFFFF where GBK has none (surrogates, kept
// bytes among them). GbkCode(u'中') == 0xD6D0.
std::uint16_t GbkCode(char16_t unit);

// A character the target cannot hold, by its place in the text.
struct Unencodable {
    std::size_t offset = 0;  // in UTF-16 units
    char32_t ch = 0;
};

struct Encoded {
    std::string bytes;
    std::size_t unencodable = 0;     // characters written as "?"
    std::vector<Unencodable> first;  // the first few of them (at most 10)
};

// Encodes the text (with the BOM of Utf8Bom, Utf16Le, Utf16Be when `bom`;
// Utf8 never has one).
// Escaped bytes go back as they were (where they still read back so);
// characters the target lacks become "?" and are counted.
Encoded Encode(std::u16string_view text, Encoding e, bool bom = true);

// How a file breaks its lines. The document always holds CR LF.
enum class LineBreak { CrLf, Lf, Cr };
// "CRLF", "LF", "CR".
const char* Name(LineBreak b);

// Everything needed to write a text back as the file it came from.
struct FileFormat {
    Encoding encoding = Encoding::Gbk;
    bool bom = false;  // the file began with a BOM; EncodeFile writes one
                       // (UTF-8, UTF-16) when set, and always for Utf8Bom
    LineBreak breaks = LineBreak::CrLf;
    bool mixed = false;  // the file mixed break styles
    // The encoding the text's kept bytes came from (DecodeFile sets it); none:
    // they are bytes of `encoding`.
    std::optional<Encoding> keptFrom;
    // The file was made of runs of lines in different encodings: it cannot be
    // written back as it was, and the user chooses one encoding to save in.
    bool mixedEncodings = false;
};

// Where a run of lines in one encoding begins (0 for the first line).
struct EncodingRun {
    std::size_t line = 0;
    Encoding encoding = Encoding::Gbk;
};

struct LoadedText {
    std::u16string text;  // with CR LF breaks
    FileFormat format;
    std::size_t invalid = 0;  // bytes kept as escapes
    // A file no one encoding decodes cleanly but whose every line decodes in
    // UTF-8, GBK/GB18030 or Big5 (chapters pasted from different sites):
    // where each run begins; `format.encoding` is the one most lines are in.
    std::vector<EncodingRun> runs;
};

// A file's bytes as a document: detected (or the forced encoding), decoded,
// every CR LF, LF and lone CR made a CR LF; the style is the one the file
// used (CR LF when it had no break; CR LF when mixed, with `mixed` set).
// A forced encoding with a BOM skips the BOM when the bytes begin with it;
// a forced Utf8Bom is saved with its BOM whether or not the file had one.
// In one pass over the bytes where it can: this is the cost of opening.
// Unless forced, bytes that do not decode send it on to look for runs of
// lines in different encodings (see `runs`).
LoadedText DecodeFile(std::string_view bytes, std::optional<Encoding> forced = {});

// A file's bytes handed out a piece at a time, so that a large file is
// decoded from a small buffer instead of being held whole in memory first
// (reading it twice from the system's cache costs less than filling fresh
// memory with it once).
class ByteSource {
  public:
    struct Piece {
        std::string_view bytes;
        bool last = false;  // the bytes reach the end of the file
    };
    virtual ~ByteSource() = default;
    // The bytes from offset `at` on: at least kMinPiece of them unless they
    // reach the end. An empty last piece ends the bytes (also when reading
    // failed: the source says why). Offsets only grow within a pass; each
    // pass over the file starts again near 0.
    virtual Piece At(std::uint64_t at) = 0;
    static constexpr std::size_t kMinPiece = 4;  // the longest character
};

// As above, reading the bytes from the source. Decodes exactly as the bytes
// in one piece would, wherever the pieces end.
LoadedText DecodeFile(ByteSource& source, std::optional<Encoding> forced = {});

// The document (CR LF breaks) as the bytes of a file of that format: breaks
// written in its style, BOM when the format has one. Adds nothing else.
Encoded EncodeFile(std::u16string_view text, const FileFormat& format);

// The same bytes handed to `write` a piece at a time (some kilobytes each,
// from a buffer that stays in the cache) instead of built whole: a large
// text is written without first filling fresh memory with its bytes. The
// result counts what could not be encoded; its `bytes` stay empty. Ends
// early when write returns false.
Encoded EncodeFileInPieces(std::u16string_view text, const FileFormat& format,
                           const std::function<bool(std::string_view)>& write);

}  // namespace qm::enc
