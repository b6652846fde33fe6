#ifndef BATCHPRINT_H
#define BATCHPRINT_H

#include "card/cardlayout.h"
#include "card/printing.h"
#include "records/recordtexts.h"

#include <QSet>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class QPagedPaintDevice;

// Printing the cards of many employees of one organisation in one job.
namespace batch {

// The employees stored under the company text, ordered as the employee list
// orders them (by full name). False with the reason in *error on failure.
bool readEmployees(const QSqlDatabase& database, const QString& companyText, QVector<records::Employee>* employees,
                   QString* error);

// The row ids of the organisation's employees that the employee list's two
// filters (full name, director) let through, matched as the list matches them.
bool matchingRows(const QSqlDatabase& database, const QString& companyText, const QStringList& filters,
                  QSet<qint64>* rows, QString* error);

// The stored date as the card prints it; a null text when it cannot be read.
QString printedDate(const QString& stored);

// The texts of one card by card field key, as the form would hold them for
// this employee of the organisation, with the date given.
cardlayout::SourceTexts sourceTexts(const QString& form, const QString& comp, const records::Employee& employee,
                                    const QString& date);

// Paints the pages into one job, one card per page, over the picture file
// background (none when empty). After each page, pagePainted(count) is asked
// whether to go on; false stops the batch there, and the pages painted so
// far still go to the spooler when the job ends. Returns how many pages were
// handed to the spooler: 0 when the job could not begin or end (*error then
// says which).
int printPages(QPagedPaintDevice& printer, const QVector<printing::CardPage>& pages, const QString& background,
               const std::function<bool(int)>& pagePainted, QString* error);

} // namespace batch

#endif // BATCHPRINT_H
