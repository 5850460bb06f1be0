#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "UiTestSupport.h"
#include "platform/Platform.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"

using uitest::StartForm;

namespace {

using uitest::Action;
using uitest::ActivateAndFocus;
using uitest::Box;
using uitest::PanelText;
QString Shown(Form1& w) { return uitest::ShownText(Box(&w)); }

}  // namespace

TEST(Form1, StartUpState) {
    auto w = StartForm();
    // The file's name comes first, then the program's own caption.
    const QString prefix = QStringLiteral("无标题 - ");
    const QString title = w->windowTitle();
    ASSERT_TRUE(title.startsWith(prefix + QStringLiteral("QuillmereV4.0") + QString(66, ' ')));
    EXPECT_NE(title.at(prefix.size() + 13 + 66), QChar(' '));  // the address follows the blanks
    EXPECT_TRUE(title.endsWith(' '));
    const char* days[] = {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"};
    EXPECT_EQ(PanelText(w.get(), 3), QString::fromUtf8(days[QDate::currentDate().dayOfWeek() % 7]));
    auto* combo = w->findChild<QComboBox*>("TxtTiHuan");
    ASSERT_NE(combo, nullptr);
    ASSERT_EQ(combo->count(), 1);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("回车"));
    EXPECT_EQ(Shown(*w), QString());
    EXPECT_FALSE(Action(w.get(), "mnuUndo")->isEnabled());
    EXPECT_FALSE(Action(w.get(), "mnuRedo")->isEnabled());
    EXPECT_EQ(w->History().Store().UndoCount(), 1u);
}

TEST(Form1, MenuBarCaptionsNamesAndShortcuts) {
    auto w = StartForm();
    const struct {
        const char* name;
        const char* caption;
        const char* shortcut;
    } items[] = {
        {"mnunew", "新建", "Ctrl+N"},
        {"mnuopen", "打开", "Ctrl+O"},
        {"mnusave", "保存(&S)", "Ctrl+S"},
        {"MnuSaveNeiRong", "另存为", ""},
        {"mnuUndo", "撤销", "Ctrl+Z"},
        {"mnuRedo", "重复", "Ctrl+Y"},
        {"mnucopy", "复制(&C)", "Ctrl+C"},
        {"mnucut", "剪切(&T)", "Ctrl+X"},
        {"mnupaste", "粘贴", "Ctrl+V"},
        {"mnudelete", "删除(&L)", "Del"},
        {"mnuselectall", "全选(&A)", "Ctrl+A"},
        {"默认", "默认", ""},
        {"mnufont", "字体(&T)", ""},
        {"MnuBeiJing", "背景颜色", ""},
        {"mnuLineNumbers", "显示行号", ""},
        {"mnuZoomIn", "放大", "Ctrl+="},
        {"mnuZoomOut", "缩小", "Ctrl+-"},
        {"mnuZoomReset", "原始大小", "Ctrl+0"},
        {"mnufind", "查找(&F)", "Ctrl+F"},
        {"mnuNext", "查找下一个(&W)", "F3"},
        {"TiaoZhuan", "跳转", ""},
        {"去除所有字母", "去除所有字母", ""},
        {"计算器", "计算器", ""},
        {"系统放大镜", "系统放大镜", ""},
        {"繁体转简体", "乱码转正常", ""},
        {"TXT转HTML", "TXT转HTML", ""},
        {"常用符号", "常用符号", ""},
        {"日期", "日期", ""},
        {"MnuOpenPEIzhi", "打开配置文件", ""},
        {"MnuSaveINI", "另存配置文件", ""},
        {"abount", "关于", ""},
    };
    for (const auto& it : items) {
        QAction* a = Action(w.get(), it.name);
        ASSERT_NE(a, nullptr) << it.name;
        EXPECT_EQ(a->text(), QString::fromUtf8(it.caption)) << it.name;
        EXPECT_EQ(a->shortcut(), QKeySequence(QString::fromUtf8(it.shortcut))) << it.name;
    }
    const struct {
        const char* name;
        const char* title;
    } menus[] = {{"MnuFile", "文件"},
                 {"MnuEdit", "编辑(&E)"},
                 {"mnuformat", "格式(&O)"},
                 {"B", "查找(&I)"},
                 {"MnuQuChu", "去除不符合条件"},
                 {"MnuGongjv", "工具(&T)"},
                 {"转换", "转换"},
                 {"插入", "插入"},
                 {"MnuCanDan", "配置文件"},
                 {"Help", "帮助"}};
    for (const auto& m : menus) {
        auto* menu = w->findChild<QMenu*>(QString::fromUtf8(m.name));
        ASSERT_NE(menu, nullptr) << m.name;
        EXPECT_EQ(menu->title(), QString::fromUtf8(m.title));
    }
    EXPECT_EQ(w->findChild<QMenu*>("MnuGongjv")->actions().size(), 13);
}

