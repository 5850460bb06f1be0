// The menu "小说" end to end: re-flow with its question, the chapter panel,
// the two layouts, each one undo step, on a file as it was opened.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include "UiTestSupport.h"
#include "core/document/Document.h"
#include "ui/main/Form1.h"
#include "ui/tools/FrmJingHua.h"

namespace {

using uitest::Trigger;

// Two indented paragraphs hard-wrapped at 12 characters, a heading between them.
const std::u16string kWrapped =
    u"第一章 出山\r\n"
    u"　　却说那老者听了这话，\r\n"
    u"心中十分欢喜，便请他们进\r\n"
    u"了屋里坐下。\r\n"
    u"第二章 下山\r\n"
    u"　　次日天明，众人收拾行\r\n"
    u"李，辞别了老者，一路往西\r\n"
    u"去了。";
const std::u16string kFlowed =
    u"第一章 出山\r\n"
    u"　　却说那老者听了这话，心中十分欢喜，便请他们进了屋里坐下。\r\n"
    u"第二章 下山\r\n"
    u"　　次日天明，众人收拾行李，辞别了老者，一路往西去了。";

std::u16string Book() {
    std::u16string t = u"第一卷 上\r\n";
    for (int c : {1, 2, 4}) {  // chapter 3 is missing
        t += u"第" + QString::number(c).toStdU16String() + u"章 标题\r\n";
        t += u"　　正文一段。\r\n";
    }
    t += u"第二卷 下\r\n第1章 又一卷\r\n　　正文。\r\n";
    return t;
}

}  // namespace

TEST(NovelMenu, ReflowTellsWhatItWillDoThenJoinsAsOneUndoStep) {
    auto w = uitest::StartForm();
    w->Doc().SetText(kWrapped);

    auto said = uitest::AnswerNextQuestion(QMessageBox::No);
    Trigger(w.get(), "mnuReflow");
    EXPECT_TRUE(said->contains(QStringLiteral("将合并 4 处折行，保留 3 处分段")))
        << said->toStdString();
    EXPECT_TRUE(w->Doc().Text() == kWrapped) << "answered 否: nothing changes";

    uitest::AnswerNextQuestion(QMessageBox::Yes);
    Trigger(w.get(), "mnuReflow");
    EXPECT_TRUE(w->Doc().Text() == kFlowed)
        << QString::fromStdU16String(w->Doc().Text()).toStdString();

    // Already flowed: said so, nothing asked, nothing changed.
    auto msg = uitest::AcceptNextMessage();
    Trigger(w.get(), "mnuReflow");
    EXPECT_TRUE(msg->text.contains(QStringLiteral("没有需要合并的折行")));

    Trigger(w.get(), "mnuUndo");
    EXPECT_TRUE(w->Doc().Text() == kWrapped);
}

TEST(NovelMenu, IndentAndBlankLinesAreEachOneUndoStep) {
    auto w = uitest::StartForm();
    const std::u16string text = u"第一章 开始\r\n段落一。\r\n\r\n\r\n  段落二。\r\n段落三。";
    w->Doc().SetText(text);
    Trigger(w.get(), "mnuIndent");
    const std::u16string indented = w->Doc().Text();
    EXPECT_TRUE(indented == u"第一章 开始\r\n　　段落一。\r\n\r\n\r\n　　段落二。\r\n　　段落三。")
        << QString::fromStdU16String(indented).toStdString();
    Trigger(w.get(), "mnuBlankLines");
    EXPECT_TRUE(w->Doc().Text() ==
                u"第一章 开始\r\n\r\n　　段落一。\r\n\r\n　　段落二。\r\n\r\n　　段落三。")
        << QString::fromStdU16String(w->Doc().Text()).toStdString();
    Trigger(w.get(), "mnuUndo");
    EXPECT_TRUE(w->Doc().Text() == indented);
    Trigger(w.get(), "mnuUndo");
    EXPECT_TRUE(w->Doc().Text() == text);
}

