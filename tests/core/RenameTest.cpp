// Batch renaming: new names by rules, the plan's checks, and the moves.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "core/Rename.h"

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
}  // namespace

namespace {

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

TEST(Rename, PlanRefusesCollisionsBeforeAnyRename) {
    const std::vector<std::u16string> everything = {u"a.txt", u"b.txt", u"c.log", u"子文件夹",
                                                    u"x.txt"};
    Rules r;
    r.changeExtension = true;
    r.extension = u"txt";
    // c.log → c.txt is fine; a.txt and b.txt stay as they are.
    auto plan = qm::rename::MakePlan({u"a.txt", u"b.txt", u"c.log"}, r, everything);
    EXPECT_EQ(plan.changes, 1u);
    EXPECT_EQ(plan.problems, 0u);
    EXPECT_EQ(plan.rows[0].problem, Problem::Unchanged);
    // Two targets with one name.
    r = {};
    r.number = NumberPlace::WholeName;
    r.changeExtension = true;
    r.extension = u"txt";
    r.step = 0;
    plan = qm::rename::MakePlan({u"a.txt", u"c.log"}, r, everything);
    EXPECT_EQ(plan.rows[0].problem, Problem::Duplicate);
    EXPECT_EQ(plan.rows[1].problem, Problem::Duplicate);
    EXPECT_EQ(plan.problems, 2u);
    // A name a file or folder outside the batch has.
    r = {};
    r.find = u"c";
    r.replaceWith = u"子文件夹";
    r.changeExtension = true;
    plan = qm::rename::MakePlan({u"c.log"}, r, everything);
    EXPECT_EQ(plan.rows[0].to, u"子文件夹");
    EXPECT_EQ(plan.rows[0].problem, Problem::Exists);
    // A batch member that keeps its name is in the way too.
    r = {};
    r.find = u"c";
    r.replaceWith = u"x";
    r.changeExtension = true;
    r.extension = u"txt";
    plan = qm::rename::MakePlan({u"c.log", u"x.txt"}, r, everything);
    EXPECT_EQ(plan.rows[0].to, u"x.txt");
    EXPECT_EQ(plan.rows[1].problem, Problem::Unchanged);
    EXPECT_EQ(plan.rows[0].problem, Problem::Exists);
    // Invalid names.
    for (const std::u16string& bad :
         {std::u16string(u"a/b"), std::u16string(u".."), std::u16string(86, u'字')}) {
        r.replaceWith = bad;
        r.extension.clear();
        plan = qm::rename::MakePlan({u"c.log"}, r, everything);
        EXPECT_EQ(plan.rows[0].problem, Problem::Invalid) << plan.rows[0].to.size();
    }
    r.replaceWith = std::u16string(85, u'字');
    plan = qm::rename::MakePlan({u"c.log"}, r, everything);
    EXPECT_EQ(plan.rows[0].problem, Problem::None);  // 255 bytes: just allowed
}

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
