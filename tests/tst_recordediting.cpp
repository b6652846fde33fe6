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
    void formGapsGateSaveAndPrint_data();
    void formGapsGateSaveAndPrint();
    void saveWritesBothRowsAndKeepsForm();
    void saveReusesOrganisationAndRefusesDuplicate();
    void saveWithStraySpacesKeepsEmployeeReachable();
    void saveStopsWhenACheckFails_data();
    void saveStopsWhenACheckFails();
    void updateNeedsOrganisation();
    void updateEmployeeStaysWithOrganisation();
    void updateOrganisationMovesEmployees();
    void updateOrganisationIsAllOrNothing();
    void updateWithFilterTextUpdatesOrganisation();
    void confirmationMustBeAnswered();
    void deleteOrganisationRemovesEmployees();
    void deleteWhileFilterHoldsTextRemovesNothing();
    void deleteEmployee();
    void deleteEmployeeWithEmptyNameAndDirector();

private:
    static bool seed(Session& s);
    static void fill(Session& s, const QStringList& texts);
};

namespace {

const QString yes = QStringLiteral("Да");
const QString no = QStringLiteral("Нет");
const QString employeesSql = QStringLiteral("SELECT * FROM personal ORDER BY Фамилия, Дата_выдачи");

} // namespace

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
    for (const char* name :
         {"buttonUpdate", "buttonClear", "buttonParams", "buttonDeleteCompany", "buttonDeletePerson"}) {
        QVERIFY2(s.button(name)->isEnabled(), name);
    }
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
    fill(s, {"Иванов", "Иван", "Иванович", "ооо", "АЛЬФА", "Директор", "П.П. Петров"});
    s.dateEdit()->setDate(QDate(2020, 2, 1));

    // Same organisation by its lower-case text, but employees link by the exact text.
    s.click("buttonSave");
    QVERIFY(s.boxes().boxes.isEmpty());
    QCOMPARE(s.rows("SELECT COUNT(*) FROM companies"), QList<QStringList>{{"2"}});
    QCOMPARE(s.rows("SELECT COUNT(*) FROM personal WHERE id='ооо АЛЬФА'"), QList<QStringList>{{"1"}});

    s.click("buttonSave");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.boxes().boxes.first().title, QString("Ошибка"));
    QCOMPARE(s.boxes().boxes.first().text, QString("Такая запись уже есть"));
    QCOMPARE(s.rows("SELECT COUNT(*) FROM personal"), QList<QStringList>{{"4"}});

    s.dateEdit()->setDate(QDate(2020, 2, 2));
    s.click("buttonSave");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.rows("SELECT COUNT(*) FROM personal"), QList<QStringList>{{"5"}});
}

