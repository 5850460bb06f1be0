// The main window never drops unsaved work, undoes a command whole, and shows
// where the caret is.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "UiTestSupport.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"

using uitest::StartForm;

namespace {

QString PanelText(Form1& w, int n) {
    return w.findChild<QLabel*>(QStringLiteral("Panel%1").arg(n))->text();
}
QAction* Action(Form1& w, const char* name) {
    return w.findChild<QAction*>(QString::fromUtf8(name));
}
ui::EditorView* Box(Form1& w) { return w.findChild<ui::EditorView*>("RichTextBox1"); }

void ActivateAndFocus(Form1& w) {
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    Box(w)->setFocus();
    QCoreApplication::processEvents();
}

// Answers the question whether to save with the given button, keeping its text.
std::shared_ptr<QString> AnswerSaveQuestion(QMessageBox::StandardButton answer) {
    auto said = std::make_shared<QString>();
    uitest::OnNextModal([said, answer](QWidget* m) {
        auto* box = qobject_cast<QMessageBox*>(m);
        ASSERT_NE(box, nullptr);
        *said = box->text();
        box->button(answer)->click();
    });
    return said;
}

QString TitleName(Form1& w) { return w.windowTitle().section(QStringLiteral(" - "), 0, 0); }

}  // namespace

TEST(UnsavedWork, TitleNamesTheFileAndMarksChangesUntilUndoneOrSaved) {
    auto w = StartForm();
    ActivateAndFocus(*w);
    EXPECT_EQ(TitleName(*w), QStringLiteral("无标题"));
    // The caption follows the name.
    EXPECT_TRUE(w->windowTitle().contains(QStringLiteral(" - QuillmereV4.0")));
    QTest::keyClicks(Box(*w), "ab");
    EXPECT_EQ(TitleName(*w), QStringLiteral("无标题*"));
    Action(*w, "mnuUndo")->trigger();
    Action(*w, "mnuUndo")->trigger();
    EXPECT_EQ(TitleName(*w), QStringLiteral("无标题"));  // back to the saved text

    QTemporaryDir dir;
    const QString in = dir.filePath("书.txt");
    ASSERT_TRUE(uitest::WriteBytes(in, QByteArray("abc\r\n")));
    uitest::AnswerNextFileDialog(in);
    Action(*w, "mnuopen")->trigger();
    EXPECT_EQ(TitleName(*w), QStringLiteral("书.txt"));
    QTest::keyClicks(Box(*w), "x");
    EXPECT_EQ(TitleName(*w), QStringLiteral("书.txt*"));
    uitest::AnswerNextFileDialog(in);
    uitest::ConfirmNextOverwrite();
    Action(*w, "mnusave")->trigger();
    EXPECT_EQ(TitleName(*w), QStringLiteral("书.txt"));
    // Undoing past the save differs from the file again.
    Action(*w, "mnuUndo")->trigger();
    EXPECT_EQ(TitleName(*w), QStringLiteral("书.txt*"));
}

TEST(UnsavedWork, NewAsksBeforeDroppingChangesAndEachAnswerDoesWhatItSays) {
    auto w = StartForm();
    QTemporaryDir dir;
    w->Doc().SetText(u"草稿");

    // 取消: nothing changes.
    auto said = AnswerSaveQuestion(QMessageBox::Cancel);
    Action(*w, "mnunew")->trigger();
    EXPECT_EQ(*said, QStringLiteral("是否保存对“无标题”的修改？"));
    EXPECT_EQ(w->Doc().Text(), u"草稿");

    // 是, but the save dialog is cancelled: still nothing changes.
    AnswerSaveQuestion(QMessageBox::Yes);
    uitest::AnswerNextFileDialog(QString());
    Action(*w, "mnunew")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"草稿");

    // 是 and saved: the file holds the text, then the new text starts.
    const QString out = dir.filePath("draft.txt");
    AnswerSaveQuestion(QMessageBox::Yes);
    uitest::AnswerNextFileDialog(out);
    Action(*w, "mnunew")->trigger();
    EXPECT_EQ(uitest::ReadBytes(out), QByteArray("\xB2\xDD\xB8\xE5\r\n"));
    EXPECT_EQ(w->Doc().Text(), u"");
    EXPECT_EQ(PanelText(*w, 5), QString());  // the old path goes with it
    EXPECT_EQ(TitleName(*w), QStringLiteral("无标题"));

    // 否: dropped without a file.
    w->Doc().SetText(u"又一稿");
    AnswerSaveQuestion(QMessageBox::No);
    Action(*w, "mnunew")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"");
    // Nothing changed: no question at all.
    Action(*w, "mnunew")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"");
}

TEST(UnsavedWork, OpenAndCloseAskToo) {
    auto w = StartForm();
    QTemporaryDir dir;
    const QString in = dir.filePath("in.txt");
    ASSERT_TRUE(uitest::WriteBytes(in, QByteArray("in")));
    w->Doc().SetText(u"changed");
    AnswerSaveQuestion(QMessageBox::Cancel);
    Action(*w, "mnuopen")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"changed");
    AnswerSaveQuestion(QMessageBox::No);
    uitest::AnswerNextFileDialog(in);
    Action(*w, "mnuopen")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"in");

    w->Doc().SetText(u"changed again");
    AnswerSaveQuestion(QMessageBox::Cancel);
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->isVisible());
    AnswerSaveQuestion(QMessageBox::No);
    EXPECT_TRUE(w->close());
}

