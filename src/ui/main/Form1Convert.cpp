// Form1's menu "转换" and the symbol palette.
#include <QAction>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>

#include "core/tools/Convert.h"
#include "core/tools/Pinyin.h"
#include "platform/OpenCC.h"
#include "ui/common/Dialogs.h"
#include "ui/common/Named.h"
#include "ui/main/Form1.h"
#include "ui/tools/FrmJingHua.h"

namespace ui {

namespace {

struct Group {
    const char* title;
    std::vector<const char*> captions;
};

// The palette as the form lays it out, group by group.
const std::vector<Group>& PaletteGroups() {
    static const std::vector<Group> groups = {
        {"序号", {"Ⅻ", "Ⅺ", "Ⅹ", "Ⅸ", "Ⅷ", "Ⅶ", "Ⅵ", "Ⅴ", "Ⅳ", "Ⅲ", "Ⅱ",
                  "Ⅰ", "⑩", "⑨", "⑧", "⑦", "⑥", "⑤", "④", "③", "②", "①"}},
        {"数学符号", {"→", "∈", "∵", "∴",  "⊥", "∥", "∠",  "⌒",  "≌", "∽",  "√",  "·",
                      "≈", "≡", "≠", "＝", "≤", "≥", "＜", "＞", "≮", "≯",  "－", "×",
                      "÷", "∫", "∮", "∝",  "∞", "∧", "∨",  "∑",  "±", "＋", "∪",  "∩"}},
        {"其它符号", {"§", "☆", "★", "○", "●", "◎", "◇",  "◆",  "□",  "■", "△",
                      "▲", "※", "→", "←", "↑", "↓", "〓", "＾", "＿", "￣"}},
        {"单位符号", {"π", "￠", "℃", "￥", "￡", "＄"}},
        {"符号表情",
         {"~\\(≧▽≦)/~", "(＠_＠)", "+_+", "^_^", "O(∩_∩)O", "O(∩_∩)O~", "⊙﹏⊙b", "(*^__^*) ",
          "%>_<%", "O__O\"…"}},
    };
    return groups;
}

}  // namespace

void Form1::BuildPalette() {
    // It floats over the box, in an opaque frame as small as its buttons allow.
    auto* holder = new QFrame(centralWidget());
    holder->setFrameStyle(QFrame::Panel | QFrame::Raised);
    holder->setAutoFillBackground(true);
    auto* outer = new QVBoxLayout(holder);
    outer->setContentsMargins(2, 2, 2, 2);
    outer->setSizeConstraint(QLayout::SetFixedSize);
    auto* palette = ui::Named(new QGroupBox(QStringLiteral("常用符号"), holder), "常用符号");
    outer->addWidget(palette);
    auto* v = new QVBoxLayout(palette);
    v->setSpacing(2);
    for (const Group& g : PaletteGroups()) {
        auto* frame = new QGroupBox(QString::fromUtf8(g.title), palette);
        auto* grid = new QGridLayout(frame);
        grid->setSpacing(1);
        grid->setContentsMargins(4, 2, 4, 2);
        const int perRow = g.captions.size() > 20 ? 12 : g.captions.size() > 6 ? 5 : 6;
        for (std::size_t i = 0; i < g.captions.size(); ++i) {
            const QString caption = QString::fromUtf8(g.captions[i]);
            auto* b = new QPushButton(caption, frame);
            b->setFocusPolicy(Qt::NoFocus);  // the caret stays in the box
            const int wide = b->fontMetrics().horizontalAdvance(caption) + 12;
            b->setFixedSize(std::max(28, wide), 24);
            // Every symbol button inserts its caption, those the old form left
            // without a handler too: a symbol that does nothing would look broken.
            connect(b, &QPushButton::clicked, this,
                    gate_.Guard([this, caption] { doc_.SetSelText(caption.toStdU16String()); }));
            grid->addWidget(b, static_cast<int>(i) / perRow, static_cast<int>(i) % perRow);
        }
        v->addWidget(frame);
    }
    auto* move = new QGroupBox(QStringLiteral("移动选项框"), palette);
    auto* arrows = new QHBoxLayout(move);
    // The arrows move the palette within the window, a step at a time.
    const std::tuple<const char*, const char*, QPoint> steps[] = {{"CmdMoveLeft", "←", {-40, 0}},
                                                                  {"CmdMoveUp", "↑", {0, -40}},
                                                                  {"CmdMoveRight", "→", {40, 0}},
                                                                  {"CmdMoveDown", "↓", {0, 40}}};
    for (const auto& [name, caption, step] : steps) {
        auto* b = ui::NamedButton(name, QString::fromUtf8(caption), move);
        b->setFixedSize(32, 24);
        connect(b, &QPushButton::clicked, holder, [holder, step = step] {
            const QRect room = holder->parentWidget()->rect();
            QPoint to = holder->pos() + step;
            to.setX(std::clamp(to.x(), 0, std::max(0, room.width() - holder->width())));
            to.setY(std::clamp(to.y(), 0, std::max(0, room.height() - holder->height())));
            holder->move(to);
        });
        arrows->addWidget(b);
    }
    v->addWidget(move);
    auto* leave = ui::NamedButton("Command106", QStringLiteral("离开符号面板"), palette);
    connect(leave, &QPushButton::clicked, holder, &QWidget::hide);
    v->addWidget(leave);
    holder->adjustSize();
    holder->move(40, 40);
    holder->hide();
    palette_ = holder;
}

void Form1::ConvertText(const std::function<std::u16string(std::u16string_view)>& convert) {
    ReplaceSelectionOrText(convert(SelectionOrText()));
}

void Form1::大写转小写_Click() {
    ConvertText([](std::u16string_view t) {
        return QString::fromStdU16String(std::u16string(t)).toLower().toStdU16String();
    });
}

void Form1::小写转大写_Click() {
    ConvertText([](std::u16string_view t) {
        return QString::fromStdU16String(std::u16string(t)).toUpper().toStdU16String();
    });
}

void Form1::汉字转拼音_Click() { ConvertText(qm::pinyin::ToPinyin); }

void Form1::Strconv全转半_Click() { ConvertText(qm::convert::FullToHalf); }
void Form1::Strconv半转全_Click() { ConvertText(qm::convert::HalfToFull); }

void Form1::TXT转HTML_Click() { ReplaceText(qm::convert::TextToHtml(doc_.Text())); }

void Form1::繁体转简体_Click() {
    const bool selection = doc_.SelLength() > 0;
    // A whole text: each garbled passage listed and repaired where it sits.
    if (!selection && !qm::convert::FindGarbled(doc_.Text()).empty()) {
        OpenTool<FrmLuanMa>();
        return;
    }
    const std::u16string text = selection ? doc_.SelText() : doc_.Text();
    const qm::convert::Repair r = qm::convert::RepairGarbled(text);
    if (r.kind == qm::convert::Repair::Kind::Lossy) {
        // Point at it: the user sees where the lost part begins.
        const std::int32_t from =
            (selection ? doc_.SelStart() : 0) + static_cast<std::int32_t>(r.at);
        doc_.SetSelection(from, static_cast<std::int32_t>(r.how.size()), qm::EditSource::Program);
        ui::ShowMessage(
            this,
            QStringLiteral("从第 %1 个字符起出现“%2”：这些文字在以前的转换中已经丢失，无法修复。")
                .arg(from + 1)
                .arg(QString::fromStdU16String(r.how)));
        return;
    }
    if (r.kind == qm::convert::Repair::Kind::Repaired) {
        ConvertText([&r](std::u16string_view) { return r.text; });
        ui::ShowMessage(this,
                        QStringLiteral("已修复乱码：%1。").arg(QString::fromStdU16String(r.how)));
        return;
    }
    const std::optional<std::u16string> simple = platform::TraditionalToSimplified(text);
    if (!simple) {
        ui::ShowMessage(this, QStringLiteral("繁简转换需要的 OpenCC 数据没有安装。"));
        return;
    }
    if (*simple == text) {
        ui::ShowMessage(this, QStringLiteral("没有发现乱码，也没有繁体字。"));
        return;
    }
    ConvertText([&simple](std::u16string_view) { return *simple; });
    ui::ShowMessage(this, QStringLiteral("已将繁体字转换为简体字。"));
}

void Form1::常用符号_Click() {
    palette_->show();
    palette_->raise();
}

void Form1::WireConversions() {
    const std::pair<const char*, void (Form1::*)()> items[] = {
        {"大写转小写", &Form1::大写转小写_Click},
        {"小写转大写", &Form1::小写转大写_Click},
        {"Strconv全转半", &Form1::Strconv全转半_Click},
        {"Strconv半转全", &Form1::Strconv半转全_Click},
        {"TXT转HTML", &Form1::TXT转HTML_Click},
        {"阿拉伯转换汉字", &Form1::阿拉伯转换汉字_Click},
        {"常用符号", &Form1::常用符号_Click},
        {"繁体转简体", &Form1::繁体转简体_Click},
        {"汉字转拼音", &Form1::汉字转拼音_Click},
        {"abount", &Form1::abount_Click},
    };
    for (const auto& [name, handler] : items) {
        QAction* a = findChild<QAction*>(QString::fromUtf8(name));
        a->setEnabled(true);
        Wire(a, &QAction::triggered, handler);
    }
}

}  // namespace ui
