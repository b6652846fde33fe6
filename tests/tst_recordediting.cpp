#include "recordwindow.h"

#include <QTest>

using recordtest::Person;
using recordtest::Session;

// Saving, updating and deleting organisations and employees from the main
// window, checked in the widgets and in the rows of "dataBase.db".
class TestRecordEditing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void formGapsGateSaveAndPrint_data();
    void formGapsGateSaveAndPrint();
    void saveWritesBothRowsAndKeepsForm();
    void saveReusesOrganisationAndRefusesDuplicate();
    void saveUnderOtherLetterCaseShowsWithStoredOrganisation_data();
    void saveUnderOtherLetterCaseShowsWithStoredOrganisation();
    void saveWithStraySpacesKeepsEmployeeReachable();
    void saveStopsWhenACheckFails_data();
    void saveStopsWhenACheckFails();
    void failedSaveLeavesNoTransactionOpen();
    void updateNeedsOrganisation();
    void updateEmployeeStaysWithOrganisation();
    void updateOrganisationMovesEmployees();
    void updateOrganisationIsAllOrNothing();
    void updateFoundThroughFiltersUpdatesEmployee_data();
    void updateFoundThroughFiltersUpdatesEmployee();
    void updateOrganisationFoundThroughFilter();
    void confirmationMustBeAnswered();
    void deleteOrganisationRemovesEmployees();
    void deleteOrganisationGoesWhole_data();
    void deleteOrganisationGoesWhole();
    void deleteEmployeeFoundThroughFilters_data();
    void deleteEmployeeFoundThroughFilters();
    void deleteOrganisationFoundThroughFilters_data();
    void deleteOrganisationFoundThroughFilters();
    void deleteWithNothingFoundRemovesNothing();
    void deleteEmployee();
    void deleteEmployeeWithEmptyNameAndDirector();
    void saveSelectsEmployeeOfSelectedOrganisation_data();
    void saveSelectsEmployeeOfSelectedOrganisation();
    void employeeClickAfterDeleteFillsOrganisation();
    void blanksAroundFieldsAreNotStored();
    void confirmationNamesWhatGoes_data();
    void confirmationNamesWhatGoes();
    void shortcutsSaveAndFindOrganisation();
    void hiddenCharactersAreNotStored_data();
    void hiddenCharactersAreNotStored();

private:
    static bool seed(Session& s);
    static void fill(Session& s, const QStringList& texts);
    static void findThroughFilters_data(bool withEmployee);
    static void findThroughFilters(Session& s, const QStringList& employee);
};

namespace {

const QString yes = QStringLiteral("Да");
const QString no = QStringLiteral("Нет");
const QString unusedOrganisation =
    QStringLiteral("Изменения организации не сохранены: чтобы переименовать организацию, выберите только её.");
const QString employeesSql = QStringLiteral("SELECT * FROM personal ORDER BY Фамилия, Дата_выдачи");

} // namespace

void TestRecordEditing::initTestCase()
{
    REQUIRE_TEST_ENGINE();
}

bool TestRecordEditing::seed(Session& s)
{
    const QList<Person> people{
        {"ООО Альфа", "Иванов", "Иван", "Иванович", "Директор", "П.П. Петров", "01.02.2020"},
        {"ООО Альфа", "Сидорова", "Анна", "", "Директор", "П.П. Петров", "03.02.2020"},
        {"АО O'Neil", "Смит", "Джон", "", "Director", "J. Doe", "04.05.2021"},
    };
    return s.seed({{"ООО", "Альфа"}, {"АО", "O'Neil"}}, people) && s.start();
}

// Types surname, name, patronymic, legal form, name of the organisation, post and director.
void TestRecordEditing::fill(Session& s, const QStringList& texts)
{
    const QStringList names{"lineEditSurname", "lineEditName",    "lineEditPatron", "lineEditForm",
                            "lineEditComp",    "lineEditDirPost", "lineEditDir"};
    for (int i = 0; i < names.size(); ++i)
        s.retype(names.at(i), texts.value(i));
}

void TestRecordEditing::formGapsGateSaveAndPrint_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<bool>("enabled");

    QTest::newRow("everything") << QStringList{"Иванов", "Иван", "Иванович", "ООО", "Альфа", "Директор", "Петров"}
                                << true;
    QTest::newRow("one field per group") << QStringList{"", "", "Иванович", "ООО", "", "", "Петров"} << true;
    QTest::newRow("no person") << QStringList{"", "", "", "ООО", "Альфа", "Директор", "Петров"} << false;
    QTest::newRow("no organisation") << QStringList{"Иванов", "", "", "", "", "Директор", ""} << false;
    QTest::newRow("no director") << QStringList{"Иванов", "", "", "", "Альфа", "", ""} << false;
}

void TestRecordEditing::formGapsGateSaveAndPrint()
{
    QFETCH(QStringList, texts);
    QFETCH(bool, enabled);
    Session s;
    QVERIFY(s.start());

    fill(s, texts);
    QCOMPARE(s.button("buttonSave")->isEnabled(), enabled);
    QCOMPARE(s.button("buttonPrint")->isEnabled(), enabled);
    QCOMPARE(s.button("buttonView")->isEnabled(), enabled);
    for (const char* name : {"buttonUpdate", "buttonClear", "buttonParams"})
        QVERIFY2(s.button(name)->isEnabled(), name);
    // Nothing is selected.
    for (const char* name : {"buttonDeleteCompany", "buttonDeletePerson", "buttonBatch"})
        QVERIFY2(!s.button(name)->isEnabled(), name);
}

