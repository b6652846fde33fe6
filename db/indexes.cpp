#include "db/indexes.h"

#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace indexes {

namespace {

QSet<QString> existingIndexes(const QSqlDatabase& database)
{
    QSet<QString> names;
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (query.exec(sql::indexNamesQuery(sql::dialectOf(database)))) {
        while (query.next())
            names.insert(query.value(0).toString());
    }
    return names;
}

bool hasColumns(const QSqlDatabase& database, const LookupIndex& index)
{
    const QSqlRecord record = database.record(index.table);
    if (record.isEmpty())
        return false;
    for (const QString& column : index.columns) {
        if (!record.contains(column))
            return false;
    }
    return true;
}

} // namespace

QList<LookupIndex> lookupIndexes()
{
    const QStringList company{QStringLiteral("Форма"), QStringLiteral("Наименование")};
    return {
        // The company list's order. Holding "name" and both columns as well, it
        // answers the list's query by itself: a filter that matches few rows
        // reads this index through instead of the table row by row.
        {QStringLiteral("companies_by_order"), QStringLiteral("companies"),
         {QStringLiteral("Форма||' '||Наименование"), QStringLiteral("name"), QStringLiteral("Форма"),
          QStringLiteral("Наименование")},
         company + QStringList{"name"}},
        // The company text: a company click, an organisation update or delete.
        {QStringLiteral("companies_by_text"), QStringLiteral("companies"),
         {QStringLiteral("TRIM(Форма||' '||Наименование)")}, company},
        // The check for a stored organisation on save.
        {QStringLiteral("companies_by_name"), QStringLiteral("companies"), {QStringLiteral("name")},
         {QStringLiteral("name")}},
        // Every employee statement is restricted to one organisation by "id".
        {QStringLiteral("personal_by_id"), QStringLiteral("personal"), {QStringLiteral("id")}, {QStringLiteral("id")}},
    };
}

QString createStatement(const LookupIndex& index, sql::Dialect dialect)
{
    return QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)")
        .arg(index.name, index.table, sql::indexKeys(dialect, index.keys));
}

QStringList createLookupIndexes(const QSqlDatabase& database)
{
    QStringList failed;
    if (!database.isOpen())
        return failed;
    // Existing indexes are passed over without a statement, so a start next
    // to another copy of the program that holds the file does not wait here.
    const QSet<QString> existing = existingIndexes(database);
    const sql::Dialect dialect = sql::dialectOf(database);
    bool locked = false;
    for (const LookupIndex& index : lookupIndexes()) {
        if (existing.contains(index.name) || !hasColumns(database, index))
            continue;
        if (locked) {
            failed.append(index.name);
            continue;
        }
        QSqlQuery query(database);
        if (!query.exec(createStatement(index, dialect))) {
            failed.append(index.name);
            locked = sql::isLockError(dialect, query.lastError());
        }
    }
    return failed;
}

} // namespace indexes
