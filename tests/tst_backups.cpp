#include "app/security.h"
#include "backup/backups.h"
#include "backup/sqlitecopy.h"
#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

using testsupport::WorkDir;

// The daily copies of the database and the layout file, and their restore.
class TestBackups : public QObject
{
    Q_OBJECT

private slots:
    void dailyCopyOncePerDay();
    void copyIsConsistentWhileAnotherWrites();
    void prunedToNewest();
    void restoreRoundTrips_data();
    void restoreRoundTrips();
    void copyFailureChangesNothing_data();
    void copyFailureChangesNothing();
    void restoreRefusesBadInput_data();
    void restoreRefusesBadInput();
    void startupCopiesOrWarns_data();
    void startupCopiesOrWarns();
    void commandLine();
    void restoreWaitsOutALongLock();
    void linksAreLeftAlone_data();
    void linksAreLeftAlone();
    void restoreRefusesLinks_data();
    void restoreRefusesLinks();
};

namespace {

const QDate day(2026, 3, 14);

// Runs the statements on file through a connection of the test's own.
bool execAll(const QString& file, const QStringList& statements)
{
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "backupcheck");
        db.setDatabaseName(file);
        ok = db.open();
        QSqlQuery query(db);
        for (const QString& sql : statements)
            ok = ok && query.exec(sql);
    }
    QSqlDatabase::removeDatabase("backupcheck");
    return ok;
}

// The names in the table companies of file, or "<error>".
QStringList names(const QString& file)
{
    QStringList result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "backupread");
        db.setDatabaseName(file);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        QSqlQuery query(db);
        if (!db.open() || !query.exec("SELECT name FROM companies ORDER BY rowid"))
            result << "<error>";
        while (query.next())
            result << query.value(0).toString();
    }
    QSqlDatabase::removeDatabase("backupread");
    return result;
}

bool makeDatabase(const WorkDir& dir, const QStringList& companies, int padRows = 0)
{
    QStringList sql{"CREATE TABLE IF NOT EXISTS companies (Форма TEXT,Наименование TEXT,name TEXT)",
                    "CREATE TABLE IF NOT EXISTS pad (x TEXT)", "DELETE FROM companies", "BEGIN"};
    for (const QString& name : companies)
        sql << QString("INSERT INTO companies VALUES ('ООО', '%1', '%1')").arg(name);
    for (int i = 0; i < padRows; ++i)
        sql << "INSERT INTO pad VALUES (hex(randomblob(200)))";
    return execAll(dir.filePath("dataBase.db"), sql << "COMMIT");
}

QString copyPath(const WorkDir& dir, const QString& name, const QString& file)
{
    return dir.filePath("backups/" + name + "/" + file);
}

// Everything in "backups/", hidden entries included.
QStringList backupEntries(const WorkDir& dir)
{
    return QDir(dir.filePath("backups")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Caps the size of files this process writes, the way a full disk stops a write.
class FullDisk
{
public:
    explicit FullDisk(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit capped = m_saved;
        capped.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &capped);
    }
    ~FullDisk() { setrlimit(RLIMIT_FSIZE, &m_saved); }

private:
    rlimit m_saved{};
};

} // namespace

void TestBackups::dailyCopyOncePerDay()
{
    WorkDir dir;
    QVERIFY(dir.seedParams() && makeDatabase(dir, {"первая"}));
    QString error;
    QVERIFY2(backups::makeDaily(dir.path(), day, &error), qPrintable(error));
    QCOMPARE(names(copyPath(dir, "2026-03-14", "dataBase.db")), QStringList{"первая"});
    QCOMPARE(QFile(copyPath(dir, "2026-03-14", "params.txt")).size(), QFile(dir.filePath("params.txt")).size());

    QVERIFY(makeDatabase(dir, {"вторая"}));
    QVERIFY(backups::makeDaily(dir.path(), day, &error));
    QCOMPARE(names(copyPath(dir, "2026-03-14", "dataBase.db")), QStringList{"первая"});
    QVERIFY(backups::makeDaily(dir.path(), day.addDays(1), &error));
    QCOMPARE(names(copyPath(dir, "2026-03-15", "dataBase.db")), QStringList{"вторая"});
    QCOMPARE(backups::list(dir.path()), (QStringList{"2026-03-14", "2026-03-15"}));
    QCOMPARE(backupEntries(dir), (QStringList{"2026-03-14", "2026-03-15"}));
}

