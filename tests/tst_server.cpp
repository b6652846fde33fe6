// The program on a database server: "database.json", start-up against the
// server, what the operator is told when the server cannot be used, the copy
// of "dataBase.db" onto the server, and two programs writing at once.

#include "db/serverconfig.h"
#include "journal/cardregister.h"
#include "recordwindow.h"
#include "support/testengine.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <iostream>
#include <string>

#include <sys/stat.h>

using recordtest::BoxWatcher;
using recordtest::Session;
using testsupport::WorkDir;

namespace {

const QString kCheck = QStringLiteral("server-check");
// Programs waiting for a lock in this test's database (other suites may wait in theirs).
const QString kWaiting = QStringLiteral("SELECT COUNT(*) FROM pg_locks WHERE NOT granted"
                                        " AND database=(SELECT oid FROM pg_database WHERE datname=current_database())");

db::ServerConfig configWithUser(const QString& user)
{
    db::ServerConfig config = testsupport::testServerConfig();
    config.user = user;
    return config;
}

// A connection of the test's own to the test database, removed with the object.
class Check
{
public:
    Check() { m_open = testsupport::openCheckConnection(kCheck, QString()); }
    ~Check()
    {
        QSqlDatabase::database(kCheck, false).close();
        QSqlDatabase::removeDatabase(kCheck);
    }
    bool isOpen() const { return m_open; }
    bool exec(const QString& statement) const { return testsupport::checkExec(kCheck, statement); }
    QStringList rows(const QString& statement) const { return testsupport::checkRows(kCheck, statement); }

private:
    bool m_open = false;
};

// Starts the program's window in the current folder; the result of initialize().
// A BoxWatcher of the caller answers the boxes it shows.
int startWindow(std::unique_ptr<Security>* window)
{
    window->reset(new Security);
    return (*window)->initialize();
}

// The program run as a command in folder (which holds "params.txt", so it is
// the working folder): its exit status and output.
struct Run
{
    int status = -1;
    QString out;
    QString err;
};

Run runProgram(const QString& folder, const QStringList& arguments)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(QStringLiteral(CARDPRINT_BINARY), arguments);
    Run run;
    if (!process.waitForFinished(60000))
        return run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// Another copy of the program: this test program started with --save-child
// in a working folder. It starts the window, says "ready", saves the
// employee below when told "go", and reports every message box it answered.
class Child
{
public:
    explicit Child(const QString& folder, const QString& mode = QStringLiteral("--save-child"))
    {
        m_process.setWorkingDirectory(folder);
        m_process.start(QCoreApplication::applicationFilePath(), {mode});
    }
    ~Child()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(30000);
        }
    }
    bool waitForLine(const QString& expected)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 60000) {
            if (m_process.canReadLine()) {
                const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
                m_lines << line;
                if (line == expected)
                    return true;
                continue;
            }
            if (!m_process.waitForReadyRead(200) && m_process.state() == QProcess::NotRunning)
                return false;
        }
        return false;
    }
    void go() { m_process.write("go\n"); }
    // The texts of the boxes shown by the save, after it ended.
    QStringList finish()
    {
        if (!waitForLine(QStringLiteral("done")))
            return {QStringLiteral("<no answer> ") + m_lines.join('/') + QString::fromUtf8(m_process.readAllStandardError())};
        m_process.waitForFinished(30000);
        QStringList boxes;
        for (const QString& line : m_lines) {
            if (line.startsWith(QLatin1String("box:")))
                boxes << line.mid(4);
        }
        return boxes;
    }
    QStringList lines() const { return m_lines; }
    qint64 savedInMs() const
    {
        for (const QString& line : m_lines) {
            if (line.startsWith(QLatin1String("ms:")))
                return line.mid(3).toLongLong();
        }
        return -1;
    }

private:
    QProcess m_process;
    QStringList m_lines;
};

// The side of --start-child: waits for "go", then starts the window.
int startChild()
{
    std::cout.setf(std::ios::unitbuf);
    BoxWatcher boxes;
    std::cout << "ready" << std::endl;
    std::string line;
    std::getline(std::cin, line);
    Security window;
    const int started = window.initialize();
    QTest::qWait(50);
    for (const recordtest::Box& box : boxes.boxes)
        std::cout << "box:" << box.text.toStdString() << std::endl;
    std::cout << "started:" << started << std::endl << "done" << std::endl;
    return 0;
}

