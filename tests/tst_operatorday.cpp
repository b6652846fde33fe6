#include "recordwindow.h"

#include "card/preview.h"
#include "journal/journalwindow.h"
#include "util/dialogfolder.h"

#include <QFileDialog>
#include <QLabel>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using recordtest::Person;
using recordtest::Session;

// A working day at the main window, driven by keys and clicks: renames that
// would merge organisations, the delete buttons, the ways the keyboard takes,
// the director taken from the organisation and where the file dialogs open.
class TestOperatorDay : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void renameOntoAnotherOrganisationIsRefused_data();
    void renameOntoAnotherOrganisationIsRefused();
    void deleteButtonsFollowSelection();
    void enterHeldOnDeleteConfirmationDeletesNothing();
    void tabLeavesListsWithoutLoading();
    void registerKeysAndColumns();
    void shortcutsClickTheirButtons();
    void digitsTypedAfterClickSetDate();
    void organisationClickFillsLatestDirector();
    void saveTooltipNamesMissingFields_data();
    void saveTooltipNamesMissingFields();
    void fileDialogsOpenInDocumentsThenLastFolder();
    void previewFitsScreenHeight_data();
    void previewFitsScreenHeight();

private:
    static bool seed(Session& s);
    QTemporaryDir m_home;
};

namespace {

const QString companiesSql = QStringLiteral("SELECT Форма, Наименование, name FROM companies ORDER BY name");
const QString employeesSql = QStringLiteral("SELECT id, Фамилия FROM personal ORDER BY Фамилия");

// Answers the file dialog that opens next with fileName, or cancels it when
// fileName is empty; *folder gets the folder it opened in.
void answerFileDialog(const QString& fileName, QString* folder)
{
    QTimer::singleShot(20, [fileName, folder] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return answerFileDialog(fileName, folder);
        *folder = dialog->directory().absolutePath();
        if (!fileName.isEmpty())
            dialog->selectFile(fileName);
        fileName.isEmpty() ? dialog->reject() : static_cast<QDialog*>(dialog)->accept();
    });
}

} // namespace

void TestOperatorDay::initTestCase()
{
    REQUIRE_TEST_ENGINE();
    // The documents folder of an operator whose home is this folder.
    QVERIFY(m_home.isValid() && QDir(m_home.path()).mkpath("Documents"));
    qputenv("HOME", QFile::encodeName(m_home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home.filePath(".config")));
}

void TestOperatorDay::cleanup()
{
    QVERIFY(!QApplication::activeModalWidget());
    dialogfolder::forget();
}

bool TestOperatorDay::seed(Session& s)
{
    const QList<Person> people{
        {"ЧОО Щит", "Жуков", "Иван", "", "Директор", "П.П. Петров", "01.02.2020"},
        {"ЧОО Щит", "Ким", "Анна", "", "Генеральный директор", "С.С. Смирнов", "03.02.2020"},
        {"ЧОП Барс Охрана", "Бетов", "Борис", "", "Директор", "Б.Б. Бетов", "10.10.2019"},
    };
    return s.seed({{"ЧОО", "Щит"}, {"ЧОП", "Барс Охрана"}}, people) && s.start();
}

void TestOperatorDay::renameOntoAnotherOrganisationIsRefused_data()
{
    QTest::addColumn<QString>("form");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("refused");
    QTest::newRow("the other's very name") << "ЧОП" << "Барс Охрана" << true;
    QTest::newRow("other letter case") << "чоп" << "БАРС охрана" << true;
    QTest::newRow("blanks doubled and around") << " ЧОП " << "Барс   Охрана" << true;
    QTest::newRow("its own name in capitals") << "ЧОО" << "ЩИТ" << false;
}

