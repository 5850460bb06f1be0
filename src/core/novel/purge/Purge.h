// Purge: finds the marks download sites leave in novels (addresses, "latest
// chapters at …" lines, page-turn notices, bracketed site names) and cuts the
// ones the user keeps checked, leaving every other character as it was.
//
// Marks are found on a folded copy of the text that sees through the usual
// disguises: full-width letters, case, blanks and zero-width characters
// between letters, 点 / 。 / (点) for dots, ω for w. A single word such as
// 网站, 手机, 阅读 or www never makes a hit on its own: a hit needs an
// address, a phrase only ads use, a site's name (a word ending in 小说, 书阁,
// 中文网 …) in brackets or in such a phrase, or a user's rule; the ad words
// around such a core are taken with it only when they reach a clause
// boundary. Repetition alone never makes a hit that goes: a short line or a
// bracket repeated across the book without any such sign (a nickname in 「」,
// a slogan, a term) is only listed as a suspect, for the user to choose.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qm::purge {

enum class RuleKind {
    Url,        // an address, however disguised
    BuiltIn,    // one of the program's ad phrases
    User,       // a line of the user's list
    Frequency,  // a short non-prose line or bracket repeated across the book, with a site word
    Suspect,    // the same without any sign of a site: maybe a mark, maybe the story
};

struct Hit {
    std::size_t line = 0;    // 0 for the first line
    std::size_t start = 0;   // offset in the text, UTF-16 units
    std::size_t length = 0;  // units; a whole line's hit takes its line break too
    std::u16string text;     // what goes (a whole line without its break)
    RuleKind kind = RuleKind::BuiltIn;
    std::u16string rule;  // the rule's name as the window lists it
    bool wholeLine = false;
};

// Is the hit removed unless the user says otherwise? Every kind but a suspect.
inline bool CheckedByDefault(const Hit& h) { return h.kind != RuleKind::Suspect; }

// The hits removed unless the user says otherwise.
std::vector<Hit> DefaultChoice(std::vector<Hit> hits);

struct RuleError {
    std::size_t line = 0;  // 0 for the first line of the list
    std::u16string reason;
};

// The user's list: one rule a line, a phrase (found through the same
// disguises as the built-in rules) or a regular expression after "正则:"
// (or "正则："), matched on the text as it is. Empty lines and lines
// starting with # are skipped. A bad line is reported and left out; the
// good ones still work.
class UserRules {
  public:
    static UserRules Parse(std::u16string_view listText);

    UserRules();
    UserRules(UserRules&&) noexcept;
    UserRules& operator=(UserRules&&) noexcept;
    ~UserRules();

    const std::vector<RuleError>& Errors() const { return errors_; }
    std::size_t Size() const;

    struct Compiled;
    const Compiled& Rules() const { return *rules_; }

  private:
    std::unique_ptr<Compiled> rules_;
    std::vector<RuleError> errors_;
};

struct Options {
    bool builtIn = true;              // addresses and the program's phrases
    bool frequency = true;            // repeated short non-prose lines and brackets
    const UserRules* user = nullptr;  // none: only the program's rules
    // Line numbers (0 for the first) of the chapter headings, when known: the
    // frequency rule then counts chapters; without them it counts stretches
    // of text far enough apart.
    std::vector<std::size_t> chapterLines;
    std::chrono::milliseconds budget{10000};  // for each user regular expression
};

struct Found {
    std::vector<Hit> hits;  // in text order, never overlapping
    // A user's regular expression that PCRE2 gave up on or that ran out of
    // time: its hits may be incomplete. Empty when every rule ran to the end.
    std::vector<std::u16string> warnings;
};

// Every hit in text (CR LF, LF or CR line breaks).
Found Find(std::u16string_view text, const Options& options = {});

struct Applied {
    std::u16string text;
    std::size_t removed = 0;  // hits cut
    std::size_t stale = 0;    // hits that no longer fit the text, left alone
};

// text without the chosen hits (a subset of what Find returned for it).
Applied Apply(std::u16string_view text, const std::vector<Hit>& chosen);

// A line as the rules compare it: full-width folded to half-width, letters
// in lower case, blanks and zero-width characters gone. Two lines that read
// the same to a reader compare equal.
std::u16string Normalized(std::u16string_view line);

}  // namespace qm::purge
