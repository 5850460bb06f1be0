// Batch renaming: new names by rules, the plan's checks, and the moves.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/filetools/Rename.h"

using qm::rename::NumberPlace;
using qm::rename::Problem;
using qm::rename::Rules;

namespace {
// Carries the moves out on a map of names, as the file system would, never
// overwriting: the plan's result or a failure.
bool Apply(std::map<std::u16string, int>& folder, const std::vector<qm::rename::Move>& moves) {
    for (const auto& m : moves) {
        if (!folder.count(m.from) || folder.count(m.to)) return false;
        folder[m.to] = folder[m.from];
        folder.erase(m.from);
    }
    return true;
}

struct NewNameCase {
    const char* name;
    friend void PrintTo(const NewNameCase& c, std::ostream* os) { *os << c.name; }
    Rules rules;
    std::vector<std::u16string> files;
    std::size_t firstIndex;  // of the first file in the batch
    std::vector<std::u16string> newNames;
};

// Numbers from 8 in steps of 2, at a place and of a width.
Rules Numbered(NumberPlace place, int digits) {
    Rules r;
    r.number = place;
    r.start = 8;
    r.step = 2;
    r.digits = digits;
    return r;
}

const std::vector<std::u16string> kFiles = {u"照片.JPG", u"a.b.txt", u".profile", u"无扩展名"};
const NewNameCase kNewNames[] = {
    {"PrefixAndSuffixGoAroundTheNameBeforeItsExtension",
     [] {
         Rules r;
         r.prefix = u"新_";
         r.suffix = u"_完";
         return r;
     }(),
     kFiles,
     0,
     {u"新_照片_完.JPG", u"新_a.b_完.txt", u"新_.profile_完", u"新_无扩展名_完"}},
    {"FindAndReplaceLeavesTheExtension",
     [] {
         Rules r;
         r.find = u".";
         r.replaceWith = u"-";
         return r;
     }(),
     {u"a.b.c.txt"},
     0,
     {u"a-b-c.txt"}},
    {"NumbersAsTheWholeNamePaddedWithZeros",
     Numbered(NumberPlace::WholeName, 3),
     kFiles,
     0,
     {u"008.JPG", u"010.txt", u"012", u"014"}},
    {"NumberBeforeTheNameCountsFromItsPlaceInTheBatch",
     Numbered(NumberPlace::BeforeName, 1),
     {u"x.txt"},
     1,
     {u"10x.txt"}},
    {"NumberAfterTheNameWithANewExtension",
     [] {
         Rules r = Numbered(NumberPlace::AfterName, 1);
         r.changeExtension = true;
         r.extension = u".md";
         return r;
     }(),
     {u"x.txt"},
     0,
     {u"x8.md"}},
    {"AnEmptyNewExtensionDropsIt",
     [] {
         Rules r = Numbered(NumberPlace::AfterName, 1);
         r.changeExtension = true;
         return r;
     }(),
     {u"x.txt"},
     0,
     {u"x8"}},
};

class NewNames : public ::testing::TestWithParam<NewNameCase> {};

TEST_P(NewNames, FollowTheRules) {
    const NewNameCase& c = GetParam();
    std::vector<std::u16string> got;
    for (std::size_t i = 0; i < c.files.size(); ++i)
        got.push_back(qm::rename::NewName(c.files[i], c.rules, c.firstIndex + i));
    EXPECT_EQ(got, c.newNames);
}

INSTANTIATE_TEST_SUITE_P(Rename, NewNames, ::testing::ValuesIn(kNewNames),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

TEST(Rename, NaturalOrder) {
    std::vector<std::u16string> names = {u"第10章.txt", u"第2章.txt", u"第1章.txt", u"b",
                                         u"a10",        u"a9",        u"a009",      u"第02章.txt"};
    std::sort(names.begin(), names.end(), qm::rename::NaturalLess);
    EXPECT_EQ(names, (std::vector<std::u16string>{u"a9", u"a009", u"a10", u"b", u"第1章.txt",
                                                  u"第2章.txt", u"第02章.txt", u"第10章.txt"}));
}

namespace {

// The plan is checked before any file is renamed: every row's problem, and
// where told, the first row's new name and the plan's counts.
struct PlanCase {
    const char* name;
    friend void PrintTo(const PlanCase& c, std::ostream* os) { *os << c.name; }
    Rules rules;
    std::vector<std::u16string> batch;
    std::vector<Problem> problems;
    std::optional<std::u16string> firstTo;
    std::optional<std::size_t> changes, problemCount;
};

// Replaces "c" in the name, and gives it the extension (none when empty).
Rules ReplaceC(const std::u16string& with, const std::u16string& extension) {
    Rules r;
    r.find = u"c";
    r.replaceWith = with;
    r.changeExtension = true;
    r.extension = extension;
    return r;
}

const std::vector<std::u16string> kFolder = {u"a.txt", u"b.txt", u"c.log", u"子文件夹", u"x.txt"};
const PlanCase kPlans[] = {
    {"NamesThatStayAsTheyAreAreNoProblem",  // c.log → c.txt; a.txt and b.txt stay
     [] {
         Rules r;
         r.changeExtension = true;
         r.extension = u"txt";
         return r;
     }(),
     {u"a.txt", u"b.txt", u"c.log"},
     {Problem::Unchanged, Problem::Unchanged, Problem::None},
     std::nullopt,
     1,
     0},
    {"TwoTargetsWithOneName",
     [] {
         Rules r;
         r.number = NumberPlace::WholeName;
         r.changeExtension = true;
         r.extension = u"txt";
         r.step = 0;
         return r;
     }(),
     {u"a.txt", u"c.log"},
     {Problem::Duplicate, Problem::Duplicate},
     std::nullopt,
     std::nullopt,
     2},
    {"ANameAFolderOutsideTheBatchHas",
     ReplaceC(u"子文件夹", u""),
     {u"c.log"},
     {Problem::Exists},
     u"子文件夹",
     std::nullopt,
     std::nullopt},
    {"ABatchMemberThatKeepsItsNameIsInTheWay",
     ReplaceC(u"x", u"txt"),
     {u"c.log", u"x.txt"},
     {Problem::Exists, Problem::Unchanged},
     u"x.txt",
     std::nullopt,
     std::nullopt},
    {"ANameHoldingASlash",
     ReplaceC(u"a/b", u""),
     {u"c.log"},
     {Problem::Invalid},
     std::nullopt,
     std::nullopt,
     std::nullopt},
    {"ANameThatIsTwoDots",
     ReplaceC(u"..", u""),
     {u"c.log"},
     {Problem::Invalid},
     std::nullopt,
     std::nullopt,
     std::nullopt},
    {"ANameOf258Bytes",
     ReplaceC(std::u16string(86, u'字'), u""),
     {u"c.log"},
     {Problem::Invalid},
     std::nullopt,
     std::nullopt,
     std::nullopt},
    {"ANameOf255BytesIsJustAllowed",
     ReplaceC(std::u16string(85, u'字'), u""),
     {u"c.log"},
     {Problem::None},
     std::nullopt,
     std::nullopt,
     std::nullopt},
};

class RenamePlan : public ::testing::TestWithParam<PlanCase> {};

TEST_P(RenamePlan, RefusesCollisionsBeforeAnyRename) {
    const PlanCase& c = GetParam();
    const qm::rename::Plan plan = qm::rename::MakePlan(c.batch, c.rules, kFolder);
    ASSERT_EQ(plan.rows.size(), c.problems.size());
    for (std::size_t k = 0; k < c.problems.size(); ++k) {
        EXPECT_EQ(plan.rows[k].problem, c.problems[k])
            << "row " << k << ": " << plan.rows[k].to.size();
    }
    if (c.firstTo) {
        EXPECT_EQ(plan.rows[0].to, *c.firstTo);
    }
    if (c.changes) {
        EXPECT_EQ(plan.changes, *c.changes);
    }
    if (c.problemCount) {
        EXPECT_EQ(plan.problems, *c.problemCount);
    }
}

INSTANTIATE_TEST_SUITE_P(Rename, RenamePlan, ::testing::ValuesIn(kPlans),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

TEST(Rename, ChainsAndSwapsGoThroughTemporaryNames) {
    // 1 → 2, 2 → 3, 3 → 4: each new name is another file's old one.
    std::map<std::u16string, int> folder = {{u"1", 1}, {u"2", 2}, {u"3", 3}, {u".~改名0.tmp", 9}};
    std::vector<std::u16string> everything;
    for (const auto& [n, v] : folder) everything.push_back(n);
    Rules r;
    r.number = NumberPlace::WholeName;
    r.start = 2;
    const auto plan = qm::rename::MakePlan({u"1", u"2", u"3"}, r, everything);
    ASSERT_EQ(plan.problems, 0u);
    const auto moves = qm::rename::Moves(plan, everything);
    EXPECT_EQ(moves.size(), 6u);
    ASSERT_TRUE(Apply(folder, moves));
    EXPECT_EQ(folder, (std::map<std::u16string, int>{
                          {u"2", 1}, {u"3", 2}, {u"4", 3}, {u".~改名0.tmp", 9}}));
    // Undo puts every file back.
    everything.clear();
    for (const auto& [n, v] : folder) everything.push_back(n);
    const auto back = qm::rename::Reverse(plan, everything);
    ASSERT_EQ(back.problems, 0u);
    ASSERT_TRUE(Apply(folder, qm::rename::Moves(back, everything)));
    EXPECT_EQ(folder, (std::map<std::u16string, int>{
                          {u"1", 1}, {u"2", 2}, {u"3", 3}, {u".~改名0.tmp", 9}}));
    // No chain: one move each.
    Rules prefix;
    prefix.prefix = u"p";
    EXPECT_EQ(
        qm::rename::Moves(qm::rename::MakePlan({u"1"}, prefix, everything), everything).size(), 1u);
}

TEST(Rename, UndoRefusesWhenTheFolderChanged) {
    Rules r;
    r.prefix = u"新";
    const auto plan = qm::rename::MakePlan({u"a", u"b"}, r, {u"a", u"b"});
    // Since then: 新a was removed, and someone made a new "b".
    const auto back = qm::rename::Reverse(plan, {u"新b", u"b"});
    EXPECT_EQ(back.problems, 2u);
    EXPECT_EQ(back.changes, 0u);
}
