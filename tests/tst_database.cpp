#include "db/database.h"
#include "app/messagequestions.h"
#include "db/statements.h"
#include "support/testengine.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QScopedPointer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTimer>
#include <QVariant>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace {

const QString kCheck = QStringLiteral("check");
const QString kFile = QStringLiteral("dataBase.db");

const QStringList kCompanyColumns = {"Форма", "Наименование", "name"};
const QStringList kPersonalColumns = {"id",           "Фамилия",     "Имя",    "Отчество", "Должность",
                                      "Руководитель", "Дата_выдачи", "person", "director"};

// Opens a connection of our own on a file (or the test server), beside the one under test.
QSqlDatabase openCheck(const QString& path, const QString& options = QString())
{
    if (testsupport::onServer()) {
        if (!QSqlDatabase::contains(kCheck))
            testsupport::openCheckConnection(kCheck, path);
        return QSqlDatabase::database(kCheck, false);
    }
    QSqlDatabase check = QSqlDatabase::contains(kCheck) ? QSqlDatabase::database(kCheck, false)
                                                        : QSqlDatabase::addDatabase("QSQLITE", kCheck);
    check.close();
    check.setConnectOptions(options);
    check.setDatabaseName(path);
    check.open();
    return check;
}

bool checkExec(const QString& statement)
{
    return testsupport::checkExec(kCheck, statement);
}

QStringList checkRows(const QString& statement)
{
    return testsupport::checkRows(kCheck, statement);
}

QStringList columnsOf(const QString& table)
{
    return checkRows(testsupport::columnsQuery(table));
}

QStringList textColumns(const QStringList& names)
{
    QStringList rows;
    for (const QString& name : names)
        rows << name + "|TEXT";
    return rows;
}

} // namespace

class TestDatabase : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void statementTexts_data();
    void statementTexts();
    void openCreatesFileWithBothTables();
    void secondStartKeepsRows();
    void existingTablesWithOtherColumnsStayAsTheyAre();
    void createTableFails_data();
    void createTableFails();
    void textFileIsNotTouched();
    void readOnlyDatabase_data();
    void readOnlyDatabase();
    void openWithEmptyNameAsksAndCancelKeepsConnection();
    void openOtherFileClosesFirst();
    void openFailureLeavesConnectionClosed();
    void countRows_data();
    void countRows();
    void masterColumnCount_data();
    void masterColumnCount();
    void executeRunsOneStatement();
    void executeRefusesTextWithNul();
    void secondInstanceTakesOverConnection();
    void takeOverWithoutFileOpensNothing();
    void writeWaitsForAnotherWriter();

private:
    // The file choices are answered by the window's dialogs, as in the program.
    MessageBoxQuestions m_dialogs;
    QString path() const { return m_dir->filePath(kFile); }
    void openDefault();

    QScopedPointer<testsupport::WorkDir> m_dir;
    QScopedPointer<DataBase> m_db;
};

void TestDatabase::initTestCase()
{
    Questions::install(&m_dialogs);
    REQUIRE_TEST_ENGINE();
}

void TestDatabase::init()
{
    QString error;
    QVERIFY2(testsupport::resetServerDatabase(&error), qPrintable(error));
    m_dir.reset(new testsupport::WorkDir);
    QVERIFY(m_dir->isValid());
    m_db.reset(new DataBase);
}

void TestDatabase::cleanup()
{
    if (m_db) {
        m_db->close();
        // Otherwise the next test's DataBase would open this name again on take-over.
        m_db->database.setDatabaseName(QString());
        m_db->database.setConnectOptions(QString());
    }
    m_db.reset();
    if (QSqlDatabase::contains(kCheck)) {
        QSqlDatabase::database(kCheck, false).close();
        QSqlDatabase::removeDatabase(kCheck);
    }
    m_dir.reset();
    QVERIFY(!QApplication::activeModalWidget());
}

void TestDatabase::openDefault()
{
    QVERIFY(testsupport::openUnderTest(*m_db));
    QVERIFY(m_db->createTable("companies", kCompanyColumns));
    QVERIFY(m_db->createTable("personal", kPersonalColumns));
    QVERIFY(openCheck(path()).isOpen());
}

