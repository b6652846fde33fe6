#include "card/layoutgeometry.h"

#include <QtGlobal>

#include <cmath>

namespace layoutgeometry {

namespace {

float limited(float value, float low, float high)
{
    if (std::isnan(value))
        return low;
    return qBound(low, value, high);
}

bool near(float a, float b, float tolerance)
{
    return std::fabs(a - b) <= tolerance;
}

} // namespace

float toPaperMm(float cardMm)
{
    return cardMm * kPaperWidthMm / cardlayout::kCardWidthMm;
}

float toCardMm(float paperMm)
{
    return paperMm * cardlayout::kCardWidthMm / kPaperWidthMm;
}

cardlayout::FieldRect keptOnCard(cardlayout::FieldRect rect)
{
    rect.width = limited(rect.width, kMinSideMm, cardlayout::kCardWidthMm);
    rect.height = limited(rect.height, kMinSideMm, kCardHeightMm);
    rect.left = limited(rect.left, 0, cardlayout::kCardWidthMm - rect.width);
    rect.top = limited(rect.top, 0, kCardHeightMm - rect.height);
    return rect;
}

Grip gripAt(const cardlayout::FieldRect& rect, QPointF point, float toleranceMm)
{
    const float x = float(point.x());
    const float y = float(point.y());
    const float right = rect.left + rect.width;
    const float bottom = rect.top + rect.height;
    const bool left = near(x, rect.left, toleranceMm);
    const bool atRight = near(x, right, toleranceMm);
    const bool top = near(y, rect.top, toleranceMm);
    const bool atBottom = near(y, bottom, toleranceMm);
    if (top && left)
        return Grip::TopLeft;
    if (top && atRight)
        return Grip::TopRight;
    if (atBottom && left)
        return Grip::BottomLeft;
    if (atBottom && atRight)
        return Grip::BottomRight;
    if (x >= rect.left && x <= right && y >= rect.top && y <= bottom)
        return Grip::Body;
    return Grip::None;
}

cardlayout::FieldRect dragged(const cardlayout::FieldRect& rect, Grip grip, float dx, float dy)
{
    if (grip == Grip::Body) {
        cardlayout::FieldRect moved = rect;
        moved.left += dx;
        moved.top += dy;
        return keptOnCard(moved);
    }
    float left = rect.left;
    float top = rect.top;
    float right = rect.left + rect.width;
    float bottom = rect.top + rect.height;
    const bool westSide = grip == Grip::TopLeft || grip == Grip::BottomLeft;
    const bool northSide = grip == Grip::TopLeft || grip == Grip::TopRight;
    if (grip == Grip::None)
        return rect;
    // The grabbed corner stays on the blank and at least kMinSideMm from the
    // opposite one, which does not move.
    if (westSide)
        left = limited(left + dx, 0, right - kMinSideMm);
    else
        right = limited(right + dx, left + kMinSideMm, cardlayout::kCardWidthMm);
    if (northSide)
        top = limited(top + dy, 0, bottom - kMinSideMm);
    else
        bottom = limited(bottom + dy, top + kMinSideMm, kCardHeightMm);
    return keptOnCard({left, top, right - left, bottom - top});
}

cardlayout::FieldRect withPaperValue(const cardlayout::FieldRect& rect, Side side, float paperMm)
{
    cardlayout::FieldRect changed = rect;
    const float cardMm = toCardMm(paperMm);
    switch (side) {
    case Side::Left:
        changed.left = cardMm;
        break;
    case Side::Top:
        changed.top = cardMm;
        break;
    case Side::Width:
        changed.width = cardMm;
        break;
    case Side::Height:
        changed.height = cardMm;
        break;
    }
    // A width that no longer fits from where the field starts moves the field
    // left rather than being cut: what was typed is what is printed.
    return keptOnCard(changed);
}

float paperValue(const cardlayout::FieldRect& rect, Side side)
{
    switch (side) {
    case Side::Left:
        return toPaperMm(rect.left);
    case Side::Top:
        return toPaperMm(rect.top);
    case Side::Width:
        return toPaperMm(rect.width);
    case Side::Height:
        break;
    }
    return toPaperMm(rect.height);
}

} // namespace layoutgeometry
