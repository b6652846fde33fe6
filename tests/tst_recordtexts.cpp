#include "records/recordtexts.h"
#include "support/testsupport.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

// The derived values that go into the searchable columns, and the list
// queries run against a real SQLite database.
class TestRecordTexts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanedText_data();
    void cleanedText();
    void companyText_data();
    void companyText();
    void savedAndUpdatedRowsDifferOnlyInDirector_data();
    void savedAndUpdatedRowsDifferOnlyInDirector();
    void companyListFilter_data();
    void companyListFilter();
    void personnelListFilters_data();
    void personnelListFilters();

private:
    QStringList run(const QString& sql, int column = 0);
};

namespace {

const char* const connectionName = "recordtexts";

} // namespace

void TestRecordTexts::initTestCase()
{
    QVERIFY(testsupport::openSchemaDatabase(QString::fromLatin1(connectionName)));
    QSqlQuery query(QSqlDatabase::database(QString::fromLatin1(connectionName)));
    const QList<QStringList> companies{{"ООО", "Альфа"}, {"АО", "O'Neil Security"}, {"", "Бета"},
                                       {"ЧОП", "Сто_процентов"}, {"ЧОП", "Сто-процентов"}};
    for (const QStringList& company : companies) {
        query.prepare("INSERT INTO companies VALUES (?,?,?)");
        const QStringList row = records::companyRow(company.at(0), company.at(1));
        for (const QString& value : row)
            query.addBindValue(value);
        QVERIFY(query.exec());
    }
    // Written by another program: Latin capitals left in the search text.
    QVERIFY(query.exec("INSERT INTO companies VALUES ('ИП','Kit Охрана','ип Kit охрана')"));
    const QList<records::PersonFields> people{
        {"Иванов", "Иван", "Иванович", "Директор", "П.П. Петров", "01.02.2020"},
        {"Д'Артаньян", "Шарль", "", "Директор", "П.П. Петров", "02.02.2020"},
        {"Сидорова", "Анна", "", "Генеральный директор", "С.С. Смирнов", "03.02.2020"},
    };
    for (const records::PersonFields& person : people) {
        query.prepare("INSERT INTO personal VALUES (?,?,?,?,?,?,?,?,?)");
        for (const QString& value : records::savedPersonRow("ООО Альфа", person))
            query.addBindValue(value);
        QVERIFY(query.exec());
    }
}

void TestRecordTexts::cleanupTestCase()
{
    QSqlDatabase::database(QString::fromLatin1(connectionName)).close();
    QSqlDatabase::removeDatabase(QString::fromLatin1(connectionName));
}

QStringList TestRecordTexts::run(const QString& sql, int column)
{
    QSqlQuery query(QSqlDatabase::database(QString::fromLatin1(connectionName)));
    if (!query.exec(sql))
        return {QStringLiteral("<failed>")};
    QStringList texts;
    while (query.next())
        texts.append(query.value(column).toString());
    return texts;
}

void TestRecordTexts::cleanedText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cleaned");
    QTest::newRow("plain") << "Иванов" << "Иванов";
    QTest::newRow("combining breve kept") << QString("Мои") + QChar(0x0306) << QString("Мои") + QChar(0x0306);
    QTest::newRow("no-break space kept") << QString("Щит") + QChar(0x00A0) + "и Меч"
                                         << QString("Щит") + QChar(0x00A0) + "и Меч";
    QTest::newRow("override in the middle") << QString("Красный ") + QChar(0x202E) + "евой" << "Красный евой";
    QTest::newRow("hidden characters at the ends") << QString(QChar(0x200B)) + " Орлов " + QChar(0x2066) << "Орлов";
    QTest::newRow("line break inside") << "Ор\nлов" << "Орлов";
}

void TestRecordTexts::cleanedText()
{
    QFETCH(QString, text);
    QFETCH(QString, cleaned);
    QCOMPARE(records::cleanedText(text), cleaned);
    QCOMPARE(records::trimmedFields({text, "", "", "", "", ""}).surname, cleaned);
}

void TestRecordTexts::companyText_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("lower");

    QTest::newRow("both") << "ООО" << "Альфа" << "ООО Альфа" << "ооо альфа";
    QTest::newRow("no legal form") << "" << "Бета" << "Бета" << "бета";
    QTest::newRow("no name") << "ЧОП" << "" << "ЧОП" << "чоп";
    QTest::newRow("inner spaces kept as typed") << "ООО " << "Гамма" << "ООО  Гамма" << "ооо  гамма";
    QTest::newRow("outer spaces dropped") << " АО" << "Дельта  " << "АО Дельта" << "ао дельта";
    QTest::newRow("name with leading space only") << "" << " Бета" << "Бета" << "бета";
    QTest::newRow("tab is not a space") << "\tАО" << "" << "\tАО" << "\tао";
    QTest::newRow("nothing") << "" << "" << "" << "";
    QTest::newRow("Cyrillic Ё and Latin") << "ЗАО" << "ЁЖ Guard" << "ЗАО ЁЖ Guard" << "зао ёж guard";
}

