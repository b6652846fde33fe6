#include "db/database.h"
#include "records/companylistmodel.h"
#include "records/companypages.h"
#include "records/recordtexts.h"
#include "support/testsupport.h"

#include <QAbstractItemModelTester>
#include <QItemSelectionModel>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QTemporaryDir>
#include <QtTest>

using testsupport::checkExec;
using testsupport::checkRows;

namespace {

const char* const kMain = "pages-main";
const char* const kOther = "pages-other";

QString literal(const QString& value)
{
    return value.isNull() ? QStringLiteral("NULL") : DataBase::quoteLiteral(value);
}

bool insertCompany(const char* connection, const QString& form, const QString& name)
{
    const QString text = form.isNull() ? QString() : records::lowerCase(form + QLatin1Char(' ') + name);
    return checkExec(connection, QStringLiteral("INSERT INTO companies VALUES (%1,%2,%3)")
                                     .arg(literal(form), literal(name), literal(text)));
}

// What the whole list statement shows for filter, read by another connection.
QStringList statementRows(const QString& filter)
{
    return checkRows(kOther, records::companyListQuery(filter)).replaceInStrings(QRegularExpression("^<NULL>$"), "");
}

QStringList shown(const QAbstractItemModel& model)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, 0).data().toString();
    return texts;
}

QStringList selectedTexts(const QItemSelectionModel& selection)
{
    QStringList texts;
    for (const QModelIndex& index : selection.selectedRows())
        texts << index.data().toString();
    return texts;
}

} // namespace

// The company list read a page at a time by its sort key: the same rows as
// the whole list statement, no read left open, and the rows follow another
// program's commits with the selection kept where its row is still there.
class TestCompanyPages : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void pagesJoinToTheWholeList_data();
    void pagesJoinToTheWholeList();
    void blocksInAnyOrderAgree_data();
    void blocksInAnyOrderAgree();
    void shownListLetsOthersCommit();
    void followsAnotherProgramsCommit_data();
    void followsAnotherProgramsCommit();
    void typedOnAsTheStatementSays_data();
    void typedOnAsTheStatementSays();

private:
    QTemporaryDir m_dir;
};

void TestCompanyPages::init()
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
    QVERIFY(checkExec(kMain, "CREATE INDEX companies_by_order ON companies (Форма||' '||Наименование,name,"
                             "Форма,Наименование)"));
    // Runs of the same sort text longer than a page, NULL sort texts, a quote.
    QVERIFY(checkExec(kMain, "BEGIN"));
    for (int i = 0; i < 5; ++i) {
        QVERIFY(insertCompany(kMain, "ЧОП", "Щит"));
        QVERIFY(insertCompany(kMain, QString(), QString("Без формы %1").arg(i)));
    }
    for (const char* name : {"O'Neil", "Альфа", "Бета", "Скидка 50%", "Нижний_Подчерк", "Ясень"})
        QVERIFY(insertCompany(kMain, "ООО", name));
    QVERIFY(insertCompany(kMain, "ООО", "Бета"));
    QVERIFY(checkExec(kMain, "COMMIT"));
}

void TestCompanyPages::cleanup()
{
    for (const char* name : {kMain, kOther}) {
        QSqlDatabase::database(name, false).close();
        QSqlDatabase::removeDatabase(name);
    }
}

void TestCompanyPages::pagesJoinToTheWholeList_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("pageSize");
    QTest::newRow("every organisation, a row a page") << QString() << 1;
    QTest::newRow("every organisation, pages ending inside runs") << QString() << 3;
    QTest::newRow("a filter, pages ending inside a run") << QString("щ") << 2;
    QTest::newRow("a quote in the filter") << QString("o'n") << 1;
    QTest::newRow("an underscore stays a wildcard") << QString("й_п") << 1;
    QTest::newRow("nothing matches") << QString("юю") << 2;
}

