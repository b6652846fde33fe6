#include "app/security.h"
#include "ui_security.h"

#include "app/messages.h"
#include "db/failurecause.h"
#include "records/listposition.h"
#include "records/recordtexts.h"

#include <QList>
#include <QMessageBox>
#include <QPushButton>

namespace {

const char* const writeError = "Ошибка записи в базу данных";
const char* const updateError = "Ошибка обновления данных";

enum class SaveOutcome { Saved, Duplicate, Failed };

// Neither button has a rejecting role, so Esc and the close button do nothing:
// the operator has to answer. The informative line says what goes.
bool confirmDelete(const QString& what)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Предупреждение"),
                    QStringLiteral("Внимание! Это действие нельзя отменить. Продолжить?"));
    box.setInformativeText(what);
    QPushButton* yes = box.addButton(QStringLiteral("Да"), QMessageBox::ActionRole);
    box.addButton(QStringLiteral("Нет"), QMessageBox::ActionRole);
    box.setDefaultButton(yes);
    box.exec();
    return box.clickedButton() == yes;
}

// Blanks typed around a text would make a second, near-identical record, and
// hidden characters a name that reads as another.
records::PersonFields formPerson(const Ui::Security& ui)
{
    return records::trimmedFields({ui.lineEditSurname->text(), ui.lineEditName->text(), ui.lineEditPatron->text(),
                                   ui.lineEditDirPost->text(), ui.lineEditDir->text(), ui.lineEditDate->text()});
}

QStringList formCompany(const Ui::Security& ui)
{
    return records::companyRow(records::cleanedText(ui.lineEditForm->text()),
                               records::cleanedText(ui.lineEditComp->text()));
}

// How many employees an organisation has; -1 when they cannot be counted.
int employeeCount(DataBase& db, const QString& companyText)
{
    QList<QStringList> rows;
    if (!db.selectRecordValues(rows, QStringLiteral("personal"), {QStringLiteral("COUNT(*)")}, {QStringLiteral("id")},
                               {companyText})
        || rows.isEmpty()) {
        return -1;
    }
    return rows.first().value(0).toInt();
}

QStringList personKeyColumns()
{
    return {QStringLiteral("id"), records::fullNameColumn(), records::directorTextColumn(),
            QStringLiteral("Дата_выдачи")};
}

// Writes the organisation unless one is stored under the same lower-case
// text, and gives in *companyText the company text its employees are stored
// under. Employees link by the exact text, so one saved under the form's
// letter case ("ооо щит" for "ООО Щит") would never show in any list: it
// takes the stored organisation's text instead.
bool storeOrganisation(DataBase& db, const QStringList& companyColumns, const QStringList& companyValues,
                       QString* companyText)
{
    const QString formText = records::companyText(companyValues.value(0), companyValues.value(1));
    QList<QStringList> stored;
    if (!db.selectRecordValues(stored, QStringLiteral("companies"), {records::companyTextColumn()},
                               {QStringLiteral("name")}, {companyValues.value(2)})) {
        return false;
    }
    *companyText = formText;
    if (stored.isEmpty())
        return db.insertRecord(QStringLiteral("companies"), companyColumns, companyValues);
    for (const QStringList& row : stored) {
        if (row.value(0) == formText)
            return true;
    }
    *companyText = stored.first().value(0);
    return true;
}

// Writes the organisation (unless stored already) and the employee. A failed
// check counts as a failure, never as a match.
// *companyText gives the organisation the employee is stored under.
SaveOutcome writeNewRecords(DataBase& db, const QStringList& companyColumns, const QStringList& companyValues,
                            const QStringList& personalColumns, const records::PersonFields& person,
                            QString* companyText)
{
    if (!storeOrganisation(db, companyColumns, companyValues, companyText))
        return SaveOutcome::Failed;
    const QStringList personValues = records::savedPersonRow(*companyText, person);

    // "person" and "director" take no part in the duplicate check.
    const int personFound = db.recordExists(QStringLiteral("personal"), personalColumns.mid(0, 7),
                                            personValues.mid(0, 7));
    if (personFound < 0)
        return SaveOutcome::Failed;
    if (personFound > 0)
        return SaveOutcome::Duplicate;
    return db.insertRecord(QStringLiteral("personal"), personalColumns, personValues) ? SaveOutcome::Saved
                                                                                        : SaveOutcome::Failed;
}

