#include "ui/tools/FrmFenGe.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>

#include "core/filetools/FileTools.h"
#include "files/EncodedFile.h"
#include "files/FileJobs.h"
#include "platform/Platform.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Named.h"

namespace ui {

using ui::Named;
using ui::NamedButton;

FrmFenGe::FrmFenGe() : QWidget(nullptr, Qt::Window) {
    setObjectName("FrmFenGe");
    setWindowTitle(QStringLiteral("文件分割"));
    Frame1 = Named(new QGroupBox(QStringLiteral("打开要分割的文本文件"), this), "Frame1");
    Text1 = Named(new QLineEdit(Frame1), "Text1");
    QPushButton* open = NamedButton("Command1", QStringLiteral("打开"), Frame1);
    Text3 = Named(new QLineEdit(QStringLiteral("|"), this), "Text3");
    Text2 = Named(new QLineEdit(QStringLiteral("}"), this), "Text2");
    List1 = Named(new QListWidget(this), "List1");
    auto* help = new QGroupBox(QStringLiteral("帮助"), this);
    Text4 = Named(new QPlainTextEdit(help), "Text4");
    Text4->setReadOnly(true);
    Text4->setPlainText(QStringLiteral(
        "将以下格式单个文本的内容批量分割为多个文本,并将生成的数据保存在生成目录下.\n\n"
        "标题|内容}\n标题|内容}\n标题|内容}\n标题|内容}"));
    auto* f = new QHBoxLayout(Frame1);
    f->addWidget(Text1);
    f->addWidget(open);
    auto* h = new QVBoxLayout(help);
    h->addWidget(Text4);
    auto* g = new QGridLayout(this);
    g->addWidget(Frame1, 0, 0, 1, 2);
    g->addWidget(new QLabel(QStringLiteral("文章标题分割符号："), this), 1, 0);
    g->addWidget(Text3, 1, 1);
    g->addWidget(new QLabel(QStringLiteral("文章段落分隔符号："), this), 2, 0);
    g->addWidget(Text2, 2, 1);
    g->addWidget(List1, 3, 0, 1, 2);
    g->addWidget(help, 4, 0, 1, 2);
    connect(open, &QPushButton::clicked, this, &FrmFenGe::Command1_Click);
    resize(480, 520);
}

void FrmFenGe::Command1_Click() {
    List1->clear();
    const QString path = ui::AskOpenFileName(this, QString(), QStringLiteral("文本文件|*.txt"),
                                             platform::ProgramFolder());
    if (path.isEmpty()) return;  // cancelled: nothing read, nothing written
    Text1->setText(path);
    const std::u16string titleSep = Text3->text().toStdU16String();
    const std::u16string recordSep = Text2->text().toStdU16String();
    if (titleSep.empty() || recordSep.empty()) {
        ui::ShowMessage(this, QStringLiteral("标题分割符号和段落分隔符号都不能为空。"));
        return;
    }
    // In whatever encoding the file is in.
    const files::TextReadResult r = files::ReadTextFile(path);
    if (!r.ok) {
        ui::ShowMessage(this, QStringLiteral("无法读取文件“%1”：%2。").arg(path, r.why));
        return;
    }
    ui::WaitCursor wait;
    const std::vector<qm::filetools::Record> records =
        qm::filetools::CutRecords(r.loaded.text, titleSep, recordSep);
    QElapsedTimer clock;
    clock.start();
    const files::RecordsWritten w = files::WriteRecords(
        records, platform::ProgramFolder() + QStringLiteral("/生成目录"), [&clock](std::size_t) {
            if (clock.elapsed() < 30) return;  // the window repaints, without a pass per record
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            clock.restart();
        });
    const auto readable = [](const QString& title) {
        return QString::fromStdU16String(qm::filetools::ReadableTitle(title.toStdU16String()));
    };
    for (const QString& title : w.titles) List1->addItem(readable(title));
    Frame1->setTitle(QStringLiteral("%1条记录").arg(records.size()));
    // One message for all, so a long list does not mean a long row of boxes.
    QStringList told;
    if (!w.notWritten.isEmpty()) {
        QStringList shown;
        for (const QString& title : w.notWritten.mid(0, 30)) shown << readable(title);
        if (w.notWritten.size() > 30)
            shown << QStringLiteral("……（共 %1 条）").arg(w.notWritten.size());
        told << QStringLiteral(
                    "以下 %1 条记录没有写成文件（标题为空、含有“/”“\\”或换行等控制字符、"
                    "是“..”，或无法写入）：\n%2")
                    .arg(w.notWritten.size())
                    .arg(shown.join(QLatin1Char('\n')));
    }
    if (const auto tail = qm::filetools::UnclosedRecord(r.loaded.text, titleSep, recordSep)) {
        told << QStringLiteral("最后一段“%1”没有以“%2”结尾，不是完整的记录，没有写成文件。")
                    .arg(readable(QString::fromStdU16String(*tail)), Text2->text());
    }
    if (!told.isEmpty()) {
        ui::ShowMessage(this, told.join(QStringLiteral("\n\n")), ui::kTipTitle,
                        QMessageBox::Warning);
    }
}

}  // namespace ui
