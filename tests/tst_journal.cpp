#include "app/security.h"
#include "journal/journalwindow.h"

#include "support/testengine.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QDateEdit>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QJsonArray>
#include <QJsonObject>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include <cstdio>
#include <cstdlib>
#include <memory>

using testsupport::runTool;

namespace {

const QStringList kKeys = {"Surname", "Name", "Patron", "Form", "Comp", "DirPost", "Dir"};
const QStringList kTexts = {"Жуков", "Иван", "Петрович", "ООО", "Щит", "Директор", "Петров"};
const QString kCheck = QStringLiteral("register-check");

void fill(QWidget* window, const QStringList& texts)
{
    for (int i = 0; i < kKeys.size(); ++i)
        window->findChild<QLineEdit*>("lineEdit" + kKeys.at(i))->setText(texts.value(i));
    window->findChild<QDateEdit*>("lineEditDate")->setDate(QDate(2024, 3, 15));
}

void click(QWidget* window, const QString& button)
{
    auto* found = window->findChild<QPushButton*>(button);
    QVERIFY2(found && found->isEnabled(), qPrintable(button));
    QTest::mouseClick(found, Qt::LeftButton);
}

// The program's database through a connection of the test's own, closed
// again after each use so that it holds no lock.
bool openCheck()
{
    return testsupport::openFolderCheck(kCheck, QDir::currentPath());
}

bool execCheck(const QString& statement)
{
    const bool ok = openCheck() && testsupport::checkExec(kCheck, statement);
    QSqlDatabase::database(kCheck, false).close();
    return ok;
}

QStringList registerRows(const QString& columns)
{
    if (!openCheck())
        return {"<cannot open>"};
    const QStringList rows = testsupport::checkRows(kCheck, "SELECT " + columns + " FROM cards ORDER BY number");
    QSqlDatabase::database(kCheck, false).close();
    return rows;
}

// A child process: prints `prints` cards into the database of the current
// folder, then exits; any message box ends it with a failure.
int printInChild(int prints)
{
    Security window;
    if (window.initialize() != 0)
        return 2;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            std::fprintf(stderr, "message: %s\n", qPrintable(box->text()));
            std::_Exit(3);
        }
    });
    watcher.start(20);
    QStringList texts = kTexts;
    texts[0] = qEnvironmentVariable("CARDPRINT_JOURNAL_NAME");
    fill(&window, texts);
    for (int i = 0; i < prints; ++i)
        window.findChild<QPushButton*>("buttonPrint")->click();
    return 0;
}

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void printIsRecordedOnlyThroughSpooler();
    void spoiledAndReprint();
    void twoProcessesNeverShareNumber();
    void readOnlyRegisterStillPrints();
    void exportFailureIsShown();
    void reprintAsksAndMarksReplacedCard();

private:
    void requireFileQueue();
    void startWindow();
    void printAndWait();
    QString answerMessage(const std::function<void()>& action);

    std::unique_ptr<testsupport::WorkDir> m_dir;
    std::unique_ptr<Security> m_window;
    QString m_queue;
    QString m_outFile;
};

void TestJournal::initTestCase()
{
    REQUIRE_TEST_ENGINE();
}

void TestJournal::init()
{
    m_dir.reset(new testsupport::WorkDir);
    QVERIFY(testsupport::prepareWorkFolder(m_dir->path()));
    QVERIFY(m_dir->seedParams() && m_dir->seedFonts());
    // The register number goes to the top right corner of the card.
    QVERIFY(testsupport::editParamsFonts([](QJsonObject& fonts) {
        fonts["Number"] = QJsonObject{{"family", "LiberationSerif"}, {"size", "12"}, {"align", "Left"},
                                      {"coords", QJsonArray{80, 5, 25, 6}}};
    }));
    requireFileQueue();
}

void TestJournal::cleanup()
{
    QVERIFY(!QApplication::activeModalWidget());
    m_window.reset();
    m_dir.reset();
    QSqlDatabase::removeDatabase(kCheck);
}

