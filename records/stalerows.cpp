#include "records/stalerows.h"

#include "records/recordtexts.h"

#include <QSqlQuery>
#include <QVariant>

namespace records {

bool companyGone(const QSqlDatabase& database, const QString& companyText)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM companies WHERE %1 = ?").arg(companyTextColumn()));
    query.addBindValue(companyText);
    return query.exec() && query.next() && query.value(0).toLongLong() == 0;
}

QString staleRowMessage(int rowsShown, int rowsNow)
{
    return rowsNow < rowsShown ? QStringLiteral("Запись удалена на другом рабочем месте")
                               : QStringLiteral("Запись изменена на другом рабочем месте");
}

} // namespace records
