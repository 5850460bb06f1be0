// The regular-expression, extraction, cipher and article re-mixer windows,
// opened from their buttons and run end to end on the main window's text.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <chrono>

#include "UiTestSupport.h"
#include "core/tools/Cipher.h"
#include "ui/main/Form1.h"
#include "ui/tools/FrmZhengZe.h"

namespace {

using uitest::Click;
using uitest::Get;
void Undo(Form1& w) { w.findChild<QAction*>("mnuUndo")->trigger(); }

QStringList Column(QTreeWidget* t, int column) {
    QStringList out;
    for (int i = 0; i < t->topLevelItemCount(); ++i) out << t->topLevelItem(i)->text(column);
    return out;
}

}  // namespace

TEST(TextToolWindows, RegexListsAsTypedReplacesWithGroupsAndUndoes) {
    auto w = uitest::StartForm();
    w->Doc().SetText(u"日期 2024-01-05\r\n无\r\n又 2023-12-31 和 1999-09-09");
    QWidget* f = uitest::OpenTool(w.get(), "CmdReguLar", QStringLiteral("FrmZhengZe"));
    ASSERT_NE(f, nullptr);
    auto* list = Get<QTreeWidget>(f, "LstJieGuo");
    auto* label = Get<QLabel>(f, "LblJieGuo");
    // Typed key by key: listed once the typing pauses.
    QTest::keyClicks(Get<QLineEdit>(f, "TxtZhengZe"), QStringLiteral("(\\d{4})-(\\d\\d)-(\\d\\d)"));
    EXPECT_EQ(list->topLevelItemCount(), 0);
    QTRY_COMPARE(list->topLevelItemCount(), 3);
    EXPECT_EQ(Column(list, 0), (QStringList{"1", "3", "3"}));
    EXPECT_EQ(Column(list, 1), (QStringList{"2024-01-05", "2023-12-31", "1999-09-09"}));
    EXPECT_EQ(label->text(), QStringLiteral("共 3 处匹配。"));

    // Double-click selects the match in the main window.
    emit list->itemDoubleClicked(list->topLevelItem(1), 0);
    EXPECT_TRUE(w->Doc().SelText() == u"2023-12-31");

    const std::u16string before = w->Doc().Text();
    Get<QLineEdit>(f, "TxtTiHuan")->setText(QStringLiteral("\\3/$2/${1}年"));
    Click(f, "CmdTiHuan");
    EXPECT_TRUE(w->Doc().Text() == u"日期 05/01/2024年\r\n无\r\n又 31/12/2023年 和 09/09/1999年");
    EXPECT_EQ(label->text(), QStringLiteral("已替换 3 处。"));
    Undo(*w);
    EXPECT_TRUE(w->Doc().Text() == before) << "one undo step";

    // A group the pattern lacks is told, and nothing changes.
    Get<QLineEdit>(f, "TxtTiHuan")->setText(QStringLiteral("$4"));
    auto msg = uitest::AcceptNextMessage();
    Click(f, "CmdTiHuan");
    EXPECT_TRUE(msg->text.contains(QStringLiteral("第 4 组"))) << msg->text.toStdString();
    EXPECT_TRUE(w->Doc().Text() == before);
}

TEST(TextToolWindows, RegexOptionsAndInvalidPattern) {
    auto w = uitest::StartForm();
    w->Doc().SetText(u"Abc\r\nabc");
    QWidget* f = uitest::OpenTool(w.get(), "CmdReguLar", QStringLiteral("FrmZhengZe"));
    ASSERT_NE(f, nullptr);
    auto* list = Get<QTreeWidget>(f, "LstJieGuo");
    auto* pattern = Get<QLineEdit>(f, "TxtZhengZe");
    pattern->setText(QStringLiteral("^abc$"));
    static_cast<FrmZhengZe*>(f)->TmrPiPei_Timer();
    EXPECT_EQ(Column(list, 0), QStringList{"2"});
    Get<QCheckBox>(f, "ChkDaXiao")->setChecked(false);
    static_cast<FrmZhengZe*>(f)->TmrPiPei_Timer();
    EXPECT_EQ(Column(list, 0), (QStringList{"1", "2"}));
    Get<QCheckBox>(f, "ChkDuoHang")->setChecked(false);
    static_cast<FrmZhengZe*>(f)->TmrPiPei_Timer();
    EXPECT_EQ(list->topLevelItemCount(), 0);

    pattern->setText(QStringLiteral("中文(abc"));
    static_cast<FrmZhengZe*>(f)->TmrPiPei_Timer();
    auto* label = Get<QLabel>(f, "LblJieGuo");
    EXPECT_TRUE(label->text().startsWith(QStringLiteral("表达式有误（末尾）")))
        << label->text().toStdString();
    EXPECT_EQ(list->topLevelItemCount(), 0);
    pattern->setText(QStringLiteral("a{2,1}b"));
    static_cast<FrmZhengZe*>(f)->TmrPiPei_Timer();
    EXPECT_TRUE(label->text().startsWith(QStringLiteral("表达式有误（第 6 个字符处）")))
        << label->text().toStdString();
    pattern->setCursorPosition(0);
    Click(f, "CmdTiHuan");
    EXPECT_EQ(pattern->cursorPosition(), 5)
        << "the caret shows where";  // the error stays in the label: no dialog, no change
    EXPECT_TRUE(w->Doc().Text() == u"Abc\r\nabc");
}

