// The printer side of the card module: the spooler's destinations and the
// printer set up for a card page (the GUI library's part of printerchoice.h
// and printing.h).
#include "card/printerchoice.h"
#include "card/printing.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>

namespace printerchoice {

bool knowsA6(const QPrinterInfo& printer)
{
    const QList<QPageSize> sizes = printer.supportedPageSizes();
    return std::any_of(sizes.begin(), sizes.end(), [](const QPageSize& size) { return size.id() == QPageSize::A6; });
}

QStringList destinations()
{
    return QPrinterInfo::availablePrinterNames();
}

QString defaultDestination()
{
    return QPrinterInfo::defaultPrinterName();
}

} // namespace printerchoice

namespace printing {

void configurePrinter(QPrinter& printer, bool testPrint, const QString& pdfFile)
{
    if (testPrint) {
        printer.setPdfVersion(QPagedPaintDevice::PdfVersion_1_4);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfFile);
    }
    printer.setPageSize(QPageSize(QPageSize::A6));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    // ScreenResolution alone would give the screen's 96 or 100 dpi.
    printer.setResolution(72);
}

cardlayout::SourceTexts sourceTexts(const QWidget* window, const QStringList& keys)
{
    // The flow groups decide from these fields whatever the layout lists:
    // a field left out of the layout is not printed, but it is not empty.
    QStringList sources{QStringLiteral("Surname"), QStringLiteral("Name"), QStringLiteral("Patron"),
                        QStringLiteral("Form"),    QStringLiteral("Comp"), QStringLiteral("DirPost"),
                        QStringLiteral("Dir")};
    for (const QString& key : keys) {
        if (!sources.contains(key))
            sources.append(key);
    }
    cardlayout::SourceTexts texts;
    for (const QString& key : qAsConst(sources)) {
        if (key == QLatin1String("Date")) {
            if (const auto* date = window->findChild<QDateEdit*>(QStringLiteral("lineEditDate")))
                texts.insert(key, date->text());
        } else if (const auto* edit = window->findChild<QLineEdit*>(QStringLiteral("lineEdit") + key)) {
            texts.insert(key, edit->text());
        }
    }
    return texts;
}

} // namespace printing
