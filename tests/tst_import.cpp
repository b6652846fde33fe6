#include "db/database.h"
#include "import/columns.h"
#include "import/csvreader.h"
#include "import/importcheck.h"
#include "import/importsession.h"
#include "import/matching.h"
#include "import/sheetreader.h"
#include "import/staffrows.h"
#include "recordwindow.h"

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTest>
#include <QTextCodec>

#include <xlsxwriter.h>

#include <algorithm>

using namespace staffimport;
Q_DECLARE_METATYPE(staffimport::Column)

// Reading staff lists (CSV in its encodings and separators, spreadsheets made
// by real writers), matching their columns, checking rows by the save's rules
// and writing them all or nothing.
class TestImport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void csvEncodingsAndSeparators_data();
    void csvEncodingsAndSeparators();
    void csvQuoting_data();
    void csvQuoting();
    void xlsxWrittenByLibrary();
    void odsWrittenByLibrary();
    void officeListsFromRealWriters_data();
    void officeListsFromRealWriters();
    void headersAreRecognised_data();
    void headersAreRecognised();
    void headerFoundBelowTitleRows();
    void xlsxBuiltInDateFormats_data();
    void xlsxBuiltInDateFormats();
    void headerAmongTheFirstRows_data();
    void headerAmongTheFirstRows();
    void dates_data();
    void dates();
    void dateFormatCodes_data();
    void dateFormatCodes();
    void linesAroundTheList_data();
    void linesAroundTheList();
    void organisationSpellings_data();
    void organisationSpellings();
    void combinedCellsSplit_data();
    void combinedCellsSplit();
    void rowsAsStored();
    void hostileCellsStoredAsText();
    void organisationsAndPeopleMatched();
    void failureMidWayWritesNothing();
    void badFilesGiveAClearReason_data();
    void badFilesGiveAClearReason();
    void largeFiles();
    void hiddenCharactersDroppedAndReported();

private:
    static Table readBytes(const QByteArray& bytes, QString* error = nullptr);
    static Table readPath(const QString& path, QString* error = nullptr);
};

namespace {

const QString kHeader
    = QStringLiteral("Фамилия;Имя;Отчество;Форма;Наименование;Должность руководителя;Руководитель;Дата выдачи");

QString fileIn(const testsupport::WorkDir& dir, const QString& name, const QByteArray& bytes)
{
    dir.writeFile(name, bytes);
    return dir.filePath(name);
}

QString python()
{
    // Debian's interpreter, which has odfpy; another one first on PATH may not.
    return QFile::exists(QStringLiteral("/usr/bin/python3")) ? QStringLiteral("/usr/bin/python3")
                                                             : QStringLiteral("python3");
}

// A database file with the program's tables, opened through DataBase as the import opens it.
struct ImportDb
{
    explicit ImportDb(recordtest::Session& session, const QString& connection)
    {
        db.setConnection(connection);
        opened = session.seed({}) && testsupport::openUnderTest(db);
    }
    ~ImportDb()
    {
        db.close();
        db.database = QSqlDatabase();
    }
    DataBase db;
    bool opened = false;
};

} // namespace

void TestImport::initTestCase()
{
    REQUIRE_TEST_ENGINE();
}

// A file that cannot be read gives one row holding the reason.
Table TestImport::readPath(const QString& path, QString* error)
{
    Table table;
    QString reason;
    if (!readTable(path, &table, &reason))
        table.rows = {{QStringLiteral("<error> ") + reason}};
    if (error)
        *error = reason;
    return table;
}

Table TestImport::readBytes(const QByteArray& bytes, QString* error)
{
    testsupport::WorkDir dir;
    return readPath(fileIn(dir, QStringLiteral("list"), bytes), error);
}

void TestImport::csvEncodingsAndSeparators_data()
{
    QTest::addColumn<QByteArray>("codec");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QString>("encoding");
    QTest::newRow("UTF-8, semicolon") << QByteArray("UTF-8") << ";" << "CSV, UTF-8, разделитель «;»";
    QTest::newRow("UTF-8 with BOM, comma") << QByteArray("UTF-8 BOM") << "," << "CSV, UTF-8 с BOM, разделитель «,»";
    QTest::newRow("Windows-1251, tab") << QByteArray("Windows-1251") << "\t" << "CSV, Windows-1251, разделитель табуляция";
    QTest::newRow("Windows-1251, semicolon") << QByteArray("Windows-1251") << ";" << "CSV, Windows-1251, разделитель «;»";
    QTest::newRow("UTF-16 as saved as Unicode text") << QByteArray("UTF-16LE") << "\t" << "CSV, UTF-16, разделитель табуляция";
}

void TestImport::csvEncodingsAndSeparators()
{
    QFETCH(QByteArray, codec);
    QFETCH(QString, separator);
    QFETCH(QString, encoding);
    // The quoted name holds every separator, so a wrong guess splits it differently.
    QString text = kHeader + "\r\nЁлкина;Алёна;Юрьевна;ООО;\"Щит, Меч;\tи Ко\";Директор;Я.Я. Яковлев;01.02.2020\r\n";
    QStringList parts = text.split('"');
    parts[0].replace(';', separator);
    parts[2].replace(';', separator);
    text = parts.join('"');
    QByteArray bytes;
    if (codec == "UTF-8 BOM")
        bytes = "\xEF\xBB\xBF" + text.toUtf8();
    else if (codec == "UTF-16LE")
        bytes = "\xFF\xFE" + QTextCodec::codecForName(codec)->fromUnicode(text);
    else
        bytes = QTextCodec::codecForName(codec)->fromUnicode(text);
    const Table table = readBytes(bytes);
    QCOMPARE(table.description, encoding);
    QCOMPARE(table.rows.size(), 2);
    QCOMPARE(table.rows.at(0), kHeader.split(';'));
    QCOMPARE(table.rows.at(1), (QStringList{"Ёлкина", "Алёна", "Юрьевна", "ООО", "Щит, Меч;\tи Ко", "Директор",
                                            "Я.Я. Яковлев", "01.02.2020"}));
}

