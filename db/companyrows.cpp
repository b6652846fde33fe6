#include "db/companyrows.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace companyrows {

namespace {

// The list's own expressions, so that the indexes on them answer these reads.
const QString kColumns = QStringLiteral("SELECT rowid,name,Форма||' '||Наименование FROM companies");
const QString kOrder = QStringLiteral(" ORDER BY Форма||' '||Наименование Asc");

bool read(const QSqlDatabase& database, const QString& statement, const std::function<void(const CompanyRow&)>& take)
{
    QSqlQuery query(database);
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
        take(row);
    }
    return true;
}

} // namespace

bool readAll(const QSqlDatabase& database, const std::function<void(const CompanyRow&)>& take)
{
    return read(database, kColumns + kOrder, take);
}

bool readSome(const QSqlDatabase& database, const QVector<qint64>& rowIds, QVector<CompanyRow>* rows)
{
    rows->clear();
    QStringList ids;
    for (qint64 rowId : rowIds)
        ids << QString::number(rowId);
    return ids.isEmpty()
           || read(database, kColumns + QStringLiteral(" WHERE rowid IN (%1)").arg(ids.join(QLatin1Char(','))),
                   [rows](const CompanyRow& row) { rows->append(row); });
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
