#include "app/security.h"

#include "app/messages.h"
#include "card/printjob.h"
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
    readParams();
    printCards(printjob::Kind::Reprint,
               {{row.fieldTexts(), row.company, QStringLiteral("Взамен карточки № %1").arg(number), QString()}},
               false, this);
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