void TestImport::csvQuoting_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QString>("error");
    QTest::newRow("tabs: quote inside an unquoted cell, tab inside quotes")
        << QByteArray("Ива\"нов\t\"Ив\tан\"\t\"\"\n") << QStringList{"Ива\"нов", "Ив\tан", ""} << "";
    QTest::newRow("separator and quotes inside quotes")
        << QByteArray("\"Иванов; \"\"мл.\"\"\";Иван\n") << QStringList{"Иванов; \"мл.\"", "Иван"} << "";
    QTest::newRow("line break inside quotes, CRLF lines")
        << QByteArray("\"Иванов\r\nПетров\";Иван\r\nСидоров;Пётр\r\n") << QStringList{"Иванов\nПетров", "Иван"} << "";
    QTest::newRow("quote inside an unquoted cell")
        << QByteArray("Ива\"нов;Иван\n") << QStringList{"Ива\"нов", "Иван"} << "";
    QTest::newRow("empty cells kept in place") << QByteArray(";Иван;\n") << QStringList{"", "Иван", ""} << "";
    QTest::newRow("text after a closing quote")
        << QByteArray("Иванов;Иван\n\"Петров\"x;Пётр\n") << QStringList() << "строка 3";
    QTest::newRow("quote never closed")
        << QByteArray("Иванов;Иван\nПетров;\"Пё\"\"тр\n") << QStringList() << "строка 3";
}

void TestImport::csvQuoting()
{
    QFETCH(QByteArray, body);
    QFETCH(QStringList, cells);
    QFETCH(QString, error);
    QString reason;
    const QByteArray header = body.contains('\t') ? "Фамилия\tИмя\tОтчество\n" : "Фамилия;Имя;Отчество\n";
    const Table table = readBytes(header + body, &reason);
    if (!error.isEmpty()) {
        QVERIFY2(reason.startsWith(error), qPrintable(reason));
        return;
    }
    QVERIFY2(reason.isEmpty(), qPrintable(reason));
    QCOMPARE(table.rows.value(1), cells);
}

void TestImport::xlsxWrittenByLibrary()
{
    testsupport::WorkDir dir;
    const QByteArray path = dir.filePath("staff.xlsx").toUtf8();
    lxw_workbook* book = workbook_new(path.constData());
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Сотрудники");
    lxw_format* dateFormat = workbook_add_format(book);
    format_set_num_format(dateFormat, "dd.mm.yyyy");
    lxw_format* isoFormat = workbook_add_format(book);
    format_set_num_format_index(isoFormat, 14);
    const char* header[] = {"ФИО", "Организация", "Дата выдачи", "Таб. №"};
    for (int c = 0; c < 4; ++c)
        worksheet_write_string(sheet, 0, c, header[c], nullptr);
    worksheet_write_string(sheet, 1, 0, "Иванов Иван Иванович", nullptr);
    worksheet_write_string(sheet, 1, 1, "ООО Щит", nullptr);
    lxw_datetime date = {2020, 2, 1, 0, 0, 0};
    worksheet_write_datetime(sheet, 1, 2, &date, dateFormat);
    worksheet_write_number(sheet, 1, 3, 17, nullptr);
    // Formulas: their cached results are what is read.
    worksheet_write_formula_str(sheet, 2, 0, "=LEFT(A2,6)&\" Пётр\"", nullptr, "Иванов Пётр");
    worksheet_write_formula_str(sheet, 2, 1, "=B2", nullptr, "ООО Щит");
    worksheet_write_formula_num(sheet, 2, 2, "=C2+29", isoFormat, 43891);
    worksheet_write_number(sheet, 2, 3, 2.5, nullptr);
    workbook_add_worksheet(book, "Второй");
    QCOMPARE(workbook_close(book), LXW_NO_ERROR);

    const Table table = readPath(QString::fromUtf8(path));
    QCOMPARE(table.rows, (QVector<QStringList>{{"ФИО", "Организация", "Дата выдачи", "Таб. №"},
                                                {"Иванов Иван Иванович", "ООО Щит", "01.02.2020", "17"},
                                                {"Иванов Пётр", "ООО Щит", "01.03.2020", "2.5"}}));
    QCOMPARE(table.description + " " + table.sheet, QStringLiteral("XLSX Сотрудники"));
}

