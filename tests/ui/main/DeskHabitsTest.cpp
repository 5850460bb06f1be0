// The box's desktop habits, one smoke test each: line numbers, zoom, the
// recent files and the recovery copies.
#include <gtest/gtest.h>
#include <signal.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QInputMethodEvent>
#include <QMenu>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QWheelEvent>

#include "UiTestSupport.h"
#include "settings/Recovery.h"
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
    const int fourDigits = box->Gutter()->width();
    w->Doc().Replace(0, 0, text + text + text + text + text);  // 12,000 lines: a digit more
    w->DoEvents();
    EXPECT_GT(box->Gutter()->width(), fourDigits);
    // The next window starts with them shown.
    auto next = StartForm();
    EXPECT_TRUE(Action(next.get(), "mnuLineNumbers")->isChecked());
    EXPECT_TRUE(Box(next.get())->LineNumbers());
}

TEST(DeskHabits, WrappedTheKeysGoByScreenRowsAndTheLinesCountTheSame) {
    uitest::OwnUserFolders folders;
    auto w = StartForm();
    std::u16string paragraph;
    for (int i = 0; i < 80; ++i) paragraph += u"猴王道：“我虽在欢喜之时，却有一点儿远虑。”";
    w->Doc().SetText(u"短\r\n" + paragraph + u"\r\n尾\r\n");
    w->RefreshLineCount();
    uitest::ActivateAndFocus(w.get());
    ui::EditorView* box = Box(w.get());
    Action(w.get(), "mnuWrap")->trigger();
    ASSERT_TRUE(box->Wrap());
    const std::size_t start = box->Lines().LineStart(1);
    w->Doc().SetSelStart(static_cast<std::int32_t>(start));
    w->DoEvents();
    const auto key = [&](Qt::Key k) {
        QTest::keyClick(box, k);
        box->Flush();
    };
    key(Qt::Key_Down);  // the paragraph's second row
    const std::size_t second = box->Caret();
    EXPECT_GT(second, start);
    EXPECT_EQ(box->Lines().LineOf(second), 1u);
    const int rowY = box->cursorRect().y();
    key(Qt::Key_End);  // the row's end, drawn on the row
    EXPECT_LT(box->Caret(), box->Lines().LineEnd(1));
    EXPECT_EQ(box->cursorRect().y(), rowY);
    key(Qt::Key_Home);
    EXPECT_EQ(box->Caret(), second);
    key(Qt::Key_PageDown);  // a screen of rows, still inside the paragraph
    EXPECT_EQ(box->Lines().LineOf(box->Caret()), 1u);
    EXPECT_GT(box->FirstVisibleRow(), 0u);
    EXPECT_EQ(uitest::PanelText(w.get(), 2), QStringLiteral("共3行"));
    EXPECT_TRUE(Action(StartForm().get(), "mnuWrap")->isChecked()) << "remembered";
    Action(w.get(), "mnuWrap")->trigger();  // unwrapped, Down goes to the next line
    key(Qt::Key_Down);
    EXPECT_EQ(box->Lines().LineOf(box->Caret()), 2u);
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

// A program is killed after typing; the next start offers its copy, and 恢复
// brings back the exact text with the file's name and encoding. While the
// program ran, its copy was nobody else's; a save removes the copy.
TEST(DeskHabits, TextTypedBeforeAKillIsRecoveredExactly) {
    const char* const kChild = "QM_RECOVERY_CHILD";
    if (qEnvironmentVariableIsSet(kChild)) {
        qputenv("XDG_DATA_HOME", qgetenv("QM_RECOVERY_DATA"));
        auto w = StartForm();
        w->OpenPath(qEnvironmentVariable(kChild));
        uitest::ActivateAndFocus(w.get());
        QTest::keyClick(Box(w.get()), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(Box(w.get()), "ab");
        QInputMethodEvent typed;
        typed.setCommitString(QStringLiteral("中文"));
        QCoreApplication::sendEvent(Box(w.get()), &typed);
        uitest::Trigger(w.get(), "mnuselectall");  // a command: the copy is written after it
        w->SettleRecoveryCopy();
        std::fputs("ready\n", stdout);
        std::fflush(stdout);
        for (;;) QTest::qWait(1000);  // until killed
    }
    uitest::OwnUserFolders folders;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("第一章.txt"));
    ASSERT_TRUE(uitest::WriteBytes(file, "\xb5\xda\xd2\xbb\xd5\xc2\r\n"));  // GBK
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(kChild, file);
    env.insert("QM_RECOVERY_DATA", folders.Data());
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    child.start(
        QCoreApplication::applicationFilePath(),
        {QStringLiteral("--gtest_filter=%1.%2").arg(test->test_suite_name(), test->name())});
    QByteArray said;
    while (!said.contains("ready\n") && child.waitForReadyRead(-1)) said += child.readAll();
    ASSERT_TRUE(said.contains("ready\n")) << said.toStdString();
    const QDir recovery(folders.Data() + QStringLiteral("/quillmere/recovery"));
    const QStringList copies = recovery.entryList({"*.recovery"}, QDir::Files);
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(QFileInfo(recovery.filePath(copies[0])).permissions() & 0x0077, 0) << "private";
    EXPECT_EQ(QFileInfo(recovery.path()).permissions() & 0x0077, 0);
    EXPECT_TRUE(settings::FindRecoveryCopies().empty()) << "a running program's copy is its own";
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    child.waitForFinished(-1);

    auto w = StartForm();
    auto asked = uitest::ClickInNextMessage("recover");
    w->OfferRecoveryCopies();
    EXPECT_TRUE(asked->text.startsWith(QStringLiteral("发现未保存的内容：第一章.txt（")))
        << asked->text.toStdString();
    EXPECT_TRUE(w->Doc().Text() == u"第一章\r\nab中文");
    EXPECT_TRUE(w->windowTitle().startsWith(QStringLiteral("第一章.txt*")));
    EXPECT_TRUE(uitest::PanelText(w.get(), 6).startsWith(QStringLiteral("GBK")));
    uitest::AnswerNextFileDialog(file);
    uitest::ConfirmNextOverwrite();
    uitest::Trigger(w.get(), "mnusave");
    w->SettleRecoveryCopy();
    EXPECT_EQ(uitest::ReadBytes(file),
              QByteArray("\xb5\xda\xd2\xbb\xd5\xc2\r\nab\xd6\xd0\xce\xc4"));
    EXPECT_TRUE(recovery.entryList({"*.recovery"}, QDir::Files).isEmpty());
}

// Typing goes on while a large text is copied for the worker: the copy holds
// the keys typed into the part already copied, and after it.
TEST(DeskHabits, KeysTypedWhileTheCopyIsMadeAreInIt) {
    uitest::OwnUserFolders folders;
    auto w = StartForm();
    uitest::ActivateAndFocus(w.get());
    w->Doc().SetText(std::u16string(3'000'000, u'字'));
    uitest::Trigger(w.get(), "mnuselectall");  // the copy begins after the command
    w->DoEvents();                             // its first piece
    w->Doc().SetSelection(10, 0, qm::EditSource::Program);
    QTest::keyClicks(Box(w.get()), "abc");
    QTest::keyClick(Box(w.get()), Qt::Key_Backspace);
    QTest::keyClick(Box(w.get()), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(Box(w.get()), "z");
    w->SettleRecoveryCopy();
    const QDir recovery(folders.Data() + QStringLiteral("/quillmere/recovery"));
    const QStringList copies = recovery.entryList({"*.recovery"}, QDir::Files);
    ASSERT_EQ(copies.size(), 1);
    std::u16string back;
    EXPECT_TRUE(settings::ParseRecovery(
        uitest::ReadBytes(recovery.filePath(copies[0])).toStdString(), &back));
    EXPECT_TRUE(back == w->Doc().Text()) << back.size() << " units";
    EXPECT_TRUE(w->Doc().Text().substr(8, 5) == u"字字ab字");
}
