#include "records/recordtexts.h"

#include "db/database.h"
#include "util/hiddentext.h"

#include <algorithm>

namespace records {

QStringList companyColumns()
{
    return {QStringLiteral("Форма"), QStringLiteral("Наименование"), QStringLiteral("name")};
}

QStringList personalColumns()
{
    return {QStringLiteral("id"),          QStringLiteral("Фамилия"),      QStringLiteral("Имя"),
            QStringLiteral("Отчество"),    QStringLiteral("Должность"),    QStringLiteral("Руководитель"),
            QStringLiteral("Дата_выдачи"), QStringLiteral("person"),       QStringLiteral("director")};
}

QString companyTextColumn()
{
    return QStringLiteral("TRIM(Форма||' '||Наименование)");
}

QString fullNameColumn()
{
    return QStringLiteral("TRIM(Фамилия||' '||Имя||' '||Отчество)");
}

QString directorTextColumn()
{
    return QStringLiteral("TRIM(Должность||' '||Руководитель)");
}

QString nonEmptyJoin(const QStringList& texts)
{
    QStringList parts;
    for (const QString& text : texts) {
        if (!text.isEmpty())
            parts.append(text);
    }
    return parts.join(QLatin1Char(' '));
}

QString lowerCase(const QString& text)
{
    return text.toLower();
}

QString companyText(const QString& form, const QString& name)
{
    // Exactly what the database computes for the list, TRIM(Форма||' '||Наименование):
    // SQLite's TRIM drops spaces only. A stray space typed around a name must not
    // give the employees' "id" a text that the list never shows.
    return shownText({form, name});
}

QString shownText(const QStringList& parts)
{
    const QString text = parts.join(QLatin1Char(' '));
    int first = 0;
    int last = text.size() - 1;
    while (first <= last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last >= first && text.at(last) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first + 1);
}

QString Employee::fullName() const
{
    return nonEmptyJoin({surname, name, patron});
}

QString Employee::directorText() const
{
    return nonEmptyJoin({dirPost, director});
}

QString Organisation::text() const
{
    return companyText(form, name);
}

QStringList Organisation::row() const
{
    return companyRow(form, name);
}

QStringList companyRow(const QString& form, const QString& name)
{
    return {form, name, lowerCase(companyText(form, name))};
}

QStringList savedPersonRow(const QString& companyText, const PersonFields& person)
{
    return {companyText,
            person.surname,
            person.name,
            person.patron,
            person.dirPost,
            person.director,
            person.date,
            lowerCase(nonEmptyJoin({person.surname, person.name, person.patron})),
            lowerCase(person.dirPost + QLatin1Char(' ') + person.director)};
}

QString cleanedText(const QString& text)
{
    return hiddentext::removed(text).trimmed();
}

QString missingFieldsNote(bool personFilled, bool companyFilled, bool directorFilled)
{
    QStringList missing;
    if (!personFilled)
        missing << QStringLiteral("фамилия, имя или отчество сотрудника");
    if (!companyFilled)
        missing << QStringLiteral("наименование организации");
    if (!directorFilled)
        missing << QStringLiteral("должность или фамилия руководителя");
    if (missing.isEmpty())
        return QString();
    return QStringLiteral("Чтобы сохранить, заполните: ") + missing.join(QStringLiteral("; "));
}

PersonFields trimmedFields(const PersonFields& person)
{
    return {cleanedText(person.surname), cleanedText(person.name),     cleanedText(person.patron),
            cleanedText(person.dirPost), cleanedText(person.director), cleanedText(person.date)};
}

QStringList personRowTexts(const PersonFields& person)
{
    return {shownText({person.surname, person.name, person.patron}), shownText({person.dirPost, person.director}),
            person.date};
}

QStringList updatedPersonRow(const QString& companyText, const PersonFields& person)
{
    QStringList row = savedPersonRow(companyText, person);
    row.last() = lowerCase(nonEmptyJoin({person.dirPost, person.director}));
    return row;
}

bool isPlainFilter(const QString& lowered)
{
    // SQLite's LIKE ignores the case of Latin letters only, and "%" and "_"
    // are its wildcards.
    return std::none_of(lowered.cbegin(), lowered.cend(), [](QChar c) {
        return c == QLatin1Char('%') || c == QLatin1Char('_') || (c >= QLatin1Char('a') && c <= QLatin1Char('z'));
    });
}

QString likeCondition(const QString& column, const QString& filter, sql::Dialect dialect)
{
    const QString lowered = lowerCase(filter);
    // Finding the text as it is selects the same rows as LIKE's matching,
    // about three times as fast (a rare filter reads every name of the list).
    if (dialect == sql::Dialect::Sqlite && isPlainFilter(lowered))
        return QStringLiteral("instr(%1,%2)>0").arg(column, DataBase::quoteLiteral(lowered));
    const QString pattern = QLatin1Char('%') + lowered + QLatin1Char('%');
    return column + QLatin1String(" LIKE ") + DataBase::quoteLiteral(pattern) + sql::likeEscape(dialect);
}

QString companyListQuery(const QString& filter, sql::Dialect dialect)
{
    QString text = QStringLiteral("SELECT TRIM(Форма||' '||Наименование) AS %1 FROM companies")
                       .arg(sql::columnAlias(dialect, QStringLiteral("Наименование")));
    if (!filter.isEmpty())
        text += QLatin1String(" WHERE ") + likeCondition(QStringLiteral("name"), filter, dialect);
    return text + QStringLiteral(" ORDER BY Форма||' '||Наименование Asc");
}

QString personnelListQuery(const QString& companyText, const QStringList& filters, sql::Dialect dialect)
{
    QString text = QStringLiteral("SELECT TRIM(Фамилия||' '||Имя||' '||Отчество) AS %1,"
                                  "TRIM(Должность||' '||Руководитель) AS %2,"
                                  "Дата_выдачи FROM personal WHERE id=")
                       .arg(sql::columnAlias(dialect, QStringLiteral("ФИО")),
                            sql::columnAlias(dialect, QStringLiteral("Руководитель")))
                   + DataBase::quoteLiteral(companyText);
    const QStringList columns{QStringLiteral("person"), QStringLiteral("director")};
    QStringList conditions;
    for (int i = 0; i < columns.size() && i < filters.size(); ++i) {
        if (!filters.at(i).isEmpty())
            conditions.append(likeCondition(columns.at(i), filters.at(i), dialect));
    }
    if (!conditions.isEmpty())
        text += QLatin1String(" AND ") + conditions.join(QLatin1String(" AND "));
    return text + QStringLiteral(" ORDER BY ФИО Asc");
}

QString companyPositionQuery(const QString& companyText)
{
    // The list's own order expression: ties in it show the same text, so the
    // first row showing companyText is the first with the smallest sort text.
    // NULL sort texts (not written by this program) come first in the list.
    const QString order = QStringLiteral("Форма||' '||Наименование");
    return QStringLiteral("SELECT k,(SELECT COUNT(*) FROM companies WHERE %1 IS NULL)"
                          "+(SELECT COUNT(*) FROM companies WHERE %1<k)"
                          " FROM (SELECT MIN(%1) AS k FROM companies WHERE %2=%3) AS first_row")
        .arg(order, companyTextColumn(), DataBase::quoteLiteral(companyText));
}

QString personPositionQuery(const QString& companyText, const QString& fullName)
{
    const QString name = DataBase::quoteLiteral(fullName);
    return QStringLiteral("SELECT COUNT(CASE WHEN %1<%2 THEN 1 END),"
                          "COUNT(CASE WHEN %1 IS NULL OR %1<=%2 THEN 1 END) FROM personal WHERE id=%3")
        .arg(fullNameColumn(), name, DataBase::quoteLiteral(companyText));
}

} // namespace records
