#include "db/companyrows.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace companyrows {

namespace {

const QString kColumns = QStringLiteral("SELECT rowid,name,Форма||' '||Наименование FROM companies");
// Rows to a statement of readAll.
const int kChunk = 4096;

// Runs statement and hands its rows to take; *count receives the number handed.
bool read(QSqlQuery& query, const QString& statement, const std::function<bool(const CompanyRow&)>& take,
          int* count = nullptr)
{
    if (count)
        *count = 0;
    query.setForwardOnly(true);
    if (!query.exec(statement))
        return false;
    while (query.next()) {
        CompanyRow row;
        row.rowId = query.value(0).toLongLong();
        // A NULL comes as a null variant, and stays a null text.
        const QVariant name = query.value(1);
        const QVariant sortText = query.value(2);
        row.name = name.isNull() ? QString() : name.toString();
        row.sortText = sortText.isNull() ? QString() : sortText.toString();
        if (count)
            ++*count;
        if (!take(row))
            return false;
    }
    return true;
}

} // namespace

bool readAll(const QSqlDatabase& database, const std::function<bool(const CompanyRow&)>& take)
{
    QSqlQuery query(database);
    qint64 last = 0;
    bool started = false;
    int count = kChunk;
    // Each statement a transaction of its own: a writer waits for one chunk at most.
    while (count == kChunk) {
        const QString where = started ? QStringLiteral(" WHERE rowid>%1").arg(last) : QString();
        if (!read(query, kColumns + where + QStringLiteral(" ORDER BY rowid LIMIT %1").arg(kChunk),
                  [&](const CompanyRow& row) {
                      last = row.rowId;
                      return take(row);
                  },
                  &count))
            return false;
        query.finish();
        started = true;
    }
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
