// Regular expressions over the document's UTF-16 text, by PCRE2 itself.
// Qt's wrapper reports a search that PCRE2 abandoned (too much backtracking)
// as "no match", which would list too few matches and call it done; here an
// abandoned search is told apart, and a whole scan has a time budget.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace qm::regex {

struct Options {
    bool ignoreCase = false;
    bool multiLine = false;  // ^ and $ at every line
    bool dotAll = false;     // . matches line breaks too
};

struct CompileError {
    std::u16string message;  // PCRE2's own words
    std::size_t offset = 0;  // in UTF-16 units of the pattern
};

// Why a scan stopped.
enum class Stop {
    End,       // every match was found
    Limit,     // the most matches asked for were found
    Runaway,   // PCRE2 gave up on one match (match, depth or heap limit)
    TimeOut,   // the whole scan ran past its budget
    TooLarge,  // a replaced text would pass kMaxResult
    Canceled,  // the progress callback asked to stop
};

// Told how far a long scan has come, a few times a second; false stops it.
using Progress = std::function<bool(std::size_t done, std::size_t total)>;

// The longest text a replacement may build (in UTF-16 units, 1 GB), so that
// "x*" replaced by a long text on a large file is refused, not a crash.
inline constexpr std::size_t kMaxResult = std::size_t{1} << 29;

struct Span {
    std::size_t start = 0;
    std::size_t length = 0;
};

struct Found {
    std::vector<Span> matches;
    Stop stop = Stop::End;
};

struct Replaced {
    std::u16string text;
    std::size_t count = 0;
    Stop stop = Stop::End;  // anything but End: text is not to be used
};

class Pattern {
  public:
    // Syntax: Perl's, as PCRE2 has it, with Unicode classes (\w takes Chinese
    // characters, \s the ideographic space) and \uFFFF as well as \x{FFFF}.
    // Line breaks are CR, LF or CR LF.
    static std::variant<Pattern, CompileError> Compile(std::u16string_view pattern,
                                                       const Options& options);

    Pattern(Pattern&&) noexcept;
    Pattern& operator=(Pattern&&) noexcept;
    ~Pattern();

    std::size_t CaptureCount() const;

    // The matches from the start of text, at most maxMatches; an empty match
    // is taken once and the scan moves on by one character.
    Found FindAll(std::u16string_view text, std::size_t maxMatches,
                  std::chrono::milliseconds budget) const;

    // Every match replaced by the template: \0..\9, $0..$99, ${n} for groups
    // (a group that did not take part gives nothing), $& the whole match,
    // \\ and $$ for the sign itself, \n a line break (CR LF), \t a tab.
    Replaced ReplaceAll(std::u16string_view text, std::u16string_view replacement,
                        std::chrono::milliseconds budget, std::size_t maxResult = kMaxResult,
                        const Progress& progress = {}) const;

  private:
    struct Impl;
    explicit Pattern(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

// A group number the template refers to that the pattern does not have, or 0.
// (Checked before replacing, so a typo is told instead of giving nothing.)
std::size_t MissingGroup(std::u16string_view replacement, std::size_t captureCount);

}  // namespace qm::regex
