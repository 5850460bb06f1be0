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
#include <QTimer>

#include "UiTestSupport.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"

using uitest::StartForm;

namespace {

using uitest::Action;
using uitest::ActivateAndFocus;
using uitest::Box;
using uitest::PanelText;

QString TitleName(Form1& w) { return w.windowTitle().section(QStringLiteral(" - "), 0, 0); }

}  // namespace

TEST(UnsavedWork, TitleNamesTheFileAndMarksChangesUntilUndoneOrSaved) {
    auto w = StartForm();
    ActivateAndFocus(w.get());
    EXPECT_EQ(TitleName(*w), QStringLiteral("无标题"));
    // The caption follows the name.
    EXPECT_TRUE(w->windowTitle().contains(QStringLiteral(" - QuillmereV4.0")));
    QTest::keyClicks(Box(w.get()), "ab");
    EXPECT_EQ(TitleName(*w), QStringLiteral("无标题*"));
    Action(w.get(), "mnuUndo")->trigger();
    Action(w.get(), "mnuUndo")->trigger();
    EXPECT_EQ(TitleName(*w), QStringLiteral("无标题"));  // back to the saved text

    QTemporaryDir dir;
    const QString in = dir.filePath("书.txt");
    ASSERT_TRUE(uitest::WriteBytes(in, QByteArray("abc\r\n")));
    uitest::AnswerNextFileDialog(in);
    Action(w.get(), "mnuopen")->trigger();
    EXPECT_EQ(TitleName(*w), QStringLiteral("书.txt"));
    QTest::keyClicks(Box(w.get()), "x");
    EXPECT_EQ(TitleName(*w), QStringLiteral("书.txt*"));
    uitest::AnswerNextFileDialog(in);
    uitest::ConfirmNextOverwrite();
    Action(w.get(), "mnusave")->trigger();
    EXPECT_EQ(TitleName(*w), QStringLiteral("书.txt"));
    // Undoing past the save differs from the file again.
    Action(w.get(), "mnuUndo")->trigger();
    EXPECT_EQ(TitleName(*w), QStringLiteral("书.txt*"));
}

TEST(UnsavedWork, NewAsksBeforeDroppingChangesAndEachAnswerDoesWhatItSays) {
    auto w = StartForm();
    QTemporaryDir dir;
    w->Doc().SetText(u"草稿");

    // 取消: nothing changes.
    auto said = uitest::AnswerNextMessage(QMessageBox::Cancel);
    Action(w.get(), "mnunew")->trigger();
    EXPECT_EQ(said->text, QStringLiteral("是否保存对“无标题”的修改？"));
    EXPECT_EQ(w->Doc().Text(), u"草稿");

    // 是, but the save dialog is cancelled: still nothing changes.
    uitest::AnswerNextMessage(QMessageBox::Yes);
    uitest::AnswerNextFileDialog(QString());
    Action(w.get(), "mnunew")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"草稿");

    // 是 and saved: the file holds the text, then the new text starts.
    const QString out = dir.filePath("draft.txt");
    uitest::AnswerNextMessage(QMessageBox::Yes);
    uitest::AnswerNextFileDialog(out);
    Action(w.get(), "mnunew")->trigger();
    EXPECT_EQ(uitest::ReadBytes(out), QByteArray("\xB2\xDD\xB8\xE5\r\n"));
    EXPECT_EQ(w->Doc().Text(), u"");
    EXPECT_EQ(PanelText(w.get(), 5), QString());  // the old path goes with it
    EXPECT_EQ(TitleName(*w), QStringLiteral("无标题"));

    // 否: dropped without a file.
    w->Doc().SetText(u"又一稿");
    uitest::AnswerNextMessage(QMessageBox::No);
    Action(w.get(), "mnunew")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"");
    // Nothing changed: no question at all.
    Action(w.get(), "mnunew")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"");
}

