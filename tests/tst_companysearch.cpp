#include "db/database.h"
#include "records/companylistmodel.h"
#include "records/companysearch.h"
#include "records/recordtexts.h"
#include "support/testsupport.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

using testsupport::checkExec;
using testsupport::checkRows;

namespace {

const char* const kMain = "search-main";
const char* const kOther = "search-other";

// Legal form, name and search text; NULL where the text is null.
const QList<QStringList> kCompanies{
    {"ООО", "Альфа", "ооо альфа"},
    {"", "Бета", "бета"},
    {"АО", "O'Neil|Guard", "ао o'neil|guard"},
    {"ЧОП", "Щит", "чоп щит"},
    {"ЧОП", "Щит ", "чоп щит"},
    {"ООО", "Скидка 50%", "ооо скидка 50%"},
    {"ООО", "Нижний_Подчерк", "ооо нижний_подчерк"},
    {"ИП", "Смайл 😀 Плюс", "ип смайл 😀 плюс"},
    {"ЗАО", "LATIN Caps", "ЗАО LATIN Caps"},
    {"ООО", "Ёлка", "ооо ёлка"},
    {"", "", ""},
    {QString(), "Без формы", QString()},
    {"ООО", "Ясень", "ооо ясень"},
};

QString literal(const QString& value)
{
    return value.isNull() ? QStringLiteral("NULL") : DataBase::quoteLiteral(value);
}

bool insertCompany(const char* connection, const QStringList& c)
{
    return checkExec(connection, QStringLiteral("INSERT INTO companies VALUES (%1,%2,%3)")
                                     .arg(literal(c.value(0)), literal(c.value(1)), literal(c.value(2))));
}

// Starts reading the organisations into memory and waits until they are in.
bool readIntoMemory(CompanyListModel& model, const QSqlDatabase& db)
{
    return model.refresh("а", db) && QTest::qWaitFor([&] { return model.isSearchReady(); }, 10000)
           && model.refresh("а", db) && model.isSearching();
}

QStringList shown(const QAbstractItemModel& model)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, 0).data().toString();
    return texts;
}

} // namespace

// The company list answered from memory: the same organisations in the same
// order as the list statement, also after writes, with nothing added to the file.
class TestCompanySearch : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void likeMatchesAsSqlite_data();
    void likeMatchesAsSqlite();
    void sortOrderIsSqlites();
    void filtersAgreeWithListStatement_data();
    void filtersAgreeWithListStatement();
    void followsWritesOfEitherConnection();
    void rowOfReadsOnlyUpToTheRow();
    void fileGainsNoTriggerOrTable();
    void databaseInMemoryReadAtOnce();
    void listGoneWhileReading();
    void randomNamesAgreeWithListStatement();
    void commonPiecesStillMatch();

private:
    // The list statement's texts for filter, through the test's own connection.
    QStringList statementTexts(const QString& filter) const;
    QTemporaryDir m_dir;
};

void TestCompanySearch::init()
{
    QVERIFY(m_dir.isValid());
    const QString file = m_dir.filePath(QStringLiteral("dataBase.db"));
    QFile::remove(file);
    for (const char* name : {kMain, kOther}) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        QVERIFY(db.open());
    }
    QVERIFY(checkExec(kMain, "CREATE TABLE companies (Форма TEXT,Наименование TEXT,name TEXT)"));
    for (const QStringList& c : kCompanies)
        QVERIFY(insertCompany(kMain, c));
    // Enough others that a rare filter is answered from the piece lists and a
    // common one by going down the list.
    QVERIFY(checkExec(kMain, "BEGIN"));
    for (int i = 0; i < 100; ++i)
        QVERIFY(insertCompany(kMain, {"ООО", QString("Филлер %1").arg(i), QString("ооо филлер %1").arg(i)}));
    QVERIFY(checkExec(kMain, "COMMIT"));
}

