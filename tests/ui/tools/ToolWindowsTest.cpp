#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include "UiTestSupport.h"
#include "core/encoding/Encoding.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"
#include "ui/tools/TiHuanBiao.h"

using uitest::StartForm;

namespace {

using uitest::TopLevel;

int CountTopLevel(const QString& name) {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        n += w->objectName() == name && w->isVisible();
    return n;
}
void AnswerInput(const QString& text) {
    uitest::OnNextModal([text](QWidget* w) {
        auto* in = qobject_cast<QInputDialog*>(w);
        ASSERT_NE(in, nullptr);
        EXPECT_EQ(in->windowTitle(), QStringLiteral("查找"));
        EXPECT_EQ(in->labelText(), QStringLiteral("请输入要查找的内容"));
        EXPECT_EQ(in->okButtonText(), QStringLiteral("确定"));
        if (text.isEmpty()) {
            in->reject();
        } else {
            in->setTextValue(text);
            in->accept();
        }
    });
}

// The visible top-level windows other than the main window.
QSet<QWidget*> ShownTools(const QWidget* main) {
    QSet<QWidget*> shown;
    for (QWidget* t : QApplication::topLevelWidgets()) {
        if (t != main && t->isVisible()) shown.insert(t);
    }
    return shown;
}

class ToolWindowButton : public ::testing::TestWithParam<ui::Form1::ToolButton> {};

TEST_P(ToolWindowButton, OpensItsWindowOnceWithoutOwner) {
    const ui::Form1::ToolButton& c = GetParam();
    auto w = StartForm();
    auto* button = uitest::Get<QPushButton>(w.get(), c.button);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), QString::fromUtf8(c.caption));
    const QSet<QWidget*> before = ShownTools(w.get());
    button->click();
    const QSet<QWidget*> opened = ShownTools(w.get()) - before;
    ASSERT_EQ(opened.size(), 1);
    QWidget* first = *opened.begin();
    EXPECT_EQ(first->parentWidget(), nullptr);
    EXPECT_FALSE(first->isModal());
    button->click();
    EXPECT_EQ(ShownTools(w.get()) - before, opened) << "a second click raises the same window";
}

INSTANTIATE_TEST_SUITE_P(ToolWindows, ToolWindowButton,
                         ::testing::ValuesIn(ui::Form1::ToolButtons()),
                         [](const auto& info) { return std::string(info.param.button); });

}  // namespace

TEST(FindWindow, FindSelectsMatchesOneAfterAnother) {
    auto w = StartForm();
    w->Doc().SetText(u"abc xabc\r\nabc");
    auto* next = uitest::Get<QAction>(w.get(), "mnuNext");
    AnswerInput(QString());
    uitest::Get<QAction>(w.get(), "mnufind")->trigger();
    EXPECT_FALSE(next->isEnabled());  // cancelled: nothing to find next

    AnswerInput(QStringLiteral("abc"));
    uitest::Get<QAction>(w.get(), "mnufind")->trigger();
    EXPECT_EQ(w->Doc().SelStart(), 0);
    EXPECT_EQ(w->Doc().SelLength(), 3);
    EXPECT_EQ(w->Box()->SelectedText(), QStringLiteral("abc"));
    EXPECT_TRUE(next->isEnabled());
    w->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    w->Box()->setFocus();
    QTest::keyClick(w->Box(), Qt::Key_F3);  // find next from the box
    EXPECT_EQ(w->Doc().SelStart(), 5);
    next->trigger();
    EXPECT_EQ(w->Doc().SelStart(), 10);  // past the CR LF
    auto msg = uitest::AcceptNextMessage();
    next->trigger();
    EXPECT_TRUE(msg->seen);
    EXPECT_EQ(msg->text, QStringLiteral("没找到匹配的字符串"));
    EXPECT_EQ(msg->title, QStringLiteral("提示"));
}

TEST(FindWindow, NotFoundIsAWarning) {
    auto w = StartForm();
    w->Doc().SetText(u"abc");
    AnswerInput(QStringLiteral("ABC"));
    auto seen = std::make_shared<QMessageBox::Icon>(QMessageBox::NoIcon);
    uitest::OnNextModal([seen](QWidget* m) {
        auto* box = qobject_cast<QMessageBox*>(m);
        ASSERT_NE(box, nullptr);
        *seen = box->icon();
        box->accept();
    });
    uitest::Get<QAction>(w.get(), "mnufind")->trigger();
    EXPECT_EQ(*seen, QMessageBox::Warning);
    EXPECT_EQ(w->Doc().SelLength(), 0);
}

