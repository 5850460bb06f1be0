// The rules of the file tools, without files: path helpers, the splitter's
// numbers, plan and rejoin scripts, the merger's separator, the records of a
// text split into files, and replacement line by line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/encoding/Encoding.h"

namespace ModGetFileNameInPath {

// The folder of a path ("\" or "/" separated): flag true gives the folder,
// false the folder's own name; empty when the path or its folder holds no
// separator.
std::u16string GetFolderOfPath(std::u16string_view path, bool flag);

}  // namespace ModGetFileNameInPath

namespace qm::filetools {

// ---- file splitter ----

// The name after the last separator with every blank turned into "_".
std::u16string GetFileName(std::u16string_view path);
// The name after the last separator; nothing when the path has none.
std::optional<std::u16string> FileNameFromPath(std::u16string_view path);
// A number as a numeric parser reads it: blanks around, a sign, thousands
// separators, an exponent. Nothing for anything else.
std::optional<double> ParseNumber(std::u16string_view text);
// A number in its shortest plain form: 3, 2.5, 0.
std::u16string PlainNumber(double value);
// A byte count for people: 1024Byte, 1KB, 1.37MB.
std::u16string SpaceValue(double bytes);
// "##,##0.000": thousands separated, three decimals.
std::u16string GroupedThreeDecimals(double value);

enum class Box { None, SplSize, SplNum, OpenFile, SaveFile };

struct SplitRequest {
    bool sizeMode = true;  // splsize is the editable box
    std::u16string sizeText;
    std::u16string countText;
    std::u16string openFile;
    std::u16string saveFile;
    std::int64_t sourceSize = -1;  // -1: the source cannot be read
};

struct SplitProblem {
    std::u16string text;
    std::u16string title;
    Box focus = Box::None;
    std::vector<Box> yellow;  // boxes painted as failed
    bool sizeKnown = false;   // the source's size was read (shown before this problem)
};

struct SplitPlan {
    std::int64_t parts = 0;
    double partSize = 0;  // bytes; fractional in count mode
    std::int64_t sourceSize = 0;
    // First byte (0-based) of part i; Boundary(parts) is the source size.
    std::int64_t Boundary(std::int64_t i) const;
};

// Checks a request in the window's order; a plan or the first problem.
struct SplitCheck {
    std::optional<SplitProblem> problem;
    SplitPlan plan;
};
SplitCheck CheckSplit(const SplitRequest& r);

// The question asked before splitting.
std::u16string ConfirmText(const SplitPlan& plan, bool sizeMode);

// A name shown readably in a message: control characters (a line break
// inside a name) as their visible pictures (␊, ␍).
std::u16string ReadableName(std::u16string_view name);

// Why a name cannot go into the rejoin batch file, or nothing when it can:
// cmd has no quoting for a line break or any control character, nor for a
// double quote; "*" and "?" are wildcards to copy and del (del would remove
// other files); characters Windows names cannot hold, or code page 936 cannot
// write, would name some other file.
std::optional<std::u16string> ScriptNameProblem(std::u16string_view name);

// The split refused before it starts when either name the scripts use (the
// part base from the save name, the source's name) has a ScriptNameProblem.
std::optional<SplitProblem> CheckScriptNames(const SplitRequest& r);

// The rejoin batch file (code page 936 text, CR LF lines): the copy line, and
// with deletion the del lines and the line that deletes the batch file.
// partBase is P (parts P.0 ... P.N-1), sourceName S. A name holding one of
// cmd's special characters is quoted, its "%" doubled. Nothing when a name
// has a ScriptNameProblem: no name reaches the file unquoted.
std::optional<std::u16string> BatchText(std::u16string_view partBase,
                                        std::u16string_view sourceName, std::int64_t parts,
                                        bool withDelete);
// The same as a POSIX shell script: joins the parts with cat into S. Every
// name stands in single quotes, which make any character plain, a line break
// included; no comment holds a name (a line break would end it).
std::u16string ShellText(std::u16string_view partBase, std::u16string_view sourceName,
                         std::int64_t parts, bool withDelete);

// ---- merging ----

// What follows each non-empty file: by the separator box's text.
std::u16string MergeSeparator(std::u16string_view comboText);

// ---- text into files ----

struct Record {
    std::u16string title;     // without the line breaks around it
    std::u16string fileName;  // the title without CR LF, plus ".txt"
    std::u16string content;   // what the file holds, before its closing CR LF
    bool safeName = true;     // a plain name that stays inside the output folder
};
// The records of text: the pieces before each record separator (what follows
// the last one is not a record). A record loses the line break it starts
// with (CR LF, LF or CR: the one after the previous separator); its title
// loses every line break before and after it.
std::vector<Record> CutRecords(std::u16string_view text, std::u16string_view titleSep,
                               std::u16string_view recordSep);
// The title of the text after the last record separator when it holds more
// than blanks and line breaks: a last record whose separator is missing,
// which is not written. Nothing when there is none.
std::optional<std::u16string> UnclosedRecord(std::u16string_view text, std::u16string_view titleSep,
                                             std::u16string_view recordSep);
// A title as a message shows it: "（空标题）" for none, control characters
// visible (ReadableName).
std::u16string ReadableTitle(std::u16string_view title);

// ---- batch replace and merging ----

// Why bytes are not a text the tools may rewrite, or nothing when they are:
// NUL bytes (a binary file) or bytes that do not decode in the encoding the
// text is recognised in. When they are and decoded is given, it receives the
// text (CR LF breaks) and the file's format, to write it back the same way.
std::optional<std::u16string> NotCleanText(std::string_view bytes,
                                           enc::LoadedText* decoded = nullptr);

// Replaces within each line (lines cut at CR LF, lone CR and LF are ordinary
// characters) and ends every line with CR LF.
std::u16string ReplaceInLines(std::u16string_view text, std::u16string_view find,
                              std::u16string_view replacement);

}  // namespace qm::filetools
