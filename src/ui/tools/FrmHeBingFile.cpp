#include "ui/tools/FrmHeBingFile.h"

#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

#include "core/encoding/Encoding.h"
#include "files/FileJobs.h"
#include "platform/Platform.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Named.h"

namespace ui {

using ui::Named;
using ui::NamedButton;

namespace {
const QString kTextFilter = QStringLiteral("文本文件|*.txt");
}

FrmHeBingFile::FrmHeBingFile() : QWidget(nullptr, Qt::Window) {
    setObjectName("FrmHeBingFile");
    setWindowTitle(QStringLiteral("合并文件"));
    List1 = Named(new QListWidget(this), "List1");
    Text1 = Named(new QLineEdit(this), "Text1");
    Combo1 = Named(new QComboBox(this), "Combo1");
    Combo1->setEditable(true);
    Combo1->setInsertPolicy(QComboBox::NoInsert);
    // Form_Load: an empty entry, then "空行".
    Combo1->addItem(QString());
    Combo1->addItem(QStringLiteral("空行"));

    auto* g = new QGridLayout(this);
    g->addWidget(new QLabel(QStringLiteral("文件列表："), this), 0, 0, 1, 3);
    g->addWidget(List1, 1, 0, 5, 2);
    const std::tuple<const char*, const char*, void (FrmHeBingFile::*)()> buttons[] = {
        {"CmdAdd", "添加", &FrmHeBingFile::CmdAdd_Click},
        {"CmdDel", "删除", &FrmHeBingFile::CmdDel_Click},
        {"CmdClear", "清空", &FrmHeBingFile::CmdClear_Click},
        {"CMDUP", "上移", &FrmHeBingFile::CMDUP_Click},
        {"CMDDOWN", "下移", &FrmHeBingFile::CMDDOWN_Click}};
    int row = 1;
    for (const auto& [name, caption, handler] : buttons) {
        QPushButton* b = NamedButton(name, QString::fromUtf8(caption), this);
        connect(b, &QPushButton::clicked, this, handler);
        g->addWidget(b, row++, 2);
    }
    g->addWidget(new QLabel(QStringLiteral("请设置合并后的文件名："), this), 6, 0, 1, 3);
    g->addWidget(Text1, 7, 0, 1, 2);
    QPushButton* browse = NamedButton("Command1", QStringLiteral("浏览"), this);
    g->addWidget(browse, 7, 2);
    g->addWidget(new QLabel(QStringLiteral("合并时在文件中间加"), this), 8, 0);
    g->addWidget(Combo1, 8, 1);
    QPushButton* merge = NamedButton("Command2", QStringLiteral("开始合并"), this);
    QPushButton* close = NamedButton("Command3", QStringLiteral("关闭窗口"), this);
    g->addWidget(merge, 9, 1);
    g->addWidget(close, 9, 2);
    connect(browse, &QPushButton::clicked, this, &FrmHeBingFile::Command1_Click);
    connect(merge, &QPushButton::clicked, this, &FrmHeBingFile::Command2_Click);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    // The list's tooltip names the selected entry's full path.
    connect(List1, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> s = List1->selectedItems();
        List1->setToolTip(s.isEmpty() ? QString() : s.first()->text());
    });
    resize(520, 420);
}

void FrmHeBingFile::CmdAdd_Click() {
    // Many files at once (the chapters of a book), added in the order the
    // dialog lists them.
    List1->addItems(ui::AskOpenFileNames(this, QString(), kTextFilter, platform::ProgramFolder()));
}

void FrmHeBingFile::CmdDel_Click() { delete List1->currentItem(); }

void FrmHeBingFile::CmdClear_Click() { List1->clear(); }

void FrmHeBingFile::Move(int by) {
    const int row = List1->currentRow();
    if (row < 0 || !List1->currentItem()->isSelected()) return;
    const int to = row + by;
    if (to < 0 || to >= List1->count()) return;
    QListWidgetItem* item = List1->takeItem(row);
    List1->insertItem(to, item);
    List1->setCurrentRow(to);
}

