// The four file-tool windows driven through their object names, their file
// dialogs and message boxes answered as a user would.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QLockFile>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "UiTestSupport.h"
#include "core/encoding/Encoding.h"
#include "platform/Platform.h"
#include "ui/main/Form1.h"
#include "ui/tools/FrmPiLiangTiHuan.h"

namespace {

using testsupport::GbkBytes;
using uitest::Click;
using uitest::Get;

}  // namespace

TEST(FileToolWindows, BatchReplaceListsRunsAndLogs) {
    auto w = uitest::StartForm();
    QWidget* f = uitest::OpenTool(w.get(), "CmdPiLiangTiHuan", "FrmPiLiangTiHuan");
    ASSERT_NE(f, nullptr);
    QTemporaryDir dir;
    const QString good1 = dir.filePath("1.txt");
    const QString bad = dir.filePath("2.txt");
    const QString good2 = dir.filePath("3.txt");
    ASSERT_TRUE(uitest::WriteBytes(good1, GbkBytes(u"甲乙")));
    ASSERT_TRUE(uitest::WriteBytes(bad, QByteArray("\xBC\xD7\0\xD2\xD2", 5)));  // binary: fails
    ASSERT_TRUE(uitest::WriteBytes(good2, GbkBytes(u"甲")));
    for (const QString& p : {good1, bad, good2}) {
        uitest::AnswerNextFileDialog(p);
        Click(f, "Cmd_Fnd");
    }
    EXPECT_EQ(Get<QLabel>(f, "Panel1")->text(), QStringLiteral("共计:3个文件."));
    uitest::AnswerNextFileDialog(good1);
    auto again = uitest::AcceptNextMessage();
    Click(f, "Cmd_Fnd");
    EXPECT_EQ(again->text, QStringLiteral("你已经选择了文件:\n\r") + good1);
    EXPECT_EQ(Get<QListWidget>(f, "Lst_Fil")->count(), 3);

    auto empty = uitest::AcceptNextMessage();
    Click(f, "Cmd_Rep_All");
    EXPECT_EQ(empty->text, QStringLiteral("请输入需被替换的内容！"));
    EXPECT_EQ(empty->title, QStringLiteral("提示"));

    const std::int64_t k = FrmPiLiangTiHuan::RunningTotal();
    Get<QLineEdit>(f, "Txt_Fnd")->setText(QStringLiteral("甲"));
    Get<QLineEdit>(f, "Txt_Rep")->setText(QStringLiteral("丙"));
    Get<QCheckBox>(f, "Chk_bak")->setChecked(true);
    Click(f, "Cmd_Rep_All");
    auto* log = Get<QTreeWidget>(f, "Lst_Viw");
    ASSERT_EQ(log->topLevelItemCount(), 3);
    // Every row its own number: a failure in the middle repeats none.
    EXPECT_EQ(log->topLevelItem(0)->text(0), QStringLiteral("1"));
    EXPECT_EQ(log->topLevelItem(1)->text(0), QStringLiteral("2"));
    EXPECT_EQ(log->topLevelItem(2)->text(0), QStringLiteral("3"));
    // Long paths are cut in the middle; the whole path is the tooltip.
    EXPECT_EQ(log->textElideMode(), Qt::ElideMiddle);
    EXPECT_EQ(log->topLevelItem(0)->toolTip(1), QDir::toNativeSeparators(good1));
    EXPECT_TRUE(log->topLevelItem(1)->toolTip(1).startsWith(QDir::toNativeSeparators(bad)));
    EXPECT_EQ(log->topLevelItem(0)->text(4), QStringLiteral("完成"));
    EXPECT_EQ(log->topLevelItem(1)->text(4), QStringLiteral("失败"));
    EXPECT_FALSE(log->topLevelItem(1)->toolTip(4).isEmpty());
    EXPECT_EQ(Get<QLabel>(f, "Panel3")->text(),
              QStringLiteral("此次替换了2个文件,总共替换了%1 个文件.").arg(k + 2));
    EXPECT_EQ(uitest::ReadBytes(good1), GbkBytes(u"丙乙\r\n"));
    EXPECT_EQ(uitest::ReadBytes(good1 + ".BAK"), GbkBytes(u"甲乙"));
    EXPECT_EQ(uitest::ReadBytes(bad), QByteArray("\xBC\xD7\0\xD2\xD2", 5));
    EXPECT_FALSE(Get<QProgressBar>(f, "ProBar")->isVisible());
    // A second run goes on numbering after the rows already logged.
    Get<QLineEdit>(f, "Txt_Fnd")->setText(QStringLiteral("丙"));
    Get<QLineEdit>(f, "Txt_Rep")->setText(QStringLiteral("丁"));
    Get<QCheckBox>(f, "Chk_bak")->setChecked(false);
    Click(f, "Cmd_Rep_All");
    ASSERT_EQ(log->topLevelItemCount(), 6);
    QStringList numbers;
    for (int i = 0; i < log->topLevelItemCount(); ++i) numbers << log->topLevelItem(i)->text(0);
    EXPECT_EQ(numbers.join(','), QStringLiteral("1,2,3,4,5,6"));
    EXPECT_EQ(Get<QLabel>(f, "Panel3")->text(),
              QStringLiteral("此次替换了2个文件,总共替换了%1 个文件.").arg(k + 4));

    // The folder picker adds each text document once; a script or a page
    // is text to the type system, not a text document.
    ASSERT_TRUE(uitest::WriteBytes(dir.filePath("run.sh"), "#!/bin/sh\n"));
    ASSERT_TRUE(uitest::WriteBytes(dir.filePath("page.html"), "<p>甲</p>"));
    Click(f, "Cmd_Dell_All");
    uitest::AnswerNextFileDialog(dir.path());
    Click(f, "Cmd_Find_All");
    uitest::AnswerNextFileDialog(dir.path());
    Click(f, "Cmd_Find_All");
    EXPECT_EQ(Get<QListWidget>(f, "Lst_Fil")->count(), 3);  // the .BAK file is not text by name
}

