#include "core/tools/Convert.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "core/encoding/Encoding.h"
#include "core/text/Common.h"
#include "core/text/Lines.h"
#include "core/text/Utf16.h"

namespace qm::convert {

std::u16string TextToHtml(std::u16string_view text) {
    std::u16string body;
    body.reserve(text.size() + text.size() / 8);
    for (char16_t c : text) {
        switch (c) {
            case u'&':
                body += u"&amp;";
                break;
            case u'<':
                body += u"&lt;";
                break;
            case u'>':
                body += u"&gt;";
                break;
            case u'"':
                body += u"&quot;";
                break;
            default:
                body += c;
                break;
        }
    }
    std::u16string page = u"<html>\r\n<head>\r\n<title>无标题文档</title><body>";
    常用模块::AppendReplaced(page, body, u"\r\n", u"<br>");
    return page;
}

std::u16string FullToHalf(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c >= 0xFF01 && c <= 0xFF5E)
            c = static_cast<char16_t>(c - 0xFEE0);
        else if (c == 0x3000)
            c = u' ';
    }
    return out;
}

std::u16string HalfToFull(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c >= 0x21 && c <= 0x7E)
            c = static_cast<char16_t>(c + 0xFEE0);
        else if (c == u' ')
            c = 0x3000;
    }
    return out;
}

