#include "card/calibration.h"

#include "card/fitcheck.h"
#include "card/layoutgeometry.h"

#include <QFont>
#include <QPageLayout>
#include <QPainter>
#include <QPen>

#include <algorithm>

namespace calibration {

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;
constexpr int kNumberSize = 6;  // points
constexpr int kNameSize = 7;
constexpr int kInstructionSize = 7;
constexpr double kNumberGapMm = 0.5;
constexpr double kNumberWidth = 16;   // points: three digits at kNumberSize
constexpr double kCaptionWidth = 40;
constexpr double kLabelHeight = 8;
constexpr double kCrossStepMm = 5;

double pt(double paperMm)
{
    return paperMm * kPointsPerMm;
}

double tickLength(int mm)
{
    return pt(mm % 5 == 0 ? kLongTickMm : kTickMm);
}

// The blank's top-left corner on the page, shifts applied.
QPointF blankOrigin(float s, const cardlayout::Shift& shift)
{
    return QPointF(double(shift.lrShift * s), double(-shift.udShift * s));
}

QSizeF blankSize(float s)
{
    return QSizeF(double(cardlayout::kCardWidthMm * s), double(kCardHeightMm * s));
}

bool within(const QRectF& area, double low, double high, double value, bool horizontal)
{
    return horizontal ? value >= area.left() && value <= area.right() && low >= area.top() && high <= area.bottom()
                      : value >= area.top() && value <= area.bottom() && low >= area.left() && high <= area.right();
}

// Where the two rulers meet, a number of one would cover one of the other.
bool overlaps(const SheetMarks& marks, const QRectF& box)
{
    return std::any_of(marks.labels.begin(), marks.labels.end(),
                       [&box](const Label& label) { return label.box.intersects(box); });
}

void addRuler(SheetMarks* marks, const QRectF& inner, QPointF origin, QSizeF blank, bool horizontal)
{
    // The ruler runs along the blank's edge, or along the area's where the
    // edge lies outside it; it counts from the blank's corner either way.
    const double base = horizontal ? qMax(origin.y(), inner.top()) : qMax(origin.x(), inner.left());
    const double start = horizontal ? origin.x() : origin.y();
    const int count = int((horizontal ? blank.width() : blank.height()) / kPointsPerMm);
    for (int mm = 0; mm <= count; ++mm) {
        const double at = start + pt(mm);
        const double tip = base + tickLength(mm);
        if (!within(inner, base, tip, at, horizontal))
            continue;
        marks->lines << (horizontal ? QLineF(at, base, at, tip) : QLineF(base, at, tip, at));
        if (mm % 10 != 0 || mm == 0)
            continue;
        const double from = base + pt(kLongTickMm + kNumberGapMm);
        const QRectF box = horizontal ? QRectF(at - kNumberWidth / 2, from, kNumberWidth, kLabelHeight)
                                      : QRectF(from, at - kLabelHeight / 2, kNumberWidth, kLabelHeight);
        if (inner.contains(box) && !overlaps(*marks, box))
            marks->labels << Label{box, QString::number(mm)};
    }
}

// How far in from the blank's edge a crosshair stands: `wanted` millimetres,
// or further in by whole steps until its arms are inside [low, high].
double crossOffset(double edge, double wanted, double direction, double low, double high)
{
    double mm = wanted;
    for (int step = 0; step < 8; ++step, mm += kCrossStepMm) {
        const double centre = edge + direction * pt(mm);
        if (centre - pt(kCrossMm) >= low && centre + pt(kCrossMm) <= high)
            break;
    }
    return mm;
}

void addCross(SheetMarks* marks, const QRectF& inner, QPointF origin, QSizeF blank, bool right, bool bottom)
{
    const double widthMm = blank.width() / kPointsPerMm;
    const double heightMm = blank.height() / kPointsPerMm;
    const double fromLeft = right ? widthMm - crossOffset(origin.x() + blank.width(), 10, -1, inner.left(),
                                                          inner.right())
                                  : crossOffset(origin.x(), 15, 1, inner.left(), inner.right());
    const double fromTop = bottom ? heightMm - crossOffset(origin.y() + blank.height(), 12, -1, inner.top(),
                                                           inner.bottom())
                                  : crossOffset(origin.y(), 15, 1, inner.top(), inner.bottom());
    const QPointF centre(origin.x() + pt(fromLeft), origin.y() + pt(fromTop));
    const double arm = pt(kCrossMm);
    const QLineF across(centre.x() - arm, centre.y(), centre.x() + arm, centre.y());
    const QLineF down(centre.x(), centre.y() - arm, centre.x(), centre.y() + arm);
    if (!inner.contains(across.p1()) || !inner.contains(across.p2()) || !inner.contains(down.p1())
        || !inner.contains(down.p2()))
        return;
    marks->lines << across << down;
    // The distances beside the cross, on the side that has room.
    const double gap = pt(kNumberGapMm);
    QRectF box(centre.x() + gap, centre.y() + gap, kCaptionWidth, kLabelHeight);
    if (box.right() > inner.right())
        box.moveRight(centre.x() - gap);
    if (box.bottom() > inner.bottom())
        box.moveBottom(centre.y() - gap);
    const QString text = QStringLiteral("%1 × %2 мм").arg(qRound(fromLeft)).arg(qRound(fromTop));
    if (inner.contains(box) && !overlaps(*marks, box))
        marks->labels << Label{box, text};
}

QString fieldName(const QString& key)
{
    QString name = fitcheck::fieldDescription(key);
    if (!name.isEmpty())
        name[0] = name.at(0).toUpper();
    return name;
}

void paintFields(QPainter& painter, const cardlayout::CoordTable& coords, float s, const cardlayout::Shift& shift)
{
    const QPointF origin = blankOrigin(s, shift);
    for (auto it = coords.constBegin(); it != coords.constEnd(); ++it) {
        cardlayout::FieldRect rect;
        if (!cardlayout::fieldRect(coords, it.key(), &rect))
            continue;
        const QRectF box(origin + QPointF(double(rect.left * s), double(rect.top * s)),
                         QSizeF(double(rect.width * s), double(rect.height * s)));
        painter.drawRect(box);
        painter.drawText(box.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, fieldName(it.key()));
    }
}

} // namespace