// Prints only to a queue that writes into a file, never to paper.
void TestJournal::requireFileQueue()
{
    const auto name = QRegularExpression("system default destination: (\\S+)").match(runTool("lpstat", {"-d"}));
    if (!name.hasMatch())
        QFAIL("no default printer (tests/cups/print-queue.sh setup makes one)");
    m_queue = name.captured(1);
    m_outFile = testsupport::queueFile(m_queue);
    if (m_outFile.isEmpty())
        QFAIL(qPrintable("the default printer " + m_queue + " does not print into a file; refusing to print"));
}

void TestJournal::startWindow()
{
    m_window.reset(new Security);
    QCOMPARE(m_window->initialize(), 0);
    fill(m_window.get(), kTexts);
}

void TestJournal::printAndWait()
{
    QFile::remove(m_outFile);
    click(m_window.get(), "buttonPrint");
    QVERIFY(testsupport::waitForQueueFile(m_queue, QByteArray()));
}

// Runs the action and answers the message box it opens; gives the box's text.
QString TestJournal::answerMessage(const std::function<void()>& action)
{
    testsupport::ModalAnswer answer(testsupport::clickOk());
    answer.arm();
    action();
    if (!QTest::qWaitFor([&] { return answer.answered(); }, 30000))
        return QString("<no message>");
    return answer.text();
}

void TestJournal::printIsRecordedOnlyThroughSpooler()
{
    startWindow();
    // Numbers carry on from the highest ever given.
    QVERIFY(registerRows("number").isEmpty());
    QVERIFY(execCheck(testsupport::registerCounterStatement(4710)));

    click(m_window.get(), "buttonView");
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowTitle() == QStringLiteral("Просмотр"))
            delete widget;
    }
    QVERIFY2(registerRows("number").isEmpty(), "the preview records nothing");

    // A page that cannot begin (no temporary file for the spooler) is no card.
    const QByteArray tmp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(m_dir->filePath("нет такой папки")));
    // Without a temporary folder the printer's paper list cannot be read
    // either: the paper question comes first and is answered with printing.
    QString failed;
    QTimer answers;
    connect(&answers, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        for (QAbstractButton* button : box->buttons()) {
            const auto role = box->buttonRole(button);
            if (role == QMessageBox::AcceptRole || role == QMessageBox::YesRole) {
                failed = box->text();
                button->click();
                return;
            }
        }
    });
    answers.start(20);
    click(m_window.get(), "buttonPrint");
    answers.stop();
    qputenv("TMPDIR", tmp);
    if (tmp.isNull())
        qunsetenv("TMPDIR");
    QCOMPARE(failed, QString("Не удалось начать печать"));
    // A job that never reached the spooler leaves its card as an unfinished print.
    QCOMPARE(registerRows("number, surname, status, note"), QStringList{"4711|Жуков|spoiled|печать не завершена"});

    printAndWait();
    QCOMPARE(m_window->findChild<QLabel*>("labelStatus")->text(),
             QString("Карточка № 4712 отправлена на принтер «%1».").arg(m_queue));
    const QStringList rows = registerRows("number, company, surname, name, patron, dir_post, director, issue_date, "
                                          "printer, status, note, form, comp");
    QCOMPARE(rows.size(), 2);
    QCOMPARE(rows.at(1), QString("4712|ООО Щит|Жуков|Иван|Петрович|Директор|Петров|15.03.2024|" + m_queue +
                                 "|issued||ООО|Щит"));
    const QStringList stamp = registerRows("printed_at, operator");
    QVERIFY2(stamp.value(1).startsWith(QDate::currentDate().toString(Qt::ISODate)), qPrintable(stamp.value(1)));
    QVERIFY2(!stamp.value(1).section('|', 1).isEmpty(), "the operator's login name");
    // The number is on the page.
    QVERIFY(runTool("pdftotext", {m_outFile, "-"}).remove(QRegularExpression("\\s")).contains("4712"));

    // The test print mode goes to card.pdf and records nothing.
    m_window->findChild<QLineEdit*>("lineEditForm")->setText("ООО qzk");
    click(m_window.get(), "buttonPrint");
    QVERIFY(QFile::exists("card.pdf"));
    QCOMPARE(m_window->findChild<QLabel*>("labelStatus")->text(), QString("Карточка отправлена в файл «card.pdf»."));
    QCOMPARE(registerRows("number"), (QStringList{"4711", "4712"}));
}

