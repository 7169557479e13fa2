// Moving a caption-less window (or any window) by dragging one of its pictures.
#pragma once

#include <QObject>
#include <QPoint>
#include <functional>

class QWidget;

namespace vantrell {

// Makes a left-button drag on `handle` move `window`. The window system moves the window
// where it can; elsewhere the window follows the mouse by hand. Returns the filter object
// (owned by handle).
QObject *makeDragHandle(QWidget *handle, QWidget *window);

// Tests count drag starts through this hook instead of moving windows.
void setDragStartHook(std::function<void(QWidget *window)> hook);

} // namespace vantrell
