#include "ui/tools/FrmZiFuZuHe.h"

#include <QApplication>
#include <QClipboard>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "core/document/Document.h"
#include "core/filetools/FileTools.h"
#include "core/text/Common.h"
#include "core/tools/Combine.h"
#include "ui/common/CommandGate.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Named.h"
#include "ui/common/TextHost.h"

namespace ui {

using ui::Named;

namespace {
std::vector<std::vector<std::u16string>> Lists(QPlainTextEdit* const (&boxes)[3]) {
    std::vector<std::vector<std::u16string>> lists;
    for (QPlainTextEdit* b : boxes)
        lists.push_back(qm::combine::Items(b->toPlainText().toStdU16String()));
    return lists;
}
}  // namespace

FrmZiFuZuHe::FrmZiFuZuHe(ui::TextHost& host) : QWidget(nullptr, Qt::Window), host_(host) {
    setObjectName("FrmZiFuZuHe");
    setWindowTitle(QStringLiteral("字符串联组合"));
    auto* g = new QGridLayout(this);
    const char* names[] = {"TxtList1", "TxtList2", "TxtList3"};
    const char* labels[] = {"列表一（每行一项）：", "列表二：", "列表三（可不填）："};
    for (int i = 0; i < 3; ++i) {
        TxtList[i] = Named(new QPlainTextEdit(this), names[i]);
        TxtList[i]->setTabChangesFocus(true);
        g->addWidget(new QLabel(QString::fromUtf8(labels[i]), this), 0, i);
        g->addWidget(TxtList[i], 1, i);
        connect(TxtList[i], &QPlainTextEdit::textChanged, this, &FrmZiFuZuHe::ShowCount);
    }
    TxtFenGe = Named(new QLineEdit(this), "TxtFenGe");
    LblCount = Named(new QLabel(this), "LblCount");
    g->addWidget(new QLabel(QStringLiteral("连接符号："), this), 2, 0);
    g->addWidget(TxtFenGe, 2, 1);
    g->addWidget(LblCount, 2, 2);
    TxtJieGuo = Named(new QPlainTextEdit(this), "TxtJieGuo");
    TxtJieGuo->setReadOnly(true);
    g->addWidget(TxtJieGuo, 3, 0, 1, 3);
    auto* build = ui::NamedButton("CmdZuHe", QStringLiteral("组合"), this);
    auto* insert = ui::NamedButton("CmdChaRu", QStringLiteral("插入到主窗口"), this);
    auto* copy = ui::NamedButton("CmdFuZhi", QStringLiteral("复制"), this);
    g->addWidget(build, 4, 0);
    g->addWidget(insert, 4, 1);
    g->addWidget(copy, 4, 2);
    connect(build, &QPushButton::clicked, this, &FrmZiFuZuHe::CmdZuHe_Click);
    connect(insert, &QPushButton::clicked, this, host_.Gate().Guard([this] { CmdChaRu_Click(); }));
    connect(copy, &QPushButton::clicked, this, &FrmZiFuZuHe::CmdFuZhi_Click);
    connect(TxtFenGe, &QLineEdit::textChanged, this, &FrmZiFuZuHe::ShowCount);
    ShowCount();
    resize(560, 480);
}

void FrmZiFuZuHe::ShowCount() {
    // What was built no longer matches the lists.
    result_.clear();
    TxtJieGuo->clear();
    const auto lists = Lists(TxtList);
    const std::uint64_t n = qm::combine::Count(lists);
    QString text = QStringLiteral("共 %1 种组合").arg(n);
    if (n > qm::combine::kLimit) {
        text += QStringLiteral("（太多）");
    } else if (qm::combine::Length(lists, TxtFenGe->text().toStdU16String()) >
               qm::combine::kMaxChars) {
        text += QStringLiteral("（太长）");
    }
    LblCount->setText(text);
}

void FrmZiFuZuHe::CmdZuHe_Click() {
    const auto lists = Lists(TxtList);
    const std::uint64_t n = qm::combine::Count(lists);
    if (n == 0) {
        ui::ShowMessage(this, QStringLiteral("请在列表中每行输入一项。"));
        return;
    }
    if (n > qm::combine::kLimit) {
        ui::ShowMessage(this,
                        QStringLiteral("组合数 %1 超过 1000000，请减少列表中的项目。").arg(n));
        return;
    }
    const std::u16string separator = TxtFenGe->text().toStdU16String();
    if (const std::uint64_t length = qm::combine::Length(lists, separator);
        length > qm::combine::kMaxChars) {
        ui::ShowMessage(this, QStringLiteral("%1 种组合共有 %2 个字符（约占内存 %3），超过了 %4 "
                                             "个字符的上限，请减少列表中的项目或缩短它们。")
                                  .arg(n)
                                  .arg(length)
                                  .arg(QString::fromStdU16String(
                                      qm::filetools::SpaceValue(2.0 * static_cast<double>(length))))
                                  .arg(qm::combine::kMaxChars));
        return;
    }
    ui::WaitCursor wait;
    const auto result = qm::combine::Combine(lists, separator);
    TxtJieGuo->setPlainText(QString::fromStdU16String(*result));
    result_ = *result;
}

void FrmZiFuZuHe::CmdChaRu_Click() {
    if (result_.empty()) CmdZuHe_Click();
    if (result_.empty()) return;
    host_.InsertAtCaret(result_);
}

void FrmZiFuZuHe::CmdFuZhi_Click() {
    if (result_.empty()) CmdZuHe_Click();
    if (result_.empty()) return;
    QString text = QString::fromStdU16String(result_);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QApplication::clipboard()->setText(text);
}

}  // namespace ui
