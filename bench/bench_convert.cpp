// The menu "转换" on a 10 MB text in the window (until painted), pinyin of
// 1 MB of Chinese, and the HTML page of 10 MB.
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

#include "BenchSupport.h"
#include "core/encoding/Encoding.h"
#include "core/tools/Convert.h"
#include "core/tools/Pinyin.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"

// The windows live in namespace ui.
using ui::Form1;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::u16string text =
        qm::enc::Decode(bench::MakeGbkText(10u << 20), qm::enc::Encoding::Gbk).text;
    std::u16string chinese;
    while (chinese.size() < (1u << 20) / 2)
        chinese += u"清晨五点天刚蒙蒙亮村口的老槐树下已经聚了几个人他们去银行取钱";
    const double py = bench::BestOf(3, [&] { (void)qm::pinyin::ToPinyin(chinese); });
    std::printf("pinyin of 1 MB of Chinese (%zu characters): %.3f s\n", chinese.size(), py);
    const double html = bench::BestOf(3, [&] { (void)qm::convert::TextToHtml(text); });
    std::printf("HTML page of 10 MB (core): %.3f s\n", html);

    Form1 w;
    w.show();
    // The messages of "乱码转正常" are closed as soon as they show.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            box->accept();
    });
    closer.start(5);
    std::printf("each conversion on a 10 MB text (%zu units) in the window, until painted\n",
                text.size());
    for (const char* item : {"大写转小写", "小写转大写", "Strconv全转半", "Strconv半转全",
                             "汉字转拼音", "繁体转简体", "TXT转HTML"}) {
        w.Doc().SetText(text);
        w.DoEvents();
        const double t0 = bench::Now();
        w.findChild<QAction*>(QString::fromUtf8(item))->trigger();
        w.DoEvents();
        w.Box()->viewport()->repaint();
        std::printf("  %-14s %.3f s\n", item, bench::Now() - t0);
    }
    return 0;
}