void TestOperatorDay::renameOntoAnotherOrganisationIsRefused()
{
    QFETCH(QString, form);
    QFETCH(QString, name);
    QFETCH(bool, refused);
    Session s;
    QVERIFY(seed(s));
    const QList<QStringList> companies = s.rows(companiesSql);
    const QList<QStringList> employees = s.rows(employeesSql);
    s.clickRow(s.companies(), "ЧОО Щит");
    s.retype("lineEditForm", form);
    s.retype("lineEditComp", name);

    s.click("buttonUpdate");
    if (!refused) {
        QVERIFY(s.boxes().boxes.isEmpty());
        QCOMPARE(s.rows("SELECT COUNT(*) FROM personal WHERE id='" + QString(form + ' ' + name).trimmed() + "'"),
                 QList<QStringList>{{"2"}});
        return;
    }
    QCOMPARE(s.boxes().boxes.size(), 1);
    QCOMPARE(s.boxes().boxes.first().text,
             QString("Организация «ЧОП Барс Охрана» уже есть. Объединить нельзя: выберите другое название."));
    QCOMPARE(s.rows(companiesSql), companies);
    QCOMPARE(s.rows(employeesSql), employees);
}

void TestOperatorDay::deleteButtonsFollowSelection()
{
    Session s;
    QVERIFY(seed(s));
    QPushButton* company = s.button("buttonDeleteCompany");
    QPushButton* person = s.button("buttonDeletePerson");
    QCOMPARE(company->toolTip(), QString("Удалить выбранную организацию"));
    QCOMPARE(person->toolTip(), QString("Удалить выбранного сотрудника"));
    QVERIFY(!company->isEnabled() && !person->isEnabled() && !s.button("buttonBatch")->isEnabled());
    s.clickRow(s.companies(), "ЧОО Щит");
    QVERIFY(company->isEnabled() && !person->isEnabled() && s.button("buttonBatch")->isEnabled());
    s.clickRow(s.personnel(), "Ким Анна");
    QVERIFY(person->isEnabled());
    // A filter reads the list anew, which drops the selection silently.
    s.type("lineEditCompanyFilter", "щ");
    QVERIFY(Session::selected(s.companies()).isEmpty());
    QVERIFY(!company->isEnabled() && !person->isEnabled() && !s.button("buttonBatch")->isEnabled());
}

void TestOperatorDay::enterHeldOnDeleteConfirmationDeletesNothing()
{
    Session s;
    QVERIFY(seed(s));
    const QList<QStringList> employees = s.rows(employeesSql);
    s.clickRow(s.companies(), "ЧОО Щит");
    s.clickRow(s.personnel(), "Ким Анна");
    s.boxes().passive = true;
    bool pressed = false;
    // Enter held down: the first press answers the box, the repeats go where the focus is then.
    QTimer::singleShot(50, [&pressed] {
        for (int i = 0; i < 5; ++i) {
            QWidget* target = QApplication::activeModalWidget() ? QApplication::activeModalWidget()
                                                                : QApplication::focusWidget();
            if (target)
                QTest::keyClick(target, Qt::Key_Return, Qt::NoModifier);
        }
        pressed = true;
    });
    s.click("buttonDeletePerson");
    QTRY_VERIFY(pressed);
    QCOMPARE(s.rows(employeesSql), employees);
    QCOMPARE(s.form().first(), QString("Ким"));
}

