#include "records/listposition.h"
#include "records/recordtexts.h"
#include "support/testsupport.h"

#include <QHeaderView>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>
#include <QTest>

#include <algorithm>

// Finding an organisation or an employee again in the unfiltered lists: the
// row the database counts must be the row the list shows, ties, NULLs and long
// lists included.
class TestListPosition : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void companyRow_data();
    void companyRow();
    void personRow_data();
    void personRow();
    void fetchThroughStopsAtTheEnd();
    void wrongSpanFallsBackToTheWholeList();

private:
    bool insert(const QString& table, const QStringList& values);
    bool seedCompanies(const QStringList& sortTexts);
    // Row of the fully read list that first shows texts, or -1.
    int firstShowing(const QString& query, const QStringList& texts);
    QSqlDatabase database() const;
};

namespace {

const char* const connectionName = "listposition";
// Stands for NULL in the rows below; the program itself never writes one.
const QString nullValue = QStringLiteral("<NULL>");
const QString company = QStringLiteral("ООО Альфа");

QStringList numbered(const QString& pattern, int count)
{
    QStringList texts;
    for (int i = 0; i < count; ++i)
        texts << pattern.arg(i, 4, 10, QLatin1Char('0'));
    return texts;
}

} // namespace

QSqlDatabase TestListPosition::database() const
{
    return QSqlDatabase::database(QString::fromLatin1(connectionName));
}

void TestListPosition::init()
{
    QVERIFY(testsupport::openSchemaDatabase(QString::fromLatin1(connectionName)));
    QSqlQuery query(database());
    QVERIFY(query.exec("CREATE INDEX companies_by_order ON companies "
                       "(Форма||' '||Наименование,name,Форма,Наименование)"));
    QVERIFY(query.exec("CREATE INDEX personal_by_id ON personal (id)"));
}

void TestListPosition::cleanup()
{
    database().close();
    QSqlDatabase::removeDatabase(QString::fromLatin1(connectionName));
}

bool TestListPosition::insert(const QString& table, const QStringList& values)
{
    QSqlQuery query(database());
    const QString marks = QString("?,").repeated(values.size()).chopped(1);
    query.prepare(QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(table, marks));
    for (const QString& value : values)
        query.addBindValue(value == nullValue ? QVariant(QVariant::String) : QVariant(value));
    return query.exec();
}

// Each text is "form|name".
bool TestListPosition::seedCompanies(const QStringList& sortTexts)
{
    if (!database().transaction())
        return false;
    for (const QString& text : sortTexts) {
        const QStringList parts = text.split('|');
        if (!insert("companies", {parts.value(0), parts.value(1), parts.join(' ').toLower()}))
            return false;
    }
    return database().commit();
}

int TestListPosition::firstShowing(const QString& query, const QStringList& texts)
{
    QSqlQueryModel model;
    model.setQuery(query, database());
    while (model.canFetchMore())
        model.fetchMore();
    for (int row = 0; row < model.rowCount(); ++row) {
        bool same = true;
        for (int column = 0; column < texts.size(); ++column)
            same = same && model.index(row, column).data().toString() == texts.at(column);
        if (same)
            return row;
    }
    return -1;
}

