#include "recordwindow.h"

#include <QTest>

using recordtest::Person;
using recordtest::Session;

// The organisation and employee lists of the main window: filters, clicks
// that load the form, and the clear button.
class TestRecordLists : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void startupListsEveryOrganisationUnselected();
    void companyFilter_data();
    void companyFilter();
    void companyClickLoadsOrganisationAndEmployees();
    void companyClickWhileFilterHoldsTextLoadsIt();
    void companyClickFarDownTheListStaysInView();
    void employeeClickFillsPersonKeepsOrganisation();
    void clicksTakeEveryFieldFromItsOwnColumn();
    void keyboardSelectionLoadsRow();
    void unreadableDateBecomesToday_data();
    void unreadableDateBecomesToday();
    void personnelFilters_data();
    void personnelFilters();
    void companyRequeryEmptiesPersonnel();
    void clearButtonEmptiesFormAndFilters();
    void failedListQueryShowsDriverError();
    void rowChangedElsewhereIsNamed_data();
    void rowChangedElsewhereIsNamed();

private:
    static bool seed(Session& s);
};

void TestRecordLists::initTestCase()
{
    REQUIRE_TEST_ENGINE();
}

bool TestRecordLists::seed(Session& s)
{
    const QList<Person> people{
        {"ООО Альфа", "Сидорова", "Анна", "", "Генеральный директор", "С.С. Смирнов", "03.02.2020"},
        {"ООО Альфа", "Иванов", "Иван", "Иванович", "Директор", "П.П. Петров", "01.02.2020"},
        {"АО O'Neil|Guard", "Д'Арт|аньян", "Шарль", "", "Dir|ector", "J. Smith", "04.05.2021"},
        {"Бета", "Бетов", "Борис", "", "", "Б.Б. Бетов", "10.10.2019"},
    };
    return s.seed({{"ООО", "Альфа"}, {"", "Бета"}, {"АО", "O'Neil|Guard"}, {"ЧОП", "Щит"}}, people) && s.start();
}

void TestRecordLists::startupListsEveryOrganisationUnselected()
{
    Session s;
    QVERIFY(seed(s));

    // Without a legal form the sort text starts with a space, so "Бета" comes first.
    QCOMPARE(Session::column(s.companies()), (QStringList{"Бета", "АО O'Neil|Guard", "ООО Альфа", "ЧОП Щит"}));
    QCOMPARE(Session::headers(s.companies()), QStringList{"Наименование"});
    QVERIFY(Session::selected(s.companies()).isEmpty());
    QCOMPARE(s.personnel()->model()->columnCount(), 0);
    QCOMPARE(s.form(), (QStringList{"", "", "", "", "", "", "", Session::today()}));
    QVERIFY(!s.button("buttonSave")->isEnabled());
    QVERIFY(s.boxes().boxes.isEmpty());
}

void TestRecordLists::companyFilter_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("capital Cyrillic") << "АЛЬФ" << QStringList{"ООО Альфа"};
    QTest::newRow("Latin in either case") << "o'NEIL" << QStringList{"АО O'Neil|Guard"};
    QTest::newRow("underscore is a wildcard") << "щ_т" << QStringList{"ЧОП Щит"};
    QTest::newRow("quote cannot widen the list") << "' OR ''='" << QStringList();
}

void TestRecordLists::companyFilter()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, shown);
    Session s;
    QVERIFY(seed(s));

    s.type("lineEditCompanyFilter", filter);
    QCOMPARE(Session::column(s.companies()), shown);
    QCOMPARE(s.personnel()->model()->columnCount(), 0);
    QVERIFY(s.boxes().boxes.isEmpty());

    s.retype("lineEditCompanyFilter", "");
    QCOMPARE(Session::column(s.companies()).size(), 4);
}