void TestCompanyPages::pagesJoinToTheWholeList()
{
    QFETCH(QString, filter);
    QFETCH(int, pageSize);
    const QStringList whole = statementRows(filter);
    QStringList joined;
    records::CompanyPageKey key;
    for (int page = 0; page < 100; ++page) {
        records::CompanyPage read;
        QSqlError error;
        QVERIFY2(records::readCompanyPage(QSqlDatabase::database(kMain), filter, key, pageSize, &read, &error),
                 qPrintable(error.text()));
        QVERIFY(read.texts.size() <= pageSize);
        joined += read.texts;
        key = read.next;
        if (read.complete)
            break;
    }
    QCOMPARE(joined, whole);
}

void TestCompanyPages::blocksInAnyOrderAgree_data()
{
    QTest::addColumn<QString>("order");
    QTest::newRow("from the top") << "forward";
    QTest::newRow("from the end") << "backward";
    QTest::newRow("the last block first, then the top") << "last first";
    // The third block lies inside a run that began before it.
    QTest::newRow("from the third block on, then the top") << "third first";
}

void TestCompanyPages::blocksInAnyOrderAgree()
{
    QFETCH(QString, order);
    // Runs of one text longer than a block, and runs across block boundaries.
    QVERIFY(checkExec(kMain, "BEGIN"));
    for (int i = 0; i < 300; ++i)
        QVERIFY(insertCompany(kMain, "ООО", "Ряд 1") && insertCompany(kMain, "ООО", "Ряд 3"));
    for (int i = 0; i < 200; ++i)
        QVERIFY(insertCompany(kMain, "ООО", QString("Ряд 2 %1").arg(i % 7)));
    QVERIFY(checkExec(kMain, "COMMIT"));
    const QStringList whole = statementRows(QString());
    CompanyListModel model;
    QVERIFY(model.refresh(QString(), QSqlDatabase::database(kMain)));
    QVERIFY(model.rowCount() < whole.size());
    model.reachRow(whole.size() - 1);
    QCOMPARE(model.rowCount(), whole.size());
    QVector<int> rows;
    for (int row = 0; row < whole.size(); ++row)
        rows << (order == "backward" ? whole.size() - 1 - row : row);
    if (order == "last first")
        std::rotate(rows.begin(), rows.begin() + rows.size() - 1, rows.end());
    if (order == "third first")
        std::rotate(rows.begin(), rows.begin() + 512, rows.end());
    QStringList texts = whole;
    for (int row : rows)
        texts[row] = model.index(row, 0).data().toString();
    QCOMPARE(texts, whole);
}

void TestCompanyPages::shownListLetsOthersCommit()
{
    QVERIFY(checkExec(kMain, "BEGIN"));
    for (int i = 0; i < 600; ++i)
        QVERIFY(insertCompany(kMain, "ЗАО", QString("Длинный %1").arg(i)));
    QVERIFY(checkExec(kMain, "COMMIT"));
    // An older copy of the program: no waiting for a lock at all.
    QVERIFY(checkExec(kOther, "PRAGMA busy_timeout=0"));
    for (const QString filter : {"", "длинный"}) {
        CompanyListModel model;
        QVERIFY(model.refresh(filter, QSqlDatabase::database(kMain)));
        // Rows further down read as the view would ask for them.
        if (model.canFetchMore(QModelIndex()))
            model.fetchMore(QModelIndex());
        QVERIFY(model.rowCount() > 256);
        QVERIFY(!model.index(model.rowCount() - 1, 0).data().toString().isEmpty());
        QVERIFY2(insertCompany(kOther, "ООО", "Соседняя"), qPrintable(filter));
        QVERIFY(checkExec(kOther, "DELETE FROM companies WHERE name='ооо соседняя'"));
    }
}

void TestCompanyPages::followsAnotherProgramsCommit_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<bool>("counted");
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("selectedAfter");
    const QString deleteAbove = "DELETE FROM companies WHERE Наименование='Альфа'";
    const QString saveAbove = "INSERT INTO companies VALUES ('ООО','Аист','ооо аист')";
    const QString rename = "UPDATE companies SET Наименование='Гамма' WHERE Наименование='Бета'";
    const QString remove = "DELETE FROM companies WHERE Наименование='Бета'";
    const QStringList beta{"ООО Бета"};
    // A list read block by block, and the whole list counted.
    for (int kind = 0; kind < 3; ++kind) {
        const QString filter = kind == 1 ? "ооо" : "";
        const bool counted = kind == 2;
        const QByteArray list = QList<QByteArray>{"whole list: ", "filtered: ", "whole list counted: "}.at(kind);
        QTest::newRow(list + "another organisation deleted above") << filter << counted << deleteAbove << beta;
        QTest::newRow(list + "another organisation saved above") << filter << counted << saveAbove << beta;
        QTest::newRow(list + "the selected one renamed") << filter << counted << rename << QStringList();
        QTest::newRow(list + "the selected one deleted") << filter << counted << remove << QStringList();
        QTest::newRow(list + "the table emptied") << filter << counted << "DELETE FROM companies" << QStringList();
    }
}