void TestDatabase::statementTexts_data()
{
    QTest::addColumn<QString>("built");
    QTest::addColumn<QString>("expected");

    QTest::newRow("companies table") << sql::createTable("companies", kCompanyColumns)
                                     << "CREATE TABLE IF NOT EXISTS companies (Форма TEXT,Наименование TEXT,name TEXT);";
    QTest::newRow("personal table")
        << sql::createTable("personal", kPersonalColumns)
        << "CREATE TABLE IF NOT EXISTS personal (id TEXT,Фамилия TEXT,Имя TEXT,Отчество TEXT,Должность TEXT,"
           "Руководитель TEXT,Дата_выдачи TEXT,person TEXT,director TEXT);";
    QTest::newRow("one column") << sql::createTable("t", {"a"}) << "CREATE TABLE IF NOT EXISTS t (a TEXT);";
    QTest::newRow("row count") << sql::countRows("personal") << "SELECT COUNT(*) FROM personal";
    QTest::newRow("catalogue") << sql::masterColumns("name")
                               << "SELECT name FROM sqlite_master WHERE type='table'";
}

void TestDatabase::statementTexts()
{
    QFETCH(QString, built);
    QFETCH(QString, expected);
    QCOMPARE(built, expected);
}

void TestDatabase::openCreatesFileWithBothTables()
{
    SQLITE_ONLY("the file is created");
    QVERIFY(!QFile::exists(path()));
    openDefault();
    QVERIFY(QFile::exists(path()));
    QCOMPARE(checkRows("SELECT name FROM sqlite_master ORDER BY name"), QStringList({"companies", "personal"}));
    QCOMPARE(columnsOf("companies"), textColumns(kCompanyColumns));
    QCOMPARE(columnsOf("personal"), textColumns(kPersonalColumns));
}

void TestDatabase::secondStartKeepsRows()
{
    openDefault();
    QVERIFY(checkExec("INSERT INTO companies VALUES ('ООО','Альфа','ооо альфа')"));
    QVERIFY(checkExec("INSERT INTO personal (id, Фамилия) VALUES ('ООО Альфа','Иванов')"));
    m_db->close();

    QVERIFY(testsupport::openUnderTest(*m_db));
    QVERIFY(m_db->createTable("companies", kCompanyColumns));
    QVERIFY(m_db->createTable("personal", kPersonalColumns));
    QCOMPARE(checkRows("SELECT * FROM companies"), QStringList({"ООО|Альфа|ооо альфа"}));
    QCOMPARE(checkRows("SELECT id, Фамилия FROM personal"), QStringList({"ООО Альфа|Иванов"}));
}

void TestDatabase::existingTablesWithOtherColumnsStayAsTheyAre()
{
    QVERIFY(openCheck(path()).isOpen());
    QVERIFY(checkExec("CREATE TABLE companies (code INTEGER, title TEXT)"));
    QVERIFY(checkExec("INSERT INTO companies VALUES (7, 'старая')"));

    QVERIFY(testsupport::openUnderTest(*m_db));
    QVERIFY(m_db->createTable("companies", kCompanyColumns));
    QCOMPARE(columnsOf("companies"), QStringList({"code|INTEGER", "title|TEXT"}));
    QCOMPARE(checkRows("SELECT * FROM companies"), QStringList({"7|старая"}));
}

void TestDatabase::createTableFails_data()
{
    QTest::addColumn<bool>("opened");
    QTest::addColumn<QString>("table");

    QTest::newRow("no open database") << false << "companies";
    QTest::newRow("name with a space") << true << "bad name";
    QTest::newRow("keyword as name") << true << "select";
}

void TestDatabase::createTableFails()
{
    QFETCH(bool, opened);
    QFETCH(QString, table);
    if (opened)
        QVERIFY(testsupport::openUnderTest(*m_db));
    QVERIFY(!m_db->createTable(table, kCompanyColumns));
    if (opened) {
        QVERIFY(openCheck(path()).isOpen());
        QCOMPARE(checkRows(testsupport::tableNamesQuery()), QStringList());
    }
}

void TestDatabase::textFileIsNotTouched()
{
    SQLITE_ONLY("the file is read");
    QByteArray text;
    for (int i = 0; i < 200; ++i)
        text += "Это не база данных, строка " + QByteArray::number(i) + "\n";
    QVERIFY(m_dir->writeFile(kFile, text));

    QString name = kFile;
    m_db->open(name); // SQLite reads the header only when the first statement runs
    QVERIFY(!m_db->createTable("companies", kCompanyColumns));
    QVERIFY(!m_db->createTable("personal", kPersonalColumns));
    m_db->close();
    QCOMPARE(m_dir->readFile(kFile), text);
    QVERIFY(!QFile::exists(path() + "-journal"));
}

