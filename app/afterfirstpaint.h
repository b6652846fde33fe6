#ifndef AFTERFIRSTPAINT_H
#define AFTERFIRSTPAINT_H

#include <functional>

class QWidget;

// Runs work once, from the event loop, after widget has first been painted:
// for work that the window does not need in order to appear.
void runAfterFirstPaint(QWidget* widget, std::function<void()> work);

#endif // AFTERFIRSTPAINT_H