TEST(TextToolWindows, RegexRunawayPatternStopsWithAMessageAndChangesNothing) {
    auto w = uitest::StartForm();
    const std::u16string text = std::u16string(40, u'x') + u"\r\nok";
    w->Doc().SetText(text);
    QWidget* f = uitest::OpenTool(w.get(), "CmdReguLar", QStringLiteral("FrmZhengZe"));
    ASSERT_NE(f, nullptr);
    Get<QLineEdit>(f, "TxtZhengZe")->setText(QStringLiteral("(x+x+)+[yz]|ok"));
    static_cast<FrmZhengZe*>(f)->TmrPiPei_Timer();
    EXPECT_TRUE(Get<QLabel>(f, "LblJieGuo")->text().contains(QStringLiteral("回溯过多")));
    auto msg = uitest::AcceptNextMessage();
    Click(f, "CmdTiHuan");
    EXPECT_TRUE(msg->text.contains(QStringLiteral("正文没有改动"))) << msg->text.toStdString();
    EXPECT_TRUE(w->Doc().Text() == text);
}

TEST(TextToolWindows, RegexSlowReplaceShowsProgressAndCanBeCanceled) {
    auto w = uitest::StartForm();
    std::u16string text;
    for (int i = 0; i < 5000; ++i) text += std::u16string(17, u'x') + u"-";
    text += u"y";
    w->Doc().SetText(text);
    QWidget* f = uitest::OpenTool(w.get(), "CmdReguLar", QStringLiteral("FrmZhengZe"));
    ASSERT_NE(f, nullptr);
    Get<QLineEdit>(f, "TxtZhengZe")->setText(QStringLiteral("(x+x+)+y"));
    bool busyMeanwhile = false;
    uitest::OnNextModal([&](QWidget* m) {
        auto* progress = qobject_cast<QProgressDialog*>(m);
        ASSERT_NE(progress, nullptr);
        busyMeanwhile = w->Gate().Busy();
        progress->cancel();
    });
    Click(f, "CmdTiHuan");
    EXPECT_TRUE(busyMeanwhile) << "other commands wait while it runs";
    EXPECT_EQ(Get<QLabel>(f, "LblJieGuo")->text(), QStringLiteral("已取消替换，正文没有改动。"));
    EXPECT_TRUE(w->Doc().Text() == text);
}