void TestImport::odsWrittenByLibrary()
{
    testsupport::WorkDir dir;
    const QString path = dir.filePath("staff.ods");
    QProcess writer;
    writer.start(python(), {QStringLiteral(CARDPRINT_SOURCE_DIR "/tests/import/write_ods.py"), path});
    QVERIFY(writer.waitForStarted());
    writer.write(R"([["Фамилия","Имя","Дата выдачи","Номер"],
                     ["Петров","Пётр",{"date":"2022-05-06"},{"float":12}],
                     ["Сидоров","Сидор",{"date":"2021-12-31"},{"formula":"of:=[.D2]*2","float":24}]])");
    writer.closeWriteChannel();
    QVERIFY(writer.waitForFinished(60000));
    QVERIFY2(writer.exitCode() == 0, writer.readAllStandardError().constData());

    const Table table = readPath(path);
    QCOMPARE(table.rows, (QVector<QStringList>{{"Фамилия", "Имя", "Дата выдачи", "Номер"},
                                                {"Петров", "Пётр", "06.05.2022", "12"},
                                                {"Сидоров", "Сидор", "31.12.2021", "24"}}));
    QCOMPARE(table.description + " " + table.sheet, QStringLiteral("ODS Лист1"));
}

void TestImport::officeListsFromRealWriters_data()
{
    QTest::addColumn<QString>("writer");
    QTest::addColumn<QString>("file");
    QTest::newRow("openpyxl .xlsx, as pandas writes it too") << "openpyxl" << "list.xlsx";
    QTest::newRow("odfpy .ods, a name from a formula") << "odfpy" << "list.ods";
    QTest::newRow("xlwt .xls") << "xlwt" << "list.xls";
}

void TestImport::officeListsFromRealWriters()
{
    QFETCH(QString, writer);
    QFETCH(QString, file);
    recordtest::Session session;
    QVERIFY(session.seed({{"ООО", "«Щит»"}}, {{"ООО «Щит»", "Иванов", "Иван", "Иванович", "", "", "01.01.2020"}}));
    ImportDb target(session, "office" + writer);
    QVERIFY(target.opened);
    const QString path = session.dir().filePath(file);
    QProcess process;
    process.start(python(), {QStringLiteral(CARDPRINT_SOURCE_DIR "/tests/import/write_office_list.py"), writer, path});
    QVERIFY(process.waitForFinished(60000));
    QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());

    ImportSession import;
    QString error;
    QVERIFY2(import.open(path, &error), qPrintable(error));
    import.setDefaultDate(QDate(2026, 2, 5));
    QVERIFY2(import.check(target.db, &error), qPrintable(error));
    QCOMPARE(import.table().sheet + " " + QString::number(import.headerRow() + 1), QStringLiteral("Сотрудники 12"));
    QVERIFY2(import.write(target.db, &error), qPrintable(error));
    const QStringList report = import.reportLines();
    for (const char* line : {"Строк данных: 10", "К добавлению: 6 (новых организаций: 1)", "Уже есть, пропущены: 1",
                             "Строки с ошибками: 0", "Не строки списка: 3", "Без даты выдачи: 1, им дана дата 05.02.2026",
                             "Не загружаются столбцы: «№», «Должность»", "  «ЧОО «Сокол»»",
                             "  «OOO \"Щит\"» — это «ООО «Щит»»", "  строка 21 — строка подписи «__________ (подпись)»"}) {
        QVERIFY2(report.contains(QString::fromUtf8(line)), qPrintable(line + ("\n" + report.join('\n'))));
    }
    // The employee's post ("охранник") is not stored as the director's.
    QList<QStringList> stored = session.rows("SELECT Фамилия, id, Имя, Отчество, Должность, Дата_выдачи FROM personal");
    std::sort(stored.begin(), stored.end()); // by code points, whatever the server's collation
    QCOMPARE(stored,
             (QList<QStringList>{{"Ёлкин", "ООО «Щит»", "Олег", "", "", "01.02.2026"},
                                 {"Волков", "ЧОО «Сокол»", "Виктор", "", "", "03.02.2026"},
                                 {"Иванов", "ООО «Щит»", "Иван", "Иванович", "", "01.01.2020"},
                                 {"Кузнецов", "ООО «Щит»", "Кирилл", "", "", "02.02.2026"},
                                 {"Морозов", "ООО «Щит»", "Максим", "", "", "05.02.2026"},
                                 {"Петров", "ООО «Щит»", "Пётр", "Петрович", "", "01.02.2026"},
                                 {"Сидорова", "ООО «Щит»", "Анна", "Ивановна", "", "01.02.2026"}}));

    // The next day, the same list adds nothing.
    ImportSession again;
    again.setDefaultDate(QDate(2026, 2, 6));
    QVERIFY2(again.open(path, &error) && again.check(target.db, &error), qPrintable(error));
    const Summary summary = summarise(again.rows());
    QCOMPARE(QList<int>({summary.toAdd, summary.duplicates, summary.invalid, summary.notListed}), QList<int>({0, 7, 0, 3}));
}

