#ifndef CALIBRATION_H
#define CALIBRATION_H

#include "card/cardlayout.h"

#include <QLineF>
#include <QRectF>
#include <QString>
#include <QVector>

class QPainter;
class QPrinter;
class QWidget;

// The calibration sheet: printed on plain paper where the card would print,
// and laid on a blank against the light, it shows how far the shifts are off.
// It holds the outline of every field's rectangle with the field's Russian
// name inside, a printed instruction, millimetre rulers along the blank's top
// and left edges and four crosshairs, all moved by the shifts as the card's
// texts are. Rulers and crosshairs count true millimetres on paper from the
// blank's edges and are kept inside the printer's printable area: a ruler
// whose edge lies outside it runs along the area's edge instead, and a
// crosshair moves inward in steps of 5 mm, its distances written beside it.
namespace calibration {

// The blank is 110 by 140 of its millimetres (its picture is 1300 by 1654 pixels).
constexpr float kCardHeightMm = 140.0f;

// Lengths on paper, in millimetres.
constexpr double kTickMm = 1.5;
constexpr double kLongTickMm = 3.0;
constexpr double kCrossMm = 4.0;
constexpr double kEdgeGapMm = 1.0;  // kept free inside the printable area

struct Label
{
    QRectF box;  // points on the page; the text is centred in it
    QString text;
};

// What the sheet draws besides the fields, in points on the page.
struct SheetMarks
{
    QVector<QLineF> lines;   // ruler ticks and crosshair arms
    QVector<Label> labels;   // ruler numbers and the crosshairs' distances
    QRectF instruction;      // where the instruction is written
};

// The marks for a page whose printable area is `printable` (points), s points
// per millimetre of the blank, the blank moved by the shifts.
SheetMarks sheetMarks(const QRectF& printable, float s, const cardlayout::Shift& shift);

// The instruction printed on the sheet.
QString instructionText();

// The printer's printable area in points on the page.
QRectF printableArea(const QPrinter& printer);

// Paints the sheet onto a begun page.
void paintSheet(QPainter& painter, const cardlayout::CoordTable& coords, float s, const cardlayout::Shift& shift,
                const QRectF& printable);

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
