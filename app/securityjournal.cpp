#include "app/security.h"

#include "app/messages.h"
#include "card/printing.h"
#include "card/printquestions.h"
#include "card/printreport.h"
#include "journal/journalwindow.h"
#include "journal/reprint.h"

#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>

namespace {

const char* const kNotRecorded = "Карточка напечатана, но не записана в журнал выдачи: ";

} // namespace

void Security::on_buttonJournal_clicked()
{
    QString error;
    if (!ensureRegister(&error)) {
        showError(this, QStringLiteral("Журнал выдачи недоступен: ") + error);
        return;
    }
    if (!journalWindow) {
        journalWindow = new JournalWindow(db.database, this);
        journalWindow->setAttribute(Qt::WA_DeleteOnClose);
        connect(journalWindow.data(), &JournalWindow::reprintRequested, this, &Security::reprintCard);
    } else {
        journalWindow->refresh();
    }
    journalWindow->show();
    journalWindow->raise();
    journalWindow->activateWindow();
}

void Security::reprintCard(qint64 number)
{
    journal::CardRow row;
    QString error;
    if (!journal::CardRegister(db.database).fetch(number, &row, &error)) {
        showError(journalWindow, error);
        return;
    }
    const bool spoiled = row.status == QLatin1String(journal::kSpoiled);
    if (!printquestions::confirmStep(journalWindow, QStringLiteral("Печать повторно"),
                                     printreport::reprintQuestion(number, spoiled)))
        return;
    readParams();
    QPrinter printer(QPrinter::ScreenResolution);
    QString destination;
    if (!choosePrinter(printer, &destination))
        return;
    printing::configurePrinter(printer, false);
    bool familyFound = false;
    printing::CardPage page = newPage(printer.paperRect(QPrinter::Point), &familyFound);
    page.fields = journal::reprintFields(row.fieldTexts(), fonts, coords);
    if (!confirmPrint(printer, destination, false, familyFound, &page))
        return;
    const qint64 printed =
        printPage(printer, destination, false, page, row.company, QStringLiteral("Взамен карточки № %1").arg(number));
    if (printed < 0)
        return;
    markReplaced(row, printed);
    const QString report = printreport::reprinted(number, printed, printreport::destination(destination, QString()));
    showStatus(report);
    if (journalWindow)
        journalWindow->showStatus(report);
}

void Security::markReplaced(const journal::CardRow& replaced, qint64 number)
{
    if (replaced.status == QLatin1String(journal::kSpoiled))
        return;
    QString error;
    if (!journal::CardRegister(db.database).markSpoiled(replaced.number, printreport::replacedNote(number), &error))
        showError(journalWindow,
                  QStringLiteral("Карточка № %1 не отмечена испорченной: %2").arg(replaced.number).arg(error));
    if (journalWindow)
        journalWindow->refresh();
}

qint64 Security::reserveNumber(QVector<cardlayout::CardField>* fields, QString* error)
{
    // Only a card that prints its number needs it before the page starts.
    const auto numberField = std::find_if(fields->begin(), fields->end(), [](const cardlayout::CardField& field) {
        return field.key == QLatin1String("Number");
    });
    if (numberField == fields->end() || !ensureRegister(error))
        return 0;
    const qint64 number = journal::CardRegister(db.database).reserve(error);
    if (number == 0 && error->isEmpty())
        *error = QStringLiteral("номер не получен");
    numberField->text = number > 0 ? QString::number(number) : QString();
    return number;
}

bool Security::ensureRegister(QString* error)
{
    if (registerError.isEmpty())
        return true;
    // The table could not be made at start-up; the file may be writable now.
    if (!journal::CardRegister(db.database).ensureTable(&registerError)) {
        *error = registerError;
        return false;
    }
    registerError.clear();
    return true;
}

void Security::releaseNumber(qint64 number)
{
    // A number once given stays used; should even the removal fail, the row
    // stays behind as spoiled with the note that its print did not finish.
    if (number > 0)
        journal::CardRegister(db.database).release(number, nullptr);
}

qint64 Security::recordPrinted(const printing::PrintedCard& printed, const QString& company, const QString& note,
                               qint64 number, const QString& reserveError)
{
    if (!reserveError.isEmpty()) {
        showError(nullptr, QString::fromUtf8(kNotRecorded) + reserveError);
        return 0;
    }
    const journal::PrintedCard card{printed.texts(), company, printed.printer, note};
    const journal::CardRow row = journal::rowFor(card, journal::timestamp(QDateTime::currentDateTime()),
                                                 journal::loginName());
    QString error;
    const qint64 recorded = ensureRegister(&error) ? journal::CardRegister(db.database).record(row, number, &error) : 0;
    if (recorded == 0)
        showError(nullptr, QString::fromUtf8(kNotRecorded) + error);
    if (journalWindow)
        journalWindow->refresh();
    return recorded;
}
