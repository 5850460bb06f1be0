// Faults a hostile user found: full disks, commands reaching a half-built
// text, special files, settings files, closing the main window.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "UiTestSupport.h"
#include "core/encoding/Encoding.h"
#include "core/tools/Tidy.h"
#include "files/EncodedFile.h"
#include "files/TextFile.h"
#include "platform/Platform.h"
#include "settings/ModSetting.h"
#include "settings/PeiZhi.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"

using uitest::StartForm;

namespace {

using uitest::TopLevel;

using uitest::Action;
QPushButton* Button(QWidget& w, const char* name) {
    return w.findChild<QPushButton*>(QString::fromUtf8(name));
}
QStringList FilesIn(const QString& dir) {
    return QDir(dir).entryList(QDir::Files | QDir::System | QDir::Hidden);
}

}  // namespace

// ---- a full disk: nothing is lost, nothing is reported as saved ----

TEST(FullDisk, AtomicWriteFailsAndKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath("a.txt");
    ASSERT_TRUE(uitest::WriteBytes(path, "old contents"));
    files::Outcome w;
    {
        uitest::FileSizeLimit limit(64);
        // Short enough to sit in QSaveFile's buffer until commit.
        w = files::WriteFileAtomic(path, std::string(1000, 'x'));
    }
    EXPECT_FALSE(w.ok);
    EXPECT_FALSE(w.why.isEmpty());
    EXPECT_EQ(uitest::ReadBytes(path), QByteArray("old contents"));
    EXPECT_EQ(FilesIn(dir.path()), QStringList{"a.txt"});  // no temporary file left
}

TEST(FullDisk, SettingsSaveKeepsTheFileAndSaysSo) {
    const QString path = ModSetting::SettingsPath(u"满盘测试.ini");
    const QByteArray old = QByteArray::fromStdString(
        qm::enc::Encode(u"#本配置文件由程序自动生成,请勿自行修改。\r\n删除行 = 旧\r\n",
                        qm::enc::Encoding::Gbk)
            .bytes);
    ASSERT_TRUE(uitest::WriteBytes(path, old));
    files::Outcome saved;
    {
        uitest::FileSizeLimit limit(old.size() + 8);
        const std::u16string text(40, u'新');
        saved = 配置::SaveRuleTexts(path, {text, text, text, text, text, text});
    }
    EXPECT_FALSE(saved.ok);
    EXPECT_EQ(uitest::ReadBytes(path), old);  // neither emptied nor deleted
    QFile::remove(path);
}

TEST(FullDisk, MainWindowSaveReportsTheFailure) {
    auto w = StartForm();
    QTemporaryDir dir;
    const QString out = dir.filePath("out.txt");
    ASSERT_TRUE(uitest::WriteBytes(out, "keep me"));
    w->Doc().SetText(std::u16string(500, u'字'));
    uitest::AnswerNextFileDialog(out);
    uitest::ConfirmNextOverwrite();
    auto msg = uitest::AcceptNextMessage();
    {
        uitest::FileSizeLimit limit(100);
        Action(w.get(), "mnusave")->trigger();
    }
    EXPECT_TRUE(msg->seen);
    EXPECT_EQ(msg->title, QStringLiteral("提示"));
    EXPECT_TRUE(msg->text.contains(QStringLiteral("无法保存"))) << msg->text.toStdString();
    EXPECT_EQ(uitest::ReadBytes(out), QByteArray("keep me"));
}

TEST(FullDisk, ReplacementTableSaveIsNotReportedAsSuccess) {
    auto w = StartForm();
    Button(*w, "CmdTiHuanBiao")->click();
    QWidget* table = TopLevel(QStringLiteral("替换表"));
    ASSERT_NE(table, nullptr);
    table->findChild<QLineEdit*>("Text1")->setText(QString(200, QChar(u'甲')));
    table->findChild<QLineEdit*>("Text2")->setText(QStringLiteral("乙"));
    Button(*table, "CmdEdit")->click();
    QTemporaryDir dir;
    const QString out = dir.filePath("table.txt");
    ASSERT_TRUE(uitest::WriteBytes(out, "a|b\r\n"));
    uitest::AnswerNextFileDialog(out);
    uitest::ConfirmNextOverwrite();
    auto msg = uitest::AcceptNextMessage();
    {
        uitest::FileSizeLimit limit(50);
        Button(*table, "CmdSave")->click();
    }
    EXPECT_TRUE(msg->seen);
    EXPECT_NE(msg->text, QStringLiteral("保存成功"));
    EXPECT_EQ(uitest::ReadBytes(out), QByteArray("a|b\r\n"));
}

