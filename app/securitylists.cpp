#include "app/security.h"
#include "ui_security.h"

#include "app/messages.h"
#include "records/listposition.h"
#include "records/recordstore.h"
#include "records/recordtexts.h"
#include "records/stalerows.h"

#include <QDate>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QList>
#include <QMessageBox>
#include <QSqlError>
#include <QTableView>

void Security::refreshCompanies(const QString& filter)
{
    if (!modelCompanies.refresh(filter, db.database)) {
        showError(this, modelCompanies.lastError().text());
        return;
    }
    // A hidden list is fitted by the resize event of its first show.
    if (ui->tableViewCompanies->isVisible())
        ui->tableViewCompanies->fitVisibleRows();
    // The new query has reset the model and with it the company selection.
    if (selectedRowTexts(ui->tableViewCompanies).isEmpty())
        modelPersonal.clear();
}

void Security::refreshPersonnel(const QString& companyText, const QStringList& filters)
{
    modelPersonal.setQuery(records::personnelListQuery(companyText, filters, db.dialect()), db.database);
    if (modelPersonal.lastError().isValid()) {
        showError(this, modelPersonal.lastError().text());
        return;
    }
    // Read whole (one organisation's staff): a statement left half read would
    // keep another program from committing while the list is shown.
    while (modelPersonal.canFetchMore())
        modelPersonal.fetchMore();
    if (ui->tableViewPersonal->isVisible())
        ui->tableViewPersonal->fitVisibleRows();
}

QStringList Security::selectedRowTexts(QTableView* view) const
{
    QStringList texts;
    const QItemSelectionModel* selection = view->selectionModel();
    const QAbstractItemModel* model = view->model();
    if (!selection || !model)
        return texts;
    const int columns = view->horizontalHeader()->count();
    for (const QModelIndex& row : selection->selectedRows()) {
        for (int column = 0; column < columns; ++column)
            texts.append(model->index(row.row(), column).data().toString());
    }
    return texts;
}

void Security::clearFilters()
{
    const QStringList company = selectedRowTexts(ui->tableViewCompanies);
    const QStringList person = selectedRowTexts(ui->tableViewPersonal);
    // Widget-tree order: the company filter goes first, so by the time the
    // employee filters fire, the company list has already been re-queried.
    const QList<QLineEdit*> edits = findChildren<QLineEdit*>();
    for (QLineEdit* edit : edits) {
        if (edit->objectName().contains(QLatin1String("filter"), Qt::CaseInsensitive))
            edit->clear();
    }
    // The re-queried lists have dropped what the operator found through the
    // filters; the operation that cleared them is meant to act on it.
    if (company.isEmpty())
        return;
    if (selectedRowTexts(ui->tableViewCompanies) != company) {
        if (!records::selectCompanyRow(ui->tableViewCompanies, db.database, company.first()))
            return;
        refreshPersonnel(company.first(), QStringList());
    }
    if (!person.isEmpty() && selectedRowTexts(ui->tableViewPersonal) != person)
        records::selectPersonRow(ui->tableViewPersonal, db.database, company.first(), person);
}

void Security::filterChanged(QString text)
{
    Q_UNUSED(text)
    const QStringList filters{ui->lineEditSunameFilter->text(), ui->lineEditDirectorFilter->text()};
    const QStringList company = selectedRowTexts(ui->tableViewCompanies);
    if (company.isEmpty()) {
        modelPersonal.clear();
        return;
    }
    refreshPersonnel(company.first(), filters);
}

void Security::on_lineEditCompanyFilter_textChanged(const QString& arg1)
{
    refreshCompanies(arg1);
}

void Security::on_tableViewCompanies_clicked(const QModelIndex& index)
{
    Q_UNUSED(index)
    const QStringList clicked = selectedRowTexts(ui->tableViewCompanies);
    // Changed or deleted on another workstation since the list was read: the
    // form keeps what it shows.
    if (!clicked.isEmpty() && records::companyGone(db.database, clicked.first())) {
        const int shown = modelCompanies.rowCount();
        refreshCompanies(ui->lineEditCompanyFilter->text());
        showError(this, records::staleRowMessage(shown, modelCompanies.rowCount()));
        return;
    }
    on_buttonClear_clicked();
    QStringList company = selectedRowTexts(ui->tableViewCompanies);
    // Emptying a company filter re-queries the list and drops the clicked row.
    if (company.isEmpty() && !clicked.isEmpty()
        && records::selectCompanyRow(ui->tableViewCompanies, db.database, clicked.first())) {
        company = clicked;
    }
    if (company.isEmpty())
        return;

    records::Organisation organisation;
    if (!records::readOrganisation(db, company.first(), &organisation))
        return;
    ui->lineEditForm->setText(organisation.form);
    ui->lineEditComp->setText(organisation.name);
    // An organisation has one director: the one its employees were saved with last.
    QString post;
    QString director;
    if (ui->lineEditDirPost->text().isEmpty() && ui->lineEditDir->text().isEmpty()
        && records::latestDirector(db, company.first(), &post, &director)) {
        ui->lineEditDirPost->setText(post);
        ui->lineEditDir->setText(director);
    }
    refreshPersonnel(organisation.text(), QStringList());
}

