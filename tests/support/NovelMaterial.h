// The material library's books (its ads are in PurgeMaterial.h): test books
// for the re-flow and the chapter list, made from real prose
// (tests/data/novel): the true paragraphs are known, headings of one style a
// book are added, and the book is then wrapped the ways downloaded novels come
// (fixed widths in characters or GBK bytes, ragged web lines, with or without
// "　　" and blank lines), so every decision can be scored.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/novel/Chapters.h"

namespace material {

// One true line of a book: a paragraph, a heading, an entry of a 目录 block, or
// a heading written so it cannot be taken (a planted fault; never wrapped).
struct Item {
    enum Kind { Paragraph, Heading, Toc, Missed } kind = Paragraph;
    std::u16string text;
    qm::chapters::Level level = qm::chapters::Level::Chapter;
};

// A numbering fault planted in a book, at the heading (index into items).
struct Fault {
    qm::chapters::ProblemType type;
    std::size_t item = 0;
};

struct Book {
    std::string name;  // the heading style, for reports
    std::vector<Item> items;
    std::vector<Fault> faults;
};

// Paragraphs wrapped every `width` characters, each starting with "　　" when
// `indent`, lines joined by `br`: a fixed-width hard-wrapped text.
std::u16string WrapAt(const std::vector<std::u16string>& paragraphs, std::size_t width, bool indent,
                      std::u16string_view br = u"\r\n");
// The paragraphs unwrapped: each on a line of its own (ended by `br`),
// starting with "　　" when `indent`.
std::u16string Joined(const std::vector<std::u16string>& paragraphs, bool indent,
                      std::u16string_view br = u"\r\n");

// The prose paragraphs of the material: each file's lines, in order.
std::vector<std::u16string> LoadParagraphs(const std::string& dataDir);

// Books in every heading style, with specials, 目录 blocks and trap sentences
// (第一次…, a heading quoted in dialogue, list items) among the paragraphs.
// With `faults`, each numbered book also gets one planted fault of each kind
// its style allows (and a volume restart, which is none).
std::vector<Book> MakeBooks(const std::vector<std::u16string>& paragraphs, bool faults);

enum class Wrap { Chars30, Chars35, Chars40, Chars64, Bytes76, Bytes80, Ragged, None };
const char* WrapName(Wrap w);

struct Layout {
    Wrap wrap = Wrap::Chars40;
    bool indent = true;       // paragraphs start with "　　"
    bool blankLines = false;  // an empty line between paragraphs
};

struct Wrapped {
    std::u16string text;                    // CR LF breaks
    std::vector<bool> join;                 // the true decision at every break
    std::vector<std::size_t> headingLines;  // the true headings' lines, from 0
    std::vector<std::size_t> itemLine;      // each item's first line
};

Wrapped WrapBook(const Book& book, const Layout& layout, std::uint32_t seed);

// Scores of the re-flow and the chapter list on one wrapped book.
struct Score {
    std::size_t breaks = 0, right = 0;
    std::size_t headings = 0, glued = 0;
    std::size_t changed = 0;                // visible characters not as they were
    std::size_t found = 0, foundRight = 0;  // headings reported, of them true
    std::size_t faults = 0, faultsFound = 0, falseReports = 0;
};
Score Measure(const Book& book, const Layout& layout, std::uint32_t seed);

}  // namespace material
