#ifndef IMPORT_TABLE_H
#define IMPORT_TABLE_H

#include <QString>
#include <QStringList>
#include <QVector>

// The cells of a staff list as texts, whatever file they came from. Row i is
// line i + 1 as a spreadsheet program numbers it: the first row is line 1.
namespace staffimport {

struct Table
{
    QVector<QStringList> rows;
    // How the file was read, for the report: "CSV, UTF-8, разделитель «;»", "XLSX", "ODS", "XLS".
    QString description;
    QString sheet; // the sheet's name in a spreadsheet; empty for CSV
};

// Longest file read: a staff list is far smaller; anything bigger is refused
// before it is read into memory.
constexpr qint64 kMaxFileBytes = 64 * 1024 * 1024;
// Columns beyond this are not read: no staff list is wider.
constexpr int kMaxColumns = 256;

// Reads a CSV, .xlsx, .ods or .xls file (told apart by content, not by
// name): one table per sheet, one for CSV. False with a reason for the
// operator in *error when the file cannot be read.
bool readSheets(const QString& path, QVector<Table>* tables, QString* error);
// The first sheet of readSheets.
bool readTable(const QString& path, Table* table, QString* error);

} // namespace staffimport

#endif // IMPORT_TABLE_H
