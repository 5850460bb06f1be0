// "高级替换": finds telephone numbers, QQ numbers and web addresses in a text,
// to list, remove or replace them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qm::extract {

enum class Kind {
    Mobile,     // 11 digits 1[3-9]…, also written 138-1234-5678 or 138 1234 5678
    FixedLine,  // area code and number: 010-12345678, (0755)1234567, 075512345678
    QQ,         // 5 to 11 digits not starting with 0, a run of its own, not in a phone
                // number or a web address
    Url,        // http://, https:// or www. addresses, Chinese domain names included
};

struct Span {
    std::size_t start = 0;
    std::size_t length = 0;
    bool operator==(const Span&) const = default;
};

// Where the text holds things of that kind, in order, never overlapping.
std::vector<Span> Find(Kind kind, std::u16string_view text);

// The texts of the spans, each once, in order of first appearance.
std::vector<std::u16string> Unique(std::u16string_view text, const std::vector<Span>& spans);

// The text with every span replaced by with (nothing: removed).
std::u16string ReplaceSpans(std::u16string_view text, const std::vector<Span>& spans,
                            std::u16string_view with);

}  // namespace qm::extract
