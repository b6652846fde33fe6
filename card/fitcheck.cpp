#include "card/fitcheck.h"

#include "card/layoutgeometry.h"

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

bool fits(QPainter& painter, const QFont& font, cardlayout::CardField field, int size, float s)
{
    return overflowMm(painter, font, field, size, s) <= 0;
}

// The largest size from `from` down to `to` at which the field fits; 0 when none.
int fittingSize(QPainter& painter, const QFont& font, const cardlayout::CardField& field, int from, int to,
                float s)
{
    for (int size = from; size >= to; --size) {
        if (fits(painter, font, field, size, s))
            return size;
    }
    return 0;
}

int indexOf(const QVector<cardlayout::CardField>& fields, const QString& key)
{
    for (int i = 0; i < fields.size(); ++i) {
        if (fields.at(i).key == key)
            return i;
    }
    return -1;
}

// The words over the two fields at one size: the first line takes as many as
// fit, the second the rest. False when the rest does not fit either.
bool flowAtSize(QPainter& painter, const QFont& font, const QStringList& words, int size, float s,
                cardlayout::CardField* first, cardlayout::CardField* second)
{
    int count = words.size();
    cardlayout::CardField line = *first;
    while (count > 0) {
        line.text = words.mid(0, count).join(QLatin1Char(' '));
        if (fits(painter, font, line, size, s))
            break;
        --count;
    }
    cardlayout::CardField rest = *second;
    rest.text = words.mid(count).join(QLatin1Char(' '));
    if (count == 0 || !fits(painter, font, rest, size, s))
        return false;
    first->text = line.text;
    first->size = size;
    second->text = rest.text;
    second->size = size;
    return true;
}

// The legal form and the name over two lines, as large as both fit.
bool flowTwoLines(QPainter& painter, const QFont& font, float s, cardlayout::CardField* first,
                  cardlayout::CardField* second)
{
    const QStringList words = (first->text + QLatin1Char(' ') + second->text).split(QLatin1Char(' '),
                                                                                  Qt::SkipEmptyParts);
    const int from = qMin(cardlayout::usableSize(first->size), cardlayout::usableSize(second->size));
    for (int size = from; size >= kMinimumSize; --size) {
        if (flowAtSize(painter, font, words, size, s, first, second))
            return true;
    }
    return false;
}

// One field alone: the largest size down to `to`. False when it does not fit.
bool shrinkField(QPainter& painter, const QFont& font, float s, int to, cardlayout::CardField* field)
{
    if (fits(painter, font, *field, field->size, s))
        return true;
    const int size = fittingSize(painter, font, *field, cardlayout::usableSize(field->size) - 1, to, s);
    if (size > 0)
        field->size = size;
    return size > 0;
}

// The organisation's two fields: one line down to kTwoLineSize, two lines,
// then one line down to kMinimumSize.
bool fitOrganisation(QPainter& painter, const QFont& font, float s, cardlayout::CardField* form,
                     cardlayout::CardField* comp)
{
    cardlayout::CardField oneForm = *form;
    cardlayout::CardField oneComp = *comp;
    if (shrinkField(painter, font, s, kTwoLineSize, &oneForm) && shrinkField(painter, font, s, kTwoLineSize, &oneComp)) {
        *form = oneForm;
        *comp = oneComp;
        return true;
    }
    if (flowTwoLines(painter, font, s, form, comp))
        return true;
    return shrinkField(painter, font, s, kMinimumSize, form) && shrinkField(painter, font, s, kMinimumSize, comp);
}

} // namespace

FitResult fitCard(QPainter& painter, const QFont& font, const QVector<cardlayout::CardField>& fields, float s)
{
    FitResult result{fields, {}};
    const int form = indexOf(fields, QStringLiteral("Form"));
    const int comp = indexOf(fields, QStringLiteral("Comp"));
    const bool pair = form >= 0 && comp >= 0;
    for (int i = 0; i < result.fields.size(); ++i) {
        if (pair && (i == form || i == comp))
            continue;
        if (!shrinkField(painter, font, s, kMinimumSize, &result.fields[i]))
            result.unfit << result.fields.at(i).key;
    }
    if (pair && !fitOrganisation(painter, font, s, &result.fields[form], &result.fields[comp])) {
        for (const int i : {form, comp}) {
            if (!fits(painter, font, result.fields.at(i), result.fields.at(i).size, s))
                result.unfit << result.fields.at(i).key;
        }
    }
    return result;
}

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

QString overflowOnPaper(const Overflow& overflow)
{
    return QString::number(double(layoutgeometry::toPaperMm(overflow.mm)), 'f', 1).replace('.', ',');
}

QString overflowText(const QVector<Overflow>& overflows)
{
    QStringList lines{QStringLiteral("Текст выходит за границы полей:")};
    for (const Overflow& overflow : overflows) {
        lines << QStringLiteral("— %1: на %2 мм")
                     .arg(fieldDescription(overflow.key), overflowOnPaper(overflow));
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

QString cannotFitText(const QVector<Overflow>& overflows, const QStringList& unfit)
{
    QStringList names;
    for (const QString& key : unfit)
        names << fieldDescription(key);
    return overflowText(overflows) + QStringLiteral("\n\nНе помещается даже при размере %1 пт: %2.")
                                         .arg(kMinimumSize)
                                         .arg(names.join(QStringLiteral(", ")));
}

} // namespace fitcheck
