// Saves one file as the program does, in a process of its own, so that a
// test can run it with failing system calls preloaded: writer_probe PATH TEXT.
// Prints "saved" or the reason it failed; exits 0 only when saved.
#include <cstdio>

#include "files/TextFile.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: writer_probe PATH TEXT\n");
        return 2;
    }
    const files::Outcome o = files::WriteFileAtomic(QString::fromLocal8Bit(argv[1]), argv[2]);
    std::printf("%s\n", o ? "saved" : o.why.toUtf8().constData());
    return o ? 0 : 1;
}
