#ifndef CSVEXPORT_H
#define CSVEXPORT_H

#include "journal/cardregister.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// The register as a CSV file that a spreadsheet program opens as it is:
// UTF-8 with a byte order mark, ";" between cells, CRLF between rows, a
// header row first.
namespace journal {

// The header row's texts, one per exported column.
QStringList csvHeader();

// One cell, always quoted, quotes doubled. Wherever a spreadsheet could
// start a cell that it would take for a formula (one beginning with "=",
// "+", "-", "@", a tab or a carriage return) - at the start of the text or
// after a ",", ";", tab or line break, whichever separator the file is read
// with - a "'" goes in first.
QString csvCell(const QString& text);

// The whole file's bytes for the rows, header first.
QByteArray csvDocument(const QVector<CardRow>& rows);

// Writes the rows to fileName; false with the reason in *error when the file
// cannot be written (an existing file is then left as it was).
bool exportCsv(const QString& fileName, const QVector<CardRow>& rows, QString* error);

} // namespace journal

#endif // CSVEXPORT_H
