#include "app/security.h"
#include "backup/backups.h"
#include "db/database.h"
#include "db/failurecause.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using testsupport::WorkDir;

// Failed writes name their cause: a read-only file or folder, a full disk, a
// damaged database, a database another program holds.
class TestFailureCause : public QObject
{
    Q_OBJECT

private slots:
    void writeFailureNamesCause_data();
    void writeFailureNamesCause();
    void damagedDatabaseNamesTheRestore_data();
    void damagedDatabaseNamesTheRestore();
};

namespace {

const QString kTable = QStringLiteral("CREATE TABLE companies (Форма TEXT,Наименование TEXT,name TEXT)");

// Runs the statements on file through a connection of the test's own.
bool execAll(const QString& file, const QStringList& statements, const QString& name = "cause-setup")
{
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
        db.setDatabaseName(file);
        ok = db.open();
        QSqlQuery query(db);
        for (const QString& sql : statements)
            ok = ok && query.exec(sql);
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

// The message of one insert through the program's connection, as a save shows it.
QString insertMessage(DataBase& db, const QString& name)
{
    const bool written = db.writeTransaction([&] {
        return db.insertRecord("companies", {"Форма", "Наименование", "name"}, {"ООО", name, name});
    });
    return written ? QString() : db::withCause("Ошибка записи в базу данных", db.lastFailure());
}

} // namespace

void TestFailureCause::writeFailureNamesCause_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::addColumn<QString>("cause");
    QTest::newRow("read-only file") << "file" << "только для чтения";
    QTest::newRow("read-only folder") << "folder" << "только для чтения";
    QTest::newRow("disk full (page limit)") << "full" << "нет места на диске";
    QTest::newRow("lock held past the timeout") << "lock" << "занята другой программой";
}

void TestFailureCause::writeFailureNamesCause()
{
    QFETCH(QString, obstacle);
    QFETCH(QString, cause);
    WorkDir dir;
    QVERIFY(execAll(dir.filePath("dataBase.db"), {kTable}));
    // An operator's rights: root would write into a read-only file.
    const QFileDevice::Permissions read = QFileDevice::ReadOwner | QFileDevice::ReadOther;
    const QFileDevice::Permissions enter = QFileDevice::ExeOwner | QFileDevice::ExeOther;
    const QFileDevice::Permissions write = QFileDevice::WriteOwner | QFileDevice::WriteOther;
    QVERIFY(QFile::setPermissions(dir.path(), read | enter | (obstacle == "folder" ? QFileDevice::Permissions() : write)));
    QVERIFY(QFile::setPermissions(dir.filePath("dataBase.db"),
                                  read | (obstacle == "file" ? QFileDevice::Permissions() : write)));
    testsupport::Unprivileged user;
    QVERIFY(user.isActive());
    QString message;
    {
        DataBase db;
        db.setConnection("cause-program");
        QString file = dir.filePath("dataBase.db");
        QVERIFY(db.open(file));
        QVERIFY(db.countRows("companies") == 0);
        if (obstacle == "full") { // the file may not grow by a page
            QVERIFY(db.execute("PRAGMA max_page_count = " + QString::number(QFile(file).size() / 4096)));
            message = insertMessage(db, QString(20000, 'x'));
        } else if (obstacle == "lock") {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "cause-other");
            other.setDatabaseName(file);
            QVERIFY(other.open() && QSqlQuery(other).exec("BEGIN IMMEDIATE"));
            message = insertMessage(db, "Щит");
            other.close();
        } else {
            message = insertMessage(db, "Щит");
        }
        db.close();
    }
    QSqlDatabase::removeDatabase("cause-other");
    QSqlDatabase::removeDatabase("cause-program");
    QVERIFY2(message.startsWith("Ошибка записи в базу данных: ") && message.contains(cause), qPrintable(message));
}

void TestFailureCause::damagedDatabaseNamesTheRestore_data()
{
    QTest::addColumn<bool>("window"); // else the command line's import
    QTest::newRow("window") << true;
    QTest::newRow("command line") << false;
}

// The window and the command line name the damage and the restore of the
// newest copy that is sound, not today's copy of the damaged file.
void TestFailureCause::damagedDatabaseNamesTheRestore()
{
    QFETCH(bool, window);
    WorkDir dir;
    QVERIFY(dir.seedParams() && execAll(dir.filePath("dataBase.db"), {kTable}));
    QString error;
    QVERIFY(backups::make(dir.path(), "2026-03-12", &error) && backups::make(dir.path(), "2026-03-13", &error));
    QVERIFY(QDir(dir.path()).mkpath("backups/2026-03-14"));
    QVERIFY(dir.writeFile("backups/2026-03-14/dataBase.db", QByteArray(8192, 'z')));
    QVERIFY(dir.writeFile("dataBase.db", QByteArray(8192, 'z')));
    QString message;
    if (window) {
        testsupport::ModalAnswer answer(testsupport::clickOk());
        answer.arm(30000);
        Security program;
        QCOMPARE(program.initialize(), -1);
        message = answer.text();
    } else {
        QVERIFY(dir.writeFile("list.csv", "Фамилия;Имя;Организация\nИванов;Иван;ООО Щит\n"));
        QProcess process;
        process.start(CARDPRINT_BINARY, {"--workdir", dir.path(), "--import", dir.filePath("list.csv")});
        QVERIFY(process.waitForFinished(30000));
        QVERIFY(process.exitCode() != 0);
        message = QString::fromUtf8(process.readAllStandardError());
    }
    QVERIFY2(message.contains("база данных повреждена") && message.contains("cardprint --restore-backup 2026-03-13"),
             qPrintable(message));
    QCOMPARE(dir.readFile("dataBase.db"), QByteArray(8192, 'z'));
}

QTEST_MAIN(TestFailureCause)
#include "tst_failurecause.moc"