void TestCompanySearch::cleanup()
{
    for (const char* name : {kMain, kOther}) {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
}

QStringList TestCompanySearch::statementTexts(const QString& filter) const
{
    // A NULL text is shown as an empty one.
    return checkRows(kOther, records::companyListQuery(filter)).replaceInStrings(QRegularExpression("^<NULL>$"), "");
}

void TestCompanySearch::likeMatchesAsSqlite_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pattern");

    QTest::newRow("inside") << "ооо альфа" << "о ал";
    QTest::newRow("not inside") << "ооо альфа" << "альфы";
    QTest::newRow("Latin either case") << "O'Neil" << "o'nEIL";
    QTest::newRow("Cyrillic case counts") << "Альфа" << "альфа";
    QTest::newRow("underscore one letter") << "щит" << "щ_т";
    QTest::newRow("underscore needs a letter") << "щт" << "щ_т";
    QTest::newRow("underscore takes a whole emoji") << "a😀b" << "a_b";
    QTest::newRow("percent any run") << "скидка 50%" << "ск%0";
    QTest::newRow("percent in order only") << "скидка" << "ка%ск";
    QTest::newRow("backtracking") << "aab aac" << "a_c";
    QTest::newRow("only wildcards") << "" << "%";
    QTest::newRow("underscore on empty") << "" << "_";
}

void TestCompanySearch::likeMatchesAsSqlite()
{
    QFETCH(QString, text);
    QFETCH(QString, pattern);
    const QStringList answer = checkRows(kMain, QStringLiteral("SELECT %1 LIKE %2")
                                                    .arg(DataBase::quoteLiteral(text),
                                                         DataBase::quoteLiteral("%" + pattern + "%")));
    QCOMPARE(records::likeMatches(text, pattern), answer == QStringList{"1"});
}

void TestCompanySearch::sortOrderIsSqlites()
{
    // Code points beyond U+FFFF sort after U+FFFD in UTF-8, though their
    // UTF-16 units are smaller; a null text comes first, a prefix before longer texts.
    const QStringList texts{"\xef\xbf\xbd", "😀", "a", "ab", "A", " b", "Я", "ё", ""};
    QStringList sorted = texts;
    std::sort(sorted.begin(), sorted.end(), records::CompanySearch::sortsBefore);
    QStringList values;
    for (const QString& text : texts)
        values << "SELECT " + DataBase::quoteLiteral(text) + " AS t";
    QCOMPARE(sorted, checkRows(kMain, values.join(" UNION ALL ") + " ORDER BY t"));
    QVERIFY(records::CompanySearch::sortsBefore(QString(), QString("")));
    QVERIFY(!records::CompanySearch::sortsBefore(QString(""), QString()));
}

void TestCompanySearch::filtersAgreeWithListStatement_data()
{
    QTest::addColumn<QString>("filter");

    for (const char* filter : {"", "о", "ОО", "ооо", "ооо а", "щит", "Щ_Т", "o'n", "latin", "caps", "50%", "%",
                               "_", "нижний_", "😀", "й_п", "ё", "е", "к%а", "нет такого", "'", "  "}) {
        QTest::newRow(filter[0] ? filter : "empty") << QString::fromUtf8(filter);
    }
}

void TestCompanySearch::filtersAgreeWithListStatement()
{
    QFETCH(QString, filter);
    CompanyListModel model;
    model.setSearchEnabled(true);
    QAbstractItemModelTester tester(&model);
    // Until the organisations are in memory, the list statement answers.
    QVERIFY(model.refresh(filter, QSqlDatabase::database(kMain)));
    QVERIFY(!model.isSearching());
    QCOMPARE(shown(model), statementTexts(filter));
    QVERIFY(readIntoMemory(model, QSqlDatabase::database(kMain)));
    QVERIFY(model.refresh(filter, QSqlDatabase::database(kMain)));
    QVERIFY(model.isSearching());
    QCOMPARE(shown(model), statementTexts(filter));
    QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QString("Наименование"));

    model.setSearchEnabled(false);
    QVERIFY(model.refresh(filter, QSqlDatabase::database(kMain)));
    QVERIFY(!model.isSearching());
    QCOMPARE(shown(model), statementTexts(filter));
}

