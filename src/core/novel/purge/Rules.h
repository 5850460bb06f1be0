// The purge's rules: the program's own (an address however disguised, the
// phrases only ads use, the words ads wrap around them) and the user's list
// compiled. Only the purge room includes this.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/novel/purge/Folding.h"
#include "core/novel/purge/Purge.h"
#include "core/search/Regex.h"

namespace qm::purge {

struct UserRules::Compiled {
    struct Phrase {
        regex::Pattern pattern;  // over the skeleton
        std::u16string name;
    };
    struct Expr {
        regex::Pattern pattern;
        std::u16string name;
    };
    std::vector<Phrase> phrases;
    std::vector<Expr> exprs;
};

namespace detail {

struct CompiledBuiltIn {
    std::u16string name;
    regex::Pattern pattern;
    RuleKind kind;
};

// Every built-in rule, compiled once.
const std::vector<CompiledBuiltIn>& CompiledBuiltIns();
// The phrases (all but the address) as one pattern; null if it failed to compile.
const regex::Pattern* AnyPhrase();

// Glue: punctuation and words ads wrap around their core.
bool IsGluePunct(char16_t c);
// Length of the longest glue word ending at p (backward) or starting at p.
std::size_t GlueBefore(std::u16string_view s, std::size_t p);
std::size_t GlueAfter(std::u16string_view s, std::size_t p);

inline bool SkWord(char16_t c) { return IsWordChar(c); }

// Site names beside an address or in an ad phrase: 笔趣阁, 某某小说网,
// 顶点小说; the longer first. Those of two letters or more are site words.
inline constexpr std::u16string_view kSiteSuffix[] = {
    u"小说网", u"中文网", u"文学网", u"读书网", u"看书网", u"书网", u"小说", u"文学", u"书屋",
    u"书阁",   u"书城",   u"书吧",   u"书斋",   u"趣阁",   u"网",   u"阁",   u"站"};

}  // namespace detail

}  // namespace qm::purge