TEST(UnsavedWork, UndoCommandTakesBackAWholeLineByLineCommand) {
    auto w = StartForm();
    ActivateAndFocus(*w);
    QTest::keyClicks(Box(*w), "ab");
    QTest::keyClick(Box(*w), Qt::Key_Return);
    QTest::keyClicks(Box(*w), "cd");
    QTest::keyClick(Box(*w), Qt::Key_Return);
    QTest::keyClicks(Box(*w), "ef");
    const std::u16string typed = w->Doc().Text();
    ASSERT_EQ(typed, u"ab\r\ncd\r\nef");
    const std::size_t before = w->History().Store().UndoCount();
    uitest::Click(w.get(), "CmdHeBingHang");  // "合并行": one step per line
    ASSERT_EQ(w->Doc().Text(), u"abcdef");
    EXPECT_GT(w->History().Store().UndoCount(), before + 1);
    EXPECT_EQ(PanelText(*w, 2), QStringLiteral("共0行"));

    // Ctrl+Alt+Z undoes the whole command; the line count follows.
    QTest::keyClick(Box(*w), Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(w->Doc().Text(), typed);
    EXPECT_EQ(PanelText(*w, 2), QStringLiteral("共2行"));
    EXPECT_EQ(uitest::ShownText(Box(*w)), QStringLiteral("ab\ncd\nef"));
    QTest::keyClick(Box(*w), Qt::Key_Y, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(w->Doc().Text(), u"abcdef");
    Action(*w, "mnuUndoCommand")->trigger();
    // The typing before it was one run: one more whole undo empties the box.
    Action(*w, "mnuUndoCommand")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"");
    EXPECT_FALSE(Action(*w, "mnuUndoCommand")->isEnabled());
    EXPECT_TRUE(Action(*w, "mnuRedoCommand")->isEnabled());
}

TEST(UnsavedWork, UndoCommandAfterAConversionAndAPaste) {
    auto w = StartForm();
    w->Doc().SetText(u"abc");
    Action(*w, "小写转大写")->trigger();
    ASSERT_EQ(w->Doc().Text(), u"ABC");
    w->Doc().SetSelStart(3);
    QApplication::clipboard()->setText(QStringLiteral("1\n2\n3"));
    Action(*w, "mnupaste")->trigger();
    ASSERT_EQ(w->Doc().Text(), u"ABC1\r\n2\r\n3");
    Action(*w, "mnuUndoCommand")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"ABC");
    Action(*w, "mnuUndoCommand")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"abc");
    Action(*w, "mnuRedoCommand")->trigger();
    Action(*w, "mnuRedoCommand")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"ABC1\r\n2\r\n3");
}

TEST(UnsavedWork, CaretPanelFollowsTheCaret) {
    auto w = StartForm();
    ActivateAndFocus(*w);
    QTest::keyClicks(Box(*w), "ab");
    QTest::keyClick(Box(*w), Qt::Key_Return);
    QTest::keyClicks(Box(*w), "c");
    QCoreApplication::processEvents();
    EXPECT_EQ(PanelText(*w, 7), QStringLiteral("第2行，第2列"));
    QTest::keyClick(Box(*w), Qt::Key_Up);
    QCoreApplication::processEvents();
    EXPECT_EQ(PanelText(*w, 7), QStringLiteral("第1行，第2列"));
    // A character outside the basic plane is one column.
    w->Doc().SetText(u"\U00020000x");
    w->Doc().SetSelStart(3);
    QCoreApplication::processEvents();
    EXPECT_EQ(PanelText(*w, 7), QStringLiteral("第1行，第3列"));
    // The count goes on from the last one only while nothing before it
    // changed: the pair turned into two characters counts as two.
    w->Doc().SetSelStart(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(PanelText(*w, 7), QStringLiteral("第1行，第2列"));
    w->Doc().Replace(0, 2, u"yz");
    w->Doc().SetSelStart(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(PanelText(*w, 7), QStringLiteral("第1行，第3列"));
    w->Doc().SetSelStart(3);
    QCoreApplication::processEvents();
    EXPECT_EQ(PanelText(*w, 7), QStringLiteral("第1行，第4列"));
}

TEST(UnsavedWork, SaveDialogStartsAtTheOpenedFileOrTheLastFolder) {
    auto w = StartForm();
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("sub"));
    const QString in = dir.filePath("sub/书.txt");
    ASSERT_TRUE(uitest::WriteBytes(in, QByteArray("abc")));
    uitest::AnswerNextFileDialog(in);
    Action(*w, "mnuopen")->trigger();

    auto seen = std::make_shared<QStringList>();
    auto look = [seen](QWidget* m) {
        auto* d = qobject_cast<QFileDialog*>(m);
        ASSERT_NE(d, nullptr);
        *seen << d->directory().absolutePath();
        auto* edit = d->findChild<QLineEdit*>("fileNameEdit");
        *seen << (edit ? edit->text() : QString());
        d->reject();
    };
    uitest::OnNextModal(look);
    Action(*w, "mnusave")->trigger();
    EXPECT_EQ(*seen, QStringList({QFileInfo(in).absolutePath(), QStringLiteral("书.txt")}));

    // A new text starts where the last file was.
    Action(*w, "mnunew")->trigger();
    seen->clear();
    uitest::OnNextModal(look);
    Action(*w, "MnuSaveNeiRong")->trigger();
    ASSERT_EQ(seen->size(), 2);
    EXPECT_EQ(seen->at(0), QFileInfo(in).absolutePath());
}