void TestRecordEditing::saveWritesBothRowsAndKeepsForm()
{
    Session s;
    QVERIFY(s.start());
    const QStringList texts{"Д'Артаньян", "Шарль", "", "ЧОО", "Щит", "", "И.И. Ёлкин"};
    fill(s, texts);
    s.dateEdit()->setDate(QDate(2021, 3, 15));
    s.type("lineEditCompanyFilter", "нет такой");
    s.type("lineEditSunameFilter", "x");

    s.click("buttonSave");
    QVERIFY(s.boxes().boxes.isEmpty());
    QCOMPARE(s.rows("SELECT * FROM companies"), (QList<QStringList>{{"ЧОО", "Щит", "чоо щит"}}));
    // On save the director text keeps its space even without a post.
    QCOMPARE(s.rows("SELECT * FROM personal"),
             (QList<QStringList>{{"ЧОО Щит", "Д'Артаньян", "Шарль", "", "", "И.И. Ёлкин", "15.03.2021",
                                  "д'артаньян шарль", " и.и. ёлкин"}}));
    QCOMPARE(s.form(), QStringList(texts) << "15.03.2021");
    QCOMPARE(s.filters(), (QStringList{"", "", ""}));
    QCOMPARE(Session::column(s.companies()), QStringList{"ЧОО Щит"});
    QVERIFY(Session::selected(s.companies()).isEmpty());
    QCOMPARE(s.personnel()->model()->columnCount(), 0);
}

void TestRecordEditing::saveReusesOrganisationAndRefusesDuplicate()
{
    Session s;
    QVERIFY(seed(s));
    fill(s, {"Петров", "Пётр", "", "ооо", "АЛЬФА", "Директор", "П.П. Петров"});
    s.dateEdit()->setDate(QDate(2020, 2, 1));

    // Same organisation by its lower-case text: only the employee is written, under the stored text.
    s.click("buttonSave");
    QVERIFY(s.boxes().boxes.isEmpty());
    QCOMPARE(s.rows("SELECT COUNT(*) FROM companies"), QList<QStringList>{{"2"}});
    QCOMPARE(s.rows("SELECT id FROM personal WHERE Фамилия='Петров'"), QList<QStringList>{{"ООО Альфа"}});
    QCOMPARE(s.form().mid(3, 2), (QStringList{"ооо", "АЛЬФА"}));

    s.click("buttonSave");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.boxes().boxes.first().title, QString("Ошибка"));
    QCOMPARE(s.boxes().boxes.first().text, QString("Такая запись уже есть"));
    QCOMPARE(s.rows("SELECT COUNT(*) FROM personal"), QList<QStringList>{{"4"}});

    s.dateEdit()->setDate(QDate(2020, 2, 2));
    s.click("buttonSave");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.rows("SELECT COUNT(*) FROM personal"), QList<QStringList>{{"5"}});

    // A stored employee typed with the organisation in another letter case is the same employee.
    fill(s, {"Иванов", "Иван", "Иванович", "Ооо", "альфа", "Директор", "П.П. Петров"});
    s.dateEdit()->setDate(QDate(2020, 2, 1));
    s.click("buttonSave");
    QCOMPARE(s.boxes().boxes.size(), 2);
    QCOMPARE(s.boxes().boxes.last().text, QString("Такая запись уже есть"));
    QCOMPARE(s.rows("SELECT COUNT(*) FROM personal"), QList<QStringList>{{"5"}});
}

void TestRecordEditing::saveUnderOtherLetterCaseShowsWithStoredOrganisation_data()
{
    QTest::addColumn<QList<QStringList>>("stored");
    QTest::addColumn<QStringList>("organisation");
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("companies");

    const QList<QStringList> shield{{"ООО", "Щит"}};
    QTest::newRow("new organisation") << shield << QStringList{"ООО", "Меч"} << "ООО Меч" << 2;
    QTest::newRow("same text") << shield << QStringList{"ООО", "Щит"} << "ООО Щит" << 1;
    QTest::newRow("lower case") << shield << QStringList{"ооо", "щит"} << "ООО Щит" << 1;
    QTest::newRow("mixed case, stray spaces") << shield << QStringList{" Ооо", "ЩИТ "} << "ООО Щит" << 1;
    QTest::newRow("no legal form") << QList<QStringList>{{"", "Щит"}} << QStringList{"", "щит"} << "Щит" << 1;
    // Both letter cases stored already (an update may rename into an existing text): the typed one is kept.
    QTest::newRow("typed case stored too") << QList<QStringList>{{"ООО", "Щит"}, {"ооо", "щит"}}
                                           << QStringList{"ооо", "щит"} << "ооо щит" << 2;
}

void TestRecordEditing::saveUnderOtherLetterCaseShowsWithStoredOrganisation()
{
    QFETCH(QList<QStringList>, stored);
    QFETCH(QStringList, organisation);
    QFETCH(QString, id);
    QFETCH(int, companies);
    Session s;
    QVERIFY(s.seed(stored));
    QVERIFY(s.start());
    fill(s, {"Щукин", "Семён", "", organisation.at(0), organisation.at(1), "Директор", "Д.Д. Дубов"});

    s.click("buttonSave");
    QVERIFY(s.boxes().boxes.isEmpty());
    QCOMPARE(s.rows("SELECT id FROM personal"), QList<QStringList>{{id}});
    QCOMPARE(s.rows("SELECT COUNT(*) FROM companies"), QList<QStringList>{{QString::number(companies)}});

    // The employee can be found, loaded and deleted from the lists.
    s.clickRow(s.companies(), id);
    QCOMPARE(Session::column(s.personnel()), QStringList{"Щукин Семён"});
    s.clickRow(s.personnel(), "Щукин Семён");
    QCOMPARE(s.edit("lineEditDir")->text(), QString("Д.Д. Дубов"));
    s.boxes().answers << yes;
    s.click("buttonDeletePerson");
    QCOMPARE(s.rows("SELECT COUNT(*) FROM personal"), QList<QStringList>{{"0"}});
}

