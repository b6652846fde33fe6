#include "app/security.h"

#include "app/messages.h"
#include "card/printjob.h"
#include "card/printquestions.h"
#include "card/printreport.h"
#include "journal/cardregister.h"
#include "journal/journalwindow.h"

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
    const printjob::Outcome outcome =
        printCards(printjob::Kind::Reprint,
                   {{row.fieldTexts(), row.company, QStringLiteral("Взамен карточки № %1").arg(number), QString()}},
                   false, this);
    if (outcome.sent == 0)
        return;
    const qint64 printed = outcome.numbers.value(0);
    markReplaced(row, printed);
    const QString report = printreport::reprinted(number, printed, outcome.where);
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
