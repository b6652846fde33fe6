#include "import/importdialog.h"
#include "recordwindow.h"

#include <QComboBox>
#include <QDateEdit>
#include <QSpinBox>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTableWidget>
#include <QTemporaryDir>

using recordtest::Session;

// The import as the operator meets it: the "Импорт" button and its window,
// and the command line "cardprint --import FILE [--company TEXT] [--dry-run]".
class TestImportWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void buttonSitsAfterClear();
    void windowPreviewsFixesColumnsAndImports();
    void sheetHeaderRowAndDateChosen();
    void unreadableFileIsReported();
    void commandLine_data();
    void commandLine();

private:
    static QByteArray staffCsv();
};

namespace {

QStringList previewRow(QTableWidget* table, int row)
{
    QStringList texts;
    for (int c = 0; c < table->columnCount(); ++c)
        texts << (table->item(row, c) ? table->item(row, c)->text() : QString());
    return texts;
}

} // namespace

QByteArray TestImportWindow::staffCsv()
{
    // "Работающие" is not a header the import knows: the operator matches it by hand.
    return "Работающие;Должность руководителя;Руководитель;Дата выдачи\n"
           "Иванов Иван Иванович;Директор;П.П. Петров;01.02.2020\n"
           "Петров Пётр;Директор;П.П. Петров;31.02.2020\n"
           "Сидоров Сидор;Директор;П.П. Петров;03.02.2020\n";
}

void TestImportWindow::initTestCase()
{
    REQUIRE_TEST_ENGINE();
}

void TestImportWindow::buttonSitsAfterClear()
{
    Session s;
    QVERIFY(s.start());
    QPushButton* button = s.button("buttonImport");
    QVERIFY(button);
    QCOMPARE(button->text(), QStringLiteral("Импорт"));
    QCOMPARE(button->styleSheet(), s.button("buttonClear")->styleSheet());
    auto* row = s.window().findChild<QHBoxLayout*>("horizontalLayout");
    QCOMPARE(row->indexOf(button), row->indexOf(s.button("buttonClear")) + 1);
    QCOMPARE(s.button("buttonClear")->nextInFocusChain(), button);
}

void TestImportWindow::windowPreviewsFixesColumnsAndImports()
{
    Session s;
    QVERIFY(s.seed({{"ООО", "Щит"}, {"ЗАО", "Меч"}},
                   {{"ООО Щит", "Сидоров", "Сидор", "", "Директор", "П.П. Петров", "03.02.2020"}}));
    QVERIFY(s.start());
    QVERIFY(s.dir().writeFile("staff.csv", staffCsv()));
    s.clickRow(s.companies(), "ООО Щит");

    QStringList before, after, company, report;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<ImportDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        auto* preview = dialog->findChild<QTableWidget*>("tableImportPreview");
        auto* run = dialog->findChild<QPushButton*>("buttonImportRun");
        company << dialog->findChild<QComboBox*>("comboImportCompany")->currentText();
        // Nothing names the employee yet: every row is refused and nothing can be imported.
        before << previewRow(preview, 0).last() << QString::number(run->isEnabled());
        auto* column = dialog->findChild<QComboBox*>("comboImportColumn0");
        column->setCurrentIndex(column->findData(int(staffimport::Column::FullName)));
        for (int r = 0; r < preview->rowCount(); ++r)
            after << previewRow(preview, r).join('|');
        QTest::mouseClick(run, Qt::LeftButton);
        report << dialog->findChild<QLabel*>("labelImportSummary")->text()
               << dialog->findChild<QPlainTextEdit*>("textImportReport")->toPlainText().split('\n').last();
        dialog->findChild<QPushButton*>("buttonImportClose")->click();
    });
    s.window().importStaffList(s.dir().filePath("staff.csv"));

    QCOMPARE(company, QStringList{"ООО Щит"});
    QCOMPARE(before, (QStringList{"ошибка: нет ни фамилии, ни имени, ни отчества", "0"}));
    QCOMPARE(after, (QStringList{
                        "2|Иванов|Иван|Иванович|ООО|Щит|Директор|П.П. Петров|01.02.2020|будет добавлена",
                        "3|Петров|Пётр||ООО|Щит|Директор|П.П. Петров||ошибка: невозможная дата выдачи «31.02.2020»",
                        "4|Сидоров|Сидор||ООО|Щит|Директор|П.П. Петров|03.02.2020|пропуск: уже есть в организации"}));
    QCOMPARE(report, (QStringList{"К добавлению: 1, уже есть: 1, с ошибками: 1, не строки списка: 0",
                                  "Записано сотрудников: 1, организаций: 0."}));
    QCOMPARE(s.rows("SELECT id, Фамилия, person, director FROM personal WHERE Фамилия='Иванов'"),
             (QList<QStringList>{{"ООО Щит", "Иванов", "иванов иван иванович", "директор п.п. петров"}}));
    // The lists are shown afresh.
    QCOMPARE(Session::column(s.companies()), (QStringList{"ЗАО Меч", "ООО Щит"}));
    QVERIFY(Session::selected(s.companies()).isEmpty());
}

