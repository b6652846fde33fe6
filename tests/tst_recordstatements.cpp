#include "db/database.h"
#include "db/statements.h"
#include "support/testengine.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QScopedPointer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <QtTest>

namespace {

const QString kCheck = QStringLiteral("check");
const QString kFile = QStringLiteral("dataBase.db");
const QString kPersonCondition = QStringLiteral("TRIM(Фамилия||' '||Имя||' '||Отчество)");
const QString kDirectorCondition = QStringLiteral("TRIM(Должность||' '||Руководитель)");
const QString kCompanyText = QStringLiteral("TRIM(Форма||' '||Наименование)");

const QStringList kCompanyColumns = {"Форма", "Наименование", "name"};
const QStringList kPersonalColumns = {"id",           "Фамилия",     "Имя",    "Отчество", "Должность",
                                      "Руководитель", "Дата_выдачи", "person", "director"};
const QStringList kSeedCompanies = {"АО|Бета|ао бета", "ООО|Альфа|ооо альфа", "ПАО|Гамма|пао гамма"};

QString withNul(const QString& before, const QString& after)
{
    return before + QChar(0) + after;
}

bool checkExec(const QString& statement)
{
    return testsupport::checkExec(kCheck, statement);
}

QStringList checkRows(const QString& statement)
{
    return testsupport::checkRows(kCheck, statement);
}

QStringList companies()
{
    return checkRows("SELECT * FROM companies ORDER BY " + testsupport::rowOrder());
}

QStringList tables()
{
    return checkRows(testsupport::tableNamesQuery());
}

void addCompany(const QString& form, const QString& title, const QString& name)
{
    QSqlQuery query(QSqlDatabase::database(kCheck, false));
    query.prepare("INSERT INTO companies VALUES (?, ?, ?)");
    query.addBindValue(form);
    query.addBindValue(title);
    query.addBindValue(name);
    QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
}

void addPerson(const QStringList& values)
{
    QSqlQuery query(QSqlDatabase::database(kCheck, false));
    query.prepare("INSERT INTO personal VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (const QString& value : values)
        query.addBindValue(value);
    QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
}

// Makes the next commit on the connection under test fail: a deferred
// foreign key is checked only at COMMIT.
void prepareDeferredKeys()
{
    QVERIFY(checkExec("CREATE TABLE parent (x TEXT PRIMARY KEY)"));
    QVERIFY(checkExec("CREATE TABLE child (c TEXT REFERENCES parent(x) DEFERRABLE INITIALLY DEFERRED)"));
    QVERIFY(checkExec("INSERT INTO parent VALUES ('p')"));
    QVERIFY(checkExec("INSERT INTO child VALUES ('p')"));
}

} // namespace

class TestRecordStatements : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void statementTexts_data();
    void statementTexts();
    void quoteValues_data();
    void quoteValues();
    void insertRecordStoresValueUnchanged_data();
    void insertRecordStoresValueUnchanged();
    void insertRecordCreatesMissingTable();
    void insertRecordFails_data();
    void insertRecordFails();
    void updateRecordsChangesMatchingRows_data();
    void updateRecordsChangesMatchingRows();
    void updateRecordsFails_data();
    void updateRecordsFails();
    void recordExists_data();
    void recordExists();
    void selectRecordsReturnsRowTexts_data();
    void selectRecordsReturnsRowTexts();
    void selectRecordsFailureKeepsRows_data();
    void selectRecordsFailureKeepsRows();
    void selectRecordValuesKeepsSeparators();
    void queryRowsReadsColumnsByPosition();
    void queryRowsSecondEntryPoint();
    void deleteRecordsRemovesMatchingRows_data();
    void deleteRecordsRemovesMatchingRows();
    void deleteRecordsOfEmptyEmployeeFields();
    void deleteRecordsFailureChangesNothing_data();
    void deleteRecordsFailureChangesNothing();
    void insertRecordsWritesAllRows();
    void insertRecordsFailureWritesNothing_data();
    void insertRecordsFailureWritesNothing();
    void failedCommitIsRolledBack();
    void hostileValuesStayValues_data();
    void hostileValuesStayValues();
    void hostileConditionsMatchNothing_data();
    void hostileConditionsMatchNothing();
    void nulInValueFailsCleanly();

private:
    QScopedPointer<testsupport::WorkDir> m_dir;
    QScopedPointer<DataBase> m_db;
};

void TestRecordStatements::initTestCase()
{
    REQUIRE_TEST_ENGINE();
}

