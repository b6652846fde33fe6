#ifndef LAYOUTGEOMETRY_H
#define LAYOUTGEOMETRY_H

#include "card/cardlayout.h"

#include <QPointF>

// Geometry of the fields on the blank as the layout editor handles it.
// "coords" hold millimetres of the blank: its 110 mm are printed across the
// 105 mm of A6 paper, so one of them is 105/110 of a millimetre on paper. The
// operator reads and types true millimetres on paper; these functions turn
// one into the other and keep the rectangles on the blank.
namespace layoutgeometry {

constexpr float kPaperWidthMm = 105.0f;
constexpr float kCardHeightMm = 140.0f;  // of the blank, in its own millimetres
constexpr float kMinSideMm = 2.0f;       // a rectangle is never narrower or lower

float toPaperMm(float cardMm);
float toCardMm(float paperMm);

// The rectangle moved and, if need be, shrunk so that it lies on the blank.
cardlayout::FieldRect keptOnCard(cardlayout::FieldRect rect);

// The part of a rectangle that a pointer grabs.
enum class Grip { None, Body, TopLeft, TopRight, BottomLeft, BottomRight };

// What lies under the point (blank millimetres); a corner wins within
// toleranceMm of it.
Grip gripAt(const cardlayout::FieldRect& rect, QPointF point, float toleranceMm);

// The rectangle after its grip was dragged by (dx, dy) blank millimetres:
// moved for Body, the grabbed corner moved for a corner (the opposite one
// stays), never smaller than kMinSideMm, held on the blank.
cardlayout::FieldRect dragged(const cardlayout::FieldRect& rect, Grip grip, float dx, float dy);

// One of the four numbers set to a value typed in paper millimetres, the
// rectangle then held on the blank (a width beyond the blank is cut to it).
enum class Side { Left, Top, Width, Height };
cardlayout::FieldRect withPaperValue(const cardlayout::FieldRect& rect, Side side, float paperMm);
float paperValue(const cardlayout::FieldRect& rect, Side side);

} // namespace layoutgeometry

#endif // LAYOUTGEOMETRY_H