void TestImport::headersAreRecognised_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<Column>("column");
    QTest::newRow("exact") << "Фамилия" << Column::Surname;
    QTest::newRow("upper case") << "ИМЯ" << Column::Name;
    QTest::newRow("spaces and case") << "  отчество " << Column::Patron;
    QTest::newRow("initials with dots") << "Ф.И.О." << Column::FullName;
    QTest::newRow("full name spelled out") << "Фамилия, имя, отчество" << Column::FullName;
    QTest::newRow("legal form") << "Форма" << Column::Form;
    QTest::newRow("name of organisation") << "Наименование" << Column::Comp;
    QTest::newRow("organisation in one cell") << "Организация" << Column::Organisation;
    QTest::newRow("employee's own post, not stored") << "Должность" << Column::Ignore;
    QTest::newRow("director's post") << "Должность руководителя" << Column::DirPost;
    QTest::newRow("director") << "Руководитель" << Column::Dir;
    QTest::newRow("director's name") << "Ф.И.О. директора" << Column::Dir;
    QTest::newRow("initials of the worker") << "Ф.И.О. работника" << Column::FullName;
    QTest::newRow("full name with a note") << "Фамилия, имя, отчество (при наличии)" << Column::FullName;
    QTest::newRow("long date header") << "Дата выдачи личной карточки охранника" << Column::Date;
    QTest::newRow("birth date, not stored") << "Дата рождения" << Column::Ignore;
    QTest::newRow("personnel number of the guard") << "Табельный номер охранника" << Column::Ignore;
    QTest::newRow("legal form spelled out") << "Организационно-правовая форма" << Column::Form;
    QTest::newRow("a title, not a header") << "Список сотрудников ООО Щит" << Column::Ignore;
    QTest::newRow("date, database spelling") << "Дата_выдачи" << Column::Date;
    QTest::newRow("date with ё aside") << "Дата выдачи" << Column::Date;
    QTest::newRow("unknown") << "Табельный номер" << Column::Ignore;
}

void TestImport::headersAreRecognised()
{
    QFETCH(QString, header);
    QFETCH(Column, column);
    QCOMPARE(columnForHeader(header), column);
}

void TestImport::headerFoundBelowTitleRows()
{
    const QVector<QStringList> rows{{"Список сотрудников ООО Щит"}, {}, {"№", "ФИО", "ФИО", "Дата"}, {"1", "Иванов"}};
    const HeaderMatch match = findHeader(rows);
    QCOMPARE(match.row, 2);
    // A header named twice feeds its first column only.
    QCOMPARE(match.columns, (QVector<Column>{Column::Ignore, Column::FullName, Column::Ignore, Column::Date}));
}

void TestImport::xlsxBuiltInDateFormats_data()
{
    QTest::addColumn<int>("formatIndex");
    QTest::addColumn<QString>("cell");
    QTest::newRow("14 d/m/yyyy") << 14 << "01.02.2020";
    QTest::newRow("17 mmm-yy, the last of the first range") << 17 << "01.02.2020";
    QTest::newRow("18 a time of day") << 18 << "43862";
    QTest::newRow("22 date and time") << 22 << "01.02.2020";
    QTest::newRow("0 general") << 0 << "43862";
}

// Cells formatted by a built-in number format id, as spreadsheet programs
// write dates: the ids of dates read as dates, the others as numbers.
void TestImport::xlsxBuiltInDateFormats()
{
    QFETCH(int, formatIndex);
    QFETCH(QString, cell);
    testsupport::WorkDir dir;
    const QByteArray path = dir.filePath("staff.xlsx").toUtf8();
    lxw_workbook* book = workbook_new(path.constData());
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Лист1");
    lxw_format* format = workbook_add_format(book);
    format_set_num_format_index(format, uint8_t(formatIndex));
    worksheet_write_string(sheet, 0, 0, "Фамилия", nullptr);
    worksheet_write_string(sheet, 0, 1, "Дата выдачи", nullptr);
    worksheet_write_string(sheet, 1, 0, "Иванов", nullptr);
    worksheet_write_number(sheet, 1, 1, 43862, format); // 1 February 2020
    QCOMPARE(workbook_close(book), LXW_NO_ERROR);
    QCOMPARE(readPath(QString::fromUtf8(path)).rows.value(1), (QStringList{"Иванов", cell}));
}

void TestImport::headerAmongTheFirstRows_data()
{
    using Rows = QVector<QStringList>;
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<int>("header"); // line, 0 for none
    const QStringList data{"1", "Иванов Иван Иванович", "охранник", "01.02.2026"};
    Rows approved;
    for (const char* line : {"УТВЕРЖДАЮ", "Генеральный директор ООО «Щит»", "____ А.Б. Петров", "", "", "", "", "",
                             "СПИСОК", "работников", ""})
        approved.append({QString::fromUtf8(line)});
    QTest::newRow("spelled-out headers above a data row naming a guard")
        << Rows{{"№", "Ф.И.О. работника", "Должность", "Дата выдачи личной карточки охранника"}, data} << 1;
    QTest::newRow("header on line 12 after a signature block")
        << Rows(approved) + Rows{{"№", "ФИО", "Должность", "Дата"}, data} << 12;
    QTest::newRow("unknown headers: a data row with a guard is no header")
        << Rows{{"Работающие", "Пост", "Выд."}, {"Иванов Иван", "охранник", "01.02.2026"},
                {"Петров Пётр", "охранник", ""}, {"Всего: 2"}} << 0;
    QTest::newRow("no header: data rows naming a worker and an organisation")
        << Rows{{"Иванов Иван", "работник", "ЧОО «Сокол»"}, {"Петров Пётр", "работник", "ЧОО «Сокол»"},
                {"Сидоров Сидор", "работник", "ЧОО «Сокол»"}, {"Всего: 3"}} << 0;
    QTest::newRow("one name column above a signature line")
        << Rows{{"ФИО"}, {"Иванов Иван"}, {"Петров Пётр"}, {"Сидоров Сидор"}, {"Руководитель"}} << 1;
    Rows deep(30, QStringList{"Примечание: список"});
    QTest::newRow("header below line 30") << deep + Rows{{"ФИО", "Дата"}, {"Иванов Иван", "01.02.2026"}} << 0;
    QTest::newRow("no person column, one known column") << Rows{{"Номер", "Организация"}, {"1", "ООО Щит"}} << 0;
    // Without a person column, a row naming two known columns is taken, for the operator to complete.
    QTest::newRow("no person column, two known columns")
        << Rows{{"Итого"}, {"Сотрудник (полностью)", "Должность", "Дата"}} << 2;
    const Rows titles(kHeaderSearchRows - 1, QStringList{"Список сотрудников"});
    const Rows employee{{"Иванов", "Иван"}};
    QTest::newRow("on the last row searched") << titles + Rows{{"Фамилия", "Имя"}} + employee << kHeaderSearchRows;
    QTest::newRow("one row below it") << titles + Rows{titles.first(), {"Фамилия", "Имя"}} + employee << 0;
    QTest::newRow("two known columns on the last row searched")
        << titles + Rows{{"Должность руководителя", "Дата выдачи"}} + employee << kHeaderSearchRows;
}

