#include "app/security.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStyle>
#include <QTableView>
#include <QtTest>

using testsupport::ModalAnswer;
using testsupport::WorkDir;

namespace {

const char* const checkConnection = "startup-check";

// Reads the catalogue of a database file through a connection of its own.
QStringList tableStatements(const QString& file)
{
    QStringList statements;
    {
        QSqlDatabase check = QSqlDatabase::addDatabase("QSQLITE", checkConnection);
        check.setDatabaseName(file);
        if (check.open()) {
            QSqlQuery query("SELECT sql FROM sqlite_master WHERE type='table' ORDER BY name", check);
            while (query.next())
                statements << query.value(0).toString();
        }
        check.close();
    }
    QSqlDatabase::removeDatabase(checkConnection);
    return statements;
}

} // namespace

// Start-up of the main window: parameters, database file, tables, style, title.
class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void firstStartCreatesBothTables();
    void secondStartKeepsRows();
    void tablesWithOtherColumnsAreLeftAlone();
    void missingParamsStopsBeforeTheDatabase();
    void unopenableDatabaseIsReported();
    void databaseThatIsNotADatabaseStaysUntouched();
    void styleAndHeadersAfterStart();
};

void TestStartup::cleanup()
{
    QVERIFY(!QApplication::activeModalWidget());
}

void TestStartup::firstStartCreatesBothTables()
{
    WorkDir dir;
    QVERIFY(dir.seedParams());
    Security window;
    QCOMPARE(window.windowTitle(), QString("Security"));
    QCOMPARE(window.initialize(), 0);
    QCOMPARE(window.windowTitle(), QString("Печать личных карточек"));

    QCOMPARE(tableStatements(dir.filePath("dataBase.db")),
             QStringList({"CREATE TABLE cards (number INTEGER PRIMARY KEY AUTOINCREMENT, printed_at TEXT NOT NULL "
                          "DEFAULT '', company TEXT NOT NULL DEFAULT '', surname TEXT NOT NULL DEFAULT '', name "
                          "TEXT NOT NULL DEFAULT '', patron TEXT NOT NULL DEFAULT '', dir_post TEXT NOT NULL "
                          "DEFAULT '', director TEXT NOT NULL DEFAULT '', issue_date TEXT NOT NULL DEFAULT '', "
                          "printer TEXT NOT NULL DEFAULT '', operator TEXT NOT NULL DEFAULT '', status TEXT NOT "
                          "NULL DEFAULT '', note TEXT NOT NULL DEFAULT '', form TEXT NOT NULL DEFAULT '', comp TEXT "
                          "NOT NULL DEFAULT '', company_search TEXT NOT NULL DEFAULT '', person_search TEXT NOT "
                          "NULL DEFAULT '')",
                          "CREATE TABLE companies (Форма TEXT,Наименование TEXT,name TEXT)",
                          "CREATE TABLE personal (id TEXT,Фамилия TEXT,Имя TEXT,Отчество TEXT,Должность TEXT,"
                          "Руководитель TEXT,Дата_выдачи TEXT,person TEXT,director TEXT)",
                          "CREATE TABLE sqlite_sequence(name,seq)"}));
    auto* companies = window.findChild<QTableView*>("tableViewCompanies");
    auto* personal = window.findChild<QTableView*>("tableViewPersonal");
    QVERIFY(companies && personal);
    QCOMPARE(companies->model()->rowCount(), 0);
    QCOMPARE(personal->model()->rowCount(), 0);
    QCOMPARE(personal->model()->columnCount(), 0);
}

void TestStartup::secondStartKeepsRows()
{
    WorkDir dir;
    QVERIFY(dir.seedParams());
    {
        Security window;
        QCOMPARE(window.initialize(), 0);
    }
    {
        QSqlDatabase check = QSqlDatabase::addDatabase("QSQLITE", checkConnection);
        check.setDatabaseName(dir.filePath("dataBase.db"));
        QVERIFY(check.open());
        QVERIFY(QSqlQuery(check).exec("INSERT INTO companies VALUES ('ООО','Альфа','ооо альфа')"));
        check.close();
    }
    QSqlDatabase::removeDatabase(checkConnection);

    Security window;
    QCOMPARE(window.initialize(), 0);
    auto* companies = window.findChild<QTableView*>("tableViewCompanies");
    QCOMPARE(companies->model()->rowCount(), 1);
    QCOMPARE(companies->model()->index(0, 0).data().toString(), QString("ООО Альфа"));
}

