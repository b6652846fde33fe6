#include "db/companyrows.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <limits>

namespace companyrows {

namespace {

const QString kColumns = QStringLiteral("SELECT rowid,name,Форма||' '||Наименование FROM companies");
// Rows to a statement of readAll: about a millisecond of reading, the
// longest a writer of another connection waits for its commit.
const int kChunk = 512;

CompanyRow rowOf(const QSqlQuery& query)
{
    CompanyRow row;
    row.rowId = query.value(0).toLongLong();
    // A NULL comes as a null variant, and stays a null text.
    const QVariant name = query.value(1);
    const QVariant sortText = query.value(2);
    row.name = name.isNull() ? QString() : name.toString();
    row.sortText = sortText.isNull() ? QString() : sortText.toString();
    return row;
}

// Runs statement and hands its rows to take.
bool read(QSqlQuery& query, const QString& statement, const std::function<bool(const CompanyRow&)>& take)
{
    query.setForwardOnly(true);
    if (!query.exec(statement))
        return false;
    while (query.next()) {
        if (!take(rowOf(query)))
            return false;
    }
    return true;
}

} // namespace

bool readAll(const QSqlDatabase& database, const std::function<bool(const CompanyRow&)>& take)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.prepare(kColumns + QStringLiteral(" WHERE rowid>? ORDER BY rowid LIMIT %1").arg(kChunk)))
        return false;
    QVector<CompanyRow> chunk;
    chunk.reserve(kChunk);
    // Each statement a transaction of its own, ended before the rows are
    // handed on: the read lock is held while they are copied out, not while
    // the caller works on them.
    qint64 last = std::numeric_limits<qint64>::min();
    do {
        chunk.clear();
        query.addBindValue(last);
        if (!query.exec())
            return false;
        while (query.next())
            chunk.append(rowOf(query));
        query.finish();
        for (const CompanyRow& row : qAsConst(chunk)) {
            if (!take(row))
                return false;
        }
        if (!chunk.isEmpty())
            last = chunk.constLast().rowId;
    } while (chunk.size() == kChunk);
    return true;
}

bool readSome(const QSqlDatabase& database, const QVector<qint64>& rowIds, QVector<CompanyRow>* rows)
{
    rows->clear();
    QStringList ids;
    for (qint64 rowId : rowIds)
        ids << QString::number(rowId);
    QSqlQuery query(database);
    return ids.isEmpty()
           || read(query, kColumns + QStringLiteral(" WHERE rowid IN (%1)").arg(ids.join(QLatin1Char(','))),
                   [rows](const CompanyRow& row) {
                       rows->append(row);
                       return true;
                   });
}

bool rowIdsShownAs(const QSqlDatabase& database, const QString& companyText, QVector<qint64>* rowIds)
{
    rowIds->clear();
    QSqlQuery query(database);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT rowid FROM companies WHERE TRIM(Форма||' '||Наименование)=?"));
    query.addBindValue(companyText);
    if (!query.exec())
        return false;
    while (query.next())
        rowIds->append(query.value(0).toLongLong());
    return true;
}

} // namespace companyrows