void TestRecordEditing::saveWithStraySpacesKeepsEmployeeReachable()
{
    Session s;
    QVERIFY(s.start());
    fill(s, {"Петров", "Пётр", "", " ООО", "Вега ", "Директор", "В.В. Волков"});
    s.click("buttonSave");
    QCOMPARE(s.rows("SELECT id, Форма, Наименование FROM personal, companies"),
             (QList<QStringList>{{"ООО Вега", "ООО", "Вега"}}));

    s.clickRow(s.companies(), "ООО Вега");
    s.clickRow(s.personnel(), "Петров Пётр");
    QCOMPARE(s.edit("lineEditDir")->text(), QString("В.В. Волков"));
    s.boxes().answers << yes;
    s.click("buttonDeletePerson");
    QCOMPARE(s.rows("SELECT COUNT(*) FROM personal"), QList<QStringList>{{"0"}});
}

void TestRecordEditing::saveStopsWhenACheckFails_data()
{
    QTest::addColumn<QString>("breakSql");

    // Tables without the columns the checks read make the checks themselves fail.
    QTest::newRow("organisation check") << "DROP TABLE companies; CREATE TABLE companies (Форма TEXT)";
    QTest::newRow("employee check") << "DROP TABLE personal; CREATE TABLE personal (id TEXT)";
}

void TestRecordEditing::saveStopsWhenACheckFails()
{
    QFETCH(QString, breakSql);
    Session s;
    QVERIFY(s.start());
    for (const QString& sql : breakSql.split("; "))
        QVERIFY(s.exec(sql));
    fill(s, {"Иванов", "Иван", "", "ООО", "Новая", "Директор", "П.П. Петров"});

    s.click("buttonSave");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.boxes().boxes.first().text, QString("Ошибка записи в базу данных"));
    QCOMPARE(s.rows("SELECT COUNT(*) FROM companies"), QList<QStringList>{{"0"}});
    // The employee check fails after the new organisation row was written; that row must not stay.
    QCOMPARE(s.rows("SELECT COUNT(*) FROM personal"), QList<QStringList>{{"0"}});
}

void TestRecordEditing::failedSaveLeavesNoTransactionOpen()
{
    Session s;
    QVERIFY(s.start());
    QVERIFY(s.refuse("refuse", "personal", "INSERT", "NEW.Фамилия='Сбой'"));
    fill(s, {"Сбой", "", "", "ООО", "Первая", "", "Петров"});
    s.click("buttonSave");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.boxes().boxes.first().text, QString("Ошибка записи в базу данных"));
    QCOMPARE(s.rows("SELECT COUNT(*) FROM companies"), QList<QStringList>{{"0"}});

    // Another connection writes at once, and the next save goes through.
    QVERIFY(s.exec("INSERT INTO companies VALUES ('АО', 'Другая', 'ао другая')"));
    fill(s, {"Иванов", "", "", "ООО", "Вторая", "", "Петров"});
    s.click("buttonSave");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.rows("SELECT id FROM personal"), QList<QStringList>{{"ООО Вторая"}});
}

void TestRecordEditing::updateNeedsOrganisation()
{
    Session s;
    QVERIFY(seed(s));
    fill(s, {"Иванов", "", "", "ООО", "Бета", "", "Петров"});
    const QList<QStringList> before = s.rows(employeesSql);

    s.click("buttonUpdate");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.boxes().boxes.first().title, QString("Ошибка"));
    QCOMPARE(s.boxes().boxes.first().text, QString("Не выбрана организация"));
    QCOMPARE(s.rows(employeesSql), before);
    QCOMPARE(s.rows("SELECT COUNT(*) FROM companies WHERE Наименование='Бета'"), QList<QStringList>{{"0"}});
}

void TestRecordEditing::updateEmployeeStaysWithOrganisation()
{
    Session s;
    QVERIFY(seed(s));
    s.clickRow(s.companies(), "ООО Альфа");
    s.clickRow(s.personnel(), "Сидорова Анна");
    fill(s, {"Сидорова-Ким", "Анна", "", "ЗАО", "Другая", "", "П.П. Петров"});

    // The organisation fields typed over are said to be unused and show the stored organisation again.
    s.click("buttonUpdate");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.boxes().boxes.first().text, unusedOrganisation);
    QCOMPARE(s.form().mid(3, 2), (QStringList{"ООО", "Альфа"}));
    const QList<QStringList> rows = s.rows("SELECT * FROM personal WHERE Имя='Анна'");
    QCOMPARE(rows, (QList<QStringList>{{"ООО Альфа", "Сидорова-Ким", "Анна", "", "", "П.П. Петров", "03.02.2020",
                                        "сидорова-ким анна", "п.п. петров"}}));
    QCOMPARE(s.rows("SELECT Фамилия FROM personal WHERE id='ООО Альфа' ORDER BY Фамилия"),
             (QList<QStringList>{{"Иванов"}, {"Сидорова-Ким"}}));
    QCOMPARE(s.rows("SELECT COUNT(*) FROM companies"), QList<QStringList>{{"2"}});
    QCOMPARE(Session::selected(s.companies()), QStringList{"ООО Альфа"});
    QCOMPARE(Session::column(s.personnel()), (QStringList{"Иванов Иван Иванович", "Сидорова-Ким Анна"}));
    QCOMPARE(Session::column(s.personnel(), 1), (QStringList{"Директор П.П. Петров", "П.П. Петров"}));
    QCOMPARE(s.edit("lineEditComp")->text(), QString("Альфа"));

    // The updated employee is selected again: a second correction reaches it
    // and does not rename the organisation after the form.
    QCOMPARE(Session::selected(s.personnel()), QStringList{"Сидорова-Ким Анна"});
    s.retype("lineEditPatron", "Петровна");
    s.click("buttonUpdate");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.rows("SELECT Отчество FROM personal WHERE Имя='Анна'"), QList<QStringList>{{"Петровна"}});
    QCOMPARE(s.rows("SELECT Форма, Наименование FROM companies ORDER BY " + testsupport::rowOrder()),
             (QList<QStringList>{{"ООО", "Альфа"}, {"АО", "O'Neil"}}));
    QCOMPARE(Session::selected(s.personnel()), QStringList{"Сидорова-Ким Анна Петровна"});
}