// The side of --save-child.
int saveChild()
{
    std::cout.setf(std::ios::unitbuf);
    BoxWatcher boxes;
    Security window;
    if (window.initialize() != 0)
        return 1;
    window.show();
    std::cout << "ready" << std::endl;
    std::string line;
    std::getline(std::cin, line);
    const QList<QPair<const char*, const char*>> fields{
        {"lineEditSurname", "Иванов"},  {"lineEditName", "Иван"},       {"lineEditPatron", "Иванович"},
        {"lineEditForm", "ООО"},        {"lineEditComp", "Альфа"},      {"lineEditDirPost", "Директор"},
        {"lineEditDir", "П.П. Петров"}};
    for (const auto& field : fields)
        window.findChild<QLineEdit*>(QLatin1String(field.first))->setText(QString::fromUtf8(field.second));
    window.findChild<QDateEdit*>(QStringLiteral("lineEditDate"))->setDate(QDate(2024, 3, 1));
    QElapsedTimer timer;
    timer.start();
    window.findChild<QPushButton*>(QStringLiteral("buttonSave"))->click();
    const qint64 elapsed = timer.elapsed();
    QTest::qWait(100);
    for (const recordtest::Box& box : boxes.boxes)
        std::cout << "box:" << box.text.toStdString() << std::endl;
    std::cout << "ms:" << elapsed << std::endl << "done" << std::endl;
    return 0;
}

} // namespace

class TestServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void badConfigStopsStartUp_data();
    void badConfigStopsStartUp();
    void serverThatCannotBeUsed_data();
    void serverThatCannotBeUsed();
    void passwordComesFromThePasswordFile();
    void startUpCreatesTablesAndIndexesOnServer();
    void listsSortByCharacterCodes();
    void copyToServer();
    void copyIsAllOrNothing();
    void copyRefusals_data();
    void copyRefusals();
    void twoProgramsStartOnAnEmptyServer();
    void twoProgramsSaveTheSameEmployee();
    void lockedWriteGivesUpAfterTheBusyTimeout();
};

void TestServer::initTestCase()
{
    REQUIRE_TEST_ENGINE();
}

void TestServer::init()
{
    QString error;
    QVERIFY2(testsupport::resetServerDatabase(&error), qPrintable(error));
}

void TestServer::cleanup()
{
    QVERIFY(!QApplication::activeModalWidget());
}

void TestServer::badConfigStopsStartUp_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QString>("problem");

    const QByteArray tail = R"("host": "db", "port": 5432, "name": "cards", "user": "op")";
    QTest::newRow("not JSON") << QByteArray("driver=QPSQL") << "это не JSON";
    QTest::newRow("cut short") << QByteArray(R"({"driver": "QPSQL", "host": )") << "это не JSON";
    QTest::newRow("array") << QByteArray(R"(["QPSQL"])") << "ожидается объект JSON";
    QTest::newRow("unknown driver") << R"({"driver": "QMYSQL", )" + tail + "}" << "неизвестный драйвер \"QMYSQL\"";
    QTest::newRow("driver in lower case") << R"({"driver": "qpsql", )" + tail + "}" << "неизвестный драйвер \"qpsql\"";
    QTest::newRow("no driver") << "{" + tail + "}" << "нет параметра \"driver\"";
    QTest::newRow("no host") << QByteArray(R"({"driver": "QPSQL", "port": 5432, "name": "c", "user": "u"})")
                             << "нет параметра \"host\"";
    QTest::newRow("no port") << QByteArray(R"({"driver": "QPSQL", "host": "db", "name": "c", "user": "u"})")
                             << "нет параметра \"port\"";
    QTest::newRow("port out of range")
        << QByteArray(R"({"driver": "QPSQL", "host": "db", "port": 70000, "name": "c", "user": "u"})")
        << "\"port\" должен быть целым числом";
    QTest::newRow("port not a number")
        << QByteArray(R"({"driver": "QPSQL", "host": "db", "port": "пять", "name": "c", "user": "u"})")
        << "\"port\" должен быть целым числом";
    QTest::newRow("no name") << QByteArray(R"({"driver": "QPSQL", "host": "db", "port": 5432, "user": "u"})")
                             << "нет параметра \"name\"";
    QTest::newRow("empty user") << QByteArray(R"({"driver": "QPSQL", "host": "db", "port": 1, "name": "c", "user": " "})")
                                << "\"user\" должен быть непустой строкой";
    QTest::newRow("password kept in the file") << R"({"driver": "QPSQL", "password": "x", )" + tail + "}"
                                               << "пароль в этом файле не хранится";
    // Not a small regular file: refused before it is read, without waiting.
    QTest::newRow("FIFO") << QByteArray("<fifo>") << "это не обычный файл";
    QTest::newRow("link to /dev/zero") << QByteArray("<zero>") << "это не обычный файл";
    QTest::newRow("folder") << QByteArray("<folder>") << "это не обычный файл";
    QTest::newRow("link that leads nowhere") << QByteArray("<dangling>") << "файл не читается";
    QTest::newRow("valid settings padded past 64 KiB")
        << R"({"driver": "QPSQL", "host": "127.0.0.1", "port": 1, "name": "c", "user": "u")" + QByteArray(65536, ' ')
               + "}"
        << "файл больше 64 КиБ (65613 байт)";
}

