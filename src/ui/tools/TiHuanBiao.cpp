#include "ui/tools/TiHuanBiao.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "core/document/Document.h"
#include "core/encoding/Encoding.h"
#include "files/EncodedFile.h"
#include "files/TextFile.h"
#include "ui/common/CommandGate.h"
#include "ui/common/Dialogs.h"
#include "ui/common/TextHost.h"

namespace ui {

namespace {
QPushButton* Button(const char* name, const QString& caption, QWidget* parent) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(name);
    return b;
}
}  // namespace

替换表::替换表(ui::TextHost& host) : QWidget(nullptr, Qt::Window), host_(host) {
    setObjectName(QStringLiteral("替换表"));
    setWindowTitle(QStringLiteral("替换表"));
    MSFlexGrid1 = new QTableWidget(qm::table::kRows, 3, this);
    MSFlexGrid1->setObjectName("MSFlexGrid1");
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);  // edited through Text1/Text2
    MSFlexGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    MSFlexGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    MSFlexGrid1->verticalHeader()->hide();
    Text1 = new QLineEdit(this);
    Text1->setObjectName("Text1");
    Text2 = new QLineEdit(this);
    Text2->setObjectName("Text2");
    auto* label1 = new QLabel(QStringLiteral("查找"), this);
    label1->setObjectName("Label1");
    auto* label2 = new QLabel(QStringLiteral("替换"), this);
    label2->setObjectName("Label2");
    auto* edit = Button("CmdEdit", QStringLiteral("修改"), this);
    auto* import = Button("CmdDaoRu", QStringLiteral("导入"), this);
    auto* save = Button("CmdSave", QStringLiteral("另存"), this);
    auto* apply = Button("Command1", QStringLiteral("执行"), this);

    auto* g = new QGridLayout(this);
    g->addWidget(MSFlexGrid1, 0, 0, 1, 4);
    g->addWidget(label1, 1, 0);
    g->addWidget(Text1, 1, 1, 1, 3);
    g->addWidget(label2, 2, 0);
    g->addWidget(Text2, 2, 1, 1, 3);
    g->addWidget(edit, 3, 0);
    g->addWidget(import, 3, 1);
    g->addWidget(save, 3, 2);
    g->addWidget(apply, 3, 3);

    connect(MSFlexGrid1, &QTableWidget::currentCellChanged, this, &替换表::MSFlexGrid1_SelChange);
    connect(edit, &QPushButton::clicked, this, &替换表::CmdEdit_Click);
    connect(import, &QPushButton::clicked, this, &替换表::CmdDaoRu_Click);
    connect(save, &QPushButton::clicked, this, &替换表::CmdSave_Click);
    connect(apply, &QPushButton::clicked, this, host_.Gate().Guard([this] { Command1_Click(); }));
    Form_Load();
}

void 替换表::Form_Load() {
    MSFlexGrid1->setHorizontalHeaderLabels(
        {QStringLiteral("序号"), QStringLiteral("查找"), QStringLiteral("替换")});
    const int dpi = logicalDpiX();
    const int widths[] = {800, 1800, 1750};  // twips
    for (int c = 0; c < 3; ++c) MSFlexGrid1->setColumnWidth(c, widths[c] * dpi / 1440);
    MSFlexGrid1->verticalHeader()->setDefaultSectionSize(280 * logicalDpiY() / 1440);
    for (int r = 0; r < qm::table::kRows; ++r) {
        SetCell(r, 0, QString::number(r + 1));
        SetCell(r, 1, QString());
        SetCell(r, 2, QString());
    }
    MSFlexGrid1->setCurrentCell(0, 1);
    resize(MSFlexGrid1->horizontalHeader()->length() + 60, 460);
}

void 替换表::SetCell(int row, int column, const QString& text) {
    QTableWidgetItem* item = MSFlexGrid1->item(row, column);
    if (item == nullptr) {
        item = new QTableWidgetItem;
        MSFlexGrid1->setItem(row, column, item);
    }
    item->setText(text);
}

QString 替换表::Cell(int row, int column) const {
    const QTableWidgetItem* item = MSFlexGrid1->item(row, column);
    return item ? item->text() : QString();
}

void 替换表::MSFlexGrid1_SelChange() {
    const int row = MSFlexGrid1->currentRow();
    if (row < 0) return;
    Text1->setText(Cell(row, 1));
    Text2->setText(Cell(row, 2));
}

void 替换表::CmdEdit_Click() {
    const int row = MSFlexGrid1->currentRow();
    if (row < 0) return;
    SetCell(row, 1, Text1->text());
    SetCell(row, 2, Text2->text());
}

void 替换表::CmdDaoRu_Click() {
    const QString name = ui::AskOpenFileName(this, QString(), QString(), QString());
    if (!name.isEmpty()) loadfile(name);
}

void 替换表::loadfile(const QString& fileName) {
    if (!QFileInfo::exists(fileName)) {
        ui::ShowMessage(this, QStringLiteral("文件未找到"), QStringLiteral("Quillmere"));
        return;
    }
    // In whatever encoding the file is in.
    const files::TextReadResult r = files::ReadTextFile(fileName);
    if (!r.ok) {
        ui::ShowMessage(this, QStringLiteral("无法读取文件“%1”：%2。替换表未改动。")
                                  .arg(QFileInfo(fileName).fileName(), r.why));
        return;
    }
    const std::vector<qm::table::Line> lines = qm::table::Parse(r.loaded.text);
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const qm::table::Line& l = lines[k];
        if (l.empty) continue;
        const int row = static_cast<int>(k);
        SetCell(row, 1, QString::fromStdU16String(l.find));
        if (l.hasReplacement) SetCell(row, 2, QString::fromStdU16String(l.replacement));
    }
    MSFlexGrid1_SelChange();
}

qm::table::Table 替换表::Pairs() const {
    qm::table::Table t;
    for (int r = 0; r < qm::table::kRows; ++r) {
        t[static_cast<std::size_t>(r)] = {Cell(r, 1).toStdU16String(), Cell(r, 2).toStdU16String()};
    }
    return t;
}

void 替换表::CmdSave_Click() {
    const QString name =
        ui::AskSaveFileName(this, QString(), QStringLiteral("文本文件|*.txt"), QString());
    if (name.isEmpty()) return;
    const qm::enc::Encoded e =
        qm::enc::Encode(qm::table::Serialize(Pairs()), qm::enc::Encoding::Gbk);
    if (!ui::SaveGbkText(this, name, e, QStringLiteral("信息提示"))) return;
    ui::ShowMessage(this, QStringLiteral("保存成功"), QStringLiteral("信息提示"));
}

void 替换表::Command1_Click() {
    qm::Document& doc = host_.Doc();
    qm::table::Apply(Pairs(), doc.Text(), [&doc](const std::u16string& t) { doc.SetText(t); });
}

}  // namespace ui