TEST(UnsavedWork, OpenAndCloseAskToo) {
    auto w = StartForm();
    QTemporaryDir dir;
    const QString in = dir.filePath("in.txt");
    ASSERT_TRUE(uitest::WriteBytes(in, QByteArray("in")));
    w->Doc().SetText(u"changed");
    uitest::AnswerNextMessage(QMessageBox::Cancel);
    Action(w.get(), "mnuopen")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"changed");
    uitest::AnswerNextMessage(QMessageBox::No);
    uitest::AnswerNextFileDialog(in);
    Action(w.get(), "mnuopen")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"in");

    w->Doc().SetText(u"changed again");
    uitest::AnswerNextMessage(QMessageBox::Cancel);
    EXPECT_FALSE(w->close());
    EXPECT_TRUE(w->isVisible());
    uitest::AnswerNextMessage(QMessageBox::No);
    EXPECT_TRUE(w->close());
}

TEST(UnsavedWork, UndoCommandTakesBackAWholeLineByLineCommand) {
    auto w = StartForm();
    ActivateAndFocus(w.get());
    QTest::keyClicks(Box(w.get()), "ab");
    QTest::keyClick(Box(w.get()), Qt::Key_Return);
    QTest::keyClicks(Box(w.get()), "cd");
    QTest::keyClick(Box(w.get()), Qt::Key_Return);
    QTest::keyClicks(Box(w.get()), "ef");
    const std::u16string typed = w->Doc().Text();
    ASSERT_EQ(typed, u"ab\r\ncd\r\nef");
    const std::size_t before = w->History().Store().UndoCount();
    uitest::Click(w.get(), "CmdHeBingHang");  // "合并行": one step per line
    ASSERT_EQ(w->Doc().Text(), u"abcdef");
    EXPECT_GT(w->History().Store().UndoCount(), before + 1);
    EXPECT_EQ(PanelText(w.get(), 2), QStringLiteral("共0行"));

    // Ctrl+Alt+Z undoes the whole command; the line count follows.
    QTest::keyClick(Box(w.get()), Qt::Key_Z, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(w->Doc().Text(), typed);
    EXPECT_EQ(PanelText(w.get(), 2), QStringLiteral("共2行"));
    EXPECT_EQ(uitest::ShownText(Box(w.get())), QStringLiteral("ab\ncd\nef"));
    QTest::keyClick(Box(w.get()), Qt::Key_Y, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(w->Doc().Text(), u"abcdef");
    Action(w.get(), "mnuUndoCommand")->trigger();
    // The typing before it was one run: one more whole undo empties the box.
    Action(w.get(), "mnuUndoCommand")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"");
    EXPECT_FALSE(Action(w.get(), "mnuUndoCommand")->isEnabled());
    EXPECT_TRUE(Action(w.get(), "mnuRedoCommand")->isEnabled());
}

TEST(UnsavedWork, UndoCommandAfterAConversionAndAPaste) {
    auto w = StartForm();
    w->Doc().SetText(u"abc");
    Action(w.get(), "小写转大写")->trigger();
    ASSERT_EQ(w->Doc().Text(), u"ABC");
    w->Doc().SetSelStart(3);
    QApplication::clipboard()->setText(QStringLiteral("1\n2\n3"));
    Action(w.get(), "mnupaste")->trigger();
    ASSERT_EQ(w->Doc().Text(), u"ABC1\r\n2\r\n3");
    Action(w.get(), "mnuUndoCommand")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"ABC");
    Action(w.get(), "mnuUndoCommand")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"abc");
    Action(w.get(), "mnuRedoCommand")->trigger();
    Action(w.get(), "mnuRedoCommand")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"ABC1\r\n2\r\n3");
}