void TestRecordStatements::init()
{
    QString error;
    QVERIFY2(testsupport::resetServerDatabase(&error), qPrintable(error));
    m_dir.reset(new testsupport::WorkDir);
    QVERIFY(m_dir->isValid());
    m_db.reset(new DataBase);
    QVERIFY(testsupport::openUnderTest(*m_db));
    QVERIFY(m_db->createTable("companies", kCompanyColumns));
    QVERIFY(m_db->createTable("personal", kPersonalColumns));
    QVERIFY(testsupport::openCheckConnection(kCheck, m_dir->filePath(kFile)));
    QVERIFY(checkExec("INSERT INTO companies VALUES ('АО','Бета','ао бета'),('ООО','Альфа','ооо альфа'),"
                      "('ПАО','Гамма','пао гамма')"));
}

void TestRecordStatements::cleanup()
{
    if (m_db) {
        m_db->close();
        m_db->database.setDatabaseName(QString());
    }
    m_db.reset();
    QSqlDatabase::database(kCheck, false).close();
    QSqlDatabase::removeDatabase(kCheck);
    m_dir.reset();
}

void TestRecordStatements::statementTexts_data()
{
    QTest::addColumn<QString>("built");
    QTest::addColumn<QString>("expected");

    QTest::newRow("insert") << sql::insertRecord("companies", kCompanyColumns, {"ООО", "Альфа", "ооо альфа"})
                            << "INSERT INTO companies (Форма,Наименование,name) VALUES ('ООО','Альфа','ооо альфа');";
    QTest::newRow("insert with quote") << sql::insertRecord("t", {"a"}, {"it's"})
                                       << "INSERT INTO t (a) VALUES ('it''s');";
    QTest::newRow("update") << sql::updateRecords("personal", {"id"}, {"ООО Альфа"}, {"id"}, {"ООО Бета"})
                            << "UPDATE personal SET id='ООО Альфа' WHERE id='ООО Бета'";
    QTest::newRow("update two pairs")
        << sql::updateRecords("t", {"a", "b"}, {"1", "2"}, {"c", "d"}, {"3", "4"})
        << "UPDATE t SET a='1',b='2' WHERE c='3' AND d='4'";
    QTest::newRow("update without condition") << sql::updateRecords("t", {"a"}, {"1"}, {}, {})
                                              << "UPDATE t SET a='1'";
    QTest::newRow("update with quotes") << sql::updateRecords("t", {"a"}, {"Д'Артаньян"}, {"b"}, {"O'Brien"})
                                        << "UPDATE t SET a='Д''Артаньян' WHERE b='O''Brien'";
    QTest::newRow("exists") << sql::recordExists("companies", {"name"}, {"ооо альфа"})
                            << "SELECT name FROM companies WHERE name='ооо альфа'";
    QTest::newRow("exists two columns") << sql::recordExists("t", {"a", "b"}, {"1", "2"})
                                        << "SELECT a,b FROM t WHERE a='1' AND b='2'";
    QTest::newRow("exists without columns") << sql::recordExists("t", {}, {}) << "SELECT  FROM t WHERE ";
    QTest::newRow("select") << sql::selectRecords("companies", {"Форма", "Наименование"}, {kCompanyText},
                                                  {"ООО Альфа"})
                            << "SELECT Форма,Наименование FROM companies WHERE TRIM(Форма||' '||Наименование)="
                               "'ООО Альфа'";
    QTest::newRow("select without condition") << sql::selectRecords("t", {"a", "b"}, {}, {}) << "SELECT a,b FROM t";
    QTest::newRow("percent signs kept") << sql::selectRecords("t", {"a"}, {"a", "b"}, {"%2", "%1"})
                                        << "SELECT a FROM t WHERE a='%2' AND b='%1'";
    QTest::newRow("delete") << sql::deleteRecords("personal", {"id", "Дата_выдачи"},
                                                  {{"ООО Альфа"}, {"01.02.2020", "01.02.2020"}})
                            << "DELETE FROM personal WHERE id IN('ООО Альфа') AND Дата_выдачи IN('01.02.2020')";
    QTest::newRow("delete keeps first of repeats") << sql::deleteRecords("t", {"a"}, {{"x", "y", "x", "z", "y"}})
                                                   << "DELETE FROM t WHERE a IN('x','y','z')";
    QTest::newRow("delete with quote") << sql::deleteRecords("t", {"a"}, {{"it's"}})
                                       << "DELETE FROM t WHERE a IN('it''s')";
    QTest::newRow("delete of empty texts") << sql::deleteRecords("t", {"a", "b"}, {{"", ""}, {"1"}})
                                           << "DELETE FROM t WHERE (a='' OR a IS NULL) AND b IN('1')";
    QTest::newRow("delete with empty set") << sql::deleteRecords("t", {"a"}, {{}}) << "DELETE FROM t WHERE a IS NULL";
    QTest::newRow("delete empty text among others") << sql::deleteRecords("t", {"a"}, {{"", "x"}})
                                                    << "DELETE FROM t WHERE a IN('','x')";
    const QString pattern = sql::insertRecordsPattern("t", {"a", "b"});
    QTest::newRow("batch pattern") << pattern << "INSERT INTO t (a,b) VALUES (%1); ";
    QTest::newRow("batch row") << sql::insertRecordsRow(pattern, {"x", "it's"})
                               << "INSERT INTO t (a,b) VALUES ('x','it''s'); ";
    QTest::newRow("batch row with placeholder text") << sql::insertRecordsRow(pattern, {"%1", "%2"})
                                                     << "INSERT INTO t (a,b) VALUES ('%1','%2'); ";
}