void TestRecordLists::companyClickLoadsOrganisationAndEmployees()
{
    Session s;
    QVERIFY(seed(s));
    s.type("lineEditSurname", "Мусор");
    s.type("lineEditSunameFilter", "и");

    s.clickRow(s.companies(), "ООО Альфа");
    QCOMPARE(s.form(), (QStringList{"", "", "", "ООО", "Альфа", "Директор", "П.П. Петров", Session::today()}));
    QCOMPARE(s.filters(), (QStringList{"", "", ""}));
    QCOMPARE(Session::selected(s.companies()), QStringList{"ООО Альфа"});
    QCOMPARE(Session::headers(s.personnel()), (QStringList{"ФИО", "Руководитель", "Дата_выдачи"}));
    QCOMPARE(Session::column(s.personnel()), (QStringList{"Иванов Иван Иванович", "Сидорова Анна"}));
    QCOMPARE(Session::column(s.personnel(), 1),
             (QStringList{"Директор П.П. Петров", "Генеральный директор С.С. Смирнов"}));
    QCOMPARE(Session::column(s.personnel(), 2), (QStringList{"01.02.2020", "03.02.2020"}));
    QVERIFY(Session::selected(s.personnel()).isEmpty());

    s.clickRow(s.companies(), "Бета");
    QCOMPARE(s.form(), (QStringList{"", "", "", "", "Бета", "", "Б.Б. Бетов", Session::today()}));
    QCOMPARE(Session::column(s.personnel()), QStringList{"Бетов Борис"});
    QCOMPARE(Session::column(s.personnel(), 1), QStringList{"Б.Б. Бетов"});
    QVERIFY(s.boxes().boxes.isEmpty());
}

void TestRecordLists::companyClickWhileFilterHoldsTextLoadsIt()
{
    Session s;
    QVERIFY(seed(s));
    s.type("lineEditCompanyFilter", "а");
    s.type("lineEditSunameFilter", "и");
    QCOMPARE(Session::column(s.companies()).size(), 3);

    // Emptying the filter re-queries the list; the clicked organisation is found again in the full list.
    s.clickRow(s.companies(), "ООО Альфа");
    QCOMPARE(s.filters(), (QStringList{"", "", ""}));
    QCOMPARE(Session::column(s.companies()).size(), 4);
    QCOMPARE(Session::selected(s.companies()), QStringList{"ООО Альфа"});
    QCOMPARE(s.companies()->currentIndex().row(), 2);
    QCOMPARE(s.form(), (QStringList{"", "", "", "ООО", "Альфа", "Директор", "П.П. Петров", Session::today()}));
    QCOMPARE(Session::column(s.personnel()), (QStringList{"Иванов Иван Иванович", "Сидорова Анна"}));
    QVERIFY(Session::selected(s.personnel()).isEmpty());

    // The employees of the organisation found that way can be loaded at once.
    s.clickRow(s.personnel(), "Сидорова Анна");
    QCOMPARE(s.edit("lineEditDir")->text(), QString("С.С. Смирнов"));
    QVERIFY(s.boxes().boxes.isEmpty());
}

void TestRecordLists::companyClickFarDownTheListStaysInView()
{
    Session s;
    // More organisations than the list reads at once, so the row has to be fetched.
    QList<QStringList> companies;
    for (int i = 0; i < 1200; ++i)
        companies << QStringList{"ЧОП", QStringLiteral("Объект %1").arg(i, 4, 10, QLatin1Char('0'))};
    // Shown with the same text, sorted right after it: the first of the two is selected.
    companies << QStringList{"ЧОП", "Объект 0650 "};
    const QList<Person> people{{"ЧОП Объект 0650", "Орлов", "Олег", "", "Директор", "Р.Р. Ротов", "05.05.2022"}};
    QVERIFY(s.seed(companies, people));
    QVERIFY(s.start());
    s.type("lineEditCompanyFilter", "объект 065");
    QCOMPARE(Session::column(s.companies()).size(), 11);

    s.clickRow(s.companies(), "ЧОП Объект 0650");
    QCOMPARE(s.filters(), (QStringList{"", "", ""}));
    QTableView* list = s.companies();
    QCOMPARE(Session::selected(list), QStringList{"ЧОП Объект 0650"});
    QCOMPARE(list->currentIndex().row(), 650);
    QVERIFY(list->viewport()->rect().contains(list->visualRect(list->currentIndex()).center()));
    // The whole list counted; its rows are read by blocks as they are shown.
    QCOMPARE(list->model()->rowCount(), 1201);
    QCOMPARE(s.edit("lineEditComp")->text(), QString("Объект 0650"));
    QCOMPARE(Session::column(s.personnel()), QStringList{"Орлов Олег"});
    QVERIFY(s.boxes().boxes.isEmpty());
}

