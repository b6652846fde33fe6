#include "card/calibration.h"


#include <QFont>
#include <QPainter>
#include <QPen>

namespace calibration {

namespace {

constexpr int kNumberSize = 6;  // points
constexpr int kKeySize = 7;
constexpr float kNumberGapMm = 0.5f;

QPointF at(float xMm, float yMm, float s, const cardlayout::Shift& shift)
{
    return QPointF((xMm + shift.lrShift) * s, (yMm - shift.udShift) * s);
}

float tickLength(int mm)
{
    return mm % 5 == 0 ? kLongTickMm : kTickMm;
}

void paintRulers(QPainter& painter, float s, const cardlayout::Shift& shift)
{
    const int width = int(cardlayout::kCardWidthMm);
    const int height = int(kCardHeightMm);
    const QFontMetricsF metrics(painter.font(), painter.device());
    for (int mm = 0; mm <= width; ++mm) {
        painter.drawLine(at(float(mm), 0, s, shift), at(float(mm), tickLength(mm), s, shift));
        if (mm % 10 != 0 || mm == 0)
            continue;
        const QString number = QString::number(mm);
        const float top = (kLongTickMm + kNumberGapMm - shift.udShift) * s;
        const QRectF box(topRulerX(mm, s, shift) - 20, top, 40, metrics.height());
        painter.drawText(box, Qt::AlignHCenter | Qt::AlignTop, number);
    }
    for (int mm = 0; mm <= height; ++mm) {
        painter.drawLine(at(0, float(mm), s, shift), at(tickLength(mm), float(mm), s, shift));
        if (mm % 10 != 0 || mm == 0)
            continue;
        const float left = (kLongTickMm + kNumberGapMm + shift.lrShift) * s;
        const QRectF box(left, leftRulerY(mm, s, shift) - metrics.height() / 2, 40, metrics.height());
        painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, QString::number(mm));
    }
}

void paintCrosshairs(QPainter& painter, float s, const cardlayout::Shift& shift)
{
    for (const float x : {0.0f, cardlayout::kCardWidthMm}) {
        for (const float y : {0.0f, kCardHeightMm}) {
            painter.drawLine(at(x - kCrossMm, y, s, shift), at(x + kCrossMm, y, s, shift));
            painter.drawLine(at(x, y - kCrossMm, s, shift), at(x, y + kCrossMm, s, shift));
        }
    }
}

} // namespace

float topRulerX(int mm, float s, const cardlayout::Shift& shift)
{
    return (float(mm) + shift.lrShift) * s;
}

float leftRulerY(int mm, float s, const cardlayout::Shift& shift)
{
    return (float(mm) - shift.udShift) * s;
}

void paintSheet(QPainter& painter, const cardlayout::CoordTable& coords, float s, const cardlayout::Shift& shift)
{
    painter.setPen(QPen(Qt::black, 0.5));
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(kKeySize);
    painter.setFont(font);
    for (auto it = coords.constBegin(); it != coords.constEnd(); ++it) {
        cardlayout::FieldRect rect;
        if (!cardlayout::fieldRect(coords, it.key(), &rect))
            continue;
        const QRectF box(at(rect.left, rect.top, s, shift), QSizeF(rect.width * s, rect.height * s));
        painter.drawRect(box);
        painter.drawText(box.adjusted(1, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, it.key());
    }
    font.setPixelSize(kNumberSize);
    painter.setFont(font);
    paintRulers(painter, s, shift);
    paintCrosshairs(painter, s, shift);
}

cardlayout::Shift corrected(const cardlayout::Shift& shift, float belowMm, float rightMm)
{
    return {shift.udShift + belowMm, shift.lrShift - rightMm};
}

} // namespace calibration
