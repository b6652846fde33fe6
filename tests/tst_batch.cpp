#include "app/security.h"
#include "batch/batchprint.h"
#include "batch/batchwindow.h"
#include "card/printing.h"
#include "records/recordtexts.h"

#include "support/testengine.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlDatabase>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {

const QString kCheck = QStringLiteral("batch-check");
const QString kCompany = QStringLiteral("ООО Щит");

// Surname, name, patronymic, post, director, stored date.
const QList<QStringList> kStaff = {
    {"Жуков", "Иван", "Петрович", "Директор", "Петров", "15.03.2024"},
    {"Абрамов", "Олег", "", "Генеральный директор", "Сидоров", "01.02.2023"},
    {"Ким", "Анна", "Сергеевна", "Директор", "Петров", "31.12.2022"},
};

bool withCheck(const std::function<bool()>& work)
{
    const bool ok = testsupport::openFolderCheck(kCheck, QDir::currentPath()) && work();
    QSqlDatabase::database(kCheck, false).close();
    return ok;
}

bool storeStaff(const QList<QStringList>& staff)
{
    return withCheck([&] {
        const QStringList company = records::companyRow("ООО", "Щит");
        bool ok = testsupport::checkExec(kCheck, "INSERT INTO companies VALUES ('" + company.join("','") + "')");
        for (const QStringList& person : staff) {
            const records::PersonFields fields{person[0], person[1], person[2], person[3], person[4], person[5]};
            QStringList values;
            for (const QString& value : records::savedPersonRow(kCompany, fields))
                values << "'" + QString(value).replace("'", "''") + "'";
            ok = ok && testsupport::checkExec(kCheck, "INSERT INTO personal VALUES (" + values.join(',') + ")");
        }
        return ok;
    });
}

// The register's cards, in the order they were recorded, with the given columns.
QStringList registerRows(const QString& columns = "surname, issue_date, company")
{
    QStringList rows;
    withCheck([&] {
        rows = testsupport::checkRows(kCheck, "SELECT " + columns + " FROM cards ORDER BY number");
        return true;
    });
    return rows;
}

int pageCount(const QString& pdf)
{
    const auto m = QRegularExpression("Pages:\\s+(\\d+)").match(testsupport::runTool("pdfinfo", {pdf}));
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

// The words of one page, with their boxes, as one comparable text.
QStringList pageWords(const QString& pdf, int page)
{
    const QString n = QString::number(page);
    const QString xml = testsupport::runTool("pdftotext", {"-f", n, "-l", n, "-bbox", pdf, "-"});
    QStringList words;
    const QRegularExpression wordRe(R"re(<word xMin="([-\d.]+)" yMin="([-\d.]+)" xMax="([-\d.]+)" yMax="([-\d.]+)">([^<]*)</word>)re");
    for (auto it = wordRe.globalMatch(xml); it.hasNext();) {
        const auto m = it.next();
        words << QString("%1 %2,%3-%4,%5").arg(m.captured(5), m.captured(1), m.captured(2), m.captured(3), m.captured(4));
    }
    return words;
}

void click(QWidget* parent, const QString& name)
{
    auto* button = parent->findChild<QPushButton*>(name);
    QVERIFY2(button && button->isEnabled(), qPrintable(name));
    QTest::mouseClick(button, Qt::LeftButton);
}

} // namespace

class TestBatch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void windowChoosesAndChecks();
    void batchPagesEqualSinglePrints();
    void cancelRecordsOnlyWhatWasSent();
    void shrinkFitsEachCardAndListsTheRest();

private:
    BatchWindow* openBatch(const QList<QStringList>& staff);
    static QByteArray queueBytes()
    {
        QFile file(testsupport::queueFile(testsupport::testQueue()));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    std::unique_ptr<testsupport::WorkDir> m_dir;
    std::unique_ptr<Security> m_window;
};

void TestBatch::initTestCase()
{
    REQUIRE_TEST_ENGINE();
}

void TestBatch::init()
{
    m_dir.reset(new testsupport::WorkDir);
    QVERIFY(testsupport::prepareWorkFolder(m_dir->path()));
    QVERIFY(m_dir->seedParams());
    QVERIFY(m_dir->seedFonts());
}

void TestBatch::cleanup()
{
    QVERIFY(!QApplication::activeModalWidget());
    m_window.reset();
    m_dir.reset();
    QSqlDatabase::removeDatabase(kCheck);
}

BatchWindow* TestBatch::openBatch(const QList<QStringList>& staff)
{
    m_window.reset(new Security);
    if (m_window->initialize() != 0 || !storeStaff(staff))
        return nullptr;
    auto* batchButton = m_window->findChild<QPushButton*>("buttonBatch");
    if (batchButton->isEnabled())  // usable only with an organisation selected
        return nullptr;
    m_window->findChild<QLineEdit*>("lineEditCompanyFilter")->setText("щит");
    auto* companies = m_window->findChild<QTableView*>("tableViewCompanies");
    companies->selectRow(0);
    if (!batchButton->isEnabled())
        return nullptr;
    QTest::mouseClick(batchButton, Qt::LeftButton);
    return m_window->findChild<BatchWindow*>();
}

