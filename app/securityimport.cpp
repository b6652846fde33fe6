#include "app/security.h"
#include "ui_security.h"

#include "app/messages.h"
#include "import/importdialog.h"
#include "records/recordtexts.h"
#include "util/dialogfolder.h"

#include <QCollator>
#include <QFileDialog>
#include <QSqlError>

#include <algorithm>

void Security::on_buttonImport_clicked()
{
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("Список сотрудников"), dialogfolder::start(),
        QStringLiteral("Таблицы (*.csv *.txt *.xlsx *.xls *.ods);;Все файлы (*)"));
    dialogfolder::remember(path);
    if (!path.isEmpty())
        importStaffList(path);
}

// The import window works on the main window's database; the lists show the
// new rows once it is closed.
void Security::importStaffList(const QString& path)
{
    staffimport::ImportSession session;
    QString error;
    if (!session.open(path, &error)) {
        showError(this, QStringLiteral("Импорт не выполнен: %1").arg(error));
        return;
    }
    QList<QStringList> stored;
    db.selectRecordValues(stored, QStringLiteral("companies"), {records::companyTextColumn()}, {}, {});
    QStringList companies;
    for (const QStringList& row : stored)
        companies.append(row.value(0));
    companies.removeDuplicates();
    QCollator collator;
    std::sort(companies.begin(), companies.end(), collator);

    ImportDialog dialog(&session, &db, companies, selectedRowTexts(ui->tableViewCompanies).value(0), this);
    dialog.exec();
    if (dialog.imported()) {
        clearFilters();
        refreshCompanies(QString());
    }
}
