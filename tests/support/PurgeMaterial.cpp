#include "PurgeMaterial.h"

#include <algorithm>
#include <functional>

#include "Bytes.h"

namespace material {

namespace {

// A small generator of its own, so that every library plants the same marks.
class Random {
  public:
    explicit Random(unsigned seed) : s_(seed * 2654435761u + 1) {}
    std::size_t Below(std::size_t n) {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 17;
        s_ ^= s_ << 5;
        return n == 0 ? 0 : s_ % n;
    }

  private:
    std::uint32_t s_;
};

std::u16string Ascii(std::string_view s) { return std::u16string(s.begin(), s.end()); }

using Dress =
    std::function<std::u16string(const std::string& site, const std::string& tld, Random& r)>;

std::u16string Join(const std::u16string& s, std::u16string_view between) {
    std::u16string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (i > 0) out += between;
        out += s[i];
    }
    return out;
}

std::u16string Replace(std::u16string s, char16_t from, std::u16string_view to) {
    std::u16string out;
    for (const char16_t c : s) {
        if (c == from)
            out += to;
        else
            out += c;
    }
    return out;
}

struct Disguise {
    std::string name;
    Dress dress;
};

// Every disguise of an address the purge must see through.
std::vector<Disguise> Disguises() {
    auto plain = [](const std::string& site, const std::string& tld) {
        return Ascii("www." + site + "." + tld);
    };
    return {
        {"原样", [=](auto& s, auto& t, Random&) { return plain(s, t); }},
        {"全角",
         [=](auto& s, auto& t, Random&) {
             std::u16string out;
             for (const char16_t c : plain(s, t)) out += static_cast<char16_t>(c + 0xFEE0);
             return out;
         }},
        {"大小写",
         [=](auto& s, auto& t, Random& r) {
             std::u16string out = plain(s, t);
             for (char16_t& c : out)
                 if (c >= u'a' && c <= u'z' && r.Below(2) == 0) c = c - u'a' + u'A';
             out[0] = u'W';
             return out;
         }},
        {"字间空格", [=](auto& s, auto& t, Random&) { return Join(plain(s, t), u" "); }},
        {"全角空格", [=](auto& s, auto& t, Random&) { return Join(plain(s, t), u"\u3000"); }},
        {"零宽字符",
         [=](auto& s, auto& t, Random& r) {
             static const std::u16string kInvisible = u"\u200b\u200c\u200d\ufeff\u2060";
             std::u16string out;
             for (const char16_t c : plain(s, t)) {
                 if (!out.empty()) out += kInvisible[r.Below(kInvisible.size())];
                 out += c;
             }
             return out;
         }},
        {"点代点", [=](auto& s, auto& t, Random&) { return Replace(plain(s, t), u'.', u"点"); }},
        {"句号代点", [=](auto& s, auto& t, Random&) { return Replace(plain(s, t), u'.', u"。"); }},
        {"括号点",
         [=](auto& s, auto& t, Random& r) {
             return Replace(plain(s, t), u'.', r.Below(2) ? u"(点)" : u"（点）");
         }},
        {"ω代w", [=](auto& s, auto& t, Random&) { return u"ωωω." + Ascii(s + "." + t); }},
        {"全角w", [=](auto& s, auto& t, Random&) { return u"ｗｗｗ." + Ascii(s + "." + t); }},
        {"http前缀",
         [=](auto& s, auto& t, Random& r) {
             return u"http://" + plain(s, t) +
                    (r.Below(2) ? Ascii("/book/" + std::to_string(1000 + r.Below(9000)) + "/")
                                : u"");
         }},
        {"https前缀", [=](auto& s, auto& t, Random&) { return u"https://" + plain(s, t); }},
        {"无www", [=](auto& s, auto& t,
                      Random& r) { return Ascii((r.Below(2) ? "m." : "") + s + "." + t); }},
    };
}

const std::vector<std::string> kSites = {"biquge",   "23us",   "8dushu",  "xbiquge",  "qula",
                                         "uuxs",     "69shu",  "zwdu",    "dingdian", "81zw",
                                         "piaotian", "shuqi5", "kanshu8", "luoqiu"};
const std::vector<std::string> kTlds = {"com", "cc", "la", "net", "info", "org", "tw", "co"};
const std::vector<std::u16string> kNames = {u"笔趣阁",   u"八一中文网", u"顶点小说",
                                            u"飘天文学", u"书友上传网", u"落秋中文网"};

// {U} an address, {N} a site name.
const std::vector<std::u16string> kLineForms = {
    u"最新章节请访问{U}无弹窗广告",
    u"手机阅读请访问{U}",
    u"天才一秒记住本站地址：{U}",
    u"本书由{N}整理，更多精彩小说请访问{U}",
    u"{U}",
    u"　　{U}",
    u"请记住本书首发域名：{U}",
    u"【{N} {U}】",
    u"（{U}）",
    u"{N} {U} 最快更新！",
};
const std::vector<std::u16string> kFragmentForms = {
    u"（{U}）",
    u"[{U}]",
    u"【{N} {U}】",
    u"{U}　",
    u"最新章节请访问{U}，",
    u"（天才一秒记住本站地址：{U}）",
    u"手机用户请到{U}阅读。",
    u"——{U}——",
    u"|{U}|",
    u"{U}……",
};
// Marks without an address.
const std::vector<std::u16string> kPhraseLines = {
    u"（本章未完，请翻页）", u"本章未完，请点击下一页继续阅读",
    u"【八一中文网】",       u"[顶点小说网]",
    u"〖笔趣阁〗",           u"百度搜索 笔趣阁 看最新章节",
    u"TXT电子书免费下载",
};
const std::vector<std::u16string> kPhraseFragments = {u"（本章未完，请翻页）", u"【八一中文网】",
                                                      u"[顶点小说网]", u"（请记住本站网址）"};

std::u16string Fill(std::u16string form, const std::u16string& url, const std::u16string& name) {
    for (std::size_t at; (at = form.find(u"{U}")) != std::u16string::npos;)
        form.replace(at, 3, url);
    for (std::size_t at; (at = form.find(u"{N}")) != std::u16string::npos;)
        form.replace(at, 3, name);
    return form;
}

bool IsHeading(std::u16string_view line) {
    return line.size() < 40 && line.starts_with(u"第") &&
           (line.find(u"回") != std::u16string_view::npos ||
            line.find(u"章") != std::u16string_view::npos);
}

bool IsHanUnit(char16_t c) { return c >= 0x4E00 && c <= 0x9FFF; }

// Places inside a paragraph right after a sentence, before more prose.
std::vector<std::size_t> SentenceEnds(std::u16string_view p) {
    std::vector<std::size_t> at;
    for (std::size_t i = 1; i + 1 < p.size(); ++i) {
        const char16_t c = p[i - 1];
        const bool end = c == u'。' || c == u'．' || c == u'！' || c == u'？' || c == u'”';
        if (end && IsHanUnit(p[i])) at.push_back(i);
    }
    return at;
}

}  // namespace

