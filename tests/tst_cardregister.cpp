#include "journal/cardregister.h"
#include "journal/csvexport.h"

#include "support/testengine.h"
#include "support/testsupport.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString kConnection = QStringLiteral("register-test");

journal::CardRow card(const QString& company, const QString& surname, const QString& printedAt)
{
    journal::PrintedCard printed;
    printed.company = company;
    printed.printer = "queue";
    printed.texts = {{"Surname", surname}, {"Name", "Иван"}, {"Patron", ""},  {"Form", "ООО"},
                     {"Comp", company},    {"DirPost", "Директор"}, {"Dir", "Петров"}, {"Date", "15.03.2024"}};
    return journal::rowFor(printed, printedAt, "operator");
}

QList<qint64> numbers(const QVector<journal::CardRow>& rows)
{
    QList<qint64> list;
    for (const journal::CardRow& row : rows)
        list.append(row.number);
    return list;
}

} // namespace

class TestCardRegister : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void reservedNumberBecomesIssuedOrIsNeverReused();
    void spoiledKeepsRowAndReason();
    void listFilters_data();
    void listFilters();
    void listPagesNewestFirst();
    void timestampCarriesOffset();
    void csvCell_data();
    void csvCell();
    void csvReadsBackInSpreadsheetReader();
    void exportToUnwritablePathFails();

private:
    journal::CardRegister cards() { return journal::CardRegister(QSqlDatabase::database(kConnection)); }
};

void TestCardRegister::initTestCase()
{
    REQUIRE_TEST_ENGINE();
}

void TestCardRegister::init()
{
    QVERIFY(testsupport::openSchemaUnderTest(kConnection));
    QString error;
    QVERIFY2(cards().ensureTable(&error), qPrintable(error));
    QVERIFY2(cards().ensureTable(&error), "a second start finds the table");
}

void TestCardRegister::cleanup()
{
    QSqlDatabase::database(kConnection, false).close();
    QSqlDatabase::removeDatabase(kConnection);
}

void TestCardRegister::reservedNumberBecomesIssuedOrIsNeverReused()
{
    QString error;
    const qint64 first = cards().reserve(&error);
    QVERIFY2(first == 1, qPrintable(error));
    // Until the page is with the spooler the card counts as spoiled.
    QCOMPARE(testsupport::checkRows(kConnection, "SELECT status, note FROM cards"),
             QStringList{"spoiled|печать не завершена"});
    QCOMPARE(cards().record(card("Щит", "Жуков", "2024-03-15T10:00:00+03:00"), first, &error), first);
    QCOMPARE(testsupport::checkRows(kConnection, "SELECT * FROM cards"),
             QStringList{"1|2024-03-15T10:00:00+03:00|Щит|Жуков|Иван||Директор|Петров|15.03.2024|queue|operator|"
                         "issued||ООО|Щит|щит|жуков иван"});

    // A failed print gives its number back to nobody.
    const qint64 second = cards().reserve(&error);
    QCOMPARE(second, qint64(2));
    QVERIFY(cards().release(second, &error));
    QCOMPARE(cards().reserve(&error), qint64(3));
    QCOMPARE(cards().record(card("Щит", "Без резерва", "2024-03-15T11:00:00+03:00"), 0, &error), qint64(4));
    QCOMPARE(testsupport::checkRows(kConnection, "SELECT number, status FROM cards ORDER BY number"),
             (QStringList{"1|issued", "3|spoiled", "4|issued"}));

    // Recording onto a number that is gone is reported, not silently added.
    QCOMPARE(cards().record(card("Щит", "Жуков", "x"), 2, &error), qint64(0));
    QVERIFY(error.contains("№ 2"));
}

void TestCardRegister::spoiledKeepsRowAndReason()
{
    QString error;
    const qint64 number = cards().record(card("Щит", "Жуков", "2024-03-15T10:00:00+03:00"), 0, &error);
    QVERIFY(cards().markSpoiled(number, "замятие бумаги; 'кавычки'", &error));
    journal::CardRow row;
    QVERIFY(cards().fetch(number, &row, &error));
    QCOMPARE(row.status, QString("spoiled"));
    QCOMPARE(row.note, QString("замятие бумаги; 'кавычки'"));
    QCOMPARE(row.surname, QString("Жуков"));
    QVERIFY(!cards().markSpoiled(99, "нет такой", &error));
    QVERIFY(!cards().fetch(99, &row, &error));
}