void TestStartup::tablesWithOtherColumnsAreLeftAlone()
{
    WorkDir dir;
    QVERIFY(dir.seedParams());
    {
        QSqlDatabase check = QSqlDatabase::addDatabase("QSQLITE", checkConnection);
        check.setDatabaseName(dir.filePath("dataBase.db"));
        QVERIFY(check.open());
        QVERIFY(QSqlQuery(check).exec("CREATE TABLE personal (a TEXT, b INTEGER)"));
        QVERIFY(QSqlQuery(check).exec("INSERT INTO personal VALUES ('x', 1)"));
        check.close();
    }
    QSqlDatabase::removeDatabase(checkConnection);

    Security window;
    QCOMPARE(window.initialize(), 0);
    const QStringList statements = tableStatements(dir.filePath("dataBase.db"));
    QCOMPARE(statements.size(), 4);
    QCOMPARE(statements.at(2), QString("CREATE TABLE personal (a TEXT, b INTEGER)"));
}

void TestStartup::missingParamsStopsBeforeTheDatabase()
{
    WorkDir dir;
    ModalAnswer answer(testsupport::clickOk());
    answer.arm();
    Security window;
    QCOMPARE(window.initialize(), -1);
    QVERIFY(answer.answered());
    QCOMPARE(answer.title(), QString("Ошибка"));
    QCOMPARE(answer.text(), QString("Файл с настройками не найден"));
    QVERIFY(!QFile::exists(dir.filePath("dataBase.db")));
}

void TestStartup::unopenableDatabaseIsReported()
{
    WorkDir dir;
    QVERIFY(dir.seedParams());
    // A folder in the place of the file: SQLite can neither open nor create it.
    QVERIFY(QDir(dir.path()).mkdir("dataBase.db"));
    ModalAnswer answer(testsupport::clickOk());
    answer.arm();
    Security window;
    QCOMPARE(window.initialize(), -1);
    QVERIFY(answer.answered());
    QCOMPARE(answer.title(), QString("Ошибка"));
    QVERIFY2(answer.text().contains("\"dataBase.db\""), qPrintable(answer.text()));
    QVERIFY2(answer.text().contains("unable to open", Qt::CaseInsensitive), qPrintable(answer.text()));
    QCOMPARE(answer.buttonTexts().size(), 1);
}

void TestStartup::databaseThatIsNotADatabaseStaysUntouched()
{
    WorkDir dir;
    QVERIFY(dir.seedParams());
    QByteArray text;
    for (int i = 0; i < 200; ++i)
        text += "это не база данных, а просто текст\n";
    QVERIFY(dir.writeFile("dataBase.db", text));

    ModalAnswer answer(testsupport::clickOk());
    answer.arm();
    {
        Security window;
        QCOMPARE(window.initialize(), -1);
    }
    QVERIFY(answer.answered());
    QVERIFY2(answer.text().startsWith("Ошибка создания таблицы \"companies\": база данных повреждена"),
             qPrintable(answer.text()));
    QCOMPARE(dir.readFile("dataBase.db"), text);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).filter("dataBase"), QStringList("dataBase.db"));
}

void TestStartup::styleAndHeadersAfterStart()
{
    WorkDir dir;
    QVERIFY(dir.seedParams());
    Security window;
    QCOMPARE(window.initialize(), 0);

    QCOMPARE(QApplication::style()->objectName().toLower(), QString("fusion"));
    const QList<QPushButton*> buttons = window.findChildren<QPushButton*>();
    QCOMPARE(buttons.size(), 11); // with "Импорт", "Журнал выдачи" and "Пакетная печать"
    for (QPushButton* button : buttons)
        QCOMPARE(button->styleSheet(), QString("background-color: #ffff88"));
    for (const char* name : {"tableViewCompanies", "tableViewPersonal"}) {
        auto* view = window.findChild<QTableView*>(name);
        QVERIFY(view->styleSheet().contains("QHeaderView::section{background-color: #A0FFAD;}"));
        QVERIFY(view->styleSheet().contains("QTableView::item:selected:!active{background-color: #2695D6;"));
    }
    QCOMPARE(window.findChild<QTableView*>("tableViewCompanies")->horizontalHeader()->sectionResizeMode(0),
             QHeaderView::Stretch);
    QVERIFY(window.findChild<QLineEdit*>("lineEditSurname")->text().isEmpty());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
