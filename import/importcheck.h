#ifndef IMPORT_IMPORTCHECK_H
#define IMPORT_IMPORTCHECK_H

#include "import/staffrows.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVector>

class DataBase;

// Checks staff rows against the database by the rules of a save, and writes
// the rows to add all together or not at all.
namespace staffimport {

// Marks as Duplicate every row whose person (surname, name and patronymic,
// letter case, quotes and spaces aside) is stored already in the organisation
// or stands on an earlier line of the file, whatever the date. Organisations
// are matched by their lower-case company text, the stored letter case
// winning, and then by organisationKey (quotes, "ё", Latin look-alikes).
// Names alike only by "ё" or Latin letters get a note. Sets each row's companyText;
// organisations to be written go into *newCompanies as "companies" rows.
// Duplicates of an earlier check count afresh. False when the database could
// not be read, with the reason in *error.
bool checkRows(DataBase& db, QVector<StaffRow>* rows, QList<QStringList>* newCompanies, QString* error);

// In one transaction: checks the rows again (another copy of the program may
// have written meanwhile) and writes the new organisations and every row to
// add (the organisations written go into *newCompanies). On any failure
// nothing is written. The tables are created when missing.
bool writeRows(DataBase& db, QVector<StaffRow>* rows, QList<QStringList>* newCompanies, QString* error);

struct Summary
{
    int toAdd = 0;
    int duplicates = 0;
    int invalid = 0;
    int notListed = 0;
    int dateDefaulted = 0; // rows to add given the import's date
};
Summary summarise(const QVector<StaffRow>& rows);

// Lines listed in a report at most; the rest are counted.
constexpr int kMaxReportedRows = 1000;

// The rows skipped, one line each: "строка 7: Иванов Иван (ООО Щит) — причина".
QStringList skippedRowLines(const QVector<StaffRow>& rows);
// The lines that are no rows of the list, with the reason of each.
QStringList notListedLines(const QVector<StaffRow>& rows);
// The rows to add that carry a note ("похоже на …").
QStringList notedRowLines(const QVector<StaffRow>& rows);
// Each organisation of the file matched to another spelling, once:
// "«OOO "Щит"» — это «ООО «Щит»»".
QStringList matchedOrganisations(const QVector<StaffRow>& rows);

} // namespace staffimport

#endif // IMPORT_IMPORTCHECK_H