void TestListPosition::companyRow_data()
{
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("row");

    const QStringList few{"ООО|Альфа", "ЧОП|Щит", "|Бета", "АО|O'Neil", "ООО|альфа", "ООО|Zeta"};
    QTest::newRow("no legal form sorts first") << few << "Бета" << 0;
    QTest::newRow("quote") << few << "АО O'Neil" << 1;
    QTest::newRow("letter case sorts by code") << few << "ООО альфа" << 4;
    QTest::newRow("absent") << few << "ООО Гамма" << -1;
    QTest::newRow("far down a long list") << numbered("ЧОП|Объект %1", 2000) << "ЧОП Объект 1900" << 1900;
    QTest::newRow("first of a long list") << numbered("ЧОП|Объект %1", 2000) << "ЧОП Объект 0000" << 0;
    QTest::newRow("last of a long list") << numbered("ЧОП|Объект %1", 2000) << "ЧОП Объект 1999" << 1999;
    // Three rows show "ЧОП Щит" with three sort texts; the list's first one is taken.
    QTest::newRow("same text, other sort texts")
        << QStringList{"ЧОП|Щит ", "ЧОП|Альфа", "|ЧОП Щит", "ЧОП|Щит"} << "ЧОП Щит" << 0;
    QTest::newRow("same sort text twice") << QStringList{"ЧОП|Щит", "АО|Б", "ЧОП|Щит", "ЧОП|Я"} << "ЧОП Щит" << 1;
    QTest::newRow("after NULL sort texts")
        << QStringList{"ООО|Альфа", nullValue + "|Бета", "ЧОП|" + nullValue, "ООО|Вега"} << "ООО Вега" << 3;
    QTest::newRow("empty text, shown by NULL rows too")
        << QStringList{"ООО|Альфа", nullValue + "|Бета", "|"} << "" << 1;
}

void TestListPosition::companyRow()
{
    QFETCH(QStringList, stored);
    QFETCH(QString, target);
    QFETCH(int, row);
    QVERIFY(seedCompanies(stored));
    const QString listQuery = records::companyListQuery(QString());
    // An empty target is shown first by the NULL rows, which no lookup by text can find; skip those.
    if (!target.isEmpty())
        QCOMPARE(firstShowing(listQuery, {target}), row);

    // The database's count alone must give the row; the search around it is only a safety net.
    QSqlQuery position(database());
    QVERIFY(position.exec(records::companyPositionQuery(target)) && position.next());
    QCOMPARE(position.value(0).isNull(), row < 0);
    if (row >= 0)
        QCOMPARE(position.value(1).toInt(), row);

    QSqlQueryModel model;
    model.setQuery(listQuery, database());
    QTableView view;
    view.setModel(&model);
    view.resize(300, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    const int firstBatch = model.rowCount();

    QCOMPARE(records::selectCompanyRow(&view, database(), target), row >= 0);
    if (row < 0) {
        QVERIFY(!view.selectionModel()->hasSelection());
        QCOMPARE(model.rowCount(), firstBatch);
        return;
    }
    QCOMPARE(view.currentIndex().row(), row);
    QCOMPARE(view.selectionModel()->selectedRows().size(), 1);
    QCOMPARE(view.selectionModel()->selectedRows().first().data().toString(), target);
    QVERIFY(view.viewport()->rect().contains(view.visualRect(view.currentIndex()).center()));
    // Read up to the row only.
    QVERIFY(model.rowCount() <= std::max(firstBatch, row + 256));
}

void TestListPosition::personRow_data()
{
    QTest::addColumn<QList<QStringList>>("people");
    QTest::addColumn<QStringList>("target");

    // Surname, name, patronymic, post, director, date.
    const QList<QStringList> twins{
        {"Иванов", "Иван", "Иванович", "Директор", "П.П. Петров", "01.02.2020"},
        {"Иванов", "Иван", "Иванович", "Инспектор", "К.К. Котов", "09.09.2019"},
        {"Иванов", "Иван", "Иванович", "Директор", "П.П. Петров", "03.03.2021"},
        {"Абрамов", "Абрам", "", "Директор", "П.П. Петров", "01.01.2020"},
        {"Яковлев", "Яков", "", "", "", "01.01.2020"},
    };
    QTest::newRow("tie, second by director")
        << twins << QStringList{"Иванов Иван Иванович", "Инспектор К.К. Котов", "09.09.2019"};
    QTest::newRow("tie, by date") << twins << QStringList{"Иванов Иван Иванович", "Директор П.П. Петров", "03.03.2021"};
    QTest::newRow("no director") << twins << QStringList{"Яковлев Яков", "", "01.01.2020"};
    QTest::newRow("absent") << twins << QStringList{"Иванов Иван Иванович", "Директор П.П. Петров", "02.02.2022"};

    QList<QStringList> staff;
    for (const QString& surname : numbered("Сотрудник%1", 700))
        staff << QStringList{surname, "Олег", "", "Директор", "П.П. Петров", "05.05.2022"};
    staff << QStringList{nullValue, "Олег", "", "Директор", "П.П. Петров", "05.05.2022"};
    QTest::newRow("far down, after a NULL name")
        << staff << QStringList{"Сотрудник0650 Олег", "Директор П.П. Петров", "05.05.2022"};
    QTest::newRow("empty name") << QList<QStringList>{{"", "", "", "Директор", "", "01.01.2020"}, twins.first()}
                                << QStringList{"", "Директор", "01.01.2020"};
}

void TestListPosition::personRow()
{
    QFETCH(QList<QStringList>, people);
    QFETCH(QStringList, target);
    QVERIFY(database().transaction());
    for (const QStringList& p : people) {
        QVERIFY(insert("personal", QStringList{company} + p + QStringList{"", ""}));
        // The same employees in another organisation must not count.
        QVERIFY(insert("personal", QStringList{"ООО Бета"} + p + QStringList{"", ""}));
    }
    QVERIFY(database().commit());
    const QString listQuery = records::personnelListQuery(company, QStringList());
    const int row = firstShowing(listQuery, target);
    QSqlQuery position(database());
    QVERIFY(position.exec(records::personPositionQuery(company, target.first())) && position.next());
    if (row >= 0) {
        QVERIFY(position.value(0).toInt() <= row);
        QVERIFY(row < position.value(1).toInt());
        // Only the employees that share the full name lie between the counts (and NULL names, before them).
        QVERIFY(position.value(1).toInt() - position.value(0).toInt() <= 4);
    }

    QSqlQueryModel model;
    model.setQuery(listQuery, database());
    QTableView view;
    view.setModel(&model);
    view.resize(400, 200);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));

    QCOMPARE(records::selectPersonRow(&view, database(), company, target), row >= 0);
    if (row < 0) {
        QVERIFY(!view.selectionModel()->hasSelection());
        return;
    }
    QCOMPARE(view.currentIndex().row(), row);
    QStringList shown;
    for (int column = 0; column < 3; ++column)
        shown << model.index(row, column).data().toString();
    QCOMPARE(shown, target);
    QCOMPARE(view.selectionModel()->selectedRows().size(), 1);
    QVERIFY(view.viewport()->rect().contains(view.visualRect(view.currentIndex()).center()));
}

