// EPUB 3 books: the files of the container, made from a title, an author and
// the chapters (optionally grouped in volumes) with their paragraphs. Zipping
// them is the writer's job (files/EpubWriter.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm::epub {

struct Chapter {
    std::u16string title;
    std::vector<std::u16string> paragraphs;
};

// A volume with an empty title groups nothing: its chapters sit at the top of
// the table of contents.
struct Volume {
    std::u16string title;
    std::vector<std::u16string> paragraphs;  // between the volume's heading and its first chapter
    std::vector<Chapter> chapters;
};

struct Book {
    std::u16string title;
    std::u16string author;              // may be empty
    std::vector<std::u16string> front;  // paragraphs before the first volume or chapter
    std::vector<Volume> volumes;
    // "2026-01-31T12:00:00Z"; empty: now. Given by the tests, which compare output.
    std::string modified;
};

struct File {
    std::string path;      // inside the container
    std::string content;   // UTF-8
    bool compress = true;  // false only for mimetype, which must be stored
};

// The container's files in the order they must be zipped (mimetype first).
std::vector<File> Files(const Book& book);

// The book's identifier: a UUID from its title and author, so that a book
// exported again is the same book to a reader's library.
std::string Identifier(std::u16string_view title, std::u16string_view author);

// Text as XML 1.0 character data: & < > " ' escaped, and characters XML 1.0
// does not allow (control characters, lone surrogates, U+FFFE, U+FFFF) shown
// as U+FFFD, so nothing is dropped unseen. UTF-8.
std::string XmlText(std::u16string_view text);

}  // namespace qm::epub