void TestBackups::copyIsConsistentWhileAnotherWrites()
{
    WorkDir dir;
    QVERIFY(dir.seedParams() && makeDatabase(dir, {"первая"}, 500));
    QProcess holder;
    holder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    holder.start(CARDPRINT_TESTWRITER, {"hold", dir.filePath("dataBase.db"), "1000"});
    QVERIFY(holder.waitForReadyRead(30000));
    QVERIFY(holder.readLine().startsWith("held"));

    QString error;
    QVERIFY2(backups::makeDaily(dir.path(), day, &error), qPrintable(error));
    QVERIFY(holder.waitForFinished(30000));
    QCOMPARE(holder.exitCode(), 0);
    // The copy holds the committed state only: the writer's open transaction is not in it.
    const QString copy = copyPath(dir, "2026-03-14", "dataBase.db");
    QVERIFY2(sqlitecopy::verify(copy, &error), qPrintable(error));
    QCOMPARE(names(copy), QStringList{"первая"});
    QVERIFY(!execAll(copy, {"SELECT x FROM holder"}));
    QVERIFY(execAll(dir.filePath("dataBase.db"), {"SELECT x FROM holder"}));
}

void TestBackups::prunedToNewest()
{
    WorkDir dir;
    QVERIFY(dir.seedParams() && makeDatabase(dir, {"первая"}));
    QVERIFY(QDir(dir.path()).mkpath("backups/заметки"));
    QStringList old;
    for (int i = 1; i <= 35; ++i) {
        old << day.addDays(-i).toString("yyyy-MM-dd");
        QVERIFY(QDir(dir.path()).mkpath("backups/" + old.last()));
    }
    QString error;
    QVERIFY(backups::makeDaily(dir.path(), day, &error));
    const QStringList kept = backups::list(dir.path());
    QCOMPARE(kept.size(), 30);
    QCOMPARE(kept.last(), QString("2026-03-14"));
    QCOMPARE(kept.first(), old.at(28));
    QVERIFY(!QDir(dir.filePath("backups/" + old.at(29))).exists());
    QVERIFY(QDir(dir.filePath("backups/заметки")).exists());
}

void TestBackups::restoreRoundTrips_data()
{
    QTest::addColumn<QByteArray>("current"); // written over the current database; empty: a sound one
    QTest::newRow("sound database") << QByteArray();
    QTest::newRow("damaged database") << QByteArray("SQLite format 3").leftJustified(4096, '\x5a');
}

void TestBackups::restoreRoundTrips()
{
    QFETCH(QByteArray, current);
    WorkDir dir;
    QVERIFY(dir.seedParams() && makeDatabase(dir, {"первая", "вторая"}));
    const QByteArray params = dir.readFile("params.txt");
    QString error;
    QVERIFY(backups::makeDaily(dir.path(), day, &error));
    QVERIFY(makeDatabase(dir, {"третья"}));
    QVERIFY(current.isEmpty() || dir.writeFile("dataBase.db", current));
    QVERIFY(dir.writeFile("params.txt", "{}"));

    QString savedAs;
    QVERIFY2(backups::restore(dir.path(), "2026-03-14", QDateTime(day, QTime(10, 20, 30)), &savedAs, &error),
             qPrintable(error));
    QCOMPARE(savedAs, QString("2026-03-14_102030"));
    QCOMPARE(names(dir.filePath("dataBase.db")), (QStringList{"первая", "вторая"}));
    QCOMPARE(dir.readFile("params.txt"), params);
    if (current.isEmpty())
        QCOMPARE(names(copyPath(dir, savedAs, "dataBase.db")), QStringList{"третья"});
    else
        QCOMPARE(dir.readFile("backups/" + savedAs + "/dataBase.db"), current);
    QCOMPARE(QFile(copyPath(dir, savedAs, "params.txt")).size(), 2);
    QCOMPARE(backups::list(dir.path()), (QStringList{"2026-03-14", savedAs}));
}

void TestBackups::copyFailureChangesNothing_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::newRow("backups is a file") << "file";
    QTest::newRow("disk full") << "full";
}

