// The editing box on large texts: opening (with peak memory), typing in the
// middle of 50 MB and at the end of a 5-million-character line, scrolling a
// page, the same on 50 MB of re-flowed paragraphs with wrapping off and on
// and the line numbers shown, the window while a recovery copy of 50 MB is made. Beside each, where
// it still runs, the same with a QPlainTextEdit, the widget the box used to
// be. Each measurement runs in a process of its own.
#include <sys/resource.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "core/encoding/Encoding.h"
#include "files/EncodedFile.h"
#include "files/TextFile.h"
#include "settings/Recovery.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"

// The windows live in namespace ui.
using ui::Form1;

namespace {

double PeakMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

struct Times {
    std::vector<double> ms;
    void Add(double seconds) { ms.push_back(seconds * 1e3); }
    void Print(const char* what) {
        std::sort(ms.begin(), ms.end());
        std::printf("  %-44s median %7.3f ms, 90th percentile %7.3f ms, max %7.3f ms\n", what,
                    ms[ms.size() / 2], ms[ms.size() * 9 / 10], ms.back());
    }
};

// Lines of the old widget's text: CR LF as its paragraph separator.
QString WidgetText(const std::u16string& t) {
    QString s = QString::fromStdU16String(t);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\u2029"));
    return s;
}

int Open(std::size_t mb, bool old) {
    const std::string gbk = bench::MakeGbkText(mb << 20);
    const std::string path = "/tmp/quillmere-bench-open.txt";
    std::ofstream(path, std::ios::binary)
        .write(gbk.data(), static_cast<std::streamsize>(gbk.size()));
    Form1 w;
    w.show();
    QCoreApplication::processEvents();
    QPlainTextEdit plain;
    if (old) {
        plain.resize(800, 500);
        plain.setLineWrapMode(QPlainTextEdit::NoWrap);
        plain.show();
        QCoreApplication::processEvents();
    }
    const double base = PeakMb();
    const double t0 = bench::Now();
    // As "打开" reads it: in pieces with progress from 8 MB on.
    files::TextReadResult read = files::ReadTextFile(
        QString::fromStdString(path), qm::enc::Encoding::Gbk,
        mb >= 8 ? files::Progress([](std::int64_t, std::int64_t) { return true; })
                : files::Progress());
    std::u16string& text = read.loaded.text;
    const std::size_t units = text.size();
    if (old) {
        plain.setPlainText(WidgetText(text));
        text = std::u16string();
        plain.viewport()->repaint();
    } else {
        // What "打开" does after the dialog: the document, the line count, the first paint.
        w.Doc().SetText(std::move(text));
        w.RefreshLineCount();
        w.DoEvents();
        w.Box()->viewport()->repaint();
    }
    const double t = bench::Now() - t0;
    const double utf16Mb = static_cast<double>(units) * 2 / (1 << 20);
    std::printf(
        "  open %3zu MB, %-15s %6.3f s until painted; peak %5.0f MB, %4.0f MB over the "
        "window's %3.0f MB = %.2f x the text's UTF-16 size\n",
        mb, old ? "QPlainTextEdit:" : "our view:", t, PeakMb(), PeakMb() - base, base,
        (PeakMb() - base) / utf16Mb);
    std::remove(path.c_str());
    return 0;
}

// Typing with a repaint after every key.
template <class Box>
void TypeKeys(Box* box, QWidget* viewport, Times& times, int keys) {
    const char letters[] = "abcdefghij";
    QTest::keyClick(box, 'x');  // the first key grows the history's full text once
    viewport->repaint();
    for (int i = 0; i < keys; ++i) {
        const double t0 = bench::Now();
        QTest::keyClick(box, letters[i % 10]);
        QCoreApplication::processEvents();
        viewport->repaint();
        times.Add(bench::Now() - t0);
    }
}

// How the box is set: re-flowed paragraphs (a line of several hundred
// characters each) instead of short lines, wrapped, the gutter shown.
struct Setting {
    bool paragraphs = false;
    bool wrap = false;
    bool gutter = false;
    const char* Name() const {
        if (!paragraphs) return "";
        if (!wrap) return gutter ? ", paragraphs, wrap off, gutter" : ", paragraphs, wrap off";
        return gutter ? ", paragraphs, wrap on, gutter" : ", paragraphs, wrap on";
    }
};

// mb of text; as paragraphs, only every eighth line break is kept.
std::u16string MakeText(std::size_t mb, const Setting& s) {
    std::u16string text =
        qm::enc::Decode(bench::MakeGbkText(mb << 20), qm::enc::Encoding::Gbk).text;
    if (!s.paragraphs) return text;
    std::u16string out;
    out.reserve(text.size());
    std::size_t breaks = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            if (++breaks % 8 == 0) out += u"\r\n";
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

void Apply(Form1& w, const Setting& s) {
    w.Box()->SetWrap(s.wrap);
    w.Box()->SetLineNumbers(s.gutter);
}

int TypeMiddle(bool old, const Setting& setting) {
    const std::u16string text = MakeText(50, setting);
    Times times;
    if (old) {
        QPlainTextEdit plain;
        plain.resize(800, 500);
        plain.setLineWrapMode(QPlainTextEdit::NoWrap);
        plain.setPlainText(WidgetText(text));
        plain.show();
        if (!QTest::qWaitForWindowExposed(&plain)) std::puts("(not exposed)");
        QTextCursor c = plain.textCursor();
        c.setPosition(plain.document()->characterCount() / 2);
        plain.setTextCursor(c);
        TypeKeys(&plain, plain.viewport(), times, 200);
        times.Print("typing in the middle of 50 MB, QPlainTextEdit:");
        return 0;
    }
    Form1 w;
    w.show();
    Apply(w, setting);
    w.Doc().SetText(text);
    w.Doc().SetSelStart(static_cast<std::int32_t>(text.size() / 2));
    w.DoEvents();
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w)) std::puts("(window not active)");
    w.Box()->setFocus();
    TypeKeys(w.Box(), w.Box()->viewport(), times, 200);
    times.Print(("typing in the middle of 50 MB" + std::string(setting.Name()) + ":").c_str());
    return 0;
}

