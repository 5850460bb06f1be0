// The book audit on the test material: clean books of several shapes (long
// and short chapters, a poem, an author's note, a closing formula, volumes)
// and the same books with holes of every kind planted. The figures: per kind
// found/planted, findings where nothing was planted, findings on the clean
// books, and the time for 10 MB.
#include <cstdio>
#include <map>
#include <string>

#include "AuditBooks.h"
#include "BenchSupport.h"
#include "NovelMaterial.h"
#include "core/novel/Merge.h"
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

    // Merging: two copies with holes in different chapters, the second
    // numbered its own way and with one chapter more.
    std::size_t chapters = 0, aligned = 0, bodies = 0, right = 0;
    for (std::uint32_t seed = 1; seed <= 5; ++seed) {
        for (const auto& c : material::MergeCases(paragraphs, seed)) {
            const qm::audit::Merged m = qm::audit::Merge(c.a, c.b);
            chapters += c.aligned.size();
            for (std::size_t i = 0; i < c.aligned.size() && i < m.chapters.size(); ++i) {
                const bool ok = m.chapters[i].lineA == c.aligned[i].first &&
                                m.chapters[i].lineB == c.aligned[i].second;
                aligned += ok ? 1 : 0;
                if (!ok && Verbose)
                    std::printf("  misaligned chapter %zu in %s\n", i, c.name.c_str());
            }
            // Each chapter's text against what it should be.
            const qm::audit::Report got = qm::audit::Audit(m.text);
            const qm::audit::Report want = qm::audit::Audit(c.want);
            bodies += want.chapters.size();
            for (std::size_t i = 0; i < want.chapters.size() && i < got.chapters.size(); ++i) {
                const auto& g = got.chapters[i];
                const auto& w = want.chapters[i];
                const bool ok = std::u16string_view(m.text).substr(g.start, g.end - g.start) ==
                                std::u16string_view(c.want).substr(w.start, w.end - w.start);
                right += ok ? 1 : 0;
                if (!ok && Verbose) {
                    std::printf("  wrong body at line %zu in %s:", w.line + 1, c.name.c_str());
                    const auto& mc = m.chapters[i];
                    for (const auto& [r, line] :
                         {std::pair{qm::audit::Audit(c.a), mc.lineA},
                          std::pair{qm::audit::Audit(c.b), std::optional(mc.lineB.value_or(0))}}) {
                        std::printf(" [%zu", line.value_or(0) + 1);
                        for (const auto& f : r.findings)
                            if (line && f.line == *line)
                                std::printf(" %s", qm::audit::KindName(f.kind));
                        std::printf("]");
                    }
                    std::printf(" took %s\n", mc.source == qm::audit::Source::A ? "A" : "B");
                    std::printf(
                        "    got  %s\n    want %s\n",
                        qm::text::ToUtf8(
                            std::u16string(m.text.substr(g.start, g.end - g.start)).substr(0, 200))
                            .c_str(),
                        qm::text::ToUtf8(
                            std::u16string(c.want.substr(w.start, w.end - w.start)).substr(0, 200))
                            .c_str());
                }
            }
        }
    }
    std::printf(
        "merging: chapters aligned right %zu / %zu (%.1f %%), bodies right %zu / %zu (%.1f %%)\n",
        aligned, chapters, 100.0 * static_cast<double>(aligned) / static_cast<double>(chapters),
        right, bodies, 100.0 * static_cast<double>(right) / static_cast<double>(bodies));

    const std::u16string big = material::LargeAuditBook(paragraphs, 10u << 20);
    std::size_t findings = 0;
    const double t = bench::BestOf(3, [&] { findings = qm::audit::Audit(big).findings.size(); });
    std::printf("10 MB (%zu UTF-8 bytes): %.3f s, %zu findings\n", qm::text::Utf8Length(big), t,
                findings);
    // The second copy: the same book with every tenth chapter a placeholder.
    std::u16string other = big;
    std::size_t n = 0;
    for (std::size_t at = 0; (at = other.find(u"章 ", at)) != std::u16string::npos; ++at) {
        if (++n % 10 != 0) continue;
        const std::size_t body = other.find(u"\r\n", at) + 2;
        other.replace(body, other.find(u"\r\n", body) - body, u"　　正在手打中，请稍等片刻。");
    }
    std::size_t merged = 0;
    const double tm =
        bench::BestOf(3, [&] { merged = qm::audit::Merge(big, other).chapters.size(); });
    std::printf("merging two 10 MB copies: %.3f s, %zu chapters\n", tm, merged);
}