void TestImport::headerAmongTheFirstRows()
{
    QFETCH(QVector<QStringList>, rows);
    QFETCH(int, header);
    QCOMPARE(findHeader(rows).row + 1, header);
}

void TestImport::dates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("date"); // empty: impossible
    QTest::newRow("as stored") << "01.02.2020" << "01.02.2020";
    QTest::newRow("short day and month") << "1.2.2020" << "01.02.2020";
    QTest::newRow("two-digit year") << "01.02.20" << "01.02.2020";
    QTest::newRow("two-digit year below the pivot") << "01.02.69" << "01.02.2069";
    QTest::newRow("two-digit year at the pivot") << "01.02.70" << "01.02.1970";
    QTest::newRow("two-digit year 00") << "1.2.00" << "01.02.2000";
    QTest::newRow("two-digit year 99") << "1.2.99" << "01.02.1999";
    QTest::newRow("ISO") << "2020-02-01" << "01.02.2020";
    QTest::newRow("slashes") << "01/02/2020" << "01.02.2020";
    QTest::newRow("with a time") << "2020-02-01 00:00:00" << "01.02.2020";
    QTest::newRow("29th of February in a leap year") << "29.02.2024" << "29.02.2024";
    QTest::newRow("30th of February") << "30.02.2020" << "";
    QTest::newRow("29th of February otherwise") << "29.02.2023" << "";
    QTest::newRow("month 13") << "01.13.2020" << "";
    QTest::newRow("year 1812") << "01.02.1812" << "";
    QTest::newRow("words") << "вчера" << "";
    QTest::newRow("spreadsheet serial day") << "43862" << "01.02.2020";
    QTest::newRow("serial written with a fraction") << "46054.0" << "01.02.2026";
    QTest::newRow("a year alone is no serial") << "2026" << "";
    QTest::newRow("with the year mark") << "01.02.2026г." << "01.02.2026";
    QTest::newRow("from a date") << "с 01.02.2026" << "01.02.2026";
    QTest::newRow("in words") << "1 февраля 2026 г." << "01.02.2026";
    QTest::newRow("in words, May") << "9 мая 2025 года" << "09.05.2025";
    QTest::newRow("in words, short month") << "15 Сент. 2024" << "15.09.2024";
    QTest::newRow("30th of February in words") << "30 февраля 2026" << "";
    QTest::newRow("no such month") << "1 брюмера 2026" << "";
}

void TestImport::dates()
{
    QFETCH(QString, text);
    QFETCH(QString, date);
    QString result;
    QCOMPARE(normaliseDate(text, &result), !date.isEmpty());
    if (!date.isEmpty())
        QCOMPARE(result, date);
}

void TestImport::dateFormatCodes_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<bool>("date");
    QTest::newRow("day first") << "dd.mm.yyyy" << true;
    QTest::newRow("locale prefix") << "[$-419]d mmmm yyyy" << true;
    QTest::newRow("general") << "General" << false;
    QTest::newRow("decimals") << "0.00" << false;
    QTest::newRow("time only") << "[h]:mm:ss" << false;
    QTest::newRow("letters in quotes") << "0 \"day\"" << false;
    QTest::newRow("escaped letter") << "0\\d" << false;
    QTest::newRow("colour in brackets") << "[Red]0" << false;
}

void TestImport::dateFormatCodes()
{
    QFETCH(QString, code);
    QFETCH(bool, date);
    QCOMPARE(isDateFormatCode(code), date);
}

void TestImport::linesAroundTheList_data()
{
    QTest::addColumn<QStringList>("cells");
    QTest::addColumn<QString>("name"); // what the name columns hold
    QTest::addColumn<QString>("reason"); // empty: a row of the list
    QTest::newRow("total in the name column") << QStringList{"Всего: 20 человек"} << "Всего: 20 человек"
                                              << "итоговая строка «Всего: 20 человек»";
    QTest::newRow("total after a number") << QStringList{"", "ИТОГО", "20"} << "ИТОГО" << "итоговая строка «ИТОГО»";
    QTest::newRow("stamp") << QStringList{"М.П."} << "М.П." << "место печати";
    QTest::newRow("signature") << QStringList{"Руководитель", "________", "А.Б. Петров"} << "Руководитель"
                               << "строка подписи «________»";
    QTest::newRow("signature word in another column") << QStringList{"", "(подпись)"} << ""
                                                      << "строка подписи «(подпись)»";
    QTest::newRow("number only, no name") << QStringList{"21", ""} << "" << "в столбцах имени пусто";
    QTest::newRow("digits where the name stands") << QStringList{"12", "Список 2"} << "Список 2"
                                                  << "в столбце имени не имя: «Список 2»";
    QTest::newRow("an employee whose post names the director")
        << QStringList{"1", "Петров Пётр", "Генеральный директор", "ООО Щит"} << "Петров Пётр" << "";
    QTest::newRow("an employee with a hyphenated name")
        << QStringList{"2", "Римский-Корсаков Николай", "охранник"} << "Римский-Корсаков Николай" << "";
}