int TypeLongLine(bool wrap) {
    std::u16string line;
    while (line.size() < 5'000'000) line += u"长行中的文字 and some English words, ";
    Form1 w;
    w.show();
    w.Box()->SetWrap(wrap);
    w.Doc().SetText(line);
    w.Doc().SetSelStart(static_cast<std::int32_t>(line.size()));
    w.DoEvents();
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w)) std::puts("(window not active)");
    w.Box()->setFocus();
    w.Box()->viewport()->repaint();
    Times times;
    TypeKeys(w.Box(), w.Box()->viewport(), times, 200);
    times.Print(wrap ? "typing at the end of a 5,000,000-unit line, wrap on:"
                     : "typing at the end of a 5,000,000-unit line:");
    return 0;
}

int ScrollPages(const Setting& setting) {
    Form1 w;
    w.show();
    Apply(w, setting);
    w.Doc().SetText(MakeText(setting.paragraphs ? 50 : 10, setting));
    w.DoEvents();
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w)) std::puts("(window not active)");
    w.Box()->setFocus();
    Times times;
    for (int i = 0; i < 300; ++i) {
        const double t0 = bench::Now();
        QTest::keyClick(w.Box(), Qt::Key_PageDown);
        w.Box()->viewport()->repaint();
        times.Add(bench::Now() - t0);
    }
    times.Print(
        setting.paragraphs
            ? ("scrolling a page (PageDown) in 50 MB" + std::string(setting.Name()) + ":").c_str()
            : "scrolling a page (PageDown) in 10 MB:");
    return 0;
}

// The longest the window stalls while the recovery copy of 50 MB is made:
// the command after which the text is copied for the worker, then typing
// (a repaint after every key) until the worker has written the copy.
int RecoveryStall() {
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    const QString folder = data.path() + QStringLiteral("/quillmere/recovery");
    Form1 w;
    w.show();
    w.Doc().SetText(qm::enc::Decode(bench::MakeGbkText(50u << 20), qm::enc::Encoding::Gbk).text);
    w.Doc().SetSelStart(static_cast<std::int32_t>(w.Doc().Length() / 2));
    w.DoEvents();
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w)) std::puts("(window not active)");
    w.Box()->setFocus();
    QTest::keyClick(w.Box(), 'x');  // the history's full text, once
    w.Box()->viewport()->repaint();
    Times times;
    const double t0 = bench::Now();
    // A command through the gate: its end copies the text.
    w.findChild<QAction*>(QStringLiteral("mnuselectall"))->trigger();
    QCoreApplication::processEvents();
    w.Box()->viewport()->repaint();
    times.Add(bench::Now() - t0);
    std::printf("  the command: %.3f ms\n", times.ms.back());
    w.Doc().SetSelStart(static_cast<std::int32_t>(w.Doc().Length() / 2));
    const char letters[] = "abcdefghij";
    int keys = 0;
    while (QDir(folder).entryList({QStringLiteral("*.recovery")}, QDir::Files).isEmpty()) {
        const double t1 = bench::Now();
        QTest::keyClick(w.Box(), letters[keys++ % 10]);
        QCoreApplication::processEvents();
        w.Box()->viewport()->repaint();
        times.Add(bench::Now() - t1);
    }
    std::printf("  (%d keys typed while the copy was written)\n", keys);
    times.Print("window while the recovery copy of 50 MB is made:");
    // The keys typed while it was made are in it (replayed by the worker).
    w.findChild<QAction*>(QStringLiteral("mnuselectall"))->trigger();
    w.SettleRecoveryCopy();
    const QString copy = QDir(folder).entryList({QStringLiteral("*.recovery")}).value(0);
    std::string bytes;
    std::u16string back;
    files::ReadBytes(folder + QLatin1Char('/') + copy, bytes);
    const bool same = settings::ParseRecovery(bytes, &back) && back == w.Doc().Text();
    std::printf("  (the copy %s the text)\n", same ? "is" : "is NOT");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc >= 2) {
        QApplication app(argc, argv);
        const std::string what = argv[1];
        const bool old = argc >= 3 && std::strcmp(argv[argc - 1], "old") == 0;
        const auto has = [&](const char* word) {
            return std::any_of(argv + 2, argv + argc,
                               [word](const char* a) { return std::strcmp(a, word) == 0; });
        };
        const Setting setting{has("paragraphs"), has("wrap"), has("gutter")};
        if (what == "open") return Open(std::stoul(argv[2]), old);
        if (what == "type-middle") return TypeMiddle(old, setting);
        if (what == "type-longline") return TypeLongLine(has("wrap"));
        if (what == "scroll") return ScrollPages(setting);
        if (what == "recovery") return RecoveryStall();
        return 1;
    }
    const std::string self = argv[0];
    const char* runs[] = {"open 10",
                          "open 10 old",
                          "open 50",
                          "open 50 old",
                          "type-middle",
                          "type-middle old",
                          "type-longline",
                          "type-longline wrap",
                          "scroll",
                          "type-middle paragraphs gutter",
                          "type-middle paragraphs wrap gutter",
                          "scroll paragraphs gutter",
                          "scroll paragraphs wrap gutter",
                          "recovery"};
    std::printf("the editing box (each line a process of its own)\n");
    for (const char* r : runs) {
        std::fflush(stdout);
        std::system((self + " " + r + " 2>/dev/null").c_str());
    }
    return 0;
}
