// RichTextBox1, the editor view: what a user does in the box, driven through
// real events, and the view drawing what the document holds.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QAccessibleTextInterface>
#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMimeData>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <random>

#include "UiTestSupport.h"
#include "core/document/Document.h"
#include "core/undo/UndoHistory.h"
#include "ui/editor/EditorView.h"
#include "ui/main/Form1.h"

using ui::EditorView;

namespace {

// A view on a document of its own, shown and focused.
struct Box {
    qm::Document doc;
    EditorView view{doc};
    Box() {
        view.resize(600, 300);
        view.show();
        view.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&view));
        view.setFocus();
        QCoreApplication::processEvents();
    }
    void Key(Qt::Key k, Qt::KeyboardModifiers m = Qt::NoModifier) { QTest::keyClick(&view, k, m); }
    // A key press carrying text, as a keyboard layout for Chinese sends it.
    void Type(const char* text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8(text));
        QApplication::sendEvent(&view, &press);
    }
    // A viewport point inside the character at pos.
    QPoint At(std::size_t pos) {
        view.Flush();
        const QPointF p = view.PointOf(pos);
        return QPoint(static_cast<int>(p.x()) + 1, static_cast<int>(p.y()) + view.LineHeight() / 2);
    }
};

// What the view should show: the document cut at CR LF, marks for lone ones.
QString Expected(const std::u16string& t) {
    QStringList lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i + 1 <= t.size(); ++i) {
        if (i + 1 < t.size() && t[i] == u'\r' && t[i + 1] == u'\n') {
            lines << EditorView::DisplayText(std::u16string_view(t).substr(start, i - start));
            start = i + 2;
            ++i;
        }
    }
    lines << EditorView::DisplayText(std::u16string_view(t).substr(start));
    return lines.join('\n');
}

}  // namespace

TEST(EditorView, TypingEnterBackspaceAndArrowsMoveByCharacters) {
    Box b;
    b.Type("abc");
    b.Key(Qt::Key_Return);
    b.Type("d");
    EXPECT_EQ(b.doc.Text(), u"abc\r\nd");
    b.Key(Qt::Key_Left);
    b.Key(Qt::Key_Left);  // over the CR LF in one step
    EXPECT_EQ(b.view.Caret(), 3u);
    b.Key(Qt::Key_Home);
    EXPECT_EQ(b.view.Caret(), 0u);
    b.Key(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(b.view.SelectedText(), QStringLiteral("abc"));
    EXPECT_EQ(b.doc.SelStart(), 0);
    EXPECT_EQ(b.doc.SelLength(), 3);
    b.Key(Qt::Key_Right);  // collapses to the selection's end
    EXPECT_EQ(b.view.Caret(), 3u);
    b.Key(Qt::Key_Down);
    EXPECT_EQ(b.view.Caret(), 6u);  // column kept, clamped to the shorter line
    b.Key(Qt::Key_Home);
    b.Key(Qt::Key_Backspace);  // the line break goes as one
    EXPECT_EQ(b.doc.Text(), u"abcd");
    b.Key(Qt::Key_Tab);
    EXPECT_EQ(b.doc.Text(), u"abc\td");
    EXPECT_TRUE(b.view.hasFocus());  // Tab is text here, not a move to the next control
}

TEST(EditorView, TheCaretNeverSplitsASurrogatePairOrACombiningMark) {
    Box b;
    b.doc.SetText(u"a\U0001F600e\u0301b");  // a, 😀 (2 units), e + combining acute, b
    b.doc.SetSelStart(static_cast<int>(b.doc.Length()));
    QCoreApplication::processEvents();
    std::vector<std::size_t> stops;
    for (int i = 0; i < 5; ++i) {
        b.Key(Qt::Key_Left);
        stops.push_back(b.view.Caret());
    }
    EXPECT_EQ(stops, (std::vector<std::size_t>{5, 3, 1, 0, 0}));
    b.Key(Qt::Key_Right);
    b.Key(Qt::Key_Right);
    EXPECT_EQ(b.view.Caret(), 3u);
    b.Key(Qt::Key_Backspace);  // one code point: the whole pair
    EXPECT_EQ(b.doc.Text(), u"ae\u0301b");
}

TEST(EditorView, MouseClickDragShiftClickAndDoubleClick) {
    Box b;
    b.doc.SetText(u"hello world\r\nsecond line");
    QCoreApplication::processEvents();
    QTest::mouseClick(b.view.viewport(), Qt::LeftButton, {}, b.At(6));
    EXPECT_EQ(b.view.Caret(), 6u);
    QTest::mouseClick(b.view.viewport(), Qt::LeftButton, Qt::ShiftModifier, b.At(15));
    EXPECT_EQ(b.view.SelectedText(), QStringLiteral("world\r\nse"));
    QTest::mousePress(b.view.viewport(), Qt::LeftButton, {}, b.At(0));
    QTest::mouseMove(b.view.viewport(), b.At(4));
    QTest::mouseRelease(b.view.viewport(), Qt::LeftButton, {}, b.At(4));
    EXPECT_EQ(b.view.SelectedText(), QStringLiteral("hell"));
    QTest::mouseDClick(b.view.viewport(), Qt::LeftButton, {}, b.At(8));
    EXPECT_EQ(b.view.SelectedText(), QStringLiteral("world"));
    // The click lands where the view says the character is, on any line.
    for (std::size_t p : {0u, 3u, 13u, 20u}) {
        QTest::mouseClick(b.view.viewport(), Qt::LeftButton, {}, b.At(p));
        EXPECT_EQ(b.view.Caret(), p);
    }
}

TEST(EditorView, InputMethodShowsPreeditAndCommitsOneUndoStep) {
    Box b;
    qm::UndoHistory history(b.doc);
    history.RecordingEnabled = true;
    history.Record();
    b.Type("x");
    const std::size_t steps = history.Store().UndoCount();
    const QRect before = b.view.cursorRect();
    QInputMethodEvent preedit(QStringLiteral("zhong"), {});
    QApplication::sendEvent(&b.view, &preedit);
    EXPECT_EQ(b.doc.Text(), u"x");  // the pre-edit text is shown, not written
    EXPECT_GT(b.view.cursorRect().x(), before.x());
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("中"));
    QApplication::sendEvent(&b.view, &commit);
    EXPECT_EQ(b.doc.Text(), u"x中");
    EXPECT_EQ(history.Store().UndoCount(), steps + 1);
    // The candidate window goes where the caret is.
    EXPECT_EQ(b.view.inputMethodQuery(Qt::ImCursorRectangle).toRect(), b.view.cursorRect());
    EXPECT_EQ(b.view.inputMethodQuery(Qt::ImSurroundingText).toString(), QStringLiteral("x中"));
    EXPECT_EQ(b.view.inputMethodQuery(Qt::ImCursorPosition).toInt(), 2);
}

