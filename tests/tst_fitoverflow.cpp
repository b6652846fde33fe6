#include "card/fitcheck.h"

#include <QFont>
#include <QtTest>

// Whether a field's text runs past its rectangle, whichever way it is aligned.
class TestFitOverflow : public QObject
{
    Q_OBJECT

private slots:
    void overflowOnEitherSide_data();
    void overflowOnEitherSide();
};

namespace {

const float kScale = 72.0f / 25.4f; // points per card millimetre at 72 dpi

cardlayout::CardField field(const QString& text, Qt::Alignment align)
{
    return {QStringLiteral("Comp"), text, align, 12, {20, 30, 40, 6}};
}

} // namespace

void TestFitOverflow::overflowOnEitherSide_data()
{
    QTest::addColumn<int>("align");
    QTest::newRow("left: past the right edge") << int(Qt::AlignLeft);
    QTest::newRow("right: past the left edge") << int(Qt::AlignRight);
    QTest::newRow("centred: past both edges") << int(Qt::AlignHCenter);
}

// A text too long for its rectangle runs over by the same amount whatever the
// alignment (the side differs, within a point of rounding at each edge); a
// short one fits whatever the alignment.
void TestFitOverflow::overflowOnEitherSide()
{
    QFETCH(int, align);
    fitcheck::Measure measure;
    const QFont font(QStringLiteral("DejaVu Sans"));
    const QString text = QStringLiteral("Частная охранная организация «Щит и Меч»");
    const float leftAligned = fitcheck::overflowMm(measure.painter(), font, field(text, Qt::AlignLeft), 12, kScale);
    QVERIFY2(leftAligned > 20, qPrintable(QString::number(leftAligned)));

    const cardlayout::CardField aligned = field(text, Qt::Alignment(align));
    const float mm = fitcheck::overflowMm(measure.painter(), font, aligned, 12, kScale);
    QVERIFY2(std::abs(mm - leftAligned) <= 2 / kScale, qPrintable(QStringLiteral("%1 / %2").arg(mm).arg(leftAligned)));
    const QVector<fitcheck::Overflow> found = fitcheck::overflows(measure.painter(), font, {aligned}, kScale);
    QCOMPARE(found.size(), 1);
    QCOMPARE(found.first().mm, mm);
    const fitcheck::FitResult fit = fitcheck::fitCard(measure.painter(), font, {aligned}, kScale);
    // Whatever side it runs over, the field is no longer taken as fitting at 12.
    QVERIFY(!fit.unfit.isEmpty() || fit.fields.value(0).size < 12);

    QCOMPARE(fitcheck::overflowMm(measure.painter(), font, field(QStringLiteral("Щит"), Qt::Alignment(align)), 12,
                                  kScale),
             0.0f);
}

QTEST_MAIN(TestFitOverflow)
#include "tst_fitoverflow.moc"
