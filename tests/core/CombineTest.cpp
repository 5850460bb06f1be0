#include <gtest/gtest.h>

#include <limits>

#include "core/tools/Combine.h"

namespace cb = qm::combine;

TEST(Combine, EveryCombinationInOrderWithItsSeparator) {
    const auto a = cb::Items(u"红\r\n\r\n绿\n");
    EXPECT_EQ(a, (std::vector<std::u16string>{u"红", u"绿"}));  // empty lines are not items
    const auto b = cb::Items(u"苹果\r梨");
    EXPECT_EQ(cb::Count({a, b}), 4u);
    EXPECT_EQ(cb::Combine({a, b}, u"-"), u"红-苹果\r\n红-梨\r\n绿-苹果\r\n绿-梨\r\n");
    // An empty list is left out; three lists count up like digits.
    EXPECT_EQ(cb::Combine({a, {}, b}, u""), u"红苹果\r\n红梨\r\n绿苹果\r\n绿梨\r\n");
    EXPECT_EQ(cb::Count({{u"1", u"2"}, {u"a"}, {u"x", u"y", u"z"}}), 6u);
    EXPECT_EQ(cb::Combine({{u"1", u"2"}, {u"a"}, {u"x", u"y"}}, u""),
              u"1ax\r\n1ay\r\n2ax\r\n2ay\r\n");
    EXPECT_FALSE(cb::Combine({{}, {}}, u""));
}

TEST(Combine, CountsPastTheLimitAreRefusedWithoutBuilding) {
    std::vector<std::u16string> thousand(1000, u"x");
    std::vector<std::u16string> more(1001, u"y");
    EXPECT_EQ(cb::Count({thousand, thousand}), 1'000'000u);
    EXPECT_TRUE(cb::Combine({thousand, thousand}, u""));
    EXPECT_EQ(cb::Count({thousand, more}), 1'001'000u);
    EXPECT_FALSE(cb::Combine({thousand, more}, u""));
    // Never overflows.
    std::vector<std::u16string> huge(1u << 22, u"z");
    EXPECT_EQ(cb::Count({huge, huge, huge}), std::numeric_limits<std::uint64_t>::max());
}

// The size is known before anything is built: the characters of every line,
// separators and CR LF included, exactly as built; and lists that ask for
// gigabytes are refused even when their count is allowed.
TEST(Combine, LengthIsWorkedOutFirstAndLongResultsAreRefused) {
    const std::vector<std::vector<std::u16string>> lists = {
        {u"红", u"绿色"}, {}, {u"a", u"bb", u"ccc"}, {u"甲乙"}};
    const auto built = cb::Combine(lists, u"--");
    ASSERT_TRUE(built);
    EXPECT_EQ(cb::Length(lists, u"--"), built->size());
    EXPECT_EQ(cb::Length(lists, u""), cb::Combine(lists, u"")->size());
    EXPECT_EQ(cb::Length({{}, {}}, u"-"), 0u);

    // 1000 lines of 1000 characters, twice: a million combinations of 2002
    // characters each, some 4 GB.
    std::vector<std::u16string> wide(1000, std::u16string(1000, u'字'));
    EXPECT_EQ(cb::Count({wide, wide}), 1'000'000u);
    EXPECT_EQ(cb::Length({wide, wide}, u""), 2'002'000'000u);
    EXPECT_FALSE(cb::Combine({wide, wide}, u""));
    // Just at the limit is built; one character more is not.
    const std::vector<std::u16string> one = {std::u16string(cb::kMaxChars - 2, u'x')};
    EXPECT_EQ(cb::Length({one}, u""), cb::kMaxChars);
    EXPECT_TRUE(cb::Combine({one}, u""));
    EXPECT_FALSE(cb::Combine({one, {u"y"}}, u""));
    // Never overflows.
    std::vector<std::u16string> huge(1u << 22, u"z");
    EXPECT_EQ(cb::Length({huge, huge, huge}, u"-"), std::numeric_limits<std::uint64_t>::max());
}
