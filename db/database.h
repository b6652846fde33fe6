#ifndef DATABASE_H
#define DATABASE_H

#include "db/dialect.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>

#include <functional>

class QSqlQuery;

namespace db {
struct ServerConfig;
}

// Owns the program's one database connection ("Ruvo"): the SQLite file, or a
// PostgreSQL server named in "database.json". Builds every record statement
// as SQL text from table names, column lists and values.
class DataBase
{
public:
    DataBase();

    void setConnection(const QString& connectionName);
    bool open(QString& fileName);
    void close();
    bool createTable(const QString& table, const QStringList& columns);
    int countRows(const QString& table);
    int masterColumnCount(const QString& expr);
    bool execute(const QString& sql);

    // Makes "Ruvo" a connection to the server and opens it; false with the
    // driver's reason in database.lastError() when the server cannot be
    // reached or refuses the login.
    bool openServer(const db::ServerConfig& config);
    sql::Dialect dialect() const;
    // Milliseconds a statement waits for another program's lock.
    static int busyTimeoutMs();

    // A value as an SQL text literal: single quotes doubled, enclosed in single quotes.
    static QString quoteLiteral(const QString& value);

    // Record statements.
    QStringList quoteValues(const QStringList& values) const;
    bool insertRecord(const QString& table, const QStringList& columns, const QStringList& values);
    bool updateRecords(const QString& table, const QStringList& columns, const QStringList& values,
                       const QStringList& whereColumns, const QStringList& whereValues);
    int recordExists(const QString& table, const QStringList& columns, const QStringList& values);
    bool selectRecords(QStringList& rows, const QString& table, const QStringList& columns,
                       const QStringList& whereColumns, const QStringList& whereValues);
    bool queryRows(QStringList& rows, const QString& statement);
    // Second entry point: takes the statement as its own copy and forwards to
    // the one above; a null rows pointer runs nothing and gives false.
    bool queryRows(QStringList* rows, QString statement);
    // Like selectRecords, but every row comes back as its separate column
    // values, so a value holding "|" cannot shift the others.
    bool selectRecordValues(QList<QStringList>& rows, const QString& table, const QStringList& columns,
                            const QStringList& whereColumns, const QStringList& whereValues);
    QString deleteRecords(const QString& table, const QStringList& columns, const QList<QStringList>& valueSets);
    QString insertRecords(const QString& table, const QStringList& columns, const QList<QStringList>& rows);
    // Inserts the rows, several to a statement, inside the caller's
    // transaction, which opens and closes it; false at the first statement
    // that fails, the rest not tried.
    bool insertRows(const QString& table, const QStringList& columns, const QList<QStringList>& rows);
    // The rows whose keyColumn holds one of keys, each as its column values;
    // many keys are asked for in a few statements. False when one fails.
    bool selectRecordsIn(QList<QStringList>& rows, const QString& table, const QStringList& columns,
                         const QString& keyColumn, const QStringList& keys);

    // One delete of deleteTogether: the arguments of deleteRecords.
    struct RecordDelete
    {
        QString table;
        QStringList columns;
        QList<QStringList> valueSets;
    };
    // Runs the deletes in order inside one writing transaction: all or nothing.
    // Empty text on success; else the message of deleteRecords, naming the
    // table whose statement failed. Deletes without value sets are left out.
    QString deleteTogether(const QList<RecordDelete>& deletes);

    // Writing transactions. Every operation that writes goes through these.
    // beginWrite takes the write lock before the first statement, waiting up to
    // the busy timeout while another connection writes; reads made afterwards
    // inside the transaction decide the write with no other writer in between.
    // (A deferred transaction that reads first gets no wait at all: the engine
    // refuses at once to turn a reading transaction into a writing one while
    // another connection writes.) On the server the transaction takes the
    // database's one write lock (sql::beginWriteStatements), waiting up to the
    // same timeout.
    bool beginWrite();
    // Commits when keep is true, else rolls back; a failed commit is rolled back
    // too, so no transaction stays open. True only when committed.
    bool endWrite(bool keep);
    // beginWrite, then work, then endWrite with work's result.
    bool writeTransaction(const std::function<bool()>& work);

    QSqlDatabase database;

    // The error of the last open or statement that failed since the last
    // beginWrite() or createTable(); no error when none failed.
    QSqlError lastFailure() const { return m_lastFailure; }

private:
    Q_DISABLE_COPY(DataBase)

    // Registers the connection anew with another driver, under the same name.
    void useDriver(const QString& driver);
    // Runs one statement on the query; a text holding U+0000 is refused, since
    // SQLite would stop reading the statement there.
    // A failure is kept as lastFailure().
    bool run(QSqlQuery& query, const QString& statement);
    // Runs work inside one transaction: all or nothing. Empty text on success,
    // else the result message with the table name.
    QString runTransaction(const QString& table, const std::function<bool(QSqlQuery&)>& work);

    QSqlError m_lastFailure;
};

#endif // DATABASE_H