namespace {

struct Digits {
    std::array<const char16_t*, 10> digit;
    std::array<const char16_t*, 4> small;  // "", 十, 百, 千
};
const Digits kLower{{u"零", u"一", u"二", u"三", u"四", u"五", u"六", u"七", u"八", u"九"},
                    {u"", u"十", u"百", u"千"}};
const Digits kUpper{{u"零", u"壹", u"贰", u"叁", u"肆", u"伍", u"陆", u"柒", u"捌", u"玖"},
                    {u"", u"拾", u"佰", u"仟"}};
// Up to four digits with their small units, one 零 for every run of zeros
// between digits that are not zero; zeros at the end are silent.
std::u16string Section(unsigned n, const Digits& d) {
    std::u16string out;
    bool needZero = false;
    for (int p = 3, pow = 1000; p >= 0; --p, pow /= 10) {
        const unsigned digit = (n / static_cast<unsigned>(pow)) % 10;
        if (digit == 0) {
            needZero = !out.empty();
            continue;
        }
        if (needZero) out += d.digit[0];
        needZero = false;
        out += d.digit[digit];
        out += d.small[static_cast<std::size_t>(p)];
    }
    return out;
}

using Reading = std::u16string (*)(std::uint64_t, const Digits&);

// n as the part above `unit` (read by `high`), the unit, then the part below
// it (read by `low`), joined by 零 when the part below does not reach its
// highest digit. The part above is read on its own, so 亿 is said once
// however large it is: 1000100000000 is 一万零一亿, not 一万亿零一亿.
std::u16string Split(std::uint64_t n, std::uint64_t base, const char16_t* unit, Reading high,
                     Reading low, const Digits& d) {
    const std::uint64_t above = n / base;
    const std::uint64_t below = n % base;
    if (above == 0) return low(below, d);
    std::u16string out = high(above, d) + unit;
    if (below == 0) return out;
    if (below < base / 10) out += d.digit[0];
    return out + low(below, d);
}

std::u16string BelowWan(std::uint64_t n, const Digits& d) {
    return Section(static_cast<unsigned>(n), d);
}
std::u16string BelowYi(std::uint64_t n, const Digits& d) {
    return Split(n, 10'000, u"万", BelowWan, BelowWan, d);
}
// Any size: the part above 亿 is itself a number (10^16 is 一亿亿).
std::u16string AnyWhole(std::uint64_t n, const Digits& d) {
    return Split(n, 100'000'000, u"亿", AnyWhole, BelowYi, d);
}

std::u16string Whole(std::uint64_t n, const Digits& d, bool lower) {
    if (n == 0) return d.digit[0];
    std::u16string out = AnyWhole(n, d);
    // 十 alone at the start reads better than 一十 in everyday numerals.
    if (lower && out.rfind(u"一十", 0) == 0) out.erase(0, 1);
    return out;
}

}  // namespace

std::optional<std::u16string> ChineseNumerals(std::u16string_view typed, NumeralStyle style) {
    std::u16string digits;
    std::u16string decimals;
    bool dot = false;
    for (char16_t c : typed) {
        if (c == u' ' || c == u',' || c == u'，') continue;
        if (c == u'.' && !dot) {
            dot = true;
            continue;
        }
        if (c < u'0' || c > u'9') return std::nullopt;
        (dot ? decimals : digits) += c;
    }
    while (digits.size() > 1 && digits.front() == u'0') digits.erase(0, 1);
    if (digits.empty() && decimals.empty()) return std::nullopt;
    if (decimals.size() > 2 || digits.size() > 17) return std::nullopt;
    std::uint64_t n = 0;
    for (char16_t c : digits) n = n * 10 + static_cast<std::uint64_t>(c - u'0');
    if (n > 10'000'000'000'000'000ULL) return std::nullopt;  // up to 10^16
    const bool lower = style == NumeralStyle::Lower;
    const Digits& d = lower ? kLower : kUpper;
    if (lower) {
        std::u16string out = Whole(n, d, true);
        if (!decimals.empty()) {
            out += u"点";
            for (char16_t c : decimals) out += d.digit[static_cast<std::size_t>(c - u'0')];
        }
        return out;
    }
    const unsigned jiao = decimals.size() > 0 ? static_cast<unsigned>(decimals[0] - u'0') : 0;
    const unsigned fen = decimals.size() > 1 ? static_cast<unsigned>(decimals[1] - u'0') : 0;
    std::u16string out;
    if (n > 0) out = Whole(n, d, false) + u"元";
    if (jiao == 0 && fen == 0) return (n == 0 ? std::u16string(u"零元") : out) + u"整";
    if (jiao > 0) {
        out += d.digit[jiao];
        out += u"角";
    } else if (n > 0) {
        out += d.digit[0];
    }
    if (fen > 0) {
        out += d.digit[fen];
        out += u"分";
    } else {
        out += u"整";
    }
    return out;
}

namespace {

// Strict UTF-8: nothing for an invalid or overlong sequence. A leading BOM
// stays in the text, as a character of it.
std::optional<std::u16string> FromUtf8(std::string_view b) {
    enc::Decoded d = enc::Decode(b, enc::Encoding::Utf8);
    if (d.invalid > 0) return std::nullopt;
    if (b.starts_with("\xEF\xBB\xBF")) d.text.insert(0, 1, u'\uFEFF');
    return std::move(d.text);
}

// How much a text reads like Chinese mixed with English. Mis-decoded bytes
// still land mostly on ideographs, but on rare ones: the 3,755 common
// characters of GB2312's first level (GBK lead bytes B0–D7) count fully, its
// second level a little, GBK's extensions, kana, Latin-1 letters, private
// use and replacement marks against.
double Plausibility(std::u16string_view t) {
    if (t.empty()) return 0;
    double score = 0;
    for (char16_t c : t) {
        if (c < 0x80) {
            score += 0.5;
            continue;
        }
        if ((c >= 0x3000 && c <= 0x303F) || (c >= 0xFF01 && c <= 0xFF5E) ||
            (c >= 0x2010 && c <= 0x2027)) {
            score += 1;
            continue;
        }
        if (c >= 0x4E00 && c <= 0x9FA5) {
            const unsigned code = enc::GbkCode(c);
            const unsigned lead = code >> 8;
            const unsigned trail = code & 0xFF;
            if (lead >= 0xB0 && lead <= 0xD7 && trail >= 0xA1) {
                score += 1;
            } else if (lead >= 0xD8 && lead <= 0xF7 && trail >= 0xA1) {
                score += 0.2;
            } else {
                score -= 0.5;
            }
            continue;
        }
        score -= 0.5;  // Latin-1 letters, kana, rare ideographs, private use, marks
    }
    return score / static_cast<double>(t.size());
}

}  // namespace

Repair RepairGarbled(std::u16string_view text) {
    Repair r;
    for (const char16_t* lost : {u"锟斤拷", u"烫烫烫", u"屯屯屯"}) {
        const std::size_t at = text.find(lost);
        if (at != std::u16string_view::npos && (r.kind != Repair::Kind::Lossy || at < r.at)) {
            r.kind = Repair::Kind::Lossy;
            r.at = at;
            r.how = lost;
        }
    }
    if (r.kind == Repair::Kind::Lossy) return r;
    const double before = Plausibility(text);
    const auto take = [&](std::u16string candidate, const char16_t* how) {
        if (candidate != text && Plausibility(candidate) > before + 0.2) {
            r.kind = Repair::Kind::Repaired;
            r.text = std::move(candidate);
            r.how = how;
            return true;
        }
        return false;
    };
    // Read as Latin-1: every character is one byte of the original.
    const bool latin1 =
        std::all_of(text.begin(), text.end(), [](char16_t c) { return c <= 0xFF; }) &&
        std::any_of(text.begin(), text.end(), [](char16_t c) { return c >= 0x80; });
    if (latin1) {
        std::string bytes(text.begin(), text.end());
        if (auto u = FromUtf8(bytes); u && take(std::move(*u), u"UTF-8 编码的文字被当成了 Latin-1"))
            return r;
        const enc::Decoded g = enc::Decode(bytes, enc::Encoding::Gbk);
        if (g.invalid == 0 && take(g.text, u"GBK 编码的文字被当成了 Latin-1")) return r;
    }
    // Read as GBK: its bytes come back where GBK could hold every character.
    const enc::Encoded e = enc::Encode(text, enc::Encoding::Gbk);
    if (e.unencodable == 0) {
        if (auto u = FromUtf8(e.bytes); u && take(std::move(*u), u"UTF-8 编码的文字被当成了 GBK"))
            return r;
    }
    return r;
}

namespace {

// ---- repair in place ----

// The bytes a text read as Latin-1 or Windows-1252 came from (Windows puts
// 27 characters at 0x80–0x9F); nothing if it holds anything else.
std::optional<std::string> Cp1252Bytes(std::u16string_view t) {
    static constexpr char16_t kHigh[32] = {
        0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    std::string out;
    out.reserve(t.size());
    for (const char16_t c : t) {
        // Latin-1 itself gives 0x80–0x9F as U+0080–U+009F.
        if (c <= 0xFF) {
            out += static_cast<char>(c);
            continue;
        }
        const auto* at = std::find(std::begin(kHigh), std::end(kHigh), c);
        if (at == std::end(kHigh)) return std::nullopt;
        out += static_cast<char>(0x80 + (at - std::begin(kHigh)));
    }
    return out;
}

// The bytes decoded, or nothing when some do not decode; with `keep`, those
// stay in the text as kept bytes (a first mistake undone, a second to go).
std::optional<std::u16string> Strict(std::string_view bytes, enc::Encoding e, bool keep = false) {
    enc::Decoded d = enc::Decode(bytes, e);
    if (d.invalid > 0 && !keep) return std::nullopt;
    return std::move(d.text);
}

// How plausible the text is as traditional Chinese: by its Big5 codes, the
// 5,401 common characters (lead bytes A4–C6) and punctuation count, the
// rest against.
double PlausibilityBig5(std::u16string_view t) {
    const enc::Encoded e = enc::Encode(t, enc::Encoding::Big5);
    if (e.unencodable > 0 || t.empty()) return -1;
    double score = 0;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < e.bytes.size(); ++chars) {
        const auto b = static_cast<unsigned char>(e.bytes[i]);
        if (b < 0x80 || i + 1 >= e.bytes.size()) {
            score += 0.5;
            ++i;
            continue;
        }
        // Real traditional text keeps to the common block; GBK bytes read as
        // Big5 land in the rare one as often as not.
        score += b >= 0xA1 && b <= 0xC6 ? 1 : -0.5;
        i += 2;
    }
    return score / static_cast<double>(chars);
}

double Score(std::u16string_view t) { return std::max(Plausibility(t), PlausibilityBig5(t)); }

struct Candidate {
    std::u16string text;
    std::u16string how;
};

bool HasKeptBytes(std::u16string_view t) {
    return std::any_of(t.begin(), t.end(), enc::IsEscapedByte);
}

// Each way the piece may have been mis-read, undone once; with `keep`, also
// undone where some bytes stay undecoded (they decode after a second undo).
std::vector<Candidate> UndoOnce(std::u16string_view p, bool keep = false) {
    std::vector<Candidate> out;
    const auto add = [&](std::optional<std::u16string> t, const char16_t* how) {
        if (t && *t != p) out.push_back({std::move(*t), how});
    };
    const enc::Encoded gbk = enc::Encode(p, enc::Encoding::Gbk);
    if (gbk.unencodable == 0) {
        add(Strict(gbk.bytes, enc::Encoding::Utf8, keep), u"UTF-8 编码的文字被当成了 GBK");
        add(Strict(gbk.bytes, enc::Encoding::Big5), u"Big5 编码的文字被当成了 GBK");
    }
    const enc::Encoded big5 = enc::Encode(p, enc::Encoding::Big5);
    if (big5.unencodable == 0) {
        add(Strict(big5.bytes, enc::Encoding::Utf8), u"UTF-8 编码的文字被当成了 Big5");
        add(Strict(big5.bytes, enc::Encoding::Gbk), u"GBK 编码的文字被当成了 Big5");
    }
    if (const auto latin = Cp1252Bytes(p)) {
        add(Strict(*latin, enc::Encoding::Utf8), u"UTF-8 编码的文字被当成了 Latin-1");
        add(Strict(*latin, enc::Encoding::Gbk), u"GBK 编码的文字被当成了 Latin-1");
    }
    return out;
}

std::size_t NonAscii(std::u16string_view t) {
    return static_cast<std::size_t>(
        std::count_if(t.begin(), t.end(), [](char16_t c) { return c >= 0x80; }));
}

// Sound punctuation: garbled text never holds it, so a piece between two
// marks is either sound or garbled through.
bool SoundMark(char16_t c) {
    return (c >= 0x3000 && c <= 0x303F) || (c >= 0xFF01 && c <= 0xFF0F) ||
           (c >= 0xFF1A && c <= 0xFF20) || (c >= 0x2010 && c <= 0x2027) || c == u' ' || c == u'\t';
}

// Han characters among the characters beyond ASCII (blanks aside).
double HanShare(std::u16string_view t) {
    std::size_t han = 0, other = 0;
    for (const char16_t c : t) {
        if (c < 0x80 || SoundMark(c)) continue;  // punctuation speaks for neither
        (text::IsHan(c, text::HanUnits::WithSurrogates) ? han : other)++;
    }
    return han + other == 0 ? 0.0 : static_cast<double>(han) / static_cast<double>(han + other);
}

// The best repair of the piece, one mistake or two, if it is one.
std::optional<Candidate> BestRepair(std::u16string_view p) {
    if (NonAscii(p) < 2) return std::nullopt;
    // Mis-read Chinese is a run of Han characters (or of Latin-1 ones):
    // lists of symbols or pinyin letters between blanks are no such run.
    const bool run = std::adjacent_find(p.begin(), p.end(), [](char16_t a, char16_t b) {
                         return a >= 0x80 && b >= 0x80 && !SoundMark(a) && !SoundMark(b);
                     }) != p.end();
    if (!run || (HanShare(p) < 0.3 && !Cp1252Bytes(p))) return std::nullopt;
    const double before = Score(p);
    if (before >= 0.9) return std::nullopt;  // reads as sound text already
    std::optional<Candidate> best;
    double bestScore = before + 0.2;
    const auto consider = [&](Candidate c) {
        // What mis-reading makes of Chinese is Chinese: a repair into
        // symbols and full-width letters is a guess about a table.
        if (HasKeptBytes(c.text) || HanShare(c.text) < 0.7) return;
        const double s = Score(c.text);
        if (s > bestScore && NonAscii(c.text) > 0) {
            bestScore = s;
            best = std::move(c);
        }
    };
    // One mistake first: two are taken only when they read clearly better.
    const std::vector<Candidate> once = UndoOnce(p, true);
    for (const Candidate& c : once) consider(c);
    bestScore += 0.1;
    for (const Candidate& c : once)
        for (Candidate& twice : UndoOnce(c.text))
            consider({std::move(twice.text), u"两次：" + c.how + u"，又" + twice.how});
    return best;
}

// Runs of lost characters in a line: what a lossy conversion left.
void FindLost(std::u16string_view s, std::size_t lineStart, std::size_t line,
              std::vector<GarbledSpan>& out) {
    for (std::size_t i = 0; i < s.size();) {
        std::size_t end = i;
        std::u16string how;
        if (s.substr(i).starts_with(u"锟斤拷")) {
            while (s.substr(end).starts_with(u"锟斤拷")) end += 3;
            how = u"锟斤拷：原文在以前的转换中已丢失";
        } else if (s.substr(i).starts_with(u"烫烫") || s.substr(i).starts_with(u"屯屯")) {
            while (end < s.size() && s[end] == s[i]) ++end;
            how = std::u16string(s.substr(i, 1)) + u"：原文在以前的转换中已丢失";
        } else if (s[i] == 0xFFFD) {
            while (end < s.size() && s[end] == 0xFFFD) ++end;
            how = u"替换符 U+FFFD：原文无法解码，已丢失";
        } else if (s[i] == u'?' && i > 0 && text::IsHan(s[i - 1])) {
            while (end < s.size() && s[end] == u'?') ++end;
            if (end >= s.size() || !text::IsHan(s[end])) {
                i = end;
                continue;
            }
            how = u"“?”：原字符无法编码，已被问号代替";
        } else {
            ++i;
            continue;
        }
        out.push_back({GarbledSpan::Kind::Lossy,
                       line,
                       lineStart + i,
                       end - i,
                       std::u16string(s.substr(i, end - i)),
                       {},
                       std::move(how)});
        i = end;
    }
}

}  // namespace

std::vector<GarbledSpan> FindGarbled(std::u16string_view text) {
    std::vector<GarbledSpan> out;
    const auto lines = text::SplitLines(text);
    for (std::size_t n = 0; n < lines.size(); ++n) {
        const std::u16string_view s = text.substr(lines[n].start, lines[n].length);
        if (NonAscii(s) < 2) continue;
        const std::size_t lost = out.size();
        FindLost(s, lines[n].start, n, out);
        if (out.size() > lost) continue;  // nothing to undo where text was lost
        const auto offer = [&](std::size_t from, std::size_t to) {
            const std::u16string_view piece = s.substr(from, to - from);
            auto r = BestRepair(piece);
            if (!r) return false;
            out.push_back({GarbledSpan::Kind::Repaired, n, lines[n].start + from, to - from,
                           std::u16string(piece), std::move(r->text), std::move(r->how)});
            return true;
        };
        // The whole line without its blanks, else each piece between marks.
        std::size_t b = 0, e = s.size();
        while (b < e && SoundMark(s[b])) ++b;
        while (e > b && SoundMark(s[e - 1])) --e;
        if (b == e || offer(b, e)) continue;
        // Garbled text may hold a mark of its own (GBK's A1 row): a run of
        // implausible pieces is tried whole before piece by piece.
        std::vector<std::pair<std::size_t, std::size_t>> pieces;
        for (std::size_t from = b; from < e;) {
            std::size_t to = from;
            while (to < e && !SoundMark(s[to])) ++to;
            if (to > from) pieces.emplace_back(from, to);
            from = to + 1;
        }
        for (std::size_t i = 0; i < pieces.size();) {
            const auto doubtful = [&](std::size_t k) {
                return Plausibility(s.substr(pieces[k].first, pieces[k].second - pieces[k].first)) <
                       0.6;
            };
            std::size_t j = i;
            while (j < pieces.size() && doubtful(j)) ++j;
            if (j > i + 1 && offer(pieces[i].first, pieces[j - 1].second)) {
                i = j;
                continue;
            }
            offer(pieces[i].first, pieces[i].second);
            ++i;
        }
    }
    return out;
}

RepairsApplied ApplyRepairs(std::u16string_view text, const std::vector<GarbledSpan>& chosen) {
    std::vector<const GarbledSpan*> spans;
    for (const GarbledSpan& g : chosen)
        if (g.kind == GarbledSpan::Kind::Repaired) spans.push_back(&g);
    std::sort(spans.begin(), spans.end(),
              [](const auto* a, const auto* b) { return a->start < b->start; });
    RepairsApplied r;
    r.text.reserve(text.size());
    std::size_t at = 0;
    for (const GarbledSpan* g : spans) {
        const bool fits = g->start >= at && g->start <= text.size() &&
                          g->length <= text.size() - g->start &&
                          text.substr(g->start, g->length) == g->before;
        if (!fits) {
            ++r.stale;
            continue;
        }
        r.text.append(text.substr(at, g->start - at));
        r.text += g->after;
        at = g->start + g->length;
        ++r.repaired;
    }
    r.text.append(text.substr(at));
    return r;
}

}  // namespace qm::convert
