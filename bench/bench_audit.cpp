// The book audit on the test material: clean books of several shapes (long
// and short chapters, a poem, an author's note, a closing formula, volumes)
// and the same books with holes of every kind planted. The figures: per kind
// found/planted, findings where nothing was planted, findings on the clean
// books, and the time for 10 MB.
#include <cstdio>
#include <map>
#include <string>

#include "AuditMaterial.h"
#include "BenchSupport.h"
#include "NovelMaterial.h"
#include "core/text/Utf8.h"

namespace {

using qm::audit::Kind;

bool Verbose = false;

void Show(const std::string& book, const qm::audit::Finding& f) {
    std::printf("  %s: %s line %zu %s\n", book.c_str(), qm::audit::KindName(f.kind), f.line + 1,
                qm::text::ToUtf8(f.reason).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    Verbose = argc > 1 && std::string(argv[1]) == "-v";
    const auto paragraphs = material::LoadParagraphs(QM_NOVEL_DATA);

    std::size_t cleanFalse = 0;
    const auto clean = material::CleanAuditBooks(paragraphs);
    for (const auto& b : clean) {
        const qm::audit::Report r = qm::audit::Audit(b.text);
        cleanFalse += r.findings.size();
        for (const auto& f : r.findings) Show(b.name, f);
        if (Verbose)
            std::printf("  %s: %zu chapters, median %zu\n", b.name.c_str(), r.chapters.size(),
                        r.median);
    }
    std::printf("clean books: %zu, false findings: %zu\n", clean.size(), cleanFalse);

    std::map<Kind, std::size_t> planted, found;
    std::size_t falseFindings = 0;
    std::size_t books = 0;
    for (std::uint32_t seed = 1; seed <= 5; ++seed) {
        for (const auto& b : material::PlantedAuditBooks(paragraphs, seed)) {
            ++books;
            const qm::audit::Report r = qm::audit::Audit(b.text);
            for (const auto& p : b.planted) {
                ++planted[p.kind];
                bool hit = false;
                for (const auto& f : r.findings)
                    hit = hit || (f.line == p.line && f.kind == p.kind);
                if (hit) {
                    ++found[p.kind];
                } else if (Verbose) {
                    std::printf("  missed %s at line %zu in %s\n", qm::audit::KindName(p.kind),
                                p.line + 1, b.name.c_str());
                }
            }
            for (const auto& f : r.findings) {
                bool wanted = false;
                for (const auto& p : b.planted) wanted = wanted || p.line == f.line;
                if (!wanted) {
                    ++falseFindings;
                    if (Verbose) Show(b.name, f);
                }
            }
        }
    }
    std::printf("planted books: %zu\n", books);
    for (const auto& [kind, n] : planted)
        std::printf("  %-17s found %zu / %zu (%.1f %%)\n", qm::audit::KindName(kind), found[kind],
                    n, 100.0 * static_cast<double>(found[kind]) / static_cast<double>(n));
    std::printf("  findings on chapters where nothing was planted: %zu\n", falseFindings);

    const std::u16string big = material::LargeAuditBook(paragraphs, 10u << 20);
    std::size_t findings = 0;
    const double t = bench::BestOf(3, [&] { findings = qm::audit::Audit(big).findings.size(); });
    std::printf("10 MB (%zu UTF-8 bytes): %.3f s, %zu findings\n", qm::text::Utf8Length(big), t,
                findings);
}
