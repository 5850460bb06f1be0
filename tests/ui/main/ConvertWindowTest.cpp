// The menu "转换", the symbol palette and the About window, end to end with undo.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolBar>
#include <QTreeWidget>

#include "UiTestSupport.h"
#include "platform/OpenCC.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"

namespace {

using uitest::Action;
using uitest::TopLevel;
}  // namespace

TEST(ConvertMenu, PaletteButtonsReplaceTheSelection) {
    auto w = uitest::StartForm();
    auto* palette = w->findChild<QGroupBox*>(QStringLiteral("常用符号"));
    ASSERT_NE(palette, nullptr);
    EXPECT_FALSE(palette->isVisible());
    Action(w.get(), "常用符号")->trigger();
    EXPECT_TRUE(palette->isVisible());
    w->Doc().SetText(u"abc");
    w->Doc().SetSelStart(1);
    w->Doc().SetSelLength(1);
    QPushButton* smile = nullptr;
    QPushButton* six = nullptr;
    for (QPushButton* b : palette->findChildren<QPushButton*>()) {
        if (b->text() == QStringLiteral("(*^__^*) "))
            smile = b;  // the trailing blank belongs to it
        if (b->text() == QStringLiteral("⑥")) six = b;
    }
    ASSERT_TRUE(smile && six);
    smile->click();
    EXPECT_EQ(w->Doc().Text(), u"a(*^__^*) c");
    six->click();  // left without a handler on the old form; inserts like its siblings
    EXPECT_EQ(w->Doc().Text(), u"a(*^__^*) ⑥c");
    Action(w.get(), "mnuUndo")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"a(*^__^*) c");
    QWidget* floating = palette->parentWidget();  // the frame the palette floats in
    const QPoint before = floating->pos();
    palette->findChild<QPushButton*>("CmdMoveDown")->click();
    palette->findChild<QPushButton*>("CmdMoveRight")->click();
    EXPECT_NE(floating->pos(), before);
    EXPECT_TRUE(floating->parentWidget()->rect().contains(floating->pos()));
    w->findChild<QPushButton*>("Command106")->click();
    EXPECT_FALSE(palette->isVisible());
}

TEST(ConvertMenu, CaseAndWidthOnTheSelectionOrTheWholeTextWithUndo) {
    auto w = uitest::StartForm();
    w->Doc().SetText(u"Ａbc ΑΒΓ Жж\r\nxyz");
    w->Doc().SetSelStart(0);
    w->Doc().SetSelLength(11);
    Action(w.get(), "大写转小写")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"ａbc αβγ жж\r\nxyz");
    EXPECT_EQ(w->Doc().SelLength(), 11);  // the converted part stays selected
    w->Doc().SetSelStart(0);
    Action(w.get(), "小写转大写")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"ＡBC ΑΒΓ ЖЖ\r\nXYZ");
    EXPECT_EQ(w->findChild<QLabel*>("Panel2")->text(), QStringLiteral("共1行"));
    Action(w.get(), "Strconv全转半")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"ABC ΑΒΓ ЖЖ\r\nXYZ");
    Action(w.get(), "Strconv半转全")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"ＡＢＣ　ΑΒΓ　ЖЖ\r\nＸＹＺ");
    Action(w.get(), "mnuUndo")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"ABC ΑΒΓ ЖЖ\r\nXYZ");
}

TEST(ConvertMenu, HtmlOfTheEmptyAndOfAHostileText) {
    auto w = uitest::StartForm();
    Action(w.get(), "TXT转HTML")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"<html>\r\n<head>\r\n<title>无标题文档</title><body>");
    w->Doc().SetText(u"<script>alert(1)</script>");
    Action(w.get(), "TXT转HTML")->trigger();
    EXPECT_EQ(w->Doc().Text().find(u"<script>"), std::u16string::npos);
}

