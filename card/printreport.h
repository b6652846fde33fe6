#ifndef PRINTREPORT_H
#define PRINTREPORT_H

#include <QString>

// What the operator is asked before a print step that cannot be undone, and
// the short reports of the status line once a print or an export is done.
namespace printreport {

// Before a reprint of card `number`; a card still issued is said to become
// spoiled, one spoiled already is not.
QString reprintQuestion(qint64 number, bool spoiledAlready);
// Before a batch: "Напечатать N карточек на принтере «…»?".
QString batchQuestion(int count, const QString& printer);

// Where the pages went: "на принтер «…»", or "в файл «…»" for the test print
// mode, which writes the PDF file pdfFile instead.
QString destination(const QString& printer, const QString& pdfFile);

// After a single print: the register number (0 when the card was not
// entered) and where it went (see destination).
QString printed(qint64 number, const QString& where);
// After a reprint of card `replaced` as card `number`.
QString reprinted(qint64 replaced, qint64 number, const QString& where);
// After a batch: how many of how many cards went where.
QString batchPrinted(int sent, int total, const QString& where);
// After an export of the register.
QString exported(int rows, const QString& fileName);

// The reason written into the register for the card a reprint replaces.
QString replacedNote(qint64 number);

} // namespace printreport

#endif // PRINTREPORT_H
