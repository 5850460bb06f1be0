// The scrub on 10 MB of real prose damaged the ways downloaded books are:
// zero-width runs making up 40 % of the bytes, bidirectional controls, soft
// hyphens, entities for quotes and blanks, stray tags, and common characters
// swapped for private-use ones by a site's map; with look-alikes of entities
// ("AT&T", "R&D", "&c", "a & b") in the clean text. The figures: invisible
// characters left, characters not as they were, false entity decodes, and
// the time beside sed taking the zero-width characters out of the same file.
#include <cstdio>
#include <fstream>
#include <string>

#include "BenchSupport.h"
#include "NovelMaterial.h"
#include "core/encoding/Encoding.h"
#include "core/text/Lines.h"
#include "core/text/Utf8.h"
#include "core/text/WholeNumber.h"
#include "core/tools/Convert.h"
#include "core/tools/Scrub.h"

namespace {

struct Material {
    std::u16string clean;    // what the reader should get
    std::u16string damaged;  // what the site served
    std::u16string map;      // the site's private-use map, as a user writes it
    std::size_t lookAlikes = 0;
};

Material Make(std::size_t units) {
    const auto paragraphs = material::LoadParagraphs(QM_NOVEL_DATA);
    const std::u16string lookAlike[] = {u"AT&T", u"R&D", u"&c", u"a & b", u"x<y"};
    const char16_t swapped[] = {u'的', u'了', u'是', u'不'};
    Material m;
    for (std::size_t k = 0; k < std::size(swapped); ++k)
        m.map += u"U+" + qm::scrub::CodeName(0xE3F0 + k).substr(2) + u"\t" + swapped[k] + u"\n";
    std::size_t n = 0;
    for (std::size_t p = 0; m.clean.size() < units; ++p, ++n) {
        std::u16string para = u"\u3000\u3000" + paragraphs[p % paragraphs.size()];
        if (n % 7 == 0) {
            para += lookAlike[n % std::size(lookAlike)];
            ++m.lookAlikes;
        }
        m.clean += para + u"\r\n";
        std::u16string bad;
        for (std::size_t i = 0; i < para.size(); ++i) {
            const char16_t c = para[i];
            std::size_t s = 0;
            while (s < std::size(swapped) && swapped[s] != c) ++s;
            if (s < std::size(swapped)) {
                bad += static_cast<char16_t>(0xE3F0 + s);
            } else if (c == u'“') {
                bad += u"&ldquo;";
            } else if (c == u'”') {
                bad += u"&#8221;";
            } else if (c == u'\u3000' && i == 0 && n % 3 == 0) {
                bad += u"&nbsp;&nbsp;";  // the indentation, as a page wrote it
                ++i;
                continue;
            } else {
                bad += c;
            }
            // A fingerprint: three zero-width characters (9 UTF-8 bytes) after
            // every fifth character, near 40 % of the bytes.
            if (i % 5 == 1) bad += u"\u200B\u200C\u2060";
            if (i % 97 == 5) bad += u"\u202E\u00AD";
        }
        if (n % 3 == 0) {
            // The "&nbsp;&nbsp;" stands for the "　　" the clean text has.
            m.clean.replace(m.clean.size() - para.size() - 2, 2, u"  ");
        }
        m.damaged += bad + (n % 11 == 0 ? u"</p>\r\n" : u"\r\n");
    }
    return m;
}

// 乱码转正常 in place: every seventh paragraph of real prose damaged one way
// (whole, or one sentence inside it), every 29th with lost text.
void Repair(std::size_t units) {
    using E = qm::enc::Encoding;
    const auto misread = [](const std::u16string& t, E wrote, E read) {
        return qm::enc::Decode(qm::enc::Encode(t, wrote, false).bytes, read).text;
    };
    const auto latin1 = [](const std::string& b) {
        std::u16string out;
        for (const char c : b) out += static_cast<char16_t>(static_cast<unsigned char>(c));
        return out;
    };
    const char* kinds[] = {"UTF-8 as GBK",     "UTF-8 as Big5",  "GBK as Big5",
                           "UTF-8 as Latin-1", "GBK as Latin-1", "a sentence inside a line"};
    const auto paragraphs = material::LoadParagraphs(QM_NOVEL_DATA);
    std::vector<std::u16string> clean, damaged;
    std::vector<int> kind;  // -1 sound, -2 lossy, else an index of kinds
    std::size_t size = 0;
    for (std::size_t n = 0; size < units; ++n) {
        const std::u16string p = u"\u3000\u3000" + paragraphs[n % paragraphs.size()];
        clean.push_back(p);
        size += p.size() + 2;
        int k = -1;
        std::u16string d = p;
        if (n % 29 == 3) {
            k = -2;
            d.insert(d.size() / 2, u"锟斤拷锟斤拷");
            clean.back() = d;  // lost text stays; it is only listed
        } else if (n % 7 == 0) {
            k = static_cast<int>((n / 7) % std::size(kinds));
            switch (k) {
                case 0:
                    d = misread(p, E::Utf8, E::Gbk);
                    break;
                case 1:
                    d = misread(p, E::Utf8, E::Big5);
                    break;
                case 2:
                    d = misread(p, E::Gbk, E::Big5);
                    break;
                case 3:
                    d = latin1(qm::text::ToUtf8(p));
                    break;
                case 4:
                    d = latin1(qm::enc::Encode(p, E::Gbk).bytes);
                    break;
                default: {
                    const std::size_t from = p.find(u'，'), to = p.find(u'，', from + 1);
                    if (from == std::u16string::npos || to == std::u16string::npos) {
                        k = -1;
                        break;
                    }
                    d = p.substr(0, from + 1) +
                        misread(p.substr(from + 1, to - from - 1), E::Utf8, E::Gbk) + p.substr(to);
                }
            }
        }
        damaged.push_back(d);
        kind.push_back(k);
    }
    std::u16string text;
    for (const auto& d : damaged) text += d + u"\r\n";
    std::vector<qm::convert::GarbledSpan> spans;
    std::u16string out;
    const double ours = bench::BestOf(3, [&] {
        spans = qm::convert::FindGarbled(text);
        out = qm::convert::ApplyRepairs(text, spans).text;
    });
    const auto lines = qm::text::SplitLines(out);
    std::vector<std::size_t> planted(std::size(kinds)), restored(std::size(kinds));
    std::size_t lossyPlanted = 0, lossyListed = 0, soundChanged = 0;
    for (const auto& g : spans)
        lossyListed += g.kind == qm::convert::GarbledSpan::Kind::Lossy && kind[g.line] == -2;
    for (std::size_t i = 0; i < clean.size(); ++i) {
        const bool same = out.substr(lines[i].start, lines[i].length) == clean[i];
        if (kind[i] >= 0) {
            ++planted[kind[i]];
            restored[kind[i]] += same;
        } else {
            lossyPlanted += kind[i] == -2;
            soundChanged += same ? 0 : 1;
        }
    }
    std::printf("\n乱码转正常 on %zu units of real prose, a damaged paragraph in seven\n",
                text.size());
    for (std::size_t k = 0; k < std::size(kinds); ++k)
        std::printf("  %-28s restored byte for byte %zu / %zu\n", kinds[k], restored[k],
                    planted[k]);
    std::printf(
        "  lost passages listed %zu / %zu; sound or lost lines changed %zu; spans found %zu\n",
        lossyListed, lossyPlanted, soundChanged, spans.size());
    const std::string path = "/tmp/quillmere-bench-repair.txt";
    // The damaged text holds bytes GB18030 cannot (kept from bad reads): the
    // peer decodes the same text as UTF-8.
    std::ofstream(path, std::ios::binary) << qm::text::ToUtf8(text);
    const double iconv = bench::BestOf(
        3, [&] { bench::TimeCommand("iconv -f UTF-8 -t UTF-16LE " + path + " > /dev/null"); });
    std::remove(path.c_str());
    std::printf("  %-46s %.3f s   %-28s %.3f s   ratio %.2f\n", "finding and repairing", ours,
                "iconv (decoding alone)", iconv, iconv > 0 ? ours / iconv : 0.0);
}

// A book whose chapters came from sites in different encodings: three
// chapters in GBK, three in UTF-8, and so on, pasted together as bytes.
void Mixed(std::size_t chapters) {
    using E = qm::enc::Encoding;
    const auto paragraphs = material::LoadParagraphs(QM_NOVEL_DATA);
    std::u16string clean;
    std::string bytes;
    std::size_t runs = 0;
    for (std::size_t c = 0, p = 0; c < chapters; ++c) {
        std::u16string chapter = u"第";
        chapter += qm::text::WholeNumberText(static_cast<std::int64_t>(c + 1));
        chapter += u"章\r\n";
        for (std::size_t n = 0; n < 6; ++n, ++p)
            chapter += u"\u3000\u3000" + paragraphs[p % paragraphs.size()] + u"\r\n";
        clean += chapter;
        const bool utf8 = (c / 3) % 2 == 1;
        runs += c % 3 == 0 ? 1 : 0;
        bytes += utf8 ? qm::text::ToUtf8(chapter) : qm::enc::Encode(chapter, E::Gbk).bytes;
    }
    qm::enc::LoadedText loaded;
    const double t = bench::BestOf(3, [&] { loaded = qm::enc::DecodeFile(bytes); });
    std::printf(
        "\nmixed encodings: %zu chapters in %zu runs of GBK and UTF-8, %zu bytes: "
        "runs found %zu, text as written %s, bytes kept %zu, %.3f s\n",
        chapters, runs, bytes.size(), loaded.runs.size(), loaded.text == clean ? "yes" : "NO",
        loaded.invalid, t);
}

}  // namespace