void TestRecordStatements::statementTexts()
{
    QFETCH(QString, built);
    QFETCH(QString, expected);
    QCOMPARE(built, expected);
}

void TestRecordStatements::quoteValues_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("none") << QStringList() << QStringList();
    QTest::newRow("plain and Cyrillic") << QStringList({"abc", "Иванов"}) << QStringList({"'abc'", "'Иванов'"});
    QTest::newRow("apostrophe") << QStringList({"it's"}) << QStringList({"'it''s'"});
    QTest::newRow("only quotes") << QStringList({"''"}) << QStringList({"''''''"});
    QTest::newRow("empty text") << QStringList({""}) << QStringList({"''"});
    QTest::newRow("double quote untouched") << QStringList({"\"x\""}) << QStringList({"'\"x\"'"});
}

void TestRecordStatements::quoteValues()
{
    QFETCH(QStringList, values);
    QFETCH(QStringList, expected);
    QCOMPARE(m_db->quoteValues(values), expected);
    for (int i = 0; i < values.size(); ++i)
        QCOMPARE(DataBase::quoteLiteral(values.at(i)), expected.at(i));
}

void TestRecordStatements::insertRecordStoresValueUnchanged_data()
{
    QTest::addColumn<QString>("value");

    QTest::newRow("apostrophe") << "Д'Артаньян";
    QTest::newRow("placeholders") << "%1 %2 %3";
    QTest::newRow("bar") << "a|b";
    QTest::newRow("newline and tab") << "строка\nвторая\tтаб";
    QTest::newRow("empty") << "";
    QTest::newRow("backslash and double quote") << "C:\\x \"y\"";
    QTest::newRow("very long") << QString(200000, QChar(0x0416));
}

void TestRecordStatements::insertRecordStoresValueUnchanged()
{
    QFETCH(QString, value);
    QVERIFY(m_db->insertRecord("companies", kCompanyColumns, {"ИП", value, "x"}));
    QSqlQuery query(QSqlDatabase::database(kCheck, false));
    QVERIFY(query.exec("SELECT Наименование FROM companies WHERE Форма='ИП'"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(), value);
    QVERIFY(!query.next());
    QCOMPARE(checkRows("SELECT COUNT(*) FROM companies"), QStringList({"4"}));
}

void TestRecordStatements::insertRecordCreatesMissingTable()
{
    QVERIFY(m_db->insertRecord("extra", {"a", "b"}, {"1", "два"}));
    QCOMPARE(checkRows(testsupport::columnsQuery("extra")), QStringList({"a|TEXT", "b|TEXT"}));
    const QString type = testsupport::onServer() ? "pg_typeof(a)" : "typeof(a)";
    QCOMPARE(checkRows("SELECT a, b, " + type + " FROM extra"), QStringList({"1|два|text"}));
}

void TestRecordStatements::insertRecordFails_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<bool>("closed");

    QTest::newRow("too few values") << "companies" << QStringList({"ООО", "Дельта"}) << false;
    QTest::newRow("too many values") << "companies" << QStringList({"ООО", "Дельта", "x", "y"}) << false;
    QTest::newRow("table cannot be created") << "bad name" << QStringList({"ООО", "Дельта", "x"}) << false;
    QTest::newRow("no open database") << "companies" << QStringList({"ООО", "Дельта", "x"}) << true;
}

