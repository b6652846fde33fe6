#ifndef STATEMENTS_H
#define STATEMENTS_H

#include "db/dialect.h"

#include <QList>
#include <QString>
#include <QStringList>

// Builders of the SQL texts that DataBase runs. Table and column names go in
// unchanged (a column may be an expression); every value goes in as a quoted
// literal, so no value can end its literal early or change the statement.
// Where a value list is shorter than its column list the missing values read
// as empty texts; DataBase refuses such calls before building anything.
namespace sql {

// The value between single quotes, every single quote in it doubled.
QString quoteLiteral(const QString& value);

// "column='value'" for each column with the value at its position, joined with separator.
QString conditions(const QStringList& columns, const QStringList& values, const QString& separator);

// Every column TEXT (on the server compared by character codes, see dialect.h).
QString createTable(const QString& table, const QStringList& columns, Dialect dialect = Dialect::Sqlite);
QString countRows(const QString& table);
QString masterColumns(const QString& expr, Dialect dialect = Dialect::Sqlite);

QString insertRecord(const QString& table, const QStringList& columns, const QStringList& values);
QString updateRecords(const QString& table, const QStringList& columns, const QStringList& values,
                      const QStringList& whereColumns, const QStringList& whereValues);
QString recordExists(const QString& table, const QStringList& columns, const QStringList& values);
QString selectRecords(const QString& table, const QStringList& columns, const QStringList& whereColumns,
                      const QStringList& whereValues);

// The condition of one column of a delete: the column's accepted values with
// repeats dropped. A set holding only empty texts matches the empty text (and
// NULL); a set with no entries gives "IS NULL", which no row written here matches.
QString deleteCondition(const QString& column, QStringList values);
QString deleteRecords(const QString& table, const QStringList& columns, const QList<QStringList>& valueSets);

// "SELECT columns FROM table WHERE keyColumn IN('k1','k2',...)".
QString selectRecordsIn(const QString& table, const QStringList& columns, const QString& keyColumn,
                        const QStringList& keys);
// One INSERT of several rows: "INSERT INTO table (columns) VALUES (...),(...);".
QString insertRecordsMany(const QString& table, const QStringList& columns, const QList<QStringList>& rows);

// The batch insert builds its pattern once and fills in the values of each row.
QString insertRecordsPattern(const QString& table, const QStringList& columns);
QString insertRecordsRow(const QString& pattern, const QStringList& values);

} // namespace sql

#endif // STATEMENTS_H