namespace {

// Puts json in place as "database.json", or the entry its marker names.
bool placeConfig(const WorkDir& dir, const QByteArray& json)
{
    const QString path = dir.filePath("database.json");
    if (json == "<fifo>")
        return mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
    if (json == "<zero>")
        return QFile::link("/dev/zero", path);
    if (json == "<dangling>")
        return QFile::link(dir.filePath("нет такого файла"), path);
    if (json == "<folder>")
        return QDir(dir.path()).mkdir("database.json");
    return dir.writeFile("database.json", json);
}

} // namespace

void TestServer::badConfigStopsStartUp()
{
    QFETCH(QByteArray, json);
    QFETCH(QString, problem);
    WorkDir dir;
    QVERIFY(dir.seedParams());
    QVERIFY(placeConfig(dir, json));
    const QDir::Filters everything = QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot;
    const QStringList before = QDir(dir.path()).entryList(everything);

    BoxWatcher boxes;
    std::unique_ptr<Security> window;
    QCOMPARE(startWindow(&window), -1);
    QCOMPARE(boxes.boxes.size(), 1);
    QCOMPARE(boxes.boxes.first().title, QString("Ошибка"));
    const QString text = boxes.boxes.first().text;
    QVERIFY2(text.startsWith("Ошибка в файле \"database.json\": ") && text.contains(problem), qPrintable(text));
    // Nothing written anywhere: no local database as a fall-back, no backup, the files as they were.
    QCOMPARE(QDir(dir.path()).entryList(everything), before);
    if (!json.startsWith('<'))
        QCOMPARE(dir.readFile("database.json"), json);
    // The command line stops at once with exit status 1 and the same reason.
    const Run run = runProgram(dir.path(), {"--copy-to-server"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(problem), qPrintable(run.err));
}

void TestServer::serverThatCannotBeUsed_data()
{
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("noServerThere");
    QTest::addColumn<QString>("reason");

    QTest::newRow("no server at the address") << "postgres" << true << "No such file or directory";
    QTest::newRow("role may not log in") << "cardprint_nologin" << false << "not permitted to log in";
    QTest::newRow("password not supplied") << "cardprint_pw" << false << "no password supplied";
    QTest::newRow("unknown role") << "nosuch_role" << false << "role \"nosuch_role\" does not exist";
}

void TestServer::serverThatCannotBeUsed()
{
    QFETCH(QString, user);
    QFETCH(bool, noServerThere);
    QFETCH(QString, reason);
    if (!noServerThere)
        SERVER_ONLY();
    WorkDir dir;
    QVERIFY(dir.seedParams());
    db::ServerConfig config = configWithUser(user);
    if (noServerThere) { // a socket folder where no server listens
        config.host = dir.path();
        config.port = 5999;
    }
    QVERIFY(testsupport::writeServerConfig(dir.path(), config));
    qputenv("PGPASSFILE", dir.filePath("no-such-password-file").toLocal8Bit());

    BoxWatcher boxes;
    std::unique_ptr<Security> window;
    QCOMPARE(startWindow(&window), -1);
    qunsetenv("PGPASSFILE");
    QCOMPARE(boxes.boxes.size(), 1);
    const QString text = boxes.boxes.first().text;
    QVERIFY2(text.startsWith("Не удалось подключиться к серверу базы данных " + db::serverAddress(config)),
             qPrintable(text));
    QVERIFY2(text.contains(reason), qPrintable(text));
    QVERIFY(!QFile::exists(dir.filePath("dataBase.db")));
}

void TestServer::passwordComesFromThePasswordFile()
{
    SERVER_ONLY();
    Check check;
    QVERIFY(check.isOpen());
    QVERIFY(check.exec("GRANT ALL ON SCHEMA public TO cardprint_pw"));
    WorkDir dir;
    QVERIFY(dir.seedParams());
    QVERIFY(testsupport::writeServerConfig(dir.path(), configWithUser("cardprint_pw")));
    QVERIFY(dir.writeFile("pgpass", "*:*:*:cardprint_pw:cardprint-pw\n"));
    QVERIFY(QFile::setPermissions(dir.filePath("pgpass"), QFile::ReadOwner | QFile::WriteOwner));
    qputenv("PGPASSFILE", dir.filePath("pgpass").toLocal8Bit());

    BoxWatcher boxes;
    std::unique_ptr<Security> window;
    const int started = startWindow(&window);
    qunsetenv("PGPASSFILE");
    QCOMPARE(started, 0);
    QVERIFY(boxes.boxes.isEmpty());
    QCOMPARE(check.rows("SELECT tableowner FROM pg_tables WHERE tablename='companies'"),
             QStringList{"cardprint_pw"});
    // The password stays in the password file only.
    QVERIFY(!dir.readFile("database.json").contains("cardprint-pw"));
}

void TestServer::startUpCreatesTablesAndIndexesOnServer()
{
    SERVER_ONLY();
    Session s;
    QVERIFY(s.start());
    Check check;
    QCOMPARE(check.rows("SELECT table_name, column_name, data_type, collation_name FROM information_schema.columns"
                        " WHERE table_schema='public' AND table_name<>'cards' ORDER BY table_name, ordinal_position"),
             (QStringList{"companies|Форма|text|C", "companies|Наименование|text|C", "companies|name|text|C",
                          "personal|id|text|C", "personal|Фамилия|text|C", "personal|Имя|text|C",
                          "personal|Отчество|text|C", "personal|Должность|text|C", "personal|Руководитель|text|C",
                          "personal|Дата_выдачи|text|C", "personal|person|text|C", "personal|director|text|C"}));
    // The register: a number from an identity column, texts compared by character codes.
    QCOMPARE(check.rows("SELECT data_type, is_identity, COUNT(*) FROM information_schema.columns"
                        " WHERE table_name='cards' GROUP BY 1, 2, collation_name, is_nullable ORDER BY 1"),
             (QStringList{"bigint|YES|1", "text|NO|16"}));
    QCOMPARE(check.rows("SELECT DISTINCT collation_name, is_nullable FROM information_schema.columns"
                        " WHERE table_name='cards' AND data_type='text'"),
             QStringList{"C|NO"});
    QCOMPARE(check.rows("SELECT indexname FROM pg_indexes WHERE schemaname='public' ORDER BY indexname"),
             (QStringList{"cards_pkey", "companies_by_name", "companies_by_order", "companies_by_text",
                          "personal_by_id"}));
    QVERIFY(s.boxes().boxes.isEmpty());
    QVERIFY(!QFile::exists("dataBase.db"));
}

void TestServer::listsSortByCharacterCodes()
{
    // SQLite compares texts by their character codes; a server made with a
    // Russian collation would put "ао альфа" before "АО Щит".
    Session s;
    const QList<recordtest::Person> people{{"ООО Альфа", "иванов", "Иван", "", "Директор", "П.П. Петров", "01.02.2020"},
                                           {"ООО Альфа", "Иванова", "Анна", "", "Директор", "П.П. Петров", "01.02.2020"},
                                           {"ООО Альфа", " Яковлев", "Яков", "", "Директор", "П.П. Петров", "01.02.2020"}};
    QVERIFY(s.seed({{"АО", "Щит"}, {"ао", "альфа"}, {"ООО", "Альфа"}, {"", "Бета"}, {"Zeta", "Ltd"}}, people));
    QVERIFY(s.start());
    QCOMPARE(Session::column(s.companies()), (QStringList{"Бета", "Zeta Ltd", "АО Щит", "ООО Альфа", "ао альфа"}));
    s.clickRow(s.companies(), "ООО Альфа");
    QCOMPARE(Session::column(s.personnel()), (QStringList{"Иванова Анна", "Яковлев Яков", "иванов Иван"}));
}

void TestServer::copyToServer()
{
    SERVER_ONLY();
    WorkDir dir;
    QVERIFY(dir.seedParams());
    {
        QSqlDatabase file = QSqlDatabase::addDatabase("QSQLITE", "copy-file");
        file.setDatabaseName(dir.filePath("dataBase.db"));
        QVERIFY(file.open());
        QSqlQuery query(file);
        QVERIFY(query.exec(sql::createTable("companies", {"Форма", "Наименование", "name"})));
        QVERIFY(query.exec(sql::createTable("personal", {"id", "Фамилия", "Имя", "Отчество", "Должность",
                                                          "Руководитель", "Дата_выдачи", "person", "director"})));
        QVERIFY(query.exec("INSERT INTO companies VALUES ('ООО','Альфа','ооо альфа'),('АО','O''Neil','ао o''neil'),"
                           "('','Бета',NULL)"));
        QVERIFY(query.exec("INSERT INTO personal VALUES ('ООО Альфа','Иванов','Иван','','Директор','П.П. Петров',"
                           "'01.02.2020','иванов иван','директор п.п. петров'),"
                           "('АО O''Neil','Д''Арт','Шарль','','Dir','J. Smith','04.05.2021','д''арт шарль','dir j. smith')"));
        for (int i = 0; i < 450; ++i) // more rows than one statement carries
            QVERIFY(query.exec(QString("INSERT INTO personal (id, Фамилия) VALUES ('Бета','Сотрудник %1')").arg(i)));
        // The register: cards 1 to 3, and number 4 given to a print that failed.
        journal::CardRegister cards(file);
        QString error;
        QVERIFY2(cards.ensureTable(&error), qPrintable(error));
        journal::PrintedCard printed;
        printed.company = "АО O'Neil";
        printed.printer = "queue";
        for (const char* surname : {"Д'Арт", "Жуков", "Орлов"}) {
            printed.texts = {{"Surname", surname}, {"Form", "АО"}, {"Comp", "O'Neil"}, {"Date", "15.03.2024"}};
            QVERIFY(cards.record(journal::rowFor(printed, "2024-03-15T10:00:00+03:00", "оператор"), 0, &error) > 0);
        }
        QVERIFY(cards.markSpoiled(2, "замятие", &error));
        QVERIFY(cards.release(cards.reserve(&error), &error));
        file.close();
    }
    QSqlDatabase::removeDatabase("copy-file");
    QVERIFY(testsupport::writeServerConfig(dir.path()));
    const QByteArray before = dir.readFile("dataBase.db");

    const Run run = runProgram(dir.path(), {"--copy-to-server"});
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.contains("организаций — 3, сотрудников — 452, карточек в журнале выдачи — 3"),
             qPrintable(run.out + run.err));
    qInfo("%s", qPrintable(run.out.trimmed()));
    QCOMPARE(dir.readFile("dataBase.db"), before);

    Check check;
    QCOMPARE(check.rows("SELECT * FROM companies ORDER BY Наименование"),
             (QStringList{"АО|O'Neil|ао o'neil", "ООО|Альфа|ооо альфа", "|Бета|<NULL>"}));
    QCOMPARE(check.rows("SELECT * FROM personal WHERE id<>'Бета' ORDER BY id"),
             (QStringList{"АО O'Neil|Д'Арт|Шарль||Dir|J. Smith|04.05.2021|д'арт шарль|dir j. smith",
                          "ООО Альфа|Иванов|Иван||Директор|П.П. Петров|01.02.2020|иванов иван|директор п.п. петров"}));
    QCOMPARE(check.rows("SELECT COUNT(*), COUNT(DISTINCT Фамилия), COUNT(Имя) FROM personal WHERE id='Бета'"),
             QStringList{"450|450|0"});
    // The cards keep their numbers; the next card printed at a workstation
    // follows the highest number the file ever gave.
    QCOMPARE(check.rows("SELECT number, company, surname, status, note, operator, person_search FROM cards"
                        " ORDER BY number"),
             (QStringList{"1|АО O'Neil|Д'Арт|issued||оператор|д'арт", "2|АО O'Neil|Жуков|spoiled|замятие|оператор|жуков",
                          "3|АО O'Neil|Орлов|issued||оператор|орлов"}));
    {
        QString error;
        QCOMPARE(journal::CardRegister(QSqlDatabase::database(kCheck)).reserve(&error), qint64(5));
        QVERIFY(check.exec("DELETE FROM cards WHERE number=5"));
    }

    // Once the server holds rows, a second copy is refused and writes nothing.
    const Run again = runProgram(dir.path(), {"--copy-to-server"});
    QCOMPARE(again.status, 1);
    QVERIFY2(again.err.contains("на сервере уже есть записи (companies: 3, personal: 452, cards: 3)"),
             qPrintable(again.err));
    QCOMPARE(check.rows("SELECT COUNT(*) FROM personal"), QStringList{"452"});
}