void TestRecordEditing::saveWithStraySpacesKeepsEmployeeReachable()
{
    Session s;
    QVERIFY(s.start());
    fill(s, {"Петров", "Пётр", "", " ООО", "Вега ", "Директор", "В.В. Волков"});
    s.click("buttonSave");
    QCOMPARE(s.rows("SELECT id, Форма, Наименование FROM personal, companies"),
             (QList<QStringList>{{"ООО Вега", " ООО", "Вега "}}));

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

    s.click("buttonUpdate");
    QVERIFY(s.boxes().boxes.isEmpty());
    const QList<QStringList> rows = s.rows("SELECT * FROM personal WHERE Имя='Анна'");
    QCOMPARE(rows, (QList<QStringList>{{"ООО Альфа", "Сидорова-Ким", "Анна", "", "", "П.П. Петров", "03.02.2020",
                                        "сидорова-ким анна", "п.п. петров"}}));
    QCOMPARE(s.rows("SELECT Фамилия FROM personal WHERE id='ООО Альфа' ORDER BY Фамилия"),
             (QList<QStringList>{{"Иванов"}, {"Сидорова-Ким"}}));
    QCOMPARE(s.rows("SELECT COUNT(*) FROM companies"), QList<QStringList>{{"2"}});
    QCOMPARE(Session::selected(s.companies()), QStringList{"ООО Альфа"});
    QCOMPARE(Session::column(s.personnel()), (QStringList{"Иванов Иван Иванович", "Сидорова-Ким Анна"}));
    QCOMPARE(Session::column(s.personnel(), 1), (QStringList{"Директор П.П. Петров", "П.П. Петров"}));
    QVERIFY(Session::selected(s.personnel()).isEmpty());
    QCOMPARE(s.edit("lineEditComp")->text(), QString("Другая"));
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
    QVERIFY(s.exec("CREATE TRIGGER keep_links BEFORE UPDATE ON personal BEGIN SELECT RAISE(ABORT, 'locked'); END"));
    s.clickRow(s.companies(), "ООО Альфа");
    s.retype("lineEditComp", "Омега");

    s.click("buttonUpdate");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.boxes().boxes.first().text, QString("Ошибка обновления данных"));
    // The rename ran before moving the employees failed; it must have been undone.
    QCOMPARE(s.rows("SELECT Наименование FROM companies WHERE Форма='ООО'"), QList<QStringList>{{"Альфа"}});
    QCOMPARE(s.rows("SELECT COUNT(*) FROM personal WHERE id='ООО Альфа'"), QList<QStringList>{{"2"}});

    // The connection is usable again afterwards.
    QVERIFY(s.exec("DROP TRIGGER keep_links"));
    s.clickRow(s.companies(), "ООО Альфа");
    s.retype("lineEditComp", "Омега");
    s.click("buttonUpdate");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.rows("SELECT COUNT(*) FROM personal WHERE id='ООО Омега'"), QList<QStringList>{{"2"}});
}

void TestRecordEditing::updateWithFilterTextUpdatesOrganisation()
{
    Session s;
    QVERIFY(seed(s));
    s.clickRow(s.companies(), "ООО Альфа");
    s.type("lineEditSunameFilter", "ива");
    s.clickRow(s.personnel(), "Иванов Иван Иванович");
    s.retype("lineEditComp", "Альфа-Плюс");

    // Emptying the filter re-queries the employees and drops the selected one.
    s.click("buttonUpdate");
    QVERIFY(s.boxes().boxes.isEmpty());
    QCOMPARE(s.rows("SELECT name FROM companies WHERE Форма='ООО'"), QList<QStringList>{{"ооо альфа-плюс"}});
    QCOMPARE(s.rows("SELECT DISTINCT id FROM personal WHERE Фамилия<>'Смит'"), QList<QStringList>{{"ООО Альфа-Плюс"}});
    QCOMPARE(s.rows("SELECT Фамилия FROM personal WHERE Имя='Иван'"), QList<QStringList>{{"Иванов"}});
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
    QCOMPARE(box.defaultButton, yes);
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

    // Nothing selected: only the form is cleared.
    fill(s, {"Иванов"});
    s.click("buttonDeleteCompany");
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.edit("lineEditSurname")->text(), QString());
    QCOMPARE(s.rows("SELECT COUNT(*) FROM personal"), QList<QStringList>{{"2"}});
}

void TestRecordEditing::deleteWhileFilterHoldsTextRemovesNothing()
{
    Session s;
    QVERIFY(seed(s));
    const QList<QStringList> before = s.rows(employeesSql);
    s.clickRow(s.companies(), "ООО Альфа");
    s.clickRow(s.personnel(), "Иванов Иван Иванович");
    s.type("lineEditDirectorFilter", "петров");
    s.clickRow(s.personnel(), "Иванов Иван Иванович");

    s.click("buttonDeletePerson");
    QVERIFY(s.boxes().boxes.isEmpty());
    QCOMPARE(s.rows(employeesSql), before);

    s.type("lineEditCompanyFilter", "альф");
    s.companies()->selectRow(0);
    s.click("buttonDeleteCompany");
    QVERIFY(s.boxes().boxes.isEmpty());
    QCOMPARE(s.rows(employeesSql), before);
    QCOMPARE(s.rows("SELECT COUNT(*) FROM companies"), QList<QStringList>{{"2"}});
    QCOMPARE(s.form(), (QStringList{"", "", "", "", "", "", "", Session::today()}));
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

QTEST_MAIN(TestRecordEditing)
#include "tst_recordediting.moc"
