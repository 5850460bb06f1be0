// The box's desktop habits, one smoke test each: line numbers, zoom, the
// recent files and the recovery copies.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include "UiTestSupport.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"

using uitest::Action;
using uitest::Box;
using uitest::StartForm;

TEST(DeskHabits, LineNumbersShowTheLinesOnScreenAndAreRemembered) {
    uitest::OwnUserFolders folders;
    auto w = StartForm();
    std::u16string text;
    for (int i = 0; i < 2000; ++i) text += u"行\r\n";
    w->Doc().SetText(text);
    ui::EditorView* box = Box(w.get());
    const int left = box->viewport()->x();
    Action(w.get(), "mnuLineNumbers")->trigger();
    w->DoEvents();
    ASSERT_NE(box->Gutter(), nullptr);
    EXPECT_TRUE(box->Gutter()->isVisible());
    // Four digits of room beside the text, numbers drawn in it.
    EXPECT_GT(box->viewport()->x(), left + 3 * box->fontMetrics().horizontalAdvance('9'));
    const QImage top = box->Gutter()->grab().toImage();
    box->verticalScrollBar()->setValue(1500);
    w->DoEvents();
    EXPECT_NE(box->Gutter()->grab().toImage(), top) << "the numbers follow the scrolling";
    // The next window starts with them shown.
    auto next = StartForm();
    EXPECT_TRUE(Action(next.get(), "mnuLineNumbers")->isChecked());
    EXPECT_TRUE(Box(next.get())->LineNumbers());
}

TEST(DeskHabits, ZoomKeysAndCtrlWheelChangeTheSizeForNow) {
    auto w = StartForm();
    uitest::ActivateAndFocus(w.get());
    ui::EditorView* box = Box(w.get());
    const int chosen = box->LineHeight();
    QTest::keyClick(box, Qt::Key_Equal, Qt::ControlModifier);
    const int once = box->LineHeight();
    EXPECT_GT(once, chosen);
    QTest::keyClick(box, Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_GT(box->LineHeight(), once);
    QTest::keyClick(box, Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(box->LineHeight(), once);
    const QPoint at = box->viewport()->rect().center();
    QWheelEvent notch(at, box->viewport()->mapToGlobal(at), {}, {0, 120}, Qt::NoButton,
                      Qt::ControlModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(box->viewport(), &notch);
    EXPECT_GT(box->LineHeight(), once);
    QTest::keyClick(box, Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(box->LineHeight(), chosen);
    EXPECT_EQ(box->font().pointSize(), 12) << "the chosen font stays as it was";
}

TEST(DeskHabits, RecentFilesNewestFirstAMissingOneMarkedAndRemovedAndTheListCleared) {
    uitest::OwnUserFolders folders;
    QTemporaryDir dir;
    const QString a = dir.filePath(QStringLiteral("甲.txt"));
    const QString b = dir.filePath(QStringLiteral("乙.txt"));
    ASSERT_TRUE(uitest::WriteBytes(a, "a") && uitest::WriteBytes(b, "b"));
    auto w = StartForm();
    w->OpenPath(a);
    w->OpenPath(b);
    auto* menu = w->findChild<QMenu*>(QStringLiteral("mnuRecent"));
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    EXPECT_TRUE(
        Action(w.get(), "mnuRecent1")->text().contains(QStringLiteral("乙.txt  —  ") + dir.path()));
    EXPECT_TRUE(Action(w.get(), "mnuRecent2")->text().contains(QStringLiteral("甲.txt")));
    QFile::remove(a);
    emit menu->aboutToShow();
    QAction* gone = Action(w.get(), "mnuRecent2");
    EXPECT_TRUE(gone->text().endsWith(QStringLiteral("（已不存在）")));
    auto asked = uitest::ClickInNextMessage("remove");
    gone->trigger();
    EXPECT_TRUE(asked->text.contains(QStringLiteral("已不存在"))) << asked->text.toStdString();
    emit menu->aboutToShow();
    EXPECT_EQ(w->findChild<QAction*>(QStringLiteral("mnuRecent2")), nullptr);
    Action(w.get(), "mnuRecent1")->trigger();  // opens 乙 again: nothing asked
    EXPECT_EQ(w->Doc().Text(), u"b");
    Action(w.get(), "mnuRecentClear")->trigger();
    emit menu->aboutToShow();
    EXPECT_EQ(w->findChild<QAction*>(QStringLiteral("mnuRecent1")), nullptr);
    EXPECT_FALSE(Action(w.get(), "mnuRecentClear")->isEnabled());
}
