#include "db/database.h"

#include "db/failurecause.h"
#include "db/serverconfig.h"
#include "db/statements.h"
#include "db/workingdatabase.h"
#include "util/questions.h"

#include <QChar>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

#include <sqlite3.h>

namespace {

const QString kDriver = QStringLiteral("QSQLITE");
const QString kServerDriver = QStringLiteral("QPSQL");
const QString kBusyTimeoutOption = QStringLiteral("QSQLITE_BUSY_TIMEOUT");
// Milliseconds a write waits for another copy of the program holding the file.
const int kBusyTimeoutMs = 5000;

// The option only takes effect when the connection is opened, so it is added
// before every open; options a caller set already are kept.
void ensureBusyTimeout(QSqlDatabase& database)
{
    QString options = database.connectOptions();
    if (options.contains(kBusyTimeoutOption))
        return;
    if (!options.isEmpty())
        options += QLatin1Char(';');
    options += kBusyTimeoutOption + QLatin1Char('=') + QString::number(kBusyTimeoutMs);
    database.setConnectOptions(options);
}

// SQLite's own busy timeout sleeps in growing steps, up to 100 ms, while the
// file is held: a list read that meets another copy's commit of 20 ms would
// go on waiting some 13 ms after the commit ended. These steps end the wait
// within a millisecond of it (10 ms steps after the first 100 ms), and give
// up after the same 5 s.
int waitInSmallSteps(void*, int calls)
{
    constexpr int kFineSteps = 100;
    if (calls >= kFineSteps + (kBusyTimeoutMs - kFineSteps) / 10)
        return 0;
    sqlite3_sleep(calls < kFineSteps ? 1 : 10);
    return 1;
}

// Replaces the busy timeout of an open connection that has the program's own.
void useSmallSteps(const QSqlDatabase& database)
{
    const QString ours = kBusyTimeoutOption + QLatin1Char('=') + QString::number(kBusyTimeoutMs);
    if (!database.isOpen() || !database.connectOptions().split(QLatin1Char(';')).contains(ours))
        return;
    const QVariant handle = database.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return;
    if (sqlite3* connection = *static_cast<sqlite3* const*>(handle.constData()))
        sqlite3_busy_handler(connection, waitInSmallSteps, nullptr);
}

} // namespace

DataBase::DataBase()
{
    setConnection(QStringLiteral("Ruvo"));
}

void DataBase::setConnection(const QString& connectionName)
{
    if (!QSqlDatabase::connectionNames().contains(connectionName)) {
        database = QSqlDatabase::addDatabase(kDriver, connectionName);
        ensureBusyTimeout(database);
        return;
    }
    database = QSqlDatabase::database(connectionName, false);
    // Without a file name SQLite would open a throwaway temporary database, and
    // writes to it would report success while nothing reaches "dataBase.db".
    if (!database.isOpen() && !database.databaseName().isEmpty()) {
        ensureBusyTimeout(database);
        database.open();
        useSmallSteps(database);
    }
}

bool DataBase::open(QString& fileName)
{
    if (fileName.isEmpty()) {
        fileName = Questions::current()
                       .chooseFiles(Questions::FileChoice::OpenOne, QStringLiteral("Выберите базу данных"), QString(),
                                    QStringLiteral("*.*"))
                       .value(0);
        if (fileName.isEmpty())
            return false;
    }
    if (database.isValid() && database.isOpen())
        database.close();
    if (database.driverName() != kDriver)
        useDriver(kDriver);
    ensureBusyTimeout(database);
    database.setDatabaseName(fileName);
    if (database.open()) {
        useSmallSteps(database);
        return true;
    }
    m_lastFailure = database.lastError();
    return false;
}

void DataBase::close()
{
    database.close();
}

bool DataBase::run(QSqlQuery& query, const QString& statement)
{
    if (statement.contains(QChar(QChar::Null)))
        return false;
    if (query.exec(statement))
        return true;
    m_lastFailure = query.lastError();
    return false;
}

bool DataBase::createTable(const QString& table, const QStringList& columns)
{
    m_lastFailure = QSqlError();
    QSqlQuery query(database);
    const QString statement = sql::createTable(table, columns, dialect());
    return run(query, statement) || (sql::isConcurrentCreate(dialect(), query.lastError()) && run(query, statement));
}

int DataBase::countRows(const QString& table)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!run(query, sql::countRows(table)) || !query.next())
        return -1;
    return query.value(0).toInt();
}

int DataBase::masterColumnCount(const QString& expr)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!run(query, sql::masterColumns(expr, dialect())))
        return -1;
    return query.record().count();
}

bool DataBase::execute(const QString& sql)
{
    QSqlQuery query(database);
    return run(query, sql);
}

bool DataBase::beginWrite()
{
    m_lastFailure = QSqlError();
    return db::beginWriteTransaction(database, &m_lastFailure);
}

bool DataBase::endWrite(bool keep)
{
    QSqlQuery query(database);
    const QString check = sql::commitCheckStatement(dialect());
    if (keep && !check.isEmpty())
        keep = run(query, check);
    if (keep && run(query, QStringLiteral("COMMIT")))
        return true;
    // A rollback after a failed commit may find nothing to roll back: the
    // commit's reason is the one kept.
    const QSqlError failure = m_lastFailure;
    run(query, QStringLiteral("ROLLBACK"));
    m_lastFailure = failure;
    return false;
}

bool DataBase::writeTransaction(const std::function<bool()>& work)
{
    if (!beginWrite())
        return false;
    return endWrite(work());
}

bool DataBase::openServer(const db::ServerConfig& config)
{
    if (database.isOpen())
        database.close();
    if (database.driverName() != kServerDriver)
        useDriver(kServerDriver);
    return db::openServerConnection(database, config, kBusyTimeoutMs);
}

sql::Dialect DataBase::dialect() const
{
    return sql::dialectOf(database);
}

int DataBase::busyTimeoutMs()
{
    return kBusyTimeoutMs;
}

void DataBase::useDriver(const QString& driver)
{
    const QString name = database.connectionName().isEmpty() ? QStringLiteral("Ruvo") : database.connectionName();
    database = QSqlDatabase();
    QSqlDatabase::removeDatabase(name);
    database = QSqlDatabase::addDatabase(driver, name);
}
