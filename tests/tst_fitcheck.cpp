#include "card/cardlayout.h"
#include "card/fitcheck.h"
#include "card/layoutparams.h"

#include "support/testsupport.h"

#include <QFontDatabase>
#include <QtTest>

namespace {

constexpr float kScale = 297.64f / 110;

// 71 characters, the organisation's name that ran off the page.
const QString kName71 = QStringLiteral("Частная охранная организация «Северо-Западная служба охраны «Бастион2»»");

} // namespace

// "Уменьшить шрифт": the sizes and lines a card gets when its texts overflow.
class TestFitCheck : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void shrinkFitsOrSaysItCannot_data();
    void shrinkFitsOrSaysItCannot();

private:
    std::unique_ptr<testsupport::WorkDir> m_dir;
    LayoutParams m_params;
    QFont m_font;
};

void TestFitCheck::initTestCase()
{
    m_dir.reset(new testsupport::WorkDir);
    QVERIFY(m_dir->seedParams() && m_dir->seedFonts());
    QString error;
    QCOMPARE(readLayoutParams("params.txt", &m_params, &error), LayoutReadResult::Ok);
    m_font.setFamily(cardlayout::resolveCardFamily(m_params.fonts, QFontDatabase()));
    // The question says millimetres on paper: 11 of the blank are 10,5.
    QVERIFY(fitcheck::overflowText({{"Comp", 11.0f}}).endsWith("— организация: на 10,5 мм"));
}

void TestFitCheck::cleanupTestCase()
{
    m_dir.reset();
}

void TestFitCheck::shrinkFitsOrSaysItCannot_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("comp");
    QTest::addColumn<QString>("surname");
    QTest::addColumn<QStringList>("unfit");
    QTest::addColumn<bool>("twoLines");  // the organisation flowed over the form's line

    QTest::newRow("71 characters after a legal form") << "ООО" << kName71 << "Жуков" << QStringList() << true;
    QTest::newRow("71 characters, no legal form") << "" << kName71 << "Жуков" << QStringList() << true;
    QTest::newRow("slightly long: one line, smaller")
        << "ООО" << "Охранное агентство «Бастион-Север»" << "Жуков" << QStringList() << false;
    QTest::newRow("long surname alone") << "ООО" << "«Щит»" << QString("Жуковский-Ржевский-Святополк-Мирский")
                                        << QStringList() << false;
    QTest::newRow("three names in a row")
        << "ООО" << (kName71 + " " + kName71 + " " + kName71) << "Жуков" << QStringList{"Comp"} << false;
    QTest::newRow("one word too long for any size")
        << "ООО" << QString(70, QChar(0x0416)) << "Жуков" << QStringList{"Comp"} << false;
}

void TestFitCheck::shrinkFitsOrSaysItCannot()
{
    QFETCH(QString, form);
    QFETCH(QString, comp);
    QFETCH(QString, surname);
    QFETCH(QStringList, unfit);
    QFETCH(bool, twoLines);
    const cardlayout::SourceTexts sources{{"Surname", surname}, {"Name", "Иван"},        {"Patron", "Петрович"},
                                          {"Form", form},       {"Comp", comp},          {"DirPost", "Директор"},
                                          {"Dir", "П. П. Петров"}, {"Date", "15.03.2024"}};
    const QVector<cardlayout::CardField> fields =
        cardlayout::composeCard(sources, kScale, m_params.fonts, m_params.coords);
    fitcheck::Measure measure;
    QVERIFY(!fitcheck::overflows(measure.painter(), m_font, fields, kScale).isEmpty());

    const fitcheck::FitResult fit = fitcheck::fitCard(measure.painter(), m_font, fields, kScale);
    QCOMPARE(fit.unfit, unfit);
    if (!unfit.isEmpty())
        return;
    // Everything inside its rectangle, no size below the smallest, no word lost.
    QVERIFY(fitcheck::overflows(measure.painter(), m_font, fit.fields, kScale).isEmpty());
    QMap<QString, cardlayout::CardField> byKey;
    for (const cardlayout::CardField& field : fit.fields) {
        QVERIFY(field.size >= fitcheck::kMinimumSize);
        byKey.insert(field.key, field);
    }
    const QString organisation = (byKey["Form"].text + " " + byKey["Comp"].text).simplified();
    QCOMPARE(organisation, (form + " " + comp).simplified());
    QCOMPARE(byKey["Form"].text != form && !form.isEmpty(), twoLines && !form.isEmpty());
    if (twoLines) {
        // Two lines come before a size below 8 on one: the name alone in one
        // line would need less than 8 points.
        cardlayout::CardField alone = byKey["Comp"];
        alone.text = comp;
        QVERIFY(fitcheck::overflowMm(measure.painter(), m_font, alone, fitcheck::kTwoLineSize, kScale) > 0);
        if (!form.isEmpty())
            QCOMPARE(byKey["Form"].size, byKey["Comp"].size);
    }
}

QTEST_MAIN(TestFitCheck)
#include "tst_fitcheck.moc"
