#include "ui/tools/FrmYouHua.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QRegularExpressionValidator>
#include <QSpinBox>

#include "core/document/Document.h"
#include "core/tools/Combine.h"
#include "core/tools/Remix.h"
#include "ui/common/CommandGate.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Named.h"
#include "ui/common/TextHost.h"

namespace ui {

using ui::Named;

FrmYouHua::FrmYouHua(ui::TextHost& host) : QWidget(nullptr, Qt::Window), host_(host) {
    setObjectName("FrmYouHua");
    setWindowTitle(QStringLiteral("网站优化专用功能"));
    auto* g = new QGridLayout(this);
    TxtBiaoTi = Named(new QLineEdit(this), "TxtBiaoTi");
    TxtBiaoTi->setPlaceholderText(QStringLiteral("放在文章第一行，可不填"));
    g->addWidget(new QLabel(QStringLiteral("标题："), this), 0, 0);
    g->addWidget(TxtBiaoTi, 0, 1, 1, 4);

    TxtGuanJianCi = Named(new QPlainTextEdit(this), "TxtGuanJianCi");
    TxtGuanJianCi->setPlaceholderText(QStringLiteral("每行一个关键词，轮流插入"));
    TxtGuanJianCi->setTabChangesFocus(true);
    TxtTongYiCi = Named(new QPlainTextEdit(this), "TxtTongYiCi");
    TxtTongYiCi->setPlaceholderText(QStringLiteral("每行一对：原词=新词"));
    TxtTongYiCi->setTabChangesFocus(true);
    // The result is what the user reads: it gets the room.
    for (QPlainTextEdit* e : {TxtGuanJianCi, TxtTongYiCi}) e->setMaximumHeight(110);
    g->addWidget(new QLabel(QStringLiteral("关键词："), this), 1, 0);
    g->addWidget(TxtGuanJianCi, 1, 1, 1, 2);
    g->addWidget(new QLabel(QStringLiteral("同义词替换："), this), 1, 3);
    g->addWidget(TxtTongYiCi, 1, 4);

    SpnMeiGe = Named(new QSpinBox(this), "SpnMeiGe");
    SpnMeiGe->setRange(0, 100000);
    SpnMeiGe->setValue(3);
    SpnMeiGe->setPrefix(QStringLiteral("每 "));
    SpnMeiGe->setSuffix(QStringLiteral(" 段插入一个"));
    SpnMeiGe->setSpecialValueText(QStringLiteral("不插入关键词"));
    auto* where = new QButtonGroup(this);
    OptDuanShou = Named(new QRadioButton(QStringLiteral("在段首"), this), "OptDuanShou");
    OptDuanWei = Named(new QRadioButton(QStringLiteral("在段尾"), this), "OptDuanWei");
    where->addButton(OptDuanShou);
    where->addButton(OptDuanWei);
    OptDuanWei->setChecked(true);
    g->addWidget(SpnMeiGe, 2, 1);
    g->addWidget(OptDuanShou, 2, 2);
    g->addWidget(OptDuanWei, 2, 3);

    ChkDaLuan = Named(new QCheckBox(QStringLiteral("打乱段落顺序"), this), "ChkDaLuan");
    ChkDaLuan->setChecked(true);
    ChkShouDuan = Named(new QCheckBox(QStringLiteral("首段不动"), this), "ChkShouDuan");
    TxtZhongZi = Named(new QLineEdit(this), "TxtZhongZi");
    TxtZhongZi->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("\\d{1,18}")), TxtZhongZi));
    TxtZhongZi->setToolTip(QStringLiteral("同一个种子得到同样的顺序"));
    auto* random = ui::NamedButton("CmdSuiJi", QStringLiteral("换一个"), this);
    g->addWidget(ChkDaLuan, 3, 1);
    g->addWidget(ChkShouDuan, 3, 2);
    auto* seed = new QHBoxLayout;
    seed->addWidget(new QLabel(QStringLiteral("种子："), this));
    seed->addWidget(TxtZhongZi, 1);
    seed->addWidget(random);
    g->addLayout(seed, 3, 3, 1, 2);

    auto* build = ui::NamedButton("CmdShengCheng", QStringLiteral("生成"), this);
    g->addWidget(build, 4, 4);
    TxtJieGuo = Named(new QPlainTextEdit(this), "TxtJieGuo");
    TxtJieGuo->setReadOnly(true);
    g->addWidget(TxtJieGuo, 5, 0, 1, 5);
    g->setRowStretch(5, 1);
    LblZhuangTai = Named(new QLabel(this), "LblZhuangTai");
    g->addWidget(LblZhuangTai, 6, 0, 1, 5);
    auto* replace = ui::NamedButton("CmdTiHuan", QStringLiteral("替换主窗口正文"), this);
    auto* insert = ui::NamedButton("CmdChaRu", QStringLiteral("插入到主窗口"), this);
    auto* copy = ui::NamedButton("CmdFuZhi", QStringLiteral("复制"), this);
    g->addWidget(replace, 7, 2);
    g->addWidget(insert, 7, 3);
    g->addWidget(copy, 7, 4);

    connect(random, &QPushButton::clicked, this, &FrmYouHua::CmdSuiJi_Click);
    connect(build, &QPushButton::clicked, this,
            host_.Gate().Guard([this] { CmdShengCheng_Click(); }));
    connect(replace, &QPushButton::clicked, this,
            host_.Gate().Guard([this] { CmdTiHuan_Click(); }));
    connect(insert, &QPushButton::clicked, this, host_.Gate().Guard([this] { CmdChaRu_Click(); }));
    connect(copy, &QPushButton::clicked, this, &FrmYouHua::CmdFuZhi_Click);
    // A changed setting makes the shown result stale.
    for (QLineEdit* e : {TxtBiaoTi, TxtZhongZi})
        connect(e, &QLineEdit::textChanged, this, &FrmYouHua::Forget);
    for (QPlainTextEdit* e : {TxtGuanJianCi, TxtTongYiCi})
        connect(e, &QPlainTextEdit::textChanged, this, &FrmYouHua::Forget);
    for (QAbstractButton* b :
         std::initializer_list<QAbstractButton*>{OptDuanShou, OptDuanWei, ChkDaLuan, ChkShouDuan})
        connect(b, &QAbstractButton::toggled, this, &FrmYouHua::Forget);
    connect(SpnMeiGe, &QSpinBox::valueChanged, this, &FrmYouHua::Forget);
    CmdSuiJi_Click();
    resize(640, 600);
}