TEST(FileToolWindows, SplitterChecksSplitsWritesScriptsAndResets) {
    auto w = uitest::StartForm();
    QWidget* f = uitest::OpenTool(w.get(), "CmdFileFenGe2", "FenGe2");
    ASSERT_NE(f, nullptr);
    auto* size = Get<QLineEdit>(f, "splsize");
    EXPECT_EQ(size->text(), QStringLiteral("1400"));
    EXPECT_EQ(Get<QLabel>(f, "Label8")->text(), QStringLiteral("文件未选择"));
    size->clear();
    auto msg = uitest::AcceptNextMessage();
    Click(f, "cmddoit");
    EXPECT_EQ(msg->text, QStringLiteral("输入分割的文件大小."));
    EXPECT_EQ(size->palette().color(QPalette::Base), QColor(255, 255, 0));

    QTemporaryDir dir;
    const QString source = dir.filePath("a b.bin");
    ASSERT_TRUE(uitest::WriteBytes(source, QByteArray(201, 'q')));
    QDir(dir.path()).mkdir("out");
    Get<QLineEdit>(f, "openfile")->setText(source);
    Get<QLineEdit>(f, "savefile")->setText(dir.filePath("out/my file.bin"));
    // Count mode: a click on the locked count box unlocks it.
    auto* count = Get<QLineEdit>(f, "splnum");
    EXPECT_TRUE(count->isReadOnly());
    QTest::mouseClick(count, Qt::LeftButton);
    EXPECT_FALSE(count->isReadOnly());
    EXPECT_TRUE(size->isReadOnly());
    count->setText(QStringLiteral("2"));
    auto confirm = uitest::AnswerNextMessage(QMessageBox::Yes);
    auto done = uitest::AnswerNextMessage(QMessageBox::Ok);
    auto deleteToo = uitest::AnswerNextMessage(QMessageBox::No);
    Click(f, "cmddoit");
    EXPECT_EQ(confirm->title, QStringLiteral("分割确认"));
    EXPECT_TRUE(confirm->text.startsWith(QStringLiteral("文件将分割成 2 个文件.")));
    EXPECT_EQ(done->title, QStringLiteral("文件分割完毕"));
    EXPECT_EQ(done->text,
              QStringLiteral("共分割文件 2 个.\r\n\r\n合并批处理文件名为 'a_b.bin.bat' 成功建立."));
    EXPECT_EQ(deleteToo->title, QStringLiteral("提示"));
    EXPECT_EQ(QFileInfo(dir.filePath("out/my_file.bin.0")).size(), 100);
    EXPECT_EQ(QFileInfo(dir.filePath("out/my_file.bin.1")).size(), 101);
    EXPECT_EQ(uitest::ReadBytes(dir.filePath("out/a_b.bin.bat")),
              QByteArray("copy /b my_file.bin.0 + my_file.bin.1 a_b.bin\r\n"));
    EXPECT_TRUE(QFileInfo(dir.filePath("out/a_b.bin.sh")).isExecutable());
    // Back to size mode, ready for the next file.
    EXPECT_EQ(size->text(), QStringLiteral("1400"));
    EXPECT_FALSE(size->isReadOnly());
    EXPECT_TRUE(Get<QLineEdit>(f, "openfile")->text().isEmpty());
    EXPECT_EQ(Get<QLabel>(f, "current")->text(), QStringLiteral("0/0"));
}