TEST(NovelMenu, ScrubAsksThenCleansAsOneUndoStep) {
    auto w = uitest::StartForm();
    const std::u16string text = u"他\u200B说&quot;好&quot;</p>";
    w->Doc().SetText(text);
    uitest::AnswerNextQuestion(QMessageBox::Yes);
    Trigger(w.get(), "mnuScrub");
    EXPECT_TRUE(w->Doc().Text() == u"他说\"好\"");
    Trigger(w.get(), "mnuUndo");
    EXPECT_TRUE(w->Doc().Text() == text);
}

TEST(NovelMenu, ChapterPanelListsVolumesAndProblemsAndGoesToAHeading) {
    auto w = uitest::StartForm();
    w->Doc().SetText(Book());
    Trigger(w.get(), "mnuChapters");
    auto* panel = w->findChild<QDockWidget*>(QStringLiteral("FrmMuLu"));
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    // The panel takes its room from the text, not from the command column.
    QCoreApplication::processEvents();
    QWidget* column = w->findChild<QWidget*>(QStringLiteral("CommandColumn"));
    ASSERT_NE(column, nullptr);
    EXPECT_LE(column->geometry().right(), w->centralWidget()->width());
    EXPECT_GT(column->width(), 50);
    auto* tree = uitest::Get<QTreeWidget>(panel, "TreeMuLu");
    auto* problems = uitest::Get<QListWidget>(panel, "LstWenTi");
    ASSERT_EQ(tree->topLevelItemCount(), 2);  // the two volumes
    EXPECT_EQ(tree->topLevelItem(0)->text(0), QStringLiteral("第一卷 上"));
    ASSERT_EQ(tree->topLevelItem(0)->childCount(), 3);
    EXPECT_EQ(tree->topLevelItem(1)->childCount(), 1);
    // The gap is told; the restart under the second volume is no fault.
    ASSERT_EQ(problems->count(), 1);
    EXPECT_TRUE(problems->item(0)->text().startsWith(QStringLiteral("第6行")))
        << problems->item(0)->text().toStdString();

    QTreeWidgetItem* fourth = tree->topLevelItem(0)->child(2);
    emit tree->itemClicked(fourth, 0);
    EXPECT_TRUE(w->Doc().SelText() == u"第4章 标题");

    // Lines put in above: the panel follows the text once typing pauses, and
    // a click before that finds the heading moved rather than a wrong line.
    w->Doc().SetSelection(0, 0, qm::EditSource::Program);
    w->Doc().SetSelText(u"书名\r\n作者\r\n");
    emit tree->itemClicked(tree->topLevelItem(0)->child(2), 0);
    fourth = tree->topLevelItem(0)->child(2);
    emit tree->itemClicked(fourth, 0);
    EXPECT_TRUE(w->Doc().SelText() == u"第4章 标题");
    EXPECT_EQ(w->Doc().SelStart(), static_cast<std::int32_t>(Book().find(u"第4章") + 8));

    emit problems->itemClicked(problems->item(0));
    EXPECT_TRUE(w->Doc().SelText() == u"第4章 标题");
}

TEST(NovelMenu, AReflowedUtf8FileIsSavedBackAsUtf8WithItsLineBreaks) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("书.txt"));
    QString lf = QString::fromStdU16String(kWrapped);
    lf.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    ASSERT_TRUE(uitest::WriteBytes(path, lf.toUtf8()));
    auto w = uitest::StartForm();
    w->OpenPath(path);
    ASSERT_TRUE(w->Doc().Text() == kWrapped);
    uitest::AnswerNextQuestion(QMessageBox::Yes);
    Trigger(w.get(), "mnuReflow");
    uitest::AnswerNextFileDialog(path);
    uitest::ConfirmNextOverwrite();
    Trigger(w.get(), "mnusave");
    QString expected = QString::fromStdU16String(kFlowed);
    expected.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    EXPECT_EQ(uitest::ReadBytes(path), expected.toUtf8());
}