TEST(ConvertMenu, NumeralsWindowAndAboutOpenFromTheirItems) {
    auto w = uitest::StartForm();
    w->Doc().SetText(u"金额：");
    w->Doc().SetSelStart(3);
    Action(w.get(), "阿拉伯转换汉字")->trigger();
    QWidget* alabo = TopLevel("ALABO");
    ASSERT_NE(alabo, nullptr);
    alabo->findChild<QLineEdit*>("Text1")->setText(QStringLiteral("100000"));
    alabo->findChild<QRadioButton*>("Option2")->setChecked(true);
    alabo->findChild<QPushButton*>("Command1")->click();
    EXPECT_EQ(alabo->findChild<QLineEdit*>("Text2")->text(), QStringLiteral("壹拾万元整"));
    alabo->findChild<QPushButton*>("Command2")->click();
    EXPECT_EQ(w->Doc().Text(), u"金额：壹拾万元整");
    alabo->findChild<QLineEdit*>("Text1")->setText(QStringLiteral("12a"));
    auto msg = uitest::AcceptNextMessage();
    alabo->findChild<QPushButton*>("Command1")->click();
    EXPECT_TRUE(msg->seen);

    Action(w.get(), "abount")->trigger();
    QWidget* about = TopLevel("FrmAbout");
    ASSERT_NE(about, nullptr);
    EXPECT_TRUE(about->findChild<QLabel*>("Label1")->text().contains(
        QStringLiteral("https://quillmere.example/")));
    about->findChild<QPushButton*>("Command1")->click();
    EXPECT_FALSE(about->isVisible());
}

// A result shown for one number never goes in for another: inserting
// converts the number as it stands, or refuses it and inserts nothing.
TEST(ConvertMenu, NumeralsInsertOnlyTheNumberAsItStands) {
    auto w = uitest::StartForm();
    w->Doc().SetText(u"[]");
    w->Doc().SetSelStart(1);
    Action(w.get(), "阿拉伯转换汉字")->trigger();
    QWidget* alabo = TopLevel("ALABO");
    ASSERT_NE(alabo, nullptr);
    auto* number = alabo->findChild<QLineEdit*>("Text1");
    auto* result = alabo->findChild<QLineEdit*>("Text2");
    number->setText(QStringLiteral("10000000000000000"));
    alabo->findChild<QPushButton*>("Command1")->click();
    EXPECT_EQ(result->text(), QStringLiteral("一亿亿"));
    number->setText(QStringLiteral("12a3"));
    EXPECT_TRUE(result->text().isEmpty()) << "the old result goes with its number";
    auto refused = uitest::AcceptNextMessage();
    alabo->findChild<QPushButton*>("Command2")->click();
    EXPECT_TRUE(refused->seen);
    EXPECT_EQ(w->Doc().Text(), u"[]");

    // A new number typed after a conversion is converted when it goes in.
    number->setText(QStringLiteral("20"));
    alabo->findChild<QPushButton*>("Command1")->click();
    number->setText(QStringLiteral("30"));
    alabo->findChild<QPushButton*>("Command2")->click();
    EXPECT_EQ(w->Doc().Text(), u"[三十]");
    EXPECT_EQ(result->text(), QStringLiteral("三十"));
    // So is one whose style changed after it was converted.
    alabo->findChild<QRadioButton*>("Option2")->setChecked(true);
    EXPECT_TRUE(result->text().isEmpty());
    w->Doc().SetText(u"[]");
    w->Doc().SetSelStart(1);
    alabo->findChild<QPushButton*>("Command2")->click();
    EXPECT_EQ(w->Doc().Text(), u"[叁拾元整]");
}

