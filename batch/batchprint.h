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

} // namespace batch

#endif // BATCHPRINT_H
