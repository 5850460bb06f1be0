#include "ui/editor/EditorAccessible.h"

#include <QAccessibleWidget>
#include <QScrollBar>

#include "ui/editor/EditorView.h"

namespace ui {

namespace {

class EditorAccessible : public QAccessibleWidget, public QAccessibleTextInterface {
  public:
    explicit EditorAccessible(EditorView* view)
        : QAccessibleWidget(view, QAccessible::EditableText), view_(view) {}

    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.editable = !view_->isReadOnly();
        s.readOnly = view_->isReadOnly();
        s.multiLine = true;
        s.selectableText = true;
        return s;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Value) return Slice(0, characterCount());
        return QAccessibleWidget::text(t);
    }

    // QAccessibleTextInterface
    void selection(int index, int* start, int* end) const override {
        *start = *end = 0;
        if (index != 0 || view_->Anchor() == view_->Caret()) return;
        *start = static_cast<int>(std::min(view_->Anchor(), view_->Caret()));
        *end = static_cast<int>(std::max(view_->Anchor(), view_->Caret()));
    }
    int selectionCount() const override { return view_->Anchor() == view_->Caret() ? 0 : 1; }
    void addSelection(int start, int end) override { setSelection(0, start, end); }
    void removeSelection(int) override { Select(view_->Caret(), 0); }
    void setSelection(int, int start, int end) override {
        const int a = std::clamp(std::min(start, end), 0, characterCount());
        const int b = std::clamp(std::max(start, end), 0, characterCount());
        Select(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a));
    }
    int cursorPosition() const override { return static_cast<int>(view_->Caret()); }
    void setCursorPosition(int position) override {
        Select(static_cast<std::size_t>(std::clamp(position, 0, characterCount())), 0);
    }
    QString text(int startOffset, int endOffset) const override {
        return Slice(startOffset, endOffset);
    }
    int characterCount() const override { return static_cast<int>(view_->Doc().Length()); }
    QRect characterRect(int offset) const override {
        const QPointF a = view_->PointOf(static_cast<std::size_t>(offset));
        const QPointF b =
            view_->PointOf(static_cast<std::size_t>(std::min(offset + 1, characterCount())));
        const int w = std::max(1, static_cast<int>(b.x() - a.x()));
        const QPoint top = view_->viewport()->mapToGlobal(a.toPoint());
        return QRect(top, QSize(w, view_->LineHeight()));
    }
    int offsetAtPoint(const QPoint& point) const override {
        return static_cast<int>(view_->PositionAt(view_->viewport()->mapFromGlobal(point)));
    }
    void scrollToSubstring(int startIndex, int) override {
        Select(static_cast<std::size_t>(std::clamp(startIndex, 0, characterCount())), 0);
    }
    QString attributes(int offset, int* startOffset, int* endOffset) const override {
        *startOffset = *endOffset = offset;
        return QString();
    }

  private:
    QString Slice(int start, int end) const {
        const int n = characterCount();
        start = std::clamp(start, 0, n);
        end = std::clamp(end, start, n);
        return QString::fromStdU16String(view_->Doc().Text().substr(
            static_cast<std::size_t>(start), static_cast<std::size_t>(end - start)));
    }
    void Select(std::size_t start, std::size_t length) {
        view_->Doc().SetSelection(static_cast<std::int32_t>(start),
                                  static_cast<std::int32_t>(length), qm::EditSource::Program);
    }

    EditorView* view_;
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (className == QLatin1String("ui::EditorView") && object && object->isWidgetType()) {
        return new EditorAccessible(static_cast<EditorView*>(object));
    }
    return nullptr;
}

}  // namespace

void InstallEditorAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

}  // namespace ui
