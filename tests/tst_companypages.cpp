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
    void shownListLetsOthersCommit();
    void followsAnotherProgramsCommit_data();
    void followsAnotherProgramsCommit();

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
    const QStringList whole = checkRows(kOther, records::companyListQuery(filter))
                                  .replaceInStrings(QRegularExpression("^<NULL>$"), "");
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
        QVERIFY(model.canFetchMore(QModelIndex()));
        model.fetchMore(QModelIndex());
        QVERIFY2(insertCompany(kOther, "ООО", "Соседняя"), qPrintable(filter));
        QVERIFY(checkExec(kOther, "DELETE FROM companies WHERE name='ооо соседняя'"));
    }
}

void TestCompanyPages::followsAnotherProgramsCommit_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<QStringList>("selectedAfter");
    QTest::newRow("another organisation deleted above") << "DELETE FROM companies WHERE Наименование='Альфа'"
                                                        << QStringList{"ООО Бета"};
    QTest::newRow("another organisation saved above") << "INSERT INTO companies VALUES ('ООО','Аист','ооо аист')"
                                                      << QStringList{"ООО Бета"};
    QTest::newRow("the selected one renamed") << "UPDATE companies SET Наименование='Гамма' WHERE "
                                                 "Наименование='Бета'"
                                              << QStringList();
    QTest::newRow("the selected one deleted") << "DELETE FROM companies WHERE Наименование='Бета'" << QStringList();
    QTest::newRow("the table emptied") << "DELETE FROM companies" << QStringList();
}

void TestCompanyPages::followsAnotherProgramsCommit()
{
    QFETCH(QString, change);
    QFETCH(QStringList, selectedAfter);
    CompanyListModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QItemSelectionModel selection(&model);
    QVERIFY(model.refresh(QString(), QSqlDatabase::database(kMain)));
    const int row = shown(model).indexOf("ООО Бета");
    QVERIFY(row > 0);
    selection.select(model.index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);

    QVERIFY(checkExec(kOther, change));
    const QStringList expected = checkRows(kOther, records::companyListQuery(QString()))
                                     .replaceInStrings(QRegularExpression("^<NULL>$"), "");
    QTRY_COMPARE_WITH_TIMEOUT(shown(model), expected, 30000);
    QCOMPARE(selectedTexts(selection), selectedAfter);
}

QTEST_GUILESS_MAIN(TestCompanyPages)
#include "tst_companypages.moc"