void FrmHeBingFile::CMDUP_Click() { Move(-1); }
void FrmHeBingFile::CMDDOWN_Click() { Move(1); }

void FrmHeBingFile::Command1_Click() {
    const QString path =
        ui::AskOpenFileName(this, QString(), kTextFilter, platform::ProgramFolder());
    if (!path.isEmpty()) Text1->setText(path);
}

std::optional<bool> FrmHeBingFile::AskConvert(qm::enc::Encoding target) {
    const QString name = QString::fromLatin1(qm::enc::Name(target));
    const int answer = ui::AskTwoWays(
        this, QMessageBox::Question,
        QStringLiteral("要合并的文件编码不同。把它们都转换为第一个文件的编码（%1）再合并，"
                       "还是按原样连接字节？")
            .arg(name),
        {QStringLiteral("都转换为 %1").arg(name), "convertAll"},
        {QStringLiteral("按原样合并"), "joinAsIs"});
    if (answer == 0) return std::nullopt;
    return answer == 1;
}

void FrmHeBingFile::Command2_Click() {
    if (List1->count() < 2) {
        ui::ShowMessage(this, QStringLiteral("请添加要合并的文件"), ui::kTipTitle,
                        QMessageBox::NoIcon);
        return;
    }
    if (Text1->text().isEmpty()) {
        ui::ShowMessage(this, QStringLiteral("请设置合并后文件的路径"), ui::kTipTitle,
                        QMessageBox::NoIcon);
        return;
    }
    QStringList inputs;
    for (int i = 0; i < List1->count(); ++i) inputs << List1->item(i)->text();
    // Bytes are joined as they are; files in other encodings would give a
    // mixed file, so the user decides.
    std::vector<std::optional<qm::enc::Encoding>> encodings;
    {
        ui::WaitCursor wait;
        encodings = files::EncodingsOf(inputs);
    }
    QStringList unclean;
    std::optional<qm::enc::Encoding> first;
    for (int i = 0; i < inputs.size(); ++i) {
        const auto& e = encodings[static_cast<std::size_t>(i)];
        if (!e) unclean << QDir::toNativeSeparators(inputs[i]);
        if (e && !first) first = e;
    }
    if (!unclean.isEmpty() &&
        !ui::AskYesNo(
            this, QStringLiteral("以下文件不是能识别编码的文本，合并后这些部分可能显示为乱码：\n"
                                 "%1\n\n仍然合并吗？")
                      .arg(unclean.join(QLatin1Char('\n'))))) {
        return;
    }
    files::MergeConversion conversion;
    conversion.target.encoding = first.value_or(qm::enc::Encoding::Gbk);
    conversion.from = encodings;
    bool convert = false;
    if (std::any_of(encodings.begin(), encodings.end(), [&](const auto& e) {
            return e && !files::SameFamily(*e, conversion.target.encoding);
        })) {
        const std::optional<bool> answer = AskConvert(conversion.target.encoding);
        if (!answer) return;
        convert = *answer;
    }
    // The separator and the closing line break in the output's encoding.
    const qm::enc::Encoded separator =
        qm::enc::Encode(qm::filetools::MergeSeparator(Combo1->currentText().toStdU16String()),
                        conversion.target.encoding, false);
    if (!ui::ConfirmUnencodable(this, separator.unencodable)) return;
    const std::string closing = qm::enc::Encode(u"\r\n", conversion.target.encoding, false).bytes;
    ui::WaitCursor wait;
    const files::Outcome merged = files::MergeFiles(inputs, Text1->text(), separator.bytes,
                                                    convert ? &conversion : nullptr, closing);
    if (!merged) {
        ui::ShowMessage(
            this, QStringLiteral("合并没有完成：%1。原有的输出文件未被改动。").arg(merged.why),
            ui::kTipTitle, QMessageBox::Warning);
        return;
    }
    ui::ShowMessage(this, QStringLiteral("成功合并%1个文件").arg(inputs.size()));
}

}  // namespace ui
