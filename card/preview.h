#ifndef PREVIEW_H
#define PREVIEW_H

#include <QSize>

class QWidget;

// The preview window: a snapshot of the filled card scaled to a quarter of the
// screen width, so the card looks the same size relative to every screen.
namespace preview {

// Width of the full size of the first screen; the preview is sized by it.
int screenWidth();

// Point size of a card label for a field of the given letter size: the card
// is 750 pixels wide and shown at a quarter of the screen width. At least 1.
int pointSize(int size, int screenWidth);

// Fixed size of the preview window: a quarter of the screen wide, in the
// proportions of the blank (14 / 11).
QSize windowSize(int screenWidth);

// Opens a new parentless window titled "Просмотр" with the card's picture and
// returns it. The window deletes itself when the operator closes it.
QWidget* show(QWidget* card, int screenWidth);

} // namespace preview

#endif // PREVIEW_H
