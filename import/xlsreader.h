#ifndef IMPORT_XLSREADER_H
#define IMPORT_XLSREADER_H

#include "import/table.h"

#include <QString>
#include <QVector>

// Reads old Excel workbooks (.xls, BIFF5 and BIFF8) through Debian's libfreexl.
namespace staffimport {

// Whether the bytes begin like a compound document, the container of .xls.
bool isCompoundDocument(const QByteArray& bytes);

// Every sheet of the workbook at path: texts as stored, dates as
// "dd.MM.yyyy", numbers without a needless fraction. False with a reason in
// *error when the file cannot be read or holds no filled cell.
bool readXls(const QString& path, QVector<Table>* tables, QString* error);

} // namespace staffimport

#endif // IMPORT_XLSREADER_H
