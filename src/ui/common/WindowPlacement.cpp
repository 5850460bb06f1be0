#include "ui/common/WindowPlacement.h"

#include <QGuiApplication>
#include <QMargins>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace ui {

namespace {

QRect& Override() {
    static QRect area;
    return area;
}

// The window manager's frame around a window. Before a window is first shown
// its frame is unknown: a title bar and thin borders are assumed, so that the
// frame still fits once the window manager adds it.
QMargins FrameMargins(const QWidget* w) {
    if (w && w->isVisible()) {
        const QRect f = w->frameGeometry();
        const QRect g = w->geometry();
        return QMargins(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(),
                        f.bottom() - g.bottom());
    }
    return QMargins(4, 32, 4, 4);
}

void SetFrame(QWidget* w, const QRect& frame, const QMargins& m) {
    const QRect client = frame.marginsRemoved(m);
    w->resize(client.size().expandedTo(w->minimumSize()));
    w->move(frame.topLeft());  // move() places the frame's top-left corner
}

}  // namespace

QRect AvailableArea(const QWidget* window) {
    if (!Override().isEmpty()) return Override();
    QScreen* screen = window ? window->screen() : nullptr;
    if (!screen) screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 700);
}

void SetAvailableAreaOverride(const QRect& area) { Override() = area; }

QRect FitInside(QRect frame, const QRect& area) {
    frame.setWidth(std::min(frame.width(), area.width()));
    frame.setHeight(std::min(frame.height(), area.height()));
    frame.moveLeft(std::clamp(frame.left(), area.left(), area.right() + 1 - frame.width()));
    frame.moveTop(std::clamp(frame.top(), area.top(), area.bottom() + 1 - frame.height()));
    return frame;
}

QRect ToolWindowFrame(QSize frame, const QRect& mainFrame, const QRect& area) {
    QRect r(QPoint(0, 0), frame);
    r.moveCenter(mainFrame.isValid() ? mainFrame.center() : area.center());
    return FitInside(r, area);
}

void PlaceMainWindow(QWidget* window, QSize wanted) {
    const QRect area = AvailableArea(window);
    const QMargins m = FrameMargins(window);
    QRect frame(QPoint(0, 0), wanted.grownBy(m));
    frame.moveCenter(area.center());
    SetFrame(window, FitInside(frame, area), m);
}

void PlaceToolWindow(QWidget* tool, const QWidget* mainWindow) {
    const QRect area = AvailableArea(mainWindow ? mainWindow : tool);
    // A tool window gets the same frame as the main window.
    const QMargins m = FrameMargins(mainWindow);
    const QRect mainFrame = mainWindow ? mainWindow->frameGeometry() : QRect();
    // A window not given a size gets its layout's when shown.
    const QSize wanted = tool->testAttribute(Qt::WA_Resized) ? tool->size() : tool->sizeHint();
    const QSize size = wanted.expandedTo(tool->minimumSizeHint());
    SetFrame(tool, ToolWindowFrame(size.grownBy(m), mainFrame, area), m);
}

}  // namespace ui
