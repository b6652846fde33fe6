#ifndef FITCHECK_H
#define FITCHECK_H

#include "card/cardlayout.h"

#include <QFont>
#include <QScopedPointer>
#include <QString>
#include <QStringList>
#include <QVector>

class QPainter;

// Whether the composed texts stay inside their rectangles. A field overflows
// when the cells its characters are placed in (before the shifts) reach past
// the left or right edge of its rectangle; measured with a painter on a 72 dpi
// device, one pixel being one point, as on the printed page.
namespace fitcheck {

// The smallest letter size that "Уменьшить шрифт" goes down to.
constexpr int kMinimumSize = 6;

struct Overflow
{
    QString key;
    float mm = 0;  // how far the text runs past its rectangle, both sides together, blank millimetres
};

// How many card millimetres the field's text runs past its rectangle with the
// given letter size; 0 when it fits or is empty.
float overflowMm(QPainter& painter, QFont font, const cardlayout::CardField& field, int size, float s);

// The overflowing fields, in the order given.
QVector<Overflow> overflows(QPainter& painter, const QFont& font, const QVector<cardlayout::CardField>& fields,
                            float s);

// Two lines are tried before the size goes below this.
constexpr int kTwoLineSize = 8;

// What "Уменьшить шрифт" makes of a card: the fields as they are to print and
// the keys of the fields that do not fit even at kMinimumSize (then the card
// can only be printed as it is).
struct FitResult
{
    QVector<cardlayout::CardField> fields;
    QStringList unfit;
};

// Each overflowing field gets the largest size at which it fits. The legal
// form and the organisation's name may take two lines (the form's rectangle
// and the name's): when either overflows and one line would need a size below
// kTwoLineSize, their words are flowed over both rectangles, first line as
// full as it goes, at the largest size from their own down to kMinimumSize at
// which both lines fit; only then one line goes below kTwoLineSize.
FitResult fitCard(QPainter& painter, const QFont& font, const QVector<cardlayout::CardField>& fields, float s);

// What a field holds on the card, as the operator calls it ("организация").
QString fieldDescription(const QString& key);

// How far a field runs over, as the operator reads it: millimetres on paper
// with one decimal and a comma ("1,4").
QString overflowOnPaper(const Overflow& overflow);

// The text of the question box: each overflowing field and by how much.
QString overflowText(const QVector<Overflow>& overflows);
// The text for one card that "Уменьшить шрифт" cannot fit: the overflowing
// fields, then those that do not fit even at the smallest size.
QString cannotFitText(const QVector<Overflow>& overflows, const QStringList& unfit);

// A painter-ready device at 72 dpi for measuring before the page is begun:
// a PDF writer into memory, which measures as the printer's PDF engine does.
class Measure
{
public:
    Measure();
    ~Measure();
    QPainter& painter();

private:
    Q_DISABLE_COPY(Measure)
    struct Private;
    QScopedPointer<Private> d;
};

} // namespace fitcheck

#endif // FITCHECK_H
