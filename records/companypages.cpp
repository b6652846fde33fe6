#include "records/companypages.h"

#include "db/database.h"
#include "records/recordtexts.h"

#include <QSqlQuery>

namespace records {

namespace {

// The list's order expression: the one the index on the list's order holds.
const QString kSortText = QStringLiteral("Форма||' '||Наименование");

bool sameSortText(const QVariant& left, const QVariant& right)
{
    return left.isNull() ? right.isNull() : !right.isNull() && left.toString() == right.toString();
}

} // namespace

QString companyPageQuery(const QString& filter, const CompanyPageKey& after, int count, sql::Dialect dialect)
{
    QStringList conditions;
    if (!filter.isEmpty())
        conditions.append(likeCondition(QStringLiteral("name"), filter, dialect));
    // NULL sort texts come first: after one of them every row may follow.
    if (!after.sortText.isNull())
        conditions.append(kSortText + QLatin1String(">=") + DataBase::quoteLiteral(after.sortText.toString()));
    QString text = QStringLiteral("SELECT TRIM(%1) AS %2,%1,name FROM companies")
                       .arg(kSortText, sql::columnAlias(dialect, QStringLiteral("Наименование")));
    if (!conditions.isEmpty())
        text += QLatin1String(" WHERE ") + conditions.join(QLatin1String(" AND "));
    return text + QStringLiteral(" ORDER BY %1 Asc LIMIT %2 OFFSET %3").arg(kSortText).arg(count).arg(after.tied);
}

bool readCompanyPage(const QSqlDatabase& database, const QString& filter, const CompanyPageKey& after, int count,
                     CompanyPage* page, QSqlError* error)
{
    *page = CompanyPage();
    page->next = after;
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(companyPageQuery(filter, after, count, sql::dialectOf(database)))) {
        *error = query.lastError();
        return false;
    }
    while (query.next()) {
        page->texts.append(query.value(0).toString());
        page->names.append(query.value(2).toString());
        const QVariant sortText = query.value(1);
        if (sameSortText(sortText, page->next.sortText)) {
            ++page->next.tied;
        } else {
            page->next.sortText = sortText;
            page->next.tied = 1;
        }
    }
    // Read to its end: the statement lets go of the file here.
    query.finish();
    page->complete = page->texts.size() < count;
    *error = QSqlError();
    return true;
}

bool readCompanyPageFromEnd(const QSqlDatabase& database, int skip, int count, CompanyPage* page, QSqlError* error)
{
    *page = CompanyPage();
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT TRIM(%1) FROM companies ORDER BY %1 Desc LIMIT %2 OFFSET %3")
                        .arg(kSortText)
                        .arg(count)
                        .arg(skip))) {
        *error = query.lastError();
        return false;
    }
    while (query.next())
        page->texts.prepend(query.value(0).toString());
    query.finish();
    page->complete = skip == 0;
    *error = QSqlError();
    return true;
}

bool countCompanies(const QSqlDatabase& database, int* count, QSqlError* error)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM companies")) || !query.next()) {
        *error = query.lastError();
        return false;
    }
    *count = query.value(0).toInt();
    query.finish();
    *error = QSqlError();
    return true;
}

qint64 foreignCommitCount(const QSqlDatabase& database)
{
    if (!database.isOpen() || sql::dialectOf(database) != sql::Dialect::Sqlite)
        return -1;
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("PRAGMA data_version")) || !query.next())
        return -1;
    return query.value(0).toLongLong();
}

qint64 ownChangeCount(const QSqlDatabase& database)
{
    if (!database.isOpen() || sql::dialectOf(database) != sql::Dialect::Sqlite)
        return -1;
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT total_changes()")) || !query.next())
        return -1;
    return query.value(0).toLongLong();
}

} // namespace records
