// Prints how well the purge does on the planted material: the share of marks
// removed, overall and for each disguise, the real characters removed (must
// be 0), whether the innocent text stays unchanged, and the time on a 10 MB
// novel.
#include <chrono>
#include <cstdio>
#include <string>

#include "Bytes.h"
#include "PurgeMaterial.h"

namespace {

double Share(const material::Tally& t) {
    return t.planted == 0 ? 100.0 : 100.0 * static_cast<double>(t.removed) / t.planted;
}

void Print(const char* title, const material::Figures& f) {
    std::printf("%s\n", title);
    for (const auto& [name, t] : f.byDisguise)
        std::printf("  %-16s %4zu / %4zu  %6.1f %%\n", name.c_str(), t.removed, t.planted,
                    Share(t));
    std::printf("  lines            %4zu / %4zu  %6.1f %%\n", f.lines.removed, f.lines.planted,
                Share(f.lines));
    std::printf("  fragments        %4zu / %4zu  %6.1f %%\n", f.fragments.removed,
                f.fragments.planted, Share(f.fragments));
    std::printf("  overall          %4zu / %4zu  %6.1f %%\n", f.all.removed, f.all.planted,
                Share(f.all));
    std::printf("  real characters removed: %zu\n", f.realUnitsRemoved);
    std::printf("  purged text is the clean prose: %s\n", f.restored ? "yes" : "no");
}

void Add(material::Figures& sum, const material::Figures& f) {
    for (const auto& [name, t] : f.byDisguise) {
        sum.byDisguise[name].planted += t.planted;
        sum.byDisguise[name].removed += t.removed;
    }
    for (auto [a, b] : {std::pair{&sum.lines, &f.lines}, std::pair{&sum.fragments, &f.fragments},
                        std::pair{&sum.all, &f.all}}) {
        a->planted += b->planted;
        a->removed += b->removed;
    }
    sum.realUnitsRemoved += f.realUnitsRemoved;
    sum.restored = sum.restored && f.restored;
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
