// Printing the calibration sheet (the GUI library's part of calibration.h).
#include "card/calibration.h"

#include "app/messages.h"
#include "card/printerchoice.h"
#include "card/printing.h"
#include "card/printquestions.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace calibration {

bool printSheet(QWidget* parent, const QString& printerName, const cardlayout::CoordTable& coords,
                const cardlayout::Shift& shift)
{
    QPrinter printer(QPrinter::ScreenResolution);
    if (!printerName.isEmpty())
        printer.setPrinterName(printerName);
    const QString name = printerName.isEmpty() ? printer.printerName() : printerName;
    if (QPrinterInfo::printerInfo(name).isNull()) {
        showError(parent, name.isEmpty() ? QStringLiteral("Принтер не найден")
                                         : QStringLiteral("Принтер «%1» не найден").arg(name));
        return false;
    }
    printing::configurePrinter(printer, false);
    if (!printerchoice::knowsA6(QPrinterInfo(printer)) && !printquestions::printWithoutA6(parent, name))
        return false;
    QPainter painter;
    if (!painter.begin(&printer)) {
        showError(parent, QStringLiteral("Не удалось начать печать"));
        return false;
    }
    paintSheet(painter, coords, cardlayout::pageScale(float(printer.paperRect(QPrinter::Point).width())), shift);
    if (!painter.end()) {
        showError(parent, QStringLiteral("Не удалось завершить печать"));
        return false;
    }
    return true;
}

} // namespace calibration
