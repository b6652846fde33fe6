#ifndef COMPANYPAGES_H
#define COMPANYPAGES_H

#include "db/dialect.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QString>
#include <QStringList>
#include <QVariant>

// The company list read a page at a time by its sort key: each page is one
// statement read to its end, "sort text >= the last one read", so no read of
// the file stays open while the operator looks at the list, and a page costs
// the same wherever it lies in a long list (the list's index answers it).
//
// Rows with the same sort text show the same text; a page that starts among
// them skips those already read. The filter is that of the list statement:
// the organisations whose search text ("name") holds it, "%" and "_" as
// wildcards.
namespace records {

// Where a page starts: after the rows read so far.
struct CompanyPageKey
{
    QVariant sortText; // sort text of the last row read; null before the first page, or a NULL sort text
    int tied = 0;      // rows read so far with that sort text
};

struct CompanyPage
{
    QStringList texts;     // the shown texts, in list order
    QStringList names;     // their search texts ("name"); not read from the list's end
    CompanyPageKey next;   // where the page after this one starts
    bool complete = false; // no rows after these
};

// The statement of a page of at most count rows after the key.
QString companyPageQuery(const QString& filter, const CompanyPageKey& after, int count,
                         sql::Dialect dialect = sql::Dialect::Sqlite);

// Reads at most count rows of the list for filter (every organisation for an
// empty one) after the key; false with *error set when the database refused.
bool readCompanyPage(const QSqlDatabase& database, const QString& filter, const CompanyPageKey& after, int count,
                     CompanyPage* page, QSqlError* error);

// Reads the count rows of the whole list that end skip rows before its end,
// in list order, going through the list's index from its end (SQLite only:
// it sorts NULL sort texts first both ways). page->next is not set: the rows
// before them are unknown.
bool readCompanyPageFromEnd(const QSqlDatabase& database, int skip, int count, CompanyPage* page, QSqlError* error);

// The number of organisations; false with *error set when the database refused.
bool countCompanies(const QSqlDatabase& database, int* count, QSqlError* error);

// A number that changes when another connection commits to the database
// file (SQLite's data_version); -1 where the engine does not tell.
qint64 foreignCommitCount(const QSqlDatabase& database);
// The rows this connection has written since it was opened (SQLite's
// total_changes()); -1 where the engine does not tell.
qint64 ownChangeCount(const QSqlDatabase& database);

} // namespace records

#endif // COMPANYPAGES_H
