#ifndef RECORDSTORE_H
#define RECORDSTORE_H

#include "records/recordtexts.h"

#include <QString>
#include <QStringList>

class DataBase;

// The writes behind the main window's save, update and delete buttons.
namespace records {

enum class SaveOutcome { Saved, Duplicate, Failed };

// The stored organisation shown as companyText; false when it cannot be read
// or there is none.
bool readOrganisation(DataBase& db, const QString& companyText, Organisation* organisation);

// How many employees an organisation has; -1 when they cannot be counted.
int employeeCount(DataBase& db, const QString& companyText);

// The columns an employee row is found by, in the order of the personnel
// list's cells: organisation, full name, director, date.
QStringList personKeyColumns();

// Writes the organisation (unless stored already) and the employee. A failed
// check counts as a failure, never as a match. *companyText gives the
// organisation the employee is stored under: one stored under the same
// lower-case text keeps its own text. Run inside a writing transaction.
SaveOutcome writeNewRecords(DataBase& db, const Organisation& company, const Employee& person, QString* companyText);

enum class RenameOutcome { Renamed, Taken, Failed };

// The organisation row and its employees' links change together or not at
// all: employees are linked only by the company text. A new text that another
// organisation already shows, in any letter case and with any run of blanks
// between its words, is refused (Taken, that organisation's text in
// *takenText): two organisations under one text would share their employees
// for good.
RenameOutcome renameOrganisation(DataBase& db, const Organisation& company, const QString& oldText,
                                 QString* takenText = nullptr);

// The director's post and name of the organisation's employee saved last that
// has either; false when there is none or it cannot be read.
bool latestDirector(DataBase& db, const QString& companyText, QString* post, QString* director);

} // namespace records

#endif // RECORDSTORE_H