void TestOperatorDay::tabLeavesListsWithoutLoading()
{
    Session s;
    QVERIFY(seed(s));
    s.clickRow(s.companies(), "ЧОО Щит");
    s.clickRow(s.personnel(), "Жуков Иван");
    const QStringList form = s.form();
    s.companies()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(s.companies(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), s.personnel());
    QTest::keyClick(s.personnel(), Qt::Key_Tab);
    QVERIFY(QApplication::focusWidget() != s.personnel());
    s.companies()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(s.companies(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(s.button("buttonDeletePerson")));
    QCOMPARE(Session::selected(s.companies()), QStringList{"ЧОО Щит"});
    QCOMPARE(Session::selected(s.personnel()), QStringList{"Жуков Иван"});
    QCOMPARE(s.form(), form);
}

void TestOperatorDay::registerKeysAndColumns()
{
    Session s;
    QVERIFY(seed(s));
    for (const char* number : {"1", "2"}) {
        QVERIFY(s.exec(QString("INSERT INTO cards VALUES (%1, '2024-03-15T10:20:30+03:00', 'ЧОО Щит', 'Жуков', "
                               "'Иван', '', 'Директор', 'П.П. Петров', '15.03.2024', 'принтер', 'оператор', "
                               "'issued', '', 'ЧОО', 'Щит', 'чоо щит', 'жуков иван')").arg(number)));
    }
    QTest::keyClick(&s.window(), Qt::Key_J, Qt::ControlModifier);
    auto* journal = s.window().findChild<JournalWindow*>();
    QVERIFY(journal && journal->isVisible());
    auto* table = journal->findChild<QTableView*>("tableViewCards");
    QHeaderView* header = table->horizontalHeader();
    // The status stands beside the number, in view, and every column is as wide as its texts.
    QCOMPARE(header->visualIndex(11), 1);
    QVERIFY(header->sectionViewportPosition(11) + header->sectionSize(11) <= table->viewport()->width());
    for (int column = 0; column < header->count() - 1; ++column) {
        const QString text = table->model()->index(0, column).data().toString();
        QVERIFY2(header->sectionSize(column) > table->fontMetrics().horizontalAdvance(text), qPrintable(text));
    }

    table->selectRow(0);
    table->setFocus(Qt::TabFocusReason);
    QTest::keyClick(table, Qt::Key_Tab);
    QCOMPARE(table->selectionModel()->selectedRows().size(), 1);
    QCOMPARE(table->selectionModel()->selectedRows().first().row(), 0);
    QCOMPARE(journal->focusWidget(), static_cast<QWidget*>(journal->findChild<QPushButton*>("buttonSpoiled")));
    QApplication::setActiveWindow(journal);
    QTest::keyClick(journal->focusWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!s.window().findChild<JournalWindow*>());
}

void TestOperatorDay::shortcutsClickTheirButtons()
{
    Session s;
    QVERIFY(seed(s));
    const QList<QPair<QString, QString>> tips{{"buttonView", "Ctrl+Shift+P"},
                                               {"buttonJournal", "Ctrl+J"},
                                               {"buttonBatch", "Ctrl+B"},
                                               {"buttonImport", "Ctrl+I"}};
    for (const auto& tip : tips)
        QVERIFY2(s.button(tip.first)->toolTip().endsWith("(" + tip.second + ")"), qPrintable(tip.first));

    s.clickRow(s.companies(), "ЧОО Щит");
    s.clickRow(s.personnel(), "Жуков Иван");
    QTest::keyClick(&s.window(), Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
    QWidget* preview = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->windowTitle().startsWith(QStringLiteral("Просмотр")))
            preview = widget;
    }
    QVERIFY2(preview, "Ctrl+Shift+P opens the preview");
    delete preview;
    QApplication::setActiveWindow(&s.window());
    QTest::keyClick(&s.window(), Qt::Key_B, Qt::ControlModifier);
    QWidget* batch = s.window().findChild<QDialog*>();
    QVERIFY2(batch && batch->isVisible(), "Ctrl+B opens the batch window");
    batch->close();
    QString folder;
    answerFileDialog(QString(), &folder);
    QApplication::setActiveWindow(&s.window());
    QTest::keyClick(&s.window(), Qt::Key_I, Qt::ControlModifier);
    QTRY_VERIFY2(!folder.isEmpty(), "Ctrl+I opens the file dialog of the import");
}

void TestOperatorDay::digitsTypedAfterClickSetDate()
{
    Session s;
    QVERIFY(s.start());
    QDateEdit* date = s.dateEdit();
    date->setDate(QDate(2020, 1, 1));
    QLineEdit* text = date->findChild<QLineEdit*>();
    QVERIFY(text);
    // A click on the day, then on the year, each followed by digits.
    const int middle = text->height() / 2;
    QTest::mouseClick(text, Qt::LeftButton, Qt::NoModifier,
                      QPoint(text->fontMetrics().horizontalAdvance(QLatin1Char('0')), middle));
    QTest::keyClicks(text, "15");
    QCOMPARE(date->date(), QDate(2020, 1, 15));
    const int year = text->fontMetrics().horizontalAdvance("01.01.20");
    QTest::mouseClick(text, Qt::LeftButton, Qt::NoModifier, QPoint(year, middle));
    QTest::keyClicks(text, "2024");
    QCOMPARE(date->date(), QDate(2024, 1, 15));
}

