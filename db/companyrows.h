#ifndef COMPANYROWS_H
#define COMPANYROWS_H

#include <QSqlDatabase>
#include <QString>
#include <QVector>

#include <functional>

// The "companies" rows as the in-memory company search reads them, each with
// SQLite's row id, the one handle that tells rows apart in a table without a key.
namespace companyrows {

// One organisation: row id, search text ("name") and the sort text of the
// company list; a null text stands for an SQL NULL.
struct CompanyRow
{
    qint64 rowId = 0;
    QString name;
    QString sortText;
};

// Every organisation, by row id, handed to take one by one; take returns false
// to stop the reading (readAll is then false too). The rows are read a few
// hundred to a statement, so that no read keeps a writer waiting for long.
bool readAll(const QSqlDatabase& database, const std::function<bool(const CompanyRow&)>& take);
// The organisations among rowIds that exist (in no particular order).
bool readSome(const QSqlDatabase& database, const QVector<qint64>& rowIds, QVector<CompanyRow>* rows);
// Row ids of the organisations that the list shows as companyText.
bool rowIdsShownAs(const QSqlDatabase& database, const QString& companyText, QVector<qint64>* rowIds);

} // namespace companyrows

#endif // COMPANYROWS_H
