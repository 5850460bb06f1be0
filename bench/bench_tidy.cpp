// Tidy commands on a 10 MB GBK text in the window (each in a process of its
// own, for its peak memory), and the core operations on 100 MB against tr,
// sed and perl.
#include <sys/resource.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "BenchSupport.h"
#include "core/encoding/Encoding.h"
#include "core/text/Common.h"
#include "core/tools/Tidy.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"

// The windows live in namespace ui.
using ui::Form1;

namespace {

const char* const kCommands[] = {"cmdcharu1",    "CmdKongYiHang",  "CmdHeBingHang", "CmdChongXin",
                                 "CmdDelKongGe", "CmdDelKongHang", "CmdZhiXing"};

double PeakMb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_maxrss) / 1024.0;
}

int WindowCommand(const char* command) {
    Form1 w;
    w.show();
    QCoreApplication::processEvents();
    const std::u16string text =
        qm::enc::Decode(bench::MakeGbkText(10u << 20), qm::enc::Encoding::Gbk).text;
    std::size_t lines = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i)
        lines += text[i] == u'\r' && text[i + 1] == u'\n';
    w.findChild<QPlainTextEdit*>("TxtChaRu1")->setPlainText(QStringLiteral("。"));
    w.findChild<QLineEdit*>("TxtBeiTiHuan")->setText(QStringLiteral("，"));
    w.findChild<QComboBox*>("TxtTiHuan")->setEditText(QStringLiteral("、"));
    w.findChild<QLineEdit*>("TxtStart")->setText(QStringLiteral("第"));
    w.findChild<QLineEdit*>("TxtStop")->setText(QStringLiteral("号"));
    if (std::strcmp(command, "CmdChongXin") == 0) {
        // Re-breaking is meant for merged text.
        std::u16string merged = 常用模块::ReplaceAll(text, u"\r\n", u"");
        w.Doc().SetText(std::move(merged));
    } else {
        w.Doc().SetText(text);
    }
    w.DoEvents();
    const std::size_t snapshotsBefore = w.History().Store().UndoCount();
    auto* button = w.findChild<QPushButton*>(command);
    const double t0 = bench::Now();
    button->click();
    w.DoEvents();
    w.Box()->viewport()->repaint();  // until the result is on screen
    const double t = bench::Now() - t0;
    std::printf("  %-15s %6.2f s  %8zu undo steps  peak memory %5.0f MB  (%zu lines, %zu units)\n",
                command, t, w.History().Store().UndoCount() - snapshotsBefore, PeakMb(), lines,
                text.size());
    return 0;
}

void CorePeers(const std::string& self) {
    QTemporaryDir dir;
    const std::string gbk = bench::MakeGbkText(100u << 20);
    const std::string file = (dir.path() + "/in.txt").toStdString();
    const std::string out = (dir.path() + "/out.txt").toStdString();
    std::ofstream(file, std::ios::binary)
        .write(gbk.data(), static_cast<std::streamsize>(gbk.size()));
    const std::u16string text = qm::enc::Decode(gbk, qm::enc::Encoding::Gbk).text;
    std::u16string result;
    auto sinkInto = [&result](std::u16string_view c) { result.append(c); };

    struct Row {
        const char* name;
        std::function<void()> ours;
        std::string peer;
    };
    qm::tidy::RuleFields rule;
    rule.find = u"report";
    rule.replaceWith = u"summary";
    const Row rows[] = {
        {"merge lines",
         [&] {
             result.clear();
             qm::tidy::MergeLines(text, sinkInto);
         },
         "tr -d '\\r\\n' < " + file + " > " + out},
        {"remove spaces", [&] { result = qm::tidy::RemoveSpaces(text, qm::tidy::SpaceMode::All); },
         "tr -d ' ' < " + file + " > " + out},
        {"rule replacement", [&] { result = qm::tidy::RulePass(text, rule); },
         "sed 's/report/summary/g' < " + file + " > " + out},
        {"remove empty lines",
         [&] { result = qm::tidy::RemoveEmptyLines(text, [](const std::u16string&) {}); },
         "perl -0777 -pe 's/(\\r\\n){2,}/\\r\\n/g' < " + file + " > " + out},
    };
    std::printf(
        "core operations on %.0f MB (%zu units), best of 3, against a peer on the same file\n",
        static_cast<double>(gbk.size()) / (1 << 20), text.size());
    for (const Row& r : rows) {
        const double ours = bench::BestOf(3, r.ours);
        const double peer = bench::BestOf(3, [&] { bench::TimeCommand(r.peer); });
        std::printf("  %-19s ours %.3f s, peer %.3f s, ratio %.2f\n", r.name, ours, peer,
                    ours / peer);
    }
    (void)self;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && std::strcmp(argv[1], "window") == 0) {
        QApplication app(argc, argv);
        return WindowCommand(argv[2]);
    }
    std::printf("each command in the window on a 10 MB GBK text, with its undo steps\n");
    for (const char* c : kCommands) {
        std::fflush(stdout);
        std::system((std::string(argv[0]) + " window " + c + " 2>/dev/null").c_str());
    }
    CorePeers(argv[0]);
    return 0;
}