void TestCompanySearch::followsWritesOfEitherConnection()
{
    CompanyListModel model;
    model.setSearchEnabled(true);
    QAbstractItemModelTester tester(&model);
    const QSqlDatabase db = QSqlDatabase::database(kMain);
    QVERIFY(model.refresh("", db));
    QVERIFY(readIntoMemory(model, db));

    // This connection's own writes, one transaction rolled back.
    QVERIFY(insertCompany(kMain, {"ООО", "Вега", "ооо вега"}));
    QVERIFY(checkExec(kMain, "UPDATE companies SET Наименование='Альфа-2', name='ооо альфа-2' WHERE name='ооо альфа'"));
    QVERIFY(checkExec(kMain, "DELETE FROM companies WHERE name='бета'"));
    QVERIFY(checkExec(kMain, "BEGIN"));
    QVERIFY(insertCompany(kMain, {"АО", "Призрак", "ао призрак"}));
    QVERIFY(checkExec(kMain, "ROLLBACK"));
    for (const char* filter : {"", "а", "вега", "альфа-2", "бета", "призрак"}) {
        QVERIFY(model.refresh(filter, db));
        QVERIFY(model.isSearching());
        QCOMPARE(shown(model), statementTexts(filter));
    }

    // Another connection's write is noticed as a whole; the statement answers
    // until the organisations are read anew.
    QVERIFY(insertCompany(kOther, {"ЧОП", "Извне", "чоп извне"}));
    QVERIFY(model.refresh("извне", db));
    QCOMPARE(shown(model), QStringList{"ЧОП Извне"});
    QVERIFY(readIntoMemory(model, db));
    QVERIFY(model.refresh("извне", db));
    QCOMPARE(shown(model), QStringList{"ЧОП Извне"});

    // A large import is read again as a whole.
    QVERIFY(checkExec(kMain, "BEGIN"));
    for (int i = 0; i < 600; ++i)
        QVERIFY(insertCompany(kMain, {"ООО", QString("Склад %1").arg(i), QString("ооо склад %1").arg(i)}));
    QVERIFY(checkExec(kMain, "COMMIT"));
    QVERIFY(model.refresh("склад 59", db));
    QCOMPARE(shown(model), statementTexts("склад 59"));
    QVERIFY(readIntoMemory(model, db));
    QVERIFY(model.refresh("склад 59", db));
    QCOMPARE(shown(model), statementTexts("склад 59"));

    // Writes of this connection made while the rows are read are applied
    // after them, whichever of them the reading saw.
    model.setSearchEnabled(false);
    model.setSearchEnabled(true);
    model.prepareSearch();
    QVERIFY(insertCompany(kMain, {"ООО", "Пока читали", "ооо пока читали"}));
    QVERIFY(checkExec(kMain, "UPDATE companies SET Наименование='Склад 590-б', name='ооо склад 590-б' WHERE "
                             "name='ооо склад 590'"));
    QVERIFY(checkExec(kMain, "DELETE FROM companies WHERE name='ооо склад 591'"));
    QVERIFY(readIntoMemory(model, db));
    for (const char* filter : {"", "пока", "склад 59"}) {
        QVERIFY(model.refresh(filter, db));
        QVERIFY(model.isSearching());
        QCOMPARE(shown(model), statementTexts(filter));
    }

    // A table made anew on this connection has lost the triggers of the old one.
    QVERIFY(checkExec(kMain, "DROP TABLE companies"));
    QVERIFY(checkExec(kMain, "CREATE TABLE companies (Форма TEXT,Наименование TEXT,name TEXT)"));
    QVERIFY(model.refresh("а", db));
    QVERIFY(insertCompany(kMain, {"ООО", "Заново", "ооо заново"}));
    QVERIFY(model.refresh("а", db));
    QCOMPARE(shown(model), QStringList{"ООО Заново"});
    QVERIFY(readIntoMemory(model, db));
    QCOMPARE(shown(model), QStringList{"ООО Заново"});
}

