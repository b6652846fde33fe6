#include "app/security.h"
#include "ui_security.h"

#include "app/messagequestions.h"
#include "app/messages.h"
#include "card/picturetarget.h"
#include "card/preview.h"
#include "card/printerchoice.h"
#include "card/printertarget.h"
#include "card/printing.h"
#include "card/printreport.h"
#include "journal/journalwindow.h"
#include "records/recordtexts.h"

#include <QPrinter>
#include <QPrinterInfo>

namespace {

const char* const kNotRecorded = "Карточка напечатана, но не записана в журнал выдачи: ";

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

LayoutParams Security::layout() const
{
    LayoutParams params;
    params.root = paramsRoot;
    params.fonts = fonts;
    params.coords = coords;
    params.udShift = udShift;
    params.lrShift = lrShift;
    return params;
}

printjob::Outcome Security::printCards(printjob::Kind kind, const QVector<printjob::CardTexts>& cards,
                                       bool testPrint, QWidget* parent,
                                       const std::function<bool(int)>& pagePainted,
                                       const std::function<bool(const QString&)>& beforeJob)
{
    PrinterTarget target(testPrint);
    QString destination;
    if (!choosePrinter(target.printer(), &destination) || (beforeJob && !beforeJob(destination))) {
        printjob::Outcome none;
        none.asked = false;
        return none;
    }
    target.configure();
    MessageBoxQuestions questions(parent);
    printjob::Outcome outcome = printjob::run({kind, cards, layout(), &target, &db, pagePainted}, questions);
    outcome.where = printreport::destination(destination, target.printer().outputFileName());
    if (!outcome.error.isEmpty())
        showError(kind == printjob::Kind::Batch ? parent : nullptr, outcome.error);
    else if (outcome.sent > 0 && !outcome.registerError.isEmpty())
        showError(nullptr, QString::fromUtf8(kNotRecorded) + outcome.registerError);
    if (journalWindow)
        journalWindow->refresh();
    return outcome;
}

// Prints the card, or shows its preview when the view button sent the click.
void Security::on_buttonPrint_clicked()
{
    readParams();
    const bool previewMode = sender() && sender()->objectName() == QLatin1String("buttonView");
    const printjob::CardTexts card{printing::sourceTexts(this, coords.keys()),
                                   records::companyText(ui->lineEditForm->text(), ui->lineEditComp->text()),
                                   QString(), QString()};
    if (previewMode) {
        const int screen = preview::screenWidth();
        const printjob::Preview shown = printjob::previewCard(card, layout(), preview::shownSize(screen));
        preview::show(shown.picture, screen, preview::title(shown.overflowing, shown.fontNote) + shown.fitNote);
        return;
    }
    const printjob::Outcome outcome =
        printCards(printjob::Kind::Single, {card}, printing::isTestPrint(ui->lineEditForm->text()), this);
    if (outcome.sent > 0)
        showStatus(printreport::printed(outcome.numbers.value(0), outcome.where));
}