void TestImport::linesAroundTheList()
{
    QFETCH(QStringList, cells);
    QFETCH(QString, name);
    QFETCH(QString, reason);
    QCOMPARE(notListedReason(cells, name), reason);
}

void TestImport::organisationSpellings_data()
{
    QTest::addColumn<QString>("spelling");
    QTest::addColumn<bool>("same"); // as «ООО «Щит»»
    QTest::newRow("straight quotes") << "ООО \"Щит\"" << true;
    QTest::newRow("no quotes, other case") << "ооо щит" << true;
    QTest::newRow("low-high quotes, extra spaces") << " ООО  „Щит“ " << true;
    QTest::newRow("Latin O in the form") << "OOO «Щит»" << true;
    QTest::newRow("Latin look-alikes in the name") << "ООО «Щuт»" << false; // "u" looks like no Cyrillic letter
    QTest::newRow("another legal form") << "АО «Щит»" << false;
    QTest::newRow("one more word") << "ООО «Щит-2»" << false;
}

void TestImport::organisationSpellings()
{
    QFETCH(QString, spelling);
    QFETCH(bool, same);
    QCOMPARE(organisationKey(spelling) == organisationKey(QStringLiteral("ООО «Щит»")), same);
}

void TestImport::combinedCellsSplit_data()
{
    QTest::addColumn<bool>("organisation");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("parts");
    QTest::newRow("full name") << false << " Иванов  Иван Иванович " << QStringList{"Иванов", "Иван", "Иванович"};
    QTest::newRow("surname only") << false << "Иванов" << QStringList{"Иванов", "", ""};
    QTest::newRow("legal form first") << true << "ооо  Щит и Меч" << QStringList{"ооо", "Щит и Меч"};
    QTest::newRow("no legal form") << true << "Охрана Плюс" << QStringList{"", "Охрана Плюс"};
    QTest::newRow("legal form alone") << true << "ООО" << QStringList{"", "ООО"};
}

void TestImport::combinedCellsSplit()
{
    QFETCH(bool, organisation);
    QFETCH(QString, text);
    QFETCH(QStringList, parts);
    QCOMPARE(organisation ? splitOrganisation(text) : splitFullName(text), parts);
}

void TestImport::rowsAsStored()
{
    Table table;
    table.rows = {{"ФИО", "Организация", "Имя", "Дата выдачи", "Руководитель"},
                  {"Иванов Иван Иванович", "ООО Щит", "", "", "А.Б. Петров"},
                  {"Мамедов Рашид Ахмед оглы", "", "Рашид", "01.13.2020", ""},
                  {"", "Щит", "", "01.02.2020", ""},
                  {"   ", "", "", "", ""},
                  {"Сидоров", "ЧОО Меч", "Сидор", "1.2.2020", QString(400, QChar(0x0416))}};
    const HeaderMatch header = findHeader(table.rows);
    const QVector<StaffRow> rows
        = staffRows(table, header.row, header.columns, {"АО", "Запас"}, QDate(2026, 1, 2));
    QCOMPARE(rows.size(), 4); // the blank line 5 is left out
    const auto fields = [](const StaffRow& r) {
        return QStringList{QString::number(r.line), r.person.surname, r.person.name, r.person.patron, r.form, r.comp,
                           r.person.director, r.person.date};
    };
    QCOMPARE(fields(rows[0]), (QStringList{"2", "Иванов", "Иван", "Иванович", "ООО", "Щит", "А.Б. Петров", "02.01.2026"}));
    QCOMPARE(rows[0].status, StaffRow::Status::Add);
    QCOMPARE(fields(rows[1]).mid(0, 6), (QStringList{"3", "Мамедов", "Рашид", "Ахмед оглы", "АО", "Запас"}));
    QCOMPARE(rows[1].reason, QStringLiteral("невозможная дата выдачи «01.13.2020»"));
    // No name where the names stand: no row of the list.
    QCOMPARE(rows[2].status, StaffRow::Status::NotListed);
    QCOMPARE(rows[2].reason, QStringLiteral("в столбцах имени пусто"));
    QCOMPARE(fields(rows[3]).mid(0, 6), (QStringList{"6", "Сидоров", "Сидор", "", "ЧОО", "Меч"}));
    QVERIFY2(rows[3].reason.startsWith("слишком длинный текст в поле «Руководитель» (400 знаков"),
             qPrintable(rows[3].reason));
    // Without a fallback organisation, a row without one cannot be stored.
    QCOMPARE(staffRows(table, 0, header.columns, {}, QDate(2026, 1, 2)).at(1).reason,
             QStringLiteral("не указана организация; невозможная дата выдачи «01.13.2020»"));
}