SheetMarks sheetMarks(const QRectF& printable, float s, const cardlayout::Shift& shift)
{
    const QRectF inner = printable.adjusted(pt(kEdgeGapMm), pt(kEdgeGapMm), -pt(kEdgeGapMm), -pt(kEdgeGapMm));
    const QPointF origin = blankOrigin(s, shift);
    const QSizeF blank = blankSize(s);
    SheetMarks marks;
    // The crosses' distances first: a ruler's number gives way to them.
    for (const bool right : {false, true}) {
        for (const bool bottom : {false, true})
            addCross(&marks, inner, origin, blank, right, bottom);
    }
    addRuler(&marks, inner, origin, blank, true);
    addRuler(&marks, inner, origin, blank, false);
    // Below the fields, clear of the left ruler's numbers and the crosshairs.
    const QRectF wanted(origin + QPointF(double(16 * s), double(76 * s)), QSizeF(double(84 * s), double(42 * s)));
    marks.instruction = wanted.intersected(inner);
    return marks;
}

QString instructionText()
{
    return QStringLiteral(
        "Как проверить сдвиги. 1. Положите лист на бланк так, как бланк ложится в принтер, и посмотрите на "
        "просвет. 2. Линейкой измерьте, на сколько миллиметров нижний край рамки «Фамилия» ниже или выше линии "
        "фамилии на бланке и на сколько левый край рамки правее или левее начала этой линии. 3. В окне "
        "«Параметры» в строках «По листу калибровки» выберите, что видно (например, «текст ниже линии на»), "
        "введите миллиметры и нажмите «Исправить сдвиги», затем напечатайте лист снова. Линейки размечены в "
        "миллиметрах на бумаге от левого и верхнего края бланка; у каждого перекрестья написано, в скольких "
        "миллиметрах от левого и от верхнего края бланка оно стоит.");
}

void paintSheet(QPainter& painter, const cardlayout::CoordTable& coords, float s, const cardlayout::Shift& shift,
                const QRectF& printable)
{
    painter.setPen(QPen(Qt::black, 0.5));
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(kNameSize);
    painter.setFont(font);
    paintFields(painter, coords, s, shift);
    const SheetMarks marks = sheetMarks(printable, s, shift);
    painter.drawLines(marks.lines);
    font.setPixelSize(kNumberSize);
    painter.setFont(font);
    for (const Label& label : marks.labels)
        painter.drawText(label.box, Qt::AlignCenter, label.text);
    font.setPixelSize(kInstructionSize);
    painter.setFont(font);
    painter.drawText(marks.instruction, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, instructionText());
}

cardlayout::Shift corrected(const cardlayout::Shift& shift, float belowMm, float rightMm)
{
    return {shift.udShift + layoutgeometry::toCardMm(belowMm), shift.lrShift - layoutgeometry::toCardMm(rightMm)};
}

} // namespace calibration
