#ifndef LISTPOSITION_H
#define LISTPOSITION_H

#include <QString>
#include <QStringList>

class QAbstractItemModel;
class QSqlDatabase;
class QTableView;

// Selecting a known organisation or employee again in the unfiltered lists of
// the main window. The lists fetch their rows in batches as they are scrolled;
// the database tells where the row is, so only the rows up to it are fetched.
namespace records {

// Rows [first, end) of a list that may hold the row looked for.
struct RowSpan
{
    int first = 0;
    int end = 0;
};

// Fetches rows of model until row is among them; false when the list is shorter.
bool fetchThrough(QAbstractItemModel* model, int row);

// Selects the first row of view whose cells, from column 0 on, show texts,
// looking inside span first and through the whole list when not found there
// (the database changed since the list was read). Scrolls the row into view.
bool selectShownRow(QTableView* view, const QStringList& texts, const RowSpan& span);

// The company list of view must be the unfiltered one.
bool selectCompanyRow(QTableView* view, const QSqlDatabase& database, const QString& companyText);
// The personnel list of view must hold every employee of companyText;
// personTexts are the full name, director and date texts of the row.
bool selectPersonRow(QTableView* view, const QSqlDatabase& database, const QString& companyText,
                     const QStringList& personTexts);

} // namespace records

#endif // LISTPOSITION_H
