#ifndef PRINTERCHOICE_H
#define PRINTERCHOICE_H

#include "card/cardlayout.h"

#include <QJsonObject>
#include <QMap>
#include <QString>
#include <QStringList>

class QPrinterInfo;

// The printer the cards go to and the shifts calibrated for each printer.
// They are kept in two root members of "params.txt", written only when used:
//   "printer":  the chosen destination's name; absent or "" means the
//               system's default printer;
//   "printers": an object with one member per destination name, each an
//               object with the numbers "udShift" and "lrShift".
// "data"/"udShift" and "data"/"lrShift" always hold the shifts of the chosen
// printer, so an older copy of the program prints as before; printing takes
// the shifts from there, "printers" keeps those of the other printers.
namespace printerchoice {

struct PrinterSettings
{
    QString printer;                             // "" for the system default
    QMap<QString, cardlayout::Shift> shifts;     // by destination name
};

// The chosen destination ("" for the system default). A "printer" that is
// not a text reads as "" and adds a line saying so to *problems.
QString chosenPrinter(const QJsonObject& root, QStringList* problems);

// Reads both members. A "printer" that is not a text, a "printers" that is
// not an object, or an entry whose shifts are not numbers reads as absent,
// and adds a line saying so to *problems.
PrinterSettings readSettings(const QJsonObject& root, QStringList* problems);

// Puts the settings into root: "printer" when a printer is chosen (an
// existing member is emptied for the system default, none is added),
// "printers" when it has entries (otherwise the member is left as it is).
void writeSettings(QJsonObject* root, const PrinterSettings& settings);

// Whether the printer's driver offers A6 paper.
bool knowsA6(const QPrinterInfo& printer);

// Every destination the spooler offers, and the name of the default one
// ("" when there is none).
QStringList destinations();
QString defaultDestination();

} // namespace printerchoice

#endif // PRINTERCHOICE_H
