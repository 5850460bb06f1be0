#include "core/tools/Pinyin.h"

#include <algorithm>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace qm::pinyin {

namespace data {
// Generated from Unihan and the phrase lists at build time (tools/gen_pinyin.py).
extern const char16_t* const kSyllables[];
extern const char16_t kFirst;
extern const char16_t kLast;
extern const std::uint16_t kReading[];
extern const char16_t* const kPhrases;
}  // namespace data

namespace {

struct Phrases {
    // By their first two characters, longest first.
    std::unordered_map<std::uint32_t,
                       std::vector<std::pair<std::u16string_view, std::u16string_view>>>
        byStart;
};

const Phrases& Table() {
    static const Phrases table = [] {
        Phrases p;
        std::unordered_map<std::u16string_view, std::u16string_view> words;
        const std::u16string_view all(data::kPhrases);
        for (std::size_t at = 0; at < all.size();) {
            std::size_t end = all.find(u'\n', at);
            if (end == std::u16string_view::npos) end = all.size();
            const std::u16string_view line = all.substr(at, end - at);
            const std::size_t tab = line.find(u'\t');
            if (tab != std::u16string_view::npos && tab >= 2)
                words[line.substr(0, tab)] = line.substr(tab + 1);
            at = end + 1;
        }
        for (const auto& [word, reading] : words) {
            const std::uint32_t key = (std::uint32_t{word[0]} << 16) | word[1];
            p.byStart[key].emplace_back(word, reading);
        }
        for (auto& [key, list] : p.byStart) {
            std::sort(list.begin(), list.end(),
                      [](const auto& a, const auto& b) { return a.first.size() > b.first.size(); });
        }
        return p;
    }();
    return table;
}

const char16_t* Reading(char16_t c) {
    if (c < data::kFirst || c > data::kLast) return nullptr;
    const std::uint16_t i = data::kReading[c - data::kFirst];
    return i == 0 ? nullptr : data::kSyllables[i];
}

bool IsAlnum(char16_t c) {
    return (c >= u'0' && c <= u'9') || ((c | 0x20) >= u'a' && (c | 0x20) <= u'z');
}

}  // namespace

std::u16string ToPinyin(std::u16string_view text) {
    const Phrases& table = Table();
    std::u16string out;
    out.reserve(text.size() * 4);
    bool afterSyllable = false;  // the last thing written was a syllable
    const auto syllables = [&](std::u16string_view s) {
        if (!out.empty() && (afterSyllable || IsAlnum(out.back()))) out += u' ';
        out += s;
        afterSyllable = true;
    };
    for (std::size_t i = 0; i < text.size();) {
        const char16_t c = text[i];
        if (i + 1 < text.size()) {
            const auto it = table.byStart.find((std::uint32_t{c} << 16) | text[i + 1]);
            if (it != table.byStart.end()) {
                bool matched = false;
                for (const auto& [word, reading] : it->second) {
                    if (text.substr(i, word.size()) == word) {
                        syllables(reading);
                        i += word.size();
                        matched = true;
                        break;
                    }
                }
                if (matched) continue;
            }
        }
        if (const char16_t* r = Reading(c)) {
            syllables(r);
        } else {
            if (afterSyllable && IsAlnum(c)) out += u' ';
            out += c;
            afterSyllable = false;
        }
        ++i;
    }
    return out;
}

}  // namespace qm::pinyin