TEST(GoToWindow, MovesTheCaretOrSaysWhyNot) {
    auto w = StartForm();
    w->Doc().SetText(u"one\r\ntwo\r\nthree");
    uitest::Get<QAction>(w.get(), "TiaoZhuan")->trigger();
    QWidget* go = TopLevel("frmGoTo");
    ASSERT_NE(go, nullptr);
    EXPECT_EQ(go->windowTitle(), QStringLiteral("转到"));
    auto* txt = uitest::Get<QLineEdit>(go, "txtGo");
    auto* cmdGo = uitest::Get<QPushButton>(go, "cmdGo");

    txt->setText(QStringLiteral("abc"));
    auto m1 = uitest::AcceptNextMessage();
    cmdGo->click();
    EXPECT_EQ(m1->text, QStringLiteral("You can only type numbers!!!"));
    EXPECT_EQ(m1->title, QStringLiteral("Penmoor - Go To"));
    for (const char* bad : {"4", "0"}) {
        txt->setText(QString::fromUtf8(bad));
        auto m = uitest::AcceptNextMessage();
        cmdGo->click();
        EXPECT_EQ(m->text, QStringLiteral("Invalid line number!")) << bad;
    }
    EXPECT_TRUE(go->isVisible());  // stays open after a message

    txt->setText(QStringLiteral("3"));
    cmdGo->click();
    EXPECT_EQ(w->Doc().SelStart(), 10);
    EXPECT_EQ(TopLevel("frmGoTo"), nullptr);  // closed

    uitest::Get<QAction>(w.get(), "TiaoZhuan")->trigger();
    go = TopLevel("frmGoTo");
    ASSERT_NE(go, nullptr);
    uitest::Get<QRadioButton>(go, "GoToEnd")->click();
    uitest::Get<QPushButton>(go, "cmdGo")->click();
    EXPECT_EQ(w->Doc().SelStart(), 15);
    uitest::Get<QAction>(w.get(), "TiaoZhuan")->trigger();
    go = TopLevel("frmGoTo");
    uitest::Get<QRadioButton>(go, "GotoStart")->click();
    uitest::Get<QPushButton>(go, "cmdGo")->click();
    EXPECT_EQ(w->Doc().SelStart(), 0);
}

TEST(StatisticsWindow, CountsOnceAndAfreshOnReopen) {
    auto w = StartForm();
    w->Doc().SetText(u"中文，English。\r\nabc123 3.14");
    w->Doc().SetSelStart(0);
    w->Doc().SetSelLength(2);  // the selection is ignored
    auto* button = uitest::Get<QPushButton>(w.get(), "CmdTongJiGeShu");
    EXPECT_EQ(button->text(), QStringLiteral("字数统计"));
    button->click();
    QWidget* win = TopLevel("FrmTongJi");
    ASSERT_NE(win, nullptr);
    EXPECT_EQ(win->windowTitle(), QStringLiteral("统计"));
    EXPECT_EQ(uitest::Get<QLabel>(win, "Cap")->text(), QStringLiteral("本文共有："));
    EXPECT_EQ(uitest::Get<QLabel>(win, "Label1")->text(),
              QStringLiteral("汉字字数: 4 个 (含全角标点)"));
    EXPECT_EQ(uitest::Get<QLabel>(win, "Label2")->text(),
              QStringLiteral("英文字串: 2 个 (不含半角标点)"));
    EXPECT_EQ(uitest::Get<QLabel>(win, "Label3")->text(), QStringLiteral("数字串: 3 个"));
    EXPECT_EQ(uitest::Get<QLabel>(win, "Label4")->text(),
              QStringLiteral("全部字节: 28 字节(汉字二字节)"));

    w->Doc().SetText(u"");
    button->click();  // already open: brought forward, not counted again
    EXPECT_EQ(CountTopLevel("FrmTongJi"), 1);
    EXPECT_EQ(uitest::Get<QLabel>(win, "Label4")->text(),
              QStringLiteral("全部字节: 28 字节(汉字二字节)"));
    uitest::Get<QPushButton>(win, "Command1")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(TopLevel("FrmTongJi"), nullptr);
    button->click();
    win = TopLevel("FrmTongJi");
    ASSERT_NE(win, nullptr);
    EXPECT_EQ(uitest::Get<QLabel>(win, "Label1")->text(),
              QStringLiteral("汉字字数: 0 个 (含全角标点)"));
    win->close();
}