void TestServer::copyIsAllOrNothing()
{
    SERVER_ONLY();
    Check check;
    // The server refuses the last employee; the organisations copied before must go too.
    QVERIFY(check.exec(sql::createTable("personal", {"id", "Фамилия", "Имя", "Отчество", "Должность", "Руководитель",
                                                     "Дата_выдачи", "person", "director"},
                                        sql::Dialect::Postgres)));
    QVERIFY(check.exec("ALTER TABLE personal ADD CHECK (Фамилия<>'Отказ')"));
    WorkDir dir;
    QVERIFY(dir.seedParams());
    {
        QSqlDatabase file = QSqlDatabase::addDatabase("QSQLITE", "copy-file");
        file.setDatabaseName(dir.filePath("dataBase.db"));
        QVERIFY(file.open());
        QSqlQuery query(file);
        QVERIFY(query.exec("CREATE TABLE companies (Форма TEXT,Наименование TEXT,name TEXT)"));
        QVERIFY(query.exec("CREATE TABLE personal (id TEXT,Фамилия TEXT,Имя TEXT,Отчество TEXT,Должность TEXT,"
                           "Руководитель TEXT,Дата_выдачи TEXT,person TEXT,director TEXT)"));
        QVERIFY(query.exec("INSERT INTO companies VALUES ('ООО','Альфа','ооо альфа')"));
        QVERIFY(query.exec("INSERT INTO personal (id, Фамилия) VALUES ('ООО Альфа','Иванов'),('ООО Альфа','Отказ')"));
        file.close();
    }
    QSqlDatabase::removeDatabase("copy-file");
    QVERIFY(testsupport::writeServerConfig(dir.path()));

    const Run run = runProgram(dir.path(), {"--copy-to-server"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains("таблица personal не скопирована"), qPrintable(run.err));
    QCOMPARE(check.rows("SELECT COUNT(*) FROM companies"), QStringList{"0"});
    QCOMPARE(check.rows("SELECT COUNT(*) FROM personal"), QStringList{"0"});
}

void TestServer::copyRefusals_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<bool>("withFile");
    QTest::addColumn<QString>("message");

    QTest::newRow("no database.json") << QByteArray() << true << "Нет файла \"database.json\"";
    QTest::newRow("database.json not JSON") << QByteArray("{") << true << "Ошибка в файле \"database.json\": это не JSON";
    QTest::newRow("no dataBase.db") << QByteArray("server") << false << "Нет файла \"dataBase.db\"";
}

