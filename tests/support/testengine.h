#ifndef TESTENGINE_H
#define TESTENGINE_H

#include "db/serverconfig.h"

#include <QString>
#include <QtTest>

class DataBase;

// The engine a database suite runs against. By default the program's SQLite
// file; with CARDPRINT_TEST_ENGINE=server a PostgreSQL server that
// CARDPRINT_TEST_PGHOST (host or socket folder), CARDPRINT_TEST_PGPORT and
// CARDPRINT_TEST_PGUSER (a role that may create databases) name. Each test
// program then works in a database of its own on that server, emptied before
// every test, and its working folders hold a "database.json" that points the
// program at it. tests/CMakeLists.txt registers a suite for both engines with
// one line (add_server_variant).
namespace testsupport {

bool onServer();

// Empty when the suite can run; otherwise why not (server variant without a server).
QString engineUnavailable();

// The server and database of this test program (a fresh name per process).
db::ServerConfig testServerConfig();

// Creates this program's database on the server on first use, then empties
// it (every table dropped). Does nothing for SQLite.
bool resetServerDatabase(QString* error = nullptr);

// Writes "database.json" for testServerConfig() into folder.
bool writeServerConfig(const QString& folder, const db::ServerConfig& config = testServerConfig());

// Opens the database under test as the program does at start-up: the file
// "dataBase.db" of the current folder, or the server (writing "database.json"
// into the current folder first).
bool openUnderTest(DataBase& database);

// Adds and opens a connection of the test's own to the database under test;
// sqliteFile names the file for SQLite.
bool openCheckConnection(const QString& connection, const QString& sqliteFile);

// Makes folder a working folder of the database under test: on the server
// the database is emptied and folder gets a "database.json" that points at
// it; nothing for SQLite, whose "dataBase.db" the program makes itself.
bool prepareWorkFolder(const QString& folder);

// Opens (or reopens) the connection of the test's own to the database the
// program uses in folder: its "dataBase.db", or the test server's database.
bool openFolderCheck(const QString& connection, const QString& folder);

// Opens the database under test with the tables "companies" and "personal"
// as the program makes them, under the connection name: an in-memory SQLite
// database, or the emptied server database.
bool openSchemaUnderTest(const QString& connection);

// The statement that makes the register's next number follow last, as if
// numbers up to last had been given.
QString registerCounterStatement(qint64 last);

// Check statements that differ between the engines: the order rows were
// written in, the tables, and the columns with their types ("name|TEXT").
QString rowOrder();
QString tableNamesQuery();
QString columnsQuery(const QString& table);

} // namespace testsupport

// Ends the test (as skipped) when the suite's engine is not there; for initTestCase.
#define REQUIRE_TEST_ENGINE()                                                                                     \
    do {                                                                                                          \
        const QString unavailable = testsupport::engineUnavailable();                                            \
        if (!unavailable.isEmpty())                                                                               \
            QSKIP(qPrintable(unavailable));                                                                       \
    } while (false)

// For tests of the local file itself (file creation, file locks, the open dialog).
#define SQLITE_ONLY(reason)                                                                                       \
    do {                                                                                                          \
        if (testsupport::onServer())                                                                              \
            QSKIP("SQLite file only: " reason);                                                                   \
    } while (false)

// For tests of the server alone (logins, the copy onto the server, locks between programs).
#define SERVER_ONLY()                                                                                             \
    do {                                                                                                          \
        if (!testsupport::onServer())                                                                             \
            QSKIP("needs the test server (the suite's server variant)");                                          \
    } while (false)

#endif // TESTENGINE_H
