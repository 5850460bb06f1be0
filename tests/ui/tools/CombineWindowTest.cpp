// The string-combination window, opened from its button and run end to end.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "UiTestSupport.h"
#include "ui/main/Form1.h"

TEST(CombineWindow, BuildsInsertsCopiesAndRefusesTooMany) {
    auto w = uitest::StartForm();
    w->findChild<QPushButton*>("CmdZuHe")->click();
    QWidget* f = uitest::TopLevel(QStringLiteral("FrmZiFuZuHe"));
    ASSERT_NE(f, nullptr);
    f->findChild<QPlainTextEdit*>("TxtList1")->setPlainText(QStringLiteral("红\n绿"));
    f->findChild<QPlainTextEdit*>("TxtList2")->setPlainText(QStringLiteral("苹果\n梨"));
    f->findChild<QLineEdit*>("TxtFenGe")->setText(QStringLiteral("的"));
    EXPECT_EQ(f->findChild<QLabel*>("LblCount")->text(), QStringLiteral("共 4 种组合"));
    f->findChild<QPushButton*>("CmdZuHe")->click();
    EXPECT_EQ(f->findChild<QPlainTextEdit*>("TxtJieGuo")->toPlainText(),
              QStringLiteral("红的苹果\n红的梨\n绿的苹果\n绿的梨\n"));
    w->Doc().SetText(u"[]");
    w->Doc().SetSelStart(1);
    f->findChild<QPushButton*>("CmdChaRu")->click();
    EXPECT_TRUE(w->Doc().Text() == u"[红的苹果\r\n红的梨\r\n绿的苹果\r\n绿的梨\r\n]");
    f->findChild<QPushButton*>("CmdFuZhi")->click();
    EXPECT_EQ(QApplication::clipboard()->text(),
              QStringLiteral("红的苹果\n红的梨\n绿的苹果\n绿的梨\n"));

    QStringList many;
    for (int i = 0; i < 1001; ++i) many << QString::number(i);
    f->findChild<QPlainTextEdit*>("TxtList1")->setPlainText(many.join('\n'));
    f->findChild<QPlainTextEdit*>("TxtList2")->setPlainText(many.mid(0, 1000).join('\n'));
    EXPECT_TRUE(
        f->findChild<QPlainTextEdit*>("TxtJieGuo")->toPlainText().isEmpty());  // stale result gone
    auto msg = uitest::AcceptNextMessage();
    f->findChild<QPushButton*>("CmdZuHe")->click();
    EXPECT_TRUE(msg->text.contains(QStringLiteral("1001000"))) << msg->text.toStdString();
    EXPECT_TRUE(f->findChild<QPlainTextEdit*>("TxtJieGuo")->toPlainText().isEmpty());
}
