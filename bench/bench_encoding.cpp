// Opening and saving 50 MB in GBK, UTF-8 and GB18030 against iconv, with
// the cost of detection shown apart and the save's wait for the disk timed
// apart from encoding and writing; and how the detection does on hard cases
// beside the system's uchardet, when that library is installed.
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <QString>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <functional>

#include "BenchSupport.h"
#include "core/encoding/Encoding.h"
#include "files/EncodedFile.h"
#include "files/TextFile.h"

using namespace qm::enc;

namespace {

void WriteAll(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadAll(const std::string& path) {
    std::string bytes;
    files::ReadBytes(QString::fromStdString(path), bytes);
    return bytes;
}

// CPU seconds of this process, and of its finished children (iconv): on a
// machine shared with other work they vary far less than wall time.
double OwnCpu() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

double ChildrenCpu() {
    rusage u;
    getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Times {
    double wall = 1e100;
    double cpu = 1e100;
};

// Best of three, wall and CPU apart; `children` counts the CPU of commands run.
template <class F>
Times Best(F f, bool children = false) {
    Times best;
    for (int i = 0; i < 3; ++i) {
        const double w0 = bench::Now();
        const double c0 = children ? ChildrenCpu() : OwnCpu();
        f();
        best.cpu = std::min(best.cpu, (children ? ChildrenCpu() : OwnCpu()) - c0);
        best.wall = std::min(best.wall, bench::Now() - w0);
    }
    return best;
}

struct SaveTimes {
    double encodeAndWrite = 1e100;
    double durable = 1e100;  // the same save, waiting for the disk
};

// As "保存" does: encoded a piece at a time into a temporary file that is
// renamed over the old one; timed without the wait for the disk, and again
// with it (as the program saves a user's file).
SaveTimes Save(const std::u16string& text, const FileFormat& format, const std::string& path) {
    SaveTimes best;
    const QString target = QString::fromStdString(path);
    for (int i = 0; i < 3; ++i) {
        const double t0 = bench::Now();
        if (!files::WriteTextFile(target, text, format, false, {}, files::Sync::Fast).ok)
            std::puts("  (save failed!)");
        const double t1 = bench::Now();
        if (!files::WriteTextFile(target, text, format).ok) std::puts("  (save failed!)");
        const double t2 = bench::Now();
        best.encodeAndWrite = std::min(best.encodeAndWrite, t1 - t0);
        best.durable = std::min(best.durable, t2 - t1);
    }
    return best;
}

void OpenAndSave(const std::string& dir, const char* label, const char* charset,
                 const std::string& bytes, Encoding expected, Times gbkToday) {
    const std::string in = dir + "/" + label + ".txt";
    WriteAll(in, bytes);
    LoadedText loaded;
    const QString path = QString::fromStdString(in);
    // As "打开" does: read a piece at a time, recognised and decoded.
    const Times open = Best([&] { loaded = files::ReadTextFile(path).loaded; });
    const Times forced = Best([&] { loaded = files::ReadTextFile(path, expected).loaded; });
    const Times detect = Best([&] {
        if (Detect(bytes) != expected) std::puts("  (detected otherwise!)");
    });
    if (loaded.format.encoding != expected || loaded.invalid != 0)
        std::printf("  %s: opened as %s with %zu kept bytes\n", label, Name(loaded.format.encoding),
                    loaded.invalid);
    Encoded encoded;
    const Times encode = Best([&] { encoded = EncodeFile(loaded.text, loaded.format); });
    const SaveTimes save = Save(loaded.text, loaded.format, dir + "/" + label + ".out");
    const std::string utf16 = dir + "/" + label + ".u16";
    const std::string back = dir + "/" + label + ".back";
    const Times peerOpen = Best(
        [&] {
            bench::TimeCommand(std::string("iconv -f ") + charset + " -t UTF-16LE '" + in +
                               "' > '" + utf16 + "'");
        },
        true);
    const Times peerSave = Best(
        [&] {
            bench::TimeCommand(std::string("iconv -f UTF-16LE -t ") + charset + " '" + utf16 +
                               "' > '" + back + "'");
        },
        true);
    const bool same = ReadAll(dir + "/" + label + ".out") == bytes;
    std::printf("%s, %.1f MB, %zu UTF-16 units%s\n", label, bytes.size() / 1048576.0,
                loaded.text.size(), same ? ", saved back byte for byte" : "  (SAVED BYTES DIFFER)");
    std::printf(
        "  open, wall: read+detect+decode %.3f s (encoding given: %.3f s; Detect alone %.3f s), "
        "iconv %.3f s: ratio %.2f; today's GBK open %.3f s: ratio %.2f\n",
        open.wall, forced.wall, detect.wall, peerOpen.wall, open.wall / peerOpen.wall,
        gbkToday.wall, open.wall / gbkToday.wall);
    std::printf(
        "  open, CPU:  %.3f s (encoding given: %.3f s; Detect alone %.3f s), iconv %.3f s: ratio "
        "%.2f; today's GBK open %.3f s: ratio %.2f\n",
        open.cpu, forced.cpu, detect.cpu, peerOpen.cpu, open.cpu / peerOpen.cpu, gbkToday.cpu,
        open.cpu / gbkToday.cpu);
    std::printf(
        "  save, wall: encode+write %.3f s (encode alone %.3f s, CPU %.3f s), iconv %.3f s (CPU "
        "%.3f "
        "s): ratio %.2f; with fdatasync %.3f s\n",
        save.encodeAndWrite, encode.wall, encode.cpu, peerSave.wall, peerSave.cpu,
        save.encodeAndWrite / peerSave.wall, save.durable);
}

// The system's uchardet, loaded at run time (only its shared library may be
// installed); nothing when it is not there.
class Uchardet {
  public:
    Uchardet() : lib_(dlopen("libuchardet.so.0", RTLD_NOW)) {
        if (!lib_) return;
        new_ = reinterpret_cast<void* (*)()>(dlsym(lib_, "uchardet_new"));
        handle_ = reinterpret_cast<int (*)(void*, const char*, std::size_t)>(
            dlsym(lib_, "uchardet_handle_data"));
        end_ = reinterpret_cast<void (*)(void*)>(dlsym(lib_, "uchardet_data_end"));
        charset_ = reinterpret_cast<const char* (*)(void*)>(dlsym(lib_, "uchardet_get_charset"));
        delete_ = reinterpret_cast<void (*)(void*)>(dlsym(lib_, "uchardet_delete"));
    }
    ~Uchardet() {
        if (lib_) dlclose(lib_);
    }
    bool ok() const { return new_ && handle_ && end_ && charset_ && delete_; }
    std::string Detect(const std::string& bytes) {
        void* d = new_();
        handle_(d, bytes.data(), bytes.size());
        end_(d);
        std::string r = charset_(d);
        delete_(d);
        return r.empty() ? "(none)" : r;
    }

  private:
    void* lib_;
    void* (*new_)() = nullptr;
    int (*handle_)(void*, const char*, std::size_t) = nullptr;
    void (*end_)(void*) = nullptr;
    const char* (*charset_)(void*) = nullptr;
    void (*delete_)(void*) = nullptr;
};

std::string Convert(const std::u16string& text, Encoding e) { return Encode(text, e, false).bytes; }

void HardCases(const std::string& gbkSample) {
    const std::u16string prose =
        qm::enc::Decode(gbkSample.substr(0, 4000), qm::enc::Encoding::Gbk).text;
    std::string log;
    for (int i = 0; i < 200; ++i)
        log += "2024-05-01 12:00:00 INFO request " + std::to_string(i) + " ok\n";
    std::string late40;
    while (late40.size() < 40 * 1024) late40 += Convert(prose, Encoding::Gb18030);
    late40 += Convert(u"\U00020000㐀", Encoding::Gb18030);
    const struct {
        const char* what;
        std::string bytes;
        Encoding expected;
    } cases[] = {
        {"GBK, 10 bytes", Convert(u"你好，世界", Encoding::Gbk), Encoding::Gbk},
        {"Big5, 10 bytes", Convert(u"你好，世界", Encoding::Big5), Encoding::Big5},
        {"UTF-8 \"甲乙\" (also GBK)", Convert(u"甲乙", Encoding::Utf8), Encoding::Utf8},
        {"ASCII log + one word, UTF-8", log + Convert(u"用户张三登录", Encoding::Utf8) + log,
         Encoding::Utf8},
        {"ASCII log + one word, GBK", log + Convert(u"用户张三登录", Encoding::Gbk) + log,
         Encoding::Gbk},
        {"GB18030 four-byte at 40 KB", late40, Encoding::Gb18030},
        {"GBK after 2 KB of ASCII", std::string(2048, 'a') + Convert(prose, Encoding::Gbk),
         Encoding::Gbk},
        {"six GBK bytes, also Big5", Convert(u"北京市", Encoding::Gbk), Encoding::Gbk},
        {"GBK prose", Convert(prose, Encoding::Gbk), Encoding::Gbk},
    };
    Uchardet uchardet;
    std::printf("\nDetection on hard cases (ours%s):\n",
                uchardet.ok() ? " | uchardet" : "; uchardet not installed");
    int ours = 0, theirs = 0;
    for (const auto& c : cases) {
        const Encoding got = Detect(c.bytes);
        ours += got == c.expected;
        std::printf("  %-32s expected %-8s ours %-8s", c.what, Name(c.expected), Name(got));
        if (uchardet.ok()) {
            const std::string u = uchardet.Detect(c.bytes);
            // uchardet says GB18030 for any GB text, and ASCII for pure ASCII.
            const bool right = (c.expected == Encoding::Gbk && (u == "GB18030" || u == "GBK")) ||
                               (c.expected == Encoding::Gb18030 && u == "GB18030") ||
                               (c.expected == Encoding::Utf8 && u == "UTF-8") ||
                               (c.expected == Encoding::Big5 && u == "BIG5");
            theirs += right;
            std::printf(" uchardet %s%s", u.c_str(), right ? "" : "  (wrong)");
        }
        std::printf("\n");
    }
    std::printf("  right: ours %d of %zu", ours, std::size(cases));
    if (uchardet.ok()) std::printf(", uchardet %d of %zu", theirs, std::size(cases));
    std::printf("\n");
}

}  // namespace

int main() {
    QTemporaryDir tmp;
    const std::string dir = tmp.path().toStdString();
    const std::string gbk = bench::MakeGbkText(50u << 20);
    const std::u16string text = qm::enc::Decode(gbk, qm::enc::Encoding::Gbk).text;

    // Today's GBK open, in the same run.
    const std::string gbkPath = dir + "/today.txt";
    WriteAll(gbkPath, gbk);
    const Times today =
        Best([&] { files::ReadTextFile(QString::fromStdString(gbkPath), qm::enc::Encoding::Gbk); });

    // GB18030: the same text with a line of characters outside GBK now and then.
    std::u16string gb18030Text;
    gb18030Text.reserve(text.size() + text.size() / 50);
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t br = text.find(u"\r\n", at + 4096);
        const std::size_t next = br == std::u16string::npos ? text.size() : br + 2;
        gb18030Text.append(text, at, next - at);
        gb18030Text += u"\U00020000㐀€\r\n";
        at = next;
    }

    OpenAndSave(dir, "GBK", "CP936", gbk, Encoding::Gbk, today);
    OpenAndSave(dir, "UTF-8", "UTF-8", Encode(text, Encoding::Utf8).bytes, Encoding::Utf8, today);
    OpenAndSave(dir, "GB18030", "GB18030", Encode(gb18030Text, Encoding::Gb18030).bytes,
                Encoding::Gb18030, today);
    HardCases(gbk);
    return 0;
}