void TestDatabase::readOnlyDatabase_data()
{
    QTest::addColumn<bool>("readOnlyConnection");
    // Permissions alone do not stop a superuser, so the read-only open mode is tried as well.
    QTest::newRow("read-only file") << false;
    QTest::newRow("read-only open mode") << true;
}

void TestDatabase::readOnlyDatabase()
{
    SQLITE_ONLY("a read-only file");
    QFETCH(bool, readOnlyConnection);
    QVERIFY(openCheck(path()).isOpen());
    QVERIFY(checkExec(sql::createTable("companies", kCompanyColumns)));
    QVERIFY(checkExec(sql::createTable("personal", kPersonalColumns)));
    QVERIFY(checkExec("INSERT INTO companies VALUES ('ООО','Альфа','ооо альфа')"));
    QSqlDatabase::database(kCheck, false).close();
    const QByteArray before = m_dir->readFile(kFile);
    QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    if (readOnlyConnection)
        m_db->database.setConnectOptions("QSQLITE_OPEN_READONLY");

    QString name = kFile;
    QVERIFY(m_db->open(name));
    QVERIFY(m_db->createTable("companies", kCompanyColumns));
    QVERIFY(m_db->createTable("personal", kPersonalColumns));
    QCOMPARE(m_db->countRows("companies"), 1);
    if (readOnlyConnection)
        QVERIFY(!m_db->createTable("extra", {"a"}));
    m_db->close();
    QCOMPARE(m_dir->readFile(kFile), before);
}

void TestDatabase::openWithEmptyNameAsksAndCancelKeepsConnection()
{
    SQLITE_ONLY("a file is chosen");
    openDefault();
    QString title;
    QStringList filters;
    bool answered = false;
    std::function<void(int)> poll = [&](int remaining) {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            if (remaining > 0)
                QTimer::singleShot(20, [&poll, remaining] { poll(remaining - 20); });
            return;
        }
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        answered = true;
        dialog->reject();
    };
    QTimer::singleShot(0, [&poll] { poll(5000); });

    QString name;
    QVERIFY(!m_db->open(name));
    QVERIFY(answered);
    QCOMPARE(title, QStringLiteral("Выберите базу данных"));
    QCOMPARE(filters, QStringList({"*.*"}));
    QVERIFY(name.isEmpty());
    QVERIFY(m_db->database.isOpen());
    QCOMPARE(m_db->database.databaseName(), kFile);
    QCOMPARE(m_db->countRows("companies"), 0);
}

void TestDatabase::openOtherFileClosesFirst()
{
    SQLITE_ONLY("another file is opened");
    openDefault();
    QString other = "other.db";
    QVERIFY(m_db->open(other));
    QCOMPARE(m_db->database.databaseName(), QStringLiteral("other.db"));
    QCOMPARE(m_db->countRows("companies"), -1);
    QVERIFY(QFile::exists(m_dir->filePath("other.db")));
}

void TestDatabase::openFailureLeavesConnectionClosed()
{
    SQLITE_ONLY("a file that cannot be made");
    openDefault();
    QString missing = "no/such/folder/dataBase.db";
    QVERIFY(!m_db->open(missing));
    QVERIFY(!m_db->database.isOpen());
    QCOMPARE(m_db->countRows("companies"), -1);
    QVERIFY(!QFile::exists(m_dir->filePath(missing)));
}

void TestDatabase::countRows_data()
{
    QTest::addColumn<bool>("opened");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("table");
    QTest::addColumn<int>("expected");

    QTest::newRow("empty table") << true << 0 << "companies" << 0;
    QTest::newRow("three rows") << true << 3 << "companies" << 3;
    QTest::newRow("missing table") << true << 2 << "nosuch" << -1;
    QTest::newRow("no open database") << false << 0 << "companies" << -1;
}

void TestDatabase::countRows()
{
    QFETCH(bool, opened);
    QFETCH(int, rows);
    QFETCH(QString, table);
    QFETCH(int, expected);
    if (opened)
        openDefault();
    for (int i = 0; i < rows; ++i)
        QVERIFY(checkExec(QString("INSERT INTO companies VALUES ('ООО','%1','')").arg(i)));
    QCOMPARE(m_db->countRows(table), expected);
}

void TestDatabase::masterColumnCount_data()
{
    QTest::addColumn<bool>("opened");
    QTest::addColumn<QString>("expr");
    QTest::addColumn<int>("expected");

    QTest::newRow("catalogue column") << true << "name" << 1;
    QTest::newRow("two columns") << true << "name, type" << 2;
    QTest::newRow("existing table name") << true << "companies" << -1;
    QTest::newRow("unknown name") << true << "nosuch" << -1;
    QTest::newRow("no open database") << false << "name" << -1;
}

