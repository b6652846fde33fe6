#ifndef IMPORT_STAFFROWS_H
#define IMPORT_STAFFROWS_H

#include "import/columns.h"
#include "import/table.h"
#include "records/recordtexts.h"

#include <QDate>
#include <QString>
#include <QVector>

// The rows of a staff list as they will be stored, each with its verdict.
namespace staffimport {

// Longest text a field takes: a card has room for far less.
constexpr int kMaxFieldLength = 300;

struct StaffRow
{
    // NotListed: a line after or around the list (a total, a signature,
    // "М.П.", no name where names stand), never stored and not an error.
    enum class Status { Add, Duplicate, Invalid, NotListed };

    int line = 0; // line of the file, the first row being line 1
    QString form;
    QString comp;
    records::PersonFields person;
    Status status = Status::Add;
    QString reason; // why the row is skipped
    bool dateDefaulted = false; // the file gave no date: the import's date was used
    QString note;   // a remark that does not stop the row ("похоже на …")
    // The company text the employee is stored under: set by the check, which
    // follows the letter case of an organisation stored already.
    QString companyText;
    // Control or format characters other than line breaks and tabs were
    // dropped from its cells (a direction override, a zero-width space).
    bool hiddenRemoved = false;
};

// The organisation given to rows that name none.
struct Organisation
{
    QString form;
    QString comp;
};

// A cell as a field takes it: control characters and line breaks become
// spaces, format characters (util/hiddentext.h) go, runs of spaces become
// one, and none stay at either end.
QString cleanCell(const QString& text);

// Whether cleanCell() drops from the cell a hidden character other than a
// tab or a line break.
bool hidesCharacters(const QString& cell);

// The report line naming the rows whose cells lost hidden characters; empty
// when there are none.
QString hiddenCharacterLine(const QVector<StaffRow>& rows);

// The date of issue as "dd.MM.yyyy" from "1.2.2020", "01.02.20", "2020-02-01",
// "01/02/2020", with a time after it, with "г." after it or "с" before it,
// in words ("1 февраля 2026 г."), or a spreadsheet's serial day number
// (46054, from 1927 to 2099). False for a date that cannot be: the 30th of
// February, a month 13, a year outside 1900-2099, or no date at all.
bool normaliseDate(const QString& text, QString* date);

// Why a row, its cells cleaned, is no row of the list: a total ("Всего",
// "Итого"), "М.П.", a signature line, a name column holding no name. Empty
// for a row of the list. nameText is what the name columns hold.
QString notListedReason(const QStringList& cells, const QString& nameText);

// The rows below the header row, columns read as given; rows without any
// text are left out. A row with no organisation takes fallback; an empty date
// of issue becomes defaultDate (marked dateDefaulted). Lines around the list
// are NotListed; rows without a name (when no column holds names), without an
// organisation, with an impossible date or an overlong text are Invalid.
QVector<StaffRow> staffRows(const Table& table, int headerRow, const QVector<Column>& columns,
                            const Organisation& fallback, const QDate& defaultDate);

} // namespace staffimport

#endif // IMPORT_STAFFROWS_H
