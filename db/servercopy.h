#ifndef SERVERCOPY_H
#define SERVERCOPY_H

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Moving an office from its local file "dataBase.db" onto the database server.
namespace db {

// A table that is copied, with the columns the program writes, and how the
// report names its rows. A table numbered by the database itself names its
// key column (serialKey): the numbers are copied as they are, and the server
// carries on counting after the highest number the file ever gave.
struct CopiedTable
{
    QString table;
    QStringList columns;
    QString label;
    QString serialKey;
};

QList<CopiedTable> copiedTables();

// Copies every row of the copied tables from source (the local file) into
// target (the server) in one transaction: all rows or none. The server's
// tables are created when missing, as the program creates them; a server that already holds rows in any of
// them is refused and nothing is written. counts gets the rows copied per
// table in the order of copiedTables(). False with the reason in *message.
bool copyTables(const QSqlDatabase& source, QSqlDatabase& target, QList<int>* counts, QString* message);

// Runs the whole copy for the current working folder: "dataBase.db" into the
// server of "database.json". Returns the text to show: the counts on
// success (ok true), else what went wrong.
QString copyWorkingDatabaseToServer(bool* ok);

} // namespace db

#endif // SERVERCOPY_H
