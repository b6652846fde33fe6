#ifndef INDEXES_H
#define INDEXES_H

#include "db/dialect.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Indexes on what the program looks records up by. SQLite uses an index on an
// expression only where a statement holds the very same expression, so the
// keys below follow the statements of the lists and the record operations.
namespace indexes {

// One index: its name, its table, the keys between the parentheses of
// CREATE INDEX, and the columns that the table must have for it.
struct LookupIndex
{
    QString name;
    QString table;
    QStringList keys;
    QStringList columns;
};

// The indexes of the "companies" and "personal" tables.
QList<LookupIndex> lookupIndexes();

// "CREATE INDEX IF NOT EXISTS name ON table (keys)".
QString createStatement(const LookupIndex& index, sql::Dialect dialect = sql::Dialect::Sqlite);

// Creates the indexes of lookupIndexes() that are missing, on tables that
// exist and have every column the index needs; others are passed over. On a
// large database made by an earlier version this is a one-time cost of a few
// seconds (about two for a million employees). An index that cannot be made
// only costs speed: the rest are still tried, except after a locked database,
// where the rest would wait for the same lock; a later start tries again.
// Returns the names of the indexes that could not be made.
QStringList createLookupIndexes(const QSqlDatabase& database);

} // namespace indexes

#endif // INDEXES_H