void Security::followSelections()
{
    for (QTableView* view : {static_cast<QTableView*>(ui->tableViewCompanies),
                             static_cast<QTableView*>(ui->tableViewPersonal)}) {
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &Security::updateSelectionButtons);
        connect(view->model(), &QAbstractItemModel::modelReset, this, &Security::updateSelectionButtons);
        connect(view->model(), &QAbstractItemModel::rowsRemoved, this, &Security::updateSelectionButtons);
    }
    updateSelectionButtons();
}

void Security::updateSelectionButtons()
{
    const bool company = !selectedRowTexts(ui->tableViewCompanies).isEmpty();
    ui->buttonBatch->setEnabled(company);
    ui->buttonDeleteCompany->setEnabled(company);
    ui->buttonDeletePerson->setEnabled(company && !selectedRowTexts(ui->tableViewPersonal).isEmpty());
}

bool Security::loadSelectedOrganisation()
{
    const QStringList company = selectedRowTexts(ui->tableViewCompanies);
    records::Organisation organisation;
    if (company.isEmpty() || !records::readOrganisation(db, company.first(), &organisation))
        return false;
    ui->lineEditForm->setText(organisation.form);
    ui->lineEditComp->setText(organisation.name);
    return true;
}

void Security::on_tableViewPersonal_clicked(const QModelIndex& index)
{
    Q_UNUSED(index)
    const QStringList person = selectedRowTexts(ui->tableViewPersonal);
    const QStringList company = selectedRowTexts(ui->tableViewCompanies);
    if (person.isEmpty() || company.isEmpty())
        return;

    QList<QStringList> rows;
    if (!db.selectRecordValues(rows, QStringLiteral("personal"), records::personalColumns().mid(0, 7),
                               records::personKeyColumns(), QStringList{company.first()} + person)) {
        return;
    }
    if (rows.isEmpty()) { // changed or deleted on another workstation: the form keeps what it shows
        const int shown = modelPersonal.rowCount();
        refreshPersonnel(company.first(), {ui->lineEditSunameFilter->text(), ui->lineEditDirectorFilter->text()});
        showError(this, records::staleRowMessage(shown, modelPersonal.rowCount()));
        return;
    }
    // The organisation fields may have been emptied (by a delete) while the
    // organisation stayed selected; without them the card could not be printed.
    if (ui->lineEditForm->text().isEmpty() && ui->lineEditComp->text().isEmpty())
        loadSelectedOrganisation();
    const QStringList& row = rows.first();
    const QStringList editNames{QStringLiteral("lineEditSurname"), QStringLiteral("lineEditName"),
                                QStringLiteral("lineEditPatron"), QStringLiteral("lineEditDirPost"),
                                QStringLiteral("lineEditDir")};
    for (int i = 0; i < editNames.size(); ++i) {
        if (auto* edit = findChild<QLineEdit*>(editNames.at(i)))
            edit->setText(row.value(i + 1));
    }
    // A date the field cannot take would leave the previous employee's date
    // in it, to be printed on this card or written by the next update.
    const QDate date = QDate::fromString(row.value(6), QStringLiteral("dd.MM.yyyy"));
    if (date.isValid()) {
        ui->lineEditDate->setDate(date);
    } else {
        ui->lineEditDate->setDate(QDate::currentDate());
        QMessageBox::warning(this, QStringLiteral("Предупреждение"),
                             QStringLiteral("Дата выдачи «%1» не распознана, поставлена сегодняшняя дата")
                                 .arg(row.value(6)));
    }
    ui->lineEditDate->clearFocus();
}

void Security::on_buttonClear_clicked()
{
    // Also empties the date edit's inner editor; the date is set again below.
    const QList<QLineEdit*> edits = findChildren<QLineEdit*>();
    for (QLineEdit* edit : edits)
        edit->clear();
    ui->lineEditDate->setDate(QDate::currentDate());
    ui->lineEditDate->setSelectedSection(QDateTimeEdit::NoSection);

    // Pressed by the operator, the button also lets go of the records: with an
    // organisation still selected, "Обновить" would rename it after the form.
    // The company click and the deletes clear the form through here too and
    // keep their selections.
    if (sender() == ui->buttonClear) {
        ui->tableViewCompanies->clearSelection();
        ui->tableViewPersonal->clearSelection();
        modelPersonal.clear();
    }
}
