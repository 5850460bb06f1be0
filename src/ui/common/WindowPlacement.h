// Windows open inside the screen's available area (the screen less its
// panels), tool windows over the main window rather than at a fixed place.
#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace ui {

// The available area of the screen a window is on (the primary screen for
// none). Tests stand in a screen of their own with SetAvailableAreaOverride;
// an empty rectangle goes back to the real screen.
QRect AvailableArea(const QWidget* window = nullptr);
void SetAvailableAreaOverride(const QRect& area);

// A frame moved (and, when larger, shrunk) to lie inside the area.
QRect FitInside(QRect frame, const QRect& area);

// Where a tool window's frame goes: centred over the main window's frame,
// then moved inside the area.
QRect ToolWindowFrame(QSize frame, const QRect& mainFrame, const QRect& area);

// Gives a main window its wanted size, or less, so that its frame fits the
// available area, and centres it there.
void PlaceMainWindow(QWidget* window, QSize wanted);

// Places a new tool window over the main window, inside the available area.
void PlaceToolWindow(QWidget* tool, const QWidget* mainWindow);

}  // namespace ui