void TestRecordStatements::insertRecordFails()
{
    QFETCH(QString, table);
    QFETCH(QStringList, values);
    QFETCH(bool, closed);
    if (closed)
        m_db->close();
    QVERIFY(!m_db->insertRecord(table, kCompanyColumns, values));
    QCOMPARE(companies(), kSeedCompanies);
    QCOMPARE(tables(), QStringList({"companies", "personal"}));
}

void TestRecordStatements::updateRecordsChangesMatchingRows_data()
{
    QTest::addColumn<QStringList>("whereColumns");
    QTest::addColumn<QStringList>("whereValues");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("one row by name") << QStringList({"name"}) << QStringList({"ооо альфа"})
                                     << QStringList({"АО|Бета|ао бета", "ЗАО|Дельта|зао дельта", "ПАО|Гамма|пао гамма"});
    QTest::newRow("by company text") << QStringList({kCompanyText}) << QStringList({"ПАО Гамма"})
                                     << QStringList({"АО|Бета|ао бета", "ООО|Альфа|ооо альфа", "ЗАО|Дельта|зао дельта"});
    QTest::newRow("surplus condition values ignored") << QStringList({"name"}) << QStringList({"ао бета", "x"})
                                                      << QStringList({"ЗАО|Дельта|зао дельта", "ООО|Альфа|ооо альфа",
                                                                      "ПАО|Гамма|пао гамма"});
    QTest::newRow("no match") << QStringList({"name"}) << QStringList({"ООО АЛЬФА"}) << kSeedCompanies;
    QTest::newRow("two conditions, one false") << QStringList({"Форма", "name"})
                                               << QStringList({"АО", "ооо альфа"}) << kSeedCompanies;
    QTest::newRow("no condition changes all")
        << QStringList() << QStringList()
        << QStringList({"ЗАО|Дельта|зао дельта", "ЗАО|Дельта|зао дельта", "ЗАО|Дельта|зао дельта"});
}

void TestRecordStatements::updateRecordsChangesMatchingRows()
{
    QFETCH(QStringList, whereColumns);
    QFETCH(QStringList, whereValues);
    QFETCH(QStringList, expected);
    QVERIFY(m_db->updateRecords("companies", kCompanyColumns, {"ЗАО", "Дельта", "зао дельта"}, whereColumns,
                                whereValues));
    QStringList rows = companies();
    if (testsupport::onServer()) { // the server writes an updated row anew, at the end
        rows.sort();
        expected.sort();
    }
    QCOMPARE(rows, expected);
}

void TestRecordStatements::updateRecordsFails_data()
{
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("whereColumns");
    QTest::addColumn<QStringList>("whereValues");
    QTest::addColumn<bool>("closed");

    QTest::newRow("unknown column") << QStringList({"nosuch"}) << QStringList({"x"}) << QStringList({"name"})
                                    << QStringList({"ао бета"}) << false;
    QTest::newRow("unknown condition column") << QStringList({"name"}) << QStringList({"x"})
                                              << QStringList({"nosuch"}) << QStringList({"x"}) << false;
    QTest::newRow("fewer values than columns") << kCompanyColumns << QStringList({"ЗАО"}) << QStringList({"name"})
                                               << QStringList({"ао бета"}) << false;
    QTest::newRow("fewer condition values") << QStringList({"name"}) << QStringList({"x"})
                                            << QStringList({"name", "Форма"}) << QStringList({"ао бета"}) << false;
    QTest::newRow("no open database") << QStringList({"name"}) << QStringList({"x"}) << QStringList()
                                      << QStringList() << true;
}

void TestRecordStatements::updateRecordsFails()
{
    QFETCH(QStringList, columns);
    QFETCH(QStringList, values);
    QFETCH(QStringList, whereColumns);
    QFETCH(QStringList, whereValues);
    QFETCH(bool, closed);
    if (closed)
        m_db->close();
    QVERIFY(!m_db->updateRecords("companies", columns, values, whereColumns, whereValues));
    QCOMPARE(companies(), kSeedCompanies);
}