void TestRecordLists::employeeClickFillsPersonKeepsOrganisation()
{
    Session s;
    QVERIFY(seed(s));
    s.clickRow(s.companies(), "ООО Альфа");
    s.retype("lineEditComp", "Альфа-2");
    s.dateEdit()->setFocus();

    s.clickRow(s.personnel(), "Сидорова Анна");
    QCOMPARE(s.form(), (QStringList{"Сидорова", "Анна", "", "ООО", "Альфа-2", "Генеральный директор", "С.С. Смирнов",
                                    "03.02.2020"}));
    QCOMPARE(s.dateEdit()->date(), QDate(2020, 2, 3));
    QVERIFY(!s.dateEdit()->hasFocus());
    QCOMPARE(Session::selected(s.personnel()), QStringList{"Сидорова Анна"});
    QVERIFY(s.button("buttonSave")->isEnabled());
    QVERIFY(s.button("buttonPrint")->isEnabled());
    QVERIFY(s.button("buttonView")->isEnabled());
}

void TestRecordLists::clicksTakeEveryFieldFromItsOwnColumn()
{
    Session s;
    QVERIFY(seed(s));

    s.clickRow(s.companies(), "АО O'Neil|Guard");
    QCOMPARE(s.edit("lineEditForm")->text(), QString("АО"));
    QCOMPARE(s.edit("lineEditComp")->text(), QString("O'Neil|Guard"));
    QCOMPARE(Session::column(s.personnel()), QStringList{"Д'Арт|аньян Шарль"});

    s.clickRow(s.personnel(), "Д'Арт|аньян Шарль");
    QCOMPARE(s.form(), (QStringList{"Д'Арт|аньян", "Шарль", "", "АО", "O'Neil|Guard", "Dir|ector", "J. Smith",
                                    "04.05.2021"}));
    QVERIFY(s.boxes().boxes.isEmpty());
}

// The arrow keys and Space move the selection as a click does, and load what
// they select: "Обновить" and "X" act on the selection, the operator on the form.
void TestRecordLists::keyboardSelectionLoadsRow()
{
    Session s;
    QVERIFY(seed(s));
    QCOMPARE(Session::column(s.companies()), (QStringList{"Бета", "АО O'Neil|Guard", "ООО Альфа", "ЧОП Щит"}));
    s.clickRow(s.companies(), "ООО Альфа");
    s.clickRow(s.personnel(), "Иванов Иван Иванович");

    Session::press(s.companies(), {Qt::Key_Up});
    QCOMPARE(Session::selected(s.companies()), QStringList{"АО O'Neil|Guard"});
    QCOMPARE(s.form(),
             (QStringList{"", "", "", "АО", "O'Neil|Guard", "Dir|ector", "J. Smith", Session::today()}));
    QCOMPARE(Session::column(s.personnel()), QStringList{"Д'Арт|аньян Шарль"});

    // Tabbing into the employees makes the first one current; Space selects it.
    Session::press(s.personnel(), {Qt::Key_Space});
    QCOMPARE(Session::selected(s.personnel()), QStringList{"Д'Арт|аньян Шарль"});
    QCOMPARE(s.form(), (QStringList{"Д'Арт|аньян", "Шарль", "", "АО", "O'Neil|Guard", "Dir|ector", "J. Smith",
                                    "04.05.2021"}));

    // Also with the company filter holding text, which the load empties.
    s.type("lineEditCompanyFilter", "альф");
    Session::press(s.companies(), {Qt::Key_Space});
    QCOMPARE(Session::selected(s.companies()), QStringList{"ООО Альфа"});
    QCOMPARE(s.filters(), (QStringList{"", "", ""}));
    QCOMPARE(s.form(), (QStringList{"", "", "", "ООО", "Альфа", "Директор", "П.П. Петров", Session::today()}));
    Session::press(s.personnel(), {Qt::Key_Space, Qt::Key_Down});
    QCOMPARE(Session::selected(s.personnel()), QStringList{"Сидорова Анна"});
    QCOMPARE(s.edit("lineEditDir")->text(), QString("С.С. Смирнов"));
    QVERIFY(s.boxes().boxes.isEmpty());
}

void TestRecordLists::unreadableDateBecomesToday_data()
{
    QTest::addColumn<QString>("stored");

    QTest::newRow("another form") << "2020-02-05";
    QTest::newRow("no such day") << "31.02.2020";
    QTest::newRow("empty") << "";
}