TEST(ConvertMenu, Toolbar2AlignsTheSelectedLinesInTheViewOnly) {
    auto w = uitest::StartForm();
    auto* bar = w->findChild<QToolBar*>("Toolbar2");
    ASSERT_NE(bar, nullptr);
    QStringList captions;
    for (QAction* a : bar->actions()) captions << a->text();
    EXPECT_EQ(captions, (QStringList{"左对齐", "居中", "右对齐"}));
    w->Doc().SetText(u"short\r\nline two\r\nthree");
    w->Doc().SetSelStart(7);  // in line two
    QCoreApplication::processEvents();
    ui::EditorView* view = w->Box();
    const double leftX = view->PointOf(7).x();
    bar->actions()[1]->trigger();  // 居中
    EXPECT_EQ(view->AlignmentOf(1), Qt::AlignHCenter);
    EXPECT_EQ(view->AlignmentOf(0), Qt::AlignLeft);
    const QPointF centred = view->PointOf(7);
    EXPECT_GT(centred.x(), leftX + 50);
    EXPECT_EQ(view->PositionAt(QPointF(centred.x() + 1, centred.y() + 2)), 7u);  // clicks follow
    EXPECT_EQ(w->Doc().Text(), u"short\r\nline two\r\nthree");  // the text is untouched
    // A line inserted above: the alignment stays with its line.
    w->Doc().Replace(0, 0, u"new\r\n");
    QCoreApplication::processEvents();
    EXPECT_EQ(view->AlignmentOf(2), Qt::AlignHCenter);
    EXPECT_EQ(view->AlignmentOf(1), Qt::AlignLeft);
    w->Doc().SetSelStart(12);
    bar->actions()[2]->trigger();  // 右对齐
    EXPECT_EQ(view->AlignmentOf(2), Qt::AlignRight);
    bar->actions()[0]->trigger();
    EXPECT_EQ(view->AlignmentOf(2), Qt::AlignLeft);
}

TEST(ConvertMenu, GarbledFirstThenTraditionalToSimplified) {
    auto w = uitest::StartForm();
    // Traditional text, phrase by phrase: 頭髮 is 头发, not 头發.
    w->Doc().SetText(u"漢字的頭髮");
    auto msg = uitest::AcceptNextMessage();
    Action(w.get(), "繁体转简体")->trigger();
    EXPECT_TRUE(w->Doc().Text() == u"汉字的头发");
    EXPECT_TRUE(msg->text.contains(QStringLiteral("繁体"))) << msg->text.toStdString();
    Action(w.get(), "mnuUndo")->trigger();
    EXPECT_TRUE(w->Doc().Text() == u"漢字的頭髮");
    // GBK bytes shown as Latin-1 (你好 → ÄãºÃ), in a selection.
    w->Doc().SetText(u"ok ÄãºÃ end");
    w->Doc().SetSelStart(3);
    w->Doc().SetSelLength(4);
    auto repaired = uitest::AcceptNextMessage();
    Action(w.get(), "繁体转简体")->trigger();
    EXPECT_TRUE(w->Doc().Text() == u"ok 你好 end");
    EXPECT_TRUE(repaired->text.contains(QStringLiteral("Latin-1")));
    // A whole text: lost and garbled passages listed, the garbled one repaired in one step.
    const std::u16string whole = u"前文锟斤拷后文\r\n浣犲ソ涓栫晫";
    w->Doc().SetText(whole);
    Action(w.get(), "繁体转简体")->trigger();
    QWidget* f = uitest::TopLevel(QStringLiteral("FrmLuanMa"));
    ASSERT_NE(f, nullptr);
    auto* list = uitest::Get<QTreeWidget>(f, "LstLuanMa");
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->checkState(0), Qt::Unchecked);  // lost: cannot be repaired
    uitest::Click(f, "CmdZhiXing");
    EXPECT_TRUE(w->Doc().Text() == u"前文锟斤拷后文\r\n你好世界");
    Action(w.get(), "mnuUndo")->trigger();
    EXPECT_TRUE(w->Doc().Text() == whole);
}

TEST(ConvertMenu, PinyinOfTheWholeTextWithUndo) {
    auto w = uitest::StartForm();
    w->Doc().SetText(u"我去银行。");
    Action(w.get(), "汉字转拼音")->trigger();
    EXPECT_TRUE(w->Doc().Text() == u"wǒ qù yín háng。");
    Action(w.get(), "mnuUndo")->trigger();
    EXPECT_TRUE(w->Doc().Text() == u"我去银行。");
}

// A large text is converted in pieces on several threads: the same result
// as line by line.
TEST(ConvertMenu, LargeTraditionalTextConvertsLikeItsLines) {
    std::u16string big;
    const std::u16string line = u"漢字的頭髮，資訊與軟體。\r\n";
    while (big.size() < (1u << 20) + 1000) big += line;
    const auto whole = platform::TraditionalToSimplified(big);
    const auto one = platform::TraditionalToSimplified(line);
    ASSERT_TRUE(whole && one);
    std::u16string expected;
    while (expected.size() < whole->size()) expected += *one;
    EXPECT_TRUE(*whole == expected);
}