void TestCompanyPages::followsAnotherProgramsCommit()
{
    QFETCH(QString, filter);
    QFETCH(bool, counted);
    QFETCH(QString, change);
    QFETCH(QStringList, selectedAfter);
    if (counted) {
        // More than a block, so that the list is counted rather than read through.
        QVERIFY(checkExec(kMain, "BEGIN"));
        for (int i = 0; i < 300; ++i)
            QVERIFY(insertCompany(kMain, "ЧОП", QString("Пост %1").arg(i)));
        QVERIFY(checkExec(kMain, "COMMIT"));
    }
    CompanyListModel model;
    // The tester fetches every row itself, which a counted list is not to need.
    QScopedPointer<QAbstractItemModelTester> tester;
    if (!counted)
        tester.reset(new QAbstractItemModelTester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest));
    QItemSelectionModel selection(&model);
    QVERIFY(model.refresh(filter, QSqlDatabase::database(kMain)));
    if (counted) {
        QVERIFY(model.canFetchMore(QModelIndex()));
        model.reachRow(model.rowCount());
        QCOMPARE(model.rowCount(), 317);
        QVERIFY(!model.canFetchMore(QModelIndex()));
    }
    const int row = shown(model).indexOf("ООО Бета");
    QVERIFY(row > 0);
    selection.select(model.index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);

    QVERIFY(checkExec(kOther, change));
    const QStringList expected = statementRows(filter);
    QTRY_COMPARE_WITH_TIMEOUT(shown(model), expected, 30000);
    QCOMPARE(selectedTexts(selection), selectedAfter);
}

void TestCompanyPages::typedOnAsTheStatementSays_data()
{
    QTest::addColumn<QStringList>("filters");
    QTest::addColumn<QString>("connection"); // where the change between the last two filters is made
    QTest::addColumn<QString>("change");
    const QString save = "INSERT INTO companies VALUES ('ООО','Аист','ооо аист')";
    const QString rename = "UPDATE companies SET Наименование='Гамма',name='ооо гамма' WHERE Наименование='Бета'";
    QTest::newRow("typed on, nothing committed") << QStringList{"о", "оо", "ооо б"} << "" << "";
    QTest::newRow("another program saves a match") << QStringList{"ооо", "ооо а"} << kOther << save;
    QTest::newRow("another program renames a row shown") << QStringList{"ооо", "ооо б"} << kOther << rename;
    QTest::newRow("this connection saves a match") << QStringList{"ооо", "ооо а"} << kMain << save;
    QTest::newRow("a wildcard typed on") << QStringList{"ни", "ни%ч"} << "" << "";
    QTest::newRow("a Latin letter over Latin capitals") << QStringList{"ип", "ип k"} << "" << "";
}

void TestCompanyPages::typedOnAsTheStatementSays()
{
    QFETCH(QStringList, filters);
    QFETCH(QString, connection);
    QFETCH(QString, change);
    // Written by another program: Latin capitals left in the search text.
    QVERIFY(checkExec(kMain, "INSERT INTO companies VALUES ('ИП','Kit','ип Kit')"));
    CompanyListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    for (int i = 0; i < filters.size(); ++i) {
        if (i == filters.size() - 1 && !change.isEmpty())
            QVERIFY(checkExec(connection.toUtf8().constData(), change));
        QVERIFY(model.refresh(filters.at(i), QSqlDatabase::database(kMain)));
        QCOMPARE(shown(model), statementRows(filters.at(i)));
    }
}

QTEST_GUILESS_MAIN(TestCompanyPages)
#include "tst_companypages.moc"
