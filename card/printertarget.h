#ifndef PRINTERTARGET_H
#define PRINTERTARGET_H

#include "card/printjob.h"

#include <QPrinter>

// A print job's target on a spooler destination, or for the test print on
// "card.pdf" over the blank's picture "card.png".
class PrinterTarget : public printjob::Target
{
public:
    explicit PrinterTarget(bool testPrint);

    // The printer to choose the destination on; call configure() afterwards.
    QPrinter& printer() { return m_printer; }
    // A6, no margins, 72 dpi (printing::configurePrinter).
    void configure();

    Use use() const override;
    QString name() const override;
    bool knowsA6() const override;
    QPaintDevice* device() override;
    QRectF paper() const override;
    QRectF printable() const override;
    bool newPage() override;
    QString background() const override;

private:
    QPrinter m_printer;
    bool m_testPrint = false;
};

#endif // PRINTERTARGET_H
