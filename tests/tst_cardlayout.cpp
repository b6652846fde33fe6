#include "card/cardlayout.h"

#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace cardlayout;

Q_DECLARE_METATYPE(cardlayout::GlyphMetric)

namespace {

// A6 paper width in points over the 110 mm of the card.
const float kScale = 297.6378f / 110.0f;
const QString kFamily = QStringLiteral("Liberation Serif");
const int kSize = 12;

// Source texts from "Key=value" items; a key without '=' is absent.
SourceTexts sources(const QStringList& items)
{
    SourceTexts result;
    for (const QString& item : items) {
        const int eq = item.indexOf('=');
        if (eq > 0)
            result.insert(item.left(eq), item.mid(eq + 1));
    }
    return result;
}

FontTable fontsFor(const QString& key, const QString& family, int size, const QString& align = "Left")
{
    FontTable fonts;
    fonts[key] = {{"family", family}, {"size", QString::number(size)}, {"align", align}};
    return fonts;
}

// Width in pixels of the first `count` words as fitFirstLine measures them.
int measuredWidth(const QStringList& words, int count)
{
    QFont font(kFamily);
    font.setPixelSize(kSize);
    const QFontMetrics metrics(font);
    return metrics.boundingRect(QRect(0, 0, 100000, 1000), Qt::AlignHCenter | Qt::AlignVCenter,
                                words.mid(0, count).join(' '))
        .width();
}

} // namespace

class TestCardLayout : public QObject
{
    Q_OBJECT

private slots:
    void fitFirstLine_data();
    void fitFirstLine();
    void fitFirstLineWithoutRectangleFitsNothing();
    void fitFirstLineStopsWhenTooLow();
    void groupFlows_data();
    void groupFlows();
    void composeText_data();
    void composeText();
    void composeCardSkipsShortRectangles();
    void composeCardFlowsOnlyNameGroup();
    void alignment_data();
    void alignment();
    void letterSize_data();
    void letterSize();
    void truncateIsTotal();
    void textWidth_data();
    void textWidth();
    void glyphCells_data();
    void glyphCells();
    void glyphMetricsKeepBlanksWide();
    void resolveCardFamily();
    void resolveCardFamilyRegistersFileOnce();
};

void TestCardLayout::fitFirstLine_data()
{
    QTest::addColumn<QStringList>("words");
    QTest::addColumn<int>("wordsThatFit");  // the rectangle is made just wide enough
    QTest::addColumn<int>("expected");

    const QStringList six = {"Щитовой", "Щитовой", "Щитовой", "Щитовой", "Щитовой", "Щитовой"};
    QTest::newRow("all words fit") << QStringList{"Частная", "охранная", "организация"} << 3 << 3;
    QTest::newRow("single word too wide") << QStringList{"Безопасность"} << 0 << 0;
    QTest::newRow("six equal words, two fit: stops at half") << six << 2 << 3;
    QTest::newRow("six equal words, five fit") << six << 5 << 5;
    QTest::newRow("six equal words, four fit") << six << 4 << 4;
    QTest::newRow("organisation name only, leading empty word")
        << QStringList{"", "Щит", "и", "Меч"} << 4 << 4;
    QTest::newRow("surname only, trailing empty words") << QStringList{"Иванов", "", ""} << 3 << 3;
    QTest::newRow("long second word: first line kept although it does not fit")
        << QStringList{"ООО", "Охранно-сыскноепредприятие"} << 0 << 1;
}

void TestCardLayout::fitFirstLine()
{
    QFETCH(QStringList, words);
    QFETCH(int, wordsThatFit);
    QFETCH(int, expected);

    // Just wide enough for the first wordsThatFit words, one pixel short of
    // the first word when none should fit.
    const int pixels = wordsThatFit > 0 ? measuredWidth(words, wordsThatFit) : measuredWidth(words, 1) - 1;
    const float widthMm = (float(pixels) + 0.5f) / kScale;
    CoordTable coords;
    coords["Form"] = {10.0f, 10.0f, widthMm, 20.0f};
    QCOMPARE(cardlayout::fitFirstLine(words, "Form", kScale, 1.0f, fontsFor("Form", kFamily, kSize), coords),
             expected);
}

void TestCardLayout::fitFirstLineWithoutRectangleFitsNothing()
{
    CoordTable coords;
    coords["Form"] = {10.0f, 10.0f, 500.0f};
    QCOMPARE(cardlayout::fitFirstLine({"ООО", "Щит"}, "Form", kScale, 1.0f, fontsFor("Form", kFamily, kSize), coords),
             0);
    QCOMPARE(cardlayout::fitFirstLine({"ООО", "Щит"}, "Form", kScale, 1.0f, fontsFor("Form", kFamily, kSize), {}),
             0);
}

