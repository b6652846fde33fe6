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

// After a single print: the register number (0 when the card was not
// entered) and the printer; a test print is not entered at all.
QString printed(qint64 number, const QString& printer, bool testPrint);
// After a reprint of card `replaced` as card `number`.
QString reprinted(qint64 replaced, qint64 number, const QString& printer);
// After a batch: how many of how many cards went to the printer.
QString batchPrinted(int sent, int total, const QString& printer);
// After an export of the register.
QString exported(int rows, const QString& fileName);

// The reason written into the register for the card a reprint replaces.
QString replacedNote(qint64 number);

} // namespace printreport

#endif // PRINTREPORT_H