TEST(EditorView, ReadOnlyRefusesEditsButLetsTheCaretMove) {
    Box b;
    b.doc.SetText(u"abc");
    b.view.setReadOnly(true);
    b.Type("x");
    b.Key(Qt::Key_Backspace);
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("中"));
    QApplication::sendEvent(&b.view, &commit);
    EXPECT_EQ(b.doc.Text(), u"abc");
    b.Key(Qt::Key_End);
    EXPECT_EQ(b.view.Caret(), 3u);
}

TEST(EditorView, LoneBreaksShowAsMarksAndJoinIntoARealBreak) {
    Box b;
    b.doc.SetText(u"a\rX\nb");
    QCoreApplication::processEvents();
    EXPECT_EQ(uitest::ShownText(&b.view), QStringLiteral("a\u240DX\u240Ab"));
    // Deleting what stood between them makes a CR LF: the view shows two lines.
    b.doc.Replace(2, 1, u"");
    QCoreApplication::processEvents();
    EXPECT_EQ(uitest::ShownText(&b.view), QStringLiteral("a\nb"));
    EXPECT_EQ(b.view.Lines().LineCount(), 2u);
}

// Program writes, typing and selection moves in random order: the view's
// lines, caret and selection always match the document.
TEST(EditorView, DocumentAndViewAgreeUnderRandomEdits) {
    Box b;
    for (unsigned seed = 1; seed <= 6; ++seed) {
        b.view.SetWrap(seed % 2 == 0);  // and in rows
        std::mt19937 rng(seed);
        auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
        b.doc.SetText(u"");
        const std::u16string alphabet = u"ab\r\n\r\n中 \U0001F600";
        for (int step = 0; step < 150; ++step) {
            std::u16string piece;
            for (std::size_t i = pick(5); i > 0; --i) piece += alphabet[pick(alphabet.size())];
            const std::size_t len = b.doc.Length();
            const std::size_t pos = pick(len + 1);
            switch (pick(6)) {
                case 0:
                    b.doc.Replace(pos, pick(len - pos + 1) % 4, piece);
                    break;
                case 1:
                    b.doc.AppendText(piece);
                    break;
                case 2:
                    b.doc.SetSelection(static_cast<int>(pos), static_cast<int>(pick(3)),
                                       qm::EditSource::Program);
                    break;
                case 3:
                    b.Type(pick(2) ? "x" : "中");
                    break;
                case 4:
                    b.Key(pick(2) ? Qt::Key_Return : Qt::Key_Backspace);
                    break;
                default:
                    b.Key(pick(2) ? Qt::Key_Left : Qt::Key_Up,
                          pick(2) ? Qt::ShiftModifier : Qt::NoModifier);
                    break;
            }
            const std::string where =
                "seed " + std::to_string(seed) + " step " + std::to_string(step);
            ASSERT_EQ(uitest::ShownText(&b.view), Expected(b.doc.Text())) << where;
            const std::size_t a = std::min(b.view.Anchor(), b.view.Caret());
            ASSERT_EQ(a, static_cast<std::size_t>(b.doc.SelStart())) << where;
            ASSERT_EQ(std::max(b.view.Anchor(), b.view.Caret()) - a,
                      static_cast<std::size_t>(b.doc.SelLength()))
                << where;
        }
    }
}