void TestCompanySearch::rowOfReadsOnlyUpToTheRow()
{
    QVERIFY(checkExec(kMain, "BEGIN"));
    for (int i = 0; i < 1000; ++i)
        QVERIFY(insertCompany(kMain, {"ЯП", QString("Объект %1").arg(i, 4, 10, QChar('0')), "x"}));
    QVERIFY(checkExec(kMain, "COMMIT"));
    CompanyListModel model;
    model.setSearchEnabled(true);
    QAbstractItemModelTester tester(&model);
    const QSqlDatabase db = QSqlDatabase::database(kMain);
    QVERIFY(model.refresh("", db));
    QVERIFY(!model.isSearching());
    QCOMPARE(model.rowOf("ЯП Объект 0700"), -1); // the rows come from the statement

    QVERIFY(readIntoMemory(model, db));
    QVERIFY(model.refresh("", db));
    const QStringList all = statementTexts("");
    const int expected = all.indexOf("ЯП Объект 0700");
    QCOMPARE(model.rowOf("ЯП Объект 0700"), expected);
    QVERIFY(model.rowCount() > expected);
    QVERIFY(model.rowCount() < all.size());
    QCOMPARE(model.index(expected, 0).data().toString(), QString("ЯП Объект 0700"));
    // Shown twice ("Щит" and "Щит "): the first of them.
    QCOMPARE(model.rowOf("ЧОП Щит"), all.indexOf("ЧОП Щит"));
    QCOMPARE(model.rowOf("нет такой"), -1);
    while (model.canFetchMore(QModelIndex()))
        model.fetchMore(QModelIndex());
    QCOMPARE(shown(model), all);

    // In a filtered list: the row among those the filter lets through.
    QVERIFY(model.refresh("x", db));
    QVERIFY(model.rowCount() < 1000); // a common filter finds a batch, not every match
    QCOMPARE(model.rowOf("ЯП Объект 0999"), 999);
    QCOMPARE(model.index(999, 0).data().toString(), QString("ЯП Объект 0999"));
    QCOMPARE(model.rowOf("ООО Альфа"), -1);
    QVERIFY(model.refresh("x", db));
    while (model.canFetchMore(QModelIndex()))
        model.fetchMore(QModelIndex());
    QCOMPARE(shown(model), statementTexts("x"));
}

void TestCompanySearch::fileGainsNoTriggerOrTable()
{
    const QStringList before = checkRows(kOther, "SELECT type, name FROM sqlite_master");
    {
        CompanyListModel model;
        model.setSearchEnabled(true);
        QVERIFY(readIntoMemory(model, QSqlDatabase::database(kMain)));
        QVERIFY(insertCompany(kMain, {"ООО", "Новая", "ооо новая"}));
        QCOMPARE(checkRows(kOther, "SELECT type, name FROM sqlite_master"), before);
        QCOMPARE(checkRows(kMain, "SELECT count(*) FROM sqlite_temp_master WHERE type='trigger'"), QStringList{"3"});
    }
    // Gone with the list.
    QCOMPARE(checkRows(kMain, "SELECT count(*) FROM sqlite_temp_master"), QStringList{"0"});
}

void TestCompanySearch::databaseInMemoryReadAtOnce()
{
    // No second connection can open it: read on the list's own, at the first filter.
    QSqlDatabase memory = QSqlDatabase::addDatabase("QSQLITE", "search-memory");
    memory.setDatabaseName(":memory:");
    QVERIFY(memory.open());
    QVERIFY(checkExec("search-memory", "CREATE TABLE companies (Форма TEXT,Наименование TEXT,name TEXT)"));
    QVERIFY(insertCompany("search-memory", {"ООО", "Альфа", "ооо альфа"}));
    {
        CompanyListModel model;
        model.setSearchEnabled(true);
        QVERIFY(model.refresh("альф", memory));
        QVERIFY(model.isSearching());
        QCOMPARE(shown(model), QStringList{"ООО Альфа"});
    }
    memory.close();
    memory = QSqlDatabase();
    QSqlDatabase::removeDatabase("search-memory");
}