void TestRecordStatements::recordExists_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<int>("expected");

    QTest::newRow("match") << "companies" << QStringList({"name"}) << QStringList({"ооо альфа"}) << 1;
    QTest::newRow("two columns match") << "companies" << QStringList({"Форма", "Наименование"})
                                       << QStringList({"ПАО", "Гамма"}) << 1;
    QTest::newRow("second column differs") << "companies" << QStringList({"Форма", "Наименование"})
                                           << QStringList({"ПАО", "Альфа"}) << 0;
    QTest::newRow("case differs") << "companies" << QStringList({"name"}) << QStringList({"ООО альфа"}) << 0;
    QTest::newRow("trailing space") << "companies" << QStringList({"name"}) << QStringList({"ооо альфа "}) << 0;
    QTest::newRow("empty table") << "personal" << QStringList({"id"}) << QStringList({""}) << 0;
    QTest::newRow("no columns") << "companies" << QStringList() << QStringList() << -1;
    QTest::newRow("unknown column") << "companies" << QStringList({"nosuch"}) << QStringList({"x"}) << -1;
    QTest::newRow("missing table") << "nosuch" << QStringList({"name"}) << QStringList({"x"}) << -1;
    QTest::newRow("fewer values than columns") << "companies" << QStringList({"Форма", "name"})
                                               << QStringList({"ООО"}) << -1;
}

void TestRecordStatements::recordExists()
{
    QFETCH(QString, table);
    QFETCH(QStringList, columns);
    QFETCH(QStringList, values);
    QFETCH(int, expected);
    QCOMPARE(m_db->recordExists(table, columns, values), expected);
}

void TestRecordStatements::selectRecordsReturnsRowTexts_data()
{
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QStringList>("whereColumns");
    QTest::addColumn<QStringList>("whereValues");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("by company text") << QStringList({"Форма", "Наименование"}) << QStringList({kCompanyText})
                                     << QStringList({"ООО Альфа"}) << QStringList({"ООО|Альфа"});
    QTest::newRow("no condition") << QStringList({"name"}) << QStringList() << QStringList()
                                  << QStringList({"ао бета", "ооо альфа", "пао гамма"});
    QTest::newRow("no match") << QStringList({"name"}) << QStringList({"name"}) << QStringList({"нет"})
                              << QStringList();
    QTest::newRow("NULL read as empty") << QStringList({"name", "NULL", "Форма"}) << QStringList({"Форма"})
                                        << QStringList({"АО"}) << QStringList({"ао бета||АО"});
    QTest::newRow("bar inside a value") << QStringList({"'a|b'", "name"}) << QStringList({"Форма"})
                                        << QStringList({"АО"}) << QStringList({"a|b|ао бета"});
}

void TestRecordStatements::selectRecordsReturnsRowTexts()
{
    QFETCH(QStringList, columns);
    QFETCH(QStringList, whereColumns);
    QFETCH(QStringList, whereValues);
    QFETCH(QStringList, expected);
    QStringList rows = {"old"};
    QVERIFY(m_db->selectRecords(rows, "companies", columns, whereColumns, whereValues));
    rows.sort();
    QCOMPARE(rows, expected);
}

void TestRecordStatements::selectRecordsFailureKeepsRows_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QStringList>("whereValues");
    QTest::addColumn<bool>("closed");

    QTest::newRow("missing table") << "nosuch" << QStringList({"name"}) << QStringList({"x"}) << false;
    QTest::newRow("unknown column") << "companies" << QStringList({"nosuch"}) << QStringList({"x"}) << false;
    QTest::newRow("no condition value") << "companies" << QStringList({"name"}) << QStringList() << false;
    QTest::newRow("no open database") << "companies" << QStringList({"name"}) << QStringList({"x"}) << true;
}

void TestRecordStatements::selectRecordsFailureKeepsRows()
{
    QFETCH(QString, table);
    QFETCH(QStringList, columns);
    QFETCH(QStringList, whereValues);
    QFETCH(bool, closed);
    if (closed)
        m_db->close();
    QStringList rows = {"kept", "as is"};
    QVERIFY(!m_db->selectRecords(rows, table, columns, {"name"}, whereValues));
    QCOMPARE(rows, QStringList({"kept", "as is"}));
    QList<QStringList> values = {{"kept"}};
    QVERIFY(!m_db->selectRecordValues(values, table, columns, {"name"}, whereValues));
    QCOMPARE(values, QList<QStringList>({{"kept"}}));
}

void TestRecordStatements::selectRecordValuesKeepsSeparators()
{
    addCompany("ИП", "Рога|Копыта", "");
    QList<QStringList> rows = {{"old"}};
    QVERIFY(m_db->selectRecordValues(rows, "companies", {"Форма", "Наименование", "name"}, {"Форма"}, {"ИП"}));
    QCOMPARE(rows, QList<QStringList>({{"ИП", "Рога|Копыта", ""}}));
    QVERIFY(m_db->selectRecordValues(rows, "companies", {"name"}, {}, {}));
    QCOMPARE(rows.size(), 4);
}

