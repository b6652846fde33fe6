#include "db/workingdatabase.h"

#include "db/database.h"
#include "db/dialect.h"
#include "db/failurecause.h"
#include "db/serverconfig.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace db {

namespace {

const char* const kDatabaseFile = "dataBase.db";

} // namespace

bool openServerConnection(QSqlDatabase& database, const ServerConfig& config, int busyTimeoutMs)
{
    database.setHostName(config.host);
    database.setPort(config.port);
    database.setDatabaseName(config.name);
    database.setUserName(config.user);
    // An unreachable host is given up after this many seconds, not the system's minutes.
    database.setConnectOptions(QStringLiteral("connect_timeout=%1").arg(qMax(2, busyTimeoutMs / 1000)));
    if (!database.open())
        return false;
    QSqlQuery query(database);
    for (const QString& statement : sql::sessionSetup(sql::Dialect::Postgres, busyTimeoutMs)) {
        if (!query.exec(statement)) {
            database.close();
            return false;
        }
    }
    return true;
}

bool beginWriteTransaction(QSqlDatabase& database, QSqlError* error)
{
    const QStringList statements = sql::beginWriteStatements(sql::dialectOf(database));
    QSqlQuery query(database);
    for (int i = 0; i < statements.size(); ++i) {
        if (query.exec(statements.at(i)))
            continue;
        if (error)
            *error = query.lastError();
        if (i > 0) // the transaction began, its lock did not come
            query.exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    return true;
}

QString serverFailure(const ServerConfig& config, const QSqlError& error)
{
    QString reason = error.databaseText().trimmed();
    if (reason.isEmpty())
        reason = error.text().trimmed();
    if (!QSqlDatabase::isDriverAvailable(config.driver))
        reason = QStringLiteral("драйвер %1 не установлен (пакет libqt5sql5-psql)").arg(config.driver);
    return QStringLiteral("Не удалось подключиться к серверу базы данных %1 (база \"%2\", пользователь \"%3\"): %4")
        .arg(serverAddress(config), config.name, config.user, reason);
}

bool serverConfigUsable(QString* message)
{
    ServerConfig config;
    return readServerConfig(serverConfigFileName(), &config, message) != ConfigStatus::Invalid;
}

bool openWorkingDatabase(DataBase& database, QString* message)
{
    ServerConfig config;
    switch (readServerConfig(serverConfigFileName(), &config, message)) {
    case ConfigStatus::Invalid:
        return false;
    case ConfigStatus::Valid:
        if (database.openServer(config))
            return true;
        *message = serverFailure(config, database.database.lastError());
        return false;
    case ConfigStatus::Absent:
        break;
    }
    QString fileName = QString::fromLatin1(kDatabaseFile);
    if (database.open(fileName))
        return true;
    *message = withCause(QStringLiteral("Не удалось открыть базу данных \"%1\": %2")
                             .arg(fileName, database.database.lastError().text()),
                         database.database.lastError());
    return false;
}

} // namespace db
