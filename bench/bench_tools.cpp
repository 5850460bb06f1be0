// The tool windows on a 10 MB text: extraction, a regular-expression replace,
// the re-mixer and the cipher, each beside a peer measured in the same run;
// and renaming 10,000 files with preview in the window.
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>
#include <fstream>

#include "BenchSupport.h"
#include "core/encoding/Encoding.h"
#include "core/search/Extract.h"
#include "core/search/Regex.h"
#include "core/tools/Cipher.h"
#include "core/tools/Remix.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"

// The windows live in namespace ui.
using ui::Form1;

using namespace std::chrono_literals;

namespace {

void Ratio(const char* what, double ours, const char* peer, double theirs) {
    std::printf("  %-46s %.3f s   %-28s %.3f s   ratio %.2f\n", what, ours, peer, theirs,
                theirs > 0 ? ours / theirs : 0.0);
}

// A 10 MB article with a phone number, a QQ number and an address every few lines.
std::u16string Article() {
    std::u16string text =
        qm::enc::Decode(bench::MakeGbkText(10u << 20), qm::enc::Encoding::Gbk).text;
    std::u16string out;
    out.reserve(text.size() + text.size() / 10);
    std::size_t line = 0;
    for (std::size_t from = 0; from < text.size();) {
        std::size_t end = text.find(u"\r\n", from);
        if (end == std::u16string::npos) end = text.size();
        out.append(text, from, end - from);
        if (line % 5 == 0) out += u" 电话13812345678，QQ 123456789，www.example.com/a?b=1";
        if (end < text.size()) out += u"\r\n";
        from = end + 2;
        ++line;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const std::u16string text = Article();
    const QString utf8Path = dir.filePath("article.txt");
    {
        std::ofstream f(utf8Path.toStdString(), std::ios::binary);
        const QByteArray b = QString::fromStdU16String(text).toUtf8();
        f.write(b.constData(), b.size());
    }
    const std::string file = utf8Path.toStdString();
    std::printf("text: %zu UTF-16 units (%.1f MB as GBK)\n", text.size(),
                qm::enc::Encode(text, qm::enc::Encoding::Gbk).bytes.size() / 1048576.0);

    std::printf("extraction (list, deduplicated) vs grep -o of a like pattern on the UTF-8 file\n");
    const struct {
        qm::extract::Kind kind;
        const char* name;
        const char* grep;
    } kinds[] = {
        {qm::extract::Kind::Mobile, "mobile numbers", "grep -oE '1[3-9][0-9]{9}'"},
        {qm::extract::Kind::FixedLine, "fixed-line numbers", "grep -oE '0[0-9]{2,3}-?[0-9]{7,8}'"},
        {qm::extract::Kind::QQ, "QQ numbers", "grep -oE '[1-9][0-9]{4,10}'"},
        {qm::extract::Kind::Url, "web addresses",
         "grep -oE '(https?://|www\\.)[A-Za-z0-9./?=&_-]+'"},
    };
    for (const auto& k : kinds) {
        std::size_t n = 0;
        const double ours = bench::BestOf(
            3, [&] { n = qm::extract::Unique(text, qm::extract::Find(k.kind, text)).size(); });
        const double peer = bench::BestOf(3, [&] {
            bench::TimeCommand("LC_ALL=C " + std::string(k.grep) + " " + file +
                               " | sort -u > /dev/null");
        });
        Ratio(k.name, ours, "grep -o | sort -u", peer);
    }

    std::printf("regular-expression replace of (\\d+) by <\\1>\n");
    {
        auto compiled = qm::regex::Pattern::Compile(u"(\\d+)", {});
        const auto& p = std::get<qm::regex::Pattern>(compiled);
        const double ours = bench::BestOf(3, [&] { (void)p.ReplaceAll(text, u"<\\1>", 10s); });
        const QString q = QString::fromStdU16String(text);
        const QRegularExpression re(QStringLiteral("(\\d+)"));
        const double qt = bench::BestOf(3, [&] {
            QString copy = q;
            copy.replace(re, QStringLiteral("<\\1>"));
        });
        Ratio("core (PCRE2)", ours, "QString::replace(QRegExp)", qt);
        const double sed = bench::BestOf(
            3, [&] { bench::TimeCommand("sed -E 's/([0-9]+)/<\\1>/g' " + file + " > /dev/null"); });
        Ratio("core (PCRE2)", ours, "sed -E", sed);
        // A pattern found nowhere: every start position is tried, a chunk per call.
        auto absent = qm::regex::Pattern::Compile(u"[a-z]+不存在", {});
        const auto& a = std::get<qm::regex::Pattern>(absent);
        const double none = bench::BestOf(3, [&] { (void)a.FindAll(text, 10000, 10s); });
        const double grep = bench::BestOf(
            3, [&] { bench::TimeCommand("grep -cE '[a-z]+不存在' " + file + " > /dev/null"); });
        Ratio("listing a pattern found nowhere", none, "grep -cE", grep);
    }

    std::printf("re-mixing (shuffle by seed, keyword every 3 paragraphs, one synonym)\n");
    {
        qm::remix::Settings s;
        s.seed = 7;
        s.keywords = {u"【关键词】"};
        s.every = 3;
        s.synonyms = {{u"老槐树", u"大槐树"}};
        const double ours = bench::BestOf(3, [&] { (void)qm::remix::Remix(text, s); });
        const double shuf = bench::BestOf(3, [&] {
            bench::TimeCommand("shuf --random-source=" + file + " " + file + " > /dev/null");
        });
        Ratio("core", ours, "shuf (lines only)", shuf);
    }

    std::printf("cipher of the whole text (key derivation included)\n");
    {
        std::u16string sealed;
        const double seal = bench::BestOf(3, [&] { sealed = qm::cipher::Seal(text, "password"); });
        const double open = bench::BestOf(3, [&] { (void)qm::cipher::Open(sealed, "password"); });
        std::printf("  seal %.3f s, open %.3f s\n", seal, open);
    }

    Form1 w;
    w.show();
    // Questions are answered "是", messages closed, as soon as they show.
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            if (QAbstractButton* yes = box->button(QMessageBox::Yes))
                yes->click();
            else
                box->accept();
        }
    });
    answer.start(2);

    std::printf("in the window, until painted\n");
    {
        w.Doc().SetText(text);
        w.DoEvents();
        w.findChild<QPushButton*>("CmdReguLar")->click();
        QWidget* f = nullptr;
        for (QWidget* t : QApplication::topLevelWidgets())
            if (t->objectName() == "FrmZhengZe") f = t;
        f->findChild<QLineEdit*>("TxtZhengZe")->setText(QStringLiteral("(\\d+)"));
        f->findChild<QLineEdit*>("TxtTiHuan")->setText(QStringLiteral("<\\1>"));
        const double t0 = bench::Now();
        f->findChild<QPushButton*>("CmdTiHuan")->click();
        w.DoEvents();
        w.Box()->viewport()->repaint();
        std::printf("  正则工具 替换全部, with the match list redone: %.3f s\n", bench::Now() - t0);
    }

    std::printf("renaming 10,000 files\n");
    {
        const QString ours = dir.filePath("ours"), peer = dir.filePath("peer");
        for (const QString& d : {ours, peer}) {
            QDir().mkpath(d);
            for (int i = 0; i < 10000; ++i) {
                std::ofstream(QDir(d).filePath(QStringLiteral("文件%1.txt").arg(i)).toStdString())
                    << i;
            }
        }
        bench::TimeCommand("sync");
        w.findChild<QPushButton*>("CmdFileGaiMing")->click();
        QWidget* f = nullptr;
        for (QWidget* t : QApplication::topLevelWidgets())
            if (t->objectName() == "FrmGaiMing") f = t;
        f->findChild<QLineEdit*>("TxtQianZhui")->setText(QStringLiteral("新_"));
        const double t0 = bench::Now();
        f->findChild<QLineEdit*>("TxtFolder")->setText(ours);
        emit f->findChild<QLineEdit*>("TxtFolder")->returnPressed();
        app.processEvents();
        const double preview = bench::Now() - t0;
        const int rows = f->findChild<QTreeWidget*>("LstYuLan")->topLevelItemCount();
        const double t1 = bench::Now();
        f->findChild<QPushButton*>("CmdGaiMing")->click();
        app.processEvents();
        const double renamed = bench::Now() - t1;
        const int left =
            static_cast<int>(QDir(ours).entryList({QStringLiteral("新_*")}, QDir::Files).size());
        std::printf(
            "  list and preview %d files: %.3f s; rename (looked up again, checked, done): %.3f s; "
            "renamed: %d\n",
            rows, preview, renamed, left);
        const double perl =
            bench::TimeCommand("cd " + peer.toStdString() +
                               " && perl -e 'for (glob q(*)) { rename $_, qq(新_$_) or die }'");
        Ratio("preview + rename", preview + renamed, "perl rename loop", perl);
    }
    return 0;
}