void TestCardLayout::fitFirstLineStopsWhenTooLow()
{
    // Wide enough for everything but only 1 mm high: nothing fits, and the
    // count falls until the first line holds at most half of the characters.
    CoordTable coords;
    coords["Patron"] = {0.0f, 0.0f, 100.0f, 1.0f};
    const QStringList words = {"Анна", "Мария", "Петровна", "Сидорова"};
    QCOMPARE(cardlayout::fitFirstLine(words, "Patron", kScale, 1.0f, fontsFor("Patron", kFamily, kSize), coords), 2);
}

void TestCardLayout::groupFlows_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("organisation");
    QTest::addColumn<bool>("person");
    QTest::addColumn<bool>("director");

    QTest::newRow("everything filled") << QStringList{"Surname=Иванов", "Name=Иван", "Patron=Иванович",
                                                      "Form=ООО", "Comp=Щит", "DirPost=Директор", "Dir=И.И. Петров"}
                                       << false << false << false;
    QTest::newRow("only one name empty") << QStringList{"Surname=Иванов", "Name=Иван", "Form=ООО", "Comp=Щит",
                                                        "DirPost=Директор", "Dir=Петров"}
                                         << false << false << false;
    QTest::newRow("only the surname") << QStringList{"Surname=Иванов", "Form=ООО", "Comp=Щит", "DirPost=Директор",
                                                     "Dir=Петров"}
                                      << false << true << false;
    QTest::newRow("only the patronymic") << QStringList{"Patron=Иванович", "Form=ООО", "Comp=Щит",
                                                        "DirPost=Директор", "Dir=Петров"}
                                         << false << true << false;
    QTest::newRow("all names empty, legal form empty, director post empty")
        << QStringList{"Comp=Щит", "Dir=Петров"} << true << false << true;
    QTest::newRow("organisation name empty, director empty")
        << QStringList{"Surname=Иванов", "Name=Иван", "Form=ООО", "DirPost=Генеральный директор"} << true << false
        << true;
    QTest::newRow("blank is not empty") << QStringList{"Surname= ", "Name= ", "Form= ", "Comp= ", "DirPost= ", "Dir= "}
                                        << false << false << false;
}

void TestCardLayout::groupFlows()
{
    QFETCH(QStringList, texts);
    QFETCH(bool, organisation);
    QFETCH(bool, person);
    QFETCH(bool, director);
    const SourceTexts source = sources(texts);
    QCOMPARE(cardlayout::groupFlows(Group::Organisation, source), organisation);
    QCOMPARE(cardlayout::groupFlows(Group::Person, source), person);
    QCOMPARE(cardlayout::groupFlows(Group::Director, source), director);
}

void TestCardLayout::composeText_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<int>("firstLine");  // the same count for every flowing group
    QTest::addColumn<QStringList>("expected");  // "Key=text" for every key checked

    const QStringList full = {"Surname=Иванов", "Name=Иван", "Patron=Иванович", "Form=ООО", "Comp=ЧОО Щит",
                              "DirPost=Директор", "Dir=И.И. Петров", "Date=01.02.2024"};
    QTest::newRow("nothing flows") << full << 0 << full;

    const QStringList nameOnly = {"Surname=Иванов", "Name=Иван", "Patron=Иванович", "Form=", "Comp=Щит и Меч",
                                  "DirPost=Директор", "Dir=Петров"};
    QTest::newRow("organisation name only, all fit")
        << nameOnly << 4 << QStringList{"Form= Щит и Меч", "Comp=", "Surname=Иванов", "Dir=Петров"};
    QTest::newRow("organisation name only, two words fit")
        << nameOnly << 2 << QStringList{"Form= Щит", "Comp=и Меч"};
    QTest::newRow("organisation name only, nothing fits")
        << nameOnly << 0 << QStringList{"Form=", "Comp= Щит и Меч"};

    const QStringList surnameOnly = {"Surname=Петрова-Водкина", "Name=", "Patron=", "Form=ООО", "Comp=Щит",
                                     "DirPost=Директор", "Dir=Петров"};
    QTest::newRow("surname only, all fit")
        << surnameOnly << 3 << QStringList{"Surname=", "Name=", "Patron=Петрова-Водкина  ", "Form=ООО"};
    QTest::newRow("surname only, one word fits")
        << surnameOnly << 1 << QStringList{"Surname=", "Name=Петрова-Водкина", "Patron= "};

    const QStringList postOnly = {"Surname=Иванов", "Name=Иван", "Patron=Иванович", "Form=ООО", "Comp=Щит",
                                  "DirPost=Генеральный директор", "Dir="};
    QTest::newRow("director post only, all fit")
        << postOnly << 3 << QStringList{"DirPost=", "Dir=Генеральный директор "};
    QTest::newRow("director post only, one fits")
        << postOnly << 1 << QStringList{"DirPost=Генеральный", "Dir=директор "};

    QTest::newRow("missing widget prints nothing even when its group flows")
        << QStringList{"Form=", "Comp=Щит", "Surname=Иванов", "Name=Иван", "Patron=Иванович", "Dir=Петров"} << 0
        << QStringList{"Comp= Щит", "DirPost=", "Date=", "Extra="};
    QTest::newRow("any other key reads its own line edit")
        << QStringList{"Extra=Номер 5", "Form=ООО", "Comp=Щит"} << 0 << QStringList{"Extra=Номер 5"};
}

