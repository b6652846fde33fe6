#include "app/security.h"
#include "ui_security.h"

#include "app/messagequestions.h"
#include "app/messages.h"
#include "db/failurecause.h"
#include "records/listposition.h"
#include "records/recordstore.h"
#include "records/recordtexts.h"

#include <QList>

namespace {

const char* const writeError = "Ошибка записи в базу данных";
const char* const updateError = "Ошибка обновления данных";

// Blanks typed around a text would make a second, near-identical record, and
// hidden characters a name that reads as another.
records::Employee formPerson(const Ui::Security& ui)
{
    return records::trimmedFields({ui.lineEditSurname->text(), ui.lineEditName->text(), ui.lineEditPatron->text(),
                                   ui.lineEditDirPost->text(), ui.lineEditDir->text(), ui.lineEditDate->text()});
}

records::Organisation formCompany(const Ui::Security& ui)
{
    return {records::cleanedText(ui.lineEditForm->text()), records::cleanedText(ui.lineEditComp->text())};
}

} // namespace

void Security::checkFormFilled()
{
    const QString person = ui->lineEditSurname->text() + ui->lineEditName->text() + ui->lineEditPatron->text();
    const QString company = ui->lineEditForm->text() + ui->lineEditComp->text();
    const QString director = ui->lineEditDir->text() + ui->lineEditDirPost->text();
    const int gaps = int(person.isEmpty()) + int(company.isEmpty()) + int(director.isEmpty());
    const bool filled = gaps == 0;
    ui->buttonSave->setEnabled(filled);
    ui->buttonSave->setToolTip(records::missingFieldsNote(!person.isEmpty(), !company.isEmpty(),
                                                          !director.isEmpty()));
    ui->buttonPrint->setEnabled(filled);
    ui->buttonView->setEnabled(filled);
}

void Security::on_buttonSave_clicked()
{
    clearFilters();
    const QStringList selected = selectedRowTexts(ui->tableViewCompanies);
    const records::Organisation company = formCompany(*ui);
    const records::Employee person = formPerson(*ui);
    QString companyText;

    // One writing transaction: a failure leaves no organisation row behind, and
    // no other copy of the program writes between the checks and the inserts.
    records::SaveOutcome outcome = records::SaveOutcome::Failed;
    const bool written = db.writeTransaction([&] {
        outcome = records::writeNewRecords(db, company, person, &companyText);
        return outcome != records::SaveOutcome::Failed;
    });
    if (!written) {
        showError(this, db::withCause(QString::fromUtf8(writeError), db.lastFailure()));
        return;
    }
    if (outcome == records::SaveOutcome::Duplicate) {
        showError(this, QStringLiteral("Такая запись уже есть"));
        return;
    }
    refreshCompanies(QString());
    // Saved into the organisation the operator is working in: the new
    // employee is what the form shows, so it is what gets selected.
    if (!selected.isEmpty() && selected.first() == companyText
        && records::selectCompanyRow(ui->tableViewCompanies, db.database, companyText)) {
        refreshPersonnel(companyText, QStringList());
        records::selectPersonRow(ui->tableViewPersonal, db.database, companyText, records::personRowTexts(person));
    }
}

void Security::on_buttonUpdate_clicked()
{
    const QStringList company = selectedRowTexts(ui->tableViewCompanies);
    if (company.isEmpty()) {
        showError(this, QStringLiteral("Не выбрана организация"));
        return;
    }
    clearFilters();
    const QStringList person = selectedRowTexts(ui->tableViewPersonal);
    const QString companyText = company.join(QLatin1Char(' '));

    if (person.isEmpty()) {
        renameSelectedOrganisation(companyText);
        return;
    }

    // The employee stays with the selected organisation, whatever the form's organisation fields say.
    const records::Employee updatedPerson = formPerson(*ui);
    const QStringList values = records::updatedPersonRow(companyText, updatedPerson);
    const bool updated = db.writeTransaction([&] {
        return db.updateRecords(QStringLiteral("personal"), records::personalColumns(), values, records::personKeyColumns(),
                                QStringList{companyText} + person);
    });
    if (!updated) {
        showError(this, db::withCause(QString::fromUtf8(updateError), db.lastFailure()));
        return;
    }
    refreshPersonnel(companyText, QStringList());
    // The form still shows the employee; a second correction must reach it.
    records::selectPersonRow(ui->tableViewPersonal, db.database, companyText, records::personRowTexts(updatedPerson));
    // Organisation fields typed over are not what is stored: left in the form
    // they would be printed and entered in the register.
    const QString typed = formCompany(*ui).text();
    if (typed != companyText)
        loadSelectedOrganisation();
    // Emptied fields name no other organisation.
    if (!typed.isEmpty() && typed != companyText) {
        showWarning(this, QStringLiteral("Изменения организации не сохранены: чтобы переименовать организацию, "
                                         "выберите только её."));
    }
}

void Security::renameSelectedOrganisation(const QString& companyText)
{
    QString taken;
    switch (records::renameOrganisation(db, formCompany(*ui), companyText, &taken)) {
    case records::RenameOutcome::Renamed:
        refreshCompanies(QString());
        return;
    case records::RenameOutcome::Taken:
        showError(this, QStringLiteral("Организация «%1» уже есть. Объединить нельзя: выберите другое название.")
                            .arg(taken));
        return;
    case records::RenameOutcome::Failed:
        showError(this, db::withCause(QString::fromUtf8(updateError), db.lastFailure()));
        return;
    }
}

void Security::on_buttonDeleteCompany_clicked()
{
    clearFilters();
    if (modelCompanies.rowCount() == 0)
        return;
    const QStringList company = selectedRowTexts(ui->tableViewCompanies);
    if (company.isEmpty())
        return;
    const int employees = records::employeeCount(db, company.first());
    QString what = QStringLiteral("Будет удалена организация «%1»").arg(company.first());
    if (employees >= 0)
        what += QStringLiteral(", вместе с ней сотрудников: %1").arg(employees);
    if (!MessageBoxQuestions(this).confirm(what + QLatin1Char('.')))
        return;

    // The organisation and its employees go together: employees left behind
    // would show under any organisation later saved with the same text.
    const QList<QStringList> valueSets{{company.first()}};
    const QString message =
        db.deleteTogether({{QStringLiteral("companies"), {records::companyTextColumn()}, valueSets},
                           {QStringLiteral("personal"), {QStringLiteral("id")}, valueSets}});
    if (!message.isEmpty()) {
        showError(this, message);
        return;
    }

    refreshCompanies(QString());
    ui->tableViewCompanies->clearSelection();
    ui->tableViewPersonal->clearSelection();
    on_buttonClear_clicked();
}

void Security::on_buttonDeletePerson_clicked()
{
    clearFilters();
    if (modelPersonal.rowCount() == 0)
        return;
    const QStringList company = selectedRowTexts(ui->tableViewCompanies);
    const QStringList person = selectedRowTexts(ui->tableViewPersonal);
    if (company.isEmpty() || person.isEmpty())
        return;
    const QString companyText = company.join(QLatin1Char(' '));
    if (!MessageBoxQuestions(this).confirm(QStringLiteral("Будет удалён сотрудник «%1» организации «%2».").arg(person.value(0), companyText)))
        return;

    const QList<QStringList> valueSets{{companyText}, {person.value(0)}, {person.value(1)}, {person.value(2)}};
    const QString message = db.deleteRecords(QStringLiteral("personal"), records::personKeyColumns(), valueSets);
    if (!message.isEmpty())
        showError(this, message);

    on_buttonClear_clicked();
    refreshPersonnel(companyText, QStringList());
}
