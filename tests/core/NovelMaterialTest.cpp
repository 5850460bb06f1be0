// The re-flow and the chapter list on real prose wrapped every way the
// material is made in, held to the figures they must reach.
#include <gtest/gtest.h>

#include "NovelMaterial.h"

using material::Layout;
using material::Wrap;

namespace {

const std::vector<std::u16string>& Paragraphs() {
    static const auto p = material::LoadParagraphs(QM_NOVEL_DATA);
    return p;
}

struct Target {
    Layout layout;
    double rightShare;  // of the join/keep decisions
};

}  // namespace

std::string LayoutName(const testing::TestParamInfo<Target>& info) {
    static const char* kWraps[] = {"Chars30", "Chars35", "Chars40", "Chars64",
                                   "Bytes76", "Bytes80", "Ragged",  "Unwrapped"};
    const Layout& l = info.param.layout;
    return std::string(kWraps[static_cast<int>(l.wrap)]) + (l.indent ? "Indented" : "") +
           (l.blankLines ? "BlankLines" : "");
}

class NovelMaterial : public testing::TestWithParam<Target> {};

TEST_P(NovelMaterial, MeetsItsFigures) {
    ASSERT_GT(Paragraphs().size(), 100u) << "material missing from " << QM_NOVEL_DATA;
    const auto [layout, share] = GetParam();
    const auto clean = material::MakeBooks(Paragraphs(), false);
    const auto faulty = material::MakeBooks(Paragraphs(), true);
    material::Score total;
    for (std::size_t b = 0; b < clean.size(); ++b) {
        const auto s = material::Measure(clean[b], layout, static_cast<std::uint32_t>(b));
        EXPECT_EQ(s.changed, 0u) << clean[b].name;
        EXPECT_EQ(s.glued, 0u) << clean[b].name;
        EXPECT_LE(s.falseReports, 1u) << clean[b].name;
        total.breaks += s.breaks;
        total.right += s.right;
        total.headings += s.headings;
        total.found += s.found;
        total.foundRight += s.foundRight;
    }
    EXPECT_GE(100.0 * total.right / total.breaks, share);
    EXPECT_GE(100.0 * total.foundRight / total.found, 99.5) << "precision";
    EXPECT_GE(100.0 * total.foundRight / total.headings, 99.5) << "recall";
    for (std::size_t b = 0; b < faulty.size(); ++b) {
        const auto s = material::Measure(faulty[b], layout, static_cast<std::uint32_t>(b + 100));
        EXPECT_EQ(s.faultsFound, s.faults) << faulty[b].name;
        EXPECT_LE(s.falseReports, 1u) << faulty[b].name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, NovelMaterial,
    testing::Values(
        Target{{Wrap::Chars30, true, false}, 99.5}, Target{{Wrap::Chars35, true, false}, 99.5},
        Target{{Wrap::Chars40, true, false}, 99.5}, Target{{Wrap::Chars64, true, false}, 99.5},
        Target{{Wrap::Bytes76, true, false}, 99.5}, Target{{Wrap::Bytes80, true, false}, 99.5},
        Target{{Wrap::Chars30, false, false}, 99.0}, Target{{Wrap::Chars35, false, false}, 99.0},
        Target{{Wrap::Chars40, false, false}, 99.0}, Target{{Wrap::Chars64, false, false}, 99.0},
        Target{{Wrap::Bytes76, false, false}, 99.0}, Target{{Wrap::Bytes80, false, false}, 99.0},
        Target{{Wrap::Chars40, false, true}, 100.0}, Target{{Wrap::Bytes76, true, true}, 100.0},
        Target{{Wrap::Ragged, false, true}, 100.0}, Target{{Wrap::Ragged, true, false}, 97.0},
        // The books of the newer heading styles take prose the ragged copy joins worse.
        Target{{Wrap::Ragged, false, false}, 96.5}, Target{{Wrap::None, false, false}, 100.0}),
    LayoutName);