void TestDatabase::masterColumnCount()
{
    QFETCH(bool, opened);
    QFETCH(QString, expr);
    QFETCH(int, expected);
    if (opened)
        openDefault();
    QCOMPARE(m_db->masterColumnCount(expr), expected);
}

void TestDatabase::executeRunsOneStatement()
{
    openDefault();
    QVERIFY(m_db->execute("INSERT INTO companies VALUES ('АО','Бета','ао бета')"));
    QCOMPARE(checkRows("SELECT * FROM companies"), QStringList({"АО|Бета|ао бета"}));
    QVERIFY(!m_db->execute("INSERT INTO nosuch VALUES (1)"));
    // The server runs every statement of such a text; only SQLite takes the first alone.
    if (!testsupport::onServer())
        QVERIFY(!m_db->execute("INSERT INTO companies VALUES ('a','b','c'); DELETE FROM companies"));
    QCOMPARE(checkRows("SELECT * FROM companies"), QStringList({"АО|Бета|ао бета"}));
}

void TestDatabase::executeRefusesTextWithNul()
{
    openDefault();
    // SQLite would stop reading at the NUL and run the part before it alone.
    const QString text = QStringLiteral("INSERT INTO companies VALUES ('a','b','c');") + QChar(0) + "junk";
    QVERIFY(!m_db->execute(text));
    QCOMPARE(checkRows("SELECT COUNT(*) FROM companies"), QStringList({"0"}));
    QVERIFY(!m_db->createTable("extra", {QStringLiteral("a") + QChar(0)}));
    QCOMPARE(m_db->countRows(QStringLiteral("companies") + QChar(0) + " WHERE 0"), -1);
}

void TestDatabase::secondInstanceTakesOverConnection()
{
    openDefault();
    QVERIFY(checkExec("INSERT INTO companies VALUES ('ООО','Альфа','ооо альфа')"));
    DataBase second;
    QCOMPARE(QSqlDatabase::connectionNames().count("Ruvo"), 1);
    QVERIFY(second.database.isOpen());
    QCOMPARE(second.database.databaseName(),
             testsupport::onServer() ? testsupport::testServerConfig().name : kFile);
    QCOMPARE(second.countRows("companies"), 1);
}

void TestDatabase::takeOverWithoutFileOpensNothing()
{
    SQLITE_ONLY("a connection without a file");
    m_db->close();
    m_db->database.setDatabaseName(QString());
    {
        DataBase second;
        QVERIFY(!second.database.isOpen());
        QVERIFY(!second.createTable("companies", kCompanyColumns));
    }
    // A registered connection that names a file is opened again on take-over.
    m_db->database.setDatabaseName(path());
    DataBase third;
    QVERIFY(third.database.isOpen());
    QVERIFY(third.createTable("companies", kCompanyColumns));
    QVERIFY(QFile::exists(path()));
}

void TestDatabase::writeWaitsForAnotherWriter()
{
    SQLITE_ONLY("the write lock of the file");
    openDefault();
    QSqlDatabase::database(kCheck, false).close();
    std::atomic<bool> locked(false);
    std::atomic<bool> committed(false);
    const QString file = path();
    // Another copy of the program: holds the write lock for a moment, then commits.
    std::thread other([&] {
        {
            QSqlDatabase holder = QSqlDatabase::addDatabase("QSQLITE", "holder");
            holder.setDatabaseName(file);
            holder.open();
            QSqlQuery query(holder);
            query.exec("BEGIN IMMEDIATE");
            query.exec("INSERT INTO companies VALUES ('ООО','Другая','ооо другая')");
            locked = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            committed = query.exec("COMMIT");
            query.finish();
            holder.close();
        }
        QSqlDatabase::removeDatabase("holder");
    });
    while (!locked)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));

    QElapsedTimer timer;
    timer.start();
    const bool inserted = m_db->insertRecord("companies", kCompanyColumns, {"ООО", "Альфа", "ооо альфа"});
    const qint64 waited = timer.elapsed();
    other.join();

    QVERIFY(committed);
    QVERIFY(inserted);
    QVERIFY2(waited >= 150, qPrintable(QString("waited %1 ms").arg(waited)));
    QCOMPARE(m_db->countRows("companies"), 2);
}

QTEST_MAIN(TestDatabase)

#include "tst_database.moc"
