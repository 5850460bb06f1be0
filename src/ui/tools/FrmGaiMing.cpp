#include "ui/tools/FrmGaiMing.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>

#include "core/filetools/FileTools.h"
#include "files/RenameFiles.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Named.h"

namespace ui {

using ui::Named;

namespace {

QString ProblemText(qm::rename::Problem p) {
    switch (p) {
        case qm::rename::Problem::None:
            return QStringLiteral("将改名");
        case qm::rename::Problem::Unchanged:
            return QStringLiteral("不变");
        case qm::rename::Problem::Invalid:
            return QStringLiteral("新名称无效");
        case qm::rename::Problem::Duplicate:
            return QStringLiteral("与其他新名称重复");
        case qm::rename::Problem::Exists:
            return QStringLiteral("已有同名文件");
    }
    return {};
}

QString Native(const QString& path) { return QDir::toNativeSeparators(path); }

}  // namespace

FrmGaiMing::FrmGaiMing() : QWidget(nullptr, Qt::Window) {
    setObjectName("FrmGaiMing");
    setWindowTitle(QStringLiteral("文件批量改名"));
    auto* g = new QGridLayout(this);
    TxtFolder = Named(new QLineEdit(this), "TxtFolder");
    TxtFolder->setPlaceholderText(
        QStringLiteral("点“浏览”选择文件夹中的任意一个文件，或输入文件夹后按回车"));
    auto* browse = ui::NamedButton("CmdLiuLan", QStringLiteral("浏览..."), this);
    TxtFilter = Named(new QLineEdit(QStringLiteral("*"), this), "TxtFilter");
    TxtFilter->setToolTip(QStringLiteral("只改这些文件，例如 *.txt;*.jpg"));
    g->addWidget(new QLabel(QStringLiteral("文件夹："), this), 0, 0);
    g->addWidget(TxtFolder, 0, 1, 1, 4);
    g->addWidget(browse, 0, 5);
    g->addWidget(new QLabel(QStringLiteral("文件类型："), this), 1, 0);
    g->addWidget(TxtFilter, 1, 1);

    auto* rules = Named(new QGroupBox(QStringLiteral("改名规则"), this), "FrameGuiZe");
    auto* r = new QGridLayout(rules);
    TxtQianZhui = Named(new QLineEdit(rules), "TxtQianZhui");
    TxtHouZhui = Named(new QLineEdit(rules), "TxtHouZhui");
    TxtChaZhao = Named(new QLineEdit(rules), "TxtChaZhao");
    TxtTiHuanWei = Named(new QLineEdit(rules), "TxtTiHuanWei");
    r->addWidget(new QLabel(QStringLiteral("加前缀："), rules), 0, 0);
    r->addWidget(TxtQianZhui, 0, 1);
    r->addWidget(new QLabel(QStringLiteral("加后缀："), rules), 0, 2);
    r->addWidget(TxtHouZhui, 0, 3);
    r->addWidget(new QLabel(QStringLiteral("将文件名中的："), rules), 1, 0);
    r->addWidget(TxtChaZhao, 1, 1);
    r->addWidget(new QLabel(QStringLiteral("替换为："), rules), 1, 2);
    r->addWidget(TxtTiHuanWei, 1, 3);
    ChkBianHao = Named(new QCheckBox(QStringLiteral("按顺序编号："), rules), "ChkBianHao");
    CboWeiZhi = Named(new QComboBox(rules), "CboWeiZhi");
    CboWeiZhi->addItems({QStringLiteral("加在文件名前"), QStringLiteral("加在文件名后"),
                         QStringLiteral("代替文件名")});
    SpnQiShi = Named(new QSpinBox(rules), "SpnQiShi");
    SpnBuChang = Named(new QSpinBox(rules), "SpnBuChang");
    SpnWeiShu = Named(new QSpinBox(rules), "SpnWeiShu");
    SpnQiShi->setRange(0, 999999999);
    SpnQiShi->setValue(1);
    SpnQiShi->setPrefix(QStringLiteral("起始 "));
    SpnBuChang->setRange(1, 999999);
    SpnBuChang->setValue(1);
    SpnBuChang->setPrefix(QStringLiteral("步长 "));
    SpnWeiShu->setRange(1, 12);
    SpnWeiShu->setValue(3);
    SpnWeiShu->setPrefix(QStringLiteral("位数 "));
    r->addWidget(ChkBianHao, 2, 0);
    r->addWidget(CboWeiZhi, 2, 1);
    auto* numbers = new QHBoxLayout;
    for (QSpinBox* s : {SpnQiShi, SpnBuChang, SpnWeiShu}) numbers->addWidget(s);
    r->addLayout(numbers, 2, 2, 1, 2);
    ChkKuoZhanMing = Named(new QCheckBox(QStringLiteral("扩展名改为："), rules), "ChkKuoZhanMing");
    TxtKuoZhanMing = Named(new QLineEdit(rules), "TxtKuoZhanMing");
    TxtKuoZhanMing->setPlaceholderText(QStringLiteral("如 txt，留空则去掉扩展名"));
    r->addWidget(ChkKuoZhanMing, 3, 0);
    r->addWidget(TxtKuoZhanMing, 3, 1);
    g->addWidget(rules, 2, 0, 1, 6);

    LstYuLan = Named(new QTreeWidget(this), "LstYuLan");
    LstYuLan->setHeaderLabels(
        {QStringLiteral("原文件名"), QStringLiteral("新文件名"), QStringLiteral("状态")});
    LstYuLan->setRootIsDecorated(false);
    LstYuLan->setUniformRowHeights(true);
    LstYuLan->header()->resizeSection(0, 220);
    LstYuLan->header()->resizeSection(1, 220);
    g->addWidget(LstYuLan, 3, 0, 1, 6);
    LblZhuangTai = Named(new QLabel(this), "LblZhuangTai");
    LblZhuangTai->setWordWrap(true);
    g->addWidget(LblZhuangTai, 4, 0, 1, 6);
    auto* preview = ui::NamedButton("CmdYuLan", QStringLiteral("预览"), this);
    auto* rename = ui::NamedButton("CmdGaiMing", QStringLiteral("开始改名"), this);
    CmdCheXiao = ui::NamedButton("CmdCheXiao", QStringLiteral("撤销上次改名"), this);
    CmdCheXiao->setEnabled(false);
    g->addWidget(preview, 5, 3);
    g->addWidget(rename, 5, 4);
    g->addWidget(CmdCheXiao, 5, 5);

    // The preview follows the rules as they are typed, a moment later.
    TmrYuLan = Named(new QTimer(this), "TmrYuLan");
    TmrYuLan->setSingleShot(true);
    TmrYuLan->setInterval(250);
    connect(TmrYuLan, &QTimer::timeout, this, &FrmGaiMing::ShowPlan);
    for (QLineEdit* e : {TxtQianZhui, TxtHouZhui, TxtChaZhao, TxtTiHuanWei, TxtKuoZhanMing})
        connect(e, &QLineEdit::textChanged, TmrYuLan, qOverload<>(&QTimer::start));
    for (QCheckBox* c : {ChkBianHao, ChkKuoZhanMing})
        connect(c, &QCheckBox::toggled, TmrYuLan, qOverload<>(&QTimer::start));
    for (QSpinBox* s : {SpnQiShi, SpnBuChang, SpnWeiShu})
        connect(s, &QSpinBox::valueChanged, TmrYuLan, qOverload<>(&QTimer::start));
    connect(CboWeiZhi, &QComboBox::currentIndexChanged, TmrYuLan, qOverload<>(&QTimer::start));
    connect(TxtFilter, &QLineEdit::editingFinished, this, [this] {
        if (!folder_.isEmpty()) LoadFolder(folder_);
    });
    connect(browse, &QPushButton::clicked, this, &FrmGaiMing::CmdLiuLan_Click);
    connect(TxtFolder, &QLineEdit::returnPressed, this, &FrmGaiMing::TxtFolder_Enter);
    connect(preview, &QPushButton::clicked, this, &FrmGaiMing::CmdYuLan_Click);
    connect(rename, &QPushButton::clicked, this, &FrmGaiMing::CmdGaiMing_Click);
    connect(CmdCheXiao, &QPushButton::clicked, this, &FrmGaiMing::CmdCheXiao_Click);
    resize(640, 560);
}

qm::rename::Rules FrmGaiMing::Rules() const {
    qm::rename::Rules r;
    r.prefix = TxtQianZhui->text().toStdU16String();
    r.suffix = TxtHouZhui->text().toStdU16String();
    r.find = TxtChaZhao->text().toStdU16String();
    r.replaceWith = TxtTiHuanWei->text().toStdU16String();
    if (ChkBianHao->isChecked()) {
        const qm::rename::NumberPlace places[] = {qm::rename::NumberPlace::BeforeName,
                                                  qm::rename::NumberPlace::AfterName,
                                                  qm::rename::NumberPlace::WholeName};
        r.number = places[std::clamp(CboWeiZhi->currentIndex(), 0, 2)];
        r.start = SpnQiShi->value();
        r.step = SpnBuChang->value();
        r.digits = SpnWeiShu->value();
    }
    r.changeExtension = ChkKuoZhanMing->isChecked();
    r.extension = TxtKuoZhanMing->text().trimmed().toStdU16String();
    return r;
}

void FrmGaiMing::CmdLiuLan_Click() {
    const QString path =
        ui::AskOpenFileName(this, QStringLiteral("选择要改名的文件夹中的任意一个文件"),
                            QStringLiteral("所有文件|*"), folder_);
    if (path.isEmpty()) return;
    const QString folder = QString::fromStdU16String(
        ModGetFileNameInPath::GetFolderOfPath(path.toStdU16String(), true));
    if (folder.isEmpty()) {
        ui::ShowMessage(
            this,
            QStringLiteral("无法从“%1”得到文件夹，请选择一个文件夹中的文件。").arg(Native(path)));
        return;
    }
    TxtFolder->setText(Native(folder));
    LoadFolder(folder);
}

void FrmGaiMing::TxtFolder_Enter() {
    const QString folder = QDir::fromNativeSeparators(TxtFolder->text().trimmed());
    if (folder.isEmpty()) return;
    LoadFolder(folder);
}

std::optional<files::FolderListing> FrmGaiMing::List(const QString& folder, const QString& filter) {
    files::FolderListing l = files::ListFolder(folder, filter);
    if (l.ok) return l;
    ui::ShowMessage(this, QStringLiteral("无法读取文件夹“%1”：%2。").arg(Native(folder), l.why));
    return std::nullopt;
}

bool FrmGaiMing::Carry(const QString& folder, const std::vector<qm::rename::Move>& moves,
                       const QString& failed, const QString& allBack, const QString& someLeft) {
    files::RenameOutcome done;
    {
        ui::WaitCursor wait;
        done = files::ApplyMoves(folder, moves);
    }
    if (done.ok) return true;
    ui::ShowMessage(
        this,
        failed.arg(done.why) + (done.notRestored.isEmpty()
                                    ? allBack
                                    : someLeft.arg(done.notRestored.join(QStringLiteral("、")))),
        ui::kTipTitle, QMessageBox::Warning);
    return false;
}

bool FrmGaiMing::LoadFolder(const QString& folder) {
    std::optional<files::FolderListing> l = List(folder, TxtFilter->text());
    if (!l) return false;
    folder_ = folder;
    files_ = std::move(l->files);
    everything_ = std::move(l->everything);
    ShowPlan();
    return true;
}

void FrmGaiMing::CmdYuLan_Click() {
    if (folder_.isEmpty()) {
        ui::ShowMessage(this, QStringLiteral("请先选择文件夹。"));
        return;
    }
    ShowPlan();
}

void FrmGaiMing::ShowPlan() {
    TmrYuLan->stop();
    plan_ = qm::rename::MakePlan(files_, Rules(), everything_);
    LstYuLan->clear();
    QList<QTreeWidgetItem*> rows;
    rows.reserve(static_cast<int>(plan_.rows.size()));
    for (const qm::rename::Row& row : plan_.rows) {
        auto* item =
            new QTreeWidgetItem({QString::fromStdU16String(row.from),
                                 QString::fromStdU16String(row.to), ProblemText(row.problem)});
        if (row.problem != qm::rename::Problem::None &&
            row.problem != qm::rename::Problem::Unchanged)
            for (int c = 0; c < 3; ++c) item->setForeground(c, QColor(0xC0, 0, 0));
        rows.append(item);
    }
    LstYuLan->addTopLevelItems(rows);
    if (folder_.isEmpty()) return;
    QString s =
        QStringLiteral("共 %1 个文件，%2 个将改名").arg(plan_.rows.size()).arg(plan_.changes);
    if (plan_.problems > 0)
        s += QStringLiteral("，%1 个有问题（红色），改好规则前不能改名").arg(plan_.problems);
    LblZhuangTai->setText(s + QStringLiteral("。"));
}

void FrmGaiMing::CmdGaiMing_Click() {
    if (folder_.isEmpty()) {
        ui::ShowMessage(this, QStringLiteral("请先选择文件夹。"));
        return;
    }
    // The folder may have changed since the preview: look again.
    if (!LoadFolder(folder_)) return;
    if (plan_.problems > 0) {
        ui::ShowMessage(
            this,
            QStringLiteral("有 %1 个文件的新名称有问题（见列表中红色的行），没有改名任何文件。")
                .arg(plan_.problems));
        return;
    }
    if (plan_.changes == 0) {
        ui::ShowMessage(this, QStringLiteral("按现在的规则，没有文件需要改名。"));
        return;
    }
    if (!ui::AskYesNo(this, QStringLiteral("确定要将 %1 个文件改名吗？").arg(plan_.changes)))
        return;
    if (!Carry(folder_, qm::rename::Moves(plan_, everything_), QStringLiteral("改名失败：%1。"),
               QStringLiteral("已改名的文件都已恢复原名。"),
               QStringLiteral("以下文件未能恢复原名：%1"))) {
        LoadFolder(folder_);
        return;
    }
    lastBatch_ = plan_;
    lastFolder_ = folder_;
    CmdCheXiao->setEnabled(true);
    const std::size_t n = plan_.changes;
    LoadFolder(folder_);
    LblZhuangTai->setText(QStringLiteral("已改名 %1 个文件。").arg(n));
}

void FrmGaiMing::CmdCheXiao_Click() {
    if (!lastBatch_) return;
    const std::optional<files::FolderListing> l = List(lastFolder_, QString());
    if (!l) return;
    const qm::rename::Plan back = qm::rename::Reverse(*lastBatch_, l->everything);
    if (back.problems > 0) {
        ui::ShowMessage(
            this,
            QStringLiteral("改名后文件夹有了变化（%1 个文件已不在或原名已被占用），无法撤销。")
                .arg(back.problems));
        return;
    }
    if (!Carry(lastFolder_, qm::rename::Moves(back, l->everything),
               QStringLiteral("撤销失败：%1。"), QStringLiteral("文件名保持改名后的样子。"),
               QStringLiteral("以下文件停在了中间的名称：%1")))
        return;
    lastBatch_.reset();
    CmdCheXiao->setEnabled(false);
    if (folder_ == lastFolder_) LoadFolder(folder_);
    LblZhuangTai->setText(QStringLiteral("已撤销上次改名，%1 个文件恢复原名。").arg(back.changes));
}

}  // namespace ui