void TestRecordTexts::companyText()
{
    QFETCH(QString, form);
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QString, lower);

    QCOMPARE(records::companyText(form, name), text);
    QCOMPARE(records::companyRow(form, name), (QStringList{form, name, lower}));

    // The list shows what the database computes; employees must be stored under that very text.
    QSqlQuery query(QSqlDatabase::database(QString::fromLatin1(connectionName)));
    query.prepare("SELECT TRIM(?||' '||?)");
    query.addBindValue(form);
    query.addBindValue(name);
    QVERIFY(query.exec() && query.next());
    QCOMPARE(query.value(0).toString(), text);
}

void TestRecordTexts::savedAndUpdatedRowsDifferOnlyInDirector_data()
{
    QTest::addColumn<QString>("post");
    QTest::addColumn<QString>("director");
    QTest::addColumn<QString>("savedDirector");
    QTest::addColumn<QString>("updatedDirector");

    QTest::newRow("both") << "Директор" << "И.И. Иванов" << "директор и.и. иванов" << "директор и.и. иванов";
    QTest::newRow("no post") << "" << "И.И. Иванов" << " и.и. иванов" << "и.и. иванов";
    QTest::newRow("no director") << "Директор" << "" << "директор " << "директор";
}

void TestRecordTexts::savedAndUpdatedRowsDifferOnlyInDirector()
{
    QFETCH(QString, post);
    QFETCH(QString, director);
    QFETCH(QString, savedDirector);
    QFETCH(QString, updatedDirector);

    const records::PersonFields person{"Петров", "", "Петрович", post, director, "05.06.2021"};
    const QStringList saved = records::savedPersonRow("ООО Альфа", person);
    const QStringList expected{"ООО Альфа", "Петров", "", "Петрович", post, director, "05.06.2021",
                               "петров петрович", savedDirector};
    QCOMPARE(saved, expected);
    QStringList updated = expected;
    updated.last() = updatedDirector;
    QCOMPARE(records::updatedPersonRow("ООО Альфа", person), updated);
}

void TestRecordTexts::companyListFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("shown");

    const QStringList all{"Бета",          "АО O'Neil Security", "ИП Kit Охрана", "ООО Альфа",
                          "ЧОП Сто-процентов", "ЧОП Сто_процентов"};
    QTest::newRow("empty filter lists all, no legal form first") << "" << all;
    QTest::newRow("lower-case Cyrillic") << "альф" << QStringList{"ООО Альфа"};
    QTest::newRow("capital Cyrillic") << "АЛЬФ" << QStringList{"ООО Альфа"};
    QTest::newRow("legal form and name") << "Ооо Альфа" << QStringList{"ООО Альфа"};
    QTest::newRow("apostrophe") << "o'neil" << QStringList{"АО O'Neil Security"};
    QTest::newRow("percent is a wildcard") << "о%а" << QStringList{"ИП Kit Охрана", "ООО Альфа"};
    QTest::newRow("underscore is a wildcard") << "сто_проц" << QStringList{"ЧОП Сто-процентов", "ЧОП Сто_процентов"};
    QTest::newRow("Latin letters match either case") << "KIT" << QStringList{"ИП Kit Охрана"};
    QTest::newRow("Cyrillic and digits only") << "охрана" << QStringList{"ИП Kit Охрана"};
    QTest::newRow("no match") << "охрана 7" << QStringList();
    QTest::newRow("quote cannot widen the query") << "' OR '1'='1" << QStringList();
    QTest::newRow("quote cannot end the statement") << "'; DROP TABLE companies; --" << QStringList();
}

void TestRecordTexts::companyListFilter()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, shown);

    QCOMPARE(run(records::companyListQuery(filter)), shown);
    QCOMPARE(run("SELECT COUNT(*) FROM companies"), QStringList{"6"});
}

void TestRecordTexts::personnelListFilters_data()
{
    QTest::addColumn<QString>("company");
    QTest::addColumn<QStringList>("filters");
    QTest::addColumn<QStringList>("shown");

    const QStringList all{"Д'Артаньян Шарль", "Иванов Иван Иванович", "Сидорова Анна"};
    QTest::newRow("no filters") << "ООО Альфа" << QStringList() << all;
    QTest::newRow("both filters empty") << "ООО Альфа" << QStringList{"", ""} << all;
    QTest::newRow("other organisation") << "Бета" << QStringList() << QStringList();
    QTest::newRow("company text with a quote") << "ООО Альфа' OR '1'='1" << QStringList() << QStringList();
    QTest::newRow("name, capital letters") << "ООО Альфа" << QStringList{"ИВАН", ""}
                                           << QStringList{"Иванов Иван Иванович"};
    QTest::newRow("name with apostrophe") << "ООО Альфа" << QStringList{"д'арт", ""}
                                          << QStringList{"Д'Артаньян Шарль"};
    QTest::newRow("director only") << "ООО Альфа" << QStringList{"", "Петров"}
                                   << QStringList{"Д'Артаньян Шарль", "Иванов Иван Иванович"};
    QTest::newRow("both must match") << "ООО Альфа" << QStringList{"ива", "смирнов"} << QStringList();
    QTest::newRow("wildcard across post and name") << "ООО Альфа" << QStringList{"", "генеральный%смирнов"}
                                                   << QStringList{"Сидорова Анна"};
}

void TestRecordTexts::personnelListFilters()
{
    QFETCH(QString, company);
    QFETCH(QStringList, filters);
    QFETCH(QStringList, shown);

    QCOMPARE(run(records::personnelListQuery(company, filters)), shown);
}

QTEST_GUILESS_MAIN(TestRecordTexts)
#include "tst_recordtexts.moc"
