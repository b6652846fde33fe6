#include "card/printertarget.h"

#include "card/calibration.h"

#include "card/printerchoice.h"
#include "card/printing.h"

#include <QPrinterInfo>

PrinterTarget::PrinterTarget(bool testPrint)
    : m_printer(QPrinter::ScreenResolution)
    , m_testPrint(testPrint)
{
}

void PrinterTarget::configure()
{
    printing::configurePrinter(m_printer, m_testPrint);
}

printjob::Target::Use PrinterTarget::use() const
{
    return m_testPrint ? Use::TestPrint : Use::Printer;
}

QString PrinterTarget::name() const
{
    return m_printer.printerName();
}

bool PrinterTarget::knowsA6() const
{
    return printerchoice::knowsA6(QPrinterInfo(m_printer));
}

QPaintDevice* PrinterTarget::device()
{
    return &m_printer;
}

QRectF PrinterTarget::paper() const
{
    return m_printer.paperRect(QPrinter::Point);
}

QRectF PrinterTarget::printable() const
{
    return calibration::printableArea(m_printer);
}

bool PrinterTarget::newPage()
{
    return m_printer.newPage();
}

QString PrinterTarget::background() const
{
    return m_testPrint ? QStringLiteral("card.png") : QString();
}
