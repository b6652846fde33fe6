#include "app/security.h"
#include "ui_security.h"

#include "app/messages.h"
#include "batch/batchprint.h"
#include "batch/batchwindow.h"
#include "card/fitcheck.h"
#include "card/printing.h"
#include "card/printjob.h"
#include "card/printquestions.h"
#include "card/printreport.h"
#include "records/recordstore.h"
#include "records/recordtexts.h"

#include <QProgressDialog>

#include <memory>

namespace {

// The progress of the batch's pages, opened once the job has begun; false
// once the operator cancelled.
bool showProgress(std::unique_ptr<QProgressDialog>* progress, QWidget* window, int painted, int total)
{
    if (!*progress) {
        progress->reset(new QProgressDialog(QStringLiteral("Печать карточек…"), QStringLiteral("Отмена"), 0, total,
                                            window));
        (*progress)->setObjectName(QStringLiteral("progressBatch"));
        (*progress)->setWindowTitle(QStringLiteral("Пакетная печать"));
        (*progress)->setWindowModality(Qt::WindowModal);
        (*progress)->setMinimumDuration(0);
    }
    (*progress)->setValue(painted);
    return !(*progress)->wasCanceled();
}

} // namespace

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
    const LayoutParams params = layout();
    const printjob::Blank blank = printjob::blankFor(params, printjob::a6Paper());
    const auto fitCheck = [blank, params, form, comp](const records::Employee& employee, const QString& date) {
        const printjob::CardTexts card{batch::sourceTexts(form, comp, employee, date), QString(), QString(), QString()};
        fitcheck::Measure measure;
        return fitcheck::overflows(measure.painter(), blank.page.font,
                                   printjob::compose(printjob::Kind::Batch, card, params, blank), blank.page.s);
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

    QVector<printjob::CardTexts> cards;
    for (const records::Employee& employee : employees)
        cards.append({batch::sourceTexts(form, comp, employee, window->dateFor(employee)), companyText, QString(),
                      employee.fullName()});

    readParams();
    std::unique_ptr<QProgressDialog> progress;
    const auto pagePainted = [&](int painted) { return showProgress(&progress, window, painted, cards.size()); };
    const auto confirmBatch = [&](const QString& destination) {
        return printquestions::confirmStep(window, QStringLiteral("Пакетная печать"),
                                           printreport::batchQuestion(cards.size(), destination));
    };
    const printjob::Outcome outcome =
        printCards(printjob::Kind::Batch, cards, printing::isTestPrint(form), window, pagePainted, confirmBatch);
    if (progress)
        progress->reset();
    if (outcome.asked)
        showStatus(printreport::batchPrinted(outcome.sent, outcome.total, outcome.where));
    if (outcome.asked && outcome.error.isEmpty() && outcome.sent < outcome.total)
        showError(window, QStringLiteral("Печать прервана: напечатано карточек %1 из %2")
                              .arg(outcome.sent)
                              .arg(outcome.total));
}