// The employee clicked before had a date; it must not stay in the field.
void TestRecordLists::unreadableDateBecomesToday()
{
    QFETCH(QString, stored);
    Session s;
    QVERIFY(seed(s));
    QVERIFY(s.exec("INSERT INTO personal VALUES ('ООО Альфа','Петров','Пётр','','Директор','П.П. Петров','" + stored
                   + "','петров пётр','директор п.п. петров')"));
    s.clickRow(s.companies(), "ООО Альфа");
    s.clickRow(s.personnel(), "Иванов Иван Иванович");
    QCOMPARE(s.dateEdit()->date(), QDate(2020, 2, 1));

    s.clickRow(s.personnel(), "Петров Пётр");
    QCOMPARE(s.dateEdit()->date(), QDate::currentDate());
    QCOMPARE(s.edit("lineEditSurname")->text(), QString("Петров"));
    QCOMPARE(s.boxes().boxes.size(), 1);
    const recordtest::Box box = s.boxes().boxes.first();
    QCOMPARE(box.title, QString("Предупреждение"));
    QCOMPARE(box.text, "Дата выдачи «" + stored + "» не распознана, поставлена сегодняшняя дата");
    QCOMPARE(box.buttons, QStringList{"OK"});
    QCOMPARE(box.icon, QMessageBox::Warning);
    QVERIFY(box.hasParent);
}

void TestRecordLists::personnelFilters_data()
{
    QTest::addColumn<QString>("surnameFilter");
    QTest::addColumn<QString>("directorFilter");
    QTest::addColumn<QStringList>("shown");

    QTest::newRow("capital Cyrillic name") << "ИВАН" << "" << QStringList{"Иванов Иван Иванович"};
    QTest::newRow("inside the full name") << "ван ив" << "" << QStringList{"Иванов Иван Иванович"};
    QTest::newRow("director post and name") << "" << "ор С.С" << QStringList{"Сидорова Анна"};
    QTest::newRow("both must match") << "иван" << "смирнов" << QStringList();
    QTest::newRow("quote") << "'" << "" << QStringList();
}

void TestRecordLists::personnelFilters()
{
    QFETCH(QString, surnameFilter);
    QFETCH(QString, directorFilter);
    QFETCH(QStringList, shown);
    Session s;
    QVERIFY(seed(s));
    s.clickRow(s.companies(), "ООО Альфа");
    s.clickRow(s.personnel(), "Иванов Иван Иванович");

    s.type("lineEditSunameFilter", surnameFilter);
    s.type("lineEditDirectorFilter", directorFilter);
    QCOMPARE(Session::column(s.personnel()), shown);
    QVERIFY(Session::selected(s.personnel()).isEmpty());
    QCOMPARE(Session::selected(s.companies()), QStringList{"ООО Альфа"});
    QVERIFY(s.boxes().boxes.isEmpty());
}

void TestRecordLists::companyRequeryEmptiesPersonnel()
{
    Session s;
    QVERIFY(seed(s));
    s.clickRow(s.companies(), "ООО Альфа");

    s.type("lineEditCompanyFilter", "о");
    QVERIFY(Session::selected(s.companies()).isEmpty());
    QCOMPARE(s.personnel()->model()->columnCount(), 0);

    s.type("lineEditSunameFilter", "и");
    QCOMPARE(s.personnel()->model()->columnCount(), 0);
    QVERIFY(s.boxes().boxes.isEmpty());
}

void TestRecordLists::clearButtonEmptiesFormAndFilters()
{
    Session s;
    QVERIFY(seed(s));
    s.clickRow(s.companies(), "ООО Альфа");
    s.clickRow(s.personnel(), "Сидорова Анна");
    s.type("lineEditSunameFilter", "сид");
    s.type("lineEditDirectorFilter", "смир");
    QCOMPARE(Session::column(s.personnel()), QStringList{"Сидорова Анна"});

    s.click("buttonClear");
    QCOMPARE(s.form(), (QStringList{"", "", "", "", "", "", "", Session::today()}));
    QCOMPARE(s.dateEdit()->date(), QDate::currentDate());
    QVERIFY(s.dateEdit()->findChild<QLineEdit*>()->selectedText().isEmpty());
    QCOMPARE(s.filters(), (QStringList{"", "", ""}));
    QVERIFY(!s.button("buttonSave")->isEnabled());
    // Nothing stays selected, so a new organisation typed into the empty
    // form and "Обновить" pressed by mistake rename nothing.
    QVERIFY(Session::selected(s.companies()).isEmpty());
    QCOMPARE(s.personnel()->model()->columnCount(), 0);
    s.type("lineEditForm", "ЗАО");
    s.type("lineEditComp", "Новая");
    s.click("buttonUpdate");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.boxes().boxes.first().text, QString("Не выбрана организация"));
    QCOMPARE(s.rows("SELECT COUNT(*) FROM companies WHERE Наименование='Альфа'"), QList<QStringList>{{"1"}});
}

