#include "batch/batchprint.h"

#include "db/database.h"
#include "records/recordtexts.h"

#include <QDate>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace batch {

bool readEmployees(const QSqlDatabase& database, const QString& companyText, QVector<records::Employee>* employees,
                   QString* error)
{
    QSqlQuery query(database);
    query.setForwardOnly(true);
    const QString statement =
        QStringLiteral("SELECT %1,%2 FROM personal WHERE id=%3 ORDER BY %4")
            .arg(sql::rowKey(sql::dialectOf(database)), records::personalColumns().mid(1, 6).join(QLatin1Char(',')),
                 DataBase::quoteLiteral(companyText), records::fullNameColumn());
    if (!query.exec(statement)) {
        *error = query.lastError().text();
        return false;
    }
    employees->clear();
    while (query.next()) {
        records::Employee employee;
        employee.rowId = query.value(0).toLongLong();
        employee.surname = query.value(1).toString();
        employee.name = query.value(2).toString();
        employee.patron = query.value(3).toString();
        employee.dirPost = query.value(4).toString();
        employee.director = query.value(5).toString();
        employee.date = query.value(6).toString();
        employees->append(employee);
    }
    return true;
}

bool matchingRows(const QSqlDatabase& database, const QString& companyText, const QStringList& filters,
                  QSet<qint64>* rows, QString* error)
{
    const sql::Dialect dialect = sql::dialectOf(database);
    QString statement = QStringLiteral("SELECT ") + sql::rowKey(dialect) + QStringLiteral(" FROM personal WHERE id=")
                        + DataBase::quoteLiteral(companyText);
    const QStringList columns{QStringLiteral("person"), QStringLiteral("director")};
    for (int i = 0; i < columns.size() && i < filters.size(); ++i) {
        if (!filters.at(i).isEmpty())
            statement += QLatin1String(" AND ") + records::likeCondition(columns.at(i), filters.at(i), dialect);
    }
    QSqlQuery query(database);
    query.setForwardOnly(true);
    if (!query.exec(statement)) {
        *error = query.lastError().text();
        return false;
    }
    rows->clear();
    while (query.next())
        rows->insert(query.value(0).toLongLong());
    return true;
}

QString printedDate(const QString& stored)
{
    const QString format = QStringLiteral("dd.MM.yyyy");
    const QDate date = QDate::fromString(stored.trimmed(), format);
    return date.isValid() ? date.toString(format) : QString();
}

cardlayout::SourceTexts sourceTexts(const QString& form, const QString& comp, const records::Employee& employee,
                                    const QString& date)
{
    cardlayout::SourceTexts texts;
    texts.insert(QStringLiteral("Form"), form);
    texts.insert(QStringLiteral("Comp"), comp);
    texts.insert(QStringLiteral("Surname"), employee.surname);
    texts.insert(QStringLiteral("Name"), employee.name);
    texts.insert(QStringLiteral("Patron"), employee.patron);
    texts.insert(QStringLiteral("DirPost"), employee.dirPost);
    texts.insert(QStringLiteral("Dir"), employee.director);
    texts.insert(QStringLiteral("Date"), date);
    return texts;
}

} // namespace batch