TEST(ReplaceTableWindow, EditRowsApplySaveAndImport) {
    auto w = StartForm();
    uitest::Get<QPushButton>(w.get(), "CmdTiHuanBiao")->click();
    QWidget* win = TopLevel(QStringLiteral("替换表"));
    ASSERT_NE(win, nullptr);
    auto* grid = uitest::Get<QTableWidget>(win, "MSFlexGrid1");
    ASSERT_EQ(grid->rowCount(), 50);
    ASSERT_EQ(grid->columnCount(), 3);
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), QStringLiteral("查找"));
    EXPECT_EQ(grid->item(49, 0)->text(), QStringLiteral("50"));
    auto* text1 = uitest::Get<QLineEdit>(win, "Text1");
    auto* text2 = uitest::Get<QLineEdit>(win, "Text2");

    // Row 3 only.
    grid->setCurrentCell(2, 1);
    text1->setText(QStringLiteral("甲"));
    text2->setText(QStringLiteral("乙"));
    uitest::Get<QPushButton>(win, "CmdEdit")->click();
    EXPECT_EQ(grid->item(2, 1)->text(), QStringLiteral("甲"));
    EXPECT_EQ(grid->item(1, 1)->text(), QString());
    grid->setCurrentCell(0, 1);
    EXPECT_EQ(text1->text(), QString());
    grid->setCurrentCell(2, 1);
    EXPECT_EQ(text2->text(), QStringLiteral("乙"));
    grid->setCurrentCell(3, 1);
    text1->setText(QStringLiteral("乙"));
    text2->setText(QStringLiteral("丙"));
    uitest::Get<QPushButton>(win, "CmdEdit")->click();

    // Apply: rows in order, one undo step per row that changed the text.
    w->Doc().SetText(u"甲乙 abc");
    const std::size_t before = w->History().Store().UndoCount();
    uitest::Get<QPushButton>(win, "Command1")->click();
    EXPECT_EQ(w->Doc().Text(), u"丙丙 abc");
    EXPECT_EQ(w->History().Store().UndoCount(), before + 2);

    // Save, then import into a fresh window.
    QTemporaryDir dir;
    const QString file = dir.filePath("table.txt");
    uitest::AnswerNextFileDialog(file);
    auto saved = uitest::AcceptNextMessage();
    uitest::Get<QPushButton>(win, "CmdSave")->click();
    EXPECT_EQ(saved->text, QStringLiteral("保存成功"));
    EXPECT_EQ(saved->title, QStringLiteral("信息提示"));
    EXPECT_EQ(uitest::ReadBytes(file),
              QByteArray::fromStdString(
                  qm::enc::Encode(u"甲|乙\r\n乙|丙\r\n", qm::enc::Encoding::Gbk).bytes));
    win->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    uitest::Get<QPushButton>(w.get(), "CmdTiHuanBiao")->click();
    win = TopLevel(QStringLiteral("替换表"));
    ASSERT_NE(win, nullptr);
    grid = uitest::Get<QTableWidget>(win, "MSFlexGrid1");
    EXPECT_EQ(grid->item(2, 1)->text(), QString());  // closing discarded the table
    QByteArray sixty;
    for (int i = 1; i <= 60; ++i) sixty += QByteArray::number(i) + "|x\r\n";
    ASSERT_TRUE(uitest::WriteBytes(dir.filePath("sixty.txt"), sixty));
    uitest::AnswerNextFileDialog(file);
    uitest::Get<QPushButton>(win, "CmdDaoRu")->click();
    EXPECT_EQ(grid->item(0, 1)->text(), QStringLiteral("甲"));
    EXPECT_EQ(grid->item(1, 2)->text(), QStringLiteral("丙"));
    uitest::AnswerNextFileDialog(dir.filePath("sixty.txt"));
    uitest::Get<QPushButton>(win, "CmdDaoRu")->click();
    EXPECT_EQ(grid->item(49, 1)->text(), QStringLiteral("50"));
    EXPECT_EQ(grid->item(0, 1)->text(), QStringLiteral("1"));
    win->close();
}

TEST(ReplaceTableWindow, LoadfileOfAMissingFileSaysSoAndKeepsTheTable) {
    auto w = StartForm();
    uitest::Get<QPushButton>(w.get(), "CmdTiHuanBiao")->click();
    QWidget* win = TopLevel(QStringLiteral("替换表"));
    ASSERT_NE(win, nullptr);
    auto* table = static_cast<替换表*>(win);  // the window the button opened
    auto* grid = uitest::Get<QTableWidget>(win, "MSFlexGrid1");
    grid->setCurrentCell(0, 1);
    uitest::Get<QLineEdit>(win, "Text1")->setText(QStringLiteral("keep"));
    uitest::Get<QPushButton>(win, "CmdEdit")->click();
    auto msg = uitest::AcceptNextMessage();
    table->loadfile(QStringLiteral("/nonexistent/table.txt"));
    EXPECT_TRUE(msg->seen);
    EXPECT_EQ(msg->text, QStringLiteral("文件未找到"));
    EXPECT_EQ(grid->item(0, 1)->text(), QStringLiteral("keep"));

    win->close();
}
