#include "support/testengine.h"
#include "support/testsupport.h"

#include "db/database.h"
#include "db/statements.h"
#include "db/workingdatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace testsupport {

namespace {

const QString kAdminConnection = QStringLiteral("test-server-admin");

QString env(const char* name)
{
    return qEnvironmentVariable(name);
}

// One database per test process: parallel test programs never meet.
QString databaseName()
{
    static const QString name = QStringLiteral("cardprint_%1_%2")
                                    .arg(QCoreApplication::applicationName().toLower().replace(QLatin1Char('-'), '_'))
                                    .arg(QCoreApplication::applicationPid());
    return name;
}

bool exec(const QSqlDatabase& database, const QString& statement, QString* error)
{
    QSqlQuery query(database);
    if (query.exec(statement))
        return true;
    if (error)
        *error = statement + QStringLiteral(": ") + query.lastError().text();
    return false;
}

QSqlDatabase adminConnection(const QString& databaseName)
{
    QSqlDatabase admin = QSqlDatabase::contains(kAdminConnection)
                             ? QSqlDatabase::database(kAdminConnection, false)
                             : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), kAdminConnection);
    if (admin.isOpen() && admin.databaseName() == databaseName)
        return admin;
    admin.close();
    const db::ServerConfig config = testServerConfig();
    admin.setHostName(config.host);
    admin.setPort(config.port);
    admin.setUserName(config.user);
    admin.setDatabaseName(databaseName);
    admin.open();
    exec(admin, QStringLiteral("SET client_min_messages=warning"), nullptr);
    return admin;
}

} // namespace

bool onServer()
{
    return env("CARDPRINT_TEST_ENGINE") == QLatin1String("server");
}

QString engineUnavailable()
{
    if (!onServer())
        return QString();
    if (env("CARDPRINT_TEST_PGHOST").isEmpty())
        return QStringLiteral("no test server: CARDPRINT_TEST_PGHOST is not set (test.sh starts one)");
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
        return QStringLiteral("the QPSQL driver is missing (libqt5sql5-psql)");
    return QString();
}

db::ServerConfig testServerConfig()
{
    db::ServerConfig config;
    config.driver = QStringLiteral("QPSQL");
    config.host = env("CARDPRINT_TEST_PGHOST");
    config.port = env("CARDPRINT_TEST_PGPORT").isEmpty() ? 5432 : env("CARDPRINT_TEST_PGPORT").toInt();
    config.user = env("CARDPRINT_TEST_PGUSER").isEmpty() ? QStringLiteral("postgres") : env("CARDPRINT_TEST_PGUSER");
    config.name = databaseName();
    return config;
}

bool resetServerDatabase(QString* error)
{
    if (!onServer())
        return true;
    static bool created = false;
    if (!created) {
        const QSqlDatabase admin = adminConnection(QStringLiteral("postgres"));
        if (!admin.isOpen()) {
            if (error)
                *error = admin.lastError().text();
            return false;
        }
        // An office server sorts text by its language; the program's columns must not.
        // Where the server lacks ICU, the database gets the server's default.
        const QString name = databaseName();
        if (!exec(admin, QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name), error)
            || (!exec(admin,
                      QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' LOCALE 'C.UTF-8'"
                                     " LOCALE_PROVIDER icu ICU_LOCALE 'ru-RU'")
                          .arg(name),
                      nullptr)
                && !exec(admin, QStringLiteral("CREATE DATABASE %1").arg(name), error))) {
            return false;
        }
        created = true;
    }
    const QSqlDatabase admin = adminConnection(databaseName());
    if (!admin.isOpen()) {
        if (error)
            *error = admin.lastError().text();
        return false;
    }
    return exec(admin, QStringLiteral("DROP SCHEMA public CASCADE"), error)
           && exec(admin, QStringLiteral("CREATE SCHEMA public"), error);
}

bool writeServerConfig(const QString& folder, const db::ServerConfig& config)
{
    const QJsonObject root{{"driver", config.driver},
                           {"host", config.host},
                           {"port", config.port},
                           {"name", config.name},
                           {"user", config.user}};
    QFile file(QDir(folder).filePath(db::serverConfigFileName()));
    return file.open(QIODevice::WriteOnly) && file.write(QJsonDocument(root).toJson()) > 0;
}

bool openUnderTest(DataBase& database)
{
    if (!onServer()) {
        QString name = QStringLiteral("dataBase.db");
        return database.open(name);
    }
    QString message;
    if (!writeServerConfig(QDir::currentPath()) || !db::openWorkingDatabase(database, &message)) {
        qWarning("%s", qPrintable(message));
        return false;
    }
    return true;
}

bool openCheckConnection(const QString& connection, const QString& sqliteFile)
{
    QSqlDatabase check;
    if (onServer()) {
        const db::ServerConfig config = testServerConfig();
        check = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
        check.setHostName(config.host);
        check.setPort(config.port);
        check.setUserName(config.user);
        check.setDatabaseName(config.name);
        if (!check.open())
            return false;
        return exec(check, QStringLiteral("SET client_min_messages=warning"), nullptr);
    }
    check = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
    check.setDatabaseName(sqliteFile);
    return check.open();
}

bool prepareWorkFolder(const QString& folder)
{
    return !onServer() || (resetServerDatabase() && writeServerConfig(folder));
}

bool openFolderCheck(const QString& connection, const QString& folder)
{
    if (QSqlDatabase::contains(connection)) {
        QSqlDatabase check = QSqlDatabase::database(connection, false);
        return check.isOpen() || check.open();
    }
    return openCheckConnection(connection, QDir(folder).filePath(QStringLiteral("dataBase.db")));
}

bool openSchemaUnderTest(const QString& connection)
{
    if (!onServer())
        return openSchemaDatabase(connection);
    const QStringList personal{"id", "Фамилия", "Имя", "Отчество", "Должность", "Руководитель", "Дата_выдачи",
                               "person", "director"};
    return resetServerDatabase() && openCheckConnection(connection, QString())
           && checkExec(connection, sql::createTable("companies", {"Форма", "Наименование", "name"},
                                                     sql::Dialect::Postgres))
           && checkExec(connection, sql::createTable("personal", personal, sql::Dialect::Postgres));
}

QString registerCounterStatement(qint64 last)
{
    if (onServer())
        return QStringLiteral("SELECT setval(pg_get_serial_sequence('cards', 'number'), %1)").arg(last);
    return QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES ('cards', %1)").arg(last);
}

QString rowOrder()
{
    // Without updates the server keeps rows in the order they were written.
    return onServer() ? QStringLiteral("ctid") : QStringLiteral("rowid");
}

QString tableNamesQuery()
{
    if (onServer())
        return QStringLiteral("SELECT tablename FROM pg_tables WHERE schemaname='public' ORDER BY tablename");
    return QStringLiteral("SELECT name FROM sqlite_master ORDER BY name");
}

QString columnsQuery(const QString& table)
{
    if (onServer()) {
        return QStringLiteral("SELECT column_name, upper(data_type) FROM information_schema.columns"
                              " WHERE table_schema='public' AND table_name='%1' ORDER BY ordinal_position")
            .arg(table);
    }
    return QStringLiteral("SELECT name, type FROM pragma_table_info('%1')").arg(table);
}

} // namespace testsupport
