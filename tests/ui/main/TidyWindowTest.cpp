#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "UiTestSupport.h"
#include "platform/Platform.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"

using uitest::StartForm;

using uitest::Click;
using uitest::Get;
using uitest::PanelText;

TEST(TidyWindow, ControlsStartAsTheWindowOffersThem) {
    auto w = StartForm();
    EXPECT_TRUE(Get<QRadioButton>(w.get(), "Option2")->isChecked());
    EXPECT_TRUE(Get<QRadioButton>(w.get(), "Option5")->isChecked());
    EXPECT_EQ(Get<QLineEdit>(w.get(), "TxtFenHang")->text(), QStringLiteral("10"));
    EXPECT_TRUE(Get<QPushButton>(w.get(), "CmdChongXin")->isEnabled());
    EXPECT_EQ(Get<QComboBox>(w.get(), "TxtTiHuan")->currentText(),
              QString());  // empty, "回车" offered
    EXPECT_EQ(Get<QPushButton>(w.get(), "CmdDelKongHang")->text(), QStringLiteral("删除所有回车"));
    EXPECT_EQ(Get<QTimer>(w.get(), "Timer1")->interval(), 100);
    EXPECT_FALSE(Get<QTimer>(w.get(), "Timer1")->isActive());
    // Choosing one option of a group leaves the other group alone.
    Get<QRadioButton>(w.get(), "Option1")->click();
    EXPECT_TRUE(Get<QRadioButton>(w.get(), "Option5")->isChecked());
}

TEST(TidyWindow, InsertWritesOneUndoStepPerLine) {
    auto w = StartForm();
    w->Doc().SetText(u"a\r\nb\r\n");
    const std::size_t before = w->History().Store().UndoCount();
    Get<QPlainTextEdit>(w.get(), "TxtChaRu1")->setPlainText(QStringLiteral("。"));
    Click(w.get(), "cmdcharu1");
    EXPECT_EQ(w->Doc().Text(), u"a。\r\nb。\r\n");
    EXPECT_EQ(uitest::ShownText(Get<ui::EditorView>(w.get(), "RichTextBox1")),
              QStringLiteral("a。\nb。\n"));
    EXPECT_EQ(w->History().Store().UndoCount(), before + 3);  // cleared, line 1, line 2
    Get<QAction>(w.get(), "mnuUndo")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"a。\r\n");
    EXPECT_EQ(uitest::ShownText(Get<ui::EditorView>(w.get(), "RichTextBox1")),
              QStringLiteral("a。\n"));
}

// While a command that yields rebuilds the text, an undo or a keystroke
// arriving in between must not cut into the half-built text.
TEST(TidyWindow, InputDuringAYieldingCommandCannotCorruptIt) {
    auto w = StartForm();
    std::u16string text;
    for (int i = 0; i < 20000; ++i) text += u"第" + std::u16string(1, u'0' + i % 10) + u"行\r\n";
    w->Doc().SetText(text);
    bool sawReadOnly = false;
    // Runs at the command's first yield.
    QMetaObject::invokeMethod(
        w.get(),
        [&] {
            sawReadOnly = Get<ui::EditorView>(w.get(), "RichTextBox1")->isReadOnly();
            Get<QAction>(w.get(), "mnuUndo")->trigger();
        },
        Qt::QueuedConnection);
    Click(w.get(), "CmdKongYiHang");
    EXPECT_TRUE(sawReadOnly);
    EXPECT_EQ(w->Doc().Length(), text.size() + 20000 * 2);  // every line got its empty line
    EXPECT_FALSE(Get<ui::EditorView>(w.get(), "RichTextBox1")->isReadOnly());
}

TEST(TidyWindow, MergeThenRebreakTogglesTheRebreakButton) {
    auto w = StartForm();
    w->Doc().SetText(u"abcdefg\r\nhijklm\r\n");
    Get<QLineEdit>(w.get(), "TxtFenHang")->setText(QStringLiteral("5"));
    Click(w.get(), "CmdHeBingHang");
    EXPECT_EQ(w->Doc().Text(), u"abcdefghijklm");
    Click(w.get(), "CmdChongXin");
    EXPECT_EQ(w->Doc().Text(), u"abcde\r\nfghij\r\nklm\r\n");
    EXPECT_EQ(PanelText(w.get(), 2), QStringLiteral("共3行"));
    EXPECT_FALSE(Get<QPushButton>(w.get(), "CmdChongXin")->isEnabled());
    Click(w.get(), "CmdChongXin");  // disabled: nothing happens
    EXPECT_EQ(w->Doc().Text(), u"abcde\r\nfghij\r\nklm\r\n");
    Click(w.get(), "CmdHeBingHang");
    EXPECT_TRUE(Get<QPushButton>(w.get(), "CmdChongXin")->isEnabled());
}