void TestRecordEditing::updateOrganisationMovesEmployees()
{
    Session s;
    QVERIFY(seed(s));
    s.clickRow(s.companies(), "АО O'Neil");
    fill(s, {"", "", "", "АО", "O'Neil & Sons", "", ""});

    s.click("buttonUpdate");
    QVERIFY(s.boxes().boxes.isEmpty());
    QCOMPARE(s.rows("SELECT * FROM companies WHERE Форма='АО'"),
             (QList<QStringList>{{"АО", "O'Neil & Sons", "ао o'neil & sons"}}));
    QCOMPARE(s.rows("SELECT id FROM personal WHERE Фамилия='Смит'"), QList<QStringList>{{"АО O'Neil & Sons"}});
    QCOMPARE(s.rows("SELECT COUNT(*) FROM personal WHERE id='ООО Альфа'"), QList<QStringList>{{"2"}});
    QCOMPARE(Session::column(s.companies()), (QStringList{"АО O'Neil & Sons", "ООО Альфа"}));
    QVERIFY(Session::selected(s.companies()).isEmpty());
    QCOMPARE(s.personnel()->model()->columnCount(), 0);
    QCOMPARE(s.edit("lineEditComp")->text(), QString("O'Neil & Sons"));
}

void TestRecordEditing::updateOrganisationIsAllOrNothing()
{
    Session s;
    QVERIFY(seed(s));
    QVERIFY(s.refuse("keep_links", "personal", "UPDATE"));
    s.clickRow(s.companies(), "ООО Альфа");
    s.retype("lineEditComp", "Омега");

    s.click("buttonUpdate");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.boxes().boxes.first().text, QString("Ошибка обновления данных"));
    // The rename ran before moving the employees failed; it must have been undone.
    QCOMPARE(s.rows("SELECT Наименование FROM companies WHERE Форма='ООО'"), QList<QStringList>{{"Альфа"}});
    QCOMPARE(s.rows("SELECT COUNT(*) FROM personal WHERE id='ООО Альфа'"), QList<QStringList>{{"2"}});

    // The connection is usable again afterwards.
    QVERIFY(s.dropRefusal("keep_links", "personal"));
    s.clickRow(s.companies(), "ООО Альфа");
    s.retype("lineEditComp", "Омега");
    s.click("buttonUpdate");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.rows("SELECT COUNT(*) FROM personal WHERE id='ООО Омега'"), QList<QStringList>{{"2"}});
}

// Filters typed to find the organisation (company filter) and the employee (employee filters).
void TestRecordEditing::findThroughFilters_data(bool withEmployee)
{
    QTest::addColumn<QString>("companyFilter");
    QTest::addColumn<QString>("surnameFilter");
    QTest::addColumn<QString>("directorFilter");

    QTest::newRow("surname filter") << "" << "ива" << "";
    QTest::newRow("director filter") << "" << "" << "петров";
    QTest::newRow("all three filters") << "ооо" << "иван" << "директор";
    // Without a click on it the organisation's employees are listed only through an employee filter.
    if (!withEmployee)
        QTest::newRow("company filter") << "альф" << "" << "";
}

void TestRecordEditing::findThroughFilters(Session& s, const QStringList& employee)
{
    QFETCH(QString, companyFilter);
    QFETCH(QString, surnameFilter);
    QFETCH(QString, directorFilter);
    // A click (or a key) on the organisation would empty the company filter; a drag selects it and leaves the filter.
    if (companyFilter.isEmpty()) {
        s.clickRow(s.companies(), "ООО Альфа");
    } else {
        s.type("lineEditCompanyFilter", companyFilter);
        s.selectRowUnloaded(s.companies(), "ООО Альфа");
    }
    s.type("lineEditSunameFilter", surnameFilter);
    s.type("lineEditDirectorFilter", directorFilter);
    if (!employee.isEmpty())
        s.clickRow(s.personnel(), employee);
    QCOMPARE(Session::selected(s.companies()), QStringList{"ООО Альфа"});
    QCOMPARE(s.filters(), (QStringList{companyFilter, surnameFilter, directorFilter}));
}

void TestRecordEditing::updateFoundThroughFiltersUpdatesEmployee_data()
{
    findThroughFilters_data(true);
}

