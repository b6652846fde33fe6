#include "db/statements.h"

namespace sql {

namespace {

QString quoteAll(const QStringList& values, const QString& separator)
{
    QString text;
    for (int i = 0; i < values.size(); ++i) {
        if (i > 0)
            text += separator;
        text += quoteLiteral(values.at(i));
    }
    return text;
}

const QLatin1String kValuesPlaceholder("%1");

} // namespace

QString quoteLiteral(const QString& value)
{
    QString text = value;
    text.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

QString conditions(const QStringList& columns, const QStringList& values, const QString& separator)
{
    QStringList pairs;
    pairs.reserve(columns.size());
    for (int i = 0; i < columns.size(); ++i)
        pairs.append(columns.at(i) + QLatin1Char('=') + quoteLiteral(values.value(i)));
    return pairs.join(separator);
}

QString createTable(const QString& table, const QStringList& columns, Dialect dialect)
{
    const QString type = QLatin1Char(' ') + textColumnType(dialect);
    return QLatin1String("CREATE TABLE IF NOT EXISTS ") + table + QLatin1String(" (")
           + columns.join(type + QLatin1Char(',')) + type + QLatin1String(");");
}

QString countRows(const QString& table)
{
    return QLatin1String("SELECT COUNT(*) FROM ") + table;
}

QString masterColumns(const QString& expr, Dialect dialect)
{
    return QLatin1String("SELECT ") + expr + QLatin1String(" FROM ") + tableCatalogue(dialect)
           + QLatin1String(" WHERE type='table'");
}

QString insertRecord(const QString& table, const QStringList& columns, const QStringList& values)
{
    return QLatin1String("INSERT INTO ") + table + QLatin1String(" (") + columns.join(QLatin1Char(','))
           + QLatin1String(") VALUES (") + quoteAll(values, QStringLiteral(",")) + QLatin1String(");");
}

QString updateRecords(const QString& table, const QStringList& columns, const QStringList& values,
                      const QStringList& whereColumns, const QStringList& whereValues)
{
    QString text = QLatin1String("UPDATE ") + table + QLatin1String(" SET ")
                   + conditions(columns, values, QStringLiteral(","));
    if (!whereColumns.isEmpty())
        text += QLatin1String(" WHERE ") + conditions(whereColumns, whereValues, QStringLiteral(" AND "));
    return text;
}

QString recordExists(const QString& table, const QStringList& columns, const QStringList& values)
{
    // The WHERE stays even for an empty column list: such a statement fails.
    return QLatin1String("SELECT ") + columns.join(QLatin1Char(',')) + QLatin1String(" FROM ") + table
           + QLatin1String(" WHERE ") + conditions(columns, values, QStringLiteral(" AND "));
}

QString selectRecords(const QString& table, const QStringList& columns, const QStringList& whereColumns,
                      const QStringList& whereValues)
{
    QString text = QLatin1String("SELECT ") + columns.join(QLatin1Char(',')) + QLatin1String(" FROM ") + table;
    if (!whereColumns.isEmpty())
        text += QLatin1String(" WHERE ") + conditions(whereColumns, whereValues, QStringLiteral(" AND "));
    return text;
}

QString deleteCondition(const QString& column, QStringList values)
{
    values.removeDuplicates();
    if (values.isEmpty())
        return column + QLatin1String(" IS NULL");
    if (values.join(QString()).isEmpty()) {
        // Empty fields are stored as empty texts, so "nothing" must match those.
        return QLatin1Char('(') + column + QLatin1String("='' OR ") + column + QLatin1String(" IS NULL)");
    }
    return column + QLatin1String(" IN(") + quoteAll(values, QStringLiteral(",")) + QLatin1Char(')');
}

QString deleteRecords(const QString& table, const QStringList& columns, const QList<QStringList>& valueSets)
{
    QStringList parts;
    parts.reserve(columns.size());
    for (int i = 0; i < columns.size(); ++i)
        parts.append(deleteCondition(columns.at(i), valueSets.value(i)));
    return QLatin1String("DELETE FROM ") + table + QLatin1String(" WHERE ") + parts.join(QLatin1String(" AND "));
}

QString selectRecordsIn(const QString& table, const QStringList& columns, const QString& keyColumn,
                        const QStringList& keys)
{
    return QLatin1String("SELECT ") + columns.join(QLatin1Char(',')) + QLatin1String(" FROM ") + table
           + QLatin1String(" WHERE ") + keyColumn + QLatin1String(" IN(") + quoteAll(keys, QStringLiteral(","))
           + QLatin1Char(')');
}

QString insertRecordsMany(const QString& table, const QStringList& columns, const QList<QStringList>& rows)
{
    QStringList values;
    values.reserve(rows.size());
    for (const QStringList& row : rows)
        values.append(QLatin1Char('(') + quoteAll(row, QStringLiteral(",")) + QLatin1Char(')'));
    return QLatin1String("INSERT INTO ") + table + QLatin1String(" (") + columns.join(QLatin1Char(','))
           + QLatin1String(") VALUES ") + values.join(QLatin1Char(',')) + QLatin1Char(';');
}

QString insertRecordsPattern(const QString& table, const QStringList& columns)
{
    return QLatin1String("INSERT INTO ") + table + QLatin1String(" (") + columns.join(QLatin1Char(','))
           + QLatin1String(") VALUES (") + kValuesPlaceholder + QLatin1String("); ");
}

QString insertRecordsRow(const QString& pattern, const QStringList& values)
{
    // The values' placeholder is the last "%1": table and column names come before it.
    QString text = pattern;
    const int at = text.lastIndexOf(kValuesPlaceholder);
    if (at >= 0)
        text.replace(at, kValuesPlaceholder.size(), quoteAll(values, QStringLiteral(",")));
    return text;
}

} // namespace sql