void TestCardRegister::listFilters_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("person");
    QTest::addColumn<QList<qint64>>("expected");
    const QDate none;
    QTest::newRow("no filter, newest first") << none << none << "" << "" << QList<qint64>{7, 6, 5, 4, 3, 2, 1};
    QTest::newRow("organisation in other letter case") << none << none << "ЩИТ" << "" << QList<qint64>{3, 1};
    QTest::newRow("employee part of a name") << none << none << "" << "иван" << QList<qint64>{7, 6, 5, 4, 3, 2, 1};
    QTest::newRow("employee and organisation") << none << none << "щит" << "ЖУК" << QList<qint64>{1};
    QTest::newRow("percent sign is literal") << none << none << "100%" << "" << QList<qint64>{4};
    QTest::newRow("underscore is literal") << none << none << "a_b" << "" << QList<qint64>{5};
    QTest::newRow("period, both ends inclusive") << QDate(2024, 3, 15) << QDate(2024, 3, 16) << "" << ""
                                                 << QList<qint64>{3, 2};
    QTest::newRow("period open at the end") << QDate(2024, 3, 16) << none << "" << "" << QList<qint64>{5, 4, 3};
    QTest::newRow("nothing matches") << none << none << "нет такой" << "" << QList<qint64>{};
}

void TestCardRegister::listFilters()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QString, company);
    QFETCH(QString, person);
    QFETCH(QList<qint64>, expected);
    QString error;
    const QList<journal::CardRow> seed{card("ООО Щит", "Жуков", "2024-03-14T23:59:59+03:00"),
                                       card("ООО Меч", "Жуков", "2024-03-15T00:00:00+03:00"),
                                       card("ЧОО щит", "Орлов", "2024-03-16T23:59:59+03:00"),
                                       card("Сто 100% Охрана", "Орлов", "2024-03-17T08:00:00+03:00"),
                                       card("ООО a_b", "Орлов", "2024-03-17T09:00:00+03:00")};
    for (const journal::CardRow& row : seed)
        QVERIFY(cards().record(row, 0, &error) > 0);
    // Text that a LIKE would take as wildcards must not match these; they
    // stay in the register while it is listed.
    QVERIFY(cards().record(card("1000 Охрана", "Орлов", "2024-01-01T00:00:00+03:00"), 0, &error) > 0);
    QVERIFY(cards().record(card("ООО axb", "Орлов", "2024-01-01T00:00:00+03:00"), 0, &error) > 0);

    QVector<journal::CardRow> rows;
    QVERIFY2(cards().list({from, to, company, person}, 0, -1, &rows, &error), qPrintable(error));
    QCOMPARE(numbers(rows), expected);
}

void TestCardRegister::listPagesNewestFirst()
{
    QString error;
    for (int i = 0; i < 7; ++i)
        QVERIFY(cards().record(card("Щит", QString::number(i), "2024-03-15T10:00:00+03:00"), 0, &error) > 0);
    QVector<journal::CardRow> rows;
    QVERIFY(cards().list({}, 0, 3, &rows, &error));
    QVERIFY(cards().list({}, rows.constLast().number, 3, &rows, &error));
    QVERIFY(cards().list({}, rows.constLast().number, 3, &rows, &error));
    QCOMPARE(numbers(rows), (QList<qint64>{7, 6, 5, 4, 3, 2, 1}));
}

void TestCardRegister::timestampCarriesOffset()
{
    const QDateTime moscow(QDate(2024, 3, 15), QTime(10, 20, 30), Qt::OffsetFromUTC, 3 * 3600);
    QCOMPARE(journal::timestamp(moscow), QString("2024-03-15T10:20:30+03:00"));
    const QString now = journal::timestamp(QDateTime::currentDateTime());
    QVERIFY2(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d([+-]\\d\\d:\\d\\d|Z)$").match(now).hasMatch(),
             qPrintable(now));
}

void TestCardRegister::csvCell_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cell");
    QTest::newRow("plain") << "Жуков" << "\"Жуков\"";
    QTest::newRow("empty") << "" << "\"\"";
    QTest::newRow("semicolon") << "a;b" << "\"a;b\"";
    QTest::newRow("quotes doubled") << "ООО \"Щит\"" << "\"ООО \"\"Щит\"\"\"";
    QTest::newRow("line break") << "a\nb" << "\"a\nb\"";
    QTest::newRow("formula") << "=1+1" << "\"'=1+1\"";
    QTest::newRow("plus") << "+7 999" << "\"'+7 999\"";
    QTest::newRow("minus") << "-2" << "\"'-2\"";
    QTest::newRow("at") << "@SUM(A1)" << "\"'@SUM(A1)\"";
    QTest::newRow("tab opener") << "\t=1" << "\"'\t'=1\"";
    QTest::newRow("formula with semicolon") << "=HYPERLINK(\"x\";\"y\")" << "\"'=HYPERLINK(\"\"x\"\";\"\"y\"\")\"";
    QTest::newRow("opener later in the text") << "a=b-c" << "\"a=b-c\"";
    QTest::newRow("formula after a comma") << "Щит,=1+1," << "\"Щит,'=1+1,\"";
    QTest::newRow("formula after a semicolon") << "a;-1" << "\"a;'-1\"";
    QTest::newRow("formula after a line break") << "a\r\n@x" << "\"a\r\n'@x\"";
    QTest::newRow("quote and space before it") << "a, \"+1" << "\"a,' \"\"+1\"";
}

