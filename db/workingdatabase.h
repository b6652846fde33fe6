#ifndef WORKINGDATABASE_H
#define WORKINGDATABASE_H

#include <QString>

class DataBase;
class QSqlDatabase;
class QSqlError;

namespace db {

struct ServerConfig;

// Opens the database of the current working folder: the server that
// "database.json" names when that file is there, else the file "dataBase.db".
// A server that cannot be used is never replaced by the local file, which
// would split the records. False with the operator's message in *message.
bool openWorkingDatabase(DataBase& database, QString* message);

// False with the message when the working folder holds a "database.json"
// that cannot be used; checked before start-up writes anything.
bool serverConfigUsable(QString* message);

// Points database (a connection of the driver QPSQL) at the server and opens
// it; false with the driver's reason in database.lastError().
bool openServerConnection(QSqlDatabase& database, const ServerConfig& config, int busyTimeoutMs);

// Starts a transaction that is going to write and takes the database's write
// lock (see sql::beginWriteStatements); ended by COMMIT or ROLLBACK. On
// failure *error (when given) gets the statement's error.
bool beginWriteTransaction(QSqlDatabase& database, QSqlError* error = nullptr);

// The message for a server that could not be reached or refused the login.
QString serverFailure(const ServerConfig& config, const QSqlError& error);

} // namespace db

#endif // WORKINGDATABASE_H
