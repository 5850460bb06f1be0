#include "ui/tools/FenGe2.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>

#include "files/FileJobs.h"
#include "platform/Platform.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Named.h"

namespace ui {

using qm::filetools::Box;
using ui::Named;
using ui::NamedButton;

namespace {
QString Q(const std::u16string& s) { return QString::fromStdU16String(s); }

void Critical(QWidget* parent, const QString& text, const QString& title) {
    ui::ShowMessage(parent, text, title, QMessageBox::Critical);
}
}  // namespace

FenGe2::FenGe2() : QWidget(nullptr, Qt::Window) {
    setObjectName("FenGe2");
    setWindowTitle(QStringLiteral("按大小分割文件"));
    openfile = Named(new QLineEdit(this), "openfile");
    openfile->setToolTip(QStringLiteral("输入分割文件名称"));
    savefile = Named(new QLineEdit(this), "savefile");
    savefile->setToolTip(QStringLiteral("分割文件名"));
    splsize = Named(new QLineEdit(this), "splsize");
    splsize->setToolTip(QStringLiteral("指定分割副本的大小."));
    splnum = Named(new QLineEdit(this), "splnum");
    splnum->setToolTip(QStringLiteral("单击允许"));
    progress = Named(new QProgressBar(this), "progress");
    progress->setRange(0, 100);
    current = Named(new QLabel(QStringLiteral("分割中 0/0"), this), "current");
    current->setToolTip(QStringLiteral("Currently processed part X of Y"));
    Label8 = Named(new QLabel(this), "Label8");
    Label8->setToolTip(QStringLiteral("Source File size in bytes"));

    const auto button = [this](const char* name, const char* caption, const char* tip,
                               void (FenGe2::*handler)()) {
        QPushButton* b = NamedButton(name, QString::fromUtf8(caption), this);
        if (tip) b->setToolTip(QString::fromUtf8(tip));
        if (handler) connect(b, &QPushButton::clicked, this, handler);
        return b;
    };
    QPushButton* cmdopen = button("cmdopen", "浏览...", "选择一个文件", &FenGe2::cmdopen_Click);
    QPushButton* cmdsave = button("cmdsave", "保存", nullptr, &FenGe2::CmdSave_Click);
    QPushButton* cmddoit = button("cmddoit", "分割", "开始分割文件", &FenGe2::cmddoit_Click);
    QPushButton* cmdexit = button("cmdexit", "退出", "退出程序", nullptr);
    connect(cmdexit, &QPushButton::clicked, this, &QWidget::close);
    QPushButton* cmdabout = button("cmdabout", "关于", "关于信息", &FenGe2::cmdabout_Click);
    QPushButton* cmdhelp = button("cmdhelp", "帮助", "提示如何使用", &FenGe2::cmdhelp_Click);

    auto* source = new QGroupBox(QStringLiteral("选择目标文件"), this);
    auto* gs = new QGridLayout(source);
    gs->addWidget(openfile, 0, 0);
    gs->addWidget(cmdopen, 0, 1);
    gs->addWidget(new QLabel(QStringLiteral("大小 :-"), source), 1, 0);
    gs->addWidget(Label8, 1, 0, Qt::AlignRight);
    auto* target = new QGroupBox(QStringLiteral("另存为"), this);
    auto* gt = new QGridLayout(target);
    gt->addWidget(savefile, 0, 0);
    gt->addWidget(cmdsave, 0, 1);
    auto* sizes = new QGridLayout;
    sizes->addWidget(new QLabel(QStringLiteral("分割大小"), this), 0, 0);
    sizes->addWidget(splsize, 0, 1);
    sizes->addWidget(new QLabel(QStringLiteral("大小"), this), 0, 2);
    sizes->addWidget(new QLabel(QStringLiteral("指定"), this), 1, 0);
    sizes->addWidget(splnum, 1, 1);
    auto* row = new QHBoxLayout;
    for (QPushButton* b : {cmddoit, cmdhelp, cmdabout, cmdexit}) row->addWidget(b);
    auto* g = new QVBoxLayout(this);
    g->addWidget(source);
    g->addWidget(target);
    g->addLayout(sizes);
    g->addWidget(progress);
    g->addWidget(current);
    g->addLayout(row);
    splsize->installEventFilter(this);
    splnum->installEventFilter(this);

    // Form_Load: size mode.
    splsize->setText(QStringLiteral("1400"));
    splsize_Click();
    current->setText(QStringLiteral("0/0"));
    Label8->setText(QStringLiteral("文件未选择"));
    resize(460, 360);
}

void FenGe2::SetPaint(QLineEdit* box, Paint p) {
    QPalette pal = box->palette();
    const QPalette base = QApplication::palette(box);
    pal.setColor(QPalette::Base, p == Paint::Failed   ? QColor(255, 255, 0)
                                 : p == Paint::Locked ? base.color(QPalette::Button)
                                                      : base.color(QPalette::Base));
    box->setPalette(pal);
}

bool FenGe2::SizeMode() const { return !splsize->isReadOnly(); }

QLineEdit* FenGe2::BoxOf(Box b) const {
    switch (b) {
        case Box::SplSize:
            return splsize;
        case Box::SplNum:
            return splnum;
        case Box::OpenFile:
            return openfile;
        case Box::SaveFile:
            return savefile;
        case Box::None:
            break;
    }
    return nullptr;
}

void FenGe2::Unlock(QLineEdit* open, QLineEdit* locked, const QString& tip) {
    locked->clear();
    locked->setReadOnly(true);
    SetPaint(locked, Paint::Locked);
    locked->setToolTip(QStringLiteral("Click to enable"));
    open->setReadOnly(false);
    SetPaint(open, Paint::Open);
    open->setToolTip(tip);
}

void FenGe2::splsize_Click() {
    Unlock(splsize, splnum, QStringLiteral("Enter size of one part.Double Click for floppy size."));
}

void FenGe2::splnum_Click() {
    Unlock(splnum, splsize, QStringLiteral("Enter the number of parts to split "));
}

void FenGe2::splsize_DblClick() { splsize->setText(QStringLiteral("1400")); }

bool FenGe2::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        if (watched == splsize && splsize->isReadOnly()) splsize_Click();
        if (watched == splnum && splnum->isReadOnly()) splnum_Click();
    } else if (event->type() == QEvent::MouseButtonDblClick && watched == splsize) {
        splsize_DblClick();
    }
    return QWidget::eventFilter(watched, event);
}

