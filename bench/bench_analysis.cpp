// Statistics of a 50 MB document against iconv | wc -c, and the replacement
// table's 50 pairs applied to a 10 MB document in the window.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>

#include "BenchSupport.h"
#include "core/encoding/Encoding.h"
#include "core/tools/Statistics.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"

// The windows live in namespace ui.
using ui::Form1;

namespace {

void Statistics(const QString& dir) {
    const std::string gbk = bench::MakeGbkText(50u << 20);
    const std::string file = (dir + "/stats.txt").toStdString();
    std::ofstream(file, std::ios::binary)
        .write(gbk.data(), static_cast<std::streamsize>(gbk.size()));
    const std::u16string text = qm::enc::Decode(gbk, qm::enc::Encoding::Gbk).text;
    qm::stats::Counts c;
    const double ours = bench::BestOf(3, [&] { c = qm::stats::Count(text); });
    const double peer = bench::BestOf(3, [&] {
        bench::TimeCommand("iconv -f CP936 -t UTF-16LE '" + file + "' | wc -c > /dev/null");
    });
    std::printf("statistics of 50 MB (%zu units): ours %.3f s, iconv | wc -c %.3f s, ratio %.2f\n",
                text.size(), ours, peer, ours / peer);
    std::printf("  (Chinese %lld, English %lld, digit strings %lld, bytes %lld)\n",
                static_cast<long long>(c.chinese), static_cast<long long>(c.english),
                static_cast<long long>(c.digits), static_cast<long long>(c.bytes));
}

void ApplyTable() {
    Form1 w;
    w.show();
    QCoreApplication::processEvents();
    w.Doc().SetText(qm::enc::Decode(bench::MakeGbkText(10u << 20), qm::enc::Encoding::Gbk).text);
    w.DoEvents();
    w.findChild<QPushButton*>("CmdTiHuanBiao")->click();
    QWidget* table = nullptr;
    for (QWidget* t : QApplication::topLevelWidgets()) {
        if (t->objectName() == QStringLiteral("替换表")) table = t;
    }
    auto* grid = table->findChild<QTableWidget*>("MSFlexGrid1");
    // 50 pairs: some hit often, some rarely, some never.
    const char16_t* finds[] = {u"，", u"。",  u"report", u"meeting", u"号",
                               u"天", u"ZZZ", u"12345",  u"Zhang",   u"窗帘"};
    for (int r = 0; r < 50; ++r) {
        std::u16string f = finds[r % 10];
        if (r >= 10) f += static_cast<char16_t>(u'a' + r % 26);
        grid->item(r, 1)->setText(QString::fromStdU16String(f));
        grid->item(r, 2)->setText(QStringLiteral("替%1").arg(r));
    }
    const std::size_t before = w.History().Store().UndoCount();
    const double t0 = bench::Now();
    table->findChild<QPushButton*>("Command1")->click();
    w.DoEvents();
    const double t = bench::Now() - t0;
    std::printf(
        "replacement table, 50 pairs on a 10 MB document in the window: %.3f s, %zu undo steps\n",
        t, w.History().Store().UndoCount() - before);
    table->close();
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    Statistics(dir.path());
    ApplyTable();
    return 0;
}