void TestServer::copyRefusals()
{
    QFETCH(QByteArray, json);
    QFETCH(bool, withFile);
    QFETCH(QString, message);
    WorkDir dir;
    QVERIFY(dir.seedParams());
    if (json == "server") {
        SERVER_ONLY();
        QVERIFY(testsupport::writeServerConfig(dir.path()));
    } else if (!json.isEmpty()) {
        QVERIFY(dir.writeFile("database.json", json));
    }
    if (withFile)
        QVERIFY(dir.writeFile("dataBase.db", QByteArray()));
    const QStringList before = QDir(dir.path()).entryList(QDir::Files);

    const Run run = runProgram(dir.path(), {"--copy-to-server"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), before);
}

void TestServer::twoProgramsStartOnAnEmptyServer()
{
    SERVER_ONLY();
    WorkDir dir;
    QVERIFY(dir.seedParams());
    QVERIFY(testsupport::writeServerConfig(dir.path()));
    Check check;
    // The first start of an office: both create the tables at one moment.
    // Both find no table "companies" and are held before writing it into the
    // server's catalogue until both are there.
    for (int round = 0; round < 3; ++round) {
        QVERIFY(check.exec("DROP SCHEMA public CASCADE") && check.exec("CREATE SCHEMA public"));
        Child first(dir.path(), "--start-child");
        Child second(dir.path(), "--start-child");
        QVERIFY(first.waitForLine("ready"));
        QVERIFY(second.waitForLine("ready"));
        QVERIFY(check.exec("BEGIN") && check.exec("LOCK TABLE pg_catalog.pg_class IN SHARE MODE"));
        first.go();
        second.go();
        QTRY_COMPARE_WITH_TIMEOUT(check.rows(kWaiting), QStringList{"2"}, 30000);
        QVERIFY(check.exec("COMMIT"));
        QCOMPARE(first.finish() + second.finish(), QStringList());
        QCOMPARE(first.lines().filter("started:"), QStringList{"started:0"});
        QCOMPARE(second.lines().filter("started:"), QStringList{"started:0"});
        QCOMPARE(check.rows("SELECT COUNT(*) FROM pg_tables WHERE schemaname='public'"), QStringList{"3"});
    }
}