void TestBackups::copyFailureChangesNothing()
{
    QFETCH(QString, obstacle);
    WorkDir dir;
    QVERIFY(dir.seedParams() && makeDatabase(dir, {"первая"}, 1000));
    if (obstacle == "file")
        QVERIFY(dir.writeFile("backups", "не папка"));
    const QByteArray database = dir.readFile("dataBase.db");
    QString error;
    bool made = true;
    {
        FullDisk full(obstacle == "full" ? 64 * 1024 : RLIM_INFINITY);
        made = backups::makeDaily(dir.path(), day, &error);
    }
    QVERIFY(!made);
    QVERIFY2(error.contains(obstacle == "file" ? "backups" : "dataBase.db"), qPrintable(error));
    QCOMPARE(dir.readFile("dataBase.db"), database);
    if (obstacle == "full")
        QCOMPARE(backupEntries(dir), QStringList()); // no half-made copy left
}

void TestBackups::restoreRefusesBadInput_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("copyBytes"); // written over the copy's database; empty: left alone
    QTest::addColumn<bool>("fullDisk");
    QTest::addColumn<QString>("reason");

    QTest::newRow("unknown copy") << "2026-03-13" << QByteArray() << false << "нет";
    QTest::newRow("path instead of name") << "../backups/2026-03-14" << QByteArray() << false << "нет";
    QTest::newRow("not a database") << "2026-03-14" << QByteArray("просто текст, а не база данных") << false
                                    << "повреждена";
    QTest::newRow("cut short") << "2026-03-14" << QByteArray("cut") << false << "повреждена";
    QTest::newRow("damaged page") << "2026-03-14" << QByteArray("page") << false << "повреждена";
    QTest::newRow("disk full") << "2026-03-14" << QByteArray() << true << "не восстановлена";
}

void TestBackups::restoreRefusesBadInput()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, copyBytes);
    QFETCH(bool, fullDisk);
    QFETCH(QString, reason);
    WorkDir dir;
    QVERIFY(dir.seedParams() && makeDatabase(dir, {"старая"}, 1500));
    QString error;
    QVERIFY(backups::makeDaily(dir.path(), day, &error));
    QVERIFY(makeDatabase(dir, {"текущая"}));
    QVERIFY(execAll(dir.filePath("dataBase.db"), {"DELETE FROM pad", "VACUUM"}));

    const QString copy = copyPath(dir, "2026-03-14", "dataBase.db");
    QFile file(copy);
    if (copyBytes == "cut") {
        QVERIFY(file.resize(file.size() / 2));
    } else if (copyBytes == "page") {
        // Garbage in the middle of the file: the header still says "SQLite".
        QVERIFY(file.open(QIODevice::ReadWrite) && file.seek(file.size() / 2));
        QVERIFY(file.write(QByteArray(8192, '\x5a')) == 8192);
        file.close();
    } else if (!copyBytes.isEmpty()) {
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(copyBytes) > 0);
        file.close();
    }
    const QByteArray database = dir.readFile("dataBase.db");
    const QByteArray params = dir.readFile("params.txt");
    QString savedAs;
    bool restored = true;
    {
        FullDisk full(fullDisk ? 128 * 1024 : RLIM_INFINITY);
        restored = backups::restore(dir.path(), name, QDateTime(day, QTime(9, 0)), &savedAs, &error);
    }
    QVERIFY(!restored);
    QVERIFY2(error.contains(reason) && error.contains("текущие файлы не изменены"), qPrintable(error));
    QCOMPARE(dir.readFile("dataBase.db"), database);
    QCOMPARE(dir.readFile("params.txt"), params);
    QCOMPARE(names(dir.filePath("dataBase.db")), QStringList{"текущая"});
}

void TestBackups::startupCopiesOrWarns_data()
{
    QTest::addColumn<bool>("blocked");
    QTest::newRow("copy made") << false;
    QTest::newRow("backups is a file") << true;
}

