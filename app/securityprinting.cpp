#include "app/security.h"
#include "ui_security.h"

#include "app/messages.h"
#include "card/card.h"
#include "card/fitcheck.h"
#include "card/preview.h"
#include "card/printerchoice.h"
#include "card/printing.h"
#include "card/printquestions.h"
#include "card/printreport.h"
#include "records/recordtexts.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace {

// Starts the page; in the test print mode over the picture of the blank.
bool beginPage(QPainter& painter, QPrinter& printer, bool testPrint, const QRectF& paper)
{
    if (!painter.begin(&printer))
        return false;
    if (testPrint)
        printing::drawBackground(painter, QStringLiteral("card.png"), paper);
    return true;
}

// What "Уменьшить шрифт" would do, said before the operator prints.
QString fitNote(const printing::CardPage& page, const QVector<fitcheck::Overflow>& overflows)
{
    if (overflows.isEmpty())
        return QString();
    fitcheck::Measure measure;
    const fitcheck::FitResult fit = fitcheck::fitCard(measure.painter(), page.font, page.fields, page.s);
    if (fit.unfit.isEmpty())
        return QStringLiteral(" — «Уменьшить шрифт» уместит");
    QStringList names;
    for (const QString& key : fit.unfit)
        names << fitcheck::fieldDescription(key);
    return QStringLiteral(" — не уместить даже при %1 пт: %2")
        .arg(fitcheck::kMinimumSize)
        .arg(names.join(QStringLiteral(", ")));
}

// Fills the card's labels and opens a new preview window with its picture,
// the fields that do not fit outlined and said in the title.
void showPreview(Card& card, const printing::CardPage& page, const QVector<fitcheck::Overflow>& overflows,
                 const QString& fontNote)
{
    QFont font = page.font;
    for (const cardlayout::CardField& field : page.fields) {
        font.setPointSize(preview::pointSize(field.size));
        card.setField(field.key, field.text, field.align, font);
    }
    QVector<QRect> outlines;
    for (const fitcheck::Overflow& overflow : overflows) {
        const QRect rect = card.fieldGeometry(overflow.key);
        if (!rect.isNull())
            outlines.append(rect);
    }
    const QString title = preview::title(overflows.size(), fontNote) + fitNote(page, overflows);
    preview::show(&card, preview::screenWidth(), title, outlines);
}

// The shifts are those of the chosen printer, but measuring the fit needs none.
QVector<fitcheck::Overflow> overflowsOf(const printing::CardPage& page)
{
    fitcheck::Measure measure;
    return fitcheck::overflows(measure.painter(), page.font, page.fields, page.s);
}

} // namespace

// The destination: the printer chosen in the settings, else the system's
// default. A chosen printer that is gone is said so; printing never falls
// back to another one. False when there is nothing to print on.
bool Security::choosePrinter(QPrinter& printer, QString* destination)
{
    QStringList problems;
    const QString chosen = printerchoice::chosenPrinter(paramsRoot, &problems);
    for (const QString& problem : qAsConst(problems))
        showError(this, problem);
    if (!chosen.isEmpty()) {
        if (QPrinterInfo::printerInfo(chosen).isNull()) {
            showError(this, QStringLiteral("Принтер «%1», выбранный в настройках, не найден. Выберите принтер в "
                                           "окне «Параметры».")
                                .arg(chosen));
            return false;
        }
        printer.setPrinterName(chosen);
    } else if (QPrinterInfo(printer).isNull()) {
        showError(nullptr, QStringLiteral("Принтер не найден"));
        return false;
    }
    *destination = printer.printerName();
    return true;
}

// Asks, once per print job, what the operator must know before paper is
// spent: a printer without A6 paper, a family that is not there. False when
// the answer is not to print.
bool Security::confirmJob(QWidget* parent, QPrinter& printer, const QString& destination, bool testPrint,
                          bool familyFound, const QFont& font)
{
    if (!testPrint && !printerchoice::knowsA6(QPrinterInfo(printer))
        && !printquestions::printWithoutA6(parent, destination))
        return false;
    return familyFound
           || printquestions::printInOtherFamily(parent, cardlayout::requestedFamily(fonts),
                                                 cardlayout::drawnFamily(font.family()));
}