TEST(NovelMenu, PurgeListsEveryHitCheckedAndRemovesTheCheckedOnesAsOneStep) {
    auto w = uitest::StartForm();
    const std::u16string text =
        u"第一章 开端\r\n"
        u"　　他打开手机阅读新闻，网站上说今天有雨。最新章节请访问 ｗｗｗ．ｂｉｑｕｇｅ．ｃｃ\r\n"
        u"w w w . x i a o s h u o . c o m\r\n"
        u"　　雨果然下了起来。";
    w->Doc().SetText(text);
    Trigger(w.get(), "mnuPurge");
    QWidget* f = uitest::TopLevel(QStringLiteral("FrmJingHua"));
    ASSERT_NE(f, nullptr);
    auto* list = uitest::Get<QTreeWidget>(f, "LstJingHua");
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("2"));
    EXPECT_EQ(list->topLevelItem(1)->text(0), QStringLiteral("3"));
    EXPECT_EQ(list->topLevelItem(0)->checkState(0), Qt::Checked);

    // Only the checked hit goes; the prose around it stays as it was.
    list->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    uitest::Click(f, "CmdZhiXing");
    EXPECT_TRUE(w->Doc().Text() ==
                u"第一章 开端\r\n"
                u"　　他打开手机阅读新闻，网站上说今天有雨。\r\n"
                u"w w w . x i a o s h u o . c o m\r\n"
                u"　　雨果然下了起来。")
        << QString::fromStdU16String(w->Doc().Text()).toStdString();
    EXPECT_EQ(list->topLevelItemCount(), 1) << "listed again";
    Trigger(w.get(), "mnuUndo");
    EXPECT_TRUE(w->Doc().Text() == text);
    // A nickname repeated in every chapter is only a suspect: listed, unchecked.
    const std::u16string ch = u"章 来了\r\n　　「及时雨」宋江来了。\r\n";
    w->Doc().SetText(u"第一" + ch + u"第二" + ch + u"第三" + ch + u"第四" + ch);
    uitest::Click(f, "CmdShuaXin");
    ASSERT_EQ(list->topLevelItemCount(), 4);
    EXPECT_EQ(list->topLevelItem(0)->checkState(0), Qt::Unchecked);
    EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("可能是水印"));
    f->close();
}

TEST(NovelMenu, TheUsersOwnRulesAreEditedCheckedAndUsed) {
    auto w = uitest::StartForm();
    w->Doc().SetText(u"　　正文一段。【某某书友会】\r\n　　正文二段。");
    Trigger(w.get(), "mnuPurge");
    QWidget* f = uitest::TopLevel(QStringLiteral("FrmJingHua"));
    ASSERT_NE(f, nullptr);
    auto* list = uitest::Get<QTreeWidget>(f, "LstJingHua");
    const int before = list->topLevelItemCount();

    // A bad rule is told and the editor stays open; then a good list is saved.
    auto told = std::make_shared<QString>();
    uitest::OnNextModal([told](QWidget* d) {
        auto* edit = d->findChild<QPlainTextEdit*>(QStringLiteral("TxtGuiZe"));
        ASSERT_NE(edit, nullptr);
        edit->setPlainText(QStringLiteral("正则:[\n"));
        uitest::OnNextModal([told](QWidget* m) {
            if (auto* box = qobject_cast<QMessageBox*>(m)) {
                *told = box->text();
                box->accept();
            }
        });
        QTimer::singleShot(0, d, [d, edit] {
            d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save)->click();
            QTimer::singleShot(200, d, [d, edit] {
                edit->setPlainText(QStringLiteral("# 我的规则\n某某书友会\n"));
                d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save)->click();
            });
        });
    });
    uitest::Click(f, "CmdBianJi");
    EXPECT_TRUE(told->contains(QStringLiteral("第1行"))) << told->toStdString();
    EXPECT_EQ(uitest::ReadBytes(ui::FrmJingHua::UserRulesPath()),
              QStringLiteral("# 我的规则\n某某书友会\n").toUtf8());
    EXPECT_EQ(list->topLevelItemCount(), before + 1);
    uitest::Click(f, "CmdZhiXing");
    EXPECT_TRUE(w->Doc().Text() == u"　　正文一段。\r\n　　正文二段。")
        << QString::fromStdU16String(w->Doc().Text()).toStdString();
    QFile::remove(ui::FrmJingHua::UserRulesPath());
    f->close();
}

