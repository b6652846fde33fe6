#ifndef CALIBRATION_H
#define CALIBRATION_H

#include "card/cardlayout.h"

#include <QString>

class QPainter;
class QWidget;

// The calibration sheet: printed on plain paper where the card would print,
// and laid on a blank against the light, it shows how far the shifts are off.
// It holds the outline of every field's rectangle with its key inside,
// millimetre rulers along the card's top and left edges (a tick every
// millimetre, a longer one every 5, a number every 10) and crosshairs at the
// card's corners, all moved by the shifts as the card's texts are.
namespace calibration {

// The blank is 110 by 140 millimetres (its picture is 1300 by 1654 pixels).
constexpr float kCardHeightMm = 140.0f;

// Lengths of the ruler ticks and of the crosshairs' arms, card millimetres.
constexpr float kTickMm = 1.5f;
constexpr float kLongTickMm = 3.0f;
constexpr float kCrossMm = 4.0f;

// Where a ruler's number for the given millimetre is centred, in points:
// along the top ruler its x (and below the ticks), along the left ruler its y.
float topRulerX(int mm, float s, const cardlayout::Shift& shift);
float leftRulerY(int mm, float s, const cardlayout::Shift& shift);

// Paints the sheet onto a begun page, s points per card millimetre.
void paintSheet(QPainter& painter, const cardlayout::CoordTable& coords, float s, const cardlayout::Shift& shift);

// Prints the sheet on the named printer (the system default when the name is
// empty), asking first when the printer knows no A6 paper. False, with a
// message shown, when it could not be printed; false without one when the
// operator cancelled.
bool printSheet(QWidget* parent, const QString& printerName, const cardlayout::CoordTable& coords,
                const cardlayout::Shift& shift);

// The shifts that put the text on the line, from what the sheet showed: the
// text lies `belowMm` below the line (negative: above) and `rightMm` right of
// it (negative: left), millimetres on paper as a ruler measures them. The
// shifts are in millimetres of the blank (105/110 of one on paper). A
// positive shift moves the text up and right.
cardlayout::Shift corrected(const cardlayout::Shift& shift, float belowMm, float rightMm);

} // namespace calibration

#endif // CALIBRATION_H