// The job's questions, then whether the texts fit. False when the answer is
// not to print; *page then may hold lowered sizes.
bool Security::confirmPrint(QPrinter& printer, const QString& destination, bool testPrint, bool familyFound,
                            printing::CardPage* page)
{
    if (!confirmJob(this, printer, destination, testPrint, familyFound, page->font))
        return false;
    const QVector<fitcheck::Overflow> overflows = overflowsOf(*page);
    if (overflows.isEmpty())
        return true;
    fitcheck::Measure measure;
    const fitcheck::FitResult fit = fitcheck::fitCard(measure.painter(), page->font, page->fields, page->s);
    if (!fit.unfit.isEmpty())
        return printquestions::askCannotFit(this, printquestions::cannotFitText(overflows, fit.unfit))
               == printquestions::FitAnswer::AsIs;
    switch (printquestions::askFit(this, overflows)) {
    case printquestions::FitAnswer::Cancel:
        return false;
    case printquestions::FitAnswer::AsIs:
        return true;
    case printquestions::FitAnswer::Shrink:
        break;
    }
    // For this print only: the layout parameters keep their sizes.
    page->fields = fit.fields;
    return true;
}

// Prints the card, or shows its preview when the view button sent the click.
void Security::on_buttonPrint_clicked()
{
    readParams();
    const bool previewMode = sender() && sender()->objectName() == QLatin1String("buttonView");

    QPrinter printer(QPrinter::ScreenResolution);
    QString destination;
    if (!previewMode && !choosePrinter(printer, &destination))
        return;
    const bool testPrint = !previewMode && printing::isTestPrint(ui->lineEditForm->text());
    printing::configurePrinter(printer, testPrint);
    const QRectF paper = printer.paperRect(QPrinter::Point);

    bool familyFound = false;
    printing::CardPage page = newPage(paper, &familyFound);
    page.fields = cardlayout::composeCard(printing::sourceTexts(this, coords.keys()), page.s, fonts, coords);

    if (previewMode) {
        const QString fontNote = familyFound ? QString()
                                             : QStringLiteral("шрифт «%1» не найден, использован «%2»")
                                                   .arg(cardlayout::requestedFamily(fonts),
                                                        cardlayout::drawnFamily(page.font.family()));
        showPreview(card, page, overflowsOf(page), fontNote);
        return;
    }
    if (!confirmPrint(printer, destination, testPrint, familyFound, &page))
        return;
    const QString company = records::companyText(ui->lineEditForm->text(), ui->lineEditComp->text());
    const qint64 number = printPage(printer, destination, testPrint, page, company, QString());
    if (number >= 0)
        showStatus(printreport::printed(number, printreport::destination(destination, printer.outputFileName())));
}

printing::CardPage Security::newPage(const QRectF& paper, bool* familyFound)
{
    printing::CardPage page;
    page.s = cardlayout::pageScale(float(paper.width()));
    page.shift = {udShift, lrShift};
    // The family first, so that the word fitting sees a font registered from
    // the "fonts" folder already on the first print.
    const QString family = cardlayout::resolveCardFamily(fonts, fontDatabase);
    if (!family.isNull())
        page.font.setFamily(family);
    *familyFound = cardlayout::cardFamilyFound(fonts, fontDatabase, family);
    return page;
}

qint64 Security::printPage(QPrinter& printer, const QString& destination, bool testPrint, printing::CardPage page,
                           const QString& company, const QString& note)
{
    QString registerError;
    const qint64 number = testPrint ? 0 : reserveNumber(&page.fields, &registerError);
    QPainter painter;
    if (!beginPage(painter, printer, testPrint, printer.paperRect(QPrinter::Point))) {
        releaseNumber(number);
        showError(nullptr, QStringLiteral("Не удалось начать печать"));
        return -1;
    }
    printing::paintCard(painter, page);
    if (!painter.end()) {
        releaseNumber(number);
        showError(nullptr, QStringLiteral("Не удалось завершить печать"));
        return -1;
    }
    // The page is with the spooler now.
    if (testPrint)
        return 0;
    return recordPrinted(printing::PrintedCard{destination, page.fields}, company, note, number, registerError);
}
