#include "card/fitcheck.h"

#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cmath>

namespace fitcheck {

namespace {

QVector<cardlayout::GlyphMetric> measured(QPainter& painter, QFont font, const QString& text, int size)
{
    font.setPixelSize(cardlayout::usableSize(size));
    painter.setFont(font);
    return cardlayout::glyphMetrics(text, painter);
}

} // namespace

float overflowMm(QPainter& painter, QFont font, const cardlayout::CardField& field, int size, float s)
{
    if (field.text.isEmpty() || s <= 0)
        return 0;
    const int usable = cardlayout::usableSize(size);
    const QVector<cardlayout::GlyphMetric> metrics = measured(painter, font, field.text, usable);
    const QVector<QRect> cells = cardlayout::glyphCells(field.rect, metrics, usable, field.align, s, {});
    int first = cells.first().left();
    int last = cells.first().left() + cells.first().width();
    for (const QRect& cell : cells) {
        first = qMin(first, cell.left());
        last = qMax(last, cell.left() + cell.width());
    }
    // The cells lie on whole points: a cell on the point that holds the edge
    // is inside.
    const float left = std::floor(field.rect.left * s);
    const float right = std::ceil((field.rect.left + field.rect.width) * s);
    const float over = qMax(0.0f, left - float(first)) + qMax(0.0f, float(last) - right);
    return over / s;
}

QVector<Overflow> overflows(QPainter& painter, const QFont& font, const QVector<cardlayout::CardField>& fields,
                            float s)
{
    QVector<Overflow> result;
    for (const cardlayout::CardField& field : fields) {
        const float mm = overflowMm(painter, font, field, field.size, s);
        if (mm > 0)
            result.append({field.key, mm});
    }
    return result;
}

int largestFittingSize(QPainter& painter, const QFont& font, const cardlayout::CardField& field, float s)
{
    const int own = cardlayout::usableSize(field.size);
    for (int size = own - 1; size >= kMinimumSize; --size) {
        if (overflowMm(painter, font, field, size, s) <= 0)
            return size;
    }
    return qMin(own, kMinimumSize);
}

void shrinkToFit(QPainter& painter, const QFont& font, QVector<cardlayout::CardField>* fields, float s)
{
    for (cardlayout::CardField& field : *fields) {
        if (overflowMm(painter, font, field, field.size, s) > 0)
            field.size = largestFittingSize(painter, font, field, s);
    }
}

QString fieldDescription(const QString& key)
{
    static const QMap<QString, QString> names = {
        {"Surname", "фамилия"},       {"Name", "имя"},
        {"Patron", "отчество"},       {"Form", "форма организации"},
        {"Comp", "организация"},      {"DirPost", "должность руководителя"},
        {"Dir", "руководитель"},      {"Date", "дата выдачи"},
    };
    return names.value(key, key);
}

QString overflowText(const QVector<Overflow>& overflows)
{
    QStringList lines{QStringLiteral("Текст выходит за границы полей:")};
    for (const Overflow& overflow : overflows) {
        lines << QStringLiteral("— %1: на %2 мм")
                     .arg(fieldDescription(overflow.key), QString::number(double(overflow.mm), 'f', 1).replace('.', ','));
    }
    return lines.join('\n');
}

struct Measure::Private
{
    QBuffer buffer;
    QPdfWriter writer{&buffer};
    QPainter painter;
};

Measure::Measure()
    : d(new Private)
{
    d->buffer.open(QIODevice::WriteOnly);
    d->writer.setResolution(72);
    d->writer.setPageSize(QPageSize(QPageSize::A6));
    d->painter.begin(&d->writer);
}

Measure::~Measure()
{
    d->painter.end();
}

QPainter& Measure::painter()
{
    return d->painter;
}

} // namespace fitcheck