// A line of five million characters is wider than a 26.6 fixed-point layout
// can place; drawn in chunks it paints glyphs side by side, and clicking
// where a character is drawn finds that character, to its very end.
TEST(EditorView, AFiveMillionCharacterLineDrawsAndHitTestsRight) {
    Box b;
    std::u16string line;
    line.reserve(5'000'000);
    std::mt19937 rng(3);
    while (line.size() < 5'000'000)
        line += (rng() % 4 == 0) ? u'a' + rng() % 26 : 0x4E00 + rng() % 2000;
    b.doc.SetText(line);
    QCoreApplication::processEvents();
    b.view.Flush();
    QScrollBar* h = b.view.horizontalScrollBar();
    ASSERT_GT(h->maximum(), 40'000'000) << "the whole line's width, past 26.6 fixed point";

    for (const double at : {0.0, 0.5, 0.999}) {
        h->setValue(static_cast<int>(h->maximum() * at));
        QCoreApplication::processEvents();
        const double hx = h->value();
        const std::vector<EditorView::Piece> pieces =
            b.view.PiecesIn(0, hx, hx + b.view.viewport()->width());
        ASSERT_FALSE(pieces.empty());
        // Glyphs, in line coordinates, never overlap (runs come font by font,
        // so sort them first).
        std::vector<std::pair<double, double>> spans;
        for (const EditorView::Piece& p : pieces) {
            for (const QGlyphRun& run : p.layout->glyphRuns()) {
                const QList<QPointF> positions = run.positions();
                const QList<QPointF> advances =
                    run.rawFont().advancesForGlyphIndexes(run.glyphIndexes());
                for (qsizetype g = 0; g < positions.size(); ++g) {
                    const double left = p.x + positions[g].x();
                    spans.emplace_back(left, left + advances[g].x());
                }
            }
        }
        std::sort(spans.begin(), spans.end());
        for (std::size_t g = 1; g < spans.size(); ++g) {
            ASSERT_GE(spans[g].first, spans[g - 1].second - 0.5) << "overlap at " << spans[g].first;
        }
        const std::size_t glyphs = spans.size();
        EXPECT_GT(glyphs, 20u);
        // Hit testing is the inverse of placing.
        const std::size_t mid = b.view.PositionAt(QPointF(b.view.viewport()->width() / 2.0, 5));
        const QPointF p = b.view.PointOf(mid);
        EXPECT_EQ(b.view.PositionAt(QPointF(p.x() + 1, 5)), mid);
        EXPECT_GE(p.x(), 0);
        EXPECT_LT(p.x(), b.view.viewport()->width());
        // Something is really painted there.
        const QImage shot = b.view.viewport()->grab().toImage();
        int dark = 0;
        for (int x = 0; x < shot.width(); ++x) {
            for (int y = 0; y < b.view.LineHeight(); ++y) dark += qGray(shot.pixel(x, y)) < 128;
        }
        EXPECT_GT(dark, 100) << "at " << at;
    }
    // Typing at the end of the line goes where the caret is shown.
    b.view.setFocus();
    b.Key(Qt::Key_End);
    b.Type("Z");
    EXPECT_EQ(b.doc.Text().back(), u'Z');
    EXPECT_EQ(b.doc.Length(), 5'000'001u);
    const QRect caret = b.view.cursorRect();
    EXPECT_GE(caret.x(), 0);
    EXPECT_LT(caret.x(), b.view.viewport()->width());
}