void TestRecordLists::failedListQueryShowsDriverError()
{
    Session s;
    QVERIFY(seed(s));
    s.clickRow(s.companies(), "ООО Альфа");
    QVERIFY(s.exec("DROP TABLE companies"));

    s.type("lineEditCompanyFilter", "а");
    QCOMPARE(s.boxes().boxes.size(), 1);
    const recordtest::Box box = s.boxes().boxes.first();
    QCOMPARE(box.title, QString("Ошибка"));
    const QString reason = testsupport::onServer() ? "relation \"companies\" does not exist" : "no such table: companies";
    QVERIFY2(box.text.contains(reason), qPrintable(box.text));
    QCOMPARE(box.buttons, QStringList{"OK"});
    QCOMPARE(box.icon, QMessageBox::Warning);
    QVERIFY(box.hasParent);
    QCOMPARE(s.companies()->model()->columnCount(), 0);
    QCOMPARE(s.companies()->model()->rowCount(), 0);
    // A failed company query leaves the employee list as it was.
    QCOMPARE(Session::column(s.personnel()).size(), 2);
}

void TestRecordLists::rowChangedElsewhereIsNamed_data()
{
    QTest::addColumn<QString>("employee"); // clicked in the organisation's list; empty: the organisation
    QTest::addColumn<QString>("change");   // made by another connection after the lists were read
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("listed"); // the clicked list afterwards

    const QString deleted = "Запись удалена на другом рабочем месте";
    const QString changed = "Запись изменена на другом рабочем месте";
    QTest::newRow("organisation deleted") << "" << "DELETE FROM companies WHERE Наименование='Альфа'" << deleted
                                          << QStringList{"Бета", "АО O'Neil|Guard", "ЧОП Щит"};
    QTest::newRow("organisation renamed")
        << "" << "UPDATE companies SET Наименование='Альфа-М', name='ооо альфа-м' WHERE Наименование='Альфа'"
        << changed << QStringList{"Бета", "АО O'Neil|Guard", "ООО Альфа-М", "ЧОП Щит"};
    QTest::newRow("employee deleted") << "Иванов Иван Иванович" << "DELETE FROM personal WHERE Фамилия='Иванов'"
                                      << deleted << QStringList{"Сидорова Анна"};
    QTest::newRow("employee renamed")
        << "Иванов Иван Иванович"
        << "UPDATE personal SET Имя='Пётр', person='иванов пётр иванович' WHERE Фамилия='Иванов'" << changed
        << QStringList{"Иванов Пётр Иванович", "Сидорова Анна"};
}

// The click says what happened, shows the list as it is now, and leaves the
// form as it was instead of emptying it.
void TestRecordLists::rowChangedElsewhereIsNamed()
{
    QFETCH(QString, employee);
    QFETCH(QString, change);
    QFETCH(QString, message);
    QFETCH(QStringList, listed);
    Session s;
    QVERIFY(seed(s));
    s.clickRow(s.companies(), "ООО Альфа");
    if (!employee.isEmpty())
        s.clickRow(s.personnel(), "Сидорова Анна");
    const QStringList form = s.form();
    QVERIFY(form.at(4) == "Альфа");
    QVERIFY(s.exec(change));

    s.clickRow(employee.isEmpty() ? s.companies() : s.personnel(), employee.isEmpty() ? "ООО Альфа" : employee);
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.boxes().boxes.first().text, message);
    QCOMPARE(Session::column(employee.isEmpty() ? s.companies() : s.personnel()), listed);
    QCOMPARE(s.form(), form);
}

QTEST_MAIN(TestRecordLists)
#include "tst_recordlists.moc"