void TestImportWindow::sheetHeaderRowAndDateChosen()
{
    Session s;
    QVERIFY(s.start());
    // An office's list written by openpyxl: a title sheet, then the staff below a signature block.
    QProcess writer;
    writer.start(QFile::exists("/usr/bin/python3") ? "/usr/bin/python3" : "python3",
                 {CARDPRINT_SOURCE_DIR "/tests/import/write_office_list.py", "openpyxl", s.dir().filePath("list.xlsx")});
    QVERIFY(writer.waitForFinished(60000));
    QVERIFY2(writer.exitCode() == 0, writer.readAllStandardError().constData());

    QStringList seen;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<ImportDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        auto* sheet = dialog->findChild<QComboBox*>("comboImportSheet");
        auto* header = dialog->findChild<QSpinBox*>("spinImportHeaderRow");
        auto* preview = dialog->findChild<QTableWidget*>("tableImportPreview");
        auto* columns = dialog->findChild<QTableWidget*>("tableImportColumns");
        const auto state = [&] {
            QStringList titles;
            for (int r = 0; r < columns->rowCount() && r < 2; ++r)
                titles << columns->item(r, 0)->text();
            seen << sheet->currentText() + " " + QString::number(header->value()) + " " + titles.join('/') + " "
                        + QString::number(preview->rowCount());
        };
        state();
        auto* date = dialog->findChild<QDateEdit*>("dateImportDefault");
        seen << QString::number(dialog->findChild<QPushButton*>("buttonImportClose")->nextInFocusChain() == sheet
                                && sheet->nextInFocusChain() == header);
        date->setDate(QDate(2026, 2, 5));
        seen << previewRow(preview, 5).join('|') << previewRow(preview, 7).last();
        header->setValue(13); // the first employee's row taken as the header, by hand
        state();
        sheet->setCurrentIndex(0);
        state();
        seen << QString::number(dialog->findChild<QPushButton*>("buttonImportRun")->isEnabled());
        dialog->findChild<QPushButton*>("buttonImportClose")->click();
    });
    s.window().importStaffList(s.dir().filePath("list.xlsx"));
    QCOMPARE(seen, (QStringList{"Сотрудники 12 №/Ф.И.О. работника 10", "1",
                                "18|Морозов|Максим||ООО|Щит|||05.02.2026|будет добавлена",
                                "не строка списка: итоговая строка «Всего: 7 человек»",
                                "Сотрудники 13 1/Иванов Иван Иванович 9", "Титул 1 Список сотрудников на 2026 год 0",
                                "0"}));
}

void TestImportWindow::unreadableFileIsReported()
{
    Session s;
    QVERIFY(s.start());
    QVERIFY(s.dir().writeFile("list.csv", "Номер;Организация\n1;ООО Щит\n"));
    s.window().importStaffList(s.dir().filePath("list.csv"));
    QTRY_COMPARE(s.boxes().boxes.size(), 1);
    QVERIFY(s.boxes().boxes.first().text.startsWith("Импорт не выполнен: в первых 30 строках нет заголовка таблицы"));
    QCOMPARE(s.boxes().boxes.first().title, QStringLiteral("Ошибка"));
}