void TestCardRegister::csvCell()
{
    QFETCH(QString, text);
    QFETCH(QString, cell);
    QCOMPARE(journal::csvCell(text), cell);
}

namespace {

// The file as Python's csv module reads it with the separator given.
QJsonArray readCsv(const QString& path, const QString& separator)
{
    QProcess python;
    python.start("python3", {"-c", "import csv, json, sys\n"
                                   "with open(sys.argv[1], encoding='utf-8-sig', newline='') as f:\n"
                                   "    print(json.dumps(list(csv.reader(f, delimiter=sys.argv[2]))))\n",
                             path, separator});
    if (!python.waitForFinished(30000) || python.exitCode() != 0)
        return QJsonArray();
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

// The cells of table that a spreadsheet would take for a formula.
QStringList formulaCells(const QJsonArray& table)
{
    QStringList found;
    for (const QJsonValue& row : table) {
        for (const QJsonValue& cell : row.toArray()) {
            const QString text = cell.toString();
            if (!text.isEmpty() && QString("=+-@\t\r").contains(text.at(0)))
                found << text;
        }
    }
    return found;
}

} // namespace

// Python's csv module stands for the spreadsheet: every cell must come back
// whole, and the formula openers with their neutralising quote. Read with ","
// instead, the cells split elsewhere, and still none starts a formula.
void TestCardRegister::csvReadsBackInSpreadsheetReader()
{
    QTemporaryDir dir;
    journal::CardRow hostile = card("ООО \"Щит\"; и партнёры", "=cmd|' /C calc'!A0", "2024-03-15T10:00:00+03:00");
    hostile.number = 7;
    hostile.name = "+Иван\r\nвторая строка";
    hostile.patron = "-Петрович";
    hostile.note = "@примечание;\"";
    journal::CardRow plain = card("Щит,=1+1,", "Орлов", "2024-03-16T10:00:00+03:00");
    plain.patron = "x,+cmd|' /C calc'!A0,y";
    plain.number = 8;
    plain.status = "spoiled";
    QString error;
    const QString path = dir.filePath("журнал.csv");
    QVERIFY2(journal::exportCsv(path, {hostile, plain}, &error), qPrintable(error));

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().startsWith("\xEF\xBB\xBF"));

    const QJsonArray table = readCsv(path, ";");
    QCOMPARE(table.size(), 3);
    auto row = [&](int i) {
        QStringList texts;
        for (const QJsonValue& v : table.at(i).toArray())
            texts.append(v.toString());
        return texts;
    };
    QCOMPARE(row(0), journal::csvHeader());
    QCOMPARE(row(1), (QStringList{"7", "2024-03-15T10:00:00+03:00", "ООО \"Щит\"; и партнёры", "'=cmd|' /C calc'!A0",
                                  "'+Иван\r\nвторая строка", "'-Петрович", "Директор", "Петров", "15.03.2024",
                                  "queue", "operator", "выдана", "'@примечание;\""}));
    QCOMPARE(row(2).at(11), QString("испорчена"));
    QCOMPARE(row(2).at(2), QString("Щит,'=1+1,"));
    QCOMPARE(row(2).at(5), QString("x,'+cmd|' /C calc'!A0,y"));
    QCOMPARE(formulaCells(table), QStringList());
    const QJsonArray byComma = readCsv(path, ",");
    QVERIFY(byComma.size() >= 3);
    QCOMPARE(formulaCells(byComma), QStringList());
}

void TestCardRegister::exportToUnwritablePathFails()
{
    QTemporaryDir dir;
    QString error;
    QVERIFY(!journal::exportCsv(dir.filePath("нет/такой/папки.csv"), {}, &error));
    QVERIFY(!error.isEmpty());
    // A folder of that name: the old contents stay untouched.
    QVERIFY(QDir(dir.path()).mkdir("папка.csv"));
    error.clear();
    QVERIFY(!journal::exportCsv(dir.filePath("папка.csv"), {}, &error));
    QVERIFY(!error.isEmpty());
}

QTEST_GUILESS_MAIN(TestCardRegister)
#include "tst_cardregister.moc"
