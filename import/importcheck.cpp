#include "import/importcheck.h"

#include "db/database.h"
#include "db/failurecause.h"
#include "import/matching.h"
#include "records/recordtexts.h"

#include <QHash>
#include <QSqlError>

namespace staffimport {

namespace {

const QString kCompanies = QStringLiteral("companies");
const QString kPersonal = QStringLiteral("personal");

QString fullName(const records::PersonFields& p)
{
    return records::nonEmptyJoin({p.surname, p.name, p.patron});
}

bool readFailed(DataBase& db, QString* error)
{
    *error = QStringLiteral("база данных не читается: %1").arg(db.database.lastError().text());
    return false;
}

bool checked(const StaffRow& row)
{
    return row.status == StaffRow::Status::Add || row.status == StaffRow::Status::Duplicate;
}

// Every stored organisation by its key (organisationKey), as its stored text;
// read only when some organisation of the file is not stored in its own spelling.
bool storedByKey(DataBase& db, QHash<QString, QString>* byKey, QString* error)
{
    QList<QStringList> all;
    if (!db.selectRecordValues(all, kCompanies, {records::companyTextColumn()}, {}, {}))
        return readFailed(db, error);
    for (const QStringList& values : all)
        byKey->insert(organisationKey(values.value(0)), values.value(0));
    return true;
}

// The save's rule: an organisation with the same lower-case company text is
// the same organisation, and its employees go under its stored text. Failing
// that, spellings with the same organisationKey are one organisation, stored
// or new. Gives each row its company text; organisations not stored go to
// newCompanies.
bool resolveCompanies(DataBase& db, QVector<StaffRow>* rows, QList<QStringList>* newCompanies, QString* error)
{
    QStringList lowers;
    for (const StaffRow& row : *rows) {
        if (checked(row))
            lowers.append(records::lowerCase(records::companyText(row.form, row.comp)));
    }
    lowers.removeDuplicates();
    QList<QStringList> found;
    if (!db.selectRecordsIn(found, kCompanies, {QStringLiteral("name"), records::companyTextColumn()},
                            QStringLiteral("name"), lowers)) {
        return readFailed(db, error);
    }
    QHash<QString, QStringList> stored; // lower-case company text -> stored texts
    for (const QStringList& values : found)
        stored[values.value(0)].append(values.value(1));
    QHash<QString, QString> byKey;
    bool keysRead = false;
    for (StaffRow& row : *rows) {
        if (!checked(row))
            continue;
        const QString formText = records::companyText(row.form, row.comp);
        QStringList& texts = stored[records::lowerCase(formText)];
        if (texts.isEmpty()) {
            if (!keysRead && !storedByKey(db, &byKey, error))
                return false;
            keysRead = true;
            const QString key = organisationKey(formText);
            const QString known = byKey.value(key);
            if (known.isEmpty()) {
                newCompanies->append(records::companyRow(row.form, row.comp));
                byKey.insert(key, formText);
            }
            texts.append(known.isEmpty() ? formText : known);
        }
        row.companyText = texts.contains(formText) ? formText : texts.first();
    }
    return true;
}

// Each row's verdict against the names stored (stored) and those on earlier
// lines: the same person in the organisation, whatever the date, is skipped.
void markPerson(StaffRow* row, QHash<QString, int>* known, const QHash<QString, QString>& lookAlikes)
{
    const QString name = fullName(row->person);
    const QString key = personKey(name);
    const auto seen = known->constFind(key);
    if (seen != known->constEnd()) {
        row->status = StaffRow::Status::Duplicate;
        row->reason = seen.value() == 0 ? QStringLiteral("уже есть в организации")
                                        : QStringLiteral("повторяет строку %1").arg(seen.value());
        return;
    }
    known->insert(key, row->line);
    const QString similar = lookAlikes.value(lookAlikeKey(name));
    if (!similar.isEmpty() && similar != name)
        row->note = QStringLiteral("похоже на «%1»").arg(similar);
    else if (mixesLatin(name))
        row->note = QStringLiteral("латинские буквы в имени, похоже на «%1»").arg(cyrillicSpelling(name));
}

} // namespace

bool checkRows(DataBase& db, QVector<StaffRow>* rows, QList<QStringList>* newCompanies, QString* error)
{
    newCompanies->clear();
    for (StaffRow& row : *rows) {
        if (checked(row)) {
            row.status = StaffRow::Status::Add;
            row.reason.clear();
        }
    }
    if (!resolveCompanies(db, rows, newCompanies, error))
        return false;

    QStringList companyTexts;
    for (const StaffRow& row : *rows) {
        if (checked(row))
            companyTexts.append(row.companyText);
    }
    companyTexts.removeDuplicates();
    QList<QStringList> found;
    if (!db.selectRecordsIn(found, kPersonal, records::personalColumns().mid(0, 4), QStringLiteral("id"),
                            companyTexts)) {
        return readFailed(db, error);
    }
    QHash<QString, QHash<QString, int>> keys;         // company text -> person key -> line (0: stored)
    QHash<QString, QHash<QString, QString>> lookAlike; // company text -> look-alike key -> stored name
    for (const QStringList& values : found) {
        const QString name = records::nonEmptyJoin(values.mid(1, 3));
        keys[values.value(0)].insert(personKey(name), 0);
        lookAlike[values.value(0)].insert(lookAlikeKey(name), name);
    }
    for (StaffRow& row : *rows) {
        row.note.clear();
        if (checked(row))
            markPerson(&row, &keys[row.companyText], lookAlike.value(row.companyText));
    }
    return true;
}

bool writeRows(DataBase& db, QVector<StaffRow>* rows, QList<QStringList>* newCompanies, QString* error)
{
    if (!db.createTable(kCompanies, records::companyColumns()) || !db.createTable(kPersonal, records::personalColumns())) {
        *error = db::withCause(QStringLiteral("таблицы базы данных не созданы: %1").arg(db.lastFailure().text()),
                               db.lastFailure());
        return false;
    }
    // The write lock first: the check inside decides with no other writer in between.
    if (!db.beginWrite()) {
        const QString cause = db::failureText(db::failureCause(db.lastFailure()));
        *error = QStringLiteral("запись не начата: %1")
                     .arg(cause.isEmpty() ? QStringLiteral("база данных занята другой копией программы или недоступна")
                                          : cause);
        return false;
    }
    QList<QStringList>& companies = *newCompanies;
    if (!checkRows(db, rows, &companies, error)) {
        db.endWrite(false);
        companies.clear();
        return false;
    }
    QList<QStringList> people;
    for (const StaffRow& row : *rows) {
        if (row.status == StaffRow::Status::Add)
            people.append(records::savedPersonRow(row.companyText, row.person));
    }
    const bool inserted = db.insertRows(kCompanies, records::companyColumns(), companies)
                          && db.insertRows(kPersonal, records::personalColumns(), people);
    if (!db.endWrite(inserted)) {
        companies.clear();
        *error = db::withCause(QStringLiteral("ошибка записи в базу данных"), db.lastFailure());
        return false;
    }
    return true;
}

Summary summarise(const QVector<StaffRow>& rows)
{
    Summary summary;
    for (const StaffRow& row : rows) {
        switch (row.status) {
        case StaffRow::Status::Add: ++summary.toAdd; break;
        case StaffRow::Status::Duplicate: ++summary.duplicates; break;
        case StaffRow::Status::Invalid: ++summary.invalid; break;
        case StaffRow::Status::NotListed: ++summary.notListed; break;
        }
        if (row.status == StaffRow::Status::Add && row.dateDefaulted)
            ++summary.dateDefaulted;
    }
    return summary;
}

QStringList rowLines(const QVector<StaffRow>& rows, const QVector<StaffRow::Status>& statuses, bool withNotes)
{
    QStringList lines;
    int listed = 0;
    for (const StaffRow& row : rows) {
        const bool noted = withNotes && row.status == StaffRow::Status::Add && !row.note.isEmpty();
        if (!statuses.contains(row.status) && !noted)
            continue;
        if (++listed > kMaxReportedRows)
            continue;
        const QString who = records::nonEmptyJoin({row.person.surname, row.person.name, row.person.patron}).left(80);
        const QString where = records::companyText(row.form, row.comp).left(80);
        QString line = QStringLiteral("строка %1").arg(row.line);
        if (!who.isEmpty() || !where.isEmpty())
            line += QStringLiteral(": %1").arg(records::nonEmptyJoin({who, where.isEmpty() ? QString() : "(" + where + ")"}));
        lines.append(line + QStringLiteral(" — ") + (noted ? row.note : row.reason));
    }
    if (listed > kMaxReportedRows)
        lines.append(QStringLiteral("… и ещё %1").arg(listed - kMaxReportedRows));
    return lines;
}

QStringList skippedRowLines(const QVector<StaffRow>& rows)
{
    return rowLines(rows, {StaffRow::Status::Duplicate, StaffRow::Status::Invalid}, false);
}

QStringList notListedLines(const QVector<StaffRow>& rows)
{
    return rowLines(rows, {StaffRow::Status::NotListed}, false);
}

QStringList notedRowLines(const QVector<StaffRow>& rows)
{
    return rowLines(rows, {}, true);
}

QStringList matchedOrganisations(const QVector<StaffRow>& rows)
{
    QStringList lines;
    for (const StaffRow& row : rows) {
        const QString text = records::companyText(row.form, row.comp);
        if (!row.companyText.isEmpty() && records::lowerCase(text) != records::lowerCase(row.companyText)) {
            const QString line = QStringLiteral("«%1» — это «%2»").arg(text.left(80), row.companyText.left(80));
            if (!lines.contains(line))
                lines.append(line);
        }
    }
    return lines;
}

} // namespace staffimport