// ---- special files: refused at once, read to their end, never replaced ----

TEST(SpecialFiles, ReadingANamedPipeIsRefusedWithoutWaiting) {
    QTemporaryDir dir;
    uitest::NamedPipe pipe(dir.filePath("pipe.txt"));
    ASSERT_TRUE(pipe.Made());
    const files::TextReadResult r = files::ReadTextFile(dir.filePath("pipe.txt"));
    EXPECT_FALSE(pipe.Rescued());  // blocking on it would have needed the rescue
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.why.contains(QStringLiteral("不是普通文件"))) << r.why.toStdString();
}

TEST(SpecialFiles, FilesWhoseSizeSaysNothingAreReadToTheEnd) {
    // /proc files report a size of 0 and hold text all the same.
    std::string bytes;
    ASSERT_TRUE(files::ReadBytes(QStringLiteral("/proc/self/status"), bytes).ok);
    EXPECT_NE(bytes.find("Name:"), std::string::npos);
    // sysfs files report 4096 and hold a few bytes.
    const QString sys = QStringLiteral("/sys/devices/system/cpu/online");
    if (QFileInfo(sys).isReadable()) {
        const files::Outcome r = files::ReadBytes(sys, bytes);
        EXPECT_TRUE(r.ok) << r.why.toStdString();
        EXPECT_FALSE(bytes.empty());
        EXPECT_LT(bytes.size(), 4096u);
    }
}