TEST(EditorView, AWrappedLongLineScrollsToItsLastRowAndHitTestsRight) {
    Box b;
    b.view.resize(300, 300);  // narrow: rows end short of the edge, past the estimates
    b.view.SetWrap(true);
    std::u16string line;
    while (line.size() < 60'000) line += u"长行中的文字，and some English words。";
    b.doc.SetText(line);
    b.view.Flush();
    const QRect screen = b.view.viewport()->rect();
    // Its rows are estimated until laid out: the end is still reached and shown.
    for (const Qt::Key k : {Qt::Key_End, Qt::Key_PageUp, Qt::Key_Home, Qt::Key_PageDown}) {
        b.Key(k, k == Qt::Key_End || k == Qt::Key_Home ? Qt::ControlModifier : Qt::NoModifier);
        b.view.Flush();
        EXPECT_TRUE(screen.contains(b.view.cursorRect().center())) << k;
        // Hit testing is the inverse of placing, row by row.
        const QPointF p = b.view.PointOf(b.view.Caret());
        EXPECT_EQ(b.view.PositionAt(p + QPointF(1, b.view.LineHeight() / 2.0)), b.view.Caret());
    }
    EXPECT_GT(b.view.FirstVisibleRow(), 0u);
    // The bar drags through the one line: half way is about half its rows.
    b.Key(Qt::Key_End, Qt::ControlModifier);
    const double lastTop = static_cast<double>(b.view.FirstVisibleRow());
    QScrollBar* bar = b.view.verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    EXPECT_NEAR(static_cast<double>(b.view.FirstVisibleRow()), lastTop / 2, lastTop / 20);
}

TEST(EditorView, ScreenReadersGetTextCaretAndSelection) {
    Box b;
    b.doc.SetText(u"你好 world");
    b.doc.SetSelStart(2);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&b.view);
    ASSERT_NE(iface, nullptr);
    QAccessibleTextInterface* text = iface->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::EditableText);
    EXPECT_EQ(text->characterCount(), 8);
    EXPECT_EQ(text->text(0, 2), QStringLiteral("你好"));
    EXPECT_EQ(text->cursorPosition(), 2);
    text->setSelection(0, 3, 8);
    EXPECT_EQ(b.doc.SelStart(), 3);
    EXPECT_EQ(b.doc.SelLength(), 5);
    int s = 0, e = 0;
    text->selection(0, &s, &e);
    EXPECT_EQ(s, 3);
    EXPECT_EQ(e, 8);
}

TEST(EditorView, DroppedTextGoesInAndADroppedFileOpens) {
    auto w = uitest::StartForm();
    EditorView* view = w->Box();
    w->Doc().SetText(u"ab");
    QCoreApplication::processEvents();
    view->Flush();
    const QPointF between = view->PointOf(1);
    const QPoint at(static_cast<int>(between.x()) + 1, view->LineHeight() / 2);
    {
        QMimeData text;
        text.setText(QStringLiteral("X\nY"));
        QDragEnterEvent enter(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(at, Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &drop);
    }
    EXPECT_EQ(w->Doc().Text(), u"aX\r\nYb");

    w->History().MarkSaved();  // the dropped text is saved: no question on opening
    QTemporaryDir dir;
    const QString path = dir.filePath("dropped.txt");
    ASSERT_TRUE(uitest::WriteBytes(path, QByteArray("\xC4\xE3\xBA\xC3\r\nabc")));  // 你好 / abc
    QMimeData file;
    file.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(at, Qt::CopyAction, &file, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &file, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &drop);
    EXPECT_EQ(w->Doc().Text(), u"你好\r\nabc");
    EXPECT_EQ(w->findChild<QLabel*>("Panel2")->text(), QStringLiteral("共1行"));
    EXPECT_EQ(w->findChild<QLabel*>("Panel5")->text(), path);
}

TEST(EditorView, CtrlWordKeysWorkInsideAVeryLongLine) {
    // A line long enough to be laid out in chunks: word moves look only near the caret.
    Box b;
    std::u16string text;
    for (int i = 0; i < 3000; ++i) text += u"ab ";
    text += u"\r\n中国人";
    b.doc.SetText(text);
    b.doc.SetSelStart(4500);
    QCoreApplication::processEvents();
    b.Key(Qt::Key_Right, Qt::ControlModifier);
    EXPECT_EQ(b.view.Caret(), 4503u);
    b.Key(Qt::Key_Left, Qt::ControlModifier);
    b.Key(Qt::Key_Left, Qt::ControlModifier);
    EXPECT_EQ(b.view.Caret(), 4497u);
    b.Key(Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(b.doc.Length(), text.size() - 3);
    b.Key(Qt::Key_End, Qt::ControlModifier);
    EXPECT_EQ(b.view.Caret(), b.doc.Length());
    b.Key(Qt::Key_Backspace, Qt::ControlModifier);  // 中国人 is one word
    EXPECT_EQ(b.doc.Text().substr(b.doc.Length() - 2), u"\r\n");
    b.Key(Qt::Key_Left, Qt::ControlModifier | Qt::ShiftModifier);  // over the line break
    EXPECT_EQ(b.view.Caret(), b.doc.Length() - 2);
    EXPECT_EQ(b.view.SelectedText(), QStringLiteral("\r\n"));
    b.Key(Qt::Key_Home, Qt::ControlModifier);
    EXPECT_EQ(b.view.Caret(), 0u);
    EXPECT_EQ(b.view.SelectedText(), QString());
}