void TestRecordStatements::queryRowsReadsColumnsByPosition()
{
    // Two result columns of one name each keep their own value.
    QStringList rows;
    QVERIFY(m_db->queryRows(rows, "SELECT Форма AS x, Наименование AS x FROM companies WHERE name='ооо альфа'"));
    QCOMPARE(rows, QStringList({"ООО|Альфа"}));
}

void TestRecordStatements::queryRowsSecondEntryPoint()
{
    QStringList rows = {"old"};
    QVERIFY(m_db->queryRows(&rows, QString("SELECT name FROM companies ORDER BY name")));
    QCOMPARE(rows, QStringList({"ао бета", "ооо альфа", "пао гамма"}));
    QVERIFY(!m_db->queryRows(&rows, QString("SELECT nosuch FROM companies")));
    QCOMPARE(rows.size(), 3);
    QVERIFY(!m_db->queryRows(nullptr, QString("SELECT name FROM companies")));
}

void TestRecordStatements::deleteRecordsRemovesMatchingRows_data()
{
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QList<QStringList>>("valueSets");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("one company text") << QStringList({kCompanyText}) << QList<QStringList>({{"ООО Альфа"}})
                                      << QStringList({"АО|Бета|ао бета", "ПАО|Гамма|пао гамма"});
    QTest::newRow("several values with repeats")
        << QStringList({"name"}) << QList<QStringList>({{"пао гамма", "ао бета", "пао гамма", "нет"}})
        << QStringList({"ООО|Альфа|ооо альфа"});
    QTest::newRow("two columns must both match")
        << QStringList({"Форма", "Наименование"}) << QList<QStringList>({{"АО", "ООО"}, {"Альфа"}})
        << QStringList({"АО|Бета|ао бета", "ПАО|Гамма|пао гамма"});
    QTest::newRow("no value sets") << QStringList({"name"}) << QList<QStringList>() << kSeedCompanies;
    QTest::newRow("empty set matches nothing") << QStringList({"name"}) << QList<QStringList>({{}})
                                               << kSeedCompanies;
    QTest::newRow("case differs") << QStringList({"name"}) << QList<QStringList>({{"ООО альфа"}}) << kSeedCompanies;
}

void TestRecordStatements::deleteRecordsRemovesMatchingRows()
{
    QFETCH(QStringList, columns);
    QFETCH(QList<QStringList>, valueSets);
    QFETCH(QStringList, expected);
    QCOMPARE(m_db->deleteRecords("companies", columns, valueSets), QString());
    QCOMPARE(companies(), expected);
}

void TestRecordStatements::deleteRecordsOfEmptyEmployeeFields()
{
    // An employee saved without director text, and one with all names empty.
    addPerson({"ООО Альфа", "Иванов", "Иван", "", "", "", "01.02.2020", "иванов", ""});
    addPerson({"ООО Альфа", "", "", "", "Директор", "Петров", "01.02.2020", "", "директор петров"});
    addPerson({"ООО Альфа", "Сидоров", "", "", "", "", "01.02.2020", "сидоров", ""});
    const QStringList columns = {"id", kPersonCondition, kDirectorCondition, "Дата_выдачи"};

    QCOMPARE(m_db->deleteRecords("personal", columns, {{"ООО Альфа"}, {"Иванов Иван"}, {""}, {"01.02.2020"}}),
             QString());
    QCOMPARE(checkRows("SELECT Фамилия FROM personal ORDER BY " + testsupport::rowOrder()), QStringList({"", "Сидоров"}));
    QCOMPARE(m_db->deleteRecords("personal", columns, {{"ООО Альфа"}, {""}, {"Директор Петров"}, {"01.02.2020"}}),
             QString());
    QCOMPARE(checkRows("SELECT Фамилия FROM personal"), QStringList({"Сидоров"}));
}

void TestRecordStatements::deleteRecordsFailureChangesNothing_data()
{
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QString>("expected");

    QTest::newRow("unknown column") << QStringList({"name", "nosuch"}) << false
                                    << "Ошибка записи БД, таблица companies";
    QTest::newRow("no columns") << QStringList() << false << "Ошибка записи БД, таблица companies";
    QTest::newRow("fewer value sets than columns") << QStringList({"name", "Форма", "Наименование"}) << false
                                                   << "Ошибка записи БД, таблица companies";
    QTest::newRow("no open database") << QStringList({"name"}) << true << "Ошибка транзакции, таблица companies";
}

