// Preloaded into a child process to make one system call fail for real, as a
// failing disk or network file system would, for the files whose path holds
// a marker: QM_FAIL_CALL names the call (fdatasync, close or rename),
// QM_FAIL_PATH the marker; write is cut short by SIGKILL, as by kill -9.
// Everything else passes through.
#include <dlfcn.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

bool Failing(const char* call) {
    const char* which = std::getenv("QM_FAIL_CALL");
    return which != nullptr && std::strcmp(which, call) == 0;
}

bool Marked(const char* path) {
    const char* marker = std::getenv("QM_FAIL_PATH");
    return marker != nullptr && *marker != '\0' && path != nullptr &&
           std::strstr(path, marker) != nullptr;
}

bool MarkedFd(int fd) {
    char link[64];
    char path[4096];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    const ssize_t n = ::readlink(link, path, sizeof path - 1);
    if (n <= 0) return false;
    path[n] = '\0';
    return Marked(path);
}

template <class F>
F Next(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

extern "C" int fdatasync(int fd) {
    static const auto real = Next<int (*)(int)>("fdatasync");
    if (Failing("fdatasync") && MarkedFd(fd)) {
        errno = EIO;
        return -1;
    }
    return real(fd);
}

extern "C" int close(int fd) {
    static const auto real = Next<int (*)(int)>("close");
    if (Failing("close") && MarkedFd(fd)) {
        // As Linux does: the descriptor is gone all the same.
        real(fd);
        errno = EIO;
        return -1;
    }
    return real(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept {
    static const auto real = Next<int (*)(const char*, const char*)>("rename");
    if (Failing("rename") && Marked(to)) {
        errno = EIO;
        return -1;
    }
    return real(from, to);
}

extern "C" ssize_t write(int fd, const void* data, size_t size) {
    static const auto real = Next<ssize_t (*)(int, const void*, size_t)>("write");
    if (Failing("write") && MarkedFd(fd)) {
        real(fd, data, size / 2);
        ::raise(SIGKILL);
    }
    return real(fd, data, size);
}
