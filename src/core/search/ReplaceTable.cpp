#include "core/search/ReplaceTable.h"

#include "core/text/Common.h"

namespace qm::table {

std::u16string Serialize(const Table& t) {
    std::u16string out;
    for (const Pair& p : t) {
        if (p.find.empty() || p.replacement.empty()) continue;
        out += p.find;
        out += u'|';
        out += p.replacement;
        out += u"\r\n";
    }
    return out;
}

std::vector<Line> Parse(std::u16string_view content) {
    std::vector<Line> lines;
    常用模块::ForEachPiece(content, [&lines](std::u16string_view piece, bool) {
        if (lines.size() >= kRows) return;
        Line l;
        l.empty = piece.empty();
        const std::size_t bar = piece.find(u'|');
        l.find = piece.substr(0, bar);
        if (bar != std::u16string_view::npos) {
            const std::u16string_view rest = piece.substr(bar + 1);
            l.replacement = rest.substr(0, rest.find(u'|'));
            l.hasReplacement = true;
        }
        lines.push_back(std::move(l));
    });
    return lines;
}

void Apply(const Table& t, std::u16string text,
           const std::function<void(const std::u16string&)>& write) {
    for (const Pair& p : t) {
        if (p.find.empty() || text.find(p.find) == std::u16string::npos) continue;
        std::u16string next = 常用模块::ReplaceAll(text, p.find, p.replacement);
        // A row that changes nothing (its replacement equals its find text)
        // leaves no empty undo step.
        if (next == text) continue;
        text = std::move(next);
        write(text);
    }
}

}  // namespace qm::table