void TestRecordEditing::updateFoundThroughFiltersUpdatesEmployee()
{
    Session s;
    QVERIFY(seed(s));
    // Same full name twice; only the one that was found may change.
    QVERIFY(s.exec("INSERT INTO personal VALUES ('ООО Альфа','Иванов','Иван','Иванович','Инспектор','К.К. Котов',"
                   "'09.09.2019','иванов иван иванович','инспектор к.к. котов')"));
    findThroughFilters(s, {"Иванов Иван Иванович", "Директор П.П. Петров"});
    s.retype("lineEditPatron", "Ильич");
    s.retype("lineEditComp", "Альфа-Плюс");
    const QString othersQuery = "SELECT * FROM personal WHERE Дата_выдачи<>'01.02.2020' ORDER BY " + testsupport::rowOrder();
    const QList<QStringList> others = s.rows(othersQuery);

    s.click("buttonUpdate");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.boxes().boxes.first().text, unusedOrganisation);
    QCOMPARE(s.rows("SELECT id, Отчество, person FROM personal WHERE Дата_выдачи='01.02.2020'"),
             (QList<QStringList>{{"ООО Альфа", "Ильич", "иванов иван ильич"}}));
    QCOMPARE(s.rows(othersQuery), others);
    QCOMPARE(s.rows("SELECT * FROM companies ORDER BY " + testsupport::rowOrder()),
             (QList<QStringList>{{"ООО", "Альфа", "ооо альфа"}, {"АО", "O'Neil", "ао o'neil"}}));
    // As after any employee update: the organisation stays selected, its employees listed
    // unfiltered, the updated one selected.
    QCOMPARE(s.filters(), (QStringList{"", "", ""}));
    QCOMPARE(Session::column(s.companies()), (QStringList{"АО O'Neil", "ООО Альфа"}));
    QCOMPARE(Session::selected(s.companies()), QStringList{"ООО Альфа"});
    QCOMPARE(Session::column(s.personnel()),
             (QStringList{"Иванов Иван Иванович", "Иванов Иван Ильич", "Сидорова Анна"}));
    QCOMPARE(Session::selected(s.personnel()), QStringList{"Иванов Иван Ильич"});
    QCOMPARE(s.edit("lineEditComp")->text(), QString("Альфа"));
}

void TestRecordEditing::updateOrganisationFoundThroughFilter()
{
    Session s;
    QVERIFY(seed(s));
    s.type("lineEditCompanyFilter", "o'n");
    s.clickRow(s.companies(), "АО O'Neil");
    s.type("lineEditSunameFilter", "смит");
    s.retype("lineEditComp", "O'Neil Group");

    s.click("buttonUpdate");
    QVERIFY(s.boxes().boxes.isEmpty());
    QCOMPARE(s.rows("SELECT * FROM companies WHERE Форма='АО'"),
             (QList<QStringList>{{"АО", "O'Neil Group", "ао o'neil group"}}));
    QCOMPARE(s.rows("SELECT id FROM personal WHERE Фамилия='Смит'"), QList<QStringList>{{"АО O'Neil Group"}});
    QCOMPARE(s.filters(), (QStringList{"", "", ""}));
    QCOMPARE(Session::column(s.companies()), (QStringList{"АО O'Neil Group", "ООО Альфа"}));
    QVERIFY(Session::selected(s.companies()).isEmpty());
    QCOMPARE(s.personnel()->model()->columnCount(), 0);
}

void TestRecordEditing::confirmationMustBeAnswered()
{
    Session s;
    QVERIFY(seed(s));
    s.clickRow(s.companies(), "ООО Альфа");
    const QList<QStringList> before = s.rows(employeesSql);
    s.boxes().probeEscape = true;
    s.boxes().answers << no;

    s.click("buttonDeleteCompany");
    QCOMPARE(s.boxes().boxes.size(), 1);
    const recordtest::Box box = s.boxes().boxes.first();
    QCOMPARE(box.title, QString("Предупреждение"));
    QCOMPARE(box.text, QString("Внимание! Это действие нельзя отменить. Продолжить?"));
    QCOMPARE(box.buttons, (QStringList{yes, no}));
    QCOMPARE(box.defaultButton, no);
    QCOMPARE(box.icon, QMessageBox::Warning);
    QVERIFY(!box.hasParent);
    QVERIFY(box.survivedEscapeAndClose);
    QCOMPARE(s.rows(employeesSql), before);
    QCOMPARE(s.rows("SELECT COUNT(*) FROM companies"), QList<QStringList>{{"2"}});
    QCOMPARE(s.edit("lineEditComp")->text(), QString("Альфа"));
    QCOMPARE(Session::selected(s.companies()), QStringList{"ООО Альфа"});
}

void TestRecordEditing::deleteOrganisationRemovesEmployees()
{
    Session s;
    QVERIFY(seed(s));
    s.clickRow(s.companies(), "АО O'Neil");
    s.clickRow(s.personnel(), "Смит Джон");
    s.dateEdit()->setDate(QDate(2000, 1, 1));
    s.boxes().answers << yes;

    s.click("buttonDeleteCompany");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.rows("SELECT Наименование FROM companies"), QList<QStringList>{{"Альфа"}});
    QCOMPARE(s.rows("SELECT DISTINCT id FROM personal"), QList<QStringList>{{"ООО Альфа"}});
    QCOMPARE(Session::column(s.companies()), QStringList{"ООО Альфа"});
    QVERIFY(Session::selected(s.companies()).isEmpty());
    QCOMPARE(s.personnel()->model()->columnCount(), 0);
    QCOMPARE(s.form(), (QStringList{"", "", "", "", "", "", "", Session::today()}));

    // Nothing selected: the button cannot be pressed and the form keeps what is typed.
    fill(s, {"Иванов"});
    QVERIFY(!s.button("buttonDeleteCompany")->isEnabled());
    QCOMPARE(s.edit("lineEditSurname")->text(), QString("Иванов"));
}

void TestRecordEditing::deleteOrganisationGoesWhole_data()
{
    QTest::addColumn<QString>("table");

    QTest::newRow("organisation row refused") << "companies";
    QTest::newRow("employee rows refused") << "personal";
}