TEST(UnsavedWork, CaretPanelFollowsTheCaret) {
    auto w = StartForm();
    ActivateAndFocus(w.get());
    QTest::keyClicks(Box(w.get()), "ab");
    QTest::keyClick(Box(w.get()), Qt::Key_Return);
    QTest::keyClicks(Box(w.get()), "c");
    QCoreApplication::processEvents();
    EXPECT_EQ(PanelText(w.get(), 7), QStringLiteral("第2行，第2列"));
    QTest::keyClick(Box(w.get()), Qt::Key_Up);
    QCoreApplication::processEvents();
    EXPECT_EQ(PanelText(w.get(), 7), QStringLiteral("第1行，第2列"));
    // A character outside the basic plane is one column.
    w->Doc().SetText(u"\U00020000x");
    w->Doc().SetSelStart(3);
    QCoreApplication::processEvents();
    EXPECT_EQ(PanelText(w.get(), 7), QStringLiteral("第1行，第3列"));
    // The count goes on from the last one only while nothing before it
    // changed: the pair turned into two characters counts as two.
    w->Doc().SetSelStart(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(PanelText(w.get(), 7), QStringLiteral("第1行，第2列"));
    w->Doc().Replace(0, 2, u"yz");
    w->Doc().SetSelStart(2);
    QCoreApplication::processEvents();
    EXPECT_EQ(PanelText(w.get(), 7), QStringLiteral("第1行，第3列"));
    w->Doc().SetSelStart(3);
    QCoreApplication::processEvents();
    EXPECT_EQ(PanelText(w.get(), 7), QStringLiteral("第1行，第4列"));
}

TEST(UnsavedWork, SaveDialogStartsAtTheOpenedFileOrTheLastFolder) {
    auto w = StartForm();
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("sub"));
    const QString in = dir.filePath("sub/书.txt");
    ASSERT_TRUE(uitest::WriteBytes(in, QByteArray("abc")));
    uitest::AnswerNextFileDialog(in);
    Action(w.get(), "mnuopen")->trigger();

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
    Action(w.get(), "mnusave")->trigger();
    EXPECT_EQ(*seen, QStringList({QFileInfo(in).absolutePath(), QStringLiteral("书.txt")}));

    // A new text starts where the last file was.
    Action(w.get(), "mnunew")->trigger();
    seen->clear();
    uitest::OnNextModal(look);
    Action(w.get(), "MnuSaveNeiRong")->trigger();
    ASSERT_EQ(seen->size(), 2);
    EXPECT_EQ(seen->at(0), QFileInfo(in).absolutePath());
}

TEST(UnsavedWork, NothingChangesTheTextWhileTheSaveAsksAndWhatIsMarkedSavedWasWritten) {
    auto w = StartForm();
    QTemporaryDir dir;
    const QString out = dir.filePath("emoji.txt");
    w->Doc().SetText(u"ab\U0001F600");
    uitest::AnswerNextFileDialog(out);
    bool refused = false;
    uitest::OnNextModal([&](QWidget* m) {
        // A command (or auto typing's tick) and a key while the question is open.
        refused = !w->Gate().Run([&] { w->Doc().AppendText(u"typed"); });
        QTest::keyClicks(Box(w.get()), "x");
        m->findChild<QPushButton*>("writeQuestionMarks")->click();
    });
    Action(w.get(), "mnusave")->trigger();
    EXPECT_TRUE(refused);
    EXPECT_EQ(w->Doc().Text(), u"ab\U0001F600");
    EXPECT_EQ(uitest::ReadBytes(out), QByteArray("ab?\r\n"));
    EXPECT_EQ(TitleName(*w), QStringLiteral("emoji.txt"));
}

TEST(UnsavedWork, ACloseWithdrawnDuringALongCommandStaysWithdrawn) {
    auto w = StartForm();
    w->Doc().SetText(u"草稿");
    auto first = uitest::AnswerNextMessage(QMessageBox::Cancel);
    {
        ui::CommandGate::Hold longCommand(w->Gate());
        EXPECT_FALSE(w->close());  // held until the command ends
    }
    while (!first->seen) QCoreApplication::processEvents();  // no clock: ctest ends a hang
    // The next long command ends without bringing the close back.
    int asked = 0;
    QTimer watcher;
    watcher.setInterval(10);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        if (auto* m = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++asked;
            m->button(QMessageBox::Cancel)->click();
        }
    });
    watcher.start();
    { ui::CommandGate::Hold longCommand(w->Gate()); }
    QTest::qWait(200);
    EXPECT_EQ(asked, 0);
    EXPECT_TRUE(w->isVisible());
}

TEST(UnsavedWork, ACommandThatChangesNothingLeavesNoMarkAndNoStep) {
    auto w = StartForm();
    w->Doc().SetText(u"abc");
    w->History().MarkSaved();
    const std::size_t steps = w->History().Store().UndoCount();
    uitest::Trigger(w.get(), "大写转小写");
    EXPECT_EQ(TitleName(*w), QStringLiteral("无标题"));
    EXPECT_EQ(w->History().Store().UndoCount(), steps);
}
