#include "app/security.h"
#include "db/indexes.h"
#include "db/statements.h"
#include "records/recordtexts.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTest>

using testsupport::WorkDir;

namespace {

const QStringList kCompanyColumns{"Форма", "Наименование", "name"};
const QStringList kPersonalColumns{"id",           "Фамилия",     "Имя",    "Отчество", "Должность",
                                   "Руководитель", "Дата_выдачи", "person", "director"};
const QStringList kAllIndexes{"companies_by_name", "companies_by_order", "companies_by_text", "personal_by_id"};

// A connection of the test's own to a database file, removed with the object.
class Connection
{
public:
    explicit Connection(const QString& file, const QString& name = QStringLiteral("indexes-check"))
        : m_name(name)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(file);
        // A locked file answers at once instead of after the driver's five seconds.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=0"));
        db.open();
    }

    ~Connection()
    {
        {
            QSqlDatabase db = QSqlDatabase::database(m_name, false);
            db.close();
        }
        QSqlDatabase::removeDatabase(m_name);
    }

    QSqlDatabase db() const { return QSqlDatabase::database(m_name, false); }

    bool exec(const QString& statement) const
    {
        QSqlQuery query(db());
        return query.exec(statement);
    }

    QStringList column(const QString& statement) const
    {
        QStringList values;
        QSqlQuery query(db());
        if (query.exec(statement)) {
            while (query.next())
                values << query.value(0).toString();
        }
        return values;
    }

    QStringList indexes() const
    {
        return column(QStringLiteral("SELECT name FROM sqlite_master WHERE type='index' ORDER BY name"));
    }

    // The details of EXPLAIN QUERY PLAN, one line per step.
    QString plan(const QString& statement) const
    {
        QSqlQuery query(db());
        if (!query.exec(QStringLiteral("EXPLAIN QUERY PLAN ") + statement))
            return query.lastError().text();
        QStringList steps;
        while (query.next())
            steps << query.value(3).toString();
        return steps.join(QLatin1Char('\n'));
    }

    bool createProgramTables() const
    {
        return exec(sql::createTable(QStringLiteral("companies"), kCompanyColumns))
               && exec(sql::createTable(QStringLiteral("personal"), kPersonalColumns));
    }

private:
    QString m_name;
};

} // namespace

// The indexes that start-up makes, and that the program's statements use them.
class TestIndexes : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void createsEveryIndexOnce();
    void statementsUseTheIndexes_data();
    void statementsUseTheIndexes();
    void tablesWithoutTheColumnsArePassedOver();
    void lockedDatabaseIsLeftForALaterStart();
    void startUpMakesTheIndexes();
    void startUpGoesOnWhenTheIndexesCannotBeMade();
};

void TestIndexes::cleanup()
{
    QVERIFY(!QApplication::activeModalWidget());
}

void TestIndexes::createsEveryIndexOnce()
{
    WorkDir dir;
    Connection check(dir.filePath("dataBase.db"));
    QVERIFY(check.createProgramTables());

    QCOMPARE(indexes::createLookupIndexes(check.db()), QStringList());
    QCOMPARE(check.indexes(), kAllIndexes);
    // A second start finds them all and makes nothing twice.
    QCOMPARE(indexes::createLookupIndexes(check.db()), QStringList());
    QCOMPARE(check.indexes(), kAllIndexes);
}

void TestIndexes::statementsUseTheIndexes_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("step");

    const QString form = records::companyTextColumn();
    const QStringList personKeys{"id", records::fullNameColumn(), records::directorTextColumn(), "Дата_выдачи"};
    const QStringList personValues{"ООО Альфа", "Иванов Иван", "Директор Петров", "01.02.2020"};
    const QStringList row{"ООО Альфа", "Иванов", "Иван", "", "Директор", "Петров", "01.02.2020", "иванов иван", "x"};
    const QString byText = "SEARCH companies USING INDEX companies_by_text";
    const QString byId = "SEARCH personal USING INDEX personal_by_id";

    // The list is read in the index's order, so the first screen comes without sorting the table; a
    // filter that matches few rows reads the whole index, which holds all the list needs.
    QTest::newRow("company list") << records::companyListQuery("")
                                  << "SCAN companies USING COVERING INDEX companies_by_order";
    QTest::newRow("company list filtered") << records::companyListQuery("альфа")
                                           << "SCAN companies USING COVERING INDEX companies_by_order";
    QTest::newRow("company click") << sql::selectRecords("companies", {"Форма", "Наименование"}, {form},
                                                         {"ООО Альфа"})
                                   << byText;
    QTest::newRow("stored organisation check") << sql::recordExists("companies", {"name"}, {"ооо альфа"})
                                               << "SEARCH companies USING COVERING INDEX companies_by_name";
    QTest::newRow("organisation update")
        << sql::updateRecords("companies", kCompanyColumns, {"ООО", "Бета", "ооо бета"}, {form}, {"ООО Альфа"})
        << byText;
    QTest::newRow("organisation delete") << sql::deleteRecords("companies", {form}, {{"ООО Альфа"}}) << byText;
    QTest::newRow("personnel list") << records::personnelListQuery("ООО Альфа", {}) << byId;
    QTest::newRow("personnel list filtered") << records::personnelListQuery("ООО Альфа", {"ив", "пет"}) << byId;
    QTest::newRow("employee click") << sql::selectRecords("personal", kPersonalColumns.mid(0, 7), personKeys,
                                                          personValues)
                                    << byId;
    QTest::newRow("duplicate check") << sql::recordExists("personal", kPersonalColumns.mid(0, 7), row.mid(0, 7))
                                     << byId;
    QTest::newRow("employee update") << sql::updateRecords("personal", kPersonalColumns, row, personKeys,
                                                           personValues)
                                     << byId;
    QTest::newRow("employees follow a rename")
        << sql::updateRecords("personal", {"id"}, {"ООО Бета"}, {"id"}, {"ООО Альфа"}) << byId;
    QTest::newRow("employees of a deleted organisation")
        << sql::deleteRecords("personal", {"id"}, {{"ООО Альфа"}}) << byId;
    QTest::newRow("employee delete") << sql::deleteRecords("personal", personKeys,
                                                           {{"ООО Альфа"}, {"Иванов Иван"}, {"Директор Петров"},
                                                            {"01.02.2020"}})
                                     << byId;
}