void TestRecordEditing::deleteOrganisationGoesWhole()
{
    QFETCH(QString, table);
    Session s;
    QVERIFY(seed(s));
    QVERIFY(s.refuse("keep", table, "DELETE"));
    const QList<QStringList> before = s.rows(employeesSql);
    s.clickRow(s.companies(), "ООО Альфа");
    s.boxes().answers << yes;

    s.click("buttonDeleteCompany");
    QCOMPARE(s.boxes().boxes.size(), 2);
    QCOMPARE(s.boxes().boxes.last().text, "Ошибка записи БД, таблица " + table);
    QCOMPARE(s.rows("SELECT COUNT(*) FROM companies"), QList<QStringList>{{"2"}});
    QCOMPARE(s.rows(employeesSql), before);

    QVERIFY(s.dropRefusal("keep", table));
    s.clickRow(s.companies(), "ООО Альфа");
    s.boxes().answers << yes;
    s.click("buttonDeleteCompany");
    QCOMPARE(s.boxes().boxes.size(), 3);
    QCOMPARE(s.rows("SELECT COUNT(*) FROM companies WHERE Наименование='Альфа'"), QList<QStringList>{{"0"}});
    QCOMPARE(s.rows("SELECT COUNT(*) FROM personal WHERE id='ООО Альфа'"), QList<QStringList>{{"0"}});
}

void TestRecordEditing::deleteEmployeeFoundThroughFilters_data()
{
    findThroughFilters_data(true);
}

void TestRecordEditing::deleteEmployeeFoundThroughFilters()
{
    Session s;
    QVERIFY(seed(s));
    findThroughFilters(s, {"Иванов Иван Иванович"});

    // "Нет" keeps both rows and the selections; the filters are empty by then.
    s.boxes().answers << no;
    s.click("buttonDeletePerson");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.rows("SELECT COUNT(*) FROM personal"), QList<QStringList>{{"3"}});
    QCOMPARE(s.filters(), (QStringList{"", "", ""}));
    QCOMPARE(Session::selected(s.companies()), QStringList{"ООО Альфа"});
    QCOMPARE(Session::selected(s.personnel()), QStringList{"Иванов Иван Иванович"});
    QCOMPARE(s.edit("lineEditSurname")->text(), QString("Иванов"));

    s.boxes().answers << yes;
    s.click("buttonDeletePerson");
    QCOMPARE(s.boxes().boxes.size(), 2);
    QCOMPARE(s.boxes().boxes.last().title, QString("Предупреждение"));
    QCOMPARE(s.rows("SELECT Фамилия FROM personal ORDER BY Фамилия"), (QList<QStringList>{{"Сидорова"}, {"Смит"}}));
    QCOMPARE(Session::column(s.companies()), (QStringList{"АО O'Neil", "ООО Альфа"}));
    QCOMPARE(Session::selected(s.companies()), QStringList{"ООО Альфа"});
    QCOMPARE(Session::column(s.personnel()), QStringList{"Сидорова Анна"});
    QCOMPARE(s.form(), (QStringList{"", "", "", "", "", "", "", Session::today()}));
}

void TestRecordEditing::deleteOrganisationFoundThroughFilters_data()
{
    findThroughFilters_data(false);
}

void TestRecordEditing::deleteOrganisationFoundThroughFilters()
{
    Session s;
    QVERIFY(seed(s));
    findThroughFilters(s, {});
    s.boxes().answers << yes;

    s.click("buttonDeleteCompany");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.boxes().boxes.first().title, QString("Предупреждение"));
    QCOMPARE(s.rows("SELECT Наименование FROM companies"), QList<QStringList>{{"O'Neil"}});
    QCOMPARE(s.rows("SELECT Фамилия FROM personal"), QList<QStringList>{{"Смит"}});
    QCOMPARE(s.filters(), (QStringList{"", "", ""}));
    QCOMPARE(Session::column(s.companies()), QStringList{"АО O'Neil"});
    QVERIFY(Session::selected(s.companies()).isEmpty());
    QCOMPARE(s.personnel()->model()->columnCount(), 0);
    QCOMPARE(s.form(), (QStringList{"", "", "", "", "", "", "", Session::today()}));
}

void TestRecordEditing::deleteWithNothingFoundRemovesNothing()
{
    Session s;
    QVERIFY(seed(s));
    const QList<QStringList> before = s.rows(employeesSql);
    s.clickRow(s.companies(), "ООО Альфа");
    s.clickRow(s.personnel(), "Иванов Иван Иванович");
    // The employee filter hides the selected employee: re-queried, nothing is selected.
    s.type("lineEditSunameFilter", "сид");
    s.type("lineEditCompanyFilter", "альф");
    QVERIFY(Session::selected(s.companies()).isEmpty());

    // Nothing selected: the delete buttons cannot be pressed, and what is
    // typed in the form stays.
    fill(s, {"Иванов"});
    for (const char* name : {"buttonDeletePerson", "buttonDeleteCompany"}) {
        QTest::mouseClick(s.button(name), Qt::LeftButton);
        QVERIFY2(!s.button(name)->isEnabled(), name);
    }
    QVERIFY(s.boxes().boxes.isEmpty());
    QCOMPARE(s.rows(employeesSql), before);
    QCOMPARE(s.rows("SELECT COUNT(*) FROM companies"), QList<QStringList>{{"2"}});
    QCOMPARE(s.form().first(), QString("Иванов"));
}

void TestRecordEditing::deleteEmployee()
{
    Session s;
    QVERIFY(seed(s));
    s.clickRow(s.companies(), "ООО Альфа");
    s.clickRow(s.personnel(), "Сидорова Анна");
    s.boxes().answers << yes;

    s.click("buttonDeletePerson");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.boxes().boxes.first().title, QString("Предупреждение"));
    QCOMPARE(s.rows("SELECT Фамилия FROM personal ORDER BY Фамилия"), (QList<QStringList>{{"Иванов"}, {"Смит"}}));
    QCOMPARE(Session::selected(s.companies()), QStringList{"ООО Альфа"});
    QCOMPARE(Session::column(s.personnel()), QStringList{"Иванов Иван Иванович"});
    QCOMPARE(s.form(), (QStringList{"", "", "", "", "", "", "", Session::today()}));
}