void TestBatch::windowChoosesAndChecks()
{
    QList<QStringList> staff = kStaff;
    staff[2][5] = "31.02.2022";  // no such day
    BatchWindow* window = openBatch(staff);
    QVERIFY(window);
    auto* table = window->findChild<QTableWidget*>("tableBatch");
    auto* count = window->findChild<QLabel*>("labelBatchCount");
    QCOMPARE(table->rowCount(), 3);
    QCOMPARE(table->item(0, 0)->text(), QString("Абрамов Олег"));
    QCOMPARE(count->text(), QString("Отмечено: 3 из 3"));
    QCOMPARE(table->item(0, 3)->text(), QString("Помещается"));
    QCOMPARE(table->item(2, 3)->text(), QString("Дата выдачи не читается"));

    // The name filter as the employee list has it: any letter case, any part.
    window->findChild<QLineEdit*>("lineEditBatchSurnameFilter")->setText("ЖУК");
    QVERIFY(table->isRowHidden(0) && !table->isRowHidden(1) && table->isRowHidden(2));
    click(window, "buttonBatchNone");
    QCOMPARE(count->text(), QString("Отмечено: 2 из 3"));
    window->findChild<QLineEdit*>("lineEditBatchSurnameFilter")->clear();
    window->findChild<QLineEdit*>("lineEditBatchDirectorFilter")->setText("петров");
    QVERIFY(table->isRowHidden(0) && !table->isRowHidden(1) && !table->isRowHidden(2));
    click(window, "buttonBatchNone");
    click(window, "buttonBatchAll");
    QCOMPARE(count->text(), QString("Отмечено: 3 из 3"));

    // A stored date that cannot be read stops the print until one date is chosen.
    testsupport::ModalAnswer answer(testsupport::clickOk());
    answer.arm();
    click(window, "buttonBatchPrint");
    QTRY_VERIFY(answer.answered());
    QVERIFY2(answer.text().contains("Ким Анна Сергеевна"), qPrintable(answer.text()));
    window->findChild<QRadioButton*>("radioBatchOneDate")->setChecked(true);
    window->findChild<QDateEdit*>("dateEditBatch")->setDate(QDate(2025, 1, 9));
    QCOMPARE(table->item(2, 3)->text(), QString("Помещается"));
    for (const records::Employee& employee : window->checkedEmployees())
        QCOMPARE(window->dateFor(employee), QString("09.01.2025"));
}

void TestBatch::batchPagesEqualSinglePrints()
{
    const QString queue = testsupport::testQueue();
    const QString out = testsupport::queueFile(queue);
    QVERIFY2(!out.isEmpty(), "the test queue does not print into a file");
    BatchWindow* window = openBatch(kStaff);
    QVERIFY(window);

    // The same cards printed one by one from the form, in the list's order.
    const QList<int> order = {1, 0, 2};
    QList<QStringList> singles;
    for (int index : order) {
        const QStringList& person = kStaff.at(index);
        const QStringList texts = person.mid(0, 3) + QStringList{"ООО", "Щит"} + person.mid(3, 2);
        const QStringList keys = {"Surname", "Name", "Patron", "Form", "Comp", "DirPost", "Dir"};
        for (int i = 0; i < keys.size(); ++i)
            m_window->findChild<QLineEdit*>("lineEdit" + keys.at(i))->setText(texts.at(i));
        m_window->findChild<QDateEdit*>("lineEditDate")->setDate(QDate::fromString(person.at(5), "dd.MM.yyyy"));
        const QByteArray before = queueBytes();
        click(m_window.get(), "buttonPrint");
        QVERIFY(testsupport::waitForQueueFile(queue, before));
        QCOMPARE(pageCount(out), 1);
        singles << pageWords(out, 1);
        QVERIFY(!singles.last().isEmpty());
    }

    const QByteArray before = queueBytes();
    const int jobs = testsupport::jobCount(queue);
    testsupport::ModalAnswer question(testsupport::clickButton("Печатать"));
    question.arm();
    click(window, "buttonBatchPrint");
    QVERIFY(question.answered());
    QCOMPARE(question.text(), QString("Напечатать 3 карточек на принтере «%1»?").arg(queue));
    QCOMPARE(question.defaultButtonText(), QString("Отмена"));
    QVERIFY(testsupport::waitForQueueFile(queue, before));
    QCOMPARE(testsupport::jobCount(queue), jobs + 1);
    QCOMPARE(m_window->findChild<QLabel*>("labelStatus")->text(),
             QString("Отправлено карточек: 3 на принтер «%1».").arg(queue));
    QCOMPARE(pageCount(out), 3);
    for (int page = 0; page < 3; ++page)
        QCOMPARE(pageWords(out, page + 1), singles.at(page));

    const QStringList rows = registerRows();
    QCOMPARE(rows.size(), 6);
    QCOMPARE(rows.mid(3), rows.mid(0, 3));
    QCOMPARE(rows.at(3), QString("Абрамов|01.02.2023|ООО Щит"));
}

