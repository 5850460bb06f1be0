#include "core/novel/NovelBook.h"

#include "core/novel/Chapters.h"
#include "core/novel/NovelText.h"
#include "core/text/Lines.h"
#include "core/text/Strip.h"

namespace qm::novel {

std::vector<std::size_t> HeadingLines(std::u16string_view text) {
    std::vector<std::size_t> lines;
    for (const chapters::Heading& h : chapters::Find(text)) lines.push_back(h.line);
    return lines;
}

purge::Found FindMarks(std::u16string_view text, const purge::UserRules& rules) {
    purge::Options options;
    options.user = &rules;
    options.chapterLines = HeadingLines(text);
    return purge::Find(text, options);
}

std::vector<repeats::Repeat> FindRepeats(std::u16string_view text) {
    repeats::Options options;
    options.chapterLines = HeadingLines(text);
    return repeats::Find(text, options);
}

epub::Book BookFromText(std::u16string title, std::u16string author, std::u16string_view text) {
    epub::Book book;
    book.title = std::move(title);
    book.author = std::move(author);
    const std::vector<chapters::Heading> headings = chapters::Find(text);
    std::size_t next = 0;  // the next heading to meet
    std::vector<std::u16string>* paragraphs = &book.front;
    const std::vector<text::Line> lines = text::SplitLines(text);
    for (std::size_t line = 0; line < lines.size(); ++line) {
        if (next < headings.size() && headings[next].line == line) {
            const chapters::Heading& h = headings[next++];
            if (h.level == chapters::Level::Volume) {
                book.volumes.push_back(epub::Volume{h.text, {}, {}});
                paragraphs = &book.volumes.back().paragraphs;
            } else {
                // A chapter before any volume goes into an untitled one: the
                // top of the contents.
                if (book.volumes.empty()) book.volumes.push_back(epub::Volume{});
                book.volumes.back().chapters.push_back(epub::Chapter{h.text, {}});
                paragraphs = &book.volumes.back().chapters.back().paragraphs;
            }
            continue;
        }
        const std::u16string_view p =
            text::Strip(text.substr(lines[line].start, lines[line].length), text::kBlanks);
        if (!p.empty()) paragraphs->emplace_back(p);
    }
    return book;
}

}  // namespace qm::novel