void TestJournal::spoiledAndReprint()
{
    startWindow();
    printAndWait();
    click(m_window.get(), "buttonJournal");
    auto* journal = m_window->findChild<JournalWindow*>();
    QVERIFY(journal && journal->isVisible());
    QCOMPARE(journal->windowTitle(), QString("Журнал выдачи"));
    auto* table = journal->findChild<QTableView*>("tableViewCards");
    QCOMPARE(table->model()->rowCount(), 1);
    // Styled like the main window's buttons.
    QCOMPARE(m_window->findChild<QPushButton*>("buttonJournal")->styleSheet(),
             m_window->findChild<QPushButton*>("buttonPrint")->styleSheet());
    QCOMPARE(journal->findChild<QPushButton*>("buttonSpoiled")->styleSheet(),
             m_window->findChild<QPushButton*>("buttonPrint")->styleSheet());

    table->selectRow(0);
    QTimer::singleShot(50, [] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (dialog) {
            dialog->setTextValue("  замятие; \"бумага\"  ");
            dialog->accept();
        }
    });
    click(journal, "buttonSpoiled");
    QCOMPARE(registerRows("number, status, note"), QStringList{"1|spoiled|замятие; \"бумага\""});

    // A card spoiled already is asked about, and not marked a second time.
    table->selectRow(0);
    QFile::remove(m_outFile);
    testsupport::ModalAnswer question(testsupport::clickButton("Печатать"));
    question.arm();
    click(journal, "buttonReprint");
    QVERIFY(question.answered());
    QCOMPARE(question.text(), QString("Напечатать новую карточку взамен № 1? Карточка № 1 уже отмечена испорченной."));
    QVERIFY(testsupport::waitForQueueFile(m_queue, QByteArray()));
    QCOMPARE(registerRows("number, status, note, company, surname, name, patron, form, comp, issue_date"),
             (QStringList{"1|spoiled|замятие; \"бумага\"|ООО Щит|Жуков|Иван|Петрович|ООО|Щит|15.03.2024",
                          "2|issued|Взамен карточки № 1|ООО Щит|Жуков|Иван|Петрович|ООО|Щит|15.03.2024"}));
    const QString page = runTool("pdftotext", {m_outFile, "-"}).remove(QRegularExpression("\\s"));
    QVERIFY2(page.contains("Жуков") && page.contains("Петрович") && page.contains("2"), qPrintable(page));

    // Newest first, and the filters narrow the rows shown.
    QCOMPARE(table->model()->index(0, 0).data().toString(), QString("2"));
    journal->findChild<QLineEdit*>("lineEditPersonFilter")->setText("жУКОВ");
    QCOMPARE(table->model()->rowCount(), 2);
    journal->findChild<QLineEdit*>("lineEditCompanyFilter")->setText("меч");
    QCOMPARE(table->model()->rowCount(), 0);
}

void TestJournal::twoProcessesNeverShareNumber()
{
    startWindow();  // makes the database
    m_window.reset();
    const int prints = 5;
    QProcess children[2];
    for (int i = 0; i < 2; ++i) {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("CARDPRINT_JOURNAL_CHILD", QString::number(prints));
        environment.insert("CARDPRINT_JOURNAL_NAME", QString("Процесс%1").arg(i));
        children[i].setProcessEnvironment(environment);
        children[i].setWorkingDirectory(m_dir->path());
        children[i].start(QCoreApplication::applicationFilePath(), QStringList());
    }
    for (QProcess& child : children) {
        QVERIFY(child.waitForFinished(120000));
        QVERIFY2(child.exitCode() == 0, child.readAllStandardError().constData());
    }
    const QStringList rows = registerRows("number, status, surname");
    qInfo("%s", qPrintable(rows.join(", ")));
    QCOMPARE(rows.size(), 2 * prints);
    QSet<QString> numbers;
    int first = 0;
    for (const QString& row : rows) {
        numbers.insert(row.section('|', 0, 0));
        QCOMPARE(row.section('|', 1, 1), QString("issued"));
        first += row.section('|', 2) == "Процесс0" ? 1 : 0;
    }
    QCOMPARE(numbers.size(), 2 * prints);
    QCOMPARE(first, prints);
}

