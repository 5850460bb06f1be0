// quillmere-tidy: the novel tools without a window (see TidyCli.h).
#include <clocale>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "app/TidyCli.h"

int main(int argc, char* argv[]) {
    // File names are in the user's locale; reports are UTF-8 whatever it is.
    std::setlocale(LC_ALL, "");
    // A write past the file-size limit or into a closed pipe then fails with
    // EFBIG or EPIPE, which is told and exits 1 (and the temporary file is
    // removed), instead of ending the program half-way through a write.
    std::signal(SIGXFSZ, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    std::vector<std::string> args(argv + 1, argv + argc);
    const tidycli::Streams io{[](std::string_view bytes) {
                                  return std::fwrite(bytes.data(), 1, bytes.size(), stdout) ==
                                             bytes.size() &&
                                         std::fflush(stdout) == 0;
                              },
                              [](std::string_view bytes) {
                                  std::fwrite(bytes.data(), 1, bytes.size(), stderr);
                                  std::fflush(stderr);
                              }};
    return tidycli::Run(args, io);
}