void TestBackups::startupCopiesOrWarns()
{
    QFETCH(bool, blocked);
    WorkDir dir;
    QVERIFY(dir.seedParams() && makeDatabase(dir, {"первая"}));
    if (blocked)
        QVERIFY(dir.writeFile("backups", ""));
    testsupport::ModalAnswer answer(testsupport::clickOk());
    answer.arm();
    {
        Security window;
        QCOMPARE(window.initialize(), 0); // a failed copy never stops the program
    }
    QCOMPARE(answer.answered(), blocked);
    const QString today = QDate::currentDate().toString("yyyy-MM-dd");
    if (blocked) {
        QCOMPARE(answer.title(), QString("Ошибка"));
        QVERIFY2(answer.text().startsWith("Не удалось сделать резервную копию: "), qPrintable(answer.text()));
    } else {
        QCOMPARE(backups::list(dir.path()), QStringList{today});
        QCOMPARE(names(copyPath(dir, today, "dataBase.db")), QStringList{"первая"});
    }
}

// The options run through the program's command line, in its working folder, without a window.
void TestBackups::commandLine()
{
    WorkDir dir;
    QVERIFY(dir.seedParams() && makeDatabase(dir, {"первая"}));
    QProcess program;
    const auto run = [&](const QStringList& args) {
        program.start(CARDPRINT_BINARY, QStringList{"--workdir", dir.path()} + args);
        return program.waitForFinished(30000) ? program.exitCode() : -1;
    };
    QCOMPARE(run({"--list-backups"}), 0);
    QVERIFY(QString::fromUtf8(program.readAllStandardOutput()).startsWith("Резервных копий нет"));

    QString error;
    QVERIFY(backups::makeDaily(dir.path(), day, &error));
    QVERIFY(makeDatabase(dir, {"вторая"}));
    QCOMPARE(run({"--list-backups"}), 0);
    const QString listed = QString::fromUtf8(program.readAllStandardOutput());
    QVERIFY2(listed.startsWith("2026-03-14  dataBase.db (") && listed.contains("params.txt"), qPrintable(listed));

    QCOMPARE(run({"--restore-backup", "2026-03-13"}), 1);
    QVERIFY(QString::fromUtf8(program.readAllStandardError()).startsWith("Ошибка восстановления: "));
    QCOMPARE(run({"--restore-backup", "2026-03-14"}), 0);
    QVERIFY(!program.readAllStandardOutput().contains("pg_restore"));
    QCOMPARE(names(dir.filePath("dataBase.db")), QStringList{"первая"});
    // The options open no window, so no copy of the day is made.
    QCOMPARE(backups::list(dir.path()).size(), 2);
    QVERIFY(!backups::list(dir.path()).contains(QDate::currentDate().toString("yyyy-MM-dd")));

    // Records kept on a server are not in the copy, and the restore says so.
    QVERIFY(dir.writeFile("database.json",
                          R"({"driver": "QPSQL", "host": "db.office.lan", "port": 5432, "name": "cards", "user": "op"})"));
    QCOMPARE(run({"--restore-backup", "2026-03-14"}), 0);
    const QString restored = QString::fromUtf8(program.readAllStandardOutput());
    QVERIFY2(restored.contains("db.office.lan:5432") && restored.contains("pg_restore"), qPrintable(restored));
}

// Another program keeps the database's write lock for longer than one busy
// timeout: the restore waits it out and puts the copy back whole.
void TestBackups::restoreWaitsOutALongLock()
{
    WorkDir dir;
    QVERIFY(dir.seedParams() && makeDatabase(dir, {"первая"}));
    QString error;
    QVERIFY(backups::makeDaily(dir.path(), day, &error));
    QVERIFY(makeDatabase(dir, {"вторая"}));
    QProcess holder;
    holder.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    holder.start(CARDPRINT_TESTWRITER, {"hold", dir.filePath("dataBase.db"), "7000"}); // the timeout is 5 s
    QVERIFY(holder.waitForReadyRead(30000));
    QVERIFY(holder.readLine().startsWith("held"));

    QString savedAs;
    QVERIFY2(backups::restore(dir.path(), "2026-03-14", QDateTime(day, QTime(9, 0)), &savedAs, &error),
             qPrintable(error));
    QVERIFY(holder.waitForFinished(30000));
    QCOMPARE(holder.exitCode(), 0);
    QCOMPARE(names(dir.filePath("dataBase.db")), QStringList{"первая"});
    QVERIFY(!execAll(dir.filePath("dataBase.db"), {"SELECT x FROM holder"})); // the holder's table went with it
    QCOMPARE(names(copyPath(dir, savedAs, "dataBase.db")), QStringList{"вторая"});
}