void TestImport::hostileCellsStoredAsText()
{
    recordtest::Session session;
    ImportDb target(session, "hostile");
    QVERIFY(target.opened);
    Table table;
    table.rows = {kHeader.split(';'),
                  {"=HYPERLINK(\"x\")", "О'Брайен", "'); DROP TABLE personal; --", "ООО", "Щит; \"Меч\"",
                   "+Директор", "@А.Б.\nПетров", "01.02.2020"}};
    QVector<StaffRow> rows = staffRows(table, 0, findHeader(table.rows).columns, {}, QDate::currentDate());
    QList<QStringList> companies;
    QString error;
    QVERIFY2(writeRows(target.db, &rows, &companies, &error), qPrintable(error));
    QCOMPARE(session.rows("SELECT * FROM personal"),
             (QList<QStringList>{{"ООО Щит; \"Меч\"", "=HYPERLINK(\"x\")", "О'Брайен", "'); DROP TABLE personal; --",
                                  "+Директор", "@А.Б. Петров", "01.02.2020",
                                  "=hyperlink(\"x\") о'брайен '); drop table personal; --",
                                  "+директор @а.б. петров"}}));
}

void TestImport::organisationsAndPeopleMatched()
{
    recordtest::Session session;
    QVERIFY(session.seed({{"ООО", "«Щит»"}, {"АО", "ЧОО «Сокол»"}},
                         {{"ООО «Щит»", "Иванов", "Иван", "", "", "", "01.02.2020"},
                          {"ООО «Щит»", "Ёлкина", "Алёна", "", "", "", "01.02.2020"}}));
    ImportDb target(session, "matched");
    QVERIFY(target.opened);
    Table table;
    table.rows = {{"Фамилия", "Имя", "Организация", "Дата выдачи"},
                  {"иванов", "ИВАН", "ООО \"Щит\"", "05.05.2025"},     // stored, another date and case
                  {"Петров", "Пётр", "OOO «Щит»", "01.02.2020"},         // Latin "OOO": the stored one
                  {"Петров", "Пётр", "ооо щит", "02.02.2020"},           // the line before
                  {"Елкина", "Алена", "ООО „Щит“", "01.02.2020"},        // like a stored name: imported
                  {"Сидоpов", "Сидор", "ООО «Щит»", "01.02.2020"},       // a Latin "p"
                  {"Волков", "Виктор", "ЧОО «Сокол»", "01.02.2020"},     // another organisation
                  {"Зайцев", "Олег", "чоо сокол", "01.02.2020"}};        // the new one, spelled otherwise
    QVector<StaffRow> rows = staffRows(table, 0, findHeader(table.rows).columns, {}, QDate::currentDate());
    QList<QStringList> companies;
    QString error;
    QVERIFY2(writeRows(target.db, &rows, &companies, &error), qPrintable(error));
    QStringList verdicts;
    for (const StaffRow& row : rows)
        verdicts << row.companyText + ": " + (row.status == StaffRow::Status::Add ? "+ " + row.note : row.reason);
    QCOMPARE(verdicts, (QStringList{"ООО «Щит»: уже есть в организации", "ООО «Щит»: + ",
                                    "ООО «Щит»: повторяет строку 3", "ООО «Щит»: + похоже на «Ёлкина Алёна»",
                                    "ООО «Щит»: + латинские буквы в имени, похоже на «Сидоров Сидор»",
                                    "ЧОО «Сокол»: + ", "ЧОО «Сокол»: + "}));
    QCOMPARE(companies, (QList<QStringList>{{"ЧОО", "«Сокол»", "чоо «сокол»"}}));
    QCOMPARE(matchedOrganisations(rows), (QStringList{"«ООО \"Щит\"» — это «ООО «Щит»»", "«OOO «Щит»» — это «ООО «Щит»»",
                                                      "«ооо щит» — это «ООО «Щит»»", "«ООО „Щит“» — это «ООО «Щит»»", "«чоо сокол» — это «ЧОО «Сокол»»"}));
    QCOMPARE(session.rows("SELECT COUNT(*) FROM personal").value(0).value(0), QString("7"));
    // The same file again adds nothing, whatever the dates.
    QVERIFY2(writeRows(target.db, &rows, &companies, &error), qPrintable(error));
    QCOMPARE(QList<int>({summarise(rows).toAdd, summarise(rows).duplicates}), QList<int>({0, 7}));
    QCOMPARE(session.rows("SELECT COUNT(*) FROM companies").value(0).value(0), QString("3"));
}

void TestImport::failureMidWayWritesNothing()
{
    recordtest::Session session;
    ImportDb target(session, "midway");
    QVERIFY(target.opened);
    // The database refuses the third employee, after two were inserted.
    QVERIFY(session.refuse("refuse", "personal", "INSERT", "NEW.Фамилия='Отказ'"));
    Table table;
    table.rows = {{"Фамилия", "Организация"}, {"Первый", "ООО Щит"}, {"Второй", "ООО Щит"}, {"Отказ", "ООО Щит"},
                  {"Четвёртый", "ООО Щит"}};
    QVector<StaffRow> rows = staffRows(table, 0, findHeader(table.rows).columns, {}, QDate::currentDate());
    QList<QStringList> companies;
    QString error;
    QVERIFY(!writeRows(target.db, &rows, &companies, &error));
    QCOMPARE(error, QStringLiteral("ошибка записи в базу данных"));
    QCOMPARE(session.rows("SELECT (SELECT COUNT(*) FROM personal), (SELECT COUNT(*) FROM companies)"),
             (QList<QStringList>{{"0", "0"}}));
    // The connection is usable afterwards: no transaction stays open.
    QVERIFY(session.dropRefusal("refuse", "personal"));
    QVERIFY2(writeRows(target.db, &rows, &companies, &error), qPrintable(error));
    QCOMPARE(session.rows("SELECT COUNT(*) FROM personal").value(0).value(0), QString("4"));
}

