#include "journal/cardregister.h"

#include "db/dialect.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <pwd.h>
#include <unistd.h>

namespace journal {

const char* const kIssued = "issued";
const char* const kSpoiled = "spoiled";
const char* const kSent = "sent";
const char* const kUnfinished = "печать не завершена";

namespace {

const QString kTable = QStringLiteral("cards");

// The columns a print writes, all but the number.
const QStringList& dataColumns()
{
    static const QStringList list = columns().mid(1);
    return list;
}

QStringList searchTexts(const CardRow& row)
{
    QStringList names;
    for (const QString& part : {row.surname, row.name, row.patron}) {
        if (!part.isEmpty())
            names.append(part);
    }
    return {row.company.toLower(), names.join(QLatin1Char(' ')).toLower()};
}

// Binds a text; a null text would go in as NULL, which no column takes.
void bindText(QSqlQuery& query, const QString& text)
{
    query.addBindValue(text.isNull() ? QString(QLatin1String("")) : text);
}

bool fail(const QSqlQuery& query, QString* error)
{
    if (error)
        *error = query.lastError().text();
    return false;
}

CardRow rowFromQuery(const QSqlQuery& query)
{
    CardRow row;
    row.number = query.value(0).toLongLong();
    QString* const texts[] = {&row.printedAt, &row.company,   &row.surname, &row.name,         &row.patron,
                              &row.dirPost,   &row.director,  &row.issueDate, &row.printer, &row.operatorName,
                              &row.status,    &row.note,      &row.form,    &row.comp};
    int column = 1;
    for (QString* text : texts)
        *text = query.value(column++).toString();
    return row;
}

// One "?" per column, bound by position.
QString placeholders(int count)
{
    QStringList names;
    for (int i = 0; i < count; ++i)
        names.append(QStringLiteral("?"));
    return names.join(QLatin1Char(','));
}

// "%text%" for LIKE with the text's own "%", "_" and "\" taken literally.
QString likePattern(const QString& text)
{
    QString escaped = text.toLower();
    escaped.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    escaped.replace(QLatin1String("%"), QLatin1String("\\%"));
    escaped.replace(QLatin1String("_"), QLatin1String("\\_"));
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

} // namespace

const QStringList& columns()
{
    static const QStringList list = {"number",   "printed_at", "company",  "surname", "name",
                                     "patron",   "dir_post",   "director", "issue_date", "printer",
                                     "operator", "status",     "note",     "form",    "comp",
                                     "company_search", "person_search"};
    return list;
}

QStringList CardRow::values() const
{
    return {QString::number(number), printedAt, company,      surname, name, patron, dirPost, director,
            issueDate,               printer,   operatorName, status,  note, form,   comp};
}

FieldTexts CardRow::fieldTexts() const
{
    return {{"Surname", surname}, {"Name", name},   {"Patron", patron}, {"Form", form},
            {"Comp", comp},       {"DirPost", dirPost}, {"Dir", director}, {"Date", issueDate}};
}

CardRow rowFor(const PrintedCard& card, const QString& printedAt, const QString& operatorName)
{
    CardRow row;
    row.printedAt = printedAt;
    row.company = card.company;
    row.surname = card.texts.value("Surname");
    row.name = card.texts.value("Name");
    row.patron = card.texts.value("Patron");
    row.dirPost = card.texts.value("DirPost");
    row.director = card.texts.value("Dir");
    row.issueDate = card.texts.value("Date");
    row.printer = card.printer;
    row.operatorName = operatorName;
    row.status = QString::fromLatin1(kIssued);
    row.note = card.note;
    row.form = card.texts.value("Form");
    row.comp = card.texts.value("Comp");
    return row;
}

QString timestamp(const QDateTime& time)
{
    // Local time carries no offset in Qt's ISO text; the offset form does.
    return time.toOffsetFromUtc(time.offsetFromUtc()).toString(Qt::ISODate);
}

QString loginName()
{
    for (const char* variable : {"USER", "LOGNAME", "USERNAME"}) {
        const QString name = qEnvironmentVariable(variable);
        if (!name.isEmpty())
            return name;
    }
    const passwd* entry = getpwuid(geteuid());
    return entry && entry->pw_name ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

CardRegister::CardRegister(const QSqlDatabase& database)
    : m_database(database)
{
}

bool CardRegister::ensureTable(QString* error)
{
    const sql::Dialect dialect = sql::dialectOf(m_database);
    QStringList definitions{QStringLiteral("number ") + sql::serialKeyType(dialect)};
    for (const QString& column : dataColumns())
        definitions.append(column + QLatin1Char(' ') + sql::textColumnType(dialect)
                           + QStringLiteral(" NOT NULL DEFAULT ''"));
    QSqlQuery query(m_database);
    const QString statement =
        QStringLiteral("CREATE TABLE IF NOT EXISTS %1 (%2)").arg(kTable, definitions.join(QStringLiteral(", ")));
    return query.exec(statement) || (sql::isConcurrentCreate(dialect, query.lastError()) && query.exec(statement))
           || fail(query, error);
}

qint64 CardRegister::reserve(QString* error)
{
    QSqlQuery query(m_database);
    const sql::Dialect dialect = sql::dialectOf(m_database);
    if (!query.prepare(sql::insertReturning(
            dialect,
            QStringLiteral("INSERT INTO %1 (printed_at, operator, status, note) VALUES (?, ?, ?, ?)").arg(kTable),
            QStringLiteral("number"))))
        return fail(query, error);
    bindText(query, timestamp(QDateTime::currentDateTime()));
    bindText(query, loginName());
    bindText(query, QString::fromLatin1(kSpoiled));
    bindText(query, QString::fromUtf8(kUnfinished));
    QVariant key;
    if (!sql::insertReturningKey(query, dialect, &key))
        return fail(query, error);
    return key.toLongLong();
}

bool CardRegister::release(qint64 number, QString* error)
{
    QSqlQuery query(m_database);
    if (!query.prepare(QStringLiteral("DELETE FROM %1 WHERE number = ?").arg(kTable)))
        return fail(query, error);
    query.addBindValue(number);
    return query.exec() || fail(query, error);
}

qint64 CardRegister::record(const CardRow& row, qint64 reserved, QString* error)
{
    const QStringList values = row.values().mid(1) + searchTexts(row);
    QSqlQuery query(m_database);
    if (reserved > 0) {
        QStringList pairs;
        for (const QString& column : dataColumns())
            pairs.append(column + QStringLiteral(" = ?"));
        if (!query.prepare(QStringLiteral("UPDATE %1 SET %2 WHERE number = ?").arg(kTable, pairs.join(", "))))
            return fail(query, error);
        for (const QString& value : values)
            bindText(query, value);
        query.addBindValue(reserved);
        if (!query.exec())
            return fail(query, error);
        if (query.numRowsAffected() != 1) {
            if (error)
                *error = QStringLiteral("Запись № %1 не найдена в журнале").arg(reserved);
            return 0;
        }
        return reserved;
    }
    const sql::Dialect dialect = sql::dialectOf(m_database);
    if (!query.prepare(sql::insertReturning(dialect,
                                            QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                                .arg(kTable, dataColumns().join(", "),
                                                     placeholders(dataColumns().size())),
                                            QStringLiteral("number"))))
        return fail(query, error);
    for (const QString& value : values)
        bindText(query, value);
    QVariant key;
    if (!sql::insertReturningKey(query, dialect, &key))
        return fail(query, error);
    return key.toLongLong();
}

bool CardRegister::markSpoiled(qint64 number, const QString& reason, QString* error)
{
    return setStatus(number, QString::fromLatin1(kSpoiled), reason, error);
}

bool CardRegister::setStatus(qint64 number, const QString& status, const QString& note, QString* error)
{
    QSqlQuery query(m_database);
    if (!query.prepare(QStringLiteral("UPDATE %1 SET status = ?, note = ? WHERE number = ?").arg(kTable)))
        return fail(query, error);
    bindText(query, status);
    bindText(query, note);
    query.addBindValue(number);
    if (!query.exec())
        return fail(query, error);
    if (query.numRowsAffected() != 1) {
        if (error)
            *error = QStringLiteral("Запись № %1 не найдена в журнале").arg(number);
        return false;
    }
    return true;
}

bool CardRegister::fetch(qint64 number, CardRow* row, QString* error)
{
    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT %1 FROM %2 WHERE number = ?").arg(columns().join(", "), kTable)))
        return fail(query, error);
    query.addBindValue(number);
    if (!query.exec())
        return fail(query, error);
    if (!query.next()) {
        if (error)
            *error = QStringLiteral("Запись № %1 не найдена в журнале").arg(number);
        return false;
    }
    *row = rowFromQuery(query);
    return true;
}

bool CardRegister::list(const Filter& filter, qint64 below, int limit, QVector<CardRow>* rows, QString* error)
{
    QStringList conditions;
    QVariantList values;
    if (below > 0) {
        conditions.append(QStringLiteral("number < ?"));
        values.append(below);
    }
    // The stored times begin with the local date, so text comparison finds a period.
    if (filter.from.isValid()) {
        conditions.append(QStringLiteral("printed_at >= ?"));
        values.append(filter.from.toString(Qt::ISODate));
    }
    if (filter.to.isValid()) {
        conditions.append(QStringLiteral("printed_at < ?"));
        values.append(filter.to.addDays(1).toString(Qt::ISODate));
    }
    if (!filter.company.isEmpty()) {
        conditions.append(QStringLiteral("company_search LIKE ? ESCAPE '\\'"));
        values.append(likePattern(filter.company));
    }
    if (!filter.person.isEmpty()) {
        conditions.append(QStringLiteral("person_search LIKE ? ESCAPE '\\'"));
        values.append(likePattern(filter.person));
    }
    QString statement = QStringLiteral("SELECT %1 FROM %2").arg(columns().mid(0, 15).join(", "), kTable);
    if (!conditions.isEmpty())
        statement += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    statement += QStringLiteral(" ORDER BY number DESC");
    if (limit >= 0)
        statement += QStringLiteral(" LIMIT ") + QString::number(limit);

    QSqlQuery query(m_database);
    query.setForwardOnly(true);
    if (!query.prepare(statement))
        return fail(query, error);
    for (const QVariant& value : values)
        query.addBindValue(value);
    if (!query.exec())
        return fail(query, error);
    while (query.next())
        rows->append(rowFromQuery(query));
    // Read to the end, so the statement holds no lock on the file afterwards.
    query.finish();
    return true;
}

} // namespace journal