void TestCardLayout::composeText()
{
    QFETCH(QStringList, texts);
    QFETCH(int, firstLine);
    QFETCH(QStringList, expected);

    const SourceTexts source = sources(texts);
    FlowGroups groups;
    const QPair<Group, FlowGroup*> all[] = {{Group::Organisation, &groups.organisation},
                                            {Group::Person, &groups.person},
                                            {Group::Director, &groups.director}};
    for (const auto& group : all) {
        if (cardlayout::groupFlows(group.first, source)) {
            group.second->words = cardlayout::groupWords(group.first, source);
            group.second->firstLine = firstLine;
        }
    }
    for (const QString& item : expected) {
        const QString key = item.section('=', 0, 0);
        QCOMPARE(cardlayout::composeText(key, source, groups), item.section('=', 1));
    }
}

void TestCardLayout::composeCardSkipsShortRectangles()
{
    FontTable fonts = fontsFor("Name", kFamily, 12, "Right");
    fonts["Surname"] = {{"family", kFamily}, {"size", "x"}, {"align", "Center"}};
    fonts["Date"] = {{"family", kFamily}, {"size", "10"}};
    CoordTable coords;
    coords["Name"] = {1, 2, 3, 4};
    coords["Surname"] = {1, 2, 3, 4, 5};
    coords["Date"] = {1, 2, 3};

    const QVector<CardField> fields = composeCard(
        sources({"Surname=Иванов", "Name=Иван", "Patron=Иванович", "Date=01.01.2024"}), kScale, fonts, coords);
    QCOMPARE(fields.size(), 2);
    QCOMPARE(fields.at(0).key, QString("Name"));
    QCOMPARE(fields.at(0).text, QString("Иван"));
    QCOMPARE(fields.at(0).align, Qt::Alignment(Qt::AlignRight));
    QCOMPARE(fields.at(0).size, 12);
    QCOMPARE(fields.at(0).rect.height, 4.0f);
    QCOMPARE(fields.at(1).key, QString("Surname"));
    QCOMPARE(fields.at(1).size, 0);
    QCOMPARE(fields.at(1).rect.left, 1.0f);
}

void TestCardLayout::composeCardFlowsOnlyNameGroup()
{
    // Only the organisation name: with a wide "Form" rectangle the whole name
    // goes onto the "Form" line, led by a blank.
    FontTable fonts = fontsFor("Form", kFamily, 12, "Center");
    fonts["Comp"] = fonts["Form"];
    CoordTable coords;
    coords["Form"] = {38, 34.75f, 67.5f, 6};
    coords["Comp"] = {38, 41.75f, 67.5f, 6};
    const QVector<CardField> fields = composeCard(sources({"Form=", "Comp=Щит и Меч"}), kScale, fonts, coords);
    QCOMPARE(fields.size(), 2);
    QCOMPARE(fields.at(0).key, QString("Comp"));
    QCOMPARE(fields.at(0).text, QString());
    QCOMPARE(fields.at(1).text, QString(" Щит и Меч"));
}

void TestCardLayout::alignment_data()
{
    QTest::addColumn<QString>("align");
    QTest::addColumn<int>("expected");
    QTest::newRow("Left") << "Left" << int(Qt::AlignLeft);
    QTest::newRow("Right") << "Right" << int(Qt::AlignRight);
    QTest::newRow("Center") << "Center" << int(Qt::AlignHCenter);
    QTest::newRow("lower-case center is not recognised") << "center" << 0;
    QTest::newRow("British spelling") << "Centre" << 0;
    QTest::newRow("empty") << "" << 0;
}

void TestCardLayout::alignment()
{
    QFETCH(QString, align);
    QFETCH(int, expected);
    QCOMPARE(int(fieldAlignment(fontsFor("Dir", kFamily, 12, align), "Dir")), expected);
    QCOMPARE(int(fieldAlignment(FontTable(), "Dir")), 0);
}

