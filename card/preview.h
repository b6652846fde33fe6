#ifndef PREVIEW_H
#define PREVIEW_H

#include <QRect>
#include <QSize>
#include <QString>
#include <QVector>

class QWidget;

// The preview window: a snapshot of the filled card scaled to a quarter of the
// screen width, so the card looks the same size relative to every screen.
namespace preview {

// Width of the full size of the first screen; the preview is sized by it.
int screenWidth();

// Point size of a card label for a field of the given letter size. The
// card's picture is 750 pixels wide and scaled with the window, so the letters
// keep their proportion to it when they do not depend on the screen: they get
// the size they have always had on a 1920 pixel wide screen. At least 1.
int pointSize(int size);

// The window title: "Просмотр", followed by how many fields do not fit and
// by a note about the font, when there is something to say.
QString title(int overflowing, const QString& fontNote);

// Fixed size of the preview window: a quarter of the screen wide, in the
// proportions of the blank (14 / 11).
QSize windowSize(int screenWidth);
// The same, scaled down in the blank's proportions to availableHeight pixels
// when it would be taller (a wide, low screen); no limit for 0 or less.
QSize windowSize(int screenWidth, int availableHeight);

// Opens a new parentless window with the card's picture and returns it. The
// rectangles (in the card's own pixels) are outlined in red. The window
// deletes itself when the operator closes it.
QWidget* show(QWidget* card, int screenWidth, const QString& title = QStringLiteral("Просмотр"),
              const QVector<QRect>& outlines = {});

} // namespace preview

#endif // PREVIEW_H
