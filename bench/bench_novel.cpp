// The novel tools: how well the re-flow and the chapter list do on real prose
// wrapped the ways downloaded novels come (share of right join/keep decisions,
// headings glued, visible characters changed, heading precision and recall,
// planted numbering faults found and false reports), and how long they take on
// 10 MB and 100 MB.
#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "BenchSupport.h"
#include "NovelMaterial.h"
#include "core/novel/Chapters.h"
#include "core/novel/Reflow.h"

using material::Layout;
using material::Wrap;

namespace {

struct Row {
    std::string name;
    std::vector<Layout> layouts;
};

void Figures(const std::vector<material::Book>& clean, const std::vector<material::Book>& faulty) {
    const Wrap wraps[] = {Wrap::Chars30, Wrap::Chars35, Wrap::Chars40, Wrap::Chars64,
                          Wrap::Bytes76, Wrap::Bytes80, Wrap::Ragged,  Wrap::None};
    std::printf("%-22s %8s %8s %6s %6s %9s %9s %11s %9s\n", "layout", "breaks", "right%", "glued",
                "chars", "precision", "recall", "faults", "false/bk");
    for (const int kind : {0, 1, 2}) {  // indented, not indented, blank lines
        for (const Wrap w : wraps) {
            Layout layout{w, kind == 0, kind == 2};
            material::Score total;
            std::size_t worstFalse = 0;
            for (std::size_t b = 0; b < clean.size(); ++b) {
                const auto s = material::Measure(clean[b], layout, static_cast<std::uint32_t>(b));
                total.breaks += s.breaks;
                total.right += s.right;
                total.headings += s.headings;
                total.glued += s.glued;
                total.changed += s.changed;
                total.found += s.found;
                total.foundRight += s.foundRight;
                worstFalse = std::max(worstFalse, s.falseReports);
            }
            for (std::size_t b = 0; b < faulty.size(); ++b) {
                const auto s =
                    material::Measure(faulty[b], layout, static_cast<std::uint32_t>(b + 100));
                total.faults += s.faults;
                total.faultsFound += s.faultsFound;
                worstFalse = std::max(worstFalse, s.falseReports);
            }
            const std::string name =
                std::string(material::WrapName(w)) + (kind == 0   ? " 缩进"
                                                      : kind == 1 ? " 无缩进"
                                                                  : " 空行分段");
            std::printf("%-26s %8zu %7.2f%% %6zu %6zu %8.2f%% %8.2f%% %5zu/%-5zu %9zu\n",
                        name.c_str(), total.breaks, 100.0 * total.right / total.breaks, total.glued,
                        total.changed,
                        100.0 * total.foundRight / std::max<std::size_t>(total.found, 1),
                        100.0 * total.foundRight / std::max<std::size_t>(total.headings, 1),
                        total.faultsFound, total.faults, worstFalse);
        }
    }
}

// A collection of stories: each titled by a line without a number and closed
// by a date, in every layout; the titles glued to the text around them.
void Collection(const std::vector<std::u16string>& paragraphs) {
    const std::u16string titles[] = {u"山居杂记", u"故乡的河", u"秋夜",         u"风筝",
                                     u"旧友",     u"在酒楼上", u"Winter Notes", u"雨后"};
    const std::u16string dates[] = {u"一九三〇年五月。", u"1931年3月", u"一九二五年冬。",
                                    u"一九二四年九月，北京"};
    material::Book book{"collection", {}, {}};
    for (std::size_t k = 0, p = 0; k < 40; ++k) {
        book.items.push_back({material::Item::Heading, titles[k % std::size(titles)]});
        for (std::size_t n = 0; n < 4; ++n, ++p)
            book.items.push_back({material::Item::Paragraph, paragraphs[p % paragraphs.size()]});
        book.items.push_back({material::Item::Paragraph, dates[k % std::size(dates)]});
    }
    std::printf(
        "\na collection of 40 stories with titles without numbers, each closed by a date:\n");
    for (const int kind : {0, 1, 2}) {
        std::string line;
        std::size_t glued = 0, titles = 0;
        for (const Wrap w :
             {Wrap::Chars30, Wrap::Chars40, Wrap::Bytes76, Wrap::Ragged, Wrap::None}) {
            const auto s = material::Measure(book, {w, kind == 0, kind == 2}, 7);
            glued += s.glued;
            titles += s.headings;
        }
        std::printf("  %-10s titles glued %zu of %zu (30/40 字, 76 字节, 网页参差, 不折行)\n",
                    kind == 0   ? "缩进"
                    : kind == 1 ? "无缩进"
                                : "空行分段",
                    glued, titles);
    }
}

// A long novel: the material's books wrapped at 40 characters, over and over.
std::u16string BigText(const std::vector<material::Book>& books, std::size_t gbkBytes) {
    std::u16string one;
    for (std::size_t b = 0; b < books.size(); ++b) {
        one += material::WrapBook(books[b], {Wrap::Chars40, true, false}, 1).text;
    }
    std::u16string out;
    out.reserve(gbkBytes / 2 + one.size());
    while (out.size() * 2 < gbkBytes) out += one;
    return out;
}

void Timing(const std::vector<material::Book>& books, std::size_t mb, int runs) {
    const std::u16string text = BigText(books, mb * 1000 * 1000);
    std::printf("\n%zu MB (as GBK; %zu UTF-16 units, %zu lines):\n", mb, text.size(),
                static_cast<std::size_t>(std::count(text.begin(), text.end(), u'\n')));
    qm::reflow::Plan plan;
    std::vector<qm::chapters::Heading> headings;
    std::printf("  re-flow decide     %7.3f s\n",
                bench::BestOf(runs, [&] { plan = qm::reflow::Decide(text); }));
    std::printf("  re-flow apply      %7.3f s\n",
                bench::BestOf(runs, [&] { (void)qm::reflow::Apply(text, plan); }));
    const double find = bench::BestOf(runs, [&] { headings = qm::chapters::Find(text); });
    std::printf("  chapters find      %7.3f s (%zu headings)\n", find, headings.size());
    std::printf("  numbering check    %7.3f s\n",
                bench::BestOf(runs, [&] { (void)qm::chapters::Check(headings); }));
    const std::u16string flowed = qm::reflow::Apply(text, plan);
    std::printf("  段首缩进           %7.3f s\n",
                bench::BestOf(runs, [&] { (void)qm::reflow::Indent(flowed); }));
    std::printf("  段间空行           %7.3f s\n",
                bench::BestOf(runs, [&] { (void)qm::reflow::BlankLines(flowed); }));
}

}  // namespace

int main(int argc, char** argv) {
    const auto paragraphs = material::LoadParagraphs(QM_NOVEL_DATA);
    if (paragraphs.empty()) {
        std::fprintf(stderr, "no material in %s\n", QM_NOVEL_DATA);
        return 1;
    }
    const auto clean = material::MakeBooks(paragraphs, false);
    const auto faulty = material::MakeBooks(paragraphs, true);
    std::printf("%zu books of real prose, %zu paragraphs of material\n\n", clean.size(),
                paragraphs.size());
    Figures(clean, faulty);
    Collection(paragraphs);
    if (argc > 1 && std::string_view(argv[1]) == "figures") return 0;  // the decisions only
    Timing(clean, 10, 3);
    Timing(clean, 100, 1);
    return 0;
}
