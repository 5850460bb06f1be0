#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/document/GapText.h"

// Every unit and every span must read as a plain string does, wherever the
// gap stands: after insertions (the gap behind them) and after deletions
// (the removed units inside it), across the gap and at both its edges.
TEST(GapText, ReadsAsAPlainStringAfterInsertsAndDeletes) {
    std::mt19937 rng(7);
    const auto below = [&](std::size_t n) { return n == 0 ? 0 : rng() % n; };
    for (int round = 0; round < 20; ++round) {
        std::u16string plain = u"起点text";
        qm::GapText gap;
        gap.Assign(plain);
        for (int op = 0; op < 400; ++op) {
            const std::size_t pos = below(plain.size() + 1);
            std::size_t len = 0;
            std::u16string with;
            switch (rng() % 4) {
                case 0:  // delete one unit, as the Delete key does
                    len = plain.size() > pos ? 1 : 0;
                    break;
                case 1:  // delete a span
                    len = below(std::min<std::size_t>(plain.size() - pos, 40) + 1);
                    break;
                case 2:  // type a unit
                    with = std::u16string(1, static_cast<char16_t>(u'a' + rng() % 26));
                    break;
                default:  // replace a span; now and then with more than the gap holds
                    len = below(std::min<std::size_t>(plain.size() - pos, 10) + 1);
                    with = std::u16string(rng() % 50 == 0 ? 70000 : below(20), u'字');
                    break;
            }
            plain.replace(pos, len, with);
            gap.replace(pos, len, with);
            ASSERT_EQ(gap.size(), plain.size());
            // Every unit near the edit (where the gap now is), and a sample elsewhere.
            const std::size_t from = pos > 3 ? pos - 3 : 0;
            for (std::size_t i = from; i < std::min(plain.size(), pos + with.size() + 3); ++i)
                ASSERT_EQ(gap[i], plain[i]) << "round " << round << " op " << op << " at " << i;
            for (int k = 0; k < 20 && !plain.empty(); ++k) {
                const std::size_t i = below(plain.size());
                ASSERT_EQ(gap[i], plain[i]) << "round " << round << " op " << op << " at " << i;
            }
            // Spans that start before the gap and end after it, and spans at its edges.
            const std::size_t a = below(pos + 1);
            const std::size_t b = pos + below(plain.size() - pos + 1);
            ASSERT_EQ(gap.substr(a, b - a), plain.substr(a, b - a)) << "op " << op;
            ASSERT_EQ(gap.substr(pos, plain.size() - pos), plain.substr(pos));
            ASSERT_EQ(gap.substr(0, pos), plain.substr(0, pos));
            if (op % 97 == 0) {
                ASSERT_TRUE(gap.Flat() == plain);
            }
        }
        ASSERT_TRUE(gap.Flat() == plain);
    }
}
