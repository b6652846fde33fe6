#include "records/recordstore.h"

#include "db/database.h"

#include <QSqlQuery>
#include <QVariant>

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

namespace {

// The text of another organisation than oldText that shows as newText when
// letter case and runs of blanks are set aside; empty when there is none.
// The stored lower-case text is looked up both as typed and with its blanks
// reduced, so that the lookup stays on the column's index.
bool otherOrganisationShownAs(DataBase& db, const QString& newText, const QString& oldText, QString* other)
{
    const QString wanted = lowerCase(newText.simplified());
    const QStringList keys{lowerCase(newText), wanted};
    QList<QStringList> rows;
    if (!db.selectRecordsIn(rows, QStringLiteral("companies"), {companyTextColumn()}, QStringLiteral("name"), keys))
        return false;
    other->clear();
    for (const QStringList& row : qAsConst(rows)) {
        const QString text = row.value(0);
        if (text != oldText && lowerCase(text.simplified()) == wanted) {
            *other = text;
            break;
        }
    }
    return true;
}

} // namespace

RenameOutcome renameOrganisation(DataBase& db, const Organisation& company, const QString& oldText,
                                 QString* takenText)
{
    const QString newText = company.text();
    const QString id = QStringLiteral("id");
    QString other;
    const bool written = db.writeTransaction([&] {
        if (!otherOrganisationShownAs(db, newText, oldText, &other) || !other.isEmpty())
            return false;
        return db.updateRecords(QStringLiteral("companies"), companyColumns(), company.row(),
                                {companyTextColumn()}, {oldText})
               && db.updateRecords(QStringLiteral("personal"), {id}, {newText}, {id}, {oldText});
    });
    if (!other.isEmpty()) {
        if (takenText)
            *takenText = other;
        return RenameOutcome::Taken;
    }
    return written ? RenameOutcome::Renamed : RenameOutcome::Failed;
}

bool latestDirector(DataBase& db, const QString& companyText, QString* post, QString* director)
{
    const QString statement =
        QStringLiteral("SELECT Должность, Руководитель FROM personal WHERE id = %1 AND "
                       "(Должность <> '' OR Руководитель <> '') ORDER BY %2 DESC LIMIT 1")
            .arg(DataBase::quoteLiteral(companyText), sql::rowKey(db.dialect()));
    QSqlQuery query(db.database);
    if (!query.exec(statement) || !query.next())
        return false;
    *post = query.value(0).toString();
    *director = query.value(1).toString();
    return true;
}

} // namespace records