std::u16string ReadUtf8File(const std::string& path) {
    const std::u16string text = testsupport::FromUtf8(testsupport::ReadFileBytes(path));
    std::u16string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r') continue;
        if (text[i] == u'\n') {
            out += u"\r\n";
            continue;
        }
        out += text[i];
    }
    return out;
}

Material Plant(const std::u16string& prose, unsigned seed) {
    Random r(seed);
    const std::vector<Disguise> disguises = Disguises();
    std::size_t nextLine = 0, nextFragment = 0;
    Material m;
    m.clean = prose;
    std::size_t lineNo = 0;
    auto emit = [&](const std::u16string& line) {
        m.dirty += line;
        m.dirty += u"\r\n";
        ++lineNo;
    };
    auto plantLine = [&](const std::u16string& text, const std::string& disguise) {
        m.marks.push_back({disguise, true, m.dirty.size(), text.size() + 2});
        emit(text);
    };
    auto address = [&](std::size_t& next, std::string& name) {
        // Round the disguises, then one more kind: marks without an address.
        const std::size_t k = next++ % (disguises.size() + 1);
        if (k == disguises.size()) {
            name = "无网址短语";
            return std::u16string();
        }
        name = disguises[k].name;
        return disguises[k].dress(kSites[r.Below(kSites.size())], kTlds[r.Below(kTlds.size())], r);
    };
    std::size_t start = 0;
    while (start < prose.size()) {
        std::size_t end = prose.find(u"\r\n", start);
        if (end == std::u16string::npos) end = prose.size();
        std::u16string line = prose.substr(start, end - start);
        start = end + 2;
        if (IsHeading(line)) {
            m.headings.push_back(lineNo);
            emit(line);
            // A watermark of the site's own, in no built-in list: only its
            // repetition across chapters gives it away.
            plantLine(u"〖烟雨书斋〗", "重复水印行");
            continue;
        }
        const std::size_t lineStart = m.dirty.size();
        // A fragment in about half the paragraphs with room for one.
        const std::vector<std::size_t> ends = SentenceEnds(line);
        std::vector<std::pair<std::size_t, std::size_t>> inserted;  // offset in line, length
        std::vector<std::string> names;
        if (!ends.empty() && r.Below(2) == 0) {
            std::string name;
            const std::u16string url = address(nextFragment, name);
            const std::u16string n = kNames[r.Below(kNames.size())];
            const std::u16string text =
                url.empty() ? kPhraseFragments[r.Below(kPhraseFragments.size())]
                            : Fill(kFragmentForms[r.Below(kFragmentForms.size())], url, n);
            const std::size_t at = ends[r.Below(ends.size())];
            line.insert(at, text);
            inserted.push_back({at, text.size()});
            names.push_back(name);
        }
        // A bracketed watermark repeated in a paragraph of every chapter.
        if (!m.headings.empty() && m.headings.back() + 2 == lineNo) {
            const std::vector<std::size_t> e = SentenceEnds(line);
            std::vector<std::size_t> free;
            for (const std::size_t x : e) {
                bool clash = false;
                for (const auto& [a, len] : inserted)
                    if (x >= a && x <= a + len) clash = true;
                if (!clash) free.push_back(x);
            }
            if (!free.empty()) {
                const std::u16string text = u"〔书友群：12345678〕";
                const std::size_t at = free[r.Below(free.size())];
                for (auto& [a, len] : inserted)
                    if (a >= at) a += text.size();
                line.insert(at, text);
                inserted.push_back({at, text.size()});
                names.push_back("重复水印括注");
            }
        }
        for (std::size_t i = 0; i < inserted.size(); ++i)
            m.marks.push_back({names[i], false, lineStart + inserted[i].first, inserted[i].second});
        emit(line);
        // A line of its own after about a third of the paragraphs.
        if (r.Below(3) == 0 && start < prose.size()) {
            std::string name;
            const std::u16string url = address(nextLine, name);
            const std::u16string n = kNames[r.Below(kNames.size())];
            plantLine(url.empty() ? kPhraseLines[r.Below(kPhraseLines.size())]
                                  : Fill(kLineForms[r.Below(kLineForms.size())], url, n),
                      name);
        }
    }
    // The prose's own last line break, if it had none, is not added.
    if (!prose.ends_with(u"\r\n") && m.dirty.ends_with(u"\r\n")) m.dirty.resize(m.dirty.size() - 2);
    return m;
}