TEST(TextToolWindows, RegexListStopsAtTenThousand) {
    auto w = uitest::StartForm();
    w->Doc().SetText(std::u16string(20'000, u'字'));
    QWidget* f = uitest::OpenTool(w.get(), "CmdReguLar", QStringLiteral("FrmZhengZe"));
    ASSERT_NE(f, nullptr);
    Get<QLineEdit>(f, "TxtZhengZe")->setText(QStringLiteral("字"));
    static_cast<FrmZhengZe*>(f)->TmrPiPei_Timer();
    EXPECT_EQ(Get<QTreeWidget>(f, "LstJieGuo")->topLevelItemCount(), 10'000);
    EXPECT_TRUE(Get<QLabel>(f, "LblJieGuo")->text().contains(QStringLiteral("只列出前 10000 处")));
}

TEST(TextToolWindows, ExtractionListsCopiesSavesRemovesAndReplaces) {
    auto w = uitest::StartForm();
    const std::u16string text =
        u"联系：13812345678，或 0755-1234567；QQ 123456 与 13812345678。网址 www.example.com";
    w->Doc().SetText(text);
    QWidget* f = uitest::OpenTool(w.get(), "CmdGaoJiTiHuan", QStringLiteral("高级替换"));
    ASSERT_NE(f, nullptr);
    auto* list = Get<QListWidget>(f, "LstJieGuo");
    Click(f, "CmdTiQu");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("13812345678"));
    EXPECT_EQ(Get<QLabel>(f, "LblShuLiang")->text(),
              QStringLiteral("共 1 个手机号码（在正文中出现 2 次）。"));
    Get<QRadioButton>(f, "OptQQ")->click();
    EXPECT_EQ(list->count(), 0) << "another kind empties the list";
    Click(f, "CmdTiQu");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("123456"));
    Click(f, "CmdFuZhi");
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("123456"));

    // Saved as GBK text, one a line.
    Get<QRadioButton>(f, "OptGuHua")->click();
    Click(f, "CmdTiQu");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("电话.txt"));
    uitest::AnswerNextFileDialog(path);
    Click(f, "CmdBaoCun");
    EXPECT_EQ(uitest::ReadBytes(path), QByteArray("0755-1234567\r\n"));

    // Removed from the text everywhere, one undo step.
    Get<QRadioButton>(f, "OptShouJi")->click();
    Click(f, "CmdShanChu");
    EXPECT_TRUE(w->Doc().Text() == u"联系：，或 0755-1234567；QQ 123456 与 。网址 www.example.com");
    Undo(*w);
    EXPECT_TRUE(w->Doc().Text() == text);
    Get<QRadioButton>(f, "OptWangZhi")->click();
    Get<QLineEdit>(f, "TxtTiHuanWei")->setText(QStringLiteral("【网址】"));
    Click(f, "CmdTiHuan");
    EXPECT_TRUE(w->Doc().Text().ends_with(u"网址 【网址】"));
    // Nothing of the kind left: told, nothing changes.
    const std::u16string now = w->Doc().Text();
    auto msg = uitest::AcceptNextMessage();
    Click(f, "CmdShanChu");
    EXPECT_TRUE(msg->text.contains(QStringLiteral("没有网址")));
    EXPECT_TRUE(w->Doc().Text() == now);
}

TEST(TextToolWindows, ExtractionSaveFailingOnAFullDiskKeepsTheOldFileAndSaysSo) {
    auto w = uitest::StartForm();
    std::u16string text;
    for (int i = 0; i < 100; ++i)
        text += u"13" + QString::number(800000000 + i).toStdU16String() + u"，";
    w->Doc().SetText(text);
    QWidget* f = uitest::OpenTool(w.get(), "CmdGaoJiTiHuan", QStringLiteral("高级替换"));
    ASSERT_NE(f, nullptr);
    Click(f, "CmdTiQu");
    ASSERT_EQ(Get<QListWidget>(f, "LstJieGuo")->count(), 100);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("手机.txt"));
    ASSERT_TRUE(uitest::WriteBytes(path, "old list\r\n"));
    uitest::AnswerNextFileDialog(path);
    uitest::ConfirmNextOverwrite();
    auto msg = uitest::AcceptNextMessage();
    {
        uitest::FileSizeLimit limit(200);
        Click(f, "CmdBaoCun");
    }
    EXPECT_TRUE(msg->text.contains(QStringLiteral("原文件未被改动"))) << msg->text.toStdString();
    EXPECT_EQ(uitest::ReadBytes(path), QByteArray("old list\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1)
        << "no temporary left";
    EXPECT_FALSE(Get<QLabel>(f, "LblShuLiang")->text().startsWith(QStringLiteral("已保存")));
}

TEST(TextToolWindows, CipherSealsTheSelectionOrTheWholeTextAndOpensItAgain) {
    auto w = uitest::StartForm();
    w->Doc().SetText(u"公开的开头\r\n机密：账号 123\r\n公开的结尾");
    QWidget* f = uitest::OpenTool(w.get(), "cmdCipher", QStringLiteral("jiajiemi"));
    ASSERT_NE(f, nullptr);
    auto* password = Get<QLineEdit>(f, "TxtMiMa");
    auto* confirm = Get<QLineEdit>(f, "TxtQueRen");
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);

    // No password, then two that differ: told, nothing changes.
    auto msg = uitest::AcceptNextMessage();
    Click(f, "CmdJiaMi");
    EXPECT_EQ(msg->text, QStringLiteral("请输入密码。"));
    password->setText(QStringLiteral("芝麻开门"));
    confirm->setText(QStringLiteral("芝麻关门"));
    msg = uitest::AcceptNextMessage();
    Click(f, "CmdJiaMi");
    EXPECT_TRUE(msg->text.contains(QStringLiteral("不一致")));
    EXPECT_TRUE(w->Doc().Text() == u"公开的开头\r\n机密：账号 123\r\n公开的结尾");

    // The selected middle line only.
    confirm->setText(QStringLiteral("芝麻开门"));
    w->Doc().SetSelStart(7);
    w->Doc().SetSelLength(9);
    ASSERT_TRUE(w->Doc().SelText() == u"机密：账号 123");
    Click(f, "CmdJiaMi");
    const std::u16string& t = w->Doc().Text();
    ASSERT_TRUE(t.starts_with(u"公开的开头\r\nQM1:")) << QString::fromStdU16String(t).toStdString();
    ASSERT_TRUE(t.ends_with(u"\r\n公开的结尾"));
    const std::u16string sealedText = t;
    const std::size_t sealedLength = t.size() - 7 - 7;
    // As with the conversions, the result stays selected: opening it again
    // needs no new selection (the cipher used to drop it).
    EXPECT_EQ(w->Doc().SelStart(), 7);
    EXPECT_EQ(w->Doc().SelLength(), static_cast<std::int32_t>(sealedLength));

    // A wrong password: told, nothing changes.
    w->Doc().SetSelStart(7);
    w->Doc().SetSelLength(static_cast<std::int32_t>(sealedLength));
    password->setText(QStringLiteral("芝麻"));
    msg = uitest::AcceptNextMessage();
    Click(f, "CmdJieMi");
    EXPECT_TRUE(msg->text.contains(QStringLiteral("密码错误"))) << msg->text.toStdString();
    EXPECT_TRUE(w->Doc().Text() == sealedText);

    password->setText(QStringLiteral("芝麻开门"));
    Click(f, "CmdJieMi");
    EXPECT_TRUE(w->Doc().Text() == u"公开的开头\r\n机密：账号 123\r\n公开的结尾");
    Undo(*w);
    EXPECT_TRUE(w->Doc().Text() == sealedText) << "decrypting is one undo step";

    // Nothing selected: the whole text; text that was never sealed is told.
    w->Doc().SetText(u"整篇文章");
    Click(f, "CmdJiaMi");
    EXPECT_TRUE(qm::cipher::Open(w->Doc().Text(), "芝麻开门").text == u"整篇文章");
    w->Doc().SetText(u"普通文字");
    msg = uitest::AcceptNextMessage();
    Click(f, "CmdJieMi");
    EXPECT_TRUE(msg->text.contains(QStringLiteral("不是本程序加密的文字")));
    EXPECT_TRUE(w->Doc().Text() == u"普通文字");
}

