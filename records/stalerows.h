#ifndef STALEROWS_H
#define STALEROWS_H

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// Rows of the lists that another workstation changed or deleted after the
// list was read: the list still shows them, the database no longer holds them.
namespace records {

// True when the database holds no organisation shown as companyText; false
// when it does or when it cannot be read.
bool companyGone(const QSqlDatabase& database, const QString& companyText);

// "Запись удалена на другом рабочем месте" when the list read again has fewer
// rows than it showed, else "Запись изменена на другом рабочем месте". (Rows
// another workstation added meanwhile can hide a deletion; the text then says
// changed, which is still true of the list.)
QString staleRowMessage(int rowsShown, int rowsNow);

} // namespace records

#endif // STALEROWS_H