void TestServer::twoProgramsSaveTheSameEmployee()
{
    SERVER_ONLY();
    Session s;
    QVERIFY(s.start()); // tables and indexes as the program makes them
    WorkDir dir;
    QVERIFY(dir.seedParams());
    QVERIFY(testsupport::writeServerConfig(dir.path()));
    Check check;
    // Both saves are held at their first write until both are under way.
    QVERIFY(check.exec("BEGIN"));
    QVERIFY(check.exec("LOCK TABLE companies, personal IN EXCLUSIVE MODE"));

    Child first(dir.path());
    Child second(dir.path());
    QVERIFY(first.waitForLine("ready"));
    QVERIFY(second.waitForLine("ready"));
    first.go();
    second.go();
    QTRY_COMPARE_WITH_TIMEOUT(check.rows(kWaiting), QStringList{"2"}, 30000);
    QVERIFY(check.exec("COMMIT"));

    QStringList boxes = first.finish() + second.finish();
    qInfo("saves took %lld and %lld ms; boxes: %s", first.savedInMs(), second.savedInMs(), qPrintable(boxes.join("; ")));
    QCOMPARE(boxes, QStringList{"Такая запись уже есть"});
    QCOMPARE(check.rows("SELECT COUNT(*) FROM personal"), QStringList{"1"});
    QCOMPARE(check.rows("SELECT * FROM companies"), QStringList{"ООО|Альфа|ооо альфа"});
}