void TestRecordStatements::deleteRecordsFailureChangesNothing()
{
    QFETCH(QStringList, columns);
    QFETCH(bool, closed);
    QFETCH(QString, expected);
    if (closed)
        m_db->close();
    QCOMPARE(m_db->deleteRecords("companies", columns, {{"ао бета"}, {"x"}}), expected);
    QCOMPARE(companies(), kSeedCompanies);
    if (!closed) // the connection is usable again at once
        QCOMPARE(m_db->deleteRecords("companies", {"name"}, {{"ао бета"}}), QString());
}

void TestRecordStatements::insertRecordsWritesAllRows()
{
    QCOMPARE(m_db->insertRecords("companies", kCompanyColumns, {}), QString());
    QCOMPARE(companies(), kSeedCompanies);
    const QList<QStringList> rows = {{"ИП", "Д'Артаньян", "%1"}, {"ЗАО", "", "a|b"}};
    QCOMPARE(m_db->insertRecords("companies", kCompanyColumns, rows), QString());
    QCOMPARE(companies(), kSeedCompanies + QStringList({"ИП|Д'Артаньян|%1", "ЗАО||a|b"}));
}

void TestRecordStatements::insertRecordsFailureWritesNothing_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<QList<QStringList>>("rows");
    QTest::addColumn<bool>("closed");
    QTest::addColumn<QString>("expected");

    const QStringList good = {"ЗАО", "Дельта", "зао дельта"};
    QTest::newRow("last row too short") << "companies" << QList<QStringList>({good, good, {"ИП"}}) << false
                                        << "Ошибка записи БД, таблица companies";
    QTest::newRow("first row too long") << "companies" << QList<QStringList>({good + QStringList({"x"}), good})
                                        << false << "Ошибка записи БД, таблица companies";
    QTest::newRow("missing table") << "nosuch" << QList<QStringList>({good}) << false
                                   << "Ошибка записи БД, таблица nosuch";
    QTest::newRow("no open database") << "companies" << QList<QStringList>({good}) << true
                                      << "Ошибка транзакции, таблица companies";
}

void TestRecordStatements::insertRecordsFailureWritesNothing()
{
    QFETCH(QString, table);
    QFETCH(QList<QStringList>, rows);
    QFETCH(bool, closed);
    QFETCH(QString, expected);
    if (closed)
        m_db->close();
    QCOMPARE(m_db->insertRecords(table, kCompanyColumns, rows), expected);
    QCOMPARE(companies(), kSeedCompanies);
    QCOMPARE(tables(), QStringList({"companies", "personal"}));
}

void TestRecordStatements::failedCommitIsRolledBack()
{
    prepareDeferredKeys();
    if (!testsupport::onServer()) // the server always checks foreign keys
        QVERIFY(m_db->execute("PRAGMA foreign_keys=ON"));

    QCOMPARE(m_db->insertRecords("child", {"c"}, {{"p"}, {"orphan"}}), QString("Ошибка записи БД, таблица child"));
    QCOMPARE(checkRows("SELECT c FROM child"), QStringList({"p"}));
    QCOMPARE(m_db->deleteRecords("parent", {"x"}, {{"p"}}), QString("Ошибка записи БД, таблица parent"));
    QCOMPARE(checkRows("SELECT x FROM parent"), QStringList({"p"}));

    // Nothing was left open: the next transactions start and commit.
    QCOMPARE(m_db->insertRecords("child", {"c"}, {{"p"}}), QString());
    QCOMPARE(m_db->deleteRecords("companies", {"name"}, {{"ао бета"}}), QString());
    QCOMPARE(checkRows("SELECT COUNT(*) FROM child"), QStringList({"2"}));
    QCOMPARE(companies(), QStringList({"ООО|Альфа|ооо альфа", "ПАО|Гамма|пао гамма"}));
}

void TestRecordStatements::hostileValuesStayValues_data()
{
    QTest::addColumn<QString>("value");

    QTest::newRow("apostrophe") << "Д'Артаньян";
    QTest::newRow("drop table") << "'; DROP TABLE companies; --";
    QTest::newRow("always true") << "x' OR '1'='1";
    QTest::newRow("closing parenthesis") << "x') OR 1=1 OR ('";
    QTest::newRow("bar") << "a|b|c";
    QTest::newRow("percent") << "%1%';%";
    QTest::newRow("newlines") << "line\n'\r\n--";
    QTest::newRow("comment opener") << "/* '";
    QTest::newRow("very long quotes") << QString(100000, QLatin1Char('\''));
}

