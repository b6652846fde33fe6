#include "records/recordstore.h"

#include "db/database.h"

namespace records {

bool readOrganisation(DataBase& db, const QString& companyText, Organisation* organisation)
{
    QList<QStringList> rows;
    if (!db.selectRecordValues(rows, QStringLiteral("companies"), companyColumns().mid(0, 2), {companyTextColumn()},
                               {companyText})
        || rows.isEmpty()) {
        return false;
    }
    *organisation = {rows.first().value(0), rows.first().value(1)};
    return true;
}

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
    return {QStringLiteral("id"), fullNameColumn(), directorTextColumn(), QStringLiteral("Дата_выдачи")};
}

namespace {

// Writes the organisation unless one is stored under the same lower-case
// text, and gives in *companyText the company text its employees are stored
// under. Employees link by the exact text, so one saved under the form's
// letter case ("ооо щит" for "ООО Щит") would never show in any list: it
// takes the stored organisation's text instead.
bool storeOrganisation(DataBase& db, const Organisation& company, QString* companyText)
{
    const QStringList companyValues = company.row();
    const QString formText = company.text();
    QList<QStringList> stored;
    if (!db.selectRecordValues(stored, QStringLiteral("companies"), {companyTextColumn()},
                               {QStringLiteral("name")}, {companyValues.value(2)})) {
        return false;
    }
    *companyText = formText;
    if (stored.isEmpty())
        return db.insertRecord(QStringLiteral("companies"), companyColumns(), companyValues);
    for (const QStringList& row : stored) {
        if (row.value(0) == formText)
            return true;
    }
    *companyText = stored.first().value(0);
    return true;
}

} // namespace

SaveOutcome writeNewRecords(DataBase& db, const Organisation& company, const Employee& person, QString* companyText)
{
    if (!storeOrganisation(db, company, companyText))
        return SaveOutcome::Failed;
    const QStringList personValues = savedPersonRow(*companyText, person);

    // "person" and "director" take no part in the duplicate check.
    const int personFound = db.recordExists(QStringLiteral("personal"), personalColumns().mid(0, 7),
                                            personValues.mid(0, 7));
    if (personFound < 0)
        return SaveOutcome::Failed;
    if (personFound > 0)
        return SaveOutcome::Duplicate;
    return db.insertRecord(QStringLiteral("personal"), personalColumns(), personValues) ? SaveOutcome::Saved
                                                                                        : SaveOutcome::Failed;
}

bool renameOrganisation(DataBase& db, const Organisation& company, const QString& oldText)
{
    const QString newText = company.text();
    const QString id = QStringLiteral("id");
    return db.writeTransaction([&] {
        return db.updateRecords(QStringLiteral("companies"), companyColumns(), company.row(),
                                {companyTextColumn()}, {oldText})
               && db.updateRecords(QStringLiteral("personal"), {id}, {newText}, {id}, {oldText});
    });
}

} // namespace records
