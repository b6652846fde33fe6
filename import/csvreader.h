#ifndef IMPORT_CSVREADER_H
#define IMPORT_CSVREADER_H

#include "import/table.h"

#include <QByteArray>
#include <QChar>
#include <QString>

// Reads staff lists saved as CSV: the encoding and the separator are detected,
// quoted fields may hold separators, quotes ("") and line breaks.
namespace staffimport {

// The text of the file: UTF-8 (with or without a byte order mark), UTF-16 with
// a byte order mark, or else Windows-1251. *encoding names what was found.
// False when the bytes are not text at all (a NUL byte outside UTF-16).
bool decodeText(const QByteArray& bytes, QString* text, QString* encoding);

// ";", "," or tab: the one that splits the first lines into the most columns
// recognised as a header, or else into the most columns.
QChar detectSeparator(const QString& text);

// Splits the text into records and fields with the separator given. False
// with the line and the reason in *error when a quote is not closed properly.
// At most maxRows records are read when maxRows >= 0.
bool splitCsv(const QString& text, QChar separator, QVector<QStringList>* rows, QString* error, int maxRows = -1);

// decodeText, detectSeparator and splitCsv together.
bool readCsv(const QByteArray& bytes, Table* table, QString* error);

} // namespace staffimport

#endif // IMPORT_CSVREADER_H
