#ifndef IMPORT_ODSCONTENT_H
#define IMPORT_ODSCONTENT_H

#include <QByteArray>

// The content part of an .ods spreadsheet made readable for liborcus 0.17,
// which counts no column for a cell covered by a merged cell (the cells after
// it would slide to the left), reads no merged range, and leaves out the text
// result of a formula.
namespace staffimport {

// The content with each covered cell written as a copy of the merged cell
// over it (an empty cell where none is), and each formula with a text result
// as that text. The bytes unchanged when the XML cannot be read.
QByteArray readableOdsContent(const QByteArray& contentXml);

} // namespace staffimport

#endif // IMPORT_ODSCONTENT_H
