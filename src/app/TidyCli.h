// quillmere-tidy: the novel tools from the command line, with no window.
//
// A file is read as the window opens it (its encoding and line-break style
// recognised, or the encoding given) and the result written in the same
// encoding and style, replacing the output file atomically.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tidycli {

// Exit statuses.
constexpr int kOk = 0;
constexpr int kFailed = 1;      // the reason went to standard error
constexpr int kUsageError = 2;  // the command line was wrong

struct Streams {
    // Writes to standard output; false when the bytes could not all go out.
    std::function<bool(std::string_view)> out;
    std::function<void(std::string_view)> err;
};

// Runs the command line (without the program's name).
int Run(const std::vector<std::string>& args, const Streams& io);

// The --help text.
std::string HelpText();

}  // namespace tidycli