void FrmYouHua::Forget() {
    if (result_.empty()) return;
    result_.clear();
    TxtJieGuo->clear();
    LblZhuangTai->setText(QStringLiteral("设置已改变，请重新生成。"));
}

void FrmYouHua::CmdSuiJi_Click() {
    TxtZhongZi->setText(QString::number(QRandomGenerator::global()->bounded(1'000'000'000)));
}

void FrmYouHua::CmdShengCheng_Click() {
    if (host_.Doc().Text().empty()) {
        ui::ShowMessage(this, QStringLiteral("主窗口中没有文章。"));
        return;
    }
    qm::remix::Settings s;
    s.shuffle = ChkDaLuan->isChecked();
    s.seed = TxtZhongZi->text().toULongLong();
    s.keepFirst = ChkShouDuan->isChecked();
    s.title = TxtBiaoTi->text().toStdU16String();
    s.keywords = qm::combine::Items(TxtGuanJianCi->toPlainText().toStdU16String());
    s.every = static_cast<std::size_t>(SpnMeiGe->value());
    s.atStart = OptDuanShou->isChecked();
    s.synonyms = qm::remix::ParseSynonyms(TxtTongYiCi->toPlainText().toStdU16String());
    if (s.every > 0 && s.keywords.empty() && !TxtGuanJianCi->toPlainText().trimmed().isEmpty()) {
        ui::ShowMessage(this, QStringLiteral("请每行输入一个关键词。"));
        return;
    }
    ui::WaitCursor wait;
    std::u16string result = qm::remix::Remix(host_.Doc().Text(), s);
    QString shown = QString::fromStdU16String(
        result.size() > static_cast<std::size_t>(kShown) ? result.substr(0, kShown) : result);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    TxtJieGuo->setPlainText(shown);
    result_ = std::move(result);
    LblZhuangTai->setText(result_.size() > static_cast<std::size_t>(kShown)
                              ? QStringLiteral("已生成，共 %1 字；这里只显示前 %2 字。")
                                    .arg(result_.size())
                                    .arg(kShown)
                              : QStringLiteral("已生成，共 %1 字。").arg(result_.size()));
}

bool FrmYouHua::HaveResult() {
    if (!result_.empty()) return true;
    ui::ShowMessage(this, QStringLiteral("请先点“生成”。"));
    return false;
}

void FrmYouHua::CmdTiHuan_Click() {
    if (!HaveResult()) return;
    host_.ReplaceText(result_);
    LblZhuangTai->setText(QStringLiteral("已替换主窗口正文（可撤销）。"));
}

void FrmYouHua::CmdChaRu_Click() {
    if (!HaveResult()) return;
    host_.InsertAtCaret(result_);
    LblZhuangTai->setText(QStringLiteral("已插入主窗口（可撤销）。"));
}

void FrmYouHua::CmdFuZhi_Click() {
    if (!HaveResult()) return;
    QString text = QString::fromStdU16String(result_);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QApplication::clipboard()->setText(text);
    LblZhuangTai->setText(QStringLiteral("已复制。"));
}

}  // namespace ui