void TestIndexes::statementsUseTheIndexes()
{
    QFETCH(QString, statement);
    QFETCH(QString, step);
    WorkDir dir;
    Connection check(dir.filePath("dataBase.db"));
    QVERIFY(check.createProgramTables());
    QCOMPARE(indexes::createLookupIndexes(check.db()), QStringList());

    const QString plan = check.plan(statement);
    QVERIFY2(plan.split(QLatin1Char('\n')).first().startsWith(step), qPrintable(plan));
    // Only the few employees of one organisation may be sorted, never the organisations.
    if (statement.contains("FROM companies"))
        QVERIFY2(!plan.contains("TEMP B-TREE"), qPrintable(plan));
}

void TestIndexes::tablesWithoutTheColumnsArePassedOver()
{
    WorkDir dir;
    Connection check(dir.filePath("dataBase.db"));
    // An older layout: the organisation's name columns are missing, and so is "personal".
    QVERIFY(check.exec("CREATE TABLE companies (Форма TEXT,name TEXT)"));

    QCOMPARE(indexes::createLookupIndexes(check.db()), QStringList());
    QCOMPARE(check.indexes(), QStringList({"companies_by_name"}));
    QCOMPARE(check.column("SELECT sql FROM sqlite_master WHERE name='companies'"),
             QStringList({"CREATE TABLE companies (Форма TEXT,name TEXT)"}));
}

void TestIndexes::lockedDatabaseIsLeftForALaterStart()
{
    WorkDir dir;
    Connection check(dir.filePath("dataBase.db"));
    QVERIFY(check.createProgramTables());
    Connection other(dir.filePath("dataBase.db"), "indexes-other");
    QVERIFY(other.exec("BEGIN IMMEDIATE"));

    // After the first refusal the rest are not tried: they would wait for the same lock.
    QCOMPARE(indexes::createLookupIndexes(check.db()),
             QStringList({"companies_by_order", "companies_by_text", "companies_by_name", "personal_by_id"}));
    QCOMPARE(check.indexes(), QStringList());

    QVERIFY(other.exec("COMMIT"));
    QCOMPARE(indexes::createLookupIndexes(check.db()), QStringList());
    QCOMPARE(check.indexes(), kAllIndexes);
}

void TestIndexes::startUpMakesTheIndexes()
{
    WorkDir dir;
    QVERIFY(dir.seedParams());
    {
        Connection old(dir.filePath("dataBase.db"));
        QVERIFY(old.createProgramTables());
        QVERIFY(old.exec("INSERT INTO companies VALUES ('ООО','Альфа','ооо альфа')"));
    }
    Security window;
    QCOMPARE(window.initialize(), 0);
    Connection check(dir.filePath("dataBase.db"));
    QCOMPARE(check.indexes(), kAllIndexes);
    QCOMPARE(window.findChild<QTableView*>("tableViewCompanies")->model()->rowCount(), 1);
}

void TestIndexes::startUpGoesOnWhenTheIndexesCannotBeMade()
{
    WorkDir dir;
    QVERIFY(dir.seedParams());
    Connection other(dir.filePath("dataBase.db"));
    QVERIFY(other.createProgramTables());
    QVERIFY(other.exec("INSERT INTO companies VALUES ('ООО','Альфа','ооо альфа')"));
    // Another copy of the program is writing: the indexes have to wait for a later start.
    QVERIFY(other.exec("BEGIN IMMEDIATE"));

    Security window;
    QCOMPARE(window.initialize(), 0);
    QCOMPARE(window.findChild<QTableView*>("tableViewCompanies")->model()->rowCount(), 1);
    QCOMPARE(other.indexes(), QStringList());
    QVERIFY(other.exec("COMMIT"));
}

QTEST_MAIN(TestIndexes)
#include "tst_indexes.moc"