// The organisation row and its employees' links change together or not at
// all: employees are linked only by the company text.
bool renameOrganisation(DataBase& db, const QStringList& companyColumns, const QStringList& companyValues,
                        const QString& oldText)
{
    const QString newText = records::companyText(companyValues.value(0), companyValues.value(1));
    const QString id = QStringLiteral("id");
    return db.writeTransaction([&] {
        return db.updateRecords(QStringLiteral("companies"), companyColumns, companyValues,
                                {records::companyTextColumn()}, {oldText})
               && db.updateRecords(QStringLiteral("personal"), {id}, {newText}, {id}, {oldText});
    });
}

} // namespace

void Security::checkFormFilled()
{
    int gaps = 0;
    if (ui->lineEditSurname->text().isEmpty() && ui->lineEditName->text().isEmpty()
        && ui->lineEditPatron->text().isEmpty())
        ++gaps;
    if (ui->lineEditForm->text().isEmpty() && ui->lineEditComp->text().isEmpty())
        ++gaps;
    if (ui->lineEditDir->text().isEmpty() && ui->lineEditDirPost->text().isEmpty())
        ++gaps;
    const bool filled = gaps == 0;
    ui->buttonSave->setEnabled(filled);
    ui->buttonPrint->setEnabled(filled);
    ui->buttonView->setEnabled(filled);
}

void Security::on_buttonSave_clicked()
{
    clearFilters();
    const QStringList selected = selectedRowTexts(ui->tableViewCompanies);
    const QStringList companyValues = formCompany(*ui);
    const records::PersonFields person = formPerson(*ui);
    QString companyText;

    // One writing transaction: a failure leaves no organisation row behind, and
    // no other copy of the program writes between the checks and the inserts.
    SaveOutcome outcome = SaveOutcome::Failed;
    const bool written = db.writeTransaction([&] {
        outcome = writeNewRecords(db, companyColumns, companyValues, personalColumns, person, &companyText);
        return outcome != SaveOutcome::Failed;
    });
    if (!written) {
        showError(this, db::withCause(QString::fromUtf8(writeError), db.lastFailure()));
        return;
    }
    if (outcome == SaveOutcome::Duplicate) {
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
        const QStringList companyValues = formCompany(*ui);
        if (!renameOrganisation(db, companyColumns, companyValues, companyText)) {
            showError(this, db::withCause(QString::fromUtf8(updateError), db.lastFailure()));
            return;
        }
        refreshCompanies(QString());
        return;
    }

    // The employee stays with the selected organisation, whatever the form's organisation fields say.
    const records::PersonFields updatedPerson = formPerson(*ui);
    const QStringList values = records::updatedPersonRow(companyText, updatedPerson);
    const bool updated = db.writeTransaction([&] {
        return db.updateRecords(QStringLiteral("personal"), personalColumns, values, personKeyColumns(),
                                QStringList{companyText} + person);
    });
    if (!updated) {
        showError(this, db::withCause(QString::fromUtf8(updateError), db.lastFailure()));
        return;
    }
    refreshPersonnel(companyText, QStringList());
    // The form still shows the employee; a second correction must reach it.
    records::selectPersonRow(ui->tableViewPersonal, db.database, companyText, records::personRowTexts(updatedPerson));
}

void Security::on_buttonDeleteCompany_clicked()
{
    clearFilters();
    if (modelCompanies.rowCount() == 0)
        return;
    const QStringList company = selectedRowTexts(ui->tableViewCompanies);
    if (company.isEmpty()) {
        on_buttonClear_clicked();
        return;
    }
    const int employees = employeeCount(db, company.first());
    QString what = QStringLiteral("Будет удалена организация «%1»").arg(company.first());
    if (employees >= 0)
        what += QStringLiteral(", вместе с ней сотрудников: %1").arg(employees);
    if (!confirmDelete(what + QLatin1Char('.')))
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
    if (!confirmDelete(QStringLiteral("Будет удалён сотрудник «%1» организации «%2».").arg(person.value(0), companyText)))
        return;

    const QList<QStringList> valueSets{{companyText}, {person.value(0)}, {person.value(1)}, {person.value(2)}};
    const QString message = db.deleteRecords(QStringLiteral("personal"), personKeyColumns(), valueSets);
    if (!message.isEmpty())
        showError(this, message);

    on_buttonClear_clicked();
    refreshPersonnel(companyText, QStringList());
}