void TestRecordStatements::hostileValuesStayValues()
{
    QFETCH(QString, value);
    const QStringList others = {"АО|Бета|ао бета", "ПАО|Гамма|пао гамма"};

    QVERIFY(m_db->updateRecords("companies", {"name"}, {value}, {"name"}, {"ооо альфа"}));
    QSqlQuery query(QSqlDatabase::database(kCheck, false));
    QVERIFY(query.exec("SELECT name FROM companies WHERE Форма='ООО'"));
    QVERIFY(query.next());
    QCOMPARE(query.value(0).toString(), value);
    query.finish();
    QCOMPARE(checkRows("SELECT * FROM companies WHERE Форма<>'ООО' ORDER BY " + testsupport::rowOrder()), others);

    QCOMPARE(m_db->recordExists("companies", {"name"}, {value}), 1);
    QList<QStringList> rows;
    QVERIFY(m_db->selectRecordValues(rows, "companies", {"Форма", "name"}, {"name"}, {value}));
    QCOMPARE(rows, QList<QStringList>({{"ООО", value}}));
    QStringList texts;
    QVERIFY(m_db->selectRecords(texts, "companies", {"Форма"}, {"name", "Форма"}, {value, "ООО"}));
    QCOMPARE(texts, QStringList({"ООО"}));

    QVERIFY(m_db->updateRecords("companies", {"Наименование"}, {"Новое"}, {"name"}, {value}));
    QCOMPARE(checkRows("SELECT Наименование FROM companies WHERE Форма='ООО'"), QStringList({"Новое"}));
    QCOMPARE(m_db->deleteRecords("companies", {"name"}, {{value, value}}), QString());
    QCOMPARE(companies(), others);
    QCOMPARE(tables(), QStringList({"companies", "personal"}));
}

void TestRecordStatements::hostileConditionsMatchNothing_data()
{
    QTest::addColumn<QString>("value");

    QTest::newRow("always true") << "x' OR '1'='1";
    QTest::newRow("always true, parenthesis") << "x') OR 1=1 OR ('";
    QTest::newRow("drop table") << "'; DROP TABLE companies; --";
    QTest::newRow("comment rest") << "ооо альфа' --";
}

void TestRecordStatements::hostileConditionsMatchNothing()
{
    QFETCH(QString, value);
    QCOMPARE(m_db->recordExists("companies", {"name"}, {value}), 0);
    QStringList rows = {"old"};
    QVERIFY(m_db->selectRecords(rows, "companies", {"name"}, {"name"}, {value}));
    QVERIFY(rows.isEmpty());
    QVERIFY(m_db->updateRecords("companies", {"Форма"}, {"X"}, {"name"}, {value}));
    QCOMPARE(m_db->deleteRecords("companies", {"name"}, {{value}}), QString());
    QCOMPARE(companies(), kSeedCompanies);
    QCOMPARE(tables(), QStringList({"companies", "personal"}));
}

void TestRecordStatements::nulInValueFailsCleanly()
{
    // SQLite stops reading a statement at U+0000; what stood before it must never run.
    const QString cut = withNul("ооо альфа", "'; DELETE FROM companies; --");
    const QString tail = withNul("x", "");

    QVERIFY(!m_db->insertRecord("companies", kCompanyColumns, {"ИП", tail, "ип"}));
    QVERIFY(!m_db->updateRecords("companies", {"Форма"}, {tail}, {}, {}));
    QVERIFY(!m_db->updateRecords("companies", {"Форма"}, {"X"}, {"name"}, {cut}));
    QCOMPARE(m_db->recordExists("companies", {"name"}, {cut}), -1);
    QStringList rows = {"kept"};
    QVERIFY(!m_db->selectRecords(rows, "companies", {"name"}, {"name"}, {cut}));
    QCOMPARE(rows, QStringList({"kept"}));
    QCOMPARE(m_db->deleteRecords("companies", {"name"}, {{cut}}), QString("Ошибка записи БД, таблица companies"));
    QCOMPARE(m_db->insertRecords("companies", kCompanyColumns, {{"ИП", "Один", "ип один"}, {"ИП", tail, "ип"}}),
             QString("Ошибка записи БД, таблица companies"));
    QCOMPARE(companies(), kSeedCompanies);
    QCOMPARE(tables(), QStringList({"companies", "personal"}));
}

QTEST_MAIN(TestRecordStatements)

#include "tst_recordstatements.moc"