Figures Measure(const Material& m, const qm::purge::Options& options) {
    const qm::purge::Found all = qm::purge::Find(m.dirty, options);
    const std::vector<qm::purge::Hit> chosen = qm::purge::DefaultChoice(all.hits);
    std::vector<bool> gone(m.dirty.size(), false);
    for (const qm::purge::Hit& h : chosen)
        for (std::size_t i = h.start; i < h.start + h.length && i < gone.size(); ++i)
            gone[i] = true;
    std::vector<bool> planted(m.dirty.size(), false);
    Figures fig;
    for (const Mark& k : m.marks) {
        bool all = true;
        for (std::size_t i = k.start; i < k.start + k.length; ++i) {
            planted[i] = true;
            all = all && gone[i];
        }
        for (Tally* t :
             {&fig.byDisguise[k.disguise], k.wholeLine ? &fig.lines : &fig.fragments, &fig.all}) {
            ++t->planted;
            if (all) ++t->removed;
        }
    }
    for (std::size_t i = 0; i < gone.size(); ++i)
        if (gone[i] && !planted[i]) ++fig.realUnitsRemoved;
    fig.suspects = all.hits.size() - chosen.size();
    fig.restored = qm::purge::Apply(m.dirty, chosen).text == m.clean;
    return fig;
}

}  // namespace material