void TestOperatorDay::organisationClickFillsLatestDirector()
{
    Session s;
    QVERIFY(seed(s));
    s.clickRow(s.companies(), "ЧОО Щит");
    QCOMPARE(s.form().mid(5, 2), (QStringList{"Генеральный директор", "С.С. Смирнов"}));
    // A new employee saved with another director: that director comes next time.
    s.type("lineEditSurname", "Орлов");
    s.retype("lineEditDirPost", "Президент");
    s.retype("lineEditDir", "Н.Н. Новиков");
    s.click("buttonSave");
    QVERIFY(s.boxes().boxes.isEmpty());
    s.clickRow(s.companies(), "ЧОП Барс Охрана");
    QCOMPARE(s.form().mid(5, 2), (QStringList{"Директор", "Б.Б. Бетов"}));
    s.clickRow(s.companies(), "ЧОО Щит");
    QCOMPARE(s.form().mid(3, 4), (QStringList{"ЧОО", "Щит", "Президент", "Н.Н. Новиков"}));
    // With the employee's name typed, the record can be saved at once.
    s.type("lineEditSurname", "Сёмин");
    QVERIFY(s.button("buttonSave")->isEnabled());
}

void TestOperatorDay::saveTooltipNamesMissingFields_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QString>("tooltip");
    const QString start = QStringLiteral("Чтобы сохранить, заполните: ");
    QTest::newRow("empty form") << QStringList{"", "", "", "", "", "", ""}
                                << start + "фамилия, имя или отчество сотрудника; наименование организации; "
                                           "должность или фамилия руководителя";
    QTest::newRow("director missing") << QStringList{"Жуков", "", "", "", "Щит", "", ""}
                                      << start + "должность или фамилия руководителя";
    QTest::newRow("everything there") << QStringList{"Жуков", "", "", "ЧОО", "", "Директор", ""} << QString();
}

void TestOperatorDay::saveTooltipNamesMissingFields()
{
    QFETCH(QStringList, texts);
    QFETCH(QString, tooltip);
    Session s;
    QVERIFY(s.start());
    const QStringList names{"lineEditSurname", "lineEditName",    "lineEditPatron", "lineEditForm",
                            "lineEditComp",    "lineEditDirPost", "lineEditDir"};
    for (int i = 0; i < names.size(); ++i)
        s.retype(names.at(i), texts.at(i));
    QCOMPARE(s.button("buttonSave")->toolTip(), tooltip);
    QCOMPARE(s.button("buttonSave")->isEnabled(), tooltip.isEmpty());
}

void TestOperatorDay::fileDialogsOpenInDocumentsThenLastFolder()
{
    Session s;
    QVERIFY(s.start());
    const QString documents = QDir(m_home.filePath("Documents")).absolutePath();
    QTest::keyClick(&s.window(), Qt::Key_J, Qt::ControlModifier);
    auto* journal = s.window().findChild<JournalWindow*>();
    QVERIFY(journal);
    QVERIFY(QDir(m_home.path()).mkpath("выгрузки"));
    const QString target = QDir(m_home.filePath("выгрузки")).absoluteFilePath("журнал.csv");
    QString folder;
    answerFileDialog(target, &folder);
    QTest::mouseClick(journal->findChild<QPushButton*>("buttonExport"), Qt::LeftButton);
    QTRY_COMPARE(folder, documents);
    QVERIFY(QFile::exists(target));
    QCOMPARE(journal->findChild<QLabel*>("labelStatus")->text(),
             QString("Выгружено строк журнала: 0 в файл «%1».").arg(target));
    journal->close();

    folder.clear();
    answerFileDialog(QString(), &folder);
    s.click("buttonImport");
    QTRY_COMPARE(folder, QFileInfo(target).absolutePath());
}

void TestOperatorDay::previewFitsScreenHeight_data()
{
    QTest::addColumn<int>("screenWidth");
    QTest::addColumn<int>("availableHeight");
    QTest::addColumn<QSize>("size");
    QTest::newRow("1366x768 with room") << 1366 << 728 << QSize(341, 434);
    QTest::newRow("wide and low") << 2560 << 600 << QSize(471, 600);
    QTest::newRow("no height known") << 1920 << 0 << QSize(480, 610);
}

void TestOperatorDay::previewFitsScreenHeight()
{
    QFETCH(int, screenWidth);
    QFETCH(int, availableHeight);
    QFETCH(QSize, size);
    QCOMPARE(preview::windowSize(screenWidth, availableHeight), size);
}

QTEST_MAIN(TestOperatorDay)
#include "tst_operatorday.moc"
