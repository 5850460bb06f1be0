#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <random>

#include "core/Document.h"
#include "ui/EditorBinding.h"

using ui::EditorBinding;

namespace {

// The widget's whole text with its block breaks as U+2029, as the binding writes them.
QString WidgetText(QPlainTextEdit& box) {
    QTextCursor c(box.document());
    c.select(QTextCursor::Document);
    return c.selectedText();
}

}  // namespace

TEST(EditorBinding, WidgetFormOfLineBreaks) {
    EXPECT_EQ(EditorBinding::ToWidgetText(u"a\r\nb\rc\nd\u2029"),
              QStringLiteral("a\u2029b\u240Dc\u240Ad\u00B6"));
    EXPECT_EQ(EditorBinding::FromWidgetText(QStringLiteral("a\u2029b\nc")), u"a\r\nb\r\nc");
}

// Random edits from both sides: the program's writes (flushed lazily, several
// at a time) and typing in the widget must leave the two showing the same text,
// and lone CR/LF must never be replaced by their marks.
TEST(EditorBinding, DocumentAndWidgetStayTheSameUnderRandomEdits) {
    for (unsigned seed = 1; seed <= 10; ++seed) {
        std::mt19937 rng(seed);
        auto pick = [&rng](std::size_t n) { return static_cast<std::size_t>(rng() % n); };
        qm::Document doc;
        QPlainTextEdit box;
        EditorBinding binding(doc, &box);
        const std::u16string alphabet = u"ab\r\n\r\n中 ";
        for (int step = 0; step < 200; ++step) {
            std::u16string piece;
            for (std::size_t i = pick(5); i > 0; --i) piece += alphabet[pick(alphabet.size())];
            const std::size_t len = doc.Length();
            const std::size_t pos = pick(len + 1);
            const std::size_t del = pick(len - pos + 1) % 4;
            switch (pick(5)) {
                case 0:
                    doc.Replace(pos, del, piece, qm::EditSource::Program);
                    break;
                case 1:
                    doc.AppendText(piece);
                    break;
                case 2:
                    if (pick(10) == 0) doc.SetText(piece);
                    break;
                default: {
                    // Typing in the widget: only after the widget is up to date, as
                    // the binding guarantees before user input.
                    binding.Flush();
                    QTextCursor c(box.document());
                    const int chars = box.document()->characterCount() - 1;
                    const int at = static_cast<int>(pick(static_cast<std::size_t>(chars) + 1));
                    c.setPosition(at);
                    c.setPosition(std::min(chars, at + static_cast<int>(pick(3))),
                                  QTextCursor::KeepAnchor);
                    c.insertText(pick(2) ? QStringLiteral("x") : QStringLiteral("y\nz"));
                    break;
                }
            }
            if (pick(3) == 0) {
                binding.Flush();
                ASSERT_EQ(WidgetText(box), EditorBinding::ToWidgetText(doc.Text()))
                    << "seed " << seed << " step " << step;
            }
        }
    }
}