TEST(Form1, LineCountIsTheEditorsCountMinusOne) {
    auto w = StartForm();
    const struct {
        std::u16string text;
        const char* shown;
    } rows[] = {{u"", "共0行"}, {u"abc", "共0行"}, {u"abc\r\n", "共1行"}, {u"a\r\nb\r\n", "共2行"}};
    for (const auto& r : rows) {
        w->Doc().SetText(r.text);
        w->RefreshLineCount();
        EXPECT_EQ(PanelText(w.get(), 2), QString::fromUtf8(r.shown));
    }
    // Typing does not refresh it.
    w->Doc().SetSelText(u"\r\n\r\n");
    QCoreApplication::processEvents();
    EXPECT_EQ(PanelText(w.get(), 2), QStringLiteral("共2行"));
}

TEST(Form1, TypingThenUndoAndRedoThroughTheMenu) {
    auto w = StartForm();
    ActivateAndFocus(w.get());
    QTest::keyClicks(Box(w.get()), "abc");
    EXPECT_EQ(w->Doc().Text(), u"abc");
    EXPECT_EQ(w->History().Store().UndoCount(), 4u);
    EXPECT_TRUE(Action(w.get(), "mnuUndo")->isEnabled());
    Action(w.get(), "mnuUndo")->trigger();
    EXPECT_EQ(Shown(*w), QStringLiteral("ab"));
    EXPECT_EQ(Box(w.get())->Caret(), 2u);
    EXPECT_TRUE(Action(w.get(), "mnuRedo")->isEnabled());
    Action(w.get(), "mnuRedo")->trigger();
    EXPECT_EQ(Shown(*w), QStringLiteral("abc"));
    EXPECT_FALSE(Action(w.get(), "mnuRedo")->isEnabled());
    // Enter in the box is one CR LF of the document.
    QTest::keyClick(Box(w.get()), Qt::Key_Return);
    QTest::keyClicks(Box(w.get()), "d");
    EXPECT_EQ(w->Doc().Text(), u"abc\r\nd");
    QTest::keyClick(Box(w.get()), Qt::Key_Backspace);
    QTest::keyClick(Box(w.get()), Qt::Key_Backspace);
    EXPECT_EQ(w->Doc().Text(), u"abc");
}