void TestCompanySearch::listGoneWhileReading()
{
    QVERIFY(checkExec(kMain, "BEGIN"));
    for (int i = 0; i < 20000; ++i)
        QVERIFY(insertCompany(kMain, {"ООО", QString("Длинный список %1").arg(i), QString("ооо длинный %1").arg(i)}));
    QVERIFY(checkExec(kMain, "COMMIT"));
    // The reading thread is stopped and waited for; nothing reaches the gone list.
    for (int i = 0; i < 3; ++i) {
        CompanyListModel model;
        model.setSearchEnabled(true);
        QVERIFY(model.refresh("а", QSqlDatabase::database(kMain)));
        QVERIFY(!model.isSearching());
    }
    CompanyListModel model;
    model.setSearchEnabled(true);
    QVERIFY(readIntoMemory(model, QSqlDatabase::database(kMain)));
    QVERIFY(model.refresh("длинный 1999", QSqlDatabase::database(kMain)));
    QCOMPARE(shown(model), statementTexts("длинный 1999"));
}

void TestCompanySearch::randomNamesAgreeWithListStatement()
{
    // Letters that fold and that do not, wildcards and spaces, few enough that
    // filters find many organisations, some or none: both ways of answering.
    const QString letters = QStringLiteral("аАбвёЁяabAB_% '");
    QRandomGenerator random(17);
    const auto text = [&](int most) {
        QString value;
        for (int i = 1 + random.bounded(most); i > 0; --i)
            value += letters.at(random.bounded(letters.size()));
        return value;
    };
    QVERIFY(checkExec(kMain, "BEGIN"));
    for (int i = 0; i < 3000; ++i) {
        const QString form = QStringList{"ООО", "АО", ""}.at(random.bounded(3));
        const QString name = text(10);
        QVERIFY(insertCompany(kMain, {form, name, records::lowerCase(form + " " + name)}));
    }
    QVERIFY(checkExec(kMain, "COMMIT"));
    CompanyListModel model;
    model.setSearchEnabled(true);
    const QSqlDatabase db = QSqlDatabase::database(kMain);
    QVERIFY(readIntoMemory(model, db));
    for (int round = 0; round < 150; ++round) {
        if (round % 10 == 0) {
            // Writes between the filters: renamed and deleted organisations.
            QVERIFY(checkExec(kMain, QString("UPDATE companies SET Наименование='%1', name='%1' WHERE rowid=%2")
                                         .arg(text(6).replace("'", "''"))
                                         .arg(1 + random.bounded(3000))));
            QVERIFY(checkExec(kMain, QString("DELETE FROM companies WHERE rowid=%1").arg(1 + random.bounded(3000))));
            // One organisation renamed again and again: its newer self replaces the one before.
            QVERIFY(checkExec(kMain, QString("UPDATE companies SET Наименование='%1', name='%1' WHERE rowid=7")
                                         .arg(text(6).replace("'", "''"))));
        }
        const QString filter = text(3);
        QVERIFY(model.refresh(filter, db));
        QVERIFY(model.isSearching());
        while (model.canFetchMore(QModelIndex()))
            model.fetchMore(QModelIndex());
        QCOMPARE(shown(model), statementTexts(filter));
    }
}

void TestCompanySearch::commonPiecesStillMatch()
{
    // Pieces in every name keep only their count; filters of them, alone or
    // with rarer ones, find what LIKE finds, also for names added later.
    records::CompanySearch search;
    QStringList names;
    for (int i = 0; i < 40; ++i) {
        names << QString("ооо %1 %2").arg(i % 5 ? "альфа" : "бета").arg(i);
        search.add({i + 1, names.last(), names.last()});
    }
    search.putInOrder();
    names << "ооо альфа новая" << "зао бета";
    search.insert({41, names.at(40), names.at(40)});
    search.insert({42, names.at(41), names.at(41)});
    for (const QString filter : {"о", "ооо", "ооо а", "ооо бета 1", "альфа", "о%а", "б_та", "ооо альфа н"}) {
        QVector<qint64> expected;
        for (int row = 0; row < search.size(); ++row) {
            const qint64 rowId = search.rowIdAt(row);
            if (records::likeMatches(names.at(int(rowId) - 1), filter))
                expected << rowId;
        }
        QCOMPARE(search.match(filter), expected);
    }
}

QTEST_GUILESS_MAIN(TestCompanySearch)
#include "tst_companysearch.moc"
