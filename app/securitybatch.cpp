#include "app/security.h"
#include "ui_security.h"

#include "app/messages.h"
#include "batch/batchprint.h"
#include "batch/batchwindow.h"
#include "card/fitcheck.h"
#include "card/printing.h"
#include "card/printquestions.h"
#include "card/printreport.h"
#include "records/recordstore.h"
#include "records/recordtexts.h"

#include <QItemSelectionModel>
#include <QPrinter>
#include <QProgressDialog>

namespace {

// How many cards the fit question names one by one.
constexpr int kNamedCards = 10;

// The fit question for the batch: which cards overflow, with the same three
// answers as for one card.
void listCards(QStringList* lines, const QStringList& cards)
{
    for (int i = 0; i < cards.size() && i < kNamedCards; ++i)
        *lines << QStringLiteral("— ") + cards.at(i);
    if (cards.size() > kNamedCards)
        *lines << QStringLiteral("— и ещё %1").arg(cards.size() - kNamedCards);
}

// The cards that cannot fit even at the smallest size are listed apart; when
// no card would gain from "Уменьшить шрифт", it is not offered.
printquestions::FitAnswer askBatchFit(QWidget* parent, const QStringList& cards, const QStringList& unfit, int total)
{
    QStringList lines{QStringLiteral("Текст выходит за границы полей на %1 карточках из %2:").arg(cards.size()).arg(total)};
    listCards(&lines, cards);
    if (unfit.isEmpty())
        return printquestions::askFit(parent, lines.join('\n'));
    lines << QString()
          << QStringLiteral("Не помещаются даже при размере %1 пт (печатаются как есть):").arg(fitcheck::kMinimumSize);
    listCards(&lines, unfit);
    if (unfit.size() == cards.size())
        return printquestions::askCannotFit(parent, lines.join('\n'));
    return printquestions::askFit(parent, lines.join('\n'));
}

} // namespace

// The batch button is usable only while an organisation is selected.
void Security::setUpBatch()
{
    ui->buttonBatch->setEnabled(false);
    connect(ui->tableViewCompanies->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { ui->buttonBatch->setEnabled(!selectedRowTexts(ui->tableViewCompanies).isEmpty()); });
}

void Security::on_buttonBatch_clicked()
{
    const QStringList company = selectedRowTexts(ui->tableViewCompanies);
    if (company.isEmpty())
        return;
    const QString companyText = company.first();
    records::Organisation organisation;
    QString error;
    QVector<records::Employee> employees;
    if (!records::readOrganisation(db, companyText, &organisation)
        || !batch::readEmployees(db.database, companyText, &employees, &error)) {
        showError(this, QStringLiteral("Не удалось прочитать сотрудников организации «%1». %2").arg(companyText, error));
        return;
    }
    if (employees.isEmpty()) {
        showError(this, QStringLiteral("У организации «%1» нет сотрудников").arg(companyText));
        return;
    }
    readParams();
    const QString form = organisation.form;
    const QString comp = organisation.name;
    QPrinter printer(QPrinter::ScreenResolution);
    printing::configurePrinter(printer, false);
    bool familyFound = false;
    const printing::CardPage blank = newPage(printer.paperRect(QPrinter::Point), &familyFound);
    const auto fitCheck = [this, blank, form, comp](const records::Employee& employee, const QString& date) {
        const QVector<cardlayout::CardField> fields =
            cardlayout::composeCard(batch::sourceTexts(form, comp, employee, date), blank.s, fonts, coords);
        fitcheck::Measure measure;
        return fitcheck::overflows(measure.painter(), blank.font, fields, blank.s);
    };
    const auto filter = [this, companyText](const QStringList& filters) {
        QSet<qint64> shown;
        QString filterError;
        if (!batch::matchingRows(db.database, companyText, filters, &shown, &filterError))
            showError(batchWindow, filterError);
        return shown;
    };
    if (batchWindow)
        batchWindow->close();
    batchWindow = new BatchWindow(companyText, employees, fitCheck, filter, this);
    batchWindow->setAttribute(Qt::WA_DeleteOnClose);
    BatchWindow* window = batchWindow;
    connect(window, &BatchWindow::printRequested, this,
            [this, window, companyText, form, comp] { printBatch(window, companyText, form, comp); });
    window->show();
}

