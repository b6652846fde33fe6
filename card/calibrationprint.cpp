// Printing the calibration sheet (the GUI library's part of calibration.h).
#include "card/calibration.h"

#include "app/messagequestions.h"
#include "app/messages.h"
#include "card/printertarget.h"

#include <QPageLayout>
#include <QPrinterInfo>

namespace calibration {

// The area the printer can print on, in points: the paper less the
// driver's smallest margins.
QRectF printableArea(const QPrinter& printer)
{
    QPageLayout layout = printer.pageLayout();
    layout.setUnits(QPageLayout::Point);
    return printer.paperRect(QPrinter::Point).marginsRemoved(layout.minimumMargins());
}

bool printSheet(QWidget* parent, const QString& printerName, const cardlayout::CoordTable& coords,
                const cardlayout::Shift& shift)
{
    PrinterTarget target(false);
    if (!printerName.isEmpty())
        target.printer().setPrinterName(printerName);
    const QString name = printerName.isEmpty() ? target.printer().printerName() : printerName;
    if (QPrinterInfo::printerInfo(name).isNull()) {
        showError(parent, name.isEmpty() ? QStringLiteral("Принтер не найден")
                                         : QStringLiteral("Принтер «%1» не найден").arg(name));
        return false;
    }
    target.configure();
    printjob::Request request;
    request.kind = printjob::Kind::Calibration;
    request.layout.coords = coords;
    request.layout.udShift = shift.udShift;
    request.layout.lrShift = shift.lrShift;
    request.target = &target;
    MessageBoxQuestions questions(parent);
    const printjob::Outcome outcome = printjob::run(request, questions);
    if (!outcome.error.isEmpty())
        showError(parent, outcome.error);
    return outcome.sent > 0;
}

} // namespace calibration