TEST(TextToolWindows, RemixerShowsThenReplacesAsOneUndoStep) {
    auto w = uitest::StartForm();
    std::u16string article;
    for (int i = 1; i <= 6; ++i)
        article += u"第" + QString::number(i).toStdU16String() + u"段讲电脑。\r\n";
    w->Doc().SetText(article);
    QWidget* f = uitest::OpenTool(w.get(), "CmdYouHua", QStringLiteral("FrmYouHua"));
    ASSERT_NE(f, nullptr);
    Get<QLineEdit>(f, "TxtZhongZi")->setText(QStringLiteral("2024"));
    Get<QLineEdit>(f, "TxtBiaoTi")->setText(QStringLiteral("好文章"));
    Get<QPlainTextEdit>(f, "TxtGuanJianCi")->setPlainText(QStringLiteral("【关键词】"));
    Get<QSpinBox>(f, "SpnMeiGe")->setValue(3);
    Get<QPlainTextEdit>(f, "TxtTongYiCi")->setPlainText(QStringLiteral("电脑=计算机"));
    Click(f, "CmdShengCheng");
    const QString shown = Get<QPlainTextEdit>(f, "TxtJieGuo")->toPlainText();
    EXPECT_TRUE(shown.startsWith(QStringLiteral("好文章\n")));
    EXPECT_EQ(shown.count(QStringLiteral("【关键词】")), 2);
    EXPECT_EQ(shown.count(QStringLiteral("计算机")), 6);
    EXPECT_FALSE(shown.contains(QStringLiteral("电脑")));
    EXPECT_TRUE(w->Doc().Text() == article) << "nothing changes before it is asked for";
    // The same seed, the same result.
    Click(f, "CmdShengCheng");
    EXPECT_EQ(Get<QPlainTextEdit>(f, "TxtJieGuo")->toPlainText(), shown);

    Click(f, "CmdTiHuan");
    QString expected = shown;
    expected.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    EXPECT_EQ(QString::fromStdU16String(w->Doc().Text()), expected);
    Undo(*w);
    EXPECT_TRUE(w->Doc().Text() == article);

    // A changed setting drops the result; using it asks for a new one.
    Get<QLineEdit>(f, "TxtZhongZi")->setText(QStringLiteral("7"));
    EXPECT_TRUE(Get<QPlainTextEdit>(f, "TxtJieGuo")->toPlainText().isEmpty());
    auto msg = uitest::AcceptNextMessage();
    Click(f, "CmdChaRu");
    EXPECT_TRUE(msg->text.contains(QStringLiteral("生成")));
    EXPECT_TRUE(w->Doc().Text() == article);
}
