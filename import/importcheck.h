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

// Marks as Duplicate every row that a save would refuse as "Такая запись уже
// есть": the same organisation (matched by its lower-case company text, the
// stored letter case winning), surname, name, patronymic, post, director and
// date stored already or earlier in the file. Sets each row's companyText;
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
};
Summary summarise(const QVector<StaffRow>& rows);

// Lines listed in a report at most; the rest are counted.
constexpr int kMaxReportedRows = 1000;

// The rows skipped, one line each: "строка 7: Иванов Иван (ООО Щит): причина".
QStringList skippedRowLines(const QVector<StaffRow>& rows);

} // namespace staffimport

#endif // IMPORT_IMPORTCHECK_H