void TestImportWindow::commandLine_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("output"); // a line of the output
    QTest::addColumn<QStringList>("stored"); // surnames with their organisation afterwards
    const QStringList seeded{"Сидоров|ООО Щит"};
    const QStringList all{"Иванов|ООО Щит", "Кузнецов|ООО Щит", "Петров|ООО Щит", "Сидоров|ООО Щит"};
    // Сидоров is stored already: skipped, and still exit 0.
    QTest::newRow("import with a fallback organisation")
        << QStringList{"--import", "staff.csv", "--company", "ооо щит"} << 0
        << "Записано сотрудников: 3, организаций: 0." << all;
    QTest::newRow("new organisation from the command line")
        << QStringList{"--import=staff.csv", "--company=ЧОО Барс"} << 0 << "Записано сотрудников: 4, организаций: 1."
        << QStringList{"Иванов|ЧОО Барс", "Кузнецов|ЧОО Барс", "Петров|ЧОО Барс", "Сидоров|ООО Щит", "Сидоров|ЧОО Барс"};
    QTest::newRow("the date for rows without one")
        << QStringList{"--import", "staff.csv", "--company", "ООО Щит", "--date", "5.3.2026"} << 0
        << "Без даты выдачи: 1, им дана дата 05.03.2026" << all;
    QTest::newRow("dry run writes nothing") << QStringList{"--import", "staff.csv", "--company", "ООО Щит", "--dry-run"}
                                            << 0 << "Проверка без записи: ничего не записано." << seeded;
    QTest::newRow("every row rejected: no organisation") << QStringList{"--import", "staff.csv"} << 1
                                                         << "Нет строк для добавления: ничего не записано." << seeded;
    QTest::newRow("missing file") << QStringList{"--import", "absent.csv"} << 1 << "Ничего не записано." << seeded;
    QTest::newRow("a sheet the file lacks") << QStringList{"--import", "staff.csv", "--sheet", "Лист2"} << 1
                                            << "Импорт не выполнен: в файле нет листа «Лист2»" << seeded;
    QTest::newRow("no file given") << QStringList{"--import"} << 2 << "" << seeded;
    QTest::newRow("empty file name") << QStringList{"--import="} << 2
                                     << "cardprint: нужен ровно один файл: --import ФАЙЛ" << seeded;
    QTest::newRow("twice the file") << QStringList{"--import", "staff.csv", "--import", "staff.csv"} << 2 << ""
                                    << seeded;
    QTest::newRow("empty organisation") << QStringList{"--import", "staff.csv", "--company", " "} << 2 << "" << seeded;
    QTest::newRow("impossible date") << QStringList{"--import", "staff.csv", "--date", "31.02.2026"} << 2
                                     << "cardprint: невозможная дата в --date: «31.02.2026» (нужно дд.мм.гггг)" << seeded;
}

void TestImportWindow::commandLine()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, output);
    QFETCH(QStringList, stored);
    Session s;
    QVERIFY(s.seed({{"ООО", "Щит"}}, {{"ООО Щит", "Сидоров", "Сидор", "", "Директор", "П.П. Петров", "03.02.2020"}}));
    QByteArray csv = staffCsv();
    csv.replace("Работающие", "ФИО");
    // Every row to be stored, one without a date.
    csv.replace("31.02.2020", "21.02.2020");
    csv += "Кузнецов Кирилл;Директор;П.П. Петров;\n";
    QVERIFY(s.dir().writeFile("staff.csv", csv));

    QProcess program;
    // The file is named from the folder the program starts in; the database is the working folder's.
    QTemporaryDir start;
    QVERIFY(QFile::rename(s.dir().filePath("staff.csv"), start.filePath("staff.csv")));
    program.setWorkingDirectory(start.path());
    // No display: the import opens no window, so it needs none.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("QT_QPA_PLATFORM", "xcb");
    environment.remove("DISPLAY");
    environment.insert("CARDPRINT_WORKDIR", s.dir().path());
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(CARDPRINT_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(60000));
    const QString text = QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError());
    QVERIFY2(program.exitStatus() == QProcess::NormalExit && program.exitCode() == exitCode, qPrintable(text));
    QVERIFY2(text.split('\n').contains(output) || output.isEmpty(), qPrintable(text));
    QStringList rows;
    for (const QStringList& row : s.rows("SELECT Фамилия, id FROM personal ORDER BY Фамилия, id"))
        rows << row.join('|');
    QCOMPARE(rows, stored);
}

QTEST_MAIN(TestImportWindow)
#include "tst_importwindow.moc"
