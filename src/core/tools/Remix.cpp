#include "core/tools/Remix.h"

#include <algorithm>
#include <random>
#include <unordered_map>

#include "core/text/Common.h"
#include "core/text/Strip.h"
#include "core/tools/Combine.h"

namespace qm::remix {

namespace {

bool IsBlankLine(std::u16string_view line) { return text::Strip(line, text::kRemixBlanks).empty(); }

}  // namespace

std::vector<std::pair<std::u16string, std::u16string>> ParseSynonyms(std::u16string_view typed) {
    std::vector<std::pair<std::u16string, std::u16string>> pairs;
    for (const std::u16string& line : combine::Items(typed)) {
        const std::size_t at = line.find_first_of(u"=＝,，");
        if (at == std::u16string::npos || at == 0) continue;
        pairs.emplace_back(line.substr(0, at), line.substr(at + 1));
    }
    return pairs;
}

std::u16string ReplaceSynonyms(
    std::u16string_view text, const std::vector<std::pair<std::u16string, std::u16string>>& pairs) {
    if (pairs.empty()) return std::u16string(text);
    // By first character, longest word first.
    std::unordered_map<char16_t, std::vector<const std::pair<std::u16string, std::u16string>*>>
        byFirst;
    for (const auto& p : pairs)
        if (!p.first.empty()) byFirst[p.first.front()].push_back(&p);
    for (auto& [c, list] : byFirst)
        std::stable_sort(list.begin(), list.end(),
                         [](auto* a, auto* b) { return a->first.size() > b->first.size(); });
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto it = byFirst.find(text[i]);
        bool replaced = false;
        if (it != byFirst.end()) {
            for (const auto* p : it->second) {
                if (text.substr(i, p->first.size()) == p->first) {
                    out += p->second;
                    i += p->first.size();
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) out += text[i++];
    }
    return out;
}

std::u16string Remix(std::u16string_view article, const Settings& s) {
    std::vector<std::u16string_view> paragraphs;
    bool emptyLines = false, blankSince = false;
    常用模块::ForEachPiece(article, [&](std::u16string_view line, bool) {
        if (IsBlankLine(line)) {
            blankSince = !paragraphs.empty();
        } else {
            emptyLines = emptyLines || blankSince;
            paragraphs.push_back(line);
        }
    });

    if (s.shuffle && paragraphs.size() > 1) {
        // Fisher–Yates with the engine's raw output: the standard fixes
        // mt19937_64's numbers, not those of its distributions or std::shuffle.
        std::mt19937_64 engine(s.seed);
        const std::size_t first = s.keepFirst ? 1 : 0;
        for (std::size_t i = paragraphs.size() - 1; i > first; --i) {
            const std::size_t j = first + engine() % (i - first + 1);
            std::swap(paragraphs[i], paragraphs[j]);
        }
    }

    const std::u16string_view joint = emptyLines ? u"\r\n\r\n" : u"\r\n";
    std::u16string out;
    out.reserve(article.size() + article.size() / 8);
    if (!s.title.empty()) {
        out += s.title;
        out += joint;
    }
    std::size_t used = 0;  // keywords put in so far
    for (std::size_t k = 0; k < paragraphs.size(); ++k) {
        std::u16string p = ReplaceSynonyms(paragraphs[k], s.synonyms);
        if (s.every > 0 && !s.keywords.empty() && (k + 1) % s.every == 0) {
            const std::u16string& word = s.keywords[used++ % s.keywords.size()];
            if (s.atStart) {
                p.insert(p.size() - text::StripLeft(p, text::kRemixBlanks).size(), word);
            } else {
                p += word;
            }
        }
        if (k > 0) out += joint;
        out += p;
    }
    return out;
}

}  // namespace qm::remix
