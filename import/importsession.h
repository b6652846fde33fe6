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
    // Reads the file and matches its header. False with the reason in *error
    // for an unreadable file or one without a recognisable header row.
    bool open(const QString& path, QString* error);

    const Table& table() const { return m_table; }
    int headerRow() const { return m_headerRow; }
    const QVector<Column>& columns() const { return m_columns; }
    void setColumns(const QVector<Column>& columns) { m_columns = columns; }
    void setFallback(const Organisation& fallback) { m_fallback = fallback; }
    void setToday(const QDate& today) { m_today = today; }

    // Builds the rows from the table with the current columns and checks them
    // against the database; false when the database could not be read.
    bool check(DataBase& db, QString* error);
    // Writes what check() found to add, checking again in the transaction.
    bool write(DataBase& db, QString* error);

    const QVector<StaffRow>& rows() const { return m_rows; }
    int newOrganisations() const { return m_newCompanies.size(); }

    // The report: the file, the counts and every row skipped with its reason.
    QStringList reportLines() const;

private:
    QString m_path;
    Table m_table;
    int m_headerRow = -1;
    QVector<Column> m_columns;
    Organisation m_fallback;
    QDate m_today = QDate::currentDate();
    QVector<StaffRow> m_rows;
    QList<QStringList> m_newCompanies;
};

// The header row expected, for a report on a file without one.
QString expectedHeaderText();

} // namespace staffimport

#endif // IMPORT_IMPORTSESSION_H
