// "文件批量改名": new names for the files of a folder by simple rules, checked
// as a whole before anything is renamed, and the order of moves that carries
// the plan out without ever overwriting a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qm::rename {

enum class NumberPlace { None, BeforeName, AfterName, WholeName };

struct Rules {
    std::u16string prefix, suffix;     // around the name, before the extension
    std::u16string find, replaceWith;  // in the name; nothing found, nothing changed
    NumberPlace number = NumberPlace::None;
    std::int64_t start = 1, step = 1;
    int digits = 1;  // padded with zeros to this many
    bool changeExtension = false;
    std::u16string extension;  // without the dot; empty: no extension
};

// "a.b.txt" → name "a.b", extension "txt"; ".profile" and "a" have none.
struct NameParts {
    std::u16string name, extension;
};
NameParts SplitName(const std::u16string& fileName);

// The new name of the file at index (0-based) of the batch.
std::u16string NewName(const std::u16string& fileName, const Rules& rules, std::size_t index);

// "第2章" before "第10章": runs of digits compare by value.
bool NaturalLess(const std::u16string& a, const std::u16string& b);

enum class Problem {
    None,
    Unchanged,  // the new name is the old one: left alone, not an error
    Invalid,    // empty, ".", "..", a "/" or NUL, or longer than the system allows
    Duplicate,  // two files of the batch would get this name
    Exists,     // another file or folder already has this name
};

struct Row {
    std::u16string from, to;
    Problem problem = Problem::None;
};

struct Plan {
    std::vector<Row> rows;
    std::size_t changes = 0;   // rows to rename
    std::size_t problems = 0;  // rows with a problem other than Unchanged
};

// files: the batch in order; everything: every name in the folder (files,
// folders, hidden ones), the batch included.
Plan MakePlan(const std::vector<std::u16string>& files, const Rules& rules,
              const std::vector<std::u16string>& everything);

// The plan that puts the renamed files back (the undo of a batch done).
Plan Reverse(const Plan& done, const std::vector<std::u16string>& everything);

struct Move {
    std::u16string from, to;
};

// The renames that carry out a plan without problems. When a new name is the
// old name of another file of the batch (a → b, b → c), every file first gets
// a temporary name that nothing in the folder has.
std::vector<Move> Moves(const Plan& plan, const std::vector<std::u16string>& everything);

}  // namespace qm::rename
