#ifndef PREVIEW_H
#define PREVIEW_H

#include <QSize>
#include <QString>

class QImage;
class QWidget;

// The preview window: the card's picture, painted by the print pipeline, a
// quarter of the screen width wide, so the card looks the same size relative
// to every screen.
namespace preview {

// Width of the full size of the first screen; the preview is sized by it.
int screenWidth();

// The window title: "Просмотр", followed by how many fields do not fit and
// by a note about the font, when there is something to say.
QString title(int overflowing, const QString& fontNote);

// Fixed size of the preview window: a quarter of the screen wide, in the
// proportions of the blank (14 / 11).
QSize windowSize(int screenWidth);
// The same, scaled down in the blank's proportions to availableHeight pixels
// when it would be taller (a wide, low screen); no limit for 0 or less.
QSize windowSize(int screenWidth, int availableHeight);
// The size the window is shown at on this screen: windowSize(screenWidth)
// scaled down to the screen's available height.
QSize shownSize(int screenWidth);

// Opens a new parentless window of shownSize(screenWidth) showing the
// card's picture (printjob::previewCard) and returns it. The window deletes
// itself when the operator closes it; Esc closes it.
QWidget* show(const QImage& picture, int screenWidth, const QString& title = QStringLiteral("Просмотр"));

} // namespace preview

#endif // PREVIEW_H
