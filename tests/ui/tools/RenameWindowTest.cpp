// Batch renaming on disk: the window from its button to the undo, and a
// rename that fails midway put back.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <fstream>

#include "UiTestSupport.h"
#include "files/RenameFiles.h"
#include "ui/main/Form1.h"

namespace {

using uitest::Get;

// The folder's names with their contents, to see that no file was lost or mixed up.
QStringList Contents(const QString& folder) {
    QStringList out;
    QDir d(folder);
    for (const QString& n : d.entryList(QDir::Files | QDir::Hidden, QDir::Name))
        out << n + QLatin1Char('=') + QString::fromUtf8(uitest::ReadBytes(d.filePath(n)));
    return out;
}

void Make(const QString& folder, const QStringList& names) {
    for (const QString& n : names)
        ASSERT_TRUE(uitest::WriteBytes(QDir(folder).filePath(n), n.toUtf8()));
}

}  // namespace

TEST(RenameFiles, AFailureMidwayPutsBackWhatWasDone) {
    QTemporaryDir dir;
    Make(dir.path(), {"1.txt", "2.txt", "3.txt"});
    const QStringList before = Contents(dir.path());
    auto listing = files::ListFolder(dir.path(), QStringLiteral("*.txt"));
    ASSERT_TRUE(listing.ok);
    qm::rename::Rules r;
    r.number = qm::rename::NumberPlace::WholeName;
    r.start = 2;  // 1 → 2, 2 → 3, 3 → 4: through temporary names
    const auto plan = qm::rename::MakePlan(listing.files, r, listing.everything);
    const auto moves = qm::rename::Moves(plan, listing.everything);
    ASSERT_EQ(moves.size(), 6u);
    // Every step may fail: each time, the folder is as it was.
    for (std::size_t failAt = 0; failAt < moves.size(); ++failAt) {
        std::size_t calls = 0;
        const auto outcome =
            files::ApplyMoves(dir.path(), moves, [&](const QString& from, const QString& to) {
                return calls++ == failAt ? EACCES : files::RenameNoReplace(from, to);
            });
        EXPECT_FALSE(outcome.ok);
        EXPECT_TRUE(outcome.notRestored.isEmpty());
        EXPECT_FALSE(outcome.why.isEmpty());
        EXPECT_EQ(Contents(dir.path()), before) << failAt;
    }
    // A real failure: a source gone since the preview.
    ASSERT_TRUE(QFile::remove(dir.filePath("3.txt")));
    const auto outcome = files::ApplyMoves(dir.path(), moves);
    EXPECT_FALSE(outcome.ok);
    EXPECT_TRUE(outcome.why.contains(QStringLiteral("3.txt")));
    EXPECT_EQ(Contents(dir.path()), (QStringList{"1.txt=1.txt", "2.txt=2.txt"}));
    // And all of it when nothing fails.
    Make(dir.path(), {"3.txt"});
    EXPECT_TRUE(files::ApplyMoves(dir.path(), moves).ok);
    EXPECT_EQ(Contents(dir.path()), (QStringList{"2.txt=1.txt", "3.txt=2.txt", "4.txt=3.txt"}));
}

TEST(RenameFiles, NeverRenamesOverAnExistingFile) {
    QTemporaryDir dir;
    Make(dir.path(), {"a", "b"});
    EXPECT_EQ(files::RenameNoReplace(dir.filePath("a"), dir.filePath("b")), EEXIST);
    EXPECT_EQ(Contents(dir.path()), (QStringList{"a=a", "b=b"}));
}