void TestListPosition::fetchThroughStopsAtTheEnd()
{
    QVERIFY(seedCompanies(numbered("ЧОП|Объект %1", 600)));
    QSqlQueryModel model;
    model.setQuery(records::companyListQuery(QString()), database());
    QVERIFY(records::fetchThrough(&model, 0));
    QVERIFY(records::fetchThrough(&model, 400));
    QVERIFY(model.rowCount() > 400);
    QVERIFY(records::fetchThrough(&model, 599));
    QVERIFY(!records::fetchThrough(&model, 600));
    QCOMPARE(model.rowCount(), 600);
}

void TestListPosition::wrongSpanFallsBackToTheWholeList()
{
    // As when another copy of the program changed the table after the list was read.
    QVERIFY(seedCompanies(numbered("ЧОП|Объект %1", 600)));
    QSqlQueryModel model;
    model.setQuery(records::companyListQuery(QString()), database());
    QTableView view;
    view.setModel(&model);

    QVERIFY(records::selectShownRow(&view, {"ЧОП Объект 0500"}, {3, 4}));
    QCOMPARE(view.currentIndex().row(), 500);
    QVERIFY(!records::selectShownRow(&view, {"ЧОП Объект 0600"}, {0, 600}));
    QCOMPARE(view.selectionModel()->selectedRows().size(), 1);
    QCOMPARE(view.currentIndex().row(), 500);
}

QTEST_MAIN(TestListPosition)
#include "tst_listposition.moc"
