// Prints how well the purge does on the planted material: the share of marks
// removed, overall, for each family of marks and for each disguise, the real
// characters removed (must be 0) there and in a novel whose nicknames and
// slogans in 「」 repeat in every chapter, whether the innocent text stays
// unchanged, and the time on a 10 MB novel.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "Bytes.h"
#include "PurgeMaterial.h"

namespace {

double Share(const material::Tally& t) {
    return t.planted == 0 ? 100.0 : 100.0 * static_cast<double>(t.removed) / t.planted;
}

// The phrase material names its marks "family/disguise": each counted under both.
std::map<std::string, material::Tally> Split(const std::map<std::string, material::Tally>& by) {
    std::map<std::string, material::Tally> out;
    for (const auto& [name, t] : by) {
        const std::size_t slash = name.find('/');
        for (const std::string& key :
             {name.substr(0, slash), slash == std::string::npos ? "" : name.substr(slash + 1)}) {
            if (key.empty()) continue;
            out[key].planted += t.planted;
            out[key].removed += t.removed;
        }
    }
    return out;
}

void Print(const char* title, const material::Figures& f) {
    std::printf("%s\n", title);
    for (const auto& [name, t] : Split(f.byDisguise))
        std::printf("  %-16s %4zu / %4zu  %6.1f %%\n", name.c_str(), t.removed, t.planted,
                    Share(t));
    std::printf("  lines            %4zu / %4zu  %6.1f %%\n", f.lines.removed, f.lines.planted,
                Share(f.lines));
    std::printf("  fragments        %4zu / %4zu  %6.1f %%\n", f.fragments.removed,
                f.fragments.planted, Share(f.fragments));
    std::printf("  overall          %4zu / %4zu  %6.1f %%\n", f.all.removed, f.all.planted,
                Share(f.all));
    std::printf("  real characters removed: %zu\n", f.realUnitsRemoved);
    std::printf("  suspects listed, not removed: %zu\n", f.suspects);
    std::printf("  purged text is the clean prose: %s\n", f.restored ? "yes" : "no");
    // The targets the planted material is held to.
    bool met = f.all.removed * 100 >= f.all.planted * 95 && f.realUnitsRemoved == 0 && f.restored;
    for (const auto& [name, t] : f.byDisguise) met = met && t.removed * 100 >= t.planted * 90;
    std::printf(
        "  targets (95 %% of the marks, 90 %% of each disguise, no real character "
        "removed, the clean prose back): %s\n",
        met ? "met" : "MISSED");
}

void Add(material::Figures& sum, const material::Figures& f) {
    for (const auto& [name, t] : f.byDisguise) {
        sum.byDisguise[name].planted += t.planted;
        sum.byDisguise[name].removed += t.removed;
    }
    sum.suspects += f.suspects;
    for (auto [a, b] : {std::pair{&sum.lines, &f.lines}, std::pair{&sum.fragments, &f.fragments},
                        std::pair{&sum.all, &f.all}}) {
        a->planted += b->planted;
        a->removed += b->removed;
    }
    sum.realUnitsRemoved += f.realUnitsRemoved;
    sum.restored = sum.restored && f.restored;
}

std::vector<std::u16string> Lines(const std::u16string& text) {
    std::vector<std::u16string> out;
    for (std::size_t a = 0, b; a < text.size(); a = b + 2) {
        b = std::min(text.find(u"\r\n", a), text.size());
        out.push_back(text.substr(a, b - a));
    }
    return out;
}

bool IsHeading(std::u16string_view line) { return line.starts_with(u"第") && line.size() < 40; }

struct Phrase {
    const char* family;
    std::u16string_view text;
};

// Marks without an address, each family in its usual shapes.
constexpr Phrase kPhrases[] = {
    {"站名指引", u"看最新章节到笔趣阁"},
    {"站名指引", u"本书最新章节请到八一中文网阅读"},
    {"站名指引", u"（本书首发落秋中文网）"},
    {"站名指引", u"最新章节请上顶点小说阅读"},
    {"括号站名", u"[墨香书阁]"},
    {"括号站名", u"【顶点小说】"},
    {"括号站名", u"〖烟雨书屋〗"},
    {"括号站名", u"【八一中文网】"},
    {"广告短语", u"（本章未完，请翻页）"},
    {"广告短语", u"百度搜索 笔趣阁 看最新章节"},
    {"广告短语", u"TXT电子书免费下载"},
    {"广告短语", u"天才一秒记住本站地址"},
};
constexpr const char* kDisguises[] = {"原样", "字间空格", "全角空格", "零宽字符", "全角"};

std::u16string Dress(std::string_view disguise, std::u16string_view s) {
    std::u16string out;
    for (const char16_t c : s) {
        if (!out.empty() && disguise == "字间空格") out += u' ';
        if (!out.empty() && disguise == "全角空格") out += u'\u3000';
        if (!out.empty() && disguise == "零宽字符") out += u'\u200b';
        const bool wide = disguise == "全角" && c > u' ' && c < 0x7F;
        out += wide ? static_cast<char16_t>(c + 0xFEE0) : c;
    }
    return out;
}

// The prose with every phrase in every disguise, in turn: a line of its own
// after even paragraphs, inside odd ones after their first sentence.
material::Material PlantPhrases(const std::u16string& prose, std::size_t turn) {
    material::Material m;
    m.clean = prose;
    std::size_t paragraph = 0;
    auto next = [&](bool wholeLine, std::size_t at) {
        const Phrase& p = kPhrases[turn % std::size(kPhrases)];
        const char* d = kDisguises[turn / std::size(kPhrases) % std::size(kDisguises)];
        ++turn;
        const std::u16string text = Dress(d, p.text);
        m.marks.push_back(
            {std::string(p.family) + "/" + d, wholeLine, at, text.size() + (wholeLine ? 2 : 0)});
        return text;
    };
    for (std::u16string line : Lines(prose)) {
        if (IsHeading(line)) {
            m.headings.push_back(
                static_cast<std::size_t>(std::count(m.dirty.begin(), m.dirty.end(), u'\n')));
        } else if (paragraph++ % 2 == 1) {
            const std::size_t end = line.find(u'。');
            if (end != std::u16string::npos && end + 2 < line.size())
                line.insert(end + 1, next(false, m.dirty.size() + end + 1));
        }
        m.dirty += line + u"\r\n";
        if (!IsHeading(line) && paragraph % 2 == 1) m.dirty += next(true, m.dirty.size()) + u"\r\n";
    }
    return m;
}

// The prose as a novel whose people carry names in 「」, as some classics
// print them: the names in 「」 wherever they stand, and after each heading
// a roll call of bracketed names and a couplet in 「」. No mark at all.
material::Material Nicknamed(const std::u16string& prose) {
    material::Material m;
    for (std::u16string line : Lines(prose)) {
        if (IsHeading(line)) {
            m.headings.push_back(
                static_cast<std::size_t>(std::count(m.clean.begin(), m.clean.end(), u'\n')));
            line +=
                u"\r\n「甄士隐」「贾雨村」「冷子兴」「林黛玉」\r\n"
                u"　　门前挂着一副对联，写的是「假作真时真亦假」「无为有处有还无」。";
            m.clean += line + u"\r\n";
            continue;
        }
        for (const std::u16string_view name : {u"士隐", u"雨村"}) {
            std::u16string wrapped = u"「";
            wrapped.append(name).append(u"」");
            for (std::size_t at = 0; (at = line.find(name, at)) != std::u16string::npos;
                 at += wrapped.size())
                line.replace(at, name.size(), wrapped);
        }
        m.clean += line + u"\r\n";
    }
    m.dirty = m.clean;
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : QM_PURGE_DATA;
    const int seeds = argc > 2 ? std::stoi(argv[2]) : 20;
    const std::u16string prose = material::ReadUtf8File(dir + "/prose.txt");
    const std::u16string innocent = material::ReadUtf8File(dir + "/innocent.txt");
    if (prose.empty() || innocent.empty()) {
        std::fprintf(stderr, "no material in %s\n", dir.c_str());
        return 2;
    }
    for (const bool headings : {true, false}) {
        material::Figures sum;
        sum.restored = true;
        for (int s = 1; s <= seeds; ++s) {
            const material::Material m = material::Plant(prose, s);
            qm::purge::Options o;
            if (headings) o.chapterLines = m.headings;
            Add(sum, material::Measure(m, o));
        }
        const std::string title = std::to_string(seeds) + " plantings, chapter headings " +
                                  (headings ? "given" : "not given");
        Print(title.c_str(), sum);
    }
    for (const bool headings : {true, false}) {
        material::Figures sum;
        sum.restored = true;
        // Enough turns that every phrase meets every disguise, as line and as fragment.
        for (std::size_t turn = 0; turn < 4 * std::size(kPhrases) * std::size(kDisguises);
             turn += 7) {
            const material::Material m = PlantPhrases(prose, turn);
            qm::purge::Options o;
            if (headings) o.chapterLines = m.headings;
            Add(sum, material::Measure(m, o));
        }
        Print(headings ? "phrases without an address, chapter headings given"
                       : "phrases without an address, chapter headings not given",
              sum);
    }
    // The same prose as a novel with nicknames, a roll call and a couplet in
    // 「」 in every chapter: nothing of it may go.
    const material::Material nick = Nicknamed(prose);
    for (const bool headings : {true, false}) {
        qm::purge::Options o;
        if (headings) o.chapterLines = nick.headings;
        const material::Figures f = material::Measure(nick, o);
        std::printf(
            "nicknames in 「」, chapter headings %s: real characters removed %zu, "
            "suspects listed (unchecked) %zu, text unchanged: %s\n",
            headings ? "given" : "not given", f.realUnitsRemoved, f.suspects,
            f.restored ? "yes" : "no");
    }
    const qm::purge::Found clean = qm::purge::Find(prose);
    std::printf("hits on the clean prose: %zu\n", clean.hits.size());
    const qm::purge::Found inn = qm::purge::Find(innocent);
    std::printf(
        "innocent text unchanged: %s (%zu hits)\n",
        qm::purge::Apply(innocent, inn.hits).text == innocent && inn.hits.empty() ? "yes" : "no",
        inn.hits.size());
    for (const auto& h : inn.hits)
        std::printf("  innocent hit, line %zu: %s\n", h.line, testsupport::Utf8(h.text).c_str());

    // A 10 MB novel (5.2 million units, as GBK would hold it).
    std::u16string big;
    for (int s = 1; big.size() < 5'200'000; ++s) big += material::Plant(prose, s).dirty;
    const auto t0 = std::chrono::steady_clock::now();
    const qm::purge::Found f = qm::purge::Find(big);
    const auto t1 = std::chrono::steady_clock::now();
    const qm::purge::Applied a = qm::purge::Apply(big, f.hits);
    const auto t2 = std::chrono::steady_clock::now();
    auto ms = [](auto d) { return std::chrono::duration<double, std::milli>(d).count(); };
    std::printf("10 MB novel (%zu units, %zu hits): find %.0f ms, apply %.0f ms\n", big.size(),
                f.hits.size(), ms(t1 - t0), ms(t2 - t1));
    return a.text.size() < big.size() ? 0 : 1;
}