void TestBatch::cancelRecordsOnlyWhatWasSent()
{
    const QString queue = testsupport::testQueue();
    const QString out = testsupport::queueFile(queue);
    QVERIFY2(!out.isEmpty(), "the test queue does not print into a file");
    QList<QStringList> staff;
    for (int i = 0; i < 40; ++i)
        staff << QStringList{QString("Фамилия%1").arg(i, 2, 10, QChar('0')), "Имя", "", "Директор", "Петров", "15.03.2024"};
    BatchWindow* window = openBatch(staff);
    QVERIFY(window);

    // Cancel as soon as the progress shows; the box that follows says so.
    QTimer canceller;
    connect(&canceller, &QTimer::timeout, [window] {
        if (auto* progress = window->findChild<QProgressDialog*>("progressBatch"))
            progress->cancel();
    });
    canceller.start(0);
    testsupport::ModalAnswer answer(testsupport::clickOk());
    // The question comes first; the box that says how far the print got after it.
    testsupport::ModalAnswer question([&answer](QMessageBox* box) {
        testsupport::clickButton("Печатать")(box);
        answer.arm(60000);
    });
    question.arm();
    const QByteArray before = queueBytes();
    click(window, "buttonBatchPrint");
    QTRY_VERIFY_WITH_TIMEOUT(answer.answered(), 60000);
    canceller.stop();
    QVERIFY2(answer.text().startsWith("Печать прервана"), qPrintable(answer.text()));
    QVERIFY(testsupport::waitForQueueFile(queue, before));

    const int pages = pageCount(out);
    QVERIFY2(pages >= 1 && pages < staff.size(), qPrintable(QString::number(pages)));
    QVERIFY2(answer.text().endsWith(QString("%1 из 40").arg(pages)), qPrintable(answer.text()));
    // Every card of the job has its row; those never handed over say so.
    const QStringList rows = registerRows();
    QCOMPARE(rows.size(), staff.size());
    const QStringList statuses = registerRows("status, note");
    for (int i = 0; i < staff.size(); ++i) {
        QCOMPARE(rows.at(i), staff.at(i).at(0) + "|15.03.2024|ООО Щит");
        QCOMPARE(statuses.at(i), QString(i < pages ? "issued|" : "spoiled|печать не завершена"));
    }
}

QTEST_MAIN(TestBatch)
#include "tst_batch.moc"

// "Уменьшить шрифт" fits every card it can, each by the single print's rule;
// the question lists apart the cards that cannot fit even at 6 points, and
// those print as they are.
void TestBatch::shrinkFitsEachCardAndListsTheRest()
{
    const QString queue = testsupport::testQueue();
    const QString out = testsupport::queueFile(queue);
    QVERIFY2(!out.isEmpty(), "the test queue does not print into a file");
    QList<QStringList> staff = kStaff;
    staff[0][0] = "Жуковский-Ржевский-Святополк-Мирский-Задунайский";
    staff[2][0] = QString(60, QChar(0x0416));
    BatchWindow* window = openBatch(staff);
    QVERIFY(window);
    const QByteArray before = queueBytes();
    testsupport::ModalAnswer answer(testsupport::clickButton("Уменьшить шрифт"));
    // The batch question comes first, the fit question after it.
    testsupport::ModalAnswer question([&answer](QMessageBox* box) {
        testsupport::clickButton("Печатать")(box);
        answer.arm();
    });
    question.arm();
    click(window, "buttonBatchPrint");
    QTRY_VERIFY(answer.answered());
    const QString unfitHeading = "Не помещаются даже при размере 6 пт (печатаются как есть):\n— ";
    QVERIFY2(answer.text().contains("на 2 карточках из 3"), qPrintable(answer.text()));
    QVERIFY2(answer.text().contains(unfitHeading + staff[2][0] + " Анна Сергеевна"), qPrintable(answer.text()));
    QVERIFY(!answer.text().contains(unfitHeading + staff[0][0]));
    QVERIFY(testsupport::waitForQueueFile(queue, before));
    QCOMPARE(pageCount(out), 3);
    // The list's order is by surname: "ЖЖЖ…" before "Жуковский…", the third page.
    const QRegularExpression wordRe(R"(^(\S+) ([-\d.]+),([-\d.]+)-([-\d.]+),([-\d.]+)$)");
    const double right = (38 + 67.5) * 297.64 / 110 + 1;
    int surnameWords = 0;
    for (const QString& word : pageWords(out, 3)) {
        const auto m = wordRe.match(word);
        if (!m.hasMatch() || m.captured(3).toDouble() > 13.5 * 297.64 / 110 + 12)
            continue;  // below the surname's line
        ++surnameWords;
        QVERIFY2(m.captured(4).toDouble() <= right, qPrintable(word));
    }
    QVERIFY(surnameWords > 0);
}