TEST(TidyWindow, RebreakWithABadLengthKeepsTheDocument) {
    auto w = StartForm();
    w->Doc().SetText(u"keep me");
    Get<QLineEdit>(w.get(), "TxtFenHang")->setText(QStringLiteral("abc"));
    auto msg = uitest::AcceptNextMessage();
    Click(w.get(), "CmdChongXin");
    EXPECT_TRUE(msg->seen);
    EXPECT_EQ(msg->title, QStringLiteral("提示"));
    EXPECT_EQ(w->Doc().Text(), u"keep me");
    EXPECT_TRUE(Get<QPushButton>(w.get(), "CmdChongXin")->isEnabled());
}

TEST(TidyWindow, LineCommandsRefreshTheCount) {
    auto w = StartForm();
    w->Doc().SetText(u"a\r\nb\r\n");
    Click(w.get(), "CmdKongYiHang");
    EXPECT_EQ(w->Doc().Text(), u"a\r\n\r\nb\r\n\r\n");
    EXPECT_EQ(PanelText(w.get(), 2), QStringLiteral("共4行"));
    Click(w.get(), "CmdDelKongHang");
    EXPECT_EQ(w->Doc().Text(), u"a\r\nb\r\n");
    EXPECT_EQ(PanelText(w.get(), 2), QStringLiteral("共2行"));
    w->Doc().SetText(u"");
    Click(w.get(), "CmdDelKongHang");
    EXPECT_EQ(PanelText(w.get(), 2), QStringLiteral("共0行"));
    w->Doc().SetText(u" a\u3000b ");
    Get<QRadioButton>(w.get(), "Option4")->click();
    Click(w.get(), "CmdDelKongGe");
    EXPECT_EQ(w->Doc().Text(), u" a\u3000b");
    Get<QRadioButton>(w.get(), "Option5")->click();
    Click(w.get(), "CmdDelKongGe");
    EXPECT_EQ(w->Doc().Text(), u"a\u3000b");
}

TEST(TidyWindow, RulePassIsOneWriteAndRefreshesTheCount) {
    auto w = StartForm();
    w->Doc().SetText(u"甲，乙，丙");
    Get<QLineEdit>(w.get(), "TxtBeiTiHuan")->setText(QStringLiteral("，"));
    Get<QComboBox>(w.get(), "TxtTiHuan")->setCurrentIndex(0);  // "回车" from its list
    const std::size_t before = w->History().Store().UndoCount();
    Click(w.get(), "CmdZhiXing");
    EXPECT_EQ(w->Doc().Text(), u"甲\r\n乙\r\n丙\r\n");
    EXPECT_EQ(PanelText(w.get(), 2), QStringLiteral("共3行"));
    EXPECT_EQ(w->History().Store().UndoCount(), before + 1);
    Get<QAction>(w.get(), "mnuUndo")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"甲，乙，丙");
}

TEST(TidyWindow, ReverseOnlyTheSelection) {
    auto w = StartForm();
    w->Doc().SetText(u"xxabcyy");
    auto msg = uitest::AcceptNextMessage();
    Click(w.get(), "CmdFanZhuan");
    EXPECT_TRUE(msg->seen);
    EXPECT_EQ(msg->text, QStringLiteral("请选择反转的字符"));
    w->Doc().SetSelStart(2);
    w->Doc().SetSelLength(3);
    Click(w.get(), "CmdFanZhuan");
    EXPECT_EQ(w->Doc().Text(), u"xxcbayy");
    Get<QAction>(w.get(), "去除所有字母")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"");
    w->Doc().SetText(u"第9章 2026/12/08");
    Get<QAction>(w.get(), "去除所有数字")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"第章 ");
}