TEST(SpecialFiles, SavingOntoAPipeOrADeviceLeavesItInPlace) {
    QTemporaryDir dir;
    const QString pipePath = dir.filePath("pipe.txt");
    uitest::NamedPipe pipe(pipePath);
    ASSERT_TRUE(pipe.Made());
    const files::Outcome w = files::WriteFileAtomic(pipePath, "text");
    EXPECT_FALSE(w.ok);
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(pipePath).constData(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // A device node of the test's own (the numbers of /dev/null); needs root.
    const QByteArray dev = QFile::encodeName(dir.filePath("null.txt"));
    if (::mknod(dev.constData(), S_IFCHR | 0600, makedev(1, 3)) != 0) {
        GTEST_SKIP() << "cannot make a device node here";
    }
    EXPECT_FALSE(files::WriteFileAtomic(QFile::decodeName(dev), "text").ok);
    ASSERT_EQ(::stat(dev.constData(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
}

TEST(SpecialFiles, SavingKeepsPermissionsAndWritesThroughALink) {
    QTemporaryDir dir;
    const QString target = dir.filePath("real.txt");
    ASSERT_TRUE(uitest::WriteBytes(target, "old"));
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    const QString link = dir.filePath("link.txt");
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(files::WriteFileAtomic(link, "new").ok);
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(uitest::ReadBytes(target), QByteArray("new"));
    const QFile::Permissions ownerGroupOther(0xF0FF);
    EXPECT_EQ(QFile::permissions(target) & ownerGroupOther,
              QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
}

namespace {

// A named pipe chosen in a file dialog: refused at once, with a message,
// and the main window's text kept.
struct PipeCase {
    const char* name;
    friend void PrintTo(const PipeCase& c, std::ostream* os) { *os << c.name; }
    bool inProgramFolder;  // settings files are looked for there
    const char* file;
    void (*choose)(Form1& w);  // opens the dialog the pipe is chosen in
    const char* saying;        // a part of the message, or nothing to check
};

const PipeCase kPipes[] = {
    {"OpenedInTheMainWindow", false, "pipe.txt", [](Form1& w) { Action(&w, "mnuopen")->trigger(); },
     "不是普通文件"},
    {"ImportedIntoTheReplacementTable", false, "pipe.txt",
     [](Form1& w) {
         Button(w, "CmdTiHuanBiao")->click();
         QWidget* table = TopLevel(QStringLiteral("替换表"));
         ASSERT_NE(table, nullptr);
         Button(*table, "CmdDaoRu")->click();
     },
     nullptr},
    {"OpenedAsASettingsFile", true, "管道测试.ini",
     [](Form1& w) { Action(&w, "MnuOpenPEIzhi")->trigger(); }, nullptr},
};

class PipeChosen : public ::testing::TestWithParam<PipeCase> {};

TEST_P(PipeChosen, IsRefusedWithoutWaiting) {
    const PipeCase& c = GetParam();
    auto w = StartForm();
    w->Doc().SetText(u"kept");
    w->History().MarkSaved();  // nothing to ask about before opening
    QTemporaryDir dir;
    const QString folder = c.inProgramFolder ? platform::ProgramFolder() : dir.path();
    const QString path = folder + QLatin1Char('/') + QString::fromUtf8(c.file);
    QFile::remove(path);
    uitest::NamedPipe pipe(path);
    ASSERT_TRUE(pipe.Made());
    uitest::AnswerNextFileDialog(path);
    auto msg = uitest::AcceptNextMessage();
    c.choose(*w);
    EXPECT_FALSE(pipe.Rescued());
    EXPECT_TRUE(msg->seen);
    if (c.saying) {
        EXPECT_TRUE(msg->text.contains(QString::fromUtf8(c.saying))) << msg->text.toStdString();
    }
    EXPECT_EQ(w->Doc().Text(), u"kept");
}

INSTANTIATE_TEST_SUITE_P(SpecialFiles, PipeChosen, ::testing::ValuesIn(kPipes),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

TEST(SpecialFiles, FileDialogStaysResponsiveBesideAPipe) {
    auto w = StartForm();
    QTemporaryDir dir;
    ASSERT_TRUE(uitest::WriteBytes(dir.filePath("a.txt"), "a"));
    uitest::NamedPipe pipe(dir.filePath("b.txt"));
    ASSERT_TRUE(pipe.Made());
    qint64 shownFor = -1;
    uitest::OnNextModal([&](QWidget* m) {
        auto* dialog = qobject_cast<QFileDialog*>(m);
        ASSERT_NE(dialog, nullptr);
        // The detail view shows each file's type, which Qt guesses from content.
        dialog->setViewMode(QFileDialog::Detail);
        dialog->setDirectory(dir.path());
        dialog->selectFile(dir.filePath("b.txt"));
        QElapsedTimer clock;
        clock.start();
        // The folder's listing and its icons and types are filled in meanwhile.
        QTest::qWait(1000);
        shownFor = clock.elapsed();
        dialog->reject();
    });
    Action(w.get(), "mnuopen")->trigger();
    EXPECT_FALSE(pipe.Rescued());
    EXPECT_GE(shownFor, 0);
}

// ---- one long command at a time ----

// Fires every command at the window while "段落间加空行" rebuilds a long text:
// none may reach the half-built text, open a dialog or write a file.
TEST(CommandGate, CommandsWaitWhileALongCommandRuns) {
    auto w = StartForm();
    std::u16string text;
    for (int i = 0; i < 100000; ++i) text += u"第" + std::u16string(1, u'0' + i % 10) + u"行\r\n";
    w->Doc().SetText(text);
    Button(*w, "CmdTiHuanBiao")->click();
    QWidget* table = TopLevel(QStringLiteral("替换表"));
    ASSERT_NE(table, nullptr);
    table->findChild<QLineEdit*>("Text1")->setText(QStringLiteral("行"));
    table->findChild<QLineEdit*>("Text2")->setText(QStringLiteral("列"));
    Button(*table, "CmdEdit")->click();
    QApplication::clipboard()->setText(QStringLiteral("粘贴"));
    w->activateWindow();
    w->Box()->setFocus();

    const char* actions[] = {"mnusave", "MnuSaveNeiRong", "mnuopen",   "mnunew",      "mnupaste",
                             "mnucut",  "mnudelete",      "日期",      "时间",        "mnuUndo",
                             "mnuRedo", "mnufind",        "TiaoZhuan", "去除所有数字"};
    int fired = 0;
    int dialogs = 0;
    // A dialog opened by a command blocks the timer that fired it: a second
    // timer closes it, so that the test ends even when the gate fails.
    QTimer closer;
    closer.setInterval(0);
    QObject::connect(&closer, &QTimer::timeout, [&] {
        if (QWidget* m = QApplication::activeModalWidget()) {
            ++dialogs;
            m->close();
        }
    });
    QTimer attacker;
    attacker.setInterval(0);
    QObject::connect(&attacker, &QTimer::timeout, [&] {
        ++fired;
        for (const char* name : actions) Action(w.get(), name)->trigger();
        Button(*table, "Command1")->click();
        Button(*w, "CmdZhiXing")->click();
        Button(*w, "CmdHeBingHang")->click();
        QTest::keyClicks(w->Box(), "x");
    });
    closer.start();
    attacker.start();
    Button(*w, "CmdKongYiHang")->click();
    attacker.stop();
    closer.stop();

    ASSERT_GT(fired, 0) << "the command never yielded";
    EXPECT_EQ(dialogs, 0);
    std::u16string expected;
    qm::tidy::EmptyLineAfterEveryLine(text, [&](std::u16string_view c) { expected += c; });
    EXPECT_TRUE(w->Doc().Text() == expected);
    // Once it is done, commands work again.
    Action(w.get(), "mnuUndo")->trigger();
    EXPECT_NE(w->Doc().Text(), expected);
}

// ---- closing the main window ends the program ----

TEST(Closing, MainWindowTakesItsToolWindowsWithIt) {
    auto w = StartForm();
    Button(*w, "CmdTiHuanBiao")->click();
    Button(*w, "CmdTongJiGeShu")->click();
    Action(w.get(), "TiaoZhuan")->trigger();
    QPointer<QWidget> table = TopLevel(QStringLiteral("替换表"));
    QPointer<QWidget> stats = TopLevel(QStringLiteral("FrmTongJi"));
    QPointer<QWidget> goTo = TopLevel(QStringLiteral("frmGoTo"));
    ASSERT_TRUE(table && stats && goTo);
    EXPECT_TRUE(w->close());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // No window is left open, so Qt ends the program (as the last window closed).
    for (QWidget* top : QApplication::topLevelWidgets()) {
        EXPECT_FALSE(top->isVisible()) << top->objectName().toStdString();
    }
    EXPECT_TRUE(table.isNull());
    EXPECT_TRUE(stats.isNull());
    EXPECT_TRUE(goTo.isNull());
}

TEST(Closing, AToolWindowLeftOpenDoesNotOutliveTheMainWindow) {
    QPointer<QWidget> table;
    {
        auto w = StartForm();
        Button(*w, "CmdTiHuanBiao")->click();
        table = TopLevel(QStringLiteral("替换表"));
        ASSERT_FALSE(table.isNull());
    }
    EXPECT_TRUE(table.isNull());  // it refers to the main window's document
}

// ---- settings files ----

TEST(SettingsMenu, ANameWithABackslashIsTakenWhole) {
    auto w = StartForm();
    const QString folder = platform::ProgramFolder();
    const QString name = QStringLiteral("规则\\副本.ini");
    QFile::remove(folder + "/" + name);
    QFile::remove(folder + QStringLiteral("/副本.ini"));
    w->findChild<QLineEdit*>("TxtBaoHan")->setText(QStringLiteral("广告"));
    uitest::AnswerNextFileDialog(folder + "/" + name);
    Action(w.get(), "MnuSaveINI")->trigger();
    EXPECT_TRUE(QFileInfo::exists(folder + "/" + name));
    EXPECT_FALSE(QFileInfo::exists(folder + QStringLiteral("/副本.ini")));
    QFile::remove(folder + "/" + name);
}

TEST(SettingsMenu, UnencodableFieldsAskFirstAndFailuresAreReported) {
    auto w = StartForm();
    const QString path = platform::ProgramFolder() + QStringLiteral("/表情测试.ini");
    QFile::remove(path);
    w->findChild<QLineEdit*>("TxtBeiTiHuan")->setText(QStringLiteral("笑\U0001F600"));
    uitest::AnswerNextFileDialog(path);
    QString question;
    uitest::OnNextModal([&](QWidget* m) {
        auto* box = qobject_cast<QMessageBox*>(m);
        ASSERT_NE(box, nullptr);
        question = box->text();
        box->button(QMessageBox::No)->click();
    });
    Action(w.get(), "MnuSaveINI")->trigger();
    EXPECT_TRUE(question.contains(QStringLiteral("GBK"))) << question.toStdString();
    EXPECT_FALSE(QFileInfo::exists(path));  // "否" writes nothing

    w->findChild<QLineEdit*>("TxtBeiTiHuan")->setText(QString(100, QChar(u'长')));
    uitest::AnswerNextFileDialog(path);
    auto msg = uitest::AcceptNextMessage();
    {
        uitest::FileSizeLimit limit(40);
        Action(w.get(), "MnuSaveINI")->trigger();
    }
    EXPECT_TRUE(msg->seen);
    EXPECT_TRUE(msg->text.contains(QStringLiteral("无法保存配置文件"))) << msg->text.toStdString();
    QFile::remove(path);
}
