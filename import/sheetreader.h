#ifndef IMPORT_SHEETREADER_H
#define IMPORT_SHEETREADER_H

#include "import/table.h"

#include <QByteArray>

// Reads the sheets of an .xlsx or .ods spreadsheet through liborcus.
namespace staffimport {

enum class SheetFormat { Xlsx, Ods };

// Cells come as shown: texts as stored, formulas as their cached results,
// cells formatted as dates as "dd.MM.yyyy", other numbers without a needless
// fraction; a merged range gives its value to every cell it covers. One
// table per sheet, in the file's order. False with a reason in *error when
// the file cannot be read or holds no filled cell.
bool readSheets(const QByteArray& bytes, SheetFormat format, QVector<Table>* tables, QString* error);

// Whether a number format code shows a date (day, month or year letters
// outside quotes and brackets): "dd.mm.yyyy", "[$-419]d mmmm yyyy", but not "0.00".
bool isDateFormatCode(const QString& code);
// Whether a built-in number format of .xlsx shows a date.
bool isBuiltinDateFormat(int id);

} // namespace staffimport

#endif // IMPORT_SHEETREADER_H