TEST(TidyWindow, SettingsMenuSavesInTheProgramFolderAndLoadsBack) {
    auto w = StartForm();
    QTemporaryDir elsewhere;
    const QString inProgramFolder = platform::ProgramFolder() + "/界面测试.ini";
    QFile::remove(inProgramFolder);
    Get<QLineEdit>(w.get(), "TxtStart")->setText(QStringLiteral("【"));
    Get<QComboBox>(w.get(), "TxtTiHuan")->setEditText(QStringLiteral("回车"));
    uitest::AnswerNextFileDialog(elsewhere.filePath("界面测试.ini"));
    auto told = uitest::AcceptNextMessage();
    Get<QAction>(w.get(), "MnuSaveINI")->trigger();
    EXPECT_FALSE(QFile::exists(elsewhere.filePath("界面测试.ini")));
    ASSERT_TRUE(QFile::exists(inProgramFolder));
    // Not where the dialog pointed: the user is told where it went.
    EXPECT_TRUE(told->seen);
    EXPECT_TRUE(told->text.contains(QDir::toNativeSeparators(inProgramFolder)))
        << told->text.toStdString();
    // (Saved where the dialog pointed, nothing is said: SettingsMenu tests save so.)
    const QString caption = w->windowTitle();
    EXPECT_TRUE(
        caption.startsWith(QStringLiteral("无标题 - QuillmereV4.0")));  // saving keeps the caption

    auto fresh = StartForm();
    uitest::AnswerNextFileDialog(QString());  // cancelled: nothing changes
    Get<QAction>(fresh.get(), "MnuOpenPEIzhi")->trigger();
    // The caption follows the text's name ("无标题 - ").
    EXPECT_TRUE(fresh->windowTitle().startsWith(QStringLiteral("无标题 - QuillmereV4.0")));
    EXPECT_EQ(Get<QLineEdit>(fresh.get(), "TxtStart")->text(), QString());

    uitest::AnswerNextFileDialog(inProgramFolder);
    Get<QAction>(fresh.get(), "MnuOpenPEIzhi")->trigger();
    EXPECT_EQ(fresh->windowTitle(), QStringLiteral("无标题 - 界面测试.ini"));
    EXPECT_EQ(Get<QLineEdit>(fresh.get(), "TxtStart")->text(), QStringLiteral("【"));
    EXPECT_EQ(Get<QComboBox>(fresh.get(), "TxtTiHuan")->currentText(), QStringLiteral("回车"));
    QFile::remove(inProgramFolder);
}

TEST(TidyWindow, AutoTypingShowsOneMoreCharacterPerTick) {
    auto w = StartForm();
    QTemporaryDir dir;
    const QString file = dir.filePath("three.txt");
    ASSERT_TRUE(uitest::WriteBytes(file, QByteArray("\xC4\xE3"
                                                    "ab")));  // 你ab
    std::vector<std::u16string> seen;
    w->Doc().AddChangeListener([&](const qm::TextChange&) { seen.push_back(w->Doc().Text()); });
    uitest::AnswerNextFileDialog(file);
    Click(w.get(), "CmdDaZi");
    auto* timer = Get<QTimer>(w.get(), "Timer1");
    EXPECT_TRUE(timer->isActive());
    EXPECT_TRUE(QTest::qWaitFor([timer] { return !timer->isActive(); }, 3000));
    EXPECT_EQ(seen, (std::vector<std::u16string>{u"你", u"你a", u"你ab"}));
    EXPECT_FALSE(PanelText(w.get(), 4).isEmpty());  // the clock ticked
    EXPECT_EQ(PanelText(w.get(), 5), file);

    // Stopping halts it; a new run starts again from the first character.
    // The typed text is unsaved work: each new run asks first ("否" here).
    const auto dropChanges = [] { uitest::AnswerNextMessage(QMessageBox::No); };
    seen.clear();
    dropChanges();
    uitest::AnswerNextFileDialog(file);
    Click(w.get(), "CmdDaZi");
    ASSERT_TRUE(QTest::qWaitFor([&seen] { return !seen.empty(); }, 1000));
    Click(w.get(), "CMstopDaZi");
    EXPECT_FALSE(timer->isActive());
    dropChanges();
    uitest::AnswerNextFileDialog(file);
    Click(w.get(), "CmdDaZi");
    ASSERT_TRUE(QTest::qWaitFor([timer] { return !timer->isActive(); }, 3000));
    EXPECT_EQ(seen.front(), u"你");
    EXPECT_EQ(seen.back(), u"你ab");
    EXPECT_EQ(seen[1], u"你");  // restarted from the first character
}
