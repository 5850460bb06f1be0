// Binds the document to the editor widget.
//
// The document is the truth; the widget shows it. Typing, pasting and
// deleting in the widget become document edits (a widget line break is one
// character, a document CR LF two units, so positions are translated). The
// program's own writes reach the widget lazily: the changed lines are replaced
// when Flush() runs (on the next event loop pass, before any user input, and
// wherever a long command yields), so a command that writes the text once per
// line does not rebuild the widget once per line.
//
// Lone CR and lone LF are ordinary characters of the document; the widget shows
// them as the marks ␍ and ␊. Their text is never read back from the widget, so
// they survive untouched.
#pragma once

#include <QObject>
#include <QString>
#include <string>
#include <string_view>

#include "core/Document.h"

class QPlainTextEdit;
class QTextBlock;

namespace ui {

class EditorBinding : public QObject {
    Q_OBJECT
  public:
    EditorBinding(qm::Document& doc, QPlainTextEdit* box);

    // Brings the widget's text and selection up to date with the document.
    void Flush();
    // Lines as the editor lays them out (at least one).
    int LayoutLineCount();

    // Document text as the widget shows it: CR LF becomes U+2029 (a widget
    // line break), characters the widget would take as breaks become marks.
    static QString ToWidgetText(std::u16string_view text);
    // Text typed or pasted into the widget: its line breaks become CR LF.
    static std::u16string FromWidgetText(const QString& text);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void OnDocumentChange(const qm::TextChange& c);
    void OnDocumentSelection(qm::EditSource source);
    void OnContentsChange(int pos, int removed, int added);
    void OnWidgetCursor();
    void ApplySelection();
    void ScheduleFlush();

    // Position translation between document units and widget characters.
    int BlockOfDocPos(std::size_t p) const;
    std::size_t DocPosOfBlock(const QTextBlock& b) const;
    int DocToWidget(std::size_t p) const;
    std::size_t WidgetToDoc(int w) const;

    qm::Document& doc_;
    QPlainTextEdit* box_;
    bool muted_ = false;     // true while the binding itself edits the widget
    bool dirty_ = false;     // the document changed since the widget was synced
    bool selDirty_ = false;  // the selection changed since then
    bool flushQueued_ = false;
    std::size_t dirtyStart_ = 0;  // first document unit that may differ
    std::size_t dirtyTail_ = 0;   // units at the end that certainly do not differ
    std::size_t syncedLen_ = 0;   // document length when the widget was synced
};

}  // namespace ui
