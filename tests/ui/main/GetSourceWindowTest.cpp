#include <gtest/gtest.h>

#include <QAction>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QTimer>

#include "../../files/LoopbackHttp.h"
#include "UiTestSupport.h"
#include "ui/main/Form1.h"

namespace {

QAction* GetSource(Form1& w) { return w.findChild<QAction*>(QStringLiteral("mnuGetSource")); }
QString PanelText(Form1& w, int n) {
    return w.findChild<QLabel*>(QStringLiteral("Panel%1").arg(n))->text();
}

// Types the address into the next input dialog and accepts it.
std::shared_ptr<QString> AnswerAddress(const QString& address) {
    auto title = std::make_shared<QString>();
    uitest::OnNextModal([address, title](QWidget* w) {
        auto* dialog = qobject_cast<QInputDialog*>(w);
        if (dialog == nullptr) return;
        *title = dialog->windowTitle();
        dialog->setTextValue(address);
        dialog->accept();
    });
    return title;
}

}  // namespace

TEST(GetSource, PageBecomesTheDocumentInOneUndoStep) {
    testhttp::Server server;
    ASSERT_TRUE(server.Listening());
    // GBK, said only by <meta>; LF breaks as servers send them.
    server.On("/page", testhttp::Response(200, "Content-Type: text/html\r\n",
                                          "<meta charset=gbk>\n<p>\xC4\xE3\xBA\xC3</p>\n"));
    server.On("/old", testhttp::Redirect("/page"));
    auto w = uitest::StartForm();
    QAction* item = GetSource(*w);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), QStringLiteral("获取源码"));
    EXPECT_TRUE(w->findChild<QMenu*>("MnuFile")->actions().contains(item));

    w->Doc().SetText(u"原来的文字");
    w->RefreshLineCount();
    // Unsaved text: asked about first, and 取消 fetches nothing.
    AnswerAddress(server.Address("/old"));
    auto asked = uitest::AnswerNextMessage(QMessageBox::Cancel);
    item->trigger();
    EXPECT_EQ(asked->text, QStringLiteral("是否保存对“无标题”的修改？"));
    EXPECT_EQ(server.Requests(), 0);
    EXPECT_EQ(w->Doc().Text(), u"原来的文字");
    // 否; typed without a scheme, and redirected on the way.
    auto title = AnswerAddress(server.Address("/old"));
    uitest::AnswerNextMessage(QMessageBox::No);
    item->trigger();
    EXPECT_EQ(*title, QStringLiteral("获取源码"));
    EXPECT_EQ(w->Doc().Text(), u"<meta charset=gbk>\r\n<p>你好</p>\r\n");
    EXPECT_EQ(PanelText(*w, 5), server.Url("/page").toString());
    EXPECT_EQ(PanelText(*w, 2), QStringLiteral("共2行"));
    EXPECT_FALSE(w->Gate().Busy());

    w->Undo();
    EXPECT_EQ(w->Doc().Text(), u"原来的文字");
}

TEST(GetSource, FailuresAreToldAndChangeNothing) {
    testhttp::Server server;
    server.On("/missing", testhttp::Response(404, "Content-Type: text/html\r\n", "Not Found"));
    auto w = uitest::StartForm();
    w->Doc().SetText(u"原来的文字");
    w->History().MarkSaved();  // nothing unsaved to ask about
    const QString path = PanelText(*w, 5);

    AnswerAddress(server.Address("/missing"));
    auto msg = uitest::AcceptNextMessage();
    GetSource(*w)->trigger();
    EXPECT_TRUE(msg->seen);
    EXPECT_TRUE(msg->text.contains(QStringLiteral("404"))) << msg->text.toStdString();
    EXPECT_EQ(w->Doc().Text(), u"原来的文字");
    EXPECT_EQ(PanelText(*w, 5), path);

    const int requests = server.Requests();
    AnswerAddress(QStringLiteral("ftp://127.0.0.1/file"));
    msg = uitest::AcceptNextMessage();
    GetSource(*w)->trigger();
    EXPECT_TRUE(msg->text.contains(QStringLiteral("只能获取 http 或 https 网址")))
        << msg->text.toStdString();
    EXPECT_EQ(server.Requests(), requests);
    EXPECT_EQ(w->Doc().Text(), u"原来的文字");
}

TEST(GetSource, ProgressIsUpWhileTheServerIsSilentAndCancelLeavesTheDocument) {
    testhttp::Server server;
    server.OnInPieces("/late", {QByteArray(), testhttp::Response(200, "", "新")}, 10000);
    auto w = uitest::StartForm();
    w->Doc().SetText(u"原来的文字");
    w->History().MarkSaved();  // nothing unsaved to ask about
    bool shown = false;
    bool busy = false;
    bool refused = false;
    QString cancelCaption;
    // Looked at a second after the request came, long before the answer:
    // the progress, due half a second after the fetch began, is up by then
    // however slow the machine, for timers fire in the order they are due.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (server.Requests() == 0) return;
        poll.stop();
        QTimer::singleShot(1000, [&] {
            auto* progress = w->findChild<QProgressDialog*>();
            ASSERT_NE(progress, nullptr);
            shown = progress->isVisible();
            busy = w->Gate().Busy();
            refused = !w->Gate().Run([] {});
            auto* button = progress->findChild<QPushButton*>();
            cancelCaption = button->text();
            button->click();
        });
    });
    poll.start(10);
    AnswerAddress(server.Address("/late"));
    GetSource(*w)->trigger();
    EXPECT_TRUE(shown);
    EXPECT_TRUE(busy);
    EXPECT_TRUE(refused);
    EXPECT_EQ(cancelCaption, QStringLiteral("取消"));
    EXPECT_FALSE(w->Gate().Busy());
    EXPECT_EQ(w->Doc().Text(), u"原来的文字");
}