void FenGe2::cmdopen_Click() {
    Label8->setText(QStringLiteral("No File Selected"));
    const QString path =
        ui::AskOpenFileName(this, QStringLiteral("Parcelo - Select file to split..."), QString(),
                            platform::ProgramFolder());
    if (path.isEmpty()) return;  // cancelled: the boxes keep what they held
    openfile->setText(path);
    Label8->setText(QStringLiteral("Size is : ") +
                    Q(qm::filetools::SpaceValue(static_cast<double>(QFileInfo(path).size()))));
    if (auto name = qm::filetools::FileNameFromPath(path.toStdU16String()))
        savefile->setText(Q(*name));
    SetPaint(openfile, Paint::Open);
}

void FenGe2::CmdSave_Click() {
    const QString path =
        ui::AskSaveFileName(this, QStringLiteral("Parcelo - Save splitted files as..."), QString(),
                            platform::ProgramFolder());
    if (path.isEmpty()) return;
    savefile->setText(path);
    SetPaint(savefile, Paint::Open);
}

void FenGe2::cmddoit_Click() {
    if (running_) return;
    for (QLineEdit* box : {openfile, savefile}) SetPaint(box, Paint::Open);
    SetPaint(SizeMode() ? splsize : splnum, Paint::Open);
    qm::filetools::SplitRequest r;
    r.sizeMode = SizeMode();
    r.sizeText = splsize->text().toStdU16String();
    r.countText = splnum->text().toStdU16String();
    r.openFile = openfile->text().toStdU16String();
    r.saveFile = savefile->text().toStdU16String();
    const QFileInfo source(openfile->text());
    r.sourceSize = source.isFile() && source.isReadable() ? source.size() : -1;
    const qm::filetools::SplitCheck check = qm::filetools::CheckSplit(r);
    const auto showSize = [&] {
        Label8->setText(
            Q(qm::filetools::GroupedThreeDecimals(static_cast<double>(r.sourceSize) / 1024)) +
            QStringLiteral(" KBytes"));
    };
    if (check.problem) {
        const qm::filetools::SplitProblem& p = *check.problem;
        if (p.sizeKnown) showSize();
        for (Box b : p.yellow) SetPaint(BoxOf(b), Paint::Failed);
        Critical(this, Q(p.text), Q(p.title));
        if (QLineEdit* focus = BoxOf(p.focus)) focus->setFocus();
        return;
    }
    showSize();
    const qm::filetools::SplitPlan& plan = check.plan;
    if (!ui::AskYesNo(this, Q(qm::filetools::ConfirmText(plan, r.sizeMode)),
                      QStringLiteral("分割确认"))) {
        return;
    }
    running_ = true;
    const files::SplitNames names = files::NamesFor(openfile->text(), savefile->text());
    const files::Outcome split =
        files::SplitFile(openfile->text(), names, plan, [&](std::int64_t k) {
            current->setText(QStringLiteral("%1/%2").arg(k + 1).arg(plan.parts));
            progress->setValue(static_cast<int>((k + 1) * 100 / plan.parts));
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            return true;
        });
    files::Outcome scripts = split ? files::WriteRejoinScripts(names, plan.parts, false) : split;
    running_ = false;
    if (!scripts) {
        // The program goes on: the user learns which part and why.
        Critical(this, QStringLiteral("分割没有完成：%1。").arg(scripts.why),
                 QStringLiteral("错误"));
        progress->setValue(0);
        current->setText(QStringLiteral("0/0"));
        return;
    }
    ui::ShowMessage(this,
                    QStringLiteral("共分割文件 %1 个.\r\n\r\n合并批处理文件名为 '%2.bat' 成功建立.")
                        .arg(plan.parts)
                        .arg(names.sourceName),
                    QStringLiteral("文件分割完毕"));
    if (ui::AskYesNo(this, QStringLiteral("\r\n单击是,将合并后删除所有分割文件?' Click YES."))) {
        if (files::Outcome del = files::WriteRejoinScripts(names, plan.parts, true); !del) {
            Critical(this, del.why, QStringLiteral("错误"));
        }
    }
    ResetAfterSplit();
}