TEST(FileToolWindows, MergerJoinsTheListInItsOrder) {
    auto w = uitest::StartForm();
    QWidget* f = uitest::OpenTool(w.get(), "CmdFileHeBing", "FrmHeBingFile");
    ASSERT_NE(f, nullptr);
    QTemporaryDir dir;
    const QString a = dir.filePath("a.txt");
    const QString b = dir.filePath("b.txt");
    ASSERT_TRUE(uitest::WriteBytes(a, "A"));
    ASSERT_TRUE(uitest::WriteBytes(b, "B"));
    uitest::AnswerNextFileDialog(a);
    Click(f, "CmdAdd");
    auto few = uitest::AcceptNextMessage();
    Click(f, "Command2");
    EXPECT_EQ(few->text, QStringLiteral("请添加要合并的文件"));
    uitest::AnswerNextFileDialog(b);
    Click(f, "CmdAdd");
    auto* list = Get<QListWidget>(f, "List1");
    list->setCurrentRow(1);
    Click(f, "CMDUP");  // b first now
    EXPECT_EQ(list->item(0)->text(), b);
    const QString out = dir.filePath("out.txt");
    Get<QLineEdit>(f, "Text1")->setText(out);
    Get<QComboBox>(f, "Combo1")->setCurrentIndex(1);  // 空行
    auto ok = uitest::AcceptNextMessage();
    Click(f, "Command2");
    EXPECT_EQ(ok->text, QStringLiteral("成功合并2个文件"));
    EXPECT_EQ(uitest::ReadBytes(out), QByteArray("B\r\n\r\nA\r\n\r\n\r\n"));
}

TEST(FileToolWindows, MergerAddsManyFilesFromOneDialogInTheOrderListed) {
    // A Chinese desktop's locale: its file dialog lists numbers by value.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    struct Restore {
        QLocale locale;
        ~Restore() { QLocale::setDefault(locale); }
    } restore{before};
    auto w = uitest::StartForm();
    QWidget* f = uitest::OpenTool(w.get(), "CmdFileHeBing", "FrmHeBingFile");
    ASSERT_NE(f, nullptr);
    QTemporaryDir dir;
    QStringList chosen;
    for (const char* name :
         {"第10章.txt", "第2章.txt", "第1章.txt", "序.txt", "Ab.txt", "aa.txt"}) {
        chosen << dir.filePath(QString::fromUtf8(name));
        ASSERT_TRUE(uitest::WriteBytes(chosen.last(), "x"));
    }
    uitest::AnswerNextFileDialog(dir.filePath("第1章.txt"));
    Click(f, "CmdAdd");  // one file, as before
    uitest::AnswerNextFileDialogWithFiles(chosen);
    Click(f, "CmdAdd");  // then six at once, after it
    auto* list = Get<QListWidget>(f, "List1");
    QStringList shown;
    for (int i = 0; i < list->count(); ++i) shown << QFileInfo(list->item(i)->text()).fileName();
    ASSERT_EQ(shown.size(), 7) << shown.join(' ').toStdString();
    EXPECT_EQ(shown.first(), QStringLiteral("第1章.txt"));
    // Numbers by value, letters without regard to case.
    const QStringList added = shown.mid(1);
    EXPECT_LT(added.indexOf("第1章.txt"), added.indexOf("第2章.txt"));
    EXPECT_LT(added.indexOf("第2章.txt"), added.indexOf("第10章.txt"));
    EXPECT_LT(added.indexOf("aa.txt"), added.indexOf("Ab.txt"));
    EXPECT_TRUE(added.contains("序.txt"));
    EXPECT_EQ(list->item(1)->text(), QDir(dir.path()).absoluteFilePath(added.first()));
    // Cancelled: nothing added.
    uitest::AnswerNextFileDialog(QString());
    Click(f, "CmdAdd");
    EXPECT_EQ(list->count(), 7);
}