TEST(NovelMenu, DuplicatesAreListedAndRemovedOnRequest) {
    auto w = uitest::StartForm();
    const std::u16string p = u"　　这是一段足够长的正文，用来检查重复的段落能不能被找出来。";
    w->Doc().SetText(p + u"\r\n　　另一段。\r\n" + p);
    Trigger(w.get(), "mnuDuplicates");
    QWidget* f = uitest::TopLevel(QStringLiteral("FrmChongFu"));
    ASSERT_NE(f, nullptr);
    auto* list = uitest::Get<QTreeWidget>(f, "LstChongFu");
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("3"));
    uitest::Click(f, "CmdZhiXing");
    EXPECT_TRUE(w->Doc().Text() == p + u"\r\n　　另一段。\r\n" ||
                w->Doc().Text() == p + u"\r\n　　另一段。")
        << QString::fromStdU16String(w->Doc().Text()).toStdString();
    f->close();
}

namespace {

// Six chapters of distinct prose, the fourth a placeholder when `hole`.
std::u16string SixChapters(bool hole) {
    const std::u16string bodies[] = {
        u"却说那老者听了这话，心中十分欢喜。", u"次日天明，众人收拾行李，一路往西去了。",
        u"行不多时，只见一座高山挡住去路。",   u"山下有一条小河，河水清浅见底。",
        u"那山中有一座古庙，庙门半掩。",       u"众人进得庙来，各自歇息不提。"};
    std::u16string book;
    for (char16_t n = 0; n < 6; ++n)
        book += u"第" + std::u16string(1, u'1' + n) + u"章 章名\r\n　　" +
                (hole && n == 3 ? u"正在手打中，请稍等片刻。" : bodies[n]) + u"\r\n";
    return book;
}

}  // namespace

TEST(NovelMenu, AuditListsThePlaceholderAndDeletesItAsOneUndoStep) {
    auto w = uitest::StartForm();
    const std::u16string book = SixChapters(true);
    w->Doc().SetText(book);
    Trigger(w.get(), "mnuAudit");
    QWidget* f = uitest::TopLevel(QStringLiteral("FrmTiJian"));
    ASSERT_NE(f, nullptr);
    auto* list = uitest::Get<QTreeWidget>(f, "LstTiJian");
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("第4章 章名"));
    list->topLevelItem(0)->setCheckState(0, Qt::Checked);
    uitest::Click(f, "CmdShanChu");
    EXPECT_EQ(w->Doc().Text().find(u"正在手打"), std::u16string::npos);
    EXPECT_EQ(list->topLevelItemCount(), 0);
    Trigger(w.get(), "mnuUndo");
    EXPECT_EQ(w->Doc().Text(), book);
    f->close();
}

TEST(NovelMenu, MergeCopiesFillsTheHoleFromTheOtherFileAsOneUndoStep) {
    QTemporaryDir dir;
    const QString other = dir.filePath(QStringLiteral("另一版.txt"));
    ASSERT_TRUE(uitest::WriteBytes(other, QString::fromStdU16String(SixChapters(false)).toUtf8()));
    auto w = uitest::StartForm();
    w->Doc().SetText(SixChapters(true));
    uitest::AnswerNextFileDialog(other);
    const auto said = uitest::AcceptNextMessage();
    Trigger(w.get(), "mnuMergeCopies");
    EXPECT_EQ(w->Doc().Text(), SixChapters(false));
    EXPECT_TRUE(said->text.contains(QStringLiteral("1章换用了另一个版本")))
        << said->text.toStdString();
    Trigger(w.get(), "mnuUndo");
    EXPECT_EQ(w->Doc().Text(), SixChapters(true));
}

