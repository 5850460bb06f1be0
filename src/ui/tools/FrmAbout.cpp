#include "ui/tools/FrmAbout.h"

#include <QLabel>
#include <QVBoxLayout>

#include "ui/common/Named.h"

namespace ui {

FrmAbout::FrmAbout() : QWidget(nullptr, Qt::Window) {
    setObjectName("FrmAbout");
    setWindowTitle(QStringLiteral("关于"));
    auto* text = ui::Named(new QLabel(this), "Label1");
    text->setTextFormat(Qt::RichText);
    text->setOpenExternalLinks(true);
    text->setText(QStringLiteral(
                      "<h3>Quillmere 文本整理 V%1</h3>"
                      "<p>整理以 GBK 编码为主、中英混排的纯文本。</p>"
                      "<p><a href=\"https://quillmere.example/\">https://quillmere.example/</a></p>"
                      "<p>使用的程序库：</p><ul>"
                      "<li>Qt %2（LGPL-3.0）：窗口、文件与对话框</li>"
                      "<li>GNU C 库的 iconv（LGPL-2.1）：GBK 编码表</li>"
                      "<li>OpenCC（Apache-2.0）：繁体转简体</li>"
                      "<li>Unicode Unihan 数据（Unicode License v3）：汉字拼音</li>"
                      "<li>npm 包 pinyin 的词语拼音表（MIT）：多音字词语</li>"
                      "<li>文泉驿微米黑字体（Apache-2.0 / GPL-3.0）：中文字形</li>"
                      "</ul>")
                      .arg(QStringLiteral("4.0"), QString::fromLatin1(qVersion())));
    auto* close = ui::NamedButton("Command1", QStringLiteral("确定"), this);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto* v = new QVBoxLayout(this);
    v->addWidget(text);
    v->addWidget(close, 0, Qt::AlignRight);
}

}  // namespace ui
