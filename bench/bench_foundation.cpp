// Open/save of a 50 MB GBK text against iconv, and typing into a 10 MB document.
#include <QApplication>
#include <QDir>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>

#include "BenchSupport.h"
#include "core/encoding/Encoding.h"
#include "files/EncodedFile.h"
#include "files/TextFile.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"

// The windows live in namespace ui.
using ui::Form1;

namespace {

void OpenAndSave(const QString& dir) {
    const std::string gbk = bench::MakeGbkText(50u << 20);
    const std::string in = (dir + "/in.txt").toStdString();
    std::ofstream(in, std::ios::binary).write(gbk.data(), static_cast<std::streamsize>(gbk.size()));
    const std::string utf16 = (dir + "/peer16.bin").toStdString();
    const std::string back = (dir + "/peer936.txt").toStdString();

    std::u16string text;
    const double open = bench::BestOf(3, [&] {
        files::TextReadResult r =
            files::ReadTextFile(QString::fromStdString(in), qm::enc::Encoding::Gbk);
        text = std::move(r.loaded.text);
    });
    const double save = bench::BestOf(3, [&] {
        const std::string bytes = qm::enc::Encode(text + u"\r\n", qm::enc::Encoding::Gbk).bytes;
        files::WriteFileAtomic(dir + "/out.txt", bytes);
    });
    const double peerOpen = bench::BestOf(3, [&] {
        bench::TimeCommand("iconv -f CP936 -t UTF-16LE '" + in + "' > '" + utf16 + "'");
    });
    const double peerSave = bench::BestOf(3, [&] {
        bench::TimeCommand("iconv -f UTF-16LE -t CP936 '" + utf16 + "' > '" + back + "'");
    });

    // What the user waits for on top: the editor showing the text.
    Form1 w;
    w.show();
    QCoreApplication::processEvents();
    const double t0 = bench::Now();
    w.Doc().SetText(text);
    w.RefreshLineCount();
    QCoreApplication::processEvents();
    const double display = bench::Now() - t0;

    std::printf("50 MB GBK file (%zu bytes, %zu UTF-16 units)\n", gbk.size(), text.size());
    std::printf("  open: read+decode %.3f s, iconv CP936->UTF-16LE %.3f s, ratio %.2f\n", open,
                peerOpen, open / peerOpen);
    std::printf("  save: encode+atomic write %.3f s, iconv UTF-16LE->CP936 %.3f s, ratio %.2f\n",
                save, peerSave, save / peerSave);
    std::printf("  editor display of the opened text: %.3f s\n", display);
}

void Typing() {
    Form1 w;
    w.show();
    QCoreApplication::processEvents();
    const std::string gbk = bench::MakeGbkText(10u << 20);
    w.Doc().SetText(qm::enc::Decode(gbk, qm::enc::Encoding::Gbk).text);
    w.DoEvents();
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w)) std::puts("(window not active: shortcuts may not work)");
    w.Box()->setFocus();
    w.Doc().SetSelStart(static_cast<std::int32_t>(w.Doc().Length() / 2));
    w.DoEvents();
    // The first keystroke grows the history's one full text once (capacity
    // doubling, amortised over every later edit); growth is measured after it.
    QTest::keyClick(w.Box(), 'x');
    const std::size_t before = w.History().Store().BytesUsed();
    std::vector<double> times;
    const char keys[] = "abcdefghij";
    for (int i = 0; i < 1000; ++i) {
        const double t0 = bench::Now();
        QTest::keyClick(w.Box(), keys[i % 10]);
        QCoreApplication::processEvents();
        times.push_back(bench::Now() - t0);
    }
    const std::size_t after = w.History().Store().BytesUsed();
    std::sort(times.begin(), times.end());
    std::printf("typing 1000 characters into the middle of a 10 MB document (%zu units)\n",
                w.Doc().Length());
    std::printf("  per keystroke: median %.3f ms, 90th percentile %.3f ms, max %.3f ms\n",
                times[500] * 1e3, times[900] * 1e3, times.back() * 1e3);
    std::printf("  undo history growth after the first keystroke: %.0f bytes per keystroke\n",
                static_cast<double>(after - before) / 1000.0);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    OpenAndSave(dir.path());
    Typing();
    return 0;
}
