#include "db/database.h"

#include "db/failurecause.h"

#include "db/statements.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>

namespace {

const QString kTransactionError = QStringLiteral("Ошибка транзакции, таблица ");
const QString kWriteError = QStringLiteral("Ошибка записи БД, таблица ");
const QChar kRowSeparator = QLatin1Char('|');
// Rows of a multi-row insert, and keys of an IN list, per statement.
const int kRowsPerStatement = 200;

// The current row's values by position (a NULL reads as the empty text), so
// two result columns of the same name each keep their own value.
QStringList rowValues(const QSqlQuery& query, int columns)
{
    QStringList values;
    values.reserve(columns);
    for (int i = 0; i < columns; ++i)
        values.append(query.value(i).toString());
    return values;
}

// Every statement takes the value at each column's position; a shorter value
// list cannot make a sound statement, so such calls fail without running.
bool tooFewValues(const QStringList& columns, const QStringList& values)
{
    return values.size() < columns.size();
}

} // namespace

QString DataBase::quoteLiteral(const QString& value)
{
    return sql::quoteLiteral(value);
}

QStringList DataBase::quoteValues(const QStringList& values) const
{
    QStringList quoted;
    quoted.reserve(values.size());
    for (const QString& value : values)
        quoted.append(sql::quoteLiteral(value));
    return quoted;
}

bool DataBase::insertRecord(const QString& table, const QStringList& columns, const QStringList& values)
{
    if (!createTable(table, columns))
        return false;
    QSqlQuery query(database);
    return run(query, sql::insertRecord(table, columns, values));
}

bool DataBase::updateRecords(const QString& table, const QStringList& columns, const QStringList& values,
                             const QStringList& whereColumns, const QStringList& whereValues)
{
    if (tooFewValues(columns, values) || tooFewValues(whereColumns, whereValues))
        return false;
    createTable(table, columns); // a missing table is created; the update then changes nothing
    QSqlQuery query(database);
    return run(query, sql::updateRecords(table, columns, values, whereColumns, whereValues));
}

int DataBase::recordExists(const QString& table, const QStringList& columns, const QStringList& values)
{
    if (tooFewValues(columns, values))
        return -1;
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!run(query, sql::recordExists(table, columns, values)))
        return -1;
    return query.next() ? 1 : 0;
}

bool DataBase::selectRecords(QStringList& rows, const QString& table, const QStringList& columns,
                             const QStringList& whereColumns, const QStringList& whereValues)
{
    if (tooFewValues(whereColumns, whereValues))
        return false;
    return queryRows(rows, sql::selectRecords(table, columns, whereColumns, whereValues));
}

bool DataBase::queryRows(QStringList& rows, const QString& statement)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!run(query, statement))
        return false;
    const int columns = query.record().count();
    QStringList result;
    while (query.next())
        result.append(rowValues(query, columns).join(kRowSeparator));
    // A row that could not be fetched fails the call; rows keeps what it held.
    if (query.lastError().isValid())
        return false;
    rows = result;
    return true;
}

bool DataBase::queryRows(QStringList* rows, QString statement)
{
    if (!rows)
        return false;
    return queryRows(*rows, statement);
}

bool DataBase::selectRecordValues(QList<QStringList>& rows, const QString& table, const QStringList& columns,
                                  const QStringList& whereColumns, const QStringList& whereValues)
{
    if (tooFewValues(whereColumns, whereValues))
        return false;
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!run(query, sql::selectRecords(table, columns, whereColumns, whereValues)))
        return false;
    const int count = query.record().count();
    QList<QStringList> result;
    while (query.next())
        result.append(rowValues(query, count));
    if (query.lastError().isValid())
        return false;
    rows = result;
    return true;
}

QString DataBase::runTransaction(const QString& table, const std::function<bool(QSqlQuery&)>& work)
{
    if (!beginWrite())
        return db::withCause(kTransactionError + table, m_lastFailure);
    bool done = false;
    {
        QSqlQuery query(database);
        done = work(query);
    }
    return endWrite(done) ? QString() : db::withCause(kWriteError + table, m_lastFailure);
}

QString DataBase::deleteRecords(const QString& table, const QStringList& columns,
                                const QList<QStringList>& valueSets)
{
    return deleteTogether({{table, columns, valueSets}});
}

QString DataBase::deleteTogether(const QList<RecordDelete>& deletes)
{
    QList<RecordDelete> steps;
    for (const RecordDelete& step : deletes) {
        if (step.valueSets.isEmpty())
            continue;
        // A missing set would read as an empty one and widen or void the condition.
        if (step.valueSets.size() < step.columns.size())
            return kWriteError + step.table;
        steps.append(step);
    }
    if (steps.isEmpty())
        return QString();
    // The table named when the commit itself fails.
    QString failedTable = steps.last().table;
    const QString message = runTransaction(steps.first().table, [this, &steps, &failedTable](QSqlQuery& query) {
        for (const RecordDelete& step : steps) {
            if (!run(query, sql::deleteRecords(step.table, step.columns, step.valueSets))) {
                failedTable = step.table;
                return false;
            }
        }
        return true;
    });
    if (message.isEmpty() || message.startsWith(kTransactionError))
        return message;
    return db::withCause(kWriteError + failedTable, m_lastFailure);
}

QString DataBase::insertRecords(const QString& table, const QStringList& columns, const QList<QStringList>& rows)
{
    const QString pattern = sql::insertRecordsPattern(table, columns);
    return runTransaction(table, [this, &pattern, &rows](QSqlQuery& query) {
        for (const QStringList& row : rows) {
            if (!run(query, sql::insertRecordsRow(pattern, row)))
                return false;
        }
        return true;
    });
}

bool DataBase::insertRows(const QString& table, const QStringList& columns, const QList<QStringList>& rows)
{
    QSqlQuery query(database);
    for (int first = 0; first < rows.size(); first += kRowsPerStatement) {
        const QList<QStringList> part = rows.mid(first, kRowsPerStatement);
        for (const QStringList& row : part) {
            if (row.size() != columns.size())
                return false;
        }
        if (!run(query, sql::insertRecordsMany(table, columns, part)))
            return false;
    }
    return true;
}

bool DataBase::selectRecordsIn(QList<QStringList>& rows, const QString& table, const QStringList& columns,
                               const QString& keyColumn, const QStringList& keys)
{
    QList<QStringList> result;
    QSqlQuery query(database);
    query.setForwardOnly(true);
    for (int first = 0; first < keys.size(); first += kRowsPerStatement) {
        if (!run(query, sql::selectRecordsIn(table, columns, keyColumn, keys.mid(first, kRowsPerStatement))))
            return false;
        while (query.next())
            result.append(rowValues(query, columns.size()));
        if (query.lastError().isValid())
            return false;
    }
    rows = result;
    return true;
}
