#ifndef DIALECT_H
#define DIALECT_H

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

class QSqlError;
class QSqlQuery;
class QVariant;

// The few places where the SQL of the local SQLite file and of a PostgreSQL
// server differ. Every statement text is one text for both engines except for
// what these functions give; nothing outside db/ asks which engine it runs on.
namespace sql {

enum class Dialect { Sqlite, Postgres };

// The dialect of an open or registered connection, by its driver.
Dialect dialectOf(const QSqlDatabase& database);

// An expression giving each row of a table a whole number that stays the
// row's own while it is not updated: SQLite's rowid; on the server the row's
// physical place (block and slot of its ctid) made one number.
QString rowKey(Dialect dialect);

// Type of every column the program creates. On the server the texts compare
// and sort by their character codes, as SQLite compares them, whatever
// collation the server's database was made with.
QString textColumnType(Dialect dialect);

// A result column's name in a list query: [name] in SQLite, "name" on the server.
QString columnAlias(Dialect dialect, const QString& name);

// Appended to a LIKE pattern: the server would read a backslash in a filter
// as an escape character; SQLite has none unless asked.
QString likeEscape(Dialect dialect);

// A table of the database's tables with SQLite's catalogue columns (type,
// name, tbl_name, rootpage, sql), to select from.
QString tableCatalogue(Dialect dialect);

// Names of the indexes of the database, one per row.
QString indexNamesQuery(Dialect dialect);

// The key list of CREATE INDEX: the server wants every key that is an
// expression rather than a column in parentheses.
QString indexKeys(Dialect dialect, const QStringList& keys);

// Whether a statement failed because another connection held a lock.
bool isLockError(Dialect dialect, const QSqlError& error);

// Whether a CREATE ... IF NOT EXISTS failed only because another connection
// created the same table at that very moment (the server checks for the table
// before the other's creation is committed); run once more, it finds the table.
bool isConcurrentCreate(Dialect dialect, const QSqlError& error);

// Statements run once on every new server connection: waits for locks end
// after timeoutMs, backslashes in literals are plain characters, and the
// server's notices ("relation already exists, skipping") stay off the output.
QStringList sessionSetup(Dialect dialect, int timeoutMs);

// The statements that start a transaction that is going to write. They take
// the database's one write lock before anything is read, so that a check and
// the write that depends on it cannot interleave with another program's:
// SQLite's BEGIN IMMEDIATE, on the server BEGIN and a transaction-scoped
// advisory lock that every writing copy of the program takes.
QStringList beginWriteStatements(Dialect dialect);

// Column type of a key that the database numbers itself and never hands out
// twice, not even after the row with the highest number is deleted.
QString serialKeyType(Dialect dialect);

// An INSERT statement that, run as a prepared query, lets insertReturningKey
// read the key the database chose for the new row (keyColumn).
QString insertReturning(Dialect dialect, const QString& insert, const QString& keyColumn);

// Runs a prepared INSERT made by insertReturning and gives the key the
// database chose for the new row through *key; false when the insert failed.
bool insertReturningKey(QSqlQuery& preparedInsert, Dialect dialect, QVariant* key);

// A query of the highest number the database ever gave in a table's key made
// with serialKeyType (the rows holding it may be deleted since): no row or 0
// when it never gave one.
QString lastSerialQuery(Dialect dialect, const QString& table, const QString& keyColumn);

// Makes the key's next number follow last, for rows that were written with
// their numbers given; empty for SQLite, which keeps its count past such rows
// by itself. The server changes a counter at once, whether or not the
// transaction is committed: a number may be skipped, never given twice.
QString continueSerialStatement(Dialect dialect, const QString& table, const QString& keyColumn, qint64 last);

// Run before COMMIT: fails when the transaction can no longer commit. After a
// failed statement the server keeps the transaction aborted and answers a
// COMMIT by rolling back without an error; SQLite commits what succeeded.
QString commitCheckStatement(Dialect dialect);

} // namespace sql

#endif // DIALECT_H