void TestRecordEditing::deleteEmployeeWithEmptyNameAndDirector()
{
    Session s;
    QVERIFY(seed(s));
    s.clickRow(s.companies(), "ООО Альфа");
    s.clickRow(s.personnel(), "Сидорова Анна");
    fill(s, {});
    s.click("buttonUpdate");
    QCOMPARE(Session::column(s.personnel()), (QStringList{"", "Иванов Иван Иванович"}));

    s.clickRow(s.personnel(), "");
    s.boxes().answers << yes;
    s.click("buttonDeletePerson");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QVERIFY(s.boxes().boxes.first().text.startsWith("Внимание!"));
    QCOMPARE(s.rows("SELECT Фамилия FROM personal WHERE id='ООО Альфа'"), QList<QStringList>{{"Иванов"}});
    QCOMPARE(Session::column(s.personnel()), QStringList{"Иванов Иван Иванович"});
}

void TestRecordEditing::saveSelectsEmployeeOfSelectedOrganisation_data()
{
    QTest::addColumn<QString>("organisation");
    QTest::addColumn<QStringList>("selectedCompany");
    QTest::addColumn<QStringList>("selectedPerson");

    QTest::newRow("into the selected organisation") << "Альфа" << QStringList{"ООО Альфа"}
                                                    << QStringList{"Петров Иван Иванович"};
    QTest::newRow("into another organisation") << "Бета" << QStringList() << QStringList();
}

// Saved into the organisation the operator works in, the new employee is what
// the form shows and what the next "Обновить" must change.
void TestRecordEditing::saveSelectsEmployeeOfSelectedOrganisation()
{
    QFETCH(QString, organisation);
    QFETCH(QStringList, selectedCompany);
    QFETCH(QStringList, selectedPerson);
    Session s;
    QVERIFY(seed(s));
    s.clickRow(s.companies(), "ООО Альфа");
    s.clickRow(s.personnel(), "Иванов Иван Иванович");
    s.retype("lineEditSurname", "Петров");
    s.retype("lineEditComp", organisation);

    s.click("buttonSave");
    QVERIFY(s.boxes().boxes.isEmpty());
    QCOMPARE(Session::selected(s.companies()), selectedCompany);
    QCOMPARE(Session::selected(s.personnel()), selectedPerson);
    if (selectedPerson.isEmpty())
        return;
    s.retype("lineEditPatron", "Ильич");
    s.click("buttonUpdate");
    QCOMPARE(s.rows("SELECT Фамилия, Отчество FROM personal WHERE Имя='Иван' ORDER BY Фамилия"),
             (QList<QStringList>{{"Иванов", "Иванович"}, {"Петров", "Ильич"}}));
}

void TestRecordEditing::employeeClickAfterDeleteFillsOrganisation()
{
    Session s;
    QVERIFY(seed(s));
    s.clickRow(s.companies(), "ООО Альфа");
    s.clickRow(s.personnel(), "Сидорова Анна");
    s.boxes().answers << yes;
    s.click("buttonDeletePerson");
    QCOMPARE(s.edit("lineEditComp")->text(), QString());

    s.clickRow(s.personnel(), "Иванов Иван Иванович");
    QCOMPARE(s.form(), (QStringList{"Иванов", "Иван", "Иванович", "ООО", "Альфа", "Директор", "П.П. Петров",
                                    "01.02.2020"}));
    QVERIFY(s.button("buttonPrint")->isEnabled());
    QVERIFY(s.button("buttonView")->isEnabled());
}

// "Зайцев " and "Зайцев" are one person; rows stored earlier stay as they are.
void TestRecordEditing::blanksAroundFieldsAreNotStored()
{
    Session s;
    QVERIFY(seed(s));
    QVERIFY(s.exec("UPDATE personal SET Имя='Анна ' WHERE Фамилия='Сидорова'"));
    fill(s, {" Зайцев ", " Заур", "", " ООО", "Альфа  ", "Директор ", " П.П. Петров"});
    s.click("buttonSave");
    QVERIFY(s.boxes().boxes.isEmpty());
    fill(s, {"Зайцев", "Заур", "", "ООО", "Альфа", "Директор", "П.П. Петров"});
    s.click("buttonSave");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.boxes().boxes.first().text, QString("Такая запись уже есть"));
    QCOMPARE(s.rows("SELECT * FROM personal WHERE Имя='Заур'"),
             (QList<QStringList>{{"ООО Альфа", "Зайцев", "Заур", "", "Директор", "П.П. Петров", Session::today(),
                                  "зайцев заур", "директор п.п. петров"}}));
    QCOMPARE(s.rows("SELECT COUNT(*) FROM companies"), QList<QStringList>{{"2"}});

    s.clickRow(s.companies(), "ООО Альфа");
    s.clickRow(s.personnel(), "Зайцев Заур");
    s.retype("lineEditName", " Захар ");
    s.retype("lineEditDir", "П.П. Петров  ");
    s.click("buttonUpdate");
    QCOMPARE(s.rows("SELECT Имя, Руководитель, person FROM personal WHERE Фамилия='Зайцев'"),
             (QList<QStringList>{{"Захар", "П.П. Петров", "зайцев захар"}}));
    QCOMPARE(s.rows("SELECT Имя FROM personal WHERE Фамилия='Сидорова'"), QList<QStringList>{{"Анна "}});

    s.clickRow(s.companies(), "АО O'Neil");
    s.retype("lineEditComp", " O'Neil Group ");
    s.click("buttonUpdate");
    QCOMPARE(s.rows("SELECT * FROM companies WHERE Форма='АО'"),
             (QList<QStringList>{{"АО", "O'Neil Group", "ао o'neil group"}}));
    QCOMPARE(s.rows("SELECT id FROM personal WHERE Фамилия='Смит'"), QList<QStringList>{{"АО O'Neil Group"}});
}