TEST(FileToolWindows, MergerAsksWhenEncodingsDifferAndDoesWhatWasChosen) {
    auto w = uitest::StartForm();
    QWidget* f = uitest::OpenTool(w.get(), "CmdFileHeBing", "FrmHeBingFile");
    ASSERT_NE(f, nullptr);
    QTemporaryDir dir;
    const QString a = dir.filePath("a.txt");
    const QString b = dir.filePath("b.txt");
    ASSERT_TRUE(uitest::WriteBytes(a, GbkBytes(u"甲乙丙丁")));
    ASSERT_TRUE(uitest::WriteBytes(b, QStringLiteral("戊己庚辛").toUtf8()));
    for (const QString& p : {a, b}) {
        uitest::AnswerNextFileDialog(p);
        Click(f, "CmdAdd");
    }
    const QString out = dir.filePath("out.txt");
    Get<QLineEdit>(f, "Text1")->setText(out);
    // Asked first, naming the first file's encoding.
    auto asked = uitest::ClickInNextMessage("convertAll");
    auto ok = uitest::AcceptNextMessage();
    Click(f, "Command2");
    EXPECT_TRUE(asked->text.contains(QStringLiteral("GBK"))) << asked->text.toStdString();
    EXPECT_EQ(ok->text, QStringLiteral("成功合并2个文件"));
    // The separator chosen by default is a line break, in GBK too.
    EXPECT_EQ(uitest::ReadBytes(out), GbkBytes(u"甲乙丙丁\r\n戊己庚辛\r\n\r\n"));

    asked = uitest::ClickInNextMessage("joinAsIs");
    uitest::AcceptNextMessage();
    Click(f, "Command2");
    EXPECT_TRUE(asked->text.contains(QStringLiteral("GBK"))) << asked->text.toStdString();
    EXPECT_EQ(uitest::ReadBytes(out),
              GbkBytes(u"甲乙丙丁\r\n") + QStringLiteral("戊己庚辛").toUtf8() + "\r\n\r\n");
}

TEST(FileToolWindows, TextIntoFilesWritesRecordsAndReportsThoseItCannot) {
    auto w = uitest::StartForm();
    QWidget* f = uitest::OpenTool(w.get(), "CmdFileFenGe", "FrmFenGe");
    ASSERT_NE(f, nullptr);
    QTemporaryDir dir;
    const QString input = dir.filePath("records.txt");
    ASSERT_TRUE(uitest::WriteBytes(
        input, GbkBytes(u"第一章|内容一}\r\n第二章|内容二}\r\n坏/标题|内容}\r\n")));
    // ctest runs tests side by side, and the tool writes into the program's
    // own folder: the tests that use it take turns.
    QLockFile turn(QDir::tempPath() + QStringLiteral("/quillmere-records-test.lock"));
    ASSERT_TRUE(turn.lock());
    const QString folder = platform::ProgramFolder() + QStringLiteral("/生成目录");
    QDir(folder).removeRecursively();
    uitest::AnswerNextFileDialog(input);
    auto report = uitest::AcceptNextMessage();
    Click(f, "Command1");
    EXPECT_EQ(Get<QGroupBox>(f, "Frame1")->title(), QStringLiteral("3条记录"));
    EXPECT_EQ(Get<QListWidget>(f, "List1")->count(), 3);
    EXPECT_EQ(uitest::ReadBytes(folder + QStringLiteral("/第一章.txt")),
              GbkBytes(u"第一章|内容一\r\n"));
    EXPECT_EQ(uitest::ReadBytes(folder + QStringLiteral("/第二章.txt")),
              GbkBytes(u"第二章|内容二\r\n"));
    EXPECT_TRUE(report->text.contains(QStringLiteral("坏/标题"))) << report->text.toStdString();
    QDir(folder).removeRecursively();
}