TEST(NovelMenu, ExportEpubAsksTitleAndAuthorThenWritesTheBook) {
    QTemporaryDir dir;
    auto w = uitest::StartForm();
    w->Doc().SetText(Book());
    uitest::OnNextModal([](QWidget* d) {
        auto* title = d->findChild<QLineEdit*>(QStringLiteral("TxtShuMing"));
        ASSERT_NE(title, nullptr);
        EXPECT_EQ(title->text(), QStringLiteral("未命名"));
        title->setText(QStringLiteral("两卷书"));
        d->findChild<QLineEdit*>(QStringLiteral("TxtZuoZhe"))->setText(QStringLiteral("佚名"));
        qobject_cast<QDialog*>(d)->accept();
    });
    const QString out = dir.filePath(QStringLiteral("两卷书.epub"));
    uitest::AnswerNextFileDialog(out);
    Trigger(w.get(), "mnuExportEpub");
    const QByteArray epub = uitest::ReadBytes(out);
    ASSERT_GT(epub.size(), 58);
    EXPECT_EQ(epub.mid(30, 28), QByteArray("mimetypeapplication/epub+zip"));
}

TEST(NovelMenu, AnExportThatCannotBeWrittenKeepsTheOldBookAndSaysSo) {
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("书.epub"));
    ASSERT_TRUE(uitest::WriteBytes(out, "old book"));
    auto w = uitest::StartForm();
    w->Doc().SetText(Book());
    uitest::OnNextModal([](QWidget* d) { qobject_cast<QDialog*>(d)->accept(); });
    uitest::AnswerNextFileDialog(out);
    uitest::ConfirmNextOverwrite();
    auto msg = uitest::AcceptNextMessage();
    {
        uitest::FileSizeLimit limit(200);  // the disk fills up halfway
        Trigger(w.get(), "mnuExportEpub");
    }
    EXPECT_TRUE(msg->text.contains(QStringLiteral("无法导出"))) << msg->text.toStdString();
    EXPECT_EQ(uitest::ReadBytes(out), QByteArray("old book"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("书.epub")});
}

TEST(NovelMenu, ARuleListThatCannotBeSavedKeepsTheOldOneAndSaysSo) {
    const QString path = ui::FrmJingHua::UserRulesPath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    ASSERT_TRUE(uitest::WriteBytes(path, "旧规则\n"));
    auto w = uitest::StartForm();
    Trigger(w.get(), "mnuPurge");
    QWidget* f = uitest::TopLevel(QStringLiteral("FrmJingHua"));
    ASSERT_NE(f, nullptr);
    auto told = std::make_shared<QString>();
    uitest::OnNextModal([told](QWidget* d) {
        auto* edit = d->findChild<QPlainTextEdit*>(QStringLiteral("TxtGuiZe"));
        ASSERT_NE(edit, nullptr);
        edit->setPlainText(QStringLiteral("很长很长的一条新规则，长得写不进满了的磁盘\n"));
        uitest::OnNextModal([told, d](QWidget* m) {
            if (auto* box = qobject_cast<QMessageBox*>(m)) {
                *told = box->text();
                box->accept();
            }
            QTimer::singleShot(0, d, [d] { qobject_cast<QDialog*>(d)->reject(); });
        });
        QTimer::singleShot(0, d, [d] {
            uitest::FileSizeLimit limit(20);
            d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Save)->click();
        });
    });
    uitest::Click(f, "CmdBianJi");
    EXPECT_TRUE(told->contains(QStringLiteral("无法保存规则文件"))) << told->toStdString();
    EXPECT_EQ(uitest::ReadBytes(path), QByteArray("旧规则\n"));
    QFile::remove(path);
    f->close();
}

TEST(NovelMenu, ATitleWithASlashIsOfferedAsAFileNameNotAFolder) {
    QTemporaryDir dir;
    auto w = uitest::StartForm();
    w->Doc().SetText(Book());
    uitest::OnNextModal([](QWidget* d) {
        d->findChild<QLineEdit*>(QStringLiteral("TxtShuMing"))->setText(QStringLiteral("上/下"));
        qobject_cast<QDialog*>(d)->accept();
    });
    auto offered = std::make_shared<QString>();
    uitest::OnNextModal([offered](QWidget* d) {
        auto* dialog = qobject_cast<QFileDialog*>(d);
        ASSERT_NE(dialog, nullptr);
        if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            *offered = edit->text();
        }
        dialog->reject();
    });
    Trigger(w.get(), "mnuExportEpub");
    EXPECT_EQ(*offered, QStringLiteral("上_下.epub"));
}
