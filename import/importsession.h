#ifndef IMPORT_IMPORTSESSION_H
#define IMPORT_IMPORTSESSION_H

#include "import/columns.h"
#include "import/importcheck.h"
#include "import/staffrows.h"
#include "import/table.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>

class DataBase;

// One import from start to end, shared by the import window and the command
// line: the file read, its columns matched, its rows checked and written.
namespace staffimport {

class ImportSession
{
public:
    // Reads the file and finds its table: the given sheet (by name or number
    // from 1), else the first sheet with a header row among its first
    // kHeaderSearchRows. False with the reason in *error for an unreadable
    // file, a sheet not there, or no header found.
    bool open(const QString& path, QString* error, const QString& sheet = QString());

    const QVector<Table>& sheets() const { return m_sheets; }
    int sheetIndex() const { return m_sheet; }
    const Table& table() const { return m_table; }
    int headerRow() const { return m_headerRow; }
    // Another sheet, its header found anew (-1 when it has none).
    void selectSheet(int index);
    // The header row chosen by the operator, its columns matched afresh.
    void setHeaderRow(int row);
    const QVector<Column>& columns() const { return m_columns; }
    void setColumns(const QVector<Column>& columns) { m_columns = columns; }
    void setFallback(const Organisation& fallback) { m_fallback = fallback; }
    // The date of issue for rows that give none; today unless set.
    void setDefaultDate(const QDate& date) { m_defaultDate = date; }
    QDate defaultDate() const { return m_defaultDate; }

    // Builds the rows from the table with the current columns and checks them
    // against the database; false when the database could not be read.
    bool check(DataBase& db, QString* error);
    // Writes what check() found to add, checking again in the transaction.
    bool write(DataBase& db, QString* error);

    const QVector<StaffRow>& rows() const { return m_rows; }
    int newOrganisations() const { return m_newCompanies.size(); }

    // The report: the file, the sheet and header row, the counts (adding up
    // to the rows below the header), the columns not stored, the
    // organisations new or matched, and every row skipped with its reason.
    QStringList reportLines() const;
    // The header texts of the columns that feed nothing, as «…».
    QStringList ignoredColumns() const;

private:
    QString m_path;
    QVector<Table> m_sheets;
    int m_sheet = 0;
    Table m_table;
    int m_headerRow = -1;
    QVector<Column> m_columns;
    Organisation m_fallback;
    QDate m_defaultDate = QDate::currentDate();
    QVector<StaffRow> m_rows;
    QList<QStringList> m_newCompanies;
};

// The reason given for a file without a header row, naming the sheets looked at.
QString noHeaderText(const QVector<Table>& sheets);

} // namespace staffimport

#endif // IMPORT_IMPORTSESSION_H
