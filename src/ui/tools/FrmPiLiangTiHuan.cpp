#include "ui/tools/FrmPiLiangTiHuan.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QStatusBar>
#include <QTreeWidget>

#include "files/FileJobs.h"
#include "platform/Platform.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Named.h"

namespace ui {

using ui::Named;
using ui::NamedButton;

std::int64_t FrmPiLiangTiHuan::total_ = 0;

FrmPiLiangTiHuan::FrmPiLiangTiHuan() : QWidget(nullptr, Qt::Window) {
    setObjectName("FrmPiLiangTiHuan");
    setWindowTitle(QStringLiteral("批量替换"));
    Txt_Fnd = Named(new QLineEdit(this), "Txt_Fnd");
    Txt_Rep = Named(new QLineEdit(this), "Txt_Rep");
    Chk_bak = Named(new QCheckBox(this), "Chk_bak");
    auto* label4 = Named(new QLabel(QStringLiteral("替换前备份文件"), this), "Label4");
    label4->setBuddy(Chk_bak);
    Lst_Fil = Named(new QListWidget(this), "Lst_Fil");
    Lst_Fil->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Lst_Viw = Named(new QTreeWidget(this), "Lst_Viw");
    Lst_Viw->setRootIsDecorated(false);
    Lst_Viw->setHeaderLabels({QStringLiteral("序号"), QStringLiteral("源文本"),
                              QStringLiteral("查找"), QStringLiteral("替换"),
                              QStringLiteral("状态")});
    Lst_Viw->header()->setSectionsClickable(true);
    // Paths differ at their ends (the file names): cut them in the middle.
    Lst_Viw->setTextElideMode(Qt::ElideMiddle);
    ProBar = Named(new QProgressBar(this), "ProBar");
    ProBar->hide();
    StBar = Named(new QStatusBar(this), "StBar");
    for (int i = 1; i <= 3; ++i) {
        Panel[i] = new QLabel(StBar);
        Panel[i]->setObjectName(QStringLiteral("Panel%1").arg(i));
        StBar->addWidget(Panel[i], 1);
    }
    Panel[1]->setText(QStringLiteral("字符批量替换器"));

    buttons_ = new QWidget(this);
    auto* b = new QGridLayout(buttons_);
    b->setContentsMargins(0, 0, 0, 0);
    const std::pair<const char*, const char*> captions[] = {
        {"Cmd_Fnd", "查找单个文件"}, {"Cmd_Find_All", "查找整个文件夹"},
        {"Cmd_Del", "删除选中文件"}, {"Cmd_Dell_All", "删除所有文件"},
        {"Cmd_Rep", "替换选中文件"}, {"Cmd_Rep_All", "替换所有文件"}};
    void (FrmPiLiangTiHuan::*handlers[])() = {
        &FrmPiLiangTiHuan::Cmd_Fnd_Click, &FrmPiLiangTiHuan::Cmd_Find_All_Click,
        &FrmPiLiangTiHuan::Cmd_Del_Click, &FrmPiLiangTiHuan::Cmd_Dell_All_Click,
        &FrmPiLiangTiHuan::Cmd_Rep_Click, &FrmPiLiangTiHuan::Cmd_Rep_All_Click};
    for (int i = 0; i < 6; ++i) {
        QPushButton* button =
            NamedButton(captions[i].first, QString::fromUtf8(captions[i].second), buttons_);
        b->addWidget(button, i / 2, i % 2);
        connect(button, &QPushButton::clicked, this, handlers[i]);
    }

    auto* g = new QGridLayout(this);
    g->addWidget(Named(new QLabel(QStringLiteral("查找内容："), this), "Label1"), 0, 0);
    g->addWidget(Txt_Fnd, 0, 1);
    g->addWidget(Named(new QLabel(QStringLiteral("替换内容："), this), "Label3"), 1, 0);
    g->addWidget(Txt_Rep, 1, 1);
    auto* backup = new QHBoxLayout;
    backup->addWidget(Chk_bak);
    backup->addWidget(label4);
    backup->addStretch(1);
    g->addLayout(backup, 2, 0, 1, 2);
    g->addWidget(Lst_Fil, 3, 0, 1, 2);
    g->addWidget(buttons_, 4, 0, 1, 2);
    g->addWidget(Lst_Viw, 5, 0, 1, 2);
    g->addWidget(ProBar, 6, 0, 1, 2);
    g->addWidget(StBar, 7, 0, 1, 2);
    connect(Lst_Fil, &QListWidget::itemSelectionChanged, this, &FrmPiLiangTiHuan::Lst_Fil_Click);
    connect(Lst_Viw->header(), &QHeaderView::sectionClicked, this,
            &FrmPiLiangTiHuan::Lst_Viw_ColumnClick);
    resize(640, 560);
}

void FrmPiLiangTiHuan::ShowCount() {
    Panel[1]->setText(QStringLiteral("共计:%1个文件.").arg(Lst_Fil->count()));
}

void FrmPiLiangTiHuan::Cmd_Fnd_Click() {
    const QString path = ui::AskOpenFileName(this, QString(), QStringLiteral("Text (*.txt)|*.txt"),
                                             platform::ProgramFolder());
    if (!path.isEmpty()) {
        if (!Lst_Fil->findItems(path, Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty()) {
            ui::ShowMessage(this, QStringLiteral("你已经选择了文件:\n\r") + path, QString());
        } else {
            Lst_Fil->addItem(path);
        }
    }
    ShowCount();
}

void FrmPiLiangTiHuan::Cmd_Find_All_Click() {
    const QString folder =
        ModBrowseFolder::BrowseForFolder(this, QStringLiteral("选择读取文件的目录:"));
    if (!folder.isEmpty()) {
        for (const QString& path : files::TextFilesIn(folder)) {
            if (Lst_Fil->findItems(path, Qt::MatchExactly | Qt::MatchCaseSensitive).isEmpty()) {
                Lst_Fil->addItem(path);
            }
        }
    }
    ShowCount();
}

void FrmPiLiangTiHuan::Lst_Fil_Click() {
    Panel[2]->setText(QStringLiteral("已选中:%1个文件.").arg(Lst_Fil->selectedItems().size()));
}

void FrmPiLiangTiHuan::Cmd_Del_Click() {
    if (Lst_Fil->count() == 0) {
        ui::ShowMessage(this, QStringLiteral("列表中没有任何项！"));
        return;
    }
    const QList<QListWidgetItem*> selected = Lst_Fil->selectedItems();
    if (selected.isEmpty()) {
        ui::ShowMessage(this, QStringLiteral("你没有选中任何项！"));
        return;
    }
    qDeleteAll(selected);
}

void FrmPiLiangTiHuan::Cmd_Dell_All_Click() { Lst_Fil->clear(); }

void FrmPiLiangTiHuan::Cmd_Rep_All_Click() {
    QStringList all;
    for (int i = 0; i < Lst_Fil->count(); ++i) all << Lst_Fil->item(i)->text();
    Run(all);
}

void FrmPiLiangTiHuan::Cmd_Rep_Click() {
    QStringList chosen;
    for (int i = 0; i < Lst_Fil->count(); ++i) {
        if (Lst_Fil->item(i)->isSelected()) chosen << Lst_Fil->item(i)->text();
    }
    if (chosen.isEmpty()) {
        ui::ShowMessage(this, QStringLiteral("请选择需被替换的文件！"));
        Panel[3]->setText(QStringLiteral("此次替换了0个文件,总共替换了%1 个文件.").arg(total_));
        return;
    }
    Run(chosen);
}

void FrmPiLiangTiHuan::Run(const QStringList& files) {
    std::int64_t count = 0;
    const auto summary = [&] {
        Panel[3]->setText(
            QStringLiteral("此次替换了%1个文件,总共替换了%2 个文件.").arg(count).arg(total_));
        ProBar->hide();
    };
    const auto refuse = [&](const QString& text, QLineEdit* focus) {
        ui::ShowMessage(this, text);
        focus->setFocus();
        summary();
    };
    const std::u16string find = Txt_Fnd->text().toStdU16String();
    const std::u16string rep = Txt_Rep->text().toStdU16String();
    if (find.empty()) return refuse(QStringLiteral("请输入需被替换的内容！"), Txt_Fnd);
    if (rep.empty()) return refuse(QStringLiteral("请输入替换为的内容！"), Txt_Rep);
    if (find == rep) return refuse(QStringLiteral("查找与替换的内容不应该相同！"), Txt_Rep);
    // Each file is written in its own encoding: a file that cannot hold the
    // replacement is left alone and logged as failed, with the reason.
    running_ = true;
    buttons_->setEnabled(false);
    ProBar->setRange(0, static_cast<int>(files.size()));
    ProBar->setValue(0);
    ProBar->show();
    const bool backup = Chk_bak->isChecked();
    for (const QString& path : files) {
        ++count;
        ++total_;
        ProBar->setValue(static_cast<int>(count));
        // Each row of the log its own number, failed ones included.
        const int number = Lst_Viw->topLevelItemCount() + 1;
        auto* row = new QTreeWidgetItem(
            Lst_Viw, {QString::number(number), path, Txt_Fnd->text(), Txt_Rep->text(), QString()});
        row->setToolTip(1, QDir::toNativeSeparators(path));
        // Let the window paint the new row and the progress before the work.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        const files::Outcome done = files::ReplaceInFile(path, find, rep, backup);
        if (done) {
            row->setText(4, QStringLiteral("完成"));
        } else {
            row->setText(4, QStringLiteral("失败"));
            row->setToolTip(4, done.why);
            row->setToolTip(1, QDir::toNativeSeparators(path) + QLatin1Char('\n') + done.why);
            --count;
            --total_;
        }
    }
    files::SyncFileSystemOf(files);
    running_ = false;
    buttons_->setEnabled(true);
    summary();
}

void FrmPiLiangTiHuan::Lst_Viw_ColumnClick(int column) {
    if (column == sortColumn_) {
        ascending_ = !ascending_;
    } else {
        sortColumn_ = column;
        ascending_ = true;
    }
    // As text, so 10 sorts before 9.
    Lst_Viw->sortItems(sortColumn_, ascending_ ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void FrmPiLiangTiHuan::closeEvent(QCloseEvent* event) {
    // A run cannot be stopped halfway through a file; the window stays until it ends.
    if (running_) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

}  // namespace ui
