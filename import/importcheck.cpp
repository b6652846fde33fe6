#include "import/importcheck.h"

#include "db/database.h"
#include "db/failurecause.h"
#include "records/recordtexts.h"

#include <QHash>
#include <QSqlError>

namespace staffimport {

namespace {

const QString kCompanies = QStringLiteral("companies");
const QString kPersonal = QStringLiteral("personal");
// Between the fields of a key: cleaned cells hold no control characters.
const QChar kKeySeparator(0x1F);

// The columns a save compares, "id" aside: the rows are looked up per organisation.
QStringList personKeyColumns()
{
    return records::personalColumns().mid(1, 6);
}

QString personKey(const records::PersonFields& p)
{
    return QStringList{p.surname, p.name, p.patron, p.dirPost, p.director, p.date}.join(kKeySeparator);
}

bool readFailed(DataBase& db, QString* error)
{
    *error = QStringLiteral("база данных не читается: %1").arg(db.database.lastError().text());
    return false;
}

bool checked(const StaffRow& row)
{
    return row.status != StaffRow::Status::Invalid;
}

// The save's rule: an organisation with the same lower-case company text is
// the same organisation, and its employees go under its stored text. Gives
// each row its company text; organisations not stored go to newCompanies.
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
    for (StaffRow& row : *rows) {
        if (!checked(row))
            continue;
        const QString formText = records::companyText(row.form, row.comp);
        QStringList& texts = stored[records::lowerCase(formText)];
        if (texts.isEmpty()) {
            newCompanies->append(records::companyRow(row.form, row.comp));
            texts.append(formText);
        }
        row.companyText = texts.contains(formText) ? formText : texts.first();
    }
    return true;
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
    if (!db.selectRecordsIn(found, kPersonal, QStringList{QStringLiteral("id")} + personKeyColumns(),
                            QStringLiteral("id"), companyTexts)) {
        return readFailed(db, error);
    }
    QHash<QString, QHash<QString, int>> keys; // company text -> person key -> line (0: stored)
    for (const QStringList& values : found)
        keys[values.value(0)].insert(values.mid(1).join(kKeySeparator), 0);

    for (StaffRow& row : *rows) {
        if (!checked(row))
            continue;
        QHash<QString, int>& known = keys[row.companyText];
        const QString key = personKey(row.person);
        const auto seen = known.constFind(key);
        if (seen == known.constEnd()) {
            known.insert(key, row.line);
            continue;
        }
        row.status = StaffRow::Status::Duplicate;
        row.reason = seen.value() == 0 ? QStringLiteral("такая запись уже есть")
                                       : QStringLiteral("повторяет строку %1").arg(seen.value());
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
        }
    }
    return summary;
}

QStringList skippedRowLines(const QVector<StaffRow>& rows)
{
    QStringList lines;
    int skipped = 0;
    for (const StaffRow& row : rows) {
        if (row.status == StaffRow::Status::Add)
            continue;
        if (++skipped > kMaxReportedRows)
            continue;
        const QString who = records::nonEmptyJoin({row.person.surname, row.person.name, row.person.patron}).left(80);
        const QString where = records::companyText(row.form, row.comp).left(80);
        QString line = QStringLiteral("строка %1").arg(row.line);
        if (!who.isEmpty() || !where.isEmpty())
            line += QStringLiteral(": %1").arg(records::nonEmptyJoin({who, where.isEmpty() ? QString() : "(" + where + ")"}));
        lines.append(line + QStringLiteral(" — ") + row.reason);
    }
    if (skipped > kMaxReportedRows)
        lines.append(QStringLiteral("… и ещё %1").arg(skipped - kMaxReportedRows));
    return lines;
}

} // namespace staffimport