TEST(Form1, CtrlKeysNeverReachTheBoxButMenuShortcutsWork) {
    auto w = StartForm();
    ActivateAndFocus(w.get());
    QTest::keyClicks(Box(w.get()), "ab");
    QTest::keyClick(Box(w.get()), Qt::Key_Z, Qt::ControlModifier);  // the menu's undo
    EXPECT_EQ(w->Doc().Text(), u"a");
    QTest::keyClick(Box(w.get()), Qt::Key_K, Qt::ControlModifier);  // no shortcut: discarded
    EXPECT_EQ(w->Doc().Text(), u"a");
    EXPECT_EQ(w->Doc().SelStart(), 1);
    QTest::keyClick(Box(w.get()), Qt::Key_Home, Qt::ControlModifier);  // a key of the box's own
    EXPECT_EQ(w->Doc().SelStart(), 0);
    QTest::keyClick(Box(w.get()), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(Box(w.get()), Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(w->Doc().SelLength(), 1);
    QTest::keyClick(Box(w.get()), Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("a"));
    QApplication::clipboard()->setText(QStringLiteral("x\ny"));
    QTest::keyClick(Box(w.get()), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(w->Doc().Text(), u"x\r\ny");
    QTest::keyClick(Box(w.get()), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(w->Doc().Text(), u"a");
}

TEST(Form1, CtrlMovesAndDeletesByWordsThroughTheMainWindow) {
    auto w = StartForm();
    ActivateAndFocus(w.get());
    ui::EditorView* box = Box(w.get());
    const auto key = [box](Qt::Key k, Qt::KeyboardModifiers m) { QTest::keyClick(box, k, m); };
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    w->Doc().SetText(u"我们是中国人 hello world\r\n第二行");
    w->Doc().SetSelStart(0);
    QCoreApplication::processEvents();

    key(Qt::Key_End, ctrl);
    EXPECT_EQ(box->Caret(), w->Doc().Length());
    key(Qt::Key_Home, ctrl);
    EXPECT_EQ(box->Caret(), 0u);
    // Right by Chinese words, then Latin ones (the space after a word skipped).
    std::vector<std::size_t> stops;
    for (int i = 0; i < 6; ++i) {
        key(Qt::Key_Right, ctrl);
        stops.push_back(box->Caret());
    }
    EXPECT_EQ(stops, (std::vector<std::size_t>{2, 3, 7, 13, 18, 20}));  // 20: over the CR LF
    key(Qt::Key_Left, ctrl);
    EXPECT_EQ(box->Caret(), 18u);  // back over the line break to the end of the line above
    key(Qt::Key_Left, ctrl);
    EXPECT_EQ(box->Caret(), 13u);
    EXPECT_EQ(w->Doc().SelLength(), 0);

    // The Shift variants select, and the selection is the document's.
    key(Qt::Key_Left, ctrlShift);
    EXPECT_EQ(box->SelectedText(), QStringLiteral("hello "));
    EXPECT_EQ(w->Doc().SelStart(), 7);
    EXPECT_EQ(w->Doc().SelLength(), 6);
    key(Qt::Key_Right, ctrlShift);
    key(Qt::Key_Right, ctrlShift);
    EXPECT_EQ(box->SelectedText(), QStringLiteral("world"));
    key(Qt::Key_Home, ctrlShift);
    EXPECT_EQ(w->Doc().SelStart(), 0);
    EXPECT_EQ(w->Doc().SelLength(), 13);
    key(Qt::Key_End, ctrlShift);
    EXPECT_EQ(w->Doc().SelStart(), 13);
    EXPECT_EQ(static_cast<std::size_t>(w->Doc().SelLength()), w->Doc().Length() - 13);

    // Ctrl+Backspace and Ctrl+Delete take a word, and each is one undo step.
    w->Doc().SetSelStart(6);  // after 中国人
    QCoreApplication::processEvents();
    key(Qt::Key_Backspace, ctrl);
    EXPECT_EQ(w->Doc().Text(), u"我们是 hello world\r\n第二行");
    EXPECT_EQ(box->Caret(), 3u);
    key(Qt::Key_Delete, ctrl);
    EXPECT_EQ(w->Doc().Text(), u"我们是hello world\r\n第二行");
    key(Qt::Key_Delete, ctrl);
    EXPECT_EQ(w->Doc().Text(), u"我们是world\r\n第二行");
    key(Qt::Key_Z, ctrl);
    EXPECT_EQ(w->Doc().Text(), u"我们是hello world\r\n第二行");
    key(Qt::Key_Y, ctrl);  // "重复"
    EXPECT_EQ(w->Doc().Text(), u"我们是world\r\n第二行");
    // With a selection both delete just the selection.
    w->Doc().SetSelStart(3);
    QCoreApplication::processEvents();
    key(Qt::Key_Right, ctrlShift);
    EXPECT_EQ(box->SelectedText(), QStringLiteral("world"));
    key(Qt::Key_Backspace, ctrl);
    EXPECT_EQ(w->Doc().Text(), u"我们是\r\n第二行");

    // The old box's formatting shortcuts still never reach it.
    const std::u16string before = w->Doc().Text();
    for (Qt::Key k : {Qt::Key_B, Qt::Key_I, Qt::Key_U, Qt::Key_L, Qt::Key_E, Qt::Key_R, Qt::Key_1,
                      Qt::Key_2, Qt::Key_5, Qt::Key_Equal}) {
        key(k, ctrl);
    }
    EXPECT_EQ(w->Doc().Text(), before);
    EXPECT_EQ(box->Caret(), 3u);
}

namespace {

// Pixels of the box's picture in a character's cell that differ from the background.
int InkIn(const QImage& picture, ui::EditorView* box, std::size_t pos) {
    const QPointF a = box->PointOf(pos);
    const QPointF b = box->PointOf(pos + 1);
    const qreal dpr = picture.devicePixelRatio();
    const QColor base = box->palette().base().color();
    int ink = 0;
    for (int y = static_cast<int>(a.y() * dpr); y < (a.y() + box->LineHeight()) * dpr; ++y) {
        for (int x = static_cast<int>(std::ceil(a.x() * dpr)); x < std::floor(b.x() * dpr); ++x) {
            if (x < 0 || y < 0 || x >= picture.width() || y >= picture.height()) continue;
            const QColor c = picture.pixelColor(x, y);
            if (std::abs(c.red() - base.red()) + std::abs(c.green() - base.green()) +
                    std::abs(c.blue() - base.blue()) >
                120) {
                ++ink;
            }
        }
    }
    return ink;
}

}  // namespace

TEST(Form1, EveryCharacterOfAMixedLineIsDrawnWithInk) {
    // Drawn as the user sees it, in the box's default font: a font's character
    // map may claim glyphs that are blank.
    auto w = StartForm();
    ui::EditorView* box = Box(w.get());
    const std::u16string line =
        u"fán tǐ zhōng wén diàn nǎo ǎǐǒǔǚ āáà ÀÉüñ Latin ΑΒΓαβγ ΚΥΡ Кириллица ЖЩЯ "
        u"汉字中文繁體，。“”"
        u"\r\u240D\n\u240A";
    w->Doc().SetText(line);
    w->Doc().SetSelStart(0);
    box->clearFocus();  // no caret in the picture
    box->resize(2400, 200);
    box->Flush();
    QCoreApplication::processEvents();
    const QImage picture = box->viewport()->grab().toImage();
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == u' ') continue;
        EXPECT_GE(InkIn(picture, box, i), 3)
            << "no ink for U+" << std::hex << static_cast<int>(line[i]) << " at " << std::dec << i;
    }
    // Each lone CR and LF, and the marks themselves, take a cell of their own.
    for (std::size_t i = line.size() - 4; i < line.size(); ++i) {
        EXPECT_GT(box->PointOf(i + 1).x() - box->PointOf(i).x(), box->LineHeight() / 3.0) << i;
    }
}

TEST(Form1, DeleteKeyRemovesTheCharacterAfterTheCaret) {
    auto w = StartForm();
    ActivateAndFocus(w.get());
    w->Doc().SetText(u"a\r\nb");
    w->Doc().SetSelStart(1);
    QCoreApplication::processEvents();
    QTest::keyClick(Box(w.get()), Qt::Key_Delete);
    EXPECT_EQ(w->Doc().Text(), u"ab");  // CR LF is one character
    Action(w.get(), "mnuUndo")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"a\r\nb");
    EXPECT_EQ(Shown(*w), QStringLiteral("a\nb"));
}

TEST(Form1, OpenAndSaveThroughTheFileDialogs) {
    auto w = StartForm();
    QTemporaryDir dir;
    const QString in = dir.filePath("in.txt");
    const QByteArray gbk("\xC4\xE3\xBA\xC3\r\nabc\r\n");  // 你好 / abc
    ASSERT_TRUE(uitest::WriteBytes(in, gbk));
    uitest::AnswerNextFileDialog(in);
    Action(w.get(), "mnuopen")->trigger();
    EXPECT_EQ(Shown(*w), QStringLiteral("你好\nabc\n"));
    EXPECT_EQ(PanelText(w.get(), 2), QStringLiteral("共2行"));
    EXPECT_EQ(PanelText(w.get(), 5), in);
    EXPECT_EQ(PanelText(w.get(), 6), QStringLiteral("GBK · CRLF"));
    EXPECT_TRUE(Action(w.get(), "mnuUndo")->isEnabled());

    // An opened file is written back as it was: nothing added, however often.
    const QString out = dir.filePath("out.txt");
    auto title = uitest::AnswerNextFileDialog(out);
    Action(w.get(), "mnusave")->trigger();
    EXPECT_EQ(*title, QStringLiteral("保存文件"));
    EXPECT_EQ(uitest::ReadBytes(out), gbk);
    uitest::AnswerNextFileDialog(out);
    uitest::ConfirmNextOverwrite();
    Action(w.get(), "mnusave")->trigger();
    EXPECT_EQ(uitest::ReadBytes(out), gbk);

    // A cancelled dialog changes nothing and says nothing.
    uitest::AnswerNextFileDialog(QString());
    Action(w.get(), "mnuopen")->trigger();
    EXPECT_EQ(Shown(*w), QStringLiteral("你好\nabc\n"));
}

TEST(Form1, NewTextIsSavedAsGbkWithOneClosingBreakEveryTime) {
    auto w = StartForm();
    QTemporaryDir dir;
    w->Doc().SetText(u"你好\r\nabc");
    const QString out = dir.filePath("new.txt");
    for (int i = 0; i < 2; ++i) {
        uitest::AnswerNextFileDialog(out);
        if (i > 0) uitest::ConfirmNextOverwrite();
        Action(w.get(), "mnusave")->trigger();
        EXPECT_EQ(uitest::ReadBytes(out), QByteArray("\xC4\xE3\xBA\xC3\r\nabc\r\n"));
    }
    // "新建" forgets the file and its format.
    Action(w.get(), "mnunew")->trigger();
    EXPECT_EQ(PanelText(w.get(), 6), QStringLiteral("GBK · CRLF"));
}

namespace {

// A file opened through the dialog, shown, then saved through a menu item.
struct RoundTrip {
    const char* name;
    friend void PrintTo(const RoundTrip& c, std::ostream* os) { *os << c.name; }
    const char* file;
    QByteArray bytes;
    QString shown;
    const char* lines;     // the line count shown, or nothing to check
    QString format;        // the format panel, or nothing to check
    bool formatHeld;       // only held in the panel (the mark of mixed line breaks)
    bool toldOnOpening;    // a message naming the file
    const char* saveItem;  // the menu item that saves
    QByteArray saved;
};

const RoundTrip kRoundTrips[] = {
    {"MixedLineBreaksOpenAsLinesAndSaveAsCrLf", "mixed.txt", QByteArray("a\rb\nc\r\nd"),
     QStringLiteral("a\nb\nc\nd"), "共3行", QStringLiteral("混合"), true, false, "MnuSaveNeiRong",
     QByteArray("a\r\nb\r\nc\r\nd")},
    {"Utf8FileWithLfBreaksSavesBackByteForByte", "utf8.txt",
     QStringLiteral("第一章 甲乙\n正文€𠀀\n").toUtf8(), QStringLiteral("第一章 甲乙\n正文€𠀀\n"),
     "共2行", QStringLiteral("UTF-8 · LF"), false, false, "mnusave",
     QStringLiteral("第一章 甲乙\n正文€𠀀\n").toUtf8()},
    {"BadBytesAreReportedOnOpenAndWrittenBackAsTheyWere", "bad.txt",
     QByteArray("ok\xFF\r\n\xC4\xE3"), QStringLiteral("ok\uFFFD\n你"), nullptr, QString(), false,
     true, "mnusave", QByteArray("ok\xFF\r\n\xC4\xE3")},
};

class Form1RoundTrip : public ::testing::TestWithParam<RoundTrip> {};

TEST_P(Form1RoundTrip, OpensShowsAndSaves) {
    const RoundTrip& c = GetParam();
    auto w = StartForm();
    ActivateAndFocus(w.get());
    QTemporaryDir dir;
    const QString in = dir.filePath(QString::fromUtf8(c.file));
    ASSERT_TRUE(uitest::WriteBytes(in, c.bytes));
    uitest::AnswerNextFileDialog(in);
    std::shared_ptr<uitest::SeenMessage> msg;
    if (c.toldOnOpening) msg = uitest::AcceptNextMessage();
    Action(w.get(), "mnuopen")->trigger();
    if (msg) {
        EXPECT_TRUE(msg->seen);
        EXPECT_EQ(msg->title, QStringLiteral("提示"));
        EXPECT_TRUE(msg->text.contains(QString::fromUtf8(c.file)));
    }
    EXPECT_EQ(Shown(*w), c.shown);
    if (c.lines) {
        EXPECT_EQ(PanelText(w.get(), 2), QString::fromUtf8(c.lines));
    }
    if (c.formatHeld) {
        EXPECT_TRUE(PanelText(w.get(), 6).contains(c.format));
    } else if (!c.format.isEmpty()) {
        EXPECT_EQ(PanelText(w.get(), 6), c.format);
    }
    const QString out = dir.filePath("out.txt");
    uitest::AnswerNextFileDialog(out);
    Action(w.get(), c.saveItem)->trigger();
    EXPECT_EQ(uitest::ReadBytes(out), c.saved);
}

INSTANTIATE_TEST_SUITE_P(Form1, Form1RoundTrip, ::testing::ValuesIn(kRoundTrips),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

TEST(Form1, UnencodableCharactersAskBeforeSaving) {
    auto w = StartForm();
    QTemporaryDir dir;
    const QString out = dir.filePath("emoji.txt");
    w->Doc().SetText(u"笑\r\n\r\nab\U0001F600\r\n\U0001F601");
    uitest::AnswerNextFileDialog(out);
    auto said = std::make_shared<QString>();
    uitest::OnNextModal([said](QWidget* m) {
        auto* box = qobject_cast<QMessageBox*>(m);
        ASSERT_NE(box, nullptr);
        *said = box->text();
        box->escapeButton()->click();
    });
    Action(w.get(), "mnusave")->trigger();
    QTest::qWait(50);
    EXPECT_FALSE(QFile::exists(out));  // "取消" writes nothing
    // The message names how many and where.
    EXPECT_TRUE(said->contains(QStringLiteral("2 个字符"))) << said->toStdString();
    EXPECT_TRUE(said->contains(QStringLiteral("第3行“\U0001F600”"))) << said->toStdString();
    EXPECT_TRUE(said->contains(QStringLiteral("第4行"))) << said->toStdString();

    uitest::AnswerNextFileDialog(out);
    uitest::ClickInNextMessage("writeQuestionMarks");
    Action(w.get(), "mnusave")->trigger();
    EXPECT_EQ(uitest::ReadBytes(out), QByteArray("\xD0\xA6\r\n\r\nab?\r\n?\r\n"));

    uitest::AnswerNextFileDialog(out);
    uitest::ConfirmNextOverwrite();
    uitest::ClickInNextMessage("saveAsUtf8");
    Action(w.get(), "mnusave")->trigger();
    EXPECT_EQ(uitest::ReadBytes(out),
              QStringLiteral("笑\r\n\r\nab\U0001F600\r\n\U0001F601\r\n").toUtf8());
    EXPECT_EQ(PanelText(w.get(), 6), QStringLiteral("UTF-8 · CRLF"));
}

namespace {

// Chooses an encoding in the next list the program asks from, which offers
// the given ones (when given).
void ChooseEncoding(const char* choice, const QStringList& offered = {}) {
    uitest::OnNextModal([choice, offered](QWidget* m) {
        auto* d = qobject_cast<QInputDialog*>(m);
        ASSERT_NE(d, nullptr);
        if (!offered.isEmpty()) {
            EXPECT_EQ(d->comboBoxItems(), offered);
        }
        d->setTextValue(QString::fromUtf8(choice));
        d->accept();
    });
}

}  // namespace

TEST(Form1, ReopenAndSaveInAnotherEncoding) {
    auto w = StartForm();
    QTemporaryDir dir;
    const QString in = dir.filePath("gbk.txt");
    const QByteArray gbk("\xC4\xE3\xBA\xC3\n");  // 你好, LF
    ASSERT_TRUE(uitest::WriteBytes(in, gbk));
    uitest::AnswerNextFileDialog(in);
    Action(w.get(), "mnuopen")->trigger();
    ASSERT_EQ(w->Doc().Text(), u"你好\r\n");

    // Read again as Big5: the same bytes, other characters.
    ChooseEncoding("Big5",
                   {"GBK", "GB18030", "UTF-8", "UTF-8 BOM", "UTF-16LE", "UTF-16BE", "Big5"});
    Action(w.get(), "mnuReopen")->trigger();
    EXPECT_EQ(PanelText(w.get(), 6), QStringLiteral("Big5 · LF"));
    EXPECT_NE(w->Doc().Text(), u"你好\r\n");

    ChooseEncoding("GBK");
    Action(w.get(), "mnuReopen")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"你好\r\n");

    // Saved as UTF-16LE: a BOM, the LF style kept.
    const QString out = dir.filePath("utf16.txt");
    ChooseEncoding("UTF-16LE");
    uitest::AnswerNextFileDialog(out);
    Action(w.get(), "mnuSaveEncoding")->trigger();
    EXPECT_EQ(uitest::ReadBytes(out), QByteArray("\xFF\xFE\x60\x4F\x7D\x59\x0A\x00", 8));
    EXPECT_EQ(PanelText(w.get(), 6), QStringLiteral("UTF-16LE · LF"));
}

TEST(Form1, SkinIsAttachedOnlyWhenTheSkinFileExists) {
    QStringList calls;
    platform::SetSkinHook([&calls](const QString& path) { calls << path; });
    const QString skin = platform::ProgramFolder() + "/1.she";
    QFile::remove(skin);
    { auto w = StartForm(); }
    EXPECT_TRUE(calls.isEmpty());
    ASSERT_TRUE(uitest::WriteBytes(skin, "skin"));
    { auto w = StartForm(); }
    QFile::remove(skin);
    platform::SetSkinHook(nullptr);
    ASSERT_EQ(calls.size(), 1);
    EXPECT_EQ(calls[0], skin);
}

TEST(Form1, LayoutFollowsTheWindowInTwipsAndClampsAtZero) {
    auto w = StartForm();
    const int dpiX = w->logicalDpiX();
    const int dpiY = w->logicalDpiY();
    auto expected = [](int px, int dpi, int minus) {
        return std::max(0, px * 1440 / dpi - minus) * dpi / 1440;
    };
    for (const QSize size : {QSize(1000, 720), QSize(100, 100)}) {
        w->resize(size);
        QCoreApplication::processEvents();
        EXPECT_EQ(Box(w.get())->width(), expected(w->width(), dpiX, 2200));
        EXPECT_EQ(Box(w.get())->height(), expected(w->height(), dpiY, 3500));
    }
    EXPECT_EQ(Box(w.get())->height(), 0);  // lower than 3500 twips
    auto* frame1 = w->findChild<QWidget*>("Frame1");
    auto* frame2 = w->findChild<QWidget*>("Frame2");
    EXPECT_GT(frame1->y(), Box(w.get())->y() + Box(w.get())->height());
    EXPECT_EQ(frame2->y(), frame1->y());
    EXPECT_GT(frame2->x(), frame1->x() + frame1->width());
    // Nothing moves while minimised.
    const QRect before = Box(w.get())->geometry();
    w->showMinimized();
    w->resize(1200, 900);
    QCoreApplication::processEvents();
    if (w->isMinimized()) {
        EXPECT_EQ(Box(w.get())->geometry(), before);
    }
}

TEST(Form1, ToolsMenuSaysSoWhenNothingSuitableIsInstalled) {
    auto w = StartForm();
    // "系统锁" stands for a key manager; a test machine has none.
    if (!QStandardPaths::findExecutable("seahorse").isEmpty() ||
        !QStandardPaths::findExecutable("kwalletmanager").isEmpty()) {
        GTEST_SKIP() << "a key manager is installed here";
    }
    auto msg = uitest::AcceptNextMessage();
    Action(w.get(), "系统锁")->trigger();
    EXPECT_TRUE(msg->seen);
    EXPECT_EQ(msg->title, QStringLiteral("提示"));
    EXPECT_TRUE(msg->text.contains(QStringLiteral("系统锁")));
    EXPECT_FALSE(platform::StartSystemProgram(QStringLiteral("no such tool")));
}

TEST(Form1, EditCommandsGoThroughTheDocumentAndAreUndoable) {
    auto w = StartForm();
    w->Doc().SetText(u"hello world");
    w->Doc().SetSelStart(0);
    w->Doc().SetSelLength(6);
    Action(w.get(), "mnucut")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"world");
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("hello "));
    w->Doc().SetSelStart(5);
    Action(w.get(), "mnupaste")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"worldhello ");
    Action(w.get(), "mnuUndo")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"world");
    Action(w.get(), "mnuUndo")->trigger();
    EXPECT_EQ(w->Doc().Text(), u"hello world");
    EXPECT_EQ(Box(w.get())->SelectedText(), QStringLiteral("hello "));
    Action(w.get(), "日期")->trigger();
    EXPECT_TRUE(QString::fromStdU16String(w->Doc().Text())
                    .startsWith(QDate::currentDate().toString(QStringLiteral("yyyy年M月d日"))));
}