void TestCardLayout::letterSize_data()
{
    QTest::addColumn<QString>("size");
    QTest::addColumn<int>("read");
    QTest::addColumn<int>("usable");
    QTest::newRow("whole number") << "12" << 12 << 12;
    QTest::newRow("zero") << "0" << 0 << 1;
    QTest::newRow("not a number") << "twelve" << 0 << 1;
    QTest::newRow("fraction") << "12.5" << 0 << 1;
    QTest::newRow("negative") << "-4" << -4 << 1;
    QTest::newRow("absurdly large") << "2000000000" << 2000000000 << kMaxSize;
    QTest::newRow("hexadecimal is not base 10") << "0x10" << 0 << 1;
}

void TestCardLayout::letterSize()
{
    QFETCH(QString, size);
    QFETCH(int, read);
    QFETCH(int, usable);
    FontTable fonts;
    fonts["Name"]["size"] = size;
    QCOMPARE(fieldSize(fonts, "Name"), read);
    QCOMPARE(usableSize(fieldSize(fonts, "Name")), usable);
}

void TestCardLayout::truncateIsTotal()
{
    QCOMPARE(cardlayout::truncate(2.9f), 2);
    QCOMPARE(cardlayout::truncate(-2.9f), -2);
    QCOMPARE(cardlayout::truncate(std::nanf("")), 0);
    QCOMPARE(cardlayout::truncate(1e20f), kIntLimit);
    QCOMPARE(cardlayout::truncate(-std::numeric_limits<float>::infinity()), -kIntLimit);

    // A position far off the card still gives a valid cell.
    FieldRect far;
    far.left = 1e30f;
    far.top = -1e30f;
    far.width = 1e30f;
    far.height = 1e30f;
    const QVector<QRect> cells = cardlayout::glyphCells(far, {{10, 0}, {10, 0}}, 12, Qt::AlignRight, 2.7f, Shift());
    QCOMPARE(cells.size(), 2);
    QCOMPARE(cells.at(0).left(), kIntLimit);
    QCOMPARE(cells.at(1).right(), kIntLimit + 9);
    QCOMPARE(cells.at(0).top(), -kIntLimit);
}

void TestCardLayout::textWidth_data()
{
    QTest::addColumn<QVector<GlyphMetric>>("metrics");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("expected");
    const QVector<GlyphMetric> three = {{10, 1}, {8, 0}, {12, 2}};
    QTest::newRow("gap of one point cancels the bearing") << three << 9 << 31;
    QTest::newRow("fractional gaps truncate at every step") << three << 12 << 31;
    QTest::newRow("large gap") << three << 27 << 35;
    QTest::newRow("last bearing does not count") << QVector<GlyphMetric>{{7, 5}} << 12 << 7;
    QTest::newRow("empty text") << QVector<GlyphMetric>() << 12 << 0;
}

void TestCardLayout::textWidth()
{
    QFETCH(QVector<GlyphMetric>, metrics);
    QFETCH(int, size);
    QFETCH(int, expected);
    QCOMPARE(cardlayout::textWidth(metrics, size), expected);
}

void TestCardLayout::glyphCells_data()
{
    QTest::addColumn<int>("align");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("top");
    QTest::addColumn<float>("udShift");
    QTest::addColumn<float>("lrShift");
    QTest::addColumn<QVector<int>>("lefts");
    QTest::addColumn<int>("expectedTop");

    // Worked out by hand in 32-bit floats: s = 2.7057981, T = 31, size 12.
    QTest::newRow("left") << int(Qt::AlignLeft) << 10.f << 20.f << 0.f << 0.f << QVector<int>{27, 37, 46} << 54;
    QTest::newRow("no flag places as left") << 0 << 10.f << 20.f << 0.f << 0.f << QVector<int>{27, 37, 46} << 54;
    QTest::newRow("center, 50 mm wide") << int(Qt::AlignHCenter) << 10.f << 20.f << 0.f << 0.f
                                        << QVector<int>{79, 89, 98} << 54;
    QTest::newRow("right") << int(Qt::AlignRight) << 10.f << 20.f << 0.f << 0.f << QVector<int>{131, 141, 150} << 54;
    QTest::newRow("shifts: up 1.5 mm, left 2 mm") << int(Qt::AlignLeft) << 10.f << 20.f << 1.5f << -2.f
                                                  << QVector<int>{21, 31, 40} << 50;
    QTest::newRow("negative positions truncate toward zero")
        << int(Qt::AlignLeft) << -5.f << -2.f << 0.f << 0.f << QVector<int>{-13, -3, 5} << -5;
}