TEST(RenameWindow, PreviewsRefusesCollisionsRenamesAndUndoes) {
    auto w = uitest::StartForm();
    w->findChild<QPushButton*>("CmdFileGaiMing")->click();
    QWidget* f = uitest::TopLevel(QStringLiteral("FrmGaiMing"));
    ASSERT_NE(f, nullptr);
    QTemporaryDir dir;
    Make(dir.path(), {"第10章.txt", "第2章.txt", "第1章.txt", "说明.doc", ".隐藏"});
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("章节2.txt")));
    const QStringList before = Contents(dir.path());

    // The folder comes from a file chosen in it.
    uitest::AnswerNextFileDialog(dir.filePath(QStringLiteral("说明.doc")));
    Get<QPushButton>(f, "CmdLiuLan")->click();
    EXPECT_EQ(Get<QLineEdit>(f, "TxtFolder")->text(), QDir::toNativeSeparators(dir.path()));
    auto* preview = Get<QTreeWidget>(f, "LstYuLan");
    ASSERT_EQ(preview->topLevelItemCount(), 4) << "hidden files are left out";
    EXPECT_EQ(preview->topLevelItem(0)->text(0), QStringLiteral("第1章.txt")) << "natural order";
    EXPECT_EQ(preview->topLevelItem(2)->text(0), QStringLiteral("第10章.txt"));

    Get<QLineEdit>(f, "TxtFilter")->setText(QStringLiteral("*.txt"));
    emit Get<QLineEdit>(f, "TxtFilter")->editingFinished();
    ASSERT_EQ(preview->topLevelItemCount(), 3);

    // Find and replace in the name, and a suffix before the extension.
    Get<QLineEdit>(f, "TxtChaZhao")->setText(QStringLiteral("第"));
    Get<QLineEdit>(f, "TxtHouZhui")->setText(QStringLiteral("X"));
    Get<QPushButton>(f, "CmdYuLan")->click();
    EXPECT_EQ(preview->topLevelItem(0)->text(1), QStringLiteral("1章X.txt"));
    EXPECT_EQ(preview->topLevelItem(0)->text(2), QStringLiteral("将改名"));
    Get<QLineEdit>(f, "TxtChaZhao")->clear();
    Get<QLineEdit>(f, "TxtHouZhui")->clear();

    // 章节1, 章节2, 章节3: "章节2.txt" is a folder already there.
    Get<QLineEdit>(f, "TxtQianZhui")->setText(QStringLiteral("章节"));
    Get<QCheckBox>(f, "ChkBianHao")->setChecked(true);
    Get<QComboBox>(f, "CboWeiZhi")->setCurrentIndex(2);  // the number is the name
    Get<QSpinBox>(f, "SpnQiShi")->setValue(1);
    Get<QSpinBox>(f, "SpnBuChang")->setValue(1);
    Get<QSpinBox>(f, "SpnWeiShu")->setValue(1);
    Get<QPushButton>(f, "CmdYuLan")->click();
    EXPECT_EQ(preview->topLevelItem(1)->text(1), QStringLiteral("章节2.txt"));
    EXPECT_EQ(preview->topLevelItem(1)->text(2), QStringLiteral("已有同名文件"));
    auto msg = uitest::AcceptNextMessage();
    Get<QPushButton>(f, "CmdGaiMing")->click();
    EXPECT_TRUE(msg->text.contains(QStringLiteral("没有改名任何文件"))) << msg->text.toStdString();
    EXPECT_EQ(Contents(dir.path()), before);

    // Numbered from 5 in steps of 5, three digits: no clash, renamed.
    Get<QSpinBox>(f, "SpnQiShi")->setValue(5);
    Get<QSpinBox>(f, "SpnBuChang")->setValue(5);
    Get<QSpinBox>(f, "SpnWeiShu")->setValue(3);
    Get<QPushButton>(f, "CmdYuLan")->click();
    uitest::AnswerNextMessage(QMessageBox::Yes);
    Get<QPushButton>(f, "CmdGaiMing")->click();
    EXPECT_EQ(Contents(dir.path()),
              (QStringList{".隐藏=.隐藏", "章节005.txt=第1章.txt", "章节010.txt=第2章.txt",
                           "章节015.txt=第10章.txt", "说明.doc=说明.doc"}));
    EXPECT_EQ(Get<QLabel>(f, "LblZhuangTai")->text(), QStringLiteral("已改名 3 个文件。"));

    auto* undo = Get<QPushButton>(f, "CmdCheXiao");
    ASSERT_TRUE(undo->isEnabled());
    undo->click();
    EXPECT_EQ(Contents(dir.path()), before);
    EXPECT_FALSE(undo->isEnabled());
}

TEST(RenameWindow, TwoTargetsWithOneNameAreRefused) {
    auto w = uitest::StartForm();
    w->findChild<QPushButton*>("CmdFileGaiMing")->click();
    QWidget* f = uitest::TopLevel(QStringLiteral("FrmGaiMing"));
    ASSERT_NE(f, nullptr);
    QTemporaryDir dir;
    Make(dir.path(), {"a.txt", "a.log"});
    const QStringList before = Contents(dir.path());
    Get<QLineEdit>(f, "TxtFolder")->setText(dir.path());
    emit Get<QLineEdit>(f, "TxtFolder")->returnPressed();
    Get<QCheckBox>(f, "ChkKuoZhanMing")->setChecked(true);
    Get<QLineEdit>(f, "TxtKuoZhanMing")->setText(QStringLiteral("md"));
    Get<QPushButton>(f, "CmdYuLan")->click();
    auto* preview = Get<QTreeWidget>(f, "LstYuLan");
    ASSERT_EQ(preview->topLevelItemCount(), 2);
    EXPECT_EQ(preview->topLevelItem(0)->text(2), QStringLiteral("与其他新名称重复"));
    auto msg = uitest::AcceptNextMessage();
    Get<QPushButton>(f, "CmdGaiMing")->click();
    EXPECT_TRUE(msg->seen);
    EXPECT_EQ(Contents(dir.path()), before);

    // A folder that is not there.
    Get<QLineEdit>(f, "TxtFolder")->setText(dir.filePath("没有这个"));
    msg = uitest::AcceptNextMessage();
    emit Get<QLineEdit>(f, "TxtFolder")->returnPressed();
    EXPECT_TRUE(msg->text.contains(QStringLiteral("文件夹不存在"))) << msg->text.toStdString();
}

TEST(RenameFiles, AFileWithAGbkNameIsListedAndRenamed) {
    QTemporaryDir dir;
    std::ofstream(dir.path().toStdString() + "/\xB5\xDA.txt") << "x";  // 第, in GBK
    const auto listing = files::ListFolder(dir.path(), QStringLiteral("*.TXT"));
    ASSERT_EQ(listing.files.size(), 1u);
    const QString name = dir.filePath(QString::fromStdU16String(listing.files[0]));
    EXPECT_EQ(files::RenameNoReplace(name, dir.filePath("1.txt")), 0);
    EXPECT_EQ(Contents(dir.path()), QStringList{"1.txt=x"});
}