void TestJournal::readOnlyRegisterStillPrints()
{
    SQLITE_ONLY("a file opened read-only");
    startWindow();  // makes the database
    m_window.reset();
    QVERIFY(execCheck("DROP TABLE cards"));
    // A file format write version above 2 makes SQLite open the file read-only,
    // whoever runs the program.
    QFile file("dataBase.db");
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.seek(18));
    QVERIFY(file.putChar(3));
    file.close();

    startWindow();
    QFile::remove(m_outFile);
    const QString message = answerMessage([&] { click(m_window.get(), "buttonPrint"); });
    QVERIFY2(message.startsWith("Карточка напечатана, но не записана в журнал выдачи: "), qPrintable(message));
    QVERIFY(testsupport::waitForQueueFile(m_queue, QByteArray()));
    const QString journal = answerMessage([&] { click(m_window.get(), "buttonJournal"); });
    QVERIFY2(journal.startsWith("Журнал выдачи недоступен: "), qPrintable(journal));
    QVERIFY(!m_window->findChild<JournalWindow*>());
}

void TestJournal::exportFailureIsShown()
{
    startWindow();
    click(m_window.get(), "buttonJournal");
    auto* journal = m_window->findChild<JournalWindow*>();
    QVERIFY(journal);
    QVERIFY(QDir().mkdir("журнал.csv"));
    bool result = true;
    const QString message = answerMessage([&] { result = journal->exportTo("журнал.csv"); });
    QVERIFY(!result);
    QVERIFY2(message.startsWith("Не удалось записать файл \"журнал.csv\": "), qPrintable(message));
    QVERIFY(journal->exportTo("выгрузка.csv"));
    QCOMPARE(m_dir->readFile("выгрузка.csv").count('\n'), 1);  // the header row alone
    QCOMPARE(journal->findChild<QLabel*>("labelStatus")->text(),
             QString("Выгружено строк журнала: 0 в файл «выгрузка.csv»."));
}

// A reprint asks first: refused, nothing is printed; accepted, the new card
// is printed and the card it replaces is marked spoiled, once.
void TestJournal::reprintAsksAndMarksReplacedCard()
{
    startWindow();
    printAndWait();
    click(m_window.get(), "buttonJournal");
    auto* journal = m_window->findChild<JournalWindow*>();
    QVERIFY(journal);
    auto* table = journal->findChild<QTableView*>("tableViewCards");
    table->selectRow(0);
    const int jobs = testsupport::jobCount(m_queue);
    testsupport::ModalAnswer refuse(testsupport::clickButton("Отмена"));
    refuse.arm();
    click(journal, "buttonReprint");
    QVERIFY(refuse.answered());
    QCOMPARE(refuse.text(), QString("Напечатать новую карточку взамен № 1? Карточка № 1 будет отмечена испорченной."));
    QCOMPARE(refuse.defaultButtonText(), QString("Отмена"));
    QCOMPARE(registerRows("number, status"), QStringList{"1|issued"});
    QCOMPARE(testsupport::jobCount(m_queue), jobs);

    table->selectRow(0);
    QFile::remove(m_outFile);
    testsupport::ModalAnswer accept(testsupport::clickButton("Печатать"));
    accept.arm();
    click(journal, "buttonReprint");
    QVERIFY(accept.answered());
    QVERIFY(testsupport::waitForQueueFile(m_queue, QByteArray()));
    QCOMPARE(registerRows("number, status, note"),
             (QStringList{"1|spoiled|Заменена карточкой № 2", "2|issued|Взамен карточки № 1"}));
    const QString report = QString("Карточка № 2 взамен № 1 отправлена на принтер «%1».").arg(m_queue);
    QCOMPARE(m_window->findChild<QLabel*>("labelStatus")->text(), report);
    QCOMPARE(journal->findChild<QLabel*>("labelStatus")->text(), report);
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const int prints = qEnvironmentVariableIntValue("CARDPRINT_JOURNAL_CHILD");
    if (prints > 0)
        return printInChild(prints);
    TestJournal test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_journal.moc"