void TestServer::lockedWriteGivesUpAfterTheBusyTimeout()
{
    SERVER_ONLY();
    Session s;
    QVERIFY(s.start());
    WorkDir dir;
    QVERIFY(dir.seedParams());
    QVERIFY(testsupport::writeServerConfig(dir.path()));
    Check check;
    QVERIFY(check.exec("BEGIN"));
    QVERIFY(check.exec("LOCK TABLE companies, personal IN EXCLUSIVE MODE"));

    Child child(dir.path());
    QVERIFY(child.waitForLine("ready"));
    child.go();
    const QStringList boxes = child.finish();
    QVERIFY(check.exec("COMMIT"));
    QCOMPARE(boxes, QStringList{"Ошибка записи в базу данных: база данных занята другой программой дольше 5 с; "
                                "повторите позже"});
    // It waited for the lock first; that it gave up at all is shown by the
    // answer above, given while the lock was still held.
    const qint64 waited = child.savedInMs();
    qInfo("the save gave up after %lld ms", waited);
    QVERIFY2(waited >= DataBase::busyTimeoutMs() - 500, qPrintable(QString::number(waited)));
    QCOMPARE(check.rows("SELECT COUNT(*) FROM personal"), QStringList{"0"});
}

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "--save-child") == 0)
        return saveChild();
    if (argc > 1 && qstrcmp(argv[1], "--start-child") == 0)
        return startChild();
    TestServer test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_server.moc"