int main() {
    const Material m = Make(5u << 20);  // 5 M units: 10 MB in UTF-16
    const std::string bytes = qm::text::ToUtf8(m.damaged);
    std::size_t zw = 0;
    for (const char16_t c : m.damaged) zw += c == 0x200B || c == 0x200C || c == 0x2060 ? 3 : 0;
    std::printf("%zu units of damaged text, %zu UTF-8 bytes, zero-width %.1f %% of them\n",
                m.damaged.size(), bytes.size(), 100.0 * zw / bytes.size());

    qm::scrub::Result r;
    const double ours = bench::BestOf(3, [&] { r = qm::scrub::Scrub(m.damaged); });
    const qm::scrub::PuaMap map = qm::scrub::ParsePuaMap(m.map);
    std::size_t replaced = 0;
    const double mapping =
        bench::BestOf(3, [&] { (void)qm::scrub::ReplacePrivateUse(r.text, map, &replaced); });
    const std::u16string out = qm::scrub::ReplacePrivateUse(r.text, map, &replaced);

    std::size_t invisible = 0;
    for (const char16_t c : out)
        invisible += (c >= 0x200B && c <= 0x200F) || (c >= 0x202A && c <= 0x202E) || c == 0x2060 ||
                             c == 0x00AD || c == 0xFEFF
                         ? 1
                         : 0;
    std::size_t changed = 0;
    const std::size_t common = std::min(out.size(), m.clean.size());
    for (std::size_t i = 0; i < common; ++i) changed += out[i] != m.clean[i] ? 1 : 0;
    changed += std::max(out.size(), m.clean.size()) - common;
    std::size_t intact = 0;
    for (const std::u16string l : {u"AT&T", u"R&D", u"&c", u"a & b", u"x<y"})
        for (std::size_t at = out.find(l); at != std::u16string::npos; at = out.find(l, at + 1))
            ++intact;
    std::printf(
        "  invisible characters left %zu, characters not as the clean text %zu, "
        "entity look-alikes kept %zu of %zu (false decodes %zu), private-use replaced %zu\n",
        invisible, changed, intact, m.lookAlikes, m.lookAlikes - std::min(intact, m.lookAlikes),
        replaced);

    const std::string path = "/tmp/quillmere-bench-scrub.txt";
    std::ofstream(path, std::ios::binary) << bytes;
    const double sed = bench::BestOf(3, [&] {
        bench::TimeCommand("sed -e 's/\\xe2\\x80[\\x8b\\x8c]//g; s/\\xe2\\x81\\xa0//g' " + path +
                           " > /dev/null");
    });
    std::remove(path.c_str());
    std::printf("  %-46s %.3f s   %-28s %.3f s   ratio %.2f\n", "scrub of the whole text", ours,
                "sed (zero-width only)", sed, sed > 0 ? ours / sed : 0.0);
    std::printf("  %-46s %.3f s\n", "private-use map applied", mapping);
    Repair(5u << 20);
    Mixed(3000);
    return 0;
}