void TestCardLayout::glyphCells()
{
    QFETCH(int, align);
    QFETCH(float, left);
    QFETCH(float, top);
    QFETCH(float, udShift);
    QFETCH(float, lrShift);
    QFETCH(QVector<int>, lefts);
    QFETCH(int, expectedTop);

    const QVector<GlyphMetric> metrics = {{10, 1}, {8, 0}, {12, 2}};
    FieldRect rect;
    rect.left = left;
    rect.top = top;
    rect.width = 50;
    rect.height = 6;
    const float s = 297.6378f / 110.0f;
    const QVector<QRect> cells =
        cardlayout::glyphCells(rect, metrics, 12, Qt::Alignment(align), s, Shift{udShift, lrShift});
    QCOMPARE(cells.size(), 3);
    for (int i = 0; i < cells.size(); ++i) {
        QCOMPARE(cells.at(i).left(), lefts.at(i));
        QCOMPARE(cells.at(i).top(), expectedTop);
        QCOMPARE(cells.at(i).width(), metrics.at(i).advance);
        QCOMPARE(cells.at(i).height(), 16);
    }
}

void TestCardLayout::glyphMetricsKeepBlanksWide()
{
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    QFont font(kFamily);
    font.setPixelSize(24);
    painter.setFont(font);
    const QFontMetrics metrics = painter.fontMetrics();

    const QVector<GlyphMetric> glyphs = glyphMetrics("Ф Т\u00a0f", painter);
    QCOMPARE(glyphs.size(), 5);
    QCOMPARE(glyphs.at(0).advance, metrics.horizontalAdvance(QChar(0x424)));
    QCOMPARE(glyphs.at(0).rightBearing, metrics.rightBearing(QChar(0x424)));
    QCOMPARE(glyphs.at(4).rightBearing, metrics.rightBearing('f'));
    // Blanks keep their whole advance after the letter gap.
    for (int blank : {1, 3}) {
        QVERIFY(glyphs.at(blank).advance > 0);
        QCOMPARE(glyphs.at(blank).rightBearing, 0);
    }
    const QVector<QRect> cells =
        cardlayout::glyphCells(FieldRect{0, 0, 50, 10}, glyphs, 24, Qt::AlignLeft, 1.0f, Shift());
    QVERIFY(cells.at(2).left() - cells.at(1).left() >= glyphs.at(1).advance);
}

void TestCardLayout::resolveCardFamily()
{
    testsupport::WorkDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir().mkpath("fonts"));
    QVERIFY(QFile::copy(testsupport::deliveredFile("fonts/LiberationSerif-Regular.ttf"),
                        "fonts/CardSerif-Regular.ttf"));
    QVERIFY(dir.writeFile("fonts/Broken-Regular.ttf", QByteArray("not a font at all")));
    const QFontDatabase database;

    QCOMPARE(cardlayout::resolveCardFamily(fontsFor("Surname", kFamily, 12), database), kFamily);
    QCOMPARE(cardlayout::resolveCardFamily(fontsFor("Surname", "CardSerif", 12), database), kFamily);
    QCOMPARE(cardlayout::resolveCardFamily(fontsFor("Surname", "No Such Family", 12), database), QString("Arial"));
    QCOMPARE(cardlayout::resolveCardFamily(fontsFor("Name", kFamily, 12), database), QString("Arial"));
    QVERIFY(cardlayout::resolveCardFamily(fontsFor("Surname", "Broken", 12), database).isNull());
    // Installed names compare with case.
    QCOMPARE(cardlayout::resolveCardFamily(fontsFor("Surname", "liberation serif", 12), database), QString("Arial"));
}

void TestCardLayout::resolveCardFamilyRegistersFileOnce()
{
    testsupport::WorkDir dir;
    QVERIFY(QDir().mkpath("fonts"));
    const QString source = testsupport::deliveredFile("fonts/LiberationSerif-Regular.ttf");
    QVERIFY(QFile::copy(source, "fonts/OnceSerif-Regular.ttf"));
    const QFontDatabase database;

    // Registration ids count up, so two direct registrations around the
    // resolutions show how many registrations happened in between.
    const int before = QFontDatabase::addApplicationFont(source);
    QVERIFY(before >= 0);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(cardlayout::resolveCardFamily(fontsFor("Surname", "OnceSerif", 12), database), kFamily);
    const int after = QFontDatabase::addApplicationFont(source);
    QCOMPARE(after, before + 2);
}

QTEST_MAIN(TestCardLayout)
#include "tst_cardlayout.moc"
