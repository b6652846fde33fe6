#include "import/importcheck.h"

#include "db/database.h"
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

class Checker
{
public:
    Checker(DataBase& db, QList<QStringList>* newCompanies) : m_db(db), m_newCompanies(newCompanies) {}

    bool check(StaffRow* row)
    {
        if (!resolveCompany(row))
            return false;
        auto keys = m_keys.find(row->companyText);
        if (keys == m_keys.end()) {
            keys = m_keys.insert(row->companyText, QHash<QString, int>());
            if (!loadKeys(row->companyText, &keys.value()))
                return false;
        }
        const QString key = personKey(row->person);
        const auto found = keys->constFind(key);
        if (found == keys->constEnd()) {
            keys->insert(key, row->line);
            return true;
        }
        row->status = StaffRow::Status::Duplicate;
        row->reason = found.value() == 0 ? QStringLiteral("такая запись уже есть")
                                         : QStringLiteral("повторяет строку %1").arg(found.value());
        return true;
    }

    QString error() const { return m_error; }

private:
    // The save's rule: an organisation with the same lower-case company text
    // is the same organisation, and its employees go under its stored text.
    bool resolveCompany(StaffRow* row)
    {
        const QString formText = records::companyText(row->form, row->comp);
        const QString lower = records::lowerCase(formText);
        auto stored = m_companies.find(lower);
        if (stored == m_companies.end()) {
            QList<QStringList> found;
            if (!m_db.selectRecordValues(found, kCompanies, {records::companyTextColumn()}, {QStringLiteral("name")},
                                         {lower})) {
                return fail();
            }
            QStringList texts;
            for (const QStringList& values : found)
                texts.append(values.value(0));
            stored = m_companies.insert(lower, texts);
        }
        if (stored->isEmpty()) {
            m_newCompanies->append(records::companyRow(row->form, row->comp));
            stored->append(formText);
        }
        row->companyText = stored->contains(formText) ? formText : stored->first();
        return true;
    }

    bool loadKeys(const QString& companyText, QHash<QString, int>* keys)
    {
        QList<QStringList> found;
        if (!m_db.selectRecordValues(found, kPersonal, personKeyColumns(), {QStringLiteral("id")}, {companyText}))
            return fail();
        for (const QStringList& values : found)
            keys->insert(values.join(kKeySeparator), 0);
        return true;
    }

    bool fail()
    {
        m_error = QStringLiteral("база данных не читается: %1").arg(m_db.database.lastError().text());
        return false;
    }

    DataBase& m_db;
    QList<QStringList>* m_newCompanies;
    QHash<QString, QStringList> m_companies;         // lower-case company text -> stored texts
    QHash<QString, QHash<QString, int>> m_keys;      // company text -> person key -> line (0: stored)
    QString m_error;
};

} // namespace

bool checkRows(DataBase& db, QVector<StaffRow>* rows, QList<QStringList>* newCompanies, QString* error)
{
    newCompanies->clear();
    Checker checker(db, newCompanies);
    for (StaffRow& row : *rows) {
        if (row.status == StaffRow::Status::Invalid)
            continue;
        row.status = StaffRow::Status::Add;
        row.reason.clear();
        if (!checker.check(&row)) {
            *error = checker.error();
            return false;
        }
    }
    return true;
}

bool writeRows(DataBase& db, QVector<StaffRow>* rows, QList<QStringList>* newCompanies, QString* error)
{
    if (!db.createTable(kCompanies, records::companyColumns()) || !db.createTable(kPersonal, records::personalColumns())) {
        *error = QStringLiteral("таблицы базы данных не созданы: %1").arg(db.database.lastError().text());
        return false;
    }
    // The write lock first: the check inside decides with no other writer in between.
    if (!db.beginWrite()) {
        *error = QStringLiteral("запись не начата: база данных занята другой копией программы или недоступна");
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
        *error = QStringLiteral("ошибка записи в базу данных");
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