void TestRecordEditing::confirmationNamesWhatGoes_data()
{
    QTest::addColumn<QString>("organisation");
    QTest::addColumn<QString>("employee");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("informative");

    QTest::newRow("organisation") << "ООО Альфа" << "" << "buttonDeleteCompany"
                                  << "Будет удалена организация «ООО Альфа», вместе с ней сотрудников: 2.";
    QTest::newRow("organisation of one") << "АО O'Neil" << "Смит Джон" << "buttonDeleteCompany"
                                         << "Будет удалена организация «АО O'Neil», вместе с ней сотрудников: 1.";
    QTest::newRow("employee") << "ООО Альфа" << "Сидорова Анна" << "buttonDeletePerson"
                              << "Будет удалён сотрудник «Сидорова Анна» организации «ООО Альфа».";
}

void TestRecordEditing::confirmationNamesWhatGoes()
{
    QFETCH(QString, organisation);
    QFETCH(QString, employee);
    QFETCH(QString, button);
    QFETCH(QString, informative);
    Session s;
    QVERIFY(seed(s));
    s.clickRow(s.companies(), organisation);
    if (!employee.isEmpty())
        s.clickRow(s.personnel(), employee);
    const QList<QStringList> before = s.rows(employeesSql);
    s.boxes().answers << no;

    s.click(button);
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.boxes().boxes.first().text, QString("Внимание! Это действие нельзя отменить. Продолжить?"));
    QCOMPARE(s.boxes().boxes.first().informative, informative);
    QCOMPARE(s.rows(employeesSql), before);
}

void TestRecordEditing::shortcutsSaveAndFindOrganisation()
{
    Session s;
    QVERIFY(s.start());
    s.window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&s.window()));
    // Disabled with the form empty, the save button ignores its shortcut too.
    QTest::keyClick(&s.window(), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(s.rows("SELECT COUNT(*) FROM personal"), QList<QStringList>{{"0"}});

    fill(s, {"Зайцев", "Заур", "", "ООО", "Вега", "Директор", "В.В. Волков"});
    QTest::keyClick(s.edit("lineEditDir"), Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(s.rows("SELECT Фамилия, id FROM personal"), (QList<QStringList>{{"Зайцев", "ООО Вега"}}));
    QCOMPARE(s.button("buttonSave")->text(), QString("Сохранить"));

    QTest::keyClick(s.edit("lineEditDir"), Qt::Key_F, Qt::ControlModifier);
    QVERIFY(s.edit("lineEditCompanyFilter")->hasFocus());
    s.type("lineEditCompanyFilter", "вег");
    QCOMPARE(Session::column(s.companies()), QStringList{"ООО Вега"});
    QVERIFY(s.boxes().boxes.isEmpty());
}

void TestRecordEditing::hiddenCharactersAreNotStored_data()
{
    QTest::addColumn<QString>("hidden");
    QTest::newRow("right-to-left override") << QString(QChar(0x202E));
    QTest::newRow("zero-width space") << QString(QChar(0x200B));
    QTest::newRow("soft hyphen") << QString(QChar(0x00AD));
    QTest::newRow("byte order mark") << QString(QChar(0xFEFF));
    QTest::newRow("tag letter outside the basic plane") << QString::fromUcs4(U"\U000E0041");
    QTest::newRow("escape") << QString(QChar(0x1B));
}

// Pasted names keep no character that hides or reverses letters, on save
// and on both kinds of update.
void TestRecordEditing::hiddenCharactersAreNotStored()
{
    QFETCH(QString, hidden);
    Session s;
    QVERIFY(seed(s));
    const QStringList names{"lineEditSurname", "lineEditName",    "lineEditPatron", "lineEditForm",
                            "lineEditComp",    "lineEditDirPost", "lineEditDir"};
    const QStringList texts{"Зайцев", "Заур", "Красный", "ООО", "Вега", "Директор", "П.П. Петров"};
    for (int i = 0; i < names.size(); ++i)
        s.edit(names.at(i))->setText(texts.at(i).left(2) + hidden + texts.at(i).mid(2) + hidden);
    s.click("buttonSave");
    QVERIFY(s.boxes().boxes.isEmpty());
    QCOMPARE(s.rows("SELECT * FROM personal WHERE id='ООО Вега'"),
             (QList<QStringList>{{"ООО Вега", "Зайцев", "Заур", "Красный", "Директор", "П.П. Петров", Session::today(),
                                  "зайцев заур красный", "директор п.п. петров"}}));
    QCOMPARE(s.rows("SELECT * FROM companies WHERE Наименование='Вега'"),
             (QList<QStringList>{{"ООО", "Вега", "ооо вега"}}));

    s.clickRow(s.companies(), "ООО Вега");
    s.clickRow(s.personnel(), "Зайцев Заур Красный");
    s.edit("lineEditName")->setText(hidden + "Захар");
    s.click("buttonUpdate");
    QCOMPARE(s.rows("SELECT Имя, person FROM personal WHERE id='ООО Вега'"),
             (QList<QStringList>{{"Захар", "зайцев захар красный"}}));

    s.clickRow(s.companies(), "ООО Вега");
    s.edit("lineEditComp")->setText("Ве" + hidden + "га Плюс");
    s.click("buttonUpdate");
    QCOMPARE(s.rows("SELECT name FROM companies WHERE Форма='ООО' AND name LIKE '%вега%'"),
             QList<QStringList>{{"ооо вега плюс"}});
    QCOMPARE(s.rows("SELECT id FROM personal WHERE Фамилия='Зайцев'"), QList<QStringList>{{"ООО Вега Плюс"}});
}

QTEST_MAIN(TestRecordEditing)
#include "tst_recordediting.moc"