void FenGe2::ResetAfterSplit() {
    splsize_Click();
    splsize->setFocus();
    splsize->setText(QStringLiteral("1400"));
    openfile->clear();
    savefile->clear();
    progress->setValue(0);
    current->setText(QStringLiteral("0/0"));
    Label8->setText(QStringLiteral("文件未选择"));
}

void FenGe2::cmdhelp_Click() {
    const char* const lines[] = {" 帮助 - Parcelo",
                                 "",
                                 "分割文件操作:",
                                 "",
                                 "1. 单击'浏览'按钮,选择一个要分割的文件.",
                                 "2. 指定要分割文件名和路径,然后保存.",
                                 "3. 指定分割文件的大小和分割序号,然后单击'分割'按钮. ",
                                 "",
                                 "",
                                 "合并文件操作:",
                                 "",
                                 "1. 把所有分割后的文件及批处理文件放在同一个文件夹.",
                                 "2. "
                                 "单击扩展名为'.bat'的批处理文件程序即可自动进行文件合并,"
                                 "你也可以修改批处理文件指定合并后的文件名."};
    QStringList text;
    for (const char* l : lines) text << QString::fromUtf8(l);
    ui::ShowMessage(this, text.join(QStringLiteral("\r\n")), QStringLiteral("帮助"));
}

void FenGe2::cmdabout_Click() {
    ui::ShowMessage(this,
                    QStringLiteral("Parcelo - 按大小分割文件\r\n\r\nQuillmere 的文件分割工具\r\n"
                                   "https://quillmere.example/"),
                    QStringLiteral("关于"));
}

void FenGe2::closeEvent(QCloseEvent* event) {
    if (running_) {
        event->ignore();  // a split in progress finishes its parts first
        return;
    }
    QWidget::closeEvent(event);
}

}  // namespace ui