void Security::printBatch(BatchWindow* window, const QString& companyText, const QString& form, const QString& comp)
{
    const QVector<records::Employee> employees = window->checkedEmployees();
    if (employees.isEmpty()) {
        showError(window, QStringLiteral("Не отмечен ни один сотрудник"));
        return;
    }
    QStringList unreadable;
    for (const records::Employee& employee : employees) {
        if (window->dateFor(employee).isNull())
            unreadable << employee.fullName();
    }
    if (!unreadable.isEmpty()) {
        showError(window, QStringLiteral("Дата выдачи не читается у сотрудников: %1. Выберите одну дату для всех "
                                         "или снимите отметку.")
                              .arg(unreadable.join(QStringLiteral(", "))));
        return;
    }

    readParams();
    QPrinter printer(QPrinter::ScreenResolution);
    QString destination;
    if (!choosePrinter(printer, &destination))
        return;
    if (!printquestions::confirmStep(window, QStringLiteral("Пакетная печать"),
                                     printreport::batchQuestion(employees.size(), destination)))
        return;
    const bool testPrint = printing::isTestPrint(form);
    printing::configurePrinter(printer, testPrint);
    bool familyFound = false;
    const printing::CardPage blank = newPage(printer.paperRect(QPrinter::Point), &familyFound);
    if (!confirmJob(window, printer, destination, testPrint, familyFound, blank.font))
        return;

    QVector<printing::CardPage> pages;
    QVector<printing::CardPage> fitted;
    QStringList overflowing;
    QStringList unfit;
    fitcheck::Measure measure;
    for (const records::Employee& employee : employees) {
        printing::CardPage page = blank;
        page.fields = cardlayout::composeCard(batch::sourceTexts(form, comp, employee, window->dateFor(employee)),
                                              page.s, fonts, coords);
        pages.append(page);
        fitted.append(page);
        if (fitcheck::overflows(measure.painter(), page.font, page.fields, page.s).isEmpty())
            continue;
        overflowing << employee.fullName();
        // The same rule as for one card; a card that cannot fit prints as it is.
        const fitcheck::FitResult fit = fitcheck::fitCard(measure.painter(), page.font, page.fields, page.s);
        if (fit.unfit.isEmpty())
            fitted.last().fields = fit.fields;
        else
            unfit << employee.fullName();
    }
    if (!overflowing.isEmpty()) {
        switch (askBatchFit(window, overflowing, unfit, pages.size())) {
        case printquestions::FitAnswer::Cancel:
            return;
        case printquestions::FitAnswer::AsIs:
            break;
        case printquestions::FitAnswer::Shrink:
            pages = fitted;
            break;
        }
    }

    // Cards that print their register number get it before their page starts.
    QVector<qint64> numbers(pages.size(), 0);
    QStringList reserveErrors;
    for (int i = 0; i < pages.size(); ++i) {
        QString reserveError;
        if (!testPrint)
            numbers[i] = reserveNumber(&pages[i].fields, &reserveError);
        reserveErrors << reserveError;
    }

    QProgressDialog progress(QStringLiteral("Печать карточек…"), QStringLiteral("Отмена"), 0, pages.size(), window);
    progress.setObjectName(QStringLiteral("progressBatch"));
    progress.setWindowTitle(QStringLiteral("Пакетная печать"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    progress.setValue(0);
    QString error;
    const int sent = batch::printPages(printer, pages, testPrint ? QStringLiteral("card.png") : QString(),
                                       [&progress](int painted) {
                                           progress.setValue(painted);
                                           return !progress.wasCanceled();
                                       },
                                       &error);
    progress.reset();
    for (int i = 0; i < pages.size(); ++i) {
        if (i >= sent)
            releaseNumber(numbers.at(i));
        else if (!testPrint)
            recordPrinted(printing::PrintedCard{destination, pages.at(i).fields}, companyText, QString(),
                          numbers.at(i), reserveErrors.at(i));
    }
    showStatus(printreport::batchPrinted(sent, pages.size(),
                                         printreport::destination(destination, printer.outputFileName())));
    if (!error.isEmpty())
        showError(window, error);
    else if (sent < pages.size())
        showError(window, QStringLiteral("Печать прервана: напечатано карточек %1 из %2").arg(sent).arg(pages.size()));
}