// A folder outside the working folder with dated folders of its own, each
// holding a file, the way any folder of the machine may look.
QStringList fillElsewhere(const QString& path)
{
    for (int i = 1; i <= 35; ++i) {
        const QString name = day.addDays(-100 - i).toString("yyyy-MM-dd");
        QDir(path).mkpath(name + "/вложенная");
        QFile file(path + "/" + name + "/вложенная/файл");
        file.open(QIODevice::WriteOnly);
        file.write("данные");
    }
    return QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
}

void TestBackups::linksAreLeftAlone_data()
{
    QTest::addColumn<QString>("link"); // made to point at the folder elsewhere
    QTest::addColumn<bool>("copyMade");
    QTest::newRow("dated link among the copies") << "backups/1999-12-31" << true;
    QTest::newRow("backups itself a link") << "backups" << false;
}

void TestBackups::linksAreLeftAlone()
{
    QFETCH(QString, link);
    QFETCH(bool, copyMade);
    QTemporaryDir elsewhere;
    const QStringList outside = fillElsewhere(elsewhere.path());
    WorkDir dir;
    QVERIFY(dir.seedParams() && makeDatabase(dir, {"первая"}));
    for (int i = 1; i <= 30 && copyMade; ++i)
        QVERIFY(QDir(dir.path()).mkpath("backups/" + day.addDays(-i).toString("yyyy-MM-dd")));
    QVERIFY(QFile::link(elsewhere.path(), dir.filePath(link)));

    QString error;
    QString warning;
    for (int start = 0; start < 2; ++start) // and again at the next start
        QCOMPARE(backups::makeDaily(dir.path(), day.addDays(start), &error, &warning), copyMade);
    QVERIFY2((copyMade ? warning : error).contains("\"" + link + "\""), qPrintable(error + warning));
    QCOMPARE(QDir(elsewhere.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), outside);
    QVERIFY(QFile(elsewhere.path() + "/" + outside.first() + "/вложенная/файл").exists());
    QVERIFY(QFileInfo(dir.filePath(link)).isSymLink());
    QCOMPARE(backups::list(dir.path()).size(), copyMade ? 30 : 0);
}

void TestBackups::restoreRefusesLinks_data()
{
    QTest::addColumn<QString>("link");
    QTest::addColumn<QString>("target"); // in the other working folder
    QTest::addColumn<QString>("name");
    QTest::newRow("linked copy") << "backups/2026-03-13" << "backups/2026-03-14" << "2026-03-13";
    QTest::newRow("linked database in a copy") << "backups/2026-03-14/dataBase.db" << "dataBase.db" << "2026-03-14";
    QTest::newRow("backups itself a link") << "backups" << "backups" << "2026-03-14";
}

void TestBackups::restoreRefusesLinks()
{
    QFETCH(QString, link);
    QFETCH(QString, target);
    QFETCH(QString, name);
    QString error;
    QTemporaryDir other;
    {
        WorkDir otherDir;
        QVERIFY(otherDir.seedParams() && makeDatabase(otherDir, {"чужая"}));
        QVERIFY(backups::makeDaily(otherDir.path(), day, &error));
        QVERIFY(QDir().rename(otherDir.path(), other.path() + "/work"));
    }
    WorkDir dir;
    QVERIFY(dir.seedParams() && makeDatabase(dir, {"своя"}));
    QVERIFY(backups::makeDaily(dir.path(), day, &error));
    QVERIFY(makeDatabase(dir, {"текущая"}));
    if (link == "backups")
        QVERIFY(QDir(dir.filePath("backups")).removeRecursively());
    QFile::remove(dir.filePath(link));
    QVERIFY(QFile::link(other.path() + "/work/" + target, dir.filePath(link)));

    QString savedAs;
    QVERIFY(!backups::restore(dir.path(), name, QDateTime(day, QTime(9, 0)), &savedAs, &error));
    QVERIFY2(error.contains("\"" + link + "\" — символическая ссылка") && error.contains("текущие файлы не изменены"),
             qPrintable(error));
    QCOMPARE(names(dir.filePath("dataBase.db")), QStringList{"текущая"});
}

QTEST_MAIN(TestBackups)
#include "tst_backups.moc"