// A file with LF line breaks: names without the break after each "}", the
// records not written named readably, and a last record without its "}" told.
TEST(FileToolWindows, TextIntoFilesWithLfBreaksAndAnUnclosedLastRecord) {
    auto w = uitest::StartForm();
    QWidget* f = uitest::OpenTool(w.get(), "CmdFileFenGe", "FrmFenGe");
    ASSERT_NE(f, nullptr);
    QTemporaryDir dir;
    const QString input = dir.filePath("records.txt");
    ASSERT_TRUE(uitest::WriteBytes(
        input,
        GbkBytes(u"第一章|内容一}\n第二章|内容二}\n|无标题}\n坏\n标题|x}\r第三章|没有结尾\n")));
    // ctest runs tests side by side, and the tool writes into the program's
    // own folder: the tests that use it take turns.
    QLockFile turn(QDir::tempPath() + QStringLiteral("/quillmere-records-test.lock"));
    ASSERT_TRUE(turn.lock());
    const QString folder = platform::ProgramFolder() + QStringLiteral("/生成目录");
    QDir(folder).removeRecursively();
    uitest::AnswerNextFileDialog(input);
    auto report = uitest::AcceptNextMessage();
    Click(f, "Command1");
    EXPECT_EQ(Get<QGroupBox>(f, "Frame1")->title(), QStringLiteral("4条记录"));
    // The file opens with its LF breaks as lines: a title that spans two
    // lines loses the break, as in a file with CR LF breaks.
    EXPECT_EQ(QDir(folder).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral("坏标题.txt"), QStringLiteral("第一章.txt"),
                           QStringLiteral("第二章.txt")}));
    EXPECT_EQ(uitest::ReadBytes(folder + QStringLiteral("/第二章.txt")),
              GbkBytes(u"第二章|内容二\r\n"));
    auto* list = Get<QListWidget>(f, "List1");
    ASSERT_EQ(list->count(), 4);
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("第二章"));
    EXPECT_EQ(list->item(2)->text(), QStringLiteral("（空标题）"));
    EXPECT_EQ(list->item(3)->text(), QStringLiteral("坏␍␊标题"));
    const QString& said = report->text;
    EXPECT_TRUE(said.contains(QStringLiteral("\n（空标题）\n"))) << said.toStdString();
    EXPECT_FALSE(said.contains(QStringLiteral("坏"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("“第三章”没有以“}”结尾"))) << said.toStdString();
    QDir(folder).removeRecursively();
}

// A name the rejoin batch file cannot hold is refused before any part is
// written, with the name shown readably.
TEST(FileToolWindows, SplitterRefusesANameWithALineBreak) {
    auto w = uitest::StartForm();
    QWidget* f = uitest::OpenTool(w.get(), "CmdFileFenGe2", "FenGe2");
    ASSERT_NE(f, nullptr);
    QTemporaryDir dir;
    const QString source = dir.filePath("a\ntouch pwned.bin");
    ASSERT_TRUE(uitest::WriteBytes(source, QByteArray(5000, 'q')));
    Get<QLineEdit>(f, "openfile")->setText(source);
    Get<QLineEdit>(f, "savefile")->setText(dir.filePath("part"));
    Get<QLineEdit>(f, "splsize")->setText(QStringLiteral("1"));
    auto refused = uitest::AcceptNextMessage();
    Click(f, "cmddoit");
    EXPECT_TRUE(refused->text.contains(QStringLiteral("a␊touch_pwned.bin")))
        << refused->text.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("a\ntouch pwned.bin")});
}