void TestImport::badFilesGiveAClearReason_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QByteArray binary(4096, '\0');
    QRandomGenerator random(15);
    for (char& c : binary)
        c = char(random.bounded(256));
    binary[100] = '\0';
    QTest::newRow("empty file") << QByteArray() << "файл пуст";
    QTest::newRow("only blank lines") << QByteArray("\r\n \n\t\n") << "файл пуст";
    QTest::newRow("binary") << binary << "файл не текстовый";
    QTest::newRow("one NUL byte in a text")
        << (kHeader.toUtf8() + "\nИванов;Иван\nПетров;Пё" + QByteArray(1, '\0') + "тр\n")
        << "файл не текстовый и не таблица .xlsx или .ods (двоичные данные: нулевой байт в строке 3)";
    QTest::newRow("NUL character in UTF-16")
        << (QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char*>(QString(kHeader + "\n\n1\n2").utf16()),
                                                (kHeader.size() + 5) * 2) + QByteArray(2, '\0'))
        << "файл не текстовый и не таблица .xlsx или .ods (двоичные данные: нулевой байт в строке 4)";
    QTest::newRow("compound document that is no workbook")
        << QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + binary << "файл .xls повреждён";
    QTest::newRow("zip that is no spreadsheet") << QByteArray("PK\x03\x04garbage", 11) << "файл — архив";
    QTest::newRow("spreadsheet cut short")
        << QByteArray("PK\x03\x04\x14\x00\x00\x00\x08\x00", 10) + QByteArray("[Content_Types].xml") << "файл";
    QTest::newRow("no recognisable header")
        << QByteArray("Номер;Организация\n1;ООО Щит\n") << "в первых 30 строках нет заголовка таблицы";
}

void TestImport::badFilesGiveAClearReason()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    testsupport::WorkDir dir;
    ImportSession session;
    QString error;
    QVERIFY(!session.open(fileIn(dir, "bad.csv", bytes), &error));
    QVERIFY2(error.startsWith(reason), qPrintable(error));
}

void TestImport::largeFiles()
{
    // 100,000 rows, and one row of 10,000 characters.
    QByteArray bytes = kHeader.toUtf8() + "\n";
    for (int i = 0; i < 100000; ++i)
        bytes += "Фамилия" + QByteArray::number(i) + ";Имя;;ООО;Щит;Директор;А.Б. Петров;01.02.2020\n";
    bytes += QString(10000, QChar(0x042F)).toUtf8() + ";Имя;;ООО;Щит;;;\n";
    Table table = readBytes(bytes);
    QCOMPARE(table.rows.size(), 100002);
    const QVector<StaffRow> rows = staffRows(table, 0, findHeader(table.rows).columns, {}, QDate::currentDate());
    QCOMPARE(summarise(rows).invalid, 1);
    QCOMPARE(rows.last().line, 100002);
    QVERIFY(rows.last().reason.startsWith("слишком длинный текст в поле «Фамилия» (10000 знаков"));
}

// Direction overrides, zero-width and other format characters go from every
// imported field; the report names the rows that held one. A line break or
// tab in a cell only becomes a space, as before, and is not reported.
void TestImport::hiddenCharactersDroppedAndReported()
{
    const QString rlo(QChar(0x202E));
    const QString zwsp(QChar(0x200B));
    Table table;
    table.rows = {kHeader.split(';'),
                  {"Иванов", "Иван", "Красный" + rlo + "евой", "ООО", "Щит", "", "", "01.02.2020"},
                  {"Петров", "Пётр", "", "ООО", "Щит", "", "", "01.02.2020"},
                  {"Сидоров\tСидор", "", "", "ООО", "Щит\r\nи Меч", "", "", "01.02.2020"},
                  {"Орлов", "Олег", "", "О" + zwsp + "ОО", "Щит", "", "Петров" + QString(QChar(0x00AD)), ""},
                  {"Сомов", "Семён", "", "ООО", "Щит", "", "", QString(QChar(0xFEFF)) + "01.02.2020"}};
    const QVector<StaffRow> rows = staffRows(table, 0, findHeader(table.rows).columns, {}, QDate(2026, 3, 14));
    QCOMPARE(rows.size(), 5);
    QCOMPARE(rows.at(0).person.patron, QString("Красныйевой"));
    QCOMPARE(rows.at(2).person.surname, QString("Сидоров Сидор"));
    QCOMPARE(rows.at(2).comp, QString("Щит и Меч"));
    QCOMPARE(rows.at(3).form, QString("ООО"));
    QCOMPARE(rows.at(3).person.director, QString("Петров"));
    QCOMPARE(rows.at(4).person.date, QString("01.02.2020"));
    QCOMPARE(summarise(rows).invalid, 0);
    QCOMPARE(hiddenCharacterLine(rows), QString("Удалены невидимые и управляющие символы (строки 2, 5, 6)"));
    QCOMPARE(hiddenCharacterLine(rows.mid(1, 2)), QString());
}

QTEST_MAIN(TestImport)
#include "tst_import.moc"
