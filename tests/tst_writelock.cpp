#include "recordwindow.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include <memory>
#include <vector>

using recordtest::Person;
using recordtest::Session;

// Several copies of the program writing to one "dataBase.db": a writer waits
// for another's write lock instead of failing, and no save is refused.
class TestWriteLock : public QObject
{
    Q_OBJECT

private slots:
    void operationWaitsForOtherWriter_data();
    void operationWaitsForOtherWriter();
    void concurrentSavesAllArrive();

private:
    static void prepare(Session& s, const QString& operation);
};

namespace {

const QString writer = QStringLiteral(CARDPRINT_TESTWRITER);

// Starts a process that holds the write lock of file for ms milliseconds;
// returns once the lock is taken.
std::unique_ptr<QProcess> holdLock(const QString& file, int ms)
{
    std::unique_ptr<QProcess> holder(new QProcess);
    holder->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    holder->start(writer, {QStringLiteral("hold"), file, QString::number(ms)});
    if (!holder->waitForReadyRead(30000) || !holder->readLine().startsWith("held"))
        return nullptr;
    return holder;
}

} // namespace

// Selects rows and fills the form for the operation; the click comes later.
void TestWriteLock::prepare(Session& s, const QString& operation)
{
    if (operation == "save") {
        const QStringList names{"lineEditSurname", "lineEditForm", "lineEditComp", "lineEditDir"};
        const QStringList texts{"Петров", "ООО", "Альфа", "П.П. Петров"};
        for (int i = 0; i < names.size(); ++i)
            s.retype(names.at(i), texts.at(i));
        return;
    }
    s.clickRow(s.companies(), "ООО Альфа");
    if (operation == "update organisation")
        s.retype("lineEditComp", "Омега");
    if (operation == "update employee") {
        s.clickRow(s.personnel(), "Иванов Иван Иванович");
        s.retype("lineEditSurname", "Иванов-Ли");
    }
    if (operation == "delete employee")
        s.clickRow(s.personnel(), "Сидорова Анна");
    if (operation.startsWith("delete"))
        s.boxes().answers << QStringLiteral("Да");
}

void TestWriteLock::operationWaitsForOtherWriter_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("checkSql");
    QTest::addColumn<QString>("expected");

    QTest::newRow("save") << "save"
                          << "buttonSave"
                          << "SELECT (SELECT COUNT(*) FROM companies) || '/' || COUNT(*) FROM personal "
                             "WHERE Фамилия='Петров' AND id='ООО Альфа'"
                          << "2/1";
    QTest::newRow("update employee") << "update employee"
                                     << "buttonUpdate"
                                     << "SELECT Фамилия FROM personal WHERE Имя='Иван'"
                                     << "Иванов-Ли";
    QTest::newRow("update organisation") << "update organisation"
                                         << "buttonUpdate"
                                         << "SELECT (SELECT Наименование FROM companies WHERE Форма='ООО') || '/' "
                                            "|| COUNT(*) FROM personal WHERE id='ООО Омега'"
                                         << "Омега/2";
    QTest::newRow("delete employee") << "delete employee"
                                     << "buttonDeletePerson"
                                     << "SELECT group_concat(Фамилия) FROM personal WHERE id='ООО Альфа'"
                                     << "Иванов";
    QTest::newRow("delete organisation") << "delete organisation"
                                         << "buttonDeleteCompany"
                                         << "SELECT (SELECT COUNT(*) FROM companies) || '/' || COUNT(*) FROM personal"
                                         << "1/1";
}

void TestWriteLock::operationWaitsForOtherWriter()
{
    QFETCH(QString, operation);
    QFETCH(QString, button);
    QFETCH(QString, checkSql);
    QFETCH(QString, expected);
    Session s;
    const QList<Person> people{
        {"ООО Альфа", "Иванов", "Иван", "Иванович", "Директор", "П.П. Петров", "01.02.2020"},
        {"ООО Альфа", "Сидорова", "Анна", "", "Директор", "П.П. Петров", "03.02.2020"},
        {"АО Бета", "Смит", "Джон", "", "Director", "J. Doe", "04.05.2021"},
    };
    QVERIFY(s.seed({{"ООО", "Альфа"}, {"АО", "Бета"}}, people) && s.start());
    prepare(s, operation);
    const int answers = s.boxes().answers.size();

    const std::unique_ptr<QProcess> holder = holdLock(QDir::current().filePath("dataBase.db"), 1000);
    QVERIFY(holder);
    QElapsedTimer clock;
    clock.start();
    s.click(button);
    // The click returns only after the other writer let go of the lock.
    QVERIFY2(clock.elapsed() >= 500, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(holder->waitForFinished(30000));
    QCOMPARE(holder->exitCode(), 0);

    QCOMPARE(s.boxes().boxes.size(), answers); // only the confirmation of a delete
    QCOMPARE(s.rows(checkSql), QList<QStringList>{{expected}});
    QCOMPARE(s.rows("SELECT x FROM holder"), QList<QStringList>{{"held"}});
}

void TestWriteLock::concurrentSavesAllArrive()
{
    const int processes = 4;
    const int saves = 15;
    Session s;
    QVERIFY(s.seed({}) && s.start());
    std::vector<std::unique_ptr<QProcess>> writers;
    for (int i = 0; i < processes; ++i) {
        writers.emplace_back(new QProcess);
        writers.back()->setProcessChannelMode(QProcess::ForwardedChannels);
        writers.back()->start(writer, {"save", QDir::currentPath(), QString::number(saves), QString("Писарь%1").arg(i)});
    }
    for (const auto& process : writers) {
        QVERIFY(process->waitForFinished(120000));
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), 0); // no message box in any of them
    }
    // One organisation, although every process looked for it before writing it.
    QCOMPARE(s.rows("SELECT COUNT(*) FROM companies"), QList<QStringList>{{"1"}});
    QCOMPARE(s.rows("SELECT COUNT(*), COUNT(DISTINCT Фамилия) FROM personal WHERE id='ООО Стресс'"),
             (QList<QStringList>{{QString::number(processes * saves), QString::number(processes * saves)}}));
}

QTEST_MAIN(TestWriteLock)
#include "tst_writelock.moc"
